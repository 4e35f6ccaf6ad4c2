// The limits editor window: layout per model, pages, the grid the user edits, colours, the
// estimate figures, the PROM type and the return from a validator test.
#include "quenby/memutils/frmprom.h"
#include "quenby/program.h"
#include "tests/support/testservices.h"

#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>

using namespace quenby;

namespace {

struct PromWindow : ::testing::Test {
    testing_support::TestServices ts;
    std::unique_ptr<Program> p = std::make_unique<Program>(ts.services());

    void TearDown() override { EXPECT_TRUE(ts.dialogs->allAnswersUsed()); }

    frmPROM& job(const QString& family, const QString& model, int promSize = 0)
    {
        p->job.beginJob(familyNamed(family), model);
        setMechParameters(p->params, familyNamed(family), model, p->texts);
        p->memory.promSize = promSize;
        return p->promForm();
    }
    plat::NamedControls& c() { return p->promForm().controls(); }
    void window(int coin, std::initializer_list<std::pair<int, int>> ws)
    {
        int col = 1;
        for (auto [lo, hi] : ws) {
            p->memory.coins.coinLimitTable(coin, col++) = lo;
            p->memory.coins.coinLimitTable(coin, col++) = hi;
        }
    }
    QList<bool> pagesShown()
    {
        QList<bool> out;
        for (int i = 0; i < 4; ++i)
            out << c().isVisible("optSeg", i);
        return out;
    }
};

} // namespace

TEST_F(PromWindow, AcceptanceColumnAndCellsFollowTheParameterCount)
{
    struct Case {
        const char* family;
        const char* model;
        int accTwips, windowTwips, lastCell;
    };
    for (const Case& k : {Case{"CC", "220B", 7560, 10710, 47}, Case{"NRI", "G13-0000", 9720, 11475, 47},
                          Case{"CC", "435", 9000, 11070, 79}, Case{"NRI", "G13-6000", 10560, 12345, 71}}) {
        SCOPED_TRACE(k.model);
        frmPROM& f = job(k.family, k.model);
        f.setupfrmPROM();
        EXPECT_EQ(c().get<QLabel>("lblAcceptance", 0)->x(), k.accTwips / 15);
        EXPECT_EQ(c().get<QLabel>("lblRejection", 5)->x(), k.accTwips / 15);
        EXPECT_EQ(f.width(), k.windowTwips / 15);
        EXPECT_TRUE(c().isVisible("txtProm", k.lastCell));
        EXPECT_FALSE(c().isVisible("txtProm", k.lastCell + 1));
        EXPECT_TRUE(c().isVisible("lblSlugLimits", 6 * 2 * p->params.paramCount - 1));
        EXPECT_EQ(c().get<QLineEdit>("txtProm", 1)->x(), (1080 + (k.accTwips == 7560 || k.accTwips == 9720 ? 840 : 720)) / 15);
        EXPECT_EQ(c().get<QLineEdit>("txtProm", 2 * p->params.paramCount)->y(), (480 + 360) / 15);
        EXPECT_EQ(c().text("lblmechType"), k.model);
        EXPECT_FALSE(c().isEnabled("cmdValtest"));
        p->unloadProm();
    }
}

TEST_F(PromWindow, MarsPagesAreTheSelectedSegmentsOfThePromSize)
{
    auto& seg = p->memory.coins.segmentSelected;
    seg(1) = seg(2) = seg(3) = true;
    window(7, {{100, 120}, {200, 220}, {300, 320}});
    frmPROM& f = job("Mars", "ME111", 1);
    f.setupfrmPROM();
    EXPECT_EQ(pagesShown(), (QList<bool>{false, true, true, true}));
    EXPECT_EQ(c().text("lblSize"), "2K");
    EXPECT_TRUE(c().isVisible("frmPromType"));
    EXPECT_EQ(c().text("cmdProgPROM"), "Program New PROM");
    // The page turned on is the page shown; turning it on drew nothing yet.
    EXPECT_EQ(c().value("optSeg", 1), 1);
    EXPECT_EQ(p->limits.displayedSegment, 1);
    EXPECT_EQ(c().text("txtProm", 0), "");

    f.selectSegment(p->limits.displayedSegment);
    EXPECT_EQ(c().text("lblCoin", 0), "Coin A2");
    EXPECT_EQ(c().text("lblCoin", 5), "Coin F2");
    EXPECT_EQ(c().text("txtProm", 0), "100");
    EXPECT_EQ(c().text("txtProm", 5), "320");

    p->memory.promSize = 0;
    f.setupfrmPROM();
    EXPECT_EQ(pagesShown(), (QList<bool>{false, true, false, false}));
    EXPECT_EQ(c().text("lblSize"), "1K");

    frmPROM& me181 = job("Mars", "ME181", 1);
    seg(0) = true;
    me181.setupfrmPROM();
    EXPECT_EQ(pagesShown(), (QList<bool>{true, true, false, false}));
    EXPECT_EQ(p->limits.displayedSegment, 0);
}

