#pragma once
// NRI mechs, reached in serial mode on their model's interface and identified with "I". The newer
// models keep 28 numbered records of hex text ("X" reads one, "Z" writes one); the older ones
// answer in decimal lines and take paced data records ("D", "B" or "F", "E").

#include "quenby/link/mechfamily.h"
#include "quenby/link/nriwire.h"

namespace quenby {

class NriFamily : public MechFamily {
public:
    using MechFamily::MechFamily;

    bool logon() override { return ctx_.layers.nriLogon(); }
    void logoff() override { ctx_.layers.resetProgrammerBox(); }
    // Up to four logons 500 ms apart (texts 133 to 135 when none took: nothing changes), the
    // lines the model's read never fills emptied, every record of the model into the NRI tables
    // and data lines, the scratch data file, the box reset. A cancel (userAbort) sends nothing
    // more and leaves what was not read as it was; a reply that never came is stored as it stands.
    // So does a reply that is not a record of the model (of the wrong length, say); every line
    // the read was to fill and did not is marked in lineNotRead.
    // Either leaves the read incomplete, and an incomplete read writes no scratch file; a whole
    // one writes it as "Save to File" would (refused under 136, naming the record, when a line
    // would not load again).
    ReadState read() override;
    // Every record built from the job's tables before the logon (text 142 and nothing sent when
    // one cannot be encoded), one logon (texts 139 to 141), the records, each record read back,
    // the box reset, and "NRI Memory Programmed OK", or "Error Programming NRI Memory" (with the
    // record that does not read back as written, when one does not).
    bool program() override;
    std::optional<VerifyResult> verify() override { return std::nullopt; }
    // Its memory is built from the NRI tables: the windows go back there only.
    void copyPromToCoinTable() override;

    // The receive side's handler of NRI bytes outside the G10 validator test (06 acknowledges,
    // CRs count replies, "?" refuses, the rest is reply text), and of G10 reports during it.
    static void receiveByte(ReceiveSide& rx, quint8 b);

private:
    // "No Communication with the NRI Coin Mech", " or Wrong Mech Type", "Check Coin Mech Type and
    // Connections": the three texts from firstTextId, one a line.
    void reportNoLogon(int firstTextId);
};

// What the technician is told of a read that did not come whole at a record (one unanswered, cut
// short, or not a record of the model): the record it stopped at. Empty for a whole read and for
// one that stopped for another reason (no logon, which the read says itself).
QString nriReadStoppedText(const MechEntry& entry, const ModelParams& params, const ReadState& read);
// Says it in a box, unless the user cancelled the read or its port was lost (said already).
void reportNriReadStopped(const MechContext& ctx, const MechEntry& entry, const ReadState& read);

// The steps of a plan in order: pauses, the bar, each command with its data (after a newer
// model's refused block, none of the blocks after it). A step that raises is reported under
// trapId and the next one runs. False when a step was not acknowledged.
bool runNriWriteSteps(MechContext& ctx, const NriProgramPlan& plan, int trapId);

// The records a plan wrote, read back while the mech is still logged on: the first one that
// does not hold what was sent (or gave no whole answer), named; none when every one does. A
// write is only a success once this says so: an acknowledgement (and on the older models
// nothing at all) does not show that the record was stored.
std::optional<QString> nriRecordNotHeld(MechContext& ctx, const MechEntry& entry, const NriProgramPlan& plan);

// The line that tells the technician which record failed.
QString nriRecordNotHeldText(const QString& record);

// The kept channels' values, output codes, inhibits and parameter maps taken again from the NRI
// tables when they hold a whole read of the model (a memory window wrote the mech and read it
// back); their windows stay as the job has them. False, and nothing changed, otherwise.
bool retakeKeptNriCoinData(const MechEntry& entry, const ModelParams& params, MemoryState& mem);

// What NRI programming reads from the program's tables.
NriProgramInput nriProgramInput(const MemoryState& mem);

} // namespace quenby
