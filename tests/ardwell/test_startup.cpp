#include "platform/filefaults.h"
#include "tests/ardwell/bench.h"

#include <QDir>
#include <gtest/gtest.h>

using ardwell_test::Bench;
using namespace ardwell;
namespace mb = plat::mb;

namespace {

const QString kNotCommunicating = "Ardwell box not communicating\r\n\r\nCheck cables, connections, power and COM port setting";

bool jobButtonsEnabled(plat::View& w)
{
    return w.isEnabled("cmdProgramme") && w.isEnabled("cmdAdjust") && w.isEnabled("cmdTest");
}

bool jobButtonsDisabled(plat::View& w)
{
    return !w.isEnabled("cmdProgramme") && !w.isEnabled("cmdAdjust") && !w.isEnabled("cmdTest");
}

// Presses EXIT and expects the program to end.
void exitProgram(Bench& b)
{
    EXPECT_THROW(b.win().cmdExit_Click(), plat::ProgramEnded);
    EXPECT_EQ(b.ts.env->endCount, 1);
}

} // namespace

TEST(StartUp, WithoutSettingsFileSendsNothingAndWaitsForAPort)
{
    Bench b;
    ASSERT_TRUE(b.start());
    EXPECT_FALSE(b.portEverOpened());
    EXPECT_EQ(b.sent(), QByteArray());
    EXPECT_TRUE(b.ts.dialogs->boxes().empty());
    EXPECT_TRUE(jobButtonsDisabled(b.view()));
    EXPECT_EQ(b.win().windowTitle(), "Ardwell" + QString(25, ' ') + "Model : 330");
    EXPECT_EQ(b.view().text("lblSWversion"), "V3.00");
    EXPECT_EQ(b.view().text("cmbPort"), "1");
    EXPECT_TRUE(b.view().isVisible("frmMain1"));
    EXPECT_TRUE(b.view().isVisible("frmConfig"));
    for (const char* f : {"frmAdjust", "frmProgramme", "frmTest", "frmPCAtest", "frm340test", "chkLogging", "prgProg"})
        EXPECT_FALSE(b.view().isVisible(f)) << f;
    EXPECT_EQ(b.view().text("txtSource"), "61");
    EXPECT_EQ(b.view().text("txtDestination"), "FF");
    EXPECT_EQ(b.view().text("cmbCoinCount"), "20");
    EXPECT_EQ(b.view().text("lblAccCoin", 15), "Coin16");
    EXPECT_EQ(b.view().text("lblTestCount", 7), "0");
    EXPECT_EQ(b.view().text("lblAccCount", 0), "");

    // The user picks port 4: told to restart, once; the port itself stays closed.
    b.ts.dialogs->answer(mb::OK, "Please Exit and Restart Ardwell");
    b.view().setText("cmbPort", "4");
    ASSERT_EQ(b.ts.dialogs->boxes().size(), 1u);
    EXPECT_EQ(b.ts.dialogs->boxes()[0].text, "COM Port changed\r\n\r\nPlease Exit and Restart Ardwell");
    EXPECT_EQ(b.ts.dialogs->boxes()[0].title, "");
    EXPECT_EQ(b.ts.dialogs->boxes()[0].style, mb::OKOnly);
    EXPECT_EQ(b.st().commPortNumber, 4);
    EXPECT_FALSE(b.portEverOpened());

    exitProgram(b);
    EXPECT_EQ(b.ts.readFile("config.txt"), QByteArray("4,\"330\"\r\n"));
    EXPECT_EQ(b.sent(), QByteArray()); // no box commands on the way out either
}

TEST(StartUp, EmptySettingsFileIsLikeAMissingOneAndIsReplacedAtExit)
{
    Bench b;
    b.ts.writeFile("config.txt", "\r\n");
    ASSERT_TRUE(b.start());
    EXPECT_FALSE(b.portEverOpened());
    EXPECT_TRUE(jobButtonsDisabled(b.view()));
    b.view().setValue("opt560", 1);
    exitProgram(b);
    EXPECT_EQ(b.ts.readFile("config.txt"), QByteArray("1,\"560\"\r\n"));
}

