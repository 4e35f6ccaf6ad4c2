#pragma once
// Byte strings and data files as the program writes them, for the tests to feed and compare.

#include "sim/nrimech.h"

#include <QByteArray>
#include <QString>
#include <initializer_list>
#include <vector>

namespace quenby_tests {

inline QByteArray bytes(std::initializer_list<int> list)
{
    QByteArray out;
    for (int b : list)
        out += char(b);
    return out;
}

// An EEPROM data file of these words.
inline QByteArray eepromFile(const std::vector<quint16>& words)
{
    QByteArray out;
    for (size_t a = 0; a < words.size(); ++a)
        out += QByteArray::number(qulonglong(a)) + ',' + QByteArray::number(words[a]) + "\r\n";
    return out;
}

inline QByteArray latin1(const QString& s) { return s.toLatin1(); }
inline const QByteArray& latin1(const QByteArray& b) { return b; }

// An NRI data file of these lines (index 1..28).
template <class Lines>
QByteArray nriFile(const Lines& lines)
{
    QByteArray out;
    for (int n = 1; n <= 28; ++n)
        out += QByteArray::number(n) + ",\"" + latin1(lines[size_t(n)]) + "\"\r\n";
    return out;
}

// An NRI data file of a simulated mech's memory: line n holds record n - 1.
inline QByteArray nriFileOf(const sim::NriMech& m)
{
    QByteArray out;
    for (int n = 1; n <= 28; ++n)
        out += QByteArray::number(n) + ",\"" + m.record(n - 1) + "\"\r\n";
    return out;
}

} // namespace quenby_tests
