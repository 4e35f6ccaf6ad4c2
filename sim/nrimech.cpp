#include "sim/nrimech.h"

#include <stdexcept>

namespace sim {

QStringList NriMech::codesOf(const QString& model)
{
    if (model == "G13-0000" || model == "G18-0000")
        return {QStringLiteral("$01")};
    if (model == "G13-6000" || model == "G18-3000" || model == "G40-0000")
        return {QStringLiteral("$05")};
    if (model == "G10-4000")
        return {QStringLiteral("$23")};
    if (model == "G10-4000/5")
        return {QStringLiteral("$23"), QStringLiteral("$25")};
    return {};
}

NriMech::NriMech(const QString& model, const QString& interfaceCode) : QuenbyMech(QStringLiteral("NRI"), model)
{
    const QStringList codes = codesOf(model);
    if (codes.isEmpty())
        throw std::invalid_argument("unknown NRI model: " + model.toStdString());
    code_ = interfaceCode.isEmpty() ? codes.first() : interfaceCode;
    if (!codes.contains(code_))
        throw std::invalid_argument("NRI " + model.toStdString() + " is not wired to " + code_.toStdString());
}

} // namespace sim
