// The Mars PROM socket of the simulated first box: reads as "R" lines, burnt rows and their "Z",
// bipolar and Ombrix PROMs, swapping PROMs, and the socket's named faults.
#include "sim/marssocket.h"
#include "tests/sim/quenbyrig.h"

#include <gtest/gtest.h>

using namespace quenbysim;
using sim::MarsProm;
using sim::MarsSocket;
using Fault = sim::MarsSocket::Fault;

namespace {

QList<QByteArray> lines(const QByteArray& in)
{
    QList<QByteArray> out = in.split('\r');
    if (!out.isEmpty() && out.last().isEmpty())
        out.removeLast();
    return out;
}

struct MarsRig : Rig {
    MarsSocket socket{"ME111"};
    MarsRig() { box.plug(&socket); }
};

} // namespace

TEST(QuenbyMars, ReadsTheWholePromAsRLinesTopAddressLast)
{
    MarsRig r;
    const QList<QByteArray> k = lines(r.exchange("K", 3000));
    ASSERT_EQ(k.size(), 32);
    // Word 0 is 15, then position A's thickness window 804..870 and position B's from 840.
    EXPECT_EQ(k[0], "R000 F 4 2 3 6 6 3 8 4 3 C 8 3 B 6 3");
    // Words 109 and 110, the marker 0, then "GB050" and "A12" as high and low nibbles.
    EXPECT_EQ(k[6], "R060 8 5 7 8 9 2 9 9 B 8 3 7 9 3 7 0");
    EXPECT_EQ(k[7], "R070 4 7 4 2 3 0 3 5 3 0 4 1 3 1 3 2");
    EXPECT_EQ(k[31], "R1F0 4 7 4 2 3 0 3 5 3 0 4 1 3 1 3 2");
    for (const QByteArray& l : k)
        EXPECT_EQ(l.size(), 36) << l.constData();

    const QList<QByteArray> a = lines(r.exchange("A", 3000));
    ASSERT_EQ(a.size(), 16);
    EXPECT_EQ(a[15].left(4), "R0F0");
    EXPECT_EQ(r.socket.reads(), 2);
}

TEST(QuenbyMars, EmptySocketAndA1kPromWhenTheWholeIsRead)
{
    MarsRig r;
    r.socket.remove();
    EXPECT_EQ(lines(r.exchange("A", 3000)).at(3), "R030 F F F F F F F F F F F F F F F F");

    MarsProm small = MarsProm::blank(256);
    small.nibbles[5] = 9;
    r.socket.insert(small);
    const QList<QByteArray> k = lines(r.exchange("K", 3000));
    EXPECT_EQ(k[0], "R000 0 0 0 0 0 9 0 0 0 0 0 0 0 0 0 0");
    EXPECT_EQ(k[16], "R100" + k[0].mid(4)) << "a 1K PROM repeats above address 255";
}

TEST(QuenbyMars, ReadFaults)
{
    MarsRig r;
    r.socket.setFault(Fault::TopLineLost, sim::When::first(1));
    QList<QByteArray> k = lines(r.exchange("K", 3000));
    ASSERT_EQ(k.size(), 31);
    EXPECT_EQ(k.last().left(4), "R1E0");
    EXPECT_EQ(lines(r.exchange("K", 3000)).size(), 32) << "only the first read";

    r.socket.setFault(Fault::GarbledLine, sim::When::first(3));
    k = lines(r.exchange("A", 3000));
    EXPECT_EQ(k[2], "R020 G 3 6 2 4 3 7 5 7 E 5 6 A 5 E 1");
    EXPECT_EQ(k[3], "R030 6 9 D 5 5 5 6 C 0 6 C 8 6 F 3 6") << "only the third line";

    r.socket.setFault(Fault::LineMerged, sim::When::first(1));
    r.socket.mergedLineAddress = 0x100;
    k = lines(r.exchange("K", 3000));
    const QList<QByteArray> whole = lines(r.exchange("K", 3000));
    ASSERT_EQ(k.size(), 31);
    ASSERT_EQ(whole.size(), 32) << "only the first read";
    EXPECT_EQ(k[16], whole[16] + whole[17]);
    EXPECT_EQ(k[17], whole[18]);

    r.socket.setFault(Fault::ReadSilent, sim::When::first(1));
    EXPECT_EQ(r.exchange("A", 3000), "");
    EXPECT_EQ(lines(r.exchange("A", 3000)).size(), 16) << "only the first read";
}

TEST(QuenbyMars, BipolarBurnsOnlySetBitsOmbrixOverwrites)
{
    MarsRig r;
    r.socket.insert(MarsProm::blank(512));
    EXPECT_EQ(r.exchange("P01012345\r"), "Z\r");
    EXPECT_EQ(r.exchange("P0108\r"), "Z\r");
    const std::vector<quint8>& n = r.socket.prom()->nibbles;
    EXPECT_EQ((QList<int>{n[16], n[17], n[18], n[19], n[20], n[21]}), (QList<int>{9, 2, 3, 4, 5, 0}));
    EXPECT_EQ(r.socket.rowsBurnt(), (QStringList{"P01012345", "P0108"}));

    r.socket.insert(MarsProm::blank(512, MarsProm::Kind::Ombrix));
    r.exchange("P1F0FFFFFFFFFFFFFFFF\r");
    r.exchange("P1F7A\r");
    EXPECT_EQ(r.socket.nibble(0x1F7), 10) << "an Ombrix E+1 takes what is written";
    EXPECT_EQ(r.socket.nibble(0x1FF), 15);
}

