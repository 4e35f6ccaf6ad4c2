// The wizards' panel, lists, links and pass settings as plain data, and the NRI coin value check.
#include "quenby/clonewizard/coinsetfile.h"
#include "quenby/clonewizard/wizardlists.h"
#include "quenby/shell/texts.h"

#include <gtest/gtest.h>

using namespace quenby;

namespace {

const TextTable kTexts;

WizardQuirks q(const char* family, const char* model) { return mechEntry(familyNamed(family), model).wizard; }

std::vector<qint32> links(const CheckedArray<qint32, 25>& l)
{
    std::vector<qint32> out;
    for (int i = 1; i <= 24; ++i)
        out.push_back(l(i));
    return out;
}

} // namespace

TEST(WizardPanel, LaidOutPerFamilyAndModel)
{
    const WizardPanel mars = wizardPanel(q("Mars", "ME111"), kTexts);
    EXPECT_EQ(mars.rowLabel, "PROM Segment");
    EXPECT_TRUE(mars.segmentListVisible && mars.channelLabelVisible);
    EXPECT_EQ(mars.coinListTop, 1440);
    EXPECT_FALSE(mars.linesVisible || mars.valueVisible || mars.select2K);

    const WizardPanel me181 = wizardPanel(q("Mars", "ME181"), kTexts);
    EXPECT_EQ(me181.valueText, "10");
    EXPECT_EQ(std::pair(me181.valueLabelTop, me181.valueBoxTop), std::pair(1500, 1440));
    EXPECT_TRUE(me181.valueVisible && me181.select2K);

    const WizardPanel cc = wizardPanel(q("CC", "435"), kTexts);
    EXPECT_EQ(cc.rowLabel, "Coin Channel");
    EXPECT_EQ(cc.channelLabel, "Output Line");
    EXPECT_EQ(cc.coinListTop, 960);
    EXPECT_FALSE(cc.segmentListVisible || cc.channelLabelVisible || cc.valueVisible);

    // Every NRI model asks for the coin value; three also for the output and inhibit lines.
    const WizardPanel old = wizardPanel(q("NRI", "G13-0000"), kTexts);
    EXPECT_FALSE(old.channelLabelVisible || old.linesVisible);
    EXPECT_EQ(std::pair(old.valueLabelTop, old.valueBoxTop), std::pair(1020, 960));
    for (const char* model : {"G13-6000", "G18-3000", "G40-0000"}) {
        const WizardPanel p = wizardPanel(q("NRI", model), kTexts);
        EXPECT_TRUE(p.channelLabelVisible && p.linesVisible && p.valueVisible) << model;
    }
    EXPECT_EQ(q("NRI", "G13-6000").paramSlots, (std::array<qint32, 6>{4, 1, 2, 0, 5, 6}));
    EXPECT_EQ(q("NRI", "G40-0000").paramSlots, (std::array<qint32, 6>{0, 1, 3, 6, 8, 10}));
    EXPECT_FALSE(q("NRI", "G18-3000").paramSlots);
    EXPECT_TRUE(q("NRI", "G10-4000/5").tubeValues);
    EXPECT_FALSE(q("CC", "ME181").twoSegmentsOnly); // a model name of another family means nothing
}

