#include "platform/textfile.h"

#include "platform/filefaults.h"
#include "platform/runtimeerror.h"
#include "platform/vbtext.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>
#include <array>

namespace plat {

namespace {

// 0x80..0x9F; the five bytes the code page leaves undefined keep their own code points.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char encodeChar(char16_t u)
{
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
        return char(u);
    for (std::size_t k = 0; k < kHigh.size(); ++k) {
        if (kHigh[k] == u)
            return char(0x80 + k);
    }
    return '?';
}

} // namespace

QByteArray toCp1252(const QString& text)
{
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype k = 0; k < text.size(); ++k) {
        const QChar c = text[k];
        if (c.isHighSurrogate() && k + 1 < text.size() && text[k + 1].isLowSurrogate())
            ++k; // one character outside the code page: one '?'
        out += encodeChar(c.unicode());
    }
    return out;
}

QString fromCp1252(const QByteArray& bytes)
{
    QString out;
    out.reserve(bytes.size());
    for (char b : bytes) {
        const auto u = static_cast<unsigned char>(b);
        out += QChar(u >= 0x80 && u < 0xA0 ? kHigh[u - 0x80] : char16_t(u));
    }
    return out;
}

QStringList splitLines(const QByteArray& bytes)
{
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype k = 0; k < bytes.size(); ++k) {
        const char c = bytes[k];
        if (c != '\r' && c != '\n')
            continue;
        lines << fromCp1252(bytes.mid(start, k - start));
        if (c == '\r' && k + 1 < bytes.size() && bytes[k + 1] == '\n')
            ++k;
        start = k + 1;
    }
    if (start < bytes.size())
        lines << fromCp1252(bytes.mid(start));
    return lines;
}

const QStringList& TextLines::orThrow() const
{
    if (!ok)
        throw RuntimeError(errorNumber ? errorNumber : err::PathFileAccess, error);
    return lines;
}

TextLines readLines(const QString& path)
{
    TextLines r;
    QFile f(path);
    if (!QFileInfo(path).isFile()) {
        r.errorNumber = err::FileNotFound;
        r.error = QStringLiteral("File not found");
        return r;
    }
    if (!FileFaults::readRefused(path) && f.open(QIODevice::ReadOnly)) {
        const QByteArray bytes = f.readAll();
        if (f.error() == QFileDevice::NoError) {
            r.lines = splitLines(bytes);
            r.ok = true;
            return r;
        }
    }
    r.errorNumber = err::PathFileAccess;
    r.error = QStringLiteral("Path/File access error");
    return r;
}

namespace {

QByteArray joinLines(const QStringList& lines)
{
    QByteArray out;
    for (const QString& l : lines)
        out += toCp1252(l) + "\r\n";
    return out;
}

void setError(QString* error, const QString& path, const QString& reason)
{
    if (error)
        *error = QDir::toNativeSeparators(path) + QStringLiteral(": ") + reason;
}

// One write to the file as the system does it: a disk that fills part-way takes what fits and
// returns the short count without a reason. A refusal's reason goes to *reason.
qint64 diskWrite(QFileDevice& f, const QString& path, const char* data, qint64 size, QString* reason)
{
    const bool buffered = !(f.openMode() & QIODevice::Unbuffered);
    if (const std::optional<qint64> room = FileFaults::roomLeft(path); room && !buffered) {
        // Bytes that land on the file's own need no room.
        const qint64 at = (f.openMode() & QIODevice::Append) ? f.size() : f.pos();
        const qint64 fits = std::max<qint64>(0, *room + f.size() - at);
        if (fits == 0) {
            *reason = QStringLiteral("No space left on device");
            return -1;
        }
        size = std::min(size, fits);
    }
    const qint64 n = f.write(data, size);
    if (n < 0)
        *reason = f.errorString();
    return n;
}

// The file device holds written bytes in its buffer; a full disk is found only when they go
// out. They go out here, before a temporary file may replace the old one, and the file's size
// says whether every byte arrived (the file ends up at least endSize long).
bool writeWhole(QFileDevice& f, const QString& path, const QByteArray& bytes, qint64 endSize, QString* error)
{
    // Unbuffered, the write itself goes to the disk.
    const bool buffered = !(f.openMode() & QIODevice::Unbuffered);
    if (FileFaults::flushRefused(path) && !buffered) {
        setError(error, path, QStringLiteral("No space left on device"));
        return false;
    }
    // A write the disk cut short gave no reason: the rest is offered again, and either goes
    // out or is refused with the system's reason.
    for (qint64 done = 0; done < bytes.size();) {
        QString reason;
        const qint64 n = diskWrite(f, path, bytes.constData() + done, bytes.size() - done, &reason);
        if (n <= 0) {
            setError(error, path, reason.isEmpty() ? f.errorString() : reason);
            return false;
        }
        done += n;
    }
    const std::optional<qint64> room = buffered ? FileFaults::roomLeft(path) : std::nullopt;
    if (FileFaults::flushRefused(path) || (room && *room < bytes.size())) {
        setError(error, path, QStringLiteral("No space left on device"));
        return false;
    }
    if (!f.flush()) {
        // The same for the buffer: a flush cut short says "Unknown error", the next one why.
        if (!f.flush()) {
            setError(error, path, f.errorString());
            return false;
        }
        f.unsetError();
    }
    if (f.error() != QFileDevice::NoError) {
        setError(error, path, f.errorString());
        return false;
    }
    if (f.size() < endSize) {
        setError(error, path, QStringLiteral("the disk took only part of the file"));
        return false;
    }
    return true;
}

// Writes over the file's own bytes, without a temporary file, and cuts what the new contents do
// not reach: bytes that fit where the old ones were need no new room on the disk.
bool writeInPlace(const QString& path, const QByteArray& bytes, QString* error)
{
    QFile f(path);
    // A file the user may write but not read can only be emptied first.
    if (!f.open(QIODevice::ReadWrite | QIODevice::Unbuffered) &&
        !f.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        setError(error, path, f.errorString());
        return false;
    }
    // The old contents go back if the disk fills part way; a file that cannot be read was
    // emptied on opening and has none to give back.
    const QByteArray old = f.isReadable() ? f.readAll() : QByteArray();
    if (!f.seek(0)) {
        setError(error, path, f.errorString());
        return false;
    }
    if (writeWhole(f, path, bytes, bytes.size(), error)) {
        if (f.resize(bytes.size()))
            return true;
        setError(error, path, f.errorString());
    }
    if (f.seek(0) && f.write(old) == old.size())
        f.resize(old.size());
    return false;
}

// Adds to the end of the file, all of the bytes or none: a disk that fills part way would leave
// a record cut, so the file goes back to its length before.
bool writeAppended(const QString& path, const QByteArray& bytes, QString* error)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
        setError(error, path, f.errorString());
        return false;
    }
    const qint64 before = f.size();
    if (writeWhole(f, path, bytes, before + bytes.size(), error))
        return true;
    f.resize(before);
    return false;
}

} // namespace

