#include "ardwell/bench/coinlog.h"

#include "ardwell/link/imagefile.h"
#include "platform/textfile.h"
#include "platform/vbtext.h"

#include <cmath>

namespace ardwell {

namespace {

const char* const kParamNames[kWindowParams] = {"HFT", "HFD", "LFF", "LFA"};

plat::CsvRecord texts(std::initializer_list<const char*> fields)
{
    plat::CsvRecord r;
    for (const char* f : fields)
        r.text(QString::fromLatin1(f));
    return r;
}

} // namespace

QString logSingle(float x)
{
    // The Single's own 7-digit text, read back as a number, writes as that text does.
    return plat::CsvRecord().number(plat::val(plat::str(x))).toLine();
}

QString logHeaderRecord()
{
    return texts({"HFTA", "HFTB", "HFD", "LFF", "LF P1", "LF P2", "LF Trough"}).toLine();
}

QString logReadingRecord(const RawReading& r)
{
    plat::CsvRecord rec;
    for (int v : r)
        rec.number(v);
    return rec.text(QString()).toLine();
}

QString logFlierRecord(int pass, int row, int valueNumber, const RawReading& reading,
                       const std::array<double, kRawValues>& means)
{
    QString t = QStringLiteral("Pass %1 Eliminating (").arg(pass) + plat::str(row) + QStringLiteral(") - on parameter") +
                plat::str(valueNumber) + QStringLiteral(" Reading ");
    for (int v : reading)
        t += plat::str(v);
    t += QStringLiteral(" Means ");
    for (double m : means)
        t += plat::format(m, QStringLiteral("#0.0 "));
    return plat::CsvRecord().text(t).toLine();
}

QString logScaledHeaderRecord() { return texts({"HFT", "HFD", "LFF", "LFA"}).toLine(); }

QString logScaledRecord(const ScaledReading& s)
{
    plat::CsvRecord rec;
    for (int v : s)
        rec.number(v);
    return rec.text(QString()).toLine();
}

QStringList logStatsRecords(const BenchState& b)
{
    QStringList out{texts({"", "Mean", "SD Lower", "SD Upper", "Lowest", "Highest", "Range"}).toLine()};
    for (int k = 0; k < kWindowParams; ++k) {
        out << plat::CsvRecord()
                   .text(QString::fromLatin1(kParamNames[k]))
                   .raw(logSingle(b.parameterMeans[k]))
                   .raw(logSingle(b.sdLower[k]))
                   .raw(logSingle(b.sdUpper[k]))
                   .number(b.parameterLowest[k])
                   .number(b.parameterHighest[k])
                   .number(b.parameterRange[k])
                   .toLine();
    }
    out << texts({""}).toLine();
    return out;
}

QStringList logLimitsRecords(const BenchState& b)
{
    QStringList out{texts({"", "Low Limit", "High Limit", "Mean", "Range"}).toLine()};
    for (int k = 0; k < kWindowParams; ++k) {
        const qint64 low = b.windowLimits[2 * k], high = b.windowLimits[2 * k + 1];
        out << plat::CsvRecord()
                   .text(QString::fromLatin1(kParamNames[k]))
                   .number(low)
                   .number(high)
                   .number(qint64(std::floor(double(low + high) / 2 + 0.5)))
                   .number(high - low)
                   .toLine();
    }
    out << texts({""}).toLine();
    return out;
}

std::optional<QString> logFilePath(const QString& chosen)
{
    if (chosen.isEmpty())
        return std::nullopt;
    return plat::withExtension(chosen, QStringLiteral(".csv"), true);
}

} // namespace ardwell
