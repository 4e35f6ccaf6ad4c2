// Benchmarks of the first program in real time against the simulated box:
//  1. CPU used while the program waits 2.4 s (three 800 ms reply waits) for a silent box;
//  2. wall time from launch to the main window, against the waits the start-up prescribes;
//  3. the memory jobs (CC 435 read, Sentinel read, G13-6000 read, G13-0000 programming, Mars 2K
//     read, one burnt segment) against their floor: the same job on virtual time, which takes
//     exactly the wire time of its bytes at 9600 baud, the box's and mech's latencies and the
//     fixed waits the jobs prescribe (on the 20 ms tick), and nothing for the program itself;
//  4. CPU used during the 10 s wait for a Mars PROM read that never ends;
//  5. the statistics of a record: cost per reading at 500 readings of 6 parameters, against the
//     20.8 ms an "M" line takes on the wire; 500 "M" lines from the simulated box against their
//     floor; a page change of the limits editor on a 435 with six slugs; CPU while a record
//     waits for coins.
//  6. the validator test's start per family (button to window), against its floor on virtual
//     time (the wire time of its bytes at 9600 baud, the 100 ms break, the waits it prescribes:
//     the ME181 50 ms pulse, the G10 logon's 100 and 250 ms pauses);
//  7. CPU used while an open validator test waits 10 s for a coin;
//  8. samples per second per family with coins dropped back to back, against the same floor;
//  9. the limits editor's programming job of each family (Mars 2K bipolar PROM with its blank
//     check and verify, CC 435 EEPROM with verify, G13-6000 records) and a whole Mars coin set
//     run (MS1400, the demo's coins), against their floor on virtual time, with every box
//     answered at once; CPU used while a run waits 10 s for the first coin of a record;
// 10. the memory windows' jobs against their floor: a 435 programmed from a data file whose
//     every word differs, with its verify; a G13-6000 and a G10-4000 programmed from a data
//     file; the PROM data view's 2K "Read PROM" with its report; the CPU while NRI programming
//     waits out its 500 ms gaps (the 10 s PROM time-out is item 4).

#include "platform/timer.h"
#include "quenby/clonewizard/clonewizard.h"
#include "quenby/clonewizard/coinmeasure.h"
#include "quenby/link/boxcheck.h"
#include "quenby/link/familytable.h"
#include "quenby/link/imagemap.h"
#include "quenby/link/marsprom.h"
#include "quenby/link/mechfamily.h"
#include "quenby/link/nrimech.h"
#include "quenby/memutils/frmprom.h"
#include "quenby/memutils/memoryjobs.h"
#include "quenby/memutils/nridatafile.h"
#include "quenby/program.h"
#include "quenby/shell/frmmain.h"
#include "quenby/shell/frmvaltest.h"
#include "quenby/shell/settings.h"
#include "sim/ccmech.h"
#include "sim/marssocket.h"
#include "sim/nrimech.h"
#include "sim/quenbybox.h"
#include "sim/quenbydemo.h"
#include "sim/quenbymechs.h"
#include "sim/simport.h"
#include "tests/bench/benchsupport.h"
#include "tests/bench/quenbyrig.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QRadioButton>
#include <cstdio>

