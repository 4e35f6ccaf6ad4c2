#include "sim/marssocket.h"

#include "sim/hextext.h"

#include <stdexcept>

namespace sim {

namespace {

// The six nibble groups of a position: low and high limit of each parameter, three nibbles
// each, low nibble first.
constexpr int kGroupOffsets[6] = {1, 4, 37, 40, 73, 76};

void putLimit(std::vector<quint8>& image, int word, int value)
{
    image[size_t(word)] = quint8(value & 15);
    image[size_t(word + 1)] = quint8((value >> 4) & 15);
    image[size_t(word + 2)] = quint8((value >> 8) & 15);
}

void putText(std::vector<quint8>& image, int word, const QByteArray& text)
{
    for (char c : text) {
        image[size_t(word++)] = quint8((uchar(c) >> 4) & 15);
        image[size_t(word++)] = quint8(uchar(c) & 15);
    }
}

} // namespace

bool MarsProm::isBlank() const
{
    for (quint8 n : nibbles)
        if (n)
            return false;
    return true;
}

MarsProm MarsProm::blank(int size, Kind kind)
{
    MarsProm p;
    p.kind = kind;
    p.nibbles.assign(size_t(size == 256 ? 256 : 512), 0);
    p.halfBlown.assign(p.nibbles.size(), 0);
    return p;
}

const QStringList& MarsSocket::models()
{
    static const QStringList m{QStringLiteral("MS1000"), QStringLiteral("ME111"), QStringLiteral("ME181"),
                               QStringLiteral("MS130B1"), QStringLiteral("MS111"), QStringLiteral("MS1400")};
    return m;
}

MarsSocket::MarsSocket(const QString& model, int promSize) : QuenbyMech(QStringLiteral("Mars"), model)
{
    if (!models().contains(model))
        throw std::invalid_argument("unknown mech model: " + model.toStdString());
    prom_ = typicalProm(model, promSize);
    CoinSampler& s = sampler();
    s.lowest = 2;
    s.highest = 4095;
    s.spreadPercent = 1.5;
    const int channels = model == QLatin1String("ME181") ? 12 : (prom_->size() == 256 ? 12 : 24);
    for (int c = 1; c <= channels; ++c)
        s.setMeansInside(c, typicalWindows(c));
    s.setSlugMeans({400, 700, 1000});
}

QList<QPair<int, int>> MarsSocket::typicalWindows(int channel)
{
    // Thickness, diameter and material grow with the channel, inside the box's reading ranges.
    const int centres[3] = {800 + 37 * channel, 1400 + 53 * channel, 1900 + 71 * channel};
    QList<QPair<int, int>> out;
    for (int centre : centres) {
        const int half = centre / 25; // +-4 %
        out << qMakePair(centre - half, centre + half);
    }
    return out;
}

int MarsSocket::typicalCoinValue(int coin)
{
    static const int values[12] = {5, 10, 20, 50, 100, 200, 1, 2, 25, 40, 150, 250};
    return coin >= 1 && coin <= 12 ? values[coin - 1] : 0;
}

MarsProm MarsSocket::typicalProm(const QString& model, int size, MarsProm::Kind kind)
{
    const bool me181 = model == QLatin1String("ME181");
    MarsProm p = MarsProm::blank(me181 ? 512 : size, kind);
    std::vector<quint8>& img = p.nibbles;
    const int segments = me181 ? 2 : p.size() / 128;
    for (int s = 0; s < segments; ++s) {
        const int base = me181 ? 256 * s + 128 : 128 * s;
        if (me181)
            img[size_t(256 * s)] = 15;
        img[size_t(base)] = 15;
        for (int k = 1; k <= 6; ++k) {
            const QList<QPair<int, int>> w = typicalWindows(6 * s + k);
            for (int m = 0; m < 6; ++m) {
                const QPair<int, int>& lh = w.at(m / 2);
                putLimit(img, base + 6 * (k - 1) + kGroupOffsets[m], m % 2 ? lh.second : lh.first);
            }
        }
        img[size_t(base + 109)] = 3;
        img[size_t(base + 110)] = 7;
        img[size_t(base + 111)] = 0;
        putText(img, base + 112, "GB050");
        putText(img, base + 122, "A12");
    }
    if (me181) {
        static const int words[12] = {64, 32, 16, 8, 4, 2, 320, 288, 272, 264, 260, 258};
        for (int c = 1; c <= 12; ++c) {
            const int v = typicalCoinValue(c);
            img[size_t(words[c - 1])] = quint8(v & 15);
            img[size_t(words[c - 1] + 1)] = quint8((v >> 4) & 15);
        }
    }
    return p;
}

char MarsSocket::reportLetter(int channel) const
{
    if (channel < 1)
        return 0;
    const int lines = model() == QLatin1String("MS1000") ? 9 : 6;
    return char('A' + (channel - 1) % lines);
}

std::optional<MarsProm> MarsSocket::insert(MarsProm prom)
{
    if (prom.halfBlown.size() != prom.nibbles.size())
        prom.halfBlown.assign(prom.nibbles.size(), 0);
    std::optional<MarsProm> out = std::move(prom_);
    prom_ = std::move(prom);
    return out;
}

std::optional<MarsProm> MarsSocket::remove()
{
    std::optional<MarsProm> out = std::move(prom_);
    prom_.reset();
    return out;
}

int MarsSocket::nibble(int address) const
{
    if (!prom_ || prom_->nibbles.empty())
        return 15;
    return prom_->nibbles[size_t(address % prom_->size())] & 15;
}

bool MarsSocket::boxCommand(const QString& cmd)
{
    if (cmd == QLatin1String("K")) {
        read(512);
    } else if (cmd == QLatin1String("A")) {
        read(256);
    } else if (cmd.startsWith('P')) {
        burn(cmd);
    } else {
        return false;
    }
    return true;
}

void MarsSocket::read(int size)
{
    ++reads_;
    const bool topLost = faults_.strikes(Fault::TopLineLost);
    const bool merged = faults_.strikes(Fault::LineMerged);
    if (faults_.strikes(Fault::ReadSilent))
        return;
    QString runOn; // a line whose CR was lost, waiting for the next one
    for (int a = 0; a < size; a += 16) {
        if (topLost && a + 16 >= size)
            break;
        QString line = QStringLiteral("R") + QStringLiteral("%1").arg(a, 3, 16, QLatin1Char('0')).toUpper();
        for (int i = 0; i < 16; ++i)
            line += ' ' + QString::number(nibble(a + i), 16).toUpper();
        if (faults_.strikes(Fault::GarbledLine))
            line[5] = 'G';
        line = runOn + line;
        runOn.clear();
        if (merged && a == mergedLineAddress && a + 16 < size)
            runOn = line;
        else
            sendLine(line);
    }
}

void MarsSocket::burn(const QString& row)
{
    // "P", three hex digits of the first address, one to sixteen nibbles.
    const QString body = row.mid(1);
    if (body.size() < 4 || body.size() > 19)
        return;
    QList<int> digits;
    for (const QChar c : body) {
        const int v = hexDigit(c.toLatin1());
        if (v < 0)
            return; // a garbled row is not burnt and not answered
        digits << v;
    }
    rows_ << row;
    const int first = digits[0] * 256 + digits[1] * 16 + digits[2];
    if (prom_ && !prom_->nibbles.empty()) {
        MarsProm& p = *prom_;
        for (int i = 3; i < digits.size(); ++i) {
            const int a = (first + i - 3) % p.size();
            if (noStick_.contains(a))
                continue;
            quint8& n = p.nibbles[size_t(a)];
            const quint8 v = quint8(digits[i]);
            if (p.kind == MarsProm::Kind::Ombrix) {
                n = v;
            } else if (p.fusesNeedTwoBurns) {
                quint8& half = p.halfBlown[size_t(a)];
                const quint8 burn = quint8(v & ~n);
                n |= quint8(burn & half);
                half = quint8((half | burn) & ~n);
            } else {
                n |= v;
            }
        }
    }
    if (faults_.strikes(Fault::RowAckMissing))
        return;
    sendLine(QStringLiteral("Z"), faults_.strikes(Fault::RowAckLate) ? rowAckLateMs : 0);
}

} // namespace sim
