#include "ardwell/bench/coinbench.h"

#include "ardwell/link/link.h"

namespace ardwell {

CoinBench::CoinBench(Link& link, plat::View& view, BenchState& bench, TestPanelState& tests, plat::Timer& timer3,
                     plat::JobGuard& guard, const plat::Services& services)
    : progress_(view, QStringLiteral("lblProgress"), QStringLiteral("prgProg")),
      job_(link, view, services, progress_), programme_(link, view, job_, bench, tests, services),
      adjust_(link, view, job_, bench, services), tests_(link, view, tests, timer3, guard, services)
{
}

} // namespace ardwell
