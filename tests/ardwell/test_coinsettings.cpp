#include "ardwell/bench/coinsettings.h"
#include "ardwell/bench/windowpack.h"
#include "platform/runtimeerror.h"

#include <gtest/gtest.h>
#include <random>

using namespace ardwell;

namespace {

const Model kModels[] = {Model::M126, Model::M330, Model::M340, Model::M560, Model::PCA};

int coinsOf(Model m) { return m == Model::M330 || m == Model::M340 || m == Model::M560 ? 12 : 16; }

// An image as a mech of the model holds it: unused words distinct and non-zero, every setting
// a value the panel can show, windows on most coins.
EepromImage realisticImage(Model m, unsigned seed)
{
    std::mt19937 rng(seed);
    auto pick = [&](int n) { return int(rng() % unsigned(n)); };
    EepromImage img{};
    for (int w = 0; w <= 255; ++w)
        img[w] = 0x1000 + 7 * w;
    img[0] = m == Model::M126 ? 0x0302 : 0x04F0;
    for (int idx = 0; idx < coinsOf(m); ++idx) {
        if (!recordFits(m, idx))
            continue;
        RecordBytes r{};
        if (idx % 5 != 4) {
            const int low = 300 + pick(900);
            r = learnedRecord(CoinWindow{{low, low - 50, 200 + pick(300), pick(3) == 0 ? -pick(40) : pick(600)},
                                         {40 + pick(200), 10 + pick(245), pick(30), pick(256)}},
                              m == Model::M126 ? 1 + pick(4) : 7);
        }
        writeRecord(img, m, idx, r);
    }
    auto coinBytes = [&](int first, int words, auto value) {
        for (int idx = 0; idx < 2 * words; ++idx)
            setCoinByte(img, first + idx / 2, idx, value(idx));
    };
    auto oneLinePerCoin = [&](int first, int lines, int words) {
        for (int k = 0; k < words; ++k)
            img[first + k] = 0;
        for (int idx = 0; idx < coinsOf(m); ++idx)
            if (int line = pick(lines + 2); line < lines)
                img[first + line] = withCoinBit(img[first + line], idx, true);
    };
    switch (m) {
    case Model::M330:
        oneLinePerCoin(112, 6, 8);
        coinBytes(120, 6, [&](int idx) { return idx % 3 == 0 ? 0x37 + idx : 1 << pick(6); });
        break;
    case Model::M340:
        img[112] = 0x3A5B;
        img[113] = 0x0C77;
        coinBytes(121, 6, [&](int) { return pick(256); });
        break;
    case Model::M560: coinBytes(122, 6, [&](int) { return route560Byte(pick(8)); }); break;
    case Model::M126:
        oneLinePerCoin(216, 6, 6);
        coinBytes(222, 8, [&](int idx) { return 32 * pick(8) + (idx % 4 == 3 ? 0 : bcoCode(pick(16))); });
        img[239] = 0x5A00 | defaultRouteByte(pick(8));
        coinBytes(240, 8, [&](int) { return route126Byte(pick(9)); });
        coinBytes(248, 8, [&](int) { return plugByte(pick(9)); });
        break;
    case Model::PCA: break;
    }
    return img;
}

void storeAt(EepromImage& img, Model m, int coin, int percent = 100)
{
    CoinSettings s;
    HeldWindow h;
    decodeCoin(img, m, coin, s, h);
    encodeCoin(img, m, coin, s, h, percent);
}

} // namespace

TEST(CoinSettings, EachModelsImageSurvivesDecodeAndEncodeOfEveryCoin)
{
    for (Model m : kModels) {
        for (unsigned seed = 1; seed <= 5; ++seed) {
            const EepromImage before = realisticImage(m, seed);
            EepromImage img = before;
            for (int coin = 1; coin <= coinsOf(m); ++coin)
                storeAt(img, m, coin);
            for (int w = 0; w <= 512; ++w)
                ASSERT_EQ(img[w], before[w]) << modelText(m).toStdString() << " seed " << seed << " word " << w;
        }
    }
}

