// Coins through the simulated first box and its mechs: the box's line-mode reports and "M"
// samples, CC measurement frames, Sentinel polls, NRI "T" readings, G10 reports, the seeded
// readings and the demo's own coins.
#include "sim/marssocket.h"
#include "sim/nrimech.h"
#include "sim/quenbydemo.h"
#include "sim/sentinelmech.h"
#include "tests/sim/quenbyrig.h"

#include <gtest/gtest.h>

using namespace quenbysim;
using BoxFault = sim::QuenbyBox::Fault;

TEST(QuenbyCoins, TheBoxReportsCoinsAfterNUntilIWOrABreak)
{
    Rig r;
    sim::MarsSocket mech("ME111");
    r.box.plug(&mech);
    EXPECT_FALSE(r.box.dropCoin(1)) << "not reporting yet";
    r.exchange("OJVN");
    r.inbox.clear();
    EXPECT_TRUE(r.box.dropCoin(2));
    EXPECT_TRUE(r.box.dropSlug());
    EXPECT_TRUE(r.box.dropCoin(7)) << "position A of the second segment";
    r.sched.advance(100);
    EXPECT_EQ(r.inbox, "V0B\rV1R\rV2A\r");
    EXPECT_EQ(r.exchange("*"), "D00\r");
    r.box.dropCoin(3);
    r.sched.advance(100);
    EXPECT_EQ(r.inbox, "D00\rV3X02\r") << "binary output: the channel less one in hex";
    r.exchange("O");
    for (const char* stop : {"I", "W"}) {
        r.exchange(QByteArray("N") + stop);
        EXPECT_FALSE(r.box.dropCoin(1)) << stop;
    }
    r.exchange("N");
    r.breakLine();
    EXPECT_FALSE(r.box.dropCoin(1)) << "a break";
}

TEST(QuenbyCoins, SamplesAsMLinesAfterM)
{
    Rig r;
    sim::MarsSocket mech("ME111");
    r.box.plug(&mech);
    r.exchange("MI");
    r.exchange("N");
    r.box.queueReading({1000, 2000, 3000});
    r.box.dropCoin(1);
    r.sched.advance(100);
    EXPECT_EQ(r.inbox, "M  1000  2000  3000\r");
    r.exchange("V");
    r.box.dropCoin(1);
    r.sched.advance(100);
    EXPECT_EQ(r.inbox.right(4), "V0A\r") << "\"V\" goes back to reports";
}

TEST(QuenbyCoins, ReportKnobsAndGarbledReports)
{
    Rig r;
    sim::MarsSocket mech("MS1000");
    r.box.plug(&mech);
    r.exchange("N");
    r.box.evLines = true;
    r.box.dropCoin(9);
    r.box.evLines = false;
    r.box.marsParallelCodes = true;
    r.box.dropCoin(6);
    r.box.marsParallelCodes = false;
    r.box.setFault(BoxFault::GarbledReport, sim::When::first(3));
    using G = sim::QuenbyBox::Garble;
    for (auto g : {G::Short, G::UnknownCode, G::BadHex}) {
        r.box.garble = g;
        r.box.dropCoin(1);
    }
    r.box.dropCoin(1);
    r.sched.advance(200);
    EXPECT_EQ(r.inbox, "*EVI\rV1X20\rV\rV3Q\rV4XZZ\rV5A\r");
}

TEST(QuenbyCoins, CcFramesWhileArmedUntilTheLogoff)
{
    CcRig r;
    r.logOn();
    EXPECT_FALSE(r.box.dropCoin(1)) << "not asked to measure";
    r.exchange(bytes({0x7F, 0x1F, 0x9E}));
    r.box.queueReading({10, 20, 30, 40, 50});
    r.box.queueReading({1, 2, 3});
    r.box.dropCoin(1);
    r.box.dropCoin(2);
    r.sched.advance(100);
    EXPECT_EQ(r.inbox, bytes({'?', 10, 20, 30, 40, 50, 0xD5, '?', 1, 2, 3}).append(r.inbox.mid(11)));
    EXPECT_EQ(r.inbox.size(), 14) << "the values a test leaves out are drawn";

    r.mech.sixValueFrames = true;
    r.mech.setFault(sim::CcMech::Fault::SixthValueLooksLikeSum, sim::When::first(1));
    r.box.queueReading({10, 20, 30, 40, 50, 99});
    r.box.dropCoin(1);
    r.mech.setFault(sim::CcMech::Fault::BadFrameSum, sim::When::first(1));
    r.box.queueReading({1, 1, 1, 1, 1, 1});
    r.inbox.clear();
    r.box.dropCoin(1);
    r.sched.advance(100);
    EXPECT_EQ(r.inbox, bytes({'?', 10, 20, 30, 40, 50, 0xD5, 0xAA, '?', 1, 1, 1, 1, 1, 1, 0x46}));
    r.exchange("yy");
    EXPECT_FALSE(r.box.dropCoin(1)) << "logged off";
    EXPECT_EQ(r.mech.framesSent(), 4);
}

