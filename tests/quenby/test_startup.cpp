// The whole start-up of the first program against the simulated box, on virtual time.
#include "quenby/link/frmopening.h"
#include "quenby/program.h"
#include "quenby/shell/frmmain.h"
#include "quenby/shell/settings.h"
#include "sim/quenbybox.h"
#include "tests/support/testservices.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <gtest/gtest.h>

namespace {

using testing_support::TestServices;

const QByteArray kEsc25(25, 0x1B);
// Start-up window: reset, then the check; main window: the pre-job check and one more status.
const QByteArray kStartupBytes =
    "<BRK+><BRK->" + kEsc25 + "_" + kEsc25 + "_JMJS" + kEsc25 + "MJS" + "S";

struct StartupTest : ::testing::Test {
    TestServices ts;
    sim::QuenbyBox box;
    sim::SimPort* port = nullptr;
    std::unique_ptr<quenby::Program> p;

    void SetUp() override
    {
        ts.makePort = [this] {
            auto sp = std::make_unique<sim::SimPort>(*ts.sched, box);
            port = sp.get();
            return sp;
        };
    }
    void TearDown() override { EXPECT_TRUE(ts.dialogs->allAnswersUsed()); }

    void settings(int portNo, const QString& language = "English")
    {
        ts.writeFile("config0000.txt", quenby::settingsLine(portNo, language, {}));
    }
    quenby::Program& program()
    {
        p = std::make_unique<quenby::Program>(ts.services());
        return *p;
    }
    quenby::frmMain& main() { return p->mainForm(); }
    quenby::frmOpening& opening() { return p->openingForm(); }
    // Runs fn as a user action at virtual time `at`.
    void at(plat::Millis at, std::function<void()> fn) { ts.sched->callAfter(at - ts.sched->nowMs(), std::move(fn)); }
};

TEST_F(StartupTest, BoxAnswersMenuShownWithBoxVersion)
{
    settings(3);
    box.version = "QB9.7";
    program().start();
    EXPECT_TRUE(main().isVisible());
    EXPECT_FALSE(p->openingLoaded() && opening().isVisible());
    EXPECT_EQ(main().lblProgrammer->text(), "QB9.7");
    EXPECT_EQ(main().lblVersion->text(), "V1.00");
    EXPECT_TRUE(p->boxFound);
    EXPECT_TRUE(p->link.portOpen);
    EXPECT_EQ(port->portNumber(), 3);
    EXPECT_EQ(port->settings(), "9600,N,8,1");
    EXPECT_EQ(port->sentWithBreaks(), kStartupBytes);
    EXPECT_EQ(main().ComboPort->currentText(), "COM3");
    EXPECT_EQ(main().cmbMarsMech->currentText(), "ME111");
    EXPECT_EQ(main().cmbCCmech->currentText(), "C120");
    EXPECT_EQ(main().cmbNRImech->currentText(), "G13-6000");
    EXPECT_FALSE(main().frmConfig->isVisible());
    EXPECT_TRUE(main().cmdCancConfig->isEnabled());
    EXPECT_EQ(main().cmdMars->text(), "Program Mech");
    EXPECT_EQ(main().tabManufacturer->tabText(1), "Coin Controls");
    EXPECT_EQ(p->rangeHigh3, 4000);
    EXPECT_EQ(p->rangeHigh1, 3000);
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
        buttonsOffered = opening().cmdRetry->isEnabled() && opening().cmdCancel->isEnabled();
        status = opening().LabelStatus->text();
        box.silent = false;
        port->clearTranscript();
        opening().cmdRetry->click();
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
    at(8000, [&] { opening().cmdCancel->click(); });
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
    at(6000, [&] { opening().cmdRetry->click(); });
    at(13000, [&] {
        offeredAgain = opening().cmdRetry->isEnabled();
        opening().cmdCancel->click();
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
        status = opening().LabelStatus->text();
        opening().ComboPort->setCurrentIndex(6);
        emit opening().ComboPort->activated(6);
        savedAtOnce = ts.readFile("config0000.txt");
        port->setOpenResult(plat::OpenResult::Ok);
    });
    bool stillWaiting = false;
    at(4000, [&] {
        stillWaiting = !p->boxFound && !port->isOpen(); // nothing opens before Retry
        opening().cmdRetry->click();
    });
    p->start();
    EXPECT_EQ(status, "COM port NOT OPEN :\nSelect another Port");
    EXPECT_EQ(savedAtOnce, quenby::settingsLine(7, "English", {}));
    EXPECT_TRUE(stillWaiting);
    EXPECT_EQ(port->portNumber(), 7);
    EXPECT_EQ(main().ComboPort->currentText(), "COM7");
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
        emit opening().ComboPort->activated(1);
        closed = !port->isOpen() && !p->link.portOpen;
        box.silent = false;
        opening().cmdRetry->click();
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
    EXPECT_EQ(main().ComboPort->count(), 0);
    EXPECT_EQ(main().cmbMarsMech->count(), 0);
}

TEST_F(StartupTest, FirstRunWaitsForSaveConfig)
{
    bool configShown = false, cancelOff = false, changeOff = false;
    int bytesBeforeSave = -1;
    at(3000, [&] {
        configShown = main().isVisible() && main().frmConfig->isVisible();
        cancelOff = !main().cmdCancConfig->isEnabled();
        changeOff = !main().cmdConfig->isEnabled();
        bytesBeforeSave = int(port->transcript().size());
        main().ComboPort->setCurrentIndex(4);
        main().cmdSaveConfig->click();
    });
    program().start();
    EXPECT_TRUE(configShown);
    EXPECT_TRUE(cancelOff);
    EXPECT_TRUE(changeOff);
    EXPECT_EQ(bytesBeforeSave, 0) << "nothing else happens before Save Config";
    EXPECT_EQ(ts.readFile("config0000.txt"), quenby::settingsLine(5, "English", {}));
    EXPECT_TRUE(p->configLoaded);
    EXPECT_FALSE(main().frmConfig->isVisible());
    EXPECT_TRUE(main().cmdConfig->isEnabled());
    EXPECT_TRUE(main().cmdCancConfig->isEnabled());
    EXPECT_EQ(port->portNumber(), 5) << "the first run opens the port just saved";
    EXPECT_EQ(port->sentWithBreaks(), kStartupBytes);
}

TEST_F(StartupTest, SettingsFileWithoutARecordCountsAsMissing)
{
    ts.writeFile("config0000.txt", "");
    at(1000, [&] { main().cmdSaveConfig->click(); });
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
        EXPECT_EQ(prog.mainForm().ComboPort->currentText(), "COM1") << field.constData();
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
    at(ts.sched->nowMs() + 10, [&] { main().cmdExit->click(); });
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
    EXPECT_EQ(main().cmdConfig->text(), "Einstellungen");
    main().cmdConfig->click();
    EXPECT_TRUE(main().frmConfig->isVisible());
    EXPECT_EQ(main().cmbLanguage->currentText(), "Deutsch");
    main().cmdCancConfig->click();
    EXPECT_FALSE(main().frmConfig->isVisible());
    EXPECT_EQ(ts.readFile("config0000.txt"), quenby::settingsLine(1, "Deutsch", {})) << "nothing saved";
}

TEST_F(StartupTest, SaveConfigKeepsTheOpenPort)
{
    settings(1);
    program().start();
    main().cmdConfig->click();
    main().ComboPort->setCurrentIndex(6);
    main().cmbLanguage->setCurrentText("English");
    main().cmdSaveConfig->click();
    EXPECT_EQ(ts.readFile("config0000.txt"), quenby::settingsLine(7, "English", {}));
    EXPECT_EQ(port->portNumber(), 1);
    EXPECT_TRUE(port->isOpen());
    EXPECT_EQ(p->comPortNumber, 1);
}

TEST_F(StartupTest, SecondJobRefusedWhileOneWaits)
{
    settings(1);
    program().start();
    int started = 0;
    main().cmdCCprog_Click = [&] {
        ++started;
        main().cmdCCprog->click(); // clicked again while this one still runs
        p->link.delayMs(100);
    };
    main().cmdCCprog->click();
    EXPECT_EQ(started, 1);
    main().cmdCCprog->click();
    EXPECT_EQ(started, 2) << "free again once the first has ended";
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
    EXPECT_EQ(prog.mainForm().lblProgrammer->text(), "QB2.1");
    EXPECT_EQ(port->sentWithBreaks(), kStartupBytes);
    EXPECT_GT(took, 900);
    EXPECT_LT(took, 5000);
}

} // namespace
