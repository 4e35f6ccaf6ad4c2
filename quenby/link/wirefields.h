#pragma once
// Reading fields out of mech replies by the 1-based character positions their layouts give.
// A reply may come short or garbled: characters missing at its end simply shorten the field,
// and a field that holds no number reads 0. Nothing here throws.

#include <QByteArray>
#include <QString>
#include <QtGlobal>

namespace quenby {

// Characters pos .. pos + len - 1 of the reply as text (8-bit code page); shorter at the end.
QString replyField(const QByteArray& reply, int pos, int len);
// The hex number the field begins with (Val of "&H" & field); 0 when it begins with none.
qint32 hexField(const QByteArray& reply, int pos, int len);
// The decimal number the field begins with (Val), to the nearest whole number; 0 when it begins
// with none or the number is not a 32-bit whole number.
qint32 decField(const QByteArray& reply, int pos, int len);

} // namespace quenby