TEST(WizardLists, SegmentsCoinsAndLines)
{
    const std::array<int, 4> all{kBoxTicked, kBoxTicked, kBoxTicked, kBoxTicked};
    EXPECT_EQ(segmentList(all, true, q("Mars", "ME111")), (QStringList{"1", "2", "3", "4"}));
    EXPECT_EQ(segmentList(all, true, q("Mars", "ME181")), (QStringList{"1", "2"}));
    EXPECT_EQ(segmentList(sizeOption(false).boxes, false, q("Mars", "ME111")), QStringList{"1"});
    EXPECT_EQ(segmentList({kBoxTicked, kBoxClear, kBoxGreyed, kBoxClear}, true, q("Mars", "MS1400")),
              (QStringList{"1", "3"}));
    EXPECT_TRUE(segmentList({}, true, q("Mars", "ME111")).isEmpty());

    const QStringList mars = coinList(q("Mars", "ME111"), "2", 6);
    EXPECT_EQ(mars, (QStringList{"A2", "B2", "C2", "D2", "E2", "F2"}));
    EXPECT_EQ(coinnumber(mars[0]), 7);
    EXPECT_EQ(coinnumber(mars[5]), 12);
    const QStringList cc = coinList(q("CC", "335"), "", 16);
    ASSERT_EQ(cc.size(), 16);
    EXPECT_EQ(cc[0], "Coin 01");
    EXPECT_EQ(cc[15], "Coin 16");
    EXPECT_EQ(coinnumber(cc[15]), 16);

    const QStringList lines = lineList();
    ASSERT_EQ(lines.size(), 6);
    EXPECT_EQ(lines[0], "         1");
    EXPECT_EQ(lines[5], "         6");

    const WizardQuirks g40 = q("NRI", "G40-0000");
    EXPECT_EQ(presetLineIndex(g40, "Coin 08"), 1); // lines 2 and 2
    EXPECT_EQ(presetLineIndex(g40, "Coin 06"), 5);
    EXPECT_EQ(presetLineIndex(g40, "Coin 12"), 5);
    EXPECT_EQ(presetLineIndex(g40, "Coin 13"), std::nullopt);
    EXPECT_EQ(presetLineIndex(g40, ""), std::nullopt);
    EXPECT_EQ(presetLineIndex(q("NRI", "G13-0000"), "Coin 02"), std::nullopt);
}

TEST(WizardLists, SizeOptionsAndLinks)
{
    const SizeOption k1 = sizeOption(false);
    EXPECT_EQ(k1.boxes, (std::array<int, 4>{kBoxTicked, kBoxClear, kBoxGreyed, kBoxGreyed}));
    EXPECT_EQ(k1.segmentSelected, (std::array<bool, 4>{true, false, false, false}));
    EXPECT_EQ(k1.promSize, 0);
    const SizeOption k2 = sizeOption(true);
    EXPECT_EQ(k2.boxes, (std::array<int, 4>{kBoxTicked, kBoxClear, kBoxClear, kBoxClear}));
    EXPECT_EQ(k2.promSize, 1);

    std::vector<qint32> expect(24, 0);
    for (int i = 1; i <= 12; ++i)
        expect[std::size_t(i - 1)] = i;
    expect[2] = 0;
    EXPECT_EQ(links(wizardLinks(q("Mars", "ME111"), 0, kAddCoin, 3)), expect); // 1K: 13..24 hold nothing
    expect[2] = 3;
    expect[6] = 0;
    EXPECT_EQ(links(wizardLinks(q("Mars", "ME181"), 1, kAddCoin, 7)), expect); // ME181 even with 2K

    for (int i = 13; i <= 24; ++i)
        expect[std::size_t(i - 1)] = i;
    expect[6] = 7;
    expect[12] = -13;
    EXPECT_EQ(links(wizardLinks(q("Mars", "ME111"), 1, kSlugFix, 13)), expect);
    expect[12] = 13;
    EXPECT_EQ(links(wizardLinks(q("CC", "C120"), 0, kEditLimits, 5)), expect); // every channel kept
    EXPECT_EQ(links(wizardLinks(q("CC", "C120"), 0, kAddCoin, 0)), expect);    // no coin chosen
}

