#pragma once
// The window's side of the link. What the box reports for the test panels becomes lamps,
// counters and labels (showPanelEvent), whose countdowns the window's timers run down to put the
// lamps out again; and what the link asks of the window is read from its controls (the mech's
// bus addresses and model, the output mask). Each countdown goes down one step per tick and
// rests at 0 (plat::countDown).

#include "ardwell/bench/testpanels.h"
#include "ardwell/link/link.h"
#include "platform/timer.h"
#include "platform/view.h"

#include <QtGlobal>

namespace ardwell {

constexpr quint32 kLampWhite = 0xFFFFFF;

constexpr int kReplyTickMs = 20;       // Timer2: time base of every wait, 20 ms off per tick
constexpr int kStatusLampTickMs = 500; // Timer1: one status lamp tick off per tick
constexpr int kCoinLampTickMs = 100;   // Timer5: one coin lamp tick off per tick
constexpr int kHopperTickMs = 2000;    // Timer3: one hopper pulse per tick (off at start)

// Runs a wait countdown (in milliseconds) on timer, as the window's Timer2 does: for a link
// that works without the window (tests, benchmarks).
void runReplyCountdown(plat::Timer& timer, qint64& replyTimeoutMs);

// The 560/PCA test frame's 16 coin lamps and the reject lamp back to white, hidden ones too.
void resetLamps(plat::View& v);
// The 560/PCA counters and route labels emptied (empty text, not "0").
void clearCountLabels(plat::View& v);
// Enabled of the main selection buttons and Visible of the configuration frame.
void enableMainButtons(plat::View& v, bool b);

// The bus addresses in txtDestination and txtSource, read afresh, and the model chosen.
MechTarget mechTarget(const plat::View& v);
// The inhibit and output mask of the 330/126 test frame, from its options and check boxes.
int outputMask(const plat::View& v);
// lblRejectedReason's text for a reject reason code ("Unknown Reason" for codes not listed).
QString rejectReasonText(int code);

// The test panels as a report of the box leaves them; sounds and error boxes go through the link.
void showPanelEvent(const PanelEvent& e, plat::View& v, TestPanelState& st, Link& link);
// Timer1: the status and 340 lamps out when their countdown ends.
void statusLampTick(plat::View& v, TestPanelState& st);
// Timer5: the coin lamps out when their countdown ends.
void coinLampTick(plat::View& v, TestPanelState& st);

} // namespace ardwell
