#include "ardwell/bench/wordmap.h"

#include <gtest/gtest.h>

using namespace ardwell;

TEST(WordMap, CoinBitsAreStoredByteSwapped)
{
    EXPECT_EQ(withCoinBit(0, 0, true), 0x0100); // channel 1 inhibited
    EXPECT_EQ(withCoinBit(0, 8, true), 0x0001); // channel 9
    EXPECT_EQ(withCoinBit(0xFFFF, 15, false), 0xFF7F);
    EXPECT_EQ(withCoinBit(0x1234, 3, true), 0x1A34); // every other bit kept
    EXPECT_TRUE(coinBit(0x0100, 0));
    EXPECT_FALSE(coinBit(0x0100, 8));
    EXPECT_TRUE(coinBit(0x0080, 15));
}

TEST(WordMap, CoinBytesSharePairWords)
{
    EepromImage img{};
    img[120] = 0xABCD;
    EXPECT_EQ(coinByte(img, 120, 0), 0xAB);
    EXPECT_EQ(coinByte(img, 120, 1), 0xCD);
    setCoinByte(img, 120, 2, 0x11);
    EXPECT_EQ(img[120], 0x11CD);
    setCoinByte(img, 120, 3, 0x1FF); // only the byte goes in
    EXPECT_EQ(img[120], 0x11FF);
    img[5] = -1; // an unread word reads as FFFF and is stored as a 16-bit word
    EXPECT_EQ(coinByte(img, 5, 0), 0xFF);
    setCoinByte(img, 5, 1, 0x12);
    EXPECT_EQ(img[5], 0xFF12);
}

TEST(WordMap, BcoCodesAndDigits)
{
    const int codes[16] = {2, 18, 10, 26, 6, 22, 14, 30, 3, 19, 11, 27, 7, 23, 15, 31};
    for (int d = 0; d < 16; ++d) {
        EXPECT_EQ(bcoCode(d), codes[d]) << d;
        EXPECT_EQ(bcoDigit(codes[d]), d);
    }
    EXPECT_EQ(bcoCode(16), 0);
    EXPECT_EQ(bcoCode(-1), 0);
    EXPECT_EQ(bcoDigit(0), std::nullopt);
    EXPECT_EQ(bcoDigit(29), std::nullopt); // bit 1 clear
    // Every code with bit 1 set reads as exactly one digit, and that digit codes back to it.
    for (int code = 0; code < 32; ++code) {
        if (code & 2) {
            EXPECT_EQ(bcoCode(*bcoDigit(code)), code);
        }
    }
}

TEST(WordMap, ReadingRulesOfRouteAndOutputBytes)
{
    EXPECT_EQ(route126Index(12), 0); // more than one route bit reads as " "
    EXPECT_EQ(plugIndex(3), 0);
    EXPECT_EQ(plugIndex(64), 7);       // "G"
    EXPECT_EQ(route560Index(5), 3);    // the highest of bits 0..6 wins
    EXPECT_EQ(route560Index(0x80), 0); // bit 7 alone: "Default"
    EXPECT_EQ(route560Byte(3), 132);
    EXPECT_EQ(route560Byte(8), 128);
    EXPECT_EQ(output330Index(8), 3);  // "D"
    EXPECT_EQ(output330Index(64), 6); // a line beyond "F" is a free "Bin" byte
    EXPECT_EQ(route126Byte(9), 0);
}

TEST(WordMap, DefaultRouteReadsTheLowNibbleOnly)
{
    const int stored[8] = {0x38, 0x36, 0x34, 0x35, 0x32, 0x33, 0x31, 0x30};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(defaultRouteByte(i), stored[i]);
        EXPECT_EQ(defaultRouteIndex(0xAB00 | stored[i]), i);
    }
    EXPECT_EQ(defaultRouteByte(-1), 0x38);
    const int expected[16] = {7, 6, 4, 5, 2, 3, 1, 0, 0, 0, 0, 0, 1, 2, 2, 3};
    for (int nib = 0; nib < 16; ++nib)
        EXPECT_EQ(defaultRouteIndex(0x40 | nib), expected[nib]) << nib;
}

TEST(WordMap, Flags340KeepTheBitsTheBenchDoesNotUse)
{
    const Flags340 f = flags340(0x3150);
    EXPECT_TRUE(f.fourPlayer && f.manualDispense && f.coinMeter && f.alarm);
    EXPECT_FALSE(f.creditInput || f.bonus || flags340(0x4000).fourPlayer);
    // One player is stored as 2; bits 0..3 and 9..11 survive.
    EXPECT_EQ(withFlags340(0xFFFF, Flags340{}), 0x2E0F);
    EXPECT_EQ(withFlags340(0x0000, Flags340{true, true, true, true, true, true}), 0x31F0);
}

