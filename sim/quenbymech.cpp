#include "sim/quenbymech.h"

#include "sim/quenbybox.h"

namespace sim {

QuenbyMech::QuenbyMech(const QString& family, const QString& model) : family_(family), model_(model) {}

QuenbyMech::~QuenbyMech()
{
    if (box_)
        box_->plug(nullptr);
}

bool QuenbyMech::relayed() const { return box_ && box_->relaysTo(*this); }

bool QuenbyMech::send(const QByteArray& bytes, plat::Millis delayMs)
{
    return box_ && box_->relayFromMech(*this, bytes, delayMs);
}

bool QuenbyMech::sendLine(const QString& text, plat::Millis delayMs)
{
    return box_ && box_->lineFromMech(*this, text, delayMs);
}

plat::Scheduler* QuenbyMech::scheduler() const { return box_ ? box_->scheduler() : nullptr; }

plat::Millis QuenbyMech::nowMs() const
{
    const plat::Scheduler* s = scheduler();
    return s ? s->nowMs() : 0;
}

char QuenbyMech::reportLetter(int channel) const
{
    return channel >= 1 && channel <= 9 ? char('A' + channel - 1) : 0;
}

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

bool QuenbyMech::dropCoin(int channel)
{
    DroppedCoin coin;
    coin.channel = channel;
    coin.values = sampler_.next(channel, valuesPerReading());
    return deliver(coin);
}

bool QuenbyMech::dropSlug()
{
    DroppedCoin coin;
    coin.slug = true;
    coin.values = sampler_.nextSlug(valuesPerReading());
    return deliver(coin);
}

bool QuenbyMech::deliver(const DroppedCoin& coin)
{
    ++coinsDropped_;
    if (relayed())
        return coinWhileRelayed(coin);
    return box_ && box_->coinInLineMode(*this, coin);
}

} // namespace sim
