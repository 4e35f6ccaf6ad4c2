#pragma once
// What the box says about a Mars PROM: the "R" lines of a PROM read, the "P" rows that burn it,
// and the validator timing command with its read-back from the status line.

#include "quenby/link/familytable.h"
#include "quenby/link/images.h"

#include <QByteArray>
#include <QString>
#include <bitset>
#include <optional>
#include <vector>

namespace quenby {

// The last PROM address of a size choice: 511 for "2K" (promSize 1), else 255.
int promLastAddress(int promSize);

// The progress of one PROM read.
struct MarsPromRead {
    bool topReached = false;          // the line ending at the top address was stored: the wait ends
    int refusedLines = 0;             // lines that could not be placed (each reported with text 107)
    std::bitset<kImageTop + 1> stored; // the addresses a stored line filled
    // The first address up to the top of promSize that no stored line filled; -1 when none.
    int firstMissing(int promSize) const;
    // Only a read whose every line was stored holds the PROM: a refused or lost line leaves its
    // words 0, and zeros read as a blank PROM.
    bool complete(int promSize) const { return topReached && refusedLines == 0 && firstMissing(promSize) < 0; }
};

// One "R" line, exactly 36 characters: characters 2..4 the start address (3 hex digits),
// characters 6, 8, .. 36 the 16 nibbles from there. A line of another length (a lost CR runs
// two lines into one), one that holds anything but hex digits in those places, or one whose 16
// addresses pass the end of the image is refused whole: nothing is written, `read` counts it,
// and the result is false (the caller reports text 107 once for the line). A stored line ending
// past the top address of `promSize` ends the read's wait.
bool decodeMarsPromLine(const QString& line, int promSize, Image& readImage, MarsPromRead& read);

// One row of a burn: the bytes sent ("P", 3 hex digits of the address, one digit per nibble, CR),
// the address after it, and the progress bar value (0..16) the window shows once it is sent.
struct PromRow {
    QByteArray bytes;
    int nextAddress = 0;
    int progress = 0;
};

struct PromRows {
    std::vector<PromRow> rows;
    // When set, nothing of the range may be burnt: a word outside 0..15 (it would shift the row
    // and burn the rest of it into the wrong addresses) or an address outside the image.
    // Reported with text 106 and this address.
    std::optional<int> badAddress;
    bool ok() const { return !badAddress; }
};

// Every row of first..last (inclusive), 16 addresses each, the last one shorter when the range
// ends inside it. first = last is one row of one nibble whose bar stands at 16.
PromRows marsPromRows(const Image& progImage, int first, int last);

// The timing command of a model, without its CR ("Z150150150425" or "Z030020150100").
QByteArray marsTimingCommand(const MechEntry& entry);
// The command the box's status line confirms: "Z" and the four timing values, at least three
// digits each.
QByteArray marsTimingReadBack(double value1, double value2, double value3, double value4);

} // namespace quenby