TEST(WizardPasses, TextsAndWhatIsStored)
{
    EXPECT_EQ(wizardPassCount(kEditLimits), 0);
    EXPECT_EQ(wizardPassCount(kAddCoin), 2);
    EXPECT_EQ(wizardPassCount(kSlugFix), 2);
    EXPECT_EQ(kWizardRefCode, "WIZ");
    EXPECT_EQ(wizardVersion(kSlugFix), "3");

    WizardPass p = wizardPass(kAddCoin, 1, kTexts);
    EXPECT_EQ(p.description, "Coin to Add or Replace");
    EXPECT_EQ(p.prompt, "Start Coin Drop");
    EXPECT_EQ(p.closing, "Gathered Coin Data");
    EXPECT_EQ(p.recordMode, 1);
    EXPECT_TRUE(p.gathers);
    EXPECT_TRUE(p.storesLimits);

    p = wizardPass(kAddCoin, 2, kTexts);
    EXPECT_EQ(p.description, "");
    EXPECT_EQ(p.recordMode, 2);
    EXPECT_FALSE(p.gathers);

    p = wizardPass(kSlugFix, 1, kTexts);
    EXPECT_EQ(p.description, "Coin to Measure");
    EXPECT_FALSE(p.storesLimits); // the coin keeps its present windows
    p = wizardPass(kSlugFix, 2, kTexts);
    EXPECT_EQ(p.description, "Slug to Fix");
    EXPECT_EQ(p.prompt, "Start Slug Drop");
    EXPECT_EQ(p.closing, "Gathered Slug Data");
    EXPECT_EQ(p.recordMode, 2);
    EXPECT_TRUE(p.storesLimits);
    EXPECT_EQ(wizardRowMode(0), 1);
    EXPECT_EQ(wizardRowMode(1), 2);
}

// The settings drive the record statistics: parameters 1..4 on "2*SD" with -2 / +2, and the
// fifth parameter of a CC 435 by its own rule in each pass.
TEST(WizardPasses, SettingsGiveTheWizardsLimits)
{
    const LimitRules cc435 = mechEntry(Family::CC, "435").limits;
    for (const bool slugPass : {false, true}) {
        RecordStats s;
        resetStats(s, 5);
        std::array<qint32, 7> tol{};
        applyPassSettings(s, tol, 5, cc435, slugPass);
        EXPECT_EQ(tol, (std::array<qint32, 7>{0, 20, 20, 20, 20, 20}));
        EXPECT_EQ(s.slugOffset, (std::array<qint32, 7>{0, 2, 2, 2, 2, 2}));
        const std::array<qint32, 11> a{100, 100, 100, 100, 40};
        const std::array<qint32, 11> b{100, 100, 100, 100, 50};
        addReading(s, a, 5, cc435, {});
        addReading(s, b, 5, cc435, {});
        EXPECT_EQ(s.recordLimits[1], 98); // 100 - 2 x 0.1 - 2
        EXPECT_EQ(s.recordLimits[8], 102);
        if (slugPass) {
            EXPECT_EQ(s.recordLimits[9], 0);
            EXPECT_EQ(s.recordLimits[10], 60); // highest + 10
        } else {
            EXPECT_EQ(s.recordLimits[9], 30); // lowest - 10
            EXPECT_EQ(s.recordLimits[10], 255);
        }
    }
    RecordStats other;
    std::array<qint32, 7> tol{};
    applyPassSettings(other, tol, 5, mechEntry(Family::CC, "335").limits, false);
    EXPECT_EQ(other.limitSource[8], limitsrc::TwoSd);
    EXPECT_EQ(other.limitOffset[10], 2);
}

TEST(WizardNri, CoinValueMustBeAMultiple)
{
    EXPECT_EQ(coinValueRefusal(15, 5, kTexts), std::nullopt);
    EXPECT_EQ(coinValueRefusal(12, 5, kTexts), "Invalid Coin Value has been Set\r\n\r\nMust be a multiple of:  5");
    EXPECT_EQ(coinValueRefusal(12, 64 + 5, kTexts), "Invalid Coin Value has been Set\r\n\r\nMust be a multiple of:  5");
    EXPECT_EQ(coinValueRefusal(13, 64, kTexts), std::nullopt); // low six bits 0: any value
    EXPECT_EQ(coinValueRefusal(13, 0, kTexts), std::nullopt);
    EXPECT_EQ(coinValueRefusal(-15, 5, kTexts), std::nullopt);
    EXPECT_NE(coinValueRefusal(-12, 5, kTexts), std::nullopt);
    EXPECT_EQ(usableMultiple(-3), 1);
    EXPECT_EQ(usableMultiple(25), 25);

    EXPECT_EQ(outputMask(1), 1);
    EXPECT_EQ(outputMask(3), 4);
    EXPECT_EQ(outputMask(6), 32);
    EXPECT_EQ(outputMask(0), 1);
    EXPECT_EQ(outputMask(7), 1);
}
