#include "quenby/memutils/datafiles.h"

#include "quenby/link/familytable.h"
#include "quenby/link/ccwire.h"
#include "quenby/memutils/nridatafile.h"
#include "quenby/shell/texts.h"

#include "platform/dialogs.h"
#include "platform/filefaults.h"
#include "platform/textfile.h"
#include "platform/vbtext.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <vector>

namespace quenby {

namespace {

const QString kTxt = QStringLiteral(".txt");
constexpr int kNriRecords = 28;

template <class T>
FileVerdict<T> refuse(int line, const QString& reason, int number)
{
    return {std::nullopt, {line, reason, number}};
}

QString trimBlanks(const QString& s)
{
    qsizetype a = 0;
    qsizetype b = s.size();
    while (a < b && s[a] == u' ')
        ++a;
    while (b > a && s[b - 1] == u' ')
        --b;
    return s.mid(a, b - a);
}

bool isControl(QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7F; }

// A whole number of decimal digits only; a number of more than nine digits reads as
// kBeyondNine. Empty when the field is not such a number.
constexpr qint64 kBeyondNine = 1000000000;
std::optional<qint64> wholeNumber(const QString& field)
{
    if (field.isEmpty())
        return std::nullopt;
    qint64 n = 0;
    for (QChar c : field) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        n = std::min(n * 10 + (c.unicode() - u'0'), kBeyondNine);
    }
    return n;
}

// "address 600", or "address" alone for a number too long to show.
QString numbered(const char* what, qint64 n)
{
    const QString w = QLatin1String(what);
    return n >= kBeyondNine ? w : w + u' ' + QString::number(n);
}

struct FileLines {
    QStringList lines;
    std::optional<FileRefusal> refusal;
};

// Splits a file's bytes into lines (CR LF, CR or LF each end one) and refuses what no data
// file of the program holds: over 64 KiB, a line over 512 characters, a control character.
FileLines checkedLines(const QByteArray& bytes)
{
    if (bytes.size() > kMaxDataFileBytes)
        return {{}, FileRefusal{0, QStringLiteral("file larger than 64 KiB"), fileerr::kTooLarge}};
    FileLines f{plat::splitLines(bytes), std::nullopt};
    for (qsizetype k = 0; k < f.lines.size(); ++k) {
        const QString& l = f.lines[k];
        if (l.size() > kMaxDataFileLine) {
            f.refusal = FileRefusal{int(k + 1), QStringLiteral("longer than 512 characters"), fileerr::kMalformed};
            break;
        }
        if (std::any_of(l.begin(), l.end(), isControl)) {
            f.refusal = FileRefusal{int(k + 1), QStringLiteral("control character"), fileerr::kMalformed};
            break;
        }
    }
    return f;
}

// The bytes of a data file, read no further than one byte past the size a data file may have.
std::optional<FileRefusal> readBounded(const QString& path, QByteArray& bytes)
{
    if (!QFileInfo(path).isFile())
        return FileRefusal{0, QStringLiteral("File not found"), plat::err::FileNotFound};
    QFile f(path);
    if (plat::FileFaults::readRefused(path) || !f.open(QIODevice::ReadOnly))
        return FileRefusal{0, QStringLiteral("Path/File access error"), plat::err::PathFileAccess};
    bytes = f.read(kMaxDataFileBytes + 1);
    if (f.error() != QFileDevice::NoError)
        return FileRefusal{0, QStringLiteral("Path/File access error"), plat::err::PathFileAccess};
    return std::nullopt;
}

bool isHexDigit(QChar c) { return plat::hexDigit(c) >= 0; }
bool isDigit(QChar c) { return c >= u'0' && c <= u'9'; }

bool evenLengthHex(const QString& s) { return s.size() % 2 == 0 && std::all_of(s.begin(), s.end(), isHexDigit); }
bool allDigits(const QString& s) { return std::all_of(s.begin(), s.end(), isDigit); }
bool coinDigits(const QString& s) { return s.size() == 24 && allDigits(s); }
bool oldDate(const QString& s)
{
    return s.size() == 8 && s[2] == u'/' && s[5] == u'/' && allDigits(s.left(2)) && allDigits(s.mid(3, 2))
           && allDigits(s.right(2));
}

constexpr int kG10ValueCoins = 8; // the G10 value record holds coins 1..8 whatever the coin count
constexpr int kTubeValues = 4;    // lowest value, then the left, middle and right tubes

// The length of record line n of a newer model where programming writes the record itself (so the
// mech's record has that length); 0 where only the mech knows it.
int newerRecordLength(const MechEntry& e, const ModelParams& p, int n)
{
    const int params = std::clamp(p.paramCount, 0, 6);
    const int coins = std::clamp(p.coinCount, 0, 24);
    const bool g10 = e.nri.g10HeaderLength > 0;
    if (n == 3)
        return 6; // the date: day, month, year, two hex digits each
    if (n >= 4 && n <= 15)
        return 4 * params;
    switch (n) {
    case 16: return g10 ? e.nri.g10HeaderLength + 4 * (kTubeValues + kG10ValueCoins) : 2 * coins;
    case 17: return g10 ? 0 : 2 + 2 * coins;
    case 19: return g10 ? 0 : 2 * coins;
    case 20: return g10 ? 0 : params * coins;
    case 26: return 2 * std::clamp(e.nri.compensationBytes, 0, 6);
    default: return 0;
    }
}

} // namespace