TEST(StartUp, BoxAnsweringTheThirdStatusRequest)
{
    Bench b("126");
    b.ts.writeFile("config.txt", "3,\"126\"\r\n");
    b.box.setFault(sim::ArdwellBox::Fault::StatusUnanswered, sim::When::first(2));
    ASSERT_TRUE(b.start());

    EXPECT_EQ(b.port->portNumber(), 3);
    EXPECT_EQ(b.port->settings(), "9600,N,8,1");
    EXPECT_EQ(b.sent(), QByteArray("|\r%\r|\rS\rS\rS\r|\rS\rV\r"));
    EXPECT_TRUE(b.ts.dialogs->boxes().empty());
    EXPECT_TRUE(jobButtonsEnabled(b.view()));
    EXPECT_EQ(b.view().text("lblHWversion"), "READY V2.10");
    EXPECT_EQ(b.win().windowTitle(), "Ardwell" + QString(25, ' ') + "Model : 126");
    EXPECT_EQ(b.view().value("opt126"), 1);
    EXPECT_EQ(b.view().value("opt330"), 0);
    EXPECT_EQ(b.view().text("cmbPort"), "3");
    // Two unanswered requests cost a full second each.
    EXPECT_GE(b.ts.sched->nowMs(), 2000);
    EXPECT_LT(b.ts.sched->nowMs(), 2300);

    // EXIT: the box is told "%" twice on the way out, then the settings are saved.
    const auto before = b.sent().size();
    exitProgram(b);
    EXPECT_EQ(b.sent().mid(before), QByteArray("%\r%\r"));
    EXPECT_EQ(b.ts.readFile("config.txt"), QByteArray("3,\"126\"\r\n"));
}

TEST(StartUp, SilentBoxIsReportedAndButtonsStayDisabled)
{
    Bench b;
    b.ts.writeFile("config.txt", "2,\"330\"\r\n");
    b.box.setSilent(true);
    b.ts.dialogs->answer(mb::OK);
    ASSERT_TRUE(b.start());

    EXPECT_EQ(b.sent(), QByteArray("|\r%\r|\rS\rS\rS\rS\rS\r"));
    ASSERT_EQ(b.ts.dialogs->boxes().size(), 1u);
    const auto& box = b.ts.dialogs->boxes()[0];
    EXPECT_EQ(box.text, kNotCommunicating);
    EXPECT_EQ(box.title, "Error");
    EXPECT_EQ(box.style, mb::Critical | mb::OKOnly);
    // Three box commands and five status requests, each waited for up to a second.
    EXPECT_GE(box.at, 8000);
    EXPECT_LT(box.at, 8200);
    EXPECT_TRUE(jobButtonsDisabled(b.view()));
    EXPECT_TRUE(b.view().isVisible("frmConfig")); // the port can still be changed
    EXPECT_EQ(b.st().portOpen, true);
}

TEST(StartUp, SecondCopyIsRefused)
{
    Bench b;
    b.ts.writeFile("config.txt", "2,\"560\"\r\n");
    b.ts.env->otherInstance = true;
    b.ts.dialogs->answer(mb::OK);
    EXPECT_FALSE(b.start());
    ASSERT_EQ(b.ts.dialogs->boxes().size(), 1u);
    EXPECT_EQ(b.ts.dialogs->boxes()[0].text, "Ardwell is already Running");
    EXPECT_EQ(b.ts.dialogs->boxes()[0].title, "Error");
    EXPECT_EQ(b.ts.dialogs->boxes()[0].style, mb::Critical | mb::OKOnly);
    // It ends with status 1 before its window shows or a port is made.
    EXPECT_EQ(b.ts.env->lastCode, 1);
    EXPECT_FALSE(b.win().isVisible());
    EXPECT_EQ(b.port, nullptr);
    EXPECT_EQ(b.view().items("cmbPort"), QStringList());
    // A click that reaches it anyway starts nothing: the program is ending.
    EXPECT_FALSE(b.program->guard().runJob([] { ADD_FAILURE() << "a job ran"; }));
    // The running copy's settings are left alone.
    EXPECT_EQ(b.ts.readFile("config.txt"), QByteArray("2,\"560\"\r\n"));
}

TEST(StartUp, PortInUseSkipsTheBoxOrEndsOnCancel)
{
    {
        Bench b;
        b.ts.writeFile("config.txt", "5,\"340\"\r\n");
        b.openResult = plat::OpenResult::InUseOrNoPermission;
        b.ts.dialogs->answer(mb::OK, "COM Port in Use");
        ASSERT_TRUE(b.start());
        EXPECT_FALSE(b.st().portOpen);
        EXPECT_EQ(b.sent(), QByteArray());
        EXPECT_TRUE(jobButtonsDisabled(b.view()));
        EXPECT_EQ(b.view().value("opt340"), 1);
    }
    {
        Bench b;
        b.ts.writeFile("config.txt", "5,\"340\"\r\n");
        b.openResult = plat::OpenResult::InUseOrNoPermission;
        b.ts.dialogs->answer(mb::Cancel, "COM Port in Use");
        EXPECT_FALSE(b.start());
        EXPECT_EQ(b.ts.env->endCount, 1);
    }
}

