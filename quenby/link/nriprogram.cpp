#include "quenby/link/nrimech.h"
#include "quenby/shell/texts.h"

namespace quenby {

namespace {

namespace id {
using textid::ErrorTitle;
constexpr int Caption = 137;
constexpr int Title = 138;
constexpr int NoCommunication = 139;
constexpr int Failed = 142;
constexpr int Programmed = 143;
constexpr int ProgrammedTitle = 144;
constexpr int ProgramError = 145;
} // namespace id

} // namespace

NriProgramInput nriProgramInput(const MemoryState& mem)
{
    const CoinTables& t = mem.coins;
    NriProgramInput in;
    for (int c = 0; c < t.coinLimitTable.rows(); ++c)
        for (int col = 0; col < t.coinLimitTable.cols(); ++col)
            in.coinLimitTable[size_t(c)][size_t(col)] = t.coinLimitTable(c, col);
    for (int c = 0; c < t.coinValues.size(); ++c) {
        in.coinValues[size_t(c)] = t.coinValues(c);
        in.coinOutputs[size_t(c)] = t.coinOutputs(c);
    }
    in.coinValueMultiple = t.coinValueMultiple;
    in.coin = mem.nriCoin;
    for (int j = 0; j < t.nriXValues.size(); ++j)
        in.nriXValues[size_t(j)] = t.nriXValues(j);
    in.nriXLoaded = t.nriXLoaded;
    for (int k = 0; k < t.nriRouting.size(); ++k)
        in.nriRouting[size_t(k)] = t.nriRouting(k);
    in.routingLoaded = t.routingLoaded;
    return in;
}

bool runNriWriteSteps(MechContext& ctx, const NriProgramPlan& plan, int trapId)
{
    bool failed = false;
    bool previousRan = true;
    for (const NriWriteStep& step : plan.steps) {
        const bool runs = nriWriteStepRuns(step, failed, previousRan);
        previousRan = runs;
        if (!runs)
            continue;
        ctx.errors.trap(trapId, [&] {
            if (step.pauseBeforeMs > 0)
                ctx.link.delayMs(step.pauseBeforeMs);
            if (step.progressBefore >= 0)
                ctx.progress.setStep(step.progressBefore);
            const bool acknowledged = ctx.layers.sendNriCommandWithData(step.command, step.data);
            if (step.pauseAfterMs > 0)
                ctx.link.delayMs(step.pauseAfterMs);
            if (!acknowledged)
                failed = true;
            if (step.progressAfter >= 0)
                ctx.progress.setStep(step.progressAfter);
        });
    }
    return !failed;
}

std::optional<QString> nriRecordNotHeld(MechContext& ctx, const MechEntry& entry, const NriProgramPlan& plan)
{
    for (const NriReadBack& check : nriReadBackPlan(entry, plan)) {
        const bool answered = ctx.layers.sendNriAndWait(check.command, check.replies);
        if (!answered || !nriReadBackHolds(check, ctx.link.replies().mechReply))
            return check.record;
    }
    return std::nullopt;
}

QString nriRecordNotHeldText(const QString& record)
{
    return QStringLiteral("The mech's %1 does not read back as it was written.").arg(record);
}

bool NriFamily::program()
{
    bool programmed = false;
    const plat::CountScope writing = ctx_.link.writing();
    ctx_.errors.trap(id::ProgramError, [&] {
        // Every record is built before the mech is touched: one that cannot be encoded ends the
        // job here, with nothing written.
        const NriProgramPlan plan = nriProgramPlan(entry_, ctx_.params, nriProgramInput(ctx_.mem), ctx_.mem.nri,
                                                   ctx_.svc.sched->wallClock().date());
        if (!plan.ok()) {
            ctx_.message(ctx_.text(id::Failed), plat::mb::OKOnly | plat::mb::Critical, id::ErrorTitle);
            return;
        }
        prepareProgress(id::Caption, id::Title);
        if (!ctx_.layers.nriLogon()) {
            reportNoLogon(id::NoCommunication);
            return;
        }
        ctx_.progress.show();
        programmed = runNriWriteSteps(ctx_, plan, id::ProgramError);
        std::optional<QString> notHeld;
        if (programmed)
            ctx_.errors.trap(id::ProgramError, [&] { notHeld = nriRecordNotHeld(ctx_, entry_, plan); });
        programmed = programmed && !notHeld;
        ctx_.layers.resetProgrammerBox();
        ctx_.progress.hide();
        if (programmed)
            ctx_.message(ctx_.text(id::Programmed), plat::mb::OKOnly | plat::mb::Information, id::ProgrammedTitle);
        else
            ctx_.message(ctx_.text(id::Failed) +
                             (notHeld ? QStringLiteral("\r\n") + nriRecordNotHeldText(*notHeld) : QString()),
                         plat::mb::OKOnly | plat::mb::Critical, id::ErrorTitle);
    });
    ctx_.progress.hide();
    return programmed;
}

} // namespace quenby