TEST(QuenbyCoins, A450SendsEightValuesABusyMechRefusesTheRequest)
{
    CcRig r("450");
    r.logOn();
    r.mech.setFault(sim::CcMech::Fault::Busy, sim::When::first(1));
    EXPECT_EQ(r.exchange(bytes({0x7F, 0x1F, 0x9E})), bytes({0x06}));
    EXPECT_FALSE(r.box.dropCoin(1));
    r.exchange(bytes({0x7F, 0x1F, 0x9E}));
    r.box.queueReading({1, 2, 3, 4, 5, 6, 7, 8});
    r.box.dropCoin(1);
    r.sched.advance(100);
    EXPECT_EQ(r.inbox, bytes({'?', 1, 2, 3, 4, 5, 6, 7, 8, 0x63}));
}

TEST(QuenbyCoins, A220BIsArmedForOneCoinAndLapses)
{
    CcRig r("220B");
    r.logOn();
    const QByteArray keepAlive = bytes({0xFF, 0xFF});
    EXPECT_EQ(r.exchange(bytes({0x7F, 0x1F, 0x9E})), "") << "not this model's request";
    EXPECT_FALSE(r.box.dropCoin(1));
    r.exchange(keepAlive);
    r.box.queueReading({7, 8, 9});
    EXPECT_TRUE(r.box.dropCoin(1));
    EXPECT_FALSE(r.box.dropCoin(1)) << "one coin per request";
    r.sched.advance(100);
    EXPECT_EQ(r.inbox, bytes({'?', 7, 8, 9, 0x57}));
    r.exchange(keepAlive, 10100);
    EXPECT_FALSE(r.box.dropCoin(1)) << "lapsed after 10 s";
    r.mech.setFault(sim::CcMech::Fault::KeepAliveIgnored, sim::When::from(2));
    r.exchange(keepAlive, 9000);
    r.exchange(keepAlive, 2000);
    EXPECT_FALSE(r.box.dropCoin(1)) << "the keep-alive was ignored: the first request lapsed";
    EXPECT_EQ(r.mech.measurementRequests(), 3);
}

TEST(QuenbyCoins, SentinelPollsReturnTheWaitingCoinOrZeros)
{
    Rig r;
    sim::SentinelMech mech;
    r.box.plug(&mech);
    r.serialMode("$06");
    r.exchange("\r#");
    EXPECT_EQ(r.exchange("M02070306\r", 110), "M02070306\r") << "still measuring";
    r.sched.advance(100);
    EXPECT_EQ(r.inbox, "M02070306\rZZM000000000000\r");
    r.box.queueReading({0x11, 0x22, 0x33});
    EXPECT_TRUE(r.box.dropCoin(2));
    EXPECT_EQ(r.exchange("M02070306\r"), "M02070306\rZZM110022003300\r");
    mech.setFault(sim::SentinelMech::Fault::SilentPoll, sim::When::first(1));
    EXPECT_EQ(r.exchange("M02070306\r", 15000), "M02070306\r");
    EXPECT_EQ(mech.polls(), 3);
}

TEST(QuenbyCoins, NriTReadingsHeldUntilACoin)
{
    Rig r;
    sim::NriMech g13("G13-6000");
    r.box.plug(&g13);
    r.serialMode("$05");
    EXPECT_FALSE(r.box.dropCoin(3)) << "no \"T\" yet";
    EXPECT_EQ(r.exchange("T", 5000), "");
    r.box.queueReading({1, 2, 3, 4, 5, 6});
    EXPECT_TRUE(r.box.dropCoin(3));
    r.sched.advance(100);
    // Coin 3's parameter map is 4 0 2 1 3 7: slot 1 measures quantity 4, and so on.
    EXPECT_EQ(r.inbox, "02040305011516061819" "1A1B1C1D1E1F\r");

    sim::NriMech g18("G18-3000");
    r.box.plug(&g18);
    r.breakLine();
    r.serialMode("$05");
    r.exchange("T");
    r.box.queueReading({1, 2, 3, 4, 5, 255});
    r.box.dropCoin(1);
    r.sched.advance(100);
    EXPECT_EQ(r.inbox, "0102030405FF\r");

    sim::NriMech old("G13-0000");
    r.box.plug(&old);
    r.breakLine();
    r.serialMode("$01");
    old.setFault(sim::NriMech::Fault::SilentAfterT, sim::When::first(1));
    r.exchange("T");
    EXPECT_FALSE(r.box.dropCoin(1));
    r.exchange("T");
    r.box.queueReading({1, 20, 300, 4});
    r.box.dropCoin(1);
    r.sched.advance(100);
    EXPECT_EQ(r.inbox, "001\r020\r300\r004\r");
}

