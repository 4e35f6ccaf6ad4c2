// Overlap colours and the acceptance estimate. Known answers come from
// tests/quenby/stats_vectors.py.
#include "platform/runtimeerror.h"
#include "tests/quenby/limits_fixture.h"
#include "tests/support/testservices.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>
#include <algorithm>
#include <limits>

using namespace quenby;
using limits_test::Editor;
using limits_test::Stat;
using testing_support::errNumber;

namespace {
// Back colours as 0xBBGGRR.
namespace colour {
constexpr quint32 White = 0xFFFFFF;
constexpr quint32 Yellow = 0x00FFFF;
constexpr quint32 Cyan = 0xFFFF00;
constexpr quint32 ButtonFace = 0x8000000F;
} // namespace colour
constexpr std::pair<qint32, qint32> kWide{0, 255};
const Stat kAt100{100, 2, 2};
} // namespace

TEST(NormalCdf, TableAndInterpolation)
{
    EXPECT_EQ(normalCdf(0), 0.5f);
    EXPECT_EQ(normalCdf(1.25f), 0.894050002f);
    EXPECT_EQ(normalCdf(1.0f), 0.841300011f);
    EXPECT_EQ(normalCdf(-0.05f), 0.480100036f);
    EXPECT_EQ(normalCdf(-3.5f), 0.0f);
    EXPECT_EQ(normalCdf(3.5f), 1.0f);
    EXPECT_EQ(normalCdf(3.0f), 0.998099983f);
    EXPECT_EQ(normalCdf(2.95f), 0.998099983f);
    EXPECT_EQ(normalCdf(-3.0f), 0.00190001726f);
    EXPECT_EQ(normalCdf(std::numeric_limits<float>::infinity()), 1.0f);
    EXPECT_EQ(errNumber([] { normalCdf(std::numeric_limits<float>::quiet_NaN()); }), 6);
    EXPECT_EQ(normalTable(-5), 0.5f);
    EXPECT_EQ(normalTable(29), 0.9981f);
    EXPECT_EQ(normalTable(400), 0.9981f);
}

TEST(Overlap, EachConditionAndApartWindows)
{
    EXPECT_TRUE(windowsOverlap(10, 20, 15, 25)); // low 2 inside 1
    EXPECT_TRUE(windowsOverlap(15, 25, 10, 20)); // high 2 inside 1
    EXPECT_TRUE(windowsOverlap(12, 18, 10, 20)); // 2 encloses 1
    EXPECT_TRUE(windowsOverlap(10, 20, 12, 18)); // 1 encloses 2
    EXPECT_TRUE(windowsOverlap(10, 20, 20, 30)); // touching
    EXPECT_FALSE(windowsOverlap(10, 20, 21, 30));
    EXPECT_FALSE(windowsOverlap(21, 30, 10, 20));
}

TEST(Overlap, CoinsOverlappingInEveryParameterTurnYellow)
{
    Editor e("CC", "220B");
    e.windows(1, {{100, 110}, {50, 60}, {200, 210}});
    e.windows(2, {{100, 110}, {50, 60}, {200, 210}});
    e.windows(3, {{105, 115}, {55, 65}, {220, 230}}); // overlaps coin 1 in two of three
    e.setup();
    e.show(0);
    EXPECT_EQ(e.rowColour(0), colour::Yellow);
    EXPECT_EQ(e.page.cellColour[5], colour::Yellow);
    EXPECT_EQ(e.rowColour(1), colour::Yellow);
    EXPECT_EQ(e.rowColour(2), colour::White);
    EXPECT_EQ(e.slugColour(0), colour::ButtonFace);
    EXPECT_TRUE(e.dialogs.boxes.empty());
}

TEST(Overlap, NriInvertedWindowNeverCounts)
{
    Editor e("NRI", "G13-0000");
    e.windows(1, {{100, 110}, {30, 20}, {200, 210}, {10, 20}});
    e.windows(2, {{100, 110}, {20, 30}, {200, 210}, {10, 20}});
    e.setup();
    e.show(0);
    EXPECT_EQ(e.rowColour(0), colour::White);
    // The same windows on a family that takes them as they stand.
    e.rules.invertedWindowsUnset = false;
    e.show(0);
    EXPECT_EQ(e.rowColour(0), colour::Yellow);
}

