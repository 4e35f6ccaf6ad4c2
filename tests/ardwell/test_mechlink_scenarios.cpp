// The mech link against the simulated box and mech: the exact lines of the plain mech commands,
// their pauses, events the mech raises answered by the program, replies that land just inside
// the whole-second waits, and enciphered frames whose address has a high byte.
//
// Expected lines and cipher bytes come from tests/ardwell/cipher_vectors.py.
#include "link_fixture.h"

#include <gtest/gtest.h>

#include <vector>

using namespace ardwell;
using ardwell_test::Rig;
using sim::When;
using MechFault = sim::ArdwellMech::Fault;
using BoxFault = sim::ArdwellBox::Fault;

namespace {

constexpr quint32 kGreen = 0x00FF00, kRed = 0x0000FF;

// Times at which the program started writing each line (CR-terminated) since the transcript
// was cleared, with the lines themselves.
struct SentLine {
    plat::Millis at;
    QByteArray line;
};
std::vector<SentLine> sentLines(const Rig& rig)
{
    std::vector<SentLine> out;
    QByteArray partial;
    plat::Millis started = -1;
    for (const auto& e : rig.port->transcript()) {
        if (e.kind != sim::TranscriptEntry::Sent)
            continue;
        for (char c : e.bytes) {
            if (partial.isEmpty())
                started = e.at;
            partial += c;
            if (c == '\r') {
                out.push_back({started, partial});
                partial.clear();
            }
        }
    }
    return out;
}

struct Scenario : ::testing::Test {
    void SetUp() override
    {
        rig.ts.writeFile("accept.wav", "RIFF");
        rig.ts.writeFile("reject.wav", "RIFF");
        rig.powerAndRelay();
    }
    void settle(plat::Millis ms = 300) { rig.ts.sched->advance(ms); }
    Rig rig{"560"};
    LinkState& st = rig.st;
    plat::MemoryView& view = rig.view;
};

} // namespace

// ---- The plain command frames of the live test ----

TEST(MechCommandLines, EachModelsAddressesAndChecksum)
{
    struct Case {
        const char* model;
        bool (Link::*command)();
        QByteArray line;
    };
    const Case cases[] = {
        {"330", &Link::reInitialiseMech, "FF61246F000D\r"},  {"330", &Link::hiiEnable, "FF6124648E8A\r"},
        {"330", &Link::hiiEnableAll, "FF6124640F09\r"},      {"560", &Link::reInitialiseMech, "0121246F004B\r"},
        {"560", &Link::hiiEnable, "012124648EC8\r"},         {"560", &Link::hiiEnableAll, "012124640F47\r"},
        {"PCA", &Link::reInitialiseMech, "0020246F004D\r"}, {"PCA", &Link::hiiEnable, "002024648ECA\r"},
        {"PCA", &Link::hiiEnableAll, "002024640F49\r"},
    };
    for (const Case& c : cases) {
        Rig rig(c.model);
        rig.powerAndRelay();
        (rig.link.*c.command)();
        EXPECT_EQ(rig.sent(), c.line) << c.model;
        EXPECT_TRUE(rig.st.mechAcknowledged) << c.model;
        EXPECT_EQ(rig.mech->received().back().frame.toHex().toUpper() + '\r', c.line) << "relayed unchanged";
    }
}

TEST(MechCommandLines, AnAnswerToTheSixthTryStillCounts)
{
    Rig rig("560");
    rig.powerAndRelay();
    rig.mech->setFault(MechFault::Silent, When::first(5));
    rig.link.hiiEnableAll();
    EXPECT_EQ(rig.sent(), QByteArray("012124640F47\r").repeated(6));
    EXPECT_TRUE(rig.st.mechAcknowledged) << "the sixth try was answered";
    EXPECT_TRUE(rig.ts.dialogs->boxes().empty());
}

TEST(MechCommandLines, TheReInitialisePauseIsTwoHundredMilliseconds)
{
    // Box never takes the frame: each try is the box's one-second wait, then the pause.
    Rig rig("PCA");
    rig.powerAndRelay();
    rig.box->setFault(BoxFault::FrameNotTaken, When::always());
    rig.ts.dialogs->answer(plat::mb::OK, "No Response from Coin Mech to ReInitialise Command");
    rig.link.reInitialiseMech();
    auto lines = sentLines(rig);
    ASSERT_EQ(lines.size(), 6u);
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const plat::Millis gap = lines[i].at - lines[i - 1].at;
        // The pause ends on the tenth 20 ms tick after it starts, so it lasts 180 to 200 ms.
        EXPECT_GE(gap, 1000 + 180) << "try " << i + 1;
        EXPECT_LE(gap, 1000 + 200 + 10) << "try " << i + 1;
        EXPECT_EQ(lines[i].line, "0020246F004D\r");
    }

    // A silent mech behind a box that takes the frame: the three-second mech wait, then the pause.
    Rig silent("PCA");
    silent.powerAndRelay();
    silent.mech->setFault(MechFault::Silent, When::first(1));
    silent.link.reInitialiseMech();
    lines = sentLines(silent);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_GE(lines[1].at - lines[0].at, 3000 + 180);
    EXPECT_LE(lines[1].at - lines[0].at, 3000 + 200 + 40) << "40 ms for the frame and the box's X";
    EXPECT_TRUE(silent.ts.dialogs->boxes().empty());
}

