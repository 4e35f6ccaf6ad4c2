// The simulated first-program box: its command parser, reply lines and fault knobs.
#include "sim/quenbybox.h"
#include "tests/support/testservices.h"

#include <gtest/gtest.h>

namespace {

using testing_support::TestServices;

struct BoxFixture : ::testing::Test {
    TestServices ts;
    sim::QuenbyBox box;
    sim::SimPort port{*ts.sched, box};
    QByteArray received;

    void SetUp() override
    {
        port.onReceive = [this] { received += port.read(port.bytesWaiting()); };
        ASSERT_EQ(port.open(), plat::OpenResult::Ok);
    }
    void settle() { ts.sched->advance(200); }
};

TEST_F(BoxFixture, StatusLineKeepsItsColumns)
{
    const QString line = box.statusLine();
    ASSERT_EQ(line.size(), 33);
    EXPECT_EQ(line.mid(0, 1), "C");
    EXPECT_EQ(line.mid(1, 5), " 1.50");
    EXPECT_EQ(line.mid(7, 5), " 2.25");
    EXPECT_EQ(line.mid(13, 5), " 3.75");
    EXPECT_EQ(line.mid(19, 5), "  120");
    EXPECT_EQ(line.mid(25, 2), "3F");
    EXPECT_EQ(line.mid(28, 5), "QB2.1");
    box.mechConnected = false;
    EXPECT_TRUE(box.statusLine().startsWith('N'));
}

TEST_F(BoxFixture, IdleLineValuesAtColumns3_9_15)
{
    box.idles = {7, 12345, 300};
    const QString line = box.idleLine();
    EXPECT_EQ(line.mid(2, 5).trimmed(), "7");
    EXPECT_EQ(line.mid(8, 5), "12345");
    EXPECT_EQ(line.mid(14, 5).trimmed(), "300");
}

TEST_F(BoxFixture, CommandsAnsweredInOrderEscapesIgnored)
{
    port.write(QByteArray(25, 0x1B) + "_JMWCFDSY?");
    settle();
    EXPECT_EQ(box.commands(), (QStringList{"<ESC>", "_", "J", "M", "W", "CFD", "S", "Y", "?"}));
    EXPECT_EQ(received, "D00\rT00\r" + box.statusLine().toLatin1() + "\r" + box.idleLine().toLatin1() + "\r");
}

TEST_F(BoxFixture, EscapeAbortsAHalfCommand)
{
    port.write("CF");
    port.write(QByteArray(1, 0x1B));
    port.write("S");
    settle();
    EXPECT_EQ(box.commands(), (QStringList{"<ESC>", "S"}));
    EXPECT_EQ(box.statusRequests(), 1);
}

TEST_F(BoxFixture, ReplyLatencyIsConfigurable)
{
    box.latencyMs = 300;
    port.write("_");
    ts.sched->advance(250);
    EXPECT_TRUE(received.isEmpty());
    ts.sched->advance(100);
    EXPECT_EQ(received, "D00\r");
}

TEST_F(BoxFixture, FaultKnobs)
{
    box.statusMissing = true;
    port.write("S_");
    settle();
    EXPECT_EQ(received, "D00\r");

    received.clear();
    box.statusMissing = false;
    box.silent = true;
    port.write("S_Y");
    settle();
    EXPECT_TRUE(received.isEmpty());
    EXPECT_EQ(box.statusRequests(), 2);
}

TEST_F(BoxFixture, AnswersOnlyTheKthStatusRequest)
{
    box.answerOnlyStatusNo = 3;
    for (int i = 0; i < 4; ++i) {
        received.clear();
        port.write("S");
        settle();
        EXPECT_EQ(!received.isEmpty(), i == 2) << "request " << i + 1;
    }
}

TEST_F(BoxFixture, BreaksAreCountedAndSwallowBytes)
{
    port.setBreak(true);
    port.write("S");
    settle();
    EXPECT_TRUE(box.breakOn());
    EXPECT_EQ(box.breaksSeen(), 1);
    EXPECT_TRUE(received.isEmpty());
    port.setBreak(false);
    settle();
    EXPECT_FALSE(box.breakOn());
    EXPECT_TRUE(received.isEmpty()) << "no restart line outside serial mode";
}

// A box with a serial mode, as later mech simulations build it.
class RelayBox : public sim::QuenbyBox {
public:
    QByteArray toMech;
    int ended = 0;

protected:
    bool onCommand(const QString& cmd) override
    {
        if (cmd == "$05") {
            enterSerialMode();
            return true;
        }
        return QuenbyBox::onCommand(cmd);
    }
    void onSerialBytes(const QByteArray& b) override { toMech += b; }
    void onSerialModeEnded() override { ++ended; }
};

TEST(QuenbyBoxSerialMode, EntryRelayAndBreakRestart)
{
    TestServices ts;
    RelayBox box;
    sim::SimPort port(*ts.sched, box);
    QByteArray received;
    port.onReceive = [&] { received += port.read(port.bytesWaiting()); };
    port.open();
    port.write(QByteArray(25, 0x1B) + "$05xx");
    ts.sched->advance(100);
    EXPECT_TRUE(box.inSerialMode());
    EXPECT_EQ(received, "*S\r");
    port.write("S");
    ts.sched->advance(50);
    EXPECT_EQ(box.toMech, "xxS") << "bytes after the mode switch belong to the mech";
    port.setBreak(true);
    ts.sched->advance(150);
    port.setBreak(false);
    ts.sched->advance(50);
    EXPECT_FALSE(box.inSerialMode());
    EXPECT_EQ(box.ended, 1);
    EXPECT_EQ(received, "*S\r*R\r");
}

} // namespace
