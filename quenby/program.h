#pragma once
// The one program object of the first program: its services, link, texts, model parameters,
// the shared state of its windows, the seams a test may fill with a stand-in, and the windows
// themselves (built on first use).

#include "platform/gui/controls.h"
#include "platform/jobguard.h"
#include "platform/services.h"
#include "platform/view.h"
#include "quenby/clonewizard/clonecontext.h"
#include "quenby/clonewizard/coinmeasure.h"
#include "quenby/link/boxcheck.h"
#include "quenby/link/boxlink.h"
#include "quenby/link/familytable.h"
#include "quenby/link/linkstate.h"
#include "quenby/link/measurement.h"
#include "quenby/link/mechfamily.h"
#include "quenby/link/memorystate.h"
#include "quenby/memutils/limitsgrid.h"
#include "quenby/memutils/memoryjobs.h"
#include "quenby/seams.h"
#include "quenby/shell/texts.h"

#include <QString>
#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace plat {
class NamedControls;
}

namespace quenby {

class frmEEPROMdata;
class CloneWindows;
class CloneWizard;
class frmCoinMeasure1;
class frmMain;
class frmNRIdata;
class frmOpening;
class frmProgramming;
class frmPROM;
class frmPROMdata;
class frmValtest;

class Program {
public:
    explicit Program(plat::Services services);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // The start-up sequence (frmMain.Form_Load); returns once the menu is shown.
    void start();
    // Closes the port and whatever is open, then ends. In tests this throws plat::ProgramEnded.
    [[noreturn]] void endProgram(int code = 0);
    // Ends the program now, or once the job that is waiting has returned (Exit, close boxes).
    void requestExit();

private:
    // The dialogs every part of the program shows through: a job stopped by a lost port shows
    // nothing more.
    plat::JobDialogs jobDialogs_;

public:
    plat::Services svc;
    TextTable texts;
    ErrorReporter errors;
    // Every Qt handler of the program runs through it; job buttons through its runJob.
    plat::JobGuard guard;
    ModelParams params;
    // The family and model of the running job, and whether it measures or has been stopped.
    JobState job;
    LinkState state;
    std::unique_ptr<plat::SerialPort> port;
    BoxLink link;
    BoxCheck check;

    // The seams (see seams.h); a test replaces one with its stand-in.
    void setJobs(std::unique_ptr<MenuJobs> j) { jobs_ = std::move(j); }
    MenuJobs& jobs() { return *jobs_; }
    // The coin measurement window's operations as the launchers, the line dispatcher and the
    // measurement reach them. By default the program's own statistics (coinStats()) and window;
    // a test may put a stand-in in their place.
    void setCoinMeasure(std::unique_ptr<CoinMeasureWindow> w);
    CoinMeasureWindow& coinMeasure() { return *coinWindow_; }
    // The coin measurement window's statistics: "M" lines, samples, limits, fliers.
    CoinMeasure& coinStats() { return *coinStats_; }
    // The memory utilities' windows.
    void setMemoryWindows(std::unique_ptr<MemoryWindows> w) { memoryWindows_ = std::move(w); }
    MemoryWindows& memoryWindows() { return *memoryWindows_; }
    // Where the Mars PROM report is shown.
    void setPromDataView(std::unique_ptr<PromDataView> v) { promDataView_ = std::move(v); }
    PromDataView& promDataView() { return *promDataView_; }

    QString versionText = QStringLiteral("V1.00");
    int comPortNumber = 1;
    bool configLoaded = false;
    bool boxFound = false;
    bool debugView = false;
    // Images, NRI tables, coin set tables and the PROM choices the memory jobs share.
    MemoryState memory;
    // A data window was opened from the limits editor, so its Close returns there.
    bool fromPromWindow = false;
    // What the data windows keep between their jobs: the limits editor's image while a data
    // window opened from it is open.
    DataWindowState dataWindows;
    // The validator test was opened from the main window (else from the limits editor), and the
    // 1-based "Rejected" line of its layout (0: none).
    bool valtestFromMain = false;
    qint32 rejectLine = 0;
    // The measurement hand-over: current reading, samples left, keep-alive, measurement log.
    MeasureState measure;
    // The limits editor's edit flag, page shown and estimates.
    LimitsState limits;
    // Valid reading ranges of parameters 1..3.
    int rangeLow1 = 2, rangeHigh1 = 3000;
    int rangeLow2 = 2, rangeHigh2 = 3000;
    int rangeLow3 = 2, rangeHigh3 = 4000;

