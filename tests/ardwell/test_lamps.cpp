#include "ardwell/bench/lamps.h"

#include "tests/ardwell/bench.h"

#include <gtest/gtest.h>

using namespace ardwell;
using ardwell_test::mainWindowMemoryView;

TEST(ReplyCountdown, TwentyOffPerTickRestingAtZero)
{
    testing_support::TestServices ts;
    plat::Timer timer(*ts.sched);
    qint64 ms = 0;
    runReplyCountdown(timer, ms);
    ts.sched->advance(5); // off the tick
    auto ticksToZero = [&](qint64 start) {
        ms = start;
        int ticks = 0;
        while (ms > 0 && ticks < 1000) {
            ts.sched->advance(kReplyTickMs);
            ++ticks;
        }
        return ticks;
    };
    EXPECT_EQ(ticksToZero(1000), 50);
    EXPECT_EQ(ticksToZero(30), 2); // 30, 10, then -10 set to 0
    EXPECT_EQ(ms, 0);
    EXPECT_EQ(ticksToZero(1), 1);
    ts.sched->advance(100);
    EXPECT_EQ(ms, 0); // rests at 0
    ms = -55;         // a value left below 0 goes back to 0 on the next tick
    ts.sched->advance(kReplyTickMs);
    EXPECT_EQ(ms, 0);
}

TEST(LampProcedures, ResetLampsWhitensHiddenLampsToo)
{
    plat::MemoryView v = mainWindowMemoryView();
    for (int i = 0; i < 16; ++i) {
        v.setFill("shpLamp", 0xFF00, i);
        v.setVisible("shpLamp", i < 12, i);
    }
    v.setFill("shpRejected", 0xFF);
    v.setFill("shpCoin", 0xFF00, 0); // not one of the 560/PCA lamps
    resetLamps(v);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(v.fill("shpLamp", i), kLampWhite) << i;
    EXPECT_EQ(v.fill("shpRejected"), kLampWhite);
    EXPECT_EQ(v.fill("shpCoin", 0), 0xFF00u);
}

TEST(LampProcedures, ClearCountLabelsEmptiesNotZeroes)
{
    plat::MemoryView v = mainWindowMemoryView();
    for (int i = 0; i < 16; ++i) {
        v.setText("lblAccCount", "5", i);
        v.setText("lblRouted", "Def", i);
    }
    v.setText("lblRejectCount", "3");
    v.setText("lblTestCount", "4", 0);
    clearCountLabels(v);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(v.text("lblAccCount", i), QString()) << i;
        EXPECT_EQ(v.text("lblRouted", i), QString()) << i;
    }
    EXPECT_EQ(v.text("lblRejectCount"), QString());
    EXPECT_EQ(v.text("lblTestCount", 0), "4");
}

// ---- The window's timers on virtual time, with lamps lit by the parser ----

namespace {

// Lets virtual time pass until pred() holds; returns the time it took.
plat::Millis timeUntil(ardwell_test::Bench& b, const std::function<bool()>& pred)
{
    const plat::Millis t0 = b.ts.sched->nowMs();
    EXPECT_TRUE(b.ts.sched->pumpUntil(pred, 10000));
    return b.ts.sched->nowMs() - t0;
}

} // namespace

TEST(WindowTimers, WaitsRunOnTheTwentyMillisecondTimer)
{
    ardwell_test::Bench b;
    ASSERT_TRUE(b.start());
    auto& link = b.program->link();
    b.ts.sched->advance(7); // not on a tick
    plat::Millis t0 = b.ts.sched->nowMs();
    link.delayMs(30);
    EXPECT_GT(b.ts.sched->nowMs() - t0, 20);
    EXPECT_LE(b.ts.sched->nowMs() - t0, 40);
    t0 = b.ts.sched->nowMs();
    link.delayMs(1000);
    EXPECT_GT(b.ts.sched->nowMs() - t0, 980);
    EXPECT_LE(b.ts.sched->nowMs() - t0, 1000);
    EXPECT_EQ(b.st().replyTimeoutMs, 0);
}

TEST(WindowTimers, StatusLampGoesOutOnTheFourthTick)
{
    ardwell_test::Bench b;
    ASSERT_TRUE(b.startWithBox());
    plat::View& w = b.view();
    w.setFill("shpPlayer", 0xFF00, 2);
    w.setFill("shpPLAMP", 0xFF00);
    w.setFill("shpCoinMeter", 0xFF00);
    b.ts.sched->advance(130);
    b.box.sendStatus(0x05);
    ASSERT_TRUE(b.ts.sched->pumpUntil([&] { return w.fill("shpCoin", 0) != kLampWhite; }, 1000));
    EXPECT_EQ(w.fill("shpCoin", 2), 0xFF00u);
    EXPECT_EQ(b.program->testPanel().statusLampCountdown, 4);
    const plat::Millis lit = timeUntil(b, [&] { return w.fill("shpCoin", 0) == kLampWhite; });
    EXPECT_GT(lit, 1500);
    EXPECT_LE(lit, 2000);
    EXPECT_EQ(w.fill("shpCoin", 2), kLampWhite);
    // The 340 frame's lamps go out with them.
    EXPECT_EQ(w.fill("shpPlayer", 2), kLampWhite);
    EXPECT_EQ(w.fill("shpPLAMP"), kLampWhite);
    EXPECT_EQ(w.fill("shpCoinMeter"), kLampWhite);
}

TEST(WindowTimers, SecondRejectKeepsTheLampLitTwoSecondsMore)
{
    ardwell_test::Bench b;
    ASSERT_TRUE(b.startWithBox("560"));
    plat::View& w = b.view();
    auto& link = b.program->link();
    // A reject event frame relayed by the box: header 24, event 05, reason 00.
    const QString reject = "016124050000";
    link.parseDataStream(reject);
    EXPECT_EQ(w.fill("shpRejected"), 0x0000FFu);
    EXPECT_EQ(w.text("lblRejectedReason"), "Known Slug");
    b.ts.sched->advance(1000);
    EXPECT_EQ(w.fill("shpRejected"), 0x0000FFu);
    link.parseDataStream(reject);
    const plat::Millis t = timeUntil(b, [&] { return w.fill("shpRejected") == kLampWhite; });
    EXPECT_GT(t, 1900);
    EXPECT_LE(t, 2000);
    EXPECT_EQ(w.text("lblRejectCount"), "2");
}
