#pragma once
// The coin measurement window's frame: its loading and captions, CoinInitialise for the job's
// family and model, Back / Cancel Operation, and PROMxfr, the last step of every coin set run
// and wizard, which turns the gathered records into coinLimitTable, keeps what the mech already
// holds, builds progImage and opens the limits editor on it.

#include "quenby/link/familytable.h"

#include <QString>
#include <array>
#include <functional>

namespace quenby {

class CloneWizard;

// Positions in twips of what CoinInitialise lays out for a model's parameter count.
struct MeasureLayout {
    int measurementsWidth = 0; // frmMeasurements
    std::array<int, 6> parameterLeft{};
    std::array<bool, 6> parameterVisible{};
    int windowWidth = 0;
};
MeasureLayout measureLayout(int paramCount);

// lblMfg of a family: its caption and back colour (0xBBGGRR).
struct MakerLabel {
    QString caption;
    quint32 backColour = 0;
};
MakerLabel makerLabel(Family family);

class MeasureFrame {
public:
    explicit MeasureFrame(CloneWizard& w) : w_(w) {}

    // The window is loaded: captions, CoinInitialise(0), the duplicate check box shown.
    void Form_Load();
    void setCaptions();
    // Mode 0: the window opened from outside (idle, laid out for the job's model); mode 1: after
    // a coin set header (the model of the set). Reported under 447; true when the window shows.
    bool CoinInitialise(int mode);
    // Back to the main window, or while a run or wizard is gathering, Cancel Operation.
    void cmdBack_Click();
    // The transfer into coinLimitTable, progImage and the limits editor. Reported under 424.
    void PROMxfr();

    // lblSrc of the record being gathered, from its limit sources.
    void showLimitSources();

private:
    void copyMechData();
    // The images or tables a kept channel's windows are copied from hold a whole read of the
    // job's model.
    bool holdsWholeRead() const;

    CloneWizard& w_;
};

} // namespace quenby
