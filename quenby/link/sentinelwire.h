#pragma once
// The Sentinel interface's text commands for EEPROM words and the replies read from them, and
// the identification that "TKI" returns.

#include "quenby/link/images.h"

#include <QByteArray>
#include <QString>
#include <array>

namespace quenby {

// "M00" + hex2(80 + (a AND 63)) + "0102" + CR.
QByteArray sentinelReadCommand(int address);

// "W0030", "W00" + hex2(C0 + a), "W00" + hex2(40 + a) + hex2(low) + hex2(high), "W0000", each
// with its CR (a = address AND 63). The third one carries the word.
std::array<QByteArray, 4> sentinelWriteCommands(int address, qint32 value);

// The checksum word 63: 256 - s, s = (byte sum of words 0..62) AND 255; 256 when s is 0.
qint32 sentinelChecksumWord(const Image& image);

struct SentinelWord {
    bool ok = false;    // a whole reply for the word asked for
    qint32 value = -1;  // low + 256 x high; -1 when not ok
};
// A read reply (the text after the echo): "ZZR", the low byte's hex pair at characters 4..5, the
// word's address at 6..7, the high byte's at 8..9. A reply cut short, with a pair that is not
// hex, or naming another word than `address` (its low 6 bits) is no word: a late or broken reply
// would otherwise be stored as this word.
SentinelWord parseSentinelWordReply(const QByteArray& reply, int address);

struct SentinelIdent {
    bool i2cStuck = false; // the reply began "E": the interface's clock and data lines are stuck
    QString ident;         // 4 characters ("I2.1"), or fewer when the reply was shorter
};
// The "TKI" reply, echoed "I" included.
SentinelIdent parseSentinelIdent(const QByteArray& reply);
// An interface older than "I2" needs the resistor link or another board for a G18
// (character-code order of the first two characters; the "I0.0" of a failed logon counts).
bool sentinelIdentNeedsG18Warning(const QString& ident);

} // namespace quenby
