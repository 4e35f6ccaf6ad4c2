#pragma once
// Real-time services for the benchmarks: the real clock and pump, boxes answered without a
// window, and the CPU time this process has used.

#include "platform/appenv.h"
#include "platform/dialogs.h"
#include "platform/scheduler.h"
#include "platform/services.h"
#include "platform/sound.h"

#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <sys/resource.h>
#include <utility>

namespace bench {

inline double cpuSeconds()
{
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    return double(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) + double(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

// Wall time (s) and the share of one core this process used while fn ran.
struct CpuUse {
    double wallS = 0;
    double cpuS = 0;
    double percent() const { return wallS > 0 ? 100.0 * cpuS / wallS : 0; }
};

inline CpuUse measureCpu(plat::Scheduler& sched, const std::function<void()>& fn)
{
    const double c0 = cpuSeconds();
    const plat::Millis t0 = sched.nowMs();
    fn();
    return {double(sched.nowMs() - t0) / 1000.0, cpuSeconds() - c0};
}

struct OkDialogs : plat::Dialogs {
    int msgBox(const QString& text, int, const QString&) override
    {
        std::fprintf(stderr, "  (box: %s)\n", qPrintable(text.simplified()));
        return plat::mb::OK;
    }
    QString openFileName(const QString&, const QString&, const QString&) override { return {}; }
    QString saveFileName(const QString&, const QString&, const QString&) override { return {}; }
};

struct Silent : plat::Sound {
    void playSync(const QString&) override {}
    void beep() override {}
};

struct Env : plat::AppEnv {
    QTemporaryDir dir;
    QString programFolder() const override { return dir.path(); }
    bool anotherInstanceRunning() override { return false; }
    [[noreturn]] void endProgram(int code) override
    {
        runClosers();
        std::exit(code);
    }
};

// The services of a program on this clock; the caller adds its port maker.
inline plat::Services services(plat::Scheduler& s, plat::Dialogs& dialogs, plat::Sound& sound, plat::AppEnv& env)
{
    plat::Services svc;
    svc.sched = &s;
    svc.dialogs = &dialogs;
    svc.sound = &sound;
    svc.env = &env;
    return svc;
}

// The same job on virtual time, its floor, and then in real time.
template <class Job>
auto floorAndReal(Job job)
{
    plat::VirtualScheduler virt;
    const auto floor = job(virt);
    plat::RealScheduler real;
    return std::pair{floor, job(real)};
}

} // namespace bench
