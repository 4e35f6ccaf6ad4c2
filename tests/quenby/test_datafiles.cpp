#include "quenby/link/familytable.h"
#include "quenby/link/ccwire.h"
#include "quenby/memutils/datafiles.h"
#include "quenby/memutils/nridatafile.h"
#include "quenby/shell/texts.h"
#include "sim/nrimech.h"

#include "platform/filefaults.h"
#include "platform/textfile.h"
#include "tests/support/testservices.h"
#include "tests/quenby/models.h"

#include <gtest/gtest.h>

#include <QDir>

using namespace quenby;
using quenby_tests::paramsOf;
using testing_support::TestServices;

namespace {

QByteArray eepromFile(int words, std::function<qint32(int)> value = [](int) { return 0; })
{
    QByteArray out;
    for (int a = 0; a < words; ++a)
        out += QByteArray::number(a) + ',' + QByteArray::number(value(a)) + "\r\n";
    return out;
}

struct Refused {
    int line;
    int number;
    QString description;
    bool operator==(const Refused&) const = default;
};

template <class T>
Refused refusalOf(const FileVerdict<T>& v)
{
    EXPECT_FALSE(v.ok());
    return {v.refusal.line, v.refusal.errorNumber, v.refusal.description()};
}

std::ostream& operator<<(std::ostream& os, const Refused& r)
{
    return os << r.line << " " << r.number << " \"" << r.description.toStdString() << '"';
}

// 28 records of hex text, as a newer model's read leaves them.
std::array<QString, 33> hexLines()
{
    std::array<QString, 33> l;
    for (int n = 1; n <= 28; ++n)
        l[size_t(n)] = QString("%1A0").arg(n, 2, 16, QChar('0')).toUpper();
    return l;
}

// A newer model's typical memory as data lines: line n holds record n - 1.
std::array<QString, 33> typicalLines(const QString& model)
{
    const sim::NriMech typical(model);
    std::array<QString, 33> l;
    for (int n = 1; n <= 28; ++n)
        l[size_t(n)] = QString::fromLatin1(typical.record(n - 1));
    return l;
}

NriFileRecords recordsOf(const QByteArray& bytes)
{
    const auto v = parseNriDataFile(bytes);
    EXPECT_TRUE(v.ok()) << v.refusal.description().toStdString();
    return v.value.value_or(NriFileRecords{});
}

} // namespace

TEST(DataFileNames, TxtRuleLooksAtTheFileNameOnly)
{
    EXPECT_EQ(savedDataFileName("/p/CoinSets/coins.dat"), "/p/CoinSets/coins.txt");
    EXPECT_EQ(savedDataFileName("/p/CoinSets/coins"), "/p/CoinSets/coins.txt");
    EXPECT_EQ(savedDataFileName("/p/CoinSets/coins.txt"), "/p/CoinSets/coins.txt");
    EXPECT_EQ(savedDataFileName("/p/CoinSets/a.b.c"), "/p/CoinSets/a.b.txt");
    EXPECT_EQ(savedDataFileName("/p/CoinSets/coins."), "/p/CoinSets/coins.txt");
    // A dot in a folder name is not the file's extension.
    EXPECT_EQ(savedDataFileName("/x/quenby-1.2/CoinSets/coins"), "/x/quenby-1.2/CoinSets/coins.txt");
    EXPECT_EQ(savedDataFileName("C:\\quenby-1.2\\coins"), "C:\\quenby-1.2\\coins.txt");

    EXPECT_EQ(openedDataFileName("/p/CoinSets/coins"), "/p/CoinSets/coins");
    EXPECT_EQ(openedDataFileName("/p/CoinSets/coins.dat"), "/p/CoinSets/coins.txt");
    EXPECT_EQ(openedDataFileName("/x/quenby-1.2/CoinSets/coins"), "/x/quenby-1.2/CoinSets/coins");
}

