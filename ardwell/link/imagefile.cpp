#include "ardwell/link/imagefile.h"

#include "ardwell/link/frames.h"
#include "platform/runtimeerror.h"
#include "platform/textfile.h"
#include "platform/vbtext.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <array>

namespace ardwell {

namespace {

int hexPiece(const QString& piece)
{
    int v = 0;
    for (const QChar c : piece) {
        if (c == u' ')
            continue;
        const int d = plat::hexDigit(c);
        if (d < 0)
            break;
        v = v * 16 + d;
    }
    return v;
}

qint64 floorDiv(qint64 a, qint64 b)
{
    const qint64 q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

QString zeroPadded(qint64 n, int digits)
{
    const QString d = QString::number(n < 0 ? -n : n).rightJustified(digits, u'0');
    return n < 0 ? QStringLiteral("-") + d : d;
}

} // namespace

QStringList imageFileLines(std::span<const int> image)
{
    QStringList lines;
    for (int a = 0; a < kImageFileWords; ++a) {
        const int w = a < int(image.size()) ? image[a] : 0;
        lines << plat::hex4(a) + u' ' + plat::hex4(w);
    }
    return lines;
}

void writeImageFile(const QString& path, std::span<const int> image)
{
    QString why;
    if (!plat::writeLines(path, imageFileLines(image), &why))
        throw plat::RuntimeError(plat::err::PathFileAccess, why);
}

ImageLine decodeImageLine(const QString& line)
{
    ImageLine l;
    l.address = hexPiece(plat::mid(line, 1, 2)) * 256 + hexPiece(plat::mid(line, 3, 2));
    l.word = hexPiece(plat::mid(line, 6, 2)) * 256 + hexPiece(plat::right(line, 2));
    return l;
}

std::optional<ImageFileFault> checkImageLines(const QStringList& lines, int lastNeeded)
{
    const auto isHex = [](QChar c) { return plat::hexDigit(c) >= 0; };
    std::array<bool, kImageFileWords> seen{};
    for (qsizetype k = 0; k < lines.size(); ++k) {
        const QString line = lines[k].trimmed();
        if (line.isEmpty())
            continue;
        const int number = int(k + 1);
        if (line.size() != 9 || line[4] != u' ' || !std::all_of(line.begin(), line.begin() + 4, isHex) ||
            !std::all_of(line.begin() + 5, line.end(), isHex))
            return ImageFileFault{number, QStringLiteral("not an address and a word of four hex digits each")};
        const ImageLine l = decodeImageLine(line);
        if (l.address >= kImageFileWords)
            return ImageFileFault{number, QStringLiteral("address ") + plat::hex4(l.address) +
                                              QStringLiteral(" is beyond the last word, ") +
                                              plat::hex4(kImageFileWords - 1)};
        if (seen[std::size_t(l.address)])
            return ImageFileFault{number, QStringLiteral("address ") + plat::hex4(l.address) +
                                              QStringLiteral(" a second time")};
        seen[std::size_t(l.address)] = true;
    }
    const int last = std::clamp(lastNeeded, -1, kImageFileWords - 1);
    for (int a = 0; a <= last; ++a)
        if (!seen[std::size_t(a)])
            return ImageFileFault{0, QStringLiteral("No line for address ") + plat::hex4(a)};
    return std::nullopt;
}

std::optional<ImageFileFault> checkImageFileSize(qint64 bytes)
{
    if (bytes > kMaxImageFileBytes)
        return ImageFileFault{0, QStringLiteral("Larger than any EEPROM image file (over 64 KB)")};
    return std::nullopt;
}

QString imageFileRefusal(const QString& path, const ImageFileFault& fault, const QString& outcome)
{
    const QString where = fault.line > 0 ? QStringLiteral("Line %1: ").arg(fault.line) : QString();
    return QStringLiteral("Not an EEPROM image file : ") + QDir::toNativeSeparators(path) + QStringLiteral("\r\n\r\n") +
           where + fault.what + QStringLiteral("\r\n\r\n") + outcome;
}

void loadImageLines(std::span<int> image, const QStringList& lines)
{
    const int size = int(image.size());
    std::fill(image.begin(), image.begin() + std::min(size, kLoadTop), 0);
    for (const QString& line : lines) {
        // A blank line is no word: read by position it would clear word 0 and with it every
        // coin's inhibit bit.
        if (line.trimmed().isEmpty())
            continue;
        const ImageLine l = decodeImageLine(line);
        if (l.address <= kLoadTop && l.address < size)
            image[l.address] = l.word;
    }
}

QString imageSavePath(const QString& chosen) { return plat::withExtension(chosen, QStringLiteral(".txt"), true); }

QString imageLoadPath(const QString& chosen) { return plat::withExtension(chosen, QStringLiteral(".txt"), false); }

QString backupName(const QString& serial)
{
    // More than eight digits: the last eight count.
    const quint32 bits = quint32(hexValue(serial));
    const qint64 n = qint32(bits);
    // The digits below stand for one serial each only from 0 to 999,999,999: above that, or read
    // as negative, the last digit of the first group runs past 9 and names repeat. Such a serial
    // is named by its eight hex digits, which no name of the other form can be.
    if (n < 0 || n >= 1'000'000'000)
        return QStringLiteral("%1").arg(bits, 8, 16, QLatin1Char('0')).toUpper();
    const qint64 q1 = floorDiv(n, 100000);
    const qint64 low = n - 100000 * q1;
    const qint64 q2 = floorDiv(q1, 100);
    const qint64 r2 = q1 - 100 * q2;
    const qint64 q3 = floorDiv(q2, 10);
    const qint64 r3 = q2 - 10 * q3;
    const qint64 p = 100 * r2 + 10 * r3 + q3;
    return zeroPadded(p, 4) + QStringLiteral("xx") + zeroPadded(low, 5);
}

QString backupPath(const QString& programFolder, const QString& serial)
{
    return QDir(programFolder).filePath(QStringLiteral("Backup/") + backupName(serial) + QStringLiteral(".txt"));
}

namespace {

// A link or a junction, told by the entry itself.
bool isLink(const QFileInfo& entry) { return entry.isSymLink() || entry.isJunction(); }

} // namespace

std::optional<QString> backupFolderRefusal(const QString& folder)
{
    if (!isLink(QFileInfo(folder)))
        return std::nullopt;
    return QStringLiteral("The folder ") + QDir::toNativeSeparators(folder) +
           QStringLiteral(" is a symbolic link and is not used");
}

std::optional<QString> backupFileRefusal(const QString& path)
{
    const QFileInfo entry(path);
    QString what;
    if (isLink(entry))
        what = QStringLiteral("is a symbolic link");
    else if (!entry.exists() || entry.isFile())
        return std::nullopt;
    else if (entry.isDir())
        what = QStringLiteral("is a folder");
    else
        what = QStringLiteral("is not a plain file");
    return QStringLiteral("The backup file ") + QDir::toNativeSeparators(path) + u' ' + what +
           QStringLiteral(" and is left as it is");
}

bool isWholeBackup(const QString& path)
{
    const plat::TextLines file = plat::readLines(path);
    return file.ok && !checkImageLines(file.lines, kImageFileWords - 1);
}

} // namespace ardwell
