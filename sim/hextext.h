#pragma once
// Hex text as the simulated mechs send and take it: upper-case digits only, as the protocols
// specify them (a lower-case digit is noise to a mech).

#include "platform/vbtext.h"

#include <QByteArray>

namespace sim {

// The low byte of v as two digits.
inline QByteArray hex2(int v) { return plat::hex2(v).toLatin1(); }

// The value of one digit, or -1.
inline int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    return c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
}

// The two digits at i as a byte, or -1.
inline int hexPair(const QByteArray& s, int i)
{
    if (i < 0 || i + 2 > s.size())
        return -1;
    const int high = hexDigit(s.at(i)), low = hexDigit(s.at(i + 1));
    return high < 0 || low < 0 ? -1 : high * 16 + low;
}

} // namespace sim
