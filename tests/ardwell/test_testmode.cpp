// Test mode end to end on the simulated box, on virtual time: entering each model's frame, the
// 330/126 interface options and masks, coins, status lines and events in each frame, the 560/PCA
// mech preparation with a silent mech, the hopper test, dispensing, leaving (also while
// another click waits, and EXIT), and streams of noise into every frame.
#include "tests/ardwell/road.h"

#include <QLineEdit>
#include <random>

using ardwell_test::Road;
using sim::When;
namespace mb = plat::mb;

namespace {

constexpr quint32 kGreen = 0x00FF00, kRed = 0x0000FF, kWhite = 0xFFFFFF;

struct Tester : Road {
    explicit Tester(const QString& model) : Road(model)
    {
        ts.writeFile("accept.wav", "RIFF");
        ts.writeFile("reject.wav", "RIFF");
    }
    void type(const QString& box, const QString& text) { win().controls().get<QLineEdit>(box)->setText(text); }
    // The lines sent while fn runs (frames as "frame").
    QStringList during(const std::function<void()>& fn)
    {
        const auto from = sent().size();
        fn();
        return commandsSince(from);
    }
    QStringList enter()
    {
        return during([&] { click("cmdTest"); });
    }
    void pass(plat::Millis ms) { ts.sched->advance(ms); }
    // Each write since transcript entry `from`, with its time.
    std::vector<std::pair<plat::Millis, QByteArray>> writesSince(std::size_t from) const
    {
        std::vector<std::pair<plat::Millis, QByteArray>> out;
        const auto& t = port->transcript();
        for (std::size_t i = from; i < t.size(); ++i)
            if (t[i].kind == sim::TranscriptEntry::Sent)
                out.emplace_back(t[i].at, t[i].bytes);
        return out;
    }
    bool mainButtonsOn() { return view().isEnabled("cmdTest") && view().isEnabled("cmdProgramme"); }
    int sounds(const char* file) const
    {
        return int(std::count_if(ts.sound->played.begin(), ts.sound->played.end(),
                                 [&](const QString& p) { return p.endsWith(file); }));
    }
};

const QStringList kLeaving{"%", "%", "R"};

} // namespace

// ---- 330 and 126 ----
// (The four commands' retries, frames the box does not take and late answers are the mech
// command tests'; the reason table and noise lines the parser tests'.)

