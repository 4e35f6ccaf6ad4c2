#include "link_fixture.h"

#include <gtest/gtest.h>

using namespace ardwell;
using ardwell_test::Rig;

namespace {

struct LoggedOn : ::testing::Test {
    Rig rig{"330"};
    void SetUp() override
    {
        rig.link.logon();
        ASSERT_TRUE(rig.st.mechLoggedOn);
        rig.port->clearTranscript();
    }
    int framesWithHeader(const char* header) const
    {
        int n = 0;
        for (const QByteArray& line : rig.sent().split('\r'))
            n += line.size() > 8 && line.mid(4, 2) == header;
        return n;
    }
};

} // namespace

TEST_F(LoggedOn, ReadsAWord)
{
    rig.mech->setWord(5, 0xA55A);
    EXPECT_EQ(rig.link.readMemory(5).word, 0xA55A);
    EXPECT_EQ(rig.image[5], 0xA55A);
    ASSERT_EQ(rig.mech->addressesRead(), QList<int>{5});
    EXPECT_TRUE(rig.mech->received().back().payloadOk);
}

TEST_F(LoggedOn, AReplyForAnotherAddressStoresThatWordOnly)
{
    rig.mech->setWord(6, 0x0606);
    rig.image[5] = 77;
    rig.mech->setFault(sim::ArdwellMech::Fault::WrongAddress, sim::When::first(1));
    EXPECT_EQ(rig.link.readMemory(5).word, -1);
    EXPECT_EQ(rig.image[5], -1);
    EXPECT_EQ(rig.image[6], 0x0606);
}

TEST_F(LoggedOn, ABadCheckByteEndsTheWaitAtOnce)
{
    rig.mech->setFault(sim::ArdwellMech::Fault::BadCheckByte, sim::When::first(1));
    rig.image[9] = 0;
    const plat::Millis t0 = rig.now();
    EXPECT_EQ(rig.link.readMemory(9).word, -1);
    EXPECT_TRUE(rig.st.commsError);
    EXPECT_LT(rig.now() - t0, 300);
    EXPECT_EQ(rig.image[9], -1);
}

TEST_F(LoggedOn, AnAddressOutsideTheImageIsReportedNotSent)
{
    rig.ts.dialogs->answer(plat::mb::OK, "Error Read Memory routine : ");
    rig.ts.dialogs->answer(plat::mb::OK, "Subscript out of range - 9");
    EXPECT_EQ(rig.link.readMemory(4097).word, -1);
    EXPECT_EQ(rig.link.readMemory(-1).word, -1);
    EXPECT_EQ(framesWithHeader("94"), 0);
}

TEST_F(LoggedOn, RetriesThenLogsOnAgainAndReads)
{
    rig.mech->setWord(3, 0x1234);
    // 30 reads go unanswered, then the first logon request of the new logon.
    rig.mech->setFault(sim::ArdwellMech::Fault::Silent, sim::When::first(31));
    const MechKey before = rig.st.mechKey;
    EXPECT_EQ(rig.link.readMemoryRetry(3).word, 0x1234);
    EXPECT_EQ(framesWithHeader("94"), 31);
    EXPECT_EQ(rig.sent().count("%\rR\r"), 1); // one failed logon attempt
    EXPECT_TRUE(rig.st.mechLoggedOn);
    EXPECT_TRUE(before.m1 != rig.st.mechKey.m1 || before.m2 != rig.st.mechKey.m2);
}

TEST_F(LoggedOn, ABoxThatTakesNothingGivesUpAfterThirtyCycles)
{
    rig.box->setFault(sim::ArdwellBox::Fault::FrameNotTaken, sim::When::always());
    rig.ts.sched->setLimitMs(4 * 3600 * 1000);
    for (int i = 0; i < 30; ++i)
        rig.ts.dialogs->answer(plat::mb::OK, "Failed to connect to Coin mech");
    EXPECT_LT(rig.link.readMemoryRetry(3).word, 0);
    EXPECT_EQ(framesWithHeader("94"), 900);
    EXPECT_EQ(rig.ts.dialogs->boxes().size(), 30u);
}

