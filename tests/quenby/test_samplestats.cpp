// Record statistics and limits. Known answers come from tests/quenby/stats_vectors.py.
#include "platform/runtimeerror.h"
#include "quenby/clonewizard/samplestats.h"
#include "tests/support/testservices.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>
#include <initializer_list>
#include <vector>

using namespace quenby;
using testing_support::errNumber;

namespace {

const LimitRules kMars = mechEntry(Family::Mars, "MS1000").limits;
const LimitRules kCc = mechEntry(Family::CC, "335").limits;
const LimitRules kCc435 = mechEntry(Family::CC, "435").limits;

std::array<qint32, 11> reading(std::initializer_list<qint32> values)
{
    std::array<qint32, 11> r{};
    int i = 0;
    for (qint32 v : values)
        r[std::size_t(i++)] = v;
    return r;
}

// A coin record of one parameter per column of `rows`, with the given sources and offsets.
RecordStats record(const std::vector<std::vector<qint32>>& rows, const QStringList& sources,
                   const std::vector<qint32>& offsets)
{
    RecordStats s;
    for (int L = 0; L < sources.size(); ++L) {
        s.limitSource[std::size_t(L)] = sources[L];
        s.limitOffset[std::size_t(L + 1)] = offsets[std::size_t(L)];
    }
    s.readingsTaken = int(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i)
        for (std::size_t p = 0; p < rows[i].size(); ++p)
            s.readingTable[i + 1][p + 1] = rows[i][p];
    return s;
}

RecordStats oneParam(std::initializer_list<qint32> xs, const QString& lowSrc, const QString& highSrc,
                     qint32 lowOff = 0, qint32 highOff = 0)
{
    std::vector<std::vector<qint32>> rows;
    for (qint32 x : xs)
        rows.push_back({x});
    return record(rows, {lowSrc, highSrc}, {lowOff, highOff});
}

std::pair<qint32, qint32> limitsOf(RecordStats s, const LimitRules& rules, int paramCount = 1)
{
    calcStats(s, paramCount, rules);
    return {s.recordLimits[1], s.recordLimits[2]};
}

} // namespace

TEST(MeasurementLine, FieldsAtThreeNineFifteenWithBlanksIgnored)
{
    EXPECT_EQ(readMeasurementLine("M 00812 00640 01204"), (std::array<qint32, 3>{812, 640, 1204}));
    EXPECT_EQ(readMeasurementLine("M 08 12 0 640  1204"), (std::array<qint32, 3>{812, 640, 1204}));
    EXPECT_EQ(measurementField("08 12"), 812);
    EXPECT_EQ(measurementField("  7  "), 7);
    EXPECT_EQ(measurementField("81.5"), 82); // halves to even
    EXPECT_EQ(measurementField("80.5"), 80);
    EXPECT_EQ(measurementField("12a45"), 12);
    EXPECT_EQ(measurementField("abcde"), 0);
    EXPECT_EQ(measurementField(""), 0);
    EXPECT_EQ(measurementField("-5"), -5);
}

TEST(MeasurementLine, ShortLineGivesZerosAndOverflowReadsNothing)
{
    EXPECT_EQ(readMeasurementLine("M 00812"), (std::array<qint32, 3>{812, 0, 0}));
    EXPECT_EQ(readMeasurementLine("M"), (std::array<qint32, 3>{0, 0, 0}));
    EXPECT_EQ(errNumber([] { readMeasurementLine("M 00812 00640 1E+30"); }), 6);
    EXPECT_EQ(errNumber([] { measurementField("9E+20"); }), 6);
}