TEST(MechCommandLines, TheHiiPauseIsThreeHundred)
{
    Rig rig("560");
    rig.powerAndRelay();
    rig.box->setFault(BoxFault::FrameNotTaken, When::first(1));
    rig.link.hiiEnable();
    const auto lines = sentLines(rig);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_GE(lines[1].at - lines[0].at, 1000 + 280);
    EXPECT_LE(lines[1].at - lines[0].at, 1000 + 300 + 10);
}

TEST(LogonLines, EachModelOnItsOwnSupply)
{
    // The simulated PCA runs only on the "W" supply and the others only on "Z", so a wrong
    // supply command would leave the mech unpowered and the logon failing.
    const std::pair<const char*, QByteArray> cases[] = {
        {"330", "%\rZ\r&\rFF6124CA5AC395\r"},
        {"560", "%\rZ\r&\r012124CA5AC3D3\r"},
        {"PCA", "%\rW\r&\r002024CA5AC3D5\r"},
    };
    for (const auto& [model, expected] : cases) {
        Rig rig(model);
        rig.link.logon();
        EXPECT_TRUE(rig.st.mechLoggedOn) << model;
        EXPECT_EQ(rig.sent(), expected) << model;
    }
}

// ---- Events the mech raises, answered by the program ----

TEST_F(Scenario, AnAcceptedAndRoutedCoin)
{
    ASSERT_TRUE(rig.mech->acceptCoin(2, 7));
    settle();
    EXPECT_EQ(view.fill("shpLamp", 2), kGreen);
    EXPECT_EQ(view.text("lblAccCount", 2), "1");
    EXPECT_EQ(view.text("lblRouted", 2), "Def");
    EXPECT_EQ(rig.panel.lastAcceptedCoin, 0) << "the route event consumed it";
    EXPECT_EQ(rig.panel.lampCountdown, 12);
    EXPECT_EQ(rig.sent(), "012104DA\r012104DA\r") << "one message understood per event";
    EXPECT_EQ(rig.mech->acknowledgements(), 2);

    ASSERT_TRUE(rig.mech->acceptCoin(15));
    settle();
    EXPECT_EQ(rig.panel.lastAcceptedCoin, 16);
    EXPECT_EQ(view.fill("shpLamp", 15), kGreen);
    EXPECT_EQ(rig.mech->acknowledgements(), 3);
}

TEST_F(Scenario, ARejectedCoinShowsItsReason)
{
    ASSERT_TRUE(rig.mech->acceptCoin(0));
    ASSERT_TRUE(rig.mech->rejectCoin(8));
    ASSERT_TRUE(rig.mech->rejectCoin(42));
    settle();
    EXPECT_EQ(view.fill("shpRejected"), kRed);
    EXPECT_EQ(view.text("lblRejectCount"), "2");
    EXPECT_EQ(view.text("lblRejectedReason"), "Unknown Reason");
    EXPECT_EQ(rig.panel.lastAcceptedCoin, 0);
    EXPECT_EQ(rig.panel.lampCountdown, 20);
    ASSERT_EQ(rig.ts.sound->played.size(), 3u);
    EXPECT_TRUE(rig.ts.sound->played[1].endsWith("reject.wav"));
    EXPECT_EQ(rig.mech->acknowledgements(), 3);
}

TEST_F(Scenario, OneCoinsDataFillsReadingsAndReferences)
{
    ASSERT_TRUE(rig.mech->sendCoinData({-8192, 8191, -1, 100, 5, 6, 16383}, {4095, 16383, 0, 12, 34}));
    settle(500);
    EXPECT_EQ((std::vector<int>(rig.panel.coinReading.begin() + 1, rig.panel.coinReading.end())),
              (std::vector<int>{-8192, 8191, -1, 100, 5, 6, 16383}));
    EXPECT_EQ((std::vector<int>(rig.panel.coinBaseline.begin() + 1, rig.panel.coinBaseline.end())),
              (std::vector<int>{4095, 16383, 0, 12, 34}));
    EXPECT_TRUE(rig.panel.coinDataReceived);
    EXPECT_EQ(rig.mech->acknowledgements(), 6);
}

