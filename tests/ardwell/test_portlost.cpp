// A port that goes away under a job: one report that names the port (and, in a write, that the
// mech may be half-written), nothing more of the job, and the next job opens the port again.
#include "tests/ardwell/road.h"

namespace {

using namespace ardwell_test;
namespace mb = plat::mb;

const QString kLost = "Error Comms routine :  \r\nunplugged - 8018\r\n\r\n"
                      "The connection to the programmer box on COM3 was lost.\r\n";

void unplug(Road& r)
{
    r.port->setOpenResult(plat::OpenResult::NoSuchDevice);
    r.port->hangUp("unplugged");
}

TEST(PortLost, AWriteCutShortSaysTheMechMayBeHalfWrittenAndIsWrittenAgainOnceReconnected)
{
    Road r("330");
    ASSERT_TRUE(r.enterProgramme());
    const int old0 = r.mech.word(0);
    r.setWord(0, old0 ^ 0x0101);
    r.setWord(100, r.mech.word(100) ^ 0x0202);
    r.job().markModified();
    r.ts.sched->callAfter(2000, [&] { unplug(r); });
    r.ts.dialogs->answer(mb::OK, kLost + "The mech may be half-written: write it again once the box is reconnected.");
    const plat::Millis t0 = r.ts.sched->nowMs();
    r.click("cmdProg");
    EXPECT_EQ(r.ts.dialogs->boxes().size(), 1u) << r.ts.dialogs->texts().join("|").toStdString();
    EXPECT_LT(r.ts.sched->nowMs() - t0, 3000) << "the job ends at the loss";
    EXPECT_EQ(r.mech.word(0), old0 ^ 0x0101) << "word 0 was written before the loss";
    EXPECT_NE(r.mech.word(100), r.word(100));
    EXPECT_TRUE(r.job().imageModified());
    EXPECT_TRUE(r.view().isVisible("frmProgramme"));
    EXPECT_TRUE(r.view().isEnabled("cmdProg"));

    // Reconnected: the same button writes the mech whole.
    r.port->setOpenResult(plat::OpenResult::Ok);
    r.ts.dialogs->answer(mb::OK, "Verify OK");
    r.click("cmdProg");
    EXPECT_EQ(r.ts.dialogs->boxes().size(), 2u) << r.ts.dialogs->texts().join("|").toStdString();
    EXPECT_EQ(r.mech.word(100), r.word(100));
    EXPECT_TRUE(r.view().isVisible("frmMain1"));
}

TEST(PortLost, ALostPortDuringACoinWaitIsSaidAtOnceAndEndsTheRun)
{
    Road r("330");
    ASSERT_TRUE(r.enterProgramme());
    r.ts.sched->callAfter(5000, [&] { unplug(r); });
    r.ts.dialogs->answer(mb::OK, kLost + "Reconnect the box, then start the job again.");
    const plat::Millis t0 = r.ts.sched->nowMs();
    r.click("cmdCoinData"); // no coins come: the run waits for them until the port goes
    EXPECT_EQ(r.ts.dialogs->boxes().size(), 1u) << r.ts.dialogs->texts().join("|").toStdString();
    EXPECT_LT(r.ts.sched->nowMs() - t0, 6000) << "no CANCEL needed";
    EXPECT_FALSE(r.view().isVisible("cmdCancelOp"));
    EXPECT_TRUE(r.view().isVisible("frmProgramme"));
}

TEST(PortLost, ALostPortInTheTestFrameIsSaidAtOnce)
{
    Road r("330");
    r.click("cmdTest");
    ASSERT_TRUE(r.view().isVisible("frmTest"));
    r.ts.dialogs->answer(mb::OK, kLost + "Reconnect the box, then start the job again.");
    unplug(r);
    r.ts.sched->advance(100);
    EXPECT_EQ(r.ts.dialogs->boxes().size(), 1u) << "said when it happens";

    // Leaving cannot tell the box; a new test says once that there is no port and opens nothing.
    r.ts.dialogs->answer(mb::OK, "The connection to the programmer box on COM3 was lost.");
    r.click("cmdFinishTest", 0);
    r.ts.dialogs->answer(mb::OK, "The connection to the programmer box on COM3 was lost.");
    r.click("cmdTest");
    EXPECT_EQ(r.ts.dialogs->boxes().size(), 3u);
    EXPECT_TRUE(r.ts.dialogs->boxes()[2].text.endsWith("again.\r\nCOM3 (sim:COM3) cannot be opened: no such device"))
        << "the job that tried the port again names its device and why";
    EXPECT_FALSE(r.view().isVisible("frmTest"));
    EXPECT_TRUE(r.view().isVisible("frmMain1"));
}

TEST(PortLost, APortFoundClosedBeforeItsFailureEventIsOneReportOfTheLossAlone)
{
    // A device that fails is seen closed at once; its failure event follows a moment later,
    // here once the read it cut short has ended.
    Road r("330");
    r.ts.sched->callAfter(1000, [&] {
        r.port->setOpenResult(plat::OpenResult::NoSuchDevice);
        r.port->close();
        r.ts.sched->callAfter(1500, [&] { r.port->onFailure("the device /dev/ttyUSB0 is gone"); });
    });
    r.ts.dialogs->answer(mb::OK);
    EXPECT_FALSE(r.enterProgramme());
    r.ts.sched->advance(3000);
    ASSERT_EQ(r.ts.dialogs->boxes().size(), 1u) << r.ts.dialogs->texts().join("|").toStdString();
    EXPECT_EQ(r.ts.dialogs->boxes()[0].text.toStdString(), "The connection to the programmer box on COM3 was lost.\r\n"
                                                           "Reconnect the box, then start the job again.");
    EXPECT_EQ(r.ts.dialogs->boxes()[0].title, "Error detected");
    EXPECT_EQ(r.ts.dialogs->boxes()[0].style, mb::Critical | mb::OKOnly);

    // A job while the box is still away says why it could not reach it, and nothing else.
    r.ts.dialogs->answer(mb::OK);
    EXPECT_FALSE(r.enterProgramme());
    ASSERT_EQ(r.ts.dialogs->boxes().size(), 2u) << r.ts.dialogs->texts().join("|").toStdString();
    EXPECT_EQ(r.ts.dialogs->boxes()[1].text.toStdString(), "The connection to the programmer box on COM3 was lost.\r\n"
                                                           "Reconnect the box, then start the job again.\r\n"
                                                           "COM3 (sim:COM3) cannot be opened: no such device");
}

TEST(PortLost, AFailureEventOfAPortSinceOpenedAgainIsNotReported)
{
    Road r("330");
    ASSERT_TRUE(r.enterProgramme());
    r.ts.dialogs->answer(mb::OK, kLost + "Reconnect the box, then start the job again.");
    unplug(r);
    r.port->setOpenResult(plat::OpenResult::Ok); // reconnected

    // The run opens the port again; the event of the earlier failure reaches it afterwards.
    r.view().setText("cmbCoinCount", "3");
    r.dropCoins(std::vector<Raw>(3, Raw{1000, 1100, 800, 300, 400, 350, 150}));
    r.ts.sched->callAfter(4000, [&] {
        ASSERT_TRUE(r.port->isOpen());
        r.port->onFailure("the device /dev/ttyUSB0 is gone");
    });
    r.ts.dialogs->answer(mb::OK, "Data Gathered");
    r.click("cmdCoinData");
    EXPECT_TRUE(r.ts.dialogs->allAnswersUsed());
    EXPECT_EQ(r.ts.dialogs->boxes().size(), 2u) << r.ts.dialogs->texts().join("|").toStdString();
    EXPECT_TRUE(r.st().portOpen);
    EXPECT_TRUE(r.st().mechLoggedOn);

    // The port still works: a loss of it now is said again.
    r.ts.dialogs->answer(mb::OK, kLost + "Reconnect the box, then start the job again.");
    unplug(r);
    EXPECT_EQ(r.ts.dialogs->boxes().size(), 3u);
}

} // namespace

