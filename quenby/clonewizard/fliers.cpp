#include "quenby/clonewizard/fliers.h"

#include "platform/vbtext.h"
#include "quenby/shell/texts.h"

#include <algorithm>

namespace quenby {

namespace {

using Row = std::array<qint32, 7>;

// The working copy: rows 1..K in use. Removing a row moves the later ones up and leaves the old
// last row behind, which is what "the value of row 1" means once every row has gone.
struct WorkingCopy {
    std::vector<Row> rows; // index 0 unused
    int K = 0;
    int paramCount = 0;
    std::array<float, 7> means{};

    void computeMeans()
    {
        for (int p = 1; p <= paramCount; ++p) {
            if (K < 2) {
                means[std::size_t(p)] = float(rows[1][std::size_t(p)]);
                continue;
            }
            float sum = 0;
            for (int j = 1; j <= K; ++j)
                sum += float(rows[std::size_t(j)][std::size_t(p)]);
            means[std::size_t(p)] = sum / float(K);
        }
    }

    float meanWithout(int i, int p) const
    {
        if (K < 2)
            return means[std::size_t(p)];
        float sum = 0;
        for (int j = 1; j <= K; ++j)
            if (j != i)
                sum += float(rows[std::size_t(j)][std::size_t(p)]);
        return sum / float(K - 1);
    }

    void remove(int i)
    {
        for (int j = i; j < K; ++j)
            rows[std::size_t(j)] = rows[std::size_t(j + 1)];
        --K;
    }
};

QString logLine(const WorkingCopy& w, int pass, int i, int p, const TextTable& texts)
{
    const int base = pass == 1 ? 456 : 460;
    QString line = texts.getText(base) + plat::str(i) + texts.getText(base + 1) + plat::str(p) +
                   texts.getText(base + 2);
    for (int q = 1; q <= w.paramCount; ++q)
        line += plat::str(w.rows[std::size_t(i)][std::size_t(q)]);
    line += texts.getText(base + 3);
    for (int q = 1; q <= w.paramCount; ++q)
        line += plat::format(w.means[std::size_t(q)], QStringLiteral("#0.0 "));
    return line;
}

} // namespace

FlierResult eliminateFliers(const RecordStats& s, int paramCount, const std::array<qint32, 7>& tolerance,
                            const TextTable& texts)
{
    checkParamCount(paramCount);
    FlierResult r;
    const int n = std::min(s.readingsTaken, RecordStats::kMaxReadings);
    if (n <= 0)
        return r;

    WorkingCopy w;
    w.paramCount = paramCount;
    w.rows.assign(std::size_t(n) + 1, Row{});
    for (int i = 1; i <= n; ++i)
        for (int p = 1; p <= paramCount; ++p)
            w.rows[std::size_t(i)][std::size_t(p)] = s.readingTable[std::size_t(i)][std::size_t(p)];
    w.K = n;
    w.computeMeans();

    int F = 0;
    QStringList log;
    for (int pass = 1; pass <= 2; ++pass) {
        int i = 1;
        while (i <= w.K) {
            bool flier = false;
            for (int p = 1; p <= paramCount; ++p) {
                const double m = w.meanWithout(i, p);
                const double band = 1.5 * tolerance[std::size_t(p)] / 100;
                const float hi = float(m * (1 + band));
                const float lo = float(m * (1 - band));
                const double x = w.rows[std::size_t(i)][std::size_t(p)];
                if (x > double(hi) || x < double(lo)) {
                    flier = true;
                    log << logLine(w, pass, i, p, texts);
                }
            }
            if (flier) {
                w.remove(i);
                ++F;
                w.computeMeans();
            } else {
                ++i;
            }
        }
    }

    r.fliers = F;
    r.logLines = log;
    if (F == 0)
        return r;

    int K = w.K;
    if (K < 10) {
        qint32 left = std::min(F, 10 - K);
        if (K < 5) {
            left = n;
            K = 0;
        }
        r.samplesLeft = left;
        r.redrop = true;
        r.askUser = true;
        r.boxText = plat::str(F) + texts.getText(464) + QStringLiteral("\r\n") + texts.getText(465) +
                    plat::str(left) + texts.getText(466) + QStringLiteral("\r\n\r\n") + texts.getText(467) +
                    QStringLiteral("\r\n\r\n") + texts.getText(468);
        r.boxTitle = texts.getText(469);
    }
    r.kept = K;
    r.keptRows.assign(w.rows.begin() + 1, w.rows.begin() + 1 + K);
    return r;
}

bool settleFliers(RecordStats& s, const FlierResult& r, bool accepted, qint32& samplesLeft, int paramCount,
                  const LimitRules& rules)
{
    checkParamCount(paramCount);
    if (r.fliers == 0)
        return false;
    if (r.askUser && !accepted) {
        samplesLeft = 0;
        return false;
    }
    const int K = std::min(int(r.keptRows.size()), RecordStats::kMaxReadings);
    for (int i = 1; i <= K; ++i)
        for (int p = 1; p <= paramCount; ++p)
            s.readingTable[std::size_t(i)][std::size_t(p)] = r.keptRows[std::size_t(i - 1)][std::size_t(p)];
    s.readingsTaken = K;
    if (K > 0)
        calcStats(s, paramCount, rules);
    if (r.samplesLeft)
        samplesLeft = *r.samplesLeft;
    return r.redrop;
}

} // namespace quenby
