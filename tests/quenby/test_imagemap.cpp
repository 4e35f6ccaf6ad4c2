// The coin limit table against the memory images of every family: window words, outputs,
// routing, checksums, the read-back and the Mars PROM report. Known answers of the checksums and
// routing words come from tests/quenby/map_vectors.py.
#include "quenby/link/imagemap.h"
#include "quenby/memutils/promimage.h"
#include "quenby/seams.h"

#include "sim/ccimages.h"
#include "sim/ccmech.h"
#include "sim/marssocket.h"
#include "sim/sentinelmech.h"
#include "tests/quenby/mech_fixture.h"
#include "tests/quenby/models.h"

#include <QRandomGenerator>
#include <gtest/gtest.h>
#include <limits>

using namespace quenby;
using quenby_tests::paramsOf;

namespace {

using V = std::vector<qint32>;

V words(const Image& image, std::initializer_list<int> addresses)
{
    V out;
    for (int a : addresses)
        out.push_back(image[std::size_t(a)]);
    return out;
}

// Read word a = (a * 37 + 11) AND FFFF, as map_vectors.py's CC images.
void fillRead(MemoryImages& m, int words)
{
    for (int a = 0; a < words; ++a)
        m.readImage[std::size_t(a)] = (a * 37 + 11) & 0xFFFF;
}

void setWindows(CoinTables& t, int channels, int params, const std::function<std::pair<int, int>(int, int)>& w)
{
    for (int c = 1; c <= channels; ++c)
        for (int p = 1; p <= params; ++p) {
            t.coinLimitTable(c, 2 * p - 1) = w(c, p).first;
            t.coinLimitTable(c, 2 * p) = w(c, p).second;
        }
}

int byteSum(const Image& image, int from, int to)
{
    int s = 0;
    for (int a = from; a <= to; ++a)
        s += (image[std::size_t(a)] & 0xFF) + ((image[std::size_t(a)] >> 8) & 0xFF);
    return s & 0xFF;
}

} // namespace

// ---- Mars --------------------------------------------------------------------------------------

TEST(MarsMapping, NibblesOfEveryGroupAndTheSegmentMark)
{
    CoinTables t;
    Image img{};
    img.fill(7);
    t.coinLimitTable(7, 1) = 291;  // segment 1, position A, low limit of parameter 1
    t.coinLimitTable(8, 4) = 4095; // position B, high limit of parameter 2
    t.coinLimitTable(12, 6) = 5000;
    t.coinLimitTable(12, 5) = -7;
    t.coinLimitTable(1, 1) = 99; // segment 0 is not mapped
    mapMarsSegment(1, t, img);

    EXPECT_EQ(words(img, {128, 129, 130, 131}), (V{15, 3, 2, 1}));
    EXPECT_EQ(words(img, {128 + 1 + 36 + 6 + 3, 128 + 1 + 36 + 6 + 4, 128 + 1 + 36 + 6 + 5}), (V{15, 15, 15}));
    // Out of range: 4095 and 0, in the table as well.
    EXPECT_EQ(words(img, {128 + 76 + 30, 128 + 76 + 31, 128 + 76 + 32}), (V{15, 15, 15}));
    EXPECT_EQ(words(img, {128 + 73 + 30, 128 + 73 + 31, 128 + 73 + 32}), (V{0, 0, 0}));
    EXPECT_EQ(t.coinLimitTable(12, 6), 4095);
    EXPECT_EQ(t.coinLimitTable(12, 5), 0);
    // Unset windows are zeros; words 109..127 and the other segments keep what they held.
    EXPECT_EQ(words(img, {128 + 4, 128 + 102, 128 + 109, 128 + 110, 128 + 111, 255}), (V{0, 0, 7, 7, 7, 7}));
    EXPECT_EQ(words(img, {0, 1, 127, 256, 511}), (V{7, 7, 7, 7, 7}));
}

