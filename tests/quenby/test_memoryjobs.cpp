// The memory windows' jobs over the mech families on virtual time: any file at all is either
// accepted whole (the confirmation) or refused with one report, and nothing is sent before the
// user confirms; the program's own scratch dumps programme a mech; saves that cannot be written.
#include "quenby/memutils/memoryjobs.h"
#include "quenby/memutils/nridatafile.h"
#include "sim/ccmech.h"
#include "sim/nrimech.h"
#include "tests/quenby/mech_fixture.h"

#include <QDir>
#include <random>

namespace {

using namespace quenby_tests;

struct MemoryJobTest : MechTest {
    std::mt19937 rng{20261207};

    QString file(const QString& name) const { return QDir(ts.folder()).filePath(name); }

    // The job given this file: the box it raised, answered Cancel when it is the confirmation.
    QString oneBoxFor(const QByteArray& bytes, const std::function<bool()>& job, const QString& confirmation)
    {
        ts.writeFile("fuzz.txt", bytes);
        dialogs.answerFile(file("fuzz.txt"));
        dialogs.answerWith([&](const testing_support::BoxRecord& r) {
            return r.text == confirmation ? plat::mb::Cancel : plat::mb::OK;
        });
        const size_t before = dialogs.boxes().size();
        EXPECT_FALSE(job());
        EXPECT_EQ(dialogs.boxes().size(), before + 1) << "one box: " << bytes.left(60).toStdString();
        return dialogs.boxes().back().text;
    }

