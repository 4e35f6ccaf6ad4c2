#include "ardwell/bench/learning.h"

#include "ardwell/bench/coinlog.h"
#include "platform/runtimeerror.h"
#include "platform/vbtext.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace ardwell {

namespace {

constexpr double kIntMin = std::numeric_limits<qint32>::min();
constexpr double kIntMax = std::numeric_limits<qint32>::max();

// CLng and Int for values that readings far outside a mech's range could push past 32 bits:
// such a value is held at the end of the range instead of overflowing.
int roundWhole(double x) { return plat::cLng(std::clamp(x, kIntMin, kIntMax)); }
int floorWhole(double x) { return int(std::clamp(std::floor(x), kIntMin, kIntMax)); }

void write(const BenchState& b, const LogSink& log, const QString& record)
{
    if (b.loggingOn && log)
        log(record);
}

struct OneSided {
    double n = 0, s = 0, q = 0;
    void add(double x)
    {
        n += 1;
        s += x;
        q += x * x;
    }
    float sd() const
    {
        double var = n > 0 ? (q - s * s / n) / n : 0;
        if (var < 0) // rounding of equal values can leave a hair below 0
            var = 0;
        const float v = float(std::sqrt(var));
        return v < 0.1f ? 0.1f : v;
    }
};

} // namespace

std::optional<int> coinCountOf(const QString& text)
{
    try {
        const int n = roundWhole(plat::val(text));
        if (n >= 1 && n <= kMaxCoinsPerRun)
            return n;
    } catch (const plat::RuntimeError&) {
    }
    return std::nullopt;
}

void calcResults(BenchState& b, const std::array<int, 8>& coinReading, const std::array<int, 6>& coinBaseline,
                 const LogSink& log)
{
    for (int k = 0; k < kRawValues; ++k) {
        const int base = k <= 3 ? k + 1 : 5;
        b.latestReading[k] = int(std::clamp<qint64>(qint64(coinReading[k + 1]) - coinBaseline[base], qint64(kIntMin),
                                                    qint64(kIntMax)));
    }
    write(b, log, logReadingRecord(b.latestReading));
}

void updateLatestResults(BenchState& b, int mode)
{
    if (mode == 1) {
        b.rawReadings.clear();
        b.parameterMeans = {};
        b.sdLower = {};
        b.sdUpper = {};
        b.parameterLowest = {};
        b.parameterHighest = {};
        // Elements 1..8, one past the 0..7 that hold the limits: element 0 keeps the last coin's
        // HFT low limit. Harmless, as calculateLimits sets all eight before anything reads them.
        for (int i = 1; i <= 8; ++i)
            b.windowLimits[i] = 0;
        return;
    }
    if (b.readingCount() >= kMaxReadings)
        return;
    const RawReading& r = b.latestReading;
    if (std::find(r.begin(), r.end(), 0) != r.end())
        return; // not kept: one more coin is needed
    b.rawReadings.push_back(r);
    --b.coinsToGather;
}

void scaleMeasurements(BenchState& b, const LearningOptions& o, int level, const LogSink& log)
{
    level = std::clamp(level, 1, 7);
    write(b, log, logScaledHeaderRecord());
    b.scaledReadings.clear();
    for (const RawReading& raw : b.rawReadings) {
        const qint64 r1 = raw[0], r2 = raw[1], r3 = raw[2], r5 = raw[4], r6 = raw[5], r7 = raw[6];
        ScaledReading s{};
        if (modelEntry(o.model).fixedScaling) {
            s[0] = roundWhole(double(235 * (r1 + r2)) / 512);
            s[1] = roundWhole(double(606 * r3) / 512);
        } else {
            s[0] = roundWhole(double(170 * r1 + 202 * r2) / 512);
            s[1] = roundWhole(double(7 * r3) / 8);
            if (o.discrim == DiscrimType::Type2)
                s[1] = roundWhole(s[1] * 0.93);
            if (o.discrim == DiscrimType::Type3)
                s[1] = roundWhole(s[1] * 0.88);
        }
        s[2] = raw[3];
        s[3] = roundWhole(double(level * (r5 + r6 - r7)) / 7);
        b.scaledReadings.push_back(s);
        write(b, log, logScaledRecord(s));
    }
}

void calculateStats(BenchState& b, const LogSink& log)
{
    const int n = int(b.scaledReadings.size());
    if (n == 0)
        return;
    for (int k = 0; k < kWindowParams; ++k) {
        qint64 sum = 0;
        int lowest = b.scaledReadings[0][k], highest = lowest;
        for (const ScaledReading& s : b.scaledReadings) {
            sum += s[k];
            lowest = std::min(lowest, s[k]);
            highest = std::max(highest, s[k]);
        }
        const float m = float(double(sum) / n);
        const int c = roundWhole(m);
        OneSided lower, upper;
        for (const ScaledReading& s : b.scaledReadings) {
            const double x = s[k];
            const double mirror = 2.0 * double(m) - x;
            if (s[k] == c) {
                upper.add(x);
                lower.add(x);
            } else if (s[k] < c) {
                lower.add(x);
                lower.add(mirror);
            } else {
                upper.add(x);
                upper.add(mirror);
            }
        }
        b.parameterMeans[k] = m;
        b.sdLower[k] = lower.sd();
        b.sdUpper[k] = upper.sd();
        b.parameterLowest[k] = lowest;
        b.parameterHighest[k] = highest;
        b.parameterRange[k] = int(std::clamp<qint64>(qint64(highest) - lowest, 0, qint64(kIntMax)));
    }
    if (b.loggingOn && log)
        for (const QString& r : logStatsRecords(b))
            log(r);
}

