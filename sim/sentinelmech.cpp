#include "sim/sentinelmech.h"

namespace sim {

SentinelMech::SentinelMech() : QuenbyMech(QStringLiteral("CC"), QStringLiteral("Sentinel")) {}

} // namespace sim
