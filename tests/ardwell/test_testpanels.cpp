// The test frames' data, the hopper test's count and run, and the mech preparation of the
// 560/PCA test. Frame lines and mask lines: tests/ardwell/testpanel_vectors.py.
#include "ardwell/bench/testpanels.h"

#include "link_fixture.h"
#include "platform/runtimeerror.h"

#include <gtest/gtest.h>

using namespace ardwell;
using ardwell_test::Rig;
using testing_support::errNumber;

namespace {

constexpr std::array<bool, 8> kAtoF{true, true, true, true, true, true, false, false};
constexpr std::array<bool, 8> kNone{};

// Sets the frame's interface options as one option group does: the chosen one on, the rest off.
// ("340 Creditor" sends no mask and is left out here.)
void choose(plat::View& v, TestInterface chosen)
{
    v.setValue("opt10way", chosen == TestInterface::TenWay);
    v.setValue("opt16way", chosen == TestInterface::SixteenWay);
    v.setValue("optDualPolarity", chosen == TestInterface::DualPolarity);
}

// The output mask line the link sends for the frame's present state.
QByteArray maskLine(Rig& rig)
{
    const qsizetype before = rig.sent().size();
    rig.link.sendOutputMask(ardwell::outputMask(rig.view));
    return rig.sent().mid(before);
}

} // namespace

TEST(TestPanels, InterfaceLayoutsFollowTheFourRowTable)
{
    struct Row {
        TestInterface option;
        std::array<bool, 8> coins, inhibits;
        bool allInhibit, binary126;
    };
    const Row rows[] = {
        {TestInterface::TenWay, kAtoF, kNone, true, false},
        {TestInterface::SixteenWay, kAtoF, kAtoF, true, false},
        {TestInterface::DualPolarity, kAtoF, kAtoF, false, true},
        {TestInterface::Creditor340, kNone, kNone, false, false},
    };
    for (const Row& r : rows) {
        for (Model m : {Model::M330, Model::M126}) {
            const TestLayout l = displayTestSettings(m, r.option);
            const QString what = QString::number(int(r.option)) + " " + modelText(m);
            EXPECT_EQ(l.coinVisible, r.coins) << qPrintable(what);
            EXPECT_EQ(l.inhibitVisible, r.inhibits) << qPrintable(what);
            EXPECT_EQ(l.allInhibitVisible, r.allInhibit) << qPrintable(what);
            EXPECT_EQ(l.binaryVisible, r.binary126 && m == Model::M126) << qPrintable(what);
        }
    }
    EXPECT_TRUE(sendsMask(TestInterface::TenWay));
    EXPECT_TRUE(sendsMask(TestInterface::SixteenWay));
    EXPECT_TRUE(sendsMask(TestInterface::DualPolarity));
    EXPECT_FALSE(sendsMask(TestInterface::Creditor340));
}

TEST(TestPanels, EachModelOpensItsFrame)
{
    struct Row {
        Model m;
        const char *frame, *caption;
        bool active340;
        QByteArray power;
        std::array<bool, 4> options;
        bool upperRows;
    };
    const Row rows[] = {
        {Model::M340, "frm340test", "340 Test Mode", true, "", {}, false},
        {Model::M330, "frmTest", "Test Coin Mech", false, "", {true, true, true, false}, false},
        {Model::M126, "frmTest", "Test Coin Mech", false, "", {}, false}, // one interface only
        // Their own supply line, without "%" first; 12 rows on a 560, 16 on a PCA.
        {Model::M560, "frmPCAtest", "560 Test", false, "Z\r", {}, false},
        {Model::PCA, "frmPCAtest", "PCA Test", false, "W\r", {}, true},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(modelText(r.m).toStdString());
        const TestEntry e = testEntry(r.m);
        EXPECT_EQ(frameName(e.frame), r.frame);
        EXPECT_EQ(e.caption, r.caption);
        EXPECT_EQ(e.test340Active, r.active340);
        EXPECT_EQ(e.directPowerLine, r.power);
        EXPECT_EQ(e.optionEnabled, r.options);
        EXPECT_EQ(e.upperRowsVisible, r.upperRows);
        EXPECT_FALSE(e.routeLabelsVisible);
    }
    EXPECT_TRUE(displayTestSettings(Model::M126, kEntryInterface).binaryVisible);
}

TEST(TestPanels, MasksOfEachOptionState)
{
    Rig rig("330");
    plat::View& v = rig.view;
    choose(v, kEntryInterface);
    EXPECT_EQ(maskLine(rig), QByteArray("#BF\r")); // the hidden "Binary Mode" still counts
    choose(v, TestInterface::TenWay);
    EXPECT_EQ(maskLine(rig), QByteArray("#FF\r"));
    v.setValue("chkAllInhibit", 1);
    EXPECT_EQ(maskLine(rig), QByteArray("#FA\r")); // m = 5, not every line
    choose(v, TestInterface::SixteenWay);
    v.setValue("chkInhibit", 1, 1);
    EXPECT_EQ(maskLine(rig), QByteArray("#BD\r"));
    EXPECT_EQ(rig.box->lastOutputMask(), 0xBD);
}

