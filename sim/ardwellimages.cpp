#include "sim/ardwellimages.h"

#include "platform/vbtext.h"
#include "sim/ardwellcoins.h"

#include <algorithm>
#include <cmath>

namespace sim::ardwellimage {

namespace {

// The kind each channel was taught, per variant. Channels of the standard image: the six coins,
// then the kinds that exercise the bench; the other mech taught only a few.
constexpr std::array<int, 16> kStandardKinds{Coin1, Coin2, Coin3, Coin4, Coin5, Coin6, BiMetallic, Token,
                                             LevelThree, NegativeLfa, Coin7, -1, Coin9, Coin10, -1, -1};
constexpr std::array<int, 16> kOtherKinds{Coin1, -1, -1, Coin4, Coin5, -1, -1, -1,
                                          -1, -1, Coin7, -1, -1, -1, -1, -1};

int levelFor(bool m126, Variant v, int kind)
{
    if (v == Variant::Other)
        return m126 ? 3 : 4;
    if (kind == LevelThree)
        return 3;
    if (kind == BiMetallic)
        return 4;
    return m126 ? 4 : 7;
}

// A window around where coins of the kind fall, with a little room; a byte wide at most.
WindowRecord windowFor(bool m126, int kind, int level)
{
    WindowRecord r;
    r.level = level;
    const auto spread = parameterSpread(m126, kind, level);
    for (int k = 0; k < 4; ++k) {
        const double m = spread[std::size_t(k)].mean;
        const double h = spread[std::size_t(k)].halfWidth + 6;
        int low = int(std::floor(m - h));
        int width = int(std::ceil(m + h)) - low;
        if (width > 255) {
            width = 255;
            low = int(std::floor(m - 127.5));
        }
        r.low[std::size_t(k)] = low;
        r.width[std::size_t(k)] = width;
    }
    return r;
}

int bcoCode(int d) { return 2 + 16 * (d & 1) + 8 * ((d >> 1) & 1) + 4 * ((d >> 2) & 1) + ((d >> 3) & 1); }

// Inhibit-line words: each channel on at most one line (-1: none).
void setLines(Words& w, int first, int lines, const std::array<int, 16>& lineOf, int channels)
{
    for (int k = 0; k < lines; ++k)
        w[std::size_t(first + k)] = 0;
    for (int idx = 0; idx < channels; ++idx)
        if (lineOf[std::size_t(idx)] >= 0)
            setCoinBit(w, first + lineOf[std::size_t(idx)], idx, true);
}

void settings330(Words& w, Variant v)
{
    const bool s = v == Variant::Standard;
    // Channel 9 of the standard image sits on line G, channel 12 on H: lines the panel never shows.
    const std::array<int, 16> lines = s ? std::array<int, 16>{0, 1, 2, 3, 4, 5, 0, 4, 6, 2, -1, 7}
                                        : std::array<int, 16>{5, 4, 3, 2, 1, 0, 3, 2, 1, 0, 7, 6};
    setLines(w, 112, 8, lines, 12);
    const std::array<int, 12> out = s ? std::array<int, 12>{1, 2, 4, 8, 16, 32, 3, 1, 5, 2, 16, 6}
                                      : std::array<int, 12>{32, 16, 8, 4, 2, 1, 1, 2, 4, 8, 12, 48};
    for (int idx = 0; idx < 12; ++idx)
        setCoinByte(w, 120, idx, std::uint8_t(out[std::size_t(idx)]));
}

void settings340(Words& w, Variant v)
{
    const bool s = v == Variant::Standard;
    // Flags: players in bits 15..12, manual dispense 8, credit input 7, coin meter 6, bonus 5,
    // alarm 4; the bits the bench leaves alone hold something too.
    w[112] = s ? 0x3AD5 : 0x2123;
    w[113] = s ? 0x053C : 0x0211; // scaling factor in the high byte
    w[114] = s ? 100 : 50;        // game price
    w[115] = s ? 0x0A05 : 0x0302; // games of bonus 1 and 2
    w[117] = s ? 0x147E : 0x0A22; // external credit value in the high byte
    w[118] = s ? 500 : 300;       // bonus 2 level
    w[119] = s ? 200 : 150;       // bonus 1 level
    w[120] = s ? 0x012B : 0x0233; // coin meter value in the high byte
    const std::array<int, 12> values = s ? std::array<int, 12>{5, 10, 20, 50, 100, 200, 2, 1, 25, 40, 15, 30}
                                         : std::array<int, 12>{10, 20, 50, 100, 200, 250, 1, 2, 3, 4, 5, 6};
    for (int idx = 0; idx < 12; ++idx)
        setCoinByte(w, 121, idx, std::uint8_t(values[std::size_t(idx)]));
}

void settings560(Words& w, Variant v)
{
    // 128 is "Default", 128 + 2^(k-1) route k.
    const std::array<int, 12> routes = v == Variant::Standard
                                           ? std::array<int, 12>{129, 130, 132, 128, 144, 192, 136, 160, 144, 132, 128, 160}
                                           : std::array<int, 12>{192, 160, 144, 136, 132, 130, 129, 128, 192, 160, 144, 136};
    for (int idx = 0; idx < 12; ++idx)
        setCoinByte(w, 122, idx, std::uint8_t(routes[std::size_t(idx)]));
}

void settings126(Words& w, Variant v)
{
    const bool s = v == Variant::Standard;
    const std::array<int, 16> lines = s ? std::array<int, 16>{0, 1, 2, 3, 4, 5, 0, 1, 2, 4, 3, 5, -1, 0, -1, -1}
                                        : std::array<int, 16>{5, 4, 3, 2, 1, 0, 2, 3, 4, 5, 0, 1, 5, -1, 1, 2};
    setLines(w, 216, 6, lines, 16);
    static constexpr std::uint8_t kRouteBytes[8] = {128, 64, 16, 32, 4, 8, 2, 1};
    for (int idx = 0; idx < 16; ++idx) {
        const int c = idx + 1;
        // Output line index (0 none, 1..6 A..F, 7 MPE) in bits 7..5, the BCO code of a digit below.
        int line = c <= 12 ? (c - 1) % 6 + 1 : (c == 13 ? 7 : c - 14);
        int digit = c % 16;
        if (!s) {
            line = c % 8;
            digit = (15 - c) & 15;
        }
        setCoinByte(w, 222, idx, std::uint8_t(line << 5 | bcoCode(digit)));
        // The second eight channels pair the routes and plugs differently, so no two words match.
        const int k = (idx + idx / 8 + (s ? 0 : 3)) % 8;
        setCoinByte(w, 240, idx, kRouteBytes[k]);
        setCoinByte(w, 248, idx, std::uint8_t(1 << (3 * k + (s ? 0 : 1)) % 8));
    }
    w[239] = s ? 0x5B38 : 0x6C30; // default route "A " / " d" in the low byte
}

} // namespace

bool is126(const QString& model) { return model == QLatin1String("126"); }
int wordCount(const QString& model) { return is126(model) ? 256 : 128; }
int recordBase(const QString& model) { return is126(model) ? 31 : 34; }
int channelCount(const QString& model) { return is126(model) || model == QLatin1String("PCA") ? 16 : 12; }
int serialWord(const QString& model) { return is126(model) ? 2 : 3; }

std::uint8_t coinByte(const Words& w, int first, int idx)
{
    const int a = first + idx / 2;
    if (a < 0 || a >= int(w.size()))
        return 0;
    const quint16 v = w[std::size_t(a)];
    return std::uint8_t(idx % 2 == 0 ? v >> 8 : v & 0xFF);
}

void setCoinByte(Words& w, int first, int idx, std::uint8_t value)
{
    const int a = first + idx / 2;
    if (a < 0 || a >= int(w.size()))
        return;
    quint16& v = w[std::size_t(a)];
    v = idx % 2 == 0 ? quint16((v & 0x00FF) | (value << 8)) : quint16((v & 0xFF00) | value);
}

namespace {
int bitOf(int idx) { return idx < 8 ? idx + 8 : idx - 8; }
} // namespace

bool coinBit(const Words& w, int word, int idx)
{
    if (word < 0 || word >= int(w.size()) || idx < 0 || idx > 15)
        return false;
    return (w[std::size_t(word)] >> bitOf(idx)) & 1;
}

void setCoinBit(Words& w, int word, int idx, bool on)
{
    if (word < 0 || word >= int(w.size()) || idx < 0 || idx > 15)
        return;
    const quint16 bit = quint16(1u << bitOf(idx));
    w[std::size_t(word)] = on ? quint16(w[std::size_t(word)] | bit) : quint16(w[std::size_t(word)] & ~bit);
}

std::array<std::uint8_t, 13> packRecord(const WindowRecord& rec)
{
    std::array<int, 13> r{};
    const int l = rec.level >= 1 && rec.level <= 6 ? rec.level : 7;
    r[0] = 0x44;
    r[1] = 0x11 * l;
    r[2] = 0x10 * l;
    std::array<int, 4> mag{}, width{};
    for (int k = 0; k < 4; ++k) {
        const int low = rec.low[std::size_t(k)];
        mag[std::size_t(k)] = std::min(4095, std::abs(low));
        width[std::size_t(k)] = std::clamp(rec.width[std::size_t(k)], 0, 255);
        if (low < 0)
            r[2] |= 8 >> k;
    }
    for (int q = 0; q < 2; ++q) {
        const int j = 5 * q;
        const int lowA = mag[std::size_t(2 * q)], widthA = width[std::size_t(2 * q)];
        const int lowB = mag[std::size_t(2 * q + 1)], widthB = width[std::size_t(2 * q + 1)];
        r[std::size_t(3 + j)] = lowA / 16;
        r[std::size_t(4 + j)] = (lowA & 15) * 16 + widthA / 16;
        r[std::size_t(5 + j)] = (widthA & 15) * 16 + lowB / 256;
        r[std::size_t(6 + j)] = lowB & 255;
        r[std::size_t(7 + j)] = widthB;
    }
    std::array<std::uint8_t, 13> out{};
    for (int i = 0; i < 13; ++i)
        out[std::size_t(i)] = std::uint8_t(r[std::size_t(i)]);
    return out;
}

void storeRecord(Words& w, int base, int idx, const WindowRecord& r)
{
    const auto bytes = packRecord(r);
    for (int i = 0; i < 13; ++i)
        setCoinByte(w, base + 13 * (idx / 2) + i, idx % 2, bytes[std::size_t(i)]);
}

std::optional<WindowRecord> readRecord(const Words& w, int base, int idx)
{
    const int first = base + 13 * (idx / 2);
    if (idx < 0 || first + 12 >= int(w.size()))
        return std::nullopt;
    std::array<int, 13> r{};
    for (int i = 0; i < 13; ++i)
        r[std::size_t(i)] = coinByte(w, first + i, idx % 2);
    if (r[0] == 0 && r[1] == 0 && r[2] == 0)
        return std::nullopt;
    WindowRecord rec;
    const int level = r[2] >> 4;
    rec.level = level >= 1 && level <= 7 ? level : 7;
    for (int q = 0; q < 2; ++q) {
        const int j = 5 * q;
        rec.low[std::size_t(2 * q)] = r[std::size_t(3 + j)] * 16 + (r[std::size_t(4 + j)] >> 4);
        rec.width[std::size_t(2 * q)] = (r[std::size_t(4 + j)] & 15) * 16 + (r[std::size_t(5 + j)] >> 4);
        rec.low[std::size_t(2 * q + 1)] = (r[std::size_t(5 + j)] & 15) * 256 + r[std::size_t(6 + j)];
        rec.width[std::size_t(2 * q + 1)] = r[std::size_t(7 + j)];
    }
    for (int k = 0; k < 4; ++k)
        if (r[2] & (8 >> k))
            rec.low[std::size_t(k)] = -rec.low[std::size_t(k)];
    return rec;
}

int taughtKind(const QString& model, Variant variant, int idx)
{
    if (idx < 0 || idx >= channelCount(model))
        return -1;
    int kind = (variant == Variant::Standard ? kStandardKinds : kOtherKinds)[std::size_t(idx)];
    if (kind >= 0 && recordBase(model) + 13 * (idx / 2) + 12 >= wordCount(model))
        kind = -1; // the PCA's channels 15 and 16: their records would run past the EEPROM
    return kind;
}

Words image(const QString& model, Variant variant, quint32 serial)
{
    const bool m126 = is126(model);
    Words w(std::size_t(wordCount(model)));
    // Distinct non-zero values everywhere first, different per variant; the word map overwrites
    // what it uses.
    const quint16 fill = variant == Variant::Standard ? 0xA005 : 0xC009;
    for (std::size_t a = 0; a < w.size(); ++a)
        w[a] = quint16(fill | (a << 4));

    const int sw = serialWord(model);
    w[std::size_t(sw)] = quint16(serial >> 16);
    w[std::size_t(sw + 1)] = quint16(serial & 0xFFFF);

    // The records of every channel a coin can be accepted on; on the PCA that reaches past the
    // twelve channels into words 112..127.
    const int base = recordBase(model);
    const int recordEnd = std::min(int(w.size()), base + 13 * (channelCount(model) / 2));
    for (int a = base; a < recordEnd; ++a)
        w[std::size_t(a)] = 0;
    w[0] = 0;
    for (int idx = 0; idx < 16; ++idx) {
        const int kind = taughtKind(model, variant, idx);
        if (kind >= 0)
            storeRecord(w, base, idx, windowFor(m126, kind, levelFor(m126, variant, kind)));
        setCoinBit(w, 0, idx, kind < 0 || kind == Token);
    }

    if (model == QLatin1String("330"))
        settings330(w, variant);
    else if (model == QLatin1String("340"))
        settings340(w, variant);
    else if (model == QLatin1String("560"))
        settings560(w, variant);
    else if (m126)
        settings126(w, variant);
    return w;
}

QByteArray imageFile(const Words& w)
{
    QByteArray out;
    for (int a = 0; a < 256; ++a) {
        const quint16 v = a < int(w.size()) ? w[std::size_t(a)] : 0;
        out += (plat::hex4(a) + ' ' + plat::hex4(v)).toLatin1() + "\r\n";
    }
    return out;
}

} // namespace sim::ardwellimage