TEST(TestEntry, A330OpensItsFrameAndEachOptionLaysItOutAndSendsTheMask)
{
    Tester t("330");
    ASSERT_TRUE(t.started);
    EXPECT_EQ(t.win().timer3().interval(), 2000);
    EXPECT_FALSE(t.win().timer3().enabled()); // off until a hopper test starts it
    EXPECT_EQ(t.enter(), (QStringList{"%", "Z", "#BF", "#BF", "$", "#BF"}));
    auto& v = t.view();
    EXPECT_TRUE(v.isVisible("frmTest"));
    for (const char* hidden : {"frmMain1", "frmConfig", "frmPCAtest", "frm340test", "chkBinary", "chkAllInhibit",
                               "cmdStartHopper", "txtHopperCount"})
        EXPECT_FALSE(v.isVisible(hidden)) << hidden;
    EXPECT_FALSE(t.mainButtonsOn());
    for (const char* on : {"opt10way", "opt16way", "optDualPolarity"})
        EXPECT_TRUE(v.isEnabled(on)) << on;
    EXPECT_FALSE(v.isEnabled("opt340test"));
    EXPECT_EQ(v.value("optDualPolarity"), 1);
    for (int k = 0; k < 8; ++k) {
        EXPECT_EQ(v.isVisible("chkInhibit", k), k < 6) << k;
        EXPECT_EQ(v.isVisible("shpCoin", k), k < 6) << k;
        EXPECT_EQ(v.isVisible("lblTestCount", k), k < 6) << k;
    }
    EXPECT_TRUE(t.mech.powered());
    EXPECT_EQ(t.box.outputMode(), '$');
    EXPECT_FALSE(t.program->testPanel().test340Active);

    EXPECT_EQ(t.during([&] { t.click("opt10way"); }), QStringList{"#FF"});
    EXPECT_FALSE(v.isVisible("chkInhibit", 0));
    EXPECT_TRUE(v.isVisible("chkAllInhibit"));
    EXPECT_EQ(t.during([&] { t.click("chkAllInhibit"); }), QStringList{"#FA"}); // m = 5, not every line
    EXPECT_EQ(t.during([&] { t.click("opt16way"); }), QStringList{"#BF"});
    EXPECT_EQ(t.during([&] { t.click("chkInhibit", 1); }), QStringList{"#BD"});
    EXPECT_EQ(t.box.lastOutputMask(), 0xBD);

    EXPECT_EQ(t.during([&] { t.click("cmdFinishTest", 0); }), kLeaving);
    EXPECT_FALSE(v.isVisible("frmTest"));
    EXPECT_TRUE(v.isVisible("frmMain1"));
    EXPECT_TRUE(v.isVisible("frmConfig"));
    EXPECT_TRUE(t.mainButtonsOn());
    EXPECT_FALSE(t.mech.powered());

    // The boxes keep their state; every entry selects "Dual Polarity" and sends its masks (here
    // Inhibit 2 and the hidden "Binary Mode": 2 + 64), also when the option is still set.
    for (int entry = 0; entry < 2; ++entry) {
        EXPECT_EQ(t.enter(), (QStringList{"%", "Z", "#BD", "#BD", "$", "#BD"})) << entry;
        EXPECT_EQ(v.value("optDualPolarity"), 1);
        EXPECT_FALSE(v.isVisible("chkAllInhibit"));
        EXPECT_EQ(t.during([&] { t.click("cmdFinishTest", 0); }), kLeaving);
    }
    EXPECT_TRUE(t.ts.dialogs->boxes().empty());
}

TEST(TestEntry, A126GreysTheInterfaceAndBinaryModeSwitchesTheBoxBothWays)
{
    Tester t("126");
    EXPECT_EQ(t.enter(), (QStringList{"%", "Z", "#BF", "#BF", "$", "#BF"}));
    auto& v = t.view();
    for (const char* o : {"opt10way", "opt16way", "optDualPolarity", "opt340test"})
        EXPECT_FALSE(v.isEnabled(o)) << o;
    EXPECT_TRUE(v.isVisible("chkBinary"));
    EXPECT_EQ(t.during([&] { t.click("chkInhibit", 0); }), QStringList{"#BE"});
    EXPECT_EQ(t.during([&] { t.click("chkInhibit", 2); }), QStringList{"#BA"});
    EXPECT_EQ(t.during([&] { t.click("chkBinary"); }), (QStringList{"#FA", "?", "#FA"}));
    EXPECT_EQ(t.box.outputMode(), '?');
    EXPECT_EQ(t.during([&] { t.click("chkBinary"); }), (QStringList{"#BA", "$", "#BA"}));
    EXPECT_EQ(t.box.outputMode(), '$');
}

TEST(TestEntry, BinaryModeLeftOnForA126IsOffForA330WhoseFrameHidesIt)
{
    Tester t("330");
    auto& v = t.view();
    v.setValue("opt126", 1);
    t.enter();
    EXPECT_EQ(t.during([&] { t.click("chkBinary"); }), (QStringList{"#FF", "?", "#FF"}));
    EXPECT_EQ(t.during([&] { t.click("cmdFinishTest", 0); }), kLeaving);
    v.setValue("opt330", 1);
    EXPECT_EQ(t.enter(), (QStringList{"%", "Z", "#BF", "#BF", "$", "#BF"}));
    EXPECT_FALSE(v.isVisible("chkBinary"));
    EXPECT_EQ(v.value("chkBinary"), 0);
}

