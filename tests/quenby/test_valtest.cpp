// The validator test end to end on virtual time: the main window's "Validator Test" buttons,
// the box and mech commands of each family, the window's lines, the live reports of coins
// dropped through the simulated mech, the highlight hold, the output modes and Back.
#include "sim/ccmech.h"
#include "sim/nrimech.h"
#include "tests/quenby/valtest_fixture.h"

#include <QComboBox>
#include <QRadioButton>

namespace {

using namespace quenby_tests;
using sim::When;

const QByteArray kOpening = kBreak + kEsc25 + "OJ"; // startupPort, then "O" and "J"

void chooseOption(plat::NamedControls& c, const char* name) { c.get<QRadioButton>(name)->click(); }

// ---- Mars ----------------------------------------------------------------------------------------

TEST_F(ValtestTest, MarsTestStartsReportsAndGoesBack)
{
    runOn("ME111", "cmbMarsMech", "cmdValtest");
    EXPECT_EQ(sent(), kOpening + "V" + "Z030020150100\rS" + "V" + "JN");
    ASSERT_TRUE(testOpen());
    EXPECT_EQ(captions(), (QStringList{"Coin A", "Coin B", "Coin C", "Coin D", "Coin E", "Coin F", "Rejected"}));
    EXPECT_EQ(vt().text("lblmechType"), "ME111");
    EXPECT_FALSE(vt().isVisible("frmOptions"));
    EXPECT_EQ(vt().text("frmValtest"), "Validator Test");
    EXPECT_EQ(p->rejectLine, 7);
    EXPECT_FALSE(mainC().isEnabled("cmdValtest")) << "the one button a test disables";
    EXPECT_TRUE(mainC().isEnabled("cmdCCValTest")) << "the other tabs reuse the open window";
    EXPECT_TRUE(main().isVisible());
    EXPECT_TRUE(box.reporting());

    drop(2);
    EXPECT_EQ(lit(), "2g");
    EXPECT_EQ(count(2), " 1");
    drop(2);
    EXPECT_EQ(count(2), " 2");
    slug();
    EXPECT_EQ(lit(), "7r") << "only the latest report is lit";
    EXPECT_EQ(count(7), " 1");
    EXPECT_EQ(sounds(), (QStringList{"accept", "accept", "reject"}));

    clearSent();
    click(vt(), "cmdBack");
    EXPECT_EQ(sent(), "W");
    EXPECT_FALSE(p->valtestIfLoaded());
    EXPECT_TRUE(mainC().isEnabled("cmdValtest"));
    EXPECT_TRUE(ts.dialogs->boxes().empty());
}

TEST_F(ValtestTest, HighlightTurnsGreyOnTheFourthTick)
{
    runOn("ME111", "cmbMarsMech", "cmdValtest");
    // A tick falls every 100 ms from start-up; the report lands between two of them.
    const plat::Millis sinceTick = ts.sched->nowMs() % 100;
    wait(150 - sinceTick); // 50 ms past a tick
    box.dropCoin(1);
    wait(40);
    ASSERT_EQ(p->mainForm().highlightHold, 4);
    wait(60 + 200); // three ticks
    EXPECT_EQ(lit(), "1g");
    EXPECT_EQ(p->mainForm().highlightHold, 1);
    wait(100);
    EXPECT_EQ(lit(), "");
    EXPECT_EQ(p->mainForm().highlightHold, 0);
    EXPECT_EQ(count(1), " 1") << "the count stays";
}

TEST_F(ValtestTest, Ms1400SelectsItsTimingsOnEachPassAndMs1000ShowsTenLines)
{
    runOn("MS1400", "cmbMarsMech", "cmdValtest");
    EXPECT_EQ(sent(), kOpening + "V" + "C02Z150150150425\rS" + "V" + "JN");
    click(vt(), "cmdBack");

    box.swapMech("MS1000", false);
    clearSent();
    run("cmbMarsMech", "MS1000", "cmdValtest");
    EXPECT_EQ(captions().size(), 10);
    EXPECT_EQ(captions().last(), "Rejected");
    EXPECT_EQ(captions()[8], "Coin I");
    EXPECT_EQ(p->rejectLine, 10);
    EXPECT_EQ(vt().widget("frmValtest")->width(), 394) << "one column: 5910 twips";
}

TEST_F(ValtestTest, OlderBoxHasNoRejectedLineAndItsRejectsAreSilent)
{
    start("MS1000", "V1.90");
    run("cmbMarsMech", "MS1000", "cmdValtest");
    EXPECT_EQ(captions().size(), 6);
    EXPECT_EQ(p->rejectLine, 0);
    slug();
    EXPECT_EQ(lit(), "");
    EXPECT_TRUE(sounds().isEmpty());
    // "I" counts line 9 even though only six are shown.
    drop(9);
    EXPECT_EQ(count(9), " 1");
    EXPECT_FALSE(vt().isVisible("lblCount", 8));
}

TEST_F(ValtestTest, Me181PulsesItsOutputAfterTheShowAndAfterEachAcceptedCoin)
{
    runOn("ME181", "cmbMarsMech", "cmdValtest");
    ASSERT_TRUE(sent().endsWith("JNC01C00"));
    const auto on = sentAt("C01"), off = sentAt("C00");
    ASSERT_EQ(on.size(), 1u);
    EXPECT_GE(off[0] - on[0], 40) << "50 ms on the 20 ms tick";
    EXPECT_LE(off[0] - on[0], 60);
    clearSent();
    drop(1);
    wait(100);
    EXPECT_EQ(sent(), "C01C00");
    EXPECT_EQ(sounds(), QStringList{"accept"}) << "the sound comes first";
    slug();
    wait(100);
    EXPECT_EQ(sent(), "C01C00") << "a reject gives no pulse";
}

TEST_F(ValtestTest, ParallelOutputCodesAndEvLines)
{
    start("ME111");
    box.marsParallelCodes = true;
    run("cmbMarsMech", "ME111", "cmdValtest");
    drop(6); // code 20: line 6, nothing counted
    EXPECT_EQ(lit(), "6g");
    EXPECT_EQ(count(6), " 0");
    box.marsParallelCodes = false;
    box.evLines = true;
    drop(1);
    EXPECT_EQ(lit(), "") << "*EV lights nothing";
    EXPECT_EQ(count(1), " 0");
    EXPECT_EQ(sounds(), (QStringList{"accept", "accept"}));
}

// ---- Coin Controls -------------------------------------------------------------------------------

TEST_F(ValtestTest, CcStartCommandsPerModel)
{
    runOn("C120", "cmbCCmech", "cmdCCValTest");
    EXPECT_EQ(sent(), kOpening + "C01" + "O" + "JN");
    EXPECT_EQ(captions().size(), 6);
    drop(2);
    EXPECT_EQ(lit(), "2g");
    click(vt(), "cmdBack");

    box.swapMech("450", false);
    clearSent();
    run("cmbCCmech", "450", "cmdCCValTest");
    EXPECT_EQ(sent(), kOpening + "C09" + "O" + "JN");
    drop(2); // "B" shows on line 3 of a 450
    EXPECT_EQ(lit(), "3g");
    EXPECT_EQ(count(3), " 1");
}

TEST_F(ValtestTest, ProbeAnsweredShowsOutputModeSilentKeepsFiveLines)
{
    runOn("335", "cmbCCmech", "cmdCCValTest");
    EXPECT_EQ(sent(), kOpening + "C01" + "*" + "O" + "JN");
    EXPECT_TRUE(vt().isVisible("frmOptions"));
    EXPECT_EQ(captions(), (QStringList{"Coin A", "Coin B", "Coin C", "Coin D", "Coin E"}));
    click(vt(), "cmdBack");

    box.setFault(sim::QuenbyBox::Fault::StarUnanswered, When::always());
    clearSent();
    run("cmbCCmech", "335", "cmdCCValTest");
    EXPECT_FALSE(vt().isVisible("frmOptions"));
    EXPECT_EQ(captions().size(), 5);
    const auto star = sentAt("*"), o = sentAt("O");
    ASSERT_EQ(star.size(), 1u);
    ASSERT_EQ(o.size(), 2u);
    EXPECT_GE(o[1] - star[0], 780) << "the probe waited its full 800 ms (on the 20 ms tick)";
}

TEST_F(ValtestTest, BinaryOn220BGivesEightNumberedLinesAndTheOutputCode)
{
    runOn("220B", "cmbCCmech", "cmdCCValTest");
    clearSent();
    chooseOption(vt(), "optBinary");
    EXPECT_EQ(sent(), "*" + QByteArray("O") + "*" + "C00");
    EXPECT_EQ(captions(), (QStringList{"Coin 01", "Coin 02", "Coin 03", "Coin 04", "Coin 05", "Coin 06", "Coin 07",
                                       "Coin 08"}));
    EXPECT_FALSE(vt().isVisible("lblCountText", 1));
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(vt().isVisible("shpBinary", i));
    EXPECT_EQ(vt().text("lblBinCode", 0), "A5");
    EXPECT_TRUE(box.binaryReports());
    drop(6); // "X05": line 6 counted, A4 A3 A1
    EXPECT_EQ(lit(), "6g A4 A3 A1");
    EXPECT_EQ(count(6), " 1");

    clearSent();
    chooseOption(vt(), "optSingle");
    EXPECT_EQ(sent(), "*OOC01");
    EXPECT_EQ(captions().size(), 4);
    EXPECT_FALSE(vt().isVisible("shpBinary", 0));
    EXPECT_EQ(count(6), " 0") << "every switch clears the counts";
}

TEST_F(ValtestTest, BinaryOn435AsksForTheLoomAndUsesTwoColumns)
{
    runOn("435", "cmbCCmech", "cmdCCValTest");
    ts.dialogs->answer(plat::mb::OK, "Remove Programming Loom");
    chooseOption(vt(), "optBinary");
    ASSERT_EQ(ts.dialogs->boxes().size(), 1u);
    EXPECT_EQ(ts.dialogs->boxes()[0].title, "Quenby");
    EXPECT_EQ(captions().size(), 16);
    EXPECT_EQ(captions()[15], "Coin 16");
    EXPECT_TRUE(vt().isVisible("lblCountText", 1));
    EXPECT_EQ(vt().widget("frmValtest")->width(), 612) << "the wide window: 9180 twips";
    // Line 9 heads the second column.
    EXPECT_EQ(vt().widget("lblCount", 8)->geometry().topLeft(), QPoint(352, 32));
    EXPECT_EQ(vt().widget("lblCount", 7)->geometry().topLeft(), QPoint(136, 32 + 7 * 24));
    drop(16); // "X0F": line 16
    EXPECT_EQ(lit(), "16g A5 A4 A3 A2 A1");
    EXPECT_EQ(count(16), " 1");
}

TEST_F(ValtestTest, RejectsAfterAMarsTestLightNothingInACcTest)
{
    runOn("ME111", "cmbMarsMech", "cmdValtest");
    click(vt(), "cmdBack");
    box.swapMech("C120", false);
    run("cmbCCmech", "C120", "cmdCCValTest");
    EXPECT_EQ(p->rejectLine, 0);
    clearSent();
    slug();
    EXPECT_EQ(lit(), "");
    EXPECT_TRUE(sounds().isEmpty());
    EXPECT_EQ(count(7), " 0");
}

// ---- NRI ---------------------------------------------------------------------------------------

TEST_F(ValtestTest, NriStartCommandsPerModel)
{
    runOn("G13-6000", "cmbNRImech", "cmdNRIvaltest");
    EXPECT_EQ(sent(), kOpening + "C00" + "O" + "JN");
    click(vt(), "cmdBack");
    box.swapMech("G18-3000", false);
    clearSent();
    run("cmbNRImech", "G18-3000", "cmdNRIvaltest");
    EXPECT_EQ(sent(), kOpening + "C08" + "O" + "JN");
    drop(4); // "D" shows on line 2 of a G18
    EXPECT_EQ(lit(), "2g");
}

TEST_F(ValtestTest, G40VariantsPreselectedAndSwitched)
{
    runOn("G40-0000", "cmbNRImech", "cmdNRIvaltest");
    EXPECT_EQ(vt().items("cmbG40"), quenby::kG40Variants);
    EXPECT_EQ(vt().text("cmbG40"), "G40-x4xx");
    EXPECT_TRUE(vt().isVisible("cmbG40"));
    EXPECT_FALSE(vt().isVisible("lblmechType"));
    EXPECT_EQ(sent(), kOpening + "C08" + "*" + "O" + "C08" + "JN");
    EXPECT_EQ(captions().size(), 5);
    EXPECT_TRUE(vt().isVisible("frmOptions"));
    drop(2); // binary variant: no channel move
    EXPECT_EQ(lit(), "2g");

    // The user picks x0xx: 6 lines, no Output Mode, and the restart without a probe.
    clearSent();
    auto* combo = vt().get<QComboBox>("cmbG40");
    combo->setCurrentIndex(0);
    emit combo->activated(0);
    EXPECT_EQ(sent(), "OC08");
    EXPECT_EQ(captions().size(), 6);
    EXPECT_FALSE(vt().isVisible("frmOptions"));
    drop(2);
    EXPECT_EQ(lit(), "3g") << "single-output variants move the middle channels";

    // x3xx restarts with "C01".
    clearSent();
    combo->setCurrentIndex(1);
    emit combo->activated(1);
    EXPECT_EQ(sent(), "*OC01");
}

TEST_F(ValtestTest, G10LogsOnShowsTubesAndGoesBackThroughTheBoxReset)
{
    runOn("G10-4000/5", "cmbNRImech", "cmdNRIvaltest");
    EXPECT_EQ(sent(), kOpening + "C00" + kEsc25 + "$23" + "I");
    EXPECT_TRUE(p->job.nriG10LineMode);
    EXPECT_EQ(captions(), (QStringList{"Coin 01", "Coin 02", "Coin 03", "Coin 04", "Coin 05", "Coin 06", "Coin 07",
                                       "Coin 08", "Tube L", "Tube M", "Tube R", "Cashbox"}));
    EXPECT_TRUE(vt().isVisible("lblCountText", 1));
    drop(4); // 0x21: coin 4, right tube
    EXPECT_EQ(lit(), "4g 11g");
    EXPECT_EQ(count(4), " 1");
    EXPECT_EQ(count(11), " 1");
    EXPECT_EQ(sounds(), QStringList{"accept"});

    clearSent();
    click(vt(), "cmdBack");
    EXPECT_EQ(sent(), kBreak + kEsc20 + "W");
    EXPECT_FALSE(p->job.nriG10LineMode);
    EXPECT_FALSE(box.inSerialMode());
}

TEST_F(ValtestTest, G10WrongIdentificationBeepsAndLeavesTheWindowOpen)
{
    start("G10-4000/5");
    mech<sim::NriMech>().setFault(sim::NriMech::Fault::WrongIdent, When::always());
    run("cmbNRImech", "G10-4000/5", "cmdNRIvaltest");
    EXPECT_EQ(ts.sound->beeps, 1);
    EXPECT_TRUE(testOpen());
    EXPECT_TRUE(p->job.nriG10LineMode) << "line mode stays on until Back";
    EXPECT_FALSE(sent().endsWith("JN"));
    EXPECT_TRUE(sent().contains("$25")) << "the second interface was tried";
}

TEST_F(ValtestTest, G10ReportsWithoutACoinByteOrWithADoubleCrShowOnce)
{
    runOn("G10-4000/5", "cmbNRImech", "cmdNRIvaltest");
    auto& nri = mech<sim::NriMech>();
    nri.setFault(sim::NriMech::Fault::EmptyG10Report, When::first(1));
    drop(5);
    EXPECT_EQ(lit(), "");
    EXPECT_EQ(count(12), " 0") << "an empty report counts no Cashbox";
    EXPECT_TRUE(sounds().isEmpty());
    EXPECT_TRUE(ts.dialogs->boxes().empty());
    nri.setFault(sim::NriMech::Fault::DoubleCrReport, When::first(1));
    drop(8); // 0x40: coin 8, cashbox
    EXPECT_EQ(count(8), " 1");
    EXPECT_EQ(count(12), " 1");
    EXPECT_EQ(sounds(), QStringList{"accept"});
}

// ---- a box that does not answer, or goes away ------------------------------------------------------

TEST_F(ValtestTest, SilentOrLateAnswersOnlyCostTheirWaits)
{
    start("335");
    box.setFault(sim::QuenbyBox::Fault::OUnanswered, When::always());
    box.setFault(sim::QuenbyBox::Fault::StarLate, When::always());
    const plat::Millis t0 = ts.sched->nowMs();
    run("cmbCCmech", "335", "cmdCCValTest");
    EXPECT_GE(ts.sched->nowMs() - t0, 780 + 780) << "the opening \"O\" and the probe ran out";
    EXPECT_FALSE(vt().isVisible("frmOptions")) << "an answer after 800 ms is no answer";
    EXPECT_EQ(captions().size(), 5);
    EXPECT_TRUE(sent().endsWith("JN"));
    EXPECT_TRUE(ts.dialogs->boxes().empty());
}

TEST_F(ValtestTest, AHangUpMidTestIsReportedOnceAndBackStillCloses)
{
    runOn("ME111", "cmbMarsMech", "cmdValtest");
    box.setFault(sim::QuenbyBox::Fault::HangUpOnByteOut, When::first(1));
    ts.dialogs->answer(plat::mb::OK, " 809 Error in COM port reception routine : ");
    drop(1);
    wait(100);
    EXPECT_FALSE(p->state.portOpen);
    click(vt(), "cmdBack");
    EXPECT_FALSE(p->valtestIfLoaded());
    EXPECT_TRUE(mainC().isEnabled("cmdValtest"));
    EXPECT_EQ(ts.dialogs->boxes().size(), 1u) << "the W on the closed port says nothing more";

    // The next test opens the port again.
    clearSent();
    run("cmbMarsMech", "ME111", "cmdValtest");
    EXPECT_TRUE(p->state.portOpen);
    EXPECT_TRUE(testOpen());
}

// ---- the window and the menu ---------------------------------------------------------------------

TEST_F(ValtestTest, NoMechOpensNothing)
{
    start("ME111");
    box.mechConnected = false;
    // The status line the box check last read says "no mech".
    p->state.mechPresent = false;
    run("cmbMarsMech", "ME111", "cmdValtest");
    EXPECT_FALSE(p->valtestIfLoaded());
    EXPECT_TRUE(mainC().isEnabled("cmdValtest"));
    EXPECT_TRUE(sent().endsWith("JNW")) << "the reports started are stopped again";
    EXPECT_FALSE(box.reporting());
}

TEST_F(ValtestTest, CcAndNriTestsOpenAfterAStatusLineSaidNoMech)
{
    // The start-up status line says "no mech"; only a Mars test asks for the status again.
    box.mechConnected = false;
    start("C120");
    ASSERT_FALSE(p->state.mechPresent);
    box.mechConnected = true;
    run("cmbCCmech", "C120", "cmdCCValTest");
    EXPECT_TRUE(testOpen());
    EXPECT_FALSE(mainC().isEnabled("cmdValtest"));
    drop(2);
    EXPECT_EQ(count(2), " 1");
    click(vt(), "cmdBack");

    box.swapMech("G13-6000", false);
    run("cmbNRImech", "G13-6000", "cmdNRIvaltest");
    EXPECT_TRUE(testOpen());
    drop(1);
    EXPECT_EQ(count(1), " 1");
    EXPECT_FALSE(sent().endsWith("W")) << "the test was not closed";
}

TEST_F(ValtestTest, CloseBoxLeavesAsBackDoes)
{
    runOn("G10-4000/5", "cmbNRImech", "cmdNRIvaltest");
    clearSent();
    p->valtestForm().close();
    EXPECT_EQ(sent(), kBreak + kEsc20 + "W");
    EXPECT_FALSE(p->valtestIfLoaded());
    EXPECT_TRUE(mainC().isEnabled("cmdValtest"));
    EXPECT_FALSE(p->job.nriG10LineMode);
}

TEST_F(ValtestTest, ClearCountsAndAnotherTabReusingTheOpenWindow)
{
    runOn("C120", "cmbCCmech", "cmdCCValTest");
    drop(1);
    drop(1);
    click(vt(), "cmdClearCount");
    EXPECT_EQ(count(1), " 0");
    // The NRI tab's button is still enabled; its test reuses the open window.
    box.swapMech("G13-6000", false);
    const QWidget* before = p->valtestIfLoaded();
    run("cmbNRImech", "G13-6000", "cmdNRIvaltest");
    EXPECT_EQ(p->valtestIfLoaded(), before);
    EXPECT_EQ(vt().text("lblmechType"), "G13-6000");
}

TEST_F(ValtestTest, ReportWithoutATestWindowStillSounds)
{
    start("ME111");
    // The box reports while no test window is loaded.
    p->link.sendData("VN");
    wait(50);
    drop(1);
    EXPECT_FALSE(p->valtestIfLoaded()) << "nothing loads the window";
    EXPECT_EQ(sounds(), QStringList{"accept"});
    EXPECT_EQ(p->mainForm().highlightHold, 4);
    wait(500);
    EXPECT_FALSE(p->valtestIfLoaded());
}

TEST_F(ValtestTest, ACoinDuringTheSetUpIsShownAndItsCountClearedAgain)
{
    runOn("335", "cmbCCmech", "cmdCCValTest");
    // The box keeps reporting while the layout's probe waits for a silent box.
    box.setFault(sim::QuenbyBox::Fault::StarUnanswered, When::always());
    QString shownDuringTheProbe;
    at(ts.sched->nowMs() + 300, [&] {
        box.dropCoin(2);
        ts.sched->advance(40);
        shownDuringTheProbe = count(2);
    });
    chooseOption(vt(), "optBinary");
    EXPECT_EQ(shownDuringTheProbe, " 1");
    EXPECT_EQ(sounds(), QStringList{"accept"});
    EXPECT_EQ(count(2), " 0") << "the layout clears the counts after the probe";
}

TEST_F(ValtestTest, ASecondJobIsRefusedWhileTheTestStartsAndAChoiceGoesBack)
{
    start("335");
    mainC().setText("cmbCCmech", "335");
    box.setFault(sim::QuenbyBox::Fault::StarUnanswered, When::first(1));
    int refusedAt = 0;
    at(ts.sched->nowMs() + 200, [&] {
        // Mid-start: Back and the output choice are refused; the option returns to Single.
        plat::NamedControls& c = p->valtestForm().controls();
        c.get<QRadioButton>("optBinary")->click();
        refusedAt = c.value("optSingle");
        click(mainC(), "cmdMars");
    });
    click(mainC(), "cmdCCValTest");
    EXPECT_EQ(refusedAt, 1);
    EXPECT_EQ(vt().value("optSingle"), 1);
    EXPECT_EQ(p->job.mechFamily, quenby::Family::CC) << "the Mars job never started";
    EXPECT_TRUE(testOpen());
}

} // namespace