QString nriLineFault(const MechEntry& e, const ModelParams& p, int n, const QString& s)
{
    const QString rec = QStringLiteral("record %1 ").arg(n);
    if (e.kind == MechKind::NriNew) {
        if (n > std::clamp(e.nri.dataFileBlocks, 0, kNriRecords))
            return {};
        // A record the model's read never fills is empty in the files the program writes.
        if (s.isEmpty())
            return nriReadFills(nriReadPlan(e, p), n) ? rec + QStringLiteral("is empty") : QString();
        if (!evenLengthHex(s))
            return rec + QStringLiteral("is not even-length hex");
        const int length = newerRecordLength(e, p, n);
        if (length > 0 && s.size() != length)
            return rec + QStringLiteral("is not %1 hex digits").arg(length);
        return {};
    }
    if (e.kind != MechKind::NriOld)
        return {};
    const int coins = std::clamp(p.coinCount, 0, kNriRecords - 2);
    if (n <= coins)
        return coinDigits(s) ? QString() : rec + QStringLiteral("is not 24 digits");
    if (n == coins + 1) {
        const int header = e.nri.g10HeaderLength;
        if (header > 0) {
            const int length = header + 4 * (kTubeValues + coins);
            if (s.size() != length || !allDigits(s.mid(header)))
                return rec + QStringLiteral("is not %1 digits after %2").arg(length - header).arg(header);
            return {};
        }
        const int length = 3 + 3 * coins; // the multiplier, then each coin's value
        return s.size() == length && allDigits(s) ? QString() : rec + QStringLiteral("is not %1 digits").arg(length);
    }
    if (n == coins + 2)
        return oldDate(s) ? QString() : rec + QStringLiteral("is not a dd/mm/yy date");
    return {};
}

// ---- names ----

QString coinSetsFolder(const QString& programFolder) { return QDir(programFolder).filePath(QStringLiteral("CoinSets/")); }

namespace {

// A name that ends in ".txt" in any case stands as it is: the dialog showed that very file.
QString withTxt(const QString& chosen, bool appendWhenNone)
{
    const QString named = plat::withExtension(chosen, kTxt, appendWhenNone);
    return named.compare(chosen, Qt::CaseInsensitive) == 0 ? chosen : named;
}

} // namespace

QString savedDataFileName(const QString& chosen) { return withTxt(chosen, true); }

QString openedDataFileName(const QString& chosen) { return withTxt(chosen, false); }

