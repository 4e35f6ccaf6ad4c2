#include "link_fixture.h"

#include <gtest/gtest.h>

using namespace ardwell;
using ardwell_test::Rig;

namespace {

constexpr quint32 kGreen = 0x00FF00, kRed = 0x0000FF, kWhite = 0xFFFFFF;
const QByteArray kUnderstood560 = "012104DA\r";

// Delivers bytes as the box would and lets them arrive.
void feed(Rig& rig, const QByteArray& bytes)
{
    rig.port->reply(bytes, 1);
    rig.ts.sched->advance(5 + bytes.size() * 2);
}

// A mech event frame as the box relays it (the parser does not check the checksum).
QByteArray event(const QByteArray& codeAndData) { return "2101" "24" + codeAndData + "00\r"; }

struct ParserTest : ::testing::Test {
    Rig rig{"560", false};
    LinkState& st = rig.st;
    plat::MemoryView& view = rig.view;
    void SetUp() override
    {
        rig.ts.writeFile("accept.wav", "RIFF");
        rig.ts.writeFile("reject.wav", "RIFF");
    }
};

} // namespace

TEST_F(ParserTest, ShortLinesSetTheAcknowledgementsAndLineReceived)
{
    feed(rig, "X\r");
    EXPECT_TRUE(st.boxAcknowledged);
    EXPECT_FALSE(st.lineReceived);

    st.boxAcknowledged = false;
    feed(rig, "Y\r");
    EXPECT_TRUE(st.mechAcknowledged);
    EXPECT_TRUE(st.lineReceived);

    // With the box acknowledgement still standing, no line counts as a reply.
    st.boxAcknowledged = true;
    feed(rig, "%\r");
    EXPECT_FALSE(st.lineReceived);

    // An empty line is not a line.
    st.lineReceived = true;
    feed(rig, "\r\r");
    EXPECT_TRUE(st.lineReceived);
}

TEST_F(ParserTest, BlanksAndControlCharactersAreDroppedAndLinesSpanEvents)
{
    feed(rig, "> 1.2\n");
    EXPECT_FALSE(st.boxAnswered);
    feed(rig, "\r<V 3\t.0\r");
    EXPECT_TRUE(st.boxAnswered);
    EXPECT_EQ(st.boxStatusText, "1.2");
    EXPECT_EQ(st.boxVersionText, "V3.0");
    EXPECT_EQ(view.text("lblHWversion"), "1.2 V3.0");
    EXPECT_TRUE(st.serialLineBuffer.isEmpty());
}

TEST_F(ParserTest, ALineWithoutItsEndKeepsOnlyItsFirst512Characters)
{
    // Line noise without a CR: what comes after the first 512 characters is dropped.
    const QByteArray noise = "*" + QByteArray(3000, 'N') + "TAIL";
    feed(rig, noise);
    EXPECT_EQ(st.serialLineBuffer.size(), 512);
    feed(rig, "\r>READY\r");
    EXPECT_EQ(view.text("lbldebug"), "*" + QString(511, 'N'));
    // The next line arrives whole.
    EXPECT_TRUE(st.boxAnswered);
    EXPECT_EQ(st.boxStatusText, "READY");
    EXPECT_TRUE(st.serialLineBuffer.isEmpty());
}

TEST_F(ParserTest, BoxIdentificationInEitherOrder)
{
    feed(rig, "<V9\r");
    EXPECT_TRUE(view.text("lblHWversion").isEmpty());
    feed(rig, ">OK\r");
    EXPECT_EQ(view.text("lblHWversion"), "OK V9");
    feed(rig, ">READY\r");
    EXPECT_EQ(view.text("lblHWversion"), "READY V9");
}

TEST_F(ParserTest, DebugAndHousekeepingLines)
{
    feed(rig, "*RESET 12\r");
    EXPECT_EQ(view.text("lbldebug"), "*RESET12");
    feed(rig, "%Z\r");
    EXPECT_EQ(rig.sent(), QByteArray());
    EXPECT_TRUE(rig.ts.sound->played.empty());
}

