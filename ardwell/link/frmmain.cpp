// The main window's life: building it, start-up (Form_Load), model choice, the port list, the
// job buttons, leaving programme mode and shut-down.
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

namespace {
const QString kChangesKeptText =
    QStringLiteral("The changes were not written to the Coin mech\r\n\r\n"
                   "Programme mode stays open with the changes pending: write them again, "
                   "or Finish Programming and answer No to drop them");
const QString kBeingWrittenText =
    QStringLiteral("The Coin mech is being written\r\n\r\nEXIT when the write has ended");
} // namespace

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
// Start-up and model choice

Model frmMain::currentModel() const { return ardwell::currentModel(controls_); }

void frmMain::calcBinary() { p_.mainForm().calcBinary(); }

void frmMain::Form_Load(const QString& commandLine)
{
    // The second copy was refused by the program object before this window showed.
    // The box dialogue the start-up may show waits; EXIT and the close box wait for it to end.
    guard_.runJob(ctx::FormLoad, [&] { p_.mainForm().load(commandLine); });
}

void frmMain::cmbPort_Click()
{
    trap(ctx::PortCombo, [&] {
        const QString t = v_.text(QStringLiteral("cmbPort"));
        if (t.isEmpty())
            return; // the list is being refilled
        st_.commPortNumber = plat::cLng(plat::val(t));
        if (!p_.mainForm().loading())
            svc_.dialogs->msgBox(QStringLiteral("COM Port changed\r\n\r\nPlease Exit and Restart Ardwell"),
                                 plat::mb::OKOnly, QString());
    });
}

// ---------------------------------------------------------------------------------------------
// Shut-down

void frmMain::cmdExit_Click()
{
    // A write is never cut short, nor followed by the exit's own write of the same changes:
    // while one runs the way out is refused, each time, and nothing is kept for later.
    if (p_.coinBench().eeprom().writing()) {
        svc_.dialogs->msgBox(kBeingWrittenText, plat::mb::Exclamation | plat::mb::OKOnly, QStringLiteral("EXIT"));
        return;
    }
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
    bool ends = true;
    trap(ctx::Exit, [&] { ends = Form_Unload(); });
    if (!ends) {
        // The changes stay pending with their panel: the program goes on as before the exit.
        guard_.callOffExit();
        return;
    }
    svc_.env->endProgram(0);
}

bool frmMain::Form_Unload()
{
    bool ends = true;
    trap(ctx::FormUnload, [&] { ends = p_.mainForm().exitWithChanges(p_.jobs()); });
    // The settings are written when the program really ends.
    if (!ends)
        return false;
    trap(ctx::FormUnload, [&] {
        QString why;
        if (!writeConfig(configPath(svc_.env->programFolder()), st_.commPortNumber, currentModel(), &why))
            throw plat::RuntimeError(plat::err::PathFileAccess, why);
    });
    hide();
    svc_.env->endProgram(0);
    return true;
}

bool frmMain::ExitAndWrite() { return p_.mainForm().exitAndWrite(p_.jobs()); }

void frmMain::cmdExitProgramme_Click()
{
    guard_.runJob(ctx::ExitProgramme, [&] {
        if (!ExitAndWrite()) {
            // Changes for this mech would wait unseen behind the main selection, for any mech.
            svc_.dialogs->msgBox(kChangesKeptText, plat::mb::Exclamation | plat::mb::OKOnly,
                                 QStringLiteral("Finish Programming"));
            return;
        }
        link().mechPower(false);
        enableMainButtons(v_, true);
        v_.setVisible(QStringLiteral("lblSerNo"), false);
        v_.setVisible(QStringLiteral("lblSN"), false);
        v_.setVisible(QStringLiteral("frmMain1"), true);
    });
}

} // namespace ardwell