    frmMain& mainForm();
    frmOpening& openingForm();
    bool openingLoaded() const;
    void unloadOpening();
    frmProgramming& programmingForm();
    bool programmingLoaded() const;
    frmPROM& promForm();
    frmPROM* promIfLoaded() const;
    void unloadProm();
    frmValtest& valtestForm();
    frmValtest* valtestIfLoaded() const;
    void unloadValtest();
    frmPROMdata& promDataForm();
    frmPROMdata* promDataIfLoaded() const;
    void unloadPromData();
    frmEEPROMdata& eepromDataForm();
    frmEEPROMdata* eepromDataIfLoaded() const;
    void unloadEepromData();
    frmNRIdata& nriDataForm();
    frmNRIdata* nriDataIfLoaded() const;
    void unloadNriData();
    // What a data window's Close does after hiding itself: the menu back (setupMain), the
    // limits editor or the main window in front again, the editor's image given back (a CC
    // image mapped again over the mech's words as last read), "W".
    // Errors are reported under textId.
    void leaveDataWindow(int textId, bool setupMain);
    // The coin measurement window; its first use runs its Form_Load.
    frmCoinMeasure1& coinMeasureForm();
    frmCoinMeasure1* coinMeasureIfLoaded() const;
    void unloadCoinMeasure();

    // The logic of the coin measurement window and the limits editor's commands.
    CloneWizard& clone() { return *clone_; }

    // The mech families: command layers, logons, and the context their jobs run in. A job takes
    // its family with mech().forJob() once it has set mechFamily and mechModel.
    MechFamilies& mech() { return *mech_; }
    MechLayers& layers() { return mech_->layers; }
    // The memory jobs' progress window.
    plat::ProgressSink& progress() { return *progress_; }
    // Measurement acquisition of the job's family.
    Measurement& measurement() { return *measurement_; }

    // The control registry of every window the program has, by window name; windows not yet
    // loaded are built (hidden) for it.
    std::map<QString, plat::ControlNames> windowControls();

    QString programFolder() const;

private:
    template <class F>
    std::unique_ptr<plat::FormSlot<F>> addWindow(const QString& name);

    std::unique_ptr<LinkParsers> parsers_;
    std::unique_ptr<MechLogons> logons_;
    std::unique_ptr<MenuJobs> jobs_;
    std::unique_ptr<CoinMeasure> coinStats_;
    std::unique_ptr<CoinMeasureWindow> coinWindow_;
    std::unique_ptr<MemoryWindows> memoryWindows_;
    std::unique_ptr<PromDataView> promDataView_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    // Every window by name: its controls (the window built for them), and its hide when loaded.
    struct Window {
        QString name;
        std::function<const plat::NamedControls&()> controls;
        std::function<void()> hideIfLoaded;
    };
    std::vector<Window> windows_;
    std::unique_ptr<plat::FormSlot<frmMain>> main_;
    std::unique_ptr<plat::FormSlot<frmOpening>> opening_;
    std::unique_ptr<plat::FormSlot<frmProgramming>> programming_;
    std::unique_ptr<plat::FormSlot<frmPROM>> prom_;
    std::unique_ptr<plat::FormSlot<frmValtest>> valtest_;
    std::unique_ptr<plat::FormSlot<frmPROMdata>> promData_;
    std::unique_ptr<plat::FormSlot<frmEEPROMdata>> eepromData_;
    std::unique_ptr<plat::FormSlot<frmNRIdata>> nriData_;
    std::unique_ptr<plat::FormSlot<frmCoinMeasure1>> coinMeasure_;
    std::unique_ptr<plat::ProgressSink> progress_;
    std::unique_ptr<MechFamilies> mech_;
    std::unique_ptr<Measurement> measurement_;
    std::unique_ptr<CloneWindows> cloneWindows_;
    std::unique_ptr<CloneContext> cloneContext_;
    std::unique_ptr<CloneWizard> clone_;
};

} // namespace quenby
