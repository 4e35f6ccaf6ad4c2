// The simulated mech's coins: what a dropped coin gives in each mode the program can put the
// mech and its box in (sim/ardwellmech.h).

#include "sim/ardwellmech.h"

namespace sim {

bool ArdwellMech::dropCoin(int kind) { return drop(coins_.next(kind), -1); }

bool ArdwellMech::dropCoin(const CoinSample& coin) { return drop(coin, -1); }

bool ArdwellMech::dropSlug(int reason) { return drop(coins_.slug(), reason); }

int ArdwellMech::randomKind()
{
    const int channels = ardwellimage::channelCount(model_);
    int n = coins_.between(0, channels > 12 ? 9 : 5);
    return n < 6 ? n : Coin7 + (n - 6);
}

bool ArdwellMech::dropRandomCoin()
{
    if (coinDataRequested())
        return dropCoin(gatheringKind());
    const double u = coins_.uniform();
    if (u < 0.70)
        return dropCoin(randomKind());
    if (u < 0.75)
        return dropCoin(BiMetallic);
    if (u < 0.80)
        return dropCoin(Token);
    if (u < 0.84)
        return dropCoin(NegativeLfa);
    if (u < 0.90)
        return dropCoin(Foreign);
    // Slugs, and now and then a coin the mech turns away for a reason of its own.
    static constexpr int kSlugReasons[] = {0, 0, 0, 2, 8, 8};
    static constexpr int kOtherReasons[] = {3, 4, 5, 6, 7, 9, 10, 12};
    if (u < 0.97)
        return dropSlug(kSlugReasons[coins_.between(0, 5)]);
    return dropSlug(kOtherReasons[coins_.between(0, 7)]);
}

bool ArdwellMech::drop(const CoinSample& coin, int slugReason)
{
    if (!plugged_)
        return false;
    ++coinsDropped_;
    CoinOutcome o;
    if (slugReason >= 0)
        o.slugReason = slugReason;
    else
        o = classify(model_, eeprom_, coin);
    lastOutcome_ = o;
    if (!powered_ || faults_.strikes(Fault::CoinLost))
        return true;

    if (coinDataRequested()) {
        sendCoinData(coin.readings(), coin.reference);
        return true;
    }
    if (acceptAll_) {
        if (o.accepted())
            acceptCoin(o.channel, route(model_, eeprom_, o.channel));
        else
            rejectCoin(o.rejectReason());
    }
    if (!o.accepted() || !socket_.outputMode)
        return true;
    const char mode = socket_.outputMode();
    if (mode == '{') {
        if (model_ == QLatin1String("340"))
            status(creditor_.coin(eeprom_, o.channel));
    } else {
        const int st = outputStatus(model_, eeprom_, o.channel, mode, inhibitInputs_);
        if (st >= 0)
            status({st});
    }
    return true;
}

void ArdwellMech::outputCommand(int value)
{
    if (!plugged_ || !powered_ || model_ != QLatin1String("340"))
        return;
    if (value == 0x10)
        status(creditor_.externalCredit(eeprom_));
    else if (value >= 1 && value <= 8)
        status(creditor_.dispense(eeprom_, value));
}

void ArdwellMech::status(const QList<int>& lines)
{
    if (!socket_.status)
        return;
    for (int s : lines)
        socket_.status(s);
}

} // namespace sim
