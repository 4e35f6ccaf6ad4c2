#include "ardwell/bench/coinlog.h"

#include <gtest/gtest.h>

using namespace ardwell;

TEST(CoinLog, RecordsOfACoin)
{
    EXPECT_EQ(logHeaderRecord(), R"("HFTA","HFTB","HFD","LFF","LF P1","LF P2","LF Trough")");
    EXPECT_EQ(logReadingRecord({1000, 1100, 800, 300, 400, 350, -12}), R"(1000,1100,800,300,400,350,-12,"")");
    EXPECT_EQ(logScaledHeaderRecord(), R"("HFT","HFD","LFF","LFA")");
    EXPECT_EQ(logScaledRecord({964, 947, 300, 343}), R"(964,947,300,343,"")");
    EXPECT_EQ(logFlierRecord(2, 12, 7, {1, -2, 3, 4, 5, 6, 7}, {1.25, -0.04, 0.05, 1000, 2, 3, 4}),
              R"("Pass 2 Eliminating ( 12) - on parameter 7 Reading  1-2 3 4 5 6 7 Means 1.3 0.0 0.1 1000.0 2.0 3.0 4.0 ")");
}

TEST(CoinLog, SinglesHaveSevenDigitsAndALeadingZero)
{
    EXPECT_EQ(logSingle(512.3333f), "512.3333");
    EXPECT_EQ(logSingle(963.650024f), "963.65");
    EXPECT_EQ(logSingle(0.1f), "0.1");
    EXPECT_EQ(logSingle(-0.5f), "-0.5");
    EXPECT_EQ(logSingle(964.0f), "964");
    EXPECT_EQ(logSingle(1.0f / 3), "0.3333333");
}

TEST(CoinLog, StatisticsAndLimitsBlocks)
{
    BenchState b;
    b.parameterMeans = {964, 947, 300, 342.85f};
    b.sdLower = {0.1f, 0.1f, 0.1f, 1.5f};
    b.sdUpper = {0.1f, 0.1f, 0.1f, 0.7745967f};
    b.parameterLowest = {964, 947, 300, 341};
    b.parameterHighest = {964, 947, 300, 345};
    b.parameterRange = {0, 0, 0, 4};
    const QStringList stats = logStatsRecords(b);
    ASSERT_EQ(stats.size(), 6);
    EXPECT_EQ(stats[0], R"("","Mean","SD Lower","SD Upper","Lowest","Highest","Range")");
    EXPECT_EQ(stats[1], R"("HFT",964,0.1,0.1,964,964,0)");
    EXPECT_EQ(stats[4], R"("LFA",342.85,1.5,0.7745967,341,345,4)");
    EXPECT_EQ(stats[5], R"("")");

    const int limits[8] = {953, 1016, 936, 957, 295, 304, -12, 40};
    std::copy(std::begin(limits), std::end(limits), b.windowLimits.begin());
    const QStringList lim = logLimitsRecords(b);
    ASSERT_EQ(lim.size(), 6);
    EXPECT_EQ(lim[0], R"("","Low Limit","High Limit","Mean","Range")");
    EXPECT_EQ(lim[1], R"("HFT",953,1016,985,63)");
    EXPECT_EQ(lim[2], R"("HFD",936,957,947,21)");
    EXPECT_EQ(lim[3], R"("LFF",295,304,300,9)");
    EXPECT_EQ(lim[4], R"("LFA",-12,40,14,52)");
    EXPECT_EQ(lim[5], R"("")");
}

TEST(CoinLog, FileNameFromTheDialog)
{
    EXPECT_EQ(logFilePath(""), std::nullopt); // a cancelled dialog starts no run
    EXPECT_EQ(logFilePath("/w/run"), "/w/run.csv");
    EXPECT_EQ(logFilePath("/w/run.1.txt"), "/w/run.1.csv");
    EXPECT_EQ(logFilePath("/w/my.logs/run"), "/w/my.logs/run.csv");
    EXPECT_EQ(logFilePath("/w/run.csv"), "/w/run.csv");
}
