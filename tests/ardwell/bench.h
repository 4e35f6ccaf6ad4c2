#pragma once
// A program on virtual time in front of the simulated box and mech, for scenario tests.

#include "ardwell/bench/coinbench.h"
#include "ardwell/bench/lamps.h"
#include "ardwell/link/frmmain.h"
#include "ardwell/program.h"
#include "sim/ardwellbox.h"
#include "sim/simport.h"
#include "tests/support/testservices.h"

#include <QAbstractButton>
#include <functional>
#include <memory>

namespace ardwell_test {

// A MemoryView that knows exactly the main window's controls: the registry of a window built
// offscreen, so logic tested without the window renders only into names the window has.
inline plat::MemoryView mainWindowMemoryView()
{
    static const plat::ControlNames names = [] {
        testing_support::TestServices ts;
        return ardwell::Program(ts.services()).window().controls().names();
    }();
    return plat::MemoryView(names, QStringLiteral("frmMain"));
}

// Mech jobs whose steps a test scripts; a step left unscripted does nothing.
struct ScriptedJobs : ardwell::MechJobs {
    std::function<void()> programme, adjust, test, write;
    std::function<void(bool)> enable;

    void programmeJob() override { if (programme) programme(); }
    void adjustJob() override { if (adjust) adjust(); }
    void testJob() override { if (test) test(); }
    void enableProgrammeControls(bool on) override { if (enable) enable(on); }
    void cmdProg_Click() override { if (write) write(); }
};

struct Bench {
    explicit Bench(const QString& mechModel = QStringLiteral("330")) : mech(mechModel), box(*ts.sched, mech)
    {
        ts.makePort = [this] {
            auto p = std::make_unique<sim::SimPort>(*ts.sched, box);
            p->setOpenResult(openResult);
            port = p.get();
            return p;
        };
    }

    // Starts the program; false when it ended during start-up.
    bool start(const QString& commandLine = {})
    {
        program = std::make_unique<ardwell::Program>(ts.services(), commandLine);
        try {
            program->start();
        } catch (const plat::ProgramEnded&) {
            return false;
        }
        return true;
    }

    // Starts the program with settings that name port 3 and the model, so the box answers and
    // the job buttons are enabled; false when it ended during start-up.
    bool startWithBox(const QString& model = QStringLiteral("330"), const QString& commandLine = {})
    {
        ts.writeFile("config.txt", "3,\"" + model.toLatin1() + "\"\r\n");
        return start(commandLine);
    }

    ardwell::frmMain& win() { return program->window(); }
    plat::View& view() { return program->window().controls(); }
    // The user clicks a button (element `index` of a control array).
    void click(const QString& name, int index = -1) { win().controls().get<QAbstractButton>(name, index)->click(); }
    ardwell::LinkState& st() { return program->state(); }
    ardwell::EepromJob& job() { return program->coinBench().eeprom(); }
    // Replaces the program's mech jobs by scripted ones (after start()).
    ScriptedJobs& scriptJobs()
    {
        auto jobs = std::make_unique<ScriptedJobs>();
        ScriptedJobs& out = *jobs;
        program->setJobs(std::move(jobs));
        return out;
    }
    QByteArray sent() const { return port ? port->sentWithBreaks() : QByteArray(); }
    bool portEverOpened() const
    {
        if (!port)
            return false;
        for (const auto& e : port->transcript())
            if (e.kind == sim::TranscriptEntry::Open)
                return true;
        return false;
    }

    testing_support::TestServices ts;
    sim::ArdwellMech mech;
    sim::ArdwellBox box;
    plat::OpenResult openResult = plat::OpenResult::Ok;
    sim::SimPort* port = nullptr;
    std::unique_ptr<ardwell::Program> program; // last: goes before the box it talks to
};

} // namespace ardwell_test
