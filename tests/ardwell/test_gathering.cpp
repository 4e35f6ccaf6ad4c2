// Coin data gathering runs of the programme panel on the simulated box, on virtual time: coins
// dropped through the mech, fliers and redrops, the level search, the record packed into the
// image, the log, and the ways a run ends early.
#include "platform/filefaults.h"
#include "tests/ardwell/road.h"


using ardwell_test::Raw;
using ardwell_test::Road;
namespace mb = plat::mb;

namespace {

const Raw kCoin{1000, 1100, 800, 300, 400, 350, 150};
const int kWorkedRecord[13] = {0x44, 0x44, 0x40, 0x3B, 0x93, 0xF3, 0xA8, 0x15, 0x12, 0x70, 0x91, 0x47, 0x1F};

std::vector<Raw> coins(int n, const Raw& r = kCoin) { return std::vector<Raw>(std::size_t(n), r); }

// The coin with one raw value 40 % high: a flier in both passes.
Raw flier(int value = 2)
{
    Raw r = kCoin;
    r[std::size_t(value)] = r[std::size_t(value)] * 14 / 10;
    return r;
}

void startRun(Road& r) { r.click("cmdCoinData"); }

// Programme mode with "Log Results" ticked and three coins on their way for a run of three.
bool loggedRunOfThree(Road& r)
{
    if (!r.enterProgramme())
        return false;
    r.view().setValue("chkLogging", 1);
    r.view().setText("cmbCoinCount", "3");
    r.dropCoins(coins(3));
    return true;
}

bool controlsBack(Road& r)
{
    return r.view().isEnabled("cmdCoinData") && r.view().isEnabled("cmbCoinNumber") &&
           !r.view().isVisible("cmdCancelOp") && r.view().isVisible("cmdExitProgramme");
}

} // namespace

TEST(Gathering, TwentyEqualCoinsOnA126AreLearnedWrittenAndVerified)
{
    Road r("126");
    ASSERT_TRUE(r.enterProgramme());
    r.ts.writeFile("accept.wav", "RIFF");
    r.mech.setWord(31, 0x00AA); // channel 2's byte of the first record word stays
    r.setWord(31, 0x00AA);
    r.dropCoins(coins(20));
    const auto from = r.sent().size();
    r.ts.dialogs->answer(mb::OK, "Data Gathered");
    startRun(r);

    ASSERT_EQ(r.ts.dialogs->boxes().size(), 1u);
    EXPECT_EQ(r.ts.dialogs->boxes()[0].title, "Coin Data");
    EXPECT_EQ(r.ts.dialogs->boxes()[0].style, mb::OKOnly);
    // "&", the two requests, then a message understood for each of the 20 coins' six frames.
    const QByteArray wire = r.sent().mid(from);
    EXPECT_TRUE(wire.startsWith("&\rFF61246" "48E00"));
    r.ts.sched->advance(100); // the last answer on its way
    EXPECT_EQ(r.mech.acknowledgements(), 120);
    EXPECT_EQ(r.ts.sound->played.size(), 20u);
    for (int i = 0; i < 13; ++i)
        EXPECT_EQ(r.word(31 + i) >> 8, kWorkedRecord[i]) << i;
    EXPECT_EQ(r.word(31) & 0xFF, 0xAA);
    EXPECT_EQ(r.bench().windowLevel, 4);
    EXPECT_EQ(r.bench().windowLimits[0], 953);
    EXPECT_EQ(r.bench().windowLimits[7], 358);
    EXPECT_TRUE(r.job().imageModified());
    EXPECT_EQ(r.view().text("cmbCoinNumber"), "Channel 2");
    EXPECT_EQ(r.view().text("lblCoinCount"), " 0");
    EXPECT_EQ(r.view().fill("shpCoinWindow", 0), 0x0000FFu);
    EXPECT_TRUE(controlsBack(r));

    // Written and verified: the mech now holds the learned record.
    r.ts.dialogs->answer(mb::OK, "Verify OK");
    r.click("cmdProg");
    for (int i = 0; i < 13; ++i)
        EXPECT_EQ(r.mech.word(31 + i) >> 8, kWorkedRecord[i]) << i;
    EXPECT_EQ(r.mech.word(0) & 0x0100, 0); // channel 1 enabled
    EXPECT_FALSE(r.job().imageModified());
}