TEST(MarsMapping, LargeSegmentsCountAsTheLastAndANegativeOneWritesNothing)
{
    CoinTables t;
    t.coinLimitTable(19, 2) = 0x456;
    Image img{};
    mapMarsSegment(9, t, img);
    EXPECT_EQ(words(img, {384, 384 + 4, 384 + 5, 384 + 6}), (V{15, 6, 5, 4}));

    Image untouched{};
    t.coinLimitTable(1, 1) = 9000;
    EXPECT_EQ(testing_support::errNumber([&] { mapMarsSegment(-1, t, untouched); }), 9);
    EXPECT_EQ(untouched, Image{});
    EXPECT_EQ(t.coinLimitTable(1, 1), 9000);
}

// ---- CC limit words ---------------------------------------------------------------------------

TEST(CcMapping, EveryModelsWindowWordsOverTheReadImage)
{
    struct Layout {
        const char* model;
        int base, stride, channels, params, copy;
    };
    const Layout layouts[] = {
        {"C120", 10, 12, 12, 3, 0}, {"Sentinel", 0, 8, 8, 3, 0}, {"220B", 9, 16, 8, 3, 8},
        {"335", 9, 16, 16, 3, 0},   {"435", 16, 16, 16, 5, 0},  {"450", 16, 12, 12, 4, 0},
    };
    for (const Layout& l : layouts) {
        SCOPED_TRACE(l.model);
        const MechEntry e = mechEntry(Family::CC, l.model);
        const ModelParams params = paramsOf("CC", l.model);
        CoinTables t;
        MemoryImages m;
        fillRead(m, params.memorySize);
        m.progImage.fill(-1);
        setWindows(t, l.channels, l.params, [](int c, int p) { return std::pair{4 * c + p, 130 + 4 * c + p}; });
        const CcMapResult r = mapCcImage(e, params, t, m);
        EXPECT_FALSE(r.outputsError);

        Image expected = m.readImage;
        for (int a = params.memorySize; a <= kImageTop; ++a)
            expected[std::size_t(a)] = -1;
        for (int c = 1; c <= l.channels; ++c)
            for (int p = 1; p <= l.params; ++p) {
                const int w = l.base + (c - 1) + l.stride * (p - 1);
                expected[std::size_t(w)] = (130 + 4 * c + p) * 256 + 4 * c + p;
                if (l.copy)
                    expected[std::size_t(w + l.copy)] = expected[std::size_t(w)];
            }
        const int check = l.model == QLatin1String("Sentinel") ? 63 : 127;
        expected[std::size_t(check)] = m.progImage[std::size_t(check)];
        EXPECT_EQ(m.progImage, expected);
        if (check == 127) {
            EXPECT_EQ(byteSum(m.progImage, 0, 127), byteSum(m.readImage, 0, 127));
        } else {
            EXPECT_EQ(byteSum(m.progImage, 0, 63), 0);
        }
    }
}

TEST(CcMapping, ClampedInTheTableAndTheWordAnd220BCopies)
{
    const ModelParams params = paramsOf("CC", "220B");
    CoinTables t;
    MemoryImages m;
    t.coinLimitTable(3, 3) = 300; // channel 3, parameter 2
    t.coinLimitTable(3, 4) = -4;
    t.coinLimitTable(3, 2) = 77;
    mapCcImage(mechEntry(Family::CC, "220B"), params, t, m);
    EXPECT_EQ(t.coinLimitTable(3, 3), 255);
    EXPECT_EQ(t.coinLimitTable(3, 4), 0);
    EXPECT_EQ(words(m.progImage, {27, 35, 11, 19}), (V{0x00FF, 0x00FF, 0x4D00, 0x4D00}));
}

