#include "quenby/clonewizard/transfer.h"

#include "platform/runtimeerror.h"
#include "platform/vbtext.h"
#include "platform/view.h"
#include "quenby/clonewizard/channelmap.h"
#include "quenby/clonewizard/clonewizard.h"
#include "quenby/link/imagemap.h"
#include "quenby/memutils/limitscommands.h"
#include "quenby/memutils/promimage.h"
#include "quenby/shell/texts.h"

namespace quenby {

namespace {

namespace id {
constexpr int ParseRecords = 455;
constexpr int Unloading = 401;
constexpr int CopyProm = 420;
constexpr int SwitchesForCopy = 421;
constexpr int CopyPromTitle = 422;
constexpr int RemoveOldProm = 423;
constexpr int Transferring = 424;
constexpr int Loading = 430;
constexpr int MeasureCaption = 444;
constexpr int BackToMain = 445;
constexpr int CoinsRemaining = 446;
constexpr int Initialising = 447;
constexpr int FirstCaption = 510;
} // namespace id

const QString kWindow = QStringLiteral("frmCoinMeasure1");

// Captions of the design, texts 510 to 548 in control order: (control, index).
struct Caption {
    const char* control;
    int index;
};
constexpr Caption kCaptions[] = {
    {"lblHead", 0},   {"lblHead", 1},   {"lblHead", 2},   {"lblHead", 3},
    {"lblHead", 4},   {"lblHead", 5},   {"lblCoinNumber", -1}, {"frmMeasurements", -1},
    {"frmParameter", 0}, {"frmParameter", 1}, {"frmParameter", 2}, {"frmParameter", 3},
    {"frmParameter", 4}, {"frmParameter", 5}, {"lblColumn", 0}, {"lblColumn", 1},
    {"lblColumn", 2}, {"lblColumn", 3}, {"lblSource", -1}, {"lblOffset", -1},
    {"lblPromLimits", -1}, {"chkLog", -1},   {"frmPromSize", -1}, {"frmPROMSegments", -1},
    {"cmdOpenCoinset", -1}, {"cmdSpecialUtilities", -1}, {"cmdBack", -1}, {"frmWizards", -1},
    {"lblWizardType", -1}, {"lblPROMseg", -1}, {"lblChannel", -1}, {"lblInhibit", -1},
    {"lblValue1", -1}, {"lblWizardChoice", -1}, {"cmdAddCoin", -1}, {"cmdEdit", -1},
    {"cmdSlugFix", -1}, {"cmdCancelWizards", -1}, {"chkduplicate", -1},
};
static_assert(std::size(kCaptions) == 548 - 510 + 1);

} // namespace

MeasureLayout measureLayout(int paramCount)
{
    checkParamCount(paramCount);
    MeasureLayout l;
    l.measurementsWidth = paramCount == 3 ? 8055 : 11775 - 1680 * (6 - paramCount);
    for (int i = 0; i < 6; ++i) {
        l.parameterLeft[std::size_t(i)] = paramCount == 3 ? 1560 + 2280 * i : 1560 + 1680 * i;
        l.parameterVisible[std::size_t(i)] = i < paramCount;
    }
    l.windowWidth = l.measurementsWidth + 725;
    return l;
}

MakerLabel makerLabel(Family family)
{
    switch (family) {
    case Family::Mars:
        return {QStringLiteral("Mars"), 0xFF0000};
    case Family::CC:
        return {QStringLiteral("Coin Controls"), 0xFF00};
    case Family::NRI:
        return {QStringLiteral("NRI"), 0xFF};
    case Family::None:
        break;
    }
    return {};
}

void MeasureFrame::Form_Load()
{
    w_.ctx.errors.trap(id::Loading, [&] { setCaptions(); });
    CoinInitialise(0);
    w_.ctx.errors.trap(id::Loading, [&] { w_.view().setVisible(QStringLiteral("chkduplicate"), true); });
}

void MeasureFrame::setCaptions()
{
    plat::View& v = w_.view();
    int textId = id::FirstCaption;
    for (const Caption& c : kCaptions)
        v.setText(QString::fromLatin1(c.control), w_.ctx.text(textId++), c.index);
}

void MeasureFrame::showLimitSources()
{
    plat::View& v = w_.view();
    const int pc = w_.ctx.params.paramCount;
    for (int L = 0; L < 2 * pc; ++L)
        v.setText(QStringLiteral("lblSrc"), w_.ctx.stats.stats.limitSource[std::size_t(L)], L);
}

bool MeasureFrame::CoinInitialise(int mode)
{
    CloneContext& c = w_.ctx;
    bool shown = false;
    w_.ctx.errors.trap(id::Initialising, [&] {
        plat::View& v = w_.view();
        const int pc = c.params.paramCount;
        v.setVisible(kWindow, false);
        if (mode == 0) {
            v.setEnabled(QStringLiteral("cmdOpenCoinset"), true);
            v.setEnabled(QStringLiteral("cmdSpecialUtilities"), true);
            v.setVisible(QStringLiteral("frmWizards"), false);
            v.setVisible(QStringLiteral("frmMeasurements"), true);
            v.setText(kWindow, c.text(id::MeasureCaption));
            v.setText(QStringLiteral("cmdBack"), c.text(id::BackToMain));
            v.setEnabled(QStringLiteral("cmdBack"), true);
            for (int L = 0; L < 2 * pc; ++L)
                c.stats.stats.limitSource[std::size_t(L)] = limitsrc::TwoSd;
            showLimitSources();
            w_.wizards.fillChannelLists();
            // The ME181 keeps coin values in its PROM: the value box is offered.
            const bool me181 = c.mars() && c.entry().mars.coinValuesInImage;
            v.setVisible(QStringLiteral("lblValue1"), me181);
            v.setVisible(QStringLiteral("txtValue1"), me181);
            if (me181) {
                v.setText(QStringLiteral("txtValue1"), QStringLiteral("5"));
                w_.wizards.selectPromSize(true);
            }
        }
        v.setText(QStringLiteral("lblCoin"), {});
        v.setText(QStringLiteral("lblDescription"), {});
        v.setText(QStringLiteral("lblCoinsetTitle"), {});
        v.setText(QStringLiteral("lblNumber"), {});
        v.setText(QStringLiteral("lblmechType"), c.job.mechModel);
        const MakerLabel maker = makerLabel(c.job.mechFamily);
        v.setText(QStringLiteral("lblMfg"), maker.caption);
        if (!maker.caption.isEmpty())
            v.setBackColor(QStringLiteral("lblMfg"), maker.backColour);
        v.setText(QStringLiteral("lblRefCode"), {});
        v.setText(QStringLiteral("lblVersion"), {});

        const MeasureLayout layout = measureLayout(pc);
        for (int i = 0; i < 6; ++i) {
            v.setText(QStringLiteral("lblMeas"), {}, i);
            v.setText(QStringLiteral("frmParameter"), c.params.paramNames[i], i);
            v.setVisible(QStringLiteral("frmParameter"), layout.parameterVisible[std::size_t(i)], i);
        }
        c.windows.layOutMeasureWindow(layout);
        showPromLimits(v, pc, c.texts);
        v.setText(QStringLiteral("lblCoinNumber"), c.text(id::CoinsRemaining));
        v.setVisible(QStringLiteral("lblCoin"), true);

        if (mode == 0) {
            v.setVisible(QStringLiteral("cmdOpenCoinset"), true);
            v.setEnabled(QStringLiteral("cmdOpenCoinset"), true);
            if (!c.mars()) {
                v.setVisible(QStringLiteral("frmPromSize"), false);
                v.setVisible(QStringLiteral("frmPROMSegments"), false);
            } else {
                c.link.sendAndWait("M");
                v.setEnabled(QStringLiteral("opt1K"), true);
                v.setEnabled(QStringLiteral("Opt2K"), true);
                w_.wizards.selectPromSize(v.value(QStringLiteral("Opt2K")) == 1);
                for (int s = 0; s < 4; ++s)
                    v.setEnabled(QStringLiteral("chkSeg"), true, s);
                c.mem.promSize = 0;
                w_.wizards.fillSegmentList();
                v.setVisible(QStringLiteral("frmPromSize"), true);
                v.setVisible(QStringLiteral("frmPROMSegments"), true);
            }
            v.setEnabled(QStringLiteral("chkduplicate"), true);
            v.setEnabled(QStringLiteral("chkLog"), true);
            c.stats.updateStats(1);
            c.stats.stats.recordKind = kCoinRecord;
        }
        c.stats.updateDisplay(1);
        if (mode == 0) {
            c.stats.runActive = false;
        }
        c.windows.centreMeasureWindow();
        v.setVisible(kWindow, true);
        shown = true;
    });
    return shown;
}

void MeasureFrame::cmdBack_Click()
{
    CloneContext& c = w_.ctx;
    w_.ctx.errors.trap(id::Unloading, [&] {
        plat::View& v = w_.view();
        if (c.stats.runActive) {
            v.setEnabled(QStringLiteral("cmdBack"), false);
            c.job.stop();
            for (int s = 0; s < 4; ++s)
                v.setEnabled(QStringLiteral("chkSeg"), true, s);
            v.setEnabled(QStringLiteral("opt1K"), true);
            v.setEnabled(QStringLiteral("Opt2K"), true);
            return;
        }
        c.link.sendW();
        v.setVisible(kWindow, false);
        c.windows.showMain(true);
        c.stats.runActive = false;
        c.windows.setupMainForm();
        c.measure.logEnabled = false;
        c.windows.unloadMeasureWindow();
    });
}

void MeasureFrame::PROMxfr()
{
    CloneContext& c = w_.ctx;
    CoinTables& t = c.coins();
    const int pc = c.params.paramCount;
    w_.ctx.errors.trap(id::Transferring, [&] { clearTransferTables(t); });

    // The page the editor opens on, before anything is mapped: a Mars transfer with no segment
    // ticked ticks the first, which is then laid out and mapped like any other.
    TransferPage page;
    w_.ctx.errors.trap(id::Transferring, [&] {
        page = transferPage(c.mars(), t.segmentSelected);
        if (page.selectFirstSegment) {
            w_.view().setValue(QStringLiteral("chkSeg"), 1, 0);
            t.segmentSelected(0) = true;
        }
    });

    LimitsEditor* editor = nullptr;
    w_.ctx.errors.trap(id::Transferring, [&] {
        editor = &c.windows.limitsEditor();
        editor->selectBipolarProm();
        editor->view().setVisible(QStringLiteral("frmPROM"), true);
        w_.view().setVisible(kWindow, false);
        editor->setupfrmPROM();
    });
    t.slugCount = 0;

    w_.ctx.errors.trap(id::ParseRecords, [&] {
        for (const MapNotice& n : mapCoinsToChannels(t, t.clone.recordRow, pc)) {
            if (n.kind == MapNotice::Kind::ChannelOutOfRange) {
                c.errors.reportError(id::ParseRecords, plat::RuntimeError(plat::err::SubscriptOutOfRange,
                                                                          QStringLiteral("Subscript out of range")));
                continue;
            }
            const NoticeBox box = noticeBox(n, c.texts);
            c.svc.dialogs->msgBox(box.text, plat::mb::OKOnly | plat::mb::Exclamation, box.title);
        }
    });

    w_.ctx.errors.trap(id::Transferring, [&] {
        const ReferenceReport report = applyReferenceLimits(t, t.clone.refs, pc);
        if (!report.missing.empty()) {
            const NoticeBox box = missingReferenceBox(report, c.texts);
            c.svc.dialogs->msgBox(box.text, plat::mb::OKOnly | plat::mb::Exclamation, box.title);
        }
        if (!report.overflow.empty())
            throw plat::RuntimeError(6, QStringLiteral("Overflow"));
    });

    copyMechData();

    std::unique_ptr<MechFamily> family = c.family();
    t.clone.routingMapped = false;
    if (c.mars()) {
        mapMarsImage(*family, t, c.mem.images.progImage);
        c.limits.displayedSegment = page.displayedSegment;
    } else {
        mapCoinTableToProm(*family, 0);
        if (c.entry().cc.routing != CcRouting::None && !t.clone.wizardRun) {
            mapCcRouting(*family);
            t.clone.routingMapped = t.routingLoaded;
        }
        // The editor shows the first page: a page number left from an earlier job would
        // apply that page's grid to the coins of another.
        c.limits.displayedSegment = 0;
    }

    w_.ctx.errors.trap(id::Transferring, [&] {
        if (!editor)
            return;
        LimitsPage& grid = editor->page();
        const int cps = c.params.coinsPerSegment;
        for (int r = page.firstRow; r < page.firstRow + cps; ++r)
            for (int L = 1; L <= 2 * pc; ++L)
                grid.cellText[std::size_t((r - page.firstRow) * 2 * pc + L - 1)] = plat::str(t.coinLimitTable(r, L));
        grid.slugText = slugPanelTexts(t, pc);
        editor->render();
        editor->clearColors();
    });
    w_.ctx.errors.trap(id::Transferring, [&] {
        QString ref = w_.view().text(QStringLiteral("lblRefCode"));
        QString version = w_.view().text(QStringLiteral("lblVersion"));
        addCoinsetRefToImage(ref, version, c.entry(), t.segmentSelected, c.mem.images.progImage);
    });
    c.limits.limitsEdited = false;
    w_.ctx.errors.trap(id::Transferring, [&] {
        if (editor)
            editor->selectSegment(c.limits.displayedSegment);
    });
    w_.ctx.errors.trap(id::Transferring,
                       [&] { setPromChangeFlag(false, c.entry(), t.segmentSelected, c.mem.images.progImage); });
}

bool MeasureFrame::holdsWholeRead() const
{
    CloneContext& c = w_.ctx;
    // A Mars copy comes from oldImage, which only a complete read fills; CC copies readImage, NRI
    // the read tables.
    if (c.mars())
        return true;
    if (c.entry().isNri())
        return c.mem.nri.linesAreTheMechsOf(c.job.mechModel);
    return c.mem.images.holdsWholeMemoryOf(c.job.mechModel);
}

void MeasureFrame::copyMechData()
{
    CloneContext& c = w_.ctx;
    CloneState& s = c.clone();
    if (c.mars() && !s.keepExistingData) {
        s.mechReadMissing = false;
        return;
    }
    std::unique_ptr<MechFamily> family = c.family();
    // The copy comes from a whole read of the mech in the box: a memory window opened from the
    // editor may have read it again since, and stopped part way.
    if (s.oldImageTaken && !holdsWholeRead())
        s.oldImageTaken = false;
    if (s.oldImageTaken) {
        copyPromToCoinTable(*family);
        s.mechReadMissing = false;
        return;
    }
    if (c.mars() && c.message(c.text(id::CopyProm) + QStringLiteral("\r\n\r\n") + c.text(id::SwitchesForCopy),
                              plat::mb::OKCancel, id::CopyPromTitle) != plat::mb::OK) {
        // Whatever sits in the socket is not the old PROM the user was asked for: nothing is read
        // or copied, and the channels that keep its windows wait for a Restore Limits that does.
        s.mechReadMissing = true;
        return;
    }
    w_.ctx.errors.trap(id::Transferring, [&] {
        c.link.sendJ();
        const ReadState read = readMechMemory(c.mech);
        // Kept channels take the windows of a complete read only: a read that stopped part way
        // would give them zeros or another mech's leftovers.
        s.mechReadMissing = !read.complete;
        if (read.complete) {
            if (!c.entry().isNri())
                std::copy(c.mem.images.readImage.begin(), c.mem.images.readImage.end() - 1,
                          c.mem.images.oldImage.begin());
            copyPromToCoinTable(*family);
            s.oldImageTaken = true;
        }
        c.link.sendW();
    });
    if (c.mars())
        c.svc.dialogs->msgBox(c.text(id::RemoveOldProm), plat::mb::OKCancel, QString());
}

} // namespace quenby
