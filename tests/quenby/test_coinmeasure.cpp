// The coin measurement window's statistics on virtual time: Mars "M" lines from the simulated box
// through the link's dispatcher, samples of the other families through updateStats(0), the range
// check, the panel, the measurement log and the flier elimination.
#include "quenby/clonewizard/coinmeasure.h"

#include "platform/view.h"
#include "tests/quenby/limits_fixture.h"
#include "tests/quenby/mech_fixture.h"

#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace quenby;

namespace {

// The link's "M" lines go to the statistics, as the program's parsers hand them on.
struct MeasureParsers : LinkParsers {
    CoinMeasure* cm = nullptr;
    void loadMeasurement(const QString& line) override { cm->loadMeasurement(line); }
};

struct CoinMeasureTest : quenby_tests::MechTest {
    MeasureState measure;
    CoinMeasure cm{{svc, texts, errors, job, params, measure, [] { return ReadingRanges{}; }}};
    plat::MemoryView panel{statsPanelControls(), "frmCoinMeasure1"};
    MeasureParsers toStats;

    void SetUp() override
    {
        MechTest::SetUp();
        toStats.cm = &cm;
        cm.setPanel(&panel);
    }
    // A Mars mech whose box sends an "M" line for each coin; a record of `coins` gathered.
    void startMarsRecord(int coins)
    {
        plugNew<sim::QuenbyMech>("Mars", "ME111");
        link.setParsers(toStats);
        link.sendAndWait("M");
        link.sendData("N");
        cm.updateStats(1);
        cm.runActive = true;
        job.measuring = true;
        measure.samplesLeft = coins;
    }
    // Drops coins with these readings 1.5 s apart and waits for the record (at most 10 s).
    void drop(const QList<QList<int>>& readings)
    {
        plat::Millis at = 0;
        for (const QList<int>& r : readings) {
            at += 1500;
            sched.callAfter(at, [this, r] {
                box.queueReading(r);
                box.dropCoin(1);
            });
        }
        link.waitFor(int(at) + 500, [this] { return measure.samplesLeft < 1; });
    }
    // A raw line from the box, as a garbled or hand-made one reaches the program.
    void boxLine(const QByteArray& line)
    {
        port.reply(line + "\r", 5);
        link.waitFor(200);
    }
};

} // namespace

TEST_F(CoinMeasureTest, MarsLinesCountDownAndUpdateThePanel)
{
    startMarsRecord(3);
    drop({{812, 640, 1204}, {815, 633, 1199}, {809, 641, 1210}});
    EXPECT_EQ(measure.samplesLeft, 0);
    EXPECT_EQ(cm.stats.readingsTaken, 3);
    EXPECT_EQ(panel.text("lblMeas", 0), " 809");
    EXPECT_EQ(panel.text("lblMeas", 2), " 1210");
    EXPECT_EQ(panel.text("lblMean", 0), "812.0");
    EXPECT_EQ(panel.text("lblLH", 0), " 809");
    EXPECT_EQ(panel.text("lblLH", 1), " 815");
    EXPECT_EQ(panel.text("lblNumber"), " 0");
    EXPECT_EQ(box.linesSent().filter(QRegularExpression("^M ")).size(), 3);
    EXPECT_TRUE(dialogs.boxes().empty());
}

TEST_F(CoinMeasureTest, OutOfRangeReadingIsRefusedWithTwoBeepsAndNotCounted)
{
    startMarsRecord(2);
    dialogs.answer(plat::mb::OK);
    drop({{1, 2500, 4100}, {812, 640, 1204}});
    link.waitFor(3000, [this] { return measure.samplesLeft < 1; });
    ASSERT_EQ(dialogs.boxes().size(), 1u);
    EXPECT_EQ(dialogs.boxes()[0].text, "Out Of Range Value \r\n 1 2500 4100\r\nMeasurement Ignored");
    EXPECT_EQ(dialogs.boxes()[0].title, "Error");
    EXPECT_EQ(dialogs.boxes()[0].style, plat::mb::Exclamation);
    EXPECT_EQ(ts.sound->beeps, 2);
    EXPECT_EQ(cm.stats.readingsTaken, 1);
    EXPECT_EQ(measure.samplesLeft, 1);
    EXPECT_EQ(panel.text("lblNumber"), " 1");
}

