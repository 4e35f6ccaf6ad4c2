// The simulated first box in line mode: silent family commands, neutral answers, the Mars
// timings it keeps, serial-mode faults and a peer that hangs up.
#include "tests/sim/quenbyrig.h"

#include <gtest/gtest.h>

using namespace quenbysim;
using Fault = sim::QuenbyBox::Fault;

TEST(QuenbyLineMode, FamilyCommandsAreTakenSilentlyAndNeutralOnesAnswered)
{
    Rig r;
    EXPECT_EQ(r.exchange("#80C00C08C01C09C02CFDJ"), "");
    EXPECT_EQ(r.box.commands(), (QStringList{"#80", "C00", "C08", "C01", "C09", "C02", "CFD", "J"}));
    EXPECT_EQ(r.exchange("E"), "D00\r");
    EXPECT_EQ(r.exchange("B"), "D00\r");
    EXPECT_EQ(r.exchange("O"), "D00\r");
    EXPECT_EQ(r.exchange("V"), "D00\r");
    EXPECT_EQ(r.exchange("*"), "D00\r");
    EXPECT_EQ(r.exchange("\r\n"), "") << "stray line ends between commands";
}

TEST(QuenbyLineMode, TimingsAreStoredAndShownOnTheStatusLine)
{
    Rig r;
    EXPECT_EQ(r.exchange("Z030020150100\r"), "D00\r");
    EXPECT_EQ(r.exchange("S"), "C   30,   20,  150,  100,3F,QB2.1\r");
    EXPECT_EQ(r.exchange("Z150150150425\rS"), "D00\rC  150,  150,  150,  425,3F,QB2.1\r");

    r.box.setFault(Fault::TimingsNotStored, sim::When::first(1));
    EXPECT_EQ(r.exchange("Z030020150100\rS"), "D00\rC  150,  150,  150,  425,3F,QB2.1\r");
    EXPECT_EQ(r.exchange("Z030020150100\rS"), "D00\rC   30,   20,  150,  100,3F,QB2.1\r");

    EXPECT_EQ(r.exchange("Z03002015010\rS"), "C   30,   20,  150,  100,3F,QB2.1\r") << "11 digits: no answer";
    EXPECT_EQ(r.exchange("Z0300201501x0\r"), "");
}

TEST(QuenbyLineMode, UnansweredAndLateCommands)
{
    Rig r;
    r.box.setFault(Fault::IdleUnanswered, sim::When::always());
    r.box.setFault(Fault::MUnanswered, sim::When::always());
    r.box.setFault(Fault::EUnanswered, sim::When::always());
    r.box.setFault(Fault::OUnanswered, sim::When::always());
    r.box.setFault(Fault::VUnanswered, sim::When::always());
    EXPECT_EQ(r.exchange("YMEOV_"), "D00\r") << "only \"_\" answered";

    r.box.setFault(Fault::StarUnanswered, sim::When::first(1));
    EXPECT_EQ(r.exchange("*"), "");
    r.box.setFault(Fault::StarLate, sim::When::always());
    EXPECT_EQ(r.exchange("*", 800), "") << "not yet after 800 ms";
    r.sched.advance(100);
    EXPECT_EQ(r.inbox, "D00\r");
}

TEST(QuenbyLineMode, SerialModeFaults)
{
    Rig r;
    r.box.setFault(Fault::SerialModeRefused, sim::When::first(2));
    EXPECT_EQ(r.serialMode("$05"), "");
    EXPECT_EQ(r.serialMode("$05"), "");
    EXPECT_FALSE(r.box.inSerialMode());
    EXPECT_EQ(r.serialMode("$05"), "*S\r") << "the third try";

    r.box.setFault(Fault::RestartLineLost, sim::When::first(1));
    EXPECT_EQ(r.breakLine(), "");
    EXPECT_FALSE(r.box.inSerialMode()) << "serial mode ended all the same";

    r.serialMode("$05");
    r.box.setFault(Fault::StuckInSerialMode, sim::When::first(1));
    EXPECT_EQ(r.breakLine(), "");
    EXPECT_TRUE(r.box.inSerialMode());
    EXPECT_EQ(r.exchange("S"), "") << "a status request goes to the (absent) mech";
    EXPECT_EQ(r.breakLine(), "*R\r");
    EXPECT_EQ(r.exchange("S").left(1), "C");
}

TEST(QuenbyLineMode, PeerHangsUpAtAByteFromTheProgram)
{
    CcRig r;
    r.logOn();
    r.box.setFault(Fault::HangUpOnByteIn, sim::When::from(5));
    r.exchange(bytes({0x7B, 0x10, 0x8B, 0x7B, 0x11, 0x8C}));
    EXPECT_FALSE(r.port.isOpen());
    EXPECT_EQ(r.failure, "the programmer box hung up");
    EXPECT_EQ(r.mech.addressesRead(), QList<int>{0x10}) << "the bytes before the fifth reached the mech";
    EXPECT_EQ(r.inbox, "") << "what was on its way back is lost with the line";
}

TEST(QuenbyLineMode, PeerHangsUpAfterAByteToTheProgram)
{
    Rig r;
    r.box.setFault(Fault::HangUpOnByteOut, sim::When::from(6));
    r.exchange("_S");
    EXPECT_EQ(r.inbox, "D00\rC ");
    EXPECT_FALSE(r.port.isOpen());
    EXPECT_EQ(r.failure, "the programmer box hung up");
    r.port.open();
    EXPECT_EQ(r.exchange("_"), "D00\r") << "a fresh connection talks again";
}
