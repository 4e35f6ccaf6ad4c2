#include "quenby/link/marswire.h"
#include "quenby/memutils/nridatafile.h"
#include "quenby/memutils/promimage.h"

#include "platform/runtimeerror.h"
#include "tests/support/testservices.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

using namespace quenby;

namespace {

const MechEntry kMars = mechEntry(Family::Mars, "MS111");
const MechEntry kMe181 = mechEntry(Family::Mars, "ME181");
const MechEntry kCc = mechEntry(Family::CC, "C120");

SegmentSelection selected(std::initializer_list<int> segments)
{
    SegmentSelection s;
    for (int i : segments)
        s(i) = true;
    return s;
}

using V = std::vector<qint32>;

} // namespace

TEST(PromImage, ClearingKeepsWord512AndForgetsTheRead)
{
    MemoryImages m;
    m.readImage.fill(3);
    m.progImage.fill(4);
    m.oldImage.fill(5);
    m.readCompleted("435");
    EXPECT_TRUE(m.holdsWholeMemoryOf("435"));
    EXPECT_FALSE(m.holdsWholeMemoryOf("C120")); // another model's memory does not do
    clearImageBuffers(m);
    EXPECT_EQ((V{m.readImage[511], m.progImage[0], m.oldImage[200]}), (V{0, 0, 0}));
    EXPECT_EQ((V{m.readImage[512], m.progImage[512], m.oldImage[512]}), (V{3, 4, 5}));
    EXPECT_FALSE(m.holdsWholeMemoryOf("435"));
    m.readStopped("C120", 148, 17);
    EXPECT_FALSE(m.holdsWholeMemoryOf("C120"));
}

TEST(PromImage, SegmentChecksAndChangeMarkers)
{
    SegmentSelection s;
    s(4) = true;
    readSegmentChecks({1, 0, 2, 1}, s); // 2: greyed
    EXPECT_EQ(s, selected({0, 3, 4}));

    Image img{};
    setPromChangeFlag(true, kMars, selected({0, 2}), img);
    setPromChangeFlag(false, kMars, selected({2}), img);
    EXPECT_EQ((V{img[111], img[239], img[367]}), (V{15, 0, 0}));
    Image me{};
    setPromChangeFlag(true, kMe181, selected({0, 1, 2, 3}), me);
    EXPECT_EQ((V{me[239], me[495], me[111], me[367]}), (V{15, 15, 0, 0}));
    Image cc{};
    setPromChangeFlag(true, kCc, selected({0, 1}), cc);
    EXPECT_EQ(cc, Image{});
}

TEST(PromImage, CoinsetReference)
{
    Image img{};
    QString ref = "AB";
    QString version = "2";
    addCoinsetRefToImage(ref, version, kMars, selected({0, 3}), img);
    EXPECT_EQ((V{img[112], img[113], img[114], img[115], img[116], img[122], img[123]}), (V{4, 1, 4, 2, 0, 3, 2}));
    EXPECT_EQ((V{img[496], img[497], img[498], img[499], img[240]}), (V{4, 1, 4, 2, 0}));

    ref = "ABCDEFG";
    version = "1.23";
    Image me{};
    addCoinsetRefToImage(ref, version, kMe181, selected({1}), me);
    EXPECT_EQ(ref, "ABCDE");
    EXPECT_EQ(version, "1.2");
    EXPECT_EQ((V{me[496], me[505], me[506], me[511], me[240]}), (V{4, 5, 3, 2, 0})); // 240..255 of segment 1

    // Another family, or no segment: nothing. A character outside the code page counts as "?".
    Image none{};
    addCoinsetRefToImage(ref, version, kCc, selected({0}), none);
    addCoinsetRefToImage(ref, version, kMars, selected({}), none);
    EXPECT_EQ(none, Image{});
    QString odd = QString(QChar(0x4E2D));
    addCoinsetRefToImage(odd, version, kMars, selected({0}), none);
    EXPECT_EQ((V{none[112], none[113]}), (V{3, 15}));
}

