#include "quenby/clonewizard/wizard.h"

#include "platform/vbtext.h"
#include "platform/view.h"
#include "quenby/clonewizard/clonewizard.h"
#include "quenby/clonewizard/measurelog.h"
#include "quenby/clonewizard/wizardlists.h"
#include "quenby/memutils/promimage.h"
#include "quenby/shell/texts.h"

namespace quenby {

namespace {

namespace id {
constexpr int SegmentsChecked = 400;
constexpr int CancellingWizard = 404;
constexpr int Wizard = 429;
constexpr int OneK = 439;
constexpr int TwoK = 440;
constexpr int CoinList = 441;
constexpr int CoinName = 442;
constexpr int SegmentList = 443;
constexpr int WizardCaption = 471;
constexpr int CancelOperation = 472;
} // namespace id

constexpr int kWizardCoins = 20;
} // namespace

std::array<int, 4> Wizards::segmentBoxes()
{
    std::array<int, 4> boxes{};
    for (int s = 0; s < 4; ++s)
        boxes[std::size_t(s)] = w_.view().value(QStringLiteral("chkSeg"), s);
    return boxes;
}

// ---- the panel ------------------------------------------------------------------------------------

void Wizards::cmdSpecialUtilities_Click()
{
    CloneContext& c = w_.ctx;
    w_.ctx.errors.trap(id::Wizard, [&] {
        plat::View& v = w_.view();
        v.setText(QStringLiteral("lblWizardMechType"), c.job.mechModel);
        v.setVisible(QStringLiteral("frmMeasurements"), false);
        v.setVisible(QStringLiteral("frmWizards"), true);
        for (int s = 0; s < 4; ++s)
            v.setEnabled(QStringLiteral("chkSeg"), false, s);
        for (const char* name : {"opt1K", "Opt2K", "cmdBack", "cmdOpenCoinset", "cmdSpecialUtilities"})
            v.setEnabled(QString::fromLatin1(name), false);
        const WizardQuirks q = c.entry().wizard;
        const WizardPanel panel = wizardPanel(q, c.texts);
        v.setText(QStringLiteral("lblPROMseg"), panel.rowLabel);
        v.setVisible(QStringLiteral("cmbSegment"), panel.segmentListVisible);
        v.setText(QStringLiteral("lblChannel"), panel.channelLabel);
        v.setVisible(QStringLiteral("lblChannel"), panel.channelLabelVisible);
        for (const char* name : {"lblInhibit", "cmbOutput", "cmbInhibit"})
            v.setVisible(QString::fromLatin1(name), panel.linesVisible);
        v.setVisible(QStringLiteral("lblValue1"), panel.valueVisible);
        v.setVisible(QStringLiteral("txtValue1"), panel.valueVisible);
        if (panel.valueVisible)
            v.setText(QStringLiteral("txtValue1"), panel.valueText);
        c.windows.layOutWizardPanel(panel);
        if (panel.select2K)
            selectPromSize(true);
    });
    w_.ctx.errors.trap(id::Wizard, [&] { fillSegmentList(); });
    w_.ctx.errors.trap(id::Wizard, [&] { fillChannelLists(); });
    w_.ctx.errors.trap(id::Wizard, [&] { c.windows.showMain(false); });
}

void Wizards::cmdCancelWizards_Click()
{
    w_.ctx.errors.trap(id::CancellingWizard, [&] {
        plat::View& v = w_.view();
        v.setVisible(QStringLiteral("frmWizards"), false);
        v.setVisible(QStringLiteral("frmMeasurements"), true);
        if (w_.ctx.mars()) {
            for (int s = 0; s < 4; ++s)
                v.setEnabled(QStringLiteral("chkSeg"), true, s);
            v.setEnabled(QStringLiteral("opt1K"), true);
            v.setEnabled(QStringLiteral("Opt2K"), true);
        }
        for (const char* name : {"cmdOpenCoinset", "cmdBack", "cmdSpecialUtilities"})
            v.setEnabled(QString::fromLatin1(name), true);
    });
}

void Wizards::cmdEdit_Click() { startWizard(kEditLimits); }
void Wizards::cmdAddCoin_Click() { startWizard(kAddCoin); }
void Wizards::cmdSlugFix_Click() { startWizard(kSlugFix); }

void Wizards::startWizard(int mode)
{
    w_.view().setText(QStringLiteral("lblRefCode"), kWizardRefCode);
    w_.view().setText(QStringLiteral("lblVersion"), wizardVersion(mode));
    runWizard(mode);
}

void Wizards::chkSeg_Click(int)
{
    w_.ctx.errors.trap(id::SegmentsChecked, [&] {
        readSegmentChecks(segmentBoxes(), w_.ctx.coins().segmentSelected);
        fillChannelLists();
    });
}

void Wizards::cmbSegment_Click() { fillChannelLists(); }

void Wizards::cmbCoin_Click()
{
    plat::View& v = w_.view();
    const WizardQuirks q = w_.ctx.entry().wizard;
    const std::optional<int> line = presetLineIndex(q, v.text(QStringLiteral("cmbCoin")));
    if (!line)
        return;
    for (const char* name : {"cmbOutput", "cmbInhibit"}) {
        const QStringList items = v.items(QString::fromLatin1(name));
        if (*line < items.size())
            v.setText(QString::fromLatin1(name), items[*line]);
    }
}

void Wizards::sizeOption(bool twoK)
{
    const SizeOption o = quenby::sizeOption(twoK);
    plat::View& v = w_.view();
    CoinTables& t = w_.ctx.coins();
    for (int s = 0; s < 4; ++s)
        v.setValue(QStringLiteral("chkSeg"), o.boxes[std::size_t(s)], s);
    for (int s = 0; s < 4; ++s)
        t.segmentSelected(s) = o.segmentSelected[std::size_t(s)];
    w_.ctx.mem.promSize = o.promSize;
    // Each box set runs its click in the window's design, which rebuilds the coin list.
    fillChannelLists();
}

void Wizards::opt1K_Click()
{
    w_.ctx.errors.trap(id::OneK, [&] { sizeOption(false); });
}

void Wizards::Opt2K_Click()
{
    w_.ctx.errors.trap(id::TwoK, [&] { sizeOption(true); });
}

void Wizards::selectPromSize(bool twoK)
{
    w_.view().setValue(twoK ? QStringLiteral("Opt2K") : QStringLiteral("opt1K"), 1);
    if (twoK)
        Opt2K_Click();
    else
        opt1K_Click();
}

void Wizards::fillSegmentList()
{
    w_.ctx.errors.trap(id::SegmentList, [&] {
        plat::View& v = w_.view();
        const WizardQuirks q = w_.ctx.entry().wizard;
        const QStringList items = segmentList(segmentBoxes(), v.value(QStringLiteral("Opt2K")) == 1, q);
        v.setItems(QStringLiteral("cmbSegment"), items);
        if (!items.isEmpty())
            v.setText(QStringLiteral("cmbSegment"), items.first());
    });
}

void Wizards::fillMarsCoinNames(const QString& segment)
{
    w_.ctx.errors.trap(id::CoinName, [&] {
        const WizardQuirks q = w_.ctx.entry().wizard;
        w_.view().setItems(QStringLiteral("cmbCoin"), coinList(q, segment, 0));
    });
}

void Wizards::fillChannelLists()
{
    w_.ctx.errors.trap(id::CoinList, [&] {
        plat::View& v = w_.view();
        const WizardQuirks q = w_.ctx.entry().wizard;
        v.setItems(QStringLiteral("cmbCoin"), {});
        if (q.mars)
            fillMarsCoinNames(v.text(QStringLiteral("cmbSegment")));
        else
            v.setItems(QStringLiteral("cmbCoin"), coinList(q, {}, w_.ctx.params.coinCount));
        const QStringList coins = v.items(QStringLiteral("cmbCoin"));
        if (!coins.isEmpty())
            v.setText(QStringLiteral("cmbCoin"), coins.first());
        for (const char* name : {"cmbOutput", "cmbInhibit"}) {
            v.setItems(QString::fromLatin1(name), lineList());
            v.setText(QString::fromLatin1(name), lineList().first());
        }
    });
}

// ---- the engine -----------------------------------------------------------------------------------

void Wizards::runWizard(int mode)
{
    CloneContext& c = w_.ctx;
    CoinTables& t = c.coins();
    const JobState::Run run(c.job);
    bool started = false;
    // A run-time error anywhere in the engine is reported and the closing steps follow.
    const bool ran = c.errors.trap(id::Wizard, [&] {
        plat::View& v = w_.view();
        c.mem.startMechJob();
        const QString coinText = v.text(QStringLiteral("cmbCoin"));
        v.setText(QStringLiteral("lblCoin"), coinText);
        c.mem.promSize = v.value(QStringLiteral("Opt2K")) == 1 ? 1 : 0;

        if (c.mars()) {
            readSegmentChecks(segmentBoxes(), t.segmentSelected);
            startMarsMeasuring(c, c.job.mechModel);
        }
        v.setVisible(QStringLiteral("frmMeasurements"), true);
        v.setVisible(QStringLiteral("frmWizards"), false);
        clearImageBuffers(c.mem.images);
        c.measure.logEnabled = false;
        if (v.value(QStringLiteral("chkLog")) == 1) {
            c.measure.logEnabled = true;
            if (!w_.run.openLogFile()) {
                c.measure.logEnabled = false;
                return;
            }
        }

        showPromLimits(v, c.params.paramCount, c.texts);
        v.setText(QStringLiteral("frmCoinMeasure1"), c.text(id::WizardCaption));
        v.setEnabled(QStringLiteral("cmdBack"), true);
        v.setText(QStringLiteral("cmdBack"), c.text(id::CancelOperation));
        t.clone.wizardRun = true;
        c.stats.runActive = true;
        v.setEnabled(QStringLiteral("cmdOpenCoinset"), false);
        v.setEnabled(QStringLiteral("cmdSpecialUtilities"), false);
        c.link.sendJ();
        started = true;

        const WizardQuirks q = c.entry().wizard;
        const qint32 n = coinnumber(coinText);
        t.coinValueMultiple = 1;
        if (q.twoSegmentsOnly && mode == kAddCoin)
            t.coinValues(n) = plat::cLng(plat::val(v.text(QStringLiteral("txtValue1"))));
        t.coinLink = wizardLinks(q, c.mem.promSize, mode, n);
        t.clone.keepExistingData = true;
        if (!c.job.userAbort)
            w_.run.log({logWizardRow(mode)});

        if (c.entry().isNri())
            nriSettings(mode, n);

        if (c.mars() && c.measure.logEnabled) {
            readMarsIdles(c);
            const LinkState& st = c.link.state();
            w_.run.log({logIdlesRow(st.idleValues)});
        }

        t.clone.recordRow = 0;
        if (mode > kEditLimits && !c.job.userAbort)
            passes(mode, n, coinText);

        c.measure.logEnabled = false;
        c.stats.updateStats(1);
        v.setText(QStringLiteral("lblCoin"), QString());
        v.setText(QStringLiteral("lblDescription"), QString());
        v.setText(QStringLiteral("lblNumber"), QString());
        v.setEnabled(QStringLiteral("cmdBack"), true);
        if (q.tubeValues)
            for (int k = 13; k <= 16; ++k)
                t.coinValues(k) = c.mem.nri.mechCoinValues[std::size_t(k)];
        if (!c.job.userAbort)
            w_.frame.PROMxfr();
    });
    if (!started && ran) {
        // No log file: the wizard has not begun, and the window returns to its opening state
        // rather than staying with every button disabled.
        w_.frame.CoinInitialise(0);
        return;
    }
    closingSteps();
}

void Wizards::nriSettings(int mode, qint32 n)
{
    CloneContext& c = w_.ctx;
    CoinTables& t = c.coins();
    plat::View& v = w_.view();
    const ReadState read = readMechMemory(c.mech);
    t.coinValueMultiple = c.mem.nri.coinValueMultipleRead;
    c.measurement.remapCoinTables();
    const WizardQuirks q = c.entry().wizard;
    if (q.paramSlots)
        for (int p = 1; p <= 6; ++p)
            c.mem.nriCoin.nriCoinParams.at(std::size_t(n)).at(std::size_t(p)) = (*q.paramSlots)[std::size_t(p - 1)];
    // The transfer reads the mech again when this read did not get all of it.
    t.clone.oldImageTaken = read.complete;
    t.coinValueMultiple = usableMultiple(t.coinValueMultiple);
    t.coinValues(n) = plat::cLng(plat::val(v.text(QStringLiteral("txtValue1"))));
    if (mode == kAddCoin) {
        if (const std::optional<QString> refused = coinValueRefusal(t.coinValues(n), t.coinValueMultiple, c.texts)) {
            c.job.stop();
            c.message(*refused, plat::mb::OKOnly | plat::mb::Critical, kCoinValueTitleId);
        }
    }
    if (mode == kAddCoin && q.nriLines) {
        t.coinOutputs(n) = outputMask(plat::cLng(plat::val(v.text(QStringLiteral("cmbOutput")))));
        c.mem.nriCoin.nriCoinValues.at(std::size_t(n)) = plat::cLng(plat::val(v.text(QStringLiteral("cmbInhibit"))));
    }
}

void Wizards::passes(int mode, qint32 n, const QString& coinText)
{
    CloneContext& c = w_.ctx;
    CoinTables& t = c.coins();
    plat::View& v = w_.view();
    const int pc = c.params.paramCount;
    for (int pass = 1; pass <= wizardPassCount(mode) && !c.job.userAbort; ++pass) {
        c.stats.updateStats(1);
        c.measure.samplesLeft = kWizardCoins;
        v.setText(QStringLiteral("lblNumber"), plat::str(kWizardCoins));
        applyPassSettings(c.stats.stats, c.stats.flierTolerance, pc, c.entry().limits, pass == 2);
        w_.frame.showLimitSources();
        const WizardPass wp = wizardPass(mode, pass, c.texts);
        v.setText(QStringLiteral("lblDescription"), wp.description);
        c.stats.stats.recordMode = wp.recordMode;
        c.stats.updateDisplay(wp.recordMode);
        if (!wp.gathers)
            continue;
        c.svc.dialogs->msgBox(wp.prompt, plat::mb::OKOnly, QString());
        if (!c.job.userAbort)
            w_.run.log(logRecordRows(wp.description, coinText, c.params.paramNames, pc));
        w_.run.gatherSamples(n);
        if (c.job.userAbort)
            break;
        w_.run.storeRecord(wizardRowMode(t.clone.recordRow), n, wp.storesLimits);
        c.svc.dialogs->msgBox(wp.closing, plat::mb::OKOnly, QString());
    }
}

void Wizards::closingSteps()
{
    CloneContext& c = w_.ctx;
    plat::View& v = w_.view();
    w_.ctx.errors.trap(id::Wizard, [&] {
        c.link.sendW();
        v.setEnabled(QStringLiteral("cmdOpenCoinset"), true);
        v.setEnabled(QStringLiteral("cmdSpecialUtilities"), true);
    });
    c.stats.runActive = false;
    c.stats.updateDisplay(1);
    c.measure.logEnabled = false;
    if (c.job.userAbort) {
        w_.frame.CoinInitialise(0);
        c.stats.runActive = false;
    }
}

} // namespace quenby
