#include "tests/sim/ardwell_rig.h"

#include "ardwell/link/cipherconsts.h"

#include <gtest/gtest.h>
#include <stdexcept>

using namespace ardwell_sim_test;
using sim::ArdwellBox;
using sim::ArdwellMech;

TEST(ArdwellLinkCipher, MatchesTheWorkedExamples)
{
    EXPECT_EQ(al::rotateLeft(0x81, 3), 0x0C);
    EXPECT_EQ(al::rotateLeft(0x80, 1), 0x01);
    EXPECT_EQ(al::zeroSumByte(bytes({0xFF, 0x61, 0x04})), 0x9C);
    EXPECT_EQ(al::zeroSumByte(bytes({0, 0, 0x12, 0x34})), 0xBA);
    EXPECT_EQ(al::toLine(al::frame(0x01, 0x21, 0x04)), "012104DA\r");
    EXPECT_EQ(al::toLine(al::frame(0x00, 0x20, 0x24, bytes({0x70, 0, 0, 0}))), "002024700000004C\r");
}

TEST(ArdwellLinkCipher, RoundTripsAndAGarbledByteSpreadsToTheNextTwoOnly)
{
    const al::Keys keys{ardwell::cipher::K1, ardwell::cipher::K2, 0x17, 0xE2};
    const QByteArray plain = bytes({0x00, 0x05, 0x12, 0x34, 0xB5, 0x77, 0x01});
    const QByteArray c = al::encipher(plain, keys);
    EXPECT_NE(c, plain);
    EXPECT_EQ(al::decipher(c, keys), plain);

    QByteArray bad = c;
    bad[1] = char(bad[1] ^ 0x40);
    const QByteArray out = al::decipher(bad, keys);
    EXPECT_EQ(out[0], plain[0]);
    EXPECT_NE(out[1], plain[1]);
    EXPECT_EQ(out.mid(4), plain.mid(4));

    // Other mech keys give another stream.
    EXPECT_NE(al::encipher(plain, {keys.k1, keys.k2, 0x18, 0xE2}), c);
}

TEST(ArdwellBox, AnswersStatusVersionAndEveryKnownCommand)
{
    Rig r;
    EXPECT_EQ(r.exchange("S"), QList<QByteArray>{">READY"});
    EXPECT_EQ(r.exchange("V"), QList<QByteArray>{"<V2.10"});
    for (const QByteArray cmd : {"%", "|", "&", "$", "?", "{", "+", "[04", "#FA", "Z", "R"}) {
        const auto lines = r.exchange(cmd);
        ASSERT_EQ(lines.size(), 1) << cmd.constData();
        EXPECT_FALSE(lines[0].startsWith('X') || lines[0].startsWith('Y')) << cmd.constData();
    }
    EXPECT_TRUE(r.exchange("Q").isEmpty());
    EXPECT_TRUE(r.exchange("[4").isEmpty());
    EXPECT_EQ(r.box.hopperPulses(), 1);
    EXPECT_EQ(r.box.dispenses(), QList<QByteArray>{"04"});
    EXPECT_EQ(r.box.lastOutputMask(), 0xFA);
    EXPECT_EQ(r.box.statusRequests(), 1);
}

TEST(ArdwellBox, AssemblesLinesAcrossWritesAndDropsOverlongOnes)
{
    Rig r;
    r.port.write("\n");
    r.port.write("\rS");
    EXPECT_EQ(r.exchange(""), QList<QByteArray>{">READY"});
    EXPECT_TRUE(r.exchange(QByteArray(300, 'S')).isEmpty());
    EXPECT_EQ(r.exchange("S"), QList<QByteArray>{">READY"});
}