TEST(Gathering, HopperCoinsOfEachModelFallInsideTheWindowLearnedFromThem)
{
    for (const char* model : {"126", "330", "340", "560", "PCA"}) {
        SCOPED_TRACE(model);
        Road r(model);
        ASSERT_TRUE(r.enterProgramme());
        r.mech.setGatheringKind(sim::Coin3);
        r.view().setValue("chkHopper", 1);
        r.ts.dialogs->answer(mb::OK, "Data Gathered");
        startRun(r);
        EXPECT_TRUE(r.ts.dialogs->allAnswersUsed());
        EXPECT_GE(r.box.hopperPulses(), 20);
        const bool m126 = QString(model) == "126";
        const auto spread = sim::parameterSpread(m126, sim::Coin3, r.bench().windowLevel);
        for (int k = 0; k < 4; ++k) {
            EXPECT_LT(r.bench().windowLimits[2 * k], spread[k].mean) << k;
            EXPECT_GT(r.bench().windowLimits[2 * k + 1], spread[k].mean) << k;
        }
        EXPECT_EQ(r.word(m126 ? 31 : 34) >> 8, 0x44);
    }
}

TEST(Gathering, ACoinWhoseLastFrameIsLostIsWaitedForInVain)
{
    Road r("330");
    ASSERT_TRUE(r.enterProgramme());
    r.mech.setFault(sim::ArdwellMech::Fault::LastFrameLost, sim::When::always());
    r.view().setValue("chkHopper", 1);
    r.ts.dialogs->answer(mb::OK, "Data Gathering Timeout");
    const plat::Millis t0 = r.ts.sched->nowMs();
    startRun(r);
    EXPECT_GE(r.ts.sched->nowMs() - t0, 60000);
    EXPECT_EQ(r.bench().readingCount(), 0);
    EXPECT_EQ(r.box.hopperPulses(), 1);
}

TEST(Gathering, ThreeFliersOfTwentyGoWithoutABox)
{
    Road r("330");
    ASSERT_TRUE(r.enterProgramme());
    std::vector<Raw> drop = coins(20);
    drop[2] = flier(2);
    drop[9] = flier(0);
    drop[15] = flier(5);
    r.dropCoins(drop);
    r.ts.dialogs->answer(mb::OK, "Data Gathered");
    startRun(r);
    EXPECT_EQ(r.ts.dialogs->boxes().size(), 1u);
    EXPECT_EQ(r.bench().readingCount(), 17);
    EXPECT_EQ(r.view().text("cmbCoinNumber"), "Channel 2");
}

TEST(Gathering, TwelveCoinsWithFourFliersAskForTwoMore)
{
    Road r("330");
    ASSERT_TRUE(r.enterProgramme());
    r.view().setText("cmbCoinCount", "12");
    std::vector<Raw> drop = coins(14);
    for (int i : {1, 4, 7, 10})
        drop[std::size_t(i)] = flier(3);
    r.dropCoins(drop);
    r.ts.dialogs->answer(mb::OK, " 4 Coin Fliers detected\r\nNeed to redrop  2 Coins\r\n\r\n"
                                 "Press OK to accept Elimination of Fliers\r\n\r\nPress CANCEL to Skip Elimination");
    r.ts.dialogs->answer(mb::OK, "Data Gathered");
    startRun(r);
    EXPECT_TRUE(r.ts.dialogs->allAnswersUsed());
    EXPECT_EQ(r.ts.dialogs->boxes()[0].title, "Data Error");
    EXPECT_EQ(r.ts.dialogs->boxes()[0].style, mb::OKCancel | mb::Exclamation);
    EXPECT_EQ(r.bench().readingCount(), 10);
    EXPECT_TRUE(r.queue.empty());
}

TEST(Gathering, CancelAtTheFlierBoxKeepsEveryReading)
{
    Road r("330");
    ASSERT_TRUE(r.enterProgramme());
    r.view().setText("cmbCoinCount", "12");
    std::vector<Raw> drop = coins(12);
    for (int i : {1, 4, 7, 10})
        drop[std::size_t(i)] = flier(3);
    r.dropCoins(drop);
    r.ts.dialogs->answer(mb::Cancel, "Need to redrop  2 Coins");
    r.ts.dialogs->answer(mb::OK, "Data Gathered");
    // The fliers kept widen the LFF window beyond its byte.
    r.ts.dialogs->answer(mb::OK, "Range value too large, parameter 3");
    startRun(r);
    EXPECT_EQ(r.bench().readingCount(), 12);
}

