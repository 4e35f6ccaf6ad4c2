#include "quenby/link/ccwire.h"

#include "quenby/link/sentinelwire.h"

#include <algorithm>

namespace quenby {

namespace {

constexpr quint8 kReadOp = 0x7B;
constexpr quint8 kWriteOp = 0x7A;

int lowByte(qint32 w) { return w & 0xFF; }
// Int(w / 256) AND 255; the shift floors as Int does.
int highByte(qint32 w) { return (w >> 8) & 0xFF; }

} // namespace

QByteArray ccReadRequest(int address)
{
    const int a = address & 0xFF;
    QByteArray out;
    out += char(kReadOp);
    out += char(a);
    out += char((kReadOp + a) & 0xFF);
    return out;
}

QByteArray ccWriteRequest(int address, qint32 value)
{
    const int a = address & 0xFF;
    const int high = highByte(value);
    const int low = lowByte(value);
    QByteArray out;
    out += char(kWriteOp);
    out += char(a);
    out += char(high);
    out += char(low);
    out += char((kWriteOp + a + high + low) & 0xFF);
    return out;
}

CcWordReply parseCcWordReply(std::span<const qint32> frame)
{
    auto slot = [&](size_t k) { return k < frame.size() ? frame[k] & 0xFF : 0; };
    const int sum = (slot(0) + slot(1) + slot(2)) & 0xFF;
    if (sum != slot(3))
        return {true, -1};
    return {false, slot(1) * 256 + slot(2)};
}

void fixCcEepromChecksum(const MechEntry& entry, const Image& readImage, Image& progImage)
{
    switch (entry.cc.checksum) {
    case CcChecksum::Sentinel63:
        progImage[63] = sentinelChecksumWord(progImage);
        break;
    case CcChecksum::KeepByteSum127: {
        int high = highByte(readImage[127]);
        for (size_t a = 0; a < 127; ++a) {
            const qint32 was = readImage[a];
            const qint32 now = progImage[a];
            if (now != was)
                high -= (highByte(now) - highByte(was)) + (lowByte(now) - lowByte(was));
        }
        progImage[127] = (high & 0xFF) * 256 + lowByte(readImage[127]);
        break;
    }
    case CcChecksum::None:
        break;
    }
}

QStringList eepromDataLines(const Image& image, int words)
{
    QStringList out;
    for (int a = 0; a < std::min(words, kImageTop + 1); ++a)
        out << QString::number(a) + u',' + QString::number(image[size_t(a)]);
    return out;
}

} // namespace quenby
