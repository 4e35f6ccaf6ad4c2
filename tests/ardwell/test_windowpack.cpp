#include "ardwell/bench/windowpack.h"

#include <gtest/gtest.h>

using namespace ardwell;

namespace {

BenchState learned(std::array<int, 8> limits, int level, std::array<float, 4> means = {})
{
    BenchState b;
    std::copy(limits.begin(), limits.end(), b.windowLimits.begin());
    b.windowLevel = level;
    b.parameterMeans = means;
    return b;
}

EepromImage filled(int value)
{
    EepromImage img{};
    img.fill(value);
    return img;
}

} // namespace

TEST(WindowPack, Channel1Of330AtLevel4)
{
    EepromImage img = filled(0x5A5A);
    img[0] = 0xFFFF;
    const WindowPackResult r =
        programmeCoinWindow(img, Model::M330, "Channel 1", learned({300, 420, 500, 600, 200, 220, 100, 140}, 4));
    ASSERT_TRUE(r.stored());
    EXPECT_TRUE(r.widthWarnings.isEmpty());
    EXPECT_EQ(img[0], 0xFEFF); // channel 1 enabled, no other bit touched
    const int high[13] = {0x44, 0x44, 0x40, 0x12, 0xC7, 0x81, 0xF4, 0x64, 0x0C, 0x81, 0x40, 0x64, 0x28};
    for (int i = 0; i < 13; ++i)
        EXPECT_EQ(img[34 + i], high[i] << 8 | 0x5A) << i; // channel 2's low bytes stay
    EXPECT_EQ(img[33], 0x5A5A);
    EXPECT_EQ(img[47], 0x5A5A);
}

TEST(WindowPack, RecordPlaceByModelAndChannel)
{
    const BenchState b = learned({300, 420, 500, 600, 200, 220, 100, 140}, 2);
    EepromImage img{};
    img[0] = 0xFFFF;
    ASSERT_TRUE(programmeCoinWindow(img, Model::M126, "Channel 2", b).stored());
    EXPECT_EQ(img[31], 0x0044);
    EXPECT_EQ(img[32], 0x0022);
    EXPECT_EQ(img[0], 0xFDFF);

    img = EepromImage{};
    ASSERT_TRUE(programmeCoinWindow(img, Model::M126, "Channel 16", b).stored());
    EXPECT_EQ(img[122], 0x0044);
    EXPECT_EQ(img[134], 40); // LFA width
    EXPECT_EQ(img[121], 0);
    EXPECT_EQ(img[135], 0);
}

TEST(WindowPack, NegativeLowAndLevels)
{
    EepromImage img{};
    programmeCoinWindow(img, Model::M330, "Channel 3", learned({300, 420, 500, 600, 200, 220, -12, 40}, 5));
    RecordBytes r = readRecord(img, Model::M330, 2);
    EXPECT_EQ(r[1], 0x55);
    EXPECT_EQ(r[2], 0x51);
    EXPECT_EQ(unpackWindow(r).low[3], -12);
    EXPECT_EQ(unpackWindow(r).width[3], 52);

    for (int level : {7, 0, 9}) {
        programmeCoinWindow(img, Model::M330, "Channel 3", learned({300, 420, 500, 600, 200, 220, 10, 40}, level));
        r = readRecord(img, Model::M330, 2);
        EXPECT_EQ(r[1], 0x77) << level;
        EXPECT_EQ(r[2], 0x70) << level;
    }
}

TEST(WindowPack, AWidthAbove255IsCentredOnTheMean)
{
    QStringList warnings;
    const CoinWindow w = learnedWindow(learned({300, 420, 400, 700, 200, 220, 10, 40}, 7, {360, 500.4f, 210, 25}), &warnings);
    ASSERT_EQ(warnings.size(), 1);
    EXPECT_EQ(warnings[0], "Range value too large, parameter 2\r\n\r\nMaximum Width Set");
    EXPECT_EQ(w.width[1], 254);
    EXPECT_EQ(w.low[1], 372);
    EXPECT_EQ(w.width[0], 120);
    EXPECT_EQ(w.width[2], 20);
}

TEST(WindowPack, InvalidCoinNumbersChangeNothing)
{
    const BenchState b = learned({300, 420, 400, 700, 200, 220, 10, 40}, 7, {360, 550, 210, 25});
    for (auto [model, item] : {std::pair{Model::M560, "Channel 13"}, std::pair{Model::M330, " "},
                               std::pair{Model::M340, "Channel 16"}, std::pair{Model::PCA, "Channel 15"},
                               std::pair{Model::PCA, "Channel 16"}, std::pair{Model::M126, "Channel 17"}}) {
        EepromImage img = filled(0x1234);
        const WindowPackResult r = programmeCoinWindow(img, model, item, b);
        EXPECT_EQ(r.error, "Invalid coin number selected") << item;
        EXPECT_EQ(r.widthWarnings.size(), 1); // the warning still comes first
        EXPECT_EQ(img, filled(0x1234)) << item;
    }
    // A PCA's 13th and 14th coins lie in words 112..124, inside its EEPROM.
    EepromImage img{};
    EXPECT_TRUE(programmeCoinWindow(img, Model::PCA, "Channel 14", b).stored());
    EXPECT_EQ(img[112], 0x0044);
}

TEST(WindowPack, LowLimitsBeyondTwelveBitsDoNotSpill)
{
    EepromImage img{};
    programmeCoinWindow(img, Model::M126, "Channel 1", learned({5950, 6100, 4200, 4300, 10, 20, -5000, -4900}, 4));
    const CoinWindow w = unpackWindow(readRecord(img, Model::M126, 0));
    EXPECT_EQ(w.low, (std::array<int, 4>{4095, 4095, 10, -4095}));
    EXPECT_EQ(w.width, (std::array<int, 4>{150, 100, 10, 100}));
    EXPECT_EQ(img[31 + 13], 0); // the next pair untouched
}
