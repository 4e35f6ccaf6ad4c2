// Flier elimination and the results panel. Known answers come from tests/quenby/stats_vectors.py.
#include "platform/view.h"
#include "quenby/clonewizard/fliers.h"
#include "quenby/clonewizard/statspanel.h"
#include "quenby/shell/texts.h"

#include <gtest/gtest.h>

#include <vector>

using namespace quenby;

namespace {

const LimitRules kCc = mechEntry(Family::CC, "335").limits;
const TextTable kTexts;

RecordStats withReadings(const std::vector<std::vector<qint32>>& rows)
{
    RecordStats s;
    for (int L = 0; L < 12; ++L)
        s.limitSource[std::size_t(L)] = limitsrc::ThreeSd;
    s.readingsTaken = int(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i)
        for (std::size_t p = 0; p < rows[i].size(); ++p)
            s.readingTable[i + 1][p + 1] = rows[i][p];
    return s;
}

// n readings of `value` followed by `extra`, one parameter.
RecordStats column(int n, qint32 value, std::vector<qint32> extra = {})
{
    std::vector<std::vector<qint32>> rows(std::size_t(n), {value});
    for (qint32 x : extra)
        rows.push_back({x});
    return withReadings(rows);
}

std::array<qint32, 7> tolerance(qint32 t) { return {0, t, t, t, t, t, t}; }

std::vector<qint32> firstColumn(const RecordStats& s)
{
    std::vector<qint32> out;
    for (int i = 1; i <= s.readingsTaken; ++i)
        out.push_back(s.readingTable[std::size_t(i)][1]);
    return out;
}

} // namespace

TEST(Fliers, NoReadingsOrNoFlierChangesNothing)
{
    RecordStats empty;
    EXPECT_EQ(eliminateFliers(empty, 3, tolerance(10), kTexts).fliers, 0);

    RecordStats s = column(12, 100, {104, 96});
    calcStats(s, 1, kCc);
    const RecordStats before = s;
    const FlierResult r = eliminateFliers(s, 1, tolerance(10), kTexts);
    EXPECT_EQ(r.fliers, 0);
    EXPECT_FALSE(r.askUser);
    EXPECT_TRUE(r.logLines.isEmpty());
    qint32 left = 4;
    EXPECT_FALSE(settleFliers(s, r, true, left, 1, kCc));
    EXPECT_EQ(left, 4);
    EXPECT_EQ(s.readingsTaken, before.readingsTaken);
    EXPECT_EQ(s.paramMean, before.paramMean);
}

TEST(Fliers, TheBandIsAFloatSoTheTopReadingStays)
{
    // m x 1.15 in double is 114.99999999999999; stored as float it is 115.
    EXPECT_EQ(eliminateFliers(column(9, 100, {115}), 1, tolerance(10), kTexts).fliers, 0);
    const FlierResult r = eliminateFliers(column(9, 100, {116}), 1, tolerance(10), kTexts);
    EXPECT_EQ(r.fliers, 1);
    EXPECT_EQ(r.kept, 9);
    EXPECT_EQ(r.samplesLeft, 1);
    // And the bottom: m x 0.85 is 85.
    EXPECT_EQ(eliminateFliers(column(9, 100, {85}), 1, tolerance(10), kTexts).fliers, 0);
    EXPECT_EQ(eliminateFliers(column(9, 100, {84}), 1, tolerance(10), kTexts).fliers, 1);
}

TEST(Fliers, TwoPassesWithExactLogLines)
{
    std::vector<std::vector<qint32>> rows{{117, 640, 1204}};
    for (int i = 0; i < 9; ++i)
        rows.push_back({100, 640, 1204});
    rows.push_back({250, 640, 1204});
    RecordStats s = withReadings(rows);
    const FlierResult r = eliminateFliers(s, 3, tolerance(10), kTexts);
    EXPECT_EQ(r.fliers, 2);
    EXPECT_EQ(r.kept, 9);
    EXPECT_EQ(r.logLines,
              (QStringList{"Pass 1 Eliminating ( 11) - on parameter 1 Reading  250 640 1204 Means 115.2 640.0 1204.0 ",
                           "Pass 2 Eliminating ( 1) - on parameter 1 Reading  117 640 1204 Means 101.7 640.0 1204.0 "}));
    EXPECT_TRUE(r.askUser);
    EXPECT_EQ(r.samplesLeft, 1);
    qint32 left = 0;
    EXPECT_TRUE(settleFliers(s, r, true, left, 3, kCc));
    EXPECT_EQ(left, 1);
    EXPECT_EQ(firstColumn(s), std::vector<qint32>(9, 100));
    EXPECT_EQ(s.paramMean[1], 100.0f);
}

