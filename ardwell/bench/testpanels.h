#pragma once
// The coin bench's test frames: which frame a model's test opens and how it looks on entry, how
// the 330/126 frame's interface options lay it out, the hopper test's count and run, the
// preparation of a 560 or PCA mech for the live test, and the frames' handlers (TestPanels).
// The layouts are plain data applied through the window's View; the output mask is read from the
// same controls (outputMask in lamps.h).

#include "ardwell/bench/models.h"
#include "platform/services.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <array>
#include <functional>
#include <optional>

namespace plat {
class JobGuard;
class Timer;
class View;
} // namespace plat

namespace ardwell {

class Link;

// The three test frames: frm340test (340), frmTest (330, 126), frmPCAtest (560, PCA).
QString frameName(TestFrame f);

// The options of frmTest's "Interface" frame, in this order: "10 way Ribbon", "16 way Ribbon",
// "Dual Polarity", "340 Creditor".
enum class TestInterface { TenWay, SixteenWay, DualPolarity, Creditor340 };
constexpr int kTestInterfaces = 4;
// Every entry to the 330/126 frame selects this option and runs its handler.
constexpr TestInterface kEntryInterface = TestInterface::DualPolarity;
// Whether choosing the option sends the output mask after the layout ("340 Creditor" only lays
// the frame out).
bool sendsMask(TestInterface i);

constexpr int kTestRows = 8; // frmTest's rows "Coin A".."Coin H" and "Inhibit 1".."Inhibit 8"

// What frmTest shows under one interface option.
struct TestLayout {
    std::array<bool, kTestRows> coinVisible{};    // shpCoin and lblCoin
    std::array<bool, kTestRows> inhibitVisible{}; // chkInhibit
    bool allInhibitVisible = false;               // chkAllInhibit
    bool binaryVisible = false;                   // chkBinary ("Binary Mode", model 126 only)
};
TestLayout displayTestSettings(Model m, TestInterface i);
// The option button of an interface: "opt10way", "opt16way", "optDualPolarity", "opt340test".
QString interfaceOption(TestInterface i);
// The first of the four options that is set, in the order above; none when none is.
std::optional<TestInterface> chosenInterface(const plat::View& v);
// Shows and hides frmTest's rows by the layout; the inhibit boxes and "ALL Inhibit" stay as they
// are when no option is set (layout none).
void showTestLayout(plat::View& v, const std::optional<TestLayout>& layout);

constexpr int kPcaRows = 16; // frmPCAtest's coin rows; a 560 shows the first 12

// How "Test Coin Mech" opens a model's frame.
struct TestEntry {
    TestFrame frame = TestFrame::Test330;
    QString caption;
    bool test340Active = false; // the parser hands "@" lines to the 340 frame
    // 560 and PCA power the mech with this line as it stands, without "%" first and without
    // the power pause; empty: mechPower(true).
    QByteArray directPowerLine;

    // frmTest: which interface options can be chosen.
    std::array<bool, kTestInterfaces> optionEnabled{};

    // frmPCAtest: rows 12..15 (lblAccCoin, shpLamp, lblAccCount) shown; the route labels of every
    // row are hidden on entry, though the parser goes on filling them.
    bool upperRowsVisible = false;
    bool routeLabelsVisible = false;
};
TestEntry testEntry(Model m);

// ---- Hopper test ----

// The count box as the hopper test reads it: the number its text begins with, rounded to a
// whole number with halves to even; 0 when it begins with none. A number beyond 32 bits raises
// RuntimeError 6 (Overflow): the test does not start and no pulse goes out.
qint32 hopperCountOf(const QString& text);

// A hopper test driven by Timer3 alone (2000 ms): each tick sends one pulse while pulses remain,
// and the tick that sends the last one ends the run. Whatever stops Timer3 ends the run with it.
class HopperRun {
public:
    // Starts a run of count pulses; false, and no run, when count is 0 or less.
    bool start(qint32 count);
    // One tick: true when it sends a pulse. After the tick that sends the last pulse (or finds
    // none left) running() is false and Timer3 goes off.
    bool tick();
    void stop();
    bool running() const { return running_; }
    qint32 hopperCount() const { return count_; } // pulses still to send

private:
    qint32 count_ = 0;
    bool running_ = false;
};

// ---- 560 / PCA ----

// What the mech answered to the four commands that prepare it for the live test.
struct MechPrepared {
    bool reInitialise = false;
    bool hiiEnable = false;
    bool hiiEnableAll = false;
    bool hiiAcceptAll = false;
};
// ReInitialise, HII Enable, HII Enable ALL and HII Accept ALL, in this order, each with its
// retries and its own message when the mech stays silent. The frame opens whatever they gave.
MechPrepared prepareMech(Link& link);

// ---- The frames' handlers ----

// What the test frames keep between their handlers and what the box's reports leave for them;
// one instance lives in the program object.
struct TestPanelState {
    // A coin's measurement values (elements 1..7 and 1..5), for the gathering run too.
    std::array<int, 8> coinReading{};
    std::array<int, 6> coinBaseline{};
    bool coinDataReceived = false;
    int lastAcceptedCoin = 0;    // 1-based, 0 = none
    int lampCountdown = 0;       // 100 ms ticks until the coin lamps are reset
    int statusLampCountdown = 0; // 500 ms ticks until the status lamps are cleared
    bool test340Active = false;  // "@" lines light the 340 frame

