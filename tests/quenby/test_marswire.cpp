#include "quenby/link/marswire.h"

#include <gtest/gtest.h>

using namespace quenby;

namespace {

using V = std::vector<qint32>;

Image filled(qint32 v)
{
    Image img;
    img.fill(v);
    return img;
}

} // namespace

TEST(MarsPromLine, StoresSixteenNibblesAndCompletesOnlyAtTheTop)
{
    Image img = filled(-1);
    MarsPromRead read;
    // A 1K PROM: the line ending at 255 ends the wait, whatever order lines come in; the read
    // is complete only with every line of the size.
    EXPECT_TRUE(decodeMarsPromLine("R0F0 1 2 3 4 5 6 7 8 9 A B C D E F 0", 0, img, read));
    EXPECT_TRUE(read.topReached);
    EXPECT_TRUE(decodeMarsPromLine("R000 f e d c b a 9 8 7 6 5 4 3 2 1 0", 0, img, read));
    EXPECT_FALSE(read.complete(0));
    EXPECT_EQ(read.firstMissing(0), 0x10);
    // Lower-case digits read as upper-case ones; nothing outside the two lines changes.
    EXPECT_EQ((V{img[0xF0], img[0xF9], img[0xFF], img[0x00], img[0x0F], img[0x10], img[0x100]}),
              (V{1, 10, 0, 15, 0, -1, -1}));

    // The same line does not complete a 2K read; the one ending at 511 does.
    MarsPromRead read2k;
    EXPECT_TRUE(decodeMarsPromLine("R0F0 1 2 3 4 5 6 7 8 9 A B C D E F 0", 1, img, read2k));
    EXPECT_FALSE(read2k.topReached);
    EXPECT_TRUE(decodeMarsPromLine("R1F0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 7", 1, img, read2k));
    EXPECT_TRUE(read2k.topReached);
    EXPECT_EQ(img[511], 7);
}

TEST(MarsPromLine, AGarbledLineIsRefusedWholeAndKeepsTheReadIncomplete)
{
    const QString lines[] = {
        "R0G0 1 2 3 4 5 6 7 8 9 A B C D E F 0", // address not hex
        "R010 1 2 3 4 5 6 7 X 9 A B C D E F 0", // a nibble not hex
        "R020 1 2 3 4 5 6 7 8 9 A B C D E F",   // cut short
        "R",
        "",
        "R1F8 1 2 3 4 5 6 7 8 9 A B C D E F 0", // 504..519 passes the image end
        "RFFF 1 2 3 4 5 6 7 8 9 A B C D E F 0",
    };
    Image img = filled(-1);
    MarsPromRead read;
    for (const QString& line : lines)
        EXPECT_FALSE(decodeMarsPromLine(line, 1, img, read)) << line.toStdString();
    EXPECT_EQ(img, filled(-1));
    EXPECT_EQ(read.refusedLines, 7);
    EXPECT_FALSE(read.topReached);

    // The top line still arrives: the read reached the top but did not complete.
    EXPECT_TRUE(decodeMarsPromLine("R1F0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 7", 1, img, read));
    EXPECT_TRUE(read.topReached);
    EXPECT_FALSE(read.complete(1));

    // A line that ends exactly on the image's last word still fits.
    MarsPromRead edge;
    EXPECT_TRUE(decodeMarsPromLine("R1F1 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 9", 1, img, edge));
    EXPECT_EQ(img[512], 9);
}

TEST(MarsPromRows, SeventeenWordsGiveAFullRowAndAShortOneWithTheBarHeldAtItsEnd)
{
    Image img{};
    for (int a = 0; a < 17; ++a)
        img[size_t(a)] = (a + 1) % 16;
    const PromRows r = marsPromRows(img, 0, 16);
    ASSERT_TRUE(r.ok());
    ASSERT_EQ(r.rows.size(), 2u);
    EXPECT_EQ(r.rows[0].bytes, "P000123456789ABCDEF0\r");
    EXPECT_EQ(r.rows[1].bytes, "P0101\r");
    // The bar: 16 x 16 / 16 = 16, then 17 x 16 / 16 = 17, which would pass its end of 16.
    EXPECT_EQ((V{r.rows[0].nextAddress, r.rows[0].progress, r.rows[1].nextAddress, r.rows[1].progress}),
              (V{16, 16, 17, 16}));
}

TEST(MarsPromRows, ASegmentRunsTheBarToSixteen)
{
    Image img{};
    img[128] = 15;
    img[255] = 3;
    const PromRows r = marsPromRows(img, 128, 255);
    ASSERT_EQ(r.rows.size(), 8u);
    EXPECT_EQ(r.rows[0].bytes, "P080F000000000000000\r");
    EXPECT_EQ(r.rows[7].bytes, "P0F00000000000000003\r");
    V bar;
    for (const PromRow& row : r.rows)
        bar.push_back(row.progress);
    EXPECT_EQ(bar, (V{2, 4, 6, 8, 10, 12, 14, 16}));

    // ME181's upper segment: addresses with three hex digits.
    const PromRows top = marsPromRows(img, 256, 511);
    ASSERT_EQ(top.rows.size(), 16u);
    EXPECT_EQ(top.rows[15].bytes.left(4), "P1F0");
}

TEST(MarsPromRows, AWordThatIsNoNibbleStopsTheWholeRange)
{
    Image img{};
    img[300] = 16; // a coin value of 256 split into nibbles leaves 16 in its high word
    PromRows r = marsPromRows(img, 256, 383);
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(r.badAddress, 300);
    EXPECT_TRUE(r.rows.empty());

    img[300] = 0;
    img[383] = -1;
    EXPECT_EQ(marsPromRows(img, 256, 383).badAddress, 383);
    EXPECT_TRUE(marsPromRows(img, 0, 127).ok()); // the rest of the image does not matter
    // Nor can a range that leaves the image be burnt.
    EXPECT_EQ(marsPromRows(img, 500, 520).badAddress, 520);
    EXPECT_EQ(marsPromRows(img, -1, 10).badAddress, -1);
}

TEST(MarsPromRows, OneAddressAndAnEmptyRange)
{
    Image img{};
    img[7] = 12;
    const PromRows one = marsPromRows(img, 7, 7);
    ASSERT_EQ(one.rows.size(), 1u);
    EXPECT_EQ(one.rows[0].bytes, "P007C\r");
    EXPECT_EQ(one.rows[0].progress, 16);
    const PromRows none = marsPromRows(img, 8, 7);
    EXPECT_TRUE(none.ok());
    EXPECT_TRUE(none.rows.empty());
}

TEST(MarsTimings, CommandsAndTheirReadBack)
{
    EXPECT_EQ(marsTimingCommand(mechEntry(Family::Mars, "ME111")), "Z030020150100");
    EXPECT_EQ(marsTimingReadBack(30, 20, 150, 100), "Z030020150100");
    // A value the box stored differently never compares equal to what was sent.
    EXPECT_EQ(marsTimingReadBack(1500, 2, 0, 99), "Z1500002000099");
}
