// "Run Coinset File" through the whole program on virtual time: the file and log names, the
// generic set's notice, the header and idle checks, the gather prompt's three answers, windows
// that widen, too many records for a channel or the slugs, reference-derived windows, the user's
// cancel, a box that hangs up, and every broken sample set refused with one box before anything
// is sent.
#include "platform/filefaults.h"
#include "platform/textfile.h"
#include "sim/marssocket.h"
#include "tests/quenby/clone_fixture.h"

namespace {

using namespace quenby_tests;

// A Mars set: line 2 of a 2K PROM with segments 1 and 2, the idle limits given, then records.
QByteArray marsSet(const QStringList& records, const QString& idles = "400,700,900,1200,1800,2300")
{
    QStringList lines{"\"Mars.ME111\",\"Test set\",\"TS001\",\"T01\"", "\"2K\",1,1,0,0," + idles};
    lines << records;
    return plat::toCp1252(lines.join("\r\n") + "\r\n");
}
// Three readings of a Mars coin that every rule keeps.
const Readings kThree = {{1000, 1500, 2000}, {1002, 1501, 2003}, {999, 1499, 1998}};
const QString kFixedCd = "CD,%1,%2,3,F,%3,F,%4,10,F,1500,F,1600,10,F,2000,F,2100,10";

struct RunTest : CloneTest {
    qint32 table(int coin, int column) { return p->memory.coins.coinLimitTable(coin, column); }
    std::vector<qint32> window(int coin)
    {
        std::vector<qint32> out;
        for (int k = 1; k <= 6; ++k)
            out.push_back(table(coin, k));
        return out;
    }
    // The end of a run that reaches the transfer, with the copy prompts when the set keeps data.
    void complete(bool copy)
    {
        answer(plat::mb::OK, "Data Gathering Complete");
        if (copy) {
            answer(plat::mb::OK, "Insert Old PROM to COPY");
            answer(plat::mb::OK, "Remove OLD PROM from Socket");
        }
    }
};

TEST_F(RunTest, ATextFileNameOpensTheCoinSetOfThatName)
{
    openMars();
    writeCoinSet("tiny.cst", marsSet({kFixedCd.arg("Coin", "A1").arg(1000).arg(1100)}));
    writeCoinSet("tiny.txt", "not a coin set");
    answerFile(ts.folder() + "/CoinSets/tiny.txt");
    gatherYes("Coin", kThree);
    complete(false);
    press(w(), "cmdOpenCoinset");
    EXPECT_EQ(ts.dialogs->fileDialogs.at(0).toStdString(),
              ("open|Open Coinset File|*.cst|" + ts.folder() + "/CoinSets/").toStdString());
    EXPECT_EQ(window(1), (std::vector<qint32>{1000, 1100, 1500, 1600, 2000, 2100}));
    EXPECT_TRUE(editorShown());
}

TEST_F(RunTest, CoinsDroppedUpdateThePanelLive)
{
    openMars();
    writeCoinSet("live.cst", marsSet({"CD,Coin,A1,3,3,0,3,0,10,L,-3,H,3,10,F,2000,F,2100,10"}));
    answerFile(coinSet("live.cst"));
    QStringList seen;
    ts.dialogs->answerWith([&](const testing_support::BoxRecord&) {
        dropLater(kThree);
        // Between the second and the third coin.
        ts.sched->callAfter(2 * kDropGapMs + 700, [&] {
            seen << w().text("lblNumber") << w().text("lblMeas", 0) << w().text("lblMean", 0) << w().text("lblLH", 2)
                 << w().text("lblSrc", 2) << w().text("lblLimits", 5) << w().text("lblCoin");
        });
        return plat::mb::Yes;
    });
    answer(plat::mb::OK, "Gathered Coin Coin");
    complete(false);
    press(w(), "cmdOpenCoinset");
    EXPECT_EQ(seen, (QStringList{" 1", " 1002", "1001.0", " 1500", "Low", " 2100", "A1"}));
}

TEST_F(RunTest, CancelledFileDialogAndMissingFile)
{
    openMars();
    answerFile("");
    press(w(), "cmdOpenCoinset");
    EXPECT_EQ(boxesShown(), 0);
    answerFile(ts.folder() + "/CoinSets/none.cst");
    answer(plat::mb::OK, "Invalid Filename");
    press(w(), "cmdOpenCoinset");
    EXPECT_EQ(ts.dialogs->boxes().back().style, plat::mb::Critical);
    EXPECT_EQ(sent(), "");
    EXPECT_TRUE(w().isEnabled("cmdOpenCoinset"));
}

TEST_F(RunTest, GenericSetShowsItsNoticeByTheFileNameInAnyCase)
{
    openMeasure("335", "cmbCCmech", "cmdCCprog");
    QFile::copy(coinSet("QZ335.cst"), coinSet("qz335.cst"));
    answerFile(coinSet("qz335.cst"));
    answer(plat::mb::Cancel);
    press(w(), "cmdOpenCoinset");
    ASSERT_EQ(boxesShown(), 1);
    const auto& b = ts.dialogs->boxes()[0];
    EXPECT_EQ(b.text.toStdString(),
              "Important:\r\n\r\nDue to variations between coin validators, no guarantee is given\r\n"
              "or implied as to the specific performance of mechanisms programmed\r\n"
              "using this generic coinset. Please verify that the coin discrimination\r\n"
              "after programming is satisfactory for your application\r\n\r\nClick OK to proceed");
    EXPECT_EQ(b.style, plat::mb::OKCancel | plat::mb::Information);
    EXPECT_EQ(sent(), "") << "declined before anything is sent";

    // A folder named QZ... does not count.
    QDir(ts.folder()).mkpath("QZsets");
    ts.writeFile("QZsets/set.cst", "\"CC.335\",\"t\",\"r\",\"v\"\r\n\"-\"\r\n"
                                   "CD,5p,Coin 01,10,M,-12,M,12,10,L,-3,H,3,15,3,0,3,0,20\r\n");
    answerFile(ts.folder() + "/QZsets/set.cst");
    answer(plat::mb::Cancel, "Press YES to PROGRAM new coin");
    answer(plat::mb::OK, "Data Gathering Complete");
    press(w(), "cmdOpenCoinset");
    EXPECT_EQ(boxTitles().mid(1), (QStringList{"Data Gather: 5p", "Complete"}));
    EXPECT_TRUE(editorShown());
}

TEST_F(RunTest, AnotherFamilysSetShowsBothMessagesSendsJAndRestoresTheModel)
{
    openMars();
    writeCoinSet("cc.cst", "\"CC.ME181\",\"x\",\"y\",\"z\"\r\n\"-\"\r\n");
    answerFile(coinSet("cc.cst"));
    answer(plat::mb::OK, "Invalid Coin Mech Type: ME181");
    answer(plat::mb::OK, "Invalid Coin Mech Manufacturer: CC");
    press(w(), "cmdOpenCoinset");
    EXPECT_EQ(boxTitles(), (QStringList{"Warning", "Warning"}));
    EXPECT_EQ(sent(), "J") << "no W after a refused header";
    EXPECT_EQ(w().text("lblmechType"), "ME111");
    EXPECT_EQ(w().text("cmdBack"), "Back to Main Window");
    EXPECT_TRUE(w().isEnabled("cmdOpenCoinset"));
    EXPECT_TRUE(w().isEnabled("cmdSpecialUtilities"));
    EXPECT_FALSE(p->coinStats().runActive);

    // The right family with a model its list lacks shows the first message only.
    writeCoinSet("mars.cst", "\"Mars.ME999\",\"x\",\"y\",\"z\"\r\n\"2K\",1,0,0,0,1,2,3,4,5,6\r\n");
    answerFile(coinSet("mars.cst"));
    answer(plat::mb::OK, "Invalid Coin Mech Type: ME999");
    press(w(), "cmdOpenCoinset");
    EXPECT_EQ(boxesShown(), 3);
    // A wizard after a refused header works on the job's model.
    EXPECT_EQ(p->job.mechModel, "ME111");
}

TEST_F(RunTest, BinaryFileIsNamedNotACoinSetInOneWarning)
{
    openMars();
    writeCoinSet("bin.cst", QByteArray("\x89PNG\r\n\x1a\n") + QByteArray(3, '\0') + "\rIHDR,x.y\r\n");
    answerFile(coinSet("bin.cst"));
    answer(plat::mb::OK);
    press(w(), "cmdOpenCoinset");
    ASSERT_EQ(boxesShown(), 1);
    EXPECT_EQ(ts.dialogs->boxes()[0].text, "Invalid Coin Mech Type: not a coin set file");
    EXPECT_EQ(ts.dialogs->boxes()[0].title, "Warning");
    EXPECT_EQ(w().text("lblmechType"), "ME111");
    EXPECT_TRUE(w().isEnabled("cmdOpenCoinset"));
}

TEST_F(RunTest, IdleOnItsLimitPassesAndOneAboveFailsBeforeTheFirstRecord)
{
    openMars();
    box.idles = {300, 1000, 2000};
    writeCoinSet("idle.cst", marsSet({kFixedCd.arg("Coin", "A1").arg(1000).arg(1100)},
                                     "100,300,900,1200,1800,2300"));
    answerFile(coinSet("idle.cst"));
    gatherYes("Coin", kThree);
    complete(false);
    press(w(), "cmdOpenCoinset");
    EXPECT_TRUE(editorShown());

    press(ed(), "cmdBack1");
    clearSent();
    box.idles = {301, 1000, 2000};
    answerFile(coinSet("idle.cst"));
    answer(plat::mb::OK);
    press(w(), "cmdOpenCoinset");
    const auto& b = ts.dialogs->boxes().back();
    EXPECT_EQ(b.title, "Error");
    EXPECT_EQ(b.style, plat::mb::Critical);
    EXPECT_EQ(b.text.toStdString(),
              "Error: Sensor Idle readings out of Limits\r\n\r\nIdles:       Readings:     301              1000"
              "              2000             \r\nIdles:       [ 100   300  ]  [ 900   1200  ]  [ 1800   2300  ]  "
              "\r\n\r\nCause:  Incorrect mech type selected or faulty validator");
    EXPECT_FALSE(editorShown());
    EXPECT_TRUE(sent().endsWith("YW")) << "no record after the idles";
    EXPECT_EQ(w().text("cmdBack"), "Back to Main Window");
}

TEST_F(RunTest, ASetWithoutCoRecordsAfterAWizardCopiesNoOldProm)
{
    openMars();
    editMars(); // the wizard keeps the mech's windows: the old PROM is copied
    press(ed(), "cmdBack1");
    socket->insert(sim::MarsSocket::typicalProm("ME111", 256));
    const int reads = socket->reads();
    const int boxes = boxesShown();
    clearSent();
    writeCoinSet("new.cst", marsSet({kFixedCd.arg("Coin", "A1").arg(1000).arg(1100)}));
    answerFile(coinSet("new.cst"));
    gatherYes("Coin", kThree);
    complete(false);
    press(w(), "cmdOpenCoinset");
    EXPECT_TRUE(editorShown());
    EXPECT_FALSE(boxTitles().mid(boxes).contains("Copy PROM"));
    EXPECT_EQ(socket->reads(), reads) << "nothing is read from the socket";
    EXPECT_TRUE(p->memory.images.oldImage == quenby::Image{}) << "the images as the run cleared them";
}

TEST_F(RunTest, AnMs1400SettlesASecondBeforeItsIdlesAreAskedFor)
{
    openMars("MS1400");
    writeCoinSet("t.cst", "\"Mars.MS1400\",\"t\",\"T\",\"1\"\r\n\"1K\",1,0,0,0,400,700,900,1200,1800,2300\r\n" +
                              plat::toCp1252(kFixedCd.arg("Coin", "A1").arg(1000).arg(1100)) + "\r\n");
    answerFile(coinSet("t.cst"));
    answer(plat::mb::Cancel, "Press YES");
    complete(false);
    press(w(), "cmdOpenCoinset");
    const plat::Millis pause = sentAt("Y").at(0) - sentAt("I").at(0);
    EXPECT_GE(pause, 980);
    EXPECT_LT(pause, 1100);
    EXPECT_EQ(p->memory.promSize, 0);
}

TEST_F(RunTest, AnUnansweredIdleRequestFailsTheCheck)
{
    openMars();
    writeCoinSet("idle.cst", marsSet({kFixedCd.arg("Coin", "A1").arg(1000).arg(1100)}, "0,700,0,1200,0,2300"));
    answerFile(coinSet("idle.cst"));
    // Values left from an earlier answer would pass; without an answer nothing does.
    p->state.idleValues = {500, 500, 500};
    box.setFault(sim::QuenbyBox::Fault::IdleUnanswered, sim::When::always());
    answer(plat::mb::OK, "Readings:     0              0              0");
    press(w(), "cmdOpenCoinset");
    EXPECT_FALSE(editorShown());
}

TEST_F(RunTest, NoKeepsTheMechsWindowCancelLeavesTheChannelEmpty)
{
    openMars();
    writeCoinSet("nc.cst", marsSet({kFixedCd.arg("A", "A1").arg(1000).arg(1100),
                                     kFixedCd.arg("B", "B1").arg(1000).arg(1100),
                                     kFixedCd.arg("C", "C1").arg(1000).arg(1100)}));
    answerFile(coinSet("nc.cst"));
    answer(plat::mb::No);
    answer(plat::mb::Cancel);
    gatherYes("C", kThree);
    complete(true);
    press(w(), "cmdOpenCoinset");
    const auto old = sim::MarsSocket::typicalWindows(1);
    EXPECT_EQ(window(1), (std::vector<qint32>{old[0].first, old[0].second, old[1].first, old[1].second,
                                              old[2].first, old[2].second}));
    EXPECT_EQ(window(2), (std::vector<qint32>(6, 0)));
    EXPECT_EQ(window(3), (std::vector<qint32>{1000, 1100, 1500, 1600, 2000, 2100}));
    EXPECT_EQ(p->memory.coins.coinLink(1), 1);
    EXPECT_EQ(p->memory.coins.clone.recordRow, 1) << "only the gathered record is stored";
}

TEST_F(RunTest, OverlappingRecordsOfOneChannelWiden)
{
    openMars();
    writeCoinSet("wide.cst", marsSet({kFixedCd.arg("a", "A1").arg(100).arg(120),
                                       kFixedCd.arg("b", "A1").arg(110).arg(130)}));
    answerFile(coinSet("wide.cst"));
    gatherYes("a", kThree);
    gatherYes("b", kThree);
    complete(false);
    press(w(), "cmdOpenCoinset");
    EXPECT_EQ(table(1, 1), 100);
    EXPECT_EQ(table(1, 2), 130);
    EXPECT_EQ(p->memory.coins.coinRecordIndex(1, 0), 2);
}

TEST_F(RunTest, SeventhSlugAndSeventhCoinOfAChannelAreRefusedAndTheRestMapped)
{
    openMars();
    QStringList records;
    for (int i = 0; i < 7; ++i)
        records << kFixedCd.arg("c" + QString::number(i), "A1").arg(100 + i).arg(200 - i);
    for (int i = 0; i < 7; ++i)
        records << "S,s" + QString::number(i) + ",3,5,15,6,15,7,15";
    writeCoinSet("many.cst", marsSet(records));
    answerFile(coinSet("many.cst"));
    for (int i = 0; i < 7; ++i)
        gatherYes("c" + QString::number(i), kThree);
    for (int i = 0; i < 7; ++i)
        gatherYes("s" + QString::number(i), kThree);
    answer(plat::mb::OK, "Data Gathering Complete");
    answer(plat::mb::OK, "Too Many Coins to One Channel");
    answer(plat::mb::OK, "Too Many Slug Records");
    press(w(), "cmdOpenCoinset");
    const auto& boxes = ts.dialogs->boxes();
    EXPECT_EQ(boxes[boxes.size() - 2].style, plat::mb::Exclamation);
    EXPECT_EQ(boxTitles().mid(boxesShown() - 2), (QStringList{"Coinset Error", "Coinset Error"}));
    EXPECT_EQ(table(1, 1), 100) << "the seventh coin (106) is not mapped";
    EXPECT_EQ(table(1, 2), 200);
    EXPECT_EQ(p->memory.coins.slugCount, 6);
    EXPECT_TRUE(editorShown());
}

TEST_F(RunTest, ReferenceMeanGivesItsChannelsWindowsAndAMissingOneLeavesThemUnset)
{
    openMars();
    writeCoinSet("ref.cst",
                 marsSet({"R,ref,R01,10,10,10,10", "CR,derived,B1,R01,-10,R01,12,10,R01,-10,R01,12,10,R01,-10,R01,12,10",
                          "R,ref2,R02,10,10,10,10",
                          "CR,orphan,C1,R02,-10,R02,12,10,R02,-10,R02,12,10,R02,-10,R02,12,10"}));
    answerFile(coinSet("ref.cst"));
    // Mean 250.7 on every parameter: nine 251 and one 248.
    Readings ref(9, Reading{251, 251, 251});
    ref.push_back({248, 248, 248});
    gatherYes("ref", ref);
    answer(plat::mb::Cancel); // R02 is not gathered
    answer(plat::mb::OK, "Data Gathering Complete");
    answer(plat::mb::OK, "Channel 3 needs reference R02");
    press(w(), "cmdOpenCoinset");
    EXPECT_EQ(window(2), (std::vector<qint32>{241, 263, 241, 263, 241, 263}));
    EXPECT_EQ(window(3), (std::vector<qint32>(6, 0)));
    EXPECT_EQ(ts.dialogs->boxes().back().title, "Coinset Error");
}

TEST_F(RunTest, AReferenceLimitBeyondTwelveBitsStaysANibbleInTheImage)
{
    openMars();
    writeCoinSet("big.cst", marsSet({"R,ref,R01,3,10,10,10",
                                      "CR,big,B1,R01,-5000,R01,5000,10,R01,-1,R01,1,10,R01,-1,R01,1,10"}));
    answerFile(coinSet("big.cst"));
    gatherYes("ref", Readings(3, Reading{1000, 1500, 2000}));
    complete(false);
    press(w(), "cmdOpenCoinset");
    const auto& img = p->memory.images.progImage;
    for (int a = 0; a < 512; ++a)
        ASSERT_LE(img[a], 15) << a;
    // Position B (k = 2): the low limit of parameter 1 at word 7, the high limit at word 10.
    EXPECT_EQ(img[7] + 16 * img[8] + 256 * img[9], 0);
    EXPECT_EQ(img[10] + 16 * img[11] + 256 * img[12], 4095);
}

TEST_F(RunTest, CancelOperationStopsTheRunStoresNothingAndLeavesTheWindowIdle)
{
    openMars();
    writeCoinSet("stop.cst", marsSet({kFixedCd.arg("a", "A1").arg(100).arg(120),
                                       kFixedCd.arg("b", "B1").arg(100).arg(120)}));
    answerFile(coinSet("stop.cst"));
    bool disabledAfterCancel = false;
    ts.dialogs->answerWith([&](const testing_support::BoxRecord&) {
        dropLater({kThree[0]});
        ts.sched->callAfter(4000, [&] {
            EXPECT_EQ(w().text("cmdBack"), "Cancel Operation");
            EXPECT_FALSE(w().isEnabled("cmdOpenCoinset"));
            press(w(), "cmdBack");
            disabledAfterCancel = !w().isEnabled("cmdBack");
        });
        return plat::mb::Yes;
    });
    press(w(), "cmdOpenCoinset");
    EXPECT_TRUE(disabledAfterCancel);
    EXPECT_FALSE(editorShown());
    EXPECT_TRUE(measureShown());
    EXPECT_EQ(p->memory.coins.clone.recordRow, 0);
    EXPECT_FALSE(p->job.userAbort) << "left set, it would end the next job's first wait";
    EXPECT_FALSE(p->coinStats().runActive);
    EXPECT_TRUE(w().isEnabled("cmdBack"));
    EXPECT_EQ(w().text("cmdBack"), "Back to Main Window");
    EXPECT_TRUE(sent().endsWith("NIWM")) << sent().constData();
    EXPECT_EQ(boxesShown(), 1) << "no gathered or complete box";
}

TEST_F(RunTest, HangUpMidGatheringIsReportedOnceAndTheRunWaitsForCancel)
{
    openMars();
    writeCoinSet("hang.cst", marsSet({kFixedCd.arg("a", "A1").arg(100).arg(120)}));
    answerFile(coinSet("hang.cst"));
    ts.dialogs->answerWith([&](const testing_support::BoxRecord&) {
        box.setFault(sim::QuenbyBox::Fault::HangUpOnByteOut, sim::When::first(3));
        dropLater(kThree);
        ts.sched->callAfter(30000, [&] { press(w(), "cmdBack"); });
        return plat::mb::Yes;
    });
    answer(plat::mb::OK, "the programmer box hung up");
    press(w(), "cmdOpenCoinset");
    EXPECT_EQ(boxesShown(), 2) << "no gathered, complete or transfer box";
    EXPECT_FALSE(editorShown());
    EXPECT_FALSE(p->coinStats().runActive);
}

TEST_F(RunTest, ALogOnADiskThatFillsIsSaidOnceKeepsItsWholeRowsAndTheRunGoesOn)
{
    openMars();
    writeCoinSet("two.cst", marsSet({kFixedCd.arg("5p", "A1").arg(1000).arg(1100),
                                     kFixedCd.arg("10p", "B1").arg(1200).arg(1300)}));
    // The log the user agrees to replace, alone on a disk that fills in the second coin's row.
    ts.writeFile("Logs/run.csv", QByteArray(6000, 'x'));
    const QByteArray kept = "\"Test set\",\"TS001\",\"T01\"\r\n"
                            "\"2K\",1,1,0,0\r\n"
                            "\"\"\r\n"
                            "\"Idles\",512,1024,2048\r\n"
                            "\"5p\",\"A1\"\r\n"
                            "\"\",\"Thickness\",\"\",\"Diameter\",\"\",\"Material\",\"\",\"\"\r\n"
                            "\"\",1000,\"\",1500,\"\",2000,\"\",\"\"\r\n";
    plat::FileFaults faults;
    faults.diskRoom(ts.folder() + "/Logs", kept.size() + 10);
    const QString log = ts.folder() + "/Logs/run.csv";
    const QString full = " 402 Error Updating latest results :  \r\n" + QDir::toNativeSeparators(log) +
                         ": No space left on device - 75";

    w().setValue("chkLog", 1);
    answerFile(coinSet("two.cst"));
    answerFile(log);
    answer(plat::mb::OK, "Overwrite Existing File");
    ts.dialogs->answerWith([this](const testing_support::BoxRecord&) {
        dropLater(kThree);
        return plat::mb::Yes;
    });
    answer(plat::mb::OK, full);
    answer(plat::mb::OK, "Gathered Coin 5p");
    gatherYes("10p", kThree);
    complete(false);
    press(w(), "cmdOpenCoinset");

    EXPECT_TRUE(ts.dialogs->allAnswersUsed());
    EXPECT_EQ(boxTitles(), (QStringList{"Warning", "Data Gather: 5p", "Error detected", "", "Data Gather: 10p", "",
                                        "Complete"}));
    EXPECT_EQ(ts.dialogs->boxes()[2].text.toStdString(), full.toStdString());
    EXPECT_EQ(ts.readFile("Logs/run.csv").toStdString(), kept.toStdString()) << "no row left cut";
    EXPECT_EQ(window(1), (std::vector<qint32>{1000, 1100, 1500, 1600, 2000, 2100}));
    EXPECT_EQ(window(2), (std::vector<qint32>{1200, 1300, 1500, 1600, 2000, 2100}));
    EXPECT_TRUE(editorShown());
}

TEST_F(RunTest, EveryBrokenSampleSetIsRefusedWithOneBoxBeforeAnythingIsSent)
{
    const QDir bad(QStringLiteral(COINSETS_DIR "/bad"));
    const QStringList files = bad.entryList({"*.cst"}, QDir::Files, QDir::Name);
    ASSERT_EQ(files.size(), 17);
    start("C120");
    for (const QString& f : files) {
        SCOPED_TRACE(f.toStdString());
        const QStringList lines = plat::readLines(bad.filePath(f)).lines;
        const QString type = lines.value(0).section(',', 0, 0).remove('"');
        const QString family = type.isEmpty() ? "CC" : type.section('.', 0, 0);
        const QString model = type.isEmpty() ? "C120" : type.section('.', 1);
        if (family == "Mars")
            run("cmbMarsMech", model, "cmdMars");
        else
            run("cmbCCmech", model, "cmdCCprog");
        w().setValue("chkLog", 1);
        const quenby::CoinTables tables = p->memory.coins;
        const quenby::Image image = p->memory.images.progImage;
        clearSent();
        const int before = boxesShown();
        answerFile(bad.filePath(f));
        answer(plat::mb::OK, "File: " + f + "\r\n");
        press(w(), "cmdOpenCoinset");
        ASSERT_EQ(boxesShown(), before + 1);
        EXPECT_EQ(ts.dialogs->boxes().back().title, "Coinset Error");
        EXPECT_EQ(sent(), "");
        EXPECT_TRUE(ts.dialogs->fileDialogs.back().startsWith("open|")) << "no log file asked for";
        EXPECT_TRUE(p->memory.coins == tables);
        EXPECT_TRUE(p->memory.images.progImage == image);
        EXPECT_TRUE(w().isEnabled("cmdOpenCoinset"));
        press(w(), "cmdBack");
    }
}

} // namespace
