#pragma once
// The coin bench's test frames as plain data: which frame a model's test opens and how it looks
// on entry, how the 330/126 frame's interface options lay it out, the hopper test's count and
// run, and the preparation of a 560 or PCA mech for the live test. The window applies the data
// to its controls; the output mask itself is the link's (Link::outputMask, from the same
// controls).

#include "ardwell/bench/models.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <array>

namespace ardwell {

class Link;

// The three test frames: frm340test (340), frmTest (330, 126), frmPCAtest (560, PCA).
enum class TestFrame { Test340, Test330, TestPCA };
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

} // namespace ardwell
