// Programme mode end to end on the simulated box: entering it (the whole EEPROM read, the
// serial number, the first-seen backup, the panel per model), writing and verifying with the
// mech's faults, and leaving it with or without writing.
#include "platform/filefaults.h"
#include "tests/ardwell/road.h"


using ardwell_test::range;
using ardwell_test::Road;
namespace mb = plat::mb;

namespace {

QStringList repeated(const QString& s, int n)
{
    QStringList out;
    for (int i = 0; i < n; ++i)
        out << s;
    return out;
}

bool onMainSelection(Road& r)
{
    return r.view().isVisible("frmMain1") && r.view().isEnabled("cmdProgramme") && r.view().isVisible("frmConfig");
}

} // namespace

TEST(ProgrammeEntry, A330IsReadBackedUpAndShownWithItsLamps)
{
    Road r("330");
    ASSERT_TRUE(r.started);
    const auto from = r.sent().size();
    ASSERT_TRUE(r.enterProgramme());

    QStringList want{"%", "Z", "&", "%", "Z", "&", "frame"};
    want += repeated("frame", 128);
    want << "%";
    EXPECT_EQ(r.commandsSince(from), want);
    EXPECT_EQ(r.mech.addressesRead(), range(0, 127));
    EXPECT_TRUE(r.ts.dialogs->boxes().empty());

    // The serial number 0012ABCD is shown by its backup name, and backed up under it.
    EXPECT_EQ(r.job().mechSerialNumber, "0012ABCD");
    EXPECT_EQ(r.view().text("lblSerNo"), "1200xx23629");
    EXPECT_TRUE(r.view().isVisible("lblSerNo"));
    EXPECT_TRUE(r.view().isVisible("lblSN"));
    const QStringList backup = r.fileLines("Backup/1200xx23629.txt");
    ASSERT_EQ(backup.size(), 256);
    EXPECT_EQ(backup.mid(0, 128), r.mechLines(128));
    EXPECT_EQ(backup[0], "0000 80F8");
    EXPECT_EQ(backup[3], "0003 0012");
    EXPECT_EQ(backup[4], "0004 ABCD");
    EXPECT_EQ(backup[128], "0080 0000"); // beyond a 330's EEPROM: what the image holds

    // The panel: 12 lamps, the eleven taught channels red, the options of a fresh entry.
    auto& v = r.view();
    EXPECT_TRUE(v.isVisible("frmProgramme"));
    EXPECT_FALSE(v.isVisible("frmMain1"));
    EXPECT_FALSE(v.isVisible("frmConfig"));
    EXPECT_FALSE(v.isVisible("frmOld"));
    EXPECT_FALSE(v.isVisible("cmdCancelOp"));
    EXPECT_FALSE(v.isVisible("txtCoinValueP"));
    EXPECT_FALSE(v.isEnabled("cmdProgramme"));
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(v.isVisible("shpCoinWindow", i), i < 12) << i;
        EXPECT_EQ(v.text("lblWind", i), QString::number(i + 1));
        if (i < 12) {
            EXPECT_EQ(v.fill("shpCoinWindow", i), i < 11 ? 0x0000FFu : 0xFFFFFFu) << i;
        }
    }
    for (const char* c : {"cmdCoinData", "cmdProg", "cmdExitProgramme", "cmbCoinNumber", "cmbCoinCount"})
        EXPECT_TRUE(v.isEnabled(c)) << c;
    EXPECT_EQ(v.text("cmbCoinNumber"), "Channel 1");
    EXPECT_EQ(v.text("cmbCoinCount"), "20");
    EXPECT_EQ(v.value("optStandard"), 1);
    EXPECT_EQ(v.value("optWindow1"), 1);
    EXPECT_EQ(v.value("optNormal"), 1);
    EXPECT_FALSE(r.job().imageModified());
    EXPECT_TRUE(r.mech.powered());

    // A second entry with the same mech leaves its backup alone, whatever the mech holds now.
    const QByteArray first = r.ts.readFile("Backup/1200xx23629.txt");
    r.mech.setWord(20, 0x1111);
    r.win().cmdExitProgramme_Click();
    ASSERT_TRUE(r.enterProgramme());
    EXPECT_EQ(r.word(20), 0x1111);
    EXPECT_EQ(r.ts.readFile("Backup/1200xx23629.txt"), first);
}