bool writeLines(const QString& path, const QStringList& lines, QString* error)
{
    const QByteArray bytes = joinLines(lines);
    const QString folder = QFileInfo(path).absolutePath();
    if (!FileFaults::newFileRefused(folder)) {
        QSaveFile f(path);
        f.setDirectWriteFallback(false);
        if (f.open(QIODevice::WriteOnly)) {
            if (!writeWhole(f, path, bytes, bytes.size(), error)) {
                f.cancelWriting();
                return false;
            }
            if (f.commit())
                return true;
            setError(error, path, f.errorString());
            return false;
        }
        // Any other reason than a folder closed to new files (no such folder, disk full) is
        // not mended by writing in place.
        if (!QFileInfo(folder).isDir() || QFileInfo(folder).isWritable()) {
            setError(error, path, f.errorString());
            return false;
        }
    }
    // A file the user may write in a folder where he may not create one (a shared program
    // folder): replace its contents in place, without the temporary file.
    if (!QFileInfo::exists(path)) {
        setError(error, path, QStringLiteral("The folder does not allow a new file"));
        return false;
    }
    return writeInPlace(path, bytes, error);
}

bool appendLines(const QString& path, const QStringList& lines, QString* error)
{
    return writeAppended(path, joinLines(lines), error);
}

CsvRecord& CsvRecord::text(const QString& s)
{
    QString q = s;
    q.replace(u'"', QStringLiteral("\"\""));
    return raw(u'"' + q + u'"');
}

CsvRecord& CsvRecord::number(double x)
{
    QString t = str(x).trimmed();
    if (t.startsWith(u'.'))
        t.prepend(u'0');
    else if (t.startsWith(QLatin1String("-.")))
        t.insert(1, u'0');
    return raw(t);
}

CsvRecord& CsvRecord::raw(const QString& field)
{
    fields_ << field;
    return *this;
}

QString CsvReader::next()
{
    const int n = int(line_.size());
    if (pos_ >= n) {
        pendingEmpty_ = false;
        pos_ = n + 1;
        return {};
    }
    while (pos_ < n && (line_[pos_] == u' ' || line_[pos_] == u'\t'))
        ++pos_;
    QString field;
    int stop; // index where the field's text ended
    if (pos_ < n && line_[pos_] == u'"') {
        int k = pos_ + 1;
        for (; k < n; ++k) {
            if (line_[k] == u'"') {
                if (k + 1 < n && line_[k + 1] == u'"') {
                    field += u'"';
                    ++k;
                    continue;
                }
                break;
            }
            field += line_[k];
        }
        stop = k;
    } else {
        int k = pos_;
        while (k < n && line_[k] != u',')
            ++k;
        field = line_.mid(pos_, k - pos_);
        while (!field.isEmpty() && (field.back() == u' ' || field.back() == u'\t'))
            field.chop(1);
        stop = k;
    }
    const int comma = int(line_.indexOf(u',', stop));
    if (comma < 0) {
        pos_ = n + 1;
    } else {
        pos_ = comma + 1;
        pendingEmpty_ = pos_ == n;
    }
    return field;
}

double CsvReader::nextNumber() { return val(next()); }

QStringList csvFields(const QString& line)
{
    QStringList out;
    CsvReader r(line);
    while (!r.atEnd())
        out << r.next();
    return out;
}

QString withExtension(const QString& path, const QString& ext, bool appendWhenNone)
{
    const qsizetype sep = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    const qsizetype dot = path.lastIndexOf(u'.');
    if (dot > sep)
        return path.left(dot) + ext;
    return appendWhenNone ? path + ext : path;
}

} // namespace plat
