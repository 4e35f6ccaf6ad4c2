// The main menu after start-up: its resting state, the settings frame, and how its handlers and
// job buttons are guarded.
#include "platform/filefaults.h"
#include "tests/quenby/program_fixture.h"

#include <QImage>
#include <QTabWidget>

namespace {

using quenby_tests::click;
using quenby_tests::kEsc25;

const char* const kMenu[] = {"cmdCCValTest", "cmdCCprog",  "cmdCCprom",  "cmbCCmech",
                             "cmdNRIvaltest", "cmdNRIprog", "cmdNRIprom", "cmbNRImech",
                             "cmdValtest",   "cmdMars",    "cmdPROMutilities", "cmbMarsMech"};

struct MenuTest : quenby_tests::ProgramTest {
    void SetUp() override
    {
        ProgramTest::SetUp();
        settings(1);
        program().start();
        port->clearTranscript();
    }
};

TEST_F(MenuTest, RestingStateIsRestoredWhateverTheJobLeft)
{
    for (const char* name : kMenu)
        mainC().setEnabled(name, false);
    p->state.passThrough = true;
    p->memory.promSize = 1;
    p->rangeLow1 = p->rangeHigh1 = p->rangeLow2 = p->rangeHigh2 = p->rangeLow3 = p->rangeHigh3 = 0;
    main().setupMainForm();
    for (const char* name : kMenu)
        EXPECT_TRUE(mainC().isEnabled(name)) << name;
    EXPECT_FALSE(p->state.passThrough);
    EXPECT_EQ(p->memory.promSize, 0);
    EXPECT_EQ(p->rangeLow1, 2);
    EXPECT_EQ(p->rangeHigh1, 3000);
    EXPECT_EQ(p->rangeLow2, 2);
    EXPECT_EQ(p->rangeHigh2, 3000);
    EXPECT_EQ(p->rangeLow3, 2);
    EXPECT_EQ(p->rangeHigh3, 4000);
}

TEST_F(MenuTest, ChangeConfigFrameHidesTheTabPageBeneathIt)
{
    main().show();
    click(mainC(), "cmdConfig");
    QWidget* frame = mainC().widget("frmConfig");
    QWidget* tab = mainC().widget("tabManufacturer");
    ASSERT_TRUE(frame->isVisible());
    const QObjectList& stack = frame->parentWidget()->children();
    EXPECT_GT(stack.indexOf(frame), stack.indexOf(tab)) << "the frame is on top";
    // Opaque: what the frame's area shows does not depend on the model list and buttons below.
    const QImage over = main().grab(frame->geometry()).toImage();
    tab->hide();
    const QImage alone = main().grab(frame->geometry()).toImage();
    EXPECT_TRUE(over == alone);
}

TEST_F(MenuTest, SaveConfigInDeutschRefreshesTheCaptions)
{
    ts.writeFile("Deutsch.txt", "850,Einstellungen\r\n860,Mech programmieren\r\n872,Ende\r\n874,Konfig\r\n");
    click(mainC(), "cmdConfig");
    mainC().setText("cmbLanguage", "Deutsch");
    click(mainC(), "cmdSaveConfig");
    EXPECT_EQ(ts.readFile("config0000.txt"), quenby::settingsLine(1, "Deutsch", {}));
    EXPECT_EQ(mainC().text("frmConfig"), "Einstellungen");
    EXPECT_EQ(mainC().text("cmdMars"), "Mech programmieren");
    EXPECT_EQ(mainC().text("cmdExit"), "Ende");
    EXPECT_EQ(mainC().text("cmdConfig"), "Konfig");
    EXPECT_EQ(mainC().text("cmdValtest"), "") << "an id the file does not set is empty";
    EXPECT_EQ(mainC().get<QTabWidget>("tabManufacturer")->tabText(0), "Mars") << "tab captions stay as designed";
    EXPECT_FALSE(mainC().isVisible("frmConfig"));
}

TEST_F(MenuTest, SaveConfigWhereTheFolderTakesNoNewFileWritesInPlace)
{
    plat::FileFaults faults;
    faults.noNewFiles(ts.folder());
    click(mainC(), "cmdConfig");
    mainC().setValue("ComboPort", 6);
    click(mainC(), "cmdSaveConfig");
    EXPECT_TRUE(ts.dialogs->boxes().empty());
    EXPECT_EQ(ts.readFile("config0000.txt"), quenby::settingsLine(7, "English", {}));
}

TEST_F(MenuTest, StartupPortTakesThePortFromTheList)
{
    port->close();
    p->state.portOpen = false;
    p->comPortNumber = 2;
    mainC().setValue("ComboPort", 6);
    main().startupPort();
    EXPECT_TRUE(p->state.portOpen);
    EXPECT_EQ(port->portNumber(), 7);
    EXPECT_EQ(port->sentWithBreaks(), "<BRK+><BRK->" + kEsc25);
}

// A job that runs `during` while it waits 200 ms, and notes what it saw afterwards.
struct WaitingJob : quenby::MenuJobs {
    std::function<void()> during;
    quenby::Program* p = nullptr;
    bool finished = false;
    bool portOpenAtTheEnd = false;
    void cmdCCprog_Click() override
    {
        during();
        p->link.delayMs(200);
        portOpenAtTheEnd = p->port->isOpen();
        finished = true;
    }
};

struct ExitTest : MenuTest {
    // Starts the waiting job, with `during` run while it has just begun.
    void runJobThat(std::function<void()> during)
    {
        auto job = std::make_unique<WaitingJob>();
        WaitingJob& j = *job;
        j.p = p.get();
        j.during = std::move(during);
        p->setJobs(std::move(job));
        click(mainC(), "cmdCCprog");
        EXPECT_TRUE(j.finished);
        EXPECT_TRUE(j.portOpenAtTheEnd) << "nothing ended under the job";
        // Ended once the job had returned; the end leaves through the scheduler.
        EXPECT_EQ(ts.env->endCount, 1);
        EXPECT_FALSE(port->isOpen());
        EXPECT_THROW(ts.sched->advance(20), plat::ProgramEnded);
    }
};

TEST_F(ExitTest, ExitWaitsForTheRunningJob)
{
    runJobThat([&] {
        click(mainC(), "cmdExit");
        click(mainC(), "cmdExit"); // asked twice, ended once
    });
}

TEST_F(ExitTest, CloseBoxWaitsForTheRunningJob)
{
    runJobThat([&] { main().close(); });
}

struct ThrowingJob : quenby::MenuJobs {
    void cmdCCprog_Click() override { throw std::runtime_error("boom"); }
};

TEST_F(MenuTest, AnErrorEscapingAHandlerIsReportedWithItsContext)
{
    p->setJobs(std::make_unique<ThrowingJob>());
    ts.dialogs->answer(plat::mb::OK);
    click(mainC(), "cmdCCprog");
    ASSERT_EQ(ts.dialogs->boxes().size(), 1u);
    EXPECT_EQ(ts.dialogs->boxes()[0].text, "frmMain.cmdCCprog_Click : \r\nboom - 5");
    EXPECT_EQ(ts.dialogs->boxes()[0].title, "Error detected");
    EXPECT_FALSE(p->guard.jobRunning()) << "the next job may start";
}

using FirstRunTest = quenby_tests::ProgramTest;

TEST_F(FirstRunTest, SaveConfigThatCannotWriteReportsAndCarriesOn)
{
    plat::FileFaults faults;
    faults.noNewFiles(ts.folder());
    ts.dialogs->answer(plat::mb::OK, " 832 Error Writing Config Default File :  \r\nPath/File access error");
    at(1000, [&] { click(mainC(), "cmdSaveConfig"); });
    program().start();
    EXPECT_FALSE(ts.fileExists("config0000.txt"));
    EXPECT_TRUE(p->configLoaded) << "the settings stay in memory";
    EXPECT_TRUE(main().isVisible());
}

} // namespace
