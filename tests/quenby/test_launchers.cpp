// The six job buttons that prepare box and mech before their window: the family and model, the
// port, the box check, the menu locked in its order, the model's parameters, the memory read,
// and the window each opens (a stand-in where a test watches what the window was opened with).
#include "quenby/clonewizard/frmcoinmeasure1.h"
#include "sim/ccmech.h"
#include "quenby/memutils/frmnridata.h"
#include "quenby/memutils/frmpromdata.h"
#include "sim/marssocket.h"
#include "tests/quenby/valtest_fixture.h"

#include <QEvent>

namespace {

using namespace quenby_tests;

const char* const kMenu[] = {"cmdCCValTest", "cmdCCprog",  "cmdCCprom",  "cmbCCmech",
                             "cmdNRIvaltest", "cmdNRIprog", "cmdNRIprom", "cmbNRImech",
                             "cmdValtest",   "cmdMars",    "cmdPROMutilities", "cmbMarsMech"};

// Records, in order, every menu control that turns disabled.
struct LockOrder : QObject {
    QStringList disabled;
    bool eventFilter(QObject* o, QEvent* e) override
    {
        if (e->type() == QEvent::EnabledChange && !static_cast<QWidget*>(o)->isEnabled())
            disabled << o->objectName();
        return false;
    }
};

// What the job window saw when it opened: the menu, the model's parameters, the memory read.
struct WindowSeen {
    int opened = 0;
    QStringList enabled;
    int paramCount = -1;
    QString caption;
    bool fromPromWindow = true;
};

struct StandInMeasure : quenby::CoinMeasureWindow {
    quenby::Program* p = nullptr;
    WindowSeen* seen = nullptr;
    bool fail = false;
    void setDuplicateCheck(const QString& caption) override { seen->caption = caption; }
    bool CoinInitialise(int mode) override
    {
        EXPECT_EQ(mode, 0);
        if (fail)
            throw plat::RuntimeError(91, "Object variable not set");
        ++seen->opened;
        seen->paramCount = p->params.paramCount;
        for (const char* name : kMenu)
            if (p->mainForm().controls().isEnabled(name))
                seen->enabled << name;
        return true;
    }
};

struct StandInMemory : quenby::MemoryWindows {
    quenby::Program* p = nullptr;
    WindowSeen* seen = nullptr;
    bool opens()
    {
        ++seen->opened;
        seen->paramCount = p->params.paramCount;
        seen->fromPromWindow = p->fromPromWindow;
        for (const char* name : kMenu)
            if (p->mainForm().controls().isEnabled(name))
                seen->enabled << name;
        return true;
    }
    bool openPromData() override { return opens(); }
    bool openEepromData() override { return opens(); }
    bool openNriData() override { return opens(); }
};

struct LauncherTest : ValtestTest {
    WindowSeen seen;
    LockOrder order;

