// Benchmarks of the second program in real time against the simulated box and mech:
//  1. round trip of one EEPROM word read, against the wire time of its bytes at 9600 baud;
//  2. CPU used while the program waits 2 s (two 1000 ms reply waits) for a silent box;
//  3. entering programme mode (the whole EEPROM read) and "Write Data To Coin Mech" (write and
//     verify) on a 330 and a 126, against their floor: the same job on virtual time, where every
//     byte takes its wire time at 9600 baud, the simulated box and mech their latencies and the
//     program its prescribed waits, and nothing else takes any time;
//  4. CPU used while a coin data gathering run waits its 60 seconds for a coin;
//  5. test mode: entering each model's test frame against its floor (as in 3); 100 coins in a
//     burst through a 560's frame, each event's answer against the wire floor; a 3-pulse hopper
//     run against its 6 s; CPU with a frame idle for 10 s and during the hopper run;
//  6. memory over a working day: the resident size of the program with a 560's test frame open
//     and the simulated mech dropping a coin every one to two seconds, as the demo's box does,
//     after 100 coins and after 10,000 (on virtual time); it must grow by less than 1 MB.

#include "ardwell/bench/coinbench.h"
#include "ardwell/bench/lamps.h"
#include "ardwell/bench/testpanels.h"
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
#include <QPushButton>
#include <cstdio>
#include <memory>

namespace {

struct Rig {
    plat::RealScheduler sched;
    bench::OkDialogs dialogs;
    bench::Silent sound;
    bench::Env env;
    plat::MemoryView view{ardwell::Program(bench::services(sched, dialogs, sound, env)).window().controls().names(),
                          QStringLiteral("frmMain")};
    sim::ArdwellMech mech{"330"};
    sim::ArdwellBox box{sched, mech};
    sim::SimPort port{sched, box};
    std::unique_ptr<ardwell::Link> link;
    plat::Timer timer2{sched};

    Rig()
    {
        const plat::Services svc = bench::services(sched, dialogs, sound, env);
        view.setValue("opt330", 1);
        view.setText("txtSource", "61");
        view.setText("txtDestination", "FF");
        link = std::make_unique<ardwell::Link>(svc, [this] { return ardwell::mechTarget(view); });
        link->setPort(&port);
        port.onReceive = [this] { link->Comm1_OnComm(); };
        port.open();
        link->state().portOpen = true;
        ardwell::runReplyCountdown(timer2, link->state().replyTimeoutMs);
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
        plat::Services svc = bench::services(sched, dialogs, sound, env);
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
    t.ok = rig.program->coinBench().eeprom().lastWrite() == ardwell::WriteResult::Written;
    return t;
}

struct EntryTime {
    double ms = 0;
    bool ok = false;
};

EntryTime enterTest(plat::Scheduler& sched, const QString& model)
{
    ProgramRig rig(sched, model);
    const plat::Millis t0 = sched.nowMs();
    rig.program->window().cmdTest_Click();
    EntryTime t;
    t.ms = double(sched.nowMs() - t0);
    const auto m = ardwell::modelFromText(model);
    t.ok = m && rig.program->window().controls().isVisible(ardwell::frameName(ardwell::testEntry(*m).frame));
    return t;
}

// 100 coins dropped at once through a 560's test frame: the mech sends each event when the
// last was answered, so the burst takes as long as its events and answers take on the wire.
struct Burst {
    double totalMs = 0;
    int events = 0;
    int answered = 0;
    double meanAnswerMs = 0; // from the CR that ends an event line to the answer's write
    double maxAnswerMs = 0;
};

Burst coinBurst(plat::Scheduler& sched)
{
    ProgramRig rig(sched, "560");
    rig.program->window().cmdTest_Click();
    auto* port = dynamic_cast<sim::SimPort*>(rig.program->port());
    Burst b;
    if (!port)
        return b;
    const std::size_t from = port->transcript().size();
    const plat::Millis t0 = sched.nowMs();
    for (int i = 0; i < 100; ++i)
        rig.mech.dropCoin(sim::Coin3);
    sched.pumpUntil([&] { return rig.mech.eventsPending() == 0; }, 120000);
    b.totalMs = double(sched.nowMs() - t0);
    b.events = rig.mech.eventsSent();
    b.answered = rig.mech.acknowledgements();
    QByteArray line;
    plat::Millis eventEnd = -1;
    double sum = 0;
    int n = 0;
    const auto& t = port->transcript();
    for (std::size_t i = from; i < t.size(); ++i) {
        if (t[i].kind == sim::TranscriptEntry::Received) {
            if (t[i].bytes == "\r") {
                if (line.size() >= 8 && line.mid(4, 2) == "24")
                    eventEnd = t[i].at;
                line.clear();
            } else {
                line += t[i].bytes;
            }
        } else if (t[i].kind == sim::TranscriptEntry::Sent && eventEnd >= 0 && t[i].bytes.mid(4, 2) == "04") {
            const double ms = double(t[i].at - eventEnd);
            sum += ms;
            b.maxAnswerMs = qMax(b.maxAnswerMs, ms);
            ++n;
            eventEnd = -1;
        }
    }
    b.meanAnswerMs = n ? sum / n : 0;
    return b;
}

// Resident set size of this process, in kB.
long residentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

struct WorkingDay {
    long after100Kb = 0;
    long after10000Kb = 0;
    int coins = 0;
    double hours = 0;
};

WorkingDay workingDay()
{
    plat::VirtualScheduler sched;
    sched.setLimitMs(24 * 3600 * 1000);
    ProgramRig rig(sched, "560");
    rig.box.keepRecentRecords(); // as the program's own simulated box does
    rig.program->window().cmdTest_Click();
    rig.box.startRandomDrops(1000, 2000);
    WorkingDay d;
    const auto dropTo = [&](int coins) {
        while (rig.mech.coinsDropped() < coins)
            sched.pumpUntil([&] { return rig.mech.coinsDropped() >= coins; }, 60000);
        sched.pumpUntil([] { return false; }, 3000); // the last coin's events answered
    };
    dropTo(100);
    d.after100Kb = residentKb();
    dropTo(10000);
    d.after10000Kb = residentKb();
    d.coins = rig.mech.coinsDropped();
    d.hours = double(sched.nowMs()) / 3.6e6;
    return d;
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
        if (!r.link->state().mechLoggedOn) {
            std::printf("logon failed\n");
            return 1;
        }
        constexpr int kReads = 20;
        QElapsedTimer t;
        t.start();
        int bad = 0;
        for (int a = 0; a < kReads; ++a)
            if (r.link->readMemory(a).word < 0)
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
        const bench::CpuUse u = bench::measureCpu(r.sched, [&] {
            r.link->sendAndWait("S\r");
            r.link->sendAndWait("S\r");
        });
        std::printf("silent box: waited %.2f s, CPU %.4f s = %.2f%% of one core (goal: under 1%%)\n", u.wallS, u.cpuS,
                    u.percent());
    }
    std::printf("programme mode, real time against the floor (the same job on virtual time):\n");
    for (const char* model : {"330", "126"}) {
        const auto [floor, got] = bench::floorAndReal([&](plat::Scheduler& s) { return programmeAndWrite(s, model); });
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
        // No coin comes: 60 s, then its box.
        const bench::CpuUse u = bench::measureCpu(real, [&] { rig.program->coinBench().programme().cmdCoinData_Click(); });
        std::printf("coin wait: %.1f s with no coin, CPU %.4f s = %.2f%% of one core (goal: under 1%%)\n", u.wallS,
                    u.cpuS, u.percent());
    }

