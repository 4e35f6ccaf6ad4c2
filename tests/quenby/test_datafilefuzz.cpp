// Data files the program wrote read back as they were; files cut short, with a byte changed or
// made of noise are read exactly or refused once, with a reason that fits the error box.

#include "quenby/link/familytable.h"
#include "quenby/link/ccwire.h"
#include "quenby/memutils/datafiles.h"
#include "quenby/memutils/nridatafile.h"

#include "platform/textfile.h"
#include "sim/nrimech.h"
#include "tests/support/testservices.h"

#include <gtest/gtest.h>

#include <QDir>
#include <random>

using namespace quenby;
using testing_support::TestServices;

namespace {

std::mt19937& rng()
{
    static std::mt19937 r(20261207);
    return r;
}

int randomInt(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng()); }

// A text of characters the code page holds, with plenty of commas, quotes and blanks.
QString randomText()
{
    static const QByteArray often = ",\" \"  ,";
    QByteArray bytes;
    const int n = randomInt(0, 60);
    for (int k = 0; k < n; ++k) {
        int b = randomInt(0, 3) == 0 ? uchar(often[randomInt(0, int(often.size()) - 1)]) : randomInt(0x20, 0xFF);
        if (b == 0x7F || b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D)
            b = 'x';
        bytes += char(b);
    }
    return plat::fromCp1252(bytes);
}

std::array<QString, 33> randomLines()
{
    std::array<QString, 33> l;
    for (int n = 1; n <= 28; ++n)
        l[size_t(n)] = randomText();
    return l;
}

Image randomImage(int words)
{
    Image img{};
    for (int a = 0; a < words; ++a)
        img[size_t(a)] = randomInt(0, 65535);
    return img;
}

QByteArray randomBytes(const QByteArray& alphabet)
{
    QByteArray out;
    const int n = randomInt(0, 400);
    for (int k = 0; k < n; ++k)
        out += alphabet.isEmpty() ? char(randomInt(0, 255)) : alphabet[randomInt(0, int(alphabet.size()) - 1)];
    return out;
}

// One refusal: a known number, a line of the file or none, and a reason the box shows whole.
template <class T>
void expectOneVerdict(const FileVerdict<T>& v, const QByteArray& bytes)
{
    if (v.ok())
        return;
    static const std::vector<int> numbers{fileerr::kMalformed, fileerr::kOutOfRange, fileerr::kOverflow,
                                          fileerr::kMissing, fileerr::kTooLarge};
    EXPECT_NE(std::find(numbers.begin(), numbers.end(), v.refusal.errorNumber), numbers.end())
        << v.refusal.errorNumber;
    EXPECT_GE(v.refusal.line, 0);
    EXPECT_LE(v.refusal.line, plat::splitLines(bytes).size());
    EXPECT_FALSE(v.refusal.reason.isEmpty());
    const QString d = v.refusal.description();
    EXPECT_LE(d.size(), 50);
    EXPECT_EQ(d, v.refusal.line > 0 ? QString("line %1: %2").arg(v.refusal.line).arg(v.refusal.reason) : v.refusal.reason);
}

int wordsDiffering(const Image& a, const Image& b) { return int(differingWords(a, b, 0, kImageTop).size()); }

int recordsDiffering(const NriFileRecords& r, const std::array<QString, 33>& lines)
{
    int n = 0;
    for (int k = 1; k <= 28; ++k)
        n += !r.text[size_t(k)] || *r.text[size_t(k)] != lines[size_t(k)];
    return n;
}

QByteArray nriBytes(const std::array<QString, 33>& lines)
{
    QByteArray out;
    for (const QString& l : nriDataFileLines(lines))
        out += plat::toCp1252(l) + "\r\n";
    return out;
}

} // namespace

TEST(DataFileRoundTrip, EepromImagesSaveLoadSave)
{
    TestServices ts;
    const std::pair<const char*, int> models[] = {{"Sentinel", 64}, {"C120", 128}, {"435", 256}};
    for (const auto& [model, words] : models) {
        for (int run = 0; run < 5; ++run) {
            MemoryImages m;
            m.readImage = randomImage(words);
            m.readCompleted(model);
            const QString first = QDir(ts.folder()).filePath("first.txt");
            writeEepromDataFile(first, m, model, words);
            const FileVerdict<Image> v = readEepromDataFile(first, words);
            ASSERT_TRUE(v.ok()) << v.refusal.description().toStdString();
            EXPECT_EQ(*v.value, m.readImage);

            MemoryImages again;
            again.readImage = *v.value;
            again.readCompleted(model);
            writeEepromDataFile(QDir(ts.folder()).filePath("second.txt"), again, model, words);
            EXPECT_EQ(ts.readFile("second.txt"), ts.readFile("first.txt")) << model;
        }
    }
}

TEST(DataFileRoundTrip, NriTextsSaveLoadSave)
{
    TestServices ts;
    for (int run = 0; run < 20; ++run) {
        const std::array<QString, 33> lines = randomLines();
        const QString first = QDir(ts.folder()).filePath("first.txt");
        writeNriDataFile(first, lines);
        const FileVerdict<NriFileRecords> v = readNriDataFile(first);
        ASSERT_TRUE(v.ok()) << v.refusal.description().toStdString();
        const auto back = nriLinesToProgramme(*v.value, mechEntry(Family::NRI, "X99"), ModelParams{}, {}, false);
        ASSERT_TRUE(back.ok());
        for (int n = 1; n <= 28; ++n)
            EXPECT_EQ((*back.value)[size_t(n)], lines[size_t(n)]) << n;
        writeNriDataFile(QDir(ts.folder()).filePath("second.txt"), *back.value);
        EXPECT_EQ(ts.readFile("second.txt"), ts.readFile("first.txt"));
    }
}

