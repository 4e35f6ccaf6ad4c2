// Known answers by hand from the word protocols, and from tests/quenby/memory_vectors.py.
#include "quenby/link/ccwire.h"
#include "quenby/link/sentinelwire.h"
#include "tests/quenby/datafiles.h"

#include <gtest/gtest.h>

using namespace quenby;
using quenby_tests::bytes;

namespace {

// Word a = (a * 37 + 11) AND FFFF, word 127 = 5A33 (as memory_vectors.py builds it).
Image sampleImage()
{
    Image img{};
    for (int a = 0; a < 128; ++a)
        img[size_t(a)] = (a * 37 + 11) & 0xFFFF;
    img[127] = 0x5A33;
    return img;
}

} // namespace

TEST(CcWire, ReadAndWriteRequests)
{
    EXPECT_EQ(ccReadRequest(0x10), bytes({0x7B, 0x10, 0x8B}));
    EXPECT_EQ(ccReadRequest(0x1FF), bytes({0x7B, 0xFF, 0x7A})); // only the low 8 bits go out
    EXPECT_EQ(ccWriteRequest(0x10, 0x1234), bytes({0x7A, 0x10, 0x12, 0x34, 0xD0}));
    EXPECT_EQ(ccWriteRequest(0xFF, 0xFFFF), bytes({0x7A, 0xFF, 0xFF, 0xFF, 0x77}));
    EXPECT_EQ(ccWriteRequest(0x110, 0x1234), ccWriteRequest(0x10, 0x1234));
}

TEST(CcWire, WordFrames)
{
    const std::array<qint32, 4> good{0x3B, 0x12, 0x34, 0x81};
    EXPECT_EQ(parseCcWordReply(good).value, 0x1234);
    EXPECT_FALSE(parseCcWordReply(good).error);
    const std::array<qint32, 4> bad{0x3B, 0x12, 0x34, 0x00};
    EXPECT_TRUE(parseCcWordReply(bad).error);
    EXPECT_EQ(parseCcWordReply(bad).value, -1);

    // 05 and 06 inside a frame are data.
    const std::array<qint32, 4> acks{0x3B, 0x05, 0x06, (0x3B + 5 + 6) & 0xFF};
    EXPECT_EQ(parseCcWordReply(acks).value, 0x0506);

    // A frame cut short reads its missing bytes as 0: ";" alone sums to 3B, not 0.
    const std::array<qint32, 1> cut{0x3B};
    EXPECT_TRUE(parseCcWordReply(cut).error);
    const std::array<qint32, 3> zeros{0x00, 0x00, 0x00};
    EXPECT_EQ(parseCcWordReply(zeros).value, 0);
}

TEST(CcWire, Word127KeepsTheByteSumAfterEdits)
{
    const MechEntry c120 = mechEntry(Family::CC, "C120");
    const Image read = sampleImage();
    Image prog = read;
    fixCcEepromChecksum(c120, read, prog);
    EXPECT_EQ(prog[127], 0x5A33); // nothing changed: nothing to make up for

    prog[5] = 0x0304; // was 00C4
    fixCcEepromChecksum(c120, read, prog);
    EXPECT_EQ(prog[127], 0x1733);

    prog[20] = 0xFFFF;
    prog[100] = 0x0000;
    prog[127] = 0x0000; // whatever word 127 held, its low byte comes from the mech
    fixCcEepromChecksum(c120, read, prog);
    EXPECT_EQ(prog[127], 0x9733);

    // Words past 127 of a 435 do not count.
    Image prog435 = read;
    prog435[200] = 0x4444;
    fixCcEepromChecksum(mechEntry(Family::CC, "435"), read, prog435);
    EXPECT_EQ(prog435[127], 0x5A33);
}

TEST(CcWire, SentinelWord63)
{
    Image img{};
    for (int a = 0; a < 63; ++a)
        img[size_t(a)] = a * 0x0101;
    EXPECT_EQ(sentinelChecksumWord(img), 190);

    Image sum1FF{};
    sum1FF[0] = 0xFFFF; // FF + FF
    sum1FF[1] = 0x0001;
    EXPECT_EQ(sentinelChecksumWord(sum1FF), 1);
    Image sum200{};
    sum200[0] = 0xFFFF;
    sum200[1] = 0x0002;
    EXPECT_EQ(sentinelChecksumWord(sum200), 256);

    // The Sentinel rule sets word 63 and leaves 127 alone.
    Image prog = sum1FF;
    prog[127] = 77;
    fixCcEepromChecksum(mechEntry(Family::CC, "Sentinel"), sum200, prog);
    EXPECT_EQ(prog[63], 1);
    EXPECT_EQ(prog[127], 77);
    // No rule for a Mars image.
    Image mars = sum1FF;
    fixCcEepromChecksum(mechEntry(Family::Mars, "ME111"), sum200, mars);
    EXPECT_EQ(mars, sum1FF);
}

TEST(CcWire, DataLines)
{
    Image img{};
    img[0] = 0x1234;
    img[2] = 65535;
    EXPECT_EQ(eepromDataLines(img, 3), (QStringList{"0,4660", "1,0", "2,65535"}));
    EXPECT_EQ(eepromDataLines(img, 64).size(), 64);
    EXPECT_EQ(eepromDataLines(img, 9999).size(), kImageTop + 1);
}

TEST(SentinelWire, CommandsForAddressFive)
{
    EXPECT_EQ(sentinelReadCommand(5), "M00850102\r");
    EXPECT_EQ(sentinelReadCommand(69), "M00850102\r"); // 6 bits of address
    const auto w = sentinelWriteCommands(5, 0x1234);
    EXPECT_EQ(w[0], "W0030\r");
    EXPECT_EQ(w[1], "W00C5\r");
    EXPECT_EQ(w[2], "W00453412\r");
    EXPECT_EQ(w[3], "W0000\r");
    EXPECT_EQ(sentinelWriteCommands(63, 256)[2], "W007F0001\r"); // word 63 = 256: low 00, high 01
}

TEST(SentinelWire, WordReplies)
{
    EXPECT_EQ(parseSentinelWordReply("ZZR340512\r", 5).value, 0x1234);
    EXPECT_EQ(parseSentinelWordReply("ZZR340512\r", 69).value, 0x1234); // 6 bits of address
    for (const char* other : {"ZZR3", "ZZR3405", "ZZR34051", "ZZR34xy12", "ZZR340612", "ZZ", "\rZZR340512"}) {
        EXPECT_FALSE(parseSentinelWordReply(other, 5).ok) << other;
        EXPECT_EQ(parseSentinelWordReply(other, 5).value, -1) << other;
    }
}

TEST(SentinelWire, IdentAndTheG18Warning)
{
    EXPECT_EQ(parseSentinelIdent("I2.1 rev B\r").ident, "I2.1");
    EXPECT_FALSE(parseSentinelIdent("I2.1 rev B\r").i2cStuck);
    EXPECT_EQ(parseSentinelIdent("E1234").ident, "1234");
    EXPECT_TRUE(parseSentinelIdent("E1234").i2cStuck);
    EXPECT_EQ(parseSentinelIdent("I1").ident, "I1");

    EXPECT_TRUE(sentinelIdentNeedsG18Warning("I1.0"));
    EXPECT_TRUE(sentinelIdentNeedsG18Warning("I0.0")); // what a failed logon leaves
    EXPECT_TRUE(sentinelIdentNeedsG18Warning("I1.9"));
    EXPECT_FALSE(sentinelIdentNeedsG18Warning("I2.1"));
    EXPECT_FALSE(sentinelIdentNeedsG18Warning("J0.0"));
}
