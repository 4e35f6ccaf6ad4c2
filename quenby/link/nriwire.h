#pragma once
// NRI memory on the wire: the commands a memory read sends and how each reply fills the NRI
// tables, and the records that programming writes back. Both are built as plain step lists that
// the job walks through the NRI send layer, so what is sent can be checked before anything is.

#include "quenby/link/familytable.h"
#include "quenby/link/nritables.h"

#include <QByteArray>
#include <QDate>
#include <optional>
#include <vector>

namespace quenby {

// ---- reading ----

// What a reply fills besides its data line.
enum class NriFill {
    LineOnly,
    OldDate,          // "Z": the line keeps positions 29..36 (dd/mm/yy); nriIdent
    OldValues,        // "Y": multiplier and the values of coins 6 down to 1
    G10Values,        // "X" (G10-4000) / record 0F (G10-4000/5): header, tube and coin values
    OldLimits,        // "V" + coin
    Ident,            // record 02: nriIdent is the whole line
    NewLimits,        // records 03..0E
    Outputs,          // record 0F: nriCoinX0F
    Values,           // record 10: multiplier and coin values
    Inhibits,         // record 12: nriCoinOutput
    ParamMap,         // record 13: nriParamTable
    Compensation,     // record 19: nriCompensation from element 0
    CompensationOne,  // records 1A, 1B: nriCompensation(index)
    Route,            // nriInfoLines(index)
};

struct NriReadStep {
    QByteArray command;      // empty: no command, only the progress and the pause
    int replies = 0;         // CR-terminated replies awaited (500 ms each)
    int line = 0;            // data line the reply text goes to (1..28); 0 none
    NriFill fill = NriFill::LineOnly;
    int coin = 0;            // OldLimits, NewLimits
    int index = 0;           // Route, CompensationOne
    bool alwaysSent = false; // sent even after a cancel (records 00..02 and the first coin)
    int progress = -1;       // bar value set after the step; -1 leaves it
    bool advance = false;    // raise the bar by one after the step
    int pauseAfterMs = 0;    // unless cancelled by then
};

// The whole read of a model, in order. A step runs when it is alwaysSent or the read has not
// been cancelled; a step that does not run leaves its line and fields as they were. Unknown
// models read nothing.
std::vector<NriReadStep> nriReadPlan(const MechEntry& entry, const ModelParams& params);
// Whether a read of plan fills data line n (1..28); a line it never fills holds no record of
// this model.
bool nriReadFills(const std::vector<NriReadStep>& plan, int n);
// The record of the mech that plan reads into data line n, as the technician knows it: a newer
// model's by its number ("record 05 (coin 3)", "record 0F"), an older one's by its command
// ("record V3 (coin 3)", "record Y"). Empty when the plan does not fill that line.
QString nriReadRecordName(const std::vector<NriReadStep>& plan, int n);

// Stores one reply (the reply text the send layer collected) into its line and fields. A short
// reply is parsed as it stands: missing fields read 0. Nothing outside the tables is written.
void storeNriReply(const NriReadStep& step, const QByteArray& reply, const MechEntry& entry,
                   const ModelParams& params, NriReadTables& tables);

// ---- programming ----

// What programming reads from the job: the coin set tables, the per coin NRI values and what the
// mech returned last (route records, G10 header).
struct NriProgramInput {
    LimitTable coinLimitTable{};
    CoinArray coinValues{}; // G10 models: 13 lowest value, 14..16 tube values
    qint32 coinValueMultiple = 1;
    CoinArray coinOutputs{};
    NriCoinTables coin;
    std::array<qint32, 7> nriXValues{};
    bool nriXLoaded = false;
    std::array<QString, 2> nriRouting;
    bool routingLoaded = false;
};

struct NriWriteStep {
    int pauseBeforeMs = 0;
    int progressBefore = -1; // bar value set before sending; -1 leaves it
    QByteArray command;      // "Z03", "D", ...
    QByteArray data;         // what follows the command (old models: with its CRs)
    int pauseAfterMs = 0;
    int progressAfter = -1;
    // New models: once a write failed, a step with skipOnceFailed does not run; a step that
    // followsPrevious runs exactly when the step before it ran.
    bool skipOnceFailed = false;
    bool followsPrevious = false;
};

struct NriProgramPlan {
    std::vector<NriWriteStep> steps;
    // Set when a value cannot be encoded into its record (negative, wider than its field, a
    // multiplier whose low six bits are 0, data that is not whole two-character pieces): the
    // job must end with text 142 before anything is sent.
    QByteArray refusedCommand;
    bool ok() const { return refusedCommand.isEmpty(); }
};

// Every record programming writes, built in full. Limits are clamped to 0..255 as they go into
// the records; the job's tables are not changed. Unknown models write nothing.
NriProgramPlan nriProgramPlan(const MechEntry& entry, const ModelParams& params,
                              const NriProgramInput& input, const NriReadTables& lastRead, QDate today);

bool nriWriteStepRuns(const NriWriteStep& step, bool failed, bool previousRan);

// ---- reading back what was written ----

// One record read back after programming: the command that reads it, the replies it gives and
// the text the mech must answer from position `from` (0-based) on for the record to hold what
// was sent.
struct NriReadBack {
    QByteArray command;
    int replies = 1;
    QByteArray expected;
    int from = 0;
    QString record; // the record as the technician is told of it: "record 0F", "record D (coin 3)"
};

// The reads that show whether the mech holds what a plan wrote, one per record written, in the
// plan's order. Newer models: "X" with the record's number, its data as sent (a record sent
// without data is not read). Older models:
// "V" + coin with the coin's 24 digits, "Y" with the multiplier and values, "X" with the G10
// value line, "Z" with the date at position 29.
std::vector<NriReadBack> nriReadBackPlan(const MechEntry& entry, const NriProgramPlan& plan);

// Whether a reply to a read-back is the text that was written.
bool nriReadBackHolds(const NriReadBack& check, const QByteArray& reply);

// The two-character pieces new models take data in, each acknowledged on its own. Data of odd
// length cannot be sent whole and gives nothing.
std::optional<std::vector<QByteArray>> nriDataPieces(const QByteArray& data);

} // namespace quenby