TEST(StartUp, RecordWithoutModelFieldReportsOnceAndGoesOn)
{
    Bench b;
    b.ts.writeFile("config.txt", "6\r\n");
    b.ts.dialogs->answer(mb::OK, "Error Main Form Load routine : ");
    ASSERT_TRUE(b.start());
    ASSERT_EQ(b.ts.dialogs->boxes().size(), 1u);
    EXPECT_EQ(b.ts.dialogs->boxes()[0].title, "Error detected");
    EXPECT_TRUE(b.ts.dialogs->boxes()[0].text.endsWith(" - 62"));
    EXPECT_EQ(b.port->portNumber(), 6);
    EXPECT_TRUE(jobButtonsEnabled(b.view()));
    EXPECT_EQ(b.win().currentModel(), Model::M330);
}

TEST(StartUp, BadPortAndUnknownModelFallBackQuietly)
{
    Bench b;
    b.ts.writeFile("config.txt", "21,\"560\"\r\n");
    ASSERT_TRUE(b.start());
    EXPECT_EQ(b.port->portNumber(), 1);
    EXPECT_EQ(b.win().currentModel(), Model::M560);
    EXPECT_EQ(b.view().text("txtSource"), "21");
    EXPECT_EQ(b.view().text("txtDestination"), "01");

    Bench c;
    c.ts.writeFile("config.txt", "7,\"999\"\r\n");
    ASSERT_TRUE(c.start());
    EXPECT_EQ(c.port->portNumber(), 7);
    EXPECT_EQ(c.win().currentModel(), Model::M330);
    EXPECT_TRUE(c.ts.dialogs->boxes().empty());
}

TEST(StartUp, SettingsPathThatIsAFolderNeitherEndsNorBreaksTheProgram)
{
    Bench b;
    ASSERT_TRUE(QDir(b.ts.folder()).mkdir("config.txt"));
    ASSERT_TRUE(b.start());
    EXPECT_EQ(b.ts.env->endCount, 0);
    EXPECT_FALSE(b.portEverOpened());
    // The settings cannot be saved over a folder: reported, and the program still ends.
    b.ts.dialogs->answer(mb::OK, "Error Form Unload routine : ");
    exitProgram(b);
    EXPECT_TRUE(QFileInfo(b.ts.folder() + "/config.txt").isDir());
}

TEST(StartUp, TheTraceWordOffersTheLogSwitch)
{
    Bench b;
    ASSERT_TRUE(b.start("KOLVAR_TRACE_604913 more words"));
    EXPECT_TRUE(b.program->mainForm().traceWordGiven());
    EXPECT_TRUE(b.view().isVisible("chkLogging"));
    EXPECT_EQ(b.view().value("chkLogging"), 0);

    // Only as the first word.
    Bench c;
    ASSERT_TRUE(c.start("  other KOLVAR_TRACE_604913"));
    EXPECT_FALSE(c.program->mainForm().traceWordGiven());
    EXPECT_FALSE(c.view().isVisible("chkLogging"));
}

TEST(StartUp, PortChangedDuringUseKeepsTheOpenPort)
{
    Bench b;
    ASSERT_TRUE(b.startWithBox());
    b.ts.dialogs->answer(mb::OK, "COM Port changed");
    b.view().setText("cmbPort", "12");
    EXPECT_EQ(b.ts.dialogs->boxes().size(), 1u);
    EXPECT_EQ(b.port->portNumber(), 3);
    EXPECT_TRUE(b.port->isOpen());
    exitProgram(b);
    EXPECT_EQ(b.ts.readFile("config.txt"), QByteArray("12,\"330\"\r\n"));
}

// ---- Leaving programme mode and the guard against leaving under a running job ----

TEST(ShutDown, ClosingWithUnwrittenChangesAsksFirstAndNoWritesNothing)
{
    Bench b;
    ASSERT_TRUE(b.startWithBox());
    int writes = 0;
    b.scriptJobs().write = [&] { ++writes; };
    b.job().markModified();
    b.ts.dialogs->answerWith([&](const testing_support::BoxRecord& r) {
        EXPECT_EQ(r.text, "Write New Data To Coin Mech");
        EXPECT_EQ(r.title, "Confirm Action");
        EXPECT_EQ(r.style, mb::YesNo | mb::Exclamation);
        // Asked before the settings are saved.
        EXPECT_EQ(b.ts.readFile("config.txt"), QByteArray("3,\"330\"\r\n"));
        return mb::No;
    });
    b.view().setValue("opt340", 1);
    EXPECT_THROW(b.win().requestClose(), plat::ProgramEnded);
    EXPECT_EQ(writes, 0);
    EXPECT_EQ(b.ts.readFile("config.txt"), QByteArray("3,\"340\"\r\n"));
}

