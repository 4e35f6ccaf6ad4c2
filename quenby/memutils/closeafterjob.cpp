#include "quenby/memutils/closeafterjob.h"

namespace quenby {

CloseAfterJob::CloseAfterJob(plat::JobGuard& guard, QString context, std::function<void()> close)
    : guard_(guard), context_(std::move(context)), close_(std::move(close))
{
    listener_ = guard_.depth().addIdleListener([this] { whenIdle(); });
}

CloseAfterJob::~CloseAfterJob()
{
    alive_.reset();
    guard_.depth().removeIdleListener(listener_);
}

void CloseAfterJob::request()
{
    if (pending_)
        return;
    if (!guard_.runJob(context_, close_) && guard_.jobRunning())
        pending_ = true;
}

void CloseAfterJob::whenIdle()
{
    // Every handler has returned, the job's included: the close runs from the next pump, as a
    // handler of its own.
    if (!pending_ || guard_.jobRunning())
        return;
    pending_ = false;
    std::weak_ptr<bool> alive = alive_;
    guard_.later(
        [this, alive] {
            if (!alive.expired())
                request();
        },
        context_);
}

} // namespace quenby
