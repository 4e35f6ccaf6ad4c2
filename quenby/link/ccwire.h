#pragma once
// The CC word protocol as bytes: word read and write requests, the word frame the mech answers
// with, the checksum word that keeps an EEPROM image's byte sum, and the dump lines of an image.

#include "quenby/link/familytable.h"
#include "quenby/link/images.h"

#include <QByteArray>
#include <QStringList>
#include <span>

namespace quenby {

// 7B, a, (7B + a) AND FF; only the low 8 bits of the address are sent.
QByteArray ccReadRequest(int address);
// 7A, a, high, low, (7A + a + high + low) AND FF. The mech answers 05 (written) or 06 (refused).
QByteArray ccWriteRequest(int address, qint32 value);

struct CcWordReply {
    bool error = false; // the check byte did not match
    qint32 value = -1;  // the word, -1 after a failed check
};

// A word frame: ";" (3B), high, low, (3B + high + low) AND FF. Slots are bytes; slots missing
// from a short frame read as 0, anything past the fourth is not looked at.
CcWordReply parseCcWordReply(std::span<const qint32> frame);

// The checksum word of an image to be programmed, by the entry's rule:
// - Sentinel: word 63 = 256 - s, s = (byte sum of words 0..62) AND 255, so 1..256;
// - word protocol: word 127's high byte is lowered by the byte changes of every word 0..126
//   that differs from the read image, so the byte sum of words 0..127 stays what the mech held;
//   its low byte is the read image's.
// Other entries change nothing.
void fixCcEepromChecksum(const MechEntry& entry, const Image& readImage, Image& progImage);

// One line per word 0 .. words - 1: the address and the word in decimal, a comma between
// ("0,4660"), as CC EEPROM data files and the scratch dump hold them.
QStringList eepromDataLines(const Image& image, int words);

} // namespace quenby
