#pragma once
// The coin bench: the programme panel, the adjust panel and the EEPROM job they share, behind
// the main window's job buttons. The window reaches the panels' handlers through it; leaving
// programme mode runs its steps directly.

#include "ardwell/bench/adjustpanel.h"
#include "ardwell/bench/programmepanel.h"
#include "ardwell/link/eepromjob.h"
#include "ardwell/link/mechjobs.h"
#include "platform/progresssink.h"

namespace ardwell {

class CoinBench : public MechJobs {
public:
    CoinBench(Link& link, BenchState& bench, const plat::Services& services);

    void programmeJob() override { programme_.cmdProgramme_Click(); }
    void adjustJob() override { adjust_.cmdAdjust_Click(); }
    void readMechSerialNumber() override { job_.readMechSerialNumber(); }
    void enableProgrammeControls(bool enabled) override { programme_.enableProgrammeControls(enabled); }
    void cmdProg_Click() override { programme_.cmdProg_Click(); }

    ProgrammePanel& programme() { return programme_; }
    AdjustPanel& adjust() { return adjust_; }
    EepromJob& eeprom() { return job_; }

private:
    plat::ViewProgress progress_;
    EepromJob job_;
    ProgrammePanel programme_;
    AdjustPanel adjust_;
};

} // namespace ardwell