bool checkCoinWindows(BenchState& b, const LearningOptions& o, int level, const LogSink& log)
{
    scaleMeasurements(b, o, level, log);
    calculateStats(b, log);
    return b.parameterRange[3] < 256;
}

int searchWindowLevel(BenchState& b, const LearningOptions& o, const LogSink& log)
{
    for (int level : modelEntry(o.model).windowLevels) {
        b.windowLevel = level;
        if (checkCoinWindows(b, o, level, log))
            break;
    }
    return b.windowLevel;
}

void calculateLimits(BenchState& b, const LearningOptions& o, const LogSink& log)
{
    const double f = o.performance == Performance::Standard ? 3.0 : o.performance == Performance::Tight ? 2.5 : 2.0;
    auto limits = [&](int k, double low, double high) {
        b.windowLimits[2 * k] = floorWhole(low);
        b.windowLimits[2 * k + 1] = floorWhole(high);
    };
    auto m = [&](int k) { return double(b.parameterMeans[k]); };
    auto sL = [&](int k) { return double(b.sdLower[k]); };
    auto sU = [&](int k) { return double(b.sdUpper[k]); };

    // HFT reaches 10 further up than down, and 3.3 % of the mean further still.
    limits(0, m(0) - f * sL(0) - 0.5 - 10, m(0) + f * sU(0) + 0.5 + 10 + 10 + 0.033 * m(0));
    if (!modelEntry(o.model).fixedScaling)
        limits(1, m(1) - f * sL(1) - 0.5 - 10 - 0.033 * m(1), m(1) + f * sU(1) + 0.5 + 10);
    else if (o.coinType == CoinType::BiMetallic)
        limits(1, m(1) - 3.0 * sL(1) - 0.5 - 10 + 0.033 * m(1), m(1) + 3.0 * sU(1) + 0.5 + 10 + 0.033 * m(1));
    else
        limits(1, m(1) - f * sL(1) - 0.5 - 10, m(1) + f * sU(1) + 0.5 + 10);
    limits(2, m(2) - f * sL(2) - 0.5 - 4, m(2) + f * sU(2) + 0.5 + 4);
    if (o.coinType == CoinType::Standard)
        limits(3, m(3) - f * sL(3) - 0.5 - 15, m(3) + f * sU(3) + 0.5 + 15);
    else
        limits(3, double(b.parameterLowest[3]) - 5, double(b.parameterHighest[3]) + 5);

    if (b.loggingOn && log)
        for (const QString& r : logLimitsRecords(b))
            log(r);
}

QString FlierProposal::message() const
{
    return plat::str(eliminated) + QStringLiteral(" Coin Fliers detected\r\nNeed to redrop ") + plat::str(coinsToGather) +
           QStringLiteral(" Coins\r\n\r\nPress OK to accept Elimination of Fliers\r\n\r\nPress CANCEL to Skip Elimination");
}

FlierProposal proposeFlierElimination(const BenchState& b, const LearningOptions& o, const LogSink& log)
{
    FlierProposal p;
    const int before = b.readingCount();
    p.coinsToGather = b.coinsToGather;
    if (before == 0) {
        p.noReadings = true;
        return p;
    }
    std::vector<RawReading> rows = b.rawReadings;
    std::array<qint64, kRawValues> sums{};
    std::array<double, kRawValues> means{};
    auto recompute = [&] {
        if (rows.empty())
            return;
        sums = {};
        for (const RawReading& r : rows)
            for (int j = 0; j < kRawValues; ++j)
                sums[j] += r[j];
        for (int j = 0; j < kRawValues; ++j)
            means[j] = double(sums[j]) / double(rows.size());
    };
    recompute();
    const bool lfNeverFlier = o.coinType == CoinType::BiMetallic; // a plated coin's LF values scatter

    for (int pass = 1; pass <= 2; ++pass) {
        size_t i = 0;
        while (i < rows.size()) {
            const size_t n = rows.size();
            bool flier = false;
            for (int j = 0; j < kRawValues; ++j) {
                const double x = rows[i][j];
                const double m = n < 2 ? means[j] : (double(sums[j]) - x) / double(n - 1);
                const double t = pass == 1 ? b.fliersLimit[j] * 1.5 / 100 : b.fliersLimit[j] / 100.0;
                const bool inTolerance = m * (1 - t) <= x && x <= m * (1 + t);
                if (!inTolerance && !(lfNeverFlier && j >= 4)) {
                    flier = true;
                    write(b, log, logFlierRecord(pass, int(i) + 1, j + 1, rows[i], means));
                }
            }
            if (flier) {
                rows.erase(rows.begin() + qsizetype(i));
                ++p.eliminated;
                recompute();
            } else {
                ++i;
            }
        }
    }

    if (p.eliminated > 0) {
        const int n = int(rows.size());
        if (n < 10) {
            p.coinsToGather = std::min(10 - n, p.eliminated);
            if (n < 5) {
                rows.clear();
                p.coinsToGather = before;
            }
            p.coinsToGather = std::max(p.coinsToGather, 0);
            p.more = true;
        }
    }
    p.remaining = std::move(rows);
    return p;
}

bool applyFlierElimination(BenchState& b, const FlierProposal& p, bool accepted)
{
    if (p.noReadings)
        return false;
    if (p.ask() && !accepted) {
        // Skipping the elimination keeps every reading; coins the run timed out waiting for
        // are still missing, and a window is never learned from fewer coins than were asked.
        return false;
    }
    b.rawReadings = p.remaining;
    b.coinsToGather = p.coinsToGather;
    return p.more;
}

} // namespace ardwell