TEST_F(LoggedOn, WritesAWordAndSeesRefusals)
{
    EXPECT_EQ(rig.link.writeMemory(10, 0xBEEF), ardwell::WriteReply::Written);
    EXPECT_EQ(rig.mech->word(10), 0xBEEF);

    rig.mech->setFault(sim::ArdwellMech::Fault::RefuseWrite, sim::When::first(1));
    const plat::Millis t0 = rig.now();
    EXPECT_NE(rig.link.writeMemory(11, 0x0001), ardwell::WriteReply::Written);
    EXPECT_TRUE(rig.st.writeRefused);
    EXPECT_LT(rig.now() - t0, 500);
    EXPECT_NE(rig.mech->word(11), 0x0001);

    rig.box->setFault(sim::ArdwellBox::Fault::FrameNotTaken, sim::When::first(1));
    EXPECT_NE(rig.link.writeMemory(12, 0x0002), ardwell::WriteReply::Written);
    EXPECT_EQ(framesWithHeader("D4"), 3);
}

TEST_F(LoggedOn, CoinDataRequests)
{
    EXPECT_TRUE(rig.link.requestCoinData1());
    EXPECT_TRUE(rig.link.requestCoinData2());
    EXPECT_TRUE(rig.sent().contains(frameLine(makeFrame({0xFF, 0x61, 0x24, 0x64, 0x8E, 0x00}))));
    EXPECT_TRUE(rig.sent().contains(frameLine(makeFrame({0xFF, 0x61, 0x24, 0x64, 0x88, 0x00}))));

    rig.box->setFault(sim::ArdwellBox::Fault::FrameNotTaken, sim::When::first(1));
    const plat::Millis t0 = rig.now();
    EXPECT_FALSE(rig.link.requestCoinData1());
    EXPECT_GE(rig.now() - t0, 2000); // the box wait, then a further second
}

TEST_F(LoggedOn, AReplyWhoseFrameChecksumIsWrongIsNoWordThoughItsPayloadPasses)
{
    rig.mech->setWord(9, 0x1234);
    rig.mech->setFault(sim::ArdwellMech::Fault::ReplyCorrupted, sim::When::first(1));
    rig.image[9] = 0;
    EXPECT_EQ(rig.link.readMemory(9).word, -1);
    EXPECT_TRUE(rig.st.commsError);
    EXPECT_EQ(rig.image[9], -1);
    EXPECT_EQ(rig.link.readMemory(9).word, 0x1234);
    EXPECT_EQ(rig.image[9], 0x1234);
}

TEST_F(LoggedOn, AReplyGivenUpOnBeforeALogonIsNotTakenUnderTheNewKey)
{
    namespace link = sim::ardwelllink;
    rig.mech->setWord(9, 0x4242);
    rig.mech->setUnreadableWord(9, sim::When::first(1));
    const link::Keys old = rig.mech->keys();
    EXPECT_EQ(rig.link.readMemory(9).word, -1); // given up: the mech's answer is still on its way

    // That answer, 4242 under the old keys, after a logon whose keys make it read as a good
    // payload for word 9 once more; meanwhile the word has changed.
    QByteArray plain;
    plain.append(char(0)).append(char(9)).append(char(0x42)).append(char(0x42));
    plain.append(char(link::zeroSumByte(plain)));
    const QByteArray c = link::encipher(plain, old);
    link::Keys next = old;
    bool found = false;
    for (int k = 1; k < 0x10000 && !found; ++k) {
        next.m1 = std::uint8_t(k >> 8);
        next.m2 = std::uint8_t(k & 255);
        found = (next.m1 != old.m1 || next.m2 != old.m2) && link::decipher(c, next) == plain;
    }
    ASSERT_TRUE(found);
    rig.mech->setWord(9, 0x1111);
    rig.st.mechKey = {next.m1, next.m2};
    rig.ts.sched->callAfter(1, [&] {
        rig.port->reply(link::toLine(link::frame(rig.mech->hostAddress(), rig.mech->busAddress(), link::hdr::ReadReply, c)), 0);
    });
    EXPECT_NE(rig.link.readMemory(9).word, 0x4242);
    EXPECT_NE(rig.image[9], 0x4242);
}
