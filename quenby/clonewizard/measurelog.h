#pragma once
// The rows of the measurement log, one comma-separated line each (texts in double quotes, numbers
// bare), in the order a coin set run or a wizard writes them. Each function returns the line
// without its line end; the log appends it with CR LF.

#include "quenby/clonewizard/coinsetfile.h"
#include "quenby/clonewizard/samplestats.h"

#include <QString>
#include <QStringList>
#include <array>

namespace quenby {

struct MeasureState;

// Appends rows to the log a run or wizard opened. A log that stops taking them is put back to
// its last whole row and closed for the rest of the run: its reason (75) is raised this once.
void appendLogRows(MeasureState& m, const QStringList& rows);

// The log file for the name chosen in the save dialog: every extension of the file name (never
// of a folder) stripped and ".csv" appended. Empty when the dialog was cancelled or the name
// has nothing left before its extensions, so that no file is opened.
QString logFilePath(const QString& chosen);

// Title, reference code and version, whole as in the file.
QString logHeaderRow(const CoinsetHeader& h);
// Mars: the PROM size text and the four segment states.
QString logPromRow(const MarsPromLine& m);
// A row holding one empty text.
QString logEmptyRow();
// "Idles" and the three idle values of the box.
QString logIdlesRow(const std::array<qint32, 3>& idleValues);
// The two rows before a record's readings: its description and name, then the parameter titles
// (an empty text, each name followed by an empty text, one more empty text).
QStringList logRecordRows(const QString& description, const QString& name, const QString (&paramNames)[7],
                          int paramCount);
// One reading: an empty text, each value followed by an empty text, one more empty text.
QString logReadingRow(const std::array<qint32, 11>& currentReading, int paramCount);
// A flier report line as one text field.
QString logFlierRow(const QString& line);
// "Mean", "SD Lower", "SD Upper" (each value followed by three empty texts) and "Limits : " (each
// limit followed by one empty text), every row ending in one more empty text.
QStringList logStatsRows(const RecordStats& s, int paramCount);
// A wizard's first row: "Wizard" and the mode with its leading blank.
QString logWizardRow(int mode);

} // namespace quenby
