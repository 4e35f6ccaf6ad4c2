#include "ardwell/link/imagefile.h"

#include "ardwell/link/frames.h"
#include "platform/runtimeerror.h"
#include "platform/textfile.h"
#include "platform/vbtext.h"

#include <QDir>
#include <algorithm>

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
    if (!plat::writeLines(path, imageFileLines(image)))
        throw plat::pathFileAccessError();
}

ImageLine decodeImageLine(const QString& line)
{
    ImageLine l;
    l.address = hexPiece(plat::mid(line, 1, 2)) * 256 + hexPiece(plat::mid(line, 3, 2));
    l.word = hexPiece(plat::mid(line, 6, 2)) * 256 + hexPiece(plat::right(line, 2));
    return l;
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
    const qint64 n = qint32(quint32(hexValue(serial)));
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

} // namespace ardwell