TEST(ArdwellBox, SilentBoxAndLateStatusAnswer)
{
    Rig r;
    r.box.setSilent(true);
    EXPECT_TRUE(r.exchange("S").isEmpty());
    EXPECT_TRUE(r.exchange("%").isEmpty());
    r.box.setSilent(false);

    r.box.setFault(ArdwellBox::Fault::StatusUnanswered, sim::When::first(2));
    EXPECT_TRUE(r.exchange("S").isEmpty());
    EXPECT_EQ(r.exchange("V"), QList<QByteArray>{"<V2.10"});
    EXPECT_TRUE(r.exchange("S").isEmpty());
    EXPECT_EQ(r.exchange("S"), QList<QByteArray>{">READY"});
    EXPECT_EQ(r.exchange("S"), QList<QByteArray>{">READY"});
}

TEST(ArdwellBox, PowerCommandsFollowTheMechsSupply)
{
    Rig r330("330");
    r330.exchange("W");
    EXPECT_FALSE(r330.mech.powered());
    r330.exchange("Z");
    EXPECT_TRUE(r330.mech.powered());
    r330.exchange("R");
    EXPECT_FALSE(r330.mech.powered());

    Rig pca("PCA");
    pca.exchange("Z");
    EXPECT_FALSE(pca.mech.powered()) << "the PCA runs on the other supply";
    pca.exchange("W");
    EXPECT_TRUE(pca.mech.powered());
    pca.exchange("R");
    EXPECT_FALSE(pca.mech.powered());
}

TEST(ArdwellBox, RelaysFramesOnlyAfterAmpersandAndTakesOnlyGoodOnes)
{
    Rig r;
    r.exchange("Z");
    EXPECT_TRUE(r.logon().isEmpty());
    EXPECT_FALSE(r.mech.loggedOn());

    r.exchange("&");
    QByteArray badSum = al::frame(0xFF, 0x61, 0x24, bytes({0xCA, 1, 2})).toHex().toUpper();
    badSum[badSum.size() - 1] = badSum.endsWith('0') ? '1' : '0';
    EXPECT_TRUE(r.exchange(badSum).isEmpty());
    EXPECT_EQ(r.box.framesRefused().size(), 1);

    const auto lines = r.logon();
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0], "X");
    EXPECT_EQ(headerOf(lines[1]), 0x44);
    EXPECT_EQ(lines[1], lines[1].toUpper());
    EXPECT_TRUE(al::sumsToZero(frameOf(lines[1])));
    EXPECT_EQ(std::uint8_t(frameOf(lines[1])[0]), 0x61);
    EXPECT_EQ(std::uint8_t(frameOf(lines[1])[1]), 0xFF);

    r.exchange("%");
    EXPECT_TRUE(r.logon().isEmpty()) << "relaying ends with %";
}

TEST(ArdwellMech, EveryLogonHandsOutFreshKeysAndAWrongKeyIsRefused)
{
    Rig r;
    r.powerAndRelay();
    QSet<QByteArray> seen;
    for (int i = 0; i < 5; ++i) {
        const auto lines = r.logon();
        ASSERT_EQ(lines.size(), 2);
        const QByteArray f = frameOf(lines[1]);
        EXPECT_EQ(std::uint8_t(f[3]), 0xCA);
        EXPECT_EQ(std::uint8_t(f[4]), r.keys().m1);
        EXPECT_EQ(std::uint8_t(f[5]), r.keys().m2);
        seen.insert(f.mid(4, 2));
    }
    EXPECT_GE(seen.size(), 4);
    EXPECT_EQ(r.mech.logons(), 5);

    const auto lines = r.sendFrame(0x24, bytes({0xCA, ardwell::cipher::K1 ^ 1, ardwell::cipher::K2}));
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(headerOf(lines[1]), 0xE4);
    EXPECT_FALSE(r.mech.loggedOn());
}

