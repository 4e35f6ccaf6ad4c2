// Programming an NRI mech from a data file against the simulated mechs on virtual time: the
// blocks or records of each model group, their pauses and acknowledgements, the progress bar,
// refusals and failures, and files that are refused before anything is sent.
#include "quenby/link/nrimech.h"
#include "quenby/memutils/memoryjobs.h"
#include "sim/nrimech.h"
#include "tests/quenby/datafiles.h"
#include "tests/quenby/mech_fixture.h"

#include <QDir>
#include <QRegularExpression>

namespace {

using namespace quenby_tests;
using sim::NriMech;
using sim::When;

// The memory of a newer model's typical mech as data lines: line n holds record n - 1.
std::array<QByteArray, 29> newerLines(const QString& model)
{
    const NriMech typical(model);
    std::array<QByteArray, 29> lines;
    for (int n = 1; n <= 28; ++n)
        lines[size_t(n)] = typical.record(n - 1);
    return lines;
}

// An older model's typical memory as the read keeps it: the coin lines, the closing record and
// the date.
std::array<QByteArray, 29> olderLines(const QString& model, int coins)
{
    const NriMech typical(model);
    std::array<QByteArray, 29> lines;
    for (int c = 1; c <= coins; ++c)
        lines[size_t(c)] = typical.oldRecord("V" + QByteArray::number(c));
    lines[size_t(coins + 1)] = typical.oldRecord(model == "G10-4000" ? "X" : "Y");
    lines[size_t(coins + 2)] = typical.oldRecord("Z").mid(28);
    return lines;
}

struct NriFileTest : MechTest {
    NriMech* mech = nullptr;

