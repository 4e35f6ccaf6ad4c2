#include "quenby/program.h"

#include "platform/gui/namedcontrols.h"
#include "quenby/clonewizard/clonewizard.h"
#include "quenby/clonewizard/frmcoinmeasure1.h"
#include "quenby/link/frmopening.h"
#include "quenby/memutils/frmeepromdata.h"
#include "quenby/memutils/frmnridata.h"
#include "quenby/memutils/frmprogramming.h"
#include "quenby/memutils/frmprom.h"
#include "quenby/memutils/frmpromdata.h"
#include "quenby/shell/frmmain.h"
#include "quenby/shell/frmvaltest.h"

#include <cstdlib>

namespace quenby {

namespace {

// Where the receive side's lines and frames go: the memory jobs' parsers, the main window's
// report parsers, the measurement and the coin measurement window.
class ProgramParsers : public LinkParsers {
public:
    ProgramParsers(Program& p, std::unique_ptr<LinkParsers> memory) : p_(p), memory_(std::move(memory)) {}
    void parseCoinAccepted(const QString& line) override { p_.mainForm().parseCoinAccepted(line); }
    void loadMeasurement(const QString& line) override { p_.coinMeasure().loadMeasurement(line); }
    void decodeMarsPromLine(const QString& line) override { memory_->decodeMarsPromLine(line); }
    void parseCcWordReply(const CcFrame& frame) override { memory_->parseCcWordReply(frame); }
    void parseCcMeasureFrame(const CcFrame& frame, int lastIndex) override
    {
        p_.measurement().parseCcMeasureFrame(frame, lastIndex);
    }
    void requestCcMeasurement() override { p_.measurement().requestCcMeasurement(); }
    void parseG10CoinAccepted(const QByteArray& report) override { p_.mainForm().parseG10CoinAccepted(report); }

private:
    Program& p_;
    std::unique_ptr<LinkParsers> memory_;
};

// The memory utilities' windows: opened from the main menu's launchers or from the limits
// editor, and the duplicating coin set run's programming from a data file.
class ProgramMemoryWindows : public MemoryWindows {
public:
    explicit ProgramMemoryWindows(Program& p) : p_(p) {}

    bool openPromData() override
    {
        frmPROMdata& w = p_.promDataForm();
        w.setup(0);
        w.redraw();
        return true;
    }
    bool openEepromData() override
    {
        // A read that stopped part way (a word unanswered, a lost port) is no picture of the mech.
        if (!p_.memory.images.holdsWholeMemoryOf(p_.job.mechModel))
            return false;
        p_.eepromDataForm().setup();
        showInFront(p_.eepromDataForm());
        return true;
    }
    bool openNriData() override
    {
        // As the EEPROM's: a read of part of the memory (or of none) is no picture of the mech.
        if (!p_.memory.nri.linesAreTheMechsOf(p_.job.mechModel))
            return false;
        p_.nriDataForm().setup();
        showInFront(p_.nriDataForm());
        return true;
    }
    bool openFromLimitsEditor() override;
    bool eeProgramme() override { return quenby::eeProgramme(*p_.mech().forJob()); }
    bool NRIprogramme() override { return quenby::NRIprogramme(*p_.mech().forJob(), true); }

    // The limits editor, which a validator test opened from it returns to.
    void enablePromValtest() override
    {
        if (frmPROM* f = p_.promIfLoaded())
            f->enableValidatorTest();
    }
    void showPromWindow() override
    {
        if (frmPROM* f = p_.promIfLoaded())
            f->show();
    }

private:
    // A window the menu stays locked behind: the main window makes way for it.
    void showInFront(QWidget& w)
    {
        w.show();
        if (!p_.fromPromWindow)
            p_.mainForm().hide();
    }
    void step(const std::function<void()>& fn) { p_.errors.trap(textid::LaunchingData, fn); }