    std::printf("test mode, real time against the floor (the same entry on virtual time):\n");
    for (const char* model : {"330", "126", "340", "560", "PCA"}) {
        const auto [floor, got] = bench::floorAndReal([&](plat::Scheduler& s) { return enterTest(s, model); });
        if (!floor.ok || !got.ok) {
            std::printf("  %s: the frame did not open\n", model);
            return 1;
        }
        report(qPrintable(QString("%1 test entry").arg(model)), floor.ms, got.ms);
    }
    {
        const auto [floor, got] = bench::floorAndReal(coinBurst);
        std::printf("100 coins in a burst on a 560: %d events, %d answered\n", got.events, got.answered);
        report("burst", floor.totalMs, got.totalMs);
        std::printf("  event in to answer out: mean %.2f ms, max %.0f ms (wire floor 0 ms: the answer\n"
                    "  goes out on the event's CR; each event and answer take %.1f ms on the wire)\n",
                    got.meanAnswerMs, got.maxAnswerMs, (13 + 9) * 10.0 / 9.6);
        if (got.events != 200 || got.answered != got.events)
            return 1;
    }
    {
        const WorkingDay d = workingDay();
        std::printf("test frame of a 560 over %.1f h of virtual time, %d coins: resident %ld kB after 100, "
                    "%ld kB after 10,000: %+ld kB (goal: under 1024 kB)\n",
                    d.hours, d.coins, d.after100Kb, d.after10000Kb, d.after10000Kb - d.after100Kb);
        if (d.after10000Kb - d.after100Kb >= 1024)
            return 1;
    }
    {
        plat::RealScheduler real;
        ProgramRig rig(real, "330");
        auto& w = rig.program->window();
        w.cmdTest_Click();
        const bench::CpuUse idle = bench::measureCpu(real, [&] { real.pumpUntil([] { return false; }, 10000); });
        std::printf("test frame idle: %.1f s, CPU %.4f s = %.2f%% of one core (goal: under 1%%)\n", idle.wallS,
                    idle.cpuS, idle.percent());

        w.controls().setValue("chkHopper2", 1);
        w.controls().setText("txtHopperCount", "3");
        const bench::CpuUse run = bench::measureCpu(real, [&] {
            w.controls().get<QPushButton>("cmdStartHopper")->click();
            real.pumpUntil([&] { return w.controls().isEnabled("cmdStartHopper"); }, 10000);
        });
        real.pumpUntil([] { return false; }, 100); // the last "+" on its way to the box
        std::printf("hopper run of 3 pulses: %.3f s against 6.000 s, %d pulses; CPU %.4f s = %.2f%% of one core\n",
                    run.wallS, rig.box.hopperPulses(), run.cpuS, run.percent());
    }
    return 0;
}
