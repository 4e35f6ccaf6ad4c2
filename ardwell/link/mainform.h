#pragma once
// The main window's start-up (Form_Load), its model choice and lists, and the write on leaving
// programme mode (ExitAndWrite), worked on the window's controls through plat::View: the window
// calls them and keeps only its widgets. Each step reports its own failure with its routine's
// context, and the next step runs all the same.

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
class MechJobs;
struct LinkState;
struct TestPanelState;

namespace ctx {
inline const QString FormLoad = QStringLiteral("Error Main Form Load routine : ");
inline const QString ExitAndWrite = QStringLiteral("Error Exiting Sub Mode routine : ");
inline const QString FormUnload = QStringLiteral("Error Form Unload routine : ");
} // namespace ctx

// The panels the jobs show, one at a time.
inline constexpr const char* kJobPanels[] = {"frmAdjust", "frmProgramme", "frmTest", "frmPCAtest", "frm340test"};

class MainForm {
public:
    MainForm(plat::View& view, Link& link, TestPanelState& panel, EepromJob& eeprom, const plat::Services& services);

    // commandLine: the arguments after the program name, joined by blanks. Reads the settings,
    // opens their port and asks the box who it is; the job buttons are enabled when it answers.
    void load(const QString& commandLine);
    // While load fills the port list and sets the port read from the settings.
    bool loading() const { return loading_; }
    // The first command-line word was the trace word: "Log Results" is offered.
    bool traceWordGiven() const { return traceWordGiven_; }

    // A model's option button was set: the caption, the bus addresses and (unless the model
    // keeps them) the lists of the panels.
    void modelChosen(Model m);
    void buildLists();
    // The hex code box follows the output line chosen.
    void calcBinary();

    // Leaving programme mode: the box back to idle and, when the user agrees, a modified image
    // written through the programme panel's steps (No drops the changes). False when the
    // changes are still pending: the write failed, and programme mode stays open.
    bool exitAndWrite(MechJobs& jobs);

    // EXIT and the close box, before the settings are saved: the changes pending for the mech,
    // of programme mode or of the adjust panel, are written when the user agrees (No drops
    // them), and without a port their loss is asked about. False when the program is to stay
    // open with the changes pending: their write failed (a box says so) or the user chose to.
    bool exitWithChanges(MechJobs& jobs);

private:
    void step(const QString& context, const std::function<void()>& fn);
    // The box back to idle ("%" twice) before the changes are asked about.
    void boxToIdle();
    // "Write New Data To Coin Mech": true on Yes.
    bool askToWrite();
    // The adjust panel's edits offered and, on Yes, written through its "Write to Mech"; false
    // when they are still pending after it. unstored: the coin shown could not be stored.
    bool writeAdjustEdits(MechJobs& jobs, bool unstored);

    plat::View& v_;
    Link& link_;
    LinkState& st_;
    TestPanelState& panel_;
    EepromJob& eeprom_;
    plat::Services svc_;
    bool loading_ = false;
    bool traceWordGiven_ = false;
};

} // namespace ardwell