namespace {

using namespace qbench;

void memoryJobs()
{
    std::printf("memory jobs (floor: the job on virtual time = wire time at 9600 baud, box latency %lld ms, "
                "the jobs' fixed waits on the 20 ms tick):\n",
                (long long)sim::QuenbyBox().latencyMs);
    auto read = [](MechRig& r) { quenby::readMechMemory(r.ctx()); };
    const Job jobs[] = {
        {"CC 435 read", "CC", "435", {}, read},
        {"Sentinel read", "CC", "Sentinel", {}, read},
        {"G13-6000 read", "NRI", "G13-6000", {}, read},
        {"G13-0000 programming", "NRI", "G13-0000",
         [](MechRig& r) {
             for (int c = 1; c <= 6; ++c)
                 for (int col = 1; col <= 8; ++col)
                     r.mem.coins.coinLimitTable(c, col) = 20 * col + c;
         },
         [](MechRig& r) { quenby::NriFamily(r.ctx(), quenby::mechEntry(quenby::Family::NRI, "G13-0000")).program(); }},
        {"Mars 2K read", "Mars", "ME111", [](MechRig& r) { r.mem.promSize = 1; }, read},
        {"Mars segment burnt", "Mars", "ME111",
         [](MechRig& r) {
             static_cast<sim::MarsSocket*>(r.box.plugged())->insert(sim::MarsProm::blank(512, sim::MarsProm::Kind::Ombrix));
             for (int a = 0; a < 128; ++a)
                 r.mem.images.progImage[size_t(a)] = a % 16;
             r.mem.currentSegment = 1;
         },
         [](MechRig& r) { quenby::MarsPromFamily(r.ctx(), quenby::mechEntry(quenby::Family::Mars, "ME111")).programRange(0, 127); }},
    };
    for (const Job& j : jobs)
        benchJob(j);
}

// A Mars read whose PROM socket never answers: the whole 10 s time-out.
void marsTimeout()
{
    plat::RealScheduler rs;
    MechRig r(rs, "Mars", "ME111");
    r.box.plug(nullptr);
    r.mem.promSize = 1;
    const bench::CpuUse u = bench::measureCpu(rs, [&] { quenby::readMechMemory(r.ctx()); });
    std::printf("Mars read time-out: waited %.2f s, CPU %.4f s = %.2f%% of one core (goal: under 1%%)\n", u.wallS,
                u.cpuS, u.percent());
}

// ---- statistics of a record --------------------------------------------------------------------

// One "M" line ("M", three blanks-and-fields of 6 characters, CR) at 9600 baud, 10 bits a byte.
constexpr double kLineWireMs = 20 * 10 * 1000.0 / 9600;

// A rig whose "M" lines go to the statistics of a record being gathered.
struct RecordRig : MechRig {
    struct ToStats : quenby::LinkParsers {
        quenby::CoinMeasure* cm = nullptr;
        void loadMeasurement(const QString& line) override { cm->loadMeasurement(line); }
    } toStats;
    quenby::MeasureState measure;
    quenby::CoinMeasure cm;
    plat::MemoryView panel{quenby::statsPanelControls(), "frmCoinMeasure1"};