TEST(DataFileRoundTrip, ScratchDumpsLoad)
{
    TestServices ts;
    const Image img = randomImage(256);
    ASSERT_TRUE(plat::writeLines(QDir(ts.folder()).filePath(scratchFileName("435")), eepromDataLines(img, 256)));
    const FileVerdict<Image> cc = readEepromDataFile(QDir(ts.folder()).filePath("435temp.txt"), 256);
    ASSERT_TRUE(cc.ok());
    EXPECT_EQ(*cc.value, img);

    // A G10-4000/5 reads records 00..14 into lines 1..21; lines 22..28 hold nothing.
    const sim::NriMech typical("G10-4000/5");
    std::array<QString, 33> lines{};
    for (int n = 1; n <= 21; ++n)
        lines[size_t(n)] = QString::fromLatin1(typical.record(n - 1));
    writeNriDataFile(QDir(ts.folder()).filePath(scratchFileName("G10-4000/5")), lines);
    const FileVerdict<NriFileRecords> nri = readNriDataFile(QDir(ts.folder()).filePath("G10-4000-5temp.txt"));
    ASSERT_TRUE(nri.ok());
    ModelParams p;
    p.coinCount = 12;
    const auto toSend = nriLinesToProgramme(*nri.value, mechEntry(Family::NRI, "G10-4000/5"), p, {}, false);
    ASSERT_TRUE(toSend.ok()) << toSend.refusal.description().toStdString();
    EXPECT_EQ(*toSend.value, lines);
}

TEST(DataFileFuzz, EepromReader)
{
    const Image original = randomImage(128);
    const QByteArray good = plat::toCp1252(eepromDataLines(original, 128).join("\r\n") + "\r\n");
    const qsizetype lastLine = good.lastIndexOf("127,");

    for (qsizetype k = 0; k <= good.size(); ++k) {
        const QByteArray cut = good.left(k);
        const FileVerdict<Image> v = parseEepromDataFile(cut, 128);
        expectOneVerdict(v, cut);
        // Whole only when the last line kept at least one digit of its value.
        EXPECT_EQ(v.ok(), k >= lastLine + 5) << k;
        if (v.ok()) {
            EXPECT_LE(wordsDiffering(*v.value, original), 1);
            EXPECT_TRUE(QString::number(original[127]).startsWith(QString::number((*v.value)[127])));
        }
    }
    for (qsizetype k = 0; k < good.size(); ++k) {
        for (int mask : {0x01, 0x20, randomInt(1, 255)}) {
            QByteArray flipped = good;
            flipped[k] = char(flipped[k] ^ mask);
            const FileVerdict<Image> v = parseEepromDataFile(flipped, 128);
            expectOneVerdict(v, flipped);
            if (v.ok()) {
                EXPECT_LE(wordsDiffering(*v.value, original), 1) << k;
            }
        }
    }
    for (int run = 0; run < 300; ++run) {
        const QByteArray noise = randomBytes(run % 2 ? QByteArray() : QByteArray("0123456789,, \r\n-\"x\t"));
        expectOneVerdict(parseEepromDataFile(noise, randomInt(0, 300)), noise);
    }
}

TEST(DataFileFuzz, NriReader)
{
    const std::array<QString, 33> original = randomLines();
    const QByteArray good = nriBytes(original);

    for (qsizetype k = 0; k <= good.size(); ++k) {
        const QByteArray cut = good.left(k);
        const FileVerdict<NriFileRecords> v = parseNriDataFile(cut);
        expectOneVerdict(v, cut);
        if (!v.ok())
            continue;
        // The records before the cut are whole; the one it falls in can only have lost its end.
        int last = 28;
        while (!v.value->text[size_t(last)])
            --last;
        for (int n = 1; n <= 28; ++n) {
            const auto& t = v.value->text[size_t(n)];
            if (n < last) {
                EXPECT_EQ(t, original[size_t(n)]) << k << " " << n;
            } else if (n == last) {
                EXPECT_TRUE(original[size_t(n)].startsWith(*t)) << k;
            }
        }
    }
    EXPECT_TRUE(parseNriDataFile(good).ok());

    for (qsizetype k = 0; k < good.size(); ++k) {
        for (int mask : {0x01, 0x20, randomInt(1, 255)}) {
            QByteArray flipped = good;
            flipped[k] = char(flipped[k] ^ mask);
            const FileVerdict<NriFileRecords> v = parseNriDataFile(flipped);
            expectOneVerdict(v, flipped);
            // One line changed: its record, and where its number changed, the record it names.
            if (v.ok()) {
                EXPECT_LE(recordsDiffering(*v.value, original), 2) << k;
            }
        }
    }
    for (int run = 0; run < 300; ++run) {
        const QByteArray noise = randomBytes(run % 2 ? QByteArray() : QByteArray("0123456789,,\"\" \r\nAF\x01"));
        const FileVerdict<NriFileRecords> v = parseNriDataFile(noise);
        expectOneVerdict(v, noise);
        if (!v.ok())
            continue;
        // What was read is checked against a model of each kind without harm.
        for (const char* model : {"G13-6000", "G10-4000", "G10-4000/5"})
            expectOneVerdict(nriLinesToProgramme(*v.value, mechEntry(Family::NRI, model), ModelParams{}, {}, run % 3 == 0), noise);
    }
}
