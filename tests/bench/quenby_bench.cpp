// Benchmarks of the first program in real time against the simulated box:
//  1. CPU used while the program waits 2.4 s (three 800 ms reply waits) for a silent box;
//  2. wall time from launch to the main window, against the waits the start-up prescribes.

#include "quenby/program.h"
#include "quenby/shell/frmmain.h"
#include "quenby/shell/settings.h"
#include "sim/quenbybox.h"
#include "sim/simport.h"
#include "tests/bench/benchsupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <cstdio>

namespace {

plat::Services services(plat::Scheduler& s, bench::OkDialogs& d, bench::Silent& snd, bench::Env& env,
                        sim::QuenbyBox& box, sim::SimPort** made)
{
    plat::Services svc;
    svc.sched = &s;
    svc.dialogs = &d;
    svc.sound = &snd;
    svc.env = &env;
    svc.makePort = [&s, &box, made] {
        auto p = std::make_unique<sim::SimPort>(s, box);
        *made = p.get();
        return p;
    };
    return svc;
}

} // namespace

int main(int argc, char** argv)
{
    QElapsedTimer launch;
    launch.start();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    bench::OkDialogs dialogs;
    bench::Silent sound;

    // 2. Launch to main window.
    {
        plat::RealScheduler sched;
        bench::Env env;
        QFile f(env.dir.filePath("config0000.txt"));
        f.open(QIODevice::WriteOnly);
        f.write(quenby::settingsLine(1, "English", {}));
        f.close();
        sim::QuenbyBox box;
        sim::SimPort* port = nullptr;
        quenby::Program p(services(sched, dialogs, sound, env, box, &port));
        const qint64 before = launch.elapsed();
        p.start();
        const qint64 total = launch.elapsed();
        qint64 replyMs = 0, sentAt = -1;
        for (const auto& e : port->transcript()) {
            if (e.kind == sim::TranscriptEntry::Sent && e.bytes.at(0) != 0x1B)
                sentAt = e.at;
            else if (e.kind == sim::TranscriptEntry::Received && e.bytes == "\r" && sentAt >= 0) {
                replyMs += e.at - sentAt;
                sentAt = -1;
            }
        }
        std::printf("launch to main window: %lld ms (process and Qt start %lld ms, start-up sequence %lld ms)\n",
                    (long long)total, (long long)before, (long long)(total - before));
        std::printf("  prescribed fixed waits: 900 ms (100 ms break, 800 ms empty-command wait)\n");
        std::printf("  box reply time (latency %lld ms + wire time at 9600 baud) summed over the replies: %lld ms\n",
                    (long long)box.latencyMs, (long long)replyMs);
        std::printf("  overhead beyond waits and replies: %lld ms\n", (long long)(total - before - 900 - replyMs));
    }

    // 1. CPU during a wait for a box that does not answer.
    {
        plat::RealScheduler sched;
        bench::Env env;
        sim::QuenbyBox box;
        box.silent = true;
        sim::SimPort* port = nullptr;
        quenby::Program p(services(sched, dialogs, sound, env, box, &port));
        quenby::frmMain& f = p.mainForm();
        f.Timer1.setInterval(20);
        f.Timer1.setEnabled(true);
        p.link.openPort(1);
        const double c0 = bench::cpuSeconds();
        const plat::Millis t0 = sched.nowMs();
        for (int i = 0; i < 3; ++i)
            p.link.sendAndWait("S");
        const double cpu = bench::cpuSeconds() - c0;
        const double wall = double(sched.nowMs() - t0) / 1000.0;
        std::printf("silent box: waited %.2f s, CPU %.4f s = %.2f%% of one core (goal: under 1%%)\n", wall, cpu,
                    100.0 * cpu / wall);
    }
    return 0;
}
