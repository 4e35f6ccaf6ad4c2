// The pre-job check against the simulated box: command order, waits and outcomes.
#include "platform/timer.h"
#include "quenby/link/boxcheck.h"
#include "quenby/seams.h"
#include "quenby/shell/texts.h"
#include "sim/quenbybox.h"
#include "tests/quenby/transcript.h"
#include "tests/support/testservices.h"

#include <gtest/gtest.h>

namespace {

using testing_support::TestServices;
using quenby_tests::kEsc25;

struct CheckTest : ::testing::Test {
    TestServices ts;
    quenby::TextTable texts;
    quenby::ErrorReporter errors{texts, *ts.dialogs};
    quenby::JobState job;
    quenby::LinkState st;
    sim::QuenbyBox box;
    sim::SimPort port{*ts.sched, box};
    quenby::BoxLink link{ts.services(), st, texts, errors, job};
    quenby::BoxCheck check{link, ts.services(), texts, errors, job};
    plat::Timer timer1{*ts.sched};

    void SetUp() override
    {
        link.setPort(&port);
        timer1.setInterval(20);
        timer1.onTick = [this] { link.Timer1_Timer(); };
        timer1.setEnabled(true);
        ASSERT_TRUE(check.openChosenPort(1));
        port.clearTranscript();
    }

