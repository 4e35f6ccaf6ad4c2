#include "link_fixture.h"

#include <gtest/gtest.h>

using namespace ardwell;
using ardwell_test::Rig;

TEST(MechCommands, AnsweredFirstTimeSendsOneFrame)
{
    Rig rig("PCA");
    rig.powerAndRelay();
    const plat::Millis t0 = rig.now();
    rig.link.hiiAcceptAll();
    EXPECT_EQ(rig.sent(), QByteArray("002024700000004C\r"));
    EXPECT_LT(rig.now() - t0, 200);
    EXPECT_TRUE(rig.st.mechAcknowledged);
}

TEST(MechCommands, ABoxThatNeverTakesTheFrameGetsSixTries)
{
    Rig rig("560");
    rig.powerAndRelay();
    rig.box->setFault(sim::ArdwellBox::Fault::FrameNotTaken, sim::When::always());
    rig.ts.dialogs->answer(plat::mb::OK, "No Response from Coin Mech to HII Enable");
    const plat::Millis t0 = rig.now();
    rig.link.hiiEnableAll();
    EXPECT_EQ(rig.sent().count('\r'), 6);
    // Each try: the box wait of a second and the pause, no mech wait.
    EXPECT_GE(rig.now() - t0, 6 * 1280);
    EXPECT_LT(rig.now() - t0, 6 * 1400);
    EXPECT_EQ(rig.ts.dialogs->boxes().back().title, "Error");
}

TEST(MechCommands, ASilentMechGetsThreeSecondsPerTry)
{
    Rig rig("PCA");
    rig.powerAndRelay();
    rig.mech->setFault(sim::ArdwellMech::Fault::Silent, sim::When::always());
    rig.ts.dialogs->answer(plat::mb::OK, "No Response from Coin Mech to ReInitialise Command");
    const plat::Millis t0 = rig.now();
    rig.link.reInitialiseMech();
    EXPECT_EQ(rig.sent().count('\r'), 6);
    EXPECT_GE(rig.now() - t0, 6 * 3180);
}

TEST(MechCommands, AMechAnsweringTheThirdTryEndsTheRetries)
{
    Rig rig("PCA");
    rig.powerAndRelay();
    rig.mech->setFault(sim::ArdwellMech::Fault::Silent, sim::When::first(2));
    rig.link.hiiEnable();
    EXPECT_EQ(rig.sent().count('\r'), 3);
    EXPECT_TRUE(rig.ts.dialogs->boxes().empty());
}
