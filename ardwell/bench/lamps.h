#pragma once
// The countdowns that the window's timers run down, and the idle look of the coin bench's lamps
// and counters. The parser lights lamps and sets the countdowns; these put them out again.

#include "ardwell/link/view.h"

#include <QtGlobal>

namespace ardwell {

constexpr quint32 kLampWhite = 0xFFFFFF;

constexpr int kReplyTickMs = 20;       // Timer2: time base of every wait
constexpr int kStatusLampTickMs = 500; // Timer1
constexpr int kCoinLampTickMs = 100;   // Timer5

// One 20 ms tick of the wait countdown: 20 off while above 0, never left below 0.
template <typename T>
void tickReplyTimeout(T& ms)
{
    if (ms > 0)
        ms -= kReplyTickMs;
    if (ms < 0)
        ms = 0;
}

// One 500 ms tick of the status lamp countdown. True when the status and test lamps go out now.
bool tickStatusLampCountdown(qint32& ticks);

// One 100 ms tick of the coin lamp countdown. True when it has just gone from 1 to 0, i.e. the
// coin lamps go out now.
bool tickCoinLampCountdown(qint32& ticks);

// The 560/PCA test frame's 16 coin lamps and the reject lamp back to white, hidden ones too.
void resetLamps(View& v);
// The 560/PCA counters and route labels emptied (empty text, not "0").
void clearCountLabels(View& v);

} // namespace ardwell