    std::vector<plat::Millis> sentAt(const QByteArray& what) const { return quenby_tests::sentAt(port, what); }
};

TEST_F(CheckTest, MarsMe181SendsWCfdJBeforeTheStatusRequest)
{
    job.mechFamily = quenby::Family::Mars;
    job.mechModel = "ME181";
    EXPECT_TRUE(check.checkBoxAndValidator(true));
    EXPECT_EQ(port.sentWithBreaks(), kEsc25 + "MJWCFDJSW");
    ts.sched->advance(50); // the last "W" is still on the wire
    EXPECT_EQ(box.commands(), (QStringList{"<ESC>", "M", "J", "W", "CFD", "J", "S", "W"}));
    // The Mars settling wait lies between the last "J" and "S".
    const auto j = sentAt("J");
    const auto s = sentAt("S");
    ASSERT_EQ(j.size(), 2u);
    ASSERT_EQ(s.size(), 1u);
    EXPECT_GT(s[0] - j[1], 480);
    EXPECT_LE(s[0] - j[1], 500);
}

TEST_F(CheckTest, OtherMarsModelsWaitWithoutTheExtraCommands)
{
    job.mechFamily = quenby::Family::Mars;
    job.mechModel = "MS1000";
    EXPECT_TRUE(check.checkBoxAndValidator(false));
    EXPECT_EQ(port.sentWithBreaks(), kEsc25 + "MJSW");
}

TEST_F(CheckTest, MarsMechMissingAsksAgainAfterASecondThenGivesUp)
{
    job.mechFamily = quenby::Family::Mars;
    job.mechModel = "ME111";
    box.mechConnected = false;
    ts.dialogs->answer(plat::mb::OK);
    EXPECT_FALSE(check.checkBoxAndValidator(true));
    EXPECT_EQ(port.sentWithBreaks(), kEsc25 + "MJSSW");
    const auto s = sentAt("S");
    ASSERT_EQ(s.size(), 2u);
    EXPECT_GT(s[1] - s[0], 980);
    EXPECT_LT(s[1] - s[0], 1050);
    ASSERT_EQ(ts.dialogs->boxes().size(), 1u);
    EXPECT_EQ(ts.dialogs->boxes()[0].text, "Validator NOT DETECTED");
    EXPECT_EQ(ts.dialogs->boxes()[0].title, "Validator Check");
    EXPECT_EQ(ts.dialogs->boxes()[0].style, plat::mb::Critical);
}

TEST_F(CheckTest, MarsWithoutMechCheckIgnoresAMissingMech)
{
    job.mechFamily = quenby::Family::Mars;
    job.mechModel = "ME111";
    box.mechConnected = false;
    EXPECT_TRUE(check.checkBoxAndValidator(false));
    EXPECT_EQ(port.sentWithBreaks(), kEsc25 + "MJSW");
    EXPECT_FALSE(st.mechPresent);
}

TEST_F(CheckTest, MarsBoxAnsweringOnlyTheSecondRequestPasses)
{
    job.mechFamily = quenby::Family::Mars;
    job.mechModel = "ME111";
    box.setFault(sim::QuenbyBox::Fault::StatusUnanswered, sim::When::first(1));
    EXPECT_TRUE(check.checkBoxAndValidator(true));
    EXPECT_EQ(port.sentWithBreaks(), kEsc25 + "MJSSW");
}

TEST_F(CheckTest, CcAndNriEndAfterTheStatusWithoutW)
{
    for (const char* family : {"CC", "NRI"}) {
        port.clearTranscript();
        job.mechFamily = quenby::familyNamed(family);
        job.mechModel = "x";
        EXPECT_TRUE(check.checkBoxAndValidator(false)) << family;
        EXPECT_EQ(port.sentWithBreaks(), kEsc25 + "MJS") << family;
    }
}

TEST_F(CheckTest, SilentBoxOkReturnsFalseAndCancelEnds)
{
    job.mechFamily = quenby::Family::CC;
    box.silent = true;
    ts.dialogs->answer(plat::mb::OK, "No Response from Programmer Box");
    EXPECT_FALSE(check.checkBoxAndValidator(false));
    EXPECT_EQ(ts.dialogs->boxes()[0].title, "Comms Error");
    EXPECT_EQ(ts.dialogs->boxes()[0].style, plat::mb::OKCancel | plat::mb::Critical);

    ts.dialogs->answer(plat::mb::Cancel);
    EXPECT_THROW(check.checkBoxAndValidator(false), plat::ProgramEnded);
}

struct ScriptedLogons : quenby::MechLogons {
    bool cc = true, nri = true;
    int logoffs = 0, resets = 0;
    bool ccLogon() override { return cc; }
    void ccLogoff() override { ++logoffs; }
    bool nriLogon() override { return nri; }
    void resetProgrammerBox() override { ++resets; }
};

TEST_F(CheckTest, LogonsDecideMechPresenceForCcAndNri)
{
    ScriptedLogons logons;
    logons.nri = false;
    check.setLogons(logons);
    box.mechConnected = false; // the status line does not count for these families

    job.mechFamily = quenby::Family::CC;
    EXPECT_TRUE(check.checkBoxAndValidator(true));
    EXPECT_EQ(logons.logoffs, 1);

    job.mechFamily = quenby::Family::NRI;
    ts.dialogs->answer(plat::mb::OK, "Validator NOT DETECTED");
    EXPECT_FALSE(check.checkBoxAndValidator(true));
    EXPECT_EQ(logons.resets, 0) << "no box reset after a failed logon";

    logons.nri = true;
    EXPECT_TRUE(check.checkBoxAndValidator(true));
    EXPECT_EQ(logons.resets, 1);
}

TEST_F(CheckTest, StartupSequenceWaitsForTheEmptyCommand)
{
    check.resetBoxLink();
    EXPECT_TRUE(check.checkBoxResponds());
    EXPECT_EQ(port.sentWithBreaks(), "<BRK+><BRK->" + kEsc25 + "_" + kEsc25 + "_JMJS");
    // The empty command sends nothing and waits its full time for a line.
    const auto j = sentAt("J");
    const auto s = sentAt("S");
    ASSERT_EQ(j.size(), 2u);
    EXPECT_GT(s[0] - j[1], 780);
    EXPECT_LE(s[0] - j[1], 800);
}

TEST_F(CheckTest, StatusMissingFailsTheStartupCheck)
{
    box.setFault(sim::QuenbyBox::Fault::StatusUnanswered, sim::When::always());
    EXPECT_FALSE(check.checkBoxResponds());
}

TEST_F(CheckTest, OpenChosenPortOnlyWhileNotMarkedOpen)
{
    EXPECT_FALSE(check.openChosenPort(2)) << "already open: nothing is done";
    EXPECT_EQ(port.portNumber(), 1);
    port.close();
    st.portOpen = false;
    port.setOpenResult(plat::OpenResult::NoSuchDevice);
    EXPECT_FALSE(check.openChosenPort(2));
    EXPECT_FALSE(st.portOpen);
    EXPECT_TRUE(ts.dialogs->boxes().empty()) << "a port that fails to open is not reported here";
}

} // namespace