    // Every cut of `good`, `flips` copies with one byte changed, `noise` files of random bytes.
    std::vector<QByteArray> fuzzed(const QByteArray& good, int flips, int noise)
    {
        std::vector<QByteArray> out;
        for (qsizetype n = 0; n < good.size(); ++n)
            out.push_back(good.left(n));
        std::uniform_int_distribution<int> byte(0, 255);
        for (int k = 0; k < flips; ++k) {
            QByteArray f = good;
            f[std::uniform_int_distribution<qsizetype>(0, f.size() - 1)(rng)] = char(byte(rng));
            out.push_back(f);
        }
        for (int k = 0; k < noise; ++k) {
            QByteArray f(std::uniform_int_distribution<int>(0, 400)(rng), '\0');
            for (char& c : f)
                c = char(byte(rng));
            out.push_back(f);
        }
        return out;
    }
};

TEST_F(MemoryJobTest, AnyEepromFileIsAcceptedWholeOrRefusedOnceBeforeAnythingIsSent)
{
    plugNew<sim::CcMech>("CC", "C120");
    quenby::readMechMemory(ctx());
    port.clearTranscript();
    mem.images.progImage[7] = 4242;
    QStringList lines;
    for (int a = 0; a < 128; ++a)
        lines << QString("%1,%2").arg(a).arg((a * 7919) % 65536);
    const QByteArray good = lines.join("\r\n").toLatin1() + "\r\n";
    int accepted = 0;
    for (const QByteArray& f : fuzzed(good, 300, 100)) {
        const QString box = oneBoxFor(f, [&] { return quenby::eeProgramme(*families.forJob()); },
                                      "Confirm overwrite EEPROM");
        if (box == "Confirm overwrite EEPROM")
            ++accepted;
        else
            EXPECT_TRUE(box.startsWith(" 705 Error Programming EEPROM routine : ")) << box.toStdString();
    }
    EXPECT_GT(accepted, 0);
    EXPECT_TRUE(sent().isEmpty());
    EXPECT_EQ(mem.images.progImage[7], 4242);
}

TEST_F(MemoryJobTest, AnyNriFileIsAcceptedWholeOrRefusedOnceBeforeAnythingIsSent)
{
    plugNew<sim::NriMech>("NRI", "G13-6000");
    families.forJob()->read();
    ASSERT_TRUE(mem.nri.linesAreTheMechsOf("G13-6000"));
    const quenby::ReadState read = mem.nri.linesRead;
    port.clearTranscript();
    const auto mechLines = mem.nri.nriDataLines;
    const QByteArray good = quenby::nriDataFileLines(mechLines).join("\r\n").toLatin1() + "\r\n";
    int accepted = 0;
    for (const QByteArray& f : fuzzed(good, 300, 100)) {
        mem.nri.linesRead = read;
        mem.nri.nriDataLines = mechLines;
        const QString box = oneBoxFor(f, [&] { return quenby::NRIprogramme(*families.forJob(), false); },
                                      "Confirm overwrite Memory");
        if (box == "Confirm overwrite Memory") {
            ++accepted;
        } else {
            EXPECT_TRUE(box.startsWith(" 914 Error Programming NRI Memory routine : ")) << box.toStdString();
            EXPECT_EQ(mem.nri.nriDataLines, mechLines) << "a refused file changes no line";
            EXPECT_TRUE(mem.nri.linesAreTheMechsOf("G13-6000"));
        }
    }
    EXPECT_GT(accepted, 0);
    EXPECT_TRUE(sent().isEmpty());
}

TEST_F(MemoryJobTest, TheScratchDumpsOfAReadProgrammeTheMech)
{
    auto* cc = plugNew<sim::CcMech>("CC", "C120");
    quenby::readMechMemory(ctx());
    ASSERT_TRUE(ts.fileExists("C120temp.txt"));
    port.clearTranscript();
    dialogs.answerFile(file("C120temp.txt"));
    dialogs.answer(plat::mb::OK, "Confirm overwrite EEPROM");
    dialogs.answer(plat::mb::OK, "EEPROM Verified OK");
    EXPECT_TRUE(quenby::eeProgramme(*families.forJob()));
    EXPECT_TRUE(cc->addressesWritten().isEmpty()) << "every word equal: nothing written";

    auto* nri = plugNew<sim::NriMech>("NRI", "G10-4000/5");
    families.forJob()->read();
    ASSERT_TRUE(ts.fileExists("G10-4000-5temp.txt"));
    dialogs.answerFile(file("G10-4000-5temp.txt"));
    dialogs.answer(plat::mb::OK, "Confirm overwrite Memory");
    dialogs.answer(plat::mb::OK, "Data Written OK");
    EXPECT_TRUE(quenby::NRIprogramme(*families.forJob(), true)) << "a dump names all 28 records";
    EXPECT_EQ(nri->commandsSeen().filter("Z").size(), 22) << "22 blocks, though the read fills 21 lines";
}

TEST_F(MemoryJobTest, AStoppedEepromReadLeavesNoDumpToProgramme)
{
    auto* cc = plugNew<sim::CcMech>("CC", "C120");
    cc->setFault(sim::CcMech::Fault::BadCheckByte, sim::When::from(6)); // the reply to word 5
    dialogs.answer(plat::mb::OK, "Checksum Error reading Coin Mech EEPROM Address:5");
    EXPECT_FALSE(quenby::readMechMemory(ctx()).complete);
    port.clearTranscript();
    dialogs.answerFile(file("C120temp.txt"));
    dialogs.answer(plat::mb::OK, "Invalid Filename");
    EXPECT_FALSE(quenby::eeProgramme(*families.forJob()));
    EXPECT_TRUE(sent().isEmpty());
    EXPECT_TRUE(cc->addressesWritten().isEmpty());
}

TEST_F(MemoryJobTest, AG10With5FileCarriesNoRecordOfAnotherMechReadBefore)
{
    auto* g13 = plugNew<sim::NriMech>("NRI", "G13-6000");
    g13->setRecord(0x15, "AABBCCDD");
    ASSERT_TRUE(families.forJob()->read().complete);
    auto* g10 = plugNew<sim::NriMech>("NRI", "G10-4000/5");
    ASSERT_TRUE(families.forJob()->read().complete);
    EXPECT_TRUE(ts.readFile("G10-4000-5temp.txt").contains("\r\n22,\"\"\r\n"));
    port.clearTranscript();
    dialogs.answerFile(file("G10-4000-5temp.txt"));
    dialogs.answer(plat::mb::OK, "Confirm overwrite Memory");
    dialogs.answer(plat::mb::OK, "Data Written OK");
    EXPECT_TRUE(quenby::NRIprogramme(*families.forJob(), true));
    EXPECT_EQ(g10->commandsSeen().filter("Z").size(), 22);
    EXPECT_FALSE(sent().contains("AABBCCDD"));
    EXPECT_EQ(g10->record(0x15), "35353535");
}

TEST_F(MemoryJobTest, ASaveThatCannotBeWrittenIsReported)
{
    plugNew<sim::NriMech>("NRI", "G13-6000");
    dialogs.answerFile(file("no/such/folder/x"));
    dialogs.answer(plat::mb::OK, " 920 Error Programming NRI data file : ");
    quenby::saveNriCommand(*families.forJob());
    EXPECT_FALSE(ts.fileExists("no/such/folder/x.txt"));

    plugNew<sim::CcMech>("CC", "C120");
    dialogs.answerFile(file("never.txt"));
    dialogs.answer(plat::mb::OK, "no EEPROM read to save");
    quenby::saveEepromCommand(*families.forJob());
    EXPECT_FALSE(ts.fileExists("never.txt"));
    EXPECT_TRUE(sent().isEmpty());
}

} // namespace
