#include "quenby/shell/frmmain.h"

#include "quenby/link/catalogue.h"
#include "quenby/link/frmopening.h"
#include "quenby/program.h"
#include "quenby/shell/fileexists.h"
#include "quenby/shell/settings.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>

namespace quenby {

namespace {
constexpr int kPortCount = 30;

namespace id {
constexpr int FileDiskNotReady = 201;
constexpr int FileUnexpected = 203;
constexpr int FileOccurred = 204;
constexpr int MechList = 209;
constexpr int AlreadyRunning = 810;
constexpr int AlreadyRunningTitle = 811;
constexpr int LoadMain = 815;
constexpr int WriteConfig = 832;
} // namespace id

QPushButton* button(QWidget* parent, int x, int y, int w, int h)
{
    auto* b = new QPushButton(parent);
    b->setGeometry(x, y, w, h);
    return b;
}

QLabel* label(QWidget* parent, const QString& text, int x, int y, int w, int h)
{
    auto* l = new QLabel(text, parent);
    l->setGeometry(x, y, w, h);
    return l;
}

QComboBox* combo(QWidget* parent, int x, int y, int w)
{
    auto* c = new QComboBox(parent);
    c->setGeometry(x, y, w, 24);
    return c;
}

QLabel* artwork(QWidget* parent, int x, int y, int w, int h)
{
    auto* l = label(parent, {}, x, y, w, h);
    l->setFrameShape(QFrame::StyledPanel);
    return l;
}
} // namespace

frmMain::frmMain(Program& program) : Timer1(*program.svc.sched), Timer2(*program.svc.sched), p_(program)
{
    build();
    Timer1.onTick = [this] { p_.link.Timer1_Timer(); };
    p_.link.showBoxVersion = [this](const QString& v) { lblProgrammer->setText(v); };
}

frmMain::~frmMain()
{
    Timer1.setEnabled(false);
    Timer2.setEnabled(false);
    p_.link.showBoxVersion = nullptr;
}

void frmMain::build()
{
    setFixedSize(520, 420);

    LabelTitle = label(this, {}, 10, 8, 300, 24);
    QFont f = LabelTitle->font();
    f.setPointSize(f.pointSize() + 6);
    f.setBold(true);
    LabelTitle->setFont(f);
    Picture1 = artwork(this, 420, 8, 90, 40);
    Image1 = artwork(this, 320, 8, 90, 40);
    Picture2 = artwork(this, 10, 340, 60, 60);
    Picture3 = artwork(this, 80, 340, 60, 60);
    Picture4 = artwork(this, 150, 340, 60, 60);

    // The tab control and the settings frame share one place; whichever is raised is on top.
    tabManufacturer = new QTabWidget(this);
    tabManufacturer->setGeometry(10, 56, 370, 270);
    struct Page {
        QComboBox** model;
        QPushButton** prog;
        QPushButton** val;
        QPushButton** prom;
        const char* title;
    };
    const Page pages[] = {
        {&cmbMarsMech, &cmdMars, &cmdValtest, &cmdPROMutilities, "Mars"},
        {&cmbCCmech, &cmdCCprog, &cmdCCValTest, &cmdCCprom, "Coin Controls"},
        {&cmbNRImech, &cmdNRIprog, &cmdNRIvaltest, &cmdNRIprom, "NRI"},
    };
    for (const Page& pg : pages) {
        auto* w = new QWidget;
        *pg.model = combo(w, 20, 20, 160);
        *pg.prog = button(w, 200, 20, 140, 40);
        *pg.val = button(w, 200, 80, 140, 40);
        *pg.prom = button(w, 200, 140, 140, 40);
        tabManufacturer->addTab(w, QString::fromLatin1(pg.title));
    }

    frmConfig = new QGroupBox(this);
    frmConfig->setGeometry(10, 56, 370, 270);
    lblSerialPort = label(frmConfig, QStringLiteral("Serial Port"), 20, 30, 120, 24);
    ComboPort = combo(frmConfig, 150, 30, 120);
    Label5 = label(frmConfig, {}, 20, 70, 120, 24);
    cmbLanguage = combo(frmConfig, 150, 70, 120);
    cmdSaveConfig = button(frmConfig, 20, 200, 150, 36);
    cmdCancConfig = button(frmConfig, 190, 200, 150, 36);

    cmdConfig = button(this, 390, 220, 120, 40);
    cmdExit = button(this, 390, 280, 120, 40);
    Label3 = label(this, {}, 230, 340, 190, 24);
    lblVersion = label(this, {}, 430, 340, 80, 24);
    Label4 = label(this, {}, 230, 370, 190, 24);
    lblProgrammer = label(this, {}, 430, 370, 80, 24);

    connectButton(cmdConfig, [this] { cmdConfig_Click(); });
    connectButton(cmdCancConfig, [this] { cmdCancConfig_Click(); });
    connectButton(cmdSaveConfig, [this] { cmdSaveConfig_Click(); });
    connectButton(cmdExit, [this] { cmdExit_Click(); });
    connectJob(cmdMars, &cmdMars_Click);
    connectJob(cmdValtest, &cmdValtest_Click);
    connectJob(cmdPROMutilities, &cmdPROMutilities_Click);
    connectJob(cmdCCprog, &cmdCCprog_Click);
    connectJob(cmdCCValTest, &cmdCCValTest_Click);
    connectJob(cmdCCprom, &cmdCCprom_Click);
    connectJob(cmdNRIprog, &cmdNRIprog_Click);
    connectJob(cmdNRIvaltest, &cmdNRIvaltest_Click);
    connectJob(cmdNRIprom, &cmdNRIprom_Click);
}

void frmMain::connectButton(QPushButton* b, std::function<void()> fn)
{
    QObject::connect(b, &QPushButton::clicked, b, [this, fn = std::move(fn)] { p_.handle(fn); });
}

void frmMain::connectJob(QPushButton* b, std::function<void()>* handler)
{
    connectButton(b, [this, handler] {
        if (!*handler)
            return;
        Program::JobScope job(p_);
        if (job)
            (*handler)();
    });
}

void frmMain::trap(int textId, const std::function<void()>& fn)
{
    try {
        fn();
    } catch (const std::exception& e) {
        p_.errors.reportError(textId, e);
    }
}

void frmMain::fillMechLists()
{
    const MechLists lists = mechLists();
    const std::pair<QComboBox*, const QStringList*> combos[] = {
        {cmbMarsMech, &lists.mars}, {cmbCCmech, &lists.cc}, {cmbNRImech, &lists.nri}};
    for (const auto& [c, items] : combos) {
        trap(id::MechList, [&] {
            c->clear();
            c->addItems(*items);
            c->setCurrentIndex(0);
        });
    }
}

void frmMain::Form_Load()
{
    plat::HandlerScope scope(p_.handlers);
    TextTable& texts = p_.texts;
    // 1. versionText is fixed at build time.
    // 2. One copy only, decided before any list is filled or the port is touched.
    if (p_.svc.env->anotherInstanceRunning()) {
        trap(id::LoadMain, [&] {
            p_.svc.dialogs->msgBox(texts.getText(id::AlreadyRunning), plat::mb::Critical,
                                   texts.getText(id::AlreadyRunningTitle));
        });
        p_.endProgram(1);
    }
    trap(id::LoadMain, [&] {
        ComboPort->clear();
        for (int n = 1; n <= kPortCount; ++n)
            ComboPort->addItem(QStringLiteral("COM%1").arg(n));
        ComboPort->setCurrentIndex(0);
    });
    fillMechLists();
    trap(id::LoadMain, [&] { cmbMarsMech->setCurrentIndex(1); });
    setWindowTitle(QStringLiteral("Quenby"));
    Picture1->setVisible(true);
    Image1->setVisible(true);
    LabelTitle->setVisible(true);
    tabManufacturer->setVisible(true);
    Picture2->setVisible(false);
    Picture3->setVisible(false);
    Picture4->setVisible(false);
    LabelTitle->setText(QStringLiteral("Halvard"));
    texts.textTableLoaded = false;
    trap(id::LoadMain, [&] { setCaptions(); });
    cmbLanguage->clear();
    cmbLanguage->addItems({QStringLiteral("English"), QStringLiteral("Deutsch"), QStringLiteral("Francais"),
                           QStringLiteral("Español")});
    cmbLanguage->setCurrentIndex(0);
    texts.languageName = cmbLanguage->currentText();
    p_.comPortNumber = 1;
    p_.link.portOpen = false;

    frmConfig->setVisible(true);
    cmdCancConfig->setEnabled(false);
    p_.configLoaded = false;
    trap(id::LoadMain, [&] {
        const QString path = settingsPath(p_.programFolder());
        shared::FileExistsTexts ft;
        ft.diskNotReady = texts.getText(id::FileDiskNotReady);
        ft.unexpectedError = texts.getText(id::FileUnexpected);
        ft.occurred = texts.getText(id::FileOccurred);
        const bool exists = shared::fileExists(path, *p_.svc.dialogs, ft,
                                               [&](const std::exception& e) { p_.errors.reportError(id::LoadMain, e); });
        if (!exists)
            return;
        const std::optional<SettingsRecord> rec = readSettings(p_.programFolder());
        if (!rec)
            return; // a file without a record counts as missing
        frmConfig->setVisible(false);
        cmdCancConfig->setEnabled(true);
        p_.comPortNumber = rec->port;
        texts.languageName = rec->language;
        texts.loadLanguageFile(p_.programFolder(), *p_.svc.dialogs);
        trap(id::LoadMain, [&] { setCaptions(); });
        p_.configLoaded = true;
    });
    trap(id::LoadMain, [&] { ComboPort->setCurrentIndex(p_.comPortNumber - 1); });
    p_.debugView = false;
    lblVersion->setText(p_.versionText);
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
    for (QWidget* w : std::initializer_list<QWidget*>{cmdCCValTest, cmdCCprog, cmdCCprom, cmbCCmech, cmdNRIvaltest,
                                                      cmdNRIprog, cmdNRIprom, cmbNRImech, cmdValtest, cmdMars,
                                                      cmdPROMutilities, cmbMarsMech})
        w->setEnabled(true);
    p_.link.passThrough = false;
    p_.promSize = 0;
    p_.rangeLow1 = 2;
    p_.rangeHigh1 = 3000;
    p_.rangeLow2 = 2;
    p_.rangeHigh2 = 3000;
    p_.rangeLow3 = 2;
    p_.rangeHigh3 = 4000;
}

void frmMain::setCaptions()
{
    const TextTable& t = p_.texts;
    frmConfig->setTitle(t.getText(850));
    Label5->setText(t.getText(856));
    cmdSaveConfig->setText(t.getText(858));
    cmdCancConfig->setText(t.getText(859));
    cmdMars->setText(t.getText(860));
    cmdValtest->setText(t.getText(861));
    cmdPROMutilities->setText(t.getText(862));
    cmdCCprog->setText(t.getText(863));
    cmdCCValTest->setText(t.getText(864));
    cmdCCprom->setText(t.getText(865));
    cmdNRIprog->setText(t.getText(866));
    cmdNRIvaltest->setText(t.getText(867));
    cmdNRIprom->setText(t.getText(868));
    cmdExit->setText(t.getText(872));
    cmdConfig->setText(t.getText(874));
    Label3->setText(t.getText(875));
    Label4->setText(t.getText(876));
}

void frmMain::writeConfig(int port, const QString& language)
{
    if (auto err = writeSettings(p_.programFolder(), port, language, p_.link.mechReply))
        p_.errors.reportError(id::WriteConfig, *err);
    cmdCancConfig->setEnabled(true);
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
    if (!p_.link.portOpen)
        p_.comPortNumber = port;
    p_.texts.loadLanguageFile(p_.programFolder(), *p_.svc.dialogs);
    trap(id::LoadMain, [&] { setCaptions(); });
    frmConfig->setVisible(false);
    p_.configLoaded = true;
}

void frmMain::cmdExit_Click()
{
    // endProgram closes the port and every window on its way out.
    p_.endProgram(0);
}

void frmMain::closeEvent(QCloseEvent* e)
{
    // The close box ends the program like "Exit", from outside Qt's event code.
    e->ignore();
    p_.later([&p = p_] { p.endProgram(0); });
}

} // namespace quenby