TEST(Gathering, EightCoinsWithFourFliersStartAgain)
{
    Road r("330");
    ASSERT_TRUE(r.enterProgramme());
    r.view().setText("cmbCoinCount", "8");
    std::vector<Raw> drop = coins(16);
    for (int i : {0, 1, 2, 3})
        drop[std::size_t(2 * i)] = flier(i);
    r.dropCoins(drop);
    r.ts.dialogs->answer(mb::OK, " 4 Coin Fliers detected\r\nNeed to redrop  8 Coins");
    r.ts.dialogs->answer(mb::OK, "Data Gathered");
    startRun(r);
    EXPECT_EQ(r.bench().readingCount(), 8);
    EXPECT_TRUE(r.queue.empty());
}

TEST(Gathering, ACoinWithAZeroValueIsNotCounted)
{
    Road r("330");
    ASSERT_TRUE(r.enterProgramme());
    r.view().setText("cmbCoinCount", "3");
    Raw zero = kCoin;
    zero[6] = 0;
    r.dropCoins({kCoin, zero, kCoin});
    // Two coins in, the third still missing: the wait times out with one coin left to drop.
    r.ts.dialogs->answer(mb::OK, "Data Gathering Timeout");
    startRun(r);
    EXPECT_EQ(r.bench().readingCount(), 2);
    EXPECT_EQ(r.view().text("lblCoinCount"), " 1");
    EXPECT_EQ(r.view().text("cmbCoinNumber"), "Channel 1"); // no window learned
    EXPECT_FALSE(r.job().imageModified());
}

TEST(Gathering, NoCoinForSixtySecondsIsATimeout)
{
    Road r("330");
    ASSERT_TRUE(r.enterProgramme());
    const QList<int> before = {r.word(34), r.word(35)};
    r.ts.dialogs->answer(mb::OK, "Data Gathering Timeout");
    const plat::Millis t0 = r.ts.sched->nowMs();
    startRun(r);
    const plat::Millis took = r.ts.sched->nowMs() - t0;
    EXPECT_GE(took, 60000);
    EXPECT_LT(took, 63000);
    EXPECT_EQ((QList<int>{r.word(34), r.word(35)}), before);
    EXPECT_TRUE(controlsBack(r));
}

TEST(Gathering, CancelEndsTheWaitAtOnceWithoutAMessage)
{
    Road r("330");
    ASSERT_TRUE(r.enterProgramme());
    r.dropCoins(coins(3));
    r.ts.sched->callAfter(6000, [&] {
        EXPECT_TRUE(r.view().isVisible("cmdCancelOp"));
        EXPECT_FALSE(r.view().isEnabled("cmdCoinData"));
        r.click("cmdCancelOp");
    });
    const plat::Millis t0 = r.ts.sched->nowMs();
    startRun(r);
    EXPECT_LT(r.ts.sched->nowMs() - t0, 7000);
    EXPECT_TRUE(r.ts.dialogs->boxes().empty());
    EXPECT_FALSE(r.job().imageModified());
    EXPECT_TRUE(controlsBack(r));
}

TEST(Gathering, ARequestTheBoxDoesNotTakeEndsTheRunSilentlyAfterItsHopperPulse)
{
    Road r("330");
    ASSERT_TRUE(r.enterProgramme());
    r.view().setValue("chkHopper", 1);
    r.box.setFault(sim::ArdwellBox::Fault::FrameNotTaken, sim::When::always());
    const auto from = r.sent().size();
    startRun(r);
    EXPECT_TRUE(r.ts.dialogs->boxes().empty());
    const QStringList sent = r.commandsSince(from);
    EXPECT_EQ(sent, QStringList({"&", "frame", "frame", "+"}));
    EXPECT_EQ(r.box.hopperPulses(), 1);
    EXPECT_TRUE(controlsBack(r));
}

TEST(Gathering, ASpreadThatOnlyFitsAtLevel3OnA126)
{
    Road r("126");
    ASSERT_TRUE(r.enterProgramme());
    r.view().setValue("OptbiMetallic", 1); // LF values never mark a bi-metallic coin a flier
    r.view().setText("cmbCoinCount", "10");
    Raw wide = kCoin;
    wide[4] = 925; // LF sum 1125 against 600: an LFA spread of 300 at level 4, 225 at level 3
    std::vector<Raw> drop;
    for (int i = 0; i < 10; ++i)
        drop.push_back(i % 2 ? wide : kCoin);
    r.dropCoins(drop);
    r.ts.dialogs->answer(mb::OK, "Data Gathered");
    startRun(r);
    EXPECT_EQ(r.bench().windowLevel, 3);
    EXPECT_EQ(r.word(32) >> 8, 0x33);
    EXPECT_EQ(r.word(33) >> 12, 3);
}

