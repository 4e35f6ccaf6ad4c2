// The window's timers: Timer2 is the time base of every wait, Timer1 and Timer5 put the lamps
// out that the parser lit, Timer3 drives the hopper test. Each tick runs as a guarded handler.
#include "ardwell/link/frmmain.h"

#include "ardwell/bench/testpanels.h"
#include "ardwell/bench/lamps.h"
#include "ardwell/link/link.h"
#include "ardwell/link/linkstate.h"
#include "ardwell/program.h"
#include "platform/jobguard.h"

namespace ardwell {

void frmMain::setUpTimers()
{
    const struct {
        plat::Timer& timer;
        int interval;
        const QString& context;
        void (frmMain::*tick)();
    } timers[] = {
        {timer1_, kStatusLampTickMs, ctx::Timer1, &frmMain::Timer1_Timer},
        {timer2_, kReplyTickMs, ctx::Timer2, &frmMain::Timer2_Timer},
        {timer5_, kCoinLampTickMs, ctx::Timer5, &frmMain::Timer5_Timer},
    };
    for (const auto& t : timers) {
        t.timer.setInterval(t.interval);
        t.timer.onTick = [this, &context = t.context, tick = t.tick] {
            guard_.handle(context, [this, tick] { (this->*tick)(); });
        };
        t.timer.setEnabled(true);
    }
    // The hopper test's timer waits, off, until "Hopper Drive" or "Start Hopper" starts it.
    timer3_.setInterval(kHopperTickMs);
    timer3_.onTick = [this] { guard_.handle(ctx::Timer3, [this] { Timer3_Timer(); }); };
    timer3_.setEnabled(false);
}

void frmMain::Timer1_Timer()
{
    trap(ctx::Timer1, [&] { statusLampTick(v_, p_.testPanel()); });
}

void frmMain::Timer2_Timer()
{
    trap(ctx::Timer2, [&] { plat::countDown(st_.replyTimeoutMs, kReplyTickMs); });
}

void frmMain::Timer3_Timer() { testPanels().Timer3_Timer(); }

void frmMain::Timer5_Timer()
{
    coinLampTick(v_, p_.testPanel());
}

} // namespace ardwell