TEST(PromImage, Me181Layout)
{
    Image img;
    img.fill(7);
    img[128] = 15;
    img[5] = 1;   // old segment 0 lands at 128..255
    img[200] = 2; // old segment 1 lands at 384..511
    std::array<qint32, 25> values{};
    for (int c = 1; c <= 12; ++c)
        values[size_t(c)] = c * 16 + 1; // high nibble c, low nibble 1
    remapImageME181(values, img);

    EXPECT_EQ((V{img[0], img[256], img[384], img[133], img[456], img[512]}), (V{15, 15, 15, 1, 2, 7}));
    // Coins 1..6 at 64, 32, .., 2 and coins 7..12 at 320, 288, .., 258; the rest of the lower halves 0.
    const int valueWords[] = {64, 32, 16, 8, 4, 2, 320, 288, 272, 264, 260, 258};
    Image expectLow{};
    for (int c = 1; c <= 12; ++c) {
        expectLow[size_t(valueWords[c - 1])] = 1;
        expectLow[size_t(valueWords[c - 1] + 1)] = c;
    }
    for (int w = 1; w < 384; w = w == 127 ? 257 : w + 1)
        EXPECT_EQ(img[size_t(w)], expectLow[size_t(w)]) << w;
}

TEST(PromImage, Me181CoinValueOf256IsNotBurnt)
{
    Image img{};
    std::array<qint32, 25> values{};
    values[1] = 256;
    remapImageME181(values, img);
    EXPECT_EQ(img[64], 0);
    EXPECT_EQ(img[65], 16); // the high word is no nibble
    const PromRows rows = marsPromRows(img, 0, 255);
    EXPECT_EQ(rows.badAddress, 65);
    EXPECT_TRUE(rows.rows.empty());
    EXPECT_TRUE(marsPromRows(img, 256, 511).ok());
}

TEST(PromImage, VerifyComparesTheSelectedSegmentsOfTheSize)
{
    Image read{};
    Image prog{};
    prog[10] = 1;  // segment 0
    prog[300] = 2; // segment 2
    prog[500] = 3; // segment 3
    VerifyResult r = comparePromSegments(read, true, prog, selected({2}), 1, kMars);
    EXPECT_EQ(r.differences, (std::vector<WordDifference>{{300, 0, 2}}));
    EXPECT_FALSE(r.ok());

    // A 1K PROM never looks past segment 1.
    r = comparePromSegments(read, true, prog, selected({2, 3}), 0, kMars);
    EXPECT_TRUE(r.ok());
    // ME181: two 256-word segments.
    r = comparePromSegments(read, true, prog, selected({1}), 1, kMe181);
    EXPECT_EQ(r.differences, (std::vector<WordDifference>{{300, 0, 2}, {500, 0, 3}}));

    // Every difference is listed, and an incomplete read-back fails even when all match.
    prog[11] = 9;
    r = comparePromSegments(read, true, prog, selected({0}), 1, kMars);
    EXPECT_EQ(r.differences.size(), 2u);
    EXPECT_FALSE(comparePromSegments(read, false, read, selected({0, 1}), 1, kMars).ok());
    EXPECT_TRUE(comparePromSegments(read, true, read, selected({0, 1}), 1, kMars).ok());
}

TEST(NriDataFile, TwentyEightRecordsWrittenAsTheyStand)
{
    testing_support::TestServices ts;
    std::array<QString, 33> lines;
    lines[0] = "never written";
    lines[1] = "070C1A";
    lines[2] = "say \"hi\", twice";
    lines[3] = QString::fromLatin1("\xE9t\xE9");
    lines[29] = "never written";
    writeNriDataFile(ts.folder() + "/G10-4000-5temp.txt", lines);

    QByteArray expected = "1,\"070C1A\"\r\n2,\"say \"hi\", twice\"\r\n3,\"\xE9t\xE9\"\r\n";
    for (int n = 4; n <= 28; ++n)
        expected += QByteArray::number(n) + ",\"\"\r\n";
    EXPECT_EQ(ts.readFile("G10-4000-5temp.txt"), expected);

    // An empty memory still gives 28 records.
    writeNriDataFile(ts.folder() + "/empty.txt", {});
    EXPECT_EQ(ts.readFile("empty.txt").count("\r\n"), 28);
    EXPECT_TRUE(ts.readFile("empty.txt").startsWith("1,\"\"\r\n2,\"\"\r\n"));
}

TEST(NriDataFile, AFailedWriteRaisesAndLeavesNoFile)
{
    testing_support::TestServices ts;
    const QString path = ts.folder() + "/missing/G13-6000temp.txt";
    const int err = testing_support::errNumber([&] { writeNriDataFile(path, {}); });
    EXPECT_EQ(err, plat::err::PathFileAccess);
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_EQ(QDir(ts.folder()).entryList(QDir::Files | QDir::NoDotAndDotDot), QStringList{});
}