TEST_F(CoinMeasureTest, LogRowOfEverySampleTheStatisticsTook)
{
    measure.logEnabled = true;
    measure.logPath = ts.folder() + "/run.csv";
    startMarsRecord(1);
    dialogs.answer(plat::mb::OK);
    drop({{812, 640, 4001}, {812, 640, 1204}});
    QFile f(measure.logPath);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("\"\",812,\"\",640,\"\",1204,\"\",\"\"\r\n"));
}

TEST_F(CoinMeasureTest, GarbledLinesAndLinesWhileNotMeasuring)
{
    startMarsRecord(5);
    boxLine("M 08 12 0 640  1204"); // blanks inside a field are ignored: 812, 640, 1204
    EXPECT_EQ(cm.stats.readingTable[1][1], 812);
    EXPECT_EQ(measure.samplesLeft, 4);

    dialogs.answer(plat::mb::OK, "Error Updating latest results");
    boxLine("M 00812 00640 1E+30"); // no reading can hold it: reported, nothing read
    EXPECT_TRUE(dialogs.boxes().back().text.endsWith("\r\nOverflow - 6"));

    dialogs.answer(plat::mb::OK, "Out Of Range Value \r\n 812 0 0\r\n");
    boxLine("M 00812"); // a short line reads 0 where it has no field
    dialogs.answer(plat::mb::OK, "Out Of Range Value \r\n 0 0 0\r\n");
    boxLine("M ABCDE FGHIJ KLMNO");
    EXPECT_EQ(cm.stats.readingsTaken, 1);
    EXPECT_EQ(measure.samplesLeft, 4);

    job.measuring = false;
    boxLine("M 00900 00600 01000");
    EXPECT_EQ(cm.stats.readingsTaken, 1);
    EXPECT_EQ(dialogs.boxes().size(), 3u);
}

TEST_F(CoinMeasureTest, HangUpMidRecordKeepsWhatWasGathered)
{
    startMarsRecord(3);
    drop({{812, 640, 1204}});
    box.setFault(sim::QuenbyBox::Fault::HangUpOnByteOut, sim::When::first(5));
    dialogs.answer(plat::mb::OK, "the programmer box hung up");
    drop({{815, 633, 1199}, {809, 641, 1210}});
    EXPECT_EQ(cm.stats.readingsTaken, 1);
    EXPECT_EQ(measure.samplesLeft, 2);
    EXPECT_EQ(dialogs.boxes().size(), 1u);
    EXPECT_EQ(panel.text("lblNumber"), " 2");
}

TEST_F(CoinMeasureTest, OtherFamiliesAreNotRangeCheckedAndCountOnlyWhileGathering)
{
    startJob("CC", "435");
    cm.updateStats(1);
    cm.stats.limitSource.fill("2*SD");
    cm.stats.limitSource[1] = "High";
    measure.currentReading = {4100, 0, 9000, 3, 5};
    measure.samplesLeft = 4;
    cm.updateStats(0); // not gathering: stored, not counted
    EXPECT_EQ(cm.stats.readingsTaken, 1);
    EXPECT_EQ(measure.samplesLeft, 4);
    EXPECT_EQ(panel.text("lblNumber"), " 1");
    cm.runActive = true;
    job.measuring = true;
    cm.updateStats(0);
    EXPECT_EQ(measure.samplesLeft, 3);
    EXPECT_EQ(panel.text("lblNumber"), " 3");
    EXPECT_EQ(panel.text("lblMeas", 4), " 5");
    EXPECT_EQ(cm.stats.recordLimits[2], 255); // capped at the family maximum
    EXPECT_TRUE(dialogs.boxes().empty());
}

TEST_F(CoinMeasureTest, ResetClearsReadingsAndOffsetsAndTheTableHoldsFiveHundred)
{
    startJob("CC", "C120");
    cm.stats.limitOffset[1] = -12;
    cm.runActive = true;
    job.measuring = true;
    measure.samplesLeft = 502;
    for (int i = 0; i < 500; ++i) {
        measure.currentReading = {100 + i % 7, 50, 60};
        cm.updateStats(0);
    }
    dialogs.answer(plat::mb::OK, " 402 Error Updating latest results");
    measure.currentReading = {250, 250, 250};
    cm.updateStats(0);
    EXPECT_EQ(cm.stats.readingsTaken, 500);
    EXPECT_EQ(measure.samplesLeft, 1); // counted, so the gathering still ends
    EXPECT_EQ(cm.stats.paramHighest[1], 106);

    cm.stats.recordMode = 2;
    cm.updateStats(1);
    EXPECT_EQ(cm.stats.readingsTaken, 0);
    EXPECT_EQ(cm.stats.limitOffset[1], 0);
    EXPECT_EQ(cm.readingCaptions(), (QStringList{"0", "0", "0"}));
    EXPECT_EQ(panel.text("lblMean", 0), "0.0");
    EXPECT_EQ(panel.text("lblSource"), "Slug Separation");
    EXPECT_EQ(panel.text("lblNumber"), " 1");
}

