// The window's timers: Timer2 is the time base of every wait, Timer1 and Timer5 put the lamps
// out that the parser lit. Each tick runs as a guarded handler.
#include "ardwell/link/frmmain.h"

#include "ardwell/bench/lamps.h"
#include "ardwell/link/link.h"
#include "ardwell/link/linkstate.h"
#include "platform/jobguard.h"

namespace ardwell {

void frmMain::setUpTimers()
{
    const struct {
        plat::Timer& timer;
        int interval;
        const char* context;
        void (frmMain::*tick)();
    } timers[] = {
        {timer1_, kStatusLampTickMs, "Error Counting down timer 1 : ", &frmMain::Timer1_Timer},
        {timer2_, kReplyTickMs, "Error Counting down timer 2 : ", &frmMain::Timer2_Timer},
        {timer5_, kCoinLampTickMs, "Error in Timer5_Timer : ", &frmMain::Timer5_Timer},
    };
    for (const auto& t : timers) {
        t.timer.setInterval(t.interval);
        t.timer.onTick = handler(QString::fromLatin1(t.context), [this, tick = t.tick] { (this->*tick)(); });
        t.timer.setEnabled(true);
    }
}

void frmMain::Timer1_Timer()
{
    trap(QStringLiteral("Error Counting down timer 1 : "), [&] {
        if (plat::countDown(st_.statusLampCountdown, 1)) {
            link().clearStatusLamps();
            link().clearTestLamps();
        }
    });
}

void frmMain::Timer2_Timer()
{
    trap(QStringLiteral("Error Counting down timer 2 : "), [&] { plat::countDown(st_.replyTimeoutMs, kReplyTickMs); });
}

void frmMain::Timer5_Timer()
{
    if (plat::countDown(st_.lampCountdown, 1))
        resetLamps();
}

void frmMain::resetLamps() { ardwell::resetLamps(v_); }

void frmMain::clearCountLabels() { ardwell::clearCountLabels(v_); }

} // namespace ardwell