    RecordRig(plat::Scheduler& s, const QString& family, const QString& model, int coins)
        : MechRig(s, family, model),
          cm({svc, texts, errors, job, params, measure, [] { return quenby::ReadingRanges{}; }})
    {
        toStats.cm = &cm;
        cm.setPanel(&panel);
        cm.updateStats(1);
        cm.stats.limitSource.fill(quenby::limitsrc::TwoSd);
        cm.runActive = true;
        job.measuring = true;
        measure.samplesLeft = coins;
    }
    // Puts the box into sample mode and hands it `coins` coins at once; they leave the box back
    // to back at wire speed.
    void marsLines(int coins)
    {
        link.setParsers(toStats);
        link.sendAndWait("M");
        link.sendData("N");
        link.waitFor(100);
        for (int i = 0; i < coins; ++i) {
            box.queueReading({800 + i % 23, 640 - i % 17, 1200 + i % 29});
            box.dropCoin(1);
        }
    }
};

void readingCost()
{
    plat::VirtualScheduler vs;
    RecordRig r(vs, "NRI", "G13-6000", 500);
    QElapsedTimer t;
    t.start();
    qint64 slowestNs = 0;
    for (int i = 0; i < 500; ++i) {
        for (int p = 0; p < 6; ++p)
            r.measure.currentReading[size_t(p)] = 100 + (i * (p + 3)) % 41;
        const qint64 t0 = t.nsecsElapsed();
        r.cm.updateStats(0);
        slowestNs = std::max(slowestNs, t.nsecsElapsed() - t0);
    }
    const double meanMs = double(t.nsecsElapsed()) / 1e6 / 500;
    std::printf("statistics: 500 readings of 6 parameters, %.3f ms a reading on average, the slowest %.3f ms; "
                "an \"M\" line takes %.1f ms on the wire\n",
                meanMs, double(slowestNs) / 1e6, kLineWireMs);
}

void marsLinesAgainstTheFloor()
{
    plat::Millis floorMs = 0;
    {
        plat::VirtualScheduler vs;
        RecordRig r(vs, "Mars", "ME111", 500);
        const plat::Millis t0 = vs.nowMs();
        r.marsLines(500);
        r.link.waitFor(60000, [&] { return r.measure.samplesLeft < 1; });
        floorMs = vs.nowMs() - t0;
    }
    plat::RealScheduler rs;
    RecordRig r(rs, "Mars", "ME111", 500);
    const double c0 = bench::cpuSeconds();
    const plat::Millis t0 = rs.nowMs();
    r.marsLines(500);
    r.link.waitFor(60000, [&] { return r.measure.samplesLeft < 1; });
    const plat::Millis took = rs.nowMs() - t0;
    const double cpu = bench::cpuSeconds() - c0;
    std::printf("500 \"M\" lines from the simulated box: %lld ms, floor %lld ms (wire time), over the floor %+.1f%%, "
                "CPU %.3f s, %d readings taken\n",
                (long long)took, (long long)floorMs, 100.0 * double(took - floorMs) / double(floorMs), cpu,
                r.cm.stats.readingsTaken);
}

void recordWaitCpu()
{
    plat::RealScheduler rs;
    RecordRig r(rs, "Mars", "ME111", 5);
    r.link.setParsers(r.toStats);
    r.link.sendAndWait("M");
    r.link.sendData("N");
    const bench::CpuUse u =
        bench::measureCpu(rs, [&] { r.link.waitFor(5000, [&] { return r.measure.samplesLeft < 1; }); });
    std::printf("a record waiting for coins: waited %.2f s, CPU %.4f s = %.2f%% of one core (goal: under 1%%)\n",
                u.wallS, u.cpuS, u.percent());
}

void pageChange435(bench::OkDialogs& dialogs, bench::Silent& sound)
{
    plat::RealScheduler sched;
    bench::Env env;
    sim::QuenbyBox box;
    sim::SimPort* port = nullptr;
    quenby::Program p(services(sched, dialogs, sound, env, box, &port));
    p.job.beginJob(quenby::Family::CC, "435");
    quenby::setMechParameters(p.params, quenby::Family::CC, "435", p.texts);
    quenby::CoinTables& t = p.memory.coins;
    for (int c = 1; c <= 16; ++c) {
        for (int col = 1; col <= 10; col += 2) {
            t.coinLimitTable(c, col) = 10 * c + col;
            t.coinLimitTable(c, col + 1) = 10 * c + col + 30;
        }
        t.coinRecordIndex(c, 0) = 1;
        t.coinRecordIndex(c, 1) = c;
        for (int k = 0; k < 5; ++k) {
            t.coinsetStats(c, k) = float(10 * c + 2 * k + 15);
            t.coinsetStats(c, k + 5) = 2;
            t.coinsetStats(c, k + 10) = 3;
        }
    }
    for (int s = 0; s < 6; ++s) {
        const int row = 40 + s;
        for (int k = 0; k < 5; ++k) {
            t.coinsetRecords(row, 2 * k + 2) = 30 * s + 5;
            t.coinsetRecords(row, 2 * k + 3) = 30 * s + 40;
            t.coinsetStats(row, k) = float(30 * s + 20);
            t.coinsetStats(row, k + 5) = 4;
            t.coinsetStats(row, k + 10) = 4;
        }
        t.slugRecordIndex(s) = row;
    }
    t.slugCount = 6;
    quenby::frmPROM& f = p.promForm();
    f.setupfrmPROM();
    f.selectSegment(0);
    const int changes = 200;
    QElapsedTimer timer;
    timer.start();
    for (int i = 1; i <= changes; ++i)
        f.controls().get<QRadioButton>("optSeg", i % 2)->click();
    const double ms = double(timer.nsecsElapsed()) / 1e6 / changes;
    std::printf("limits editor, 435 with 6 slugs: a page change (grid, colours, estimate, drawn) takes %.3f ms\n",
                ms);
}

// The whole program on a clock, started against the simulated box with a mech of the model.
struct AppRig {
    bench::OkDialogs dialogs;
    bench::Silent sound;
    bench::Env env;
    sim::QuenbyBox box;
    sim::SimPort* port = nullptr;
    std::unique_ptr<quenby::Program> p;