TEST(CoinSettings, ASecondDecodeAndEncodeOfARandomImageChangesNothing)
{
    std::mt19937 rng(12);
    for (Model m : kModels) {
        for (int round = 0; round < 20; ++round) {
            EepromImage img{};
            for (int w = 0; w <= 255; ++w)
                img[w] = int(rng() & 0xFFFF);
            for (int coin = 1; coin <= 16; ++coin)
                storeAt(img, m, coin);
            const EepromImage once = img;
            for (int coin = 1; coin <= 16; ++coin)
                storeAt(img, m, coin);
            ASSERT_EQ(img, once) << modelText(m).toStdString() << " round " << round;
        }
    }
}

TEST(CoinSettings, Model330OutputAndInhibitLines)
{
    EepromImage img{};
    img[122] = 0x0800; // channel 5: output byte 8
    CoinSettings s;
    HeldWindow h;
    ASSERT_TRUE(decodeCoin(img, Model::M330, 5, s, h));
    EXPECT_EQ(s.outputIndex, 3); // "D"
    EXPECT_EQ(s.binaryText, "08");
    EXPECT_FALSE(s.binaryEnabled);

    img[122] = 0x0300;
    decodeCoin(img, Model::M330, 5, s, h);
    EXPECT_EQ(s.outputIndex, 6); // "Bin"
    EXPECT_EQ(s.binaryText, "03");
    EXPECT_TRUE(s.binaryEnabled);
    img[122] = 0;
    encodeCoin(img, Model::M330, 5, s, h, 100);
    EXPECT_EQ(img[122], 0x0300);

    // A letter takes its bit code, and the hex box follows it.
    s.outputIndex = 4; // "E"
    encodeCoin(img, Model::M330, 5, s, h, 100);
    EXPECT_EQ(img[122], 0x1000);
    EXPECT_EQ(s.binaryText, "10");

    // Storing puts the coin on its line only, lines G and H included.
    for (int w = 112; w <= 119; ++w)
        img[w] = 0xFFFF;
    s.inhibitLineIndex = 1; // "B"
    encodeCoin(img, Model::M330, 5, s, h, 100);
    EXPECT_EQ(img[113], 0xFFFF);
    for (int w : {112, 114, 115, 116, 117, 118, 119})
        EXPECT_EQ(img[w], 0xEFFF) << w; // channel 5 = bit 4 of the swapped word = bit 12 stored
    s.inhibitLineIndex = 6; // " "
    encodeCoin(img, Model::M330, 5, s, h, 100);
    EXPECT_EQ(img[113], 0xEFFF);
}

TEST(CoinSettings, Model126Settings)
{
    EepromImage img{};
    // A coin on lines A and C shows C; storing leaves it on C only.
    img[216] = withCoinBit(0, 1, true);
    img[218] = withCoinBit(0, 1, true);
    CoinSettings s;
    HeldWindow h;
    decodeCoin(img, Model::M126, 2, s, h);
    EXPECT_EQ(s.inhibitLineIndex, 2);
    encodeCoin(img, Model::M126, 2, s, h, 100);
    EXPECT_EQ(img[216], 0);
    EXPECT_EQ(img[218], 0x0200);

    // Channel 3, output "A", digit 5: high byte of word 223 is 1 * 32 + 22.
    s.outputIndex = 1;
    s.binaryText = "5";
    encodeCoin(img, Model::M126, 3, s, h, 100);
    EXPECT_EQ(img[223] >> 8, 0x36);
    decodeCoin(img, Model::M126, 3, s, h);
    EXPECT_EQ(s.binaryText, "05");
    EXPECT_EQ(s.outputIndex, 1);
    const std::pair<const char*, int> texts[] = {{"None", 32}, {"", 32}, {"0F", 32 + 31}, {"f", 32 + 31},
                                                 {"10", 32}, {"G", 32}, {" 5", 32}, {"FFFFFFFFFFFF", 32}};
    for (const auto& [text, byte] : texts) {
        s.binaryText = text;
        encodeCoin(img, Model::M126, 3, s, h, 100);
        EXPECT_EQ(img[223] >> 8, byte) << text;
    }
    s.outputIndex = -1; // a list without a choice stores no line rather than a negative byte
    encodeCoin(img, Model::M126, 3, s, h, 100);
    EXPECT_EQ(img[223] >> 8, 0);

    // Channel 2 on route " b", plug "C", default route " d".
    s.routeIndex = 6;
    s.plugIndex = 3;
    s.defaultRouteIndex = 7;
    img[239] = 0xAB99;
    encodeCoin(img, Model::M126, 2, s, h, 100);
    EXPECT_EQ(img[240] & 0xFF, 8);
    EXPECT_EQ(img[248] & 0xFF, 4);
    EXPECT_EQ(img[239], 0xAB30);
    // A 126 leaves channels 13..16 as they are in word 0.
    EXPECT_EQ(img[0] & 0x00F0, 0);
}

