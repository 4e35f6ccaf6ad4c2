#pragma once
// The first program's benchmark rig: the link, the check and the mech families on a given clock
// with a simulated mech plugged in, and a job timed on the real clock against its floor on
// virtual time.

#include "platform/timer.h"
#include "quenby/link/boxcheck.h"
#include "quenby/link/familytable.h"
#include "quenby/link/mechfamily.h"
#include "quenby/shell/texts.h"
#include "sim/quenbybox.h"
#include "sim/simport.h"
#include "tests/bench/benchsupport.h"

#include <cstdio>
#include <functional>
#include <memory>

namespace qbench {

// The services of a whole program on this clock, its ports on the simulated box.
inline plat::Services services(plat::Scheduler& s, bench::OkDialogs& d, bench::Silent& snd, bench::Env& env,
                               sim::QuenbyBox& box, sim::SimPort** made)
{
    plat::Services svc = bench::services(s, d, snd, env);
    svc.makePort = [&s, &box, made] {
        auto p = std::make_unique<sim::SimPort>(s, box);
        *made = p.get();
        return p;
    };
    return svc;
}

struct NoProgress : plat::ProgressSink {
    void setCaption(const QString&) override {}
    void setTitle(const QString&) override {}
    void showSegment(bool) override {}
    void setSegment(const QString&) override {}
    void show() override {}
    void hide() override {}
    void unload() override {}
    void showStep(int) override {}
};

// The link, the check and the mech families on a given clock, with a mech of the model plugged in.
struct MechRig {
    bench::OkDialogs dialogs;
    bench::Silent sound;
    bench::Env env;
    plat::Services svc;
    quenby::TextTable texts;
    quenby::ErrorReporter errors{texts, dialogs};
    quenby::JobState job;
    quenby::LinkState st;
    sim::QuenbyBox box;
    sim::SimPort port;
    quenby::BoxLink link;
    quenby::BoxCheck check;
    quenby::ModelParams params;
    quenby::MemoryState mem;
    NoProgress progress;
    quenby::MechFamilies families;
    std::unique_ptr<quenby::LinkParsers> parsers;
    std::unique_ptr<quenby::MechLogons> logons;
    plat::Timer timer1;

    MechRig(plat::Scheduler& s, const QString& family, const QString& model)
        : svc(bench::services(s, dialogs, sound, env)),
          port(s, box),
          link(svc, st, texts, errors, job),
          check(link, svc, texts, errors, job),
          families(link, check, svc, texts, errors, job, params, mem, progress, [this] { return env.programFolder(); }),
          parsers(families.makeParsers()),
          logons(families.makeLogons()),
          timer1(s)
    {
        link.setPort(&port);
        link.setParsers(*parsers);
        check.setLogons(*logons);
        timer1.setInterval(quenby::BoxLink::kTickMs);
        timer1.onTick = [this] { link.Timer1_Timer(); };
        timer1.setEnabled(true);
        check.openChosenPort(1);
        job.beginJob(quenby::familyNamed(family), model);
        quenby::setMechParameters(params, quenby::familyNamed(family), model, texts);
        box.swapMech(model);
    }
    quenby::MechContext& ctx() { return families.ctx; }
};

struct Job {
    const char* name;
    const char* family;
    const char* model;
    std::function<void(MechRig&)> prepare;
    std::function<void(MechRig&)> run;
};

// Runs the job once on virtual time (its floor) and once on the real clock.
inline void benchJob(const Job& j)
{
    plat::Millis floorMs = 0;
    {
        plat::VirtualScheduler vs;
        MechRig r(vs, j.family, j.model);
        if (j.prepare)
            j.prepare(r);
        const plat::Millis t0 = vs.nowMs();
        j.run(r);
        floorMs = vs.nowMs() - t0;
    }
    plat::RealScheduler rs;
    MechRig r(rs, j.family, j.model);
    if (j.prepare)
        j.prepare(r);
    const double c0 = bench::cpuSeconds();
    const plat::Millis t0 = rs.nowMs();
    j.run(r);
    const plat::Millis took = rs.nowMs() - t0;
    const double cpu = bench::cpuSeconds() - c0;
    std::printf("%-26s %6lld ms  floor %6lld ms  over the floor %+5.1f%%  CPU %.3f s\n", j.name, (long long)took,
                (long long)floorMs, 100.0 * double(took - floorMs) / double(floorMs), cpu);
}

// The memory windows' jobs against their floor, and the CPU while NRI programming waits.
void memoryWindowJobs();

} // namespace qbench
