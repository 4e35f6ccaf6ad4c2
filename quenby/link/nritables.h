#pragma once
// The NRI tables: what the last NRI memory read returned, and the per-coin NRI values a
// measurement or a wizard sets for programming. One instance each, held by the program object.

#include "quenby/link/images.h"

#include <QString>
#include <QtGlobal>
#include <array>

namespace quenby {

// Coin 0..24 by column 0..12: column 2p - 1 the low and 2p the high limit of parameter p; row 0
// and column 0 hold nothing. The shape of the coin limit table.
using LimitTable = std::array<std::array<qint32, 13>, 25>;
using CoinArray = std::array<qint32, 25>; // coin 0..24, coins from 1

// What the last NRI memory read returned. Nothing clears it before a read: what a model does
// not read keeps what it held.
struct NriReadTables {
    std::array<QString, 33> nriDataLines; // reply text per record; lines 1..28 are a data file
    LimitTable nriLimitTable{};
    std::array<std::array<qint32, 7>, 25> nriParamTable{}; // coin, parameter slot 1..6: code 0..15
    CoinArray nriCoinX0F{};      // output code byte of record 0F
    CoinArray nriCoinOutput{};   // inhibit line 1..6 (0 = none) plus bits 6 and 7 of record 12
    CoinArray mechCoinValues{};  // coin values; G10 models: 13 lowest value, 14..16 tube values
    qint32 coinValueMultipleRead = 0;
    std::array<qint32, 7> nriCompensation{}; // values 0..5
    std::array<QString, 3> nriInfoLines;     // route records as read (0, and 1 on "G10-4000/5")
    QString nriIdent;     // date of the last adjustment: day, month, year - 2000, two hex digits each
    QString nriG10Header; // leading characters of the G10 value record
    // How the last read of the mech ended: when complete, nriDataLines hold the memory of that
    // model's mech as read. Lines taken from a data file since make them no mech's (cleared).
    ReadState linesRead;
    // The model a data file was checked for when its lines were taken into nriDataLines; a read
    // since clears it.
    QString linesFileModel;
    // Per line: the last read was to fill it and did not (it stopped, was cancelled or the reply
    // was not the record's), so the line and its fields still hold what they held before, of
    // whichever mech that was.
    std::array<bool, 33> lineNotRead{};

    bool linesAreTheMechsOf(const QString& model) const
    {
        return linesRead.complete && !model.isEmpty() && linesRead.model == model;
    }
    // The lines are a whole memory of this model: a complete read, or a file checked for it.
    bool linesAreAMemoryOf(const QString& model) const
    {
        return linesAreTheMechsOf(model) || (!model.isEmpty() && linesFileModel == model);
    }
};

// Per coin NRI values that measurement and the wizards set and programming writes.
struct NriCoinTables {
    CoinArray nriCoinValues{};                             // inhibit line 1..6 in bits 0..5, flags 6, 7
    std::array<std::array<qint32, 7>, 25> nriCoinParams{}; // coin, parameter slot: code 0..15
};

} // namespace quenby