TEST_F(PromWindow, SecondPageOfAnEightCoinModelByTheUsersClick)
{
    window(9, {{11, 12}, {13, 14}, {15, 16}});
    window(16, {{1, 2}, {3, 4}, {5, 250}});
    frmPROM& f = job("CC", "335");
    f.setupfrmPROM();
    EXPECT_EQ(pagesShown(), (QList<bool>{true, true, false, false}));
    EXPECT_EQ(c().text("frmDisplay"), "Display EEPROM Segment");
    EXPECT_FALSE(c().isVisible("frmPromSize"));
    f.selectSegment(0);
    c().get<QRadioButton>("optSeg", 1)->click();
    EXPECT_EQ(p->limits.displayedSegment, 1);
    EXPECT_EQ(c().text("lblCoin", 0), "Coin 09");
    EXPECT_EQ(c().text("lblCoin", 7), "Coin 16");
    EXPECT_EQ(c().text("txtProm", 0), "11");
    EXPECT_EQ(c().text("txtProm", 47), "250");
    EXPECT_FALSE(p->limits.limitsEdited);
}

TEST_F(PromWindow, EditedGridIsStoredIntoThePageShownBeforeAnotherPage)
{
    window(1, {{10, 20}, {30, 40}, {50, 60}});
    frmPROM& f = job("CC", "335");
    f.setupfrmPROM();
    f.selectSegment(0);
    auto* cell = c().get<QLineEdit>("txtProm", 1);
    cell->setText("300");
    EXPECT_TRUE(p->limits.limitsEdited);
    cell->setText("20"); // changed back: still edited
    cell->setText("300");
    EXPECT_TRUE(p->limits.limitsEdited);
    ts.dialogs->answer(plat::mb::OK, "Limits edited - using new values ");
    c().get<QRadioButton>("optSeg", 1)->click();
    EXPECT_EQ(ts.dialogs->boxes().back().title, "Limits Changed");
    EXPECT_EQ(ts.dialogs->boxes().back().style, plat::mb::Information);
    EXPECT_EQ(p->memory.coins.coinLimitTable(1, 2), 255);
    // Applied as Change Limits applies it: the image to programme holds the window too, channel
    // 1's first window word of a 335 (word 9) high byte the high limit.
    EXPECT_EQ(p->memory.images.progImage[9], 255 * 256 + 10);
    EXPECT_EQ(p->limits.displayedSegment, 1);
    EXPECT_FALSE(p->limits.limitsEdited);
    c().get<QRadioButton>("optSeg", 0)->click();
    EXPECT_EQ(c().text("txtProm", 1), "255");
}

