#pragma once
// The countdowns that the window's timers run down, and the idle look of the coin bench's lamps
// and counters. The parser lights lamps and sets the countdowns; these put them out again.
// Each countdown goes down one step per tick and rests at 0 (plat::countDown).

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

} // namespace ardwell