TEST_F(ParserTest, AcceptedThenRoutedCoin)
{
    feed(rig, event("0102"));
    EXPECT_EQ(rig.panel.lastAcceptedCoin, 3);
    EXPECT_EQ(view.fill("shpLamp", 2), kGreen);
    EXPECT_EQ(view.text("lblAccCount", 2), "1");
    EXPECT_EQ(rig.panel.lampCountdown, 12);
    ASSERT_EQ(rig.ts.sound->played.size(), 1u);
    EXPECT_TRUE(rig.ts.sound->played[0].endsWith("accept.wav"));
    EXPECT_EQ(rig.sent(), kUnderstood560);

    feed(rig, event("0307"));
    EXPECT_EQ(view.text("lblRouted", 2), "Def");
    EXPECT_EQ(rig.panel.lastAcceptedCoin, 0);

    feed(rig, event("0102"));
    feed(rig, event("0300"));
    EXPECT_EQ(view.text("lblRouted", 2), "1");
    EXPECT_EQ(view.text("lblAccCount", 2), "2");
    EXPECT_EQ(rig.sent(), kUnderstood560 + kUnderstood560 + kUnderstood560 + kUnderstood560);
}

TEST_F(ParserTest, ACoinEventIsAnsweredAfterItsSoundAndBeforeItsLamps)
{
    // The panel's view, noting for each lamp, counter or label it draws how many sounds had
    // played and how many answers had gone out by then.
    struct Noting : plat::MemoryView {
        explicit Noting(const plat::MemoryView& v) : plat::MemoryView(v) {}
        std::function<void(const QString&)> note;
        void setText(const QString& c, const QString& t, int i = -1) override
        {
            note(c);
            plat::MemoryView::setText(c, t, i);
        }
        void setFill(const QString& c, quint32 v, int i = -1) override
        {
            note(c);
            plat::MemoryView::setFill(c, v, i);
        }
    };
    Noting panel(ardwell_test::mainWindowMemoryView());
    QStringList drawn;
    panel.note = [&](const QString& c) {
        drawn << QStringLiteral("%1 after %2 sounds, %3 answers")
                     .arg(c)
                     .arg(rig.ts.sound->played.size())
                     .arg(rig.sent().count("012104DA"));
    };
    rig.link.onPanelEvent = [&](const PanelEvent& e) { showPanelEvent(e, panel, rig.panel, rig.link); };
    feed(rig, event("0102"));
    feed(rig, event("0301"));
    feed(rig, event("0500"));
    EXPECT_EQ(drawn, (QStringList{"lblRejectedReason after 1 sounds, 1 answers", "shpLamp after 1 sounds, 1 answers",
                                  "lblAccCount after 1 sounds, 1 answers", "lblRouted after 1 sounds, 2 answers",
                                  "shpRejected after 2 sounds, 3 answers", "lblRejectCount after 2 sounds, 3 answers",
                                  "lblRejectedReason after 2 sounds, 3 answers"}));
    EXPECT_EQ(rig.sent(), kUnderstood560 + kUnderstood560 + kUnderstood560);
}

TEST_F(ParserTest, RouteWithoutAcceptChangesNoLabelButIsAnswered)
{
    feed(rig, event("0303"));
    for (int i = 0; i < 16; ++i)
        EXPECT_TRUE(view.text("lblRouted", i).isEmpty());
    EXPECT_EQ(rig.sent(), kUnderstood560);
}

TEST_F(ParserTest, AcceptedCoinOutsideTheLampsIsAnsweredOnly)
{
    view.setText("lblRejectedReason", "Fraud Attempt");
    feed(rig, event("0110"));
    EXPECT_EQ(rig.panel.lastAcceptedCoin, 0);
    EXPECT_EQ(rig.panel.lampCountdown, 0);
    EXPECT_TRUE(view.text("lblRejectedReason").isEmpty());
    EXPECT_EQ(rig.sent(), kUnderstood560);
}

TEST_F(ParserTest, RejectedCoinsShowTheirReasons)
{
    rig.panel.lastAcceptedCoin = 4;
    feed(rig, event("0500"));
    EXPECT_EQ(view.text("lblRejectedReason"), "Known Slug");
    EXPECT_EQ(view.fill("shpRejected"), kRed);
    EXPECT_EQ(view.text("lblRejectCount"), "1");
    EXPECT_EQ(rig.panel.lampCountdown, 20);
    EXPECT_EQ(rig.panel.lastAcceptedCoin, 0);
    EXPECT_TRUE(rig.ts.sound->played.back().endsWith("reject.wav"));

    feed(rig, event("050C"));
    EXPECT_EQ(view.text("lblRejectedReason"), "Coin Inhibited - hardware");
    feed(rig, event("050D"));
    EXPECT_EQ(view.text("lblRejectedReason"), "Unknown Reason");
    EXPECT_EQ(view.text("lblRejectCount"), "3");
    EXPECT_EQ(rejectReasonText(8), "Slug Defence");
    EXPECT_EQ(rejectReasonText(-1), "Unknown Reason");
}

