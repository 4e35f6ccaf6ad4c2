#pragma once
// The interfaces through which the link, the pre-job check, the main menu and the memory jobs
// reach the windows and family layers built after them, so that each can be tested with a
// stand-in. The program installs its own (program.cpp); a test puts a stand-in in their place
// (Program::setJobs, setCoinMeasure, setMemoryWindows, setPromDataView, BoxLink::setParsers,
// BoxCheck::setLogons). A method with a body is one a stand-in may leave out: it does nothing
// there (an opener: no window opened).

#include "quenby/link/linkstate.h"

#include <QByteArray>
#include <QString>
#include <optional>

namespace quenby {

// Where the receive side hands the lines and frames that belong to a job window.
class LinkParsers {
public:
    virtual ~LinkParsers() = default;
    // "V" and "*EV" lines (validator test).
    virtual void parseCoinAccepted(const QString& /*line*/) {}
    // "M" lines while a measurement runs (coin measurement window).
    virtual void loadMeasurement(const QString& /*line*/) {}
    // "R" lines (Mars PROM read).
    virtual void decodeMarsPromLine(const QString& /*line*/) {}
    // A CC EEPROM word frame, ";" and three bytes.
    virtual void parseCcWordReply(const CcFrame& /*frame*/) {}
    // A CC measurement frame; lastIndex is the index of its checksum byte.
    virtual void parseCcMeasureFrame(const CcFrame& /*frame*/, int /*lastIndex*/) {}
    // The CC mech asks for the next measurement (0x06 while measuring).
    virtual void requestCcMeasurement() {}
    // A collected NRI G10 report (validator test in G10 line mode).
    virtual void parseG10CoinAccepted(const QByteArray& /*report*/) {}
};

// The PROM data view (frmPROMdata) the Mars PROM report is shown in.
class PromDataView {
public:
    virtual ~PromDataView() = default;
    // Makes the view visible and returns the report it has chosen (the position in its list);
    // none when there is no view to show it in.
    virtual std::optional<int> showReportView() = 0;
    // The pane of what was read, and the pane of what will be programmed.
    virtual void setPanes(const QString& read, const QString& toProgram) = 0;
};

// The family layers' logons the pre-job check uses.
class MechLogons {
public:
    virtual ~MechLogons() = default;
    // True when the mech answered; what a logon raises the check reports.
    virtual bool ccLogon() = 0;
    virtual void ccLogoff() = 0;
    virtual bool nriLogon() = 0;
    virtual void resetProgrammerBox() = 0;
};

// The nine job buttons of the main window's family tabs.
class MenuJobs {
public:
    virtual ~MenuJobs() = default;
    virtual void cmdMars_Click() {}
    virtual void cmdValtest_Click() {}
    virtual void cmdPROMutilities_Click() {}
    virtual void cmdCCprog_Click() {}
    virtual void cmdCCValTest_Click() {}
    virtual void cmdCCprom_Click() {}
    virtual void cmdNRIprog_Click() {}
    virtual void cmdNRIvaltest_Click() {}
    virtual void cmdNRIprom_Click() {}
};

// The coin measurement window (frmCoinMeasure1): what the link, the measurement and the main
// menu's cloning jobs hand it.
class CoinMeasureWindow {
public:
    virtual ~CoinMeasureWindow() = default;
    // A Mars "M" sample line (the line dispatcher hands it on only while a measurement runs).
    virtual void loadMeasurement(const QString& /*line*/) {}
    // Mode 1 resets the record; any other mode takes one sample from currentReading.
    virtual void updateStats(int /*mode*/) {}
    // The "Program Mech" launchers: chkduplicate captioned, shown and unticked, then the window
    // opened by CoinInitialise(0). False when no window opened.
    virtual void setDuplicateCheck(const QString& /*caption*/) {}
    virtual bool CoinInitialise(int /*mode*/) { return false; }
};

// The memory utilities' windows the main menu opens and the validator test returns to. Each
// opener is false when no window opened.
class MemoryWindows {
public:
    virtual ~MemoryWindows() = default;
    // "PROM Utilities": frmPROMdata.setup(0), then formatMarsPromReport shows the PROM just read.
    virtual bool openPromData() { return false; }
    // "EEPROM Utilities": frmEEPROMdata.setup, then shown.
    virtual bool openEepromData() { return false; }
    // "Memory Utilities": frmNRIdata.setup, then shown.
    virtual bool openNriData() { return false; }
    // Back of a validator test: the limits editor's "Validator Test" button enabled again, and
    // the limits editor made visible when it opened the test. Nothing while it is not loaded.
    virtual void enablePromValtest() {}
    virtual void showPromWindow() {}
    // The limits editor's "PROM Utilities", once the editor has sent "J", read the mech where the
    // family needs it and set fromPromWindow: the family's data window set up as opened from the
    // editor (frmPROMdata.setup(1) with the PROM report, frmEEPROMdata.setup, frmNRIdata.setup)
    // and shown. False when none opened.
    virtual bool openFromLimitsEditor() { return false; }
    // The duplicate step of a CC or NRI coin set run: the mech programmed from a data file the
    // user picks (frmEEPROMdata.eeProgramme, frmNRIdata.NRIprogramme). True when it was.
    virtual bool eeProgramme() { return false; }
    virtual bool NRIprogramme() { return false; }
};

} // namespace quenby