TEST(PortLost, AFileChosenAfterTheLossIsNeverOverwrittenUnasked)
{
    // Save to File: the port goes while the save dialog is up, and the file chosen exists.
    Road r("330");
    ASSERT_TRUE(r.enterAdjust());
    r.ts.writeFile("kept.txt", "old\r\n");
    r.ts.sched->callAfter(100, [&] { unplug(r); });
    r.ts.dialogs->answerFileAfter(r.ts.folder() + "/kept.txt", 500);
    r.ts.dialogs->answer(mb::OK, "was lost");
    r.click("cmdSave");
    EXPECT_EQ(r.ts.dialogs->boxes().size(), 1u) << r.ts.dialogs->texts().join("|").toStdString();
    EXPECT_EQ(r.ts.readFile("kept.txt"), QByteArray("old\r\n"));
}

TEST(PortLost, ALogChosenAfterTheLossIsNeverOverwrittenUnasked)
{
    Road r("330");
    ASSERT_TRUE(r.enterProgramme());
    r.view().setValue("chkLogging", 1);
    r.ts.writeFile("run.csv", "old\r\n");
    r.ts.sched->callAfter(100, [&] { unplug(r); });
    r.ts.dialogs->answerFileAfter(r.ts.folder() + "/run.csv", 500);
    r.ts.dialogs->answer(mb::OK, "was lost");
    r.click("cmdCoinData");
    EXPECT_EQ(r.ts.dialogs->boxes().size(), 1u) << r.ts.dialogs->texts().join("|").toStdString();
    EXPECT_EQ(r.ts.readFile("run.csv"), QByteArray("old\r\n"));
}
