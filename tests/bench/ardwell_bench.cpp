// Benchmarks of the second program in real time against the simulated box and mech:
//  1. round trip of one EEPROM word read, against the wire time of its bytes at 9600 baud;
//  2. CPU used while the program waits 2 s (two 1000 ms reply waits) for a silent box.

#include "ardwell/bench/lamps.h"
#include "ardwell/link/controlnames.h"
#include "ardwell/link/link.h"
#include "platform/timer.h"
#include "sim/ardwellbox.h"
#include "sim/simport.h"
#include "tests/bench/benchsupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <cstdio>

namespace {

struct Rig {
    plat::RealScheduler sched;
    bench::OkDialogs dialogs;
    bench::Silent sound;
    bench::Env env;
    plat::MemoryView view = ardwell::mainWindowMemoryView();
    ardwell::LinkState st;
    sim::ArdwellMech mech{"330"};
    sim::ArdwellBox box{sched, mech};
    sim::SimPort port{sched, box};
    std::unique_ptr<ardwell::Link> link;
    plat::Timer timer2{sched};

    Rig()
    {
        plat::Services svc;
        svc.sched = &sched;
        svc.dialogs = &dialogs;
        svc.sound = &sound;
        svc.env = &env;
        view.setValue("opt330", 1);
        view.setText("txtSource", "61");
        view.setText("txtDestination", "FF");
        link = std::make_unique<ardwell::Link>(svc, view, st);
        link->setPort(&port);
        port.onReceive = [this] { link->Comm1_OnComm(); };
        port.open();
        st.portOpen = true;
        ardwell::runReplyCountdown(timer2, st.replyTimeoutMs);
    }
};

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    {
        Rig r;
        r.link->logon();
        if (!r.st.mechLoggedOn) {
            std::printf("logon failed\n");
            return 1;
        }
        constexpr int kReads = 20;
        QElapsedTimer t;
        t.start();
        int bad = 0;
        for (int a = 0; a < kReads; ++a)
            if (r.link->readMemory(a) < 0)
                ++bad;
        const double perRead = double(t.elapsed()) / kReads;
        // Request: 7 bytes as 14 hex digits + CR; the box's "X" + CR; reply: 9 bytes as 18 digits + CR.
        const double wireMs = (15 + 2 + 19) * 10.0 / 9.6;
        std::printf("EEPROM word read: %.1f ms per word over %d reads (%d failed)\n", perRead, kReads, bad);
        std::printf("  wire time of its bytes at 9600 baud: %.1f ms; simulated box latency 5 ms + mech 10 ms\n",
                    wireMs);
        std::printf("  overhead beyond wire time and simulated latency: %.1f ms\n", perRead - wireMs - 15);
    }
    {
        Rig r;
        r.box.setSilent(true);
        const double c0 = bench::cpuSeconds();
        const plat::Millis t0 = r.sched.nowMs();
        r.link->sendAndWait("S\r");
        r.link->sendAndWait("S\r");
        const double cpu = bench::cpuSeconds() - c0;
        const double wall = double(r.sched.nowMs() - t0) / 1000.0;
        std::printf("silent box: waited %.2f s, CPU %.4f s = %.2f%% of one core (goal: under 1%%)\n", wall, cpu,
                    100.0 * cpu / wall);
    }
    return 0;
}
