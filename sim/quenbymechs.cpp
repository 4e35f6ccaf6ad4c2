#include "sim/quenbymechs.h"

#include "sim/ccmech.h"
#include "sim/marssocket.h"
#include "sim/nrimech.h"
#include "sim/sentinelmech.h"

#include <stdexcept>

namespace sim {

QString quenbyFamilyOf(const QString& model)
{
    if (MarsSocket::models().contains(model))
        return QStringLiteral("Mars");
    if (CcMech::models().contains(model) || model == QLatin1String("Sentinel"))
        return QStringLiteral("CC");
    if (NriMech::models().contains(model))
        return QStringLiteral("NRI");
    return {};
}

std::unique_ptr<QuenbyMech> makeQuenbyMech(const QString& model, bool blank)
{
    const QString family = quenbyFamilyOf(model);
    if (family == QLatin1String("Mars")) {
        auto socket = std::make_unique<MarsSocket>(model);
        if (blank)
            socket->insert(MarsProm::blank(512));
        return socket;
    }
    if (model == QLatin1String("Sentinel"))
        return std::make_unique<SentinelMech>(blank);
    if (family == QLatin1String("CC"))
        return std::make_unique<CcMech>(model, blank);
    if (family == QLatin1String("NRI"))
        return std::make_unique<NriMech>(model, QString(), blank);
    throw std::invalid_argument("unknown mech model: " + model.toStdString());
}

} // namespace sim
