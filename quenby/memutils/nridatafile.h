#pragma once
// The NRI data file: the 28 data lines of an NRI memory, one record a line.

#include <QString>
#include <QStringList>
#include <array>

namespace quenby {

// Line n: the number n, a comma and the text of line n between double quotes, written as it
// stands (a quote inside stays one quote, so files of other copies read back the same: a reader
// takes the text from the first quote after the comma to the last quote of the line).
QStringList nriDataFileLines(const std::array<QString, 33>& nriDataLines);

// Why lines 1..28 cannot make a data file that loads again: the first record with a control
// character or too long for a line of the file, named; empty when they can.
QString nriDataLinesUnwritable(const std::array<QString, 33>& nriDataLines);

// Writes lines 1..28 to `path`, 8-bit with CR LF, whole or not at all: the file is replaced
// only once every line is written. A failure raises plat::RuntimeError (75) with the reason,
// for the caller's error trap; a line no data file may hold (a control character, over 512
// characters) raises 13 naming the record before anything is written.
void writeNriDataFile(const QString& path, const std::array<QString, 33>& nriDataLines);

} // namespace quenby
