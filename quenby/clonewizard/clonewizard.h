#pragma once
// The logic behind the coin measurement window frmCoinMeasure1, in three parts that call one
// another: its frame (loading, CoinInitialise, Back / Cancel Operation, the transfer PROMxfr),
// the coin set run and the wizards; beside them the limits editor's commands, which return to
// it. The program holds one; the two windows hand their events to it.

#include "quenby/clonewizard/clonecontext.h"
#include "quenby/clonewizard/coinsetrun.h"
#include "quenby/clonewizard/transfer.h"
#include "quenby/clonewizard/wizard.h"
#include "quenby/memutils/limitscommands.h"

namespace quenby {

class CloneWizard {
public:
    explicit CloneWizard(CloneContext& c) : ctx(c), frame(*this), run(*this), wizards(*this), editor(*this) {}
    CloneWizard(const CloneWizard&) = delete;
    CloneWizard& operator=(const CloneWizard&) = delete;

    CloneContext& ctx;
    MeasureFrame frame;
    CoinsetRun run;
    Wizards wizards;
    // The limits editor's commands, which end in this window's transfer and CoinInitialise.
    LimitsCommands editor;

    plat::View& view() { return ctx.windows.measureView(); }
};

} // namespace quenby
