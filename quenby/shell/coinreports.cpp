#include "quenby/shell/coinreports.h"

#include "platform/textfile.h"
#include "platform/vbtext.h"
#include "quenby/link/wirefields.h"

namespace quenby {

namespace {

// Binary indicators by index: A5, A4, A3, A2, A1.
constexpr int kA5 = 0, kA4 = 1, kA3 = 2, kA2 = 3, kA1 = 4;

// Route lines of a G10 report.
constexpr int kTubeL = 9, kTubeM = 10, kTubeR = 11, kCashbox = 12;

void light(CoinReport& r, int line, quint32 colour)
{
    if (line >= 1 && line <= kValtestLines)
        r.coinFill[size_t(line - 1)] = colour;
}

void count(CoinReport& r, int line)
{
    if (line >= 1 && line <= kValtestLines)
        r.counted.push_back(line);
}

void binaryCode(CoinReport& r, int v)
{
    if (v < 16) {
        light(r, v + 1, kLampAccepted);
        count(r, v + 1);
    }
    // A4 lights for every code; the others follow their bits.
    r.binaryFill[kA4] = kLampAccepted;
    const std::pair<int, int> bits[] = {{8, kA5}, {4, kA3}, {2, kA2}, {1, kA1}};
    for (const auto& [bit, index] : bits)
        if (v & bit)
            r.binaryFill[size_t(index)] = kLampAccepted;
}

} // namespace

CoinReport decodeCoinReport(const QString& line, const ReportContext& context)
{
    CoinReport r;
    if (line.startsWith(QLatin1String("*EV"))) {
        r.sound = ReportSound::Accept;
        return r;
    }
    if (line.size() < 3)
        return r;
    const ValtestModel m = valtestModel(mechEntry(context.family, context.model), context.g40Variant);
    const QChar c = line.at(2);
    if (c >= u'A' && c <= u'I') {
        int i = c.unicode() - u'A';
        if (m.movesMiddleChannels) {
            static constexpr int kMoved[] = {0, 2, 3, 1};
            if (i >= 1 && i <= 3)
                i = kMoved[i];
        }
        light(r, i + 1, kLampAccepted);
        r.restartHold = true;
        count(r, i + 1);
        r.sound = ReportSound::Accept;
        r.me181Pulse = m.me181Pulse;
        return r;
    }
    if (c == u'R') {
        // Only a layout with a "Rejected" line shows rejects; otherwise the report is silent.
        if (context.rejectLine >= 1 && context.rejectLine <= kValtestLines) {
            r.restartHold = true;
            light(r, context.rejectLine, kLampRejected);
            count(r, context.rejectLine);
            r.sound = ReportSound::Reject;
        }
        return r;
    }
    if (c != u'X')
        return r;

    const int v = hexField(plat::toCp1252(line), 4, 2) & 63;
    if (m.binaryReports) {
        binaryCode(r, v);
    } else {
        // Parallel output: one line per set bit, nothing counted.
        for (int bit = 0; bit < 6; ++bit)
            if (v & (1 << bit))
                light(r, bit + 1, kLampAccepted);
    }
    r.restartHold = true;
    r.sound = ReportSound::Accept;
    return r;
}

std::optional<CoinReport> decodeG10Report(const QByteArray& report)
{
    if (report.isEmpty())
        return std::nullopt;
    CoinReport r;
    r.sound = ReportSound::Accept;
    r.soundFirst = true;
    const int b = quint8(report.at(0));
    const int n = (b & 120) / 8;
    if (n > 0) {
        light(r, n, kLampAccepted);
        count(r, n);
    }
    const int route = (b & 1) ? kTubeR : (b & 2) ? kTubeM : (b & 4) ? kTubeL : kCashbox;
    light(r, route, kLampAccepted);
    count(r, route);
    r.restartHold = true;
    return r;
}

QString countedCaption(const QString& caption)
{
    double n = 0;
    try {
        n = plat::val(caption);
    } catch (const std::exception&) {
        n = 0; // a caption no count could hold restarts the count
    }
    return plat::str(n + 1);
}

bool highlightTick(qint32& hold)
{
    if (hold > 0) {
        --hold;
        return hold < 1;
    }
    if (hold < 0)
        hold = 0;
    return false;
}

void resetValtestIndicators(plat::View& v)
{
    for (int i = 0; i < kValtestLines; ++i)
        v.setFill(QStringLiteral("shpCoin"), kLampIdle, i);
    for (int i = 0; i < kBinaryIndicators; ++i)
        v.setFill(QStringLiteral("shpBinary"), kLampIdle, i);
}

void clearValtestCounts(plat::View& v)
{
    for (int i = 0; i < kValtestLines; ++i)
        v.setText(QStringLiteral("lblCount"), QStringLiteral(" 0"), i);
}

void showCoinReport(plat::View& v, const CoinReport& r)
{
    for (int i = 0; i < kValtestLines; ++i)
        v.setFill(QStringLiteral("shpCoin"), r.coinFill[size_t(i)], i);
    for (int i = 0; i < kBinaryIndicators; ++i)
        v.setFill(QStringLiteral("shpBinary"), r.binaryFill[size_t(i)], i);
    for (int line : r.counted)
        v.setText(QStringLiteral("lblCount"), countedCaption(v.text(QStringLiteral("lblCount"), line - 1)), line - 1);
}

} // namespace quenby
