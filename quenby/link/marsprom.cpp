#include "quenby/link/marsprom.h"

#include "platform/runtimeerror.h"
#include "platform/vbtext.h"
#include "quenby/link/imagemap.h"
#include "quenby/memutils/promimage.h"
#include "quenby/shell/texts.h"

#include <algorithm>

namespace quenby {

namespace {

constexpr int kPromReadTimeoutMs = 10000;
constexpr int kRowAckMs = 5000;
constexpr int kBipolarBurns = 3;
constexpr int kTimingPasses = 6;

namespace id {
constexpr int ReadTimedOut = 101;
using textid::ErrorTitle;
using textid::ReadError;
constexpr int ProgrammingCaption = 104;
constexpr int ProgrammingTitle = 105;
constexpr int WriteError = 106;
constexpr int DecodeError = 107;
constexpr int CopySource = 117;
constexpr int VerifyOk = 213;
constexpr int VerifyTitle = 214;
constexpr int VerifyFailed = 215;
constexpr int TimingsFailed = 218;
constexpr int TimingsTitle = 219;
constexpr int TimingsError = 220;
} // namespace id

} // namespace

void MarsPromFamily::decodeLine(MechContext& ctx, const QString& line)
{
    ctx.errors.trap(id::DecodeError, [&] {
        if (!decodeMarsPromLine(line, ctx.mem.promSize, ctx.mem.images.readImage, ctx.marsRead))
            throw plat::RuntimeError(plat::err::SubscriptOutOfRange, QStringLiteral("PROM line not placed: ") + line);
    });
}

ReadState MarsPromFamily::read()
{
    MemoryImages& images = ctx_.mem.images;
    ctx_.marsRead = {};
    std::fill(images.readImage.begin(), images.readImage.end() - 1, 0);
    ctx_.errors.trap(id::ReadError, [&] {
        ctx_.link.sendAndWait("E");
        ctx_.link.sendData(ctx_.mem.promSize == 1 ? "K" : "A");
        // The box sends a line per 16 addresses; the receive side decodes each as it comes.
        ctx_.link.waitFor(kPromReadTimeoutMs, [this] { return ctx_.marsRead.topReached; });
        if (!ctx_.marsRead.topReached)
            ctx_.message(ctx_.text(id::ReadTimedOut), plat::mb::OKOnly | plat::mb::Critical, id::ErrorTitle);
    });
    const int promSize = ctx_.mem.promSize;
    const int missing = ctx_.marsRead.firstMissing(promSize);
    // A line lost whole says nothing of itself; a refused one has been reported already.
    if (ctx_.marsRead.topReached && ctx_.marsRead.refusedLines == 0 && missing >= 0) {
        ctx_.errors.trap(id::DecodeError, [missing] {
            throw plat::RuntimeError(plat::err::SubscriptOutOfRange,
                                     QStringLiteral("PROM line missing: ") + plat::hex4(missing).right(3));
        });
    }
    if (ctx_.marsRead.complete(promSize))
        images.readCompleted(entry_.model);
    else
        images.readStopped(entry_.model, ctx_.marsRead.topReached ? id::DecodeError : id::ReadTimedOut);
    return images.lastRead;
}

bool MarsPromFamily::programRange(int first, int last)
{
    plat::ProgressSink& progress = ctx_.progress;
    bool allAcknowledged = false;
    ctx_.errors.trap(id::WriteError, [&] {
        progress.setCaption(ctx_.text(id::ProgrammingCaption));
        progress.setTitle(ctx_.text(id::ProgrammingTitle));
        progress.showSegment(true);
        const PromRows rows = marsPromRows(ctx_.mem.images.progImage, first, last);
        if (!rows.ok()) {
            // A word that is no nibble would shift its row and burn the rest of it into the
            // wrong addresses, perhaps for good on a bipolar PROM.
            throw plat::RuntimeError(plat::err::SubscriptOutOfRange,
                                     QStringLiteral("No nibble at PROM address ") + QString::number(*rows.badAddress));
        }
        const int repeats = ctx_.mem.bipolarProm ? kBipolarBurns : 1;
        allAcknowledged = true;
        for (const PromRow& row : rows.rows) {
            for (int r = 0; r < repeats; ++r) {
                ctx_.link.expectLine(BoxLine::PromRow);
                ctx_.link.sendData(row.bytes);
                progress.show();
                progress.setSegment(QString::number(ctx_.mem.currentSegment));
                progress.setStep(row.progress);
                // A row whose "Z" does not come is not sent again: the verify finds it.
                if (!ctx_.link.awaitLine(BoxLine::PromRow, kRowAckMs))
                    allAcknowledged = false;
            }
        }
    });
    progress.hide();
    progress.unload();
    return allAcknowledged;
}

bool MarsPromFamily::program()
{
    const int words = entry_.mars.segmentWords;
    const int lastSegment = std::min(ctx_.mem.promSize == 1 ? 3 : 1, entry_.mars.maxSegments - 1);
    const plat::CountScope writing = ctx_.link.writing();
    bool ok = true;
    for (int s = 0; s <= lastSegment; ++s) {
        if (!ctx_.mem.coins.segmentSelected(s))
            continue;
        ctx_.mem.currentSegment = s + 1;
        ok = programRange(words * s, words * s + words - 1) && ok;
    }
    return ok;
}

std::optional<VerifyResult> MarsPromFamily::verify()
{
    VerifyResult result;
    ctx_.errors.trap(id::VerifyFailed, [&] {
        readMechMemory(ctx_);
        const MemoryImages& images = ctx_.mem.images;
        result = comparePromSegments(images.readImage, images.holdsWholeMemoryOf(entry_.model), images.progImage,
                                     ctx_.mem.coins.segmentSelected, ctx_.mem.promSize, entry_);
        if (result.ok())
            ctx_.message(ctx_.text(id::VerifyOk), plat::mb::OKOnly, id::VerifyTitle);
        else
            ctx_.message(ctx_.text(id::VerifyFailed), plat::mb::OKOnly | plat::mb::Exclamation, id::VerifyTitle);
    });
    return result;
}

void MarsPromFamily::mapCoinTableToProm(int segment)
{
    mapMarsSegment(segment, ctx_.mem.coins, ctx_.mem.images.progImage);
}

void MarsPromFamily::copyPromToCoinTable()
{
    const QList<int> refused =
        copyMarsWindows(entry_, ctx_.mem.coins, ctx_.mem.images.oldImage, ctx_.mem.nri.mechCoinValues);
    for (int i = 0; i < refused.size(); ++i)
        ctx_.message(ctx_.text(id::CopySource), plat::mb::OKOnly | plat::mb::Critical, id::ErrorTitle);
}

bool setupTimings(MechContext& ctx, const QString& model)
{
    const MechEntry e = mechEntry(Family::Mars, model);
    const QByteArray t = marsTimingCommand(e);
    QByteArray readBack;
    ctx.errors.trap(id::TimingsError, [&] {
        for (int pass = 1; pass <= kTimingPasses && readBack != t; ++pass) {
            if (e.mars.timingsNeedC02)
                ctx.link.sendData("C02");
            ctx.link.sendAndWait(t + '\r');
            ctx.link.sendAndWait("S");
            const ValidatorTimings& v = ctx.st().validatorTimings;
            readBack = marsTimingReadBack(v.value1, v.value2, v.value3, v.value4);
        }
        if (readBack != t)
            ctx.message(ctx.text(id::TimingsFailed), plat::mb::OKOnly | plat::mb::Information, id::TimingsTitle);
    });
    return readBack == t;
}

} // namespace quenby