TEST(Gathering, APcaChannel15IsRefusedAfterTheDataIsGathered)
{
    Road r("PCA");
    // A PCA keeps the lists of the model before it: 16 channels after a 126.
    r.view().setValue("opt126", 1);
    r.view().setValue("optPCA", 1);
    ASSERT_TRUE(r.enterProgramme());
    r.view().setValue("cmbCoinNumber", 14);
    r.view().setText("cmbCoinCount", "1");
    r.dropCoins(coins(1));
    const auto image = r.job().image();
    r.ts.dialogs->answer(mb::OK, "Data Gathered");
    r.ts.dialogs->answer(mb::OK, "Invalid coin number selected");
    startRun(r);
    EXPECT_EQ(r.ts.dialogs->boxes()[1].style, mb::Critical | mb::OKOnly | mb::SystemModal);
    EXPECT_EQ(r.job().image(), image);
    EXPECT_EQ(r.view().text("cmbCoinNumber"), "Channel 16");
}

TEST(Gathering, ACountTheRunCannotHoldIsRefusedBeforeAnythingIsSent)
{
    Road r("330");
    ASSERT_TRUE(r.enterProgramme());
    for (const char* count : {"0", "abc", "101", "-5", ""}) {
        const auto from = r.sent().size();
        r.view().setText("cmbCoinCount", count);
        r.ts.dialogs->answer(mb::OK, "Number of coins must be 1 to 100");
        startRun(r);
        EXPECT_EQ(r.sent().size(), from) << count;
        EXPECT_FALSE(r.job().imageModified());
    }
    EXPECT_EQ(r.ts.dialogs->boxes().back().title, "Coin Data");
    EXPECT_TRUE(controlsBack(r));
}

TEST(Gathering, TheLogOfARun)
{
    Road r("126", "KOLVAR_TRACE_604913");
    ASSERT_TRUE(r.enterProgramme());
    ASSERT_TRUE(r.view().isVisible("chkLogging"));
    r.view().setValue("chkLogging", 1);
    r.view().setText("cmbCoinCount", "3");
    r.dropCoins(coins(3));
    r.ts.dialogs->answerFile(r.ts.folder() + "/run.log");
    r.ts.dialogs->answer(mb::OK, "Data Gathered");
    startRun(r);
    ASSERT_EQ(r.ts.dialogs->fileDialogs.size(), 1u);
    EXPECT_EQ(r.ts.dialogs->fileDialogs[0], "save|Open Log File|*.csv|" + r.ts.folder());

    QStringList want{"\"HFTA\",\"HFTB\",\"HFD\",\"LFF\",\"LF P1\",\"LF P2\",\"LF Trough\""};
    for (int i = 0; i < 3; ++i)
        want << "1000,1100,800,300,400,350,150,\"\"";
    want << "\"HFT\",\"HFD\",\"LFF\",\"LFA\"";
    for (int i = 0; i < 3; ++i)
        want << "964,947,300,343,\"\"";
    want << "\"\",\"Mean\",\"SD Lower\",\"SD Upper\",\"Lowest\",\"Highest\",\"Range\""
         << "\"HFT\",964,0.1,0.1,964,964,0" << "\"HFD\",947,0.1,0.1,947,947,0" << "\"LFF\",300,0.1,0.1,300,300,0"
         << "\"LFA\",343,0.1,0.1,343,343,0" << "\"\""
         << "\"\",\"Low Limit\",\"High Limit\",\"Mean\",\"Range\"" << "\"HFT\",953,1016,985,63"
         << "\"HFD\",936,957,947,21" << "\"LFF\",295,304,300,9" << "\"LFA\",327,358,343,31" << "\"\"";
    EXPECT_EQ(r.fileLines("run.csv"), want);
}