TEST(MeasurementLine, FuzzedLinesEitherReadOrOverflow)
{
    const QString alphabet = QStringLiteral("0123456789 .+-EeDd&HhOo\tXM,");
    QRandomGenerator rng(9);
    RecordStats s;
    for (int n = 0; n < 20000; ++n) {
        QString line;
        const int len = int(rng.bounded(25));
        for (int i = 0; i < len; ++i)
            line += alphabet[int(rng.bounded(alphabet.size()))];
        std::array<qint32, 3> r{};
        try {
            r = readMeasurementLine(line);
        } catch (const plat::RuntimeError& e) {
            ASSERT_EQ(e.number(), 6) << line.toStdString();
            continue;
        }
        const ReadingOutcome o = addReading(s, reading({r[0], r[1], r[2]}), 3, kMars, ReadingRanges{});
        if (o != ReadingOutcome::Stored)
            continue;
        for (int p = 0; p < 3; ++p) {
            ASSERT_GE(r[std::size_t(p)], 2);
            ASSERT_LE(r[std::size_t(p)], 4000);
        }
    }
    EXPECT_LE(s.readingsTaken, RecordStats::kMaxReadings);
}

TEST(CalcStats, KnownRecord)
{
    RecordStats s = oneParam({812, 815, 809, 811, 818, 805, 812, 814, 810, 813}, "3*SD", "3*SD");
    calcStats(s, 1, kMars);
    EXPECT_EQ(s.paramMean[1], 811.900024f);
    EXPECT_EQ(s.paramSdLower[1], 3.47702789f);
    EXPECT_EQ(s.paramSdUpper[1], 3.2387464f);
    EXPECT_EQ(s.paramLowest[1], 805);
    EXPECT_EQ(s.paramHighest[1], 818);
    EXPECT_EQ(s.recordLimits[1], 801);
    EXPECT_EQ(s.recordLimits[2], 822);
}

TEST(CalcStats, MeansAndDeviationsAreKeptAsFloatLimitsInDouble)
{
    EXPECT_EQ(limitsOf(oneParam({108, 103, 103, 110, 111, 106}, "2*SD", "2*SD"), kCc), std::make_pair(100, 113));
    // Kept in double throughout this record would give a low limit of 598.
    EXPECT_EQ(limitsOf(oneParam({599, 607, 603, 610, 604, 608}, "2*SD", "2*SD"), kMars), std::make_pair(597, 612));
    // A limit computed in float would give a high limit of 172.
    EXPECT_EQ(limitsOf(oneParam({167, 171, 167, 170, 170, 170}, "2*SD", "2*SD"), kCc), std::make_pair(165, 171));
}

TEST(CalcStats, SingleReadingAndTheRoundedMeanGoingIntoBothSets)
{
    RecordStats one = oneParam({250}, "3*SD", "3*SD");
    calcStats(one, 1, kCc);
    EXPECT_EQ(one.paramMean[1], 250.0f);
    EXPECT_EQ(one.paramSdLower[1], 0.1f);
    EXPECT_EQ(one.paramSdUpper[1], 0.1f);
    EXPECT_EQ(one.paramLowest[1], 250);
    EXPECT_EQ(one.paramHighest[1], 250);

    RecordStats two = oneParam({100, 101}, "3*SD", "3*SD");
    calcStats(two, 1, kCc);
    EXPECT_EQ(two.paramMean[1], 100.5f);
    EXPECT_EQ(two.paramSdLower[1], 0.1f);
    EXPECT_EQ(two.paramSdUpper[1], 0.471404523f);
    EXPECT_EQ(two.recordLimits[1], 100);
    EXPECT_EQ(two.recordLimits[2], 102);
}

TEST(CalcStats, EverySourceOnThreeParameters)
{
    RecordStats s = record({{812, 640, 1204}, {815, 633, 1199}, {809, 641, 1210}, {811, 629, 1201}},
                           {"Low", "High", "Mean", "Fixed", "3*SD", "2*SD"}, {-5, 7, -300, 950, 2, -3});
    calcStats(s, 3, kMars);
    EXPECT_EQ(std::vector<qint32>(s.recordLimits.begin() + 1, s.recordLimits.begin() + 7),
              (std::vector<qint32>{804, 822, 336, 950, 1196, 1211}));
    EXPECT_EQ(s.paramMean[2], 635.75f);
    EXPECT_EQ(s.paramSdLower[3], 3.26190138f);
}

