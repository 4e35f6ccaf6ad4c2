#pragma once
// Which mech models exist and the shape of each model's memory and measurements.

#include <QString>
#include <QStringList>

namespace quenby {

class TextTable;

struct ModelParams {
    int paramCount = 0;      // measured parameters per coin
    int coinCount = 0;       // coin channels
    int coinsPerSegment = 0; // per PROM segment (Mars) or limits page (others)
    int segmentCount = 0;
    int memorySize = 0;      // memory words read, programmed and verified
    QString paramNames[7];   // index k names parameter k+1; index 6 is never set
};

// Names are reset to the defaults ("Parameter1".."Parameter6") on every call; an unknown CC or
// NRI model keeps the previous numbers, any other family changes only the names. Text lookups
// may throw to the caller's trap.
void setMechParameters(ModelParams& params, const QString& family, const QString& model,
                       const TextTable& texts);

// The model lists of the three family tabs, in their display order.
struct MechLists {
    QStringList mars;
    QStringList cc;
    QStringList nri;
};
MechLists mechLists();

} // namespace quenby
