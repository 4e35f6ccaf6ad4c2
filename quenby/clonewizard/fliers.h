#pragma once
// Fliers: readings of a record that lie too far from the mean of the record's other readings.
// They are looked for in two passes; the user then decides whether the record keeps the thinned
// readings (and drops more coins when too few are left) or keeps every reading.
//
// Sums and means are single precision; the band m x (1 +- 1.5 t / 100) is computed in double
// from the float mean and stored as float; the reading is compared with it in double.

#include "platform/dialogs.h"
#include "quenby/clonewizard/samplestats.h"

#include <QString>
#include <QStringList>
#include <array>
#include <optional>
#include <vector>

namespace quenby {

class TextTable;

struct FlierResult {
    int fliers = 0; // F: readings found to be fliers
    int kept = 0;   // K: readings the elimination keeps (0 when all are thrown away)
    // Rows 1..K of the thinned readings (element 0 is row 1), columns 1..6 as in readingTable.
    std::vector<std::array<qint32, 7>> keptRows;
    // Fewer than 10 readings are left: the user is asked (OK / Cancel) before anything changes.
    bool askUser = false;
    // Accepted, the caller gathers samplesLeft more coins onto the kept readings.
    bool redrop = false;
    // The coins to drop again when the elimination sets the count (fewer than 10 left).
    std::optional<qint32> samplesLeft;
    QString boxText; // set when askUser
    QString boxTitle;
    // One log field per parameter a flier failed on, in the order found.
    QStringList logLines;

    static constexpr int kBoxStyle = plat::mb::OKCancel | plat::mb::Exclamation;
};

// Looks for fliers in rows 1..readingsTaken with the tolerance (per cent) of each parameter
// 1..paramCount; changes nothing. No readings, or no flier: fliers = 0.
FlierResult eliminateFliers(const RecordStats& s, int paramCount, const std::array<qint32, 7>& tolerance,
                            const TextTable& texts);

// Settles an elimination that found fliers, with the user's answer to its box (a box not shown
// counts as OK). OK keeps the thinned readings, recomputes the statistics when any are left and
// sets samplesLeft when the elimination asks for coins; Cancel keeps every reading, fliers
// included, and sets samplesLeft to 0. Returns redrop. A result without fliers changes nothing
// and returns false. Afterwards the panel's count shows samplesLeft.
bool settleFliers(RecordStats& s, const FlierResult& r, bool accepted, qint32& samplesLeft, int paramCount,
                  const LimitRules& rules);

} // namespace quenby
