#include "ardwell/bench/coinbench.h"

#include "ardwell/link/link.h"

namespace ardwell {

CoinBench::CoinBench(Link& link, BenchState& bench, const plat::Services& services)
    : progress_(link.view(), QStringLiteral("lblProgress"), QStringLiteral("prgProg")),
      job_(link, services, progress_), programme_(link, job_, bench, services), adjust_(link, job_, bench, services)
{
}

} // namespace ardwell
