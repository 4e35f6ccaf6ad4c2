#include "platform/scheduler.h"
#include "platform/timer.h"

#include <gtest/gtest.h>
#include <cerrno>
#include <stdexcept>
#include <sys/timerfd.h>
#include <system_error>

using plat::Timer;
using plat::VirtualScheduler;

TEST(VirtualScheduler, PumpJumpsToTheNextEventAndKeepsOrder)
{
    VirtualScheduler s;
    std::vector<int> seen;
    s.callAfter(50, [&] { seen.push_back(2); });
    s.callAfter(10, [&] { seen.push_back(1); });
    s.callAfter(50, [&] { seen.push_back(3); });
    s.pump();
    EXPECT_EQ(s.nowMs(), 10);
    s.pump();
    s.pump();
    EXPECT_EQ(s.nowMs(), 50);
    EXPECT_EQ(seen, (std::vector<int>{1, 2, 3}));
}

TEST(VirtualScheduler, CancelledCallbacksNeverRunAndAnEmptyPumpFails)
{
    VirtualScheduler s;
    bool ran = false;
    auto id = s.callAfter(5, [&] { ran = true; });
    s.cancel(id);
    EXPECT_THROW(s.pump(), std::runtime_error);
    EXPECT_FALSE(ran);
}

TEST(VirtualScheduler, WallClockFollowsVirtualTime)
{
    VirtualScheduler s(QDateTime(QDate(2026, 3, 1), QTime(23, 59, 59)));
    s.callAfter(1500, [] {});
    s.pump();
    EXPECT_EQ(s.wallClock(), QDateTime(QDate(2026, 3, 2), QTime(0, 0, 0, 500)));
}

TEST(VirtualScheduler, PumpUntilStopsAtTheDeadline)
{
    VirtualScheduler s;
    EXPECT_FALSE(s.pumpUntil([] { return false; }, 800));
    EXPECT_EQ(s.nowMs(), 800);
    bool flag = false;
    s.callAfter(30, [&] { flag = true; });
    EXPECT_TRUE(s.pumpUntil([&] { return flag; }, 800));
    EXPECT_EQ(s.nowMs(), 830);
}

TEST(Timer, TicksAtItsIntervalOnlyWhileEnabled)
{
    VirtualScheduler s;
    Timer t(s);
    int ticks = 0;
    t.onTick = [&] { ++ticks; };
    t.setInterval(20);
    t.setEnabled(true);
    s.advance(100);
    EXPECT_EQ(ticks, 5);
    t.setEnabled(false);
    EXPECT_FALSE(s.hasPending());
    t.setEnabled(true);
    t.setInterval(0); // an interval of 0 never fires
    EXPECT_FALSE(s.hasPending());
}

TEST(Timer, ATickHandlerThatPumpsDoesNotReenterItself)
{
    VirtualScheduler s;
    Timer t(s);
    int depth = 0, maxDepth = 0, ticks = 0;
    t.onTick = [&] {
        ++ticks;
        maxDepth = std::max(maxDepth, ++depth);
        if (ticks == 1)
            s.advance(100);
        --depth;
    };
    t.setInterval(20);
    t.setEnabled(true);
    s.advance(20);
    EXPECT_EQ(maxDepth, 1);
}

TEST(CountDown, DropsByItsStepRestsAtZeroAndSaysWhenItGotThere)
{
    qint32 ms = 50;
    EXPECT_FALSE(plat::countDown(ms, 20));
    EXPECT_EQ(ms, 30);
    EXPECT_FALSE(plat::countDown(ms, 20));
    EXPECT_TRUE(plat::countDown(ms, 20));
    EXPECT_EQ(ms, 0);
    EXPECT_FALSE(plat::countDown(ms, 20));
    qint32 negative = -3;
    EXPECT_FALSE(plat::countDown(negative, 1));
    EXPECT_EQ(negative, 0);
}

namespace {
bool settimeFails = false;
int failingCreate(int, int)
{
    errno = EMFILE;
    return -1;
}
int switchableSettime(int fd, int flags, const itimerspec* value, itimerspec* old)
{
    if (settimeFails) {
        errno = EINVAL;
        return -1;
    }
    return ::timerfd_settime(fd, flags, value, old);
}
} // namespace

TEST(RealScheduler, AClockThatCannotBeMadeOrSetSaysSoInsteadOfWaitingForEver)
{
    try {
        plat::RealScheduler s(plat::ClockCalls{failingCreate, nullptr});
        ADD_FAILURE() << "no error";
    } catch (const std::system_error& e) {
        EXPECT_EQ(std::string(e.what()).rfind("The program's clock cannot start (timerfd_create)", 0), 0u) << e.what();
    }

    plat::RealScheduler s(plat::ClockCalls{nullptr, switchableSettime});
    settimeFails = true;
    bool ran = false;
    EXPECT_THROW(s.callAfter(5, [&] { ran = true; }), std::system_error);
    EXPECT_THROW(s.pump(), std::system_error) << "a pump would sleep past the callback";
    settimeFails = false;
    EXPECT_TRUE(s.pumpUntil([&] { return ran; }, 2000)) << "set again once the system lets it";
}
