#pragma once
// Simulated mechs of the first program by model name, for the demo and for tests that swap
// the mech in the box (a fresh mech for a duplicate, a blank PROM's mech).

#include "sim/quenbymech.h"

#include <memory>

namespace sim {

// The family a model belongs to ("Mars", "CC" or "NRI"); empty for a model no family has.
QString quenbyFamilyOf(const QString& model);

// A new mech of the model: a Mars socket (its typical PROM, or a blank bipolar 2K one), a CC
// word-protocol mech or Sentinel, or an NRI mech on its usual interface; blank gives zeros for
// memory. Throws std::invalid_argument for a model no family has.
std::unique_ptr<QuenbyMech> makeQuenbyMech(const QString& model, bool blank = false);

} // namespace sim
