#pragma once
// A window's Close (its button and its close box alike) run as a job: at once when nothing waits
// for the box, otherwise as soon as the job that waits has returned, so a window never goes from
// under a job that is reading or writing through it and the box gets its "W" after the job's.

#include "platform/jobguard.h"

#include <QString>
#include <functional>
#include <memory>

namespace quenby {

class CloseAfterJob {
public:
    CloseAfterJob(plat::JobGuard& guard, QString context, std::function<void()> close);
    ~CloseAfterJob();
    CloseAfterJob(const CloseAfterJob&) = delete;
    CloseAfterJob& operator=(const CloseAfterJob&) = delete;

    // Closes now, or once the running job has returned; a second request meanwhile adds nothing.
    void request();
    bool pending() const { return pending_; }

private:
    void whenIdle();

    plat::JobGuard& guard_;
    QString context_;
    std::function<void()> close_;
    bool pending_ = false;
    int listener_ = 0;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace quenby
