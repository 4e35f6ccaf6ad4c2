#pragma once
// Number and text conversions in the classic forms the programs' texts and files use: numbers
// with a leading blank, halves rounded to even when stored as whole numbers, Val that reads the
// number a text begins with, digit patterns, and substring functions counted from 1.

#include <QString>
#include <QtGlobal>
#include <concepts>

namespace plat {

// Number to text with one leading blank when not negative: " 5", "-5", " 2.5", " .5".
QString strLong(qint64 n);
// Up to 15 significant digits, no trailing zeros; below 1 without the leading 0 (" .5").
QString str(double x);
// The same with the 7 significant digits of a 32-bit float.
QString str(float x);
template <std::integral T>
QString str(T n)
{
    return strLong(static_cast<qint64>(n));
}

// Nearest whole number, halves to even (2.5 -> 2, 3.5 -> 4). RuntimeError(6, "Overflow")
// outside the 32-bit (cLng) or 16-bit (cInt) range, or for NaN.
qint32 cLng(double x);
qint16 cInt(double x);
// Rounds down towards minus infinity.
double intFloor(double x);

// The number a text begins with: leading blanks, tabs and line feeds skipped; sign, digits, one
// decimal point, an exponent (E or D); "&H" hex and "&O" octal (16-bit signed when the value
// fits 16 bits, else 32-bit signed). Stops at the first other character; 0 when there is none.
// RuntimeError(6, "Overflow") for a number out of range.
double val(const QString& s);

// x written by a digit pattern: 0 = digit always written, # = digit written only when needed,
// one "." for the decimal point; characters before and after the digits are copied as they
// stand (" 000 ", "#0.0 "). Rounds halves away from zero on the decimal value.
QString format(double x, const QString& pattern);

// Upper-case hex without leading zeros; a negative value as 32-bit two's complement.
QString hexU(qint64 n);
// The last two (four) characters of "00" ("0000") & Hex(n): the low byte (word) of n.
QString hex2(qint64 n);
QString hex4(qint64 n);
// The value of one hex digit (either case), -1 for any other character.
int hexDigit(QChar c);

// Substrings counted from 1 that never fail on a count or start past the end. A negative count
// gives an empty text. mid() with start < 1 raises RuntimeError(5, ...) as the classic one does;
// a negative len means "to the end".
QString left(const QString& s, qint64 n);
QString right(const QString& s, qint64 n);
QString mid(const QString& s, qint64 start, qint64 len = -1);
QString space(qint64 n);

} // namespace plat