QString chooseDataFile(plat::Dialogs& dialogs, const TextTable& texts, DataFileDialog which,
                       const QString& programFolder)
{
    const QString filter = QStringLiteral("*.txt");
    const QString folder = coinSetsFolder(programFolder);
    QString chosen;
    switch (which) {
    case DataFileDialog::EepromSave: chosen = dialogs.saveFileName(texts.getText(717), filter, folder); break;
    case DataFileDialog::EepromOpen: chosen = dialogs.openFileName(QStringLiteral("Open File"), filter, folder); break;
    case DataFileDialog::NriSave: chosen = dialogs.saveFileName(texts.getText(917), filter, folder); break;
    case DataFileDialog::NriOpen: chosen = dialogs.openFileName(texts.getText(903), filter, folder); break;
    }
    if (chosen.isEmpty())
        return {};
    const bool saving = which == DataFileDialog::EepromSave || which == DataFileDialog::NriSave;
    return saving ? savedDataFileName(chosen) : openedDataFileName(chosen);
}

// ---- verdicts ----

QString FileRefusal::description() const
{
    const QString text = line > 0 ? QStringLiteral("line %1: %2").arg(line).arg(reason) : reason;
    return text.left(50);
}

// ---- CC EEPROM data file ----

FileVerdict<Image> parseEepromDataFile(const QByteArray& bytes, int memorySize)
{
    if (memorySize < 1 || memorySize > kImageTop + 1)
        return refuse<Image>(0, QStringLiteral("no memory size for this model"), fileerr::kOutOfRange);
    const FileLines f = checkedLines(bytes);
    if (f.refusal)
        return {std::nullopt, *f.refusal};

    Image image{};
    std::vector<bool> named(size_t(memorySize), false);
    for (qsizetype k = 0; k < f.lines.size(); ++k) {
        const int line = int(k + 1);
        if (trimBlanks(f.lines[k]).isEmpty())
            continue;
        const QStringList fields = f.lines[k].split(u',');
        if (fields.size() != 2)
            return refuse<Image>(line, QStringLiteral("expected address,value"), fileerr::kMalformed);
        const std::optional<qint64> address = wholeNumber(trimBlanks(fields[0]));
        const std::optional<qint64> value = wholeNumber(trimBlanks(fields[1]));
        if (!address)
            return refuse<Image>(line, QStringLiteral("address is not a whole number"), fileerr::kMalformed);
        if (!value)
            return refuse<Image>(line, QStringLiteral("value is not a whole number"), fileerr::kMalformed);
        if (*address >= memorySize)
            return refuse<Image>(line, numbered("address", *address) + QStringLiteral(" outside 0..%1").arg(memorySize - 1),
                                 fileerr::kOutOfRange);
        if (*value > 65535)
            return refuse<Image>(line, numbered("value", *value) + QStringLiteral(" above 65535"), fileerr::kOverflow);
        if (named[size_t(*address)])
            return refuse<Image>(line, QStringLiteral("address %1 given twice").arg(*address), fileerr::kMalformed);
        named[size_t(*address)] = true;
        image[size_t(*address)] = qint32(*value);
    }
    const auto gap = std::find(named.begin(), named.end(), false);
    if (gap != named.end())
        return refuse<Image>(0, QStringLiteral("address %1 missing").arg(gap - named.begin()), fileerr::kMissing);
    return {image, {}};
}

FileVerdict<Image> readEepromDataFile(const QString& path, int memorySize)
{
    QByteArray bytes;
    if (const auto r = readBounded(path, bytes))
        return {std::nullopt, *r};
    return parseEepromDataFile(bytes, memorySize);
}

