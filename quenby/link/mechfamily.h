#pragma once
// The mech families of the first program, one class each behind one interface: logon, logoff,
// read, program and verify, and the byte handler the receive side reads the family's mech bytes
// with while the box relays them. A job chooses its family once, from the family table entry of
// its family and model (makeMechFamily); model quirks are read from that entry.
//
//   Mars      marsprom.h     the PROM in the box's socket, read and burnt by the box
//   CC        ccmech.h       the word protocol of raw byte frames
//   Sentinel  sentinelmech.h the Sentinel interface's text commands
//   NRI       nrimech.h      numbered records (newer models) or decimal lines (older ones)

#include "platform/progresssink.h"
#include "platform/services.h"
#include "quenby/link/boxlink.h"
#include "quenby/link/familytable.h"
#include "quenby/link/images.h"
#include "quenby/link/marswire.h"
#include "quenby/link/mechlayers.h"
#include "quenby/link/memorystate.h"
#include "quenby/seams.h"
#include "quenby/shell/texts.h"

#include <QString>
#include <functional>
#include <memory>
#include <optional>

namespace quenby {

class BoxCheck;

// What a family's byte handler works on while the box relays mech bytes.
struct ReceiveSide {
    LinkState& st;
    MechReplies& replies;
    const JobState& job;
    LinkParsers& parsers;
    const MechEntry& entry;
};
using PassThroughHandler = void (*)(ReceiveSide& rx, quint8 b);
// A CR from the mech ends one of the replies its sender awaits (NRI and Sentinel).
inline void countReplyEnd(MechReplies& r)
{
    --r.repliesExpected;
    if (r.repliesExpected <= 0)
        r.replyDone = true;
}
// The byte handler of a family kind. The receive side looks it up for every byte by the job's
// family and model, since the G18 probe switches them within a job.
PassThroughHandler passThroughHandler(MechKind kind);

// Everything the families' jobs reach.
struct MechContext {
    BoxLink& link;
    MechLayers& layers;
    plat::Services svc;
    const TextTable& texts;
    const ErrorReporter& errors;
    JobState& job;
    const ModelParams& params;
    MemoryState& mem;
    plat::ProgressSink& progress;
    std::function<QString()> programFolder;
    MarsPromRead marsRead{}; // the PROM read under way

    LinkState& st() const { return link.state(); }
    QString text(int id) const;
    int message(const QString& text, int style, int titleId) const;
    // The program folder's file of that name.
    QString folderFile(const QString& name) const;
};

class MechFamily {
public:
    MechFamily(MechContext& ctx, MechEntry entry) : ctx_(ctx), entry_(std::move(entry)) {}
    virtual ~MechFamily() = default;
    MechFamily(const MechFamily&) = delete;
    MechFamily& operator=(const MechFamily&) = delete;

    const MechEntry& entry() const { return entry_; }
    MechContext& context() const { return ctx_; }

    // True when the mech answered (a Mars PROM needs no logon).
    virtual bool logon() = 0;
    virtual void logoff() = 0;
    // The mech's memory into readImage (PROM, EEPROM) or the NRI tables; whether it completed and
    // where it stopped.
    virtual ReadState read() = 0;
    // progImage (or the NRI tables) into the mech; true when every write was taken.
    virtual bool program() = 0;
    // Reads back and compares; none for a family without a read-back (NRI programming checks
    // every record as it writes it).
    virtual std::optional<VerifyResult> verify() = 0;

    // The coin limit table into progImage (imagemap.h); a family without windows in its image
    // writes nothing.
    virtual void mapCoinTableToProm(int /*segment*/) {}
    // The windows of the channels that keep the mech's own, back into the coin limit table.
    virtual void copyPromToCoinTable() {}

protected:
    // The progress window of a job without segments, at its start and not yet shown.
    void prepareProgress(int captionId, int titleId);

    MechContext& ctx_;
    MechEntry entry_;
};

std::unique_ptr<MechFamily> makeMechFamily(MechContext& ctx, const MechEntry& entry);

// The family read every job reads the connected mech with: readImage cleared, then the read of
// the job's family.
ReadState readMechMemory(MechContext& ctx);

// The family layer of one program: the command layers, the context of its jobs, and what it
// plugs into the link (line and frame parsers) and the pre-job check (logons).
class MechFamilies {
public:
    MechFamilies(BoxLink& link, BoxCheck& check, const plat::Services& services, const TextTable& texts,
                 const ErrorReporter& errors, JobState& job, const ModelParams& params, MemoryState& mem,
                 plat::ProgressSink& progress, std::function<QString()> programFolder);

    // The family of the job's family and model.
    std::unique_ptr<MechFamily> forJob();
    std::unique_ptr<LinkParsers> makeParsers();
    std::unique_ptr<MechLogons> makeLogons();

    MechLayers layers;
    MechContext ctx;
};

} // namespace quenby
