#include "quenby/clonewizard/measurelog.h"

#include "platform/runtimeerror.h"
#include "platform/textfile.h"
#include "platform/vbtext.h"
#include "quenby/link/measurement.h"

namespace quenby {

namespace {

// A single-precision value as the log holds it: its 7 significant digits, not the wider ones
// its double would show.
double asLogged(float x) { return plat::val(plat::str(x)); }

QString statsRow(const QString& label, const std::array<float, 7>& values, int paramCount)
{
    plat::CsvRecord r;
    r.text(label);
    for (int p = 1; p <= paramCount; ++p)
        r.number(asLogged(values[std::size_t(p)])).text({}).text({}).text({});
    return r.text({}).toLine();
}

} // namespace

void appendLogRows(MeasureState& m, const QStringList& rows)
{
    QString why;
    if (plat::appendLines(m.logPath, rows, &why))
        return;
    // Every writer of the log (the run, the statistics, each family's samples) sees it closed,
    // so the run goes on without it instead of stopping at each row.
    m.logEnabled = false;
    throw plat::RuntimeError(plat::err::PathFileAccess, why);
}

QString logFilePath(const QString& chosen)
{
    QString name = fileNameOf(chosen);
    const QString folder = chosen.left(chosen.size() - name.size());
    const qsizetype dot = name.indexOf(u'.');
    if (dot >= 0)
        name.truncate(dot);
    if (name.isEmpty())
        return {};
    return folder + name + QStringLiteral(".csv");
}

QString logHeaderRow(const CoinsetHeader& h)
{
    return plat::CsvRecord().text(h.title).text(h.refCode).text(h.version).toLine();
}

QString logPromRow(const MarsPromLine& m)
{
    plat::CsvRecord r;
    r.text(m.sizeText);
    for (qint32 s : m.segments)
        r.number(s);
    return r.toLine();
}

QString logEmptyRow() { return plat::CsvRecord().text({}).toLine(); }

QString logIdlesRow(const std::array<qint32, 3>& idleValues)
{
    plat::CsvRecord r;
    r.text(QStringLiteral("Idles"));
    for (qint32 v : idleValues)
        r.number(v);
    return r.toLine();
}

QStringList logRecordRows(const QString& description, const QString& name, const QString (&paramNames)[7],
                          int paramCount)
{
    checkParamCount(paramCount);
    plat::CsvRecord titles;
    titles.text({});
    for (int p = 0; p < paramCount; ++p)
        titles.text(paramNames[p]).text({});
    titles.text({});
    return {plat::CsvRecord().text(description).text(name).toLine(), titles.toLine()};
}

QString logReadingRow(const std::array<qint32, 11>& currentReading, int paramCount)
{
    checkParamCount(paramCount);
    plat::CsvRecord r;
    r.text({});
    for (int p = 0; p < paramCount; ++p)
        r.number(currentReading[std::size_t(p)]).text({});
    return r.text({}).toLine();
}

QString logFlierRow(const QString& line) { return plat::CsvRecord().text(line).toLine(); }

QStringList logStatsRows(const RecordStats& s, int paramCount)
{
    checkParamCount(paramCount);
    plat::CsvRecord limits;
    limits.text(QStringLiteral("Limits : "));
    for (int L = 1; L <= 2 * paramCount; ++L)
        limits.number(s.recordLimits[std::size_t(L)]).text({});
    limits.text({});
    return {statsRow(QStringLiteral("Mean"), s.paramMean, paramCount),
            statsRow(QStringLiteral("SD Lower"), s.paramSdLower, paramCount),
            statsRow(QStringLiteral("SD Upper"), s.paramSdUpper, paramCount), limits.toLine()};
}

QString logWizardRow(int mode)
{
    return plat::CsvRecord().text(QStringLiteral("Wizard")).text(plat::str(mode)).toLine();
}

} // namespace quenby
