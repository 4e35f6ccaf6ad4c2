#include "link_fixture.h"

#include <gtest/gtest.h>

using namespace ardwell;
using ardwell_test::Rig;

namespace {

QByteArray logonRequest(int d, int s)
{
    return frameLine(makeFrame({d, s, 0x24, 0xCA, cipher::K1, cipher::K2}));
}

const QByteArray kFailed = "Failed to connect to Coin mech\r\n\r\nCheck Cables";

} // namespace

TEST(Logon, AnsweredOnTheThirdAttempt)
{
    Rig rig("330");
    rig.mech->setFault(sim::ArdwellMech::Fault::Silent, sim::When::first(2));
    rig.link.logon();
    EXPECT_TRUE(rig.st.mechLoggedOn);
    EXPECT_TRUE(rig.mech->powered());
    EXPECT_EQ(rig.st.mechKey.m1, rig.mech->keys().m1);
    EXPECT_EQ(rig.st.mechKey.m2, rig.mech->keys().m2);

    const QByteArray attempt = "%\rZ\r&\r" + logonRequest(0xFF, 0x61);
    EXPECT_EQ(rig.sent(), attempt + "%\rR\r" + attempt + "%\rR\r" + attempt);
    EXPECT_TRUE(rig.ts.dialogs->boxes().empty());
}

TEST(Logon, FramesNeverTakenAreSentTwicePerAttempt)
{
    Rig rig("560");
    rig.box->setFault(sim::ArdwellBox::Fault::FrameNotTaken, sim::When::always());
    rig.ts.sched->setLimitMs(10 * 60 * 1000);
    rig.ts.dialogs->answer(plat::mb::OK, kFailed);
    const plat::Millis t0 = rig.now();
    rig.link.logon();
    EXPECT_FALSE(rig.st.mechLoggedOn);
    EXPECT_FALSE(rig.mech->powered());

    const QByteArray request = logonRequest(0x01, 0x21);
    QByteArray expected;
    for (int i = 0; i < 9; ++i)
        expected += "%\rZ\r&\r" + request + request + "%\rR\r";
    EXPECT_EQ(rig.sent(), expected);
    ASSERT_EQ(rig.ts.dialogs->boxes().size(), 1u);
    EXPECT_EQ(rig.ts.dialogs->boxes()[0].title, "Error");
    EXPECT_EQ(rig.ts.dialogs->boxes()[0].style, plat::mb::Critical | plat::mb::OKOnly);
    // No mech wait when the box did not take the frame: two 1 s box waits per attempt.
    EXPECT_LT(rig.now() - t0, 9 * 3000);
}

TEST(Logon, SilentMechGetsOneRequestPerAttemptAndThreeSeconds)
{
    Rig rig("330");
    rig.mech->setFault(sim::ArdwellMech::Fault::Silent, sim::When::always());
    rig.ts.sched->setLimitMs(10 * 60 * 1000);
    rig.ts.dialogs->answer(plat::mb::OK, kFailed);
    const plat::Millis t0 = rig.now();
    rig.link.logon();
    EXPECT_FALSE(rig.st.mechLoggedOn);
    EXPECT_EQ(rig.sent().count(logonRequest(0xFF, 0x61)), 9);
    EXPECT_GE(rig.now() - t0, 9 * 3000);
}

TEST(Logon, AnEventAnsweredDuringTheWaitDoesNotChangeTheResentRequest)
{
    Rig rig("330", false);
    const QByteArray request = logonRequest(0xFF, 0x61);
    int requests = 0;
    rig.scripted.onLine = [&](const QByteArray& line) {
        if (line + '\r' != request) {
            if (line.size() == 1)
                rig.scripted.say("%");
            return;
        }
        if (++requests == 1) {
            rig.scripted.say("61FF2401020000"); // a coin event instead of taking the frame
        } else {
            rig.scripted.say("X");
            rig.scripted.say("61FF44CA1122B0", 20);
        }
    };
    rig.link.logon();
    EXPECT_TRUE(rig.st.mechLoggedOn);
    EXPECT_EQ(rig.st.mechKey.m1, 0x11);
    EXPECT_EQ(rig.st.mechKey.m2, 0x22);
    const QByteArray understood = frameLine(makeFrame({0xFF, 0x61, 0x04}));
    EXPECT_EQ(rig.sent(), "%\rZ\r&\r" + request + understood + request);
}

TEST(Logon, OnAClosedPortReportsInsteadOfReading)
{
    Rig rig("330", false);
    rig.port->close();
    // The stale-character read is reported, then the logon gives up at once: a port that has
    // gone cannot carry nine power cycles.
    rig.ts.dialogs->answer(plat::mb::OK);
    rig.ts.dialogs->answer(plat::mb::OK);
    rig.link.logon();
    EXPECT_FALSE(rig.st.mechLoggedOn);
    EXPECT_TRUE(rig.ts.dialogs->allAnswersUsed());
    ASSERT_EQ(rig.ts.dialogs->boxes().size(), 2u);
    EXPECT_TRUE(rig.ts.dialogs->boxes()[0].text.startsWith("Error Logon routine : "));
    EXPECT_TRUE(rig.ts.dialogs->boxes()[1].text.startsWith("Failed to connect"));
    EXPECT_EQ(rig.now(), 0);
    EXPECT_TRUE(rig.scripted.lines.isEmpty());
}