TEST(Overlap, SlugsTurnCyanOverYellowAndAcrossPages)
{
    Editor e("CC", "335");
    e.windows(1, {{100, 110}, {50, 60}, {200, 210}});
    e.windows(2, {{100, 110}, {50, 60}, {200, 210}});
    e.windows(3, {{10, 20}, {10, 20}, {10, 20}});
    e.windows(10, {{150, 160}, {150, 160}, {150, 160}}); // on the second page
    e.slug(0, {{105, 120}, {40, 55}, {205, 230}});
    e.slug(1, {{155, 158}, {151, 159}, {140, 170}});
    e.slug(2, {{10, 20}, {0, 0}, {10, 20}}); // unset in one parameter: never cyan
    e.setup();
    e.show(0);
    EXPECT_EQ(e.rowColour(0), colour::Cyan);
    EXPECT_EQ(e.rowColour(1), colour::Cyan);
    EXPECT_EQ(e.rowColour(2), colour::White);
    EXPECT_EQ(e.slugColour(0), colour::Cyan);
    EXPECT_EQ(e.slugColour(1), colour::Cyan); // coin 10 is not on this page, its slug row is
    EXPECT_EQ(e.slugColour(2), colour::ButtonFace);
    EXPECT_EQ(e.page.slugColour[17], colour::ButtonFace);
}

TEST(Overlap, FifthParameterOf435)
{
    Editor e("CC", "435");
    e.windows(1, {{100, 110}, {50, 60}, {200, 210}, {20, 30}, {0, 0}});
    e.windows(2, {{100, 110}, {50, 60}, {200, 210}, {20, 30}, {0, 0}});
    e.windows(3, {{10, 20}, {10, 20}, {10, 20}, {10, 20}, {0, 0}});
    e.slug(0, {{12, 15}, {12, 15}, {12, 15}, {12, 15}, {7, 9}});
    e.setup();
    e.show(0);
    EXPECT_EQ(e.rowColour(0), colour::Yellow);
    EXPECT_EQ(e.rowColour(2), colour::Cyan);
    EXPECT_EQ(e.slugColour(0), colour::Cyan);
    e.rules.fifthParamSlugRule = false;
    e.show(0);
    EXPECT_EQ(e.rowColour(0), colour::White);
    EXPECT_EQ(e.rowColour(2), colour::White);
}

TEST(Estimate, KnownAnswersForCoins)
{
    Editor e("CC", "220B");
    e.windows(1, {{97, 104}, kWide, kWide});
    e.coinRecord(1, 0, {kAt100, kAt100, kAt100});
    e.windows(2, {{250, 255}, kWide, kWide});
    e.coinRecord(2, 1, {{254, 2, 2}, kAt100, kAt100});
    e.windows(3, {{104, 97}, kWide, kWide}); // inverted
    e.coinRecord(3, 2, {kAt100, kAt100, kAt100});
    e.windows(4, {{104, 97}, {104, 97}, kWide}); // two inverted: no positive product
    e.coinRecord(4, 3, {kAt100, kAt100, kAt100});
    e.windows(5, {{97, 104}, {0, 0}, kWide}); // unset in another parameter
    e.coinRecord(5, 4, {kAt100, kAt100, kAt100});
    e.windows(6, {{96, 107}, {48, 54}, {193, 206}}); // two records
    e.coinRecord(6, 5, {{100, 2, 3}, {50, 1, 1}, {200, 4, 2}});
    e.coinRecord(6, 6, {{103, 1.5f, 2.5f}, {52, 0.05f, 1.2f}, {198, 2, 2}});
    e.tables.coinLink(8) = 3; // keeps the mech's windows
    e.tables.coinLink(7) = -7; // kept but counted as measured
    e.setup();
    e.show(0);
    EXPECT_EQ(e.page.acceptance, (std::array<QString, 8>{"91.0", "97.7", "0.0", "0.0", "0.0", "90.0", "100.0", "???"}));
    EXPECT_EQ(e.state.estAcceptance[1], 0.910399973f);
    EXPECT_TRUE(e.dialogs.boxes.empty());
}

TEST(Estimate, OpenTopOnlyAtTheFamilyMaximum)
{
    Editor mars("Mars", "MS1000");
    mars.tables.segmentSelected(0) = true;
    mars.windows(1, {{250, 255}, {0, 4095}, {0, 4095}});
    mars.coinRecord(1, 0, {{254, 2, 2}, kAt100, kAt100});
    mars.windows(2, {{4088, 4095}, {0, 4095}, {0, 4095}});
    mars.coinRecord(2, 1, {{4094, 1.5f, 3}, kAt100, kAt100});
    mars.setup();
    mars.show(0);
    EXPECT_EQ(mars.page.acceptance[0], "66.9");
    EXPECT_EQ(mars.page.acceptance[1], "100.0");
}

