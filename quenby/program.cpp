#include "quenby/program.h"

#include "platform/gui/namedcontrols.h"
#include "quenby/clonewizard/clonewizard.h"
#include "quenby/clonewizard/frmcoinmeasure1.h"
#include "quenby/link/frmopening.h"
#include "quenby/memutils/frmprogramming.h"
#include "quenby/memutils/frmprom.h"
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

// The limits editor, which a validator test opened from it returns to.
class ProgramMemoryWindows : public MemoryWindows {
public:
    explicit ProgramMemoryWindows(Program& p) : p_(p) {}
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
        p_.valtestForm().show();
    }
    plat::View& valtestView() override { return p_.valtestForm().controls(); }
    MemoryWindows& memoryWindows() override { return p_.memoryWindows(); }

private:
    Program& p_;
};

} // namespace

Program::Program(plat::Services services)
    : svc(std::move(services)),
      errors(texts, *svc.dialogs),
      guard(*svc.sched, [this](const QString& context, const std::exception& e) { errors.reportContext(context, e); }),
      port(svc.makePort ? svc.makePort() : nullptr),
      link(svc, state, texts, errors, *this),
      check(link, svc, texts, errors, *this)
{
    link.setPort(port.get(), &guard);
    link.setParsers(*parsers_);
    check.setLogons(*logons_);
    main_ = addWindow<frmMain>(QStringLiteral("frmMain"));
    opening_ = addWindow<frmOpening>(QStringLiteral("frmOpening"));
    programming_ = addWindow<frmProgramming>(QStringLiteral("frmProgramming"));
    prom_ = addWindow<frmPROM>(QStringLiteral("frmPROM"));
    valtest_ = addWindow<frmValtest>(QStringLiteral("frmValtest"));
    coinMeasure_ = addWindow<frmCoinMeasure1>(QStringLiteral("frmCoinMeasure1"));
    coinStats_ = std::make_unique<CoinMeasure>(CoinMeasure::Context{
        svc, texts, errors, *this, params, measure, [this] {
            return ReadingRanges{{rangeLow1, rangeLow2, rangeLow3}, {rangeHigh1, rangeHigh2, rangeHigh3}};
        }});
    coinDefault_ = std::make_unique<ProgramCoinMeasure>(*this);
    coinWindow_ = coinDefault_.get();
    memoryWindows_ = std::make_unique<ProgramMemoryWindows>(*this);
    progress_ = std::make_unique<ProgrammingWindow>(*programming_);
    mech_ = std::make_unique<MechFamilies>(link, check, svc, texts, errors, *this, params, memory, *progress_,
                                           [this] { return programFolder(); });
    mech_->layers.setHooks({[this] { mainForm().writeShownConfig(); },
                            [this] { mainForm().Timer3.setEnabled(false); }});
    measurement_ = std::make_unique<Measurement>(mech_->ctx, measure);
    measurement_->setHooks({[this] { mainForm().Timer3.setEnabled(true); },
                            [this](bool reject) { mainForm().makeSound(reject); }});
    measurement_->setWindow(*coinWindow_);
    cloneWindows_ = std::make_unique<ProgramCloneWindows>(*this);
    cloneContext_ = std::make_unique<CloneContext>(CloneContext{svc, texts, errors, *this, params, link, mech_->ctx,
                                                                *measurement_, measure, memory, limits, *coinStats_,
                                                                *cloneWindows_, fromPromWindow,
                                                                [this] { return programFolder(); }});
    clone_ = std::make_unique<CloneWizard>(*cloneContext_);
    setParsers(std::make_unique<ProgramParsers>(*this, mech_->makeParsers()));
    setLogons(mech_->makeLogons());
    setJobs(makeMainMenuJobs(*this));
    // Whatever ends the program closes the port and takes the windows off the screen first.
    std::weak_ptr<bool> alive = alive_;
    svc.env->atEnd([this, alive] {
        if (alive.expired())
            return;
        if (port && port->isOpen())
            port->close();
        state.portOpen = false;
        if (auto* f = opening_->ifLoaded())
            f->hide();
        if (auto* f = programming_->ifLoaded())
            f->hide();
        if (auto* f = prom_->ifLoaded())
            f->hide();
        if (auto* f = valtest_->ifLoaded())
            f->hide();
        if (auto* f = coinMeasure_->ifLoaded())
            f->hide();
        if (auto* f = main_->ifLoaded()) {
            f->stopTimers();
            f->hide();
        }
    });
}

Program::~Program()
{
    alive_.reset();
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
    windows_.emplace_back(name, [s]() -> const plat::NamedControls& { return s->get().controls(); });
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

void Program::setParsers(std::unique_ptr<LinkParsers> p)
{
    parsers_ = std::move(p);
    link.setParsers(*parsers_);
}

void Program::setCoinMeasure(std::unique_ptr<CoinMeasureWindow> w)
{
    coinStandIn_ = std::move(w);
    coinWindow_ = coinStandIn_ ? coinStandIn_.get() : coinDefault_.get();
    measurement_->setWindow(*coinWindow_);
}

void Program::setLogons(std::unique_ptr<MechLogons> l)
{
    logons_ = std::move(l);
    check.setLogons(*logons_);
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
    for (const auto& [name, controls] : windows_)
        out[name] = controls().names();
    return out;
}

QString Program::programFolder() const { return svc.env->programFolder(); }

} // namespace quenby
