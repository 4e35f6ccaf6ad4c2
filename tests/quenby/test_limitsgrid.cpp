// The limits editor's page: layout per model, page options, titles, the grid and applying it.
#include "tests/quenby/limits_fixture.h"
#include "tests/support/testservices.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>

using namespace quenby;
using limits_test::Editor;

namespace {

int visibleCells(const LimitsPage& p)
{
    int n = 0;
    for (const Placement& c : p.cells)
        n += c.visible ? 1 : 0;
    return n;
}

std::array<bool, 4> pages(bool a, bool b, bool c, bool d) { return {a, b, c, d}; }

void select(Editor& e, std::initializer_list<int> segments, int promSize)
{
    for (int s : segments)
        e.tables.segmentSelected(s) = true;
    e.promSize = promSize;
}

} // namespace

TEST(CoinTables, IndexesOutsideATableRaiseAndWriteNothing)
{
    CoinTables t;
    const CoinTables before = t;
    EXPECT_EQ(testing_support::errNumber([&] { t.coinLimitTable(25, 1) = 7; }), 9);
    EXPECT_EQ(testing_support::errNumber([&] { t.coinLimitTable(1, 13) = 7; }), 9);
    EXPECT_EQ(testing_support::errNumber([&] { t.slugRecordIndex(-1) = 7; }), 9);
    EXPECT_TRUE(t.coinLimitTable == before.coinLimitTable && t.slugRecordIndex == before.slugRecordIndex);
}

TEST(LimitsLayout, GeometryByParameterCount)
{
    const struct {
        const char* family;
        const char* model;
        int accColumn, frameWidth, windowWidth, titleCentre, visible;
    } cases[] = {
        {"CC", "220B", 7560, 9135, 10710, 1867, 48},
        {"NRI", "G13-0000", 9720, 10815, 11475, 1867, 48},
        {"CC", "435", 9000, 10455, 11070, 1747, 80},
        {"NRI", "G13-6000", 10560, 11775, 12345, 1747, 72},
        {"Mars", "ME111", 7560, 9135, 10710, 1867, 36},
    };
    for (const auto& c : cases) {
        Editor e(c.family, c.model);
        e.setup();
        const LimitsPage& p = e.page;
        EXPECT_EQ(p.accColumn, c.accColumn) << c.model;
        EXPECT_EQ(p.frameWidth, c.frameWidth) << c.model;
        EXPECT_EQ(p.windowWidth, c.windowWidth) << c.model;
        EXPECT_EQ(p.paramTitleCentre[0], c.titleCentre) << c.model;
        EXPECT_EQ(visibleCells(p), c.visible) << c.model;
        EXPECT_FALSE(p.cells[std::size_t(c.visible)].visible) << c.model;
    }
}

TEST(LimitsLayout, CellsAndSlugRowsOfAFiveParameterModel)
{
    Editor e("CC", "435");
    e.setup();
    const LimitsPage& p = e.page;
    EXPECT_EQ(p.frameLeft, 240);
    EXPECT_EQ((std::array<int, 3>{p.cells[0].left, p.cells[1].left, p.cells[2].left}),
              (std::array<int, 3>{1080, 1800, 2640}));
    EXPECT_EQ(p.cells[11].top, 840);
    EXPECT_EQ(p.slugCells[59].top, 3600 + 5 * 360); // six slug rows, whatever the coin set has
    EXPECT_TRUE(p.slugCells[59].visible);
    EXPECT_FALSE(p.slugCells[60].visible);
    EXPECT_FALSE(p.paramTitleVisible[5]);
}

TEST(LimitsLayout, FamilyTexts)
{
    Editor m("Mars", "MS1000");
    select(m, {0}, 0);
    m.setup();
    EXPECT_TRUE(m.page.marsFrames);
    EXPECT_EQ(m.page.displayCaption, "Display PROM Segment");
    EXPECT_EQ(m.page.programCaption, "Program New PROM");
    EXPECT_EQ(m.page.utilitiesCaption, "PROM Utilities");
    EXPECT_EQ(m.page.coinTitles[0], "Coin A1");
    EXPECT_EQ(m.page.coinTitles[5], "Coin F1");
    EXPECT_EQ(m.page.paramTitles[0], "Thickness");
    EXPECT_EQ(m.page.mechType, "MS1000");

    Editor cc("CC", "335");
    cc.setup();
    EXPECT_FALSE(cc.page.marsFrames);
    EXPECT_EQ(cc.page.displayCaption, "Display EEPROM Segment");
    EXPECT_EQ(cc.page.programCaption, "Program EEPROM");
    EXPECT_EQ(cc.page.utilitiesCaption, "EEPROM Utilities");
    EXPECT_EQ(cc.page.coinTitles[7], "Coin 08");
    EXPECT_FALSE(cc.page.validatorTestEnabled);
}