TEST(TestFrame330, OutputLinesLightAndCountTheirCoinsAndTheMaskHoldsACoin)
{
    Tester t("330");
    t.enter();
    auto& v = t.view();
    t.mech.dropCoin(sim::Coin1); // output line A
    t.pass(100);
    EXPECT_EQ(v.fill("shpCoin", 0), kGreen);
    EXPECT_EQ(v.text("lblTestCount", 0), "1");
    EXPECT_EQ(t.sounds("accept.wav"), 1);
    t.mech.dropCoin(sim::Coin6); // line F: each line puts the others out first
    t.pass(100);
    EXPECT_EQ(v.fill("shpCoin", 5), kGreen);
    EXPECT_EQ(v.fill("shpCoin", 0), kWhite);
    t.pass(2000); // the fourth Timer1 tick
    EXPECT_EQ(v.fill("shpCoin", 5), kWhite);

    // Inhibit 1 holds line A: the coin gives no line; line B's coin still counts.
    t.click("chkInhibit", 0);
    t.mech.dropCoin(sim::Coin1);
    t.mech.dropCoin(sim::Coin2);
    t.pass(300);
    EXPECT_EQ(v.text("lblTestCount", 0), "1");
    EXPECT_EQ(v.text("lblTestCount", 1), "1");

    t.box.sendNoise(sim::ArdwellBox::Noise::HighBits, 0x05); // bits 6 and 7 masked off
    t.pass(100);
    EXPECT_EQ(v.text("lblTestCount", 2), "1");

    EXPECT_TRUE(t.during([&] { t.click("cmdClearCoinCount"); }).isEmpty());
    for (int k = 0; k < 8; ++k)
        EXPECT_EQ(v.text("lblTestCount", k), "0") << k;
}

// ---- 340 ----

TEST(TestFrame340, CreditPlayersMeterDispenseAndExit)
{
    Tester t("340");
    EXPECT_EQ(t.enter(), (QStringList{"%", "Z", "{"}));
    auto& v = t.view();
    EXPECT_TRUE(v.isVisible("frm340test"));
    EXPECT_FALSE(v.isVisible("frmTest"));
    EXPECT_TRUE(t.program->testPanel().test340Active);
    t.mech.dropCoin(sim::Coin4); // meter, then two games for players 1 and 2
    t.pass(300);
    EXPECT_EQ(v.text("lblMeterCount"), "1");
    EXPECT_EQ(v.text("lblPlayerCount", 0), "1");
    EXPECT_EQ(v.text("lblPlayerCount", 1), "1");
    EXPECT_EQ(v.fill("shpPlayer", 1), kGreen);
    EXPECT_EQ(v.fill("shpELAMP", -1), kGreen);
    EXPECT_EQ(v.fill("shpPLAMP", -1), kWhite); // no game left ready
    t.pass(2000);
    EXPECT_EQ(v.fill("shpPlayer", 1), kWhite);
    EXPECT_EQ(v.fill("shpELAMP", -1), kGreen); // a level, not a pulse

    EXPECT_EQ(t.during([&] { t.click("cmdDispense", 2); }), QStringList{"[04"});
    EXPECT_EQ(t.during([&] { t.click("cmdExtCredit"); }), QStringList{"[10"});
    t.pass(300);
    EXPECT_EQ(v.text("lblPlayerCount", 2), "2");
    EXPECT_EQ(t.box.dispenses(), (QList<QByteArray>{"04", "10"}));

    t.click("cmdClear340");
    for (int k = 0; k < 4; ++k)
        EXPECT_EQ(v.text("lblPlayerCount", k), "0");
    EXPECT_EQ(v.text("lblMeterCount"), "0");

    EXPECT_EQ(t.during([&] { t.click("cmdExit340"); }), kLeaving);
    EXPECT_FALSE(t.program->testPanel().test340Active);
    EXPECT_FALSE(v.isVisible("frm340test"));
    EXPECT_TRUE(t.mainButtonsOn());
    // Out of the 340 frame a status line is the 330/126 frame's again.
    t.box.sendStatus(0x41);
    t.pass(100);
    EXPECT_EQ(v.fill("shpCoin", 0), kGreen);
    EXPECT_EQ(v.text("lblPlayerCount", 0), "0");
}

