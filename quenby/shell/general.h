#pragma once
// Small procedures many windows use: field splitting, limit mode names, fixed-width hex,
// list membership, and the numeric reading of text fields.

#include "platform/vbtext.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QtGlobal>

namespace quenby {

// Splits a line field by field. Fields end at the first comma; double quotes are dropped
// anywhere and do not protect a comma; blanks stay.
struct CsvCursor {
    QString csvLine;
    int csvPos = 1; // 1-based position where the next field begins

    // Throws plat::RuntimeError(5) when csvPos < 1. A call on a used-up line returns "" and
    // still moves csvPos on by 1.
    QString nextCsvField();
};

// "3" "3*SD", "2" "2*SD", "M" "Mean", "L" "Low", "H" "High", "F" "Fixed"; else "".
QString limitModeName(const QString& letter);

// Upper-case hex, last 4 (2) digits kept; negatives as 32-bit two's complement.
using plat::hex2;
using plat::hex4;

// Exact, case-sensitive.
bool isInList(const QString& text, const QStringList& items);

} // namespace quenby
