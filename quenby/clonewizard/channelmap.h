#pragma once
// The transfer's table work: the gathered records spread over the coin channels, the windows of
// reference-derived coins computed from the reference means gathered in the same run, the slug
// panel's texts and the page the limits editor opens on. Each function commits its tables only
// when it has finished, and reports what it refused as plain data.

#include "quenby/clonewizard/coinsetfile.h"
#include "quenby/clonewizard/cointables.h"
#include "quenby/clonewizard/samplestats.h"

#include <QString>
#include <QtGlobal>
#include <array>
#include <vector>

namespace quenby {

class TextTable;

// One refusal of mapCoinsToChannels, shown as a box with the exclamation icon.
struct MapNotice {
    enum class Kind {
        TooManySlugs,      // text 451, title 452
        TooManyCoins,      // text 453, title 454
        ChannelOutOfRange, // a coin row whose channel is no table row: reported under text 455
    };
    Kind kind = Kind::TooManySlugs;
    int row = 0; // the coinsetRecords row that was not mapped
    bool operator==(const MapNotice&) const = default;
};

// The transfer's first steps: no coin records counted on any channel, channels 1..24 without
// windows (columns 1..12), no slugs.
void clearTransferTables(CoinTables& t);

// The row that follows row r. The tables hold rows 0..100 and a set at most 100 gathered records,
// so after the 100th the count is 100 and every stored row is mapped; a further record (which
// the checker refuses) would stay in row 100.
int nextRecordRow(int r);

// Rows 0..recordRow-1 of coinsetRecords by their mode: slugs into slugRecordIndex (at most 6),
// coins onto their channel (at most 6 each), the first record of a channel giving its window and
// each further one widening it (lower lows, higher highs). Expects the caller to have cleared the
// record counts, windows and slugCount. A row that is refused is not mapped; the rest goes on.
std::vector<MapNotice> mapCoinsToChannels(CoinTables& t, int recordRow, int paramCount);

struct NoticeBox {
    QString text;
    QString title;
};
// The box of a TooManySlugs or TooManyCoins notice.
NoticeBox noticeBox(const MapNotice& n, const TextTable& texts);

// A CR record's recipe for its channel (the reference its high source names, both offsets).
// RuntimeError(9) for a channel outside 1..24 or more parameters than the table holds.
void setReferenceRecipe(ReferenceTables& refs, qint32 channel, const std::vector<LimitRecipe>& limits);

// A stored R record's means. RuntimeError(9) for a reference outside 1..12.
void storeReferenceMeans(ReferenceTables& refs, qint32 reference, const RecordStats& s, int paramCount);

// Int(mean + 0.5 + offset), rounding towards minus infinity and not clamped: 100.4 - 8 gives 92,
// 100.5 + 8 gives 109. RuntimeError(6, "Overflow") beyond 32 bits.
qint32 referenceLimit(float mean, qint32 offset);

struct MissingReference {
    qint32 channel = 0;
    qint32 reference = 0;
    bool operator==(const MissingReference&) const = default;
};

struct ReferenceReport {
    // Channels left unset because a reference they use was not gathered in this run.
    std::vector<MissingReference> missing;
    // Channels whose limits would not fit 32 bits: left unset, reported under text 424.
    std::vector<qint32> overflow;
    bool empty() const { return missing.empty() && overflow.empty(); }
};

// Writes the limits of every reference-derived channel into coinLimitTable from the means its
// recipe names. A channel any of whose references was not gathered is left as it was and listed.
ReferenceReport applyReferenceLimits(CoinTables& t, const ReferenceTables& refs, int paramCount);

// The one box that lists the channels left unset: text and title.
NoticeBox missingReferenceBox(const ReferenceReport& r, const TextTable& texts);

// The page the limits editor opens on after a transfer. Mars: the lowest selected segment, or
// segment 0 ticked and selected when none is; taken before the segments are mapped, so that the
// segment it selects is mapped too. Other families always open on page 0.
struct TransferPage {
    int displayedSegment = 0;
    int firstRow = 1;                // the coinLimitTable row shown first
    bool selectFirstSegment = false; // tick chkSeg(0) and select segment 0
};
TransferPage transferPage(bool mars, const CheckedArray<bool, 5>& segmentSelected);

// The slug panel lblSlugLimits(0..71): slug s, limit L at s x 2 x paramCount + L - 1, each
// Str() of its coinsetRecords limit; cells of slugs the set does not have stay empty.
std::array<QString, 72> slugPanelTexts(const CoinTables& t, int paramCount);

} // namespace quenby
