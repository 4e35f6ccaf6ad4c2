// The simulated first-program box: its command parser, reply lines, named faults, and serial
// mode relaying to the mech plugged into it.
#include "sim/ccmech.h"
#include "sim/marssocket.h"
#include "sim/nrimech.h"
#include "sim/quenbybox.h"
#include "sim/sentinelmech.h"
#include "tests/sim/quenbyrig.h"

#include <gtest/gtest.h>

namespace {

struct BoxFixture : ::testing::Test, quenbysim::Rig {
    void settle() { sched.advance(200); }
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
    EXPECT_EQ(inbox, "D00\rT00\r" + box.statusLine().toLatin1() + "\r" + box.idleLine().toLatin1() + "\r");
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
    sched.advance(250);
    EXPECT_TRUE(inbox.isEmpty());
    sched.advance(100);
    EXPECT_EQ(inbox, "D00\r");
}

TEST_F(BoxFixture, SilenceAndTheStatusFault)
{
    box.setFault(sim::QuenbyBox::Fault::StatusUnanswered, sim::When::always());
    port.write("S_");
    settle();
    EXPECT_EQ(inbox, "D00\r");

    inbox.clear();
    box.setFault(sim::QuenbyBox::Fault::StatusUnanswered, sim::When::never());
    box.silent = true;
    port.write("S_Y");
    settle();
    EXPECT_TRUE(inbox.isEmpty());
    EXPECT_EQ(box.statusRequests(), 2);
}

TEST_F(BoxFixture, StatusFaultCountsFromWhenItIsSet)
{
    const auto answered = [this] {
        inbox.clear();
        port.write("S");
        settle();
        return !inbox.isEmpty();
    };
    EXPECT_TRUE(answered());
    box.setFault(sim::QuenbyBox::Fault::StatusUnanswered, sim::When::first(2));
    EXPECT_EQ((QList<bool>{answered(), answered(), answered(), answered()}), (QList<bool>{false, false, true, true}));
    box.setFault(sim::QuenbyBox::Fault::StatusUnanswered, sim::When::from(2));
    EXPECT_EQ((QList<bool>{answered(), answered(), answered()}), (QList<bool>{true, false, false}));
}

TEST_F(BoxFixture, BreaksAreCountedAndSwallowBytes)
{
    port.setBreak(true);
    port.write("S");
    settle();
    EXPECT_TRUE(box.breakOn());
    EXPECT_EQ(box.breaksSeen(), 1);
    EXPECT_TRUE(inbox.isEmpty());
    port.setBreak(false);
    settle();
    EXPECT_FALSE(box.breakOn());
    EXPECT_TRUE(inbox.isEmpty()) << "no restart line outside serial mode";
}

TEST_F(BoxFixture, SerialModeRelaysToTheMechWiredToTheCode)
{
    sim::CcMech mech("435");
    box.plug(&mech);
    port.write(QByteArray(25, 0x1B) + "$05ab");
    settle();
    EXPECT_EQ(box.serialInterface(), "$05");
    EXPECT_EQ(inbox, "*S\r");
    EXPECT_EQ(mech.serialModesStarted(), 1);
    port.write("S\x1B");
    settle();
    EXPECT_EQ(mech.receivedBytes(), "abS\x1B") << "everything after the code belongs to the mech";
    EXPECT_EQ(box.statusRequests(), 0);

    EXPECT_TRUE(mech.relayed());
    ASSERT_TRUE(mech.send(QByteArray("\x05;\x01\x02", 4)));
    settle();
    EXPECT_EQ(inbox, QByteArray("*S\r\x05;\x01\x02", 7));

    port.setBreak(true);
    sched.advance(150);
    port.setBreak(false);
    settle();
    EXPECT_FALSE(box.inSerialMode());
    EXPECT_EQ(mech.serialModesEnded(), 1);
    EXPECT_TRUE(inbox.endsWith("*R\r"));
    EXPECT_FALSE(mech.send("x")) << "line mode relays nothing";
    port.write("S");
    settle();
    EXPECT_EQ(box.statusRequests(), 1);
    EXPECT_EQ(mech.receivedBytes(), "abS\x1B");
}

TEST_F(BoxFixture, ACodeWithNoMechOnItStillEntersSerialModeButReachesNobody)
{
    sim::NriMech old("G13-0000"); // wired to "$01"
    box.plug(&old);
    port.write("$05I");
    settle();
    EXPECT_EQ(inbox, "*S\r") << "the old mech on $01 hears nothing, so does not identify";
    EXPECT_TRUE(old.receivedBytes().isEmpty());
    EXPECT_FALSE(old.send("0\r"));
    EXPECT_EQ(old.serialModesStarted(), 0);
    port.setBreak(true);
    port.setBreak(false);
    settle();
    EXPECT_EQ(old.serialModesEnded(), 0);

    inbox.clear();
    port.write("$99$01I");
    settle();
    EXPECT_EQ(box.commands().mid(box.commands().size() - 2), (QStringList{"$99", "$01"}));
    EXPECT_EQ(inbox, "*S\r0\r") << "an unknown code is ignored; the mech on $01 identifies";
    EXPECT_EQ(old.receivedBytes(), "I");
}

TEST(QuenbyMechFamilies, InterfaceCodesByFamilyAndModel)
{
    EXPECT_EQ(sim::CcMech("C120").interfaceCodes(), QStringList{"$05"});
    EXPECT_EQ(sim::SentinelMech().interfaceCodes(), QStringList{"$06"});
    EXPECT_EQ(sim::SentinelMech().family(), "CC");
    EXPECT_TRUE(sim::MarsSocket("ME181").interfaceCodes().isEmpty());
    const std::pair<const char*, const char*> nri[] = {
        {"G13-0000", "$01"}, {"G18-0000", "$01"}, {"G13-6000", "$05"}, {"G18-3000", "$05"},
        {"G40-0000", "$05"}, {"G10-4000", "$23"}, {"G10-4000/5", "$23"},
    };
    for (const auto& [model, code] : nri)
        EXPECT_EQ(sim::NriMech(model).interfaceCodes(), QStringList{code}) << model;
    EXPECT_EQ(sim::NriMech("G10-4000/5", "$25").interfaceCodes(), QStringList{"$25"});

    EXPECT_THROW(sim::NriMech("G10-4000", "$25"), std::invalid_argument);
    EXPECT_THROW(sim::NriMech("C120"), std::invalid_argument);
    EXPECT_THROW(sim::CcMech("Sentinel"), std::invalid_argument);
    EXPECT_THROW(sim::MarsSocket("G13-0000"), std::invalid_argument);
}

// A PROM socket that knows one command, as the Mars family will know its own.
class EchoSocket : public sim::MarsSocket {
public:
    bool boxCommand(const QString& cmd) override { return cmd == "Q" && sendLine("Q" + model()); }
};

TEST_F(BoxFixture, LineCommandsTheBoxDoesNotKnowGoToTheSocket)
{
    EchoSocket prom;
    box.plug(&prom);
    port.write("QS");
    settle();
    EXPECT_EQ(inbox, "QME111\r" + box.statusLine().toLatin1() + "\r");
    EXPECT_FALSE(prom.relayed());

    port.write(QByteArray(25, 0x1B) + "$05Q");
    settle();
    EXPECT_TRUE(prom.receivedBytes().isEmpty()) << "a socket is never relayed to";
    EXPECT_TRUE(inbox.endsWith("*S\r"));
}

TEST_F(BoxFixture, EitherSideMayGoFirst)
{
    {
        sim::CcMech gone("C120");
        box.plug(&gone);
        EXPECT_EQ(gone.box(), &box);
    }
    EXPECT_EQ(box.plugged(), nullptr);
    port.write("$05xx");
    settle();

    sim::CcMech first("450"), second("220B");
    box.plug(&first);
    box.plug(&second);
    EXPECT_EQ(first.box(), nullptr);
    EXPECT_FALSE(first.send("x"));
    EXPECT_TRUE(second.send("y"));
    {
        sim::QuenbyBox other;
        other.plug(&second);
        EXPECT_EQ(box.plugged(), nullptr) << "a mech is in one box at a time";
    }
    EXPECT_EQ(second.box(), nullptr);
    EXPECT_FALSE(second.send("z"));
}

} // namespace
