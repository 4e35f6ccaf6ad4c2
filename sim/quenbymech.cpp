#include "sim/quenbymech.h"

#include "sim/quenbybox.h"

#include <stdexcept>

namespace sim {

QuenbyMech::QuenbyMech(const QString& family, const QString& model) : family_(family), model_(model) {}

void QuenbyMech::requireModel(const QString& model, std::initializer_list<const char*> models)
{
    for (const char* m : models)
        if (model == QLatin1String(m))
            return;
    throw std::invalid_argument("unknown mech model: " + model.toStdString());
}

QuenbyMech::~QuenbyMech()
{
    if (box_)
        box_->plug(nullptr);
}

bool QuenbyMech::relayed() const { return box_ && box_->relaysTo(*this); }

bool QuenbyMech::send(const QByteArray& bytes) { return box_ && box_->relayFromMech(*this, bytes); }

bool QuenbyMech::sendLine(const QString& text) { return box_ && box_->lineFromMech(*this, text); }

void QuenbyMech::serialModeStarted(const QString& code)
{
    ++started_;
    onSerialModeStarted(code);
}

void QuenbyMech::serialModeEnded()
{
    ++ended_;
    onSerialModeEnded();
}

void QuenbyMech::fromProgram(const QByteArray& bytes)
{
    received_ += bytes;
    onBytes(bytes);
}

} // namespace sim