    Program& p_;
};

bool ProgramMemoryWindows::openFromLimitsEditor()
{
    // The editor has sent its "J"s, read the mech where the family needs it and locked the menu's
    // button: the family's window, set up as opened from the editor.
    const Family family = p_.job.mechFamily;
    // A read cut by a lost port is no picture of the mech, whatever the family.
    if (family == Family::None || p_.link.jobStopped())
        return false;
    if (family == Family::CC && !p_.memory.images.holdsWholeMemoryOf(p_.job.mechModel))
        return false;
    // The data window's programming replaces progImage; the editor gets its own back on Close.
    if (!p_.dataWindows.editorImage)
        p_.dataWindows.editorImage = p_.memory.images.progImage;
    if (family == Family::CC) {
        step([&] { p_.eepromDataForm().setup(); });
        step([&] { p_.eepromDataForm().show(); });
    } else if (family == Family::NRI) {
        step([&] { p_.nriDataForm().setup(); });
        step([&] { p_.nriDataForm().show(); });
    } else {
        step([&] { p_.promDataForm().setup(1); });
        step([&] { p_.promDataForm().show(); });
        // The report of the image last read: nothing is read for it.
        step([&] { p_.promDataForm().redraw(); });
    }
    return true;
}

// The PROM report's view: frmPROMdata, built when the report first needs it.
class ProgramPromDataView : public PromDataView {
public:
    explicit ProgramPromDataView(Program& p) : p_(p) {}
    std::optional<int> showReportView() override { return p_.promDataForm().showReportView(); }
    void setPanes(const QString& read, const QString& toProgram) override
    {
        p_.promDataForm().setPanes(read, toProgram);
    }

private:
    Program& p_;
};

// The coin measurement window's operations: the statistics the program owns, and the window the
// "Program Mech" launchers open.
class ProgramCoinMeasure : public CoinMeasureWindow {
public:
    explicit ProgramCoinMeasure(Program& p) : p_(p) {}
    void loadMeasurement(const QString& line) override { p_.coinStats().loadMeasurement(line); }
    void updateStats(int mode) override { p_.coinStats().updateStats(mode); }
    void setDuplicateCheck(const QString& caption) override
    {
        plat::View& v = p_.coinMeasureForm().controls();
        v.setText(QStringLiteral("chkduplicate"), caption);
        v.setVisible(QStringLiteral("chkduplicate"), true);
        v.setValue(QStringLiteral("chkduplicate"), 0);
    }
    bool CoinInitialise(int mode) override
    {
        p_.coinMeasureForm();
        return p_.clone().frame.CoinInitialise(mode);
    }

private:
    Program& p_;
};

// The windows the cloning road drives.
class ProgramCloneWindows : public CloneWindows {
public:
    explicit ProgramCloneWindows(Program& p) : p_(p) {}
    plat::View& measureView() override { return p_.coinMeasureForm().controls(); }
    void layOutMeasureWindow(const MeasureLayout& layout) override { p_.coinMeasureForm().layOut(layout); }
    void centreMeasureWindow() override { p_.coinMeasureForm().centre(); }
    void layOutWizardPanel(const WizardPanel& panel) override { p_.coinMeasureForm().layOutWizardPanel(panel); }
    void unloadMeasureWindow() override { p_.unloadCoinMeasure(); }
    plat::View& mainView() override { return p_.mainForm().controls(); }
    void showMain(bool visible) override { p_.mainForm().setVisible(visible); }
    void setupMainForm() override { p_.mainForm().setupMainForm(); }
    LimitsEditor& limitsEditor() override { return p_.promForm(); }
    void unloadLimitsEditor() override { p_.unloadProm(); }
    void openValidatorTestFromEditor() override
    {
        openValidatorTest(p_, 1);
        // No test on a port that would not open (or went meanwhile): the editor stays as it was.
        if (!p_.link.jobStopped())
            p_.valtestForm().show();
    }
    MemoryWindows& memoryWindows() override { return p_.memoryWindows(); }

private:
    Program& p_;
};

} // namespace

Program::Program(plat::Services services)
    : jobDialogs_(services.dialogs),
      svc([&] {
          services.dialogs = &jobDialogs_;
          return std::move(services);
      }()),
      errors(texts, *svc.dialogs),
      guard(*svc.sched, [this](const QString& context, const std::exception& e) { errors.reportContext(context, e); }),
      port(svc.makePort ? svc.makePort() : nullptr),
      link(svc, state, texts, errors, job),
      check(link, svc, texts, errors, job)
{
    jobDialogs_.setGuard(&guard);
    // A report the box's lines raise (a flood of garbage raises one per line) is shown once a job.
    errors.setRepeatFilter([this](int id, int number) {
        return !link.receiving() || guard.firstInJob(QStringLiteral("%1/%2").arg(id).arg(number));
    });
    link.setPort(port.get(), &guard);
    main_ = addWindow<frmMain>(QStringLiteral("frmMain"));
    opening_ = addWindow<frmOpening>(QStringLiteral("frmOpening"));
    programming_ = addWindow<frmProgramming>(QStringLiteral("frmProgramming"));
    prom_ = addWindow<frmPROM>(QStringLiteral("frmPROM"));
    valtest_ = addWindow<frmValtest>(QStringLiteral("frmValtest"));
    promData_ = addWindow<frmPROMdata>(QStringLiteral("frmPROMdata"));
    eepromData_ = addWindow<frmEEPROMdata>(QStringLiteral("frmEEPROMdata"));
    nriData_ = addWindow<frmNRIdata>(QStringLiteral("frmNRIdata"));
    coinMeasure_ = addWindow<frmCoinMeasure1>(QStringLiteral("frmCoinMeasure1"));
    coinStats_ = std::make_unique<CoinMeasure>(CoinMeasure::Context{
        svc, texts, errors, job, params, measure, [this] {
            return ReadingRanges{{rangeLow1, rangeLow2, rangeLow3}, {rangeHigh1, rangeHigh2, rangeHigh3}};
        }});
    coinWindow_ = std::make_unique<ProgramCoinMeasure>(*this);
    memoryWindows_ = std::make_unique<ProgramMemoryWindows>(*this);
    promDataView_ = std::make_unique<ProgramPromDataView>(*this);
    progress_ = std::make_unique<ProgrammingWindow>(*programming_);
    mech_ = std::make_unique<MechFamilies>(link, check, svc, texts, errors, job, params, memory, *progress_,
                                           [this] { return programFolder(); });
    mech_->layers.setHooks({[this] { mainForm().writeShownConfig(); },
                            [this] { mainForm().Timer3.setEnabled(false); }});
    measurement_ = std::make_unique<Measurement>(mech_->ctx, measure);
    measurement_->setHooks({[this] { mainForm().Timer3.setEnabled(true); },
                            [this](bool reject) { mainForm().makeSound(reject); }});
    measurement_->setWindow(*coinWindow_);
    cloneWindows_ = std::make_unique<ProgramCloneWindows>(*this);
    cloneContext_ = std::make_unique<CloneContext>(CloneContext{svc, texts, errors, job, params, link, mech_->ctx,
                                                                *measurement_, measure, memory, limits, *coinStats_,
                                                                *cloneWindows_, fromPromWindow,
                                                                [this] { return programFolder(); }});
    clone_ = std::make_unique<CloneWizard>(*cloneContext_);
    parsers_ = std::make_unique<ProgramParsers>(*this, mech_->makeParsers());
    link.setParsers(*parsers_);
    logons_ = mech_->makeLogons();
    check.setLogons(*logons_);
    setJobs(makeMainMenuJobs(*this));
    // Whatever ends the program closes the port and takes the windows off the screen first.
    std::weak_ptr<bool> alive = alive_;
    svc.env->atEnd([this, alive] {
        if (alive.expired())
            return;
        link.closePort();
        if (auto* f = main_->ifLoaded())
            f->stopTimers();
        // The main window goes last.
        for (auto w = windows_.rbegin(); w != windows_.rend(); ++w)
            w->hideIfLoaded();
    });
}

Program::~Program()
{
    alive_.reset();
    nriData_.reset();
    eepromData_.reset();
    promData_.reset();
    coinStats_->setPanel(nullptr);
    coinMeasure_.reset();
    prom_.reset();
    valtest_.reset();
    programming_.reset();
    opening_.reset();
    main_.reset();
    link.setPort(nullptr);
}

template <class F>
std::unique_ptr<plat::FormSlot<F>> Program::addWindow(const QString& name)
{
    auto slot = std::make_unique<plat::FormSlot<F>>(guard.depth(), [this] { return std::make_unique<F>(*this); });
    plat::FormSlot<F>* s = slot.get();
    auto controls = [s]() -> const plat::NamedControls& { return s->get().controls(); };
    auto hide = [s] {
        if (F* f = s->ifLoaded())
            f->hide();
    };
    windows_.push_back({name, std::move(controls), std::move(hide)});
    return slot;
}

void Program::start() { mainForm().Form_Load(); }

void Program::endProgram(int code)
{
    guard.markExiting();
    svc.env->endProgram(code);
    std::abort(); // an environment's endProgram never returns
}

void Program::requestExit()
{
    guard.requestExit([this] { endProgram(0); });
}

void Program::setCoinMeasure(std::unique_ptr<CoinMeasureWindow> w)
{
    coinWindow_ = std::move(w);
    measurement_->setWindow(*coinWindow_);
}

frmMain& Program::mainForm() { return main_->get(); }
frmOpening& Program::openingForm() { return opening_->get(); }
bool Program::openingLoaded() const { return opening_->loaded(); }
void Program::unloadOpening() { opening_->unload(); }
frmProgramming& Program::programmingForm() { return programming_->get(); }
bool Program::programmingLoaded() const { return programming_->loaded(); }
frmPROM& Program::promForm() { return prom_->get(); }
frmPROM* Program::promIfLoaded() const { return prom_->ifLoaded(); }
void Program::unloadProm() { prom_->unload(); }
frmValtest& Program::valtestForm() { return valtest_->get(); }
frmValtest* Program::valtestIfLoaded() const { return valtest_->ifLoaded(); }
void Program::unloadValtest() { valtest_->unload(); }
frmPROMdata& Program::promDataForm() { return promData_->get(); }
frmPROMdata* Program::promDataIfLoaded() const { return promData_->ifLoaded(); }
void Program::unloadPromData() { promData_->unload(); }
frmEEPROMdata& Program::eepromDataForm() { return eepromData_->get(); }
frmEEPROMdata* Program::eepromDataIfLoaded() const { return eepromData_->ifLoaded(); }
void Program::unloadEepromData() { eepromData_->unload(); }
frmNRIdata& Program::nriDataForm() { return nriData_->get(); }
frmNRIdata* Program::nriDataIfLoaded() const { return nriData_->ifLoaded(); }
void Program::unloadNriData() { nriData_->unload(); }

void Program::leaveDataWindow(int textId, bool setupMain)
{
    const auto step = [&](const std::function<void()>& fn) { errors.trap(textId, fn); };
    if (setupMain)
        step([&] { mainForm().setupMainForm(); });
    // The limits editor comes back only when it is there: a Close never builds it.
    frmPROM* editor = promIfLoaded();
    step([&] {
        if (fromPromWindow) {
            mainForm().hide();
            if (editor)
                editor->show();
        } else {
            mainForm().show();
            if (editor)
                editor->hide();
        }
    });
    if (fromPromWindow && dataWindows.editorImage) {
        // The CC window may have programmed the mech: the editor's image is built again over
        // what the mech holds now, so the editor's programming keeps what the window wrote.
        if (job.mechFamily == Family::CC)
            step([&] { rebuildCcEditorImage(*mech().forJob(), *dataWindows.editorImage); });
        else
            memory.images.progImage = *dataWindows.editorImage;
    }
    dataWindows.editorImage.reset();
    step([&] { link.sendW(); });
}

frmCoinMeasure1& Program::coinMeasureForm()
{
    frmCoinMeasure1& f = coinMeasure_->get();
    if (!f.formLoaded) {
        f.formLoaded = true;
        // The statistics show in this window's panel from now until it is unloaded.
        coinStats_->setPanel(&f.controls());
        clone_->frame.Form_Load();
    }
    return f;
}
frmCoinMeasure1* Program::coinMeasureIfLoaded() const { return coinMeasure_->ifLoaded(); }
void Program::unloadCoinMeasure()
{
    coinStats_->setPanel(nullptr);
    coinMeasure_->unload();
}

std::map<QString, plat::ControlNames> Program::windowControls()
{
    std::map<QString, plat::ControlNames> out;
    for (const Window& w : windows_)
        out[w.name] = w.controls().names();
    return out;
}

QString Program::programFolder() const { return svc.env->programFolder(); }

} // namespace quenby