TEST_F(ParserTest, MeasurementFramesUnpackSignedAAndUnsignedB)
{
    feed(rig, event("0908000FFF"));
    EXPECT_EQ(rig.panel.coinReading[1], -8192);
    EXPECT_EQ(rig.panel.coinBaseline[1], 4095);
    feed(rig, event("0907FFFFFF"));
    EXPECT_EQ(rig.panel.coinReading[1], 8191);
    EXPECT_EQ(rig.panel.coinBaseline[1], 16383);
    feed(rig, event("093FFFFFFF")); // A = -1 (rounded down), index 3 -> n = 4
    EXPECT_EQ(rig.panel.coinReading[4], -1);
    EXPECT_EQ(rig.panel.coinBaseline[4], 16383);
    EXPECT_FALSE(rig.panel.coinDataReceived);
}

TEST_F(ParserTest, OnlyTheSixthMeasurementFrameCompletesACoin)
{
    // Index 5 first: the flag follows that frame whatever the order.
    feed(rig, event("0950004008"));
    EXPECT_TRUE(rig.panel.coinDataReceived);
    EXPECT_EQ(rig.panel.coinReading[6], 1);
    EXPECT_EQ(rig.panel.coinBaseline[5], 8);
    rig.panel.coinDataReceived = false;
    for (const char* f : {"0900004001", "0910008002", "092000C003", "0930010004", "0940014005"}) {
        feed(rig, event(f));
        EXPECT_FALSE(rig.panel.coinDataReceived) << f;
    }
    EXPECT_EQ(rig.panel.coinReading[5], 5);
    EXPECT_EQ(rig.panel.coinReading[7], 5); // B of the fifth frame
    EXPECT_EQ(rig.panel.coinBaseline[3], 3);
    EXPECT_EQ(rig.sent().count(kUnderstood560), 6);
}

TEST_F(ParserTest, ReferenceValuesAndValuesThatDoNotFit)
{
    feed(rig, event("0E00FFFF"));
    EXPECT_EQ(rig.panel.coinBaseline[1], -1);
    feed(rig, event("0E047FFF"));
    EXPECT_EQ(rig.panel.coinBaseline[5], 32767);

    // Index 5 has no element: reported, nothing stored, still answered.
    rig.ts.dialogs->answer(plat::mb::OK, "Error Parsing Data stream routine : ");
    feed(rig, event("0E050001"));
    EXPECT_TRUE(rig.ts.dialogs->texts().back().endsWith("Subscript out of range - 9"));

    // Measurement index 6: A fits element 7, B does not; index 7: neither does.
    rig.ts.dialogs->answer(plat::mb::OK);
    feed(rig, event("0960008000"));
    EXPECT_EQ(rig.panel.coinReading[7], 2);
    rig.ts.dialogs->answer(plat::mb::OK);
    rig.ts.dialogs->answer(plat::mb::OK);
    feed(rig, event("0970008000"));
    EXPECT_EQ(rig.ts.dialogs->boxes().size(), 4u);
    EXPECT_EQ(rig.sent().count(kUnderstood560), 5);
}

TEST_F(ParserTest, StatusLinesOutsideAndInsideThe340Test)
{
    view.setFill("shpCoin", kGreen, 3);
    feed(rig, "@41\r");
    EXPECT_EQ(view.fill("shpCoin", 0), kGreen);
    EXPECT_EQ(view.fill("shpCoin", 3), kWhite);
    EXPECT_EQ(view.fill("shpCoin", 6), kWhite);
    EXPECT_EQ(view.text("lblTestCount", 0), "1");
    EXPECT_TRUE(view.text("lblTestCount", 6).isEmpty());
    EXPECT_EQ(rig.panel.statusLampCountdown, 4);
    EXPECT_EQ(rig.ts.sound->played.size(), 1u);

    rig.panel.statusLampCountdown = 0;
    feed(rig, "@40\r"); // only the masked-off bit: lamps cleared, no countdown, no sound
    EXPECT_EQ(view.fill("shpCoin", 0), kWhite);
    EXPECT_EQ(rig.panel.statusLampCountdown, 0);
    EXPECT_EQ(rig.ts.sound->played.size(), 1u);

    rig.panel.test340Active = true;
    view.setFill("shpELAMP", kGreen);
    feed(rig, "@41\r");
    EXPECT_EQ(view.fill("shpPlayer", 0), kGreen);
    EXPECT_EQ(view.fill("shpPLAMP"), kGreen);
    EXPECT_EQ(view.fill("shpELAMP"), kWhite);
    EXPECT_EQ(view.text("lblPlayerCount", 0), "1");
    EXPECT_EQ(view.text("lblTestCount", 0), "1");
    EXPECT_EQ(rig.panel.statusLampCountdown, 4);
    EXPECT_EQ(rig.ts.sound->played.size(), 2u);

    rig.panel.statusLampCountdown = 0;
    view.setText("lblMeterCount", "41");
    feed(rig, "@30\r"); // coin meter and ELAMP: counted, no sound
    EXPECT_EQ(view.text("lblMeterCount"), "42");
    EXPECT_EQ(view.fill("shpELAMP"), kGreen);
    EXPECT_EQ(rig.panel.statusLampCountdown, 4);
    EXPECT_EQ(rig.ts.sound->played.size(), 2u);
}