TEST(DataFileNames, TheFourDialogs)
{
    TestServices ts;
    const TextTable texts;
    const QString folder = QDir(ts.folder()).filePath("CoinSets/");
    ts.dialogs->answerFile(folder + "a.dat");
    ts.dialogs->answerFile(folder + "b");
    ts.dialogs->answerFile(folder + "c");
    ts.dialogs->answerFile("");
    EXPECT_EQ(chooseDataFile(*ts.dialogs, texts, DataFileDialog::EepromSave, ts.folder()), folder + "a.txt");
    EXPECT_EQ(chooseDataFile(*ts.dialogs, texts, DataFileDialog::EepromOpen, ts.folder()), folder + "b");
    EXPECT_EQ(chooseDataFile(*ts.dialogs, texts, DataFileDialog::NriSave, ts.folder()), folder + "c.txt");
    EXPECT_EQ(chooseDataFile(*ts.dialogs, texts, DataFileDialog::NriOpen, ts.folder()), "");
    EXPECT_EQ(ts.dialogs->fileDialogs, (std::vector<QString>{"save|File Save|*.txt|" + folder,
                                                              "open|Open File|*.txt|" + folder,
                                                              "save|File Save|*.txt|" + folder,
                                                              "open|File Open|*.txt|" + folder}));
}

TEST(EepromDataFile, ReadsAnyOrderBlanksAndLineEnds)
{
    const FileVerdict<Image> v =
        parseEepromDataFile("3,7\r\n\r\n 1 , 0004660\n0,65535\r  \r\n2,0", 4);
    ASSERT_TRUE(v.ok()) << v.refusal.description().toStdString();
    EXPECT_EQ((std::vector<qint32>{(*v.value)[0], (*v.value)[1], (*v.value)[2], (*v.value)[3], (*v.value)[4]}),
              (std::vector<qint32>{65535, 4660, 0, 7, 0}));
}

TEST(EepromDataFile, RefusesAnythingButEachAddressOnce)
{
    const std::pair<QByteArray, Refused> cases[] = {
        // Another model's file: words 0..127 and one more line.
        {eepromFile(128) + "600,1\r\n", {129, 9, "line 129: address 600 outside 0..127"}},
        {eepromFile(256), {129, 9, "line 129: address 128 outside 0..127"}},
        {eepromFile(64), {0, 62, "address 64 missing"}},
        {"", {0, 62, "address 0 missing"}},
        {eepromFile(3) + "1,5\r\n", {4, 13, "line 4: address 1 given twice"}},
        {"0,65536\r\n", {1, 6, "line 1: value 65536 above 65535"}},
        {"0,99999999999999999999\r\n", {1, 6, "line 1: value above 65535"}},
        {"12345678901,1\r\n", {1, 9, "line 1: address outside 0..127"}},
        {"-1,5\r\n", {1, 13, "line 1: address is not a whole number"}},
        {"0,-5\r\n", {1, 13, "line 1: value is not a whole number"}},
        {"0,12abc\r\n", {1, 13, "line 1: value is not a whole number"}},
        {"0,\r\n", {1, 13, "line 1: value is not a whole number"}},
        {"0,1,2\r\n", {1, 13, "line 1: expected address,value"}},
        {"0;1\r\n", {1, 13, "line 1: expected address,value"}},
        {"0,1\r\n1,\t2\r\n", {2, 13, "line 2: control character"}},
        {QByteArray("0,1\r\n1,2\0\r\n", 11), {2, 13, "line 2: control character"}},
        {"0," + QByteArray(511, '0') + "\r\n", {1, 13, "line 1: longer than 512 characters"}},
        {QByteArray(64 * 1024 + 1, '\n'), {0, 7, "file larger than 64 KiB"}},
    };
    for (const auto& [bytes, expected] : cases)
        EXPECT_EQ(refusalOf(parseEepromDataFile(bytes, 128)), expected) << bytes.left(40).toStdString();

    // A line of exactly 512 characters is read.
    EXPECT_TRUE(parseEepromDataFile("0," + QByteArray(510, '0') + "\r\n", 1).ok());
    EXPECT_EQ(refusalOf(parseEepromDataFile("0,1", 0)), (Refused{0, 9, "no memory size for this model"}));
}

