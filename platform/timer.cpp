#include "platform/timer.h"

#include "platform/reentryguard.h"

namespace plat {

void Timer::setInterval(int ms)
{
    interval_ = qMax(0, ms);
    stop();
    if (enabled_)
        arm();
}

void Timer::setEnabled(bool on)
{
    if (on == enabled_)
        return;
    enabled_ = on;
    stop();
    if (enabled_)
        arm();
}

void Timer::arm()
{
    // An interval of 0 means the timer never fires, as with a window timer.
    if (interval_ > 0)
        pending_ = sched_.callAfter(interval_, [this] { fire(); });
}

void Timer::stop()
{
    if (pending_) {
        sched_.cancel(pending_);
        pending_ = 0;
    }
}

void Timer::fire()
{
    pending_ = 0;
    if (!enabled_)
        return;
    arm();
    // A tick handler that pumps must not see its own timer tick inside itself.
    const ReentryGuard guard(inTick_);
    if (guard && onTick)
        onTick();
}

} // namespace plat
