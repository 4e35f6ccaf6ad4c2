// The simulated second box and mech in each mode a coin can meet, and their named faults, seen
// from the program's end of the wire. Frame literals come from ardwell_sim_answers.py.

#include "tests/sim/ardwell_rig.h"

#include <gtest/gtest.h>

using namespace ardwell_sim_test;
using sim::ArdwellBox;
using sim::ArdwellMech;
using sim::When;

namespace {

const std::array<int, 7> kRaw{1000, 1100, 800, 300, 400, 350, 150};
const std::array<int, 5> kRefs{2000, 2050, 1800, 2500, 1500};

// Lines received, without the box's "X" for the frames we sent.
QList<QByteArray> mechLines(const Rig& r)
{
    QList<QByteArray> out = r.lines();
    out.removeAll("X");
    return out;
}

void drop(Rig& r, int kind, plat::Millis settle = 400)
{
    r.inbox.clear();
    r.mech.dropCoin(kind);
    r.sched.advance(settle);
}

} // namespace

TEST(ArdwellModes, CoinDataOnlyAfterBothRequestsAndOnEachHopperPulse)
{
    Rig r("330");
    r.powerAndRelay();
    r.answerEvents = true;
    drop(r, sim::Coin1);
    EXPECT_TRUE(r.lines().isEmpty()) << "not requested";
    r.sendFrame(0x24, bytes({0x64, 0x8E, 0}));
    drop(r, sim::Coin1);
    EXPECT_TRUE(r.lines().isEmpty()) << "one request only";
    r.sendFrame(0x24, bytes({0x64, 0x88, 0}));

    r.mech.coins().queue(kRaw, kRefs);
    drop(r, sim::Coin4);
    EXPECT_EQ(mechLines(r), (QList<QByteArray>{"61FF240902EE07D0AC", "61FF240913138802C3", "61FF2409228A0708B8",
                                               "61FF240932BC09C4B8", "61FF240941DB0672DF", "61FF240951CE85DCF3"}));
    EXPECT_EQ(r.mech.acknowledgements(), 6);
    EXPECT_EQ(r.mech.eventsUnanswered(), 0);

    // A hopper pulse drops a coin of the run's kind a moment later.
    EXPECT_EQ(r.mech.gatheringKind(), sim::Coin1);
    r.exchange("+", 600);
    EXPECT_EQ(mechLines(r).size(), 7) << "the box's answer and six frames";
    EXPECT_EQ(r.box.hopperPulses(), 1);
    EXPECT_EQ(r.mech.lastOutcome().channel, 0);

    r.mech.setFault(ArdwellMech::Fault::LastFrameLost, When::first(1));
    drop(r, sim::Coin2);
    ASSERT_EQ(mechLines(r).size(), 5);
    EXPECT_EQ(mechLines(r).last().mid(8, 1), "4");
    r.mech.setFault(ArdwellMech::Fault::CoinLost, When::first(1));
    drop(r, sim::Coin2);
    EXPECT_TRUE(r.lines().isEmpty());
    EXPECT_EQ(r.mech.coinsDropped(), 6);

    r.exchange("%");
    drop(r, sim::Coin2);
    EXPECT_TRUE(r.lines().isEmpty()) << "the box no longer relays";
}

TEST(ArdwellModes, EachCoinDataRunTakesTheNextCoinUnlessATestChoseOne)
{
    Rig r("126");
    for (int run = 0; run < 7; ++run) {
        r.powerAndRelay();
        r.requestCoinData();
        EXPECT_EQ(r.mech.gatheringKind(), run % 6);
        r.exchange("R");
    }
    r.mech.setGatheringKind(sim::LevelThree);
    r.powerAndRelay();
    r.requestCoinData();
    EXPECT_EQ(r.mech.gatheringKind(), sim::LevelThree);
}

