#pragma once
// An NRI mech. Each model hangs on one of the box's interfaces: "$01" for "G13-0000" and
// "G18-0000", "$05" for "G13-6000", "G18-3000" and "G40-0000", "$23" for "G10-4000". A
// "G10-4000/5" is wired to "$23" or, on some boards, "$25": the program tries both.

#include "sim/quenbymech.h"

namespace sim {

class NriMech : public QuenbyMech {
public:
    // model: one of the seven NRI models (else invalid_argument); interfaceCode: the one this
    // mech is wired to, empty for the model's usual one (only a "G10-4000/5" has a choice).
    explicit NriMech(const QString& model = QStringLiteral("G13-6000"), const QString& interfaceCode = {});
    QStringList interfaceCodes() const override { return {code_}; }

    // The codes a model may be wired to, its usual one first; empty for an unknown model.
    static QStringList codesOf(const QString& model);

private:
    QString code_;
};

} // namespace sim