TEST(CcMapping, C120OutputRecordsOfBothLayouts)
{
    const MechEntry e = mechEntry(Family::CC, "C120");
    const ModelParams params = paramsOf("CC", "C120");
    auto mapped = [&](bool layoutM, const V& values, bool loaded = true) {
        CoinTables t;
        MemoryImages m;
        fillRead(m, 128);
        setWindows(t, 12, 3, [](int c, int p) { return std::pair{5 * c + p, 150 + p}; });
        t.c120OutputsLoaded = loaded;
        t.c120LayoutM = layoutM;
        for (int i = 0; i < 12; ++i)
            t.coinOutputs(i) = values[std::size_t(i)];
        const CcMapResult r = mapCcImage(e, params, t, m);
        EXPECT_FALSE(r.outputsError);
        return m.progImage;
    };
    EXPECT_EQ(words(mapped(false, {1, 2, 3, 4, 5, 6, 0, 1, 2, 3, 4, 5}), {82, 83, 84, 85, 86, 87, 88, 127}),
              (V{0x0100, 0x0402, 0x1008, 0x0020, 0x0201, 0x0804, 0x0010, 0x3966}));
    EXPECT_EQ(words(mapped(true, {0x41, 0x12, -65535, 0x1FF, 0, 1, 2, 3, 4, 5, 6, 7}), {109, 110, 111, 112, 113, 114, 127}),
              (V{0x1241, 0xFF01, 0x0100, 0x0302, 0x0504, 0x0706, 0xDA66}));
    EXPECT_EQ(words(mapped(false, V(12, 3), false), {82, 88, 127}), (V{0x0BE5, 0x0CC3, 0xF866}));

    // Another model never writes output words.
    CoinTables t;
    MemoryImages m;
    t.c120OutputsLoaded = true;
    t.coinOutputs(0) = 1;
    mapCcImage(mechEntry(Family::CC, "335"), paramsOf("CC", "335"), t, m);
    EXPECT_EQ(m.progImage[82], 0);
}

TEST(CcMapping, C120OutputBytes)
{
    EXPECT_EQ(c120OutputByte(0, false), 0);
    EXPECT_EQ(c120OutputByte(1, false), 1);
    EXPECT_EQ(c120OutputByte(6, false), 32);
    EXPECT_EQ(testing_support::errNumber([] { c120OutputByte(7, false); }), 5);
    EXPECT_EQ(testing_support::errNumber([] { c120OutputByte(-1, false); }), 5);
    EXPECT_EQ(c120OutputByte(0x141, true), 0x41);
    EXPECT_EQ(c120OutputByte(-65535, true), 0x01);
}

// ---- routing ----------------------------------------------------------------------------------

TEST(CcRouting, SentinelCounterCheckWordAndChecksumAfterIt)
{
    const MechEntry e = mechEntry(Family::CC, "Sentinel");
    const ModelParams params = paramsOf("CC", "Sentinel");
    auto routed = [&](qint32 w53, qint32 r0, qint32 r1) {
        CoinTables t;
        MemoryImages m;
        for (int a = 0; a < 64; ++a)
            m.readImage[std::size_t(a)] = (a * 0x0101) & 0xFFFF;
        m.readImage[53] = w53;
        m.readImage[57] = 0;
        setWindows(t, 8, 3, [](int c, int p) { return std::pair{10 * c + p, 100 + 10 * c + p}; });
        t.routingLoaded = true;
        t.routingTable(0) = r0;
        t.routingTable(1) = r1;
        mapCcImage(e, params, t, m);
        EXPECT_TRUE(mapCcRouting(e, t, m).isEmpty());
        return m.progImage;
    };
    EXPECT_EQ(words(routed(0x0507, 0x1234, 0x0056), {53, 54, 55, 56, 57, 58, 63}),
              (V{0x0607, 0x1234, 0x0056, 0xB500, 0x0000, 0xD2D0, 0x0050}));
    // Words 53..58 summing to a multiple of 256 need a check byte of 0, which fits the word.
    EXPECT_EQ(words(routed(0x0500, 0x0058, 0x0000), {53, 56, 63}), (V{0x0600, 0x0000, 0x0050}));
}

