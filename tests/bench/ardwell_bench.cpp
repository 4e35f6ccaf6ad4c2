// Benchmarks of the second program in real time against the simulated box and mech:
//  1. round trip of one EEPROM word read, against the wire time of its bytes at 9600 baud;
//  2. CPU used while the program waits 2 s (two 1000 ms reply waits) for a silent box;
//  3. entering programme mode (the whole EEPROM read) and "Write Data To Coin Mech" (write and
//     verify) on a 330 and a 126, against their floor: the same job on virtual time, where every
//     byte takes its wire time at 9600 baud, the simulated box and mech their latencies and the
//     program its prescribed waits, and nothing else takes any time;
//  4. CPU used while a coin data gathering run waits its 60 seconds for a coin.

#include "ardwell/bench/coinbench.h"
#include "ardwell/bench/lamps.h"
#include "ardwell/link/controlnames.h"
#include "ardwell/link/frmmain.h"
#include "ardwell/link/link.h"
#include "ardwell/program.h"
#include "platform/timer.h"
#include "sim/ardwellbox.h"
#include "sim/simport.h"
#include "tests/bench/benchsupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <cstdio>
#include <memory>

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

// The whole program in front of the simulated box, on the clock it is given.
struct ProgramRig {
    plat::Scheduler& sched;
    bench::OkDialogs dialogs;
    bench::Silent sound;
    bench::Env env;
    sim::ArdwellMech mech;
    sim::ArdwellBox box;
    std::unique_ptr<ardwell::Program> program;

    ProgramRig(plat::Scheduler& s, const QString& model) : sched(s), mech(model), box(s, mech)
    {
        QFile config(env.programFolder() + "/config.txt");
        if (config.open(QIODevice::WriteOnly))
            config.write("1,\"" + model.toLatin1() + "\"\r\n");
        config.close();
        plat::Services svc;
        svc.sched = &sched;
        svc.dialogs = &dialogs;
        svc.sound = &sound;
        svc.env = &env;
        svc.makePort = [this] { return std::make_unique<sim::SimPort>(sched, box); };
        program = std::make_unique<ardwell::Program>(svc);
        program->start();
    }
};

struct JobTimes {
    double entryMs = 0;
    double writeMs = 0;
    bool ok = false;
};

JobTimes programmeAndWrite(plat::Scheduler& sched, const QString& model)
{
    ProgramRig rig(sched, model);
    JobTimes t;
    plat::Millis t0 = sched.nowMs();
    rig.program->window().cmdProgramme_Click();
    t.entryMs = double(sched.nowMs() - t0);
    if (!rig.program->window().controls().isVisible("frmProgramme"))
        return t;
    t0 = sched.nowMs();
    rig.program->coinBench().programme().cmdProg_Click();
    t.writeMs = double(sched.nowMs() - t0);
    t.ok = !rig.program->state().writeError;
    return t;
}

void report(const char* what, double floorMs, double realMs)
{
    std::printf("  %-26s floor %8.0f ms, real %8.0f ms, overhead %6.0f ms (%.1f%%)\n", what, floorMs, realMs,
                realMs - floorMs, 100.0 * (realMs - floorMs) / floorMs);
}

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
    std::printf("programme mode, real time against the floor (the same job on virtual time):\n");
    for (const char* model : {"330", "126"}) {
        plat::VirtualScheduler virt;
        const JobTimes floor = programmeAndWrite(virt, model);
        plat::RealScheduler real;
        const JobTimes got = programmeAndWrite(real, model);
        if (!floor.ok || !got.ok) {
            std::printf("  %s: the job failed\n", model);
            return 1;
        }
        report(qPrintable(QString("%1 entry (read, backup)").arg(model)), floor.entryMs, got.entryMs);
        report(qPrintable(QString("%1 write and verify").arg(model)), floor.writeMs, got.writeMs);
    }
    {
        plat::RealScheduler real;
        ProgramRig rig(real, "330");
        rig.program->window().cmdProgramme_Click();
        const double c0 = bench::cpuSeconds();
        const plat::Millis t0 = real.nowMs();
        rig.program->coinBench().programme().cmdCoinData_Click(); // no coin comes: 60 s, then its box
        const double cpu = bench::cpuSeconds() - c0;
        const double wall = double(real.nowMs() - t0) / 1000.0;
        std::printf("coin wait: %.1f s with no coin, CPU %.4f s = %.2f%% of one core (goal: under 1%%)\n", wall, cpu,
                    100.0 * cpu / wall);
    }
    return 0;
}
