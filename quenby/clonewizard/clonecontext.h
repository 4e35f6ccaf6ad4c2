#pragma once
// What the coin measurement window's logic (the coin set run, the wizards, the transfer) and
// the limits editor's commands reach: the program's services and state, the link and the mech
// families, and the windows they drive, each reached by name through a plat::View.
//
// The windows are the program's; CloneWindows is how this QtCore-only logic asks for them.

#include "platform/services.h"
#include "quenby/clonewizard/coinmeasure.h"
#include "quenby/link/boxlink.h"
#include "quenby/link/measurement.h"
#include "quenby/link/mechfamily.h"
#include "quenby/link/memorystate.h"
#include "quenby/memutils/limitsgrid.h"

#include <QString>
#include <functional>
#include <memory>

namespace plat {
class View;
}

namespace quenby {

class ErrorReporter;
class LimitsEditor;
struct MeasureLayout;
struct WizardPanel;
class MemoryWindows;
class TextTable;

class CloneWindows {
public:
    virtual ~CloneWindows() = default;
    // frmCoinMeasure1's controls, the window itself among them under its own name (caption and
    // visibility); loaded on first use.
    virtual plat::View& measureView() = 0;
    // Places the coin measurement window's frames for the model, and centres the window on the
    // screen's work area.
    virtual void layOutMeasureWindow(const MeasureLayout& layout) = 0;
    virtual void centreMeasureWindow() = 0;
    // Places the wizard panel's lists and value box for the family and model.
    virtual void layOutWizardPanel(const WizardPanel& panel) = 0;
    // Retires the coin measurement window (the next use finds it as designed).
    virtual void unloadMeasureWindow() = 0;
    // frmMain's controls, its visibility and its menu state.
    virtual plat::View& mainView() = 0;
    virtual void showMain(bool visible) = 0;
    virtual void setupMainForm() = 0;
    // The limits editor (frmPROM), loaded on first use, and its unloading.
    virtual LimitsEditor& limitsEditor() = 0;
    virtual void unloadLimitsEditor() = 0;
    // The validator test opened from the limits editor (openValidatorTest(1)) and shown.
    virtual void openValidatorTestFromEditor() = 0;
    // The memory utilities' windows.
    virtual MemoryWindows& memoryWindows() = 0;
};

struct CloneContext {
    plat::Services svc;
    const TextTable& texts;
    const ErrorReporter& errors;
    JobState& job;
    ModelParams& params;
    BoxLink& link;
    MechContext& mech;
    Measurement& measurement;
    MeasureState& measure;
    MemoryState& mem;
    LimitsState& limits;
    CoinMeasure& stats;
    CloneWindows& windows;
    // A data window was opened from the limits editor, so its Close returns there.
    bool& fromPromWindow;
    std::function<QString()> programFolder;

    QString text(int id) const;
    int message(const QString& body, int style, int titleId) const;
    // Whether the ordinary file exists; a failing search is reported in its own boxes.
    bool fileExists(const QString& path) const;
    // The job's family, chosen by its family and model now.
    std::unique_ptr<MechFamily> family() const;
    const MechEntry& entry() const;
    bool mars() const { return job.mechFamily == Family::Mars; }
    CoinTables& coins() const { return mem.coins; }
    CloneState& clone() const { return mem.coins.clone; }

    // The family table entry of the job's family and model, looked up when they change.
    mutable JobEntry entryCache{};
};

} // namespace quenby
