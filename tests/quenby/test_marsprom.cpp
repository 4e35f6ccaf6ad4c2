// The Mars PROM through the box's socket: reads of both sizes, burns (bipolar rows thrice), the
// verify and the validator timings, on virtual time against the simulated socket.
#include "quenby/link/marsprom.h"
#include "sim/marssocket.h"
#include "tests/quenby/mech_fixture.h"

namespace {

using namespace quenby_tests;
using quenby::MarsPromFamily;
using sim::MarsProm;
using sim::MarsSocket;
using sim::When;

struct MarsTest : MechTest {
    MarsSocket* socket = nullptr;

    MarsSocket* plugSocket(const QString& model, MarsProm prom)
    {
        socket = static_cast<MarsSocket*>(startJob("Mars", model, std::make_unique<MarsSocket>(model)));
        socket->insert(std::move(prom));
        return socket;
    }
    MarsPromFamily mars() { return MarsPromFamily(ctx(), quenby::mechEntry(quenby::Family::Mars, job.mechModel)); }
    // A progImage of nibbles that differ from address to address.
    void pattern()
    {
        for (int a = 0; a < 512; ++a)
            mem.images.progImage[size_t(a)] = (a * 7 + 3) % 16;
    }
    QByteArray row(int first, int count) const
    {
        QByteArray out = "P" + QByteArray::number(first, 16).toUpper().rightJustified(3, '0');
        for (int a = first; a < first + count; ++a)
            out += QByteArray::number(mem.images.progImage[size_t(a)], 16).toUpper();
        return out + "\r";
    }
    void select(std::initializer_list<int> segments)
    {
        for (int s = 0; s < 5; ++s)
            mem.coins.segmentSelected(s) = false;
        for (int s : segments)
            mem.coins.segmentSelected(s) = true;
    }
};

TEST_F(MarsTest, OneKPromReadsIntoTheImage)
{
    plugSocket("ME111", MarsSocket::typicalProm("ME111", 256));
    mem.promSize = 0;
    mem.images.readImage.fill(9);
    const quenby::ReadState r = quenby::readMechMemory(ctx());
    EXPECT_EQ(sent(), "EA");
    EXPECT_TRUE(r.complete);
    for (int a = 0; a < 256; ++a)
        ASSERT_EQ(mem.images.readImage[size_t(a)], socket->nibble(a)) << a;
    EXPECT_EQ(mem.images.readImage[256], 0); // cleared before the read
    EXPECT_EQ(mem.images.readImage[512], 9); // the element past the PROM is left alone
    EXPECT_TRUE(mem.images.holdsWholeMemoryOf("ME111"));
}

TEST_F(MarsTest, TwoKPromReadEndsWithTheLineOfAddress511)
{
    plugSocket("MS1400", MarsSocket::typicalProm("MS1400", 512));
    mem.promSize = 1;
    const plat::Millis t0 = sched.nowMs();
    EXPECT_TRUE(quenby::readMechMemory(ctx()).complete);
    EXPECT_EQ(sent(), "EK");
    EXPECT_EQ(mem.images.readImage[511], socket->nibble(511));
    // 32 lines of 36 characters at 9600 baud, not the 10 s time-out.
    EXPECT_LT(sched.nowMs() - t0, 1500);
}

TEST_F(MarsTest, ReadWhoseTopLineIsLostTimesOutAfterTenSeconds)
{
    plugSocket("ME111", MarsSocket::typicalProm("ME111", 512));
    socket->setFault(MarsSocket::Fault::TopLineLost, When::always());
    mem.promSize = 1;
    dialogs.answer(plat::mb::OK, "Unable to Read PROM : timed out");
    const quenby::ReadState r = quenby::readMechMemory(ctx());
    EXPECT_FALSE(r.complete);
    EXPECT_EQ(r.stopTextId, 101);
    const plat::Millis waited = dialogs.boxes()[0].at - sentAt("K")[0];
    EXPECT_GE(waited, 9980);
    EXPECT_LE(waited, 10000);
    EXPECT_EQ(dialogs.boxes()[0].title, "Error");
    EXPECT_EQ(mem.images.readImage[495], socket->nibble(495)); // the lines that came are kept
    EXPECT_EQ(mem.images.readImage[500], 0);
}

TEST_F(MarsTest, GarbledLineIsOneReportAndTheReadIsIncomplete)
{
    plugSocket("ME111", MarsSocket::typicalProm("ME111", 256));
    socket->setFault(MarsSocket::Fault::GarbledLine, When::first(1));
    dialogs.answer(plat::mb::OK, " 107 Error Decoding PROM Data : ");
    const quenby::ReadState r = quenby::readMechMemory(ctx());
    EXPECT_FALSE(r.complete);
    EXPECT_EQ(r.stopTextId, 107);
    EXPECT_EQ(mem.images.readImage[0], 0); // nothing of the refused line
    EXPECT_EQ(mem.images.readImage[16], socket->nibble(16));
}

TEST_F(MarsTest, BurningASegmentSendsRowsAndMovesTheBar)
{
    plugSocket("ME111", MarsProm::blank(512, MarsProm::Kind::Ombrix));
    pattern();
    mem.currentSegment = 1;
    EXPECT_TRUE(mars().programRange(0, 127));
    QByteArray rows;
    for (int a = 0; a < 128; a += 16)
        rows += row(a, 16);
    EXPECT_EQ(sent(), rows);
    for (int a = 0; a < 128; ++a)
        ASSERT_EQ(socket->nibble(a), mem.images.progImage[size_t(a)]) << a;
    EXPECT_EQ(socket->nibble(128), 0);
    EXPECT_EQ(progress.without({"show", "segment"}),
              (QStringList{"caption Programming", "title PROM PROGRAMMING IN PROGRESS", "step 2", "step 4", "step 6",
                           "step 8", "step 10", "step 12", "step 14", "step 16", "hide", "unload"}));
    EXPECT_EQ(progress.events.count("segment shown"), 1);
    EXPECT_EQ(progress.events.count("segment 1"), 8);
}

TEST_F(MarsTest, ShortLastRowAndASingleAddress)
{
    plugSocket("ME111", MarsProm::blank(512, MarsProm::Kind::Ombrix));
    pattern();
    // 21 words: a row of 16 digits and "P010" with 5.
    EXPECT_TRUE(mars().programRange(0, 20));
    EXPECT_EQ(sent(), "P0003A18F6D4B2907E5C\rP0103A18F\r");
    EXPECT_EQ(progress.steps, (std::vector<int>{12, 16}));
    // One address: nothing to divide by, the bar is full.
    port.clearTranscript();
    progress.steps.clear();
    EXPECT_TRUE(mars().programRange(5, 5));
    EXPECT_EQ(sent(), "P0056\r");
    EXPECT_EQ(progress.steps, (std::vector<int>{16}));
}

TEST_F(MarsTest, BipolarRowsGoThreeTimesEachAwaited)
{
    plugSocket("ME111", MarsProm::blank(512, MarsProm::Kind::Bipolar));
    socket->prom();
    pattern();
    mem.bipolarProm = true;
    EXPECT_TRUE(mars().programRange(0, 31));
    EXPECT_EQ(sent(), row(0, 16).repeated(3) + row(16, 16).repeated(3));
    EXPECT_EQ(socket->rowsBurnt().size(), 6);
    // Each burn waits for its "Z": six acknowledgements, six shows of the window.
    EXPECT_EQ(progress.events.count("show"), 6);
    EXPECT_EQ(progress.steps, (std::vector<int>{8, 8, 8, 16, 16, 16}));
}

TEST_F(MarsTest, FusesNeedingTwoBurnsPassOnlyWhenBurntThrice)
{
    for (bool bipolar : {false, true}) {
        SCOPED_TRACE(bipolar);
        MarsProm prom = MarsProm::blank(512, MarsProm::Kind::Bipolar);
        prom.fusesNeedTwoBurns = true;
        plugSocket("ME111", prom);
        pattern();
        mem.promSize = 0;
        mem.bipolarProm = bipolar;
        select({0});
        mem.currentSegment = 1;
        EXPECT_TRUE(mars().programRange(0, 127));
        dialogs.answer(plat::mb::OK, bipolar ? "Verify PROM OK" : "Verify PROM FAILED");
        const auto v = mars().verify();
        ASSERT_TRUE(v);
        EXPECT_EQ(v->ok(), bipolar);
        EXPECT_EQ(v->differences.empty(), bipolar);
    }
}

TEST_F(MarsTest, AWordThatIsNoNibbleBurnsNothingOfTheRange)
{
    plugSocket("ME111", MarsProm::blank(512, MarsProm::Kind::Ombrix));
    pattern();
    mem.images.progImage[70] = 16; // a coin value of 256 remapped: its high word is 16
    dialogs.answer(plat::mb::OK, " 106 Error Writing PROM Data :  \r\nNo nibble at PROM address 70 - 9");
    EXPECT_FALSE(mars().programRange(0, 127));
    EXPECT_EQ(sent(), "");
    EXPECT_TRUE(socket->rowsBurnt().isEmpty());
    EXPECT_EQ(progress.without({}), (QStringList{"caption Programming", "title PROM PROGRAMMING IN PROGRESS",
                                                 "segment shown", "hide", "unload"}));
}

TEST_F(MarsTest, UnacknowledgedRowIsNotSentAgainAndTheVerifyFindsIt)
{
    plugSocket("ME111", MarsProm::blank(512, MarsProm::Kind::Ombrix));
    pattern();
    socket->setFault(MarsSocket::Fault::RowAckMissing, When::first(1));
    socket->nibbleDoesNotStickAt(7);
    select({0});
    EXPECT_FALSE(mars().programRange(0, 127));
    EXPECT_EQ(socket->rowsBurnt().size(), 8);
    // The first row's acknowledgement was awaited for 5 s.
    const auto rows = sentAt(row(16, 16));
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_GE(rows[0], 4980);
    EXPECT_LE(rows[0], 5020);

    dialogs.answer(plat::mb::OK, "Verify PROM FAILED");
    const auto v = mars().verify();
    ASSERT_TRUE(v);
    EXPECT_FALSE(v->ok());
    EXPECT_TRUE(v->readComplete);
    ASSERT_EQ(v->differences.size(), 1u);
    EXPECT_EQ(v->differences[0], (quenby::WordDifference{7, 0, mem.images.progImage[7]}));
    EXPECT_EQ(dialogs.boxes()[0].title, "Verify");
    EXPECT_EQ(dialogs.boxes()[0].style, plat::mb::Exclamation);
}

TEST_F(MarsTest, VerifyOfAReadThatStoppedEarlyFailsEvenWhereZerosMatch)
{
    // A blank PROM and an image of zeros over the selected segment: the words the read did not
    // reach read 0 and match, so only the read's outcome tells.
    plugSocket("ME111", MarsProm::blank(256, MarsProm::Kind::Ombrix));
    socket->setFault(MarsSocket::Fault::TopLineLost, When::always());
    mem.promSize = 0;
    select({1});
    dialogs.answer(plat::mb::OK, "Unable to Read PROM : timed out");
    dialogs.answer(plat::mb::OK, "Verify PROM FAILED");
    const auto v = mars().verify();
    ASSERT_TRUE(v);
    EXPECT_TRUE(v->differences.empty());
    EXPECT_FALSE(v->ok());
}

TEST_F(MarsTest, ProgrammingBurnsEachSelectedSegmentWithItsNumber)
{
    plugSocket("MS1000", MarsProm::blank(512, MarsProm::Kind::Ombrix));
    pattern();
    mem.promSize = 1;
    select({0, 2});
    EXPECT_TRUE(mars().program());
    EXPECT_EQ(socket->rowsBurnt().size(), 16);
    EXPECT_TRUE(socket->rowsBurnt()[8].startsWith("P100"));
    EXPECT_EQ(progress.events.count("segment 1"), 8);
    EXPECT_EQ(progress.events.count("segment 3"), 8);
    EXPECT_EQ(progress.events.count("unload"), 2);
    EXPECT_EQ(mem.currentSegment, 3);

    // An ME181 burns its two segments of 256 addresses.
    plugSocket("ME181", MarsProm::blank(512, MarsProm::Kind::Ombrix));
    select({1});
    port.clearTranscript();
    EXPECT_TRUE(mars().program());
    EXPECT_EQ(socket->rowsBurnt().size(), 16);
    EXPECT_TRUE(socket->rowsBurnt()[0].startsWith("P100"));
    EXPECT_TRUE(socket->rowsBurnt()[15].startsWith("P1F0"));
}

TEST_F(MarsTest, TimingsConfirmedByTheStatusLine)
{
    startJob("Mars", "MS1400");
    EXPECT_TRUE(quenby::setupTimings(ctx(), "MS1400"));
    EXPECT_EQ(sent(), "C02Z150150150425\rS");
    port.clearTranscript();
    EXPECT_TRUE(quenby::setupTimings(ctx(), "MS130B1"));
    EXPECT_EQ(sent(), "Z030020150100\rS");
    EXPECT_EQ(box.timings[0], "30");
}

TEST_F(MarsTest, TimingsNeverStoredAreTriedSixTimesThenReported)
{
    startJob("Mars", "MS1400");
    box.setFault(sim::QuenbyBox::Fault::TimingsNotStored, When::always());
    dialogs.answer(plat::mb::OK, "Failed to set up validator timings after 5 retries");
    EXPECT_FALSE(quenby::setupTimings(ctx(), "MS1400"));
    EXPECT_EQ(sent(), QByteArray("C02Z150150150425\rS").repeated(6));
    EXPECT_EQ(dialogs.boxes()[0].title, "Error");
    EXPECT_EQ(dialogs.boxes()[0].style, plat::mb::Information);
}

} // namespace
