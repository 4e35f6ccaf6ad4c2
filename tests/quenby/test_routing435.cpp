#include "quenby/link/images.h"
#include "quenby/memutils/routing435.h"

#include <gtest/gtest.h>

using namespace quenby;

namespace {

const MechEntry k435 = mechEntry(Family::CC, "435");

// The image of memwindow_vectors.py.
Image readImage435()
{
    Image r{};
    for (int a = 0; a < 256; ++a)
        r[size_t(a)] = (a * 97 + 13) & 0xFFFF;
    r[11] = 0x0123;
    r[110] = 0x8421;
    r[111] = 0x0000;
    r[112] = 0xFFFF;
    r[113] = 0x1234;
    r[127] = 0x9A5C;
    r[204] = 0x0355;
    r[228] = 0x0242;
    for (int c = 0; c < 16; ++c)
        r[size_t(128 + c)] = (c % 8) * 0x1111;
    return r;
}

std::vector<int> differing(const Image& a, const Image& b)
{
    std::vector<int> out;
    for (const WordDifference& d : differingWords(a, b, 0, kImageTop))
        out.push_back(d.address);
    return out;
}

RoutingEncoding encode(const Routing435& f, const Image& read) { return encodeRouting435(f, read, Image{}, 256, k435); }

} // namespace

TEST(Routing435, DecodesEveryField)
{
    Image r = readImage435();
    r[129] = 0x9210; // coin 1: D, C, B and a nibble above 7
    const Routing435 f = decodeRouting435(r);
    EXPECT_EQ((QStringList{f.sort[0], f.sort[1], f.sort[2], f.sort[3]}), (QStringList{"D", "D", "D", "D"}));
    EXPECT_EQ((QStringList{f.sort[4], f.sort[5], f.sort[6], f.sort[7]}), (QStringList{"D", "C", "B", "?"}));
    EXPECT_EQ(f.sort[63], "d"); // coin 15: 7 in every nibble
    EXPECT_EQ((QStringList{f.code[0], f.code[1], f.code[2], f.code[3]}), (QStringList{"0001", "0010", "0100", "1000"}));
    EXPECT_EQ(f.code[8], "1111");
    EXPECT_EQ((QStringList{f.code[12], f.code[13], f.code[14], f.code[15]}), (QStringList{"0100", "0011", "0010", "0001"}));
    EXPECT_TRUE(f.fromMemory);
    EXPECT_EQ(f.plugDefault, "A");

    r[11] = 0x0023;
    r[204] = 0x0955; // no plug default code the editor knows
    const Routing435 g = decodeRouting435(r);
    EXPECT_FALSE(g.fromMemory);
    EXPECT_EQ(g.plugDefault, "?");
}

TEST(Routing435, UnchangedFieldsGiveTheImageAsRead)
{
    const Image r = readImage435();
    const RoutingEncoding e = encode(decodeRouting435(r), r);
    ASSERT_TRUE(e.image);
    EXPECT_EQ(e.textId, 0);
    EXPECT_EQ(differing(*e.image, r), std::vector<int>{});
}

TEST(Routing435, EditsChangeTheirWordsAndTheChecksum)
{
    const Image r = readImage435();
    Routing435 f = decodeRouting435(r);
    f.code[5] = "0110";
    f.fromMemory = false;
    RoutingEncoding e = encode(f, r);
    ASSERT_TRUE(e.image);
    EXPECT_EQ(differing(*e.image, r), (std::vector<int>{11, 111, 127}));
    EXPECT_EQ((*e.image)[11], 0x0023);
    EXPECT_EQ((*e.image)[111], 0x0060);
    EXPECT_EQ((*e.image)[127], 0x3B5C);

    f = decodeRouting435(r);
    for (QString& c : f.code)
        c = "1111";
    e = encode(f, r);
    ASSERT_TRUE(e.image);
    EXPECT_EQ((*e.image)[127], 0x8B5C);

    // Paths, and the routing source back on.
    Image plug = r;
    plug[11] = 0x0023;
    f = decodeRouting435(plug);
    f.sort[0] = "A";
    f.sort[1] = "B";
    f.sort[2] = "C";
    f.sort[3] = "D";
    f.fromMemory = true;
    e = encode(f, plug);
    ASSERT_TRUE(e.image);
    EXPECT_EQ((*e.image)[128], 0x0123);
    EXPECT_EQ((*e.image)[11], 0x0123);
}

TEST(Routing435, PlugDefaultCodes)
{
    const Image r = readImage435();
    Routing435 f = decodeRouting435(r);
    f.plugDefault = "D";
    RoutingEncoding e = encode(f, r);
    ASSERT_TRUE(e.image);
    EXPECT_EQ((*e.image)[204], 0x0055);
    EXPECT_EQ((*e.image)[228], 0x0542);
    f.plugDefault = "dA"; // only the first character counts
    e = encode(f, r);
    ASSERT_TRUE(e.image);
    EXPECT_EQ((*e.image)[204], 0x0755);
    EXPECT_EQ((*e.image)[228], 0x0642);
    EXPECT_EQ(decodeRouting435(*e.image).plugDefault, "d");
}

TEST(Routing435, RefusesWhatItCannotEncode)
{
    const Image r = readImage435();
    const Routing435 good = decodeRouting435(r);
    const auto refusal = [&](auto edit) {
        Routing435 f = good;
        edit(f);
        const RoutingEncoding e = encode(f, r);
        EXPECT_FALSE(e.image);
        return std::pair{e.textId, e.titleId};
    };
    const std::pair path{712, 713};
    const std::pair code{714, 715};
    for (const char* bad : {"E", "AB", "A ", "", "?", "1"})
        EXPECT_EQ(refusal([&](Routing435& f) { f.sort[17] = bad; }), path) << bad;
    for (const char* bad : {"010", "0120", "01a1", "", "00001"})
        EXPECT_EQ(refusal([&](Routing435& f) { f.code[9] = bad; }), code) << bad;
    // Both wrong: only the path is reported.
    EXPECT_EQ(refusal([](Routing435& f) { f.sort[0] = "x"; f.code[0] = "2"; }), path);
    // A plug default outside the eight letters would write leftovers to 204 and 228.
    for (const char* bad : {"", "?", "E", " A"})
        EXPECT_EQ(refusal([&](Routing435& f) { f.plugDefault = bad; }), path) << bad;
}

TEST(Routing435, BuildsApartFromTheProgramImage)
{
    const Image r = readImage435();
    Image prog{};
    prog[300] = 77; // beyond the memory: kept
    prog[20] = 5;   // within it: replaced by what was read
    const Image before = prog;
    const RoutingEncoding e = encodeRouting435(decodeRouting435(r), r, prog, 256, k435);
    ASSERT_TRUE(e.image);
    EXPECT_EQ(prog, before);
    EXPECT_EQ((*e.image)[300], 77);
    EXPECT_EQ((*e.image)[20], r[20]);
}