TEST(ArdwellMech, RefusesReadsWithoutLogonBeyondItsEepromOrAfterAPowerCycle)
{
    Rig r("330");
    r.powerAndRelay();
    EXPECT_EQ(headerOf(r.read(1).value(1)), 0xE4);
    r.logon();
    EXPECT_EQ(headerOf(r.read(127).value(1)), 0xB4);
    EXPECT_EQ(headerOf(r.read(128).value(1)), 0xE4);

    // Enciphered with yesterday's keys: the payload check fails.
    const al::Keys old = r.keys();
    r.logon();
    QByteArray p = bytes({0, 7});
    p.append(char(al::zeroSumByte(p)));
    EXPECT_EQ(headerOf(r.sendFrame(0x94, al::encipher(p, old)).value(1)), 0xE4);

    r.exchange("R");
    r.powerAndRelay();
    EXPECT_EQ(headerOf(r.read(1).value(1)), 0xE4);
}

TEST(ArdwellMech, WriteFaultKnobs)
{
    Rig r;
    r.powerAndRelay();
    r.logon();
    const quint16 before = r.mech.word(50);

    r.mech.setFault(ArdwellMech::Fault::RefuseWrite, sim::When::first(2));
    EXPECT_EQ(headerOf(r.write(50, 1).value(1)), 0xE4);
    EXPECT_EQ(headerOf(r.write(50, 2).value(1)), 0xE4);
    EXPECT_EQ(r.mech.word(50), before);
    EXPECT_EQ(headerOf(r.write(50, 3).value(1)), 0x04);

    r.mech.refuseWritesAt(51);
    EXPECT_EQ(headerOf(r.write(51, 9).value(1)), 0xE4);
    EXPECT_EQ(headerOf(r.write(51, 9).value(1)), 0xE4);
    EXPECT_EQ(headerOf(r.write(52, 9).value(1)), 0x04);
    r.mech.refuseWritesAt(-1);

    r.mech.setFault(ArdwellMech::Fault::RefuseWrite, sim::When::always());
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(headerOf(r.write(53, 9).value(1)), 0xE4);
    r.mech.setFault(ArdwellMech::Fault::RefuseWrite, sim::When::never());

    r.mech.storeDifferentValueAt(54, 0xBEEF);
    EXPECT_EQ(headerOf(r.write(54, 0x0001).value(1)), 0x04);
    EXPECT_EQ(r.mech.word(54), 0xBEEF);
}

TEST(ArdwellMech, ReadFaultKnobs)
{
    Rig r;
    r.powerAndRelay();
    r.logon();

    r.mech.setFault(ArdwellMech::Fault::Silent, sim::When::first(2));
    EXPECT_EQ(r.read(5), QList<QByteArray>{"X"});
    EXPECT_EQ(r.read(5), QList<QByteArray>{"X"});
    EXPECT_EQ(r.read(5).size(), 2);

    r.mech.setFault(ArdwellMech::Fault::BadCheckByte, sim::When::first(1));
    QByteArray plain = al::decipher(frameOf(r.read(5).value(1)).mid(3, 5), r.keys());
    EXPECT_FALSE(al::sumsToZero(plain));
    EXPECT_EQ(std::uint8_t(al::zeroSumByte(plain)), 0xFF) << "the plain bytes sum to 1";
    plain = al::decipher(frameOf(r.read(5).value(1)).mid(3, 5), r.keys());
    EXPECT_TRUE(al::sumsToZero(plain));

    r.mech.setFault(ArdwellMech::Fault::WrongAddress, sim::When::first(1));
    plain = al::decipher(frameOf(r.read(5).value(1)).mid(3, 5), r.keys());
    EXPECT_EQ(std::uint8_t(plain[1]), 6);
    EXPECT_EQ(std::uint8_t(plain[2]) * 256 + std::uint8_t(plain[3]), r.mech.word(6));
    EXPECT_TRUE(al::sumsToZero(plain));

    r.box.setFault(ArdwellBox::Fault::FrameNotTaken, sim::When::first(1));
    EXPECT_TRUE(r.read(5).isEmpty());
    EXPECT_EQ(r.read(5).size(), 2);
}

