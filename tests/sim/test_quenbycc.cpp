// The simulated CC word-protocol mech behind the first box: logon, word frames, writes, the
// byte sum it keeps, and its named faults.
#include "tests/sim/quenbyrig.h"

#include <gtest/gtest.h>

using namespace quenbysim;
using sim::CcMech;
using Fault = sim::CcMech::Fault;

namespace {

const QByteArray kAck = bytes({0x05});
const QByteArray kReadWord10 = bytes({0x7B, 0x10, 0x8B});

} // namespace

TEST(QuenbyCcMech, LogonReadWriteLogoff)
{
    CcRig r;
    r.serialMode("$05");
    EXPECT_EQ(r.exchange(kReadWord10), "") << "nothing before the logon";
    EXPECT_EQ(r.exchange("xx"), kAck);
    // Word 0x10 of a C120 is channel 7's first window, 138..154: 0x9A8A.
    EXPECT_EQ(r.exchange(kReadWord10), bytes({0x3B, 0x9A, 0x8A, 0x5F}));
    EXPECT_EQ(r.exchange(bytes({0x7A, 0x10, 0x12, 0x34, 0xD0})), kAck);
    EXPECT_EQ(r.mech.word(0x10), 0x1234);
    EXPECT_EQ(r.exchange(kReadWord10), bytes({0x3B, 0x12, 0x34, 0x81}));
    EXPECT_EQ(r.exchange("yy"), kAck);
    EXPECT_EQ(r.exchange(kReadWord10), "") << "nothing after the logoff";
    EXPECT_EQ(r.mech.logons(), 1);
    EXPECT_EQ(r.mech.addressesRead(), (QList<int>{0x10, 0x10}));
    EXPECT_EQ(r.mech.addressesWritten(), QList<int>{0x10});
}

TEST(QuenbyCcMech, RequestsWithABadCheckByteAndNoiseAreIgnoredSplitOnesAssembled)
{
    CcRig r;
    r.logOn();
    EXPECT_EQ(r.exchange(bytes({0x7B, 0x10, 0x8C})), "");
    EXPECT_EQ(r.exchange(bytes({0x7A, 0x10, 0x12, 0x34, 0xD1})), "");
    EXPECT_EQ(r.mech.word(0x10), 0x9A8A);
    EXPECT_EQ(r.exchange(bytes({0x00, 0x3B, 'x', 0x7B})), "") << "noise, then half a request";
    EXPECT_EQ(r.exchange(bytes({0x10, 0x8B})), bytes({0x3B, 0x9A, 0x8A, 0x5F}));
    // A 128-word mech answers address 0x90 from word 0x10.
    EXPECT_EQ(r.exchange(bytes({0x7B, 0x90, 0x0B})), bytes({0x3B, 0x9A, 0x8A, 0x5F}));
    r.breakLine();
    r.serialMode("$05");
    EXPECT_EQ(r.exchange(kReadWord10), "") << "a new serial mode needs a new logon";
}

TEST(QuenbyCcMech, TypicalImagesKeepTheirByteSum)
{
    for (const QString& model : CcMech::models()) {
        CcMech m(model);
        EXPECT_TRUE(m.byteSumOk()) << model.toStdString();
        EXPECT_EQ(m.wordCount(), model == "435" ? 256 : 128);
    }
    CcMech m("335");
    m.setWord(20, 0x0102);
    EXPECT_TRUE(m.byteSumOk()) << "word 127 follows";
    m.setWord(20, 0x0103, false);
    EXPECT_FALSE(m.byteSumOk());
    EXPECT_EQ(m.byteSum(), (sim::kCcByteSum + 1) & 255);
    // A 220B keeps each window twice, 8 words apart.
    CcMech b("220B");
    EXPECT_EQ(b.word(9 + 2 + 16), b.word(9 + 2 + 16 + 8));
    EXPECT_TRUE(CcMech("450", true).words() == std::vector<quint16>(128, 0));
}

