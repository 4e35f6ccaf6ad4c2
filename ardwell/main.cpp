// The second program. ARDWELL_HOME overrides the program folder; ARDWELL_SIMULATED_BOX (set,
// not "0") runs against the simulated box and mech in real time instead of a serial port, its
// value naming the mech's model when it is one ("126", "330", "340", "560", "PCA"). Coins drop
// through the simulated mech at random every one to two seconds, so every panel shows traffic.
// With the simulated box, ARDWELL_DEMO_STEPS (button names separated by commas, such as
// "cmdProgramme,cmdCoinData,cmdProg") presses those buttons one after another for a demo run
// without a user: each once the program has been idle a moment, and every message box is
// answered with its default button after it has been shown for a while.

#include "ardwell/bench/models.h"
#include "ardwell/program.h"
#include "platform/gui/realservices.h"
#include "sim/ardwellbox.h"
#include "sim/simport.h"

#include "ardwell/link/frmmain.h"
#include "platform/gui/demopilot.h"

#include <QApplication>
#include <QPushButton>
#include <cstdio>
#include <memory>
#include <system_error>

namespace {

int runProgram(int argc, char** argv)
{
    QApplication app(argc, argv);
    plat::RealServices real(QStringLiteral("ardwell"), QStringLiteral("ARDWELL_HOME"));

    const QByteArray simulated = qgetenv("ARDWELL_SIMULATED_BOX");
    std::unique_ptr<sim::ArdwellMech> mech;
    std::unique_ptr<sim::ArdwellBox> box;
    plat::Services services;
    if (!simulated.isEmpty() && simulated != "0") {
        const auto model = ardwell::modelFromText(QString::fromLocal8Bit(simulated));
        mech = std::make_unique<sim::ArdwellMech>(ardwell::modelText(model.value_or(ardwell::kDesignModel)));
        box = std::make_unique<sim::ArdwellBox>(real.sched, *mech);
        box->keepRecentRecords(); // nothing reads them here, and a working day would pile them up
        box->startRandomDrops(1000, 2000);
        sim::ArdwellBox* b = box.get();
        plat::Scheduler* sched = &real.sched;
        services = real.services([sched, b] { return std::make_unique<sim::SimPort>(*sched, *b); });
    } else {
        services = real.services();
    }

    ardwell::Program program(services, app.arguments().mid(1).join(QLatin1Char(' ')));
    program.start();
    std::unique_ptr<plat::DemoPilot> pilot;
    const QString steps = qEnvironmentVariable("ARDWELL_DEMO_STEPS");
    if (box && !steps.isEmpty()) {
        plat::DemoPilot::Hooks hooks;
        hooks.button = [&program](const QString& name) {
            return qobject_cast<QPushButton*>(program.window().controls().widget(name));
        };
        pilot = std::make_unique<plat::DemoPilot>(program.guard(), steps.split(QLatin1Char(','), Qt::SkipEmptyParts),
                                                  std::move(hooks), QStringLiteral("ARDWELL_DEMO_STEPS"));
    }
    return app.exec();
}

} // namespace

int main(int argc, char** argv)
{
    // A program whose clock cannot run would wait for ever: it ends at once, saying why.
    try {
        return runProgram(argc, argv);
    } catch (const std::system_error& e) {
        std::fprintf(stderr, "ardwell: %s\n", e.what());
        return 1;
    }
}
