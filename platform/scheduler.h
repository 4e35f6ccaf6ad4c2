#pragma once
// One clock and one wait primitive for the whole program.
//
// Every wait in both programs is "pump until a flag is set or a countdown runs out". The pump
// blocks until one event (a timer tick, serial input, a user action) has been handled, so a wait
// costs no CPU. Timers, the pump and the time of day all come from the same Scheduler, which lets
// tests swap in virtual time: there a pump with nothing due jumps the clock to the next event.

#include <QDateTime>
#include <QtGlobal>
#include <functional>
#include <map>
#include <memory>

struct itimerspec;

namespace plat {

using Millis = qint64;
using CallbackId = quint64;

class Scheduler {
public:
    virtual ~Scheduler() = default;

    // Monotonic milliseconds since an arbitrary start.
    virtual Millis nowMs() const = 0;
    // Local time of day (virtual in tests: start time plus elapsed virtual time).
    virtual QDateTime wallClock() const = 0;

    // Runs fn once, delayMs from now, from inside a later pump(). Returns an id for cancel().
    virtual CallbackId callAfter(Millis delayMs, std::function<void()> fn) = 0;
    virtual void cancel(CallbackId id) = 0;

    // Blocks until at least one event has been handled. Never spins.
    virtual void pump() = 0;

    // Pumps until pred() is true or timeoutMs of this clock has passed. Returns pred().
    // Convenience for code (the simulated box, tests) that is not bound to a program's countdown.
    bool pumpUntil(const std::function<bool()>& pred, Millis timeoutMs);
};

// Callbacks by due time; equal times run in the order they were scheduled.
class CallbackQueue {
public:
    CallbackId add(qint64 due, std::function<void()> fn);
    void remove(CallbackId id);
    bool empty() const { return byDue_.empty(); }
    qint64 firstDue() const { return byDue_.begin()->first.first; }
    std::function<void()> takeFirst();

private:
    CallbackId nextId_ = 1;
    std::map<std::pair<qint64, CallbackId>, std::function<void()>> byDue_;
};

// The system calls behind the real clock's timer descriptor (tests put failing ones in).
struct ClockCalls {
    int (*create)(int clockId, int flags) = nullptr;                            // timerfd_create
    int (*settime)(int fd, int flags, const itimerspec* value, itimerspec* old) = nullptr; // timerfd_settime
};

// The real clock: Qt's event loop, woken by a timer descriptor on the monotonic clock. A clock
// that cannot be made or set raises std::system_error (from the constructor, callAfter, cancel
// or pump) rather than leave a wait that never ends.
class RealScheduler : public Scheduler {
public:
    explicit RealScheduler(ClockCalls calls = {});
    ~RealScheduler() override;
    Millis nowMs() const override;
    QDateTime wallClock() const override;
    CallbackId callAfter(Millis delayMs, std::function<void()> fn) override;
    void cancel(CallbackId id) override;
    void pump() override;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

// Virtual time for tests. Nothing happens unless someone pumps; a pump runs the earliest due
// callback, moving the clock forward to it when it lies in the future. Posted Qt events (widget
// signals, deferred deletes) are also processed on each pump when a QCoreApplication exists.
class VirtualScheduler : public Scheduler {
public:
    explicit VirtualScheduler(QDateTime start = QDateTime(QDate(2026, 1, 5), QTime(10, 0, 0)));
    Millis nowMs() const override { return now_; }
    QDateTime wallClock() const override { return start_.addMSecs(now_); }
    CallbackId callAfter(Millis delayMs, std::function<void()> fn) override;
    void cancel(CallbackId id) override;
    void pump() override;

    // Guards against a test that would wait forever: pump() throws std::runtime_error once the
    // virtual clock passes this many ms (default: one virtual hour).
    void setLimitMs(Millis limit) { limit_ = limit; }
    // Runs every callback due up to now + ms (pumping); for tests that just let time pass.
    void advance(Millis ms);
    std::size_t pumps() const { return pumps_; }
    bool hasPending() const { return !queue_.empty(); }

private:
    QDateTime start_;
    Millis now_ = 0;
    Millis limit_ = 3600 * 1000;
    std::size_t pumps_ = 0;
    CallbackQueue queue_;
};

} // namespace plat
