// The serial link core: receive handler, line dispatcher, decoders, waits and send primitives.
#include "platform/timer.h"
#include "platform/view.h"
#include "quenby/link/boxlink.h"
#include "quenby/seams.h"
#include "quenby/shell/texts.h"
#include "tests/support/fakeport.h"
#include "tests/support/testservices.h"

#include <gtest/gtest.h>

namespace {

using quenby::BoxLink;
using quenby::CcFrame;
using testing_support::TestServices;

using testing_support::FakePort;

// Records what the dispatcher hands on.
struct RecordingParsers : quenby::LinkParsers {
    QStringList accepted, measured, promLines;
    std::vector<std::pair<CcFrame, int>> frames; // lastIndex -1 for a word frame
    QList<QByteArray> g10Reports;
    int measureRequests = 0;

    void parseCoinAccepted(const QString& l) override { accepted << l; }
    void loadMeasurement(const QString& l) override { measured << l; }
    void decodeMarsPromLine(const QString& l) override { promLines << l; }
    void parseCcWordReply(const CcFrame& f) override { frames.push_back({f, -1}); }
    void parseCcMeasureFrame(const CcFrame& f, int last) override { frames.push_back({f, last}); }
    void requestCcMeasurement() override { ++measureRequests; }
    void parseG10CoinAccepted(const QByteArray& r) override { g10Reports << r; }
};

struct LinkTest : ::testing::Test {
    TestServices ts;
    quenby::TextTable texts;
    quenby::ErrorReporter errors{texts, *ts.dialogs};
    quenby::JobState job;
    quenby::LinkState st;
    FakePort port;
    BoxLink link{ts.services(), st, texts, errors, job};
    plat::Timer timer1{*ts.sched};
    RecordingParsers parsers;
    plat::MemoryView mainView{mainWindowNames(), QStringLiteral("frmMain")};

    static plat::ControlNames mainWindowNames()
    {
        plat::ControlNames names;
        names.add(QStringLiteral("lblProgrammer"));
        return names;
    }

    void SetUp() override
    {
        link.setPort(&port);
        port.open();
        timer1.setInterval(BoxLink::kTickMs);
        timer1.onTick = [this] { link.Timer1_Timer(); };
        timer1.setEnabled(true);
        link.setParsers(parsers);
        link.setMainView(&mainView);
    }

    void serialMode(const QString& family, const QString& model)
    {
        job.mechFamily = quenby::familyNamed(family);
        job.mechModel = model;
        port.feed("*S\r");
        ASSERT_TRUE(st.passThrough);
    }