TEST(Fliers, ManyReadingsLeftKeepsThemWithoutAsking)
{
    RecordStats s = column(18, 100, {130, 131});
    const FlierResult r = eliminateFliers(s, 1, tolerance(10), kTexts);
    EXPECT_EQ(r.fliers, 2);
    EXPECT_EQ(r.kept, 18);
    EXPECT_FALSE(r.askUser);
    EXPECT_FALSE(r.samplesLeft.has_value());
    qint32 left = 0;
    EXPECT_FALSE(settleFliers(s, r, false, left, 1, kCc)); // no box: the answer does not matter
    EXPECT_EQ(left, 0);
    EXPECT_EQ(s.readingsTaken, 18);
    EXPECT_EQ(s.paramHighest[1], 100);
}

TEST(Fliers, FewReadingsLeftAskForMoreCoins)
{
    RecordStats s = column(7, 100, {130, 131, 132});
    const FlierResult r = eliminateFliers(s, 1, tolerance(10), kTexts);
    EXPECT_EQ(r.fliers, 3);
    EXPECT_EQ(r.kept, 7);
    EXPECT_TRUE(r.askUser);
    EXPECT_EQ(r.samplesLeft, 3);
    EXPECT_EQ(r.boxText, " 3 Coin Fliers detected\r\nNeed to redrop  3 Coins\r\n\r\n"
                         "Press OK to accept Elimination of Fliers\r\n\r\nPress CANCEL to Skip Elimination");
    EXPECT_EQ(r.boxTitle, "Data Error");
    EXPECT_EQ(FlierResult::kBoxStyle, 49);
    qint32 left = 0;
    EXPECT_TRUE(settleFliers(s, r, true, left, 1, kCc));
    EXPECT_EQ(left, 3);
    EXPECT_EQ(s.readingsTaken, 7);
    EXPECT_EQ(s.paramHighest[1], 100);

    EXPECT_EQ(eliminateFliers(column(8, 100, {130, 131}), 1, tolerance(10), kTexts).samplesLeft, 2);
}

TEST(Fliers, FewerThanFiveLeftThrowsEveryReadingAway)
{
    RecordStats s = column(4, 100, {130, 131});
    calcStats(s, 1, kCc);
    const float meanBefore = s.paramMean[1];
    const FlierResult r = eliminateFliers(s, 1, tolerance(10), kTexts);
    EXPECT_EQ(r.fliers, 2);
    EXPECT_EQ(r.kept, 0);
    EXPECT_EQ(r.samplesLeft, 6);
    EXPECT_TRUE(r.boxText.contains("Need to redrop  6 Coins"));
    qint32 left = 0;
    EXPECT_TRUE(settleFliers(s, r, true, left, 1, kCc));
    EXPECT_EQ(left, 6);
    EXPECT_EQ(s.readingsTaken, 0);
    EXPECT_EQ(s.paramMean[1], meanBefore); // no statistics of nothing
}

TEST(Fliers, CancelKeepsEveryReadingAndAsksForNone)
{
    RecordStats s = column(7, 100, {130, 131, 132});
    const FlierResult r = eliminateFliers(s, 1, tolerance(10), kTexts);
    qint32 left = 0;
    EXPECT_FALSE(settleFliers(s, r, false, left, 1, kCc));
    EXPECT_EQ(left, 0);
    EXPECT_EQ(s.readingsTaken, 10);
    EXPECT_EQ(s.readingTable[10][1], 132);
}

TEST(Fliers, SingleReadingZeroToleranceAndTwoFailedParameters)
{
    EXPECT_EQ(eliminateFliers(column(1, 100), 1, tolerance(0), kTexts).fliers, 0);

    EXPECT_EQ(eliminateFliers(column(11, 100), 1, tolerance(0), kTexts).fliers, 0);
    // Each 100 differs from the mean of the others (100.09...) until only one reading is left.
    const FlierResult strict = eliminateFliers(column(11, 100, {101}), 1, tolerance(0), kTexts);
    EXPECT_EQ(strict.fliers, 11);
    EXPECT_EQ(strict.kept, 0);
    EXPECT_EQ(strict.samplesLeft, 12);
    EXPECT_EQ(strict.logLines[0], "Pass 1 Eliminating ( 1) - on parameter 1 Reading  100 Means 100.1 ");

    std::vector<std::vector<qint32>> rows(10, {100, 200});
    rows.push_back({150, 300});
    const FlierResult two = eliminateFliers(withReadings(rows), 2, tolerance(10), kTexts);
    EXPECT_EQ(two.fliers, 1);
    ASSERT_EQ(two.logLines.size(), 2);
    EXPECT_TRUE(two.logLines[0].startsWith("Pass 1 Eliminating ( 11) - on parameter 1 Reading  150 300 Means "));
    EXPECT_TRUE(two.logLines[1].startsWith("Pass 1 Eliminating ( 11) - on parameter 2 Reading  150 300 Means "));
}

