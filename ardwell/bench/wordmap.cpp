#include "ardwell/bench/wordmap.h"

#include "ardwell/link/link.h"
#include "platform/vbtext.h"

#include <algorithm>

namespace ardwell {

namespace {

constexpr std::array<int, 8> kRoute126 = {128, 64, 16, 32, 4, 8, 2, 1}; // items "A " .. " d"
constexpr std::array<int, 8> kDefaultRoute = {0x38, 0x36, 0x34, 0x35, 0x32, 0x33, 0x31, 0x30};
// cmbDefaultRoute index of each low nibble 0..15.
constexpr std::array<int, 16> kDefaultRouteOfNibble = {7, 6, 4, 5, 2, 3, 1, 0, 0, 0, 0, 0, 1, 2, 2, 3};

// The bit number of a byte with exactly one bit set, else -1.
int singleBit(int byte)
{
    if (byte <= 0 || (byte & (byte - 1)) != 0)
        return -1;
    int b = 0;
    while ((byte >> b) != 1)
        ++b;
    return b;
}

} // namespace

bool coinValid(Model m, int coin)
{
    return coin >= 1 && coin <= modelEntry(m).coins;
}

int eepromTop(Model m) { return modelEntry(m).eepromTop; }

int coinNumberOf(const QString& channelItem)
{
    return plat::cLng(plat::val(plat::right(channelItem, 2)));
}

int serialWord(Model m) { return modelEntry(m).serialWord; }

QString serialNumber(const EepromImage& image, Model m)
{
    return plat::hex4(image[serialWord(m)]) + plat::hex4(image[serialWord(m) + 1]);
}

int coinByte(const EepromImage& image, int word, int idx)
{
    const int w = word16(image[word]);
    return idx % 2 == 0 ? w >> 8 : w & 0xFF;
}

void setCoinByte(EepromImage& image, int word, int idx, int value)
{
    const int w = word16(image[word]);
    const int b = value & 0xFF;
    image[word] = idx % 2 == 0 ? (w & 0x00FF) | (b << 8) : (w & 0xFF00) | b;
}

bool coinBit(int word, int idx) { return (byteSwap(word) >> idx) & 1; }

int withCoinBit(int word, int idx, bool on)
{
    qint64 w = byteSwap(word);
    w = on ? (w | (1 << idx)) : (w & ~(1 << idx));
    return int(byteSwap(w));
}

int bcoCode(int digit)
{
    if (digit < 0 || digit > 15)
        return 0;
    return 2 + 16 * (digit & 1) + 8 * ((digit >> 1) & 1) + 4 * ((digit >> 2) & 1) + ((digit >> 3) & 1);
}

std::optional<int> bcoDigit(int code)
{
    if ((code & 2) == 0)
        return std::nullopt;
    return 8 * (code & 1) + 4 * ((code >> 2) & 1) + 2 * ((code >> 3) & 1) + ((code >> 4) & 1);
}

int route126Byte(int listIndex)
{
    return listIndex >= 1 && listIndex <= 8 ? kRoute126[listIndex - 1] : 0;
}

int route126Index(int byte)
{
    const auto it = std::find(kRoute126.begin(), kRoute126.end(), byte);
    return it == kRoute126.end() ? 0 : int(it - kRoute126.begin()) + 1;
}

int plugByte(int listIndex) { return listIndex >= 1 && listIndex <= 8 ? 1 << (listIndex - 1) : 0; }

int plugIndex(int byte) { return singleBit(byte) + 1; }

int defaultRouteByte(int listIndex)
{
    return listIndex >= 0 && listIndex <= 7 ? kDefaultRoute[listIndex] : kDefaultRoute[0];
}

int defaultRouteIndex(int word) { return kDefaultRouteOfNibble[word & 15]; }

int output330Index(int byte)
{
    const int b = singleBit(byte);
    return b >= 0 && b <= 5 ? b : 6;
}

int route560Byte(int listIndex)
{
    return listIndex >= 1 && listIndex <= 7 ? 128 + (1 << (listIndex - 1)) : 128;
}

int route560Index(int byte)
{
    for (int k = 6; k >= 0; --k)
        if (byte & (1 << k))
            return k + 1;
    return 0;
}

Flags340 flags340(int word)
{
    Flags340 f;
    f.fourPlayer = ((word >> 12) & 15) == 3;
    f.manualDispense = word & 0x100;
    f.creditInput = word & 0x80;
    f.coinMeter = word & 0x40;
    f.bonus = word & 0x20;
    f.alarm = word & 0x10;
    return f;
}

int withFlags340(int word, const Flags340& f)
{
    int w = (word16(word) & 0xE0F) | (f.fourPlayer ? 0x3000 : 0x2000);
    w |= (f.manualDispense ? 0x100 : 0) | (f.creditInput ? 0x80 : 0) | (f.coinMeter ? 0x40 : 0) |
         (f.bonus ? 0x20 : 0) | (f.alarm ? 0x10 : 0);
    return w;
}

int recordBase(Model m) { return modelEntry(m).recordBase; }

int recordWord(Model m, int idx, int byte) { return recordBase(m) + kRecordBytes * (idx / 2) + byte; }

bool recordFits(Model m, int idx)
{
    return idx >= 0 && idx < kMaxCoins && recordWord(m, idx, kRecordBytes - 1) <= eepromTop(m);
}

RecordBytes readRecord(const EepromImage& image, Model m, int idx)
{
    RecordBytes r{};
    for (int i = 0; i < kRecordBytes; ++i)
        r[i] = coinByte(image, recordWord(m, idx, i), idx);
    return r;
}

void writeRecord(EepromImage& image, Model m, int idx, const RecordBytes& r, int from)
{
    for (int i = std::max(from, 0); i < kRecordBytes; ++i)
        setCoinByte(image, recordWord(m, idx, i), idx, r[i]);
}

bool recordProgrammed(const EepromImage& image, Model m, int idx)
{
    const RecordBytes r = readRecord(image, m, idx);
    return r[0] != 0 || r[1] != 0 || r[2] != 0;
}

CoinWindow unpackWindow(const RecordBytes& r)
{
    CoinWindow w;
    for (int q = 0; q < 2; ++q) {
        const int j = 5 * q;
        const int a = 2 * q, b = 2 * q + 1;
        w.low[a] = r[3 + j] * 16 + (r[4 + j] >> 4);
        w.width[a] = (r[4 + j] & 15) * 16 + (r[5 + j] >> 4);
        w.low[b] = (r[5 + j] & 15) * 256 + r[6 + j];
        w.width[b] = r[7 + j];
    }
    for (int k = 0; k < 4; ++k)
        if (r[2] & (8 >> k))
            w.low[k] = -w.low[k];
    return w;
}

void packWindow(RecordBytes& r, const CoinWindow& w)
{
    std::array<int, 4> mag{}, width{};
    int signs = 0;
    for (int k = 0; k < 4; ++k) {
        if (w.low[k] < 0)
            signs |= 8 >> k;
        mag[k] = std::clamp(w.low[k] < 0 ? -qint64(w.low[k]) : qint64(w.low[k]), qint64(0), qint64(4095));
        width[k] = std::clamp(w.width[k], 0, 255);
    }
    r[2] = (r[2] & 0xF0) | signs;
    for (int q = 0; q < 2; ++q) {
        const int j = 5 * q;
        const int a = 2 * q, b = 2 * q + 1;
        r[3 + j] = mag[a] / 16;
        r[4 + j] = (mag[a] & 15) * 16 + width[a] / 16;
        r[5 + j] = (width[a] & 15) * 16 + mag[b] / 256;
        r[6 + j] = mag[b] & 255;
        r[7 + j] = width[b];
    }
}

} // namespace ardwell