TEST(EepromDataFile, ReadsFilesAndReportsWhatCannotBeRead)
{
    TestServices ts;
    const QString path = QDir(ts.folder()).filePath("e.txt");
    EXPECT_EQ(refusalOf(readEepromDataFile(path, 64)), (Refused{0, 53, "File not found"}));
    ts.writeFile("e.txt", eepromFile(64, [](int a) { return a * 3; }));
    const FileVerdict<Image> v = readEepromDataFile(path, 64);
    ASSERT_TRUE(v.ok());
    EXPECT_EQ((*v.value)[63], 189);
    {
        plat::FileFaults faults;
        faults.unreadable(path);
        EXPECT_EQ(refusalOf(readEepromDataFile(path, 64)), (Refused{0, 75, "Path/File access error"}));
    }
    ts.writeFile("big.txt", eepromFile(64) + QByteArray(70000, ' '));
    EXPECT_EQ(refusalOf(readEepromDataFile(QDir(ts.folder()).filePath("big.txt"), 64)),
              (Refused{0, 7, "file larger than 64 KiB"}));
}

TEST(EepromDataFile, SavesOnlyAWholeRead)
{
    TestServices ts;
    const QString path = QDir(ts.folder()).filePath("s.txt");
    MemoryImages m;
    m.readImage[0] = 0x1234;
    m.readImage[63] = 256;
    m.readImage[64] = 9; // beyond a Sentinel's memory
    m.readCompleted("Sentinel");
    writeEepromDataFile(path, m, "Sentinel", 64);
    const QByteArray saved = ts.readFile("s.txt");
    EXPECT_TRUE(saved.startsWith("0,4660\r\n1,0\r\n2,0\r\n"));
    EXPECT_TRUE(saved.endsWith("62,0\r\n63,256\r\n"));
    EXPECT_EQ(saved.count('\n'), 64);

    // A read that stopped leaves zeros for the words it did not reach: nothing is saved, and the
    // old file stays.
    const auto refused = [&](const QString& model) {
        try {
            writeEepromDataFile(path, m, model, 64);
        } catch (const plat::RuntimeError& e) {
            EXPECT_EQ(ts.readFile("s.txt"), saved);
            return QString::number(e.number()) + " " + e.description();
        }
        return QString("saved");
    };
    m.readStopped("Sentinel", 330, 17);
    EXPECT_EQ(refused("Sentinel"), "5 read stopped at word 17: nothing saved");
    m.readStopped("Sentinel", 129);
    EXPECT_EQ(refused("Sentinel"), "5 the read did not finish: nothing saved");
    m.readCompleted("C120");
    EXPECT_EQ(refused("Sentinel"), "5 the EEPROM read is another model's");
    m.lastRead = {};
    EXPECT_EQ(refused("Sentinel"), "5 no EEPROM read to save");

    m.readCompleted("Sentinel");
    EXPECT_EQ(testing_support::errNumber([&] {
                  writeEepromDataFile(QDir(ts.folder()).filePath("no/such/folder/x.txt"), m, "Sentinel", 64);
              }),
              75);
}

TEST(NriDataFile, ReadsTextsByTheirOuterQuotes)
{
    const QByteArray file = "1,\"a,b\"\r\n"
                            "2,\"say \"hi\"\"\r\n"
                            "3,  \"  x  \"  \r\n"
                            "\r\n"
                            " 4 , ABCD \n"
                            "5,\"\"\r"
                            "6,\r\n"
                            "7,\"first\"\r\n"
                            "07,\"later\"\r\n"
                            "28,\"\"\"\"\r\n";
    const FileVerdict<NriFileRecords> v = parseNriDataFile(file);
    ASSERT_TRUE(v.ok()) << v.refusal.description().toStdString();
    const auto& t = v.value->text;
    EXPECT_EQ(*t[1], "a,b");
    EXPECT_EQ(*t[2], "say \"hi\"");
    EXPECT_EQ(*t[3], "  x  ");
    EXPECT_EQ(*t[4], "ABCD");
    EXPECT_EQ(*t[5], "");
    EXPECT_EQ(*t[6], "");
    EXPECT_EQ(*t[7], "later");
    EXPECT_EQ(v.value->fileLine[7], 9);
    EXPECT_EQ(*t[28], "\"\"");
    EXPECT_FALSE(t[8].has_value());
}

