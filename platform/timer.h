#pragma once
// A window timer as the programs use it: an interval, an enabled flag and a tick handler.
// Ticks are delivered from inside Scheduler::pump(), one at a time, never re-entrantly.

#include "platform/scheduler.h"

#include <type_traits>

namespace plat {

// One tick of a countdown that the programs' timers run down: a positive value drops by step and
// rests at 0; a negative one is set to 0. True on the tick that brought it to 0.
template <class T>
bool countDown(T& value, std::type_identity_t<T> step)
{
    if (value <= 0) {
        value = 0;
        return false;
    }
    value -= step;
    if (value < 0)
        value = 0;
    return value == 0;
}

class Timer {
public:
    explicit Timer(Scheduler& s) : sched_(s) {}
    ~Timer() { stop(); }
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    void setInterval(int ms);
    int interval() const { return interval_; }
    void setEnabled(bool on);
    bool enabled() const { return enabled_; }

    std::function<void()> onTick;

private:
    void arm();
    void stop();
    void fire();
    Scheduler& sched_;
    int interval_ = 0;
    bool enabled_ = false;
    bool inTick_ = false;
    CallbackId pending_ = 0;
};

} // namespace plat