    HopperRun hopper;              // its hopperCount: pulses still to send
    int handlersRunning = 0;       // frame handlers on the stack, nested ones counted too
    bool leavePending = false;     // "End Testing" or "Exit" came while a frame handler waited
    QString leaveContext;          // the context of that leaving handler
    bool leaving = false;          // test mode is being left: the frames take no more clicks
    bool settingControls = false;  // the panel sets a control itself: its click handler stays out
};

// The handlers of the three test frames (the window wires its controls to them), working on the
// window through its View. Timer3 is the window's 2000 ms hopper timer.
class TestPanels {
public:
    TestPanels(Link& link, plat::View& view, TestPanelState& state, plat::Timer& timer3, plat::JobGuard& guard,
               const plat::Services& services);

    // "Test Coin Mech": powers the mech and opens the model's frame. For a 560 or PCA it returns
    // what the mech answered to the four commands that prepare it (the frame opens either way);
    // for the other models nothing was asked and every field is false.
    MechPrepared cmdTest_Click();

    // Runs one click of a test frame behind the window's exception barrier. The outermost runs
    // as a job, so EXIT and the close box wait for it; clicks that come while it waits run
    // inside it. A click while the panel sets a control itself, or while test mode is being
    // left, does nothing.
    void frameHandler(const QString& context, const std::function<void()>& fn);
    // "End Testing" (either) and "Exit": leaves test mode now, or as soon as the frame handlers
    // that wait have returned.
    void leaveHandler(const QString& context);

    // frmTest.
    void displayTestSettings();
    // opt10way_Click, opt16way_Click, optDualPolarity_Click (layout, then the mask) and
    // opt340test_Click (layout only).
    void interfaceClick(TestInterface i);
    void chkInhibit_Click(int index);
    void chkAllInhibit_Click();
    void chkBinary_Click();
    void chkHopper2_Click();
    void cmdStartHopper_Click();
    void Timer3_Timer();
    void cmdClearCoinCount_Click();
    // frm340test.
    void cmdDispense_Click(int index);
    void cmdExtCredit_Click();
    void cmdClear340_Click();
    // frmPCAtest.
    void cmdClearCounts_Click();
    // cmdExit340_Click and cmdFinishTest_Click: both leave test mode the same way.
    void leaveTestMode();

    // Timer3 off: the hopper run ends and "Start Hopper" can be pressed again. Whatever stops
    // the timer ("Hopper Drive" unticked, leaving test mode, EXIT) goes through here.
    void stopHopper();

private:
    plat::View& view() { return view_; }
    Model model() const;
    // The output mask of the frame's controls to the box.
    void sendOutputMask();
    void step(const std::function<void()>& fn);
    void startTimer3();
    void enterFrame(TestFrame f);
    void enter330();
    MechPrepared enterPca(Model m);
    // "&" twice, each after 100 ms, then one pump for what the box answers.
    void boxAmpTwice();
    void leaveIfPending();
    // Sets a control's value without its click handler running.
    void setQuietly(const QString& control, int value, int index = -1);

    Link& link_;
    plat::View& view_;
    TestPanelState& st_;
    plat::Timer& timer3_;
    plat::JobGuard& guard_;
    plat::Services svc_;
};

} // namespace ardwell