TEST(CcRouting, The435And450WordsAndAValueTooWide)
{
    const MechEntry e = mechEntry(Family::CC, "435");
    const ModelParams params = paramsOf("CC", "435");
    auto routed = [&](qint32 r21, QList<int>* tooWide) {
        CoinTables t;
        MemoryImages m;
        fillRead(m, 256);
        setWindows(t, 16, 5, [](int c, int p) {
            const int lo = (7 * c + 3 * p) & 0x7F;
            return std::pair{lo, lo + 100};
        });
        t.routingLoaded = true;
        for (int i = 0; i < 16; ++i)
            t.routingTable(i) = 0x0100 + 0x11 * i;
        t.routingTable(16) = 1;
        for (int i = 17; i <= 20; ++i)
            t.routingTable(i) = 0x1111 * (i - 16);
        t.routingTable(21) = r21;
        t.routingTable(22) = 2;
        mapCcImage(e, params, t, m);
        *tooWide = mapCcRouting(e, t, m);
        return m.progImage;
    };
    QList<int> tooWide;
    EXPECT_EQ(words(routed(3, &tooWide), {11, 110, 113, 127, 128, 143, 204, 228}),
              (V{0x01A2, 0x1111, 0x4444, 0x1466, 0x0100, 0x01FF, 0x0287, 0x0342}));
    EXPECT_TRUE(tooWide.isEmpty());
    EXPECT_EQ(words(routed(256, &tooWide), {127, 228}), (V{0x1466, 0x20FF}));
    EXPECT_EQ(tooWide, QList<int>{21});

    CoinTables t;
    MemoryImages m;
    t.routingLoaded = true;
    t.routingTable(0) = 0xA;
    t.routingTable(1) = 0xB;
    t.routingTable(2) = 0x10000;
    EXPECT_EQ(mapCcRouting(mechEntry(Family::CC, "450"), t, m), QList<int>{2});
    EXPECT_EQ(words(m.progImage, {121, 122, 123}), (V{0xA, 0xB, 0}));

    // Without a route record, or on a model without routing words, nothing is written.
    MemoryImages none;
    t.routingLoaded = false;
    mapCcRouting(mechEntry(Family::CC, "450"), t, none);
    t.routingLoaded = true;
    mapCcRouting(mechEntry(Family::CC, "335"), t, none);
    EXPECT_EQ(none.progImage, Image{});
}

// ---- back into the table ----------------------------------------------------------------------

TEST(ReadBack, EveryModelRoundTripsWithSelfLinks)
{
    QRandomGenerator rng(9);
    const std::pair<const char*, const char*> models[] = {
        {"CC", "C120"}, {"CC", "Sentinel"}, {"CC", "220B"}, {"CC", "335"}, {"CC", "435"},
        {"CC", "450"},  {"Mars", "MS1000"}, {"Mars", "ME181"}, {"NRI", "G13-6000"}, {"NRI", "G10-4000"},
    };
    for (const auto& [family, model] : models) {
        SCOPED_TRACE(model);
        const MechEntry e = mechEntry(familyNamed(family), model);
        const ModelParams params = paramsOf(family, model);
        const bool mars = e.kind == MechKind::Mars;
        const int channels = mars ? 6 * e.mars.maxSegments : params.coinCount;
        CoinTables t;
        for (int c = 1; c <= channels; ++c) {
            for (int col = 1; col <= 2 * params.paramCount; ++col)
                t.coinLimitTable(c, col) = int(rng.bounded(e.limits.limitCap + 1));
            t.coinValues(c) = int(rng.bounded(256));
        }
        const CoinTables before = t;
        MemoryState mem;
        if (mars) {
            for (int s = 0; s < e.mars.maxSegments; ++s)
                mapMarsSegment(s, t, mem.images.progImage);
            if (e.mars.coinValuesInImage) {
                std::array<qint32, 25> values{};
                for (int c = 0; c < 25; ++c)
                    values[std::size_t(c)] = t.coinValues(c);
                remapImageME181(values, mem.images.progImage);
            }
            mem.images.oldImage = mem.images.progImage;
        } else if (e.isCc()) {
            mapCcImage(e, params, t, mem.images);
            mem.images.readImage = mem.images.progImage;
        } else {
            for (int c = 1; c <= channels; ++c)
                for (int col = 1; col <= 12; ++col)
                    mem.nri.nriLimitTable[std::size_t(c)][std::size_t(col)] = t.coinLimitTable(c, col);
        }
        t.coinLimitTable.fill(0);
        for (int c = 1; c <= channels; ++c)
            t.coinLink(c) = c % 2 ? c : -c; // a negative link keeps the same windows
        if (mars) {
            EXPECT_TRUE(copyMarsWindows(e, t, mem.images.oldImage, mem.nri.mechCoinValues).isEmpty());
        } else if (e.isCc()) {
            copyCcWindows(e, params, t, mem.images.readImage);
        } else {
            copyNriWindows(e, params, t, mem.nri, mem.nriCoin);
        }
        EXPECT_EQ(t.coinLimitTable, before.coinLimitTable);
        if (e.mars.coinValuesInImage) {
            EXPECT_EQ(t.coinValues, before.coinValues);
        }
    }
}