TEST(ArdwellMech, IgnoresFramesForAnotherBusAddressButRecordsThem)
{
    Rig r("560");
    r.powerAndRelay();
    const auto lines = r.exchange(al::frame(0xFF, 0x61, 0x24, bytes({0xCA, ardwell::cipher::K1, ardwell::cipher::K2}))
                                      .toHex()
                                      .toUpper());
    EXPECT_EQ(lines, QList<QByteArray>{"X"});
    ASSERT_EQ(r.mech.received().size(), 1u);
    EXPECT_FALSE(r.mech.received()[0].addressedHere);
    EXPECT_EQ(r.mech.received()[0].kind, sim::MechFrameRecord::Logon);
    EXPECT_EQ(r.logon().size(), 2);
}

TEST(ArdwellMech, PlainCommandsAreAcknowledgedUnknownOnesRefused)
{
    Rig r("PCA");
    r.exchange("W");
    r.exchange("&");
    for (const QByteArray& data : {bytes({0x6F, 0}), bytes({0x64, 0x8E}), bytes({0x64, 0x0F}), bytes({0x70, 0, 0, 0})})
        EXPECT_EQ(headerOf(r.sendFrame(0x24, data).value(1)), 0x04);
    EXPECT_FALSE(r.mech.coinDataRequested());
    EXPECT_TRUE(r.mech.acceptingAll());
    EXPECT_EQ(headerOf(r.sendFrame(0x24, bytes({0x64, 0x8E, 0})).value(1)), 0x04);
    EXPECT_FALSE(r.mech.coinDataRequested()) << "one of the two requests";
    EXPECT_EQ(headerOf(r.sendFrame(0x24, bytes({0x64, 0x88, 0})).value(1)), 0x04);
    EXPECT_TRUE(r.mech.coinDataRequested());
    r.sendFrame(0x24, bytes({0x6F, 0}));
    EXPECT_FALSE(r.mech.coinDataRequested()) << "ReInitialise ends both modes";
    EXPECT_FALSE(r.mech.acceptingAll());
    r.requestCoinData();
    r.acceptAll();
    r.exchange("R");
    EXPECT_FALSE(r.mech.coinDataRequested()) << "and so does power";
    EXPECT_FALSE(r.mech.acceptingAll());
    r.powerAndRelay();

    // Only those exact bytes: a neighbour of each is refused.
    for (const QByteArray& data : {bytes({0x55}), QByteArray(), bytes({0x6F}), bytes({0x6F, 1}), bytes({0x6F, 0, 0}),
                                   bytes({0x64, 0x8F}), bytes({0x64, 0x0F, 0}), bytes({0x64, 0x8E, 1}),
                                   bytes({0x64, 0x89, 0}), bytes({0x70, 0, 0, 1}), bytes({0x70, 0, 0})})
        EXPECT_EQ(headerOf(r.sendFrame(0x24, data).value(1)), 0xE4) << data.toHex().constData();

    r.sendFrame(0x04, {});
    EXPECT_EQ(r.mech.acknowledgements(), 1);
}

TEST(ArdwellMech, EventsGoOutOnlyWhilePoweredAndRelayed)
{
    Rig r("560");
    EXPECT_FALSE(r.mech.acceptCoin(2, 7));
    r.exchange("Z");
    EXPECT_FALSE(r.mech.rejectCoin(0)) << "box not relaying";
    r.exchange("&");
    r.inbox.clear();
    EXPECT_TRUE(r.mech.acceptCoin(2, 7));
    EXPECT_TRUE(r.mech.rejectCoin(13));
    // Nobody answers them: each waits its second for the message understood.
    r.sched.advance(200);
    EXPECT_EQ(r.lines(), QList<QByteArray>{"2101240102B7"});
    r.sched.advance(1000);
    EXPECT_EQ(r.lines().value(1), "2101240307B0");
    r.sched.advance(1000);
    ASSERT_EQ(r.lines().size(), 3);
    EXPECT_EQ(r.lines()[2].mid(4, 6), "24050D");
    r.sched.advance(1000);
    EXPECT_EQ(r.mech.eventsSent(), 3);
    EXPECT_EQ(r.mech.eventsUnanswered(), 3);
    EXPECT_EQ(r.mech.acknowledgements(), 0);

    r.inbox.clear();
    r.box.sendStatus(0x41);
    r.sched.advance(50);
    EXPECT_EQ(r.inbox, "@41\r");
}

