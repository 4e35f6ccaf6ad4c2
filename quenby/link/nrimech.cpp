#include "quenby/link/nrimech.h"

#include "quenby/link/imagemap.h"
#include "quenby/link/measurewire.h"
#include "quenby/memutils/datafiles.h"
#include "quenby/shell/texts.h"

namespace quenby {

namespace {

constexpr quint8 kAck = 0x06;
constexpr quint8 kG10ReportStart = 0x80;
constexpr int kLogonTries = 4;
constexpr int kLogonRetryMs = 500;

namespace id {
using textid::ErrorTitle;
constexpr int ReadCaption = 131;
constexpr int ReadTitle = 132;
constexpr int NoCommunication = 133;
constexpr int ReadError = 136;
} // namespace id

} // namespace

void NriFamily::receiveByte(ReceiveSide& rx, quint8 b)
{
    MechReplies& st = rx.replies;
    if (rx.job.nriG10LineMode) {
        if (b == kG10ReportStart) {
            st.mechReply.clear();
        } else if (b == '\r') {
            // Each report is handed on once: an empty one (a report without its coin byte, or
            // the second CR of one) is no report at all.
            if (st.mechReply.isEmpty())
                return;
            const QByteArray report = st.mechReply;
            st.mechReply.clear();
            rx.parsers.parseG10CoinAccepted(report);
        } else {
            st.mechReply.append(char(b));
        }
        return;
    }
    if (b == kAck) {
        st.replyAck = true;
    } else if (b == '\r') {
        countReplyEnd(st);
    } else {
        st.mechReply.append(char(b));
        if (b == '?')
            st.replyError = true;
    }
}

void NriFamily::reportNoLogon(int firstTextId)
{
    ctx_.message(ctx_.text(firstTextId) + QStringLiteral("\r\n") + ctx_.text(firstTextId + 1) + QStringLiteral("\r\n") +
                     ctx_.text(firstTextId + 2),
                 plat::mb::OKOnly | plat::mb::Critical, id::ErrorTitle);
}

void NriFamily::copyPromToCoinTable()
{
    copyNriWindows(entry_, ctx_.params, ctx_.mem.coins, ctx_.mem.nri, ctx_.mem.nriCoin);
}

QString nriReadStoppedText(const MechEntry& entry, const ModelParams& params, const ReadState& read)
{
    if (read.complete || read.stopTextId != 0 || read.stopAddress < 1)
        return {};
    const QString record = nriReadRecordName(nriReadPlan(entry, params), read.stopAddress);
    if (record.isEmpty())
        return {};
    return QStringLiteral("The NRI memory read stopped at %1: the mech did not give it whole.").arg(record);
}

void reportNriReadStopped(const MechContext& ctx, const MechEntry& entry, const ReadState& read)
{
    if (ctx.job.userAbort || ctx.link.jobStopped())
        return;
    const QString text = nriReadStoppedText(entry, ctx.params, read);
    if (!text.isEmpty())
        ctx.message(text, plat::mb::OKOnly | plat::mb::Critical, id::ErrorTitle);
}

bool retakeKeptNriCoinData(const MechEntry& entry, const ModelParams& params, MemoryState& mem)
{
    if (!mem.nri.linesAreTheMechsOf(entry.model))
        return false;
    CoinTables& t = mem.coins;
    CoinArray outputs{};
    for (int c = 0; c < t.coinOutputs.size(); ++c)
        outputs[std::size_t(c)] = t.coinOutputs(c);
    remapCoinTables(measurePlan(entry), params, t.coinLink, mem.nri, t.coinValues, outputs, mem.nriCoin);
    for (int c = 0; c < t.coinOutputs.size(); ++c)
        t.coinOutputs(c) = outputs[std::size_t(c)];
    return true;
}

ReadState NriFamily::read()
{
    ReadState out{false, entry_.model, 0, -1};
    NriReadTables& tables = ctx_.mem.nri;
    // Whatever this read leaves, the lines are no longer the file's.
    tables.linesFileModel.clear();
    plat::ProgressSink& progress = ctx_.progress;
    prepareProgress(id::ReadCaption, id::ReadTitle);

    const std::vector<NriReadStep> plan = nriReadPlan(entry_, ctx_.params);
    // Until its reply is stored whole, each line of this read holds no record of the mech in the
    // box.
    for (int n = 1; n <= 28; ++n)
        tables.lineNotRead[size_t(n)] = nriReadFills(plan, n);

    bool on = false;
    for (int attempt = 0; attempt < kLogonTries && !on; ++attempt) {
        ctx_.errors.trap(id::ReadError, [&] { on = ctx_.layers.nriLogon(); });
        if (!on)
            ctx_.link.delayMs(kLogonRetryMs);
    }
    if (!on) {
        // Nothing is read and the box is left as the logon left it; the lines are of no mech
        // that is known to be plugged in.
        reportNoLogon(id::NoCommunication);
        out.stopTextId = id::NoCommunication;
        tables.linesRead = out;
        return out;
    }
    progress.show();

    // A line this model's read never fills would otherwise keep another mech's record, to be
    // saved and programmed as this one's.
    for (int n = 1; n <= 28; ++n) {
        if (!nriReadFills(plan, n))
            tables.nriDataLines[size_t(n)].clear();
    }

    const JobState& job = ctx_.job;
    bool unanswered = false;
    int bar = 0;
    for (const NriReadStep& step : plan) {
        ctx_.errors.trap(id::ReadError, [&] {
            // After a cancel only the records every read needs are still asked for; a command
            // not sent leaves its line and fields as they were, to be saved or programmed later.
            const bool runs = step.alwaysSent || !job.userAbort;
            if (runs && !step.command.isEmpty()) {
                // A reply that did not come in time is stored as it stands (missing fields read
                // 0), and the read is not whole.
                const bool replied = ctx_.layers.sendNriAndWait(step.command, step.replies);
                storeNriReply(step, ctx_.link.replies().mechReply, entry_, ctx_.params, tables);
                if (replied && step.line >= 1 && step.line <= 28)
                    tables.lineNotRead[size_t(step.line)] =
                        !nriLineFault(entry_, ctx_.params, step.line, tables.nriDataLines[size_t(step.line)]).isEmpty();
                if (!replied && !job.userAbort && !unanswered) {
                    unanswered = true;
                    if (out.stopAddress < 0)
                        out.stopAddress = step.line;
                }
            } else if (!runs && step.line > 0 && out.stopAddress < 0) {
                out.stopAddress = step.line;
            }
            if (step.progress >= 0)
                bar = step.progress;
            if (step.advance)
                ++bar;
            progress.setStep(bar);
            if (step.pauseAfterMs > 0 && !job.userAbort)
                ctx_.link.delayMs(step.pauseAfterMs);
        });
    }
    out.complete = !job.userAbort && !unanswered;
    // A reply of the wrong length was answered, but its missing fields read 0: the record is not
    // the mech's, and the read is not whole.
    for (int n = 1; n <= 28 && out.complete; ++n) {
        if (tables.lineNotRead[size_t(n)]) {
            out.complete = false;
            out.stopAddress = n;
        }
    }
    tables.linesRead = out;
    if (out.complete) {
        // Through the check of a save: a scratch file that would not load is not written.
        ctx_.errors.trap(id::ReadError, [&] {
            writeNriMemoryFile(ctx_.folderFile(scratchFileName(entry_.model)), tables, entry_, ctx_.params);
        });
    }
    ctx_.errors.trap(id::ReadError, [&] { ctx_.layers.resetProgrammerBox(); });
    progress.hide();
    return out;
}

} // namespace quenby