TEST(ReadBack, Me181ChannelTakesTheValueOfThePositionItKeeps)
{
    const MechEntry e = mechEntry(Family::Mars, "ME181");
    CoinTables t;
    Image old{};
    std::array<qint32, 25> values{};
    for (int c = 1; c <= 12; ++c)
        values[std::size_t(c)] = 10 * c;
    remapImageME181(values, old);
    old[128 + 1] = 5; // position A1, low limit of parameter 1: 5
    t.coinLink(3) = 9;
    t.coinLink(4) = -1;
    t.coinLink(5) = 13; // no position 13 on an ME181
    t.coinLimitTable(5, 1) = 44;
    CoinArray mechValues{};
    EXPECT_EQ(copyMarsWindows(e, t, old, mechValues), QList<int>{5});
    EXPECT_EQ(t.coinValues(3), 90);
    EXPECT_EQ(t.coinValues(4), 10);
    EXPECT_EQ(t.coinValues(9), 0);
    EXPECT_EQ(t.coinLimitTable(4, 1), 5);
    EXPECT_EQ(t.coinLimitTable(5, 1), 44); // receives nothing
    EXPECT_EQ(mechValues[12], 120);
    EXPECT_EQ(me181CoinValueWord(1), 64);
    EXPECT_EQ(me181CoinValueWord(6), 2);
    EXPECT_EQ(me181CoinValueWord(7), 320);
    EXPECT_EQ(me181CoinValueWord(12), 258);
}

TEST(ReadBack, CcWordsOutsideTheLimitsAreCopiedAsRead)
{
    CoinTables t;
    Image read{};
    read[9 + 1] = 0x12345; // 335 channel 2, parameter 1
    t.coinLink(5) = 2;
    copyCcWindows(mechEntry(Family::CC, "335"), paramsOf("CC", "335"), t, read);
    EXPECT_EQ(t.coinLimitTable(5, 1), 0x45);
    EXPECT_EQ(t.coinLimitTable(5, 2), 0x123);
}

TEST(ReadBack, WildLinksRaiseBeforeAnythingChanges)
{
    for (qint32 link : {25, -25, std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max()}) {
        CoinTables t;
        t.coinLink(1) = 1;
        t.coinLink(2) = link;
        MemoryState mem;
        mem.images.readImage[9] = 0x0102;
        mem.images.oldImage.fill(1);
        const CoinTables before = t;
        EXPECT_EQ(testing_support::errNumber([&] { copyCcWindows(mechEntry(Family::CC, "335"), paramsOf("CC", "335"), t, mem.images.readImage); }), 9);
        EXPECT_EQ(testing_support::errNumber([&] { copyMarsWindows(mechEntry(Family::Mars, "MS1000"), t, mem.images.oldImage, mem.nri.mechCoinValues); }), 9);
        EXPECT_EQ(testing_support::errNumber([&] { copyNriWindows(mechEntry(Family::NRI, "G13-6000"), paramsOf("NRI", "G13-6000"), t, mem.nri, mem.nriCoin); }), 9);
        EXPECT_EQ(t, before);
    }
}

// ---- the Mars PROM report ---------------------------------------------------------------------

