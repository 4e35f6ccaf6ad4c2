#include "ardwell/bench/coinbench.h"

#include "ardwell/link/link.h"

namespace ardwell {

CoinBench::CoinBench(Link& link, BenchState& bench, TestPanelState& tests, plat::Timer& timer3,
                     plat::JobGuard& guard, const plat::Services& services)
    : progress_(link.view(), QStringLiteral("lblProgress"), QStringLiteral("prgProg")),
      job_(link, services, progress_), programme_(link, job_, bench, services), adjust_(link, job_, bench, services),
      tests_(link, tests, timer3, guard, services)
{
}

} // namespace ardwell
