// The whole start-up of the first program against the simulated box, on virtual time.
#include "platform/filefaults.h"
#include "tests/quenby/program_fixture.h"

#include <QComboBox>
#include <QTabWidget>

namespace {

using testing_support::TestServices;
using quenby_tests::click;
using quenby_tests::kEsc25;
using quenby_tests::kStartupBytes;
using StartupTest = quenby_tests::ProgramTest;

TEST_F(StartupTest, BoxAnswersMenuShownWithBoxVersion)
{
    settings(3);
    box.version = "QB9.7";
    program().start();
    EXPECT_TRUE(main().isVisible());
    EXPECT_FALSE(p->openingLoaded() && opening().isVisible());
    EXPECT_EQ(mainC().text("lblProgrammer"), "QB9.7");
    EXPECT_EQ(mainC().text("lblVersion"), "V1.00");
    EXPECT_TRUE(p->boxFound);
    EXPECT_TRUE(p->state.portOpen);
    EXPECT_EQ(port->portNumber(), 3);
    EXPECT_EQ(port->settings(), "9600,N,8,1");
    EXPECT_EQ(port->sentWithBreaks(), kStartupBytes);
    EXPECT_EQ(mainC().text("ComboPort"), "COM3");
    EXPECT_EQ(mainC().text("cmbMarsMech"), "ME111");
    EXPECT_EQ(mainC().text("cmbCCmech"), "C120");
    EXPECT_EQ(mainC().text("cmbNRImech"), "G13-6000");
    EXPECT_FALSE(mainC().isVisible("frmConfig"));
    EXPECT_TRUE(mainC().isEnabled("cmdCancConfig"));
    EXPECT_EQ(mainC().text("cmdMars"), "Program Mech");
    EXPECT_EQ(mainC().get<QTabWidget>("tabManufacturer")->tabText(1), "Coin Controls");
    EXPECT_EQ(openC().text("LabelStatus"), "COM port OPEN :\nProgrammer Box OK");
}

TEST_F(StartupTest, StartupWindowLabelShowsTheCheckTextAndTheVersion)
{
    program();
    opening().updateStatusLabel();
    EXPECT_EQ(openC().text("LabelStatus"), "Checking for Communication with Quenby\n\nSoftware Version Number : V1.00");

    // A language whose text 1000 is empty keeps the label's own first line.
    ts.writeFile("Deutsch.txt", "1000,\r\n875,Softwareversion\r\n");
    p->texts.languageName = "Deutsch";
    p->texts.loadLanguageFile(ts.folder(), *ts.dialogs);
    quenby::frmOpening fresh(*p);
    fresh.updateStatusLabel();
    EXPECT_EQ(fresh.controls().text("LabelStatus"),
              "Checking for Communication with the Programmer\n\nSoftwareversion : V1.00");
}

TEST_F(StartupTest, OkOnNoResponseKeepsTheProgramRunningWithItsMenu)
{
    settings(1);
    // The start-up window's check succeeds; the main window's own check gets no status.
    box.setFault(sim::QuenbyBox::Fault::StatusUnanswered, sim::When::from(2));
    ts.dialogs->answer(plat::mb::OK, "No Response from Programmer Box");
    program().start();
    EXPECT_TRUE(main().isVisible());
    EXPECT_EQ(ts.env->endCount, 0);
    EXPECT_TRUE(port->isOpen());
    EXPECT_TRUE(mainC().isEnabled("cmdMars"));
    EXPECT_TRUE(port->sentWithBreaks().endsWith(kEsc25 + "MJS" + "S")) << "the status is still asked for";
}

TEST_F(StartupTest, UnreadableSettingsFileIsReportedBeforeTheFirstRunWait)
{
    settings(3);
    plat::FileFaults faults;
    faults.unreadable(ts.folder() + "/config0000.txt");
    ts.dialogs->answer(plat::mb::OK, " 815 Error loading Main form :  \r\nPath/File access error - 75");
    bool waitingWithTheFrame = false;
    at(2000, [&] {
        waitingWithTheFrame = main().isVisible() && mainC().isVisible("frmConfig") && !mainC().isEnabled("cmdCancConfig");
        click(mainC(), "cmdSaveConfig");
    });
    program().start();
    ASSERT_EQ(ts.dialogs->boxes().size(), 1u);
    EXPECT_EQ(ts.dialogs->boxes()[0].at, 0) << "reported at once, not after the wait";
    EXPECT_TRUE(waitingWithTheFrame);
    EXPECT_EQ(port->portNumber(), 1) << "nothing was read from the file";
}

TEST_F(StartupTest, BoxHangingUpDuringTheCheckIsOneReportAndTheStatusSaysSo)
{
    settings(2);
    ts.dialogs->answer(plat::mb::OK, " 809 Error in COM port reception routine :  \r\npeer hung up - 8018");
    at(500, [&] { port->hangUp("peer hung up"); });
    QString status;
    bool retryOffered = false;
    at(5000, [&] {
        status = openC().text("LabelStatus");
        retryOffered = openC().isEnabled("cmdRetry");
        click(openC(), "cmdRetry");
    });
    program().start();
    EXPECT_EQ(ts.dialogs->boxes().size(), 1u) << "one report for the outage";
    EXPECT_EQ(status, "COM port NOT OPEN :\nSelect another Port");
    EXPECT_TRUE(retryOffered);
    EXPECT_TRUE(port->isOpen()) << "Retry opened the port again";
    EXPECT_TRUE(main().isVisible());
}

TEST_F(StartupTest, WhileTheCheckRunsTheStatusSaysItIsChecking)
{
    settings(1);
    QString during;
    at(500, [&] { during = openC().text("LabelStatus"); });
    program().start();
    EXPECT_EQ(during, "COM port OPEN :\nChecking for Communication with the Programmer");
    EXPECT_EQ(openC().text("LabelStatus"), "COM port OPEN :\nProgrammer Box OK");
}

TEST_F(StartupTest, WaitsOfTheStartupSequence)
{
    settings(1);
    program().start();
    std::vector<std::pair<plat::Millis, QByteArray>> sends;
    for (const auto& e : port->transcript())
        if (e.kind == sim::TranscriptEntry::Sent && e.bytes.at(0) != 0x1B)
            sends.push_back({e.at, e.bytes});
        else if (e.kind == sim::TranscriptEntry::BreakOff)
            sends.push_back({e.at, "<BRK->"});
    ASSERT_EQ(sends.size(), 11u);
    EXPECT_GT(sends[0].first, 80); // the 100 ms break on the 20 ms tick
    EXPECT_LE(sends[0].first, 100);
    // "_" after the reset waits only for its reply line.
    EXPECT_LT(sends[2].first - sends[1].first, 100);
    // The empty command of the check waits its full 800 ms.
    EXPECT_EQ(sends[5].second, "J");
    EXPECT_EQ(sends[6].second, "S");
    EXPECT_GT(sends[6].first - sends[5].first, 780);
    EXPECT_LE(sends[6].first - sends[5].first, 800);
    // The whole start-up takes about one second of box time.
    EXPECT_LT(ts.sched->nowMs(), 1400);
}

TEST_F(StartupTest, SilentBoxOffersRetryThenConnects)
{
    settings(2);
    box.silent = true;
    bool buttonsOffered = false;
    QString status;
    at(5000, [&] {
        buttonsOffered = openC().isEnabled("cmdRetry") && openC().isEnabled("cmdCancel");
        status = openC().text("LabelStatus");
        box.silent = false;
        port->clearTranscript();
        click(openC(), "cmdRetry");
    });
    program().start();
    EXPECT_TRUE(buttonsOffered);
    EXPECT_EQ(status, "COM port OPEN :\nNo Response from Programmer Box");
    EXPECT_TRUE(main().isVisible());
    EXPECT_FALSE(p->openingLoaded());
    EXPECT_EQ(port->sentWithBreaks(), kStartupBytes) << "Retry keeps the open port and resets again";
    EXPECT_EQ(port->portNumber(), 2);
}

TEST_F(StartupTest, SilentBoxCancelEndsAndClosesThePort)
{
    settings(2);
    box.silent = true;
    at(8000, [&] { click(openC(), "cmdCancel"); });
    EXPECT_THROW(program().start(), plat::ProgramEnded);
    EXPECT_FALSE(port->isOpen());
    EXPECT_EQ(ts.env->endCount, 1);
    EXPECT_FALSE(main().isVisible());
}

TEST_F(StartupTest, SilentBoxRetryStillSilentThenCancel)
{
    settings(2);
    box.silent = true;
    bool offeredAgain = false;
    at(6000, [&] { click(openC(), "cmdRetry"); });
    at(13000, [&] {
        offeredAgain = openC().isEnabled("cmdRetry");
        click(openC(), "cmdCancel");
    });
    EXPECT_THROW(program().start(), plat::ProgramEnded);
    EXPECT_TRUE(offeredAgain);
    EXPECT_EQ(box.breaksSeen(), 2) << "each attempt resets the box";
    EXPECT_FALSE(port->isOpen());
}

TEST_F(StartupTest, ClosingTheStartupWindowWithoutABoxEnds)
{
    settings(2);
    box.silent = true;
    at(8000, [&] { opening().close(); });
    EXPECT_THROW(program().start(), plat::ProgramEnded);
    EXPECT_FALSE(port->isOpen());
}

TEST_F(StartupTest, PortThatCannotBeOpenedThenAnotherPortChosen)
{
    settings(4);
    program();
    port->setOpenResult(plat::OpenResult::NoSuchDevice);
    QString status;
    QByteArray savedAtOnce;
    at(2000, [&] {
        status = openC().text("LabelStatus");
        openC().setValue("ComboPort", 6);
        emit openC().get<QComboBox>("ComboPort")->activated(6);
        savedAtOnce = ts.readFile("config0000.txt");
        port->setOpenResult(plat::OpenResult::Ok);
    });
    bool stillWaiting = false;
    at(4000, [&] {
        stillWaiting = !p->boxFound && !port->isOpen(); // nothing opens before Retry
        click(openC(), "cmdRetry");
    });
    p->start();
    EXPECT_EQ(status, "COM port NOT OPEN :\nSelect another Port\n\nCOM4 (sim:COM4) cannot be opened: no such device");
    EXPECT_EQ(savedAtOnce, quenby::settingsLine(7, "English", {}));
    EXPECT_TRUE(stillWaiting);
    EXPECT_EQ(port->portNumber(), 7);
    EXPECT_EQ(mainC().text("ComboPort"), "COM7");
    EXPECT_EQ(p->comPortNumber, 4) << "only the settings file changes";
    EXPECT_TRUE(main().isVisible());
}

TEST_F(StartupTest, ChoosingAnotherPortClosesTheOpenOne)
{
    settings(1);
    box.silent = true;
    bool closed = false;
    at(8000, [&] {
        ASSERT_TRUE(port->isOpen());
        emit openC().get<QComboBox>("ComboPort")->activated(1);
        closed = !port->isOpen() && !p->state.portOpen;
        box.silent = false;
        click(openC(), "cmdRetry");
    });
    program().start();
    EXPECT_TRUE(closed);
    EXPECT_EQ(port->portNumber(), 1) << "the list was not moved, so the same port reopens";
}

TEST_F(StartupTest, SecondCopyRefusedBeforeThePortIsTouched)
{
    settings(1);
    ts.env->otherInstance = true;
    ts.dialogs->answer(plat::mb::OK);
    EXPECT_THROW(program().start(), plat::ProgramEnded);
    ASSERT_EQ(ts.dialogs->boxes().size(), 1u);
    EXPECT_EQ(ts.dialogs->boxes()[0].text, "Quenby is already Running");
    EXPECT_EQ(ts.dialogs->boxes()[0].title, "Error");
    EXPECT_EQ(ts.dialogs->boxes()[0].style, plat::mb::Critical);
    EXPECT_TRUE(port->transcript().empty());
    EXPECT_EQ(mainC().items("ComboPort").size(), 0);
    EXPECT_EQ(mainC().items("cmbMarsMech").size(), 0);
}

TEST_F(StartupTest, FirstRunWaitsForSaveConfig)
{
    bool configShown = false, cancelOff = false, changeOff = false;
    int bytesBeforeSave = -1;
    at(3000, [&] {
        configShown = main().isVisible() && mainC().isVisible("frmConfig");
        cancelOff = !mainC().isEnabled("cmdCancConfig");
        changeOff = !mainC().isEnabled("cmdConfig");
        bytesBeforeSave = int(port->transcript().size());
        mainC().setValue("ComboPort", 4);
        click(mainC(), "cmdSaveConfig");
    });
    program().start();
    EXPECT_TRUE(configShown);
    EXPECT_TRUE(cancelOff);
    EXPECT_TRUE(changeOff);
    EXPECT_EQ(bytesBeforeSave, 0) << "nothing else happens before Save Config";
    EXPECT_EQ(ts.readFile("config0000.txt"), quenby::settingsLine(5, "English", {}));
    EXPECT_TRUE(p->configLoaded);
    EXPECT_FALSE(mainC().isVisible("frmConfig"));
    EXPECT_TRUE(mainC().isEnabled("cmdConfig"));
    EXPECT_TRUE(mainC().isEnabled("cmdCancConfig"));
    EXPECT_EQ(port->portNumber(), 5) << "the first run opens the port just saved";
    EXPECT_EQ(port->sentWithBreaks(), kStartupBytes);
}

TEST_F(StartupTest, SettingsFileWithoutARecordCountsAsMissing)
{
    ts.writeFile("config0000.txt", "");
    at(1000, [&] { click(mainC(), "cmdSaveConfig"); });
    program().start();
    EXPECT_EQ(ts.readFile("config0000.txt"), quenby::settingsLine(1, "English", {}));
}

TEST_F(StartupTest, OutOfRangePortFieldsStartOnCom1)
{
    for (const QByteArray& field : {QByteArray(" 0"), QByteArray(" 31"), QByteArray("COM4")}) {
        TestServices local;
        sim::QuenbyBox localBox;
        sim::SimPort* sp = nullptr;
        local.makePort = [&] {
            auto made = std::make_unique<sim::SimPort>(*local.sched, localBox);
            sp = made.get();
            return made;
        };
        local.writeFile("config0000.txt", "\"" + field + "\",\"English\",\"\"\r\n");
        quenby::Program prog(local.services());
        prog.start();
        EXPECT_EQ(sp->portNumber(), 1) << field.constData();
        EXPECT_EQ(prog.comPortNumber, 1) << field.constData();
        EXPECT_EQ(prog.mainForm().controls().text("ComboPort"), "COM1") << field.constData();
    }
}

TEST_F(StartupTest, MainWindowCloseBoxEndsLikeExit)
{
    settings(1);
    program().start();
    main().close();
    EXPECT_THROW(ts.sched->advance(100), plat::ProgramEnded);
    EXPECT_FALSE(port->isOpen());
    EXPECT_EQ(ts.env->endCount, 1);
}

TEST_F(StartupTest, CloseBoxDuringTheFirstRunWaitEnds)
{
    at(2000, [&] { main().close(); });
    EXPECT_THROW(program().start(), plat::ProgramEnded);
    EXPECT_TRUE(port->transcript().empty());
}

TEST_F(StartupTest, ExitClosesThePort)
{
    settings(1);
    program().start();
    at(ts.sched->nowMs() + 10, [&] { click(mainC(), "cmdExit"); });
    EXPECT_THROW(ts.sched->advance(100), plat::ProgramEnded);
    EXPECT_FALSE(port->isOpen());
}

TEST_F(StartupTest, BoxGoneAfterTheStartupWindowAsksAndCancelEnds)
{
    settings(1);
    // The start-up window's check succeeds; the main window's own check gets no status.
    box.setFault(sim::QuenbyBox::Fault::StatusUnanswered, sim::When::from(2));
    ts.dialogs->answer(plat::mb::Cancel, "No Response from Programmer Box");
    EXPECT_THROW(program().start(), plat::ProgramEnded);
    EXPECT_FALSE(port->isOpen());
}

TEST_F(StartupTest, ChangeConfigAndCancel)
{
    settings(1, "Deutsch");
    ts.writeFile("Deutsch.txt", "874,Einstellungen\r\n");
    program().start();
    EXPECT_EQ(mainC().text("cmdConfig"), "Einstellungen");
    click(mainC(), "cmdConfig");
    EXPECT_TRUE(mainC().isVisible("frmConfig"));
    EXPECT_EQ(mainC().text("cmbLanguage"), "Deutsch");
    click(mainC(), "cmdCancConfig");
    EXPECT_FALSE(mainC().isVisible("frmConfig"));
    EXPECT_EQ(ts.readFile("config0000.txt"), quenby::settingsLine(1, "Deutsch", {})) << "nothing saved";
}

TEST_F(StartupTest, SaveConfigKeepsTheOpenPort)
{
    settings(1);
    program().start();
    click(mainC(), "cmdConfig");
    mainC().setValue("ComboPort", 6);
    mainC().setText("cmbLanguage", "English");
    click(mainC(), "cmdSaveConfig");
    EXPECT_EQ(ts.readFile("config0000.txt"), quenby::settingsLine(7, "English", {}));
    EXPECT_EQ(port->portNumber(), 1);
    EXPECT_TRUE(port->isOpen());
    EXPECT_EQ(p->comPortNumber, 1);
}

// A job that clicks its own button again while it waits, then waits 100 ms.
struct ReenteringJobs : quenby::MenuJobs {
    plat::NamedControls* main = nullptr;
    quenby::BoxLink* link = nullptr;
    int started = 0;
    void cmdCCprog_Click() override
    {
        ++started;
        click(*main, "cmdCCprog");
        link->delayMs(100);
    }
};

TEST_F(StartupTest, SecondJobRefusedWhileOneWaits)
{
    settings(1);
    program().start();
    auto jobs = std::make_unique<ReenteringJobs>();
    ReenteringJobs& j = *jobs;
    j.main = &mainC();
    j.link = &p->link;
    p->setJobs(std::move(jobs));
    click(mainC(), "cmdCCprog");
    EXPECT_EQ(j.started, 1);
    click(mainC(), "cmdCCprog");
    EXPECT_EQ(j.started, 2) << "free again once the first has ended";
}

} // namespace

