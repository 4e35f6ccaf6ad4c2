#pragma once
// Reading a simulated port's transcript: when each send went out.

#include "sim/simport.h"

#include <QByteArray>
#include <vector>

namespace quenby_tests {

inline const QByteArray kBreak = "<BRK+><BRK->";
inline const QByteArray kEsc25(25, 0x1B);
inline const QByteArray kEsc20(20, 0x1B);
// resetProgrammerBox as the box sees it when it restarts.
inline const QByteArray kReset = kBreak + kEsc20;

// Times at which each send whose bytes equal `what` went out.
inline std::vector<plat::Millis> sentAt(const sim::SimPort& port, const QByteArray& what)
{
    std::vector<plat::Millis> out;
    for (const auto& e : port.transcript())
        if (e.kind == sim::TranscriptEntry::Sent && e.bytes == what)
            out.push_back(e.at);
    return out;
}

// The time from each of them to the next.
inline std::vector<plat::Millis> gaps(const std::vector<plat::Millis>& at)
{
    std::vector<plat::Millis> out;
    for (size_t i = 1; i < at.size(); ++i)
        out.push_back(at[i] - at[i - 1]);
    return out;
}

} // namespace quenby_tests