TEST_F(Scenario, ReferenceValuesAreSignedSixteenBits)
{
    ASSERT_TRUE(rig.mech->sendReference(0, -1));
    ASSERT_TRUE(rig.mech->sendReference(4, 0x7FFF));
    ASSERT_TRUE(rig.mech->sendReference(2, -32768));
    settle();
    EXPECT_EQ(rig.panel.coinBaseline[1], -1);
    EXPECT_EQ(rig.panel.coinBaseline[3], -32768);
    EXPECT_EQ(rig.panel.coinBaseline[5], 32767);
    EXPECT_FALSE(rig.panel.coinDataReceived);
    EXPECT_EQ(rig.mech->acknowledgements(), 3);
}

TEST_F(Scenario, MessageUnderstoodNeitherClearsNorWaitsForTheBox)
{
    const plat::Millis t0 = rig.now();
    st.boxAcknowledged = true;
    rig.link.sendMessageUnderstood();
    EXPECT_TRUE(st.boxAcknowledged);
    st.boxAcknowledged = false;
    rig.link.sendMessageUnderstood();
    EXPECT_FALSE(st.boxAcknowledged);
    EXPECT_EQ(rig.now(), t0) << "nothing waited";
    EXPECT_EQ(rig.sent(), "012104DA\r012104DA\r");

    // The box takes those frames like any other, and its "X" reaches the parser later.
    settle();
    EXPECT_TRUE(st.boxAcknowledged);
    EXPECT_EQ(rig.box->framesTaken(), 2);
    EXPECT_EQ(rig.mech->acknowledgements(), 2);
}

TEST_F(Scenario, NoEventsWhileTheBoxDoesNotRelay)
{
    rig.link.boxCmdPercent();
    EXPECT_FALSE(rig.mech->acceptCoin(1));
    settle();
    EXPECT_EQ(rig.panel.lastAcceptedCoin, 0);
    EXPECT_EQ(rig.sent(), "%\r");
}

// ---- Coin data requests ----

TEST(CoinDataRequests, TheBoxTakesTheFrameAndTheMechStaysSilent)
{
    Rig rig("330");
    rig.powerAndRelay();
    rig.mech->setFault(MechFault::Silent, When::always());
    plat::Millis t0 = rig.now();
    EXPECT_FALSE(rig.link.requestCoinData1());
    EXPECT_GE(rig.now() - t0, 1000) << "a full second for the mech after the box took it";
    EXPECT_LT(rig.now() - t0, 1100);
    EXPECT_TRUE(rig.st.boxAcknowledged);
    EXPECT_FALSE(rig.st.mechAcknowledged);

    t0 = rig.now();
    EXPECT_FALSE(rig.link.requestCoinData2());
    EXPECT_GE(rig.now() - t0, 1000);
    EXPECT_LT(rig.now() - t0, 1100);
    EXPECT_EQ(rig.sent(), "FF6124648E008A\rFF612464880090\r");
    EXPECT_EQ(rig.box->framesTaken(), 2);
    EXPECT_FALSE(rig.mech->coinDataRequested());
}

TEST(CoinDataRequests, AnsweredOnAPca)
{
    Rig rig("PCA");
    rig.powerAndRelay();
    EXPECT_TRUE(rig.link.requestCoinData1());
    EXPECT_TRUE(rig.link.requestCoinData2());
    EXPECT_EQ(rig.sent(), "002024648E00CA\r002024648800D0\r");
    EXPECT_TRUE(rig.mech->coinDataRequested());
}

// ---- Replies that land just inside a whole-second wait ----

TEST(WaitEdges, TheBoxTakesAFrameJustInsideItsSecond)
{
    Rig rig("330");
    rig.powerAndRelay();
    rig.box->setLatencyMs(950); // the "X" is complete about 970 ms after the frame was written
    const Frame f = makeFrame({0xFF, 0x61, 0x24, 0x6F, 0x00});
    plat::Millis t0 = rig.now();
    EXPECT_TRUE(rig.link.sendDataBlock(f));
    EXPECT_GE(rig.now() - t0, 950);
    EXPECT_LT(rig.now() - t0, 1000);

    rig.ts.sched->advance(2000); // let the mech's answer go by
    rig.box->setLatencyMs(1000);
    t0 = rig.now();
    EXPECT_FALSE(rig.link.sendDataBlock(f)) << "an X 20 ms late is too late";
    EXPECT_EQ(rig.now() - t0, 1000);
}

