#pragma once
// The Coin Controls Sentinel, reached through the box's Sentinel interface "$06" with text
// commands that it echoes character by character.

#include "sim/quenbymech.h"

namespace sim {

class SentinelMech : public QuenbyMech {
public:
    SentinelMech();
    QStringList interfaceCodes() const override { return {QStringLiteral("$06")}; }
};

} // namespace sim