TEST(ArdwellModes, AcceptAllGivesAcceptedRoutedAndRejectedEvents)
{
    Rig r("560");
    r.powerAndRelay();
    r.answerEvents = true;
    drop(r, sim::Coin3);
    EXPECT_TRUE(r.lines().isEmpty()) << "before HII Accept ALL";
    r.acceptAll();
    drop(r, sim::Coin3);
    EXPECT_EQ(mechLines(r), (QList<QByteArray>{"2101240102B7", "2101240302B5"}));
    drop(r, sim::Token);
    EXPECT_EQ(mechLines(r), QList<QByteArray>{"210124050BAA"});
    drop(r, sim::Foreign);
    EXPECT_EQ(mechLines(r), QList<QByteArray>{"2101240501B4"});
    r.inbox.clear();
    r.mech.dropSlug(8);
    r.sched.advance(300);
    EXPECT_EQ(mechLines(r).value(0).mid(4, 6), "240508");
    drop(r, sim::Coin4);
    EXPECT_EQ(mechLines(r).value(1).mid(4, 6), "240307") << "route byte 128: the default route";
    EXPECT_EQ(r.mech.acknowledgements(), 7);

    r.sendFrame(0x24, bytes({0x6F, 0}));
    drop(r, sim::Coin3);
    EXPECT_TRUE(r.lines().isEmpty()) << "ReInitialise ends it";

    Rig pca("PCA");
    pca.powerAndRelay();
    pca.answerEvents = true;
    pca.acceptAll();
    drop(pca, sim::Coin10);
    EXPECT_EQ(mechLines(pca), (QList<QByteArray>{"200024010DAE", "2000240305B4"})) << "channel 14";
}

TEST(ArdwellModes, OutputLinesOfA330AndA126)
{
    Rig r("330");
    r.exchange("Z");
    r.exchange("$");
    drop(r, sim::Coin1);
    EXPECT_EQ(r.lines(), QList<QByteArray>{"@01"});
    drop(r, sim::Coin6);
    EXPECT_EQ(r.lines(), QList<QByteArray>{"@20"});
    drop(r, sim::BiMetallic);
    EXPECT_EQ(r.lines(), QList<QByteArray>{"@03"}) << "a binary output byte";
    drop(r, sim::Token);
    EXPECT_TRUE(r.lines().isEmpty()) << "inhibited in word 0";
    r.exchange("#FE"); // line A held
    drop(r, sim::Coin1);
    EXPECT_TRUE(r.lines().isEmpty());
    drop(r, sim::Coin2);
    EXPECT_EQ(r.lines(), QList<QByteArray>{"@02"});

    Rig m("126");
    m.exchange("Z");
    m.exchange("$");
    drop(m, sim::Coin3);
    EXPECT_EQ(m.lines(), QList<QByteArray>{"@04"}) << "output line C";
    drop(m, sim::Coin9);
    EXPECT_EQ(m.lines(), QList<QByteArray>{"@40"}) << "channel 13 on MPE";
    m.exchange("?");
    drop(m, sim::Coin3);
    EXPECT_EQ(m.lines(), QList<QByteArray>{"@03"}) << "its binary digit";
    m.exchange("#FB"); // line C held
    drop(m, sim::Coin3);
    EXPECT_TRUE(m.lines().isEmpty());
}

TEST(ArdwellModes, The340CreditsPlaysDispensesAndLightsItsLamps)
{
    // Standard 340: scaling 5, game price 100, four players, coin meter on, external credit 20.
    Rig r("340");
    r.exchange("Z");
    r.exchange("{");
    drop(r, sim::Coin1); // value 5: credit 25
    EXPECT_EQ(r.lines(), QList<QByteArray>{"@30"});
    drop(r, sim::Coin4); // value 50: credit 275, two games
    EXPECT_EQ(r.lines(), (QList<QByteArray>{"@70", "@61", "@22"}));
    EXPECT_EQ(r.mech.credit340(), 75);
    r.exchange("[10"); // 100 more: one game for player 3
    EXPECT_EQ(r.lines(), (QList<QByteArray>{"%[10", "@60", "@24"}));
    r.exchange("[02");
    EXPECT_EQ(r.lines(), (QList<QByteArray>{"%[02", "@22"}));
    r.exchange("R");
    EXPECT_EQ(r.mech.credit340(), 0) << "credit does not outlive the supply";
}