TEST(TestFrame340, DispenseButtonsAreOffWhileTheCommandGoesOutAndAHangUpIsReportedOnce)
{
    Tester t("340");
    t.enter();
    t.ts.dialogs->answer(mb::OK, "Error Comms routine :  \r\nunplugged - 8018");
    t.port->setOpenResult(plat::OpenResult::NoSuchDevice);
    t.port->hangUp("unplugged");
    t.pass(50);
    EXPECT_EQ(t.ts.dialogs->boxes().size(), 1u) << "said when it happens";
    // Pulses and credits need no answer: they go nowhere, quietly.
    t.click("cmdDispense", 3);
    t.click("cmdExtCredit");
    for (int k = 0; k < 4; ++k)
        EXPECT_TRUE(t.view().isEnabled("cmdDispense", k));
    EXPECT_EQ(t.ts.dialogs->boxes().size(), 1u);
    // Leaving waits for the box: it says once that the box cannot be told.
    t.ts.dialogs->answer(mb::OK, "The connection to the programmer box on COM3 was lost.");
    t.click("cmdExit340");
    EXPECT_EQ(t.ts.dialogs->boxes().size(), 2u);
    EXPECT_TRUE(t.mainButtonsOn());

    // Reconnected, the next test opens the port again and its buttons work.
    t.port->setOpenResult(plat::OpenResult::Ok);
    t.enter();
    t.click("cmdDispense", 0);
    t.pass(50);
    EXPECT_EQ(t.box.dispenses(), QList<QByteArray>{"01"});
    EXPECT_EQ(t.ts.dialogs->boxes().size(), 2u);
}

// ---- 560 and PCA ----

TEST(TestFrame560, EntryPreparesTheMechAndEventsLightCountAndAreAnsweredOnce)
{
    Tester t("560");
    const std::size_t from = t.port->transcript().size();
    t.click("cmdTest");
    const auto w = t.writesSince(from);
    ASSERT_EQ(w.size(), 7u);
    EXPECT_EQ(w[0].second, "Z\r");
    EXPECT_EQ(w[1].second, "&\r");
    EXPECT_EQ(w[2].second, "&\r");
    // 100 ms on the 20 ms time base (80 to 100 ms), and the box's answer to "&".
    EXPECT_GE(w[1].first - w[0].first, 80);
    EXPECT_GE(w[2].first - w[1].first, 80);
    EXPECT_LT(w[2].first - w[0].first, 260);
    EXPECT_EQ(w[3].second + w[4].second + w[5].second + w[6].second,
              "0121246F004B\r012124648EC8\r012124640F47\r012124700000004A\r");
    auto& v = t.view();
    EXPECT_TRUE(v.isVisible("frmPCAtest"));
    EXPECT_EQ(v.text("frmPCAtest"), "560 Test");
    EXPECT_EQ(v.text("lblRejectedReason"), "");
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(v.isVisible("shpLamp", i), i < 12) << i;
        EXPECT_EQ(v.isVisible("lblAccCount", i), i < 12) << i;
        EXPECT_FALSE(v.isVisible("lblRouted", i)) << i;
    }
    EXPECT_TRUE(t.mech.acceptingAll());
    EXPECT_FALSE(t.mainButtonsOn());
    EXPECT_TRUE(t.ts.dialogs->boxes().empty());

    t.mech.dropCoin(sim::Coin3); // channel 3, route 3
    t.pass(300);
    EXPECT_EQ(v.fill("shpLamp", 2), kGreen);
    EXPECT_EQ(v.text("lblAccCount", 2), "1");
    EXPECT_EQ(v.text("lblRouted", 2), "3"); // filled, though hidden
    EXPECT_EQ(t.mech.acknowledgements(), 2);
    t.pass(1200);
    EXPECT_EQ(v.fill("shpLamp", 2), kWhite);
    t.mech.dropCoin(sim::Coin4); // the default route
    t.pass(300);
    EXPECT_EQ(v.text("lblRouted", 3), "Def");

    t.mech.dropCoin(sim::Token);
    t.pass(300);
    EXPECT_EQ(v.fill("shpRejected", -1), kRed);
    EXPECT_EQ(v.text("lblRejectedReason"), "Coin Inhibited - software");
    EXPECT_EQ(t.sounds("reject.wav"), 1);
    for (int r = 0; r <= 13; ++r) {
        t.mech.rejectCoin(r);
        t.pass(200);
    }
    EXPECT_EQ(v.text("lblRejectedReason"), "Unknown Reason"); // 13
    EXPECT_EQ(v.text("lblRejectCount"), "15");
    // An unknown event code is neither acted on nor answered; the mech gives up after its second.
    const int acks = t.mech.acknowledgements();
    t.mech.sendEvent(0x2A, QByteArray(1, 2));
    t.pass(1200);
    EXPECT_EQ(t.mech.acknowledgements(), acks);
    EXPECT_EQ(t.mech.eventsUnanswered(), 1);
    EXPECT_EQ(acks, t.mech.eventsSent() - 1); // every other event answered exactly once

    EXPECT_EQ(t.during([&] { t.click("cmdClearCounts"); }), (QStringList{"&", "&"}));
    EXPECT_EQ(v.text("lblAccCount", 2), "");
    EXPECT_EQ(v.text("lblRouted", 2), "");
    EXPECT_EQ(v.text("lblRejectCount"), "");
    EXPECT_EQ(t.during([&] { t.click("cmdFinishTest", 1); }), kLeaving);
    EXPECT_FALSE(t.mech.powered());
    EXPECT_TRUE(t.mainButtonsOn());
}

