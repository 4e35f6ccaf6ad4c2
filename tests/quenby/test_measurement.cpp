// Measurement acquisition against a simulated mech of each family, on virtual time, with a
// stand-in for the coin measurement window whose updateStats counts samplesLeft down only while
// `measuring` is set, as the statistics do. The gathering loop is the coin set run's: start,
// set `measuring`, pump until no sample is wanted or the user ends it, stop.
#include "sim/ccmech.h"
#include "sim/nrimech.h"
#include "sim/sentinelmech.h"
#include "tests/quenby/datafiles.h"
#include "tests/quenby/valtest_fixture.h"

#include <QDir>

namespace {

using namespace quenby_tests;
using sim::When;

struct StandInStats : quenby::CoinMeasureWindow {
    quenby::Program* p = nullptr;
    std::vector<quenby::Reading> samples;
    QStringList lines;                     // "M" lines handed over
    void updateStats(int mode) override
    {
        ASSERT_EQ(mode, 0);
        samples.push_back(p->measure.currentReading);
        if (p->job.measuring)
            --p->measure.samplesLeft;
    }
    void loadMeasurement(const QString& line) override { lines << line; }
};

struct MeasureTest : ValtestTest {
    StandInStats* stats = nullptr;

    // Starts the program with this mech and makes it the job's.
    void begin(const QString& family, const QString& model)
    {
        start(model);
        auto s = std::make_unique<StandInStats>();
        s->p = p.get();
        stats = s.get();
        p->setCoinMeasure(std::move(s));
        p->job.beginJob(quenby::familyNamed(family), model);
        quenby::setMechParameters(p->params, quenby::familyNamed(family), model, p->texts);
    }
    // One record of n samples, as the coin set run gathers it.
    void gather(int coin, int n)
    {
        p->measure.samplesLeft = n;
        p->measurement().startMeasurement(coin);
        p->job.measuring = true;
        while (p->measure.samplesLeft >= 1 && !p->job.userAbort)
            ts.sched->pump();
        p->measurement().stopMeasurement();
        p->job.measuring = false;
    }
    // Coins at these times from now, with these readings.
    void coinsAt(std::vector<std::pair<plat::Millis, QList<int>>> coins, int channel = 1)
    {
        for (auto& [t, values] : coins) {
            at(ts.sched->nowMs() + t, [this, values, channel] {
                box.queueReading(values);
                box.dropCoin(channel);
            });
        }
    }
    // The first n values of sample i.
    std::vector<int> sample(size_t i, size_t n) const
    {
        const quenby::Reading& r = stats->samples.at(i);
        return {r.begin(), r.begin() + n};
    }
};

// ---- Mars ----------------------------------------------------------------------------------------

TEST_F(MeasureTest, MarsSampleLinesReachTheWindowOnlyWhileMeasuring)
{
    begin("Mars", "ME111");
    p->link.sendData("N"); // the box reports before any measurement: the lines are not handed on
    wait(50);
    box.queueReading({812, 640, 1204});
    drop(1);
    EXPECT_TRUE(stats->lines.isEmpty());

    clearSent();
    p->measure.samplesLeft = 1;
    p->measurement().startMeasurement(1);
    p->job.measuring = true;
    box.queueReading({812, 640, 1204});
    drop(1);
    p->measurement().stopMeasurement();
    p->job.measuring = false;
    EXPECT_EQ(sent(), "NI");
    EXPECT_EQ(stats->lines, QStringList{"M   812   640  1204"});
}

// ---- Coin Controls -------------------------------------------------------------------------------

TEST_F(MeasureTest, C120FramesAreSamplesUntilTheRecordIsComplete)
{
    begin("CC", "C120");
    coinsAt({{1000, {10, 20, 30, 40, 50}}, {3000, {11, 21, 31, 41, 51}}});
    gather(1, 2);
    // Every sample still wanted is asked for again; the last one is not.
    const QByteArray request = bytes({0x7F, 0x1F, 0x9E});
    EXPECT_EQ(sent(), "#80C00" + kEsc25 + "$05" + "xx" + request + request + "yy" + kBreak + kEsc20);
    ASSERT_EQ(stats->samples.size(), 2u);
    EXPECT_EQ(sample(0, 5), (std::vector<int>{10, 20, 30, 40, 50}));
    EXPECT_EQ(sample(1, 5), (std::vector<int>{11, 21, 31, 41, 51}));
    EXPECT_TRUE(p->link.replies().ccWordDone);
    EXPECT_FALSE(p->mainForm().Timer3.enabled()) << "no keep-alive for a C120";
}

TEST_F(MeasureTest, AFrameWithAWrongSumIsDroppedAndAskedForAgain)
{
    begin("CC", "450");
    mech<sim::CcMech>().setFault(sim::CcMech::Fault::BadFrameSum, When::first(1));
    coinsAt({{500, {1, 2, 3, 4, 5, 6, 7, 8}}, {1500, {9, 8, 7, 6, 5, 4, 3, 2}}});
    gather(1, 1);
    EXPECT_EQ(sent().count(bytes({0x7F, 0x1F, 0x9E})), 2);
    ASSERT_EQ(stats->samples.size(), 1u);
    EXPECT_EQ(sample(0, 6), (std::vector<int>{9, 8, 7, 6, 5, 4}));
    EXPECT_EQ(p->measure.currentReading[7], 2) << "all eight values of a 450 frame";
}

TEST_F(MeasureTest, ASixValueFrameWhoseSeventhByteLooksLikeTheSumIsTakenAsFiveValues)
{
    begin("CC", "C120");
    auto& cc = mech<sim::CcMech>();
    cc.sixValueFrames = true;
    cc.setFault(sim::CcMech::Fault::SixthValueLooksLikeSum, When::first(1));
    coinsAt({{500, {10, 20, 30, 40, 50, 60}}, {1500, {1, 2, 3, 4, 5, 6}}});
    gather(1, 2);
    ASSERT_EQ(stats->samples.size(), 2u);
    EXPECT_EQ(sample(0, 5), (std::vector<int>{10, 20, 30, 40, 50}));
    EXPECT_EQ(sample(1, 5), (std::vector<int>{1, 2, 3, 4, 5}));
}

TEST_F(MeasureTest, ABusyMechIsAskedAgain)
{
    begin("CC", "435");
    mech<sim::CcMech>().setFault(sim::CcMech::Fault::Busy, When::first(1));
    coinsAt({{800, {5, 6, 7, 8, 9}}});
    gather(1, 1);
    EXPECT_EQ(sent().count(bytes({0x7F, 0x1F, 0x9E})), 2);
    EXPECT_EQ(stats->samples.size(), 1u);
    EXPECT_EQ(mech<sim::CcMech>().measurementRequests(), 2);
}

TEST_F(MeasureTest, The220BIsKeptArmedBy11And6SecondRepeatsUntilNoSampleIsWanted)
{
    begin("CC", "220B");
    const QByteArray ffff = bytes({0xFF, 0xFF});
    p->measure.samplesLeft = 1;
    p->measurement().startMeasurement(1);
    p->job.measuring = true;
    EXPECT_TRUE(p->mainForm().Timer3.enabled());
    wait(24000);
    auto t = sentAt(ffff);
    ASSERT_EQ(t.size(), 4u);
    EXPECT_EQ(gaps(t), (std::vector<plat::Millis>{11000, 6000, 6000}));
    p->measure.samplesLeft = 0;
    wait(13000);
    EXPECT_EQ(sentAt(ffff).size(), 4u) << "none once no sample is wanted";
    p->measurement().stopMeasurement();
    p->job.measuring = false;
    EXPECT_FALSE(p->mainForm().Timer3.enabled());
}

TEST_F(MeasureTest, A335FrameAfterTheLastSampleIsDeliveredWithoutANewRequest)
{
    begin("CC", "335");
    coinsAt({{500, {61, 130, 97}}});
    p->measure.samplesLeft = 1;
    p->measurement().startMeasurement(1);
    p->job.measuring = true;
    wait(600);
    EXPECT_EQ(p->measure.samplesLeft, 0);
    // The mech answers once more although nothing is wanted.
    p->measurement().requestCcMeasurement();
    wait(20);
    box.queueReading({62, 131, 98});
    drop(1);
    EXPECT_EQ(stats->samples.size(), 2u);
    EXPECT_EQ(sentAt(bytes({0xFF, 0xFF})).size(), 2u) << "the late frame asked for nothing more";
    p->measurement().stopMeasurement();
}

TEST_F(MeasureTest, ACoinCutOffByTheLogoffDoesNotSpoilTheNextRecord)
{
    begin("CC", "C120");
    auto& cc = mech<sim::CcMech>();
    cc.strayAtLogoff = QByteArray("?\x10\x20", 3);
    cc.setFault(sim::CcMech::Fault::StrayAtLogoff, When::first(1));
    coinsAt({{500, {10, 20, 30, 40, 50}}});
    gather(1, 1);
    coinsAt({{500, {11, 21, 31, 41, 51}}});
    gather(2, 1);
    ASSERT_EQ(stats->samples.size(), 2u);
    EXPECT_EQ(sample(1, 5), (std::vector<int>{11, 21, 31, 41, 51}));
    EXPECT_TRUE(ts.dialogs->boxes().empty());
}

TEST_F(MeasureTest, ReadingRowsGoToTheOpenLog)
{
    begin("CC", "335");
    p->measure.logEnabled = true;
    p->measure.logPath = ts.folder() + "/run.csv";
    coinsAt({{500, {61, 130, 97}}, {1000, {62, 131, 98}}});
    gather(1, 2);
    EXPECT_EQ(ts.readFile("run.csv"), "\"\",61,\"\",130,\"\",97,\"\",\"\"\r\n\"\",62,\"\",131,\"\",98,\"\",\"\"\r\n");
}

TEST_F(MeasureTest, ALogThatCannotBeWrittenIsReportedAndTheSampleStillCounts)
{
    begin("CC", "335");
    p->measure.logEnabled = true;
    p->measure.logPath = ts.folder() + "/no/such/folder/run.csv";
    ts.dialogs->answer(plat::mb::OK, " 304 Error parsing CC parameters : ");
    coinsAt({{500, {61, 130, 97}}});
    gather(1, 1);
    EXPECT_EQ(stats->samples.size(), 1u);
}

TEST_F(MeasureTest, AHangUpMidSamplingIsReportedAndTheUserCanStillEndTheRecord)
{
    begin("CC", "C120");
    coinsAt({{500, {10, 20, 30, 40, 50}}, {1500, {11, 21, 31, 41, 51}}});
    at(ts.sched->nowMs() + 1000, [&] { box.setFault(sim::QuenbyBox::Fault::HangUpOnByteOut, When::first(3)); });
    at(ts.sched->nowMs() + 5000, [&] { p->job.userAbort = true; }); // Back on the measurement window
    ts.dialogs->answer(plat::mb::OK, " 809 Error in COM port reception routine : ");
    // Logging off finds no box: the box check's question, then the reset's own message.
    ts.dialogs->answer(plat::mb::OK, "No Response from Programmer Box");
    ts.dialogs->answer(plat::mb::OK, "Stuck in Serial Comms Mode");
    gather(1, 5);
    EXPECT_EQ(stats->samples.size(), 1u) << "the frame cut short is no sample";
    EXPECT_FALSE(p->state.portOpen);
}

// ---- Sentinel ------------------------------------------------------------------------------------

TEST_F(MeasureTest, SentinelPollsCountValidReadingsOnly)
{
    begin("CC", "Sentinel");
    // No coin yet: zeros, polled again in silence. Then a 255 (reject sound), then valid.
    coinsAt({{2000, {50, 255, 30}}, {4000, {61, 130, 97}}});
    gather(1, 1);
    ASSERT_EQ(stats->samples.size(), 1u);
    EXPECT_EQ(sample(0, 3), (std::vector<int>{61, 130, 97}));
    EXPECT_EQ(sounds(), QStringList{"reject"});
    EXPECT_GT(mech<sim::SentinelMech>().polls(), 3);
    EXPECT_TRUE(sent().contains("M02070306\r"));
    EXPECT_FALSE(box.inSerialMode()) << "logged off";
}

TEST_F(MeasureTest, ASilentSentinelEndsThePollingWithoutAMessage)
{
    begin("CC", "Sentinel");
    mech<sim::SentinelMech>().setFault(sim::SentinelMech::Fault::SilentPoll, When::always());
    p->measure.samplesLeft = 3;
    const plat::Millis t0 = ts.sched->nowMs();
    p->measurement().startMeasurement(1);
    EXPECT_GE(ts.sched->nowMs() - t0, 15000);
    EXPECT_LT(ts.sched->nowMs() - t0, 20000);
    EXPECT_EQ(p->measure.samplesLeft, 3);
    EXPECT_TRUE(stats->samples.empty());
    EXPECT_TRUE(ts.dialogs->boxes().empty());
    p->measurement().stopMeasurement();
}

TEST_F(MeasureTest, ASentinelReplyThatNeverEndsIsNoSample)
{
    begin("CC", "Sentinel");
    mech<sim::SentinelMech>().setFault(sim::SentinelMech::Fault::SilentPoll, When::always());
    // A reading line that never gets its CR: the poll runs out although its values look right.
    at(ts.sched->nowMs() + 3000, [&] { port->reply("ZZM3D0082006100", 1); });
    p->measure.samplesLeft = 1;
    p->measurement().startMeasurement(1);
    EXPECT_TRUE(stats->samples.empty());
    EXPECT_EQ(p->measure.samplesLeft, 1);
    EXPECT_TRUE(sounds().isEmpty());
    p->measurement().stopMeasurement();
}

TEST_F(MeasureTest, AStrayCrCostsTheSentinelAtMostTheReadingItHit)
{
    begin("CC", "Sentinel");
    // Nine coins for eight samples, a lone CR from the line after the fourth, wherever it falls
    // in a poll: the echo, the wait for the reading, the reading itself.
    for (plat::Millis stray = 4400; stray < 4700; stray += 7) {
        std::vector<std::pair<plat::Millis, QList<int>>> coins;
        for (int i = 0; i < 9; ++i)
            coins.push_back({1000 + 1000 * i, {40 + i, 130, 97}});
        coinsAt(coins);
        at(ts.sched->nowMs() + stray, [&] { port->reply("\r", 0); });
        stats->samples.clear();
        const plat::Millis t0 = ts.sched->nowMs();
        p->measure.samplesLeft = 8;
        p->measurement().startMeasurement(1);
        EXPECT_EQ(p->measure.samplesLeft, 0) << "stray at " << stray;
        EXPECT_LT(ts.sched->nowMs() - t0, 11000) << "stray at " << stray << ": no poll runs out";
        for (size_t i = 0; i < stats->samples.size(); ++i)
            EXPECT_EQ(sample(i, 3)[1], 130) << "stray at " << stray << ": sample " << i << " is a whole reading";
        p->measurement().stopMeasurement();
        wait(2000); // the ninth coin, if it was not needed, is polled away by the next run
    }
}

// ---- NRI -----------------------------------------------------------------------------------------

TEST_F(MeasureTest, OlderNriAnswersInDecimalAndBeepsPerSample)
{
    begin("NRI", "G13-0000");
    coinsAt({{1000, {123, 45, 6, 789}}, {3000, {1, 2, 3, 4}}});
    gather(1, 2);
    ASSERT_EQ(stats->samples.size(), 2u);
    EXPECT_EQ(sample(0, 4), (std::vector<int>{123, 45, 6, 789}));
    EXPECT_EQ(sample(1, 4), (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(ts.sound->beeps, 3) << "one per sample, one at the end";
    EXPECT_EQ(sent().count("T"), 2);
    EXPECT_TRUE(sent().contains(kBreak + kEsc20)) << "the box reset ends the loop";
}

TEST_F(MeasureTest, NewerNriAnswersInHexPairs)
{
    begin("NRI", "G18-3000");
    coinsAt({{1000, {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC}}});
    gather(1, 1);
    ASSERT_EQ(stats->samples.size(), 1u);
    EXPECT_EQ(sample(0, 6), (std::vector<int>{0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC}));
    EXPECT_EQ(ts.sound->beeps, 1);
}

TEST_F(MeasureTest, AnNriLogThatStopsTakingRowsIsSaidOnceAndEverySampleStillCounts)
{
    begin("NRI", "G18-3000");
    p->measure.logEnabled = true;
    const QString log = ts.folder() + "/gone/run.csv";
    p->measure.logPath = log;
    const QString said = " 315 Error getting NRI parameter values :  \r\n" + QDir::toNativeSeparators(log) +
                         ": No such file or directory - 75";
    ts.dialogs->answer(plat::mb::OK, said);
    coinsAt({{1000, {1, 2, 3, 4, 5, 6}}, {3000, {1, 2, 3, 4, 5, 6}}, {5000, {1, 2, 3, 4, 5, 6}}});
    gather(1, 3);
    EXPECT_EQ(stats->samples.size(), 3u);
    ASSERT_EQ(ts.dialogs->boxes().size(), 1u);
    EXPECT_EQ(ts.dialogs->boxes()[0].text.toStdString(), said.toStdString());
    EXPECT_FALSE(p->measure.logEnabled);
}

TEST_F(MeasureTest, AnAbortedNriWaitStillDeliversItsSample)
{
    begin("NRI", "G18-3000");
    mech<sim::NriMech>().setFault(sim::NriMech::Fault::SilentAfterT, When::always());
    at(ts.sched->nowMs() + 60000, [&] { p->job.userAbort = true; });
    p->measure.samplesLeft = 5;
    p->measurement().startMeasurement(1);
    EXPECT_GE(ts.sched->nowMs(), 60000) << "no time-out of its own";
    EXPECT_EQ(stats->samples.size(), 1u);
    EXPECT_EQ(p->measure.samplesLeft, 4);
    EXPECT_EQ(ts.sound->beeps, 1);
    EXPECT_FALSE(box.inSerialMode());
}

// ---- NRI coin data ------------------------------------------------------------------------------

TEST_F(MeasureTest, CoinDataThatCannotBeDecodedIsReportedOnceAndChangesNothing)
{
    begin("NRI", "G13-6000");
    const quenby::NriCoinTables before = p->memory.nriCoin;
    ts.dialogs->answer(plat::mb::OK, " 323 Error decoding G13 parameter string : ");
    p->measurement().decodeNriCoinData(QString(72, '1') + "0102");
    EXPECT_EQ(ts.dialogs->boxes().size(), 1u);
    EXPECT_EQ(p->memory.nriCoin.nriCoinParams, before.nriCoinParams);

    // A whole record: parameter digits, output pairs, packed values.
    p->measurement().decodeNriCoinData(QString(72, '3') + QString(24, 'A') + "0?AQa0000000");
    EXPECT_EQ(p->memory.nriCoin.nriCoinParams[1][1], 3);
    EXPECT_EQ(p->memory.coins.coinOutputs(1), 0xAA);
    EXPECT_EQ(p->memory.nriCoin.nriCoinValues[2], 15);
    EXPECT_EQ(p->memory.nriCoin.nriCoinValues[5], 193);
}

TEST_F(MeasureTest, RemapWithALinkOutsideTheTablesIsReportedAndChangesNothing)
{
    begin("NRI", "G13-6000");
    p->memory.nri.mechCoinValues[3] = 25;
    p->memory.coins.coinLink(1) = -3;
    p->measurement().remapCoinTables();
    EXPECT_EQ(p->memory.coins.coinValues(1), 25);
    p->memory.coins.coinLink(2) = 40;
    p->memory.coins.coinValues(1) = 0;
    ts.dialogs->answer(plat::mb::OK, " 324 Error mapping old NRI parameters : ");
    p->measurement().remapCoinTables();
    EXPECT_EQ(p->memory.coins.coinValues(1), 0);
}

} // namespace

// ---- into the real statistics --------------------------------------------------------------------

// The program's own statistics with a run under way (runActive): what a coin set run gathers.
struct RecordTest : MeasureTest {
    quenby::CoinMeasure& cm() { return p->coinStats(); }
    void beginRecord(const QString& family, const QString& model, int coins)
    {
        start(model);
        p->job.beginJob(quenby::familyNamed(family), model);
        quenby::setMechParameters(p->params, quenby::familyNamed(family), model, p->texts);
        cm().updateStats(1);
        cm().stats.limitSource.fill(quenby::limitsrc::Mean);
        cm().runActive = true;
        p->measure.samplesLeft = coins;
    }
};

TEST_F(RecordTest, CcFramesAreCountedOnceEachByTheStatistics)
{
    beginRecord("CC", "C120", 3);
    coinsAt({{1000, {10, 20, 30}}, {2000, {12, 22, 32}}, {3000, {14, 24, 34}}, {8000, {99, 99, 99}}});
    gather(1, 3);
    p->link.waitFor(8000);
    EXPECT_EQ(cm().stats.readingsTaken, 3) << "a coin after the logoff is not taken";
    EXPECT_EQ(p->measure.samplesLeft, 0);
    EXPECT_FLOAT_EQ(cm().stats.paramMean[2], 22.0f);
    EXPECT_EQ(cm().stats.recordLimits[6], 32);
}

TEST_F(RecordTest, NriSamplesAreCountedByTheirLoopAloneNotTwice)
{
    beginRecord("NRI", "G18-3000", 3);
    coinsAt({{1000, {10, 20, 30, 40, 50, 60}}, {2000, {12, 22, 32, 42, 52, 62}}, {3000, {14, 24, 34, 44, 54, 64}}});
    gather(1, 3);
    EXPECT_EQ(cm().stats.readingsTaken, 3) << "the statistics count nothing while the loop counts";
    EXPECT_EQ(p->measure.samplesLeft, 0);
    EXPECT_FLOAT_EQ(cm().stats.paramMean[6], 62.0f);
}

TEST_F(RecordTest, MarsLinesCountOnlyWhileARunIsUnderWay)
{
    beginRecord("Mars", "ME111", 2);
    cm().runActive = false;
    p->link.sendAndWait("M");
    coinsAt({{1000, {1000, 1500, 2000}}});
    p->measurement().startMeasurement(1);
    p->job.measuring = true;
    p->link.waitFor(3000);
    EXPECT_EQ(cm().stats.readingsTaken, 1);
    EXPECT_EQ(p->measure.samplesLeft, 2) << "no run: the reading is shown, not counted";
    cm().runActive = true;
    coinsAt({{500, {1002, 1502, 2002}}, {1500, {1004, 1504, 2004}}});
    gather(1, 2);
    EXPECT_EQ(cm().stats.readingsTaken, 3);
}