TEST(CoinSettings, Model340CreditSettingsAreHeldToTheirFields)
{
    EepromImage img{};
    img[113] = 0x0577;
    img[117] = 0x0066;
    img[120] = 0x0055;
    CoinSettings s;
    HeldWindow h;
    decodeCoin(img, Model::M340, 2, s, h);
    EXPECT_EQ(s.scalingFactor, "5");
    s.coinValue = "300";
    s.scalingFactor = "0";
    s.gamePrice = "70000";
    s.bonus = {"12.5", "-4", "7", "abc"};
    s.extCredit = "9";
    s.coinMeterValue = "3";
    s.flags.fourPlayer = true;
    encodeCoin(img, Model::M340, 2, s, h, 100);
    EXPECT_EQ(img[121], 0x00FF); // channel 2: low byte
    EXPECT_EQ(img[113], 0x0177);
    EXPECT_EQ(img[114], 65535);
    EXPECT_EQ(img[115], 0x0700);
    EXPECT_EQ(img[117], 0x0966);
    EXPECT_EQ(img[118], 12); // 12.5 rounds to even
    EXPECT_EQ(img[119], 0);
    EXPECT_EQ(img[120], 0x0355);
    EXPECT_EQ(img[112], 0x3000);
    EXPECT_EQ(img[0], 0x00F0);

    // A number beyond any range is that field's error; the others are stored.
    s.gamePrice = "1e999";
    s.coinMeterValue = "4";
    int errors = 0;
    encodeCoin(img, Model::M340, 2, s, h, 100, [&](const std::exception&) { ++errors; });
    EXPECT_EQ(errors, 1);
    EXPECT_EQ(img[114], 65535);
    EXPECT_EQ(img[120], 0x0455);
}

TEST(CoinSettings, Model560RouteAndPcaEnableOnly)
{
    EepromImage img{};
    CoinSettings s;
    HeldWindow h;
    s.routeIndex = 3;
    encodeCoin(img, Model::M560, 4, s, h, 100);
    EXPECT_EQ(img[123], 132);
    decodeCoin(img, Model::M560, 4, s, h);
    EXPECT_EQ(s.routeIndex, 3);

    const EepromImage before = img;
    s.enabled = false;
    encodeCoin(img, Model::PCA, 4, s, h, 100);
    EepromImage expect = before;
    expect[0] = 0x08F0;
    EXPECT_EQ(img, expect);
}

TEST(CoinSettings, WindowScaling)
{
    EXPECT_EQ(scaledWindow(CoinWindow{{100}, {10}}, 98).width[0], 9);
    EXPECT_EQ(scaledWindow(CoinWindow{{100}, {10}}, 98).low[0], 101);
    EXPECT_EQ(scaledWindow(CoinWindow{{100}, {50}}, 90).low[0], 103);
    EXPECT_EQ(scaledWindow(CoinWindow{{100}, {50}}, 110).low[0], 98);
    EXPECT_EQ(scaledWindow(CoinWindow{{100}, {50}}, 110).width[0], 55);

    // A low limit of 3 widened from 20 to 30 goes below zero: magnitude 2 with its sign bit.
    EepromImage img{};
    HeldWindow h;
    h.levelSign = 0x40;
    h.window = CoinWindow{{500, 400, 300, 3}, {40, 30, 20, 20}};
    CoinSettings s;
    encodeCoin(img, Model::M330, 1, s, h, 150);
    const RecordBytes r = readRecord(img, Model::M330, 0);
    EXPECT_EQ(r[2], 0x41);
    HeldWindow back;
    decodeCoin(img, Model::M330, 1, s, back);
    EXPECT_EQ(back.window.low[3], -2);
    EXPECT_EQ(back.window.width[3], 30);
    EXPECT_EQ(r[0], 0); // R0 and R1 are not the panel's
}