TEST(TestFramePca, SixteenRowsOnItsOwnSupply)
{
    Tester t("PCA");
    const QStringList lines = t.enter();
    EXPECT_EQ(lines.mid(0, 3), (QStringList{"W", "&", "&"}));
    EXPECT_TRUE(t.sent().endsWith("\r002024700000004C\r"));
    auto& v = t.view();
    EXPECT_EQ(v.text("frmPCAtest"), "PCA Test");
    for (int i = 12; i < 16; ++i)
        EXPECT_TRUE(v.isVisible("shpLamp", i) && v.isVisible("lblAccCoin", i) && v.isVisible("lblAccCount", i)) << i;
    t.mech.dropCoin(sim::Coin10); // channel 14
    t.pass(300);
    EXPECT_EQ(v.fill("shpLamp", 13), kGreen);
    EXPECT_EQ(v.text("lblAccCount", 13), "1");
}

TEST(TestFrame560, ASilentMechCostsSixTriesAFourBoxesAndTheFrameStillOpens)
{
    Tester t("560");
    t.mech.setFault(sim::ArdwellMech::Fault::CommandSilent, When::always());
    t.ts.dialogs->answer(mb::OK, "No Response from Coin Mech to ReInitialise Command");
    for (int i = 0; i < 3; ++i)
        t.ts.dialogs->answer(mb::OK, "No Response from Coin Mech to HII Enable");
    const plat::Millis t0 = t.ts.sched->nowMs();
    const ardwell::MechPrepared p = t.coinBench().tests().cmdTest_Click();
    const plat::Millis took = t.ts.sched->nowMs() - t0;
    EXPECT_FALSE(p.reInitialise || p.hiiEnable || p.hiiEnableAll || p.hiiAcceptAll);
    EXPECT_TRUE(t.ts.dialogs->allAnswersUsed());
    EXPECT_EQ(t.sent().count("0121246F004B\r"), 6);
    EXPECT_EQ(t.sent().count("012124700000004A\r"), 6);
    EXPECT_GT(took, 78000);
    EXPECT_LT(took, 82000);
    EXPECT_TRUE(t.view().isVisible("frmPCAtest"));
    EXPECT_FALSE(t.mech.acceptingAll());
}

// ---- The hopper test ----

