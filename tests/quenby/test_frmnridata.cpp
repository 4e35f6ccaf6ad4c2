// The NRI memory window from its launcher on the simulated box: the views of every model,
// reading again, saving, programming from a file with the fresh read after it, leaving it, and
// the duplicating coin set run's programming.
#include "quenby/link/familytable.h"
#include "sim/nrimech.h"
#include "tests/quenby/memwindow_fixture.h"

namespace {

using namespace quenby_tests;
using sim::NriMech;

struct NriWindowTest : MemoryWindowTest {
    void open(const QString& model, bool blank = false)
    {
        start(model);
        if (blank)
            box.swapMech(model, true);
        run("cmbNRImech", model, "cmdNRIprom");
        clearSent();
    }
    NriMech& nm() { return mech<NriMech>(); }
    QString firstLine() { return nri().text("lblPROM").section("\r\n", 0, 0); }
};

struct NriModels : NriWindowTest, ::testing::WithParamInterface<const char*> {};

TEST_P(NriModels, OpenWithTheViewsOfTheirModel)
{
    const QString model = GetParam();
    open(model);
    quenby::frmNRIdata* w = p->nriDataIfLoaded();
    ASSERT_TRUE(shown(w));
    EXPECT_FALSE(main().isVisible());
    EXPECT_EQ(w->windowTitle(), "NRI Memory Utilities");
    EXPECT_EQ(nri().text("lblmechType"), model);
    EXPECT_TRUE(fixedPitch(nri().get<QLabel>("lblPROM")));
    QStringList views{"Limits"};
    if (model == "G13-6000" || model == "G40-0000")
        views << "Parameter Map";
    if (model == "G18-3000")
        views << "Compensation Map";
    views << "Other Information";
    EXPECT_EQ(nri().items("cmbDisplay"), views);
    // Limits: the parameter names over their columns, three letters each, 12 apart.
    EXPECT_TRUE(firstLine().startsWith(QString((6 - p->params.paramCount) * 6 + 10, ' ')));
    const QString coin1 = nri().text("lblPROM").section("\r\n", 1, 1);
    EXPECT_TRUE(coin1.startsWith(QString((6 - p->params.paramCount) * 6, ' ') + "Coin 01     ")) << coin1.toStdString();

    choose(nri(), "cmbDisplay", views.size() - 1);
    EXPECT_TRUE(nri().text("lblPROM").contains("Last Adjustment:  ")) << "Other Information";
    if (views.size() == 3) {
        choose(nri(), "cmbDisplay", 1);
        EXPECT_TRUE(nri().text("lblPROM").contains("CP1H = "));
    }
    EXPECT_TRUE(sentSince().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(SevenModels, NriModels,
                         ::testing::Values("G13-6000", "G13-0000", "G18-3000", "G18-0000", "G10-4000", "G10-4000/5",
                                           "G40-0000"));

TEST_F(NriWindowTest, ProgrammeFromFileThenTheMechIsReadAgainWithoutJOrW)
{
    open("G13-6000", true);
    const NriMech typical("G13-6000");
    writeCoinSet("typical.txt", nriFileOf(typical));
    ts.dialogs->answerFile(coinSet("typical.txt"));
    ts.dialogs->answer(plat::mb::OK, "Confirm overwrite Memory");
    ts.dialogs->answer(plat::mb::OK, "Data Written OK");
    press(nri(), "cmdProgramme");
    EXPECT_EQ(ts.dialogs->fileDialogs.back(), "open|File Open|*.txt|" + coinSet(""));
    const QByteArray sent = sentSince();
    const qsizetype w = sent.indexOf('W');
    ASSERT_GT(w, 0);
    EXPECT_EQ(sent.count('J'), 1) << "only the job's own";
    EXPECT_TRUE(sent.mid(w).contains("X1B")) << "the fresh read after the W";
    for (int n = 1; n <= 28; ++n)
        EXPECT_EQ(p->memory.nri.nriDataLines[size_t(n)], QString::fromLatin1(typical.record(n - 1))) << n;
    EXPECT_EQ(p->memory.nri.nriIdent, "070C19");
    // Coin 1's first window as the record holds it: two hex digits high limit, two low.
    const QByteArray r3 = typical.record(3);
    const QString window = QString(" %1 %2    ").arg(r3.mid(2, 2).toInt(nullptr, 16), 3, 10, QLatin1Char('0'))
                               .arg(r3.mid(0, 2).toInt(nullptr, 16), 3, 10, QLatin1Char('0'));
    EXPECT_TRUE(nri().text("lblPROM").contains("Coin 01     " + window)) << "redrawn";
    EXPECT_TRUE(p->memory.nri.linesAreTheMechsOf("G13-6000"));
}

TEST_F(NriWindowTest, ReadAgainBetweenJAndWAndSaveTheLines)
{
    open("G13-6000");
    press(nri(), "cmdReadPROM");
    EXPECT_TRUE(sentSince().startsWith("J"));
    EXPECT_TRUE(sentSince().endsWith("W"));
    EXPECT_TRUE(nri().isEnabled("cmdReadPROM"));
    EXPECT_TRUE(p->memory.nri.linesAreTheMechsOf("G13-6000"));

    ts.dialogs->answerFile(coinSet("saved.dat"));
    press(nri(), "cmdSave");
    EXPECT_EQ(ts.dialogs->fileDialogs.back(), "save|File Save|*.txt|" + coinSet(""));
    EXPECT_EQ(readCoinSet("saved.txt"), nriFileOf(nm()));
    writeCoinSet("saved.txt", "kept");
    ts.dialogs->answerFile(coinSet("saved"));
    ts.dialogs->answer(plat::mb::Cancel, "Overwrite Existing File");
    press(nri(), "cmdSave");
    EXPECT_EQ(readCoinSet("saved.txt"), "kept");
    ts.dialogs->answerFile(coinSet("saved"));
    ts.dialogs->answer(plat::mb::OK, "Overwrite Existing File");
    press(nri(), "cmdSave");
    EXPECT_EQ(readCoinSet("saved.txt"), nriFileOf(nm()));
}

TEST_F(NriWindowTest, LinesThatAreNotThisMechsWholeReadAreNotSaved)
{
    open("G13-6000");
    nm().setFault(NriMech::Fault::WrongIdent, sim::When::always());
    ts.dialogs->answer(plat::mb::OK, "No Communication with the NRI Coin Mech");
    press(nri(), "cmdReadPROM");
    ts.dialogs->answerFile(coinSet("saved.txt"));
    ts.dialogs->answer(plat::mb::OK, " 920 Error Programming NRI data file : ");
    press(nri(), "cmdSave");
    EXPECT_TRUE(ts.dialogs->boxes().back().text.contains("no logon to the mech: nothing saved"))
        << ts.dialogs->boxes().back().text.toStdString();
    EXPECT_FALSE(ts.fileExists("CoinSets/saved.txt"));
}

TEST_F(NriWindowTest, AReplyWithAControlByteIsSavedNowhere)
{
    start("G13-6000");
    mech<NriMech>().setRecord(0x14, QByteArray("3434\x07" "343434", 11));
    // Not a record of the model: the read is not whole, and writes no scratch file.
    // Nor does it open the window, whose Save would write it.
    ts.dialogs->answer(plat::mb::OK, "The NRI memory read stopped at record 14: the mech did not give it whole.");
    run("cmbNRImech", "G13-6000", "cmdNRIprom");
    EXPECT_FALSE(ts.fileExists("G13-6000temp.txt"));
    EXPECT_FALSE(shown(p->nriDataIfLoaded()));
    EXPECT_FALSE(ts.fileExists("CoinSets/saved.txt"));
}

TEST_F(NriWindowTest, APartialFileKeepsTheLinesJustReadFromThisMech)
{
    open("G13-6000");
    writeCoinSet("part.txt", "5,\"0A140A140A140A140A140A14\"\r\n");
    ts.dialogs->answerFile(coinSet("part.txt"));
    ts.dialogs->answer(plat::mb::OK, "Confirm overwrite Memory");
    ts.dialogs->answer(plat::mb::OK, "Data Written OK");
    press(nri(), "cmdProgramme");
    EXPECT_EQ(nm().record(4), "0A140A140A140A140A140A14");
    EXPECT_EQ(nm().record(3), NriMech("G13-6000").record(3)) << "the others written back as read";
}

TEST_F(NriWindowTest, CloseAndTheCloseBoxLeaveAlikeWithW)
{
    open("G18-3000");
    press(nri(), "cmdBye");
    EXPECT_EQ(sentSince(), "W");
    EXPECT_FALSE(p->nriDataIfLoaded());
    EXPECT_TRUE(main().isVisible());
    EXPECT_TRUE(mainC().isEnabled("cmdNRIprom"));
    run("cmbNRImech", "G18-3000", "cmdNRIprom");
    clearSent();
    closeBox(p->nriDataIfLoaded());
    EXPECT_EQ(sentSince(), "W");
    EXPECT_FALSE(p->nriDataIfLoaded());
    EXPECT_TRUE(main().isVisible());
}

TEST_F(NriWindowTest, TheDuplicatingRunProgrammesABlankMechFromAWholeFileOnly)
{
    start("G13-6000");
    p->job.beginJob(quenby::Family::NRI, "G13-6000");
    quenby::setMechParameters(p->params, quenby::Family::NRI, "G13-6000", p->texts);
    box.swapMech("G13-6000", true);
    // Lines of this very model and mech, read before: still no ground for a partial file.
    run("cmbNRImech", "G13-6000", "cmdNRIprom");
    press(nri(), "cmdBye");
    p->job.beginJob(quenby::Family::NRI, "G13-6000");
    clearSent();
    writeCoinSet("part.txt", "5,\"0A14\"\r\n");
    ts.dialogs->answerFile(coinSet("part.txt"));
    ts.dialogs->answer(plat::mb::OK, "record 1 missing; all 28 needed");
    EXPECT_FALSE(p->memoryWindows().NRIprogramme());
    EXPECT_TRUE(sentSince().isEmpty());

    const NriMech typical("G13-6000");
    writeCoinSet("whole.txt", nriFileOf(typical));
    ts.dialogs->answerFile(coinSet("whole.txt"));
    ts.dialogs->answer(plat::mb::OK, "Confirm overwrite Memory");
    ts.dialogs->answer(plat::mb::OK, "Data Written OK");
    EXPECT_TRUE(p->memoryWindows().NRIprogramme());
    for (int r = 0; r < 28; ++r)
        EXPECT_EQ(nm().record(r), typical.record(r)) << r;
    EXPECT_FALSE(p->nriDataIfLoaded()) << "no window for it";
}

} // namespace

namespace {

TEST_F(NriWindowTest, AHangUpWhileProgrammingFromAFileSaysTheMechMayBeHalfWritten)
{
    open("G13-6000", true);
    writeCoinSet("typical.txt", nriFileOf(NriMech("G13-6000")));
    ts.dialogs->answerFile(coinSet("typical.txt"));
    ts.dialogs->answer(plat::mb::OK, "Confirm overwrite Memory");
    box.setFault(sim::QuenbyBox::Fault::HangUpOnByteIn, sim::When::from(80)); // in the fourth record
    ts.dialogs->answer(plat::mb::OK, "the programmer box hung up - 8018\r\n\r\n"
                                     "The connection to the programmer box on COM1 was lost.\r\n"
                                     "The mech may be half-written: write it again once the box is reconnected.");
    press(nri(), "cmdProgramme");
    EXPECT_EQ(nm().writesStored(), 3);
    EXPECT_EQ(ts.dialogs->boxes().size(), 2u) << ts.dialogs->texts().join("|").toStdString();
}

} // namespace

namespace {

TEST_F(NriWindowTest, APartialFileAfterAMechSwapKeepsTheRecordsOfTheMechInTheBox)
{
    open("G13-6000"); // mech A read
    box.swapMech("G13-6000", true); // mech B, blank, with the window still open
    const NriMech blank("G13-6000", {}, true);
    writeCoinSet("part.txt", "5,\"0A140A140A140A140A140A14\"\r\n");
    ts.dialogs->answerFile(coinSet("part.txt"));
    ts.dialogs->answer(plat::mb::OK, "Confirm overwrite Memory");
    ts.dialogs->answer(plat::mb::OK, "Data Written OK");
    press(nri(), "cmdProgramme");
    EXPECT_EQ(nm().record(4), "0A140A140A140A140A140A14");
    for (int r = 0; r < 28; ++r) {
        if (r != 4) {
            EXPECT_EQ(nm().record(r), blank.record(r)) << "record " << r << " is B's own, not A's";
        }
    }
}

TEST_F(NriWindowTest, ACancelledFileLeavesTheMechsLinesToSave)
{
    open("G13-6000");
    NriMech other("G13-6000");
    other.setRecord(4, "0A140A140A140A140A140A14");
    writeCoinSet("other.txt", nriFileOf(other));
    ts.dialogs->answerFile(coinSet("other.txt"));
    ts.dialogs->answer(plat::mb::Cancel, "Confirm overwrite Memory");
    press(nri(), "cmdProgramme");
    ts.dialogs->answerFile(coinSet("saved.txt"));
    press(nri(), "cmdSave");
    EXPECT_EQ(readCoinSet("saved.txt"), nriFileOf(nm())) << "what the window shows";
}

} // namespace

namespace {

TEST_F(NriWindowTest, AReadCutByALostPortShowsWhatItDidNotReadAsNotReadAndSavesNothing)
{
    open("G13-6000"); // mech A read whole
    box.swapMech("G13-6000", true); // mech B, blank
    box.setFault(sim::QuenbyBox::Fault::HangUpOnByteIn, sim::When::from(50)); // a few records in
    ts.dialogs->answer(plat::mb::OK, "The connection to the programmer box on COM1 was lost.");
    press(nri(), "cmdReadPROM");
    const QStringList rows = nri().text("lblPROM").split("\r\n");
    ASSERT_GT(rows.size(), 12);
    EXPECT_TRUE(rows[1].contains("Coin 01      000 000")) << "B's coin 1, read: " << rows[1].toStdString();
    EXPECT_TRUE(rows[12].contains("Coin 12      --- ---")) << "not A's coin 12: " << rows[12].toStdString();
    choose(nri(), "cmbDisplay", 2);
    EXPECT_TRUE(nri().text("lblPROM").contains("Last Adjustment:  00/00/00")) << "record 02 was read";
    EXPECT_TRUE(nri().text("lblPROM").contains("--")) << "the outputs were not";

    ts.dialogs->answerFile(coinSet("saved.txt"));
    ts.dialogs->answer(plat::mb::OK, "nothing saved");
    press(nri(), "cmdSave");
    EXPECT_FALSE(ts.fileExists("CoinSets/saved.txt"));
}

} // namespace

namespace {

TEST_F(NriWindowTest, AReadCutFromTheMainMenuOpensNoWindowAndNamesTheRecordItStoppedAt)
{
    start("G13-6000");
    nm().setRecordFault(5, NriMech::RecordFault::CutReply); // coin 3's windows, half of them, no CR
    ts.dialogs->answer(plat::mb::OK, "The NRI memory read stopped at record 05 (coin 3): the mech did not give it whole.");
    run("cmbNRImech", "G13-6000", "cmdNRIprom");
    ASSERT_EQ(ts.dialogs->boxes().size(), 1u) << ts.dialogs->texts().join("|").toStdString();
    EXPECT_EQ(ts.dialogs->boxes()[0].title, "Error");
    EXPECT_FALSE(shown(p->nriDataIfLoaded()));
    EXPECT_TRUE(main().isVisible());
    EXPECT_TRUE(mainC().isEnabled("cmdNRIprom"));
    EXPECT_TRUE(mainC().isEnabled("cmbNRImech")) << "the menu unlocked";
    EXPECT_FALSE(ts.fileExists("G13-6000temp.txt"));

    // An older model whose answer of several lines loses its last: the same.
    box.swapMech("G13-0000", false);
    nm().setFault(NriMech::Fault::FewerLines, sim::When::first(1)); // the "Z" of the date, read first
    ts.dialogs->answer(plat::mb::OK, "The NRI memory read stopped at record Z: the mech did not give it whole.");
    run("cmbNRImech", "G13-0000", "cmdNRIprom");
    EXPECT_EQ(ts.dialogs->boxes().size(), 2u);
    EXPECT_FALSE(shown(p->nriDataIfLoaded()));
    EXPECT_TRUE(mainC().isEnabled("cmdNRIprom"));

    // A mech that logs on to nothing has been said already: one box, no window.
    nm().setFault(NriMech::Fault::WrongIdent, sim::When::always());
    ts.dialogs->answer(plat::mb::OK, "No Communication with the NRI Coin Mech");
    run("cmbNRImech", "G13-0000", "cmdNRIprom");
    EXPECT_EQ(ts.dialogs->boxes().size(), 3u);
    EXPECT_FALSE(shown(p->nriDataIfLoaded()));

    // Whole again: the window opens on it.
    box.swapMech("G13-6000", false);
    run("cmbNRImech", "G13-6000", "cmdNRIprom");
    EXPECT_EQ(ts.dialogs->boxes().size(), 3u);
    EXPECT_TRUE(shown(p->nriDataIfLoaded()));
}

TEST_F(NriWindowTest, TheWindowsOwnReadCutAtARecordSaysWhichAndShowsItAsNotRead)
{
    open("G13-6000");
    nm().setRecordFault(5, NriMech::RecordFault::CutReply);
    ts.dialogs->answer(plat::mb::OK, "The NRI memory read stopped at record 05 (coin 3): the mech did not give it whole.");
    press(nri(), "cmdReadPROM");
    EXPECT_EQ(ts.dialogs->boxes().size(), 1u);
    EXPECT_TRUE(shown(p->nriDataIfLoaded())) << "the window stays";
    const QStringList rows = nri().text("lblPROM").split("\r\n");
    ASSERT_GT(rows.size(), 4);
    EXPECT_TRUE(rows[3].contains("Coin 03      --- ---")) << rows[3].toStdString();
    EXPECT_FALSE(rows[4].contains("---")) << "coin 4 was read: " << rows[4].toStdString();
    EXPECT_TRUE(sentSince().endsWith("W"));

    ts.dialogs->answerFile(coinSet("saved.txt"));
    ts.dialogs->answer(plat::mb::OK, "record 6 was not read whole: nothing saved");
    press(nri(), "cmdSave");
    EXPECT_FALSE(ts.fileExists("CoinSets/saved.txt"));
}

} // namespace