TEST(Estimate, SlugRejection)
{
    Editor one("CC", "220B");
    one.windows(1, {{97, 104}, kWide, kWide});
    one.slug(0, {}, {{106, 2, 2}, kAt100, kAt100});
    one.setup();
    one.show(0);
    EXPECT_EQ(one.page.rejection[0], "84.1");

    Editor two("CC", "220B");
    two.windows(1, {{96, 107}, {48, 54}, {193, 206}});
    two.windows(2, {{108, 118}, {40, 47}, {150, 170}});
    two.slug(0, {}, {{110, 3, 3}, {47, 2, 2}, {180, 10, 10}});
    two.setup();
    two.show(0);
    EXPECT_EQ(two.page.rejection[0], "93.7"); // what both coins of the page accept is summed
    EXPECT_EQ(two.page.rejection[1], "");     // no second slug
}

TEST(Estimate, FifthParameterSlugRuleZeroesOnlyThatCoin)
{
    Editor e("CC", "435");
    const std::pair<qint32, qint32> fifthSet{1, 50};
    e.windows(1, {{97, 104}, kWide, kWide, kWide, {0, 0}});
    e.windows(2, {{97, 104}, kWide, kWide, kWide, fifthSet});
    e.slug(0, {{0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 40}}, {kAt100, kAt100, kAt100, kAt100, kAt100});
    e.windows(3, {{97, 104}, kWide, kWide, kWide, {0, 0}});
    e.coinRecord(3, 1, {kAt100, kAt100, kAt100, kAt100, {5, 1, 1}});
    e.setup();
    e.show(0);
    EXPECT_EQ(e.page.rejection[0], "0.0"); // coins 1 and 3 each accept 91 %
    e.windows(3, {{200, 210}, kWide, kWide, kWide, {0, 0}});
    e.show(0);
    EXPECT_EQ(e.page.rejection[0], "9.0"); // coin 1 accepts 91 %, coin 2 is out by its fifth window
    EXPECT_EQ(e.page.acceptance[2], "0.0");
    e.windows(2, {{97, 104}, kWide, kWide, kWide, {1, 40}});
    e.show(0);
    EXPECT_EQ(e.page.rejection[0], "0.0"); // within the slug's own limit: factor 1
}

TEST(Estimate, SlugsAboveTheCountShowNothingButKeepTheirFigure)
{
    Editor e("CC", "220B");
    e.state.estRejection[2] = 0.5f;
    e.windows(1, {{97, 104}, kWide, kWide});
    e.slug(0, {}, {{106, 2, 2}, kAt100, kAt100});
    e.setup();
    e.show(0);
    EXPECT_EQ(e.page.rejection, (std::array<QString, 6>{"84.1", "", "", "", "", ""}));
    EXPECT_EQ(e.state.estRejection[2], 0.5f);
}

TEST(Estimate, WildTablesAreReportedOnceAndChangeNothing)
{
    Editor e("CC", "335");
    e.windows(1, {{97, 104}, kWide, kWide});
    e.coinRecord(1, 0, {kAt100, kAt100, kAt100});
    e.setup();
    e.show(0);
    ASSERT_TRUE(e.dialogs.boxes.empty());
    const LimitsState before = e.state;
    const LimitsPage shown = e.page;

    e.tables.coinRecordIndex(2, 0) = 9; // more records than the index holds
    calcAcceptance(e.page, e.state, 1, e.ctx());
    EXPECT_EQ(e.dialogs.reports(), (QList<int>{1224}));
    EXPECT_EQ(e.state.estAcceptance, before.estAcceptance);
    EXPECT_EQ(e.page.acceptance, shown.acceptance);
    e.tables.coinRecordIndex(2, 0) = 0;

    e.dialogs.boxes.clear();
    e.tables.slugCount = 7;
    checkOverlaps(e.page, 1, e.ctx());
    EXPECT_EQ(e.dialogs.reports(), (QList<int>{1223}));
    EXPECT_EQ(e.page.slugColour, shown.slugColour);

    e.dialogs.boxes.clear();
    e.tables.slugCount = 0;
    e.tables.coinsetStats(0, 0) = std::numeric_limits<float>::quiet_NaN();
    calcAcceptance(e.page, e.state, 1, e.ctx());
    EXPECT_EQ(e.dialogs.reports(), (QList<int>{1224}));
    EXPECT_EQ(e.state.estAcceptance, before.estAcceptance);

    e.dialogs.boxes.clear();
    displayAcceptance(e.page, e.state, 20, e.ctx()); // rows beyond channel 24
    EXPECT_EQ(e.dialogs.reports(), (QList<int>{1225}));
    EXPECT_EQ(e.page.acceptance, shown.acceptance);
}