TEST(Gathering, ALogThatCannotBeCreatedIsSaidOnceAndTheRunGoesOnWithoutIt)
{
    Road r("126", "KOLVAR_TRACE_604913");
    ASSERT_TRUE(loggedRunOfThree(r));
    r.ts.dialogs->answerFile(r.ts.folder() + "/gone/run");
    r.ts.dialogs->answer(mb::OK, "The log file " + QDir::toNativeSeparators(r.ts.folder() + "/gone/run.csv") +
                                     " cannot be created\r\n\r\nCoin data is gathered without a log");
    r.ts.dialogs->answer(mb::OK, "Data Gathered");
    startRun(r);
    EXPECT_TRUE(r.ts.dialogs->allAnswersUsed());
    ASSERT_EQ(r.ts.dialogs->boxes().size(), 2u);
    EXPECT_EQ(r.ts.dialogs->boxes()[0].style, mb::OKOnly | mb::Exclamation);
    EXPECT_EQ(r.ts.dialogs->boxes()[0].title, "Warning");
    for (int i = 0; i < 13; ++i)
        EXPECT_EQ(r.word(31 + i) >> 8, kWorkedRecord[i]) << i;
    EXPECT_TRUE(r.job().imageModified());
    EXPECT_FALSE(QDir(r.ts.folder() + "/gone").exists());
    EXPECT_TRUE(controlsBack(r));
}

TEST(Gathering, ALogWriteThatFailsMidRunIsSaidOnceAndTheRunGoesOn)
{
    Road r("126", "KOLVAR_TRACE_604913");
    ASSERT_TRUE(loggedRunOfThree(r));
    // After the first coin the log's file is taken away, a folder left in its place.
    r.ts.sched->callAfter(2000, [&] {
        QFile::remove(r.ts.folder() + "/run.csv");
        QDir(r.ts.folder()).mkdir("run.csv");
    });
    r.ts.dialogs->answerFile(r.ts.folder() + "/run.csv");
    r.ts.dialogs->answer(mb::OK, "Error Collecting Coin Data routine :  \r\n" +
                                     QDir::toNativeSeparators(r.ts.folder() + "/run.csv") + ": Is a directory - 75");
    r.ts.dialogs->answer(mb::OK, "Data Gathered");
    startRun(r);
    EXPECT_TRUE(r.ts.dialogs->allAnswersUsed());
    EXPECT_EQ(r.ts.dialogs->boxes().size(), 2u);
    for (int i = 0; i < 13; ++i)
        EXPECT_EQ(r.word(31 + i) >> 8, kWorkedRecord[i]) << i;
    EXPECT_TRUE(controlsBack(r));
}

TEST(Gathering, ALogOnADiskThatFillsIsSaidOnceKeepsItsWholeRecordsAndTheRunGoesOn)
{
    Road r("126", "KOLVAR_TRACE_604913");
    ASSERT_TRUE(loggedRunOfThree(r));
    // The log the user agrees to replace, alone on a disk that fills in the second coin's record.
    r.ts.writeFile("logs/run.csv", QByteArray(6000, 'x'));
    const QByteArray kept = "\"HFTA\",\"HFTB\",\"HFD\",\"LFF\",\"LF P1\",\"LF P2\",\"LF Trough\"\r\n"
                            "1000,1100,800,300,400,350,150,\"\"\r\n";
    plat::FileFaults faults;
    faults.diskRoom(r.ts.folder() + "/logs", kept.size() + 12);
    const QString log = r.ts.folder() + "/logs/run.csv";
    const QString full = "Error Collecting Coin Data routine :  \r\n" + QDir::toNativeSeparators(log) +
                         ": No space left on device - 75";
    r.ts.dialogs->answerFile(log);
    r.ts.dialogs->answer(mb::OK, "Overwrite Existing File");
    r.ts.dialogs->answer(mb::OK, full);
    r.ts.dialogs->answer(mb::OK, "Data Gathered");
    startRun(r);
    EXPECT_TRUE(r.ts.dialogs->allAnswersUsed());
    ASSERT_EQ(r.ts.dialogs->boxes().size(), 3u);
    EXPECT_EQ(r.ts.dialogs->boxes()[1].text.toStdString(), full.toStdString());
    EXPECT_EQ(r.ts.readFile("logs/run.csv").toStdString(), kept.toStdString()) << "no record left cut";
    for (int i = 0; i < 13; ++i)
        EXPECT_EQ(r.word(31 + i) >> 8, kWorkedRecord[i]) << i;
    EXPECT_TRUE(r.job().imageModified());
    EXPECT_TRUE(controlsBack(r));
}

