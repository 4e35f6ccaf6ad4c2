// The second program. ARDWELL_HOME overrides the program folder; ARDWELL_SIMULATED_BOX (set,
// not "0") runs against the simulated box and mech in real time instead of a serial port, its
// value naming the mech's model when it is one ("126", "330", "340", "560", "PCA"). Coins drop
// through the simulated mech at random every one to two seconds, so every panel shows traffic.

#include "ardwell/bench/models.h"
#include "ardwell/program.h"
#include "platform/gui/realservices.h"
#include "sim/ardwellbox.h"
#include "sim/simport.h"

#include <QApplication>
#include <QStringList>
#include <memory>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    plat::RealServices real(QStringLiteral("ardwell"), QStringLiteral("ARDWELL_HOME"));

    const QByteArray simulated = qgetenv("ARDWELL_SIMULATED_BOX");
    std::unique_ptr<sim::ArdwellMech> mech;
    std::unique_ptr<sim::ArdwellBox> box;
    plat::Services services;
    if (!simulated.isEmpty() && simulated != "0") {
        const auto model = ardwell::modelFromText(QString::fromLocal8Bit(simulated));
        mech = std::make_unique<sim::ArdwellMech>(ardwell::modelText(model.value_or(ardwell::Model::M330)));
        box = std::make_unique<sim::ArdwellBox>(real.sched, *mech);
        box->startRandomDrops(1000, 2000);
        sim::ArdwellBox* b = box.get();
        plat::Scheduler* sched = &real.sched;
        services = real.services([sched, b] { return std::make_unique<sim::SimPort>(*sched, *b); });
    } else {
        services = real.services();
    }

    ardwell::Program program(services, app.arguments().mid(1).join(QLatin1Char(' ')));
    program.start();
    return app.exec();
}
