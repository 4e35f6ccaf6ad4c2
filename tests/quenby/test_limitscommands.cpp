// The limits editor's commands on virtual time through the whole program: the grid applied with
// its clamps, the pages of a 2K PROM, duplicate segments, the bipolar blank check and its
// prompts, the Ombrix E+1 PROM, the PROM size, pending edits, Restore Limits, and the validator
// test opened from the editor. The editor is reached by the Edit Limits wizard, which reads
// the mech's own windows.
#include "sim/ccmech.h"
#include "sim/marssocket.h"
#include "tests/quenby/clone_fixture.h"

#include <QLineEdit>
#include <QRadioButton>

namespace {

using namespace quenby_tests;
using sim::MarsProm;

struct EditorTest : CloneTest {
    void editCc(const QString& model)
    {
        openMeasure(model, "cmbCCmech", "cmdCCprog");
        press(w(), "cmdSpecialUtilities");
        press(w(), "cmdEdit");
        ASSERT_TRUE(editorShown());
        clearSent();
    }
    // A cell typed by the user.
    void type(int cell, const QString& text) { ed().get<QLineEdit>("txtProm", cell)->setText(text); }
    QStringList cells(int first, int count)
    {
        QStringList out;
        for (int k = first; k < first + count; ++k)
            out << ed().text("txtProm", k);
        return out;
    }
    qint32 table(int coin, int column) { return p->memory.coins.coinLimitTable(coin, column); }
};

TEST_F(EditorTest, ChangeLimitsClampsEachCellBeforeRoundingAndShowsWhatWasStored)
{
    editCc("C120");
    const int before = table(2, 1);
    type(0, "300");
    type(1, "-3");
    type(2, "12.5");
    type(3, "13.5");
    type(4, "abc");
    type(5, "1e30"); // beyond any whole number: the cap, not an overflow
    EXPECT_TRUE(p->limits.limitsEdited);
    press(ed(), "cmdChangeLimits");
    EXPECT_EQ(cells(0, 6), (QStringList{"255", "0", "12", "14", "0", "255"}));
    EXPECT_EQ(table(1, 1), 255);
    EXPECT_EQ(table(1, 3), 12);
    EXPECT_EQ(table(2, 1), before) << "only the cells typed changed";
    EXPECT_FALSE(p->limits.limitsEdited);
    // The image holds what the table holds: C120 window words from 10, high byte the high limit.
    EXPECT_EQ(p->memory.images.progImage[10], 0 * 256 + 255);
    EXPECT_EQ(p->memory.images.progImage[22], 14 * 256 + 12);
    EXPECT_EQ(sent(), "") << "nothing goes to the box";
    EXPECT_EQ(boxesShown(), 0);
}

TEST_F(EditorTest, MarsCellsClampTo4095AndPageTwoLeavesTheOtherPagesTable)
{
    openMars("ME111", true, {1});
    editMars();
    EXPECT_TRUE(ed().isVisible("optSeg", 1));
    const qint32 firstPage = table(1, 1);
    ed().get<QRadioButton>("optSeg", 1)->click();
    EXPECT_EQ(ed().text("lblCoin", 0), "Coin A2");
    type(0, "5000");
    type(1, "-7");
    press(ed(), "cmdChangeLimits");
    EXPECT_EQ(cells(0, 2), (QStringList{"4095", "0"}));
    EXPECT_EQ(table(7, 1), 4095);
    EXPECT_EQ(table(7, 2), 0);
    EXPECT_EQ(table(1, 1), firstPage);
    // Both selected segments are in the image again, each with its change marker set.
    const auto& img = p->memory.images.progImage;
    EXPECT_EQ(img[128 + 1], 15);
    EXPECT_EQ(img[128 + 2], 15);
    EXPECT_EQ(img[128 + 3], 15);
    EXPECT_EQ(img[111], 15);
    EXPECT_EQ(img[128 + 111], 15);
    EXPECT_EQ(img[1] + 16 * img[2] + 256 * img[3], firstPage);
}

TEST_F(EditorTest, PendingEditsCancelledSendNothing)
{
    openMars();
    editMars();
    type(0, "1234");
    answer(plat::mb::Cancel, "Limits edited - OK to use new values \r\nCANCEL to abort programming");
    press(ed(), "cmdProgPROM");
    EXPECT_EQ(sent(), "") << "the job ends before anything is sent";
    EXPECT_TRUE(p->limits.limitsEdited);
    EXPECT_EQ(ts.dialogs->boxes().back().title, "Limits Changed");
    EXPECT_EQ(ts.dialogs->boxes().back().style, plat::mb::OKCancel | plat::mb::Question);
}

TEST_F(EditorTest, NotBlankCancelledTwiceSendsJEAAndBOnly)
{
    openMars();
    editMars();
    answerAfter(plat::mb::OK, [this] { socket->insert(sim::MarsSocket::typicalProm("ME111", 256)); }, "Insert 1K Bipolar PROM");
    answer(plat::mb::Cancel, "Bipolar PROM is not blank\r\n\r\nPress OK to programme anyway\r\nPress CANCEL to abort");
    answer(plat::mb::Cancel, "Insert 1K Bipolar PROM");
    press(ed(), "cmdProgPROM");
    EXPECT_EQ(sent(), "JEAB") << "the job ends at the prompt, without its W";
    EXPECT_TRUE(socket->rowsBurnt().isEmpty());
    EXPECT_FALSE(ed().isEnabled("cmdValtest"));
}

TEST_F(EditorTest, ABlankPromAfterANotBlankOneIsBurntWithoutTheQuestion)
{
    openMars();
    editMars();
    answerAfter(plat::mb::OK, [this] { socket->insert(sim::MarsSocket::typicalProm("ME111", 256)); }, "Insert 1K");
    answer(plat::mb::Cancel, "Bipolar PROM is not blank");
    burnBlank();
    EXPECT_TRUE(sent().startsWith("JEAJEABJP000")) << sent().left(20).constData();
    EXPECT_EQ(socket->rowsBurnt().size(), 8 * 3) << "segment 0 only, three times";
    EXPECT_TRUE(ed().isEnabled("cmdValtest"));
}

TEST_F(EditorTest, APromThatCouldNotBeReadIsNotBlankAndNothingIsBurnt)
{
    openMars();
    editMars();
    // A used PROM in a socket that does not answer: the read has only its zeros to go on.
    answerAfter(plat::mb::OK,
                [this] {
                    socket->insert(sim::MarsSocket::typicalProm("ME111", 256));
                    socket->setFault(sim::MarsSocket::Fault::ReadSilent, sim::When::always());
                },
                "Insert 1K Bipolar PROM");
    answer(plat::mb::OK, "Unable to Read PROM : timed out");
    answer(plat::mb::OK, "Bipolar PROM is not blank");
    press(ed(), "cmdProgPROM");
    EXPECT_EQ(boxTitles().mid(2), (QStringList{"Load PROM", "Error", "PROM"}));
    EXPECT_EQ(ts.dialogs->boxes().back().text, "Bipolar PROM is not blank");
    EXPECT_EQ(ts.dialogs->boxes().back().style, plat::mb::OKOnly);
    EXPECT_EQ(sent(), "JEA") << "neither B nor a row";
    EXPECT_TRUE(socket->rowsBurnt().isEmpty());
    EXPECT_FALSE(ed().isEnabled("cmdValtest"));
}

TEST_F(EditorTest, TwoPromLinesRunIntoOneAreNoReadForTheBlankCheckOrTheVerify)
{
    openMars("ME111", true);
    editMars();
    // A used PROM whose only data is in the line at 010, which a lost CR runs into the line at
    // 000: no blank PROM.
    MarsProm used = MarsProm::blank(512);
    used.nibbles[20] = 5;
    answerAfter(plat::mb::OK,
                [this, used] {
                    socket->insert(used);
                    socket->setFault(sim::MarsSocket::Fault::LineMerged, sim::When::first(1));
                },
                "Insert 2K Bipolar PROM");
    answer(plat::mb::OK, " 107 Error Decoding PROM Data : ");
    answer(plat::mb::OK, "Bipolar PROM is not blank");
    press(ed(), "cmdProgPROM");
    EXPECT_EQ(sent(), "JEK");
    EXPECT_TRUE(socket->rowsBurnt().isEmpty());

    // An Ombrix E+1 PROM burnt, its read-back losing a line of the last segment, which was not
    // written: the segment written compares equal, yet a read with a line lost verifies nothing.
    ed().get<QRadioButton>("optOmbrixPROM")->click();
    answerAfter(plat::mb::OK, [this] { socket->insert(MarsProm::blank(512, MarsProm::Kind::Ombrix)); },
                "Insert Ombrix E+1 PROM");
    answerAfter(plat::mb::OK,
                [this] {
                    socket->mergedLineAddress = 0x180;
                    socket->setFault(sim::MarsSocket::Fault::LineMerged, sim::When::first(1));
                },
                "TURN SWITCH 2 OFF");
    answer(plat::mb::OK, " 107 Error Decoding PROM Data : ");
    answer(plat::mb::OK, "Verify PROM FAILED");
    press(ed(), "cmdProgPROM");
    EXPECT_EQ(socket->rowsBurnt().size(), 8);
    EXPECT_FALSE(ed().isEnabled("cmdValtest"));
}

TEST_F(EditorTest, OmbrixPromIsBurntOnceWithItsSwitchPrompts)
{
    openMars();
    editMars();
    ed().get<QRadioButton>("optOmbrixPROM")->click();
    answerAfter(plat::mb::OK, [this] { socket->insert(MarsProm::blank(256, MarsProm::Kind::Ombrix)); },
                "Insert Ombrix E+1 PROM : BOTH SWITCHES ON");
    answer(plat::mb::OK, "Ombrix E+1 PROM : TURN SWITCH 2 OFF");
    answer(plat::mb::OK, "Verify PROM OK");
    press(ed(), "cmdProgPROM");
    EXPECT_TRUE(sent().startsWith("EJP000")) << sent().left(20).constData();
    EXPECT_EQ(socket->rowsBurnt().size(), 8);
    EXPECT_EQ(boxTitles().mid(2), (QStringList{"Load PROM", "Load PROM", "Verify"}));
    EXPECT_EQ(ts.dialogs->boxes()[2].style, plat::mb::OKCancel);
}

TEST_F(EditorTest, CancelAtTheOmbrixPromptLeavesOnlyTheE)
{
    openMars();
    editMars();
    ed().get<QRadioButton>("optOmbrixPROM")->click();
    answer(plat::mb::Cancel, "Insert Ombrix E+1 PROM");
    press(ed(), "cmdProgPROM");
    EXPECT_EQ(sent(), "E");
}

TEST_F(EditorTest, OneKPromProgramsTwoSegmentsWhateverBoxesThreeAndFourSay)
{
    openMars("ME111", false, {1, 2, 3});
    EXPECT_EQ(w().value("chkSeg", 2), 1);
    editMars();
    burnBlank();
    EXPECT_EQ(socket->rowsBurnt().size(), 2 * 8 * 3);
    EXPECT_EQ(socket->rowsBurnt().last().left(4).toStdString(), "P0F0");
    EXPECT_EQ(p->memory.currentSegment, 2);
}

TEST_F(EditorTest, DuplicateSegmentsWritesSegmentOneLikeSegmentZero)
{
    openMars("ME111", true);
    w().setValue("chkduplicate", 1);
    editMars();
    burnBlank(true);
    const std::vector<quint8>& prom = socket->prom()->nibbles;
    EXPECT_TRUE(std::equal(prom.begin(), prom.begin() + 128, prom.begin() + 128));
    EXPECT_EQ(prom[0], 15);
    EXPECT_EQ(table(7, 1), table(1, 1));
    EXPECT_TRUE(p->memory.coins.segmentSelected(1));
}

TEST_F(EditorTest, Me181IsNeverDuplicated)
{
    openMars("ME181");
    w().setValue("chkduplicate", 1);
    editMars();
    burnBlank(true);
    EXPECT_FALSE(p->memory.coins.segmentSelected(1));
    EXPECT_EQ(socket->rowsBurnt().size(), 16 * 3) << "segment 0: 256 nibbles";
}

TEST_F(EditorTest, RestoreLimitsTransfersAgainFromTheStoredPromWithoutABoxByte)
{
    openMars();
    editMars();
    const qint32 kept = table(1, 1);
    type(0, "77");
    press(ed(), "cmdChangeLimits");
    EXPECT_EQ(table(1, 1), 77);
    press(ed(), "cmdRestore");
    EXPECT_EQ(table(1, 1), kept);
    EXPECT_EQ(ed().text("txtProm", 0), QString::number(kept));
    EXPECT_EQ(sent(), "") << "the old PROM was read once this job";
    EXPECT_EQ(socket->reads(), 1);
    EXPECT_EQ(boxesShown(), 2) << "the copy prompts of the first transfer only";
    EXPECT_FALSE(p->limits.limitsEdited);
}

TEST_F(EditorTest, ValidatorTestFromTheEditorAndBackToIt)
{
    openMars();
    editMars();
    burnBlank();
    ASSERT_TRUE(ed().isEnabled("cmdValtest"));
    press(ed(), "cmdValtest");
    EXPECT_TRUE(testOpen());
    EXPECT_FALSE(ed().isEnabled("cmdValtest"));
    EXPECT_FALSE(mainC().isEnabled("cmdValtest"));
    press(vt(), "cmdBack");
    EXPECT_FALSE(testOpen());
    EXPECT_TRUE(editorShown());
    EXPECT_TRUE(ed().isEnabled("cmdValtest"));
}

TEST_F(EditorTest, BackReturnsToTheMeasurementWindowAndItsBackToTheMenu)
{
    openMars();
    editMars();
    press(ed(), "cmdBack1");
    EXPECT_FALSE(p->promIfLoaded());
    EXPECT_TRUE(measureShown());
    EXPECT_EQ(w().text("cmdBack"), "Back to Main Window");
    EXPECT_FALSE(main().isVisible());
    EXPECT_EQ(sent(), "M") << "CoinInitialise asks a Mars box for samples";
    press(w(), "cmdBack");
    EXPECT_FALSE(p->coinMeasureIfLoaded());
    EXPECT_TRUE(main().isVisible());
    EXPECT_EQ(sent(), "MW");
    EXPECT_TRUE(mainC().isEnabled("cmdMars"));
}

TEST_F(EditorTest, CloseBoxesDoWhatBackDoes)
{
    openMars();
    editMars();
    p->promForm().close();
    wait(20);
    EXPECT_FALSE(p->promIfLoaded());
    EXPECT_TRUE(measureShown());
    p->coinMeasureForm().close();
    wait(20);
    EXPECT_FALSE(p->coinMeasureIfLoaded());
    EXPECT_TRUE(main().isVisible());
}

TEST_F(EditorTest, NoSegmentSelectedIsRefusedBeforeAPromIsAskedFor)
{
    openMars();
    editMars();
    p->memory.coins.segmentSelected(0) = false;
    answer(plat::mb::OK, "No PROM segment chosen for programming lies on a 1K PROM: nothing would be burnt.");
    press(ed(), "cmdProgPROM");
    EXPECT_EQ(sent(), "");
    EXPECT_TRUE(socket->rowsBurnt().isEmpty());
    EXPECT_FALSE(ed().isEnabled("cmdValtest"));
}

TEST_F(EditorTest, ATransferShowsTheFirstPageSoChangeLimitsAppliesItToItsOwnCoins)
{
    editCc("435");
    ed().get<QRadioButton>("optSeg", 1)->click();
    EXPECT_EQ(p->limits.displayedSegment, 1);
    press(ed(), "cmdRestore");
    EXPECT_EQ(p->limits.displayedSegment, 0);
    EXPECT_EQ(ed().value("optSeg", 0), 1);
    const qint32 ninth = table(9, 1);
    type(0, "17");
    press(ed(), "cmdChangeLimits");
    EXPECT_EQ(table(1, 1), 17);
    EXPECT_EQ(table(9, 1), ninth);
}

TEST_F(EditorTest, AnEditCarriedByAPageChangeIsWhatA435IsProgrammedWith)
{
    editCc("435");
    auto& cc = mech<sim::CcMech>();
    EXPECT_EQ(cc.word(16), 88 * 256 + 72) << "channel 1's first window as the mech holds it";
    type(0, "11");
    answer(plat::mb::OK, "Limits edited - using new values ");
    ed().get<QRadioButton>("optSeg", 1)->click();
    EXPECT_EQ(ed().text("lblCoin", 0), "Coin 09");
    EXPECT_EQ(p->memory.images.progImage[16], 88 * 256 + 11);
    answer(plat::mb::OK, "EEPROM Verified OK");
    press(ed(), "cmdProgPROM");
    EXPECT_EQ(cc.word(16), 88 * 256 + 11);
    EXPECT_TRUE(cc.byteSumOk());
}

TEST_F(EditorTest, AnEditCarriedByAPageChangeIsBurntWithTheChangeMarker)
{
    openMars("ME111", true, {1});
    editMars();
    type(0, "100");
    answer(plat::mb::OK, "Limits edited - using new values ");
    ed().get<QRadioButton>("optSeg", 1)->click();
    EXPECT_EQ(ed().text("lblCoin", 0), "Coin A2");
    burnBlank(true);
    const std::vector<quint8>& prom = socket->prom()->nibbles;
    // 100 = 0x064, low nibble first, from word 1 of segment 0.
    EXPECT_EQ(std::vector<quint8>(prom.begin() + 1, prom.begin() + 4), (std::vector<quint8>{4, 6, 0}));
    EXPECT_EQ(prom[111], 15) << "the limits were changed";
    EXPECT_EQ(prom[128 + 111], 15);
}

// Memory windows that record how the editor's utilities button opened the family's data window.
struct DataWindows : quenby::MemoryWindows {
    quenby::Program* p = nullptr;
    QStringList calls;
    bool openFromLimitsEditor() override
    {
        calls << (p->fromPromWindow ? "opened from the editor" : "opened");
        return true;
    }
};

TEST_F(EditorTest, UtilitiesOpenTheFamilysDataWindow)
{
    start("C120");
    auto windows = std::make_unique<DataWindows>();
    DataWindows& dw = *windows;
    dw.p = p.get();
    p->setMemoryWindows(std::move(windows));
    run("cmbCCmech", "C120", "cmdCCprog");
    press(w(), "cmdSpecialUtilities");
    press(w(), "cmdEdit");
    ASSERT_TRUE(editorShown());
    EXPECT_TRUE(ed().isEnabled("cmdPROMutilities"));
    auto& cc = mech<sim::CcMech>();
    const int reads = int(cc.addressesRead().size());
    clearSent();
    press(ed(), "cmdPROMutilities");
    EXPECT_EQ(dw.calls, QStringList{"opened from the editor"});
    EXPECT_TRUE(sent().startsWith("JJ")) << sent().left(4).toHex().constData();
    EXPECT_EQ(int(cc.addressesRead().size()), reads + 128) << "the EEPROM read for its window";
    EXPECT_FALSE(mainC().isEnabled("cmdCCprom"));
    EXPECT_TRUE(editorShown());
}

} // namespace
