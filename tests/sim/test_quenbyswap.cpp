// A blank mech swapped into the simulated first box, written whole and read back: what the
// duplicate road of the memory windows relies on.
#include "platform/vbtext.h"
#include "sim/ccmech.h"
#include "sim/marssocket.h"
#include "sim/nrimech.h"
#include "sim/quenbymechs.h"
#include "sim/sentinelmech.h"
#include "tests/sim/quenbyrig.h"

#include <gtest/gtest.h>

using namespace quenbysim;

TEST(QuenbySwap, TheBoxPlugsAndOwnsFreshMechsByModel)
{
    Rig r;
    sim::CcMech mine("C120");
    r.box.plug(&mine);
    sim::QuenbyMech* first = r.box.swapMech("G13-6000");
    EXPECT_EQ(mine.box(), nullptr) << "the test's own mech is unplugged, not freed";
    ASSERT_EQ(r.box.plugged(), first);
    EXPECT_EQ(first->family(), "NRI");
    EXPECT_EQ(static_cast<sim::NriMech*>(first)->record(0x05), QByteArray(24, '0'));
    sim::QuenbyMech* second = r.box.swapMech("Sentinel", false);
    EXPECT_TRUE(static_cast<sim::SentinelMech*>(second)->checksumOk());
    EXPECT_TRUE(static_cast<sim::MarsSocket*>(r.box.swapMech("ME181"))->prom()->isBlank());
    EXPECT_EQ(sim::quenbyFamilyOf("G10-4000/5"), "NRI");
    EXPECT_EQ(sim::quenbyFamilyOf("Sentinel"), "CC");
    EXPECT_EQ(sim::quenbyFamilyOf("ME112"), "");
    EXPECT_THROW(r.box.swapMech("ME112"), std::invalid_argument);
    EXPECT_NE(r.box.plugged(), nullptr) << "a model no family has leaves the mech in place";
}

TEST(QuenbySwap, ANewerNriMechWrittenWholeReadsBackWhatWasWritten)
{
    for (const char* model : {"G13-6000", "G18-3000", "G10-4000/5"}) {
        SCOPED_TRACE(model);
        Rig r;
        const sim::NriMech typical(model);
        auto* blank = static_cast<sim::NriMech*>(r.box.swapMech(model));
        r.serialMode(blank->interfaceCodes().first().toLatin1());
        const int blocks = QByteArray(model) == "G13-6000" ? 28 : QByteArray(model) == "G18-3000" ? 26 : 22;
        for (int b = 0; b < blocks; ++b) {
            const QByteArray cmd = "Z" + plat::hex2(b).toLatin1();
            const QByteArray data = typical.record(b);
            r.exchange(cmd.left(1), 20);
            r.exchange(cmd.mid(1), 20);
            QByteArray acks;
            for (int i = 0; i + 1 < data.size(); i += 2)
                acks += r.exchange(data.mid(i, 2), 20);
            EXPECT_EQ(acks, QByteArray(data.size() / 2, 0x06)) << b;
        }
        for (int b = 0; b < blocks; ++b)
            EXPECT_EQ(r.exchange("X" + plat::hex2(b).toLatin1()), "\x06" + typical.record(b) + "\r") << b;
        EXPECT_EQ(blank->writesStored(), blocks);
    }
}

TEST(QuenbySwap, AnOlderNriMechWrittenWholeReadsBackWhatWasWritten)
{
    Rig r;
    const sim::NriMech typical("G10-4000");
    auto* blank = static_cast<sim::NriMech*>(r.box.swapMech("G10-4000"));
    r.serialMode("$23");
    for (int c = 1; c <= 8; ++c) {
        const QByteArray v = typical.oldRecord("V" + QByteArray::number(c));
        r.paced("D" + QByteArray::number(c) + v.left(12) + "\r" + v.mid(12) + "\r", 50);
    }
    r.paced("F" + typical.oldRecord("X") + "::\r", 50);
    r.paced("E31/01/27\r", 50);
    for (int c = 1; c <= 8; ++c) {
        const QByteArray key = "V" + QByteArray::number(c);
        EXPECT_EQ(blank->oldRecord(key), typical.oldRecord(key)) << c;
    }
    EXPECT_EQ(r.exchange("X"), typical.oldRecord("X") + "\r");
    EXPECT_EQ(r.exchange("Z").right(9), "31/01/27\r");
    EXPECT_EQ(blank->writesRejected(), 0);
}

TEST(QuenbySwap, ACcMechWrittenWholeReadsBackWhatWasWritten)
{
    Rig r;
    const sim::CcMech typical("435");
    auto* blank = static_cast<sim::CcMech*>(r.box.swapMech("435"));
    r.serialMode("$05");
    r.exchange("xx");
    for (int a = 0; a < 256; ++a) {
        const int w = typical.word(a), hi = w >> 8, lo = w & 255;
        ASSERT_EQ(r.exchange(bytes({0x7A, a, hi, lo, 0x7A + a + hi + lo}), 20), "\x05") << a;
    }
    EXPECT_TRUE(blank->words() == typical.words());
    EXPECT_TRUE(blank->byteSumOk());
}