TEST(HopperTest, ACountOfThreeSendsThreePulsesTwoSecondsApart)
{
    Tester t("330");
    t.enter();
    auto& v = t.view();
    t.click("chkHopper2");
    EXPECT_TRUE(v.isVisible("cmdStartHopper"));
    EXPECT_TRUE(v.isVisible("txtHopperCount"));
    t.type("txtHopperCount", "3");
    const std::size_t from = t.port->transcript().size();
    const plat::Millis t0 = t.ts.sched->nowMs();
    t.click("cmdStartHopper");
    EXPECT_FALSE(v.isEnabled("cmdStartHopper"));
    t.pass(7000);
    const auto w = t.writesSince(from);
    ASSERT_EQ(w.size(), 3u);
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(w[std::size_t(k)].second, "+\r");
        EXPECT_EQ(w[std::size_t(k)].first - t0, 2000 * (k + 1));
    }
    EXPECT_EQ(t.ts.sound->beeps, 3);
    EXPECT_EQ(t.box.hopperPulses(), 3);
    EXPECT_TRUE(v.isEnabled("cmdStartHopper"));
    EXPECT_FALSE(t.win().timer3().enabled());
}

TEST(HopperTest, CountsThatSendNothingOrLessAndAnOverflowReported)
{
    Tester t("330");
    t.enter();
    t.click("chkHopper2");
    for (const char* text : {"", "-2", "coins"}) {
        t.type("txtHopperCount", text);
        EXPECT_TRUE(t.during([&] {
                        t.click("cmdStartHopper");
                        t.pass(5000);
                    }).isEmpty())
            << text;
        EXPECT_TRUE(t.view().isEnabled("cmdStartHopper"));
    }
    t.type("txtHopperCount", "2.5"); // halves to even
    EXPECT_EQ(t.during([&] {
        t.click("cmdStartHopper");
        t.pass(5000);
    }),
              (QStringList{"+", "+"}));
    t.type("txtHopperCount", "99999999999");
    t.ts.dialogs->answer(mb::OK, "Overflow - 6");
    EXPECT_TRUE(t.during([&] {
                    t.click("cmdStartHopper");
                    t.pass(5000);
                }).isEmpty());
    EXPECT_TRUE(t.view().isEnabled("cmdStartHopper"));
    EXPECT_TRUE(t.ts.dialogs->allAnswersUsed());
    EXPECT_TRUE(t.ts.dialogs->boxes().back().text.startsWith("Error in cmdStartHopper_Click :  \r\n"));
}

TEST(HopperTest, UntickingEndTestingOrExitEndTheRun)
{
    Tester t("330");
    t.enter();
    const auto startRun = [&] {
        t.click("chkHopper2");
        t.type("txtHopperCount", "5");
        t.click("cmdStartHopper");
        t.pass(2100); // one pulse
    };
    startRun();
    t.click("chkHopper2"); // unticked
    EXPECT_FALSE(t.view().isVisible("cmdStartHopper"));
    t.pass(10000);
    EXPECT_EQ(t.box.hopperPulses(), 1);
    EXPECT_EQ(t.program->testPanel().hopper.hopperCount(), 0);

    startRun();
    t.click("cmdFinishTest", 0);
    t.pass(10000);
    EXPECT_EQ(t.box.hopperPulses(), 2);
    EXPECT_TRUE(t.mainButtonsOn());
    t.enter();
    EXPECT_EQ(t.view().value("chkHopper2"), 0);
    EXPECT_FALSE(t.view().isVisible("cmdStartHopper"));

    startRun();
    EXPECT_THROW(t.win().cmdExit_Click(), plat::ProgramEnded);
    t.pass(10000);
    EXPECT_EQ(t.box.hopperPulses(), 3);
}

TEST(HopperTest, RandomCountsNeverCrashAndRunWhatTheyRead)
{
    Tester t("330");
    t.enter();
    t.click("chkHopper2");
    std::mt19937 rng(13);
    const QString alphabet = QStringLiteral("0123456789-+.eEdD &Hx");
    for (int round = 0; round < 300; ++round) {
        QString text;
        for (int k = int(rng() % 24); k > 0; --k)
            text += alphabet[int(rng() % alphabet.size())];
        t.type("txtHopperCount", text);
        if (testing_support::errNumber([&] { ardwell::hopperCountOf(text); }) != 0)
            t.ts.dialogs->answer(mb::OK, "Overflow - 6");
        t.click("cmdStartHopper");
        const qint32 left = t.program->testPanel().hopper.hopperCount();
        EXPECT_GE(left, 0) << text.toStdString();
        EXPECT_EQ(t.view().isEnabled("cmdStartHopper"), left == 0) << text.toStdString();
        t.click("chkHopper2"); // unticked: whatever run there is ends
        EXPECT_EQ(t.program->testPanel().hopper.hopperCount(), 0);
        EXPECT_TRUE(t.view().isEnabled("cmdStartHopper"));
        t.click("chkHopper2");
    }
    EXPECT_TRUE(t.ts.dialogs->allAnswersUsed());
}

