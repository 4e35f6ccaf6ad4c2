// CC EEPROM read, program and verify over the word protocol and through the Sentinel interface,
// with the scratch dump, against the simulated mechs.
#include "platform/filefaults.h"
#include "quenby/link/ccmech.h"
#include "quenby/link/ccwire.h"
#include "quenby/link/sentinelmech.h"
#include "sim/ccmech.h"
#include "sim/sentinelmech.h"
#include "tests/quenby/mech_fixture.h"

#include <QDir>

namespace {

using namespace quenby_tests;
using quenby::CcWordFamily;
using quenby::SentinelFamily;
using sim::CcMech;
using sim::When;

const QByteArray kC120Logon = "#80C00" + kEsc25 + "$05xx";
const QByteArray kCcLogoff = "yy" + kReset;

QByteArray readRequest(int a)
{
    QByteArray r;
    r += char(0x7B);
    r += char(a);
    r += char((0x7B + a) & 0xFF);
    return r;
}

struct CcTest : MechTest {
    CcWordFamily cc() { return CcWordFamily(ctx(), quenby::mechEntry(quenby::Family::CC, job.mechModel)); }
    SentinelFamily sentinel() { return SentinelFamily(ctx(), quenby::mechEntry(quenby::Family::CC, "Sentinel")); }
    QByteArray dump(const QString& model) const { return ts.readFile(model + "temp.txt"); }
    int boxCount() const { return int(dialogs.boxes().size()); }
};

TEST_F(CcTest, C120ReadFillsTheImageAndTheDump)
{
    auto* mech = plugNew<CcMech>("CC", "C120");
    const quenby::ReadState r = quenby::readMechMemory(ctx());
    EXPECT_TRUE(r.complete);
    QByteArray requests;
    for (int a = 0; a < 128; ++a) {
        requests += readRequest(a);
        ASSERT_EQ(mem.images.readImage[size_t(a)], mech->word(a)) << a;
    }
    EXPECT_EQ(sent(), kC120Logon + requests + kCcLogoff);
    EXPECT_TRUE(sent().contains(QByteArray("\x7B\x10\x8B", 3))); // word 0x10
    QByteArray file;
    for (int a = 0; a < 128; ++a)
        file += QByteArray::number(a) + "," + QByteArray::number(mech->word(a)) + "\r\n";
    EXPECT_EQ(dump("C120"), file);
    EXPECT_EQ(progress.events.mid(0, 6), (QStringList{"caption EEPROM Read", "title READING EEPROM IN PROGRESS",
                                                        "segment hidden", "step 0", "show", "step 0"}));
    EXPECT_EQ(progress.steps.back(), 15);
    EXPECT_EQ(progress.events.back(), "hide");
    EXPECT_EQ(keepAliveStops, 1);
}

TEST_F(CcTest, The435ReadsAll256Words)
{
    auto* mech = plugNew<CcMech>("CC", "435");
    EXPECT_TRUE(quenby::readMechMemory(ctx()).complete);
    EXPECT_EQ(mech->addressesRead().size(), 256);
    EXPECT_EQ(mem.images.readImage[255], mech->word(255));
    EXPECT_EQ(QString::fromLatin1(dump("435")).count("\r\n"), 256);
}

TEST_F(CcTest, ThreeLogonsHalfASecondApartThenTheFirstWordTimesOut)
{
    auto* mech = plugNew<CcMech>("CC", "220B");
    mech->setFault(CcMech::Fault::LogonUnanswered, When::always());
    dialogs.answer(plat::mb::OK, "Timeout reading Coin Mech EEPROM");
    const quenby::ReadState r = quenby::readMechMemory(ctx());
    EXPECT_FALSE(r.complete);
    EXPECT_EQ(r.stopTextId, 147);
    EXPECT_EQ(r.stopAddress, 0);
    const auto xx = sentAt("xx");
    ASSERT_EQ(xx.size(), 3u);
    for (size_t i = 1; i < xx.size(); ++i) {
        // 500 ms for the 05, 500 ms of pause, 100 ms after serial mode (already on).
        EXPECT_GE(xx[i] - xx[i - 1], 1060);
        EXPECT_LE(xx[i] - xx[i - 1], 1140);
    }
    EXPECT_EQ(dialogs.boxes()[0].title, "Error");
    EXPECT_FALSE(ts.fileExists("220Btemp.txt")) << "nothing read, nothing dumped";
}

TEST_F(CcTest, BadCheckByteEndsTheReadWithTheAddressAndNoDump)
{
    auto* mech = plugNew<CcMech>("CC", "335");
    mech->setFault(CcMech::Fault::BadCheckByte, When::from(6)); // the reply to word 5
    dialogs.answer(plat::mb::OK, "Checksum Error reading Coin Mech EEPROM Address:5");
    const quenby::ReadState r = quenby::readMechMemory(ctx());
    EXPECT_EQ(r.stopTextId, 148);
    EXPECT_EQ(r.stopAddress, 5);
    EXPECT_EQ(mech->addressesRead().size(), 6);
    EXPECT_EQ(mem.images.readImage[4], mech->word(4));
    EXPECT_EQ(mem.images.readImage[5], 0);
    EXPECT_FALSE(ts.fileExists("335temp.txt"));
    EXPECT_FALSE(mem.images.holdsWholeMemoryOf("335"));
}

TEST_F(CcTest, ATimeoutAfterABadFrameIsOneBox)
{
    auto* mech = plugNew<CcMech>("CC", "C120");
    ASSERT_TRUE(layers().ccLogon());
    mech->setFault(CcMech::Fault::BadCheckByte, When::first(1));
    dialogs.answer(plat::mb::OK, "Address:3");
    EXPECT_EQ(cc().readWord(3), -1);
    mech->setFault(CcMech::Fault::Silent, When::first(1));
    dialogs.answer(plat::mb::OK, "Timeout reading Coin Mech EEPROM");
    EXPECT_EQ(cc().readWord(4), -1);
    EXPECT_EQ(boxCount(), 2);
    EXPECT_EQ(cc().readWord(4), mech->word(4));
    layers().ccLogoff();
}

TEST_F(CcTest, AddressesAbove255Wrap)
{
    auto* mech = plugNew<CcMech>("CC", "435");
    ASSERT_TRUE(layers().ccLogon());
    port.clearTranscript();
    EXPECT_EQ(cc().readWord(0x110), mech->word(0x10));
    EXPECT_EQ(sent(), QByteArray("\x7B\x10\x8B", 3));
    layers().ccLogoff();
}

struct CcProgramTest : CcTest {
    CcMech* mech = nullptr;
    void readMech(const QString& model)
    {
        mech = plugNew<CcMech>("CC", model);
        ASSERT_TRUE(quenby::readMechMemory(ctx()).complete);
        mem.images.progImage = mem.images.readImage;
        port.clearTranscript();
        progress.events.clear();
    }
};

TEST_F(CcProgramTest, AnUnchangedImageSendsOnlyTheLogonAndLogoff)
{
    readMech("C120");
    EXPECT_TRUE(cc().program());
    EXPECT_EQ(sent(), kC120Logon + kCcLogoff);
    EXPECT_TRUE(mech->addressesWritten().isEmpty());
    EXPECT_EQ(progress.events.mid(0, 4), (QStringList{"caption EEPROM Programming", "title WRITING EEPROM IN PROGRESS",
                                                        "segment hidden", "step 0"}));
}

TEST_F(CcProgramTest, OneWordEditWritesTheWordAndTheChecksumWord)
{
    readMech("C120");
    mem.images.progImage[0x10] = 0x1234;
    quenby::fixCcEepromChecksum(quenby::mechEntry(quenby::Family::CC, "C120"), mem.images.readImage, mem.images.progImage);
    EXPECT_TRUE(cc().program());
    EXPECT_EQ(mech->addressesWritten(), (QList<int>{0x10, 127}));
    EXPECT_TRUE(sent().contains(QByteArray("\x7A\x10\x12\x34\xD0", 5)));
    EXPECT_EQ(mech->word(0x10), 0x1234);
    EXPECT_TRUE(mech->byteSumOk()); // the checksum word keeps the mech's byte sum
    EXPECT_EQ(mech->word(127), mem.images.progImage[127]);

    dialogs.answer(plat::mb::OK, "   EEPROM Verified OK   ");
    port.clearTranscript();
    const auto v = cc().verify();
    ASSERT_TRUE(v);
    EXPECT_TRUE(v->ok());
    EXPECT_TRUE(sent().startsWith("J#80C00"));
    EXPECT_TRUE(sent().endsWith(kCcLogoff + "W"));
    EXPECT_EQ(dialogs.boxes()[0].title, "EEPROM VERIFY");
    EXPECT_EQ(dialogs.boxes()[0].style, plat::mb::OKOnly);
}

TEST_F(CcProgramTest, ARefusedWordEndsTheWriteWithItsAddress)
{
    readMech("450");
    for (int a : {3, 20, 40})
        mem.images.progImage[size_t(a)] ^= 0x0101;
    mech->refuseWritesAt(20);
    dialogs.answer(plat::mb::OK, "error writing EEPROM address :20");
    EXPECT_FALSE(cc().program());
    EXPECT_EQ(mech->addressesWritten(), (QList<int>{3, 20}));
    EXPECT_EQ(dialogs.boxes()[0].title, "Error");
    EXPECT_TRUE(sent().endsWith(kCcLogoff));
}

TEST_F(CcProgramTest, NoWriteWithoutTheWholeMemoryReadFirst)
{
    readMech("C120");
    mech->setFault(CcMech::Fault::Silent, When::from(50));
    dialogs.answer(plat::mb::OK, "Timeout reading Coin Mech EEPROM");
    EXPECT_FALSE(quenby::readMechMemory(ctx()).complete);
    port.clearTranscript();
    mem.images.progImage[60] = 0x4242;
    dialogs.answer(plat::mb::OK, " 311 Error Writing EEPROM : ");
    EXPECT_FALSE(cc().program());
    EXPECT_EQ(sent(), "");
    // A read of another model's mech does not do either.
    mech->setFault(CcMech::Fault::Silent, When::never());
    mem.images.readCompleted("335");
    dialogs.answer(plat::mb::OK, " 311 Error Writing EEPROM : ");
    EXPECT_FALSE(cc().program());
    EXPECT_EQ(sent(), "");
}

TEST_F(CcProgramTest, VerifyListsEveryDifferingWordWithBothValues)
{
    readMech("C120");
    mem.images.progImage[0x10] = 0x1234;
    mem.images.progImage[0x11] = 0x4321;
    mech->writeDoesNotStickAt(0x11);
    EXPECT_TRUE(cc().program());
    dialogs.answer(plat::mb::OK, "   EEPROM Verify FAIL   ");
    const auto v = cc().verify();
    ASSERT_TRUE(v);
    EXPECT_FALSE(v->ok());
    ASSERT_EQ(v->differences.size(), 1u);
    EXPECT_EQ(v->differences[0], (quenby::WordDifference{0x11, mech->word(0x11), 0x4321}));
    EXPECT_EQ(dialogs.boxes()[0].title, "EEPROM VERIFY");
    EXPECT_EQ(dialogs.boxes()[0].style, plat::mb::Critical);
}

TEST_F(CcProgramTest, The435VerifyStopsAtWord200)
{
    readMech("435");
    mech->driftHighWords = true; // its counters move on between reads
    dialogs.answer(plat::mb::OK, "   EEPROM Verified OK   ");
    EXPECT_TRUE(cc().verify()->ok());
    EXPECT_NE(mem.images.readImage[230], mem.images.progImage[230]);
}

TEST_F(CcProgramTest, VerifyWhoseReadBackStoppedFails)
{
    readMech("C120");
    // The mech goes quiet after word 100; words it does not answer read 0 and match an image of
    // zeros there, so only the read's outcome tells.
    for (int a = 100; a < 128; ++a)
        mem.images.progImage[size_t(a)] = 0;
    mech->setFault(CcMech::Fault::Silent, When::from(101));
    dialogs.answer(plat::mb::OK, "Timeout reading Coin Mech EEPROM");
    dialogs.answer(plat::mb::OK, "   EEPROM Verify FAIL   ");
    const auto v = cc().verify();
    ASSERT_TRUE(v);
    EXPECT_TRUE(v->differences.empty());
    EXPECT_FALSE(v->ok());
}

TEST_F(CcTest, ADumpThatCannotBeWrittenIsReportedAndLeavesNoFile)
{
    plugNew<CcMech>("CC", "C120");
    plat::FileFaults faults;
    faults.noNewFiles(ts.folder());
    dialogs.answer(plat::mb::OK, " 130 Error Reading EEPROM Address : ");
    EXPECT_TRUE(quenby::readMechMemory(ctx()).complete);
    // The read was whole: the box says that only its copy failed, and which file that is.
    EXPECT_EQ(dialogs.boxes().back().text.section("\r\n", 1),
              "The memory was read whole, but its copy could not be saved: " +
                  QDir::toNativeSeparators(ts.folder() + "/C120temp.txt") + ": The folder does not allow a new file - 75");
    EXPECT_FALSE(ts.fileExists("C120temp.txt"));
    EXPECT_EQ(QDir(ts.folder()).entryList(QDir::Files), QStringList());
}

// ---- Sentinel ----

const QByteArray kSentinelLogon = "C00" + kEsc25 + "$06\r#TKI";
const QByteArray kSentinelLogoff = "\r#" + kReset;

TEST_F(CcTest, SentinelReadFillsTheImageAndTheDump)
{
    auto* mech = plugNew<sim::SentinelMech>("CC", "Sentinel");
    EXPECT_TRUE(quenby::readMechMemory(ctx()).complete);
    QByteArray requests;
    for (int a = 0; a < 64; ++a) {
        requests += "M00" + QByteArray::number(0x80 + a, 16).toUpper() + "0102\r";
        ASSERT_EQ(mem.images.readImage[size_t(a)], mech->word(a)) << a;
    }
    EXPECT_EQ(sent(), kSentinelLogon + requests + kSentinelLogoff);
    EXPECT_TRUE(sent().contains("M00850102\r"));
    EXPECT_TRUE(dump("Sentinel").startsWith("0," + QByteArray::number(mech->word(0)) + "\r\n"));
    EXPECT_EQ(QString::fromLatin1(dump("Sentinel")).count("\r\n"), 64);
}

TEST_F(CcTest, SentinelWriteOfOneWordAndTheChecksumWord)
{
    auto* mech = plugNew<sim::SentinelMech>("CC", "Sentinel");
    ASSERT_TRUE(quenby::readMechMemory(ctx()).complete);
    mem.images.progImage = mem.images.readImage;
    mem.images.progImage[5] = 0x1234;
    port.clearTranscript();
    EXPECT_TRUE(sentinel().program());
    EXPECT_EQ(mech->addressesWritten(), (QList<int>{5, 63}));
    EXPECT_TRUE(sent().startsWith(kSentinelLogon + "W0030\rW00C5\rW00453412\rW0000\rW0030\rW00FF\rW007F"));
    EXPECT_EQ(mech->word(5), 0x1234);
    EXPECT_TRUE(mech->checksumOk());
}

TEST_F(CcTest, SentinelWordsSummingToAMultipleOf256GetChecksum256)
{
    auto* mech = plugNew<sim::SentinelMech>("CC", "Sentinel", true);
    ASSERT_TRUE(quenby::readMechMemory(ctx()).complete);
    mem.images.progImage = mem.images.readImage; // all 0: the byte sum is 0
    port.clearTranscript();
    EXPECT_TRUE(sentinel().program());
    EXPECT_EQ(mem.images.progImage[63], 256);
    EXPECT_EQ(sent(), kSentinelLogon + "W0030\rW00FF\rW007F0001\rW0000\r" + kSentinelLogoff);
    EXPECT_EQ(mech->word(63), 256);
}

TEST_F(CcTest, SentinelLastWriteUnansweredEndsTheWrite)
{
    auto* mech = plugNew<sim::SentinelMech>("CC", "Sentinel");
    ASSERT_TRUE(quenby::readMechMemory(ctx()).complete);
    mem.images.progImage = mem.images.readImage;
    mem.images.progImage[2] ^= 0x0F0F;
    mem.images.progImage[9] ^= 0x0F0F;
    mech->setFault(sim::SentinelMech::Fault::LastWriteUnanswered, When::first(1));
    dialogs.answer(plat::mb::OK, "error writing EEPROM address :2");
    EXPECT_FALSE(sentinel().program());
    EXPECT_EQ(dialogs.boxes()[0].title, "Error");
    EXPECT_FALSE(sent().contains("W00C9"));
}

TEST_F(CcTest, SentinelReplyWithoutZzrEndsTheRead)
{
    auto* mech = plugNew<sim::SentinelMech>("CC", "Sentinel");
    mech->setFault(sim::SentinelMech::Fault::NoZzrOnRead, When::from(8));
    dialogs.answer(plat::mb::OK, "No ACK reading Coin Mech EEPROM");
    const quenby::ReadState r = quenby::readMechMemory(ctx());
    EXPECT_EQ(r.stopTextId, 330);
    EXPECT_EQ(r.stopAddress, 7);
    EXPECT_TRUE(sent().endsWith(kSentinelLogoff));
}

TEST_F(CcTest, ASentinelReplyCutShortOrForAnotherWordEndsTheRead)
{
    using F = sim::SentinelMech::Fault;
    for (const F fault : {F::ShortReadReply, F::ReadReplyOfWordBefore}) {
        auto* mech = plugNew<sim::SentinelMech>("CC", "Sentinel");
        mech->setFault(fault, When::from(8));
        dialogs.answer(plat::mb::OK, "No ACK reading Coin Mech EEPROM");
        const quenby::ReadState r = quenby::readMechMemory(ctx());
        EXPECT_FALSE(r.complete) << int(fault);
        EXPECT_EQ(r.stopTextId, 330);
        EXPECT_EQ(r.stopAddress, 7);
        EXPECT_EQ(mem.images.readImage[7], 0) << "word 7 is not what came";
    }
}

TEST_F(CcTest, SentinelInterfaceThatDoesNotAnswerReadsNothing)
{
    startJob("CC", "Sentinel");
    box.setFault(sim::QuenbyBox::Fault::SerialModeRefused, When::always());
    dialogs.answer(plat::mb::OK, "Serial Mode Not Set-up");
    dialogs.answer(plat::mb::OK, "Incompatible CC Interface Board");
    const quenby::ReadState r = quenby::readMechMemory(ctx());
    EXPECT_EQ(r.stopTextId, 129);
    EXPECT_FALSE(ts.fileExists("Sentineltemp.txt"));
    EXPECT_FALSE(sent().contains("<BRK")); // no logoff
}

TEST_F(CcTest, HangUpMidReadIsOnePortReportWithoutASpin)
{
    plugNew<CcMech>("CC", "435");
    box.setFault(sim::QuenbyBox::Fault::HangUpOnByteIn, When::from(200));
    dialogs.answer(plat::mb::OK, " 809 Error in COM port reception routine : ");
    dialogs.answer(plat::mb::OK, "Timeout reading Coin Mech EEPROM");
    dialogs.answer(plat::mb::OK, "No Response from Programmer Box");
    dialogs.answer(plat::mb::OK, "Stuck in Serial Comms Mode");
    const std::size_t pumps0 = sched.pumps();
    const plat::Millis t0 = sched.nowMs();
    const quenby::ReadState r = quenby::readMechMemory(ctx());
    EXPECT_FALSE(r.complete);
    EXPECT_EQ(r.stopTextId, 147);
    EXPECT_EQ(dialogs.texts().filter(" 809 ").size(), 1);
    // The waits ran on the tick: a few hundred pumps over a few seconds, no busy loop.
    EXPECT_LT(sched.pumps() - pumps0, 3000u);
    EXPECT_LT(sched.nowMs() - t0, 10000);
}

} // namespace