void writeEepromDataFile(const QString& path, const MemoryImages& images, const QString& model, int memorySize)
{
    const ReadState& read = images.lastRead;
    if (!images.holdsWholeMemoryOf(model)) {
        QString why;
        if (read.model.isEmpty())
            why = QStringLiteral("no EEPROM read to save");
        else if (read.model != model)
            why = QStringLiteral("the EEPROM read is another model's");
        else if (read.stopAddress >= 0)
            why = QStringLiteral("read stopped at word %1: nothing saved").arg(read.stopAddress);
        else
            why = QStringLiteral("the read did not finish: nothing saved");
        throw plat::RuntimeError(5, why);
    }
    QString why;
    if (!plat::writeLines(path, eepromDataLines(images.readImage, memorySize), &why))
        throw plat::RuntimeError(plat::err::PathFileAccess, why);
}

// ---- NRI data file ----

void writeNriMemoryFile(const QString& path, const NriReadTables& nri, const MechEntry& entry,
                        const ModelParams& params)
{
    const QString& model = entry.model;
    if (!nri.linesAreAMemoryOf(model)) {
        const ReadState& read = nri.linesRead;
        QString why;
        if (!nri.linesFileModel.isEmpty())
            why = QStringLiteral("the lines loaded are another model's");
        else if (read.model.isEmpty())
            why = QStringLiteral("no NRI memory read to save");
        else if (read.model != model)
            why = QStringLiteral("the memory read is another model's");
        else if (read.stopTextId != 0)
            why = QStringLiteral("no logon to the mech: nothing saved");
        else if (read.stopAddress > 0)
            why = QStringLiteral("record %1 was not read whole: nothing saved").arg(read.stopAddress);
        else
            why = QStringLiteral("the read did not finish: nothing saved");
        throw plat::RuntimeError(5, why);
    }
    // A file its own program would refuse to load is not written.
    const QString unwritable = nriDataLinesUnwritable(nri.nriDataLines);
    if (!unwritable.isEmpty())
        throw plat::RuntimeError(fileerr::kMalformed, unwritable + QStringLiteral(": nothing saved"));
    for (int n = 1; n <= kNriRecords; ++n) {
        const QString fault = nriLineFault(entry, params, n, nri.nriDataLines[size_t(n)]);
        if (!fault.isEmpty())
            throw plat::RuntimeError(fileerr::kMalformed, fault + QStringLiteral(": nothing saved"));
    }
    writeNriDataFile(path, nri.nriDataLines);
}

FileVerdict<NriFileRecords> parseNriDataFile(const QByteArray& bytes)
{
    using V = NriFileRecords;
    const FileLines f = checkedLines(bytes);
    if (f.refusal)
        return {std::nullopt, *f.refusal};

    NriFileRecords records;
    bool any = false;
    for (qsizetype k = 0; k < f.lines.size(); ++k) {
        const int line = int(k + 1);
        const QString& l = f.lines[k];
        if (trimBlanks(l).isEmpty())
            continue;
        const qsizetype comma = l.indexOf(u',');
        if (comma < 0)
            return refuse<V>(line, QStringLiteral("no comma after the record number"), fileerr::kMalformed);
        const std::optional<qint64> n = wholeNumber(trimBlanks(l.left(comma)));
        if (!n)
            return refuse<V>(line, QStringLiteral("record number expected"), fileerr::kMalformed);
        if (*n < 1 || *n > kNriRecords)
            return refuse<V>(line, numbered("record", *n) + QStringLiteral(" outside 1..28"), fileerr::kOutOfRange);

        const QString rest = l.mid(comma + 1);
        const qsizetype open = rest.indexOf(u'"');
        QString text;
        if (open >= 0 && trimBlanks(rest.left(open)).isEmpty()) {
            const qsizetype close = rest.lastIndexOf(u'"');
            if (close == open)
                return refuse<V>(line, QStringLiteral("no closing quote"), fileerr::kMalformed);
            if (!trimBlanks(rest.mid(close + 1)).isEmpty())
                return refuse<V>(line, QStringLiteral("text after the closing quote"), fileerr::kMalformed);
            text = rest.mid(open + 1, close - open - 1);
        } else {
            text = trimBlanks(rest);
            if (text.contains(u'"') || text.contains(u','))
                return refuse<V>(line, QStringLiteral("quote or comma in an unquoted text"), fileerr::kMalformed);
        }
        records.text[size_t(*n)] = text;
        records.fileLine[size_t(*n)] = line;
        any = true;
    }
    if (!any)
        return refuse<V>(0, QStringLiteral("no records in the file"), fileerr::kMissing);
    return {records, {}};
}

