#include "sim/marssocket.h"

namespace sim {

MarsSocket::MarsSocket(const QString& model) : QuenbyMech(QStringLiteral("Mars"), model)
{
    requireModel(model, {"MS1000", "ME111", "ME181", "MS130B1", "MS111", "MS1400"});
}

} // namespace sim
