// The wizards through the whole program on virtual time: the panel per family, Edit Limits on a
// CC and a Mars mech carried through programming, the links of Add/Replace Coin, the NRI coin
// value check and line choices, the 435's fifth parameter, Slug Fix, and the wizard stopped in
// its slug pass or before it began.
#include "quenby/memutils/frmeepromdata.h"
#include "sim/ccmech.h"
#include "sim/marssocket.h"
#include "sim/nrimech.h"
#include "tests/quenby/clone_fixture.h"

#include <QComboBox>

namespace {

using namespace quenby_tests;
using sim::MarsProm;

Readings twenty(const Reading& base)
{
    static const int wobble[5] = {0, 2, -1, 1, -2};
    Readings out;
    for (int i = 0; i < 20; ++i) {
        Reading r;
        for (int p = 0; p < base.size(); ++p)
            r << base[p] + wobble[(i + p) % 5];
        out.push_back(r);
    }
    return out;
}

struct WizardTest : CloneTest {
    // The wizard panel of a job on this model.
    void panel(const QString& model, const char* list, const char* button)
    {
        openMeasure(model, list, button);
        press(w(), "cmdSpecialUtilities");
    }
    // A pass's prompt answered while its coins drop, then its closing box.
    void pass(const QString& prompt, const Readings& readings, const QString& closing)
    {
        answerAfter(plat::mb::OK, [this, readings] { dropLater(readings); }, prompt);
        answer(plat::mb::OK, closing);
    }
    void chooseCoin(const QString& item)
    {
        auto* c = w().get<QComboBox>("cmbCoin");
        c->setCurrentIndex(c->findText(item));
        emit c->activated(c->currentIndex());
    }
    qint32 link(int c) { return p->memory.coins.coinLink(c); }
};

TEST_F(WizardTest, PanelPerFamily)
{
    panel("ME181", "cmbMarsMech", "cmdMars");
    EXPECT_FALSE(w().isVisible("frmMeasurements"));
    EXPECT_TRUE(w().isVisible("frmWizards"));
    EXPECT_EQ(w().text("lblWizardMechType"), "ME181");
    EXPECT_EQ(w().text("lblPROMseg"), "PROM Segment");
    EXPECT_EQ(w().value("Opt2K"), 1);
    EXPECT_EQ(w().items("cmbSegment"), (QStringList{"1"}));
    EXPECT_EQ(w().items("cmbCoin"), (QStringList{"A1", "B1", "C1", "D1", "E1", "F1"}));
    EXPECT_TRUE(w().isVisible("txtValue1"));
    EXPECT_EQ(w().text("txtValue1"), "10");
    for (const char* c : {"cmdBack", "cmdOpenCoinset", "cmdSpecialUtilities", "opt1K", "Opt2K"})
        EXPECT_FALSE(w().isEnabled(c)) << c;
    EXPECT_FALSE(main().isVisible());
    press(w(), "cmdCancelWizards");
    EXPECT_TRUE(w().isVisible("frmMeasurements"));
    EXPECT_TRUE(w().isEnabled("cmdBack"));
    EXPECT_TRUE(w().isEnabled("Opt2K"));
}

TEST_F(WizardTest, NriPanelOffersLinesAndCoinEightPreselectsLineTwo)
{
    panel("G40-0000", "cmbNRImech", "cmdNRIprog");
    EXPECT_EQ(w().text("lblPROMseg"), "Coin Channel");
    EXPECT_EQ(w().text("lblChannel"), "Output Line");
    EXPECT_TRUE(w().isVisible("cmbOutput"));
    EXPECT_EQ(w().items("cmbCoin").size(), p->params.coinCount);
    EXPECT_EQ(w().items("cmbOutput").at(5).toStdString(), "         6");
    // Coin 08 preselects output and inhibit line 2.
    chooseCoin("Coin 08");
    EXPECT_EQ(w().text("cmbOutput").toStdString(), "         2");
    EXPECT_EQ(w().text("cmbInhibit").toStdString(), "         2");
}

TEST_F(WizardTest, CcEditLimitsThenProgrammingWritesNoWordAndVerifies)
{
    panel("435", "cmbCCmech", "cmdCCprog");
    auto& mech = this->mech<sim::CcMech>();
    const std::vector<quint16> before = mech.words();
    press(w(), "cmdEdit");
    ASSERT_TRUE(editorShown());
    EXPECT_EQ(w().text("lblRefCode"), "WIZ");
    EXPECT_EQ(w().text("lblVersion"), "1");
    for (int c = 1; c <= 16; ++c)
        EXPECT_EQ(link(c), c);
    EXPECT_TRUE(p->memory.coins.clone.oldImageTaken);
    answer(plat::mb::OK, "EEPROM Verified OK");
    press(ed(), "cmdProgPROM");
    EXPECT_TRUE(mech.addressesWritten().isEmpty());
    EXPECT_EQ(mech.words(), before);
    EXPECT_TRUE(ed().isEnabled("cmdValtest"));
}

TEST_F(WizardTest, MarsEditLimitsBurnsTheMechsWindowsWithWizAndOne)
{
    panel("ME111", "cmbMarsMech", "cmdMars");
    auto& socket = mech<sim::MarsSocket>();
    const MarsProm old = *socket.prom();
    answer(plat::mb::OK, "Insert Old PROM to COPY");
    answerAfter(plat::mb::OK, [&] { socket.remove(); }, "Remove OLD PROM");
    press(w(), "cmdEdit");
    answerAfter(plat::mb::OK, [&] { socket.insert(MarsProm::blank(256)); }, "Insert 1K Bipolar PROM");
    answer(plat::mb::OK, "Verify PROM OK");
    press(ed(), "cmdProgPROM");
    const std::vector<quint8>& prom = socket.prom()->nibbles;
    // Segment 0: word 0, the windows of its six positions, the marker, "WIZ" and "1".
    EXPECT_TRUE(std::equal(prom.begin(), prom.begin() + 109, old.nibbles.begin()));
    EXPECT_EQ(prom[111], 0) << "no change marker: the limits were not changed";
    EXPECT_EQ(std::vector<quint8>(prom.begin() + 112, prom.begin() + 118), (std::vector<quint8>{5, 7, 4, 9, 5, 10}));
    EXPECT_EQ(std::vector<quint8>(prom.begin() + 122, prom.begin() + 124), (std::vector<quint8>{3, 1}));
    EXPECT_EQ(prom[128], 0) << "one segment on a 1K PROM";
}

// Cancel at the copy prompt: the PROM in the socket is not the old one (here a blank), so nothing
// is read from it, and a PROM of empty windows is not burnt on the strength of it.
TEST_F(WizardTest, MarsEditLimitsCancelledAtTheCopyPromptReadsNothingAndBurnsNothing)
{
    panel("ME111", "cmbMarsMech", "cmdMars");
    auto& socket = mech<sim::MarsSocket>();
    const MarsProm old = *socket.prom();
    socket.remove();
    socket.insert(MarsProm::blank(256));
    answer(plat::mb::Cancel, "Insert Old PROM to COPY");
    press(w(), "cmdEdit");
    ASSERT_TRUE(editorShown());
    EXPECT_EQ(socket.reads(), 0);
    EXPECT_FALSE(sent().contains("JE")) << sent().constData();
    clearSent();
    answer(plat::mb::OK, "Press Restore Limits to read the mech again before programming.");
    press(ed(), "cmdProgPROM");
    EXPECT_EQ(sent(), "");
    EXPECT_TRUE(socket.rowsBurnt().isEmpty());
    EXPECT_FALSE(ed().isEnabled("cmdValtest"));

    // Restore Limits asks again; the old PROM copied this time is what the new one gets.
    answerAfter(plat::mb::OK, [&] {
        socket.remove();
        socket.insert(old);
    }, "Insert Old PROM to COPY");
    answerAfter(plat::mb::OK, [&] { socket.remove(); }, "Remove OLD PROM");
    press(ed(), "cmdRestore");
    answerAfter(plat::mb::OK, [&] { socket.insert(MarsProm::blank(256)); }, "Insert 1K Bipolar PROM");
    answer(plat::mb::OK, "Verify PROM OK");
    press(ed(), "cmdProgPROM");
    const std::vector<quint8>& prom = socket.prom()->nibbles;
    EXPECT_TRUE(std::equal(prom.begin(), prom.begin() + 109, old.nibbles.begin()));
}

// The wizard's copy of the mech's windows comes from a whole read of it: after the editor's EEPROM
// window read the mech only in part, Restore Limits reads it again rather than copy the zeros.
TEST_F(WizardTest, CcEditLimitsRestoredAfterACutReadCopiesFromAWholeRead)
{
    panel("C120", "cmbCCmech", "cmdCCprog");
    auto& mech = this->mech<sim::CcMech>();
    const std::vector<quint16> before = mech.words();
    press(w(), "cmdEdit");
    ASSERT_TRUE(editorShown());
    mech.setFault(sim::CcMech::Fault::Silent, sim::When::from(21));
    answer(plat::mb::OK, "Timeout reading Coin Mech EEPROM");
    press(ed(), "cmdPROMutilities");
    mech.setFault(sim::CcMech::Fault::Silent, sim::When::never());
    ASSERT_FALSE(p->memory.images.holdsWholeMemoryOf("C120"));
    press(p->eepromDataForm().controls(), "cmdBye");
    press(ed(), "cmdRestore");
    answer(plat::mb::OK, "EEPROM Verified OK");
    press(ed(), "cmdProgPROM");
    EXPECT_EQ(mech.addressesWritten(), QList<int>{});
    EXPECT_EQ(mech.words(), before);
}

TEST_F(WizardTest, AMarsWizardLogsNoIdlesLeftFromAnEarlierAnswer)
{
    panel("ME111", "cmbMarsMech", "cmdMars");
    auto& socket = mech<sim::MarsSocket>();
    w().setValue("chkLog", 1);
    answerFile(coinSet("wiz"));
    p->state.idleValues = {500, 500, 500};
    box.setFault(sim::QuenbyBox::Fault::IdleUnanswered, sim::When::always());
    answer(plat::mb::OK, "Insert Old PROM to COPY");
    answerAfter(plat::mb::OK, [&] { socket.remove(); }, "Remove OLD PROM");
    press(w(), "cmdEdit");
    EXPECT_TRUE(ts.readFile("CoinSets/wiz.csv").contains("\"Idles\",0,0,0\r\n"))
        << ts.readFile("CoinSets/wiz.csv").constData();
}

TEST_F(WizardTest, AddReplaceLinksOnA1KMarsAndTheMe181)
{
    panel("ME111", "cmbMarsMech", "cmdMars");
    chooseCoin("C1");
    auto& socket = mech<sim::MarsSocket>();
    pass("Start Coin Drop", twenty({1000, 1500, 2000}), "Gathered Coin Data");
    answer(plat::mb::OK, "Insert Old PROM");
    answerAfter(plat::mb::OK, [&] { socket.remove(); }, "Remove OLD PROM");
    press(w(), "cmdAddCoin");
    for (int c = 1; c <= 24; ++c)
        EXPECT_EQ(link(c), c == 3 || c > 12 ? 0 : c) << c;
    EXPECT_EQ(ed().text("txtProm", 12), QString::number(p->memory.coins.coinsetRecords(0, 2)));
    EXPECT_EQ(p->memory.coins.coinsetRecords(0, 0), 1);
    const auto kept = sim::MarsSocket::typicalWindows(2);
    EXPECT_EQ(ed().text("txtProm", 6), QString::number(kept[0].first));
}

TEST_F(WizardTest, AddReplaceOnTheMe181LeavesChannelsAboveTwelveUnlinked)
{
    panel("ME181", "cmbMarsMech", "cmdMars");
    ASSERT_EQ(w().value("Opt2K"), 1);
    auto& me181 = mech<sim::MarsSocket>();
    w().setText("txtValue1", "25");
    pass("Start Coin Drop", twenty({1000, 1500, 2000}), "Gathered Coin Data");
    answer(plat::mb::OK, "Insert Old PROM");
    answerAfter(plat::mb::OK, [&] { me181.remove(); }, "Remove OLD PROM");
    press(w(), "cmdAddCoin");
    for (int c = 1; c <= 24; ++c)
        EXPECT_EQ(link(c), c == 1 || c > 12 ? 0 : c) << c;
    EXPECT_EQ(p->memory.coins.coinValues(1), 25);
}

TEST_F(WizardTest, NriCoinValueNotAMultipleIsRefusedAndNothingIsAskedFor)
{
    panel("G13-6000", "cmbNRImech", "cmdNRIprog");
    w().setText("txtValue1", "12");
    answer(plat::mb::OK, "Invalid Coin Value has been Set\r\n\r\nMust be a multiple of:  5");
    press(w(), "cmdAddCoin");
    EXPECT_EQ(ts.dialogs->boxes().back().style, plat::mb::Critical);
    EXPECT_EQ(ts.dialogs->boxes().back().title, "Error");
    EXPECT_FALSE(editorShown());
    EXPECT_TRUE(measureShown());
    EXPECT_TRUE(w().isVisible("frmMeasurements"));
    EXPECT_FALSE(p->job.userAbort);
    EXPECT_FALSE(mech<sim::NriMech>().commandsSeen().contains("T")) << "no coin asked for";
    EXPECT_TRUE(sent().endsWith("W"));
    EXPECT_EQ(p->memory.coins.coinValues(1), 12) << "the value box sets the channel in every wizard";
}

TEST_F(WizardTest, AddReplaceOnA435TakesItsFifthParameterFromTheLowestReadingUpTo255)
{
    panel("435", "cmbCCmech", "cmdCCprog");
    chooseCoin("Coin 03");
    pass("Start Coin Drop", twenty({100, 120, 140, 160, 60}), "Gathered Coin Data");
    press(w(), "cmdAddCoin");
    ASSERT_TRUE(editorShown());
    const auto& rec = p->memory.coins.coinsetRecords;
    EXPECT_EQ(rec(0, 10), 58 - 10) << "lowest reading 58";
    EXPECT_EQ(rec(0, 11), 255);
    EXPECT_EQ(link(3), 0);
    EXPECT_EQ(p->memory.coins.coinLimitTable(3, 9), 48);
    EXPECT_FALSE(p->memory.coins.clone.routingMapped) << "a wizard leaves the routing alone";
}

TEST_F(WizardTest, SlugFixKeepsTheCoinsWindowAndMakesTheSlugs)
{
    panel("ME111", "cmbMarsMech", "cmdMars");
    chooseCoin("B1");
    auto& socket = mech<sim::MarsSocket>();
    pass("Start Coin Drop", twenty({1000, 1500, 2000}), "Gathered Coin Data");
    pass("Start Slug Drop", twenty({600, 900, 1200}), "Gathered Slug Data");
    answer(plat::mb::OK, "Insert Old PROM");
    answerAfter(plat::mb::OK, [&] { socket.remove(); }, "Remove OLD PROM");
    press(w(), "cmdSlugFix");
    EXPECT_EQ(link(2), -2);
    const auto& rec = p->memory.coins.coinsetRecords;
    EXPECT_EQ(rec(0, 0), 1);
    EXPECT_EQ(rec(0, 2), 0) << "the coin's record holds no window";
    EXPECT_EQ(rec(1, 0), 2);
    EXPECT_EQ(p->memory.coins.slugCount, 1);
    const auto kept = sim::MarsSocket::typicalWindows(2);
    EXPECT_EQ(ed().text("txtProm", 6), QString::number(kept[0].first));
    EXPECT_EQ(ed().text("lblSlugLimits", 0), " " + QString::number(rec(1, 2)));
    EXPECT_NE(ed().text("lblAcceptance", 1), "???") << "the fixed coin still counts as measured";
}

TEST_F(WizardTest, CancelInTheSlugPassKeepsNothingOfItAndTransfersNothing)
{
    panel("ME111", "cmbMarsMech", "cmdMars");
    pass("Start Coin Drop", twenty({1000, 1500, 2000}), "Gathered Coin Data");
    answerAfter(plat::mb::OK, [this] {
        dropLater({{600, 900, 1200}});
        ts.sched->callAfter(5000, [this] { press(w(), "cmdBack"); });
    }, "Start Slug Drop");
    press(w(), "cmdSlugFix");
    EXPECT_FALSE(editorShown());
    EXPECT_EQ(p->memory.coins.clone.recordRow, 1) << "the coin pass only";
    EXPECT_TRUE(w().isVisible("frmMeasurements"));
    EXPECT_EQ(w().text("cmdBack"), "Back to Main Window");
    EXPECT_TRUE(w().isEnabled("cmdBack"));
    EXPECT_FALSE(p->job.userAbort);
    EXPECT_TRUE(sent().contains("NIW")) << sent().constData();
    EXPECT_EQ(box.commands().count("E"), 0) << "no PROM read";
}

TEST_F(WizardTest, CancelledLogDialogLeavesTheWindowUsable)
{
    panel("ME111", "cmbMarsMech", "cmdMars");
    w().setValue("chkLog", 1);
    answerFile("");
    press(w(), "cmdEdit");
    EXPECT_FALSE(editorShown());
    EXPECT_TRUE(w().isVisible("frmMeasurements"));
    for (const char* c : {"cmdBack", "cmdOpenCoinset", "cmdSpecialUtilities"})
        EXPECT_TRUE(w().isEnabled(c)) << c;
    EXPECT_FALSE(sent().contains("J")) << "the wizard did not begin";
}

TEST_F(WizardTest, ARunTimeErrorInTheEngineIsReportedAndTheClosingStepsFollow)
{
    panel("ME181", "cmbMarsMech", "cmdMars");
    w().setText("txtValue1", "1e30"); // no coin value can hold it
    answer(plat::mb::OK, "429 Error in Wizard routine");
    press(w(), "cmdAddCoin");
    EXPECT_FALSE(editorShown());
    EXPECT_TRUE(sent().endsWith("JW")) << sent().right(10).constData();
    EXPECT_FALSE(p->coinStats().runActive);
    EXPECT_TRUE(w().isEnabled("cmdOpenCoinset"));
    EXPECT_TRUE(w().isEnabled("cmdSpecialUtilities"));
}

} // namespace
