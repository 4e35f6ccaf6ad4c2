#pragma once
// The readings of the record being gathered, their statistics and the record's acceptance limits.
//
// Arithmetic is fixed because a different rounding moves a window: sums, squares, variances and
// limit values in double; means and deviations stored as float and read back as float by every
// later step; limits rounded to the nearest whole number, halves to even.

#include "quenby/clonewizard/cointables.h"

#include <QString>
#include <QtGlobal>
#include <array>

namespace quenby {

// The limit source names, as the measurement window's lblSrc captions show them.
namespace limitsrc {
inline const QString ThreeSd = QStringLiteral("3*SD");
inline const QString TwoSd = QStringLiteral("2*SD");
inline const QString Mean = QStringLiteral("Mean");
inline const QString Low = QStringLiteral("Low");
inline const QString High = QStringLiteral("High");
inline const QString Fixed = QStringLiteral("Fixed");
} // namespace limitsrc

inline const QString kCoinRecord = QStringLiteral("Coin");
inline const QString kSlugRecord = QStringLiteral("Slug");

// Per parameter arrays are indexed 1..6 and per limit arrays 1..12 (limit 2p-1 is the low and
// 2p the high limit of parameter p); index 0 is not used. limitSource is indexed 0..11 like the
// labels that show it: limitSource[L] names the source of limit L+1.
struct RecordStats {
    static constexpr int kMaxReadings = 500;
    static constexpr int kMaxParams = 6;

    std::array<std::array<qint32, 7>, kMaxReadings + 1> readingTable{}; // rows 1..readingsTaken
    int readingsTaken = 0;
    std::array<float, 7> paramMean{};
    std::array<float, 7> paramSdLower{};
    std::array<float, 7> paramSdUpper{};
    std::array<qint32, 7> paramLowest{};
    std::array<qint32, 7> paramHighest{};
    std::array<qint32, 13> limitOffset{}; // signed offset, or the limit itself for "Fixed"
    std::array<qint32, 7> slugOffset{};
    std::array<qint32, 13> recordLimits{};
    QString recordKind = kCoinRecord; // anything but "Coin" is a slug record
    int recordMode = 1;               // 1 coin, 2 slug, 3 reference
    std::array<QString, 12> limitSource;
};

// Readings outside low..high of parameters 1..3 are refused where the family checks them.
struct ReadingRanges {
    std::array<qint32, 3> low{2, 2, 2};
    std::array<qint32, 3> high{3000, 3000, 4000};
};

// The three readings of a measurement line: the 5 characters at positions 3, 9 and 15 (counted
// from 1), each read as a decimal number with every blank ignored ("08 12" is 812) and rounded
// to the nearest whole number. A field without a number gives 0; a value beyond 32 bits raises
// RuntimeError(6, "Overflow") and nothing is read.
std::array<qint32, 3> readMeasurementLine(const QString& line);
qint32 measurementField(const QString& field);

// Starts a record afresh: no readings, statistics, offsets and limits 0.
void resetStats(RecordStats& s, int paramCount);

enum class ReadingOutcome {
    Stored,     // stored and the statistics recomputed
    OutOfRange, // refused by the range check: not counted at all
    TableFull,  // the table holds 500 readings: not stored, to be reported as a subscript error,
                // but counted so that the gathering ends
};
inline bool countsDown(ReadingOutcome o) { return o != ReadingOutcome::OutOfRange; }

// Takes the reading in currentReading[0 .. paramCount-1]. Only Mars readings are range-checked.
ReadingOutcome addReading(RecordStats& s, const std::array<qint32, 11>& currentReading, int paramCount,
                          const LimitRules& rules, const ReadingRanges& ranges);

// The box text of a refused reading: "Out Of Range Value ", CR LF, the three readings each
// with a leading blank (or minus sign), CR LF, "Measurement Ignored".
QString outOfRangeText(const std::array<qint32, 11>& currentReading);
inline const QString kOutOfRangeTitle = QStringLiteral("Error");

// Means, one-sided deviations, extremes and limits from rows 1..readingsTaken. With no readings
// nothing changes. Throws RuntimeError(9) for a paramCount outside 0..6.
void calcStats(RecordStats& s, int paramCount, const LimitRules& rules);

// Throws RuntimeError(9) unless 0 <= paramCount <= 6.
void checkParamCount(int paramCount);

} // namespace quenby
