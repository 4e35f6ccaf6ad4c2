#pragma once
// The programme panel: entering programme mode (read the mech, back it up, show the panel laid
// out for the model with a lamp per channel), the coin data gathering run that learns a coin's
// window, the 340's coin value box, and "Write Data To Coin Mech".
//
// Works on the window through View; the frame positions, which View does not carry, go to the
// window through placeProgrammedFrame.

#include "ardwell/bench/benchstate.h"
#include "ardwell/bench/learning.h"
#include "ardwell/bench/models.h"
#include "platform/services.h"

#include <QString>
#include <functional>

namespace plat {
class View;
}

namespace ardwell {

class EepromJob;
class Link;
struct TestPanelState;
struct LinkState;

// ---- Layout of the programme panel, in twips (15 to a pixel) ----
constexpr int kTwipsPerPixel = 15;
constexpr int twipsToPixels(int twips) { return twips / kTwipsPerPixel; }

struct TwipsRect {
    int left = 0, top = 0, width = 0, height = 0;
};
// Lamp i of the row and its number label above it.
TwipsRect coinLampRect(int i);
TwipsRect coinLampLabelRect(int i);

// The programme panel's options as the learning reads them.
LearningOptions learningOptions(const plat::View& v);

class ProgrammePanel {
public:
    ProgrammePanel(Link& link, plat::View& view, EepromJob& job, BenchState& bench, TestPanelState& reports,
                   const plat::Services& services);

    // Tells the window where frmProgrammed goes (twips).
    std::function<void(int leftTwips, int widthTwips)> placeProgrammedFrame;

    // "Program Coin Mech".
    void cmdProgramme_Click();
    // "Write Data To Coin Mech": writes words 0..214 (126) or 0..127 and verifies.
    void cmdProg_Click();
    // "Start Coin Drop": one gathering run.
    void cmdCoinData_Click();
    // "CANCEL": only sets the flag the run's waits look at.
    void cmdCancelOp_Click() { bench_.abortFlag = true; }

    void setupProgrammePanel();
    void enableProgrammeControls(bool enabled);
    void updateCoinWindows();
    void showCoinValue();
    void cmbCoinNumber_Click();
    // The user's edit of the coin value box (never run when the program shows a value).
    void txtCoinValueP_Change();
    // "Clear One Channel" (the channel of cmbCoinNumber; none chosen: nothing happens) and
    // "Clear ALL Channels": after a confirmation, the windows go and the channels are inhibited
    // in the image; the next write takes it to the mech.
    void cmdClearOne_Click();
    void cmdClearWindows_Click();

    // The coin data log of the running run ("" when none is open).
    const QString& logPath() const { return logPath_; }

private:
    plat::View& view() { return view_; }
    Model model() const;
    int box(const QString& text, int style, const QString& title);
    // Asks for the coin data log and creates it. False when the run is not to start (the dialog
    // cancelled, an overwrite declined); a log that cannot be created is reported and the run
    // goes on without one.
    bool openLogFile();
    void writeLog(const QString& record);
    LogSink logSink();
    bool flierElimination();
    void learnAndProgramme();

    Link& link_;
    plat::View& view_;
    EepromJob& job_;
    LinkState& st_;
    BenchState& bench_;
    TestPanelState& reports_; // the coin readings the box reports
    plat::Services svc_;
    QString logPath_;
};

} // namespace ardwell
