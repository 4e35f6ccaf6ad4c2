#include "ardwell/bench/adjustpanel.h"

#include "ardwell/bench/clearing.h"
#include "ardwell/bench/wordmap.h"
#include "ardwell/bench/lamps.h"
#include "ardwell/link/eepromjob.h"
#include "ardwell/link/imagefile.h"
#include "ardwell/link/link.h"
#include "ardwell/link/linkstate.h"
#include "platform/dialogs.h"
#include "platform/runtimeerror.h"
#include "platform/textfile.h"
#include "platform/view.h"
#include "platform/vbtext.h"

#include <QFileInfo>
#include <algorithm>

namespace ardwell {

namespace {

const QString kDecodeContext = QStringLiteral("Error Decoding EEPROM routine : ");
const QString kEncodeContext = QStringLiteral("Error Encoding EEPROM routine : ");
const QString kSaveContext = QStringLiteral("Error Saving EEPROM routine : ");
const QString kLoadContext = QStringLiteral("Error Loading EEPROM File routine : ");

const char* const k340Only[] = {"lblCoinValue", "txtCoinValue",   "lblCSF",         "txtCSF",       "lblGP",
                                "txtgameprice", "opt1player",     "opt4Player",     "chkCoinMeter", "lblCMV",
                                "txtCMV",       "chkCreditInput", "lblExtCredit",   "txtExtCredit", "chkManualDispense",
                                "chkAlarm",     "chkBonus"};

// The controls "Write to Mech" and "Cancel Changes" disable, and a failed write enables again.
const char* const kPanelControls[] = {"cmdExitAdjust", "cmdCancelAdjust", "cmdLoosen",   "chkEnable",
                                      "CmdTighten",    "cmbChangeCoin",   "cmbInhibitLine", "cmbOutput",
                                      "txtBinary",     "cmbPlugDecode",   "cmbRoute"};

const char* const k340Checks[] = {"chkManualDispense", "chkCreditInput", "chkCoinMeter", "chkBonus", "chkAlarm"};

QString n(const char* name) { return QString::fromLatin1(name); }

std::array<bool*, 5> checkFields(Flags340& f)
{
    return {&f.manualDispense, &f.creditInput, &f.coinMeter, &f.bonus, &f.alarm};
}

} // namespace

QString percentText(int percent) { return plat::str(percent) + QLatin1Char('%'); }

void applyAdjustLayout(plat::View& v, Model m)
{
    const CoinFormat f = modelEntry(m).coinFormat;
    const bool credit = f == CoinFormat::Credit340, route = f == CoinFormat::Route560, bco = f == CoinFormat::Bco126;
    for (const char* c : k340Only)
        v.setVisible(n(c), credit);
    v.setVisible(QStringLiteral("cmbDefaultRoute"), false);
    v.setVisible(QStringLiteral("lblDefaultRoute"), false);
    v.setEnabled(QStringLiteral("cmbRoute"), true);
    for (int k = 0; k <= 3; ++k) {
        v.setVisible(QStringLiteral("lblB"), credit, k);
        v.setVisible(QStringLiteral("txtB"), credit, k);
    }
    v.setVisible(QStringLiteral("lblinhline"), !credit);
    v.setText(QStringLiteral("lblinhline"), route ? QStringLiteral("Coin Route") : QStringLiteral("Inhibit Line"));
    for (const char* c : {"lblOutput", "cmbOutput", "cmbInhibitLine", "lblBinary", "txtBinary"})
        v.setVisible(n(c), !credit && !route);
    for (const char* c : {"lblPlug", "cmbPlugDecode", "lblRoute", "cmbDefaultRoute", "lblDefaultRoute"})
        v.setVisible(n(c), bco);
    v.setVisible(QStringLiteral("cmbRoute"), bco || route);
    v.setEnabled(QStringLiteral("cmbRoute"), !route);
}

CoinSettings settingsFromView(const plat::View& v)
{
    CoinSettings s;
    s.enabled = v.value(QStringLiteral("chkEnable")) != 0;
    s.outputIndex = v.value(QStringLiteral("cmbOutput"));
    s.binaryText = v.text(QStringLiteral("txtBinary"));
    s.binaryEnabled = v.isEnabled(QStringLiteral("txtBinary"));
    s.inhibitLineIndex = v.value(QStringLiteral("cmbInhibitLine"));
    s.routeIndex = v.value(QStringLiteral("cmbRoute"));
    s.plugIndex = v.value(QStringLiteral("cmbPlugDecode"));
    s.defaultRouteIndex = v.value(QStringLiteral("cmbDefaultRoute"));
    s.coinValue = v.text(QStringLiteral("txtCoinValue"));
    s.scalingFactor = v.text(QStringLiteral("txtCSF"));
    s.gamePrice = v.text(QStringLiteral("txtgameprice"));
    s.flags.fourPlayer = v.value(QStringLiteral("opt4Player")) != 0;
    const auto fields = checkFields(s.flags);
    for (size_t i = 0; i < fields.size(); ++i)
        *fields[i] = v.value(n(k340Checks[i])) == 1;
    for (int k = 0; k <= 3; ++k)
        s.bonus[k] = v.text(QStringLiteral("txtB"), k);
    s.extCredit = v.text(QStringLiteral("txtExtCredit"));
    s.coinMeterValue = v.text(QStringLiteral("txtCMV"));
    return s;
}

void settingsToView(plat::View& v, Model m, const CoinSettings& s)
{
    v.setValue(QStringLiteral("chkEnable"), s.enabled ? 1 : 0);
    switch (modelEntry(m).coinFormat) {
    case CoinFormat::Lines330:
        v.setText(QStringLiteral("txtBinary"), s.binaryText);
        v.setValue(QStringLiteral("cmbOutput"), s.outputIndex);
        v.setEnabled(QStringLiteral("txtBinary"), s.binaryEnabled);
        v.setValue(QStringLiteral("cmbInhibitLine"), s.inhibitLineIndex);
        break;
    case CoinFormat::Route560: v.setValue(QStringLiteral("cmbRoute"), s.routeIndex); break;
    case CoinFormat::Credit340: {
        v.setText(QStringLiteral("txtCoinValue"), s.coinValue);
        v.setText(QStringLiteral("txtCSF"), s.scalingFactor);
        v.setText(QStringLiteral("txtgameprice"), s.gamePrice);
        // The chosen one first: a set option button clears its partner.
        const QString on = s.flags.fourPlayer ? QStringLiteral("opt4Player") : QStringLiteral("opt1player");
        const QString off = s.flags.fourPlayer ? QStringLiteral("opt1player") : QStringLiteral("opt4Player");
        v.setValue(on, 1);
        v.setValue(off, 0);
        Flags340 f = s.flags;
        const auto fields = checkFields(f);
        for (size_t i = 0; i < fields.size(); ++i)
            v.setValue(n(k340Checks[i]), *fields[i] ? 1 : 0);
        for (int k = 0; k <= 3; ++k)
            v.setText(QStringLiteral("txtB"), s.bonus[k], k);
        v.setText(QStringLiteral("txtExtCredit"), s.extCredit);
        v.setText(QStringLiteral("txtCMV"), s.coinMeterValue);
        break;
    }
    case CoinFormat::Bco126:
        v.setText(QStringLiteral("txtBinary"), s.binaryText);
        v.setValue(QStringLiteral("cmbOutput"), s.outputIndex);
        v.setValue(QStringLiteral("cmbInhibitLine"), s.inhibitLineIndex);
        v.setValue(QStringLiteral("cmbRoute"), s.routeIndex);
        v.setValue(QStringLiteral("cmbPlugDecode"), s.plugIndex);
        v.setValue(QStringLiteral("cmbDefaultRoute"), s.defaultRouteIndex);
        break;
    case CoinFormat::None: break;
    }
}

AdjustPanel::AdjustPanel(Link& link, plat::View& view, EepromJob& job, BenchState& bench,
                          const plat::Services& services)
    : link_(link), view_(view), job_(job), st_(link.state()), bench_(bench), svc_(services)
{
}

Model AdjustPanel::model() const { return currentModel(view_); }

int AdjustPanel::box(const QString& text, int style, const QString& title)
{
    return svc_.dialogs->msgBox(text, style, title);
}

void AdjustPanel::markPending() { bench_.pendingAdjustCoin = view().text(QStringLiteral("cmbChangeCoin")); }

void AdjustPanel::showPercent() { view().setText(QStringLiteral("lblWindow"), percentText(bench_.windowPercent)); }

void AdjustPanel::setControlsEnabled(bool on)
{
    for (const char* c : kPanelControls)
        view().setEnabled(n(c), on);
}

// ---- The image and the panel ----

void AdjustPanel::decodeEeprom()
{
    plat::trap(
        [&] {
            const Model m = model();
            CoinSettings s = settingsFromView(view());
            // The blank item (and any text that names no coin of the model) shows nothing.
            if (decodeCoin(job_.image(), m, coinNumberOf(view().text(QStringLiteral("cmbChangeCoin"))), s,
                           bench_.heldWindow))
                settingsToView(view(), m, s);
        },
        [&](const std::exception& e) { link_.showError(kDecodeContext, e); });
}

bool AdjustPanel::encodeEeprom()
{
    bool stored = true;
    const auto failed = [&](const std::exception& e) {
        stored = false;
        link_.showError(kEncodeContext, e);
    };
    plat::trap(
        [&] {
            if (bench_.pendingAdjustCoin.isEmpty())
                return;
            const Model m = model();
            CoinSettings s = settingsFromView(view());
            // The held window goes in as a copy: a second store of the same coin scales the
            // window as read, never the window already scaled.
            job_.storeCoinSettings(coinNumberOf(bench_.pendingAdjustCoin), s, bench_.heldWindow,
                                   bench_.windowPercent, failed);
            if (modelEntry(m).coinFormat == CoinFormat::Lines330)
                view().setText(QStringLiteral("txtBinary"), s.binaryText); // the code of the chosen line
        },
        failed);
    return stored;
}

// ---- Entering and leaving ----

void AdjustPanel::cmdAdjust_Click()
{
    plat::View& v = view();
    const Model m = model();
    applyAdjustLayout(v, m);
    enableMainButtons(view(), false);
    link_.mechPower(true);
    if (!job_.readMechEeprom()) {
        enableMainButtons(view(), true);
        link_.mechPower(false);
        return;
    }
    job_.autosaveEeprom();
    bench_.pendingAdjustCoin.clear();
    bench_.windowPercent = 100;
    showPercent();
    decodeEeprom();
    v.setValue(QStringLiteral("cmbChangeCoin"), 0);
    cmbChangeCoin_Click();
    setControlsEnabled(true);
    v.setEnabled(QStringLiteral("cmbRoute"), modelEntry(m).coinFormat != CoinFormat::Route560);
    v.setVisible(QStringLiteral("frmAdjust"), true);
    v.setVisible(QStringLiteral("frmMain1"), false);
}

void AdjustPanel::cmbChangeCoin_Click()
{
    if (!bench_.pendingAdjustCoin.isEmpty())
        encodeEeprom();
    decodeEeprom();
    markPending();
    bench_.windowPercent = 100;
    showPercent();
}

void AdjustPanel::cmbOutput_Click()
{
    markPending();
    view().setEnabled(QStringLiteral("txtBinary"), view().text(QStringLiteral("cmbOutput")) == QLatin1String("Bin"));
}

void AdjustPanel::cmbRoute_Change() { markPending(); }

void AdjustPanel::cmbDefaultRoute_Change() { markPending(); }

void AdjustPanel::cmdLoosen_Click()
{
    markPending();
    // Held to what a window can take: past 200 % every width is beyond its byte anyway, and
    // below 0 a width would turn negative.
    bench_.windowPercent = std::min(bench_.windowPercent + kWindowStep, kMaxWindowPercent);
    showPercent();
}

void AdjustPanel::CmdTighten_Click()
{
    markPending();
    bench_.windowPercent = std::max(bench_.windowPercent - kWindowStep, kMinWindowPercent);
    showPercent();
}

bool AdjustPanel::cmdExitAdjust_Click()
{
    plat::View& v = view();
    st_.commsError = false;
    setControlsEnabled(false);
    // A value the image cannot hold would leave its old value to be written and verified:
    // nothing goes to the mech until the panel holds what can be stored.
    if (!encodeEeprom()) {
        setControlsEnabled(true);
        return false;
    }
    // The write re-reads the mech's serial number first.
    if (job_.programmeMechCommand(1) == WriteResult::Written && !st_.commsError) {
        v.setVisible(QStringLiteral("lblSerNo"), false);
        v.setVisible(QStringLiteral("lblSN"), false);
        v.setVisible(QStringLiteral("frmMain1"), true);
        v.setVisible(QStringLiteral("frmAdjust"), false);
        link_.mechPower(false);
        enableMainButtons(view(), true);
        return true;
    }
    v.setVisible(QStringLiteral("frmAdjust"), true);
    v.setVisible(QStringLiteral("frmMain1"), false);
    setControlsEnabled(true);
    return false;
}

void AdjustPanel::cmdCancelAdjust_Click()
{
    plat::View& v = view();
    bench_.abortFlag = true;
    job_.dropChanges();
    setControlsEnabled(false);
    for (const char* c : {"frmAdjust", "lblSN", "lblSerNo"})
        v.setVisible(n(c), false);
    v.setVisible(QStringLiteral("frmMain1"), true);
    enableMainButtons(view(), true);
    link_.mechPower(false);
}

// ---- Image files ----

void AdjustPanel::cmdSave_Click()
{
    plat::trap(
        [&] {
            encodeEeprom();
            const QString chosen =
                svc_.dialogs->saveFileName(QStringLiteral("File Save"), QStringLiteral("*.txt"), svc_.env->programFolder());
            if (chosen.isEmpty())
                return;
            const QString path = imageSavePath(chosen);
            if (link_.fileExists(path) &&
                svc_.dialogs->askRisky(QStringLiteral("Overwrite Existing File"),
                                       plat::mb::OKCancel | plat::mb::Exclamation, QStringLiteral("Warning")) != plat::mb::OK)
                return;
            writeImageFile(path, job_.image());
        },
        [&](const std::exception& e) { link_.showError(kSaveContext, e); });
}

std::optional<QStringList> AdjustPanel::openImageFile(const QString& outcome)
{
    const QString chosen =
        svc_.dialogs->openFileName(QStringLiteral("File Open"), QStringLiteral("*.txt"), svc_.env->programFolder());
    if (chosen.isEmpty())
        return std::nullopt;
    const QString path = imageLoadPath(chosen);
    if (!link_.fileExists(path)) {
        box(QStringLiteral("Invalid Filename"), plat::mb::Critical | plat::mb::OKOnly, QStringLiteral("Error"));
        return std::nullopt;
    }
    // The whole file is read and checked before the image is touched: a file that cannot be
    // read, or is no image of this mech's words, leaves the image as it was.
    std::optional<ImageFileFault> fault = checkImageFileSize(QFileInfo(path).size());
    QStringList lines;
    if (!fault) {
        lines = plat::readLines(path).orThrow();
        fault = checkImageLines(lines, eepromTop(model()));
    }
    if (fault) {
        box(imageFileRefusal(path, *fault, outcome), plat::mb::Critical | plat::mb::OKOnly, QStringLiteral("Error"));
        return std::nullopt;
    }
    // Read by position, as every line is: the blanks the check let pass go first.
    for (QString& l : lines)
        l = l.trimmed();
    return lines;
}

void AdjustPanel::loadFromFile(const QString& outcome, const std::function<void(const QStringList&)>& apply)
{
    plat::trap(
        [&] {
            const std::optional<QStringList> lines = openImageFile(outcome);
            if (!lines)
                return;
            apply(*lines);
            // The file's windows replace the ones the percentage was to scale; a window saved
            // loosened is loosened already.
            bench_.windowPercent = 100;
            showPercent();
            decodeEeprom();
        },
        [&](const std::exception& e) { link_.showError(kLoadContext, e); });
}

void AdjustPanel::cmdLoad_Click()
{
    loadFromFile(QStringLiteral("Nothing loaded"),
                 [this](const QStringList& lines) { job_.loadFile(lines); });
}

void AdjustPanel::cmdCopyConfig_Click()
{
    loadFromFile(QStringLiteral("Nothing copied"),
                 [this](const QStringList& lines) { job_.copySettingsFrom(lines); });
}

} // namespace ardwell
