#pragma once
// A Coin Controls mech that talks the CC word protocol of raw byte frames (every CC model but
// the Sentinel), on the box's interface "$05".

#include "sim/quenbymech.h"

namespace sim {

class CcMech : public QuenbyMech {
public:
    // model: "C120", "220B", "335", "435" or "450" (else invalid_argument).
    explicit CcMech(const QString& model = QStringLiteral("C120"));
    QStringList interfaceCodes() const override { return {QStringLiteral("$05")}; }
};

} // namespace sim