TEST(NriDataFile, RefusesMalformedRecords)
{
    const std::pair<QByteArray, Refused> cases[] = {
        {"1,\"a\"\r\n29,\"b\"\r\n", {2, 9, "line 2: record 29 outside 1..28"}},
        {"0,\"a\"\r\n", {1, 9, "line 1: record 0 outside 1..28"}},
        {"x,\"a\"\r\n", {1, 13, "line 1: record number expected"}},
        {",\"a\"\r\n", {1, 13, "line 1: record number expected"}},
        {"1 \"a\"\r\n", {1, 13, "line 1: no comma after the record number"}},
        {"1,\"abc\r\n", {1, 13, "line 1: no closing quote"}},
        {"1,\"abc\" x\r\n", {1, 13, "line 1: text after the closing quote"}},
        {"1,ab\"c\r\n", {1, 13, "line 1: quote or comma in an unquoted text"}},
        {"1,ab,cd\r\n", {1, 13, "line 1: quote or comma in an unquoted text"}},
        {"1,\"a\x01\"\r\n", {1, 13, "line 1: control character"}},
        {"1,\"" + QByteArray(509, 'A') + "\"\r\n", {1, 13, "line 1: longer than 512 characters"}},
        {"", {0, 62, "no records in the file"}},
        {"\r\n  \r\n", {0, 62, "no records in the file"}},
        {QByteArray(64 * 1024 + 1, ' '), {0, 7, "file larger than 64 KiB"}},
    };
    for (const auto& [bytes, expected] : cases)
        EXPECT_EQ(refusalOf(parseNriDataFile(bytes)), expected) << bytes.left(40).toStdString();
}

TEST(NriDataFile, FileRecordsOverTheMechsOwnLines)
{
    const MechEntry g13 = mechEntry(Family::NRI, "G13-6000");
    const ModelParams p = paramsOf("NRI", "G13-6000");
    const std::array<QString, 33> current = typicalLines("G13-6000");
    const QByteArray limits4(24, '4');
    const QByteArray limits5(24, '5');
    const NriFileRecords five = recordsOf("1,\"11\"\r\n2,\"22\"\r\n3,\"333333\"\r\n4,\"" + limits4 + "\"\r\n5,\"" +
                                          limits5 + "\"\r\n");

    const auto v = nriLinesToProgramme(five, g13, p, current, true);
    ASSERT_TRUE(v.ok());
    EXPECT_EQ((*v.value)[5], QString::fromLatin1(limits5));
    EXPECT_EQ((*v.value)[6], current[6]);
    EXPECT_EQ((*v.value)[28], current[28]);

    // Lines kept from another mech (a duplicating run, or nothing read from this one yet).
    EXPECT_EQ(refusalOf(nriLinesToProgramme(five, g13, p, current, false)),
              (Refused{0, 62, "record 6 missing; all 28 needed"}));
    const NriFileRecords all = recordsOf(nriDataFileLines(current).join("\r\n").toLatin1());
    EXPECT_TRUE(nriLinesToProgramme(all, g13, p, {}, false).ok());
}

