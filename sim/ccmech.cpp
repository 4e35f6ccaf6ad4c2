#include "sim/ccmech.h"

namespace sim {

CcMech::CcMech(const QString& model) : QuenbyMech(QStringLiteral("CC"), model)
{
    requireModel(model, {"C120", "220B", "335", "435", "450"});
}

} // namespace sim
