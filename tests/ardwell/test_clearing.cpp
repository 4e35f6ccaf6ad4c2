// Clearing coin windows and copying a saved image's settings, over the images of the simulated
// mechs (every word distinct and not zero, so a word touched by mistake shows).
#include "ardwell/bench/clearing.h"

#include "ardwell/link/imagefile.h"
#include "platform/textfile.h"
#include "sim/ardwellimages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>

using namespace ardwell;
namespace img = sim::ardwellimage;

namespace {

// eepromImage is large: tests keep theirs on the heap.
std::unique_ptr<EepromImage> imageOf(const img::Words& words)
{
    auto image = std::make_unique<EepromImage>();
    image->fill(0);
    for (std::size_t a = 0; a < words.size(); ++a)
        (*image)[a] = words[a];
    return image;
}

std::unique_ptr<EepromImage> standard(const QString& model) { return imageOf(img::standardImage(model)); }

// The addresses at which two images differ.
ChangedWords differences(const EepromImage& a, const EepromImage& b)
{
    ChangedWords d;
    for (int i = 0; i < int(a.size()); ++i)
        if (a[i] != b[i])
            d << i;
    return d;
}

ChangedWords range(int first, int last)
{
    ChangedWords r;
    for (int w = first; w <= last; ++w)
        r << w;
    return r;
}

QStringList fileLines(const img::Words& words) { return plat::splitLines(img::imageFile(words)); }

} // namespace

TEST(ClearOne, ClearsTheCoinsHalfOfItsRecordAndInhibitsIt)
{
    // Channel 3 of a 330: high bytes of words 47..59, word 0 bit 10.
    auto image = standard("330");
    const EepromImage before = *image;
    ASSERT_EQ(before[0] & 0x0400, 0); // channel 3 enabled in the standard image
    const ChangedWords changed = clearOneChannel(*image, Model::M330, 3);
    EXPECT_EQ(changed, ChangedWords{0} + range(47, 59));
    EXPECT_EQ(differences(before, *image), changed);
    for (int w = 47; w <= 59; ++w) {
        EXPECT_EQ((*image)[w], before[w] & 0x00FF) << w; // channel 4 keeps the low bytes
    }
    EXPECT_EQ((*image)[0], before[0] | 0x0400);
    EXPECT_EQ(clearOneChannel(*image, Model::M330, 3), ChangedWords{}); // nothing left to clear

    // Channel 12 of a 126 (taught here first): low bytes of words 96..108, word 0 bit 3.
    auto i126 = standard("126");
    for (int w = 96; w <= 108; ++w)
        (*i126)[w] = 0x5A00 | w;
    (*i126)[0] &= ~0x0008;
    const EepromImage b126 = *i126;
    EXPECT_EQ(clearOneChannel(*i126, Model::M126, 12), ChangedWords{0} + range(96, 108));
    for (int w = 96; w <= 108; ++w)
        EXPECT_EQ((*i126)[w], 0x5A00) << w;
    EXPECT_EQ((*i126)[0], b126[0] | 0x0008);
}

TEST(ClearOne, PcaChannelsAbove12FallOnTheWordsAfterTheRecords)
{
    auto image = standard("PCA");
    const EepromImage before = *image;
    // Channel 13 (pair 6) on words 112..124, channel 16 (pair 7) on 125..137, past the mech's 127.
    clearOneChannel(*image, Model::PCA, 13);
    clearOneChannel(*image, Model::PCA, 16);
    for (int w = 112; w <= 124; ++w)
        EXPECT_EQ((*image)[w], before[w] & 0x00FF) << w;
    for (int w = 125; w <= 137; ++w)
        EXPECT_EQ((*image)[w], before[w] & 0xFF00) << w;
    EXPECT_EQ((*image)[0], before[0] | 0x0010 | 0x0080);
    for (int w : differences(before, *image))
        EXPECT_TRUE(w == 0 || (w >= 112 && w <= 137)) << w;
}

