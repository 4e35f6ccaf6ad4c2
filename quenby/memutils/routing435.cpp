#include "quenby/memutils/routing435.h"

#include "quenby/link/ccwire.h"

#include <algorithm>

namespace quenby {

namespace {

// Path letters by nibble value; the plug default's first code (word 204) follows the same table.
constexpr char16_t kPathLetters[8] = {u'D', u'C', u'B', u'A', u'a', u'b', u'c', u'd'};
// The plug default's second code (word 228 high byte), by the same nibble value.
constexpr int kPlugSecondCode[8] = {5, 4, 3, 2, 7, 8, 9, 6};

constexpr int kSortWord = 128;
constexpr int kCodeWord = 110;
constexpr int kSourceWord = 11;
constexpr qint32 kFromMemory = 256;
constexpr int kPlugWord = 204;
constexpr int kPlugSecondWord = 228;

int pathValue(QChar letter)
{
    for (int v = 0; v < 8; ++v) {
        if (letter == QChar(kPathLetters[v]))
            return v;
    }
    return -1;
}

QString letterOf(int value) { return value >= 0 && value < 8 ? QString(QChar(kPathLetters[value])) : QStringLiteral("?"); }

int nibble(qint32 value, int n) { return (value >> (4 * n)) & 15; }

} // namespace

Routing435 decodeRouting435(const Image& readImage)
{
    Routing435 f;
    for (int c = 0; c < kRoutingCoins; ++c) {
        for (int p = 0; p < 4; ++p)
            f.sort[size_t(4 * c + p)] = letterOf(nibble(readImage[size_t(kSortWord + c)], p));
    }
    for (int k = 0; k < 4; ++k) {
        for (int n = 0; n < 4; ++n)
            f.code[size_t(4 * k + n)] =
                QString::number(nibble(readImage[size_t(kCodeWord + k)], n), 2).rightJustified(4, u'0');
    }
    f.fromMemory = (readImage[kSourceWord] & kFromMemory) != 0;
    f.plugDefault = letterOf(readImage[kPlugWord] / 256);
    return f;
}

RoutingEncoding encodeRouting435(const Routing435& fields, const Image& readImage, const Image& progImage,
                                 int memorySize, const MechEntry& entry)
{
    Image img = progImage;
    std::copy_n(readImage.begin(), std::clamp(memorySize, 0, kImageTop + 1), img.begin());

    bool pathsOk = true;
    for (int c = 0; c < kRoutingCoins; ++c) {
        qint32 value = 0;
        for (int p = 3; p >= 0; --p) {
            const QString& t = fields.sort[size_t(4 * c + p)];
            const int v = t.size() == 1 ? pathValue(t[0]) : -1;
            pathsOk = pathsOk && v >= 0;
            value = value * 16 + std::max(v, 0);
        }
        img[size_t(kSortWord + c)] = value;
    }

    bool codesOk = true;
    for (int k = 0; k < 4; ++k) {
        qint32 value = 0;
        for (int n = 3; n >= 0; --n) {
            const QString& t = fields.code[size_t(4 * k + n)];
            codesOk = codesOk && t.size() == 4;
            int bits = 0;
            for (QChar ch : t.left(4)) {
                codesOk = codesOk && (ch == u'0' || ch == u'1');
                bits = bits * 2 + (ch == u'1' ? 1 : 0);
            }
            value = value * 16 + bits;
        }
        img[size_t(kCodeWord + k)] = value;
    }

    img[kSourceWord] = fields.fromMemory ? (img[kSourceWord] | kFromMemory) : (img[kSourceWord] & ~kFromMemory);

    const int plug = fields.plugDefault.isEmpty() ? -1 : pathValue(fields.plugDefault[0]);

    if (!pathsOk)
        return {std::nullopt, 712, 713};
    if (!codesOk)
        return {std::nullopt, 714, 715};
    if (plug < 0)
        return {std::nullopt, 712, 713};

    img[kPlugSecondWord] = kPlugSecondCode[plug] * 256 + 0x42;
    img[kPlugWord] = (readImage[kPlugWord] & 255) + plug * 256;
    fixCcEepromChecksum(entry, readImage, img);
    return {img, 0, 0};
}

void showRouting435(plat::View& v, const Routing435& fields)
{
    for (int i = 0; i < 4 * kRoutingCoins; ++i)
        v.setText(QStringLiteral("txtSort"), fields.sort[size_t(i)], i);
    for (int k = 0; k < kRoutingCoins; ++k)
        v.setText(QStringLiteral("txtCode"), fields.code[size_t(k)], k);
    v.setValue(fields.fromMemory ? QStringLiteral("optMemory") : QStringLiteral("optPlug"), 1);
    v.setText(QStringLiteral("txtPlugDefault"), fields.plugDefault);
}

Routing435 routingFields(const plat::View& v)
{
    Routing435 f;
    for (int i = 0; i < 4 * kRoutingCoins; ++i)
        f.sort[size_t(i)] = v.text(QStringLiteral("txtSort"), i);
    for (int k = 0; k < kRoutingCoins; ++k)
        f.code[size_t(k)] = v.text(QStringLiteral("txtCode"), k);
    f.fromMemory = v.value(QStringLiteral("optMemory")) != 0;
    f.plugDefault = v.text(QStringLiteral("txtPlugDefault"));
    return f;
}

} // namespace quenby
