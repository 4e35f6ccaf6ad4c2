#include "quenby/link/marswire.h"

#include "platform/vbtext.h"

#include <algorithm>

namespace quenby {

namespace {

constexpr int kNibblesPerLine = 16;
constexpr int kRowNibbles = 16;

QByteArray digitOf(qint32 nibble) { return plat::hexU(nibble).toLatin1(); }

} // namespace

int promLastAddress(int promSize) { return promSize == 1 ? 511 : 255; }

int MarsPromRead::firstMissing(int promSize) const
{
    for (int a = 0; a <= promLastAddress(promSize); ++a)
        if (!stored.test(size_t(a)))
            return a;
    return -1;
}

bool decodeMarsPromLine(const QString& line, int promSize, Image& readImage, MarsPromRead& read)
{
    // Characters are counted from 1: the address at 2..4, nibble i at 6 + 2i.
    constexpr int lastChar = 6 + 2 * (kNibblesPerLine - 1);
    std::array<int, kNibblesPerLine> nibbles{};
    int start = 0;
    bool ok = line.size() == lastChar;
    for (int k = 2; ok && k <= 4; ++k) {
        const int d = plat::hexDigit(line[k - 1]);
        ok = d >= 0;
        start = start * 16 + d;
    }
    for (int i = 0; ok && i < kNibblesPerLine; ++i) {
        nibbles[size_t(i)] = plat::hexDigit(line[6 + 2 * i - 1]);
        ok = nibbles[size_t(i)] >= 0;
    }
    const int end = start + kNibblesPerLine; // the address after the line
    if (!ok || !inImage(end - 1)) {
        ++read.refusedLines;
        return false;
    }
    for (int i = 0; i < kNibblesPerLine; ++i) {
        readImage[size_t(start + i)] = nibbles[size_t(i)];
        read.stored.set(size_t(start + i));
    }
    if (end > promLastAddress(promSize))
        read.topReached = true;
    return true;
}

PromRows marsPromRows(const Image& progImage, int first, int last)
{
    PromRows out;
    if (first > last)
        return out;
    if (!inImage(first) || !inImage(last)) {
        out.badAddress = inImage(first) ? last : first;
        return out;
    }
    for (int a = first; a <= last; ++a) {
        const qint32 v = progImage[size_t(a)];
        if (v < 0 || v > 15) {
            out.badAddress = a;
            return out;
        }
    }
    const int span = last - first;
    for (int a = first; a <= last;) {
        PromRow row;
        row.bytes = "P" + plat::hex4(a).right(3).toLatin1();
        const int rowEnd = std::min(a + kRowNibbles - 1, last);
        for (; a <= rowEnd; ++a)
            row.bytes += digitOf(progImage[size_t(a)]);
        row.bytes += '\r';
        row.nextAddress = a;
        // The bar runs 0..16; a one-address range has nothing to divide by and is all done.
        row.progress = span == 0 ? 16 : std::min(16, (a - first) * 16 / span);
        out.rows.push_back(row);
    }
    return out;
}

QByteArray marsTimingCommand(const MechEntry& entry) { return QByteArray(entry.mars.timings); }

QByteArray marsTimingReadBack(double value1, double value2, double value3, double value4)
{
    QByteArray out = "Z";
    for (double v : {value1, value2, value3, value4})
        out += plat::format(v, QStringLiteral("000")).toLatin1();
    return out;
}

} // namespace quenby