// ---------------------------------------------------------------- the results panel

namespace {

plat::ControlNames panelNames()
{
    plat::ControlNames n;
    n.addArray("lblMean", 0, 5);
    n.addArray("lblSep", 0, 5);
    for (const char* a : {"lblSD", "lblLH", "lblAdjust", "lblLimits", "lblSrc"})
        n.addArray(a, 0, 11);
    for (const char* c : {"lblPromLimits", "lblSource", "lblOffset", "lblNumber"})
        n.add(c);
    return n;
}

RecordStats panelRecord()
{
    RecordStats s = withReadings({{812, 640, 1204}, {815, 633, 1199}, {809, 641, 1210}});
    s.limitOffset = {0, -12, 5, 0, 0, 3, -3, 0, 0, 0, 0, 0, 0};
    s.slugOffset = {0, 4, -2, 0, 0, 0, 0};
    calcStats(s, 3, mechEntry(Family::Mars, "").limits);
    return s;
}

} // namespace

TEST(StatsPanel, CoinLayoutShowsOffsetsAndLeavesLabelsBeyondTheParameters)
{
    plat::MemoryView v(panelNames());
    for (int i = 3; i < 6; ++i)
        v.setText("lblMean", "untouched", i);
    v.setText("lblLimits", "untouched", 6);
    const StatsPanel panel = statsPanel(panelRecord(), 3, 3, false, 9);
    showStatsPanel(v, panel, kTexts);
    EXPECT_EQ(v.text("lblMean", 0), "812.0");
    EXPECT_EQ(v.text("lblSD", 0), "2.4"); // lower deviation of 812, 815, 809
    EXPECT_EQ(v.text("lblLH", 1), " 815");
    EXPECT_EQ(v.text("lblAdjust", 0), "-12");
    EXPECT_EQ(v.text("lblAdjust", 1), " 5");
    EXPECT_EQ(v.text("lblMean", 3), "untouched");
    EXPECT_EQ(v.text("lblLimits", 6), "untouched");
    EXPECT_EQ(v.text("lblPromLimits"), "PROM Limits");
    EXPECT_EQ(v.text("lblSource"), "Limit Source");
    EXPECT_TRUE(v.isVisible("lblOffset"));
    EXPECT_TRUE(v.isVisible("lblSrc", 5));
    EXPECT_FALSE(v.isVisible("lblSep", 2));
    EXPECT_TRUE(v.isVisible("lblSep", 3)); // beyond the parameters: not touched
    EXPECT_EQ(v.text("lblNumber"), " 3");  // readings taken, no run
}

TEST(StatsPanel, SlugLayoutShowsSeparationsInsteadOfOffsets)
{
    plat::MemoryView v(panelNames());
    v.setVisible("lblPromLimits", false);
    showStatsPanel(v, statsPanel(panelRecord(), 3, 2, true, 9), kTexts);
    EXPECT_EQ(v.text("lblPromLimits"), "Slug 3SD Limits");
    EXPECT_FALSE(v.isVisible("lblPromLimits")); // its visibility is the coin layout's to set
    EXPECT_EQ(v.text("lblSource"), "Slug Separation");
    EXPECT_FALSE(v.isVisible("lblOffset"));
    EXPECT_FALSE(v.isVisible("lblAdjust", 0));
    EXPECT_FALSE(v.isVisible("lblSrc", 5));
    EXPECT_TRUE(v.isVisible("lblSep", 0));
    EXPECT_EQ(v.text("lblSep", 0), " 4");
    EXPECT_EQ(v.text("lblSep", 1), "-2");
    EXPECT_EQ(v.text("lblAdjust", 0), ""); // offsets are not shown on a slug
    EXPECT_EQ(v.text("lblNumber"), " 9");  // coins still to drop during a run
}

TEST(StatsPanel, AfterAReset)
{
    RecordStats s = panelRecord();
    resetStats(s, 3);
    const StatsPanel idle = statsPanel(s, 3, 1, false, 5);
    EXPECT_EQ(idle.mean, (QStringList{"0.0", "0.0", "0.0"}));
    EXPECT_EQ(idle.sd[5], "0.0");
    EXPECT_EQ(idle.lowHigh[0], " 0");
    EXPECT_EQ(idle.limits[5], " 0");
    EXPECT_EQ(idle.number, " 0");
    EXPECT_EQ(statsPanel(s, 3, 1, true, 5).number, " 5");
    EXPECT_EQ(readingCaptions({812, -1, 0}, 3), (QStringList{" 812", "-1", " 0"}));
    EXPECT_EQ(clearedReadingCaptions(3), (QStringList{"0", "0", "0"}));
}
