#pragma once
// The named faults of one simulated device: one sim::When per fault of an enum whose last
// entry is Count_, each counted over its own events.

#include "sim/when.h"

#include <array>
#include <cstddef>

namespace sim {

template <typename E>
class FaultSet {
public:
    void set(E fault, When when) { when_[index(fault)] = when; }
    // Counts one event of the fault; true when it strikes.
    bool strikes(E fault) { return when_[index(fault)].strikes(); }

private:
    static std::size_t index(E fault) { return static_cast<std::size_t>(fault); }
    std::array<When, static_cast<std::size_t>(E::Count_)> when_{};
};

} // namespace sim