TEST(CoinSettings, StoringTheSameCoinTwiceScalesItOnce)
{
    EepromImage img{};
    HeldWindow h;
    h.window = CoinWindow{{500, -20, 300, 40}, {100, 60, 20, 50}};
    CoinSettings s;
    encodeCoin(img, Model::M126, 2, s, h, 106);
    const EepromImage once = img;
    encodeCoin(img, Model::M126, 2, s, h, 106); // e.g. a save, then "Write to Mech"
    EXPECT_EQ(img, once);
    HeldWindow back;
    decodeCoin(img, Model::M126, 2, s, back);
    EXPECT_EQ(back.window.low, (std::array<int, 4>{497, -21, 300, 39}));
    EXPECT_EQ(back.window.width, (std::array<int, 4>{106, 63, 21, 53}));
}

TEST(CoinSettings, CoinsAModelDoesNotHaveAreLeftAlone)
{
    EepromImage img = realisticImage(Model::M330, 3);
    const EepromImage before = img;
    CoinSettings s;
    HeldWindow h;
    for (int coin : {0, -1, 13, 17}) {
        EXPECT_FALSE(decodeCoin(img, Model::M330, coin, s, h));
        encodeCoin(img, Model::M330, coin, s, h, 150);
    }
    EXPECT_EQ(img, before);

    // A PCA's coins 15 and 16 have no record inside the mech: their window is never stored.
    img = realisticImage(Model::PCA, 3);
    const EepromImage pca = img;
    ASSERT_TRUE(decodeCoin(img, Model::PCA, 15, s, h));
    encodeCoin(img, Model::PCA, 15, s, h, 180);
    for (int w = 1; w <= 512; ++w)
        ASSERT_EQ(img[w], pca[w]) << w;
}

TEST(CoinSettings, ProgrammePanelCoinValue)
{
    EepromImage img{};
    img[121] = 0x4400;
    img[113] = 0x0A00;
    setCoinValueByte(img, 1, 999);
    EXPECT_EQ(img[121], 0x44FF);
    setCoinValueByte(img, 1, -7);
    EXPECT_EQ(img[121], 0x4400);
    setCoinValueByte(img, 12, 5); // no 13th coin on a 340
    setCoinValueByte(img, -1, 5);
    EXPECT_EQ(img[121], 0x4400);
    EXPECT_EQ(img[127], 0);
    EXPECT_EQ(coinValueByte(img, 0), 0x44);
    EXPECT_EQ(scalingFactor(img), 10);
    EXPECT_EQ(fieldNumber("  42 coins", 255), 42);
    EXPECT_EQ(fieldNumber("3000000000", 65535), 65535);
    EXPECT_THROW(fieldNumber("1e999", 255), plat::RuntimeError);
}

TEST(CoinSettings, RandomFieldsAndImagesNeverReachPastTheImage)
{
    std::mt19937 rng(99);
    const QString texts[] = {"", "12", "-5", "1e999", "&HFFFFFFFFFF", "abc", "65536", "2.5", "None", "0F", "&h", "\xE9"};
    auto text = [&] { return texts[rng() % std::size(texts)]; };
    for (int round = 0; round < 400; ++round) {
        EepromImage img{};
        for (int& w : img)
            w = int(rng());
        const EepromImage before = img;
        const Model m = kModels[rng() % 5];
        CoinSettings s;
        s.enabled = rng() & 1;
        s.outputIndex = int(rng() % 20) - 5;
        s.binaryText = text();
        s.inhibitLineIndex = int(rng() % 20) - 5;
        s.routeIndex = int(rng() % 20) - 5;
        s.plugIndex = int(rng() % 20) - 5;
        s.defaultRouteIndex = int(rng() % 20) - 5;
        s.coinValue = text();
        s.scalingFactor = text();
        s.gamePrice = text();
        s.bonus = {text(), text(), text(), text()};
        s.extCredit = text();
        s.coinMeterValue = text();
        const int coin = int(rng() % 22) - 3;
        HeldWindow h;
        decodeCoin(img, m, coin, s, h);
        if (rng() & 1)
            h.window = CoinWindow{{int(rng()), int(rng()), -int(rng() % 100000), 0}, {int(rng()), -5, 300, 0}};
        encodeCoin(img, m, coin, s, h, int(rng() % 5000) - 1000, [](const std::exception&) {});
        for (int w = 0; w < int(img.size()); ++w) {
            if (img[w] == before[w])
                continue;
            ASSERT_LE(w, 255) << "word " << w;
            ASSERT_GE(img[w], 0);
            ASSERT_LE(img[w], 0xFFFF);
        }
    }
}