TEST(ClearOne, NoChannelChosenChangesNothingAndAsksNothing)
{
    EXPECT_EQ(clearOneQuestion(Model::M330, 3), QString("Press OK to Clear channel 3"));
    EXPECT_EQ(clearOneQuestion(Model::M126, 16), QString("Press OK to Clear channel 16"));
    EXPECT_EQ(clearOneQuestion(Model::PCA, 16), QString("Press OK to Clear channel 16"));
    // Coin 0 is the empty choice (ListIndex -1); a 330 has no channel 13, whose words hold
    // its inhibit lines.
    const std::pair<Model, int> refused[] = {
        {Model::M330, 0}, {Model::M330, -1}, {Model::M330, 13}, {Model::M560, 13}, {Model::M126, 17}};
    for (const auto& [m, coin] : refused) {
        EXPECT_FALSE(clearOneQuestion(m, coin).has_value()) << coin;
        auto image = standard(modelText(m));
        const EepromImage before = *image;
        EXPECT_TRUE(clearOneChannel(*image, m, coin).isEmpty()) << coin;
        EXPECT_EQ(*image, before) << coin;
    }
}

TEST(ClearOne, UnreadWordsAreTakenAsSixteenBits)
{
    auto image = std::make_unique<EepromImage>();
    image->fill(-1);
    clearOneChannel(*image, Model::M330, 1);
    EXPECT_EQ((*image)[34], 0x00FF);
    EXPECT_EQ((*image)[0], 0xFFFF);
    EXPECT_EQ((*image)[60], -1); // the next pair is not touched
}

TEST(ClearAll, ClearsEveryRecordOfThePairsAndInhibitsAll)
{
    struct Case {
        QString model;
        Model m;
        int first, last;
    };
    // A PCA's channels 13..16 (words 112 and above) keep their records.
    const Case cases[] = {{"330", Model::M330, 34, 111}, {"126", Model::M126, 31, 134}, {"PCA", Model::PCA, 34, 111}};
    for (const Case& c : cases) {
        auto image = standard(c.model);
        const EepromImage before = *image;
        ChangedWords expected{0};
        for (int w = c.first; w <= c.last; ++w)
            if (before[w] != 0) // untaught pairs hold zeros already
                expected << w;
        const ChangedWords changed = clearAllChannels(*image, c.m);
        EXPECT_EQ(changed, expected) << qPrintable(c.model);
        EXPECT_EQ(differences(before, *image), changed) << qPrintable(c.model);
        EXPECT_EQ((*image)[0], 0xFFFF);
        EXPECT_EQ((*image)[c.first], 0);
        EXPECT_EQ((*image)[c.last], 0);
        EXPECT_EQ((*image)[c.last + 1], before[c.last + 1]);
    }
}

TEST(CopyConfiguration, CopiedRangesAtEachBoundary)
{
    const int copied330[] = {0, 2, 5, 14, 28, 33, 112, 127, 512};
    const int kept330[] = {3, 4, 15, 27, 34, 111, 513};
    const int copied126[] = {0, 1, 4, 11, 25, 30, 215, 255, 512};
    const int kept126[] = {2, 3, 12, 24, 31, 214, 513};
    for (Model m : {Model::M330, Model::M340, Model::M560}) {
        for (int a : copied330)
            EXPECT_TRUE(copiesWord(m, a)) << modelText(m).toStdString() << " " << a;
        for (int a : kept330)
            EXPECT_FALSE(copiesWord(m, a)) << modelText(m).toStdString() << " " << a;
    }
    for (int a : copied126)
        EXPECT_TRUE(copiesWord(Model::M126, a)) << a;
    for (int a : kept126)
        EXPECT_FALSE(copiesWord(Model::M126, a)) << a;
    for (int a = 0; a <= 512; ++a)
        ASSERT_FALSE(copiesWord(Model::PCA, a)) << a;
    auto pca = standard("PCA");
    EXPECT_TRUE(copyConfiguration(*pca, Model::PCA, fileLines(img::otherImage("PCA"))).isEmpty());
    EXPECT_EQ(*pca, *standard("PCA"));

    // Through file lines: 0200 (512) is stored, 0203 (515) skipped.
    auto image = std::make_unique<EepromImage>();
    image->fill(7);
    const QStringList lines{"0002 1111", "0003 2222", "0005 3333", "0200 4444", "0203 5555", "000E 6666", "000F 7777"};
    EXPECT_EQ(copyConfiguration(*image, Model::M330, lines), (ChangedWords{2, 5, 14, 512}));
    EXPECT_EQ((*image)[512], 0x4444);
    EXPECT_EQ((*image)[515], 7);
    EXPECT_EQ((*image)[3], 7);
    EXPECT_EQ((*image)[15], 7);
}