TEST(QuenbyCoins, G10MechsReportEachCoinInSerialMode)
{
    Rig r;
    sim::NriMech g10("G10-4000");
    r.box.plug(&g10);
    r.serialMode("$23");
    r.inbox.clear();
    r.box.dropCoin(3);
    r.box.dropCoin(1);
    EXPECT_FALSE(r.box.dropSlug()) << "a slug goes back unreported";
    g10.setFault(sim::NriMech::Fault::EmptyG10Report, sim::When::first(1));
    r.box.dropCoin(4);
    g10.setFault(sim::NriMech::Fault::DoubleCrReport, sim::When::first(1));
    r.box.dropCoin(4);
    r.sched.advance(100);
    EXPECT_EQ(r.inbox, bytes({0x80, 0x1A, '\r', 0x80, 0x08, '\r', 0x80, '\r', 0x80, 0x21, '\r', '\r'}));
    r.exchange("T");
    r.box.queueReading({5, 6, 7, 8});
    r.box.dropCoin(4);
    r.sched.advance(100);
    EXPECT_EQ(r.inbox, "005\r006\r007\r008\r") << "a \"T\" measures the coin instead";
}

TEST(QuenbyCoins, ReadingsAreSeededSpreadAroundTheMeansAndSlugsAreFarOff)
{
    sim::CoinSampler a(42), b(42);
    a.setMeans(1, {100, 200, 50});
    b.setMeans(1, {100, 200, 50});
    a.flierChance = b.flierChance = 0;
    double sum = 0;
    for (int i = 0; i < 400; ++i) {
        const QList<int> x = a.next(1, 3);
        EXPECT_EQ(x, b.next(1, 3));
        EXPECT_GE(x[1], 180);
        EXPECT_LE(x[1], 220) << "within five spreads of 2 %";
        sum += x[1];
    }
    EXPECT_NEAR(sum / 400, 200, 1.0);
    a.flierChance = 1;
    const QList<int> flier = a.next(1, 3);
    int off = 0;
    for (int i = 0; i < 3; ++i)
        off += qAbs(flier[i] - QList<int>{100, 200, 50}[i]) * 100 >= 14 * QList<int>{100, 200, 50}[i];
    EXPECT_EQ(off, 1) << "one parameter 15 to 25 % off";

    const sim::MarsSocket mars("ME111");
    EXPECT_EQ(mars.sampler().channels().size(), 24);
    const QList<int> slug = mars.sampler().slugMeans();
    for (int c = 1; c <= 24; ++c)
        EXPECT_LT(slug[0], mars.sampler().means(c)[0] * 3 / 4) << c;
}

TEST(QuenbyCoins, TheDemoDropsCoinsWhileTheBoxReportsAndTheSetsCoinsWhileItSamples)
{
    Rig r;
    sim::MarsSocket mech("ME111");
    r.box.plug(&mech);
    sim::QuenbyDemoCoins demo(r.sched, r.box);
    demo.setOrder(sim::QuenbyDemoCoins::sampleSetOrder("ME111"));
    demo.start();
    r.sched.advance(10000);
    EXPECT_EQ(demo.dropped(), 0) << "the box neither reports nor samples";
    r.exchange("N", 6100);
    EXPECT_GE(demo.dropped(), 2);
    EXPECT_EQ(r.inbox.at(0), 'V');
    r.exchange("MIN", 3100);
    EXPECT_TRUE(r.inbox.startsWith("T00\rM ")) << r.inbox.constData();
    const QByteArray first = r.inbox.mid(4, 19); // the whole line: one value may well repeat
    r.exchange("I", 3100);
    r.exchange("N", 3100);
    const QByteArray second = r.inbox.mid(0, 19);
    EXPECT_NE(first, second) << "the next session is the set's next coin";
    demo.stop();
    const int dropped = demo.dropped();
    r.sched.advance(10000);
    EXPECT_EQ(demo.dropped(), dropped);
}