TEST(WaitEdges, AWriteAcknowledgedJustInsideItsSecond)
{
    Rig rig("330");
    rig.link.logon();
    ASSERT_TRUE(rig.st.mechLoggedOn);
    rig.box->setMechLatencyMs(950);
    plat::Millis t0 = rig.now();
    EXPECT_EQ(rig.link.writeMemory(20, 0x2020), ardwell::WriteReply::Written);
    EXPECT_GE(rig.now() - t0, 950);
    EXPECT_LT(rig.now() - t0, 1040);

    rig.box->setMechLatencyMs(1010);
    t0 = rig.now();
    EXPECT_NE(rig.link.writeMemory(21, 0x2121), ardwell::WriteReply::Written);
    EXPECT_EQ(rig.mech->word(21), 0x2121) << "stored, but acknowledged too late";
}

TEST(WaitEdges, AReadReplyJustInsideItsTwoSeconds)
{
    Rig rig("330");
    rig.link.logon();
    ASSERT_TRUE(rig.st.mechLoggedOn);
    rig.mech->setWord(7, 0x0707);
    rig.mech->setWord(8, 0x0808);
    rig.box->setMechLatencyMs(1960);
    plat::Millis t0 = rig.now();
    EXPECT_EQ(rig.link.readMemory(7).word, 0x0707);
    EXPECT_GE(rig.now() - t0, 1990);
    EXPECT_LT(rig.now() - t0, 2040);

    rig.box->setMechLatencyMs(2000);
    t0 = rig.now();
    EXPECT_EQ(rig.link.readMemory(8).word, -1);
    EXPECT_GE(rig.now() - t0, 2000);
    rig.ts.sched->advance(100);
    EXPECT_EQ(rig.image[8], 0x0808) << "the late reply is still stored when it comes";
}

TEST(WaitEdges, ALogonReplyJustInsideItsThreeSeconds)
{
    Rig rig("330");
    rig.box->setMechLatencyMs(2950);
    rig.link.logon();
    EXPECT_TRUE(rig.st.mechLoggedOn);
    EXPECT_EQ(rig.mech->logons(), 1);
    EXPECT_EQ(rig.sent(), "%\rZ\r&\rFF6124CA5AC395\r") << "one attempt";
}

TEST(WaitEdges, AMechCommandAnsweredJustInsideOrJustAfterItsThreeSeconds)
{
    Rig rig("560");
    rig.powerAndRelay();
    rig.box->setMechLatencyMs(2950);
    plat::Millis t0 = rig.now();
    rig.link.hiiEnable();
    EXPECT_TRUE(rig.st.mechAcknowledged);
    EXPECT_GE(rig.now() - t0, 2950);
    EXPECT_LT(rig.now() - t0, 3050);
    EXPECT_EQ(rig.sent(), "012124648EC8\r");

    // Just after: the acknowledgement lands in the pause, and the retries end without a
    // second frame.
    rig.port->clearTranscript();
    rig.box->setMechLatencyMs(3030);
    rig.link.hiiEnable();
    EXPECT_TRUE(rig.st.mechAcknowledged);
    EXPECT_EQ(rig.sent(), "012124648EC8\r");
    EXPECT_TRUE(rig.ts.dialogs->boxes().empty());
}

// ---- Enciphered frames whose address has a high byte ----

TEST(HighAddresses, RequestLinesOnTheWire)
{
    Rig rig("330", false);
    rig.st.mechKey = MechKey{0x3C, 0x9E};
    EXPECT_EQ(rig.link.readMemory(0x123).word, -1) << "nobody answers";
    rig.st.mechKey = MechKey{0x7A, 0x21};
    EXPECT_NE(rig.link.writeMemory(0x100, 0xBEEF), ardwell::WriteReply::Written);
    EXPECT_EQ(rig.sent(), "FF619464A8916F\rFF61D45C896CB8C7FC\r");
}

TEST(HighAddresses, AReadReplyForAddress256IsACommsError)
{
    Rig rig("330", false);
    rig.st.mechKey = MechKey{0x3C, 0x9E};
    rig.scripted.onLine = [&](const QByteArray&) {
        rig.scripted.say("X");
        rig.scripted.say("61FFB4648BCE955F3B", 20);
    };
    rig.image[0] = 0x55;
    const plat::Millis t0 = rig.now();
    EXPECT_EQ(rig.link.readMemory(0).word, -1);
    EXPECT_TRUE(rig.st.commsError);
    EXPECT_FALSE(rig.st.memoryReplied);
    EXPECT_LT(rig.now() - t0, 200) << "the error ends the wait";
    EXPECT_EQ(rig.image[0], -1);
    EXPECT_EQ(rig.image[256], 0) << "nothing stored at the reply's address";
}