    void start(const QString& model)
    {
        ValtestTest::start(model, "V1.91");
        for (const char* name : kMenu)
            mainC().widget(name)->installEventFilter(&order);
    }
    void standInWindows(bool failing = false)
    {
        auto m = std::make_unique<StandInMeasure>();
        m->p = p.get();
        m->seen = &seen;
        m->fail = failing;
        p->setCoinMeasure(std::move(m));
        auto w = std::make_unique<StandInMemory>();
        w->p = p.get();
        w->seen = &seen;
        p->setMemoryWindows(std::move(w));
    }
    bool menuUnlocked()
    {
        for (const char* name : kMenu)
            if (!mainC().isEnabled(name))
                return false;
        return true;
    }
};

TEST_F(LauncherTest, MarsProgramMechChecksTheMechLocksTheMenuAndOpensItsWindow)
{
    start("ME111");
    standInWindows();
    p->fromPromWindow = true;
    run("cmbMarsMech", "MS1400", "cmdMars");
    EXPECT_EQ(sent(), kBreak + kEsc25 + kEsc25 + "MJSW");
    EXPECT_EQ(order.disabled, QStringList(std::begin(kMenu), std::end(kMenu))) << "locked in its order";
    EXPECT_EQ(seen.opened, 1);
    EXPECT_TRUE(seen.enabled.isEmpty());
    EXPECT_EQ(seen.caption, "Duplicate Segments");
    EXPECT_EQ(seen.paramCount, 3) << "the parameters are set before the window";
    EXPECT_EQ(p->job.mechFamily, quenby::Family::Mars);
    EXPECT_EQ(p->job.mechModel, "MS1400");
    EXPECT_FALSE(menuUnlocked()) << "the window unlocks it on its way back";
    EXPECT_TRUE(ts.dialogs->boxes().empty());
}

TEST_F(LauncherTest, MarsProgramMechWithoutAMechStopsAtTheCheck)
{
    start("ME111");
    standInWindows();
    box.mechConnected = false;
    ts.dialogs->answer(plat::mb::OK, "Validator NOT DETECTED");
    run("cmbMarsMech", "ME111", "cmdMars");
    EXPECT_EQ(seen.opened, 0);
    EXPECT_TRUE(order.disabled.isEmpty());
    EXPECT_TRUE(menuUnlocked());
    EXPECT_EQ(p->job.mechFamily, quenby::Family::Mars) << "set first, and kept";
}

TEST_F(LauncherTest, CcProgramMechOpensTheMeasurementWindowLaidOutForTheModel)
{
    start("C120");
    p->params.paramCount = 0;
    run("cmbCCmech", "435", "cmdCCprog");
    EXPECT_EQ(sent(), kBreak + kEsc25 + kEsc25 + "MJS") << "no mech logon for the check, nothing for the window";
    EXPECT_EQ(order.disabled.size(), 12);
    EXPECT_FALSE(menuUnlocked()) << "the job's window is open";
    EXPECT_EQ(p->params.paramCount, 5);
    plat::NamedControls& w = p->coinMeasureForm().controls();
    EXPECT_TRUE(p->coinMeasureForm().isVisible());
    EXPECT_EQ(w.text("frmCoinMeasure1"), "Capture Measurements : ");
    EXPECT_EQ(w.text("lblmechType"), "435");
    EXPECT_EQ(w.text("lblMfg"), "Coin Controls");
    EXPECT_EQ(w.text("cmdBack"), "Back to Main Window");
    EXPECT_EQ(w.text("chkduplicate"), "Clone Coin Mech");
    EXPECT_TRUE(w.isVisible("chkduplicate"));
    EXPECT_EQ(w.value("chkduplicate"), 0);
    EXPECT_TRUE(w.isEnabled("chkduplicate")) << "the memory windows programme it from a data file";
    EXPECT_FALSE(w.isVisible("frmPromSize"));
    EXPECT_TRUE(w.isVisible("frmParameter", 4));
    EXPECT_FALSE(w.isVisible("frmParameter", 5));
    EXPECT_EQ(w.text("lblSrc", 9), "2*SD");
    EXPECT_TRUE(ts.dialogs->boxes().empty());
    EXPECT_FALSE(p->guard.jobRunning());
}

TEST_F(LauncherTest, NriProgramMechEndsTheG10LineModeFlag)
{
    start("G13-6000");
    standInWindows();
    p->job.nriG10LineMode = true;
    run("cmbNRImech", "G13-6000", "cmdNRIprog");
    EXPECT_FALSE(p->job.nriG10LineMode);
    EXPECT_EQ(seen.caption, "Clone Coin Mech");
    EXPECT_EQ(seen.paramCount, 6);
}

TEST_F(LauncherTest, AnErrorInALauncherIsReportedWithItsTextAndTheMenuComesBack)
{
    start("C120");
    standInWindows(true);
    ts.dialogs->answer(plat::mb::OK, " 800 Error loading Program CC Mech form : ");
    run("cmbCCmech", "C120", "cmdCCprog");
    EXPECT_TRUE(menuUnlocked());
}

TEST_F(LauncherTest, EepromUtilitiesReadsTheMechAndWritesItsScratchFile)
{
    start("C120");
    standInWindows();
    p->fromPromWindow = true;
    run("cmbCCmech", "C120", "cmdCCprom");
    EXPECT_EQ(seen.opened, 1);
    EXPECT_FALSE(seen.fromPromWindow);
    EXPECT_TRUE(seen.enabled.isEmpty());
    const auto& cc = mech<sim::CcMech>();
    EXPECT_EQ(p->memory.images.readImage[5], cc.word(5));
    EXPECT_TRUE(p->memory.images.holdsWholeMemoryOf("C120"));
    EXPECT_TRUE(ts.fileExists("C120temp.txt"));
}

TEST_F(LauncherTest, MemoryUtilitiesReadsTheNriMemoryIntoItsWindow)
{
    start("G13-6000");
    p->memory.images.readImage[3] = 77;
    run("cmbNRImech", "G13-6000", "cmdNRIprom");
    EXPECT_TRUE(ts.fileExists("G13-6000temp.txt"));
    EXPECT_FALSE(p->memory.nri.nriDataLines[1].isEmpty());
    EXPECT_EQ(p->memory.images.readImage[3], 77) << "an NRI read leaves the images alone";
    ASSERT_TRUE(p->nriDataIfLoaded());
    EXPECT_TRUE(p->nriDataIfLoaded()->isVisible());
    EXPECT_FALSE(menuUnlocked()) << "its Close unlocks it";
}

TEST_F(LauncherTest, PromUtilitiesReadsThePromBetweenJAndWAndLocksOnlyItsButton)
{
    start("ME111");
    standInWindows();
    p->memory.promSize = 1;
    p->params.paramCount = 99;
    p->memory.images.progImage[7] = 9;
    run("cmbMarsMech", "ME111", "cmdPROMutilities");
    const QByteArray s = sent();
    EXPECT_TRUE(s.startsWith(kBreak + kEsc25 + kEsc25 + "MJSW" + "J" + "EA")) << s.toStdString();
    EXPECT_TRUE(s.endsWith("AW")) << "the 1K read, then W";
    EXPECT_EQ(seen.enabled.size(), 11);
    EXPECT_FALSE(seen.enabled.contains("cmdPROMutilities"));
    EXPECT_EQ(seen.paramCount, 99) << "no model parameters";
    EXPECT_EQ(p->memory.promSize, 0);
    EXPECT_EQ(p->memory.images.progImage[7], 0) << "the image buffers are cleared";
    const auto& socket = mech<sim::MarsSocket>();
    EXPECT_EQ(p->memory.images.readImage[200], socket.nibble(200));
}

TEST_F(LauncherTest, PromUtilitiesShowsItsReportBeforeW)
{
    start("ME111");
    run("cmbMarsMech", "ME111", "cmdPROMutilities");
    EXPECT_TRUE(sent().endsWith("AW"));
    ASSERT_TRUE(p->promDataIfLoaded());
    EXPECT_TRUE(p->promDataIfLoaded()->isVisible());
    EXPECT_TRUE(main().isVisible()) << "the menu stays usable behind it";
    EXPECT_FALSE(mainC().isEnabled("cmdPROMutilities"));
}

TEST_F(LauncherTest, ASilentBoxEndsEveryLauncherAtTheCheck)
{
    start("C120");
    standInWindows();
    box.silent = true;
    for (const char* button : {"cmdCCprog", "cmdCCprom"}) {
        ts.dialogs->answer(plat::mb::OK, "No Response from Programmer Box");
        run("cmbCCmech", "C120", button);
    }
    ts.dialogs->answer(plat::mb::OK, "No Response from Programmer Box");
    run("cmbMarsMech", "ME111", "cmdPROMutilities");
    EXPECT_EQ(seen.opened, 0);
    EXPECT_TRUE(order.disabled.isEmpty());
    EXPECT_FALSE(sent().contains("E")) << "nothing was read";
}

} // namespace
