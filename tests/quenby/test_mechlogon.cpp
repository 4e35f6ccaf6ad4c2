// Serial mode, the box reset, the logons and logoffs of every model and the NRI and Sentinel
// send layers, against the simulated box: exact bytes and waits.
#include "sim/ccmech.h"
#include "sim/nrimech.h"
#include "sim/sentinelmech.h"
#include "tests/quenby/mech_fixture.h"

namespace {

using namespace quenby_tests;
using Fault = sim::QuenbyBox::Fault;
using sim::When;

TEST_F(MechTest, SerialModeTriesFiveTimesHalfASecondApartThenSaysSo)
{
    startJob("CC", "C120");
    box.setFault(Fault::SerialModeRefused, When::always());
    dialogs.answer(plat::mb::OK, "Serial Mode Not Set-up");
    EXPECT_FALSE(layers().sendSerialModeCommand("$05"));
    EXPECT_EQ(sent(), (kEsc25 + "$05").repeated(5));
    for (plat::Millis g : gaps(sentAt("$05"))) {
        EXPECT_GE(g, 500);
        EXPECT_LE(g, 520);
    }
    EXPECT_EQ(dialogs.boxes()[0].title, "Error");
    EXPECT_EQ(dialogs.boxes()[0].style, plat::mb::Critical);
}

TEST_F(MechTest, SerialModeTakenAtTheThirdTry)
{
    startJob("CC", "C120");
    box.setFault(Fault::SerialModeRefused, When::first(2));
    EXPECT_TRUE(layers().sendSerialModeCommand("$05"));
    EXPECT_EQ(sent(), (kEsc25 + "$05").repeated(3));
    EXPECT_TRUE(box.inSerialMode());
}

TEST_F(MechTest, SerialModeAlreadyOnAnswersTheFirstTryAtOnce)
{
    startJob("CC", "C120");
    st.passThrough = true;
    const plat::Millis t0 = sched.nowMs();
    EXPECT_TRUE(layers().sendSerialModeCommand("$05"));
    EXPECT_EQ(sched.nowMs(), t0);
    EXPECT_EQ(sent(), kEsc25 + "$05");
}

TEST_F(MechTest, BoxResetHoldsTheBreak150msAndWaitsForTheRestartLine)
{
    startJob("CC", "C120");
    ASSERT_TRUE(layers().sendSerialModeCommand("$05"));
    port.clearTranscript();
    layers().resetProgrammerBox();
    EXPECT_EQ(sent(), kReset);
    const plat::Millis held = breaks(sim::TranscriptEntry::BreakOff)[0] - breaks(sim::TranscriptEntry::BreakOn)[0];
    EXPECT_GE(held, 140);
    EXPECT_LE(held, 160);
    EXPECT_FALSE(st.passThrough);
    EXPECT_TRUE(link.lineSeen(quenby::BoxLine::Restarted));
    EXPECT_FALSE(box.inSerialMode());
}

TEST_F(MechTest, BoxResetWithoutTheRestartLineFallsBackOnTheBoxCheck)
{
    startJob("CC", "C120");
    ASSERT_TRUE(layers().sendSerialModeCommand("$05"));
    box.setFault(Fault::RestartLineLost, When::always());
    port.clearTranscript();
    layers().resetProgrammerBox();
    EXPECT_EQ(sent(), kReset + kEsc25 + "MJS"); // the box answered its status: no message
    // The restart line was awaited for its full 500 ms before the escapes.
    EXPECT_GE(sentAt(QByteArray(1, 0x1B))[0] - breaks(sim::TranscriptEntry::BreakOff)[0], 500);
}

TEST_F(MechTest, BoxStuckInSerialModeSaysSoAfterTheCheck)
{
    startJob("CC", "C120");
    ASSERT_TRUE(layers().sendSerialModeCommand("$05"));
    box.setFault(Fault::StuckInSerialMode, When::always());
    port.clearTranscript();
    dialogs.answer(plat::mb::OK, "No Response from Programmer Box");
    dialogs.answer(plat::mb::OK, "Stuck in Serial Comms Mode");
    layers().resetProgrammerBox();
    EXPECT_EQ(sent(), kReset + kEsc25 + "MJS");
    EXPECT_EQ(dialogs.boxes()[1].title, "Error");
    EXPECT_EQ(dialogs.boxes()[1].style, plat::mb::Critical);
}

struct LogonCase {
    const char* family;
    const char* model;
    QByteArray logon;
    QByteArray logoff;
};

TEST_F(MechTest, EveryModelLogsOnAndOffWithItsOwnCommands)
{
    const QByteArray cc = "yy" + kReset;
    const LogonCase cases[] = {
        {"CC", "C120", "#80C00" + kEsc25 + "$05xx", cc},
        {"CC", "220B", "#80C08" + kEsc25 + "$05xx", cc},
        {"CC", "335", "#80C08" + kEsc25 + "$05xx", cc},
        {"CC", "435", "#80C08" + kEsc25 + "$05xx", cc},
        {"CC", "450", "#80C08" + kEsc25 + "$05xx", cc},
        {"CC", "Sentinel", "C00" + kEsc25 + "$06\r#TKI", "\r#" + kReset},
        {"NRI", "G13-6000", "C00" + kEsc25 + "$05I", kReset},
        {"NRI", "G13-0000", "C00" + kEsc25 + "$01I", kReset},
        {"NRI", "G18-3000", "C00" + kEsc25 + "$05I", kReset},
        {"NRI", "G18-0000", "C00" + kEsc25 + "$01I", kReset},
        {"NRI", "G10-4000", "C00" + kEsc25 + "$23I", kReset},
        {"NRI", "G10-4000/5", "C00" + kEsc25 + "$23I", kReset},
        {"NRI", "G40-0000", "C00" + kEsc25 + "$05I", kReset},
    };
    for (const LogonCase& c : cases) {
        SCOPED_TRACE(c.model);
        startJob(c.family, c.model, sim::makeQuenbyMech(c.model));
        auto family = families.forJob();
        port.clearTranscript();
        EXPECT_TRUE(family->logon());
        EXPECT_EQ(sent(), c.logon);
        port.clearTranscript();
        family->logoff();
        EXPECT_EQ(sent(), c.logoff);
        EXPECT_FALSE(box.inSerialMode());
    }
    EXPECT_EQ(keepAliveStops, 6); // every CC logoff stops the keep-alive timer
    EXPECT_EQ(settingsSaved, 7);  // every NRI identification saves the settings
    EXPECT_EQ(layers().sentinelIdent, "I2.1");
}

TEST_F(MechTest, SlowerNriInterfacesPauseBeforeTheIdentification)
{
    for (const char* model : {"G13-0000", "G10-4000", "G13-6000"}) {
        startJob("NRI", model, sim::makeQuenbyMech(model));
        port.clearTranscript();
        ASSERT_TRUE(layers().nriLogon()) << model;
        const plat::Millis code = sentAt("$01").empty() ? (sentAt("$23").empty() ? sentAt("$05")[0] : sentAt("$23")[0])
                                                        : sentAt("$01")[0];
        const plat::Millis ident = sentAt("I")[0] - code;
        // 100 ms after the serial mode (taken within its first wait), then 250 ms more for the
        // older interfaces.
        if (QByteArray(model) == "G13-6000")
            EXPECT_LT(ident, 200) << model;
        else
            EXPECT_GE(ident, 350) << model;
        layers().resetProgrammerBox();
    }
}

TEST_F(MechTest, G10With5OnlyOnTheSecondInterfaceIsFoundThere)
{
    startJob("NRI", "G10-4000/5", std::make_unique<sim::NriMech>("G10-4000/5", "$25"));
    EXPECT_TRUE(layers().nriLogon());
    EXPECT_EQ(sent(), "C00" + kEsc25 + "$23I" + kReset + kEsc25 + "$25I");
    EXPECT_EQ(link.replies().mechReply, "03");
    EXPECT_EQ(settingsSaved, 1); // "$23" had nothing to answer "I"
}

TEST_F(MechTest, WrongIdentificationFailsButIsSavedUnansweredIsNot)
{
    auto* mech = plugNew<sim::NriMech>("NRI", "G40-0000");
    mech->setFault(sim::NriMech::Fault::WrongIdent, When::first(1));
    EXPECT_FALSE(layers().nriLogon());
    EXPECT_EQ(settingsSaved, 1);
    EXPECT_EQ(link.replies().mechReply, "99");
    layers().resetProgrammerBox();
    mech->setFault(sim::NriMech::Fault::IdentUnanswered, When::first(1));
    EXPECT_FALSE(layers().nriLogon());
    EXPECT_EQ(settingsSaved, 1);
}

TEST_F(MechTest, G18ProbeWarnsOfAnOldInterfaceAndRestoresTheJob)
{
    startJob("NRI", "G18-3000"); // no NRI mech answers
    box.sentinelInterface().ident = "I1.0";
    dialogs.answer(plat::mb::OK, "G18 requires Resistor Link Modification\r\nor Alternative Interface Board");
    EXPECT_FALSE(layers().nriLogon());
    EXPECT_EQ(sent(), "C00" + kEsc25 + "$05I" + kReset + kEsc25 + "$06\r#TKI\r#" + kReset);
    EXPECT_EQ(dialogs.boxes()[0].title, "G18 Warning");
    EXPECT_EQ(dialogs.boxes()[0].style, plat::mb::Information);
    EXPECT_EQ(job.mechFamily, quenby::Family::NRI);
    EXPECT_EQ(job.mechModel, "G18-3000");
    EXPECT_EQ(layers().sentinelIdent, "I1.0");

    // A newer interface board needs no warning.
    box.sentinelInterface().ident = "I2.0";
    EXPECT_FALSE(layers().nriLogon());
    EXPECT_EQ(dialogs.boxes().size(), 1u);
}

TEST_F(MechTest, G18ProbeRestoresTheJobWhenAnErrorPassesThrough)
{
    startJob("NRI", "G18-0000");
    box.sentinelInterface().ident = "I0.9";
    dialogs.answerWith([](const testing_support::BoxRecord&) -> int { throw plat::RuntimeError(7, "Out of memory"); });
    EXPECT_THROW(layers().nriLogon(), plat::RuntimeError);
    EXPECT_EQ(job.mechFamily, quenby::Family::NRI);
    EXPECT_EQ(job.mechModel, "G18-0000");
}

TEST_F(MechTest, StuckI2cLinesAreReportedAndTheLogonFails)
{
    plugNew<sim::SentinelMech>("CC", "Sentinel");
    box.sentinelInterface().i2cStuck = true;
    dialogs.answer(plat::mb::OK, "Hardware error : I2C Clock and Data lines stuck");
    EXPECT_FALSE(layers().ccLogon());
    EXPECT_EQ(layers().sentinelIdent, "STCK");
    EXPECT_FALSE(link.replies().sentinelLoggedOn);
    EXPECT_EQ(dialogs.boxes()[0].title, "Error");
    // Without a logon the logoff only resets the box.
    port.clearTranscript();
    layers().ccLogoff();
    EXPECT_EQ(sent(), kReset);
}

TEST_F(MechTest, PreJobCheckLogsOnToCcAndNriMechs)
{
    plugNew<sim::CcMech>("CC", "C120");
    EXPECT_TRUE(check.checkBoxAndValidator(true));
    EXPECT_EQ(sent(), kEsc25 + "MJS" + "#80C00" + kEsc25 + "$05xx" + "yy" + kReset);
    EXPECT_TRUE(st.mechPresent);

    plugNew<sim::NriMech>("NRI", "G13-6000");
    port.clearTranscript();
    EXPECT_TRUE(check.checkBoxAndValidator(true));
    EXPECT_EQ(sent(), kEsc25 + "MJS" + "C00" + kEsc25 + "$05I" + kReset);

    // A Sentinel interface whose lines are stuck: the logon's own box, then no mech.
    plugNew<sim::SentinelMech>("CC", "Sentinel");
    box.sentinelInterface().i2cStuck = true;
    dialogs.answer(plat::mb::OK, "Hardware error : I2C Clock and Data lines stuck");
    dialogs.answer(plat::mb::OK, "Validator NOT DETECTED");
    EXPECT_FALSE(check.checkBoxAndValidator(true));
    EXPECT_FALSE(st.mechPresent);
}

TEST_F(MechTest, PreJobCheckWithoutAMechSaysSo)
{
    startJob("CC", "435");
    dialogs.answer(plat::mb::OK, "Validator NOT DETECTED");
    EXPECT_FALSE(check.checkBoxAndValidator(true));
    EXPECT_EQ(sent(), kEsc25 + "MJS" + "#80C08" + kEsc25 + "$05xx"); // no logoff after a failed logon
}

TEST_F(MechTest, AHalfFrameLeftByTheLastMechDoesNotEatTheNextLogon)
{
    auto* mech = plugNew<sim::CcMech>("CC", "C120");
    mech->setFault(sim::CcMech::Fault::StrayAtLogoff, When::first(1));
    ASSERT_TRUE(layers().ccLogon());
    layers().ccLogoff(); // ";" and then 05, which the open frame takes as data
    EXPECT_TRUE(layers().ccLogon());
    EXPECT_EQ(mech->logons(), 2);
    layers().ccLogoff();
}

TEST_F(MechTest, NriRepliesWaitHalfASecondEachOrUntilCancelled)
{
    plugNew<sim::NriMech>("NRI", "G13-6000");
    ASSERT_TRUE(layers().sendSerialModeCommand("$05"));
    plat::Millis t0 = sched.nowMs();
    EXPECT_FALSE(layers().sendNriAndWait("", 0)); // nothing to wait for
    EXPECT_EQ(sched.nowMs(), t0);

    EXPECT_FALSE(layers().sendNriAndWait("", 3)); // nothing comes
    EXPECT_GE(sched.nowMs() - t0, 1480); // the countdown runs on the 20 ms tick
    EXPECT_LE(sched.nowMs() - t0, 1500);

    // Without a time-out only the replies or a cancel end the wait.
    t0 = sched.nowMs();
    sched.callAfter(4000, [this] { job.userAbort = true; });
    EXPECT_FALSE(layers().sendNriAndWait("", -2));
    EXPECT_EQ(sched.nowMs() - t0, 4000);

    job.userAbort = false;
    EXPECT_TRUE(layers().sendNriAndWait("X0F", 1));
    EXPECT_EQ(sent().right(3), "X0F");
}

TEST_F(MechTest, NewerNriCommandGoesOnWithoutItsFirstAcknowledgement)
{
    auto* mech = plugNew<sim::NriMech>("NRI", "G13-6000");
    ASSERT_TRUE(layers().sendSerialModeCommand("$05"));
    port.clearTranscript();
    mech->setFault(sim::NriMech::Fault::NoFirstCharAck, When::first(1));
    EXPECT_TRUE(layers().sendNriAndWait("X03", 1));
    EXPECT_EQ(sent(), "X03");
    const plat::Millis waited = sentAt("03")[0] - sentAt("X")[0];
    EXPECT_GE(waited, 480);
    EXPECT_LE(waited, 500);
    EXPECT_EQ(link.replies().mechReply, mech->record(3));
}

TEST_F(MechTest, NewerNriDataGoesInAcknowledgedPieces)
{
    auto* mech = plugNew<sim::NriMech>("NRI", "G13-6000");
    ASSERT_TRUE(layers().sendSerialModeCommand("$05"));
    port.clearTranscript();
    const QByteArray record = mech->record(3);
    QByteArray changed = record;
    changed[0] = changed[0] == '1' ? '2' : '1';
    EXPECT_TRUE(layers().sendNriCommandWithData("Z03", changed));
    EXPECT_EQ(mech->record(3), changed);
    EXPECT_EQ(sent(), "Z03" + changed);

    // Data that is not whole pieces goes nowhere and fails.
    port.clearTranscript();
    EXPECT_FALSE(layers().sendNriCommandWithData("Z03", changed + "1"));
    EXPECT_EQ(sent(), "");
    EXPECT_EQ(mech->record(3), changed);

    // A refused piece ends the write.
    mech->setRecordFault(4, sim::NriMech::RecordFault::PieceRefused);
    EXPECT_FALSE(layers().sendNriCommandWithData("Z04", mech->record(4)));
    EXPECT_TRUE(link.replies().replyError);
}

TEST_F(MechTest, APieceAnsweredWithARefusalFailsEvenWhenAcknowledgedToo)
{
    startJob("NRI", "G13-6000"); // nobody on the interface: the test answers for the mech
    ASSERT_TRUE(layers().sendSerialModeCommand("$05"));
    const plat::Millis t0 = sched.nowMs();
    sched.callAfter(20, [this] { port.reply("\x06", 0); });   // the "Z"
    sched.callAfter(40, [this] { port.reply("?\x06", 0); }); // the first piece
    EXPECT_FALSE(layers().sendNriCommandWithData("Z03", "1E0A"));
    EXPECT_EQ(sent().right(5), "Z031E"); // the second piece is not sent
    EXPECT_LT(sched.nowMs() - t0, 600);
}

TEST_F(MechTest, OlderNriDataGoesACharacterEvery50msUnacknowledged)
{
    auto* mech = plugNew<sim::NriMech>("NRI", "G13-0000");
    ASSERT_TRUE(layers().sendSerialModeCommand("$01"));
    port.clearTranscript();
    EXPECT_TRUE(layers().sendNriCommandWithData("E", "07/12/26\r"));
    EXPECT_EQ(sent(), "E07/12/26\r");
    std::vector<plat::Millis> at;
    for (const auto& e : port.transcript())
        if (e.kind == sim::TranscriptEntry::Sent)
            at.push_back(e.at);
    for (plat::Millis g : gaps(at)) {
        if (g == 0)
            continue; // the command and the first character
        EXPECT_GE(g, 40);
        EXPECT_LE(g, 60);
    }
    sched.advance(100);
    EXPECT_EQ(mech->oldRecord("Z").right(8), "07/12/26");
}

TEST_F(MechTest, SentinelCharactersWaitForTheirEchoButGoOnWithoutIt)
{
    plugNew<sim::SentinelMech>("CC", "Sentinel");
    ASSERT_TRUE(layers().ccLogon());
    box.sentinelInterface().setFault(sim::SentinelInterface::Fault::NoEcho, When::always());
    port.clearTranscript();
    // Without the echoed CR the one reply line is not the two replies a read awaits.
    EXPECT_FALSE(layers().sendSentinelCommand("M00800102\r", 2, 1000));
    for (plat::Millis g : gaps(sentAt("0")))
        EXPECT_GE(g, 200);
    EXPECT_EQ(sent(), "M00800102\r");
    EXPECT_TRUE(link.replies().mechReply.startsWith("ZR")); // the reply without its first character
}

TEST_F(MechTest, APercentFromTheSentinelEndsItsLogon)
{
    auto* mech = plugNew<sim::SentinelMech>("CC", "Sentinel");
    ASSERT_TRUE(layers().ccLogon());
    mech->setFault(sim::SentinelMech::Fault::UnaskedPercent, When::first(1));
    EXPECT_TRUE(layers().sendSentinelCommand("M00800102\r", 2, 1000));
    sched.advance(50);
    EXPECT_FALSE(link.replies().sentinelLoggedOn);
    port.clearTranscript();
    layers().ccLogoff();
    EXPECT_EQ(sent(), kReset); // nothing to close
}

} // namespace
