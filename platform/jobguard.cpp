#include "platform/jobguard.h"

#include "platform/appenv.h"

#include <cstdio>

namespace plat {

int HandlerDepth::addIdleListener(std::function<void()> fn)
{
    const int id = nextId_++;
    listeners_[id] = std::move(fn);
    return id;
}

void HandlerDepth::removeIdleListener(int id) { listeners_.erase(id); }

void HandlerDepth::leave()
{
    if (--depth_ > 0)
        return;
    depth_ = 0;
    // A listener may add or remove listeners: walk a copy.
    const auto listeners = listeners_;
    for (const auto& [id, fn] : listeners) {
        if (listeners_.count(id))
            fn();
    }
}

JobGuard::JobGuard(Scheduler& sched, Reporter report) : sched_(sched), report_(std::move(report)) {}

JobGuard::~JobGuard() { alive_.reset(); }

void JobGuard::report(const QString& context, const std::exception& e)
{
    if (!report_) {
        std::fprintf(stderr, "%s%s\n", context.toLocal8Bit().constData(), e.what());
        return;
    }
    try {
        report_(context, e);
    } catch (const std::exception& again) {
        // The reporter itself failed (a box that could not be shown): say so where it can be seen.
        std::fprintf(stderr, "%s%s (%s)\n", context.toLocal8Bit().constData(), e.what(), again.what());
    }
}

void JobGuard::handle(const QString& context, const std::function<void()>& fn)
{
    HandlerScope scope(depth_);
    try {
        fn();
    } catch (const ProgramEnded& ended) {
        sched_.callAfter(0, [ended] { throw ended; });
    } catch (const std::exception& e) {
        report(context, e);
    }
}

void JobGuard::later(std::function<void()> fn, const QString& context)
{
    std::weak_ptr<bool> alive = alive_;
    sched_.callAfter(0, [this, alive, fn = std::move(fn), context] {
        if (!alive.expired())
            handle(context, fn);
    });
}

bool JobGuard::runJob(const QString& context, const std::function<void()>& job)
{
    if (jobRunning_ || exiting_)
        return false;
    // A job starts and ends with nothing stopped and nothing seen; the end also holds when
    // something other than a std::exception leaves the job.
    const auto clear = [this](bool running) {
        jobRunning_ = running;
        jobStopped_ = false;
        seenInJob_.clear();
    };
    clear(true);
    struct Reset {
        const decltype(clear)& end;
        ~Reset() { end(false); }
    } reset{clear};
    try {
        if (job)
            job();
    } catch (const std::exception& e) {
        report(context, e);
    }
    clear(false);
    runPendingExit();
    return true;
}

void JobGuard::requestExit(std::function<void()> exitFn)
{
    if (exiting_ || pendingExit_)
        return;
    if (jobRunning_) {
        pendingExit_ = std::move(exitFn);
        return;
    }
    exiting_ = true;
    if (exitFn)
        exitFn();
}

void JobGuard::runPendingExit()
{
    if (!pendingExit_)
        return;
    auto fn = std::move(pendingExit_);
    pendingExit_ = nullptr;
    exiting_ = true;
    fn();
}

int JobDialogs::msgBox(const QString& text, int style, const QString& title)
{
    if (!quiet())
        return shown_->msgBox(text, style, title);
    switch (mb::buttonsOf(style)) {
    case mb::YesNo:
        return mb::Yes;
    case mb::YesNoCancel:
    case mb::RetryCancel:
        return mb::Cancel;
    case mb::AbortRetryIgnore:
        return mb::Abort;
    default:
        return mb::OK;
    }
}

int JobDialogs::askRisky(const QString& text, int style, const QString& title)
{
    if (!quiet())
        return shown_->askRisky(text, style, title);
    switch (mb::buttonsOf(style)) {
    case mb::YesNo:
        return mb::No;
    case mb::AbortRetryIgnore:
        return mb::Abort;
    case mb::OKOnly:
        return mb::OK;
    default:
        return mb::Cancel;
    }
}

QString JobDialogs::openFileName(const QString& title, const QString& filter, const QString& initialDir)
{
    return quiet() ? QString() : shown_->openFileName(title, filter, initialDir);
}

QString JobDialogs::saveFileName(const QString& title, const QString& filter, const QString& initialDir)
{
    return quiet() ? QString() : shown_->saveFileName(title, filter, initialDir);
}

} // namespace plat