TEST_F(PromWindow, OverlapColoursAndTheEstimateFigures)
{
    auto& t = p->memory.coins;
    // Coins 1 and 2 overlap in every parameter; coin 3 overlaps the slug.
    window(1, {{97, 104}, {0, 255}, {0, 255}});
    window(2, {{100, 110}, {0, 255}, {0, 255}});
    window(3, {{150, 160}, {10, 20}, {10, 20}});
    const float coin[] = {100, 55, 75, 2, 2, 2, 2, 2, 2};
    const float slug[] = {156, 15, 15, 1, 1, 1, 1, 1, 1};
    for (int k = 0; k < 9; ++k) {
        t.coinsetStats(0, k) = coin[k];
        t.coinsetStats(5, k) = slug[k];
    }
    t.coinRecordIndex(1, 0) = 1;
    t.coinRecordIndex(1, 1) = 0;
    t.coinsetRecords(5, 2) = 155;
    t.coinsetRecords(5, 3) = 158;
    t.coinsetRecords(5, 4) = 12;
    t.coinsetRecords(5, 5) = 18;
    t.coinsetRecords(5, 6) = 12;
    t.coinsetRecords(5, 7) = 18;
    t.slugRecordIndex(0) = 5;
    t.slugCount = 1;
    t.coinLink(4) = 4;
    frmPROM& f = job("CC", "335");
    f.setupfrmPROM();
    f.selectSegment(0);
    EXPECT_EQ(c().backColor("txtProm", 0), 0x00FFFFu);
    EXPECT_EQ(c().backColor("txtProm", 11), 0x00FFFFu);
    EXPECT_EQ(c().backColor("txtProm", 12), 0xFFFF00u);
    EXPECT_EQ(c().backColor("txtProm", 18), 0xFFFFFFu);
    EXPECT_EQ(c().backColor("lblSlugLimits", 0), 0xFFFF00u);
    EXPECT_EQ(c().backColor("lblSlugLimits", 6), 0x8000000Fu);
    EXPECT_EQ(c().text("lblAcceptance", 0), "91.0");
    EXPECT_EQ(c().text("lblAcceptance", 1), "100.0");
    EXPECT_EQ(c().text("lblAcceptance", 3), "???");
    EXPECT_EQ(c().text("lblRejection", 0), "0.0");
    EXPECT_EQ(c().text("lblRejection", 1), "");

    f.clearColors();
    EXPECT_EQ(c().backColor("txtProm", 12), 0xFFFFFFu);
    EXPECT_EQ(c().backColor("lblSlugLimits", 0), 0x8000000Fu);
}

TEST_F(PromWindow, PromTypeOptionOwnsTheBipolarFlag)
{
    frmPROM& f = job("Mars", "MS1000");
    EXPECT_TRUE(p->memory.bipolarProm);
    c().get<QRadioButton>("optOmbrixPROM")->click();
    EXPECT_FALSE(p->memory.bipolarProm);
    f.selectBipolarProm();
    EXPECT_TRUE(p->memory.bipolarProm);
    EXPECT_EQ(c().value("optBipolarPROM"), 1);
    EXPECT_EQ(c().value("optOmbrixPROM"), 0);
}

TEST_F(PromWindow, ValidatorTestReturnsOnlyToALoadedEditor)
{
    p->memoryWindows().enablePromValtest();
    p->memoryWindows().showPromWindow();
    EXPECT_EQ(p->promIfLoaded(), nullptr);

    frmPROM& f = job("CC", "C120");
    f.setupfrmPROM();
    EXPECT_FALSE(c().isEnabled("cmdValtest"));
    p->memoryWindows().enablePromValtest();
    EXPECT_TRUE(c().isEnabled("cmdValtest"));
    f.selectSegment(1); // a later page keeps it enabled
    EXPECT_TRUE(c().isEnabled("cmdValtest"));
    EXPECT_FALSE(f.isVisible());
    p->memoryWindows().showPromWindow();
    EXPECT_TRUE(f.isVisible());
}

TEST_F(PromWindow, CommandButtonsAreCaptionedAndRunAsJobs)
{
    job("CC", "450").setupfrmPROM();
    EXPECT_EQ(c().text("cmdRestore"), "Restore Limits");
    EXPECT_EQ(c().text("cmdChangeLimits"), "Change Limits");
    EXPECT_EQ(c().text("cmdProgPROM"), "Program EEPROM");
    EXPECT_EQ(c().text("cmdPROMutilities"), "EEPROM Utilities");
    EXPECT_EQ(c().text("cmdValtest"), "Validator Test");
    EXPECT_EQ(c().text("cmdBack1"), "Back to Measurement Window");
    const char* const buttons[] = {"cmdRestore", "cmdChangeLimits", "cmdProgPROM",
                                   "cmdValtest", "cmdPROMutilities", "cmdBack1"};
    // While another job waits, a command is refused rather than run inside it: nothing applied,
    // restored, sent or closed.
    p->memory.coins.coinLimitTable(1, 1) = 77;
    c().setText("txtProm", "12", 0);
    p->limits.limitsEdited = true;
    EXPECT_TRUE(p->guard.runJob([&] {
        for (const char* b : buttons)
            c().get<QPushButton>(b)->click();
    }));
    EXPECT_EQ(p->memory.coins.coinLimitTable(1, 1), 77);
    EXPECT_TRUE(p->limits.limitsEdited);
    EXPECT_TRUE(p->promIfLoaded());
    EXPECT_TRUE(c().isEnabled("cmdPROMutilities")) << "the memory windows are there";
    EXPECT_TRUE(ts.dialogs->boxes().empty());
}