    // A blank mech of the model, this file in CoinSets, picked and confirmed.
    void prepare(const QString& model, const QByteArray& file, std::optional<bool> confirm = true)
    {
        mech = plugNew<NriMech>("NRI", model, true);
        QDir(ts.folder()).mkpath("CoinSets");
        ts.writeFile("CoinSets/mem.txt", file);
        dialogs.answerFile(ts.folder() + "/CoinSets/mem.txt");
        if (confirm)
            dialogs.answer(*confirm ? plat::mb::OK : plat::mb::Cancel, "Confirm overwrite Memory");
    }
    bool programme(bool duplicating = true)
    {
        return quenby::NRIprogramme(*families.forJob(), duplicating);
    }
    QStringList blocksSeen() const { return mech->commandsSeen().filter(QRegularExpression("^Z..$")); }
};

TEST_F(NriFileTest, NewerModelsWriteEveryBlockAcknowledgedWithItsPause)
{
    const std::pair<const char*, int> models[] = {{"G13-6000", 28}, {"G18-3000", 26}, {"G10-4000/5", 22}};
    for (const auto& [model, blocks] : models) {
        const auto lines = newerLines(model);
        prepare(model, nriFile(lines));
        progress.events.clear();
        progress.steps.clear();
        port.clearTranscript();
        dialogs.answer(plat::mb::OK, "Data Written OK");
        EXPECT_TRUE(programme()) << model;
        const QStringList seen = blocksSeen();
        ASSERT_EQ(seen.size(), blocks) << model;
        EXPECT_EQ(seen.front(), "Z00");
        EXPECT_EQ(seen.back(), QString("Z%1").arg(blocks - 1, 2, 16, QLatin1Char('0')).toUpper());
        for (int r = 0; r < blocks; ++r)
            EXPECT_EQ(mech->record(r), lines[size_t(r + 1)]) << model << " record " << r;
        // Each block's first character, then its pieces, then 500 ms before the next.
        const std::vector<plat::Millis> zs = sentAt("Z");
        ASSERT_EQ(zs.size(), size_t(blocks));
        for (size_t i = 1; i < zs.size(); ++i)
            EXPECT_GE(zs[i] - zs[i - 1], 500);
        EXPECT_EQ(progress.events.mid(0, 4),
                  (QStringList{"caption Memory Write", "title WRITING MEMORY IN PROGRESS", "segment hidden", "step 0"}));
        std::vector<int> bar;
        for (int i = 0; i < blocks; ++i)
            bar.push_back(i * 16 / blocks);
        bar.insert(bar.begin(), 0);
        EXPECT_EQ(progress.steps, bar) << model;
        EXPECT_TRUE(sent().startsWith("J")) << model;
        EXPECT_TRUE(sent().endsWith("W" + kReset)) << "W before the box reset";
        EXPECT_EQ(dialogs.boxes().back().title, "OK");
    }
}

TEST_F(NriFileTest, ABlockRefusedEndsTheWriteAfterItsPause)
{
    prepare("G13-6000", nriFile(newerLines("G13-6000")));
    mech->setRecordFault(5, NriMech::RecordFault::PieceRefused);
    dialogs.answer(plat::mb::OK, "Error Writing Data");
    EXPECT_FALSE(programme());
    EXPECT_EQ(blocksSeen().back(), "Z05") << "no Z06";
    EXPECT_TRUE(sent().endsWith("W" + kReset));
    EXPECT_EQ(dialogs.boxes().back().title, "Error");
    EXPECT_EQ(dialogs.boxes().back().style, plat::mb::OKOnly | plat::mb::Critical);
    // The 500 ms after the refused block too.
    const plat::Millis lastZ = sentAt("Z").back();
    EXPECT_GE(sentAt("W").back() - lastZ, 500);
    EXPECT_EQ(progress.events.back(), "hide");
}

TEST_F(NriFileTest, ABlockUnacknowledgedOrAcknowledgedLateFails)
{
    prepare("G18-3000", nriFile(newerLines("G18-3000")));
    mech->setFault(NriMech::Fault::NoFirstCharAck, When::first(1));
    dialogs.answer(plat::mb::OK, "Error Writing Data");
    EXPECT_FALSE(programme());
    EXPECT_EQ(blocksSeen(), QStringList{"Z00"});

    prepare("G18-3000", nriFile(newerLines("G18-3000")));
    mech->setRecordFault(3, NriMech::RecordFault::PieceLate);
    dialogs.answer(plat::mb::OK, "Error Writing Data");
    EXPECT_FALSE(programme());
    EXPECT_EQ(blocksSeen().back(), "Z03") << "600 ms is past the 500 a piece may take";
}

TEST_F(NriFileTest, ARecordTheMechDidNotStoreIsNotWrittenOk)
{
    // A newer mech that acknowledges every piece of record 00 and keeps its old text.
    prepare("G13-6000", nriFile(newerLines("G13-6000")));
    mech->setFault(NriMech::Fault::WriteNotStored, When::first(1));
    dialogs.answer(plat::mb::OK, "Error Writing Data\r\nThe mech's record 00 does not read back as it was written.");
    EXPECT_FALSE(programme());
    EXPECT_EQ(blocksSeen().size(), 28) << "every record was acknowledged";

    // An older mech, which acknowledges nothing, that lost a character of coin 1's record.
    // The typical memory holds other windows than the file's, so coin 1's old record is not it.
    auto lines = olderLines("G13-0000", 6);
    lines[1] = "111111111111222222222222";
    prepare("G13-0000", nriFile(lines));
    mech->setFault(NriMech::Fault::LostCharacter, When::first(1));
    dialogs.answer(plat::mb::OK, "Error Writing Data\r\nThe mech's record D (coin 1) does not read back as it was "
                                 "written.");
    EXPECT_FALSE(programme());
    EXPECT_EQ(mech->writesRejected(), 1) << "coin 1's record lost a character and was not stored";
}

TEST_F(NriFileTest, AMechThatDoesNotLogOnIsStillLeftIdleAndTheUserTold)
{
    prepare("G13-6000", nriFile(newerLines("G13-6000")));
    mech->setFault(NriMech::Fault::WrongIdent, When::always());
    dialogs.answer(plat::mb::OK, "Error Writing Data");
    EXPECT_FALSE(programme());
    EXPECT_TRUE(blocksSeen().isEmpty());
    EXPECT_FALSE(progress.events.contains("show"));
    EXPECT_TRUE(sent().startsWith("J"));
    EXPECT_TRUE(sent().endsWith("W" + kReset)) << "the box leaves serial mode";
    EXPECT_FALSE(box.inSerialMode());
}

TEST_F(NriFileTest, OlderModelsWriteTheirRecordsOneCharacterEvery50Ms)
{
    const auto lines = olderLines("G10-4000", 8);
    prepare("G10-4000", nriFile(lines));
    dialogs.answer(plat::mb::OK, "Data Written OK");
    EXPECT_TRUE(programme());
    EXPECT_EQ(mech->commandsSeen().filter(QRegularExpression("^[DBFE]$")),
              (QStringList{"D", "D", "D", "D", "D", "D", "D", "D", "F", "E"}));
    EXPECT_TRUE(sent().contains("F" + lines[9] + "::\r")) << "the G10 closing record";
    EXPECT_TRUE(sent().contains("E" + lines[10] + "\r"));
    EXPECT_TRUE(sent().contains("D1" + lines[1].left(12) + "\r" + lines[1].right(12) + "\r"));
    EXPECT_EQ(mech->oldRecord("X"), lines[9]);
    EXPECT_EQ(mech->oldRecord("V8"), lines[8]);
    EXPECT_EQ(mech->writesRejected(), 0);
    // The characters after the first "D", each sent alone, 50 ms after the one before.
    std::vector<plat::Millis> after;
    bool inD = false;
    for (const auto& e : port.transcript()) {
        if (e.kind != sim::TranscriptEntry::Sent)
            continue;
        inD = inD || e.bytes == "D";
        if (inD && after.size() < 4) {
            EXPECT_EQ(e.bytes.size(), 1);
            after.push_back(e.at);
        }
    }
    // 50 ms on the 20 ms tick: more than two ticks, at most three.
    const std::vector<plat::Millis> g = gaps(after);
    ASSERT_EQ(g.size(), 3u);
    EXPECT_EQ(g[0], 0) << "the record number goes with the command";
    for (size_t i = 1; i < g.size(); ++i)
        EXPECT_TRUE(g[i] > 40 && g[i] <= 60) << g[i];
    // Bar scaled by 7 whatever the coin count: 8 coins end at 16.
    EXPECT_EQ(progress.steps, (std::vector<int>{0, 0, 2, 4, 6, 9, 11, 13, 16}));
}

TEST_F(NriFileTest, TheG13_0000ClosesWithB)
{
    const auto lines = olderLines("G13-0000", 6);
    prepare("G13-0000", nriFile(lines));
    dialogs.answer(plat::mb::OK, "Data Written OK");
    EXPECT_TRUE(programme());
    EXPECT_EQ(mech->commandsSeen().filter(QRegularExpression("^[DBFE]$")),
              (QStringList{"D", "D", "D", "D", "D", "D", "B", "E"}));
    EXPECT_EQ(mech->oldRecord("Y"), lines[7]);
    EXPECT_EQ(progress.steps.back(), 11) << "6 coins end at 11 of 16";
}

TEST_F(NriFileTest, CancelSendsNotEvenJAndTakesNothingOfTheFile)
{
    const auto lines = newerLines("G13-6000");
    mem.nri.nriDataLines[5] = "read";
    prepare("G13-6000", nriFile(lines), false);
    EXPECT_FALSE(programme());
    EXPECT_TRUE(sent().isEmpty());
    EXPECT_EQ(mem.nri.nriDataLines[5], "read") << "a save writes what the window shows";
}

TEST_F(NriFileTest, FilesRefusedBeforeAnythingIsSent)
{
    auto lines = newerLines("G13-6000");
    struct Case {
        QByteArray file;
        const char* report;
    };
    auto with = [&](int n, const QByteArray& text) {
        auto l = lines;
        l[size_t(n)] = text;
        return nriFile(l);
    };
    const Case cases[] = {
        {"1,\"4E52\"\r\n2,\"0102\"\r\n", "record 3 missing; all 28 needed"},
        {with(7, "12G4"), "line 7: record 7 is not even-length hex"},
        {with(7, "123"), "line 7: record 7 is not even-length hex"},
        {nriFile(lines) + "29,\"00\"\r\n", "line 29: record 29 outside 1..28"},
        {nriFile(lines) + "x,\"00\"\r\n", "line 29: record number expected"},
        {nriFile(lines).replace("\"4E524931\"", "\"4E524931"), "line 1: no closing quote"},
    };
    mem.nri.nriDataLines[3] = "before";
    for (const Case& c : cases) {
        mech = plugNew<NriMech>("NRI", "G13-6000", true);
        QDir(ts.folder()).mkpath("CoinSets");
        ts.writeFile("CoinSets/bad.txt", c.file);
        dialogs.answerFile(ts.folder() + "/CoinSets/bad.txt");
        dialogs.answer(plat::mb::OK, " 914 Error Programming NRI Memory routine : ");
        EXPECT_FALSE(programme());
        EXPECT_TRUE(dialogs.boxes().back().text.contains(c.report)) << dialogs.boxes().back().text.toStdString();
    }
    EXPECT_TRUE(sent().isEmpty());
    EXPECT_EQ(mem.nri.nriDataLines[3], "before");
}

TEST_F(NriFileTest, ARecordNotOfTheModelsFormIsRefusedBeforeAnythingIsSent)
{
    struct Case {
        const char* model;
        int line;
        QByteArray text;
        const char* report;
    };
    const Case cases[] = {
        {"G13-6000", 4, "6854", "line 4: record 4 is not 24 hex digits"},
        {"G13-6000", 17, "", "line 17: record 17 is empty"},
        {"G13-0000", 7, "00501", "line 7: record 7 is not 21 digits"},
        {"G13-0000", 8, "7/12/26", "line 8: record 8 is not a dd/mm/yy date"},
    };
    for (const Case& c : cases) {
        auto lines = c.model == QString("G13-6000") ? newerLines(c.model) : olderLines(c.model, 6);
        lines[size_t(c.line)] = c.text;
        prepare(c.model, nriFile(lines), std::nullopt);
        const QByteArray before = mech->record(3);
        port.clearTranscript();
        dialogs.answer(plat::mb::OK, " 914 Error Programming NRI Memory routine : ");
        EXPECT_FALSE(programme()) << c.report;
        EXPECT_TRUE(dialogs.boxes().back().text.contains(c.report)) << dialogs.boxes().back().text.toStdString();
        EXPECT_TRUE(sent().isEmpty()) << c.report;
        EXPECT_EQ(mech->record(3), before);
    }
}

TEST_F(NriFileTest, AFileNamedWithItsExtensionInCapitalsIsOpened)
{
    mech = plugNew<NriMech>("NRI", "G13-6000", true);
    QDir(ts.folder()).mkpath("CoinSets");
    ts.writeFile("CoinSets/COINS.TXT", nriFile(newerLines("G13-6000")));
    dialogs.answerFile(ts.folder() + "/CoinSets/COINS.TXT");
    dialogs.answer(plat::mb::OK, "Confirm overwrite Memory");
    dialogs.answer(plat::mb::OK, "Data Written OK");
    EXPECT_TRUE(programme());
    EXPECT_EQ(mech->record(3), NriMech("G13-6000").record(3));
}

TEST_F(NriFileTest, AFileOfSomeRecordsKeepsTheOthersOnlyWhenTheyAreThisMechs)
{
    const auto lines = newerLines("G13-6000");
    QByteArray part;
    for (int n = 4; n <= 6; ++n)
        part += QByteArray::number(n) + ",\"" + lines[size_t(n)] + "\"\r\n";
    prepare("G13-6000", part, std::nullopt);
    for (int n = 1; n <= 28; ++n)
        mem.nri.nriDataLines[size_t(n)] = QString::fromLatin1(lines[size_t(n)]);
    dialogs.answer(plat::mb::OK, "record 1 missing");
    EXPECT_FALSE(programme(true)) << "a duplicating run: the lines are another mech's";

    dialogs.answerFile(ts.folder() + "/CoinSets/mem.txt");
    dialogs.answer(plat::mb::OK, "record 1 missing");
    EXPECT_FALSE(programme(false)) << "nothing read from this mech yet";

    mem.nri.linesRead = {true, "G13-6000", 0, -1}; // as a read of this mech leaves them
    dialogs.answerFile(ts.folder() + "/CoinSets/mem.txt");
    dialogs.answer(plat::mb::Cancel, "Confirm overwrite Memory");
    EXPECT_FALSE(programme(false));
    EXPECT_TRUE(mem.nri.linesAreTheMechsOf("G13-6000")) << "a cancelled file takes nothing";
    EXPECT_TRUE(sent().isEmpty());
}

} // namespace