TEST(NriDataFile, LinesMustHaveTheFormTheModelIsSent)
{
    const std::array<QString, 33> current = typicalLines("G13-6000");
    const MechEntry g13 = mechEntry(Family::NRI, "G13-6000");
    const ModelParams p13 = paramsOf("NRI", "G13-6000");
    const QByteArray limits = "0a1B" + QByteArray(20, '0'); // a coin's six windows, four digits each
    EXPECT_EQ(refusalOf(nriLinesToProgramme(recordsOf("\r\n5,\"ABC\"\r\n"), g13, p13, current, true)),
              (Refused{2, 13, "line 2: record 5 is not even-length hex"}));
    EXPECT_EQ(refusalOf(nriLinesToProgramme(recordsOf("5,\"0G\"\r\n"), g13, p13, current, true)),
              (Refused{1, 13, "line 1: record 5 is not even-length hex"}));
    EXPECT_TRUE(nriLinesToProgramme(recordsOf("5,\"" + limits + "\"\r\n"), g13, p13, current, true).ok());
    std::array<QString, 33> torn = current;
    torn[9] = "0A1"; // a reply cut short
    EXPECT_EQ(refusalOf(nriLinesToProgramme(recordsOf("5,\"" + limits + "\"\r\n"), g13, p13, torn, true)),
              (Refused{0, 13, "kept record 9 is not even-length hex"}));

    // Only the blocks a model is sent are looked at.
    std::array<QString, 33> tail = typicalLines("G18-3000");
    tail[27] = "odd";
    EXPECT_TRUE(nriLinesToProgramme(recordsOf("1,\"00\"\r\n"), mechEntry(Family::NRI, "G18-3000"),
                                    paramsOf("NRI", "G18-3000"), tail, true).ok());
    tail = current;
    tail[27] = "odd";
    EXPECT_FALSE(nriLinesToProgramme(recordsOf("1,\"00\"\r\n"), g13, p13, tail, true).ok());
    tail = typicalLines("G10-4000/5");
    tail[23] = "not sent";
    EXPECT_TRUE(nriLinesToProgramme(recordsOf("1,\"00\"\r\n"), mechEntry(Family::NRI, "G10-4000/5"),
                                    paramsOf("NRI", "G10-4000/5"), tail, true).ok());

    // Older models: each coin line is 24 digits; the value line (after the G10 header) and the
    // date are digits too.
    std::array<QString, 33> old{};
    for (int c = 1; c <= 8; ++c)
        old[size_t(c)] = "030040050060010020030040";
    old[9] = "HEADER....." + QString("0005").repeated(12);
    old[10] = "07/12/26";
    const MechEntry g10 = mechEntry(Family::NRI, "G10-4000");
    const ModelParams p10 = paramsOf("NRI", "G10-4000");
    EXPECT_TRUE(nriLinesToProgramme(recordsOf("10,\"31/01/27\"\r\n"), g10, p10, old, true).ok());
    EXPECT_EQ(refusalOf(nriLinesToProgramme(recordsOf("9,\"x\"\r\n"), g10, p10, old, true)),
              (Refused{1, 13, "line 1: record 9 is not 48 digits after 11"}));
    EXPECT_EQ(refusalOf(nriLinesToProgramme(recordsOf("3,\"03004005006001002003004\"\r\n"), g10, p10, old, true)),
              (Refused{1, 13, "line 1: record 3 is not 24 digits"}));
    EXPECT_EQ(refusalOf(nriLinesToProgramme(recordsOf("8,\"03004005006001002003004 \"\r\n"), g10, p10, old, true)),
              (Refused{1, 13, "line 1: record 8 is not 24 digits"}));

    // A model of neither kind is sent nothing, so nothing is checked.
    EXPECT_TRUE(nriLinesToProgramme(recordsOf("1,\"?\"\r\n"), mechEntry(Family::NRI, "X99"), ModelParams{}, {}, true).ok());
}