TEST(ArdwellMech, CoinDataPacksIndexAndBothFourteenBitValues)
{
    Rig r;
    r.powerAndRelay();
    r.answerEvents = true;
    r.inbox.clear();
    ASSERT_TRUE(r.mech.sendCoinData({-8192, 8191, -1, 100, 5, 6, 777}, {4095, 16383, 0, 12, 34}));
    r.sched.advance(600);
    EXPECT_EQ(r.mech.acknowledgements(), 6);
    EXPECT_EQ(r.mech.eventsUnanswered(), 0);
    auto lines = r.lines();
    lines.removeAll("X"); // the box took our answers
    ASSERT_EQ(lines.size(), 6);
    // Characters 9..16 of each line, as the program reads them.
    EXPECT_EQ(lines[0].mid(8, 8), "08000FFF");
    EXPECT_EQ(lines[1].mid(8, 8), "17FFFFFF");
    for (int i = 0; i < 6; ++i) {
        const QByteArray l = lines[i];
        EXPECT_EQ(l.mid(4, 4), "2409");
        EXPECT_EQ(l.mid(8, 1).toInt(nullptr, 16), i);
        const int a = qint16(l.mid(9, 4).toUInt(nullptr, 16));
        const int b = l.mid(12, 4).toInt(nullptr, 16) & 0x3FFF;
        const int expectA[6] = {-8192, 8191, -1, 100, 5, 6};
        const int expectB[6] = {4095, 16383, 0, 12, 777, 34};
        EXPECT_EQ(a >> 2, expectA[i]) << i; // arithmetic shift rounds down like the program
        EXPECT_EQ(b, expectB[i]) << i;
    }
}

TEST(ArdwellMech, WindowRecordPacksLimitsWidthsSignsAndLevel)
{
    ArdwellMech m("330");
    // Coin 4 (index 3): low bytes of words 47..59.
    m.setWindowRecord(3, 9, {100, -2000, 5, 4095}, {20, 255, 0, 16});
    QList<int> r;
    for (int i = 0; i < 13; ++i)
        r.append(m.word(47 + i) & 0xFF);
    EXPECT_EQ(r, (QList<int>{0x44, 0x77, 0x74, 6, 65, 71, 208, 255, 0, 80, 15, 255, 16}));
    EXPECT_EQ(m.word(47) >> 8, 0x44) << "coin 3's high byte is left alone";
}

TEST(ArdwellBox, InsideAProgramKeepsOnlyItsNewestRecords)
{
    Rig r("560");
    r.box.keepRecentRecords(8);
    r.powerAndRelay();
    r.answerEvents = true;
    for (int i = 0; i < 100; ++i) {
        r.mech.acceptCoin(2, 7);
        r.sched.advance(2000);
    }
    EXPECT_EQ(r.mech.eventsSent(), 200);
    EXPECT_EQ(r.mech.acknowledgements(), 200);
    EXPECT_LT(r.port.transcript().size(), 16u);
    EXPECT_LT(r.mech.received().size(), 16u);
    ASSERT_FALSE(r.mech.received().empty());
    EXPECT_EQ(r.mech.received().back().kind, sim::MechFrameRecord::Ack) << "the newest are kept";
    EXPECT_EQ(r.port.transcript().back().kind, sim::TranscriptEntry::Received);
}