TEST(ShutDown, YesWritesThroughTheProgrammeSteps)
{
    Bench b;
    ASSERT_TRUE(b.startWithBox());
    QStringList steps;
    auto& jobs = b.scriptJobs();
    jobs.enable = [&](bool on) { steps << (on ? "enable" : "disable"); };
    // The write (which re-reads the serial number itself) verified: nothing is pending after it.
    jobs.write = [&] {
        steps << "write";
        b.job().dropChanges();
    };
    b.job().markModified();
    b.view().setVisible("frmProgramme", true);
    b.view().setVisible("frmMain1", false);
    b.ts.dialogs->answer(mb::Yes, "Write New Data To Coin Mech");
    b.win().ExitAndWrite();
    EXPECT_EQ(steps, QStringList({"disable", "write"}));
    EXPECT_FALSE(b.job().imageModified());
    EXPECT_FALSE(b.view().isVisible("frmProgramme"));
    EXPECT_TRUE(b.view().isVisible("frmMain1"));

    // A failed read during the write keeps programme mode open with the changes pending.
    steps.clear();
    b.job().markModified();
    b.view().setVisible("frmProgramme", true);
    jobs.write = [&] {
        steps << "write";
        b.st().commsError = true;
    };
    b.ts.dialogs->answer(mb::Yes);
    b.win().ExitAndWrite();
    EXPECT_EQ(steps, QStringList({"disable", "write", "enable"}));
    EXPECT_TRUE(b.job().imageModified());
    EXPECT_TRUE(b.view().isVisible("frmProgramme"));
}

TEST(JobGuard, ExitDuringAJobWaitsForTheJobToReturn)
{
    Bench b;
    ASSERT_TRUE(b.startWithBox());
    int tests = 0;
    bool jobDone = false;
    auto& jobs = b.scriptJobs();
    jobs.test = [&] { ++tests; };
    jobs.programme = [&] {
        // While this job waits, the user presses EXIT, the close box and another job button.
        b.ts.sched->callAfter(100, [&] { b.win().cmdExit_Click(); });
        b.ts.sched->callAfter(200, [&] { b.win().close(); });
        b.ts.sched->callAfter(300, [&] { b.win().cmdTest_Click(); });
        b.program->link().delayMs(1000);
        EXPECT_EQ(b.ts.env->endCount, 0);
        EXPECT_TRUE(b.win().isVisible());
        EXPECT_TRUE(b.program->guard().exitPending());
        jobDone = true;
    };
    EXPECT_THROW(b.win().cmdProgramme_Click(), plat::ProgramEnded);
    EXPECT_TRUE(jobDone);
    EXPECT_EQ(tests, 0);
    EXPECT_EQ(b.ts.env->endCount, 1);
    EXPECT_EQ(b.ts.readFile("config.txt"), QByteArray("3,\"330\"\r\n"));
}

TEST(JobGuard, ExitDuringStartUpRunsAfterTheBoxDialogue)
{
    Bench b;
    b.ts.writeFile("config.txt", "3,\"330\"\r\n");
    b.box.setSilent(true);
    b.ts.sched->callAfter(1500, [&] { b.win().cmdExit_Click(); });
    b.ts.dialogs->answer(mb::OK, "Ardwell box not communicating");
    EXPECT_FALSE(b.start());
    EXPECT_EQ(b.sent(), QByteArray("|\r%\r|\rS\rS\rS\rS\rS\r%\r%\r"));
    EXPECT_EQ(b.ts.readFile("config.txt"), QByteArray("3,\"330\"\r\n"));
}

TEST(JobGuard, FinishProgrammingReturnsToTheMainSelection)
{
    Bench b;
    ASSERT_TRUE(b.startWithBox());
    ardwell::enableMainButtons(b.view(), false);
    b.view().setVisible("frmProgramme", true);
    b.view().setVisible("frmMain1", false);
    const auto before = b.sent().size();
    b.win().cmdExitProgramme_Click();
    EXPECT_EQ(b.sent().mid(before), QByteArray("%\r%\r%\rR\r"));
    EXPECT_TRUE(jobButtonsEnabled(b.view()));
    EXPECT_TRUE(b.view().isVisible("frmConfig"));
    EXPECT_TRUE(b.view().isVisible("frmMain1"));
    EXPECT_FALSE(b.view().isVisible("frmProgramme"));
    EXPECT_FALSE(b.view().isVisible("lblSerNo"));
    EXPECT_FALSE(b.view().isVisible("lblSN"));
}

TEST(ShutDown, SettingsThatCannotBeSavedNameTheirFile)
{
    Bench b;
    ASSERT_TRUE(b.startWithBox());
    QFile::remove(b.ts.folder() + "/config.txt");
    plat::FileFaults faults;
    faults.noNewFiles(b.ts.folder());
    b.ts.dialogs->answer(mb::OK, "Error Form Unload routine :  \r\n" +
                                     QDir::toNativeSeparators(b.ts.folder() + "/config.txt") +
                                     ": The folder does not allow a new file - 75");
    EXPECT_THROW(b.win().requestClose(), plat::ProgramEnded);
    EXPECT_EQ(b.ts.dialogs->boxes().size(), 1u);
}