TEST(ProgrammeEntry, A126ReadsAllItsWordsAndShowsSixteenLampsAndTheModuleType)
{
    Road r("126");
    ASSERT_TRUE(r.enterProgramme());
    EXPECT_EQ(r.mech.addressesRead(), range(0, 255));
    EXPECT_EQ(r.job().mechSerialNumber, "0012ABCD"); // words 2 and 3 on a 126
    EXPECT_EQ(r.fileLines("Backup/1200xx23629.txt"), r.mechLines(256));
    EXPECT_TRUE(r.view().isVisible("frmOld"));
    for (int i = 0; i < 16; ++i)
        EXPECT_TRUE(r.view().isVisible("shpCoinWindow", i)) << i;
    EXPECT_EQ(r.view().fill("shpCoinWindow", 5), 0x0000FFu);
    EXPECT_EQ(r.view().fill("shpCoinWindow", 15), 0xFFFFFFu);
}

TEST(ProgrammeEntry, AFailedLogonStaysInTheMainSelectionWithTheMechOff)
{
    Road r("330");
    r.mech.setFault(sim::ArdwellMech::Fault::Silent, sim::When::always());
    r.ts.dialogs->answer(mb::OK, "Failed to connect to Coin mech");
    r.ts.dialogs->answer(mb::OK, "Checksum Error reading EEPROM");
    EXPECT_FALSE(r.enterProgramme());
    ASSERT_EQ(r.ts.dialogs->boxes().size(), 2u);
    EXPECT_EQ(r.ts.dialogs->boxes()[1].style, mb::Information | mb::OKOnly);
    EXPECT_EQ(r.ts.dialogs->boxes()[1].title, "Error");
    EXPECT_EQ(r.mech.logons(), 0);
    EXPECT_TRUE(r.sent().endsWith("%\rR\r"));
    EXPECT_FALSE(r.mech.powered());
    EXPECT_TRUE(onMainSelection(r));
    EXPECT_FALSE(r.view().isVisible("prgProg"));
    EXPECT_FALSE(QDir(r.ts.folder() + "/Backup").exists());
}

TEST(ProgrammeEntry, AWordThatCannotBeReadFailsTheEntryWithoutABackup)
{
    Road r("330");
    r.mech.setUnreadableWord(100);
    r.ts.dialogs->answer(mb::OK, "Too many retries reading Memory address 0064");
    r.ts.dialogs->answer(mb::OK, "Checksum Error reading EEPROM");
    EXPECT_FALSE(r.enterProgramme());
    EXPECT_EQ(r.ts.dialogs->boxes().size(), 2u);
    EXPECT_EQ(r.word(100), -1);
    EXPECT_EQ(r.word(101), r.mech.word(101)); // the read went on past it
    EXPECT_FALSE(QDir(r.ts.folder() + "/Backup").exists());
    EXPECT_TRUE(onMainSelection(r));
}

TEST(ProgrammeEntry, APortHungUpDuringTheReadStopsAtItsWord)
{
    Road r("330");
    r.ts.sched->callAfter(3000, [&] {
        r.port->setOpenResult(plat::OpenResult::NoSuchDevice);
        r.port->hangUp("unplugged");
    });
    r.ts.dialogs->answer(mb::OK, "Error Comms routine :  \r\nunplugged - 8018");
    EXPECT_FALSE(r.enterProgramme());
    EXPECT_TRUE(r.ts.dialogs->allAnswersUsed());
    // Seconds, not the hours of every retry on a port that has gone.
    EXPECT_LT(r.ts.sched->nowMs(), 20000);
    EXPECT_FALSE(QDir(r.ts.folder() + "/Backup").exists());
    EXPECT_TRUE(r.view().isVisible("frmMain1"));
}