TEST(CalcStats, RoundingCapsAndFloor)
{
    EXPECT_EQ(limitsOf(oneParam({2, 3}, "Mean", "Mean"), kCc), std::make_pair(2, 2));    // 2.5
    EXPECT_EQ(limitsOf(oneParam({3, 4}, "Mean", "Mean"), kCc), std::make_pair(4, 4));    // 3.5
    EXPECT_EQ(limitsOf(oneParam({254, 255}, "Mean", "Mean", 0, 1), kCc).second, 255);   // 255.5
    EXPECT_EQ(limitsOf(oneParam({254, 255}, "Mean", "Mean", 0, 0), kCc).second, 254);   // 254.5
    EXPECT_EQ(limitsOf(oneParam({254, 255}, "Mean", "Mean", 0, 0), kMars).second, 254);
    EXPECT_EQ(limitsOf(oneParam({4094, 4095}, "Mean", "Mean", 0, 1), kMars).second, 4095);
    EXPECT_EQ(limitsOf(oneParam({1}, "Fixed", "Fixed", 300, 5000), kCc), std::make_pair(255, 255));
    EXPECT_EQ(limitsOf(oneParam({1}, "Fixed", "Fixed", 4096, 5000), kMars), std::make_pair(4095, 4095));
    EXPECT_EQ(limitsOf(oneParam({120}, "Mean", "Fixed", -300, -5), kCc), std::make_pair(0, 0));
    // Offsets at the ends of the 32-bit range neither overflow nor wrap.
    EXPECT_EQ(limitsOf(oneParam({120}, "Low", "High", INT_MIN, INT_MAX), kMars), std::make_pair(0, 4095));
}

TEST(CalcStats, LowAndHighOnTheOtherSideAndUnknownSources)
{
    EXPECT_EQ(limitsOf(oneParam({100, 104, 110}, "High", "Low", -2, 3), kCc), std::make_pair(108, 103));
    EXPECT_EQ(limitsOf(oneParam({100, 104, 110}, "", "Ref 01", 5, 5), kCc), std::make_pair(0, 0));
    EXPECT_EQ(limitsOf(oneParam({100, 104, 110}, "mean", "3*sd", 5, 5), kCc), std::make_pair(0, 0));
}

