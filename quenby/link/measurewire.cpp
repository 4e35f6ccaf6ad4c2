#include "quenby/link/measurewire.h"

#include "platform/runtimeerror.h"
#include "platform/textfile.h"
#include "quenby/link/wirefields.h"

#include <cstdlib>

namespace quenby {

namespace {

constexpr int kReadingSlots = int(Reading().size());

// The fixed places of an NRI coin data record: the parameter digits fill at most 72
// characters, the output pairs and packed values follow at fixed positions.
constexpr int kDigitArea = 72;
constexpr int kOutputsAt = 73;
constexpr int kPackedAt = 97;
constexpr int kDataCoins = 12;
constexpr int kCoinDataLength = kPackedAt + kDataCoins - 1; // 108

int clampCount(int n)
{
    return qBound(0, n, kReadingSlots);
}

bool isHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

int hexDigit(char c)
{
    if (c <= '9')
        return c - '0';
    return (c | 0x20) - 'a' + 10;
}

[[noreturn]] void refuseCoinData(int number, const QString& why)
{
    throw plat::RuntimeError(number, why);
}

} // namespace

MeasurePlan measurePlan(const MechEntry& entry)
{
    MeasurePlan p;
    switch (entry.kind) {
    case MechKind::Mars:
        p.road = MeasureRoad::MarsLines;
        break;
    case MechKind::Sentinel:
        p.road = MeasureRoad::SentinelPoll;
        break;
    case MechKind::CcWord:
        p.road = MeasureRoad::CcFrames;
        if (!entry.cc.measureKeepAlive) {
            p.request = QByteArray("\x7F\x1F\x9E", 3);
        } else {
            p.request = QByteArray("\xFF\xFF", 2);
            p.armsKeepAlive = true;
            p.keepAliveRepeats = entry.cc.keepAliveRepeats;
        }
        break;
    case MechKind::NriOld:
        p.road = MeasureRoad::NriT;
        p.nriReplies = 4;
        p.nriLayout = NriReplyLayout::Decimal;
        p.beepEachSample = entry.nri.beepEachSample;
        break;
    case MechKind::NriNew:
        p.road = MeasureRoad::NriT;
        p.nriReplies = 1;
        p.nriLayout = entry.nri.measureByMap ? NriReplyLayout::HexByMap : NriReplyLayout::HexDirect;
        p.remapsNriTables = entry.nri.remapsNriTables;
        break;
    case MechKind::Unknown:
        break;
    }
    return p;
}

CcMeasureSample decodeCcMeasureFrame(const CcFrame& frame, int lastIndex)
{
    CcMeasureSample s;
    if (lastIndex < 1 || lastIndex >= frame.count || lastIndex >= int(frame.slot.size()))
        return s;
    qint64 sum = 0;
    for (int i = 0; i < lastIndex; ++i)
        sum += frame.slot[size_t(i)];
    if ((sum & 255) != frame.slot[size_t(lastIndex)])
        return s;
    s.sumOk = true;
    s.valueCount = qMin(lastIndex - 1, kReadingSlots);
    for (int i = 0; i < s.valueCount; ++i)
        s.values[size_t(i)] = frame.slot[size_t(i + 1)];
    return s;
}

KeepAliveTick keepAliveTick(qint32 keepAliveCount, bool repeats, qint32 samplesLeft)
{
    if (keepAliveCount >= 1)
        return {false, keepAliveCount - 1};
    if (repeats && samplesLeft > 0)
        return {true, kKeepAliveRepeat};
    return {false, keepAliveCount};
}

SentinelSample parseSentinelReading(const QByteArray& reply, int paramCount)
{
    SentinelSample s;
    // The validity check reads the first three values whatever the parameter count.
    const int n = clampCount(qMax(paramCount, 3));
    for (int i = 0; i < n; ++i)
        s.values[size_t(i)] = hexField(reply, 4 * i + 4, 2);
    const auto good = [](qint32 v) { return v != 0 && v != 255; };
    s.valid = good(s.values[0]) && good(s.values[1]) && good(s.values[2]);
    s.rejectSound = !s.valid && s.values[0] != 0;
    for (int i = clampCount(paramCount); i < n; ++i)
        s.values[size_t(i)] = 0;
    return s;
}

Reading parseNriMeasureReply(const QByteArray& mechReply, const MeasurePlan& plan, int paramCount, int coin,
                             const NriCoinTables& nri)
{
    Reading r{};
    const int n = clampCount(paramCount);
    if (plan.nriLayout == NriReplyLayout::HexByMap && (coin < 0 || coin >= int(nri.nriCoinParams.size())))
        subscriptOutOfRange();
    for (int i = 0; i < n; ++i) {
        switch (plan.nriLayout) {
        case NriReplyLayout::Decimal:
            r[size_t(i)] = decField(mechReply, 3 * i + 1, 3);
            break;
        case NriReplyLayout::HexDirect:
            r[size_t(i)] = hexField(mechReply, 2 * i + 1, 2);
            break;
        case NriReplyLayout::HexByMap: {
            // The map holds six parameters; a code outside a reply's reach reads 0.
            const auto& map = nri.nriCoinParams[size_t(coin)];
            const qint32 q = i + 1 < int(map.size()) ? map[size_t(i + 1)] : -1;
            r[size_t(i)] = q >= 0 && q <= 0xFFFF ? hexField(mechReply, 2 * q + 1, 2) : 0;
            break;
        }
        case NriReplyLayout::None:
            break;
        }
    }
    return r;
}

QByteArray readingLogRow(const Reading& reading, int paramCount)
{
    plat::CsvRecord row;
    row.text({});
    for (int i = 0; i < clampCount(paramCount); ++i)
        row.number(reading[size_t(i)]).text({});
    row.text({});
    return row.toRow();
}

void decodeNriCoinData(const QString& s, const ModelParams& params, CoinArray& coinOutputs, NriCoinTables& nri)
{
    const int p = params.paramCount;
    const int c = params.coinCount;
    const int coins = int(nri.nriCoinParams.size()) - 1;      // channels 1..24
    const int paramSlots = int(nri.nriCoinParams[0].size()) - 1; // parameters 1..6
    if (p < 1 || c < 1 || p > paramSlots || c > coins || p * c > kDigitArea)
        refuseCoinData(plat::err::SubscriptOutOfRange,
                       QStringLiteral("No coin data layout for %1 x %2 values").arg(p).arg(c));
    const QByteArray d = plat::toCp1252(s);
    if (d.size() < kCoinDataLength)
        refuseCoinData(plat::err::SubscriptOutOfRange,
                       QStringLiteral("Coin data is %1 characters long, %2 needed").arg(d.size()).arg(kCoinDataLength));
    for (int k = 1; k < kPackedAt; ++k) {
        const bool digitPlace = k <= p * c || k >= kOutputsAt;
        if (digitPlace && !isHexDigit(d.at(k - 1)))
            refuseCoinData(plat::err::TypeMismatch, QStringLiteral("Coin data character %1 is not a hex digit").arg(k));
    }

    for (int pi = 0; pi < p; ++pi)
        for (int ci = 0; ci < c; ++ci)
            nri.nriCoinParams[size_t(ci + 1)][size_t(pi + 1)] = hexDigit(d.at(pi * c + ci));
    for (int i = 0; i < kDataCoins; ++i) {
        const int at = kOutputsAt + 2 * i - 1;
        coinOutputs[size_t(i + 1)] = hexDigit(d.at(at)) * 16 + hexDigit(d.at(at + 1));
        const int a = quint8(d.at(kPackedAt + i - 1));
        nri.nriCoinValues[size_t(i + 1)] = (a & 15) + 64 * (((a / 16) - 3) & 3);
    }
}

void remapCoinTables(const MeasurePlan& plan, const ModelParams& params, const CheckedArray<qint32, 25>& coinLink,
                     const NriReadTables& read, CheckedArray<qint32, 25>& coinValues, CoinArray& coinOutputs,
                     NriCoinTables& nri)
{
    const int last = qBound(0, params.coinCount, coinLink.size() - 1);
    for (int ch = 1; ch <= last; ++ch) {
        const qint64 src = std::llabs(qint64(coinLink(ch)));
        if (src >= qint64(read.mechCoinValues.size()))
            subscriptOutOfRange();
    }
    const int params6 = qBound(0, params.paramCount, int(nri.nriCoinParams[0].size()) - 1);
    for (int ch = 1; ch <= last; ++ch) {
        const size_t src = size_t(std::llabs(qint64(coinLink(ch))));
        if (src == 0)
            continue;
        coinValues(ch) = read.mechCoinValues[src];
        if (!plan.remapsNriTables)
            continue;
        coinOutputs[size_t(ch)] = read.nriCoinX0F[src];
        nri.nriCoinValues[size_t(ch)] = read.nriCoinOutput[src];
        for (int p = 1; p <= params6; ++p)
            nri.nriCoinParams[size_t(ch)][size_t(p)] = read.nriParamTable[src][size_t(p)];
    }
}

} // namespace quenby
