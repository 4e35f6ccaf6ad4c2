// The first program: the real port, or the simulated programmer box when QUENBY_SIMULATED_BOX is
// set (not empty, not "0"). The program folder is QUENBY_HOME when set, else the executable's.
// With the simulated box, QUENBY_SIMULATED_MECH names the model of the mech plugged into it
// ("ME111", "C120", "Sentinel", "G13-6000", ...; none when unset), through which the box drops a
// coin every few seconds while it reports or samples; QUENBY_SIMULATED_COINS=0 keeps them back.

#include "platform/gui/realservices.h"
#include "quenby/program.h"
#include "sim/quenbybox.h"
#include "sim/quenbydemo.h"
#include "sim/quenbymechs.h"

#include <QApplication>
#include <cstdio>
#include <stdexcept>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    // The program ends through its own end (Exit, Cancel, close box), never by a last window.
    QApplication::setQuitOnLastWindowClosed(false);

    plat::RealServices real(QStringLiteral("quenby"), QStringLiteral("QUENBY_HOME"));
    const QByteArray simulated = qgetenv("QUENBY_SIMULATED_BOX");
    sim::QuenbyBox box;
    std::unique_ptr<sim::QuenbyDemoCoins> coins;
    plat::Services services;
    if (!simulated.isEmpty() && simulated != "0") {
        const QString model = QString::fromLocal8Bit(qgetenv("QUENBY_SIMULATED_MECH"));
        if (!model.isEmpty()) {
            try {
                box.plugOwned(sim::makeQuenbyMech(model));
            } catch (const std::invalid_argument&) {
                std::fprintf(stderr, "QUENBY_SIMULATED_MECH: no simulated mech of model \"%s\"\n", qPrintable(model));
            }
        }
        box.version = QStringLiteral("V2.10"); // a box recent enough to report Mars rejects
        if (qgetenv("QUENBY_SIMULATED_COINS") != "0") {
            coins = std::make_unique<sim::QuenbyDemoCoins>(real.sched, box);
            coins->setOrder(sim::QuenbyDemoCoins::sampleSetOrder(model));
            coins->start();
        }
        services = real.services([&] { return std::make_unique<sim::SimPort>(real.sched, box); });
    } else {
        services = real.services();
    }

    quenby::Program program(services);
    program.start();
    return QApplication::exec();
}
