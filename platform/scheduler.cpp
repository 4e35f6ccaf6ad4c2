#include "platform/scheduler.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QSocketNotifier>
#include <algorithm>
#include <ctime>
#include <stdexcept>
#include <sys/timerfd.h>
#include <unistd.h>

namespace plat {

bool Scheduler::pumpUntil(const std::function<bool()>& pred, Millis timeoutMs)
{
    const Millis end = nowMs() + timeoutMs;
    // A wake-up at the deadline, so a real pump cannot sleep past it.
    const CallbackId wake = callAfter(timeoutMs, [] {});
    while (!pred() && nowMs() < end)
        pump();
    cancel(wake);
    return pred();
}

CallbackId CallbackQueue::add(qint64 due, std::function<void()> fn)
{
    const CallbackId id = nextId_++;
    byDue_[{due, id}] = std::move(fn);
    return id;
}

void CallbackQueue::remove(CallbackId id)
{
    const auto it = std::ranges::find_if(byDue_, [id](const auto& e) { return e.first.second == id; });
    if (it != byDue_.end())
        byDue_.erase(it);
}

std::function<void()> CallbackQueue::takeFirst()
{
    auto fn = std::move(byDue_.begin()->second);
    byDue_.erase(byDue_.begin());
    return fn;
}

// ---- real time -------------------------------------------------------------------------------

namespace {
qint64 monotonicNs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return qint64(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}
} // namespace

// A timer descriptor wakes the pump when the first callback is due, to the microsecond. Qt's own
// timers wake a blocked pump only whole milliseconds after it blocked, so each callback of a chain
// (the bytes of a reply) would run late by what the program spent before it.
struct RealScheduler::Impl {
    const qint64 startNs = monotonicNs();
    struct Descriptor {
        int fd = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
        ~Descriptor() { ::close(fd); }
    } timer;
    QSocketNotifier wake{qintptr(timer.fd), QSocketNotifier::Read};
    CallbackQueue queue; // due in ns of the monotonic clock

    Impl() { QObject::connect(&wake, &QSocketNotifier::activated, [this] { runDue(); }); }

    qint64 armedFor = 0; // the due time the descriptor is set to; 0 when it is not set

    void arm()
    {
        const qint64 due = queue.empty() ? 0 : queue.firstDue();
        if (due == armedFor)
            return;
        armedFor = due;
        itimerspec t{};
        t.it_value = {time_t(due / 1'000'000'000), long(due % 1'000'000'000)};
        timerfd_settime(timer.fd, TFD_TIMER_ABSTIME, &t, nullptr);
    }
    void runDue()
    {
        // The descriptor stays readable until it is set again.
        armedFor = -1;
        while (!queue.empty() && queue.firstDue() <= monotonicNs())
            queue.takeFirst()();
        arm();
    }
};

RealScheduler::RealScheduler() : d(std::make_unique<Impl>()) {}
RealScheduler::~RealScheduler() = default;

Millis RealScheduler::nowMs() const { return (monotonicNs() - d->startNs) / 1'000'000; }
QDateTime RealScheduler::wallClock() const { return QDateTime::currentDateTime(); }

CallbackId RealScheduler::callAfter(Millis delayMs, std::function<void()> fn)
{
    const CallbackId id = d->queue.add(monotonicNs() + qMax<Millis>(0, delayMs) * 1'000'000, std::move(fn));
    d->arm();
    return id;
}

void RealScheduler::cancel(CallbackId id)
{
    d->queue.remove(id);
    d->arm();
}

void RealScheduler::pump()
{
    // Blocks in the event dispatcher until something arrives; the time-limited overload would
    // busy-wait instead.
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

// ---- virtual time ----------------------------------------------------------------------------

VirtualScheduler::VirtualScheduler(QDateTime start) : start_(std::move(start)) {}

CallbackId VirtualScheduler::callAfter(Millis delayMs, std::function<void()> fn)
{
    return queue_.add(now_ + qMax<Millis>(0, delayMs), std::move(fn));
}

void VirtualScheduler::cancel(CallbackId id) { queue_.remove(id); }

void VirtualScheduler::pump()
{
    ++pumps_;
    if (QCoreApplication::instance())
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    if (queue_.empty())
        throw std::runtime_error("pump with nothing scheduled: the program would wait forever");
    now_ = qMax(now_, queue_.firstDue());
    if (now_ > limit_)
        throw std::runtime_error("virtual clock passed its limit: a wait never ended");
    queue_.takeFirst()();
}

void VirtualScheduler::advance(Millis ms)
{
    const Millis end = now_ + ms;
    while (!queue_.empty() && queue_.firstDue() <= end)
        pump();
    now_ = qMax(now_, end);
}

} // namespace plat
