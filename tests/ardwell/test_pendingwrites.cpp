// Changes pending for a mech: they go only into the mech they were read from, and they stay
// pending (with the panel open) until a write has put them in and read them back whole.
#include "tests/ardwell/road.h"

#include "sim/ardwellimages.h"

namespace {

using namespace ardwell_test;
namespace mb = plat::mb;
namespace img = sim::ardwellimage;

const QString kOtherMech = "The Coin mech in the box is not the one these changes were read from\r\n\r\n"
                           "Serial number of the changes: 0012ABCD\r\nSerial number of this Coin mech: ";
const QString kKept = "The changes were not written to the Coin mech\r\n\r\nProgramme mode stays open";

// Programme mode on the standard 330 with channel 1 cleared: changes pending.
void enterAndClearChannel1(Road& r)
{
    ASSERT_TRUE(r.enterProgramme());
    r.view().setValue("cmbCoinNumber", 0);
    r.ts.dialogs->answer(mb::OK);
    r.click("cmdClearOne");
    ASSERT_TRUE(r.job().imageModified());
}

// Another mech of the same model in the box.
std::vector<quint16> swapInOtherMech(Road& r)
{
    r.mech.loadImage(img::otherImage("330"));
    r.mech.clearReceived();
    return r.mech.words();
}

bool inProgrammeMode(Road& r)
{
    return r.view().isVisible("frmProgramme") && !r.view().isVisible("frmMain1") &&
           !r.view().isEnabled("cmdProgramme") && r.view().isEnabled("cmdProg");
}

TEST(PendingChanges, AFailedFinishStaysInProgrammeModeAndExitNeverWritesThemIntoAnotherMech)
{
    Road r("330");
    enterAndClearChannel1(r);
    r.mech.refuseWritesAt(0);
    r.ts.dialogs->answer(mb::Yes, "Write New Data To Coin Mech");
    r.ts.dialogs->answer(mb::OK, "Error Writing EEPROM :0000");
    r.ts.dialogs->answer(mb::OK, "Too many retries on Memory Write to Address 0000");
    r.ts.dialogs->answer(mb::OK, kKept);
    r.click("cmdExitProgramme");
    EXPECT_TRUE(r.ts.dialogs->allAnswersUsed());
    // Its first word refused: nothing went in, so nothing is said of a half-written mech.
    EXPECT_EQ(r.ts.dialogs->boxes().at(3).text, "Too many retries on Memory Write to Address 0000");
    EXPECT_TRUE(inProgrammeMode(r));
    EXPECT_TRUE(r.job().imageModified());

    // The first mech out, another in; EXIT offers the write, the serial number refuses it, and
    // the program stays open with the changes.
    r.mech.refuseWritesAt(-1);
    const std::vector<quint16> other = swapInOtherMech(r);
    r.ts.dialogs->answer(mb::Yes, "Write New Data To Coin Mech");
    r.ts.dialogs->answer(mb::OK, kOtherMech + "0034EF56\r\n\r\nNothing written");
    r.ts.dialogs->answer(mb::OK, "Ardwell stays open with the changes pending");
    EXPECT_NO_THROW(r.win().requestClose());
    EXPECT_TRUE(r.ts.dialogs->allAnswersUsed());
    EXPECT_EQ(r.ts.dialogs->boxes().at(r.ts.dialogs->boxes().size() - 2).style, mb::Critical | mb::OKOnly);
    EXPECT_TRUE(inProgrammeMode(r));
    EXPECT_EQ(r.mech.addressesRead(), QList<int>({3, 4}));
    EXPECT_TRUE(r.mech.addressesWritten().isEmpty());
    EXPECT_EQ(r.mech.words(), other);
}

TEST(PendingChanges, WriteDataReReadsTheSerialAndWritesOnlyTheMechTheChangesWereReadFrom)
{
    Road r("330");
    enterAndClearChannel1(r);
    const int word0 = r.word(0);
    const std::vector<quint16> other = swapInOtherMech(r);
    r.ts.dialogs->answer(mb::OK, kOtherMech + "0034EF56\r\n\r\nNothing written");
    r.click("cmdProg");
    EXPECT_TRUE(r.ts.dialogs->allAnswersUsed());
    EXPECT_TRUE(r.mech.addressesWritten().isEmpty());
    EXPECT_EQ(r.mech.words(), other);
    EXPECT_EQ(r.job().lastWrite(), ardwell::WriteResult::Failed);
    EXPECT_TRUE(r.job().imageModified());
    EXPECT_TRUE(inProgrammeMode(r));
    // The pending image is still the first mech's, its serial number included.
    EXPECT_EQ(r.word(3), 0x0012);
    EXPECT_EQ(r.word(4), 0xABCD);
    EXPECT_EQ(r.word(0), word0);

    // The first mech back: the same button writes it.
    r.mech.loadImage(img::standardImage("330"));
    r.ts.dialogs->answer(mb::OK, "Verify OK");
    r.click("cmdProg");
    EXPECT_TRUE(r.ts.dialogs->allAnswersUsed());
    EXPECT_EQ(r.mech.word(0), word0);
    EXPECT_FALSE(r.job().imageModified());
    EXPECT_TRUE(r.view().isVisible("frmMain1"));
}

TEST(PendingChanges, WriteToMechRefusesAnotherMechAndKeepsThePanel)
{
    Road r("330");
    ASSERT_TRUE(r.enterAdjust());
    const std::vector<quint16> other = swapInOtherMech(r);
    r.ts.dialogs->answer(mb::OK, kOtherMech + "0034EF56\r\n\r\nNothing written");
    r.click("cmdExitAdjust");
    EXPECT_TRUE(r.ts.dialogs->allAnswersUsed());
    EXPECT_TRUE(r.mech.addressesWritten().isEmpty());
    EXPECT_EQ(r.mech.words(), other);
    EXPECT_TRUE(r.view().isVisible("frmAdjust"));
    EXPECT_TRUE(r.view().isEnabled("cmdExitAdjust"));
    EXPECT_EQ(r.job().mechSerialNumber(), "0012ABCD");
}

TEST(PendingChanges, AVerifyMismatchOnWriteToMechOrOnFinishKeepsThePanelAndTheChanges)
{
    Road a("330");
    ASSERT_TRUE(a.enterAdjust());
    a.mech.storeDifferentValueAt(20, 0x2021);
    a.ts.dialogs->answer(mb::OK, "Verify Error Address : 0014");
    a.ts.dialogs->answer(mb::OK, "Verify Failed :  1 Errors");
    a.click("cmdExitAdjust");
    EXPECT_TRUE(a.ts.dialogs->allAnswersUsed());
    EXPECT_EQ(a.job().lastWrite(), ardwell::WriteResult::Failed);
    EXPECT_TRUE(a.view().isVisible("frmAdjust"));
    EXPECT_TRUE(a.view().isEnabled("cmdExitAdjust"));
    EXPECT_FALSE(a.view().isVisible("frmMain1"));

    Road p("330");
    enterAndClearChannel1(p);
    p.mech.storeDifferentValueAt(20, 0x2021);
    p.ts.dialogs->answer(mb::Yes, "Write New Data To Coin Mech");
    p.ts.dialogs->answer(mb::Cancel, "Verify Error Address : 0014");
    p.ts.dialogs->answer(mb::OK, "Verify Failed :  1 Errors");
    p.ts.dialogs->answer(mb::OK, kKept);
    p.click("cmdExitProgramme");
    EXPECT_TRUE(p.ts.dialogs->allAnswersUsed());
    EXPECT_TRUE(p.job().imageModified());
    EXPECT_TRUE(inProgrammeMode(p));
}

TEST(PendingChanges, APortLostDuringTheVerifyIsNoVerifiedWrite)
{
    Road r("330");
    enterAndClearChannel1(r);
    r.mech.clearReceived();
    // Every word written, the read-back under way.
    r.when([&] { return r.mech.addressesRead().size() >= 12; },
         [&] { r.pullCable(); });
    r.ts.dialogs->answer(mb::OK, "The mech may be half-written: write it again once the box is reconnected.");
    r.click("cmdProg");
    EXPECT_TRUE(r.ts.dialogs->allAnswersUsed());
    // The clearing's question, then the one lost-port box: nothing says "Verify OK".
    EXPECT_EQ(r.ts.dialogs->boxes().size(), 2u) << r.ts.dialogs->texts().join("|").toStdString();
    EXPECT_EQ(r.mech.addressesWritten(), range(0, 127));
    EXPECT_EQ(r.job().lastWrite(), ardwell::WriteResult::Failed);
    EXPECT_TRUE(r.job().imageModified());
    EXPECT_TRUE(r.view().isVisible("frmProgramme"));
}

TEST(PendingChanges, AnAdjustFilesWordsAboveTheEepromNeverReachAnotherMechsBackup)
{
    Road r("330");
    ASSERT_TRUE(r.enterAdjust());
    QStringList file = r.mechLines(128);
    for (int a = 128; a < 256; ++a)
        file << QString::asprintf("%04X 1234", a);
    r.writeLines("wide.txt", file);
    r.ts.dialogs->answerFile(r.ts.folder() + "/wide.txt");
    r.click("cmdLoad");
    r.click("cmdCancelAdjust");

    swapInOtherMech(r);
    ASSERT_TRUE(r.enterProgramme());
    const QStringList backup = r.fileLines("Backup/" + r.view().text("lblSerNo") + ".txt");
    ASSERT_EQ(backup.size(), 256);
    EXPECT_EQ(backup.mid(0, 128), r.mechLines(128));
    for (int a = 128; a < 256; ++a)
        EXPECT_EQ(backup[a], QString::asprintf("%04X 0000", a));
}

TEST(PendingChanges, AWriteThatGivesUpAfterItsFirstWordSaysTheMechMayBeHalfWrittenAndShowsItsRetries)
{
    Road r("330");
    enterAndClearChannel1(r);
    r.mech.clearReceived();
    // The mech takes 20 words, then goes silent to every write.
    r.mech.setFault(sim::ArdwellMech::Fault::WriteUnanswered, sim::When::from(21));
    QStringList captions;
    r.when([&] { return r.mech.addressesWritten().count(20) == 3; },
         [&] { captions << r.view().text("lblProgress"); });
    r.ts.dialogs->answer(mb::OK, "Too many retries on Memory Write to Address 0014\r\n\r\n"
                                 "The Coin mech may be half-written: write it again");
    r.click("cmdProg");
    EXPECT_TRUE(r.ts.dialogs->allAnswersUsed());
    EXPECT_EQ(r.mech.addressesWritten().count(20), 200);
    EXPECT_EQ(captions, QStringList({"Retry 0014, try 3"}));
    EXPECT_TRUE(r.job().imageModified());
}

TEST(PendingChanges, CoinDropAfterALostPortPowersAndLogsTheMechOnAgain)
{
    Road r("330");
    ASSERT_TRUE(r.enterProgramme());
    r.view().setText("cmbCoinCount", "10");
    // The box unplugged while the panel waits, plugged back with the mech unpowered.
    r.ts.dialogs->answer(mb::OK, "unplugged");
    r.pullCable();
    r.ts.sched->advance(100);
    r.port->setOpenResult(plat::OpenResult::Ok);
    r.mech.setPowered(false);
    const int logons = r.mech.logons();

    bool requested = false;
    r.when([&] { return r.mech.coinDataRequested() || r.ts.sched->nowMs() > 30000; },
         [&] {
             requested = r.mech.coinDataRequested();
             r.programme().cmdCancelOp_Click();
         });
    r.click("cmdCoinData");
    EXPECT_TRUE(r.ts.dialogs->allAnswersUsed());
    EXPECT_TRUE(requested);
    EXPECT_EQ(r.mech.logons(), logons + 1);
    EXPECT_TRUE(r.mech.powered());
}

} // namespace
