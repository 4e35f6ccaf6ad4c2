#pragma once
// The wizard panel of the coin measurement window and the wizard engine: Edit Limits hands the
// mech's present windows to the limits editor, Add/Replace Coin measures one coin anew, Slug Fix
// measures a coin and then slugs; each ends in the transfer. Also the PROM size options, the
// segment boxes and the segment, coin and line lists the panel and the window share.

#include <QString>
#include <QtGlobal>
#include <array>
#include <functional>

namespace quenby {

class CloneWizard;
struct WizardPanel;

class Wizards {
public:
    explicit Wizards(CloneWizard& w) : w_(w) {}

    void cmdSpecialUtilities_Click();
    void cmdCancelWizards_Click();
    void cmdEdit_Click();
    void cmdAddCoin_Click();
    void cmdSlugFix_Click();
    void chkSeg_Click(int index);
    void cmbSegment_Click();
    void cmbCoin_Click();
    void opt1K_Click();
    void Opt2K_Click();
    void fillSegmentList();
    void fillChannelLists();
    void fillMarsCoinNames(const QString& segment);

    // The PROM size option set from code, its click handler run as a click would.
    void selectPromSize(bool twoK);
    // The segment boxes chkSeg(0..3) as the window shows them.
    std::array<int, 4> segmentBoxes();

    // The engine: mode 1 Edit Limits, 2 Add/Replace Coin, 3 Slug Fix.
    void runWizard(int mode);

private:
    // A wizard button: the wizard's reference code and version shown, then the engine.
    void startWizard(int mode);
    void sizeOption(bool twoK);
    void nriSettings(int mode, qint32 n);
    void passes(int mode, qint32 n, const QString& coinText);
    void closingSteps();

    CloneWizard& w_;
};

} // namespace quenby