TEST(MarsPromReport, DumpRowsOfEitherHalf)
{
    MemoryImages m;
    for (int a = 0; a < 512; ++a) {
        m.readImage[std::size_t(a)] = a % 16;
        m.progImage[std::size_t(a)] = (a / 16) % 16;
    }
    CoinTables t;
    CoinArray values{};
    const TextTable texts;
    const MechEntry e = mechEntry(Family::Mars, "MS1000");
    const MarsPromReport low = buildMarsPromReport(DataAddr0, 1, e, m, t, values, texts);
    const QStringList rows = low.read.split("\r\n");
    ASSERT_EQ(rows.size(), 17);
    EXPECT_EQ(rows[0], "00 0 1 2 3 4 5 6 7 8 9 A B C D E F ");
    EXPECT_EQ(rows[15], "F0 0 1 2 3 4 5 6 7 8 9 A B C D E F ");
    EXPECT_EQ(rows[16], "");
    EXPECT_EQ(low.toProgram.split("\r\n")[10], "A0 A A A A A A A A A A A A A A A A ");
    // The upper half needs a 2K PROM; with a 1K one the view shows addresses 0..255 again.
    EXPECT_EQ(buildMarsPromReport(DataAddr256, 1, e, m, t, values, texts).toProgram.split("\r\n")[0],
              "00 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 ");
    EXPECT_EQ(buildMarsPromReport(DataAddr256, 0, e, m, t, values, texts).toProgram, low.toProgram);
    EXPECT_EQ(buildMarsPromReport(7, 1, e, m, t, values, texts).read, "");
}

TEST(MarsPromReport, LimitRowsDecodeIntoTheReadTable)
{
    MemoryImages m;
    CoinTables t;
    CoinArray values{};
    const TextTable texts;
    // Segment 3 (words 256..), position B, low limit of parameter 1: 0x123; segment 4 position F
    // high limit of parameter 3: 4095.
    m.readImage[256 + 7] = 3;
    m.readImage[256 + 8] = 2;
    m.readImage[256 + 9] = 1;
    for (int k = 0; k < 3; ++k)
        m.readImage[std::size_t(384 + 76 + 30 + k)] = 15;
    t.coinLimitTable(14, 1) = 291;
    t.coinLimitTable(24, 6) = 7;
    const MarsPromReport r = buildMarsPromReport(LimitsSegs34, 1, mechEntry(Family::Mars, "MS1000"), m, t, values, texts);
    const QStringList read = r.read.split("\r\n");
    const QStringList prog = r.toProgram.split("\r\n");
    ASSERT_EQ(read.size(), 15);
    EXPECT_EQ(read[0], "     Thickness Diameter  Material");
    EXPECT_EQ(read[1], "Coin --------- --------- ---------");
    EXPECT_EQ(read[2], "A3   0000 0000 0000 0000 0000 0000 ");
    EXPECT_EQ(read[3], "B3   0291 0000 0000 0000 0000 0000 ");
    EXPECT_EQ(read[13], "F4   0000 0000 0000 0000 0000 4095 ");
    EXPECT_EQ(prog[3], "B3   0291 0000 0000 0000 0000 0000 ");
    EXPECT_EQ(prog[13], "F4   0000 0000 0000 0000 0000 0007 ");
    EXPECT_EQ(m.readLimitTable[14][1], 291);
    EXPECT_EQ(m.readLimitTable[24][6], 4095);
}

TEST(MarsPromReport, Me181LimitsAndValues)
{
    MemoryImages m;
    CoinTables t;
    std::array<qint32, 25> read{};
    for (int c = 1; c <= 12; ++c) {
        read[std::size_t(c)] = 20 * c;
        t.coinValues(c) = c;
    }
    remapImageME181(read, m.readImage);
    m.readImage[128 + 1] = 9;          // A1 low limit of parameter 1
    m.readImage[384 + 1 + 6 + 3] = 4; // B2 high limit of parameter 1
    CoinArray values{};
    const MarsPromReport r = buildMarsPromReport(LimitsSegs12, 1, mechEntry(Family::Mars, "ME181"), m, t, values, TextTable());
    const QStringList rows = r.read.split("\r\n");
    ASSERT_EQ(rows.size(), 17);
    EXPECT_EQ(rows[2], "A1   0009 0000 0000 0000 0000 0000 ");
    EXPECT_EQ(rows[9], "B2   0000 0004 0000 0000 0000 0000 ");
    EXPECT_EQ(rows[14], "Values  A   B   C   D   E   F");
    EXPECT_EQ(rows[15], "    L   020 040 060 080 100 120 ");
    EXPECT_EQ(rows[16], "    H   140 160 180 200 220 240 ");
    EXPECT_EQ(r.toProgram.split("\r\n")[15], "    L   001 002 003 004 005 006 ");
    EXPECT_EQ(values[7], 140);
}

