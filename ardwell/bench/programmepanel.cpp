#include "ardwell/bench/programmepanel.h"

#include "ardwell/bench/clearing.h"
#include "ardwell/bench/coinsettings.h"
#include "ardwell/bench/wordmap.h"
#include "ardwell/bench/lamps.h"
#include "ardwell/link/eepromjob.h"
#include "ardwell/link/link.h"
#include "ardwell/link/linkstate.h"
#include "platform/dialogs.h"
#include "platform/runtimeerror.h"
#include "platform/view.h"

namespace ardwell {

namespace {

constexpr quint32 kRed = 0x0000FF;
constexpr quint32 kWhite = 0xFFFFFF;

const QString kLaunchContext = QStringLiteral("Error Launching Programme routine : ");
const QString kProgContext = QStringLiteral("Error Programming Mech button routine : ");
const QString kWindowsContext = QStringLiteral("Error Updating Coin Windows display routine : ");
const QString kClearContext = QStringLiteral("Error Clearing Coin Windows routine : ");

} // namespace

TwipsRect coinLampRect(int i) { return {360 + 360 * i, 600, 135, 135}; }

TwipsRect coinLampLabelRect(int i) { return {240 + 360 * i, 240, 375, 255}; }

LearningOptions learningOptions(const plat::View& v)
{
    LearningOptions o;
    o.model = currentModel(v);
    if (v.value(QStringLiteral("optOld")))
        o.discrim = DiscrimType::Type2;
    else if (v.value(QStringLiteral("optOld2")))
        o.discrim = DiscrimType::Type3;
    else if (v.value(QStringLiteral("optOld3")))
        o.discrim = DiscrimType::Type4;
    else
        o.discrim = DiscrimType::Type1;
    if (v.value(QStringLiteral("optWindow1")))
        o.performance = Performance::Standard;
    else if (v.value(QStringLiteral("optWindow2")))
        o.performance = Performance::Tight;
    else
        o.performance = Performance::VeryTight;
    if (v.value(QStringLiteral("optStandard")))
        o.coinType = CoinType::Standard;
    else if (v.value(QStringLiteral("OptbiMetallic")))
        o.coinType = CoinType::BiMetallic;
    else
        o.coinType = CoinType::BiMetallic2;
    return o;
}

ProgrammePanel::ProgrammePanel(Link& link, plat::View& view, EepromJob& job, BenchState& bench, TestPanelState& reports,
                                const plat::Services& services)
    : link_(link), view_(view), job_(job), st_(link.state()), bench_(bench), reports_(reports), svc_(services)
{
}

Model ProgrammePanel::model() const { return currentModel(view_); }

int ProgrammePanel::box(const QString& text, int style, const QString& title)
{
    return svc_.dialogs->msgBox(text, style, title);
}

// ---- Layout, controls and lamps ----

void ProgrammePanel::setupProgrammePanel()
{
    plat::View& v = view();
    const ProgrammeLayout l = programmeLayout(model());
    // A module type counts only for the model whose panel shows it: chosen for a 126, it would
    // scale another model's HFD window where the user cannot see it.
    if (!modelEntry(model()).discrimFrameShown) {
        for (const char* o : {"optOld", "optOld2", "optOld3"})
            v.setValue(QString::fromLatin1(o), 0);
        v.setValue(QStringLiteral("optNormal"), 1);
    }
    for (const char* f : {"txtCoinValueP", "lblCV", "lblSFP", "lblSF"})
        v.setVisible(QString::fromLatin1(f), l.coinValueShown);
    if (placeProgrammedFrame)
        placeProgrammedFrame(l.frameLeft, l.frameWidth);
    for (int i = 0; i < 16; ++i) {
        v.setText(QStringLiteral("lblWind"), QString::number(i + 1), i);
        v.setVisible(QStringLiteral("shpCoinWindow"), i < l.lampCount, i);
        v.setVisible(QStringLiteral("lblWind"), i < l.lampCount, i);
    }
}

void ProgrammePanel::enableProgrammeControls(bool enabled)
{
    // The 340's coin value box with them: a value typed while a job works on the image would be
    // lost under it.
    for (const char* c : {"cmdCoinData", "cmdClearWindows", "cmdProg", "cmdExitProgramme", "cmdClearOne",
                          "cmbCoinNumber", "cmbCoinCount", "txtCoinValueP"})
        view().setEnabled(QString::fromLatin1(c), enabled);
}

void ProgrammePanel::updateCoinWindows()
{
    plat::trap(
        [&] {
            const Model m = model();
            // The lamps of the listed channels: a PCA shows 16 but colours 1..12.
            for (int idx = 0; idx < modelEntry(m).listedChannels; ++idx)
                view().setFill(QStringLiteral("shpCoinWindow"),
                               recordProgrammed(job_.image, m, idx) ? kRed : kWhite, idx);
            if (programmeLayout(m).coinValueShown)
                showCoinValue();
        },
        [&](const std::exception& e) { link_.showError(kWindowsContext, e); });
}

void ProgrammePanel::showCoinValue()
{
    const int idx = view().value(QStringLiteral("cmbCoinNumber"));
    if (idx < 0)
        return; // no channel chosen: nothing to show
    view().setText(QStringLiteral("txtCoinValueP"), QString::number(coinValueByte(job_.image, idx)));
    view().setText(QStringLiteral("lblSFP"), QString::number(scalingFactor(job_.image)));
}

void ProgrammePanel::cmbCoinNumber_Click()
{
    if (programmeLayout(model()).coinValueShown)
        showCoinValue();
}

void ProgrammePanel::txtCoinValueP_Change()
{
    const int idx = view().value(QStringLiteral("cmbCoinNumber"));
    // Kept to the byte: 999 stores 255, a negative or empty box 0.
    setCoinValueByte(job_.image, idx, fieldNumber(view().text(QStringLiteral("txtCoinValueP")), 255));
    job_.markModified();
}

// ---- Clearing windows ----

void ProgrammePanel::cmdClearOne_Click()
{
    plat::trap(
        [&] {
            const Model m = model();
            const int coin = view().value(QStringLiteral("cmbCoinNumber")) + 1;
            const std::optional<QString> question = clearOneQuestion(m, coin);
            if (!question)
                return; // no channel chosen: nothing to clear, nothing to ask
            if (box(*question, plat::mb::OKCancel | plat::mb::Exclamation, kConfirmTitle) != plat::mb::OK)
                return;
            clearOneChannel(job_.image, m, coin);
            job_.markModified();
            updateCoinWindows();
        },
        [&](const std::exception& e) { link_.showError(kClearContext, e); });
}

void ProgrammePanel::cmdClearWindows_Click()
{
    plat::trap(
        [&] {
            if (box(kClearAllQuestion, plat::mb::OKCancel | plat::mb::Exclamation, kConfirmTitle) != plat::mb::OK)
                return;
            clearAllChannels(job_.image, model());
            job_.markModified();
            updateCoinWindows();
        },
        [&](const std::exception& e) { link_.showError(kClearContext, e); });
}

// ---- Entering programme mode and writing ----

void ProgrammePanel::cmdProgramme_Click()
{
    plat::View& v = view();
    bool ok = false;
    plat::trap(
        [&] {
            enableMainButtons(view(), false);
            setupProgrammePanel();
            v.setValue(QStringLiteral("optWindow1"), 1);
            enableProgrammeControls(false);
            link_.mechPower(true);
            ok = job_.readMechEeprom();
        },
        [&](const std::exception& e) { link_.showError(kLaunchContext, e); });
    if (!ok) {
        plat::trap(
            [&] {
                box(QStringLiteral("Checksum Error reading EEPROM"), plat::mb::Information | plat::mb::OKOnly,
                    QStringLiteral("Error"));
                v.setVisible(QStringLiteral("lblProgress"), false);
                v.setVisible(QStringLiteral("prgProg"), false);
                enableMainButtons(view(), true);
                link_.mechPower(false);
            },
            [&](const std::exception& e) { link_.showError(kLaunchContext, e); });
        return;
    }
    plat::trap(
        [&] {
            job_.autosaveEeprom();
            updateCoinWindows();
            enableProgrammeControls(true);
            for (const char* f : {"frmTest", "frmPCAtest", "frm340test", "frmMain1", "frmAdjust", "cmdCancelOp"})
                v.setVisible(QString::fromLatin1(f), false);
            v.setVisible(QStringLiteral("frmProgramme"), true);
            v.setVisible(QStringLiteral("frmOld"), modelEntry(model()).discrimFrameShown);
            v.setVisible(QStringLiteral("cmdExitProgramme"), true);
            v.setValue(QStringLiteral("cmbCoinNumber"), 0);
            cmbCoinNumber_Click();
            v.setValue(QStringLiteral("cmbCoinCount"), 2);
            v.setValue(QStringLiteral("optStandard"), 1);
            v.setValue(QStringLiteral("optWindow1"), 1);
        },
        [&](const std::exception& e) { link_.showError(kLaunchContext, e); });
}

void ProgrammePanel::cmdProg_Click()
{
    // The verify puts back the image it checked, and a written image counts as unchanged: a
    // coin value typed meanwhile would vanish from both. The box takes none until the job is done.
    const QString valueBox = QStringLiteral("txtCoinValueP");
    const bool valueBoxEnabled = view().isEnabled(valueBox);
    view().setEnabled(valueBox, false);
    plat::trap(
        [&] {
            const WriteResult result = job_.programmeMechCommand(0);
            link_.mechPower(false);
            if (st_.commsError || result == WriteResult::Failed)
                return; // the panel stays as it is, the changes pending
            enableMainButtons(view(), true);
            view().setVisible(QStringLiteral("lblSerNo"), false);
            view().setVisible(QStringLiteral("lblSN"), false);
            view().setVisible(QStringLiteral("frmMain1"), true);
            // Back in the main selection the mech is off: the panel goes with programme mode.
            view().setVisible(QStringLiteral("frmProgramme"), false);
        },
        [&](const std::exception& e) { link_.showError(kProgContext, e); });
    view().setEnabled(valueBox, valueBoxEnabled);
}

} // namespace ardwell
