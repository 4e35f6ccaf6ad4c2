#pragma once
// One guard for every event handler and every job of a program.
//
// Handlers run inside other handlers' waits (a click while a job pumps, a tick, the receive
// event). Three rules keep that safe, the same in both programs:
// - every Qt handler runs through handle(): it is counted (a window is never destroyed under a
//   running handler) and nothing it throws reaches Qt; a std::exception goes to the program's
//   error reporter with the handler's context;
// - a job (a handler that waits for the box) runs through runJob(): while one waits, a second is
//   refused;
// - ending the program (EXIT, the close box) while a job waits is put off until the job returns.

#include "platform/dialogs.h"
#include "platform/scheduler.h"

#include <QString>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <set>

namespace plat {

// How many event handlers are running (nested) in one program.
class HandlerDepth {
public:
    HandlerDepth() = default;
    HandlerDepth(const HandlerDepth&) = delete;
    HandlerDepth& operator=(const HandlerDepth&) = delete;

    int depth() const { return depth_; }
    // Called each time the depth drops back to 0.
    int addIdleListener(std::function<void()> fn);
    void removeIdleListener(int id);

private:
    friend class HandlerScope;
    void enter() { ++depth_; }
    void leave();

    int depth_ = 0;
    int nextId_ = 1;
    std::map<int, std::function<void()>> listeners_;
};

// Counts one handler for as long as it lives.
class HandlerScope {
public:
    explicit HandlerScope(HandlerDepth& d) : d_(d) { d_.enter(); }
    ~HandlerScope() { d_.leave(); }
    HandlerScope(const HandlerScope&) = delete;
    HandlerScope& operator=(const HandlerScope&) = delete;

private:
    HandlerDepth& d_;
};

class JobGuard {
public:
    // report: the program's error reporter, given the handler's context text.
    using Reporter = std::function<void(const QString& context, const std::exception& e)>;

    JobGuard(Scheduler& sched, Reporter report);
    ~JobGuard();
    JobGuard(const JobGuard&) = delete;
    JobGuard& operator=(const JobGuard&) = delete;

    // Runs a Qt event handler. A std::exception is reported with `context` and goes no further.
    // The end of the program (plat::ProgramEnded, thrown only by a test environment) travels on
    // from the scheduler's next pump instead of through Qt's event code.
    void handle(const QString& context, const std::function<void()>& fn);
    void handle(const std::function<void()>& fn) { handle(QString(), fn); }
    // Runs fn as a handler from the next pump, unless the guard is gone by then.
    void later(std::function<void()> fn, const QString& context = {});

    // Runs job unless another job runs or the program is ending; false when refused. A
    // std::exception is reported with `context`. An exit asked for meanwhile runs afterwards.
    bool runJob(const QString& context, const std::function<void()>& job);
    bool runJob(const std::function<void()>& job) { return runJob(QString(), job); }
    // A Qt event handler that runs a job: handle() around runJob(), both under `context`;
    // `refused` runs when the job is refused.
    void handleJob(const QString& context, const std::function<void()>& job, const std::function<void()>& refused = {})
    {
        handle(context, [&] {
            if (!runJob(context, job) && refused)
                refused();
        });
    }
    bool jobRunning() const { return jobRunning_; }
    // The running job has lost what it works through (its port went away, which has been said
    // once): the rest of it runs to its end without sending, waiting or showing anything.
    // Cleared when the job returns; nothing happens when no job runs.
    void stopJob()
    {
        if (jobRunning_)
            jobStopped_ = true;
    }
    bool jobStopped() const { return jobStopped_; }
    // True the first time `key` is asked for in the running job (between jobs: since the last
    // one ended), so a report that every line of a flood would repeat is shown once.
    bool firstInJob(const QString& key) { return seenInJob_.insert(key).second; }

    // Asks to end the program: exitFn runs now, or when the running job has returned. Once the
    // program is ending, further requests (and jobs) are refused.
    void requestExit(std::function<void()> exitFn);
    bool exitPending() const { return static_cast<bool>(pendingExit_); }
    bool exiting() const { return exiting_; }
    // For an ending that does not go through requestExit (a fatal path of the start-up).
    void markExiting() { exiting_ = true; }
    // The exit under way did not end the program after all (what it had to do first failed, or
    // the user chose to stay): jobs and a later exit are heard again.
    void callOffExit() { exiting_ = false; }

    HandlerDepth& depth() { return depth_; }

private:
    void report(const QString& context, const std::exception& e);
    void runPendingExit();

    Scheduler& sched_;
    Reporter report_;
    HandlerDepth depth_;
    bool jobRunning_ = false;
    bool jobStopped_ = false;
    std::set<QString> seenInJob_;
    bool exiting_ = false;
    std::function<void()> pendingExit_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

// The program's dialogs as its handlers reach them: while the running job is stopped nothing more
// of it is shown. Its boxes are answered unseen with the answer that neither ends the program nor
// throws work away (OK, Yes; Cancel where the box offers to retry or to stop, Abort of
// Abort/Retry/Ignore); the job's own failure path then ends it. A question asked with askRisky
// (one whose OK or Yes would overwrite or destroy) is answered No or Cancel instead. Its file
// dialogs count as cancelled.
class JobDialogs : public Dialogs {
public:
    explicit JobDialogs(Dialogs* shown) : shown_(shown) {}
    // The guard whose stopped job is kept quiet (set once the program has made it).
    void setGuard(const JobGuard* guard) { guard_ = guard; }

    int msgBox(const QString& text, int style, const QString& title) override;
    int askRisky(const QString& text, int style, const QString& title) override;
    QString openFileName(const QString& title, const QString& filter, const QString& initialDir) override;
    QString saveFileName(const QString& title, const QString& filter, const QString& initialDir) override;

private:
    bool quiet() const { return guard_ && guard_->jobStopped(); }

    Dialogs* shown_;
    const JobGuard* guard_ = nullptr;
};

} // namespace plat