TEST(CalcStats, SlugRecordsAndTheFifthParameterRule)
{
    const std::vector<std::vector<qint32>> rows{{120, 80, 60, 200, 30}, {124, 82, 61, 205, 33}, {118, 79, 64, 199, 31}};
    RecordStats s = record(rows, {}, {});
    s.recordKind = kSlugRecord;
    s.slugOffset = {0, 2, 0, 1, 3, 5, 0};
    const auto limits = [](const RecordStats& r) {
        return std::vector<qint32>(r.recordLimits.begin() + 1, r.recordLimits.begin() + 11);
    };
    RecordStats on435 = s;
    calcStats(on435, 5, kCc435);
    EXPECT_EQ(limits(on435), (std::vector<qint32>{112, 133, 77, 85, 56, 70, 192, 216, 0, 43}));
    RecordStats elsewhere = s;
    calcStats(elsewhere, 5, kCc);
    EXPECT_EQ(limits(elsewhere), (std::vector<qint32>{112, 133, 77, 85, 56, 70, 192, 216, 23, 41}));
    // A coin record on a 435 follows its sources.
    RecordStats coin = record(rows, {"Fixed", "Fixed", "Fixed", "Fixed", "Fixed", "Fixed", "Fixed", "Fixed", "Fixed", "Fixed"},
                              {1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
    calcStats(coin, 5, kCc435);
    EXPECT_EQ(limits(coin), (std::vector<qint32>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
}

TEST(CalcStats, NoReadingsChangesNothingAndWildParamCountIsRefused)
{
    RecordStats s = oneParam({}, "3*SD", "3*SD");
    s.paramMean[1] = 42.5f;
    s.paramSdLower[1] = 3.0f;
    s.recordLimits[1] = 37;
    const RecordStats before = s;
    calcStats(s, 1, kCc);
    EXPECT_EQ(s.paramMean, before.paramMean);
    EXPECT_EQ(s.paramSdLower, before.paramSdLower);
    EXPECT_EQ(s.recordLimits, before.recordLimits);

    EXPECT_EQ(errNumber([&] { calcStats(s, 7, kCc); }), 9);
    EXPECT_EQ(errNumber([&] { calcStats(s, -1, kCc); }), 9);
    EXPECT_EQ(errNumber([&] { resetStats(s, 7); }), 9);
    EXPECT_EQ(s.recordLimits, before.recordLimits);
}

TEST(UpdateStats, MarsReadingOutOfRangeIsRefusedOthersAreNot)
{
    RecordStats mars;
    const auto r = reading({1, 2500, 4100});
    EXPECT_EQ(addReading(mars, r, 3, kMars, ReadingRanges{}), ReadingOutcome::OutOfRange);
    EXPECT_FALSE(countsDown(ReadingOutcome::OutOfRange));
    EXPECT_EQ(mars.readingsTaken, 0);
    EXPECT_EQ(outOfRangeText(r), "Out Of Range Value \r\n 1 2500 4100\r\nMeasurement Ignored");
    EXPECT_EQ(outOfRangeText(reading({-3, 0, 7})), "Out Of Range Value \r\n-3 0 7\r\nMeasurement Ignored");

    ReadingRanges edges;
    edges.low = {100, 2, 2};
    edges.high = {300, 3000, 4000};
    EXPECT_EQ(addReading(mars, reading({300, 2, 4000}), 3, kMars, edges), ReadingOutcome::Stored);
    EXPECT_EQ(addReading(mars, reading({301, 2, 4000}), 3, kMars, edges), ReadingOutcome::OutOfRange);
    EXPECT_EQ(addReading(mars, reading({100, 1, 4000}), 3, kMars, edges), ReadingOutcome::OutOfRange);
    EXPECT_EQ(mars.readingsTaken, 1);

    RecordStats cc;
    EXPECT_EQ(addReading(cc, r, 3, kCc, ReadingRanges{}), ReadingOutcome::Stored);
    EXPECT_EQ(cc.readingsTaken, 1);
    EXPECT_EQ(cc.readingTable[1][3], 4100);
    EXPECT_EQ(cc.paramMean[2], 2500.0f);
}

TEST(UpdateStats, FiveHundredAndFirstReadingIsNotStoredButCounts)
{
    RecordStats s;
    s.limitSource[0] = limitsrc::ThreeSd;
    s.limitSource[1] = limitsrc::ThreeSd;
    for (int i = 0; i < 500; ++i)
        ASSERT_EQ(addReading(s, reading({100 + i % 7}), 1, kCc, {}), ReadingOutcome::Stored);
    const RecordStats before = s;
    const ReadingOutcome o = addReading(s, reading({200}), 1, kCc, {});
    EXPECT_EQ(o, ReadingOutcome::TableFull);
    EXPECT_TRUE(countsDown(o));
    EXPECT_EQ(s.readingsTaken, 500);
    EXPECT_EQ(s.paramMean, before.paramMean);
    EXPECT_EQ(s.recordLimits, before.recordLimits);
}

TEST(UpdateStats, ResetClearsTheRecordUpToParamCountOnly)
{
    RecordStats s = record({{5, 6, 7, 8}}, {"3*SD", "3*SD", "3*SD", "3*SD", "3*SD", "3*SD", "3*SD", "3*SD"},
                           {1, 2, 3, 4, 5, 6, 7, 8});
    calcStats(s, 4, kCc);
    resetStats(s, 3);
    EXPECT_EQ(s.readingsTaken, 0);
    EXPECT_EQ(s.paramMean[3], 0.0f);
    EXPECT_EQ(s.paramHighest[1], 0);
    EXPECT_EQ(s.limitOffset[6], 0);
    EXPECT_EQ(s.recordLimits[6], 0);
    EXPECT_EQ(s.paramMean[4], 8.0f); // beyond paramCount
    EXPECT_EQ(s.limitOffset[7], 7);
    EXPECT_EQ(s.limitSource[0], "3*SD"); // sources are the caller's to set
}
