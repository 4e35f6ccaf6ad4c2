#pragma once
// The coin limit table against the memory images: every family's windows into progImage, the
// windows a mech already holds back into the table for the channels that keep them, the CC
// routing and C120 output words, and the Mars PROM report of the PROM data view.
//
// The pure steps work on copies and commit at their end: an index outside a table or an image
// raises RuntimeError(9) before anything is written, so the trap that reports it finds the
// tables as they were. The entry points at the bottom are the program's: each traps and reports
// under its own text, through the job's MechFamily.

#include "platform/runtimeerror.h"
#include "quenby/clonewizard/cointables.h"
#include "quenby/link/familytable.h"
#include "quenby/link/images.h"
#include "quenby/link/nritables.h"

#include <QList>
#include <QString>
#include <optional>

namespace quenby {

class MechFamily;
class PromDataView;
class TextTable;

// ---- layouts ----

// Mars PROM: the first of the three nibbles of column m (1..6) of position k (1..6), relative to
// the segment's data: 1 + 36 (p - 1) + 6 (k - 1), plus 3 for a high limit.
int marsWindowWord(int position, int column);
// The window the three nibbles from `word` hold: bits 0-3, 4-7, 8-11.
qint32 nibbleWindow(const Image& image, int word);
// ME181: the first word (low nibble) of coin value 1..12; the high nibble follows it.
int me181CoinValueWord(int coin);

// ---- into the image ----

// Mars: the windows of channels 6 s + 1 .. 6 s + 6 as nibbles from word 128 s, with s the
// segment and 3 for anything larger; word 128 s := 15; nothing else changes. Limits outside
// 0..4095 become 0 or 4095, in the table as well, so the image holds nibbles only.
void mapMarsSegment(int segment, CoinTables& tables, Image& progImage);

struct CcMapResult {
    // The output record could not be written; the limits and checksum were.
    std::optional<plat::RuntimeError> outputsError;
};
// CC: progImage := readImage over the memory, then the C120 outputs (when the model has them and
// the coin set had a record), then every channel's window word (limits clamped to 0..255 in the
// table as well; 220B also 8 words further), then the checksum word.
CcMapResult mapCcImage(const MechEntry& entry, const ModelParams& params, CoinTables& tables, MemoryImages& images);

// The byte of one value of a C120 output record: "120M" the value's low 8 bits; "120N" output
// n (1..6) is bit n - 1 and 0 is none; another "120N" number raises RuntimeError(5).
quint8 c120OutputByte(qint32 value, bool layoutM);
// Words 82..88 ("120N") or 109..114 ("120M") from the twelve output values.
void mapC120Outputs(const CoinTables& tables, Image& progImage);

// The routing words of the entry's routing kind from routingTable (only when the coin set had a
// route record), then the checksum word again, since the mech sums some of them. A value too
// wide for its word (or byte) leaves that word as it stands; returns the routingTable indexes
// of such values.
QList<int> mapCcRouting(const MechEntry& entry, const CoinTables& tables, MemoryImages& images);

// ---- back into the table ----

// Mars, from oldImage: channel c takes the windows of position |coinLink(c)|. ME181 then reads
// its twelve coin values into mechCoinValues and gives a linked channel c (1..12) the value of
// the position it keeps. Returns the channels linked to a position the model does not have
// (ME181: above 12), which receive nothing.
QList<int> copyMarsWindows(const MechEntry& entry, CoinTables& tables, const Image& oldImage, CoinArray& mechCoinValues);
// CC, from readImage: the window words of the linked channel, as read (low byte, high byte).
void copyCcWindows(const MechEntry& entry, const ModelParams& params, CoinTables& tables, const Image& readImage);
// NRI, from the tables of the last read: the linked channel's windows; then the channel's coin
// value and, where the model keeps them, its NRI output code, inhibits and parameter map.
void copyNriWindows(const MechEntry& entry, const ModelParams& params, CoinTables& tables, const NriReadTables& read,
                    NriCoinTables& nri);

// ---- the Mars PROM report ----

// The PROM data view's choices: data dumps and decoded limits.
enum MarsPromView { DataAddr0 = 0, LimitsSegs12 = 1, DataAddr256 = 2, LimitsSegs34 = 3 };

struct MarsPromReport {
    QString read;      // lblPROM: from readImage
    QString toProgram; // lblPROM2: from progImage and the coin limit table
};
// Both panes of view `view`. The limits views decode the read windows into readLimitTable and,
// on the ME181, the read coin values into mechCoinValues. Another view gives empty panes.
MarsPromReport buildMarsPromReport(int view, int promSize, const MechEntry& entry, MemoryImages& images,
                                   const CoinTables& tables, CoinArray& mechCoinValues, const TextTable& texts);

// ---- the program's entry points ----

// The coin limit table into progImage by the family (Mars: one segment; CC: the whole image;
// NRI: nothing). Reported under 115; a C120 output record that cannot be written under 157.
void mapCoinTableToProm(MechFamily& family, int segment);
// The windows of every channel that keeps the mech's own. Reported under 118; an ME181 channel
// linked above 12 shows "PROM COPY SOURCE ERROR ME181".
void copyPromToCoinTable(MechFamily& family);
// The CC routing words; reported under 116, also when a value was too wide.
void mapCcRouting(MechFamily& family);
// Shows the PROM data view with its two panes. Reported under 114.
void formatMarsPromReport(MechFamily& family, PromDataView& view);


} // namespace quenby