// ---- Leaving while a click waits ----

TEST(TestLeaving, EndTestingWaitsForTheClickThatIsWaitingForTheBox)
{
    Tester t("330");
    t.enter();
    t.box.setUnanswered("#?$"); // each of Binary Mode's commands waits its full second
    t.ts.sched->callAfter(500, [&] { t.click("cmdFinishTest", 0); });
    // The frame is going: this click sends nothing of its own, though its box counts in the
    // mask the waiting handler sends next.
    t.ts.sched->callAfter(600, [&] { t.click("chkInhibit", 3); });
    const auto lines = t.during([&] {
        t.click("chkBinary");
        t.pass(100);
    });
    EXPECT_EQ(lines, (QStringList{"#FF", "?", "#F7", "%", "%", "R"}));
    EXPECT_FALSE(t.view().isVisible("frmTest"));
    EXPECT_TRUE(t.mainButtonsOn());
}

TEST(TestLeaving, ExitWhileAClickWaitsEndsTheProgramWhenItReturns)
{
    Tester t("330");
    t.enter();
    t.box.setUnanswered("#?$");
    t.ts.sched->callAfter(500, [&] { t.win().cmdExit_Click(); });
    const auto from = t.sent().size();
    t.click("chkBinary");
    EXPECT_THROW(t.pass(100), plat::ProgramEnded);
    EXPECT_TRUE(t.commandsSince(from).join(",").startsWith("#FF,?,#FF,%,%"));
    EXPECT_EQ(t.ts.env->endCount, 1);
}

// ---- Noise into every frame ----

TEST(TestRobustness, RandomEventAndStatusStreamsIntoEachFrame)
{
    for (const char* model : {"330", "340", "560"}) {
        SCOPED_TRACE(model);
        Tester t(model);
        t.enter();
        // "09" and "0E" values that fit no element are reported, and nothing else is.
        for (int i = 0; i < 400; ++i)
            t.ts.dialogs->answer(mb::OK, "Error Parsing Data stream routine : ");
        std::mt19937 rng(1300);
        int answerable = 0;
        for (int i = 0; i < 300; ++i) {
            switch (rng() % 3) {
            case 0: t.box.sendStatus(std::uint8_t(rng())); break;
            case 1: {
                static const std::uint8_t codes[] = {0x01, 0x03, 0x05, 0x09, 0x0E, 0x2A, 0x00, 0xFF};
                const std::uint8_t code = codes[rng() % 8];
                QByteArray data;
                for (int k = int(rng() % 5); k > 0; --k)
                    data.append(char(rng()));
                if (t.mech.sendEvent(code, data) && code != 0x2A && code != 0x00 && code != 0xFF)
                    ++answerable;
                break;
            }
            default: { // short lines: flags and housekeeping, never a frame
                QByteArray line;
                for (int k = 1 + int(rng() % 7); k > 0; --k)
                    line.append("XY%*<>@0123456789ABCDEF"[rng() % 23]);
                t.box.sendLine(line);
            }
            }
            t.pass(int(rng() % 50));
        }
        ASSERT_TRUE(t.ts.sched->pumpUntil([&] { return t.mech.eventsPending() == 0; }, 300000));
        EXPECT_EQ(t.mech.acknowledgements(), answerable); // each answered once, unknown codes never
        EXPECT_EQ(t.mech.eventsUnanswered(), t.mech.eventsSent() - answerable);
        const bool m340 = QString(model) == "340";
        EXPECT_EQ(t.during([&] { t.click(m340 ? "cmdExit340" : "cmdFinishTest", m340 ? -1 : QString(model) == "560"); }),
                  kLeaving);
    }
}
