#include "quenby/clonewizard/samplestats.h"

#include "platform/vbtext.h"

#include <algorithm>
#include <cmath>

namespace quenby {

namespace {

struct SetSums {
    double sum = 0;
    double squares = 0;
    int count = 0;

    void add(double x)
    {
        sum += x;
        squares += x * x;
        ++count;
    }
    // Rounding can leave a hair below 0 where the true spread is 0; sqrt must not see it.
    double variance() const
    {
        if (count == 0)
            return 0;
        const double v = (squares - sum * sum / count) / count;
        return v < 0 ? 0 : v;
    }
};

float deviation(const SetSums& set)
{
    const float sd = float(std::sqrt(set.variance()));
    return sd < 0.1f ? 0.1f : sd;
}

// The unclamped value of limit index L + 1 (L counted from 0).
double limitValue(const RecordStats& s, int L, const LimitRules& rules)
{
    const int p = L / 2 + 1;
    const bool low = L % 2 == 0;
    const double m = s.paramMean[p];
    const double sL = s.paramSdLower[p];
    const double sU = s.paramSdUpper[p];
    const double off = s.limitOffset[std::size_t(L + 1)];

    if (s.recordKind != kCoinRecord) {
        double v = low ? (m - 3 * sL) - 0.5 - s.slugOffset[p] : (3 * sU + m) + 0.5 + s.slugOffset[p];
        if (rules.fifthParamSlugRule && L == 8)
            v = 0;
        if (rules.fifthParamSlugRule && L == 9)
            v = double(s.paramHighest[5]) + 10;
        return v;
    }

    const QString& src = s.limitSource[std::size_t(L)];
    if (src == limitsrc::ThreeSd)
        return low ? (m - 3 * sL) + off : (3 * sU + m) + off;
    if (src == limitsrc::TwoSd)
        return low ? (m - 2 * sL) + off : (2 * sU + m) + off;
    if (src == limitsrc::Mean)
        return m + off;
    // "Low" and "High" give the extreme they name on either side: a coin set that puts "Low"
    // on a high limit still gets a window built from its own readings.
    if (src == limitsrc::Low)
        return double(s.paramLowest[p]) + off;
    if (src == limitsrc::High)
        return double(s.paramHighest[p]) + off;
    if (src == limitsrc::Fixed)
        return off;
    // A source the record does not name sets nothing: 0 is "not set" in every table.
    return 0;
}

} // namespace

void checkParamCount(int paramCount)
{
    if (paramCount < 0 || paramCount > RecordStats::kMaxParams)
        subscriptOutOfRange();
}

qint32 measurementField(const QString& field)
{
    QString digits = field;
    digits.remove(u' ').remove(u'\t').remove(u'\n');
    return plat::cLng(plat::val(digits));
}

std::array<qint32, 3> readMeasurementLine(const QString& line)
{
    return {measurementField(plat::mid(line, 3, 5)), measurementField(plat::mid(line, 9, 5)),
            measurementField(plat::mid(line, 15, 5))};
}

void resetStats(RecordStats& s, int paramCount)
{
    checkParamCount(paramCount);
    s.readingsTaken = 0;
    for (int p = 1; p <= paramCount; ++p) {
        s.paramMean[p] = 0;
        s.paramSdLower[p] = 0;
        s.paramSdUpper[p] = 0;
        s.paramLowest[p] = 0;
        s.paramHighest[p] = 0;
    }
    for (int L = 1; L <= 2 * paramCount; ++L) {
        s.limitOffset[std::size_t(L)] = 0;
        s.recordLimits[std::size_t(L)] = 0;
    }
}

ReadingOutcome addReading(RecordStats& s, const std::array<qint32, 11>& r, int paramCount,
                          const LimitRules& rules, const ReadingRanges& ranges)
{
    checkParamCount(paramCount);
    if (rules.mars) {
        for (int k = 0; k < 3; ++k)
            if (r[std::size_t(k)] < ranges.low[std::size_t(k)] || r[std::size_t(k)] > ranges.high[std::size_t(k)])
                return ReadingOutcome::OutOfRange;
    }
    if (s.readingsTaken >= RecordStats::kMaxReadings)
        return ReadingOutcome::TableFull;
    const int row = ++s.readingsTaken;
    for (int p = 1; p <= paramCount; ++p)
        s.readingTable[std::size_t(row)][std::size_t(p)] = r[std::size_t(p - 1)];
    calcStats(s, paramCount, rules);
    return ReadingOutcome::Stored;
}

QString outOfRangeText(const std::array<qint32, 11>& r)
{
    return QStringLiteral("Out Of Range Value \r\n") + plat::str(r[0]) + plat::str(r[1]) + plat::str(r[2]) +
           QStringLiteral("\r\nMeasurement Ignored");
}

void calcStats(RecordStats& s, int paramCount, const LimitRules& rules)
{
    checkParamCount(paramCount);
    const int n = s.readingsTaken;
    if (n <= 0 || n > RecordStats::kMaxReadings)
        return;
    const auto x = [&s](int i, int p) { return s.readingTable[std::size_t(i)][std::size_t(p)]; };

    for (int p = 1; p <= paramCount; ++p) {
        double sum = 0;
        for (int i = 1; i <= n; ++i)
            sum += x(i, p);
        s.paramMean[p] = float(sum / n);
    }

    for (int p = 1; p <= paramCount; ++p) {
        const double m = s.paramMean[p];
        const qint32 r = plat::cLng(s.paramMean[p]);
        SetSums upper, lower;
        for (int i = 1; i <= n; ++i) {
            const qint32 xi = x(i, p);
            const double mirror = m + m - xi;
            if (xi > r) {
                upper.add(xi);
                upper.add(mirror);
            } else if (xi < r) {
                lower.add(xi);
                lower.add(mirror);
            } else {
                upper.add(xi);
                lower.add(xi);
            }
        }
        s.paramSdUpper[p] = deviation(upper);
        s.paramSdLower[p] = deviation(lower);
    }

    for (int p = 1; p <= paramCount; ++p) {
        qint32 lo = x(1, p), hi = x(1, p);
        for (int i = 2; i <= n; ++i) {
            lo = std::min(lo, x(i, p));
            hi = std::max(hi, x(i, p));
        }
        s.paramLowest[p] = lo;
        s.paramHighest[p] = hi;
    }

    // Clamping in double before rounding gives what rounding and then capping gives, and a wild
    // offset cannot overflow the conversion.
    const double cap = rules.limitCap;
    for (int L = 0; L < 2 * paramCount; ++L) {
        double v = limitValue(s, L, rules);
        if (!(v >= 0))
            v = 0;
        if (v > cap)
            v = cap;
        s.recordLimits[std::size_t(L + 1)] = plat::cLng(v);
    }
}

} // namespace quenby
