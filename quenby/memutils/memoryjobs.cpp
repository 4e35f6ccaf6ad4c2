#include "quenby/memutils/memoryjobs.h"

#include "platform/dialogs.h"
#include "platform/fileexists.h"
#include "quenby/link/imagemap.h"
#include "quenby/link/nrimech.h"
#include "quenby/memutils/datafiles.h"
#include "quenby/shell/texts.h"

#include <algorithm>
#include <tuple>

namespace quenby {

namespace {

namespace id {
// CC EEPROM window
constexpr int EeInvalidFile = 701;
constexpr int EeInvalidFileTitle = 702;
constexpr int EeConfirm = 703;
constexpr int EeConfirmTitle = 704;
constexpr int EeProgrammeError = 705;
using textid::EeReadError;
constexpr int RoutingConfirm = 708;
constexpr int RoutingConfirmTitle = 709;
constexpr int RoutingError = 716;
constexpr int EeOverwrite = 718;
constexpr int EeOverwriteTitle = 719;
constexpr int EeSaveError = 720;
// NRI memory window
constexpr int NriInvalidFile = 904;
constexpr int NriInvalidFileTitle = 905;
constexpr int NriConfirm = 906;
constexpr int NriConfirmTitle = 907;
constexpr int NriWriteCaption = 908;
constexpr int NriWriteTitle = 909;
constexpr int NriWritten = 910;
constexpr int NriWrittenTitle = 911;
constexpr int NriNotWritten = 912;
constexpr int NriNotWrittenTitle = 913;
using textid::NriProgrammeError;
using textid::NriReadError;
constexpr int NriOverwrite = 918;
constexpr int NriOverwriteTitle = 919;
constexpr int NriSaveError = 920;
// PROM data view
constexpr int PromReadError = 1303;
} // namespace id

bool dataFileExists(const MechContext& ctx, const QString& path, int trapId)
{
    return shared::fileExists(path, *ctx.svc.dialogs, ctx.texts.fileExistsTexts(),
                              [&](const std::exception& e) { ctx.errors.reportError(trapId, e); });
}

// The file a save dialog chose, once the user may write it: empty when he cancelled the dialog or
// the question before an existing file is replaced.
QString fileToSave(const MechContext& ctx, DataFileDialog dialog, int overwriteId, int titleId, int trapId)
{
    const QString path = chooseDataFile(*ctx.svc.dialogs, ctx.texts, dialog, ctx.programFolder());
    if (path.isEmpty())
        return {};
    if (dataFileExists(ctx, path, trapId)
        && ctx.svc.dialogs->askRisky(ctx.text(overwriteId), plat::mb::OKCancel | plat::mb::Exclamation,
                                     ctx.text(titleId)) != plat::mb::OK)
        return {};
    return path;
}

// The file an open dialog chose, when it exists: empty when the user cancelled, or after the
// "Invalid Filename" box.
QString fileToOpen(const MechContext& ctx, DataFileDialog dialog, int invalidId, int titleId, int trapId)
{
    const QString path = chooseDataFile(*ctx.svc.dialogs, ctx.texts, dialog, ctx.programFolder());
    if (path.isEmpty())
        return {};
    if (!dataFileExists(ctx, path, trapId)) {
        ctx.message(ctx.text(invalidId), plat::mb::OKOnly | plat::mb::Critical, titleId);
        return {};
    }
    return path;
}

bool confirmed(const MechContext& ctx, int textId, int titleId)
{
    return ctx.svc.dialogs->askRisky(ctx.text(textId), plat::mb::OKCancel | plat::mb::Question, ctx.text(titleId)) ==
           plat::mb::OK;
}

// progImage written and read back; true when the read-back holds it. The verify runs whether or
// not every word was taken: it says what the mech holds now. A line that went down meanwhile
// has been reported once; a read-back would only add time-outs to it.
bool programAndVerify(MechFamily& family)
{
    family.program();
    if (!family.context().st().portOpen)
        return false;
    const std::optional<VerifyResult> v = family.verify();
    return v && v->ok();
}

// J, the read, W, each statement under textId.
ReadState readBetweenJAndW(MechContext& ctx, int textId, const std::function<ReadState()>& read)
{
    ReadState r;
    ctx.errors.trap(textId, [&] { ctx.link.sendJ(); });
    ctx.errors.trap(textId, [&] { r = read(); });
    ctx.errors.trap(textId, [&] { ctx.link.sendW(); });
    return r;
}

} // namespace

// ---- CC EEPROM window ---------------------------------------------------------------------------

ReadState readEepromCommand(MechFamily& family)
{
    MechContext& ctx = family.context();
    return readBetweenJAndW(ctx, id::EeReadError, [&] { return readMechMemory(ctx); });
}

void saveEepromCommand(MechFamily& family)
{
    MechContext& ctx = family.context();
    ctx.errors.trap(id::EeSaveError, [&] {
        const QString path =
            fileToSave(ctx, DataFileDialog::EepromSave, id::EeOverwrite, id::EeOverwriteTitle, id::EeSaveError);
        if (!path.isEmpty())
            writeEepromDataFile(path, ctx.mem.images, family.entry().model, ctx.params.memorySize);
    });
}

bool eeProgramme(MechFamily& family)
{
    MechContext& ctx = family.context();
    MemoryImages& images = ctx.mem.images;
    std::optional<Image> fileImage;
    ctx.errors.trap(id::EeProgrammeError, [&] {
        const QString path =
            fileToOpen(ctx, DataFileDialog::EepromOpen, id::EeInvalidFile, id::EeInvalidFileTitle, id::EeProgrammeError);
        if (path.isEmpty())
            return;
        FileVerdict<Image> file = readEepromDataFile(path, ctx.params.memorySize);
        if (!file.ok())
            throw file.refusal.error();
        if (confirmed(ctx, id::EeConfirm, id::EeConfirmTitle))
            fileImage = std::move(file.value);
    });
    if (!fileImage)
        return false;

    bool ok = false;
    ctx.errors.trap(id::EeProgrammeError, [&] {
        ctx.link.sendJ();
        // Words equal to readImage are skipped: it must hold this mech's whole memory (a coin set
        // run comes here with its images cleared).
        if (!images.holdsWholeMemoryOf(family.entry().model) && !readMechMemory(ctx).complete)
            return;
        // The file's words as they stand, 0 beyond them: no checksum of our own.
        std::copy(fileImage->begin(), fileImage->end() - 1, images.progImage.begin());
        images.progOverPartRead = false;
        ok = programAndVerify(family);
    });
    ctx.errors.trap(id::EeProgrammeError, [&] { ctx.link.sendW(); });
    return ok;
}

std::optional<bool> programmeRouting(MechFamily& family, const Routing435& fields)
{
    MechContext& ctx = family.context();
    MemoryImages& images = ctx.mem.images;
    std::optional<bool> ok;
    ctx.errors.trap(id::RoutingError, [&] {
        const RoutingEncoding enc =
            encodeRouting435(fields, images.readImage, images.progImage, ctx.params.memorySize, family.entry());
        if (!enc.image) {
            ctx.message(ctx.text(enc.textId), plat::mb::OKOnly | plat::mb::Critical, enc.titleId);
            return;
        }
        if (!confirmed(ctx, id::RoutingConfirm, id::RoutingConfirmTitle))
            return;
        images.progImage = *enc.image;
        images.progOverPartRead = !images.holdsWholeMemoryOf(family.entry().model);
        ok = false;
        ctx.link.sendJ();
        ctx.errors.trap(id::RoutingError, [&] { ok = programAndVerify(family); });
        ctx.link.sendW();
    });
    return ok;
}

// ---- NRI memory window --------------------------------------------------------------------------

ReadState readNriCommand(MechFamily& family)
{
    return readBetweenJAndW(family.context(), id::NriReadError, [&] {
        const ReadState read = family.read();
        reportNriReadStopped(family.context(), family.entry(), read);
        return read;
    });
}

void saveNriCommand(MechFamily& family)
{
    MechContext& ctx = family.context();
    ctx.errors.trap(id::NriSaveError, [&] {
        const QString path =
            fileToSave(ctx, DataFileDialog::NriSave, id::NriOverwrite, id::NriOverwriteTitle, id::NriSaveError);
        if (!path.isEmpty())
            writeNriMemoryFile(path, ctx.mem.nri, family.entry(), ctx.params);
    });
}

namespace {

// The file's lines checked over `current` and the plan that sends them; a refusal raised.
std::pair<std::array<QString, 33>, NriProgramPlan> nriFileLinesAndPlan(const MechContext& ctx, const MechEntry& entry,
                                                                       const NriFileRecords& file,
                                                                       const std::array<QString, 33>& current,
                                                                       bool currentIsThisMech)
{
    const FileVerdict<std::array<QString, 33>> lines =
        nriLinesToProgramme(file, entry, ctx.params, current, currentIsThisMech);
    if (!lines.ok())
        throw lines.refusal.error();
    NriProgramPlan p = nriFileProgramPlan(entry, ctx.params, *lines.value);
    if (!p.ok())
        throw FileRefusal{0, QStringLiteral("%1 cannot be sent whole").arg(QString::fromLatin1(p.refusedCommand)),
                          fileerr::kMalformed}
            .error();
    return {*lines.value, std::move(p)};
}

void takeNriFileLines(MechContext& ctx, const MechEntry& entry, const std::array<QString, 33>& lines)
{
    // The file's lines stay after the job, whatever became of it: a save writes them.
    NriReadTables& nri = ctx.mem.nri;
    nri.nriDataLines = lines;
    nri.linesRead = {};
    nri.linesFileModel = entry.model;
}

} // namespace

bool NRIprogramme(MechFamily& family, bool duplicating)
{
    MechContext& ctx = family.context();
    const MechEntry& entry = family.entry();
    std::optional<NriProgramPlan> plan;
    std::optional<NriFileRecords> records;
    std::array<QString, 33> lines;
    ctx.errors.trap(id::NriProgrammeError, [&] {
        const QString path =
            fileToOpen(ctx, DataFileDialog::NriOpen, id::NriInvalidFile, id::NriInvalidFileTitle, id::NriProgrammeError);
        if (path.isEmpty())
            return;
        const FileVerdict<NriFileRecords> file = readNriDataFile(path);
        if (!file.ok())
            throw file.refusal.error();
        const NriReadTables& nri = ctx.mem.nri;
        const bool theMechs = !duplicating && nri.linesAreTheMechsOf(entry.model);
        auto [l, p] = nriFileLinesAndPlan(ctx, entry, *file.value, nri.nriDataLines, theMechs);
        // A cancelled file takes nothing: the lines stay what the window shows.
        if (!confirmed(ctx, id::NriConfirm, id::NriConfirmTitle))
            return;
        records = *file.value;
        lines = std::move(l);
        plan = std::move(p);
    });
    if (!plan)
        return false;
    const bool partial = std::any_of(records->text.begin() + 1, records->text.end(),
                                     [](const std::optional<QString>& t) { return !t; });

    plat::ProgressSink& progress = ctx.progress;
    bool ok = false;
    bool notRead = false;
    std::optional<QString> notHeld;
    ctx.errors.trap(id::NriProgrammeError, [&] {
        const auto prepare = [&] {
            progress.setCaption(ctx.text(id::NriWriteCaption));
            progress.setTitle(ctx.text(id::NriWriteTitle));
            progress.showSegment(false);
            progress.setStep(0);
        };
        prepare();
        ctx.link.sendJ();
        if (partial) {
            // The records the file does not name are written back as the mech in the box holds
            // them now: the read they were checked against may be of another mech put in since.
            const ReadState read = family.read();
            if (!read.complete) {
                notRead = true;
                return;
            }
            std::tie(lines, *plan) = nriFileLinesAndPlan(ctx, entry, *records, ctx.mem.nri.nriDataLines, true);
            prepare();
        }
        takeNriFileLines(ctx, entry, lines);
        // A mech that does not answer ends the job as a failed write does, so the box leaves
        // serial mode and the user is told.
        if (!ctx.layers.nriLogon())
            return;
        progress.show();
        // From the first record sent, a job cut short may leave the mech half-written.
        const plat::CountScope writing = ctx.link.writing();
        // A model of neither group has no steps, and nothing written is no success.
        ok = runNriWriteSteps(ctx, *plan, id::NriProgrammeError) && !plan->steps.empty();
        if (ok)
            notHeld = nriRecordNotHeld(ctx, entry, *plan);
        ok = ok && !notHeld;
    });
    ctx.errors.trap(id::NriProgrammeError, [&] { progress.hide(); });
    ctx.errors.trap(id::NriProgrammeError, [&] { ctx.link.sendW(); });
    // A line that went down has been reported once: no box reset to fail on it again.
    if (ctx.st().portOpen)
        ctx.errors.trap(id::NriProgrammeError, [&] { ctx.layers.resetProgrammerBox(); });
    ctx.errors.trap(id::NriProgrammeError, [&] {
        if (ok)
            ctx.message(ctx.text(id::NriWritten), plat::mb::OKOnly | plat::mb::Information, id::NriWrittenTitle);
        else
            ctx.message(ctx.text(id::NriNotWritten) +
                            (notHeld ? QStringLiteral("\r\n") + nriRecordNotHeldText(*notHeld) : QString()) +
                            (notRead ? QStringLiteral("\r\nThe mech could not be read whole: nothing written.")
                                     : QString()),
                        plat::mb::OKOnly | plat::mb::Critical, id::NriNotWrittenTitle);
    });
    return ok;
}

// ---- PROM data view -----------------------------------------------------------------------------

ReadState readPromCommand(MechFamily& family, PromDataView& view)
{
    MechContext& ctx = family.context();
    return readBetweenJAndW(ctx, id::PromReadError, [&] {
        const ReadState r = readMechMemory(ctx);
        formatMarsPromReport(family, view);
        return r;
    });
}

} // namespace quenby