TEST(Estimate, FuzzedTablesNeverCrashOrWriteOutside)
{
    QRandomGenerator rng(2024);
    const auto wild = [&rng](int lo, int hi) { return lo + int(rng.bounded(hi - lo + 1)); };
    const float specials[] = {0.0f, -1.0f, 1e30f, -1e30f, std::numeric_limits<float>::infinity(),
                              std::numeric_limits<float>::quiet_NaN(), 0.05f, 255.0f};
    for (int round = 0; round < 300; ++round) {
        Editor e(round % 2 ? "CC" : "Mars", round % 3 ? "435" : "MS1000");
        e.tables.segmentSelected(round % 4) = true;
        for (int c = 1; c <= 24; ++c)
            for (int k = 1; k <= 12; ++k)
                e.tables.coinLimitTable(c, k) = wild(-300, 4400);
        for (int r = 0; r <= 100; ++r)
            for (int k = 0; k <= 25; ++k) {
                e.tables.coinsetRecords(r, k) = wild(-50, 400);
                e.tables.coinsetStats(r, k) =
                    rng.bounded(10) == 0 ? specials[rng.bounded(8)] : float(rng.bounded(300.0)) - 20;
            }
        for (int c = 0; c <= 24; ++c) {
            e.tables.coinLink(c) = wild(-3, 3);
            for (int k = 0; k <= 7; ++k)
                e.tables.coinRecordIndex(c, k) = rng.bounded(20) == 0 ? wild(-5, 200) : wild(0, 6);
        }
        for (int s = 0; s <= 6; ++s)
            e.tables.slugRecordIndex(s) = rng.bounded(20) == 0 ? wild(-5, 200) : wild(0, 100);
        e.tables.slugCount = wild(-2, 8);
        e.setup();
        const int firstCoin = wild(-30, 40);
        // Marked, so that any entry written shows: channel 0 and the slugs the set does not have
        // are no estimates and must keep the mark.
        constexpr float kMark = -7;
        e.state.estAcceptance.fill(kMark);
        e.state.estRejection.fill(kMark);
        const LimitsState before = e.state;
        e.dialogs.boxes.clear();
        calcAcceptance(e.page, e.state, firstCoin, e.ctx());
        const QList<int> reports = e.dialogs.reports();
        ASSERT_LE(reports.count(1224), 1);
        ASSERT_LE(reports.count(1225), 1);
        if (reports.contains(1224)) {
            ASSERT_EQ(e.state.estAcceptance, before.estAcceptance);
            ASSERT_EQ(e.state.estRejection, before.estRejection);
        } else {
            ASSERT_EQ(e.state.estAcceptance[0], kMark);
            ASSERT_EQ(e.state.estRejection[0], kMark);
            for (int s = std::max(e.tables.slugCount, 0) + 1; s <= 6; ++s)
                ASSERT_EQ(e.state.estRejection[std::size_t(s)], kMark) << s;
        }
        e.dialogs.boxes.clear();
        // Only the page's coin rows and the set's slug rows take a colour.
        const LimitsPage beforeOverlaps = e.page;
        checkOverlaps(e.page, firstCoin, e.ctx());
        ASSERT_LE(e.dialogs.boxes.size(), 1u);
        const std::size_t rowCells = std::size_t(2 * e.params.paramCount);
        for (std::size_t i = std::size_t(e.params.coinsPerSegment) * rowCells; i < e.page.cellColour.size(); ++i)
            ASSERT_EQ(e.page.cellColour[i], beforeOverlaps.cellColour[i]) << i;
        for (std::size_t i = std::size_t(std::max(e.tables.slugCount, 0)) * rowCells; i < e.page.slugColour.size(); ++i)
            ASSERT_EQ(e.page.slugColour[i], beforeOverlaps.slugColour[i]) << i;
        e.dialogs.boxes.clear();
        e.show(wild(-2, 5));
        ASSERT_LE(e.dialogs.reports().count(1239), 1);
    }
}
