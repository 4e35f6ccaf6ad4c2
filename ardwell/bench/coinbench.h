#pragma once
// The coin bench: the programme panel, the adjust panel and the EEPROM job they share, and the
// test frames, behind the main window's job buttons. The window reaches the panels' handlers
// through it; leaving programme mode runs its steps directly.

#include "ardwell/bench/adjustpanel.h"
#include "ardwell/bench/programmepanel.h"
#include "ardwell/bench/testpanels.h"
#include "ardwell/link/eepromjob.h"
#include "ardwell/link/mechjobs.h"
#include "platform/progresssink.h"

namespace ardwell {

class CoinBench : public MechJobs {
public:
    // view: the window's controls; timer3: its hopper timer; guard: the program's job guard,
    // which the test frames' clicks run through.
    CoinBench(Link& link, plat::View& view, BenchState& bench, TestPanelState& tests, plat::Timer& timer3,
              plat::JobGuard& guard, const plat::Services& services);

    void programmeJob() override { programme_.cmdProgramme_Click(); }
    void adjustJob() override { adjust_.cmdAdjust_Click(); }
    void testJob() override { tests_.cmdTest_Click(); }
    void enableProgrammeControls(bool enabled) override { programme_.enableProgrammeControls(enabled); }
    void cmdProg_Click() override { programme_.cmdProg_Click(); }
    bool storeAdjustCoin() override { return adjust_.encodeEeprom(); }
    bool writeAdjustEdits() override { return adjust_.cmdExitAdjust_Click(); }

    ProgrammePanel& programme() { return programme_; }
    AdjustPanel& adjust() { return adjust_; }
    TestPanels& tests() { return tests_; }
    EepromJob& eeprom() { return job_; }

private:
    plat::ViewProgress progress_;
    EepromJob job_;
    ProgrammePanel programme_;
    AdjustPanel adjust_;
    TestPanels tests_;
};

} // namespace ardwell
