#include "platform/scheduler.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QObject>
#include <QTimerEvent>
#include <stdexcept>

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

// ---- real time -------------------------------------------------------------------------------

struct RealScheduler::Impl : QObject {
    QElapsedTimer clock;
    CallbackId nextId = 1;
    struct Pending {
        CallbackId id;
        std::function<void()> fn;
    };
    std::map<int, Pending> byQtTimer;
    std::map<CallbackId, int> byId;

    void timerEvent(QTimerEvent* e) override
    {
        const int tid = e->timerId();
        killTimer(tid);
        auto it = byQtTimer.find(tid);
        if (it == byQtTimer.end())
            return;
        auto fn = std::move(it->second.fn);
        byId.erase(it->second.id);
        byQtTimer.erase(it);
        fn();
    }
};

RealScheduler::RealScheduler() : d(std::make_unique<Impl>()) { d->clock.start(); }
RealScheduler::~RealScheduler() = default;

Millis RealScheduler::nowMs() const { return d->clock.elapsed(); }
QDateTime RealScheduler::wallClock() const { return QDateTime::currentDateTime(); }

CallbackId RealScheduler::callAfter(Millis delayMs, std::function<void()> fn)
{
    const int tid = d->startTimer(std::chrono::milliseconds(qMax<Millis>(0, delayMs)), Qt::PreciseTimer);
    const CallbackId id = d->nextId++;
    d->byQtTimer[tid] = {id, std::move(fn)};
    d->byId[id] = tid;
    return id;
}

void RealScheduler::cancel(CallbackId id)
{
    auto it = d->byId.find(id);
    if (it == d->byId.end())
        return;
    d->killTimer(it->second);
    d->byQtTimer.erase(it->second);
    d->byId.erase(it);
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
    const CallbackId id = nextId_++;
    queue_[{now_ + qMax<Millis>(0, delayMs), id}] = std::move(fn);
    return id;
}

void VirtualScheduler::cancel(CallbackId id)
{
    for (auto it = queue_.begin(); it != queue_.end(); ++it) {
        if (it->first.second == id) {
            queue_.erase(it);
            return;
        }
    }
}

void VirtualScheduler::pump()
{
    ++pumps_;
    if (QCoreApplication::instance())
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    if (queue_.empty())
        throw std::runtime_error("pump with nothing scheduled: the program would wait forever");
    auto it = queue_.begin();
    if (it->first.first > now_)
        now_ = it->first.first;
    if (now_ > limit_)
        throw std::runtime_error("virtual clock passed its limit: a wait never ended");
    auto fn = std::move(it->second);
    queue_.erase(it);
    fn();
}

void VirtualScheduler::advance(Millis ms)
{
    const Millis end = now_ + ms;
    while (!queue_.empty() && queue_.begin()->first.first <= end)
        pump();
    now_ = qMax(now_, end);
}

} // namespace plat