TEST(LimitsPages, MarsOffersSelectedSegmentsOfItsPromSize)
{
    Editor oneK("Mars", "MS1000");
    select(oneK, {0, 1, 2, 3}, 0);
    oneK.setup();
    EXPECT_EQ(oneK.page.pageVisible, pages(true, true, false, false));
    EXPECT_EQ(oneK.page.sizeText, "1K");

    Editor twoK("Mars", "MS1000");
    select(twoK, {0, 1, 2, 3}, 1);
    twoK.setup();
    EXPECT_EQ(twoK.page.pageVisible, pages(true, true, true, true));
    EXPECT_EQ(twoK.page.sizeText, "2K");

    Editor me181("Mars", "ME181");
    select(me181, {0, 1, 2, 3}, 1);
    me181.setup();
    EXPECT_EQ(me181.page.pageVisible, pages(true, true, false, false));

    Editor none("Mars", "MS1000");
    select(none, {}, 1);
    none.state.displayedSegment = 3;
    none.setup();
    EXPECT_EQ(none.page.pageVisible, pages(false, false, false, false));
    EXPECT_EQ(none.page.pageOn, 0);
    EXPECT_EQ(none.state.displayedSegment, 0);
}

TEST(LimitsPages, ThePageTurnedOnIsThePageShownAndApplied)
{
    Editor e("Mars", "MS1000");
    select(e, {1, 3}, 1);
    for (int k = 1; k <= 6; ++k) {
        e.tables.coinLimitTable(1, k) = 11;
        e.tables.coinLimitTable(7, k) = 77;
    }
    e.state.limitsEdited = true;
    e.setup();
    EXPECT_EQ(e.page.pageVisible, pages(false, true, false, true));
    EXPECT_EQ(e.page.pageOn, 1);
    EXPECT_EQ(e.state.displayedSegment, 1);
    EXPECT_FALSE(e.state.limitsEdited);

    e.show(e.state.displayedSegment);
    EXPECT_EQ(e.page.coinTitles[0], "Coin A2");
    EXPECT_EQ(e.page.cellText[0], "77");
    // An edit is applied to the page shown, coins 7..12, not to page 0's coins.
    e.page.cellText[0] = "78";
    EXPECT_TRUE(applyGrid(e.page, e.state, e.ctx()));
    EXPECT_EQ(e.tables.coinLimitTable(7, 1), 78);
    EXPECT_EQ(e.tables.coinLimitTable(1, 1), 11);
}

TEST(LimitsPages, SecondPageOfAnEightCoinModel)
{
    Editor e("CC", "335");
    for (int c = 1; c <= 16; ++c)
        e.tables.coinLimitTable(c, 1) = c * 10;
    e.setup();
    e.show(1);
    EXPECT_EQ(e.page.pageOn, 1);
    EXPECT_EQ(e.state.displayedSegment, 1);
    EXPECT_EQ(e.page.coinTitles[0], "Coin 09");
    EXPECT_EQ(e.page.coinTitles[7], "Coin 16");
    EXPECT_EQ(e.page.cellText[0], "90");
    EXPECT_EQ(e.page.cellText[7 * 6], "160");
    EXPECT_EQ(e.page.cellText[1], "0");
    EXPECT_EQ(e.page.pageVisible, pages(true, true, false, false));
}

TEST(LimitsPages, PageChangeAfterAnEditStoresTheShownGridFirst)
{
    Editor e("CC", "335");
    e.tables.coinLimitTable(1, 1) = 100;
    e.tables.coinLimitTable(9, 1) = 90;
    e.setup();
    e.show(0);
    e.page.cellText[0] = "120";
    e.page.cellText[6] = "300";
    e.state.limitsEdited = true;
    // The editor's apply runs on the page still shown, before anything of the new page.
    QStringList applied;
    const std::function<bool()> storeGrid = e.applyEdits;
    e.applyEdits = [&] {
        applied << QStringLiteral("page %1 on %2 cell %3")
                       .arg(e.state.displayedSegment)
                       .arg(e.page.pageOn)
                       .arg(e.page.cellText[0]);
        return storeGrid();
    };
    e.show(1);
    EXPECT_EQ(applied, QStringList{"page 0 on 0 cell 120"});
    ASSERT_EQ(e.dialogs.boxes.size(), 1u);
    EXPECT_EQ(e.dialogs.boxes[0].text, "Limits edited - using new values ");
    EXPECT_EQ(e.dialogs.boxes[0].title, "Limits Changed");
    EXPECT_EQ(e.dialogs.boxes[0].style, plat::mb::Information);
    EXPECT_EQ(e.tables.coinLimitTable(1, 1), 120);
    EXPECT_EQ(e.tables.coinLimitTable(2, 1), 255);
    EXPECT_EQ(e.page.cellText[0], "90");
    EXPECT_FALSE(e.state.limitsEdited);
    e.show(0);
    EXPECT_EQ(e.page.cellText[6], "255");
    EXPECT_EQ(e.dialogs.boxes.size(), 1u);
    EXPECT_EQ(applied.size(), 1) << "nothing edited, nothing applied";

    // Edits the apply could not store stay on their page, still edited.
    e.page.cellText[0] = "130";
    e.state.limitsEdited = true;
    e.applyEdits = [] { return false; };
    e.show(1);
    EXPECT_EQ(e.dialogs.boxes.size(), 2u);
    EXPECT_EQ(e.state.displayedSegment, 0);
    EXPECT_EQ(e.page.pageOn, 0);
    EXPECT_EQ(e.page.cellText[0], "130");
    EXPECT_EQ(e.page.coinTitles[0], "Coin 01");
    EXPECT_TRUE(e.state.limitsEdited);
    EXPECT_EQ(e.tables.coinLimitTable(1, 1), 120);
}