TEST(ProgrammeEntry, ABackupFolderThatCannotBeMadeIsSaidOnceAndTheEntryGoesOn)
{
    Road r("330");
    r.ts.writeFile("Backup", "not a folder");
    const QStringList files = QDir(r.ts.folder()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    r.ts.dialogs->answer(mb::OK, "Error Autosave EEPROM routine : \r\n\r\nThe folder " +
                                     QDir::toNativeSeparators(r.ts.folder() + "/Backup") +
                                     " cannot be created\r\n\r\nNo backup made of this Coin mech");
    ASSERT_TRUE(r.enterProgramme());
    EXPECT_TRUE(r.ts.dialogs->allAnswersUsed());
    ASSERT_EQ(r.ts.dialogs->boxes().size(), 1u);
    EXPECT_EQ(r.ts.dialogs->boxes()[0].style, mb::Critical | mb::OKOnly);
    EXPECT_EQ(r.ts.dialogs->boxes()[0].title, "Error detected");
    EXPECT_EQ(r.ts.readFile("Backup"), QByteArray("not a folder"));
    EXPECT_EQ(QDir(r.ts.folder()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), files);
    EXPECT_FALSE(r.view().isVisible("lblSerNo"));
    EXPECT_TRUE(r.view().isEnabled("cmdCoinData"));
}

// ---- Writing and verifying ----

TEST(ProgrammeEntry, AReplyCorruptedPastItsPayloadCheckIsAskedForAgain)
{
    Road r("330");
    const std::vector<quint16> words = r.mech.words();
    r.mech.setFault(sim::ArdwellMech::Fault::ReplyCorrupted, sim::When::first(1));
    ASSERT_TRUE(r.enterProgramme());
    EXPECT_EQ(r.mech.addressesRead().mid(0, 3), QList<int>({0, 0, 1}));
    for (int a = 0; a < 128; ++a)
        ASSERT_EQ(r.word(a), words[std::size_t(a)]) << a;
    r.ts.dialogs->answer(mb::OK, "Verify OK");
    r.click("cmdProg");
    EXPECT_EQ(r.mech.word(0), words[0]);
}

TEST(ProgrammeWrite, A330WritesWords0To127WithWord5ClearedAndVerifies)
{
    Road r("330");
    ASSERT_TRUE(r.enterProgramme());
    r.word(40) = 0x1234;
    r.job().markModified();
    r.mech.clearReceived();
    r.ts.dialogs->answer(mb::OK, "Verify OK");
    r.click("cmdProg");

    EXPECT_EQ(r.mech.addressesWritten(), range(0, 127));
    // The serial number's words re-read; the write's first read of word 0 goes out after "%",
    // which the box does not relay; then the verify's reads.
    EXPECT_TRUE(r.sent().contains("%\r%\r" + QByteArray("FF6194")));
    EXPECT_EQ(r.mech.addressesRead(), QList<int>({3, 4}) + range(0, 127));
    EXPECT_EQ(r.mech.word(5), 0);
    EXPECT_EQ(r.mech.word(40), 0x1234);
    EXPECT_EQ(r.mech.word(3), 0x0012);
    const auto& box = r.ts.dialogs->boxes().back();
    EXPECT_EQ(box.title, "Verify");
    EXPECT_EQ(box.style, mb::Information | mb::OKOnly);
    EXPECT_FALSE(r.job().imageModified());
    EXPECT_TRUE(onMainSelection(r));
    EXPECT_FALSE(r.view().isVisible("frmProgramme"));
    EXPECT_FALSE(r.view().isVisible("lblSerNo"));
    EXPECT_FALSE(r.mech.powered());
    // The image is what was written, not the verify's read-back.
    EXPECT_EQ(r.word(40), 0x1234);
    EXPECT_EQ(r.word(200), 0);
}

TEST(ProgrammeWrite, AVerifyThatCannotLogOnKeepsTheChangesAndSaysSo)
{
    Road r("330");
    ASSERT_TRUE(r.enterProgramme());
    r.word(40) = 0x1234;
    r.job().markModified();
    r.mech.clearReceived();
    // The serial re-read (a logon, two words), the write's logon and its 128 words are answered;
    // from the verify's logon on, nothing is.
    r.mech.setFault(sim::ArdwellMech::Fault::Silent, sim::When::from(133));
    r.ts.dialogs->answer(mb::OK, "Failed to connect to Coin mech");
    r.ts.dialogs->answer(mb::OK, "Verify Failed : Coin mech not verified");
    r.click("cmdProg");
    EXPECT_TRUE(r.ts.dialogs->allAnswersUsed());
    ASSERT_EQ(r.ts.dialogs->boxes().size(), 2u);
    EXPECT_EQ(r.ts.dialogs->boxes()[1].text, "Verify Failed : Coin mech not verified");
    EXPECT_EQ(r.ts.dialogs->boxes()[1].style, mb::Critical | mb::OKOnly);
    EXPECT_EQ(r.ts.dialogs->boxes()[1].title, "Error");
    EXPECT_EQ(r.mech.addressesWritten(), range(0, 127));
    EXPECT_EQ(r.mech.addressesRead(), QList<int>({3, 4})); // the serial number's, before the write
    EXPECT_EQ(r.job().lastWrite(), ardwell::WriteResult::Failed);
    EXPECT_TRUE(r.job().imageModified());
    EXPECT_TRUE(r.view().isVisible("frmProgramme"));
    EXPECT_FALSE(onMainSelection(r));
    EXPECT_EQ(r.word(40), 0x1234);
}

TEST(ProgrammeWrite, A126ButtonWritesWords0To214AndVerifiesAll256)
{
    Road r("126");
    ASSERT_TRUE(r.enterProgramme());
    r.mech.clearReceived();
    r.ts.dialogs->answer(mb::OK, "Verify OK");
    r.programme().cmdProg_Click();
    EXPECT_EQ(r.mech.addressesWritten(), range(0, 214));
    EXPECT_EQ(r.mech.addressesRead(), QList<int>({2, 3}) + range(0, 255));
    EXPECT_EQ(r.mech.word(4), 0);
}

TEST(ProgrammeWrite, TheTwoHundredthTryOfAWordCounts)
{
    Road r("330");
    ASSERT_TRUE(r.enterProgramme());
    r.mech.clearReceived();
    r.mech.setFault(sim::ArdwellMech::Fault::RefuseWrite, sim::When::first(199));
    r.ts.dialogs->answer(mb::OK, "Verify OK");
    r.programme().cmdProg_Click();
    EXPECT_EQ(r.mech.addressesWritten().count(0), 200);
    EXPECT_EQ(r.mech.addressesWritten().count(1), 1);
    EXPECT_TRUE(onMainSelection(r));
}

TEST(ProgrammeWrite, AWordRefusedEveryTimeStopsTheRunAndKeepsTheChanges)
{
    Road r("330");
    ASSERT_TRUE(r.enterProgramme());
    r.job().markModified();
    r.mech.clearReceived();
    r.mech.refuseWritesAt(10);
    r.ts.dialogs->answer(mb::OK, "Error Writing EEPROM :000A");
    r.ts.dialogs->answer(mb::OK, "Too many retries on Memory Write to Address 000A");
    r.programme().cmdProg_Click();
    EXPECT_EQ(r.ts.dialogs->boxes().size(), 2u);
    EXPECT_EQ(r.mech.addressesWritten().count(10), 200);
    EXPECT_EQ(r.mech.addressesWritten().count(11), 0);
    EXPECT_EQ(r.mech.addressesRead(), QList<int>({3, 4})); // the serial number's; no verify
    EXPECT_EQ(r.job().lastWrite(), ardwell::WriteResult::Failed);
    EXPECT_TRUE(r.job().imageModified());
    EXPECT_TRUE(r.view().isVisible("frmProgramme"));
    EXPECT_FALSE(r.view().isVisible("frmMain1"));
}

TEST(ProgrammeWrite, AWordNeverAnsweredIsAFailedRunToo)
{
    Road r("330");
    ASSERT_TRUE(r.enterProgramme());
    r.job().markModified();
    r.mech.clearReceived();
    // The mech hears the serial re-read, the logon and the first three writes, then nothing.
    r.mech.setFault(sim::ArdwellMech::Fault::Silent, sim::When::from(8));
    r.ts.dialogs->answer(mb::OK, "Too many retries on Memory Write to Address 0003");
    r.programme().cmdProg_Click();
    EXPECT_EQ(r.ts.dialogs->boxes().size(), 1u);
    EXPECT_EQ(r.job().lastWrite(), ardwell::WriteResult::Failed);
    EXPECT_TRUE(r.job().imageModified());
    EXPECT_TRUE(r.view().isVisible("frmProgramme"));
}

TEST(ProgrammeWrite, AValueThatDoesNotStickIsOneVerifyErrorAndTheImageKeepsWhatWasMeant)
{
    Road r("330");
    ASSERT_TRUE(r.enterProgramme());
    r.word(20) = 0x2020;
    r.job().markModified();
    r.mech.storeDifferentValueAt(20, 0x2021);
    r.ts.dialogs->answer(mb::OK, "Verify Error Address : 0014");
    r.ts.dialogs->answer(mb::OK);
    r.click("cmdProg");
    ASSERT_EQ(r.ts.dialogs->boxes().size(), 2u);
    EXPECT_EQ(r.ts.dialogs->boxes()[0].style, mb::Critical | mb::OKCancel);
    EXPECT_EQ(r.ts.dialogs->boxes()[1].text, "Verify Failed :  1 Errors\r\n\r\nThe Coin mech does not hold the "
                                             "changes: they are kept, write them again");
    // The run is not written: the panel stays with the changes pending, the image as meant.
    EXPECT_EQ(r.job().lastWrite(), ardwell::WriteResult::Failed);
    EXPECT_TRUE(r.job().imageModified());
    EXPECT_TRUE(r.view().isVisible("frmProgramme"));
    EXPECT_TRUE(r.view().isEnabled("cmdProg"));
    EXPECT_FALSE(onMainSelection(r));
    EXPECT_EQ(r.word(20), 0x2020);
    EXPECT_EQ(r.word(200), 0);
}

TEST(ProgrammeWrite, TwoWordsThatDoNotStickAreCountedWithTwoBlanks)
{
    Road r("330");
    ASSERT_TRUE(r.enterProgramme());
    r.word(20) = 0x2020;
    r.mech.storeDifferentValueAt(20, 0x2021);
    r.mech.setUnreadableWord(90);
    r.ts.dialogs->answer(mb::OK, "Verify Error Address : 0014");
    r.ts.dialogs->answer(mb::OK, "Too many retries reading Memory address 005A");
    r.ts.dialogs->answer(mb::OK, "Verify Error Address : 005A");
    r.ts.dialogs->answer(mb::OK, "Verify Failed :  2 Errors");
    r.programme().cmdProg_Click();
    EXPECT_TRUE(r.ts.dialogs->allAnswersUsed());
    EXPECT_EQ(r.word(90), r.mech.word(90)); // the image keeps what was written
    EXPECT_EQ(r.job().lastWrite(), ardwell::WriteResult::Failed);
    EXPECT_TRUE(r.view().isVisible("frmProgramme"));
}

TEST(ProgrammeWrite, CancelAtAVerifyBoxEndsTheCheck)
{
    Road r("330");
    ASSERT_TRUE(r.enterProgramme());
    r.word(20) = 0x2020;
    r.mech.storeDifferentValueAt(20, 0x2021);
    r.mech.clearReceived();
    r.ts.dialogs->answer(mb::Cancel, "Verify Error Address : 0014");
    r.ts.dialogs->answer(mb::OK, "Verify Failed :  1 Errors");
    r.programme().cmdProg_Click();
    EXPECT_EQ(r.mech.addressesRead(), QList<int>({3, 4}) + range(0, 20));
    EXPECT_EQ(r.word(21), r.mech.word(21));
    EXPECT_EQ(r.word(20), 0x2020);
    // A check cut short has not verified the run.
    EXPECT_EQ(r.job().lastWrite(), ardwell::WriteResult::Failed);
    EXPECT_TRUE(r.view().isVisible("frmProgramme"));
}

TEST(ProgrammeWrite, APortHungUpMidWriteEndsTheRunAndKeepsProgrammeMode)
{
    Road r("330");
    ASSERT_TRUE(r.enterProgramme());
    r.job().markModified();
    r.mech.clearReceived();
    r.ts.sched->callAfter(2000, [&] {
        r.port->setOpenResult(plat::OpenResult::NoSuchDevice);
        r.port->hangUp("unplugged");
    });
    r.ts.dialogs->answer(mb::OK, "The mech may be half-written");
    const plat::Millis t0 = r.ts.sched->nowMs();
    r.click("cmdProg");
    EXPECT_TRUE(r.ts.dialogs->allAnswersUsed());
    EXPECT_LT(r.ts.sched->nowMs() - t0, 10000);
    EXPECT_EQ(r.job().lastWrite(), ardwell::WriteResult::Failed);
    EXPECT_TRUE(r.job().imageModified());
    EXPECT_TRUE(r.view().isVisible("frmProgramme"));
}

// ---- Leaving programme mode ----

TEST(ProgrammeExit, FinishWithChangesAsksAndYesReadsTheSerialThenWrites)
{
    Road r("330");
    ASSERT_TRUE(r.enterProgramme());
    r.word(50) = 0x5050;
    r.job().markModified();
    r.word(3) = 0x7777; // the serial number written back is the one just read from the mech
    r.mech.clearReceived();
    r.ts.dialogs->answer(mb::Yes, "Write New Data To Coin Mech");
    r.ts.dialogs->answer(mb::OK, "Verify OK");
    r.view().setVisible("cmdExitProgramme", true);
    r.click("cmdExitProgramme");
    EXPECT_EQ(r.ts.dialogs->boxes()[0].style, mb::YesNo | mb::Exclamation);
    EXPECT_EQ(r.ts.dialogs->boxes()[0].title, "Confirm Action");
    EXPECT_EQ(r.mech.addressesRead().mid(0, 3), QList<int>({3, 4, 0}));
    EXPECT_EQ(r.mech.addressesWritten(), range(0, 127));
    EXPECT_EQ(r.mech.word(50), 0x5050);
    EXPECT_EQ(r.mech.word(3), 0x0012);
    EXPECT_FALSE(r.job().imageModified());
    EXPECT_TRUE(onMainSelection(r));
    EXPECT_FALSE(r.view().isVisible("frmProgramme"));
    EXPECT_FALSE(r.mech.powered());
}

TEST(ProgrammeExit, NoWritesNothing)
{
    Road r("330");
    ASSERT_TRUE(r.enterProgramme());
    r.word(50) = 0x5050;
    r.job().markModified();
    r.mech.clearReceived();
    r.ts.dialogs->answer(mb::No, "Write New Data To Coin Mech");
    r.win().cmdExitProgramme_Click();
    EXPECT_TRUE(r.mech.received().empty());
    EXPECT_NE(r.mech.word(50), 0x5050);
    EXPECT_FALSE(r.job().imageModified());
    EXPECT_TRUE(onMainSelection(r));
}

TEST(ProgrammeExit, AFailedWriteOnTheWayOutKeepsProgrammeModeAndTheChanges)
{
    Road r("330");
    ASSERT_TRUE(r.enterProgramme());
    r.job().markModified();
    r.mech.refuseWritesAt(0);
    r.ts.dialogs->answer(mb::Yes, "Write New Data To Coin Mech");
    r.ts.dialogs->answer(mb::OK, "Error Writing EEPROM :0000");
    r.ts.dialogs->answer(mb::OK, "Too many retries");
    r.win().ExitAndWrite();
    EXPECT_TRUE(r.job().imageModified());
    EXPECT_TRUE(r.view().isVisible("frmProgramme"));
    EXPECT_TRUE(r.view().isEnabled("cmdCoinData"));
    EXPECT_TRUE(r.view().isEnabled("cmdProg"));
}

TEST(ProgrammeExit, SerialWordsThatCannotBeReadAreNeverWrittenBack)
{
    Road r("330");
    ASSERT_TRUE(r.enterProgramme());
    r.job().markModified();
    r.mech.setFault(sim::ArdwellMech::Fault::BadCheckByte, sim::When::always());
    r.mech.clearReceived();
    r.ts.dialogs->answer(mb::Yes, "Write New Data To Coin Mech");
    for (const char* a : {"0003", "0004"})
        r.ts.dialogs->answer(mb::OK, QString("Too many retries reading Memory address ") + a);
    r.ts.dialogs->answer(mb::OK, "Memory address 0003 was not read from the Coin mech\r\n\r\nNothing written");
    r.win().ExitAndWrite();
    EXPECT_TRUE(r.ts.dialogs->allAnswersUsed());
    EXPECT_TRUE(r.mech.addressesWritten().isEmpty());
    EXPECT_EQ(r.job().lastWrite(), ardwell::WriteResult::Failed);
    EXPECT_TRUE(r.job().imageModified());
    EXPECT_TRUE(r.view().isVisible("frmProgramme"));
}

TEST(ProgrammeExit, TheCloseBoxOffersTheWriteBeforeTheSettingsAreSaved)
{
    Road r("330");
    ASSERT_TRUE(r.enterProgramme());
    r.job().markModified();
    r.ts.dialogs->answer(mb::No, "Write New Data To Coin Mech");
    EXPECT_THROW(r.win().requestClose(), plat::ProgramEnded);
    EXPECT_EQ(r.ts.readFile("config.txt"), QByteArray("3,\"330\"\r\n"));
}

TEST(ProgrammeEntry, ABackupTheDiskCouldNotTakeIsSaidAndWrittenAtTheNextEntry)
{
    Road r("330");
    QDir(r.ts.folder()).mkdir("Backup");
    const QString backup = r.ts.folder() + "/Backup/1200xx23629.txt";
    {
        plat::FileFaults faults;
        faults.diskFull(r.ts.folder() + "/Backup");
        r.ts.dialogs->answer(mb::OK, "Error Autosave EEPROM routine :  \r\n" + QDir::toNativeSeparators(backup) +
                                         ": No space left on device - 75");
        ASSERT_TRUE(r.enterProgramme());
        EXPECT_TRUE(r.ts.dialogs->allAnswersUsed());
        EXPECT_FALSE(QFile::exists(backup)) << "no empty backup left behind";
        r.win().cmdExitProgramme_Click();
    }
    // A backup left empty (by an older program on a full disk) is no backup either.
    r.ts.writeFile("Backup/1200xx23629.txt", "");
    ASSERT_TRUE(r.enterProgramme());
    EXPECT_EQ(r.fileLines("Backup/1200xx23629.txt").mid(0, 128), r.mechLines(128));
    EXPECT_EQ(r.ts.dialogs->boxes().size(), 1u);
}

TEST(ProgrammeEntry, TwoMechsWhoseSerialsWouldShareADigitNameEachGetTheirOwnBackup)
{
    Road r("330");
    r.mech.setWord(3, 0x0E92);
    r.mech.setWord(4, 0xC620);
    ASSERT_TRUE(r.enterProgramme());
    EXPECT_EQ(r.view().text("lblSerNo"), "4542xx00000");
    r.win().cmdExitProgramme_Click();

    r.mech.setWord(3, 0x4994);
    r.mech.setWord(4, 0xF9A0);
    r.mech.setWord(20, 0x2222);
    ASSERT_TRUE(r.enterProgramme());
    EXPECT_EQ(r.view().text("lblSerNo"), "4994F9A0");
    EXPECT_EQ(r.fileLines("Backup/4994F9A0.txt").mid(0, 128), r.mechLines(128));
    EXPECT_EQ(r.fileLines("Backup/4542xx00000.txt")[3], "0003 0E92");
}
