#pragma once
// A Mars PROM in the box's socket. The program never reaches it in serial mode: the box reads
// and burns it through line-mode commands of its own, which reach it through boxCommand.

#include "sim/quenbymech.h"

namespace sim {

class MarsSocket : public QuenbyMech {
public:
    // model: "MS1000", "ME111", "ME181", "MS130B1", "MS111" or "MS1400" (else invalid_argument).
    explicit MarsSocket(const QString& model = QStringLiteral("ME111"));
    QStringList interfaceCodes() const override { return {}; }
};

} // namespace sim