TEST_F(CoinMeasureTest, FliersInTwoPassesWithTheirLogLinesAndTheUsersAnswer)
{
    startJob("CC", "335");
    measure.logEnabled = true;
    measure.logPath = ts.folder() + "/fliers.csv";
    cm.updateStats(1);
    cm.flierTolerance = {0, 10, 10, 10};
    const QList<int> first = {117, 100, 100, 100, 100, 100, 100, 100, 100, 100, 250};
    for (int x : first) {
        measure.currentReading = {x, 50, 60};
        cm.updateStats(0);
    }
    // Row 11 goes in pass 1, row 1 in pass 2; nine readings are left, so one more coin is asked
    // for and the user accepts.
    dialogs.answer(plat::mb::OK, " 2 Coin Fliers detected\r\nNeed to redrop  1 Coins");
    EXPECT_TRUE(cm.eliminateFliers());
    EXPECT_EQ(measure.samplesLeft, 1);
    EXPECT_EQ(cm.stats.readingsTaken, 9);
    EXPECT_EQ(cm.countCaption(), " 1");
    EXPECT_EQ(panel.text("lblNumber"), " 1");
    EXPECT_EQ(dialogs.boxes()[0].title, "Data Error");
    QFile f(measure.logPath);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QList<QByteArray> rows = f.readAll().split('\n');
    ASSERT_EQ(rows.size(), 3);
    EXPECT_TRUE(rows[0].startsWith("\"Pass 1 Eliminating ( 11) - on parameter 1 Reading  250 50 60 Means "));
    EXPECT_TRUE(rows[1].startsWith("\"Pass 2 Eliminating ( 1) - on parameter 1 Reading  117 50 60 Means "));

    // Cancel keeps every reading, fliers included, and asks for no more coins.
    measure.currentReading = {180, 50, 60};
    cm.updateStats(0);
    dialogs.answer(plat::mb::Cancel);
    EXPECT_FALSE(cm.eliminateFliers());
    EXPECT_EQ(cm.stats.readingsTaken, 10);
    EXPECT_EQ(measure.samplesLeft, 0);
}

TEST(CoinMeasureFuzz, MeasurementLinesNeverCrashOrStoreOutsideTheTable)
{
    testing_support::TestServices ts;
    limits_test::RecordingDialogs boxes;
    plat::Services svc = ts.services();
    svc.dialogs = &boxes;
    TextTable texts;
    ErrorReporter errors(texts, boxes);
    JobState job;
    job.beginJob(Family::Mars, "MS1000");
    job.measuring = true;
    ModelParams params;
    setMechParameters(params, Family::Mars, "MS1000", texts);
    MeasureState measure;
    measure.samplesLeft = 100000;
    CoinMeasure cm({svc, texts, errors, job, params, measure, [] { return ReadingRanges{}; }});
    cm.runActive = true;

    QRandomGenerator rng(4);
    const QString alphabet = QStringLiteral(" 0123456789.-+EeDd&HhO,ABZ\t");
    for (int i = 0; i < 3000; ++i) {
        QString line = QStringLiteral("M");
        const int n = int(rng.bounded(24));
        for (int k = 0; k < n; ++k)
            line += alphabet.at(int(rng.bounded(alphabet.size())));
        const std::size_t before = boxes.boxes.size();
        const int taken = cm.stats.readingsTaken;
        cm.loadMeasurement(line);
        const std::size_t shown = boxes.boxes.size() - before;
        // Taken, refused with its box, or reported once; never two of these.
        ASSERT_EQ(shown + std::size_t(cm.stats.readingsTaken - taken), 1u) << line.toStdString();
    }
    EXPECT_GT(cm.stats.readingsTaken, 0);
    EXPECT_LE(cm.stats.readingsTaken, RecordStats::kMaxReadings);
    EXPECT_EQ(measure.samplesLeft, 100000 - cm.stats.readingsTaken);
}
