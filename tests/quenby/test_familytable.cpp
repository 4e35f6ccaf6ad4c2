#include "quenby/link/familytable.h"

#include <gtest/gtest.h>

using namespace quenby;

TEST(FamilyTable, NamesNobodyKnowsGetTheFallbacks)
{
    // Any other CC name: the word protocol with base 9 and stride 16, "C08", "$05".
    const MechEntry cc = mechEntry("CC", "C999");
    EXPECT_EQ(cc.kind, MechKind::CcWord);
    EXPECT_EQ(cc.interfaceCode, "$05");
    EXPECT_STREQ(cc.cc.boxSelect, "C08");
    EXPECT_EQ(cc.cc.limitBase, 9);
    EXPECT_EQ(cc.cc.limitStride, 16);
    // Any Mars name shares the Mars entry; an unknown NRI name or family gets nothing to send.
    EXPECT_STREQ(mechEntry("Mars", "nonsense").mars.timings, "Z030020150100");
    EXPECT_EQ(mechEntry("Mars", "nonsense").mars.segmentWords, 128);
    for (const auto& [family, model] : {std::pair{"NRI", "g13-6000"}, std::pair{"Coins", "C120"}}) {
        const MechEntry e = mechEntry(family, model);
        EXPECT_EQ(e.kind, MechKind::Unknown);
        EXPECT_TRUE(e.interfaceCode.isEmpty());
        EXPECT_TRUE(e.nri.identReplies.isEmpty()); // any reply
    }
}

TEST(FamilyTable, QuirksThatSetOneModelApart)
{
    EXPECT_EQ(mechEntry("CC", "435").cc.verifyLast(256), 200);
    EXPECT_EQ(mechEntry("CC", "450").cc.verifyLast(128), 127);
    EXPECT_EQ(mechEntry("CC", "220B").cc.limitCopyOffset, 8);
    EXPECT_STREQ(mechEntry("CC", "C120").cc.boxSelect, "C00");
    EXPECT_EQ(mechEntry("CC", "Sentinel").interfaceCode, "$06");
    EXPECT_EQ(mechEntry("CC", "Sentinel").cc.checksumWord, 63);
    EXPECT_EQ(mechEntry("NRI", "G10-4000/5").secondInterfaceCode, "$25");
    EXPECT_EQ(mechEntry("NRI", "G10-4000/5").nri.identReplies, (QStringList{"03", "06", "08"}));
    EXPECT_TRUE(mechEntry("NRI", "G18-0000").nri.g18Probe);
    EXPECT_FALSE(mechEntry("NRI", "G40-0000").nri.g18Probe);
    EXPECT_TRUE(mechEntry("Mars", "MS1400").mars.timingsNeedC02);
    const MarsQuirks me181 = mechEntry("Mars", "ME181").mars;
    EXPECT_EQ(me181.segmentWords, 256);
    EXPECT_EQ(me181.segmentDataOffset, 128);
    EXPECT_EQ(me181.maxSegments, 2);
}

TEST(FamilyTable, ScratchFileNameKeepsOneFileInTheFolder)
{
    EXPECT_EQ(scratchFileName("G10-4000/5"), "G10-4000-5temp.txt");
    EXPECT_EQ(scratchFileName("435"), "435temp.txt");
}

TEST(FamilyTable, LimitRulesOfEachFamily)
{
    const LimitRules mars = mechEntry("Mars", "MS1400").limits;
    EXPECT_TRUE(mars.mars);
    EXPECT_EQ(mars.limitCap, 4095);
    EXPECT_EQ(mars.pagesOn2K, 4);
    EXPECT_EQ(mechEntry("Mars", "ME181").limits.pagesOn2K, 2);
    for (const char* model : {"G13-6000", "G10-4000", "G99"}) {
        const LimitRules nri = mechEntry("NRI", model).limits;
        EXPECT_TRUE(nri.invertedWindowsUnset) << model;
        EXPECT_EQ(nri.limitCap, 255);
        EXPECT_FALSE(nri.mars);
    }
    EXPECT_TRUE(mechEntry("CC", "435").limits.fifthParamSlugRule);
    for (const char* model : {"C120", "450", "Sentinel", "999"}) {
        const LimitRules cc = mechEntry("CC", model).limits;
        EXPECT_FALSE(cc.fifthParamSlugRule || cc.invertedWindowsUnset || cc.mars) << model;
        EXPECT_EQ(cc.limitCap, 255);
    }
    EXPECT_EQ(mechEntry("CC", "435").cc.routing, CcRouting::Words435);
    EXPECT_EQ(mechEntry("CC", "Sentinel").cc.routing, CcRouting::Sentinel);
    EXPECT_EQ(mechEntry("CC", "220B").cc.routing, CcRouting::None);
    EXPECT_TRUE(mechEntry("CC", "C120").cc.c120Outputs);
    EXPECT_FALSE(mechEntry("CC", "335").cc.c120Outputs);
}