TEST(LimitsPages, WildPageIsReportedOnceAndChangesNothing)
{
    Editor e("CC", "335");
    e.tables.coinLimitTable(1, 1) = 5;
    e.setup();
    e.show(0);
    const LimitsPage shown = e.page;
    for (int bad : {-1, 4, 7, 1 << 30}) {
        e.dialogs.boxes.clear();
        e.show(bad);
        EXPECT_EQ(e.dialogs.reports(), (QList<int>{1239})) << bad;
        EXPECT_EQ(e.state.displayedSegment, 0);
        EXPECT_EQ(e.page.cellText, shown.cellText);
        EXPECT_EQ(e.page.pageOn, 0);
    }
    // Page 3 exists as an option but its coins do not.
    e.dialogs.boxes.clear();
    e.show(3);
    EXPECT_EQ(e.dialogs.reports(), (QList<int>{1239}));
    EXPECT_EQ(e.page.coinTitles, shown.coinTitles);
}

TEST(ApplyGrid, CellTextsClampedThenRounded)
{
    EXPECT_EQ(gridValue("300", 255), 255);
    EXPECT_EQ(gridValue("5000", 4095), 4095);
    EXPECT_EQ(gridValue("-3", 255), 0);
    EXPECT_EQ(gridValue("12.5", 255), 12);
    EXPECT_EQ(gridValue("13.5", 255), 14);
    EXPECT_EQ(gridValue("254.5", 255), 254);
    EXPECT_EQ(gridValue("255.5", 255), 255);
    EXPECT_EQ(gridValue("abc", 255), 0);
    EXPECT_EQ(gridValue("", 255), 0);
    EXPECT_EQ(gridValue(" 17x", 255), 17);
    EXPECT_EQ(gridValue("99999999999", 255), 255);
    EXPECT_EQ(gridValue("-99999999999", 4095), 0);
    EXPECT_EQ(gridValue("1E+400", 4095), 4095);
    EXPECT_EQ(gridValue(" -1E+400", 255), 0);
}

TEST(ApplyGrid, OnlyThePageShownChanges)
{
    Editor e("Mars", "MS1000");
    select(e, {0, 1, 2, 3}, 1);
    for (int c = 1; c <= 24; ++c)
        for (int k = 1; k <= 6; ++k)
            e.tables.coinLimitTable(c, k) = 1000;
    e.setup();
    e.show(2);
    e.page.cellText[0] = "5000";
    e.page.cellText[35] = "-3";
    ASSERT_TRUE(applyGrid(e.page, e.state, e.ctx()));
    EXPECT_EQ(e.tables.coinLimitTable(13, 1), 4095);
    EXPECT_EQ(e.tables.coinLimitTable(18, 6), 0);
    EXPECT_EQ(e.tables.coinLimitTable(12, 6), 1000);
    EXPECT_EQ(e.tables.coinLimitTable(19, 1), 1000);
    EXPECT_TRUE(e.dialogs.boxes.empty());
}

TEST(ApplyGrid, FuzzedCellsAndPagesNeverWriteOutsideThePage)
{
    const QString alphabet = QStringLiteral("0123456789-+.eE &Hx");
    QRandomGenerator rng(77);
    for (int round = 0; round < 2000; ++round) {
        Editor e(round % 2 ? "Mars" : "CC", round % 2 ? "MS1000" : "335");
        const qint32 cap = e.rules.limitCap;
        e.setup();
        for (QString& t : e.page.cellText) {
            t.clear();
            const int len = int(rng.bounded(14));
            for (int i = 0; i < len; ++i)
                t += alphabet[int(rng.bounded(alphabet.size()))];
        }
        const qint32 wild[] = {-1, 0, 1, 2, 3, 4, 9, 32767, 32768, -40000, INT_MIN};
        e.state.displayedSegment = wild[rng.bounded(11)];
        const CoinTables before = e.tables;
        const bool stored = applyGrid(e.page, e.state, e.ctx());
        ASSERT_EQ(e.dialogs.boxes.size(), stored ? 0u : 1u);
        const int cps = e.params.coinsPerSegment;
        const qint64 first = qint64(e.state.displayedSegment) * cps + 1;
        for (int c = 0; c <= 24; ++c) {
            for (int k = 0; k <= 12; ++k) {
                const bool onPage = stored && c >= first && c < first + cps && k >= 1 && k <= 2 * e.params.paramCount;
                if (!onPage) {
                    ASSERT_EQ(e.tables.coinLimitTable(c, k), before.coinLimitTable(c, k));
                } else {
                    ASSERT_GE(e.tables.coinLimitTable(c, k), 0);
                    ASSERT_LE(e.tables.coinLimitTable(c, k), cap);
                }
            }
        }
    }
}
