#pragma once
// The limits editor's six commands: Change Limits applies the edited page to coinLimitTable and
// the image, Restore Limits derives the windows again, the programming job writes the image into
// a Mars PROM, a CC EEPROM or an NRI memory and verifies it, PROM Utilities opens the family's
// data window, Validator Test opens the test from the editor and Back returns to the coin
// measurement window.

#include "quenby/clonewizard/cointables.h"
#include "quenby/link/familytable.h"
#include "quenby/link/images.h"
#include "quenby/memutils/limitsgrid.h"
#include "quenby/memutils/promimage.h"

#include <functional>
#include <optional>

namespace plat {
class View;
}

namespace quenby {

class CloneWizard;
class MechFamily;

// The limits editor window as its commands and the transfer reach it.
class LimitsEditor {
public:
    virtual ~LimitsEditor() = default;
    // frmPROM's controls, the window itself among them.
    virtual plat::View& view() = 0;
    // The page shown and edited; render() shows what was changed in it.
    virtual LimitsPage& page() = 0;
    virtual void render() = 0;
    virtual void setupfrmPROM() = 0;
    virtual void clearColors() = 0;
    virtual void checkOverlaps(int firstCoin) = 0;
    virtual void calcAcceptance(int firstCoin) = 0;
    virtual void selectSegment(int page) = 0;
    virtual void optSeg_Click(int index) = 0;
    virtual void selectBipolarProm() = 0;
    virtual void enableValidatorTest() = 0;
};

// The last segment a Mars job may write: 3 on a 2K PROM of a four-segment model, else 1.
int lastSegment(int promSize, const MechEntry& entry);

// The first selected segment (0..last) of which readImage holds a word that is not 0; -1 when
// every selected segment is blank.
int firstNonBlankSegment(const Image& readImage, const SegmentSelection& selected, int last, const MechEntry& entry);

// The duplicate box of a Mars job: words 0..127 into 128..255 and the windows of channels 1..6
// (parameters 1..3) into 7..12; segment 1 selected as well.
void duplicateFirstSegment(CoinTables& tables, Image& progImage);

// A Mars job's image from the coin set tables: the coin limit table into every selected segment
// of progImage, then on a model that keeps coin values in its PROM the ME181 layout.
void mapMarsImage(MechFamily& family, const CoinTables& tables, Image& progImage);

// A CC or NRI job's image from the coin limit table over the mech's words in readImage, with the
// coin set's CC routing words when the transfer wrote them.
void mapEepromImage(MechFamily& family, const CoinTables& tables);

// A CC EEPROM window opened from the limits editor closes: the editor's image is built again over
// the whole memory the mech holds now (read again when the window's last read did not give it),
// so the editor's programming keeps what the window wrote. When no whole read can be had the
// editor gets its own image back, and programs nothing until Restore Limits has read the mech.
void rebuildCcEditorImage(MechFamily& family, const Image& editorImage);

class LimitsCommands {
public:
    explicit LimitsCommands(CloneWizard& w) : w_(w) {}

    void cmdChangeLimits_Click();
    // Change Limits, also run by a page change and by programming with edits pending: the grid
    // of the page shown into coinLimitTable, the image rebuilt from it and the page redrawn.
    // False when the grid could not be stored: the table, the image and the edits stay as they
    // were.
    bool changeLimits();
    void cmdRestore_Click();
    void cmdProgPROM_Click();
    void cmdPROMutilities_Click();
    void cmdValtest_Click();
    void cmdBack1_Click();

private:
    // Whether the PROM was burnt and verified; none when a prompt was cancelled or a bipolar PROM
    // could not be read whole.
    std::optional<bool> programMars();
    bool programMemory();

    CloneWizard& w_;
};

} // namespace quenby