    AppRig(plat::Scheduler& s, const QString& model, bool start)
    {
        box.version = QStringLiteral("V2.10");
        box.swapMech(model, false);
        QFile f(env.dir.filePath("config0000.txt"));
        f.open(QIODevice::WriteOnly);
        f.write(quenby::settingsLine(1, "English", {}));
        f.close();
        p = std::make_unique<quenby::Program>(services(s, dialogs, sound, env, box, &port));
        if (start) {
            p->start();
            return;
        }
        quenby::frmMain& m = p->mainForm();
        m.Timer1.setInterval(20);
        m.Timer1.setEnabled(true);
        p->link.openPort(1);
    }
};

struct TestStart {
    const char* tab;   // the family's model list
    const char* button;
    const char* model;
};
const TestStart kTestStarts[] = {
    {"cmbMarsMech", "cmdValtest", "ME111"},        {"cmbMarsMech", "cmdValtest", "ME181"},
    {"cmbCCmech", "cmdCCValTest", "C120"},         {"cmbCCmech", "cmdCCValTest", "335"},
    {"cmbNRImech", "cmdNRIvaltest", "G13-6000"},   {"cmbNRImech", "cmdNRIvaltest", "G40-0000"},
    {"cmbNRImech", "cmdNRIvaltest", "G10-4000/5"},
};

// From the button to the open test window.
plat::Millis timeTestStart(plat::Scheduler& s, const TestStart& t)
{
    AppRig r(s, QString::fromLatin1(t.model), true);
    plat::NamedControls& c = r.p->mainForm().controls();
    c.setText(QString::fromLatin1(t.tab), QString::fromLatin1(t.model));
    const plat::Millis t0 = s.nowMs();
    c.get<QPushButton>(QString::fromLatin1(t.button))->click();
    const plat::Millis took = s.nowMs() - t0;
    if (!r.p->valtestIfLoaded() || !r.p->valtestIfLoaded()->isVisible())
        std::printf("  (%s: no test window)\n", t.model);
    return took;
}

void validatorTestStarts()
{
    std::printf("validator test start, button to window (floor: the same start on virtual time):\n");
    for (const TestStart& t : kTestStarts) {
        plat::VirtualScheduler vs;
        const plat::Millis floorMs = timeTestStart(vs, t);
        plat::RealScheduler rs;
        const double c0 = bench::cpuSeconds();
        const plat::Millis took = timeTestStart(rs, t);
        std::printf("  %-11s %5lld ms  floor %5lld ms  over the floor %+5.1f%%  CPU %.3f s\n", t.model,
                    (long long)took, (long long)floorMs, 100.0 * double(took - floorMs) / double(floorMs),
                    bench::cpuSeconds() - c0);
    }
}

// An open test with no coin for 10 s: the 20 ms and 100 ms timers tick, nothing else happens.
void openTestCpu()
{
    plat::RealScheduler rs;
    AppRig r(rs, QStringLiteral("C120"), true);
    plat::NamedControls& c = r.p->mainForm().controls();
    c.setText(QStringLiteral("cmbCCmech"), QStringLiteral("C120"));
    c.get<QPushButton>(QStringLiteral("cmdCCValTest"))->click();
    const bench::CpuUse u = bench::measureCpu(rs, [&] {
        const plat::Millis t0 = rs.nowMs();
        while (rs.nowMs() - t0 < 10000)
            rs.pump();
    });
    std::printf("open validator test, no coin: waited %.2f s, CPU %.4f s = %.2f%% of one core (goal: under 1%%)\n",
                u.wallS, u.cpuS, u.percent());
}

// Takes every sample and drops the next coin as soon as one has arrived.
struct BackToBack : quenby::CoinMeasureWindow {
    quenby::Program* p = nullptr;
    sim::QuenbyBox* box = nullptr;
    plat::Scheduler* s = nullptr;
    int got = 0;
    void next()
    {
        if (p->measure.samplesLeft < 1)
            return;
        // A mech that is not ready yet (its "T" still on the wire) takes the coin a moment later.
        s->callAfter(1, [this] {
            if (!box->dropCoin(1))
                next();
        });
    }
    void updateStats(int) override
    {
        ++got;
        if (p->job.measuring)
            --p->measure.samplesLeft;
        next();
    }
    void loadMeasurement(const QString&) override
    {
        ++got;
        --p->measure.samplesLeft;
        next();
    }
};

plat::Millis timeSamples(plat::Scheduler& s, const char* family, const char* model, int n)
{
    AppRig r(s, QString::fromLatin1(model), false);
    quenby::Program& p = *r.p;
    auto w = std::make_unique<BackToBack>();
    BackToBack& b = *w;
    b.p = &p;
    b.box = &r.box;
    b.s = &s;
    p.setCoinMeasure(std::move(w));
    p.job.beginJob(quenby::familyNamed(QString::fromLatin1(family)), QString::fromLatin1(model));
    quenby::setMechParameters(p.params, p.job.mechFamily, p.job.mechModel, p.texts);
    if (p.job.mechFamily == quenby::Family::Mars)
        p.link.sendAndWait("M"); // the box sends sample lines rather than reports after "M"
    p.measure.samplesLeft = n;
    const plat::Millis t0 = s.nowMs();
    b.next(); // the first coin, as soon as the mech takes it
    p.measurement().startMeasurement(1);
    p.job.measuring = true;
    while (p.measure.samplesLeft >= 1)
        s.pump();
    const plat::Millis took = s.nowMs() - t0;
    p.measurement().stopMeasurement();
    p.job.measuring = false;
    if (b.got < n)
        std::printf("  (%s: %d of %d samples)\n", model, b.got, n);
    return took;
}

void samplesPerSecond()
{
    constexpr int kSamples = 40;
    std::printf("samples per second, %d coins back to back (floor: the same on virtual time):\n", kSamples);
    const std::pair<const char*, const char*> models[] = {
        {"Mars", "ME111"}, {"CC", "C120"}, {"CC", "450"}, {"CC", "Sentinel"}, {"NRI", "G18-3000"}, {"NRI", "G13-0000"}};
    for (const auto& [family, model] : models) {
        const auto [floorMs, took] =
            bench::floorAndReal([&](plat::Scheduler& s) { return timeSamples(s, family, model, kSamples); });
        std::printf("  %-9s %6.1f samples/s  floor %6.1f samples/s  (%lld ms, floor %lld ms)\n", model,
                    1000.0 * kSamples / double(qMax<plat::Millis>(1, took)),
                    1000.0 * kSamples / double(qMax<plat::Millis>(1, floorMs)), (long long)took,
                    (long long)floorMs);
    }
}

// ---- 9. the cloning road --------------------------------------------------------------------------

// Every box answered at once: YES to a gather prompt, OK to the rest.
struct AnswerAtOnce : plat::Dialogs {
    std::function<void()> onBox;
    int msgBox(const QString&, int style, const QString&) override
    {
        if (onBox)
            onBox();
        return plat::mb::buttonsOf(style) == plat::mb::YesNoCancel ? plat::mb::Yes : plat::mb::OK;
    }
    QString openFileName(const QString&, const QString&, const QString&) override { return {}; }
    QString saveFileName(const QString&, const QString&, const QString&) override { return {}; }
};

// The whole program with the model's sample coin set in its folder; the demo's hands swap PROMs
// at the prompts and open the sample set; with coins, the demo's coins drop while it measures.
struct CloneRig {
    AnswerAtOnce answers;
    bench::Silent sound;
    bench::Env env;
    sim::QuenbyBox box;
    sim::QuenbyDemoHands hands{answers, box, true};
    std::unique_ptr<sim::QuenbyDemoCoins> coins;
    std::unique_ptr<quenby::Program> p;

