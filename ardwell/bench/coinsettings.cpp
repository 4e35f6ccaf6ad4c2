#include "ardwell/bench/coinsettings.h"

#include "ardwell/link/link.h"
#include "platform/runtimeerror.h"
#include "platform/vbtext.h"

#include <algorithm>
#include <cmath>

namespace ardwell {

namespace {

QString number(int n) { return QString::number(n); }

void decode330(const EepromImage& img, int idx, CoinSettings& s)
{
    const int b = coinByte(img, 120 + idx / 2, idx);
    s.binaryText = plat::hex2(b);
    s.outputIndex = output330Index(b);
    s.binaryEnabled = s.outputIndex == 6;
    s.inhibitLineIndex = 6;
    for (int k = 0; k <= 5; ++k)
        if (coinBit(img[112 + k], idx))
            s.inhibitLineIndex = k; // the highest line wins
}

void decode340(const EepromImage& img, int idx, CoinSettings& s)
{
    s.coinValue = number(coinValueByte(img, idx));
    s.scalingFactor = number(scalingFactor(img));
    s.gamePrice = number(word16(img[114]));
    s.flags = flags340(word16(img[112]));
    s.bonus[2] = number(word16(img[115]) >> 8);
    s.bonus[3] = number(img[115] & 255);
    s.bonus[0] = number(word16(img[118]));
    s.bonus[1] = number(word16(img[119]));
    s.extCredit = number(word16(img[117]) >> 8);
    s.coinMeterValue = number(word16(img[120]) >> 8);
}

void decode126(const EepromImage& img, int idx, CoinSettings& s)
{
    const int p = idx / 2;
    const int b = coinByte(img, 222 + p, idx);
    const std::optional<int> digit = bcoDigit(b & 31);
    s.binaryText = digit ? plat::hex2(*digit) : QStringLiteral("None");
    s.outputIndex = b >> 5;
    s.inhibitLineIndex = 6;
    for (int k = 0; k <= 5; ++k)
        if (coinBit(img[216 + k], idx))
            s.inhibitLineIndex = k;
    s.routeIndex = route126Index(coinByte(img, 240 + p, idx));
    s.plugIndex = plugIndex(coinByte(img, 248 + p, idx));
    s.defaultRouteIndex = defaultRouteIndex(img[239]);
}

void encode330(EepromImage& img, Model m, int idx, CoinSettings& s)
{
    if (const auto code = binaryCodeOf(modelLists(m).output.items.value(s.outputIndex)))
        s.binaryText = *code;
    const int v = int(plat::val(QStringLiteral("&h") + plat::right(s.binaryText, 2)));
    setCoinByte(img, 120 + idx / 2, idx, v);
    // Lines G and H are never shown, so a stored coin is taken off them too.
    for (int k = 0; k <= 7; ++k)
        img[112 + k] = withCoinBit(img[112 + k], idx, k < 6 && s.inhibitLineIndex == k);
}

void encode340(EepromImage& img, int idx, const CoinSettings& s, const FieldErrorSink& report)
{
    auto field = [&](auto&& store) {
        plat::trap(store, [&](const std::exception& e) {
            if (report)
                report(e);
        });
    };
    field([&] { setCoinValueByte(img, idx, fieldNumber(s.coinValue, 255)); });
    img[112] = withFlags340(img[112], s.flags);
    field([&] {
        const qint64 sf = std::max<qint64>(fieldNumber(s.scalingFactor, 255), 1);
        img[113] = (img[113] & 255) + 256 * int(sf);
    });
    field([&] { img[114] = int(fieldNumber(s.gamePrice, 65535)); });
    field([&] { img[115] = int(256 * fieldNumber(s.bonus[2], 255) + fieldNumber(s.bonus[3], 255)); });
    field([&] { img[117] = int(256 * fieldNumber(s.extCredit, 255)) + (img[117] & 255); });
    field([&] { img[118] = int(fieldNumber(s.bonus[0], 65535)); });
    field([&] { img[119] = int(fieldNumber(s.bonus[1], 65535)); });
    field([&] { img[120] = int(256 * fieldNumber(s.coinMeterValue, 255)) + (img[120] & 255); });
}

// The BCO code of the hex code box: "None", an empty box, a text that does not start with a
// hex digit or whose value is not 0..15 give none.
int bcoCodeOfText(const QString& t)
{
    if (t.isEmpty() || t == QLatin1String("None"))
        return 0;
    if (plat::hexDigit(t.at(0)) < 0)
        return 0;
    try {
        return bcoCode(int(plat::val(QStringLiteral("&h") + t)));
    } catch (const plat::RuntimeError&) {
        return 0; // more digits than any number holds: not a digit either
    }
}

void encode126(EepromImage& img, int idx, const CoinSettings& s)
{
    const int p = idx / 2;
    for (int k = 0; k <= 5; ++k)
        img[216 + k] = withCoinBit(img[216 + k], idx, s.inhibitLineIndex == k);
    const int output = s.outputIndex >= 0 && s.outputIndex <= 7 ? s.outputIndex : 0;
    setCoinByte(img, 222 + p, idx, 32 * output + bcoCodeOfText(s.binaryText));
    setCoinByte(img, 240 + p, idx, route126Byte(s.routeIndex));
    setCoinByte(img, 248 + p, idx, plugByte(s.plugIndex));
    img[239] = (word16(img[239]) & 0xFF00) + defaultRouteByte(s.defaultRouteIndex);
}

} // namespace

bool decodeCoin(const EepromImage& image, Model m, int coin, CoinSettings& s, HeldWindow& held)
{
    if (!coinValid(m, coin))
        return false;
    const int idx = coin - 1;
    s.enabled = !coinBit(image[0], idx);
    switch (modelEntry(m).coinFormat) {
    case CoinFormat::Lines330: decode330(image, idx, s); break;
    case CoinFormat::Route560: s.routeIndex = route560Index(coinByte(image, 122 + idx / 2, idx) & 127); break;
    case CoinFormat::Credit340: decode340(image, idx, s); break;
    case CoinFormat::Bco126: decode126(image, idx, s); break;
    case CoinFormat::None: break;
    }
    const RecordBytes r = readRecord(image, m, idx);
    held.levelSign = r[2];
    held.window = unpackWindow(r);
    return true;
}

void encodeCoin(EepromImage& image, Model m, int coin, CoinSettings& s, HeldWindow held, int percent,
                const FieldErrorSink& fieldError)
{
    if (!coinValid(m, coin))
        return;
    const int idx = coin - 1;
    int w0 = withCoinBit(image[0], idx, !s.enabled);
    if (modelEntry(m).listedChannels < kMaxCoins)
        w0 |= 0x00F0; // channels 13..16 (bits 12..15 of the swapped word) always inhibited
    image[0] = w0;
    switch (modelEntry(m).coinFormat) {
    case CoinFormat::Lines330: encode330(image, m, idx, s); break;
    case CoinFormat::Route560: setCoinByte(image, 122 + idx / 2, idx, route560Byte(s.routeIndex)); break;
    case CoinFormat::Credit340: encode340(image, idx, s, fieldError); break;
    case CoinFormat::Bco126: encode126(image, idx, s); break;
    case CoinFormat::None: break;
    }
    if (!recordFits(m, idx))
        return;
    RecordBytes r{};
    r[2] = held.levelSign;
    packWindow(r, scaledWindow(held.window, percent));
    writeRecord(image, m, idx, r, 2);
}

CoinWindow scaledWindow(const CoinWindow& w, int percent)
{
    constexpr double kBound = 1e9; // far beyond any field; keeps the arithmetic in range
    CoinWindow out;
    for (int k = 0; k < 4; ++k) {
        const double width = w.width[k];
        double scaled = std::clamp(std::floor(width * percent / 100), -kBound, kBound);
        // Wider than its byte: capped as a learned window is, and centred on the old window
        // like any other step, so a loosened window never loses coins the old one took. A
        // window already wider than the cap keeps its width.
        if (scaled > kMaxWindowWidth)
            scaled = std::max(double(kCappedWindowWidth), width);
        const double low = w.low[k] - std::floor((scaled - width) / 2);
        out.width[k] = int(scaled);
        out.low[k] = int(std::clamp(low, -kBound, kBound));
    }
    return out;
}

int coinValueByte(const EepromImage& image, int coinIndex)
{
    return coinByte(image, 121 + coinIndex / 2, coinIndex);
}

int scalingFactor(const EepromImage& image) { return word16(image[113]) >> 8; }

void setCoinValueByte(EepromImage& image, int coinIndex, qint64 value)
{
    if (coinIndex < 0 || coinIndex >= 12)
        return; // the 340's 12 channels have a value byte each
    setCoinByte(image, 121 + coinIndex / 2, coinIndex, int(std::clamp<qint64>(value, 0, 255)));
}

qint64 fieldNumber(const QString& text, qint64 max)
{
    const double v = plat::val(text);
    qint64 n = plat::cLng(std::clamp(v, -1.0, double(max) + 1.0));
    return clampToRange(n, max);
}

} // namespace ardwell
