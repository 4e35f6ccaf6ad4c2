#pragma once
// The places where the first program's later jobs plug in, in one table. Each is an interface
// whose default says "not built yet" once (plat::notBuiltYet) and does nothing else, so an
// unfilled seam shows in a test and on standard error instead of passing silently. A job fills
// one by deriving from it and handing the program an instance (Program::setParsers, setLogons,
// setJobs); grep for the interface's name to find where.

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
    virtual void parseCoinAccepted(const QString& line);
    // "M" lines while a measurement runs (coin measurement window).
    virtual void loadMeasurement(const QString& line);
    // "R" lines (Mars PROM read).
    virtual void decodeMarsPromLine(const QString& line);
    // A CC EEPROM word frame, ";" and three bytes.
    virtual void parseCcWordReply(const CcFrame& frame);
    // A CC measurement frame; lastIndex is the index of its checksum byte.
    virtual void parseCcMeasureFrame(const CcFrame& frame, int lastIndex);
    // The CC mech asks for the next measurement (0x06 while measuring).
    virtual void requestCcMeasurement();
    // A collected NRI G10 report (validator test in G10 line mode).
    virtual void parseG10CoinAccepted(const QByteArray& report);
};

// The PROM data view (frmPROMdata) the Mars PROM report is shown in.
class PromDataView {
public:
    virtual ~PromDataView() = default;
    // Makes the view visible and returns the report it has chosen (the position in its list);
    // none when there is no view to show it in.
    virtual std::optional<int> showReportView();
    // The pane of what was read, and the pane of what will be programmed.
    virtual void setPanes(const QString& read, const QString& toProgram);
};

// The family layers' logons the pre-job check uses.
class MechLogons {
public:
    virtual ~MechLogons() = default;
    // True when the mech answered. The defaults raise run-time error 5, which the check reports.
    virtual bool ccLogon();
    virtual void ccLogoff();
    virtual bool nriLogon();
    virtual void resetProgrammerBox();
};

// The nine job buttons of the main window's family tabs.
class MenuJobs {
public:
    virtual ~MenuJobs() = default;
    virtual void cmdMars_Click();
    virtual void cmdValtest_Click();
    virtual void cmdPROMutilities_Click();
    virtual void cmdCCprog_Click();
    virtual void cmdCCValTest_Click();
    virtual void cmdCCprom_Click();
    virtual void cmdNRIprog_Click();
    virtual void cmdNRIvaltest_Click();
    virtual void cmdNRIprom_Click();
};

} // namespace quenby