TEST(QuenbyMars, FusesThatNeedTwoBurnsFailOnePassAndPassThree)
{
    MarsRig r;
    MarsProm p = MarsProm::blank(256);
    p.fusesNeedTwoBurns = true;
    r.socket.insert(p);
    r.exchange("P000A5\r");
    EXPECT_EQ((QList<int>{r.socket.nibble(0), r.socket.nibble(1)}), (QList<int>{0, 0}));
    r.exchange("P000A5\r");
    EXPECT_EQ((QList<int>{r.socket.nibble(0), r.socket.nibble(1)}), (QList<int>{10, 5}));
    r.exchange("P000A5\r");
    EXPECT_EQ((QList<int>{r.socket.nibble(0), r.socket.nibble(1)}), (QList<int>{10, 5}));
    // A bit burnt once, then wanted again later, still takes its second burn.
    r.exchange("P0021\r");
    r.exchange("P0023\r");
    EXPECT_EQ(r.socket.nibble(2), 1);
}

TEST(QuenbyMars, RowsThatAreNotRowsAreNeitherBurntNorAnswered)
{
    MarsRig r;
    r.socket.insert(MarsProm::blank(512));
    EXPECT_EQ(r.exchange("P01\r"), "") << "no nibble";
    EXPECT_EQ(r.exchange("P010a\r"), "") << "lower-case digit";
    EXPECT_EQ(r.exchange("P01G1\r"), "");
    EXPECT_EQ(r.exchange("P000" + QByteArray(17, '1') + "\r"), "") << "17 nibbles";
    EXPECT_TRUE(r.socket.prom()->isBlank());
    EXPECT_TRUE(r.socket.rowsBurnt().isEmpty());
    EXPECT_EQ(r.exchange("S").left(1), "C") << "the parser is back in step";
}

TEST(QuenbyMars, RowAcksLateOrMissingAndANibbleThatDoesNotStick)
{
    MarsRig r;
    r.socket.insert(MarsProm::blank(512));
    r.socket.setFault(Fault::RowAckMissing, sim::When::first(1));
    EXPECT_EQ(r.exchange("P0001\r"), "");
    EXPECT_EQ(r.socket.nibble(0), 1) << "burnt all the same";
    r.socket.setFault(Fault::RowAckLate, sim::When::first(1));
    EXPECT_EQ(r.exchange("P0011\r", 5000), "");
    r.sched.advance(1100);
    EXPECT_EQ(r.inbox, "Z\r");

    r.socket.nibbleDoesNotStickAt(0x22);
    EXPECT_EQ(r.exchange("P020777\r"), "Z\r");
    EXPECT_EQ((QList<int>{r.socket.nibble(0x20), r.socket.nibble(0x21), r.socket.nibble(0x22)}), (QList<int>{7, 7, 0}));
}

TEST(QuenbyMars, SwappingPromsGivesBackTheOneTakenOut)
{
    MarsSocket socket("MS1400", 256);
    EXPECT_EQ(socket.prom()->size(), 256);
    std::optional<MarsProm> old = socket.insert(MarsProm::blank(256, MarsProm::Kind::Ombrix));
    ASSERT_TRUE(old.has_value());
    EXPECT_FALSE(old->isBlank());
    EXPECT_EQ(old->nibbles[0], 15);
    EXPECT_EQ(socket.prom()->kind, MarsProm::Kind::Ombrix);
    EXPECT_TRUE(socket.remove().has_value());
    EXPECT_FALSE(socket.hasProm());
    EXPECT_FALSE(socket.remove().has_value());
}

TEST(QuenbyMars, Me181PromHasTwoSegmentsWithDataInTheUpperHalvesAndCoinValues)
{
    const MarsProm p = MarsSocket::typicalProm("ME181");
    ASSERT_EQ(p.size(), 512);
    EXPECT_EQ((QList<int>{p.nibbles[0], p.nibbles[128], p.nibbles[256], p.nibbles[384]}), (QList<int>{15, 15, 15, 15}));
    // Coin 1 (5) at 64/65, coin 6 (200) at 2/3, coin 7 (1) at 320/321, coin 12 (250) at 258/259.
    EXPECT_EQ((QList<int>{p.nibbles[64], p.nibbles[65], p.nibbles[2], p.nibbles[3]}), (QList<int>{5, 0, 8, 12}));
    EXPECT_EQ((QList<int>{p.nibbles[320], p.nibbles[321], p.nibbles[258], p.nibbles[259]}), (QList<int>{1, 0, 10, 15}));
    EXPECT_EQ(p.nibbles[128 + 111], 0);
    EXPECT_EQ(p.nibbles[256 + 128 + 112], 4) << "the reference text in the upper half";
    for (int a : {1, 100, 127, 257, 383})
        EXPECT_EQ(p.nibbles[size_t(a)], 0) << a;
}
