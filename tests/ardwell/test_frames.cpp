#include "ardwell/link/frames.h"
#include "link_fixture.h"
#include "platform/runtimeerror.h"

#include <gtest/gtest.h>

using namespace ardwell;
using ardwell_test::Rig;

TEST(Frames, ChecksumMakesTheFrameSumToZero)
{
    Frame f = makeFrame({0xFF, 0x61, 0x04});
    EXPECT_EQ(f.length, 3);
    EXPECT_EQ(f.bytes[3], 0x9C);

    Frame zero = makeFrame({0x80, 0x80});
    EXPECT_EQ(zero.bytes[2], 0);

    Frame empty;
    buildChecksum(empty);
    EXPECT_EQ(empty.bytes[0], 0);

    Frame tooLong;
    tooLong.length = Frame::kMaxBytes;
    EXPECT_THROW(buildChecksum(tooLong), plat::RuntimeError);
}

TEST(Frames, LineIsUpperCaseHexPairsAndCR)
{
    EXPECT_EQ(frameLine(makeFrame({0x01, 0x21, 0x04})), QByteArray("012104DA\r"));
    // Values wider than a byte go out as their low byte; the checksum agrees with that.
    EXPECT_EQ(frameLine(makeFrame({0x1FF, 0x01})), QByteArray("FF0100\r"));
}

TEST(Frames, HexValueReadsLeadingHexDigitsOnly)
{
    EXPECT_EQ(hexValue("FF"), 255);
    EXPECT_EQ(hexValue("fe"), 254);
    EXPECT_EQ(hexValue(""), 0);
    EXPECT_EQ(hexValue("ZZ"), 0);
    EXPECT_EQ(hexValue("1Z"), 1);
    EXPECT_EQ(hexValue("123456789"), 0x23456789);
}

TEST(Frames, MessageUnderstoodReadsTheAddressBoxesAfresh)
{
    Rig rig("560", false);
    rig.link.sendMessageUnderstood();
    ardwell_test::selectModel(rig.view, "PCA");
    rig.link.sendMessageUnderstood();
    rig.view.setText("txtDestination", "");
    rig.view.setText("txtSource", "x");
    rig.link.sendMessageUnderstood();
    EXPECT_EQ(rig.sent(), QByteArray("012104DA\r" "002004DC\r" "000004FC\r"));
}

TEST(Frames, SendDataBlockWaitsASecondForTheBox)
{
    Rig rig("330", false);
    rig.scripted.onLine = [&](const QByteArray& l) {
        if (rig.scripted.lines.size() == 2)
            rig.scripted.say("X", 30);
        (void)l;
    };
    const Frame f = makeFrame({0xFF, 0x61, 0x24, 0x6F, 0x00});
    const plat::Millis t0 = rig.now();
    EXPECT_FALSE(rig.link.sendDataBlock(f)); // nobody answers
    EXPECT_GE(rig.now() - t0, 1000);
    EXPECT_LE(rig.now() - t0, 1020);

    const plat::Millis t1 = rig.now();
    EXPECT_TRUE(rig.link.sendDataBlock(f));
    EXPECT_LT(rig.now() - t1, 100);
    EXPECT_EQ(rig.scripted.lines[0], rig.scripted.lines[1]);
}

TEST(Frames, SendDataBlockOnAClosedPortReportsAndFails)
{
    Rig rig("330", false);
    rig.port->close();
    rig.ts.dialogs->answer(plat::mb::OK, "The connection to the programmer box on COM1 was lost.");
    EXPECT_FALSE(rig.link.sendDataBlock(makeFrame({1, 2, 3})));
    EXPECT_EQ(rig.ts.dialogs->boxes().back().title, "Error detected");
}