TEST(ArdwellBoxFaults, HangUpUnplugAndUnansweredCommands)
{
    Rig r("330");
    int failures = 0;
    r.port.onFailure = [&](const QString&) { ++failures; };
    r.box.setFault(ArdwellBox::Fault::HangUp, When::from(2));
    EXPECT_EQ(r.exchange("S").size(), 1);
    EXPECT_TRUE(r.exchange("S").isEmpty());
    EXPECT_FALSE(r.port.isOpen());
    EXPECT_EQ(failures, 1);
    EXPECT_EQ(r.port.open(), plat::OpenResult::NoSuchDevice) << "until plugged in again";
    r.box.plugIn();
    ASSERT_EQ(r.port.open(), plat::OpenResult::Ok);
    EXPECT_EQ(r.exchange("S"), QList<QByteArray>{">READY"}) << "one hang-up, not one per line";

    r.box.setUnanswered("#$", When::always());
    EXPECT_TRUE(r.exchange("#FE").isEmpty());
    EXPECT_EQ(r.box.lastOutputMask(), 0xFE) << "carried out all the same";
    EXPECT_TRUE(r.exchange("$").isEmpty());
    EXPECT_EQ(r.box.outputMode(), '$');
    EXPECT_EQ(r.exchange("&"), QList<QByteArray>{"%&"});

    r.box.setFault(ArdwellBox::Fault::Unplugged, When::from(2));
    EXPECT_EQ(r.exchange("V").size(), 1);
    EXPECT_TRUE(r.exchange("V").isEmpty());
    EXPECT_TRUE(r.box.silent());
    EXPECT_TRUE(r.exchange("Z").isEmpty());
    EXPECT_FALSE(r.mech.powered());
}

TEST(ArdwellBoxFaults, RequestsNotTakenAcknowledgementsAsYEmptyHopperAndNoise)
{
    Rig r("560");
    r.powerAndRelay();
    r.box.setFault(ArdwellBox::Fault::RequestNotTaken, When::first(1));
    EXPECT_TRUE(r.sendFrame(0x24, bytes({0x64, 0x8E, 0})).isEmpty());
    EXPECT_EQ(r.sendFrame(0x24, bytes({0x64, 0x8E, 0})).size(), 2);
    EXPECT_EQ(r.box.framesRefused().size(), 1);

    r.box.setFault(ArdwellBox::Fault::AckAsY, When::first(1));
    EXPECT_EQ(r.sendFrame(0x24, bytes({0x70, 0, 0, 0})), (QList<QByteArray>{"X", "Y"}));
    EXPECT_TRUE(r.mech.acceptingAll());
    EXPECT_EQ(headerOf(r.sendFrame(0x24, bytes({0x64, 0x0F})).value(1)), 0x04);

    r.answerEvents = true;
    r.box.setFault(ArdwellBox::Fault::HopperEmpty, When::first(1));
    r.exchange("+", 600);
    EXPECT_EQ(r.mech.coinsDropped(), 0);
    r.exchange("+", 600);
    EXPECT_EQ(r.mech.coinsDropped(), 1);
    EXPECT_EQ(r.box.hopperPulses(), 2);

    r.inbox.clear();
    r.box.sendNoise(ArdwellBox::Noise::HighBits);
    r.box.sendNoise(ArdwellBox::Noise::Zero);
    r.box.sendNoise(ArdwellBox::Noise::Debug);
    r.box.sendNoise(ArdwellBox::Noise::Split);
    r.sched.advance(100);
    EXPECT_EQ(r.inbox, "@C5\r@00\r*DEBUG 0042\r@ 0\n5\r");
}

