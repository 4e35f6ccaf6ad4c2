#pragma once
// What the memory jobs of the first program share, one instance in the program object: the
// images, the NRI tables, the coin set tables and the choices of the PROM being worked on.

#include "quenby/clonewizard/cointables.h"
#include "quenby/link/images.h"
#include "quenby/link/nritables.h"

namespace quenby {

struct MemoryState {
    MemoryImages images;
    NriReadTables nri;
    // Per coin NRI values that measurement and the wizards set and NRI programming writes.
    NriCoinTables nriCoin;
    CoinTables coins;
    int promSize = 0;       // 0 = 1K Mars PROM, 1 = 2K
    int currentSegment = 0; // 1-based PROM segment being burnt, shown in the progress window
    // The PROM being burnt is bipolar: every row goes three times. The limits editor's PROM type
    // option sets it.
    bool bipolarProm = false;

    // Every road that begins work on a mech (a coin set run, a wizard, a job of the main menu)
    // starts here: nothing one mech or job left in the coin set and per-coin tables reaches
    // the next. The images and the NRI read tables say themselves which read they hold.
    void startMechJob()
    {
        coins.startJob();
        nriCoin = {};
    }
};

} // namespace quenby
