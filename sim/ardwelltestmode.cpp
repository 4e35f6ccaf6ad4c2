#include "sim/ardwelltestmode.h"

#include <algorithm>

namespace sim {

using namespace ardwellimage;

CoinOutcome classify(const QString& model, const Words& words, const CoinSample& coin)
{
    CoinOutcome out;
    const int base = recordBase(model);
    for (int idx = 0; idx < channelCount(model); ++idx) {
        const auto rec = readRecord(words, base, idx);
        if (!rec)
            continue;
        const auto p = windowParameters(is126(model), coin.raw, rec->level);
        bool inside = true;
        for (int k = 0; k < 4 && inside; ++k)
            inside = p[std::size_t(k)] >= rec->low[std::size_t(k)]
                     && p[std::size_t(k)] <= rec->low[std::size_t(k)] + rec->width[std::size_t(k)];
        if (inside) {
            out.channel = idx;
            out.inhibited = coinBit(words, 0, idx);
            return out;
        }
    }
    return out;
}

int route(const QString& model, const Words& words, int idx)
{
    if (model == QLatin1String("560")) {
        const int b = coinByte(words, 122, idx) & 127;
        for (int k = 6; k >= 0; --k)
            if (b & (1 << k))
                return k;
        return 7;
    }
    if (model == QLatin1String("PCA"))
        return idx % 8; // channels 8 and 16 on the default route
    return 7;
}

int outputStatus(const QString& model, const Words& words, int idx, char mode, int inhibitInputs)
{
    if (mode != '$' && mode != '?')
        return -1;
    const bool m126 = is126(model);
    if (!m126 && model != QLatin1String("330"))
        return -1;
    const int lines = m126 ? 216 : 112;
    for (int k = 0; k < 6; ++k)
        if ((inhibitInputs >> k & 1) && coinBit(words, lines + k, idx))
            return -1;
    if (!m126) {
        // The 330's output byte drives its lines directly, whichever mode the box reports in.
        const int b = coinByte(words, 120, idx);
        return b ? b : -1;
    }
    const int b = coinByte(words, 222, idx);
    if (mode == '$') {
        const int line = b >> 5; // 0 none, 1..6 A..F, 7 MPE
        return line == 0 ? -1 : 1 << (line - 1);
    }
    const int code = b & 31;
    if (!(code & 2))
        return -1; // no binary code
    return 8 * (code & 1) + 4 * (code >> 2 & 1) + 2 * (code >> 3 & 1) + (code >> 4 & 1);
}

Creditor340::Settings Creditor340::read(const Words& w)
{
    Settings s;
    if (w.size() < 128)
        return s;
    s.fourPlayers = (w[112] >> 12) == 3;
    s.manualDispense = w[112] & 0x100;
    s.coinMeter = w[112] & 0x40;
    s.scaling = std::max(1, w[113] >> 8);
    s.price = w[114];
    s.externalCredit = w[117] >> 8;
    return s;
}

int Creditor340::levels(const Settings& s) const
{
    return (credit_ > 0 ? 32 : 0) | (s.price > 0 && credit_ >= s.price ? 64 : 0);
}

void Creditor340::games(const Settings& s, QList<int>& lines)
{
    if (s.manualDispense || s.price <= 0)
        return;
    // A large credit plays out a few games at a time; the rest waits for the next coin.
    for (int n = 0; n < 8 && credit_ >= s.price; ++n) {
        credit_ -= s.price;
        const int player = s.fourPlayers ? nextPlayer_++ % 4 : 0;
        lines.append(1 << player | levels(s));
    }
}

QList<int> Creditor340::coin(const Words& w, int idx)
{
    const Settings s = read(w);
    credit_ = std::min(credit_ + coinByte(w, 121, idx) * s.scaling, 1 << 24);
    QList<int> lines{(s.coinMeter ? 16 : 0) | levels(s)};
    games(s, lines);
    return lines;
}

QList<int> Creditor340::dispense(const Words& w, int playerBits)
{
    const Settings s = read(w);
    QList<int> lines;
    for (int k = 0; k < 4; ++k) {
        if (!(playerBits >> k & 1))
            continue;
        if (s.price > 0 && credit_ >= s.price)
            credit_ -= s.price;
        lines.append(1 << k | levels(s));
    }
    return lines;
}

QList<int> Creditor340::externalCredit(const Words& w)
{
    const Settings s = read(w);
    credit_ = std::min(credit_ + s.externalCredit * s.scaling, 1 << 24);
    QList<int> lines{levels(s)};
    games(s, lines);
    return lines;
}

} // namespace sim