TEST(NriFileProgramming, NewerModelsBlockByBlock)
{
    const std::array<QString, 33> lines = hexLines();
    const std::pair<const char*, int> models[] = {{"G13-6000", 28}, {"G40-0000", 28}, {"G18-3000", 26}, {"G10-4000/5", 22}};
    for (const auto& [model, blocks] : models) {
        const NriProgramPlan plan = nriFileProgramPlan(mechEntry(Family::NRI, model), paramsOf("NRI", model), lines);
        ASSERT_TRUE(plan.ok());
        ASSERT_EQ(int(plan.steps.size()), blocks) << model;
        const NriWriteStep& last = plan.steps.back();
        EXPECT_EQ(last.command, "Z" + QByteArray::number(blocks - 1, 16).toUpper().rightJustified(2, '0'));
        EXPECT_EQ(last.data, lines[size_t(blocks)].toLatin1());
        EXPECT_EQ(last.progressBefore, (blocks - 1) * 16 / blocks);
        EXPECT_EQ(last.pauseAfterMs, 500);
        EXPECT_TRUE(last.skipOnceFailed);
    }
    const NriProgramPlan g13 = nriFileProgramPlan(mechEntry(Family::NRI, "G13-6000"), paramsOf("NRI", "G13-6000"), lines);
    EXPECT_EQ(g13.steps[0].command, "Z00");
    EXPECT_EQ(g13.steps[0].data, "01A0");
    EXPECT_EQ(g13.steps[27].command, "Z1B");
    EXPECT_EQ(g13.steps[27].progressBefore, 15);

    std::array<QString, 33> odd = lines;
    odd[6] = "ABC";
    EXPECT_EQ(nriFileProgramPlan(mechEntry(Family::NRI, "G13-6000"), paramsOf("NRI", "G13-6000"), odd).refusedCommand, "Z05");
    EXPECT_TRUE(nriFileProgramPlan(mechEntry(Family::NRI, "X99"), ModelParams{}, lines).steps.empty());
}

TEST(NriFileProgramming, OlderModelsRecordByRecord)
{
    std::array<QString, 33> lines{};
    for (int c = 1; c <= 8; ++c)
        lines[size_t(c)] = "03004005006" + QString::number(c) + "010020030040";
    lines[7] = "0300400500600100200300"; // short: the first and last twelve overlap
    lines[9] = "X9";
    lines[10] = "07/12/26";

    const NriProgramPlan g10 = nriFileProgramPlan(mechEntry(Family::NRI, "G10-4000"), paramsOf("NRI", "G10-4000"), lines);
    ASSERT_EQ(g10.steps.size(), 10u);
    std::vector<int> bar;
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(g10.steps[size_t(i)].command, "D");
        EXPECT_EQ(g10.steps[size_t(i)].pauseAfterMs, 400);
        bar.push_back(g10.steps[size_t(i)].progressBefore);
    }
    EXPECT_EQ(bar, (std::vector<int>{0, 2, 4, 6, 9, 11, 13, 16}));
    EXPECT_EQ(g10.steps[0].pauseBeforeMs, 200);
    EXPECT_EQ(g10.steps[0].data, "1030040050061\r010020030040\r");
    EXPECT_EQ(g10.steps[6].data, "7030040050060\r600100200300\r");
    EXPECT_EQ(g10.steps[8].command, "F");
    EXPECT_EQ(g10.steps[8].data, "X9::\r");
    EXPECT_EQ(g10.steps[8].pauseAfterMs, 400);
    EXPECT_EQ(g10.steps[9].command, "E");
    EXPECT_EQ(g10.steps[9].data, "07/12/26\r");

    lines[7] = "X7";
    lines[8] = "08/01/30";
    const NriProgramPlan g13 = nriFileProgramPlan(mechEntry(Family::NRI, "G13-0000"), paramsOf("NRI", "G13-0000"), lines);
    ASSERT_EQ(g13.steps.size(), 8u);
    EXPECT_EQ(g13.steps[5].progressBefore, 11); // six coins end the bar at 11 of 16
    EXPECT_EQ(g13.steps[6].command, "B");
    EXPECT_EQ(g13.steps[6].data, "X7\r");
    EXPECT_EQ(g13.steps[7].data, "08/01/30\r");
}