TEST(ArdwellMechFaults, CommandsSilentLateOrRefused)
{
    Rig r("PCA");
    r.powerAndRelay();
    const QByteArray reinit = bytes({0x6F, 0});
    r.mech.setFault(ArdwellMech::Fault::CommandSilent, When::first(2));
    EXPECT_EQ(r.sendFrame(0x24, reinit), QList<QByteArray>{"X"});
    EXPECT_EQ(r.sendFrame(0x24, reinit), QList<QByteArray>{"X"});
    EXPECT_EQ(headerOf(r.sendFrame(0x24, reinit).value(1)), 0x04) << "the third try";
    EXPECT_EQ(r.logon().size(), 2) << "the logon is no plain command";

    r.mech.setFault(ArdwellMech::Fault::CommandRefused, When::first(1));
    EXPECT_EQ(headerOf(r.sendFrame(0x24, reinit).value(1)), 0xE4);

    r.mech.setFault(ArdwellMech::Fault::CommandLate, When::first(1));
    r.mech.setLateAnswerMs(3200);
    EXPECT_EQ(r.exchange(r.frameLine(0x24, reinit), 3150), QList<QByteArray>{"X"});
    r.sched.advance(100);
    EXPECT_EQ(headerOf(r.lines().value(1)), 0x04);
}

TEST(ArdwellMechFaults, WritesUnansweredAWordNeverReadAndTheMechUnplugged)
{
    Rig r("330");
    r.powerAndRelay();
    r.logon();
    const quint16 before = r.mech.word(40);
    r.mech.setFault(ArdwellMech::Fault::WriteUnanswered, When::first(1));
    EXPECT_EQ(r.write(40, 0x1234), QList<QByteArray>{"X"});
    EXPECT_EQ(r.mech.word(40), before);
    EXPECT_EQ(r.write(40, 0x1234).size(), 2);

    r.mech.setUnreadableWord(9);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(r.read(9), QList<QByteArray>{"X"});
    EXPECT_EQ(r.read(10).size(), 2);

    r.mech.setFault(ArdwellMech::Fault::Unplugged, When::from(2));
    EXPECT_EQ(r.read(10).size(), 2);
    EXPECT_EQ(r.read(10), QList<QByteArray>{"X"}) << "the box still takes the frame";
    EXPECT_EQ(r.logon(), QList<QByteArray>{"X"});
    EXPECT_FALSE(r.mech.plugged());
    EXPECT_FALSE(r.mech.dropCoin(sim::Coin1));
}

TEST(ArdwellMechFaults, MalformedEvents)
{
    Rig r("560");
    r.powerAndRelay();
    r.acceptAll();
    r.mech.setFault(ArdwellMech::Fault::CoinIndexAbove15, When::first(1));
    r.mech.setFault(ArdwellMech::Fault::EventUnknownCode, When::from(2)); // the route event
    drop(r, sim::Coin3, 2500);
    EXPECT_EQ(mechLines(r), (QList<QByteArray>{"2101240112A7", "2101242A028E"}));
    EXPECT_EQ(r.mech.eventsUnanswered(), 2) << "nobody answered";
    r.mech.setFault(ArdwellMech::Fault::EventUnknownCode, When::never());

    r.mech.setFault(ArdwellMech::Fault::EventBadChecksum, When::first(1));
    r.mech.setFault(ArdwellMech::Fault::EventTruncated, When::from(2));
    drop(r, sim::Coin3, 2500);
    const auto lines = mechLines(r);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_FALSE(al::sumsToZero(frameOf(lines[0])));
    EXPECT_EQ(lines[0].left(10), "2101240102");
    EXPECT_EQ(lines[1], "21012403");
}

TEST(ArdwellDemo, CoinsDropEveryOneToTwoSeconds)
{
    Rig r("PCA");
    r.powerAndRelay();
    r.answerEvents = true;
    r.acceptAll();
    r.inbox.clear();
    r.box.startRandomDrops(1000, 2000);
    r.sched.advance(60'000);
    EXPECT_GE(r.mech.coinsDropped(), 30);
    EXPECT_LE(r.mech.coinsDropped(), 60);
    int accepted = 0, rejected = 0;
    for (const QByteArray& l : mechLines(r)) {
        accepted += l.mid(4, 4) == "2401";
        rejected += l.mid(4, 4) == "2405";
    }
    EXPECT_EQ(accepted + rejected, r.mech.coinsDropped());
    EXPECT_GT(accepted, rejected);
    EXPECT_GT(rejected, 0);
    r.box.stopRandomDrops();
    const int dropped = r.mech.coinsDropped();
    r.sched.advance(10'000);
    EXPECT_EQ(r.mech.coinsDropped(), dropped);
}
