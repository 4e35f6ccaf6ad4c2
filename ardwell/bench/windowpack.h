#pragma once
// Packing a learned window into its coin's 13-byte record in the image, with the record's
// header and level, and enabling the coin.

#include "ardwell/bench/benchstate.h"

#include <QString>
#include <QStringList>

namespace ardwell {

struct WindowPackResult {
    // "Warning" boxes (OK, information icon), one per parameter whose width was capped, shown
    // before anything else.
    QStringList widthWarnings;
    // Empty when the record was stored; else the "Error" box's text (critical, system-modal)
    // and the image is unchanged.
    QString error;
    bool stored() const { return error.isEmpty(); }
};

// The window's low limits and widths from the learned limits: a width above 255 becomes 254
// centred on the parameter's mean, with its warning text.
CoinWindow learnedWindow(const BenchState& b, QStringList* warnings = nullptr);

// The record bytes of a learned window at a level: header &H44, the level byte and nibble
// (1..6; any other level is written as 7), the sign bits, limits and widths.
RecordBytes learnedRecord(const CoinWindow& w, int level);

// Stores the learned window of b into the coin named by the channel item. A coin the model does
// not have, or whose record would run past the mech's last word (a PCA's 15 and 16), gives
// "Invalid coin number selected".
WindowPackResult programmeCoinWindow(EepromImage& image, Model m, const QString& channelItem, const BenchState& b);

} // namespace ardwell
