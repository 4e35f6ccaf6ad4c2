#include "ardwell/bench/lamps.h"

namespace ardwell {

bool tickStatusLampCountdown(qint32& ticks)
{
    bool out = false;
    if (ticks > 0) {
        --ticks;
        out = ticks < 1;
    }
    if (ticks < 0)
        ticks = 0;
    return out;
}

bool tickCoinLampCountdown(qint32& ticks)
{
    if (ticks == 0)
        return false;
    // A negative count (never set so by the parser) still runs towards 0 and then rests there.
    if (ticks < 0) {
        ticks = 0;
        return false;
    }
    --ticks;
    return ticks == 0;
}

void resetLamps(View& v)
{
    for (int i = 0; i < 16; ++i)
        v.setFill(QStringLiteral("shpLamp"), kLampWhite, i);
    v.setFill(QStringLiteral("shpRejected"), kLampWhite);
}

void clearCountLabels(View& v)
{
    for (int i = 0; i < 16; ++i) {
        v.setText(QStringLiteral("lblAccCount"), QString(), i);
        v.setText(QStringLiteral("lblRouted"), QString(), i);
    }
    v.setText(QStringLiteral("lblRejectCount"), QString());
}

} // namespace ardwell
