#include "quenby/memutils/limitscommands.h"

#include "platform/vbtext.h"
#include "platform/view.h"
#include "quenby/clonewizard/clonewizard.h"
#include "quenby/link/imagemap.h"
#include "quenby/seams.h"
#include "quenby/shell/texts.h"

namespace quenby {

namespace {

namespace id {
constexpr int Unloading = 1200;
constexpr int Changing = 1201;
using textid::LaunchingData;
constexpr int EditedUse = 1203;
constexpr int EditedCancel = 1204;
constexpr int EditedTitle = 1205;
constexpr int Insert = 1208;
constexpr int Bipolar = 1209;
constexpr int LoadProm = 1210;
constexpr int NotBlank = 1211;
constexpr int ProgramAnyway = 1212;
constexpr int CancelAbort = 1213;
constexpr int NotBlankTitle = 1214;
constexpr int InsertOmbrix = 1215;
constexpr int LoadOmbrix = 1216;
constexpr int SwitchTwoOff = 1217;
constexpr int SwitchTitle = 1218;
constexpr int Programming = 1219;
constexpr int Restoring = 1220;
constexpr int LaunchingTest = 1221;
constexpr int NoSegmentOnProm = 1246;
constexpr int NothingBurnt = 1247;
constexpr int ReadMissing = 573;
constexpr int ReadAgain = 574;
constexpr int ReadMissingTitle = 575;
constexpr int EditorKeepsImage = 737;
} // namespace id

constexpr int kBurnPauseMs = 200;

} // namespace

int lastSegment(int promSize, const MechEntry& entry) { return promSize == 1 && entry.mars.maxSegments > 2 ? 3 : 1; }

int firstNonBlankSegment(const Image& readImage, const SegmentSelection& selected, int last, const MechEntry& entry)
{
    const int words = entry.mars.segmentWords;
    for (int s = 0; s <= last; ++s) {
        if (!selected(s))
            continue;
        for (int a = words * s; a < words * (s + 1) && inImage(a); ++a)
            if (readImage[std::size_t(a)] != 0)
                return s;
    }
    return -1;
}

void duplicateFirstSegment(CoinTables& tables, Image& progImage)
{
    for (std::size_t i = 0; i < 128; ++i)
        progImage[i + 128] = progImage[i];
    for (int c = 1; c <= 6; ++c)
        for (int k = 1; k <= 6; ++k)
            tables.coinLimitTable(c + 6, k) = tables.coinLimitTable(c, k);
    tables.segmentSelected(1) = true;
}

void mapMarsImage(MechFamily& family, const CoinTables& tables, Image& progImage)
{
    for (int s = 0; s <= 3; ++s)
        if (tables.segmentSelected(s))
            mapCoinTableToProm(family, s);
    if (family.entry().mars.coinValuesInImage) {
        std::array<qint32, 25> values{};
        for (int k = 0; k <= 24; ++k)
            values[std::size_t(k)] = tables.coinValues(k);
        remapImageME181(values, progImage);
    }
}

void mapEepromImage(MechFamily& family, const CoinTables& tables)
{
    mapCoinTableToProm(family, 0);
    // The image is built afresh from the mech's own words: the coin set's routing words the
    // transfer wrote go in again.
    if (tables.clone.routingMapped)
        mapCcRouting(family);
}

void rebuildCcEditorImage(MechFamily& family, const Image& editorImage)
{
    MechContext& ctx = family.context();
    MemoryImages& images = ctx.mem.images;
    CloneState& clone = ctx.mem.coins.clone;
    const QString& model = family.entry().model;
    // Words the read did not reach are 0 in readImage: an image built over them would write
    // zeros into the mech and verify them as written.
    if (!images.holdsWholeMemoryOf(model) && ctx.st().portOpen && !ctx.link.jobStopped()) {
        ctx.link.sendJ();
        readMechMemory(ctx);
    }
    if (images.holdsWholeMemoryOf(model)) {
        mapEepromImage(family, ctx.mem.coins);
        // This is what the mech holds now: the windows its channels keep come from it.
        std::copy(images.readImage.begin(), images.readImage.end() - 1, images.oldImage.begin());
        return;
    }
    images.progImage = editorImage;
    clone.oldImageTaken = false;
    clone.mechReadMissing = true;
    ctx.message(ctx.text(id::EditorKeepsImage) + QStringLiteral("\r\n\r\n") + ctx.text(id::ReadAgain),
                plat::mb::OKOnly | plat::mb::Exclamation, id::ReadMissingTitle);
}

void LimitsCommands::cmdChangeLimits_Click() { changeLimits(); }

bool LimitsCommands::changeLimits()
{
    CloneContext& c = w_.ctx;
    CoinTables& t = c.coins();
    bool stored = false;
    w_.ctx.errors.trap(id::Changing, [&] {
        LimitsEditor& e = c.windows.limitsEditor();
        e.clearColors();
        const int page = plat::cInt(c.limits.displayedSegment);
        const int firstCoin = page * c.params.coinsPerSegment + 1;
        const LimitsContext lc{t, c.params, c.entry().limits, c.texts, c.errors, *c.svc.dialogs, c.job.mechModel,
                               c.mem.promSize};
        // A grid that could not be stored (reported) stays as typed and still edited: the image
        // and the page keep what they were built from.
        stored = applyGrid(e.page(), c.limits, lc);
        if (!stored)
            return;
        std::unique_ptr<MechFamily> family = c.family();
        if (!c.mars())
            mapEepromImage(*family, t);
        else
            mapMarsImage(*family, t, c.mem.images.progImage);
        e.checkOverlaps(firstCoin);
        e.calcAcceptance(firstCoin);
        c.limits.limitsEdited = false;
        e.optSeg_Click(page);
        setPromChangeFlag(true, c.entry(), t.segmentSelected, c.mem.images.progImage);
        QString ref = w_.view().text(QStringLiteral("lblRefCode"));
        QString version = w_.view().text(QStringLiteral("lblVersion"));
        addCoinsetRefToImage(ref, version, c.entry(), t.segmentSelected, c.mem.images.progImage);
    });
    return stored;
}

namespace {

// Whether what the last read of a CC or NRI mech left is the whole memory of the job's model:
// a memory window's read since the transfer may have stopped part way.
bool lastReadWhole(const CloneContext& c)
{
    return c.entry().isNri() ? c.mem.nri.linesAreTheMechsOf(c.job.mechModel)
                             : c.mem.images.holdsWholeMemoryOf(c.job.mechModel);
}

} // namespace

void LimitsCommands::cmdRestore_Click()
{
    CloneContext& c = w_.ctx;
    w_.ctx.errors.trap(id::Restoring, [&] {
        // The kept channels take the mech's windows from a whole read only: after a read that
        // stopped part way the transfer reads the mech again.
        if (!c.mars() && !lastReadWhole(c))
            c.clone().oldImageTaken = false;
        for (int coin = 1; coin <= 24; ++coin)
            for (int col = 1; col <= 6; ++col)
                c.coins().coinLimitTable(coin, col) = 0;
        c.limits.limitsEdited = false;
        w_.frame.PROMxfr();
        c.limits.limitsEdited = false;
    });
}

void LimitsCommands::cmdProgPROM_Click()
{
    CloneContext& c = w_.ctx;
    CoinTables& t = c.coins();
    w_.ctx.errors.trap(id::Programming, [&] {
        if (c.limits.limitsEdited) {
            const QString text = c.text(id::EditedUse) + QStringLiteral("\r\n") + c.text(id::EditedCancel);
            if (c.message(text, plat::mb::OKCancel | plat::mb::Question, id::EditedTitle) != plat::mb::OK)
                return;
            // The image was built before the edits: it is not what the user asked for.
            if (!changeLimits())
                return;
        }
        // Channels that keep the mech's windows have none after a read that stopped part way:
        // programming them would wipe those coins from the mech.
        // An NRI mech's records are built with the routes and header its last read returned: a
        // read that stopped part way (a memory window's) has none to give.
        if (t.clone.mechReadMissing || (c.entry().isNri() && !lastReadWhole(c))) {
            c.message(c.text(id::ReadMissing) + QStringLiteral("\r\n\r\n") + c.text(id::ReadAgain),
                      plat::mb::OKOnly | plat::mb::Exclamation, id::ReadMissingTitle);
            return;
        }
        if (c.mars() && t.segmentSelected(0) && c.entry().mars.segmentWords == 128 &&
            w_.view().value(QStringLiteral("chkduplicate")) == 1)
            duplicateFirstSegment(t, c.mem.images.progImage);
        std::optional<bool> ok = c.mars() ? programMars() : programMemory();
        // A PROM prompt answered Cancel ends the job there, without its closing "W".
        if (!ok)
            return;
        if (*ok)
            c.windows.limitsEditor().enableValidatorTest();
        c.link.sendW();
    });
}

std::optional<bool> LimitsCommands::programMars()
{
    CloneContext& c = w_.ctx;
    CoinTables& t = c.coins();
    const QString size = c.mem.promSize == 1 ? QStringLiteral("2K") : QStringLiteral("1K");
    const int last = lastSegment(c.mem.promSize, c.entry());
    // A job that burns no row verifies nothing and would pass a blank PROM as the clone: it is
    // refused before a PROM is asked for.
    bool burnsARow = false;
    for (int s = 0; s <= last; ++s)
        burnsARow = burnsARow || t.segmentSelected(s);
    if (!burnsARow) {
        c.message(c.text(id::NoSegmentOnProm) + size + c.text(id::NothingBurnt), plat::mb::OKOnly | plat::mb::Exclamation,
                  id::NotBlankTitle);
        return std::nullopt;
    }
    const bool bipolar = c.mem.bipolarProm;
    int answer = plat::mb::Cancel;
    if (!bipolar) {
        c.link.sendAndWait("E");
        answer = c.message(c.text(id::InsertOmbrix), plat::mb::OKCancel, id::LoadOmbrix);
    } else {
        for (;;) {
            answer = c.message(c.text(id::Insert) + size + c.text(id::Bipolar), plat::mb::OKCancel, id::LoadProm);
            if (answer != plat::mb::OK)
                break;
            c.link.sendJ();
            // Where a read did not reach, readImage holds zeros, which look blank: a used bipolar
            // PROM burnt over is lost for good, so a PROM not read whole is not blank, and with
            // nothing known of it there is nothing to offer to burn.
            if (!readMechMemory(c.mech).complete) {
                c.message(c.text(id::NotBlank), plat::mb::OKOnly, id::NotBlankTitle);
                return std::nullopt;
            }
            if (firstNonBlankSegment(c.mem.images.readImage, t.segmentSelected, last, c.entry()) < 0)
                break;
            answer = c.message(c.text(id::NotBlank) + QStringLiteral("\r\n\r\n") + c.text(id::ProgramAnyway) +
                                   QStringLiteral("\r\n") + c.text(id::CancelAbort),
                               plat::mb::OKCancel, id::NotBlankTitle);
            if (answer == plat::mb::OK)
                break;
        }
        c.link.sendAndWait("B");
    }
    if (answer != plat::mb::OK)
        return std::nullopt;
    c.link.sendJ();
    c.link.delayMs(kBurnPauseMs);
    std::unique_ptr<MechFamily> family = c.family();
    family->program();
    c.mem.currentSegment = last + 1;
    if (!bipolar)
        c.message(c.text(id::SwitchTwoOff), plat::mb::OKOnly, id::SwitchTitle);
    const std::optional<VerifyResult> verified = family->verify();
    return verified && verified->ok();
}

bool LimitsCommands::programMemory()
{
    CloneContext& c = w_.ctx;
    c.link.sendJ();
    std::unique_ptr<MechFamily> family = c.family();
    bool ok = false;
    if (c.entry().isNri()) {
        ok = family->program();
    } else {
        // Writing skips the words readImage holds: a read cut since the image was built (a
        // memory window's, a verify's) left it in part, so the mech is read again; an image
        // built over such a read is built again over the whole one.
        if (!c.mem.images.holdsWholeMemoryOf(c.entry().model))
            readMechMemory(c.mech);
        if (c.mem.images.progOverPartRead && c.mem.images.holdsWholeMemoryOf(c.entry().model))
            mapEepromImage(*family, c.coins());
        family->program();
        const std::optional<VerifyResult> verified = family->verify();
        ok = verified && verified->ok();
    }
    c.link.sendW();
    return ok;
}

void LimitsCommands::cmdPROMutilities_Click()
{
    CloneContext& c = w_.ctx;
    w_.ctx.errors.trap(id::LaunchingData, [&] {
        c.link.sendJ();
        c.fromPromWindow = true;
        c.link.sendJ();
        plat::View& mainView = c.windows.mainView();
        if (c.mars()) {
            mainView.setEnabled(QStringLiteral("cmdPROMutilities"), false);
        } else {
            readMechMemory(c.mech);
            mainView.setEnabled(c.entry().isNri() ? QStringLiteral("cmdNRIprom") : QStringLiteral("cmdCCprom"), false);
        }
        if (c.windows.memoryWindows().openFromLimitsEditor())
            return;
        // No window on a memory read in part: the editor stays as it was, the box leaves J.
        if (!c.mars())
            mainView.setEnabled(c.entry().isNri() ? QStringLiteral("cmdNRIprom") : QStringLiteral("cmdCCprom"), true);
        c.link.sendW();
    });
}

void LimitsCommands::cmdValtest_Click()
{
    CloneContext& c = w_.ctx;
    w_.ctx.errors.trap(id::LaunchingTest, [&] {
        LimitsEditor& e = c.windows.limitsEditor();
        e.page().validatorTestEnabled = false;
        e.render();
        c.windows.mainView().setEnabled(QStringLiteral("cmdValtest"), false);
        c.windows.openValidatorTestFromEditor();
    });
}

void LimitsCommands::cmdBack1_Click()
{
    CloneContext& c = w_.ctx;
    w_.ctx.errors.trap(id::Unloading, [&] {
        c.windows.limitsEditor().view().setVisible(QStringLiteral("frmPROM"), false);
        w_.frame.CoinInitialise(0);
        c.windows.showMain(false);
        w_.view().setVisible(QStringLiteral("frmCoinMeasure1"), true);
        c.windows.unloadLimitsEditor();
    });
}

} // namespace quenby
