#pragma once
// A model's parameters as a job sets them, for the tests of one layer without a job.

#include "quenby/link/familytable.h"
#include "quenby/shell/texts.h"

namespace quenby_tests {

inline quenby::ModelParams paramsOf(const QString& family, const QString& model)
{
    quenby::ModelParams p;
    quenby::setMechParameters(p, quenby::familyNamed(family), model, quenby::TextTable());
    return p;
}

} // namespace quenby_tests
