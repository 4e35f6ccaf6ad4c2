// The main window's life: building it, start-up (Form_Load), the port list, the job buttons,
// leaving programme mode and shut-down.
#include "ardwell/link/frmmain.h"

#include "ardwell/bench/benchstate.h"
#include "ardwell/bench/coinbench.h"
#include "ardwell/bench/lamps.h"
#include "ardwell/bench/testpanels.h"
#include "ardwell/link/link.h"
#include "ardwell/link/linkstate.h"
#include "ardwell/link/mechjobs.h"
#include "ardwell/link/settings.h"
#include "ardwell/program.h"
#include "platform/dialogs.h"
#include "platform/jobguard.h"
#include "platform/runtimeerror.h"
#include "platform/vbtext.h"

#include <QCloseEvent>

namespace ardwell {

QString versionText(int major, int minor, int revision)
{
    return QStringLiteral("V%1.%2%3").arg(major).arg(minor).arg(revision);
}

frmMain::frmMain(Program& program, QWidget* parent)
    : QWidget(parent), p_(program), svc_(program.services()), st_(program.state()), guard_(program.guard()),
      timer1_(*svc_.sched), timer2_(*svc_.sched), timer3_(*svc_.sched), timer5_(*svc_.sched)
{
    buildControls();
    setUpTimers();
}

frmMain::~frmMain() = default;

Link& frmMain::link() { return p_.link(); }

void frmMain::trap(const QString& context, const std::function<void()>& fn)
{
    plat::trap(fn, [&](const std::exception& e) { p_.showError(context, e); });
}

// ---------------------------------------------------------------------------------------------
// Jobs

void frmMain::cmdProgramme_Click()
{
    guard_.runJob(ctx::LaunchProgramme, [this] { p_.jobs().programmeJob(); });
}

void frmMain::cmdAdjust_Click()
{
    guard_.runJob(ctx::Adjust, [this] { p_.jobs().adjustJob(); });
}

void frmMain::cmdTest_Click()
{
    guard_.runJob(ctx::LaunchTest, [this] {
        p_.jobs().testJob();
        // A test that found no port (it has said so) does not stay open on it.
        if (guard_.jobStopped())
            testPanels().leaveTestMode();
    });
}

// ---------------------------------------------------------------------------------------------
// Start-up

void frmMain::Form_Load(const QString& commandLine)
{
    // The second copy was refused by the program object before this window showed.
    // The box dialogue below waits; EXIT and the close box wait for it to end.
    guard_.runJob(ctx::FormLoad, [&] {
        trap(ctx::FormLoad, [&] {
            v_.setEnabled(QStringLiteral("cmdProgramme"), false);
            v_.setEnabled(QStringLiteral("cmdAdjust"), false);
            v_.setEnabled(QStringLiteral("cmdTest"), false);
            p_.testPanel().lampCountdown = 0;
            windowTitle_ = QStringLiteral("Ardwell");
            v_.setText(QStringLiteral("lblSWversion"), versionText(kVersionMajor, kVersionMinor, kVersionRevision));
        });
        trap(ctx::FormLoad, [&] {
            p_.testPanel().test340Active = false;
            p_.coinBench().eeprom().mechSerialNumber.clear();
            v_.setVisible(QStringLiteral("frmMain1"), true);
            for (const char* f : kJobPanels)
                v_.setVisible(QString::fromLatin1(f), false);
            st_.boxAnswered = false;
            st_.boxVersionReceived = false;
        });
        trap(ctx::FormLoad, [&] {
            // The coin data log is offered only to a program started with the trace word.
            const QString firstWord = commandLine.split(QLatin1Char(' '), Qt::SkipEmptyParts).value(0);
            traceWordGiven_ = firstWord == QLatin1String("KOLVAR_TRACE_604913");
            v_.setVisible(QStringLiteral("chkLogging"), traceWordGiven_);
        });
        trap(ctx::FormLoad, [&] {
            v_.setVisible(QStringLiteral("lblProgress"), false);
            v_.setVisible(QStringLiteral("prgProg"), false);
            p_.coinBench().eeprom().imageModified = false;
            formLoading_ = true;
            QStringList ports;
            for (int i = kMinPort; i <= kMaxPort; ++i)
                ports << QString::number(i);
            v_.setItems(QStringLiteral("cmbPort"), ports);
            v_.setValue(QStringLiteral("cmbPort"), 0);
        });
        trap(ctx::FormLoad, [&] {
            buildLists();
            st_.mechLoggedOn = false;
            v_.setText(QStringLiteral("txtSource"), QStringLiteral("61"));
            v_.setText(QStringLiteral("txtDestination"), QStringLiteral("FF"));
            v_.setText(QStringLiteral("txtStartAddress"), QStringLiteral("00"));
            v_.setText(QStringLiteral("TxtEndAddress"), QStringLiteral("FF"));
            st_.commPortNumber = 1;
        });

        bool settingsRead = false;
        Model model = Model::M330;
        trap(ctx::FormLoad, [&] {
            const QString path = configPath(svc_.env->programFolder());
            if (!link().fileExists(path))
                return;
            const ConfigRecord rec = readConfig(path);
            if (rec.state == ConfigRecord::State::Unreadable)
                throw plat::pathFileAccessError();
            if (!rec.read())
                return;
            settingsRead = true;
            st_.commPortNumber = rec.port;
            v_.setText(QStringLiteral("cmbPort"), QString::number(rec.port));
            model = rec.model;
            if (rec.modelFieldMissing)
                throw plat::RuntimeError(62, QStringLiteral("Input past end of file"));
        });
        formLoading_ = false;

        if (settingsRead) {
            st_.portOpen = false;
            link().startupPort();
        }

        trap(ctx::FormLoad, [&] {
            for (int i = 0; i < 8; ++i)
                v_.setText(QStringLiteral("lblTestCount"), QStringLiteral("0"), i);
            p_.testPanel().lampCountdown = 0;
            for (int i = 0; i < 16; ++i)
                v_.setText(QStringLiteral("lblAccCoin"), QStringLiteral("Coin") + QString::number(i + 1), i);
            ardwell::resetLamps(v_);
            ardwell::clearCountLabels(v_);
        });
        trap(ctx::FormLoad, [&] {
            v_.setValue(QStringLiteral("cmbCoinCount"), 2);
            v_.setText(QStringLiteral("lblCoinCount"), QString());
            v_.setValue(QStringLiteral("chkLogging"), 0);
            setWindowTitle(windowCaption(windowTitle_, Model::M330));
        });
        trap(ctx::FormLoad, [&] { v_.setValue(optionName(model), 1); });

        trap(ctx::FormLoad, [&] {
            if (!st_.portOpen)
                return;
            link().boxCmdBar();
            link().boxCmdPercent();
            link().boxCmdBar();
            if (link().identifyBox()) {
                v_.setEnabled(QStringLiteral("cmdProgramme"), true);
                v_.setEnabled(QStringLiteral("cmdAdjust"), true);
                v_.setEnabled(QStringLiteral("cmdTest"), true);
                link().boxCmdBar();
                link().boxCmdIdentify();
            } else {
                svc_.dialogs->msgBox(QStringLiteral("Ardwell box not communicating\r\n\r\n"
                                                    "Check cables, connections, power and COM port setting"),
                                     plat::mb::Critical | plat::mb::OKOnly, QStringLiteral("Error"));
            }
        });
        p_.coinBench().eeprom().imageModified = false;
    });
}

void frmMain::cmbPort_Click()
{
    trap(ctx::PortCombo, [&] {
        const QString t = v_.text(QStringLiteral("cmbPort"));
        if (t.isEmpty())
            return; // the list is being refilled
        st_.commPortNumber = plat::cLng(plat::val(t));
        if (!formLoading_)
            svc_.dialogs->msgBox(QStringLiteral("COM Port changed\r\n\r\nPlease Exit and Restart Ardwell"),
                                 plat::mb::OKOnly, QString());
    });
}

// ---------------------------------------------------------------------------------------------
// Shut-down

void frmMain::cmdExit_Click()
{
    // A gathering run waiting for coins stops at once: the exit does not sit out its waits.
    if (guard_.jobRunning())
        p_.bench().abortFlag = true;
    guard_.requestExit([this] { shutDown(); });
}

void frmMain::requestClose() { cmdExit_Click(); }

void frmMain::closeEvent(QCloseEvent* e)
{
    // The window goes only by ending the program, never from under a running handler.
    e->ignore();
    guard_.handle(ctx::FormUnload, [this] { requestClose(); });
}

void frmMain::shutDown()
{
    // A hopper test ends with the program: no pulse after EXIT.
    trap(ctx::Exit, [&] { testPanels().stopHopper(); });
    trap(ctx::Exit, [&] { Form_Unload(); });
    svc_.env->endProgram(0);
}

void frmMain::Form_Unload()
{
    trap(ctx::FormUnload, [&] {
        if (st_.portOpen)
            ExitAndWrite();
    });
    trap(ctx::FormUnload, [&] {
        QString why;
        if (!writeConfig(configPath(svc_.env->programFolder()), st_.commPortNumber, currentModel(), &why))
            throw plat::pathFileAccessError();
    });
    hide();
    svc_.env->endProgram(0);
}

void frmMain::ExitAndWrite()
{
    bool written = true;
    trap(ctx::ExitAndWrite, [&] {
        st_.commsError = false;
        link().sendData("%\r");
        link().boxCmdPercent();
    });
    trap(ctx::ExitAndWrite, [&] {
        if (!p_.coinBench().eeprom().imageModified)
            return;
        const int answer = svc_.dialogs->msgBox(QStringLiteral("Write New Data To Coin Mech"),
                                                plat::mb::YesNo | plat::mb::Exclamation,
                                                QStringLiteral("Confirm Action"));
        if (answer != plat::mb::Yes)
            return;
        p_.jobs().readMechSerialNumber();
        p_.jobs().enableProgrammeControls(false);
        p_.jobs().cmdProg_Click();
        written = p_.coinBench().eeprom().lastWrite() == WriteResult::Written;
    });
    trap(ctx::ExitAndWrite, [&] {
        // A write that stopped is as much a failure as a read reply that failed its checks.
        if (!st_.commsError && written) {
            p_.coinBench().eeprom().imageModified = false;
            v_.setVisible(QStringLiteral("frmProgramme"), false);
            v_.setVisible(QStringLiteral("frmMain1"), true);
        } else {
            // The write failed: the changes stay pending in programme mode.
            p_.coinBench().eeprom().imageModified = true;
            p_.jobs().enableProgrammeControls(true);
        }
    });
}

void frmMain::cmdExitProgramme_Click()
{
    guard_.runJob(ctx::ExitProgramme, [&] {
        ExitAndWrite();
        link().mechPower(false);
        enableMainButtons(v_, true);
        v_.setVisible(QStringLiteral("lblSerNo"), false);
        v_.setVisible(QStringLiteral("lblSN"), false);
        v_.setVisible(QStringLiteral("frmMain1"), true);
    });
}

} // namespace ardwell