TEST(CopyConfiguration, FromAnotherMechsFileKeepsSerialAndWindows)
{
    for (const QString model : {"330", "340", "560", "126"}) {
        const Model m = *modelFromText(model);
        auto image = standard(model);
        const EepromImage before = *image;
        const auto other = img::otherImage(model);
        const ChangedWords changed = copyConfiguration(*image, m, fileLines(other));
        EXPECT_EQ(differences(before, *image), changed) << qPrintable(model);
        EXPECT_FALSE(changed.isEmpty());
        EXPECT_EQ(serialNumber(*image, m), "0012ABCD") << qPrintable(model);
        for (int idx = 0; idx < (m == Model::M126 ? 16 : 12); ++idx)
            EXPECT_EQ(readRecord(*image, m, idx), readRecord(before, m, idx)) << idx;
        // The settings words follow the file; the rest is the mech's own.
        const QList<std::pair<int, int>> copied = m == Model::M126
                                                      ? QList<std::pair<int, int>>{{0, 1}, {4, 11}, {25, 30}, {215, 255}}
                                                      : QList<std::pair<int, int>>{{0, 2}, {5, 14}, {28, 33}, {112, 127}};
        for (int a = 0; a < img::wordCount(model); ++a) {
            const bool fromFile =
                std::any_of(copied.begin(), copied.end(), [a](const auto& r) { return a >= r.first && a <= r.second; });
            EXPECT_EQ((*image)[a], fromFile ? other[std::size_t(a)] : before[a]) << qPrintable(model) << " " << a;
        }
    }
}

TEST(CopyConfiguration, EmptyAndBlankLinesAreNoWords)
{
    auto image = standard("330");
    const EepromImage before = *image;
    ASSERT_NE(before[0], 0);
    EXPECT_TRUE(copyConfiguration(*image, Model::M330, {"", "   ", "\t", ""}).isEmpty());
    EXPECT_EQ(*image, before); // word 0 keeps its inhibit bits
    // A short line still reads by position: "0001" sets word 1 from its last two characters.
    EXPECT_EQ(copyConfiguration(*image, Model::M330, {"0001"}), ChangedWords{1});
    EXPECT_EQ((*image)[1], 0x01);
}

TEST(CopyConfiguration, RandomAndTruncatedFilesChangeOnlyCopiedWords)
{
    std::mt19937 rng(1313);
    const QString alphabet = QStringLiteral("0123456789ABCDEFabcdef xyz.,-\t\x7F");
    const QStringList good = fileLines(img::otherImage("330"));
    for (Model m : {Model::M330, Model::M126, Model::PCA}) {
        for (int round = 0; round < 200; ++round) {
            QStringList lines;
            const int count = int(rng() % 40);
            for (int i = 0; i < count; ++i) {
                if (rng() % 3 == 0) {
                    // A line of a real file cut short anywhere.
                    const QString& l = good[int(rng() % good.size())];
                    lines << l.left(int(rng() % (l.size() + 1)));
                } else {
                    QString l;
                    const int len = int(rng() % 14);
                    for (int k = 0; k < len; ++k)
                        l += alphabet[int(rng() % alphabet.size())];
                    lines << l;
                }
            }
            auto image = standard(modelText(m));
            const EepromImage before = *image;
            const ChangedWords changed = copyConfiguration(*image, m, lines);
            ASSERT_EQ(differences(before, *image), changed);
            for (int a : changed)
                ASSERT_TRUE(copiesWord(m, a)) << a;
            for (int a = 0; a <= kImageTop; ++a)
                ASSERT_TRUE((*image)[a] >= 0 && (*image)[a] <= 0xFFFF) << a;
        }
    }
}