TEST(HopperTest, CountBoxReadsAsAWholeNumber)
{
    EXPECT_EQ(hopperCountOf("3"), 3);
    EXPECT_EQ(hopperCountOf(""), 0);
    EXPECT_EQ(hopperCountOf("coins"), 0);
    EXPECT_EQ(hopperCountOf("-2"), -2);
    EXPECT_EQ(hopperCountOf("2.5"), 2); // halves to even
    EXPECT_EQ(hopperCountOf("3.5"), 4);
    EXPECT_EQ(hopperCountOf(" 7 coins"), 7);
    EXPECT_EQ(hopperCountOf("2147483647"), 2147483647);
    // Beyond 32 bits the test is refused with the overflow error, not wrapped into a count.
    EXPECT_EQ(errNumber([] { hopperCountOf("2147483648"); }), 6);
    EXPECT_EQ(errNumber([] { hopperCountOf("-2147483649"); }), 6);
    EXPECT_EQ(errNumber([] { hopperCountOf("1E300"); }), 6);
    EXPECT_EQ(errNumber([] { hopperCountOf("99999999999999999999999"); }), 6);
}

TEST(HopperTest, RunsEndOnTheirLastPulseOrWhenStopped)
{
    HopperRun run;
    ASSERT_TRUE(run.start(3));
    EXPECT_TRUE(run.tick());
    EXPECT_TRUE(run.tick());
    EXPECT_TRUE(run.tick()); // the third pulse ends the run on its own tick
    EXPECT_FALSE(run.running());
    EXPECT_FALSE(run.tick()); // Timer3 left on by "Hopper Drive" sends nothing more

    for (qint32 n : {0, -2}) { // nothing to send: no run, no pulse
        EXPECT_FALSE(run.start(n));
        EXPECT_FALSE(run.tick());
    }

    ASSERT_TRUE(run.start(5));
    EXPECT_TRUE(run.tick());
    run.stop(); // "Hopper Drive" unticked, "End Testing", EXIT
    EXPECT_EQ(run.hopperCount(), 0);
    EXPECT_FALSE(run.tick()); // ticking "Hopper Drive" again does not resume it
    ASSERT_TRUE(run.start(2147483647));
    EXPECT_TRUE(run.tick());
    EXPECT_EQ(run.hopperCount(), 2147483646);
}

// ---- Preparing a 560 / PCA mech on the simulated box ----
// Frames from tests/ardwell/testpanel_vectors.py.

TEST(MechPreparation, AnAnsweringMechTakesFourFrames)
{
    Rig rig("560");
    rig.powerAndRelay();
    const MechPrepared p = prepareMech(rig.link);
    EXPECT_EQ(rig.sent(), QByteArray("0121246F004B\r012124648EC8\r012124640F47\r012124700000004A\r"));
    EXPECT_TRUE(p.reInitialise && p.hiiEnable && p.hiiEnableAll && p.hiiAcceptAll);
    EXPECT_TRUE(rig.mech->acceptingAll());
    EXPECT_TRUE(rig.ts.dialogs->boxes().empty());

    Rig pca("PCA");
    pca.powerAndRelay();
    const MechPrepared q = prepareMech(pca.link);
    EXPECT_EQ(pca.sent(), QByteArray("0020246F004D\r002024648ECA\r002024640F49\r002024700000004C\r"));
    EXPECT_TRUE(q.reInitialise && q.hiiEnable && q.hiiEnableAll && q.hiiAcceptAll);
}

TEST(MechPreparation, EachSilentCommandIsReportedAndNotCredited)
{
    Rig rig("560");
    // The mech answers ReInitialise and then goes quiet.
    rig.mech->setFault(sim::ArdwellMech::Fault::CommandSilent, sim::When::from(2));
    for (int i = 0; i < 3; ++i)
        rig.ts.dialogs->answer(plat::mb::OK, "No Response from Coin Mech to HII Enable");
    rig.powerAndRelay();
    const MechPrepared p = prepareMech(rig.link);
    EXPECT_TRUE(p.reInitialise);
    EXPECT_FALSE(p.hiiEnable);
    EXPECT_FALSE(p.hiiEnableAll);
    EXPECT_FALSE(p.hiiAcceptAll);
    EXPECT_EQ(rig.sent().count("012124648EC8\r"), 6);
    EXPECT_EQ(rig.sent().count("012124640F47\r"), 6);
    EXPECT_EQ(rig.sent().count("012124700000004A\r"), 6);
    EXPECT_TRUE(rig.ts.dialogs->allAnswersUsed());
    EXPECT_FALSE(rig.mech->acceptingAll());
}