TEST_F(ParserTest, LogonRepliesAndOtherMechFrames)
{
    feed(rig, "210144CB1234\r");
    EXPECT_FALSE(st.logonReplied);
    EXPECT_EQ(st.mechKey.m1, 0);
    feed(rig, "210144CA3C9E00\r");
    EXPECT_TRUE(st.logonReplied);
    EXPECT_EQ(st.mechKey.m1, 0x3C);
    EXPECT_EQ(st.mechKey.m2, 0x9E);

    feed(rig, "21014400\r");
    feed(rig, "210104DA\r");
    EXPECT_TRUE(st.mechAcknowledged);
    feed(rig, "2101E4FA\r");
    EXPECT_TRUE(st.writeRefused);
    feed(rig, event("7700")); // unknown event: not answered
    EXPECT_EQ(rig.sent(), QByteArray());
}

TEST_F(ParserTest, MemoryReadRepliesAreCheckedBeforeTheyAreStored)
{
    st.mechKey = {0x3C, 0x9E};
    rig.image[16] = -1;
    feed(rig, "FF61B4656AB4D5F3A1\r"); // address 16, value 1234 (cipher_vectors.py)
    EXPECT_TRUE(st.memoryReplied);
    EXPECT_FALSE(st.commsError);
    EXPECT_EQ(rig.image[16], 0x1234);

    st.memoryReplied = false;
    rig.image[16] = -1;
    feed(rig, "FF61B4656AB4D5F4A0\r"); // check byte off by one
    EXPECT_TRUE(st.commsError);
    EXPECT_FALSE(st.memoryReplied);
    EXPECT_EQ(rig.image[16], -1);

    // A good check byte but an address past the mech's 256 words.
    CipherBlock b;
    b.blockLength = 5;
    b.plainBytes = {0, 0x01, 0x00, 0x00, 0x07, 0xF8};
    encipherBlock(b, st.mechKey);
    QByteArray line = "FF61B4";
    for (int i = 1; i <= 5; ++i)
        line += hex2(b.cipherBytes[i]).toLatin1();
    int sum = 0xFF + 0x61 + 0xB4;
    for (int i = 1; i <= 5; ++i)
        sum += b.cipherBytes[i];
    st.commsError = false;
    feed(rig, line + hex2(-sum & 255).toLatin1() + "\r");
    EXPECT_TRUE(st.commsError);
    EXPECT_EQ(rig.image[256], 0);

    // The word's frame with its checksum wrong, or cut short: taken for no word.
    for (const char* bad : {"FF61B4656AB4D5F3A2\r", "FF61B4656AB4D5F3\r", "FF61B4656AB4D5F3A100\r"}) {
        st.commsError = false;
        st.memoryReplied = false;
        rig.image[16] = -1;
        feed(rig, bad);
        EXPECT_TRUE(st.commsError) << bad;
        EXPECT_FALSE(st.memoryReplied) << bad;
        EXPECT_EQ(rig.image[16], -1) << bad;
    }
}

TEST_F(ParserTest, ABoxShownInsideTheHandlerDoesNotLetItRunAgain)
{
    // The error box pumps like a modal box; input arriving meanwhile waits for the handler.
    bool ackDuringBox = true;
    rig.ts.dialogs->answerWith([&](const testing_support::BoxRecord&) {
        rig.port->reply("X\rY", 0);
        rig.ts.sched->advance(50);
        ackDuringBox = st.boxAcknowledged;
        return plat::mb::OK;
    });
    feed(rig, event("0E090001"));
    EXPECT_FALSE(ackDuringBox);
    EXPECT_TRUE(st.boxAcknowledged);
    EXPECT_EQ(st.serialLineBuffer, "Y");
    feed(rig, "\r");
    EXPECT_TRUE(st.mechAcknowledged);
}
