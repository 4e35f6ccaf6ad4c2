// The NRI mech's models, memories and coins; its command layers are in sim/nriprotocol.cpp.
#include "sim/nrimech.h"

#include "sim/hextext.h"

#include <stdexcept>

namespace sim {

namespace {

QByteArray dec(int v, int width) { return QByteArray::number(v).rightJustified(width, '0').right(width); }

bool isG10(const QString& model) { return model.startsWith(QLatin1String("G10")); }
// The models that keep hex records and acknowledge what they take.
bool isNewerModel(const QString& model)
{
    return model == QLatin1String("G13-6000") || model == QLatin1String("G18-3000")
           || model == QLatin1String("G40-0000") || model == QLatin1String("G10-4000/5");
}
bool mapsByCode(const QString& model)
{
    return model == QLatin1String("G13-6000") || model == QLatin1String("G40-0000");
}

// Coin values of the typical memory: coins 1..8, then lowest and left, middle, right tube.
const int kValues[8] = {5, 10, 20, 50, 100, 200, 25, 40};
const int kTubes[4] = {5, 10, 20, 50};

} // namespace

const QStringList& NriMech::models()
{
    static const QStringList m{QStringLiteral("G13-6000"), QStringLiteral("G13-0000"), QStringLiteral("G18-3000"),
                               QStringLiteral("G18-0000"), QStringLiteral("G10-4000"), QStringLiteral("G10-4000/5"),
                               QStringLiteral("G40-0000")};
    return m;
}

QStringList NriMech::codesOf(const QString& model)
{
    if (model == "G13-0000" || model == "G18-0000")
        return {QStringLiteral("$01")};
    if (model == "G13-6000" || model == "G18-3000" || model == "G40-0000")
        return {QStringLiteral("$05")};
    if (model == "G10-4000")
        return {QStringLiteral("$23")};
    if (model == "G10-4000/5")
        return {QStringLiteral("$23"), QStringLiteral("$25")};
    return {};
}

NriMech::NriMech(const QString& model, const QString& interfaceCode, bool blank)
    : QuenbyMech(QStringLiteral("NRI"), model)
{
    const QStringList codes = codesOf(model);
    if (codes.isEmpty())
        throw std::invalid_argument("unknown NRI model: " + model.toStdString());
    code_ = interfaceCode.isEmpty() ? codes.first() : interfaceCode;
    if (!codes.contains(code_))
        throw std::invalid_argument("NRI " + model.toStdString() + " is not wired to " + code_.toStdString());
    newer_ = isNewerModel(model);
    params_ = newer_ ? 6 : 4;
    coins_ = model == "G10-4000" ? 8 : (newer_ ? 12 : 6);
    if (model == "G13-6000")
        ident = "07";
    else if (model == "G18-3000")
        ident = "05";
    else if (model == "G40-0000")
        ident = "02";
    else if (model == "G10-4000/5")
        ident = "03";
    else if (model == "G13-0000")
        ident = "0";
    else
        ident = "?";
    loadTypical(); // the lengths of the records come from here
    if (blank)
        loadBlank();
    CoinSampler& s = sampler();
    for (int c = 1; c <= coins_; ++c)
        s.setMeansInside(c, typicalWindows(model, c));
    s.setSlugMeans(QList<int>(params_, 15));
}

QList<QPair<int, int>> NriMech::typicalWindows(const QString& model, int coin)
{
    const bool newer = isNewerModel(model);
    QList<QPair<int, int>> out;
    for (int p = 1; p <= (newer ? 6 : 4); ++p) {
        const int centre = newer ? 50 + (13 * coin + 31 * p) % 150 : 60 + (17 * coin + 23 * p) % 140;
        out << qMakePair(centre - 10, centre + 10);
    }
    return out;
}

int NriMech::g10RouteBits(int channel)
{
    static const int bits[8] = {0, 4, 2, 1, 4, 2, 1, 0};
    return channel >= 1 && channel <= 8 ? bits[channel - 1] : 0;
}

void NriMech::loadTypical()
{
    const QString m = model();
    if (!newer_) {
        for (int c = 1; c <= coins_; ++c) {
            QByteArray highs, lows;
            for (const auto& [low, high] : typicalWindows(m, c)) {
                highs += dec(high, 3);
                lows += dec(low, 3);
            }
            old_["V" + QByteArray::number(c)] = highs + lows;
        }
        if (m == QLatin1String("G10-4000")) {
            QByteArray x = "G10HDR00001";
            for (int t : kTubes)
                x += dec(t, 4);
            for (int v : kValues)
                x += dec(v, 4);
            old_["X"] = x;
        } else {
            QByteArray y = "005";
            for (int c = 6; c >= 1; --c)
                y += dec(c <= 5 ? kValues[c - 1] * 2 : 0, 3);
            old_["Y"] = y;
        }
        old_["Z"] = QByteArray("NRI " + m.toLatin1() + " SN004711 V2.30").leftJustified(28, ' ', true) + "07/12/25";
        return;
    }
    records_[0x00] = "4E524931";
    records_[0x01] = "0102A0B0";
    records_[0x02] = "070C19";
    for (int c = 1; c <= 12; ++c) {
        QByteArray r;
        for (const auto& [low, high] : typicalWindows(m, c))
            r += hex2(high) + hex2(low);
        records_[0x02 + c] = r;
    }
    QByteArray f, v = "45", inhibit, map;
    static const char* const maps[3] = {"402137", "421305", "40213A"};
    for (int c = 1; c <= 12; ++c) {
        f += hex2(0x10 + c);
        v += hex2(c <= 8 ? kValues[c - 1] / 5 : 0);
        inhibit += hex2((1 << ((c - 1) % 6)) | (c == 4 ? 0x40 : 0) | (c == 9 ? 0x80 : 0));
        map += mapsByCode(m) ? QByteArray(maps[c % 3]) : QByteArray("012345");
    }
    if (isG10(m)) {
        QByteArray g = "0A1B2C3D";
        for (int t : kTubes)
            g += dec(t, 4);
        for (int value : kValues)
            g += dec(value, 4);
        records_[0x0F] = g;
        records_[0x10] = "120312031203";
        records_[0x11] = "031203120312";
    } else {
        records_[0x0F] = f;
        records_[0x10] = v;
        records_[0x11] = "120312031203";
    }
    records_[0x12] = inhibit;
    records_[0x13] = map;
    for (int r = 0x14; r <= 0x18; ++r)
        records_[r] = hex2(0x20 + r).repeated(4);
    records_[0x19] = m == QLatin1String("G18-3000") ? "1E28323C4650" : "1E28323C";
    records_[0x1A] = "4600";
    records_[0x1B] = "5000";
    for (auto it = records_.cbegin(); it != records_.cend(); ++it)
        lengths_[it.key()] = int(it.value().size());
}

void NriMech::loadBlank()
{
    for (auto it = records_.begin(); it != records_.end(); ++it)
        it.value().fill('0');
    for (auto it = old_.begin(); it != old_.end(); ++it) {
        if (it.key() == "Z")
            it.value() = it.value().left(28) + "00/00/00";
        else if (it.key() == "X")
            it.value() = it.value().left(11) + QByteArray(48, '0');
        else
            it.value().fill('0');
    }
}

bool NriMech::waitingForCoin() const { return relayed() && (tPending_ || isG10(model())); }

QByteArray NriMech::reading(const DroppedCoin& coin) const
{
    QByteArray out;
    if (!newer_) {
        for (int i = 0; i < 4; ++i)
            out += dec(qBound(0, coin.values.value(i), 999), 3) + '\r';
        return out;
    }
    if (!mapsByCode(model())) {
        for (int i = 0; i < 6; ++i)
            out += hex2(coin.values.value(i));
        return out + '\r';
    }
    // Sixteen quantities; the coin's parameter map says which slot each one measures.
    QList<int> pairs;
    for (int q = 0; q < 16; ++q)
        pairs << 0x10 + q;
    const int c = coin.slug || coin.channel < 1 || coin.channel > 12 ? 1 : coin.channel;
    const QByteArray map = records_.value(0x13).mid(6 * (c - 1), 6);
    for (int p = 0; p < map.size() && p < 6; ++p) {
        const int q = QByteArray(1, map.at(p)).toInt(nullptr, 16);
        pairs[q] = coin.values.value(p);
    }
    for (int v : pairs)
        out += hex2(v);
    return out + '\r';
}

bool NriMech::coinWhileRelayed(const DroppedCoin& coin)
{
    if (tPending_) {
        tPending_ = false;
        return send(reading(coin));
    }
    if (!isG10(model()) || coin.slug)
        return false;
    QByteArray report(1, char(0x80));
    if (!faults_.strikes(Fault::EmptyG10Report))
        report += char(((coin.channel & 15) << 3) | g10RouteBits(coin.channel));
    report += '\r';
    if (faults_.strikes(Fault::DoubleCrReport))
        report += '\r';
    return send(report);
}

} // namespace sim
