// The box's Sentinel interface on "$06" and the simulated Sentinel behind it: echo, opening,
// identification, word reads and writes, the checksum word, and the named faults.
#include "sim/nrimech.h"
#include "sim/sentinelmech.h"
#include "tests/sim/quenbyrig.h"

#include <gtest/gtest.h>

using namespace quenbysim;
using sim::SentinelMech;
using Fault = sim::SentinelMech::Fault;

namespace {

struct SentinelRig : Rig {
    SentinelMech mech;
    SentinelRig() { box.plug(&mech); }
    // One character at a time, as the program sends it, each awaited for its echo.
    QByteArray type(const QByteArray& text, plat::Millis afterMs = 300)
    {
        QByteArray all;
        for (char c : text)
            all += exchange(QByteArray(1, c), 50);
        inbox.clear();
        sched.advance(afterMs);
        return all + inbox;
    }
    void open()
    {
        serialMode("$06");
        ASSERT_EQ(type("\r#"), "\r#");
    }
};

} // namespace

TEST(QuenbySentinel, OpensIdentifiesAndCloses)
{
    SentinelRig r;
    EXPECT_EQ(r.serialMode("$06"), "*S\r");
    EXPECT_EQ(r.type("TKI"), "TKI") << "closed: echoed, not answered";
    EXPECT_EQ(r.type("\r#"), "\r#");
    EXPECT_TRUE(r.box.sentinelInterface().isOpen());
    EXPECT_EQ(r.type("TKI"), "TKI2.1\r");
    EXPECT_EQ(r.type("\r#"), "\r#");
    EXPECT_FALSE(r.box.sentinelInterface().isOpen());

    r.box.sentinelInterface().ident = "I1.0";
    r.type("\r#");
    EXPECT_EQ(r.type("TKI"), "TKI1.0\r");
    r.box.sentinelInterface().i2cStuck = true;
    EXPECT_EQ(r.type("TKI"), "ESTCK\r") << "stuck lines: no echo, an error code";
}

TEST(QuenbySentinel, ReadsAndWritesWords)
{
    SentinelRig r;
    r.open();
    // Word 5 is channel 6's first window, 127..143: low 7F, high 8F.
    EXPECT_EQ(r.type("M00850102\r"), "M00850102\rZZR7F058F\r");
    for (const char* cmd : {"W0030\r", "W00C5\r", "W00453412\r", "W0000\r"})
        EXPECT_EQ(r.type(cmd), QByteArray(cmd) + "ZZW\r") << cmd;
    EXPECT_EQ(r.mech.word(5), 0x1234);
    EXPECT_EQ(r.type("M00850102\r"), "M00850102\rZZR3405" "12\r");
    EXPECT_EQ(r.mech.addressesRead(), (QList<int>{5, 5}));
    EXPECT_EQ(r.mech.addressesWritten(), QList<int>{5});

    // A data command without the two that open a write of that address stores nothing.
    r.type("W0030\r");
    r.type("W00C6\r");
    r.type("W00455678\r");
    EXPECT_EQ(r.mech.word(5), 0x1234);
    EXPECT_EQ(r.type("M00C00102\r"), "M00C00102\rERR\r") << "not a read of 0..63";
    EXPECT_EQ(r.type("Q\r"), "Q\rERR\r");
}

TEST(QuenbySentinel, ChecksumWordIsOneTo256)
{
    EXPECT_TRUE(SentinelMech().checksumOk());
    std::vector<quint16> w(64, 0);
    w[0] = 0xFFFF;
    w[1] = 0x0001; // byte sum 0x1FF
    EXPECT_EQ(sim::sentinelSumWord(w), 1);
    w[1] = 0x0002; // 0x200
    EXPECT_EQ(sim::sentinelSumWord(w), 256);
    SentinelMech m;
    m.setWord(3, 0xBEEF);
    EXPECT_TRUE(m.checksumOk());
    m.setWord(3, 0xBEEE, false);
    EXPECT_FALSE(m.checksumOk());
}

TEST(QuenbySentinel, Faults)
{
    SentinelRig r;
    r.open();
    r.mech.setFault(Fault::NoZzrOnRead, sim::When::from(2));
    EXPECT_EQ(r.type("M00800102\r").mid(10, 3), "ZZR");
    EXPECT_EQ(r.type("M00800102\r"), "M00800102\rERR\r");

    for (const char* cmd : {"W0030\r", "W00C5\r", "W00453412\r"})
        r.type(cmd);
    r.mech.setFault(Fault::LastWriteUnanswered, sim::When::always());
    EXPECT_EQ(r.type("W0000\r"), "W0000\r");
    EXPECT_EQ(r.mech.word(5), 0x1234) << "stored by the third command";

    r.mech.setFault(Fault::UnaskedPercent, sim::When::first(1));
    EXPECT_EQ(r.type("W0030\r"), "W0030\rZZW\r%");
    r.box.sentinelInterface().setFault(sim::SentinelInterface::Fault::NoEcho, sim::When::always());
    EXPECT_EQ(r.type("W0030\r"), "ZZW\r");
}

TEST(QuenbySentinel, TheInterfaceAnswersWithoutASentinelBehindIt)
{
    Rig r;
    sim::NriMech g18("G18-3000");
    r.box.plug(&g18);
    r.serialMode("$06");
    EXPECT_EQ(r.exchange("\r#"), "\r#");
    EXPECT_EQ(r.exchange("TKI"), "TKI2.1\r") << "the interface identifies itself";
    EXPECT_EQ(r.exchange("M00800102\r"), "M00800102\r") << "but no mech answers";
    EXPECT_TRUE(g18.receivedBytes().isEmpty());
}