    CloneRig(plat::Scheduler& s, const QString& family, const QString& model, bool dropCoins = false)
    {
        box.swapMech(model, false);
        QDir(env.dir.path()).mkpath("CoinSets");
        const QString set = sim::QuenbyDemoHands::sampleSetFile(model);
        QFile::copy(QStringLiteral(COINSETS_DIR "/") + set, env.dir.filePath("CoinSets/" + set));
        plat::Services svc = bench::services(s, hands, sound, env);
        svc.makePort = [&s, this] { return std::make_unique<sim::SimPort>(s, box); };
        p = std::make_unique<quenby::Program>(svc);
        quenby::frmMain& m = p->mainForm();
        m.Timer1.setInterval(20);
        m.Timer1.setEnabled(true);
        p->link.openPort(1);
        p->job.beginJob(quenby::familyNamed(family), model);
        quenby::setMechParameters(p->params, quenby::familyNamed(family), model, p->texts);
        if (dropCoins) {
            coins = std::make_unique<sim::QuenbyDemoCoins>(s, box);
            coins->setOrder(sim::QuenbyDemoCoins::sampleSetOrder(model));
            coins->start();
        }
        p->coinMeasure().CoinInitialise(0);
    }
    // Windows for every channel, in the image as a transfer leaves it, and the editor laid out.
    void editorWithWindows()
    {
        quenby::CoinTables& t = p->memory.coins;
        const bool mars = p->job.mechFamily == quenby::Family::Mars;
        if (mars) {
            p->memory.promSize = 1;
            t.segmentSelected(0) = t.segmentSelected(1) = true;
            p->memory.bipolarProm = true;
        } else {
            // As the transfer leaves it: the editor programs only over a whole read of the mech.
            quenby::readMechMemory(p->mech().ctx);
        }
        for (int c = 1; c <= 12; ++c)
            for (int k = 1; k <= 2 * p->params.paramCount; ++k)
                t.coinLimitTable(c, k) = (mars ? 1000 : 40) + 10 * c + 3 * k;
        auto family = p->mech().forJob();
        for (int s = 0; s <= (mars ? 1 : 0); ++s)
            quenby::mapCoinTableToProm(*family, s);
        p->promForm().setupfrmPROM();
    }
};

plat::Millis timeProgramming(plat::Scheduler& s, const char* family, const char* model)
{
    CloneRig r(s, QString::fromLatin1(family), QString::fromLatin1(model));
    r.editorWithWindows();
    const plat::Millis t0 = s.nowMs();
    r.p->clone().editor.cmdProgPROM_Click();
    if (!r.p->promForm().controls().isEnabled("cmdValtest"))
        std::printf("  (%s: not verified)\n", model);
    return s.nowMs() - t0;
}

plat::Millis timeRun(plat::Scheduler& s, double* cpu)
{
    CloneRig r(s, "Mars", "MS1400", true);
    const double c0 = bench::cpuSeconds();
    const plat::Millis t0 = s.nowMs();
    r.p->clone().run.cmdOpenCoinset_Click();
    if (cpu)
        *cpu = bench::cpuSeconds() - c0;
    if (!r.p->promIfLoaded() || !r.p->promForm().isVisible())
        std::printf("  (the run did not reach the limits editor)\n");
    return s.nowMs() - t0;
}

void cloningRoad()
{
    std::printf("programming jobs of the limits editor, every box answered at once (floor: the job on virtual "
                "time):\n");
    const std::pair<const char*, const char*> jobs[] = {{"Mars", "ME111"}, {"CC", "435"}, {"NRI", "G13-6000"}};
    for (const auto& [family, model] : jobs) {
        plat::VirtualScheduler vs;
        const plat::Millis floorMs = timeProgramming(vs, family, model);
        plat::RealScheduler rs;
        const double c0 = bench::cpuSeconds();
        const plat::Millis took = timeProgramming(rs, family, model);
        const double cpu = bench::cpuSeconds() - c0;
        std::printf("  %-9s %6lld ms  floor %6lld ms  over the floor %+5.1f%%  CPU %.3f s\n", model, (long long)took,
                    (long long)floorMs, 100.0 * double(took - floorMs) / double(floorMs), cpu);
    }
    plat::VirtualScheduler vs;
    const plat::Millis floorMs = timeRun(vs, nullptr);
    plat::RealScheduler rs;
    double cpu = 0;
    const plat::Millis took = timeRun(rs, &cpu);
    std::printf("Mars coin set run (MS1400.cst, 60 coins of the demo, transfer): %lld ms  floor %lld ms  over the "
                "floor %+5.1f%%  CPU %.3f s\n",
                (long long)took, (long long)floorMs, 100.0 * double(took - floorMs) / double(floorMs), cpu);
}

// A run whose first record waits 10 s for coins that do not come, then Cancel Operation.
void gatheringWaitCpu()
{
    plat::RealScheduler rs;
    CloneRig r(rs, "Mars", "MS1400");
    double c0 = 0;
    plat::Millis t0 = 0;
    double cpu = 0;
    plat::Millis wall = 0;
    r.answers.onBox = [&] {
        if (t0)
            return;
        // The first box is the first record's gather prompt: the wait starts once it is answered.
        t0 = rs.nowMs();
        c0 = bench::cpuSeconds();
        rs.callAfter(10000, [&] {
            cpu = bench::cpuSeconds() - c0;
            wall = rs.nowMs() - t0;
            r.p->clone().frame.cmdBack_Click();
        });
    };
    r.p->clone().run.cmdOpenCoinset_Click();
    std::printf("a coin set run waiting for coins: waited %.2f s, CPU %.4f s = %.2f%% of one core (goal: under 1%%)\n",
                double(wall) / 1000.0, cpu, 100.0 * cpu / (double(wall) / 1000.0));
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
        const bench::CpuUse u = bench::measureCpu(sched, [&] {
            for (int i = 0; i < 3; ++i)
                p.link.sendAndWait("S");
        });
        std::printf("silent box: waited %.2f s, CPU %.4f s = %.2f%% of one core (goal: under 1%%)\n", u.wallS,
                    u.cpuS, u.percent());
    }

    // 3. and 4.
    memoryJobs();
    marsTimeout();

    // 5.
    readingCost();
    marsLinesAgainstTheFloor();
    pageChange435(dialogs, sound);
    recordWaitCpu();

    // 6. to 8.
    validatorTestStarts();
    openTestCpu();
    samplesPerSecond();

    // 9.
    cloningRoad();
    gatheringWaitCpu();

    // 10.
    qbench::memoryWindowJobs();
    return 0;
}