TEST(QuenbyCcMech, ImagesHoldWhatTheMemoryWindowsDecode)
{
    const CcMech c435("435");
    EXPECT_EQ(c435.word(11) & 0x100, 0x100) << "routing from memory";
    EXPECT_EQ((QList<int>{c435.word(110), c435.word(113)}), (QList<int>{0x3210, 0xFEDC}));
    EXPECT_EQ(c435.word(143) >> 12, 9) << "a path nibble that names no path";
    EXPECT_EQ((QList<int>{c435.word(204) >> 8, c435.word(228)}), (QList<int>{2, 0x0342}));
    const CcMech c120("C120");
    EXPECT_EQ(c120.word(82) >> 8, 1) << "coin 1's second output column";
    EXPECT_EQ(c120.word(112) >> 8, 0x41) << "an output that is no single line";
    EXPECT_EQ(CcMech("450").word(121), 0x3210);
}

TEST(QuenbyCcMech, LogonAndWordFaults)
{
    CcRig r;
    r.serialMode("$05");
    r.mech.setFault(Fault::LogonUnanswered, sim::When::first(2));
    EXPECT_EQ(r.exchange("xx"), "");
    EXPECT_EQ(r.exchange("xx"), "");
    EXPECT_EQ(r.exchange("xx"), kAck);

    r.mech.setFault(Fault::BadCheckByte, sim::When::first(1));
    EXPECT_EQ(r.exchange(kReadWord10), bytes({0x3B, 0x9A, 0x8A, 0x60}));
    r.mech.setFault(Fault::Silent, sim::When::from(2));
    EXPECT_EQ(r.exchange(kReadWord10), bytes({0x3B, 0x9A, 0x8A, 0x5F}));
    EXPECT_EQ(r.exchange(kReadWord10), "") << "silent from the second word on";
    EXPECT_EQ(r.exchange(bytes({0x7A, 0x10, 0x12, 0x34, 0xD0})), "");
    EXPECT_EQ(r.mech.word(0x10), 0x9A8A);
}

TEST(QuenbyCcMech, WritesRefusedOrNotSticking)
{
    CcRig r;
    r.logOn();
    r.mech.refuseWritesAt(0x10);
    r.mech.writeDoesNotStickAt(0x11);
    EXPECT_EQ(r.exchange(bytes({0x7A, 0x10, 0x12, 0x34, 0xD0})), bytes({0x06}));
    EXPECT_EQ(r.exchange(bytes({0x7A, 0x11, 0x12, 0x34, 0xD1})), kAck) << "acknowledged";
    EXPECT_EQ(r.mech.word(0x10), 0x9A8A);
    EXPECT_EQ(r.mech.word(0x11), CcMech("C120").word(0x11)) << "but not kept";
}

TEST(QuenbyCcMech, StrayBytesBeforeTheLogoffAck)
{
    CcRig r;
    r.logOn();
    r.mech.setFault(Fault::StrayAtLogoff, sim::When::first(1));
    EXPECT_EQ(r.exchange("yy"), ";" + kAck);
    r.exchange("xx");
    r.mech.strayAtLogoff = bytes({'?', 0x40, 0x41});
    r.mech.setFault(Fault::StrayAtLogoff, sim::When::always());
    EXPECT_EQ(r.exchange("yy"), bytes({'?', 0x40, 0x41, 0x05})) << "a measurement frame cut by the logoff";
    EXPECT_EQ(r.exchange("yy"), "") << "no second logoff";
}

TEST(QuenbyCcMech, The435sHighWordsDriftBetweenReads)
{
    CcRig r("435");
    r.mech.driftHighWords = true;
    r.logOn();
    const auto read = [&r](int a) { return r.exchange(bytes({0x7B, a, (0x7B + a) & 255})); };
    EXPECT_EQ(read(200), read(200));
    EXPECT_NE(read(201), read(201));
    EXPECT_EQ(read(204), read(204)) << "the plug default is a setting";
    EXPECT_EQ(read(228), read(228));
    EXPECT_EQ(read(255).mid(1, 2), bytes({0x02, 0xFE})) << "the counter 0x2FD, counted on once";
}