    // How long fn took on the virtual clock.
    plat::Millis timed(const std::function<void()>& fn)
    {
        const plat::Millis t0 = ts.sched->nowMs();
        fn();
        return ts.sched->nowMs() - t0;
    }
};

// ---- line mode ---------------------------------------------------------------------------------

TEST_F(LinkTest, LineModeAssemblesPrintableBytesOnly)
{
    port.feed("\r");
    EXPECT_FALSE(link.lineSeen(quenby::BoxLine::Any)) << "a CR with nothing assembled dispatches nothing";
    port.feed(QByteArray("V1\n2\x01\x7f") + char(0xE9) + "3");
    EXPECT_EQ(st.lineBuffer, QString::fromUtf8("V12\x7f\xC3\xA9") + "3");
    port.feed("\r");
    EXPECT_TRUE(link.lineSeen(quenby::BoxLine::Any));
    EXPECT_TRUE(st.lineBuffer.isEmpty());
    EXPECT_EQ(parsers.accepted, QStringList{QString::fromUtf8("V12\x7f\xC3\xA9") + "3"});
}

TEST_F(LinkTest, LineBufferStopsAt512Characters)
{
    port.feed(QByteArray(600, 'T'));
    EXPECT_EQ(st.lineBuffer.size(), BoxLink::kLineBufferCap);
    port.feed("\rV2\r");
    EXPECT_EQ(parsers.accepted, QStringList{"V2"}) << "the next line starts clean";
}

TEST_F(LinkTest, StarLines)
{
    port.feed("*EV 3,1\r");
    EXPECT_EQ(parsers.accepted, QStringList{"*EV 3,1"}) << "the whole line, star included";
    EXPECT_FALSE(st.passThrough);
    port.feed("*R\r");
    EXPECT_TRUE(link.lineSeen(quenby::BoxLine::Restarted));
    EXPECT_FALSE(st.passThrough);
    port.feed("*S\r");
    EXPECT_TRUE(st.passThrough);
    EXPECT_TRUE(link.lineSeen(quenby::BoxLine::Any));
}

TEST_F(LinkTest, StatusLinesSetPresenceTimingsAndVersion)
{
    port.feed("C 1.50, 2.25,13.75,  2.5,3F,QB2.1\r");
    EXPECT_TRUE(link.lineSeen(quenby::BoxLine::Status));
    EXPECT_TRUE(st.mechPresent);
    EXPECT_DOUBLE_EQ(st.validatorTimings.value1, 1.5);
    EXPECT_DOUBLE_EQ(st.validatorTimings.value2, 2.25);
    EXPECT_DOUBLE_EQ(st.validatorTimings.value3, 13.75);
    EXPECT_EQ(st.validatorTimings.value4, 2) << "halves to even";
    EXPECT_EQ(st.boxVersion, "QB2.1");
    EXPECT_EQ(mainView.text(QStringLiteral("lblProgrammer")), "QB2.1");

    link.expectLine(quenby::BoxLine::Status);
    port.feed("N  3.5\r");
    EXPECT_TRUE(link.lineSeen(quenby::BoxLine::Status));
    EXPECT_FALSE(st.mechPresent);
    EXPECT_DOUBLE_EQ(st.validatorTimings.value1, 3.5);
    EXPECT_DOUBLE_EQ(st.validatorTimings.value2, 0);
    EXPECT_EQ(st.validatorTimings.value4, 0);
    EXPECT_EQ(st.boxVersion, "") << "a short line has no version";
}

TEST_F(LinkTest, IdleLineColumns)
{
    port.feed("Y  12.5  13.5 0007x\r");
    EXPECT_EQ(st.idleValues[0], 12);
    EXPECT_EQ(st.idleValues[1], 14);
    EXPECT_EQ(st.idleValues[2], 7);
    port.feed("Y\r");
    EXPECT_EQ(st.idleValues[0], 0);
}

TEST_F(LinkTest, OverflowInOneIdleValueIsReportedAndTheOthersStillRead)
{
    ts.dialogs->answer(plat::mb::OK, " 820 Error Decoding Idle Values");
    port.feed("Y 1E300    44    55\r");
    EXPECT_EQ(st.idleValues[1], 44);
    EXPECT_EQ(st.idleValues[2], 55);
}

TEST_F(LinkTest, OtherLineTypes)
{
    job.measuring = false;
    port.feed("M 100,200,300\r");
    EXPECT_TRUE(parsers.measured.isEmpty());
    job.measuring = true;
    port.feed("M 100,200,300\r");
    EXPECT_EQ(parsers.measured, QStringList{"M 100,200,300"});
    port.feed("R00 1234\rZ\r");
    EXPECT_EQ(parsers.promLines, QStringList{"R00 1234"});
    EXPECT_TRUE(link.lineSeen(quenby::BoxLine::PromRow));
}

TEST_F(LinkTest, IgnoredLinesChangeNothing)
{
    for (const char* line : {"T00\r", "D12\r", "Q\r", "x\r", "?\r"}) {
        port.feed(line);
        EXPECT_FALSE(link.lineSeen(quenby::BoxLine::Status) || st.mechPresent || st.passThrough ||
                     link.lineSeen(quenby::BoxLine::Restarted) || link.lineSeen(quenby::BoxLine::PromRow))
            << line;
    }
    EXPECT_TRUE(parsers.accepted.isEmpty() && parsers.measured.isEmpty() && parsers.promLines.isEmpty());
    EXPECT_TRUE(ts.dialogs->boxes().empty());
}

TEST_F(LinkTest, BatteryLowBox)
{
    ts.dialogs->answer(plat::mb::OK);
    port.feed("B\r");
    ASSERT_EQ(ts.dialogs->boxes().size(), 1u);
    const auto& box = ts.dialogs->boxes()[0];
    EXPECT_EQ(box.text, "Battery Low");
    EXPECT_EQ(box.title, "Warning");
    EXPECT_EQ(box.style, plat::mb::OKOnly | plat::mb::Exclamation);
}

TEST_F(LinkTest, BytesArrivingUnderTheBatteryBoxWaitForTheOuterHandler)
{
    bool statusSeenWhileBoxUp = true;
    ts.dialogs->answerWith([&](const testing_support::BoxRecord&) {
        port.feed("C 1.00, 2.00, 3.00,    4,00,QB2.1\r"); // the box's own loop raises the event
        statusSeenWhileBoxUp = link.lineSeen(quenby::BoxLine::Status);
        return plat::mb::OK;
    });
    port.feed("B\rV9\r");
    EXPECT_FALSE(statusSeenWhileBoxUp) << "the handler re-entered itself";
    EXPECT_TRUE(link.lineSeen(quenby::BoxLine::Status)) << "the bytes are read after the box";
    EXPECT_EQ(parsers.accepted, QStringList{"V9"});
    EXPECT_EQ(ts.dialogs->boxes().size(), 1u);
}

// ---- pass-through ------------------------------------------------------------------------------

TEST_F(LinkTest, PassThroughAssemblesNoLines)
{
    serialMode("Mars", "ME111");
    link.expectLine(quenby::BoxLine::Any);
    port.feed("C 1.00\rV1\r*R\r");
    EXPECT_FALSE(link.lineSeen(quenby::BoxLine::Any));
    EXPECT_FALSE(link.lineSeen(quenby::BoxLine::Status));
    EXPECT_TRUE(st.lineBuffer.isEmpty());
    EXPECT_TRUE(link.replies().mechReply.isEmpty());
    EXPECT_TRUE(parsers.accepted.isEmpty());
}

TEST_F(LinkTest, NriRepliesAcksAndErrors)
{
    serialMode("NRI", "G13-6000");
    link.expectReplies(2);
    port.feed("\x06" "12\r");
    EXPECT_TRUE(link.replies().replyAck);
    EXPECT_EQ(link.replies().repliesExpected, 1);
    EXPECT_FALSE(link.replies().replyDone);
    port.feed("3?\r");
    EXPECT_TRUE(link.replies().replyDone);
    EXPECT_TRUE(link.replies().replyError);
    EXPECT_EQ(link.replies().mechReply, "123?") << "neither 0x06 nor CR is stored";
    port.feed("\r");
    EXPECT_EQ(link.replies().repliesExpected, -1);
    EXPECT_TRUE(link.replies().replyDone);
}

TEST_F(LinkTest, NriG10ReportsGoToTheirParserWhole)
{
    serialMode("NRI", "G10-4000");
    job.nriG10LineMode = true;
    port.feed("junk" + QByteArray(1, char(0x80)) + "A\x06" "1\r");
    port.feed("2\r");
    ASSERT_EQ(parsers.g10Reports.size(), 2);
    EXPECT_EQ(parsers.g10Reports[0], "A\x06" "1");
    EXPECT_EQ(parsers.g10Reports[1], "2") << "each report is handed on once, then forgotten";
    EXPECT_FALSE(link.replies().replyAck);
    // A report without its coin byte, and a second CR, hand nothing on.
    port.feed(QByteArray(1, char(0x80)) + "\r" + QByteArray(1, char(0x80)) + "\x19\r\r");
    ASSERT_EQ(parsers.g10Reports.size(), 3);
    EXPECT_EQ(parsers.g10Reports[2], "\x19");
    EXPECT_TRUE(link.replies().mechReply.isEmpty());
}

TEST_F(LinkTest, SentinelKeepsEveryByte)
{
    serialMode("CC", "Sentinel");
    link.setSentinelLoggedOn(true);
    link.expectReplies(1);
    port.feed("#TK\r%");
    EXPECT_EQ(link.replies().sentinelReply, "#TK\r%");
    EXPECT_TRUE(link.replies().replyDone);
    EXPECT_FALSE(link.replies().sentinelLoggedOn);
    EXPECT_TRUE(parsers.frames.empty());
}

TEST_F(LinkTest, CcBytesOutsideAFrame)
{
    serialMode("CC", "C120");
    port.feed("\x05xyz");
    EXPECT_TRUE(link.replies().ccAck);
    EXPECT_EQ(st.ccFrame.count, 0) << "other bytes are dropped";
    port.feed("\x06");
    EXPECT_TRUE(link.replies().ccNak);
    EXPECT_EQ(parsers.measureRequests, 0);
    link.sendCcAndAwaitAck({}, 0); // no 05 or 06 seen
    job.measuring = true;
    port.feed("\x06");
    EXPECT_FALSE(link.replies().ccNak);
    EXPECT_EQ(parsers.measureRequests, 1);
}

TEST_F(LinkTest, CcWordFrameAndAckBytesInsideFrames)
{
    serialMode("CC", "335");
    port.feed(";\x05\x06");
    EXPECT_FALSE(link.replies().ccAck) << "0x05 inside a frame is data";
    EXPECT_FALSE(link.replies().ccNak);
    port.feed("\x46");
    ASSERT_EQ(parsers.frames.size(), 1u);
    EXPECT_EQ(parsers.frames[0].second, -1);
    EXPECT_EQ(parsers.frames[0].first.slot[1], 5);
    EXPECT_EQ(parsers.frames[0].first.slot[3], 0x46);
    EXPECT_EQ(st.ccFrame.count, 0);
}

TEST_F(LinkTest, C120MeasureFrameSevenOrEightBytes)
{
    serialMode("CC", "C120");
    QByteArray good("?\x01\x02\x03\x04\x05");
    good += char((0x3F + 15) % 256);
    port.feed(good);
    ASSERT_EQ(parsers.frames.size(), 1u);
    EXPECT_EQ(parsers.frames[0].second, 6);

    const QByteArray bad = QByteArray("?\x01\x02\x03\x04\x05") + char(0);
    port.feed(bad);
    EXPECT_EQ(parsers.frames.size(), 1u) << "a failed sum keeps the frame open";
    EXPECT_EQ(st.ccFrame.count, 7);
    port.feed("\x09");
    ASSERT_EQ(parsers.frames.size(), 2u);
    EXPECT_EQ(parsers.frames[1].second, 7);
    EXPECT_EQ(parsers.frames[1].first.slot[7], 9);
}

TEST_F(LinkTest, MeasureFrameLengthsByModel)
{
    struct Case {
        const char* model;
        int bytes;
    };
    for (const Case c : {Case{"450", 10}, Case{"220B", 5}, Case{"335", 5}}) {
        parsers.frames.clear();
        job.mechModel = c.model;
        serialMode("CC", c.model);
        port.feed("?" + QByteArray(c.bytes - 2, '\x01'));
        EXPECT_TRUE(parsers.frames.empty()) << c.model;
        port.feed("\x01");
        ASSERT_EQ(parsers.frames.size(), 1u) << c.model;
        EXPECT_EQ(parsers.frames[0].second, c.bytes - 1) << c.model;
    }
}

TEST_F(LinkTest, FrameSurvivesBetweenReceiveEvents)
{
    serialMode("CC", "450");
    port.feed("?\x01\x02");
    port.feed("\x03\x04\x05");
    port.feed("\x06\x07\x08\x09");
    ASSERT_EQ(parsers.frames.size(), 1u);
    EXPECT_EQ(parsers.frames[0].first.slot[9], 9);
}

// ---- waits and sending -------------------------------------------------------------------------

TEST_F(LinkTest, TickNeverLeavesANegativeCountdown)
{
    st.countdownMs = 30;
    st.delayCountMs = 10;
    link.Timer1_Timer();
    EXPECT_EQ(st.countdownMs, 10);
    EXPECT_EQ(st.delayCountMs, 0);
    link.Timer1_Timer();
    EXPECT_EQ(st.countdownMs, 0);
}

TEST_F(LinkTest, DelayRoundsDownToTensWithATenMillisecondFloor)
{
    int seen = -1;
    ts.sched->callAfter(0, [&] { seen = st.delayCountMs; });
    link.delayMs(5);
    EXPECT_EQ(seen, 10);
    ts.sched->callAfter(0, [&] { seen = st.delayCountMs; });
    link.delayMs(95);
    EXPECT_EQ(seen, 90);

    // Started on the same phase of the tick, equal counts last equally long.
    ts.sched->advance(20 - ts.sched->nowMs() % 20);
    const auto d5 = timed([&] { link.delayMs(5); });
    const auto d10 = timed([&] { link.delayMs(10); });
    const auto d95 = timed([&] { link.delayMs(95); });
    const auto d90 = timed([&] { link.delayMs(90); });
    EXPECT_EQ(d5, d10);
    EXPECT_EQ(d5, 20);
    EXPECT_EQ(d95, d90);
    EXPECT_EQ(d90, 100);
}

TEST_F(LinkTest, SendAndWaitEndsOnALineOrAfter800ms)
{
    ts.sched->callAfter(45, [&] { port.feed("D\r"); });
    EXPECT_EQ(timed([&] { link.sendAndWait("_"); }), 45);
    EXPECT_EQ(port.sent, "_");

    // 20 ms resolution: the wait ends on the 40th tick.
    const auto full = timed([&] { link.sendAndWait("S"); });
    EXPECT_GT(full, 780);
    EXPECT_LE(full, 800);
    EXPECT_TRUE(ts.dialogs->boxes().empty()) << "a time-out is not reported";
}

TEST_F(LinkTest, SendAndWaitRunsItsFullTimeInSerialMode)
{
    serialMode("CC", "C120");
    ts.sched->callAfter(45, [&] { port.feed("D\r"); });
    EXPECT_GT(timed([&] { link.sendAndWait("S"); }), 780);
}

TEST_F(LinkTest, EmptyCommandOnlyWaits)
{
    link.sendAndWait("");
    EXPECT_TRUE(port.sent.isEmpty());
}

TEST_F(LinkTest, SendingOnAClosedPortIsReportedOncePerOutage)
{
    port.close();
    ts.dialogs->answer(plat::mb::OK, " 206 Error Sending Data");
    link.sendEscapes(25);
    EXPECT_EQ(ts.dialogs->boxes().size(), 1u);
    port.open();
    link.sendJ();
    port.close();
    ts.dialogs->answer(plat::mb::OK, "8018");
    link.sendW();
    EXPECT_EQ(ts.dialogs->boxes().size(), 2u);
}

TEST_F(LinkTest, PortThatFailsUnderwayIsMarkedClosed)
{
    st.portOpen = true;
    ts.dialogs->answer(plat::mb::OK, "cable pulled");
    port.fail("cable pulled");
    EXPECT_FALSE(st.portOpen);
}

TEST_F(LinkTest, AHangUpIsOneReportNotOnePerSend)
{
    st.portOpen = true;
    ts.dialogs->answer(plat::mb::OK, " 809 Error in COM port reception routine :  \r\npeer hung up - 8018");
    port.fail("peer hung up");
    // The check goes on sending into the closed port: nothing more is shown.
    link.sendEscapes(25);
    link.sendAndWait("S");
    link.sendJ();
    EXPECT_EQ(ts.dialogs->boxes().size(), 1u);
    EXPECT_FALSE(st.portOpen);

    // Opened again, a later outage is reported anew.
    ASSERT_TRUE(link.openPort(1));
    port.close();
    ts.dialogs->answer(plat::mb::OK, " 206 Error Sending Data");
    link.sendW();
    EXPECT_EQ(ts.dialogs->boxes().size(), 2u);
}

TEST_F(LinkTest, MechBytesDuringABreakDoNotPrefixTheRestartLine)
{
    serialMode("CC", "C120");
    // The break ends serial mode at once; the box still relays a few mech bytes meanwhile.
    ts.sched->callAfter(40, [&] { port.feed("\x3F\x01junk"); });
    link.sendBreak100();
    EXPECT_EQ(port.sent, "<BRK+><BRK->");
    EXPECT_TRUE(st.lineBuffer.isEmpty());
    port.feed("*R\r");
    EXPECT_TRUE(link.lineSeen(quenby::BoxLine::Restarted));
    EXPECT_FALSE(st.passThrough);
}

TEST_F(LinkTest, StartupPortOpensBreaksAndEscapes)
{
    port.close();
    st.passThrough = true;
    const auto took = timed([&] { link.startupPort(7); });
    EXPECT_TRUE(st.portOpen);
    EXPECT_EQ(port.number, 7);
    EXPECT_EQ(port.settingsText, "9600,N,8,1");
    EXPECT_EQ(port.sent, "<BRK+><BRK->" + QByteArray(25, 0x1B));
    EXPECT_GT(took, 80);
    EXPECT_LE(took, 100);
    EXPECT_FALSE(st.passThrough) << "the break ended serial mode";

    // Already open: no second open, but the reset runs again.
    port.sent.clear();
    const int opens = port.opens;
    link.startupPort(7);
    EXPECT_EQ(port.opens, opens);
    EXPECT_EQ(port.sent, "<BRK+><BRK->" + QByteArray(25, 0x1B));
}

TEST_F(LinkTest, StartupPortRefusedIsSaidNamingTheDeviceAndTheProgramStays)
{
    port.close();
    port.refuse = plat::OpenResult::InUseOrNoPermission;
    ts.dialogs->answer(plat::mb::OK);
    EXPECT_NO_THROW(link.startupPort(4));
    EXPECT_EQ(ts.env->endCount, 0);
    ASSERT_EQ(ts.dialogs->boxes().size(), 1u);
    EXPECT_EQ(ts.dialogs->boxes()[0].text,
              "Error Initialising the selected COM port : \r\nCOM4 (/dev/fake4) cannot be opened: Permission denied");
    EXPECT_EQ(ts.dialogs->boxes()[0].title, "Error");
    EXPECT_EQ(ts.dialogs->boxes()[0].style, plat::mb::Critical);
    EXPECT_TRUE(port.sent.isEmpty());
}

} // namespace