// ---- through the job's family: traps and messages ---------------------------------------------

struct FamilyMapping : quenby_tests::MechTest {
    std::unique_ptr<MechFamily> family(const QString& fam, const QString& model)
    {
        startJob(fam, model);
        return families.forJob();
    }
};

TEST_F(FamilyMapping, NriMappingWritesNothingAndMarsMapsOneSegment)
{
    mem.images.readImage.fill(3);
    mem.coins.coinLimitTable(1, 1) = 40;
    mapCoinTableToProm(*family("NRI", "G13-6000"), 0);
    EXPECT_EQ(mem.images.progImage, Image{});
    mapCoinTableToProm(*family("Mars", "ME111"), 0);
    EXPECT_EQ(words(mem.images.progImage, {0, 1, 2, 3, 128}), (V{15, 8, 2, 0, 0}));
}

TEST_F(FamilyMapping, WildLinkIsReportedOnceAndMe181PositionAbove12IsRefused)
{
    mem.coins.coinLink(2) = 40;
    const CoinTables before = mem.coins;
    dialogs.answer(plat::mb::OK, " 118 Error Copying Old PROM Data");
    copyPromToCoinTable(*family("CC", "335"));
    EXPECT_TRUE(dialogs.boxes().back().text.endsWith("\r\nSubscript out of range - 9"));
    EXPECT_EQ(mem.coins, before);

    mem.coins.coinLink(2) = 14;
    mem.coins.coinLink(3) = 1;
    mem.images.oldImage[128 + 1] = 6;
    dialogs.answer(plat::mb::OK, "PROM COPY SOURCE ERROR ME181");
    copyPromToCoinTable(*family("Mars", "ME181"));
    EXPECT_EQ(dialogs.boxes().back().title, "Error");
    EXPECT_EQ(dialogs.boxes().back().style, plat::mb::Critical);
    EXPECT_EQ(mem.coins.coinLimitTable(3, 1), 6);
    EXPECT_EQ(dialogs.boxes().size(), 2u);
}

TEST_F(FamilyMapping, BadOutputRecordAndTooWideRoutingAreReportedAndTheRestMapped)
{
    auto c120 = family("CC", "C120");
    mem.images.readImage[82] = 0x7777;
    mem.coins.c120OutputsLoaded = true;
    mem.coins.coinOutputs(4) = 9;
    mem.coins.coinLimitTable(1, 1) = 5;
    dialogs.answer(plat::mb::OK, " 157 Error Mapping C120 Outputs");
    mapCoinTableToProm(*c120, 0);
    EXPECT_EQ(words(mem.images.progImage, {82, 10}), (V{0x7777, 5}));

    auto sentinel = family("CC", "Sentinel");
    mem.coins.routingLoaded = true;
    mem.coins.routingTable(0) = -1;
    mem.coins.routingTable(1) = 0x23;
    mem.images.readImage[54] = 0x3333;
    mem.images.readImage[3] = 0x0005;
    mem.images.progImage = mem.images.readImage;
    dialogs.answer(plat::mb::OK, " 116 Error Mapping CC Routing Data");
    mapCcRouting(*sentinel);
    EXPECT_TRUE(dialogs.boxes().back().text.endsWith("\r\nOverflow - 6"));
    EXPECT_EQ(words(mem.images.progImage, {54, 55, 58}), (V{0x3333, 0x23, 0xD2D0}));
    EXPECT_EQ(byteSum(mem.images.progImage, 0, 63), 0);
}

TEST_F(FamilyMapping, ReportWaitsForItsViewAndShowsBothPanes)
{
    struct View : PromDataView {
        std::optional<int> chosen;
        QString read, prog;
        std::optional<int> showReportView() override { return chosen; }
        void setPanes(const QString& r, const QString& p) override
        {
            read = r;
            prog = p;
        }
    } view;
    auto mars = family("Mars", "MS1000");
    formatMarsPromReport(*mars, view); // no view: nothing
    EXPECT_TRUE(view.read.isEmpty());
    view.chosen = 1;
    formatMarsPromReport(*mars, view);
    EXPECT_TRUE(view.read.startsWith("     Thickness"));
    EXPECT_TRUE(view.prog.contains("F2   0000"));
}

