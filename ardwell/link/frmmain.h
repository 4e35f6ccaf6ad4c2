#pragma once
// The second program's one window: main selection, configuration (model and port), the panels
// that the jobs show one at a time, the lamps the parser and the timers drive, and the window's
// life from start-up to shut-down.
//
// Controls are registered by name (and index, for control arrays) in controls(); the link and
// bench code reach them only through it, as a plat::View. The window's code is split by concern:
// start-up, model choice and shut-down (frmmain.cpp, their steps in MainForm), the controls
// (frmmaincontrols.cpp), timers and lamps (frmmaintimers.cpp).
//
// Every Qt handler runs through the program's job guard (an exception is reported with the
// handler's context and never leaves it). Jobs that wait for the box run as guarded jobs: while
// one runs another is refused, and "EXIT" or the close box are put off until it returns, so
// nothing unloads the window under it; while the mech is being written they are refused.

#include "ardwell/link/mainform.h"
#include "platform/gui/namedcontrols.h"
#include "platform/services.h"
#include "platform/timer.h"

#include <QString>
#include <QWidget>
#include <functional>

class QBoxLayout;

namespace plat {
class JobGuard;
}

namespace ardwell {

class AdjustPanel;
class Link;
class TestPanels;
class Program;
struct LinkState;

// The context texts the window's handlers report their errors with. Handlers that have no
// error trap of their own name themselves.
namespace ctx {
inline const QString Exit = QStringLiteral("Error Exit routine : ");
inline const QString PortCombo = QStringLiteral("Error Port Combo routine : ");
inline const QString LaunchProgramme = QStringLiteral("Error Launching Programme routine : ");
inline const QString LaunchTest = QStringLiteral("Error Launching Test routine : ");
inline const QString Adjust = QStringLiteral("Error in cmdAdjust_Click : ");
inline const QString ExitProgramme = QStringLiteral("Error in cmdExitProgramme_Click : ");
inline const QString CoinData = QStringLiteral("Error Collecting Coin Data routine : ");
inline const QString CancelOp = QStringLiteral("Error in cmdCancelOp_Click : ");
inline const QString ProgButton = QStringLiteral("Error Programming Mech button routine : ");
inline const QString CoinNumber = QStringLiteral("Error in cmbCoinNumber_Click : ");
inline const QString CoinValue = QStringLiteral("Error in txtCoinValueP_Change : ");
inline const QString ChangeCoin = QStringLiteral("Error in cmbChangeCoin_Click : ");
inline const QString Output = QStringLiteral("Error in cmbOutput_Click : ");
inline const QString Route = QStringLiteral("Error in cmbRoute_Change : ");
inline const QString DefaultRoute = QStringLiteral("Error in cmbDefaultRoute_Change : ");
inline const QString Loosen = QStringLiteral("Error in cmdLoosen_Click : ");
inline const QString Tighten = QStringLiteral("Error in CmdTighten_Click : ");
inline const QString ExitAdjust = QStringLiteral("Error in cmdExitAdjust_Click : ");
inline const QString CancelAdjust = QStringLiteral("Error in cmdCancelAdjust_Click : ");
inline const QString Save = QStringLiteral("Error Saving EEPROM routine : ");
inline const QString Load = QStringLiteral("Error Loading EEPROM File routine : ");
inline const QString ClearWindows = QStringLiteral("Error Clearing Coin Windows routine : ");
inline const QString Timer1 = QStringLiteral("Error Counting down timer 1 : ");
inline const QString Timer2 = QStringLiteral("Error Counting down timer 2 : ");
inline const QString Timer3 = QStringLiteral("Error in Timer3_Timer : ");
inline const QString Timer5 = QStringLiteral("Error in Timer5_Timer : ");
} // namespace ctx

class frmMain : public QWidget {
    Q_OBJECT
public:
    explicit frmMain(Program& program, QWidget* parent = nullptr);
    ~frmMain() override;

    // The window's controls by name: what the logic sees as its View.
    plat::NamedControls& controls() { return controls_; }
    const plat::NamedControls& controls() const { return controls_; }

    // ---- Start-up and shut-down ----
    // commandLine: the arguments after the program name, joined by blanks.
    void Form_Load(const QString& commandLine = {});
    void cmbPort_Click();
    // "EXIT": shut down now, or as soon as a running job has returned; refused with a box while
    // the mech is being written. The exit is called off when changes for the mech stay pending.
    void cmdExit_Click();
    // The close box; the same as "EXIT".
    void requestClose();
    // Ends the program, unless changes for the mech are to stay pending: then false.
    bool Form_Unload();
    // False when changes are still pending after it (their write failed).
    bool ExitAndWrite();
    // "Finish Programming": back to the main selection, unless the changes could not be written.
    void cmdExitProgramme_Click();

    // The job buttons run the program's mech jobs as guarded jobs.
    void cmdProgramme_Click();
    void cmdAdjust_Click();
    void cmdTest_Click();

    // Where the programme panel's lamp frame stands (twips), as the panel lays it out per model.
    void placeProgrammedFrame(int leftTwips, int widthTwips);

    // ---- Model selection and lists ----
    Model currentModel() const;
    void calcBinary();

    // ---- Timers and lamps ----
    void Timer1_Timer();
    void Timer2_Timer();
    void Timer3_Timer();
    void Timer5_Timer();
    plat::Timer& timer1() { return timer1_; }
    plat::Timer& timer2() { return timer2_; }
    plat::Timer& timer3() { return timer3_; }
    plat::Timer& timer5() { return timer5_; }

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    void buildControls();
    void buildHead(QBoxLayout* top);
    void buildSelection(QBoxLayout* top);
    void buildProgrammeFrame(QBoxLayout* top);
    void buildAdjustFrame(QBoxLayout* top);
    void buildTestFrame(QBoxLayout* top);
    void buildPcaTestFrame(QBoxLayout* top);
    void build340TestFrame(QBoxLayout* top);
    void buildFoot(QBoxLayout* top);
    void setUpTimers();
    AdjustPanel* adjustPanel();
    TestPanels& testPanels();
    // Runs fn; a std::exception goes to the common error box with this context, and the caller
    // goes on (plat::ProgramEnded is not one and passes through).
    void trap(const QString& context, const std::function<void()>& fn);
    void shutDown();
    Link& link();

    Program& p_;
    plat::Services svc_;
    LinkState& st_;
    plat::JobGuard& guard_;
    plat::NamedControls controls_{QStringLiteral("frmMain")};
    plat::View& v_ = controls_;

    plat::Timer timer1_;
    plat::Timer timer2_;
    plat::Timer timer3_;
    plat::Timer timer5_;
};

} // namespace ardwell