TEST(WordMap, RecordPlacement)
{
    // Coin 4 of a 330 keeps its record in the low bytes of words 47..59, of a 126 in 44..56.
    EXPECT_EQ(recordWord(Model::M330, 3, 0), 47);
    EXPECT_EQ(recordWord(Model::M330, 3, 12), 59);
    EXPECT_EQ(recordWord(Model::M126, 3, 0), 44);
    EXPECT_EQ(recordWord(Model::M126, 15, 12), 134);
    EXPECT_TRUE(recordFits(Model::M126, 15));
    EXPECT_TRUE(recordFits(Model::PCA, 13));  // words 112..124
    EXPECT_FALSE(recordFits(Model::PCA, 14)); // words 125..137 run past 127
    EXPECT_FALSE(recordFits(Model::PCA, -1));

    EepromImage img{};
    RecordBytes r;
    for (int i = 0; i < kRecordBytes; ++i)
        r[i] = 0xA0 + i;
    img[47] = 0x5500;
    writeRecord(img, Model::M330, 3, r);
    EXPECT_EQ(img[47], 0x55A0);
    EXPECT_EQ(img[59], 0x00AC);
    EXPECT_EQ(readRecord(img, Model::M330, 3), r);
    EXPECT_EQ(readRecord(img, Model::M330, 2), RecordBytes{0x55});
    writeRecord(img, Model::M330, 3, RecordBytes{}, 2); // bytes 2..12 only
    EXPECT_EQ(img[47], 0x55A0);
    EXPECT_EQ(img[49], 0);
}

TEST(WordMap, ProgrammedMeansAHeaderByteIsSet)
{
    EepromImage img{};
    img[34] = 0x4400;
    EXPECT_TRUE(recordProgrammed(img, Model::M330, 0));
    EXPECT_FALSE(recordProgrammed(img, Model::M330, 1));
    EXPECT_FALSE(recordProgrammed(img, Model::M126, 0)); // a 126 starts at word 31
    img[34] = 0;
    img[37] = 0xFFFF; // R3 and beyond do not count
    EXPECT_FALSE(recordProgrammed(img, Model::M330, 0));
}

TEST(WordMap, WindowPacking)
{
    RecordBytes r{};
    packWindow(r, CoinWindow{{100, 2000, 5, 4095}, {20, 255, 0, 16}});
    EXPECT_EQ(RecordBytes({0, 0, 0, 6, 65, 71, 208, 255, 0, 80, 15, 255, 16}), r);
    EXPECT_EQ(unpackWindow(r).low, (std::array<int, 4>{100, 2000, 5, 4095}));
    EXPECT_EQ(unpackWindow(r).width, (std::array<int, 4>{20, 255, 0, 16}));

    // Negative lows: magnitude and sign bit; R2's level nibble kept.
    r = RecordBytes{};
    r[2] = 0x4F;
    packWindow(r, CoinWindow{{12, -3, 7, -12}, {10, 20, 30, 52}});
    EXPECT_EQ(r[2], 0x45);
    EXPECT_EQ(unpackWindow(r).low, (std::array<int, 4>{12, -3, 7, -12}));

    // Fields never spill: a low of 5950 is held at 4095, widths at 0..255.
    r = RecordBytes{};
    packWindow(r, CoinWindow{{5950, -5000, 0, 0}, {300, -4, 0, 0}});
    const CoinWindow back = unpackWindow(r);
    EXPECT_EQ(back.low, (std::array<int, 4>{4095, -4095, 0, 0}));
    EXPECT_EQ(back.width, (std::array<int, 4>{255, 0, 0, 0}));
    EXPECT_EQ(r[2], 0x04);
}

TEST(WordMap, SerialNumberWordsAndCoinNumbers)
{
    EepromImage img{};
    img[2] = 0x1234;
    img[3] = 0x0012;
    img[4] = 0xABCD;
    EXPECT_EQ(serialNumber(img, Model::M330), "0012ABCD");
    EXPECT_EQ(serialNumber(img, Model::M126), "12340012");
    EXPECT_EQ(coinNumberOf("Channel 7"), 7);
    EXPECT_EQ(coinNumberOf("Channel 12"), 12);
    EXPECT_EQ(coinNumberOf(" "), 0);
    EXPECT_EQ(coinNumberOf(""), 0);
    // Whatever else an item ends in, its last two characters read as Val reads them.
    EXPECT_EQ(coinNumberOf("Channel x"), 0);
    EXPECT_EQ(coinNumberOf("Channel-3"), -3);
    EXPECT_EQ(coinNumberOf("Channel 2 "), 2);
    EXPECT_EQ(coinNumberOf("Channel 1.5"), 0); // ".5" rounds to even: 0
    EXPECT_TRUE(coinValid(Model::PCA, 16));
    EXPECT_FALSE(coinValid(Model::M560, 13));
    EXPECT_FALSE(coinValid(Model::M126, 0));
    EXPECT_FALSE(coinValid(Model::M126, 17));
}
