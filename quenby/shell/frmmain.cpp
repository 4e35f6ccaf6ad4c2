#include "quenby/shell/frmmain.h"

#include "platform/fileexists.h"
#include "platform/makesound.h"
#include "quenby/link/familytable.h"
#include "quenby/link/frmopening.h"
#include "quenby/program.h"
#include "quenby/shell/coinreports.h"
#include "quenby/shell/frmvaltest.h"
#include "quenby/shell/settings.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>

namespace quenby {

namespace {
namespace id {
constexpr int MechList = 209;
constexpr int AlreadyRunning = 810;
constexpr int AlreadyRunningTitle = 811;
constexpr int LoadMain = 815;
constexpr int CoinAccepted = 819;
constexpr int G10CoinAccepted = 821;
constexpr int WriteConfig = 832;
constexpr int Timer2 = 833;
constexpr int Timer3 = 834;
constexpr int Sound = 835;
using textid::ClearingValtest;
} // namespace id

// The job buttons and model lists a running job locks, in the order the launchers lock them.
const char* const kMenuControls[] = {"cmdCCValTest", "cmdCCprog",     "cmdCCprom", "cmbCCmech",
                                     "cmdNRIvaltest", "cmdNRIprog",   "cmdNRIprom", "cmbNRImech",
                                     "cmdValtest",   "cmdMars",       "cmdPROMutilities", "cmbMarsMech"};
} // namespace

QLabel* artwork(QWidget* parent, int x, int y, int w, int h)
{
    // The places keep their names and sizes; no picture is drawn in them, so they show nothing,
    // not even a frame.
    auto* l = new QLabel(parent);
    l->setGeometry(x, y, w, h);
    return l;
}

void fillPortList(QComboBox* list)
{
    list->clear();
    for (int n = 1; n <= kPortCount; ++n)
        list->addItem(QStringLiteral("COM%1").arg(n));
}

frmMain::frmMain(Program& program)
    : Timer1(*program.svc.sched), Timer2(*program.svc.sched), Timer3(*program.svc.sched), p_(program)
{
    build();
    Timer3.setInterval(1000);
    Timer3.setEnabled(false);
    Timer1.onTick = [this] {
        p_.guard.handle(QStringLiteral("frmMain.Timer1_Timer : "), [this] { p_.link.Timer1_Timer(); });
    };
    Timer2.onTick = [this] { p_.guard.handle(QStringLiteral("frmMain.Timer2_Timer : "), [this] { Timer2_Timer(); }); };
    Timer3.onTick = [this] { p_.guard.handle(QStringLiteral("frmMain.Timer3_Timer : "), [this] { Timer3_Timer(); }); };
    p_.link.setMainView(&c_);
}

frmMain::~frmMain()
{
    stopTimers();
    p_.link.setMainView(nullptr);
}

void frmMain::stopTimers()
{
    Timer1.setEnabled(false);
    Timer2.setEnabled(false);
    Timer3.setEnabled(false);
}

void frmMain::build()
{
    setFixedSize(520, 420);
    auto button = [this](QWidget* parent, const char* name, int x, int y, int w, int h) {
        auto* b = c_.add(new QPushButton(parent), QString::fromLatin1(name));
        b->setGeometry(x, y, w, h);
        return b;
    };
    auto label = [this](QWidget* parent, const char* name, int x, int y, int w, int h) {
        auto* l = c_.add(new QLabel(parent), QString::fromLatin1(name));
        l->setGeometry(x, y, w, h);
        return l;
    };
    auto combo = [this](QWidget* parent, const char* name, int x, int y, int w) {
        auto* c = c_.add(new QComboBox(parent), QString::fromLatin1(name));
        c->setGeometry(x, y, w, 24);
        return c;
    };

    QLabel* title = label(this, "LabelTitle", 10, 8, 300, 24);
    QFont f = title->font();
    f.setPointSize(f.pointSize() + 6);
    f.setBold(true);
    title->setFont(f);
    c_.add(artwork(this, 420, 8, 90, 40), QStringLiteral("Picture1"));
    c_.add(artwork(this, 320, 8, 90, 40), QStringLiteral("Image1"));
    c_.add(artwork(this, 10, 340, 60, 60), QStringLiteral("Picture2"));
    c_.add(artwork(this, 80, 340, 60, 60), QStringLiteral("Picture3"));
    c_.add(artwork(this, 150, 340, 60, 60), QStringLiteral("Picture4"));

    // The tab control and the settings frame share one place; whichever is raised is on top.
    tabManufacturer = c_.add(new QTabWidget(this), QStringLiteral("tabManufacturer"));
    tabManufacturer->setGeometry(10, 56, 370, 270);
    struct Page {
        const char* model;
        const char* prog;
        const char* val;
        const char* prom;
        const char* title;
    };
    const Page pages[] = {
        {"cmbMarsMech", "cmdMars", "cmdValtest", "cmdPROMutilities", "Mars"},
        {"cmbCCmech", "cmdCCprog", "cmdCCValTest", "cmdCCprom", "Coin Controls"},
        {"cmbNRImech", "cmdNRIprog", "cmdNRIvaltest", "cmdNRIprom", "NRI"},
    };
    for (const Page& pg : pages) {
        auto* w = new QWidget;
        combo(w, pg.model, 20, 20, 160);
        button(w, pg.prog, 200, 20, 140, 40);
        button(w, pg.val, 200, 80, 140, 40);
        button(w, pg.prom, 200, 140, 140, 40);
        tabManufacturer->addTab(w, QString::fromLatin1(pg.title));
    }
    cmbMarsMech = c_.get<QComboBox>(QStringLiteral("cmbMarsMech"));
    cmbCCmech = c_.get<QComboBox>(QStringLiteral("cmbCCmech"));
    cmbNRImech = c_.get<QComboBox>(QStringLiteral("cmbNRImech"));

    // Drawn over the tab control, the frame must hide what lies beneath it, as a frame does.
    frmConfig = c_.add(new QGroupBox(this), QStringLiteral("frmConfig"));
    frmConfig->setGeometry(10, 56, 370, 270);
    frmConfig->setAutoFillBackground(true);
    label(frmConfig, "lblSerialPort", 20, 30, 120, 24)->setText(QStringLiteral("Serial Port"));
    ComboPort = combo(frmConfig, "ComboPort", 150, 30, 120);
    label(frmConfig, "Label5", 20, 70, 120, 24);
    cmbLanguage = combo(frmConfig, "cmbLanguage", 150, 70, 120);
    QPushButton* save = button(frmConfig, "cmdSaveConfig", 20, 200, 150, 36);
    cmdCancConfig = button(frmConfig, "cmdCancConfig", 190, 200, 150, 36);

    cmdConfig = button(this, "cmdConfig", 390, 220, 120, 40);
    QPushButton* exit = button(this, "cmdExit", 390, 280, 120, 40);
    label(this, "Label3", 230, 340, 190, 24);
    label(this, "lblVersion", 430, 340, 80, 24);
    label(this, "Label4", 230, 370, 190, 24);
    label(this, "lblProgrammer", 430, 370, 80, 24);

    plat::onClick(p_.guard, cmdConfig, [this] { cmdConfig_Click(); });
    plat::onClick(p_.guard, cmdCancConfig, [this] { cmdCancConfig_Click(); });
    plat::onClick(p_.guard, save, [this] { cmdSaveConfig_Click(); });
    plat::onClick(p_.guard, exit, [this] { cmdExit_Click(); });
    const std::pair<const char*, void (MenuJobs::*)()> jobs[] = {
        {"cmdMars", &MenuJobs::cmdMars_Click},
        {"cmdValtest", &MenuJobs::cmdValtest_Click},
        {"cmdPROMutilities", &MenuJobs::cmdPROMutilities_Click},
        {"cmdCCprog", &MenuJobs::cmdCCprog_Click},
        {"cmdCCValTest", &MenuJobs::cmdCCValTest_Click},
        {"cmdCCprom", &MenuJobs::cmdCCprom_Click},
        {"cmdNRIprog", &MenuJobs::cmdNRIprog_Click},
        {"cmdNRIvaltest", &MenuJobs::cmdNRIvaltest_Click},
        {"cmdNRIprom", &MenuJobs::cmdNRIprom_Click},
    };
    for (const auto& [name, job] : jobs)
        plat::onClick(p_.guard, c_.get<QPushButton>(QString::fromLatin1(name)),
                      plat::Job{[this, job] { (p_.jobs().*job)(); }});
}

void frmMain::fillMechLists()
{
    const std::pair<QComboBox*, Family> combos[] = {
        {cmbMarsMech, Family::Mars}, {cmbCCmech, Family::CC}, {cmbNRImech, Family::NRI}};
    for (const auto& [c, family] : combos) {
        p_.errors.trap(id::MechList, [&] {
            c->clear();
            c->addItems(modelList(family));
            c->setCurrentIndex(0);
        });
    }
}

void frmMain::Form_Load()
{
    plat::HandlerScope scope(p_.guard.depth());
    TextTable& texts = p_.texts;
    // 1. versionText is fixed at build time.
    // 2. One copy only, decided before any list is filled or the port is touched.
    if (p_.svc.env->anotherInstanceRunning()) {
        p_.errors.trap(id::LoadMain, [&] {
            p_.svc.dialogs->msgBox(texts.getText(id::AlreadyRunning), plat::mb::Critical,
                                   texts.getText(id::AlreadyRunningTitle));
        });
        p_.endProgram(1);
    }
    p_.errors.trap(id::LoadMain, [&] {
        fillPortList(ComboPort);
        ComboPort->setCurrentIndex(0);
    });
    fillMechLists();
    p_.errors.trap(id::LoadMain, [&] { cmbMarsMech->setCurrentIndex(1); });
    setWindowTitle(QStringLiteral("Quenby"));
    for (const char* shown : {"Picture1", "Image1", "LabelTitle", "tabManufacturer"})
        c_.setVisible(QString::fromLatin1(shown), true);
    for (const char* hidden : {"Picture2", "Picture3", "Picture4"})
        c_.setVisible(QString::fromLatin1(hidden), false);
    c_.setText(QStringLiteral("LabelTitle"), QStringLiteral("Halvard"));
    texts.textTableLoaded = false;
    p_.errors.trap(id::LoadMain, [&] { setCaptions(); });
    cmbLanguage->clear();
    cmbLanguage->addItems({QStringLiteral("English"), QStringLiteral("Deutsch"), QStringLiteral("Francais"),
                           QStringLiteral("Español")});
    cmbLanguage->setCurrentIndex(0);
    texts.languageName = cmbLanguage->currentText();
    p_.comPortNumber = 1;
    p_.memory.coins.coinValueMultiple = 1;
    p_.link.forgetPortOpen();

    frmConfig->setVisible(true);
    cmdCancConfig->setEnabled(false);
    p_.configLoaded = false;
    p_.errors.trap(id::LoadMain, [&] {
        const QString path = settingsPath(p_.programFolder());
        const bool exists = shared::fileExists(path, *p_.svc.dialogs, texts.fileExistsTexts(),
                                               [&](const std::exception& e) { p_.errors.reportError(id::LoadMain, e); });
        if (!exists)
            return;
        // A file that cannot be read is reported here, before the first-run wait.
        const std::optional<SettingsRecord> rec = readSettings(p_.programFolder());
        if (!rec)
            return; // a file without a record counts as missing
        frmConfig->setVisible(false);
        cmdCancConfig->setEnabled(true);
        p_.comPortNumber = rec->port;
        texts.languageName = rec->language;
        texts.loadLanguageFile(p_.programFolder(), *p_.svc.dialogs);
        p_.errors.trap(id::LoadMain, [&] { setCaptions(); });
        p_.configLoaded = true;
    });
    p_.errors.trap(id::LoadMain, [&] { ComboPort->setCurrentIndex(p_.comPortNumber - 1); });
    p_.debugView = false;
    c_.setText(QStringLiteral("lblVersion"), p_.versionText);
    Timer1.setInterval(20);
    Timer1.setEnabled(true);
    Timer2.setInterval(100);
    Timer2.setEnabled(true);

    if (!p_.configLoaded) {
        show();
        cmdConfig->setEnabled(false);
        while (!p_.configLoaded)
            p_.svc.sched->pump();
        cmdConfig->setEnabled(true);
    }
    setupMainForm();

    hide();
    p_.boxFound = false;
    p_.openingForm().Form_Load();
    while (!p_.boxFound)
        p_.svc.sched->pump();
    p_.check.checkBoxAndValidator(false);
    p_.link.sendAndWait("S");
    show();
}

void frmMain::setupMainForm()
{
    tabManufacturer->lower();
    frmConfig->raise();
    for (const char* name : kMenuControls)
        c_.setEnabled(QString::fromLatin1(name), true);
    p_.link.assumeLineMode();
    p_.memory.promSize = 0;
    p_.rangeLow1 = 2;
    p_.rangeHigh1 = 3000;
    p_.rangeLow2 = 2;
    p_.rangeHigh2 = 3000;
    p_.rangeLow3 = 2;
    p_.rangeHigh3 = 4000;
}

void frmMain::lockMenu()
{
    for (const char* name : kMenuControls)
        c_.setEnabled(QString::fromLatin1(name), false);
}

void frmMain::setCaptions()
{
    const TextTable& t = p_.texts;
    c_.setText(QStringLiteral("frmConfig"), t.getText(850));
    c_.setText(QStringLiteral("Label5"), t.getText(856));
    c_.setText(QStringLiteral("cmdSaveConfig"), t.getText(858));
    c_.setText(QStringLiteral("cmdCancConfig"), t.getText(859));
    c_.setText(QStringLiteral("cmdMars"), t.getText(860));
    c_.setText(QStringLiteral("cmdValtest"), t.getText(861));
    c_.setText(QStringLiteral("cmdPROMutilities"), t.getText(862));
    c_.setText(QStringLiteral("cmdCCprog"), t.getText(863));
    c_.setText(QStringLiteral("cmdCCValTest"), t.getText(864));
    c_.setText(QStringLiteral("cmdCCprom"), t.getText(865));
    c_.setText(QStringLiteral("cmdNRIprog"), t.getText(866));
    c_.setText(QStringLiteral("cmdNRIvaltest"), t.getText(867));
    c_.setText(QStringLiteral("cmdNRIprom"), t.getText(868));
    c_.setText(QStringLiteral("cmdExit"), t.getText(872));
    c_.setText(QStringLiteral("cmdConfig"), t.getText(874));
    c_.setText(QStringLiteral("Label3"), t.getText(875));
    c_.setText(QStringLiteral("Label4"), t.getText(876));
}

void frmMain::writeConfig(int port, const QString& language)
{
    if (auto err = writeSettings(p_.programFolder(), port, language, p_.link.replies().mechReply))
        p_.errors.reportError(id::WriteConfig, *err);
    cmdCancConfig->setEnabled(true);
}

void frmMain::writeShownConfig()
{
    p_.texts.languageName = cmbLanguage->currentText();
    writeConfig(ComboPort->currentIndex() + 1, p_.texts.languageName);
}

void frmMain::startupPort()
{
    const int index = ComboPort->currentIndex();
    p_.link.startupPort(index < 0 ? 1 : index + 1);
}

void frmMain::showPortChoice(int index) { ComboPort->setCurrentIndex(index); }

// ---- validator test reports and timers --------------------------------------------------------

void frmMain::makeSound(bool reject)
{
    shared::makeSound(reject, p_.programFolder(), *p_.svc.sound,
                      [this](const std::exception& e) { p_.errors.reportError(id::Sound, e); });
}

void frmMain::parseCoinAccepted(const QString& line)
{
    p_.errors.trap(id::CoinAccepted, [&] {
        // The test window is touched only while it is loaded; the sound plays in any case.
        frmValtest* w = p_.valtestIfLoaded();
        const QString variant = w ? w->g40Variant() : QString();
        const CoinReport r = decodeCoinReport(line, {p_.job.mechFamily, p_.job.mechModel, variant, p_.rejectLine});
        if (w)
            showCoinReport(w->controls(), r);
        if (r.restartHold)
            highlightHold = kHighlightHold;
        if (r.sound != ReportSound::None)
            makeSound(r.sound == ReportSound::Reject);
        if (r.me181Pulse) {
            p_.link.sendData(kMe181PulseOn);
            p_.link.delayMs(kMe181PulseMs);
            p_.link.sendData(kMe181PulseOff);
        }
    });
}

void frmMain::parseG10CoinAccepted(const QByteArray& report)
{
    p_.errors.trap(id::G10CoinAccepted, [&] {
        const std::optional<CoinReport> r = decodeG10Report(report);
        if (!r)
            return; // a report without its coin byte shows nothing
        frmValtest* w = p_.valtestIfLoaded();
        if (w)
            resetValtestIndicators(w->controls());
        makeSound(false); // before anything is lit
        w = p_.valtestIfLoaded();
        if (w)
            showCoinReport(w->controls(), *r);
        highlightHold = kHighlightHold;
    });
}

void frmMain::Timer2_Timer()
{
    p_.errors.trap(id::Timer2, [&] {
        if (!highlightTick(highlightHold))
            return;
        if (frmValtest* w = p_.valtestIfLoaded())
            p_.errors.trap(id::ClearingValtest, [&] { resetValtestIndicators(w->controls()); });
    });
}

void frmMain::Timer3_Timer()
{
    p_.errors.trap(id::Timer3, [&] { p_.measurement().keepAliveTick(); });
}

void frmMain::cmdConfig_Click()
{
    frmConfig->setVisible(true);
    tabManufacturer->lower();
    frmConfig->raise();
    cmbLanguage->setCurrentText(p_.texts.languageName);
}

void frmMain::cmdCancConfig_Click() { frmConfig->setVisible(false); }

void frmMain::cmdSaveConfig_Click()
{
    const int port = ComboPort->currentIndex() + 1;
    p_.texts.languageName = cmbLanguage->currentText();
    writeConfig(port, p_.texts.languageName);
    // Before the port was ever opened (the first run) the saved port is the one to open.
    if (!p_.state.portOpen)
        p_.comPortNumber = port;
    p_.texts.loadLanguageFile(p_.programFolder(), *p_.svc.dialogs);
    p_.errors.trap(id::LoadMain, [&] { setCaptions(); });
    frmConfig->setVisible(false);
    p_.configLoaded = true;
}

void frmMain::cmdExit_Click()
{
    // The program's end closes the port and every window on its way out.
    p_.requestExit();
}

void frmMain::closeEvent(QCloseEvent* e)
{
    // The close box ends the program like "Exit".
    e->ignore();
    p_.guard.handle(QStringLiteral("frmMain.Form_Unload : "), [this] { p_.requestExit(); });
}

} // namespace quenby
