#pragma once
// What a simulated box keeps of its traffic for a test to assert on. A test keeps all of it; a
// box running inside a program for its user keeps only the newest records, so that a working
// day of coins does not pile up in memory.

#include <cstddef>
#include <iterator>

namespace sim {

// Records a box running inside a program keeps of each kind: the last few coins' traffic, to look
// at in a debugger; a working day stays within a few hundred kB.
constexpr std::size_t kRecordsInProgram = 512;

// With a limit (0: none), drops the oldest records once twice the limit are held, keeping the
// newest `limit`: one erase per `limit` records.
template <class Records>
void trimRecords(Records& records, std::size_t limit)
{
    const auto n = static_cast<std::size_t>(records.size());
    if (limit > 0 && n >= 2 * limit)
        records.erase(records.begin(), std::prev(records.end(), static_cast<std::ptrdiff_t>(limit)));
}

} // namespace sim
