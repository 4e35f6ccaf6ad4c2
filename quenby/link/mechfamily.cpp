#include "quenby/link/mechfamily.h"

#include "quenby/link/boxcheck.h"
#include "quenby/link/ccmech.h"
#include "quenby/link/marsprom.h"
#include "quenby/link/nrimech.h"
#include "quenby/link/sentinelmech.h"
#include "quenby/shell/texts.h"

#include <QDir>
#include <algorithm>

namespace quenby {

namespace {

namespace id {
using textid::ReadError;
constexpr int WordReplyError = 303;
} // namespace id

// The family of the job's family and model as they stand now.
std::unique_ptr<MechFamily> jobFamily(MechContext& ctx)
{
    return makeMechFamily(ctx, mechEntry(ctx.job.mechFamily, ctx.job.mechModel));
}

// Mars and unknown families: the box relays nothing the program reads.
void dropByte(ReceiveSide&, quint8) {}

// A mech of a family or model nobody knows: nothing is sent to it and nothing read.
class UnknownFamily : public MechFamily {
public:
    using MechFamily::MechFamily;
    bool logon() override { return false; }
    void logoff() override {}
    ReadState read() override { return {false, entry_.model, 0, -1}; }
    bool program() override { return false; }
    std::optional<VerifyResult> verify() override { return std::nullopt; }
};

// Where the dispatcher hands "R" lines and CC word frames during the memory jobs.
class MemoryParsers : public LinkParsers {
public:
    explicit MemoryParsers(MechContext& ctx) : ctx_(ctx) {}
    void decodeMarsPromLine(const QString& line) override { MarsPromFamily::decodeLine(ctx_, line); }
    void parseCcWordReply(const CcFrame& frame) override
    {
        ctx_.errors.trap(id::WordReplyError, [&] { ctx_.link.ccWordHandled(frame); });
    }

private:
    MechContext& ctx_;
};

// The pre-job check's logons: those of the job's family.
class FamilyLogons : public MechLogons {
public:
    explicit FamilyLogons(MechContext& ctx) : ctx_(ctx) {}
    bool ccLogon() override { return jobFamily(ctx_)->logon(); }
    void ccLogoff() override { jobFamily(ctx_)->logoff(); }
    bool nriLogon() override { return jobFamily(ctx_)->logon(); }
    void resetProgrammerBox() override { ctx_.layers.resetProgrammerBox(); }

private:
    MechContext& ctx_;
};

} // namespace

PassThroughHandler passThroughHandler(MechKind kind)
{
    switch (kind) {
    case MechKind::CcWord:
        return &CcWordFamily::receiveByte;
    case MechKind::Sentinel:
        return &SentinelFamily::receiveByte;
    case MechKind::NriOld:
    case MechKind::NriNew:
        return &NriFamily::receiveByte;
    case MechKind::Mars:
    case MechKind::Unknown:
        break;
    }
    return &dropByte;
}

// ---- context ------------------------------------------------------------------------------------

QString MechContext::text(int id) const { return texts.getText(id); }

int MechContext::message(const QString& body, int style, int titleId) const
{
    return svc.dialogs->msgBox(body, style, text(titleId));
}

QString MechContext::folderFile(const QString& name) const
{
    return QDir(programFolder ? programFolder() : QString()).filePath(name);
}

void MechFamily::prepareProgress(int captionId, int titleId)
{
    ctx_.progress.setCaption(ctx_.text(captionId));
    ctx_.progress.setTitle(ctx_.text(titleId));
    ctx_.progress.showSegment(false);
    ctx_.progress.setStep(0);
}

// ---- choosing a family ---------------------------------------------------------------------------

std::unique_ptr<MechFamily> makeMechFamily(MechContext& ctx, const MechEntry& entry)
{
    switch (entry.kind) {
    case MechKind::Mars:
        return std::make_unique<MarsPromFamily>(ctx, entry);
    case MechKind::CcWord:
        return std::make_unique<CcWordFamily>(ctx, entry);
    case MechKind::Sentinel:
        return std::make_unique<SentinelFamily>(ctx, entry);
    case MechKind::NriOld:
    case MechKind::NriNew:
        return std::make_unique<NriFamily>(ctx, entry);
    case MechKind::Unknown:
        break;
    }
    return std::make_unique<UnknownFamily>(ctx, entry);
}

ReadState readMechMemory(MechContext& ctx)
{
    MemoryImages& images = ctx.mem.images;
    std::fill(images.readImage.begin(), images.readImage.end() - 1, 0);
    images.lastRead = {};
    ReadState out;
    ctx.errors.trap(id::ReadError, [&] { out = jobFamily(ctx)->read(); });
    return out;
}

MechFamilies::MechFamilies(BoxLink& link, BoxCheck& check, const plat::Services& services, const TextTable& texts,
                           const ErrorReporter& errors, JobState& job, const ModelParams& params, MemoryState& mem,
                           plat::ProgressSink& progress, std::function<QString()> programFolder)
    : layers(link, check, services, texts, errors, job),
      ctx{link, layers, services, texts, errors, job, params, mem, progress, std::move(programFolder)}
{
}

std::unique_ptr<MechFamily> MechFamilies::forJob()
{
    return jobFamily(ctx);
}

std::unique_ptr<LinkParsers> MechFamilies::makeParsers() { return std::make_unique<MemoryParsers>(ctx); }

std::unique_ptr<MechLogons> MechFamilies::makeLogons() { return std::make_unique<FamilyLogons>(ctx); }

} // namespace quenby
