#include "ardwell/bench/lamps.h"

namespace ardwell {

void runReplyCountdown(plat::Timer& timer, qint64& replyTimeoutMs)
{
    timer.onTick = [&replyTimeoutMs] { plat::countDown(replyTimeoutMs, kReplyTickMs); };
    timer.setInterval(kReplyTickMs);
    timer.setEnabled(true);
}

void resetLamps(plat::View& v)
{
    for (int i = 0; i < 16; ++i)
        v.setFill(QStringLiteral("shpLamp"), kLampWhite, i);
    v.setFill(QStringLiteral("shpRejected"), kLampWhite);
}

void clearCountLabels(plat::View& v)
{
    for (int i = 0; i < 16; ++i) {
        v.setText(QStringLiteral("lblAccCount"), QString(), i);
        v.setText(QStringLiteral("lblRouted"), QString(), i);
    }
    v.setText(QStringLiteral("lblRejectCount"), QString());
}

} // namespace ardwell
