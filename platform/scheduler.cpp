#include "platform/scheduler.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QSocketNotifier>
#include <algorithm>
#include <ctime>
#include <cerrno>
#include <cstdio>
#include <exception>
#include <stdexcept>
#include <system_error>
#include <utility>
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
    ClockCalls calls;
    struct Descriptor {
        int fd = -1;
        ~Descriptor()
        {
            if (fd >= 0)
                ::close(fd);
        }
    } timer;
    std::unique_ptr<QSocketNotifier> wake;
    CallbackQueue queue; // due in ns of the monotonic clock

    explicit Impl(ClockCalls c) : calls(c)
    {
        if (!calls.create)
            calls.create = ::timerfd_create;
        if (!calls.settime)
            calls.settime = ::timerfd_settime;
        timer.fd = calls.create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
        if (timer.fd < 0)
            throw std::system_error(errno, std::generic_category(),
                                    "The program's clock cannot start (timerfd_create)");
        wake = std::make_unique<QSocketNotifier>(qintptr(timer.fd), QSocketNotifier::Read);
        QObject::connect(wake.get(), &QSocketNotifier::activated, [this] { runDue(); });
    }

    qint64 armedFor = 0; // the due time the descriptor is set to; 0 when it is not set, -1 unknown

    void arm()
    {
        const qint64 due = queue.empty() ? 0 : queue.firstDue();
        if (due == armedFor)
            return;
        itimerspec t{};
        t.it_value = {time_t(due / 1'000'000'000), long(due % 1'000'000'000)};
        if (calls.settime(timer.fd, TFD_TIMER_ABSTIME, &t, nullptr) != 0) {
            armedFor = -1; // tried again at the next call or pump
            throw std::system_error(errno, std::generic_category(),
                                    "The program's clock cannot be set (timerfd_settime)");
        }
        armedFor = due;
    }
    int pumping = 0;               // pumps on the stack
    std::exception_ptr thrown;     // what a callback threw, for the pump that ran it

    void runDue()
    {
        // The descriptor stays readable until it is set again.
        armedFor = -1;
        // What a callback throws never travels through the event loop, which would leave this
        // descriptor's notifier marked as running and never wake a pump again: the rest wait
        // for the next wake, the descriptor is set for them, and the pump that ran the callback
        // throws it on to its caller.
        try {
            while (!queue.empty() && queue.firstDue() <= monotonicNs())
                queue.takeFirst()();
        } catch (...) {
            if (pumping > 0 && !thrown)
                thrown = std::current_exception();
            else if (pumping == 0)
                tellStdErr(std::current_exception());
        }
        try {
            arm();
        } catch (const std::exception&) {
            // The next pump sets it again first and says why it cannot.
        }
    }

    static void tellStdErr(const std::exception_ptr& e)
    {
        try {
            std::rethrow_exception(e);
        } catch (const std::exception& x) {
            std::fprintf(stderr, "A timed callback failed: %s\n", x.what());
        } catch (...) {
            std::fprintf(stderr, "A timed callback failed\n");
        }
    }
};

RealScheduler::RealScheduler(ClockCalls calls) : d(std::make_unique<Impl>(calls)) {}
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
    // A descriptor that could not be set wakes nobody: say so rather than block for ever.
    d->arm();
    // Blocks in the event dispatcher until something arrives; the time-limited overload would
    // busy-wait instead.
    struct Pumping {
        Impl& d;
        std::exception_ptr outer = std::exchange(d.thrown, nullptr); // a pump further out's
        explicit Pumping(Impl& i) : d(i) { ++d.pumping; }
        ~Pumping() { --d.pumping; }
        std::exception_ptr mine() { return std::exchange(d.thrown, outer); }
    } pumping(*d);
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    if (const std::exception_ptr e = pumping.mine())
        std::rethrow_exception(e);
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
