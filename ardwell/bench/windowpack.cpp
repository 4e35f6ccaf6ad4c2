#include "ardwell/bench/windowpack.h"

#include "platform/vbtext.h"

#include <algorithm>
#include <cmath>

namespace ardwell {

CoinWindow learnedWindow(const BenchState& b, QStringList* warnings)
{
    CoinWindow w;
    for (int k = 0; k < kWindowParams; ++k) {
        const qint64 low = b.windowLimits[2 * k];
        const qint64 width = qint64(b.windowLimits[2 * k + 1]) - low;
        if (width > kMaxWindowWidth) {
            if (warnings)
                *warnings << QStringLiteral("Range value too large, parameter") + plat::str(k + 1) +
                                 QStringLiteral("\r\n\r\nMaximum Width Set");
            w.width[k] = kCappedWindowWidth;
            w.low[k] = int(std::clamp(std::floor(double(b.parameterMeans[k]) - 127 - 0.5), -1e9, 1e9));
        } else {
            w.low[k] = int(low);
            w.width[k] = int(std::max<qint64>(width, 0));
        }
    }
    return w;
}

RecordBytes learnedRecord(const CoinWindow& w, int level)
{
    RecordBytes r{};
    const bool known = level >= 1 && level <= 6;
    r[0] = 0x44;
    r[1] = known ? 0x11 * level : 0x77;
    r[2] = known ? 0x10 * level : 0x70;
    packWindow(r, w);
    return r;
}

WindowPackResult programmeCoinWindow(EepromImage& image, Model m, const QString& channelItem, const BenchState& b)
{
    WindowPackResult res;
    const CoinWindow w = learnedWindow(b, &res.widthWarnings);
    const int n = coinNumberOf(channelItem);
    if (!coinValid(m, n) || !recordFits(m, n - 1)) {
        res.error = QStringLiteral("Invalid coin number selected");
        return res;
    }
    const int idx = n - 1;
    image[0] = withCoinBit(image[0], idx, false);
    writeRecord(image, m, idx, learnedRecord(w, b.windowLevel));
    return res;
}

} // namespace ardwell
