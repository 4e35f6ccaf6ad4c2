#pragma once
// The coin data log: the records a gathering run writes when "Log Results" is ticked, each
// as one comma-separated line (without its line end), in the order the run writes them.

#include "ardwell/bench/benchstate.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace ardwell {

// A Single as the log writes it: its shortest text of at most 7 significant digits, with a
// leading 0 before a bare decimal point (0.1, -0.5).
QString logSingle(float x);

// "HFTA","HFTB","HFD","LFF","LF P1","LF P2","LF Trough" (once a run, after the requests).
QString logHeaderRecord();
// A coin's seven values, then "" (every coin received, counted or not).
QString logReadingRecord(const RawReading& r);
// One value that marks a flier: pass 1 or 2, the reading's row in the working table (1-based),
// the raw value number (1..7), the reading's values and the seven working means.
QString logFlierRecord(int pass, int row, int valueNumber, const RawReading& reading,
                       const std::array<double, kRawValues>& means);
// Before the scaled readings of a level: "HFT","HFD","LFF","LFA".
QString logScaledHeaderRecord();
// One reading's HFT, HFD, LFF, LFA, then "".
QString logScaledRecord(const ScaledReading& s);
// The statistics block of the last calculation: header, HFT..LFA, closing "".
QStringList logStatsRecords(const BenchState& b);
// The limits block: header, HFT..LFA with their middle and range, closing "".
QStringList logLimitsRecords(const BenchState& b);

// The log's file from the name the save dialog gave: the file name's own extension (from its
// last ".", never one of a folder) becomes ".csv", a name without one gets ".csv". A cancelled
// dialog (empty name) gives nothing: the run does not start.
std::optional<QString> logFilePath(const QString& chosen);

} // namespace ardwell
