#pragma once
// The adjust panel: read the mech, show one coin's settings at a time (and a 340's credit
// settings), let the user change them and widen or narrow the coin's window, save and load
// image files, and write the result back to the mech.
//
// The settings go between the image and the panel's controls through CoinSettings; the panel
// only binds controls to it.

#include "ardwell/bench/benchstate.h"
#include "ardwell/bench/coinsettings.h"
#include "ardwell/bench/models.h"
#include "platform/services.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace plat {
class View;
}

namespace ardwell {

class EepromJob;
class Link;
struct LinkState;

constexpr int kMinWindowPercent = 0;
constexpr int kMaxWindowPercent = 200;
constexpr int kWindowStep = 2;

// " 100%", " 98%": the percentage as lblWindow shows it.
QString percentText(int percent);

// The panel's controls, shown and hidden for the model.
void applyAdjustLayout(plat::View& v, Model m);

// The panel's controls as CoinSettings, and back (the fields the model shows).
CoinSettings settingsFromView(const plat::View& v);
void settingsToView(plat::View& v, Model m, const CoinSettings& s);

class AdjustPanel {
public:
    AdjustPanel(Link& link, plat::View& view, EepromJob& job, BenchState& bench,
                const plat::Services& services);

    // "Adjust Settings".
    void cmdAdjust_Click();
    void cmbChangeCoin_Click();
    void cmbOutput_Click();
    void cmbRoute_Change();
    void cmbDefaultRoute_Change();
    void cmdLoosen_Click();
    void CmdTighten_Click();
    // "Write to Mech" (true when the panel was written and read back) and "Cancel Changes".
    bool cmdExitAdjust_Click();
    void cmdCancelAdjust_Click();
    // "Save to File" and "Load from File".
    void cmdSave_Click();
    void cmdLoad_Click();
    // "Copy Configuration": the settings words of a saved image file into this mech's image,
    // keeping its serial number and its coin windows; the panel shows the result. A copy carries
    // words 0..2, 5..14, 28..33 and 112 up of a 330, 340 or 560; 0..1, 4..11, 25..30 and 215 up
    // of a 126; nothing of a PCA. The write re-reads only the serial number's words (3 and 4; 2
    // and 3 on a 126), so every copied word reaches the mech as copied.
    void cmdCopyConfig_Click();

    // The coin named by cmbChangeCoin into the panel, and the panel into the pending coin
    // (false when a field could not be stored: reported, and the image keeps its old value).
    void decodeEeprom();
    bool encodeEeprom();

private:
    plat::View& view() { return view_; }
    Model model() const;
    int box(const QString& text, int style, const QString& title);
    void markPending();
    void showPercent();
    void setControlsEnabled(bool on);
    // Asks for an image file, reads it whole and checks it; none when the dialog was cancelled,
    // the file does not exist ("Invalid Filename" shown) or it is refused (its box ends with
    // outcome). A file that cannot be read raises.
    std::optional<QStringList> openImageFile(const QString& outcome);
    // Applies a chosen image file's lines to the image, then shows the result.
    void loadFromFile(const QString& outcome, const std::function<void(const QStringList&)>& apply);

    Link& link_;
    plat::View& view_;
    EepromJob& job_;
    LinkState& st_;
    BenchState& bench_;
    plat::Services svc_;
};

} // namespace ardwell