FileVerdict<NriFileRecords> readNriDataFile(const QString& path)
{
    QByteArray bytes;
    if (const auto r = readBounded(path, bytes))
        return {std::nullopt, *r};
    return parseNriDataFile(bytes);
}

FileVerdict<std::array<QString, 33>> nriLinesToProgramme(const NriFileRecords& file, const MechEntry& entry,
                                                         const ModelParams& params,
                                                         const std::array<QString, 33>& current,
                                                         bool currentIsThisMech)
{
    using V = std::array<QString, 33>;
    if (!currentIsThisMech) {
        for (int n = 1; n <= kNriRecords; ++n) {
            if (!file.text[size_t(n)])
                return refuse<V>(0, QStringLiteral("record %1 missing; all 28 needed").arg(n), fileerr::kMissing);
        }
    }
    V lines = current;
    for (int n = 1; n <= kNriRecords; ++n) {
        if (file.text[size_t(n)])
            lines[size_t(n)] = *file.text[size_t(n)];
    }

    // A line the model's job would send that is not a record the model holds.
    for (int n = 1; n <= kNriRecords; ++n) {
        const QString fault = nriLineFault(entry, params, n, lines[size_t(n)]);
        if (fault.isEmpty())
            continue;
        const bool fromFile = file.text[size_t(n)].has_value();
        return refuse<V>(fromFile ? file.fileLine[size_t(n)] : 0, fromFile ? fault : QStringLiteral("kept ") + fault,
                         fileerr::kMalformed);
    }
    return {lines, {}};
}

NriProgramPlan nriFileProgramPlan(const MechEntry& entry, const ModelParams& params,
                                  const std::array<QString, 33>& lines)
{
    NriProgramPlan plan;
    if (entry.kind == MechKind::NriNew) {
        const int blocks = std::clamp(entry.nri.dataFileBlocks, 0, kNriRecords);
        for (int i = 0; i < blocks; ++i) {
            NriWriteStep s;
            s.progressBefore = i * 16 / blocks;
            s.command = "Z" + plat::hex2(i).toLatin1();
            s.data = plat::toCp1252(lines[size_t(i + 1)]);
            s.pauseAfterMs = 500;
            s.skipOnceFailed = true;
            if (s.data.size() % 2 != 0 && plan.ok())
                plan.refusedCommand = s.command;
            plan.steps.push_back(s);
        }
    } else if (entry.kind == MechKind::NriOld) {
        const int coins = std::clamp(params.coinCount, 0, kNriRecords - 2);
        for (int i = 0; i < coins; ++i) {
            const QString& l = lines[size_t(i + 1)];
            NriWriteStep s;
            s.progressBefore = i * 16 / 7;
            s.command = "D";
            s.data = plat::toCp1252(QString::number(i + 1) + plat::left(l, 12) + u'\r' + plat::right(l, 12) + u'\r');
            s.pauseAfterMs = 400;
            s.skipOnceFailed = true;
            plan.steps.push_back(s);
        }
        const QString closing = lines[size_t(coins + 1)];
        NriWriteStep close;
        if (entry.nri.g10HeaderLength > 0) {
            close.command = "F";
            close.data = plat::toCp1252(closing + QStringLiteral("::\r"));
        } else {
            close.command = "B";
            close.data = plat::toCp1252(closing + u'\r');
        }
        close.pauseAfterMs = 400;
        plan.steps.push_back(close);
        NriWriteStep end;
        end.command = "E";
        end.data = plat::toCp1252(lines[size_t(coins + 2)] + u'\r');
        plan.steps.push_back(end);
        plan.steps.front().pauseBeforeMs = 200;
    }
    return plan;
}

} // namespace quenby