TEST(Gathering, ACancelledLogDialogStartsNoRun)
{
    Road r("330", "KOLVAR_TRACE_604913");
    ASSERT_TRUE(r.enterProgramme());
    r.view().setValue("chkLogging", 1);
    r.ts.dialogs->answerFile(QString());
    const auto from = r.sent().size();
    startRun(r);
    EXPECT_EQ(r.sent().size(), from);
    EXPECT_FALSE(r.ts.fileExists(".csv"));
    EXPECT_TRUE(controlsBack(r));
}

TEST(Gathering, ExitDuringTheCoinWaitDoesNotSitItOut)
{
    Road r("330");
    ASSERT_TRUE(r.enterProgramme());
    r.ts.sched->callAfter(3000, [&] { r.win().requestClose(); });
    const plat::Millis t0 = r.ts.sched->nowMs();
    startRun(r);
    EXPECT_THROW(r.ts.sched->advance(1000), plat::ProgramEnded);
    EXPECT_LT(r.ts.sched->nowMs() - t0, 8000);
    EXPECT_TRUE(r.ts.dialogs->boxes().empty());
    EXPECT_EQ(r.ts.readFile("config.txt"), QByteArray("3,\"330\"\r\n"));
}

TEST(Gathering, NoiseInTheCoinFramesNeverReachesPastTheTables)
{
    Road r("330");
    ASSERT_TRUE(r.enterProgramme());
    r.view().setText("cmbCoinCount", "100");
    // Coins whose frames carry any 14-bit fields, and reference values of any sign.
    quint32 seed = 12345;
    auto next = [&] {
        seed = seed * 1103515245u + 12345u;
        return int((seed >> 8) & 0x3FFF);
    };
    for (int c = 0; c < 100; ++c) {
        r.ts.sched->callAfter(1000 + 700 * c, [&, c] {
            std::array<int, 7> reading{};
            std::array<int, 5> base{};
            for (int& v : reading)
                v = next();
            for (int& v : base)
                v = next() - 8192;
            r.mech.sendCoinData(reading, base);
            r.mech.sendReference(c % 5, next() * 4 - 32768);
        });
    }
    r.ts.dialogs->answerWith([](const testing_support::BoxRecord&) { return mb::OK; });
    for (int i = 0; i < 20; ++i)
        r.ts.dialogs->answerWith([](const testing_support::BoxRecord&) { return mb::OK; });
    startRun(r);
    EXPECT_LE(r.bench().readingCount(), ardwell::kMaxReadings);
    EXPECT_TRUE(controlsBack(r));
    for (int a = 128; a <= 512; ++a)
        EXPECT_EQ(r.word(a), 0) << a;
}

TEST(Gathering, AModuleTypeChosenForA126IsNotAppliedToA330)
{
    Road r("330");
    // Type "2" chosen while a 126 was on the bench: its frame shows for a 126 only.
    r.view().setValue("opt126", 1);
    r.view().setValue("optOld", 1);
    r.view().setValue("opt330", 1);
    ASSERT_TRUE(r.enterProgramme());
    EXPECT_FALSE(r.view().isVisible("frmOld"));
    EXPECT_EQ(r.view().value("optNormal"), 1);
    r.view().setText("cmbCoinCount", "10");
    r.dropCoins(coins(10));
    r.ts.dialogs->answer(mb::OK, "Data Gathered");
    startRun(r);
    // HFD is 7/8 of 800: the window holds 700, as the mech measures the coin.
    EXPECT_EQ(r.bench().windowLimits[2], 666);
    EXPECT_EQ(r.bench().windowLimits[3], 710);
}

TEST(Gathering, ARedropCancelledAfterATimeOutEndsAsATimeOut)
{
    Road r("330");
    ASSERT_TRUE(r.enterProgramme());
    r.view().setText("cmbCoinCount", "20");
    std::vector<Raw> drop = coins(15);
    drop[3] = flier(2);
    drop[8] = flier(0);
    r.dropCoins(drop);
    const auto image = r.job().image();
    r.ts.dialogs->answer(mb::Cancel, " 2 Coin Fliers detected\r\nNeed to redrop  5 Coins");
    r.ts.dialogs->answer(mb::OK, "Data Gathering Timeout");
    startRun(r);
    EXPECT_TRUE(r.ts.dialogs->allAnswersUsed());
    EXPECT_EQ(r.ts.dialogs->boxes().size(), 2u);
    EXPECT_EQ(r.job().image(), image);
    EXPECT_FALSE(r.job().imageModified());
    EXPECT_EQ(r.view().text("cmbCoinNumber"), "Channel 1");
    EXPECT_TRUE(controlsBack(r));
}