namespace {

// The same start-up on the real clock and Qt's event loop, as the program runs with a simulated
// box (about one second).
TEST(StartupRealTime, SimulatedBoxOnTheRealScheduler)
{
    TestServices ts;
    plat::RealScheduler real;
    testing_support::ScriptedDialogs dialogs(real);
    sim::QuenbyBox box;
    ts.writeFile("config0000.txt", quenby::settingsLine(2, "English", {}));
    plat::Services s = ts.services();
    s.sched = &real;
    s.dialogs = &dialogs;
    sim::SimPort* port = nullptr;
    s.makePort = [&] {
        auto made = std::make_unique<sim::SimPort>(real, box);
        port = made.get();
        return made;
    };
    quenby::Program prog(s);
    const plat::Millis t0 = real.nowMs();
    prog.start();
    const plat::Millis took = real.nowMs() - t0;
    EXPECT_TRUE(prog.mainForm().isVisible());
    EXPECT_EQ(prog.mainForm().controls().text("lblProgrammer"), "QB2.1");
    EXPECT_EQ(port->sentWithBreaks(), kStartupBytes);
    EXPECT_GT(took, 900);
    EXPECT_LT(took, 5000);
}

} // namespace

namespace {

TEST_F(StartupTest, AJobThatFindsNoPortSaysSoOnceAndTheProgramWaitsForTheBox)
{
    settings(2);
    program().start();
    ASSERT_TRUE(port->isOpen());
    ts.dialogs->answer(plat::mb::OK, "was lost");
    port->setOpenFailure(plat::OpenResult::NoSuchDevice, "no such device");
    port->hangUp("peer hung up");
    ts.sched->advance(100);

    // Not reconnected: one box naming the port, its device and why, and the menu stays.
    ts.dialogs->answer(plat::mb::OK);
    click(mainC(), "cmdMars");
    ASSERT_EQ(ts.dialogs->boxes().size(), 2u) << ts.dialogs->texts().join("|").toStdString();
    EXPECT_EQ(ts.dialogs->boxes()[1].text,
              "Error Initialising the selected COM port : \r\nCOM2 (sim:COM2) cannot be opened: no such device");
    EXPECT_EQ(ts.env->endCount, 0);
    EXPECT_TRUE(main().isVisible());
    EXPECT_TRUE(mainC().isEnabled("cmdMars"));

    // The box back: the next job opens the port again.
    port->setOpenFailure(plat::OpenResult::Ok, {});
    click(mainC(), "cmdMars");
    EXPECT_TRUE(port->isOpen());
    EXPECT_TRUE(p->state.portOpen);
}

} // namespace

namespace {

TEST_F(StartupTest, APortThatIsNoSerialDeviceIsNamedWithItsDeviceAndWhy)
{
    settings(3);
    program();
    port->setOpenFailure(plat::OpenResult::NoSuchDevice, "not a serial device");
    QString status;
    QString retried;
    at(2000, [&] {
        status = openC().text("LabelStatus");
        click(openC(), "cmdRetry");
        retried = openC().text("LabelStatus");
        port->setOpenFailure(plat::OpenResult::Ok, {});
    });
    at(4000, [&] { click(openC(), "cmdRetry"); });
    p->start();
    EXPECT_EQ(status, "COM port NOT OPEN :\nSelect another Port\n\nCOM3 (sim:COM3) cannot be opened: not a serial device");
    EXPECT_EQ(retried, status) << "a Retry that still finds no port says the same";
    EXPECT_TRUE(ts.dialogs->boxes().empty()) << "the start-up window says it, no box";
    EXPECT_TRUE(main().isVisible());
}

} // namespace
