#include "quenby/link/familytable.h"

#include <gtest/gtest.h>

using namespace quenby;

TEST(FamilyTable, NamesNobodyKnowsGetTheFallbacks)
{
    // Any other CC name: the word protocol with base 9 and stride 16, "C08", "$05".
    const MechEntry cc = mechEntry(Family::CC, "C999");
    EXPECT_EQ(cc.kind, MechKind::CcWord);
    EXPECT_EQ(cc.interfaceCode, "$05");
    EXPECT_STREQ(cc.cc.boxSelect, "C08");
    EXPECT_EQ(cc.cc.limitBase, 9);
    EXPECT_EQ(cc.cc.limitStride, 16);
    // Any Mars name shares the Mars entry; an unknown NRI name or family gets nothing to send.
    EXPECT_STREQ(mechEntry(Family::Mars, "nonsense").mars.timings, "Z030020150100");
    EXPECT_EQ(mechEntry(Family::Mars, "nonsense").mars.segmentWords, 128);
    for (const auto& [family, model] : {std::pair{"NRI", "g13-6000"}, std::pair{"Coins", "C120"}}) {
        const MechEntry e = mechEntry(familyNamed(family), model);
        EXPECT_EQ(e.kind, MechKind::Unknown);
        EXPECT_TRUE(e.interfaceCode.isEmpty());
        EXPECT_TRUE(e.nri.identReplies.isEmpty()); // any reply
    }
}

TEST(FamilyTable, ScratchFileNameKeepsOneFileInTheFolder)
{
    EXPECT_EQ(scratchFileName("G10-4000/5"), "G10-4000-5temp.txt");
    EXPECT_EQ(scratchFileName("435"), "435temp.txt");
}