// ---- the simulated mechs' own memories --------------------------------------------------------

TEST_F(FamilyMapping, ReadMechsGiveTheirWindowsBackAndMapToTheSameWords)
{
    for (const char* model : {"Sentinel", "435", "450", "C120"}) {
        SCOPED_TRACE(model);
        plugNew<sim::QuenbyMech>("CC", model);
        auto f = families.forJob();
        ASSERT_TRUE(readMechMemory(ctx()).complete);
        mem.coins = CoinTables();
        for (int c = 1; c <= params.coinCount; ++c)
            mem.coins.coinLink(c) = c;
        copyPromToCoinTable(*f);
        for (int c = 1; c <= params.coinCount; ++c) {
            const auto w = sim::typicalCcWindows(model, c);
            for (int p = 1; p <= params.paramCount; ++p)
                ASSERT_EQ((std::pair{mem.coins.coinLimitTable(c, 2 * p - 1), mem.coins.coinLimitTable(c, 2 * p)}),
                          (std::pair{w[p - 1].first, w[p - 1].second}))
                    << c << " " << p;
        }
        mapCoinTableToProm(*f, 0);
        EXPECT_EQ(differingWords(mem.images.readImage, mem.images.progImage, 0, params.memorySize - 1),
                  std::vector<WordDifference>{});
    }

    plugNew<sim::QuenbyMech>("Mars", "ME181");
    mem.promSize = 1;
    auto me181 = families.forJob();
    ASSERT_TRUE(readMechMemory(ctx()).complete);
    mem.images.oldImage = mem.images.readImage;
    mem.coins = CoinTables();
    for (int c = 1; c <= 12; ++c)
        mem.coins.coinLink(c) = c;
    copyPromToCoinTable(*me181);
    for (int c = 1; c <= 12; ++c) {
        EXPECT_EQ(mem.coins.coinValues(c), sim::MarsSocket::typicalCoinValue(c));
        EXPECT_EQ(mem.coins.coinLimitTable(c, 3), sim::MarsSocket::typicalWindows(c)[1].first);
    }
}

TEST_F(FamilyMapping, RoutedImagesProgramIntoMechsWhoseChecksumsHold)
{
    // The route record changes words the mech sums; programmed, the mech must find its sum.
    {
        auto* mech = plugNew<sim::SentinelMech>("CC", "Sentinel");
        auto f = families.forJob();
        ASSERT_TRUE(readMechMemory(ctx()).complete);
        mem.coins.routingLoaded = true;
        mem.coins.routingTable(0) = 0x4321;
        mem.coins.routingTable(1) = 0x0765;
        mem.coins.coinLimitTable(2, 1) = 33;
        mapCoinTableToProm(*f, 0);
        mapCcRouting(*f);
        EXPECT_TRUE(f->program());
        EXPECT_EQ(mech->word(54), 0x4321);
        EXPECT_EQ(mech->word(1) & 0xFF, 33);
        EXPECT_TRUE(mech->checksumOk());
    }
    for (const char* model : {"435", "450"}) {
        SCOPED_TRACE(model);
        auto* mech = plugNew<sim::CcMech>("CC", model);
        auto f = families.forJob();
        ASSERT_TRUE(readMechMemory(ctx()).complete);
        mem.coins = CoinTables();
        for (int c = 1; c <= params.coinCount; ++c)
            mem.coins.coinLink(c) = c;
        copyPromToCoinTable(*f);
        mem.coins.routingLoaded = true;
        for (int i = 0; i <= 22; ++i)
            mem.coins.routingTable(i) = i % 7 + 1;
        mapCoinTableToProm(*f, 0);
        mapCcRouting(*f);
        EXPECT_TRUE(f->program());
        EXPECT_EQ(mech->word(QLatin1String(model) == "435" ? 128 : 121), 1);
        EXPECT_TRUE(mech->byteSumOk());
    }
}
