#pragma once
// The simulators' random numbers: xorshift32, small, fast and the same on every platform, so a
// seed gives the same coins and key bytes everywhere.

#include <QtGlobal>

namespace sim {

// Advances state (which must not be 0) and returns its new value.
inline quint32 xorshift32(quint32& state)
{
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
}

} // namespace sim
