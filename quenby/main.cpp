// The first program: the real port, or the simulated programmer box when QUENBY_SIMULATED_BOX is
// set (not empty, not "0"). The program folder is QUENBY_HOME when set, else the executable's.

#include "platform/gui/realservices.h"
#include "quenby/program.h"
#include "sim/quenbybox.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    // The program ends through its own end (Exit, Cancel, close box), never by a last window.
    QApplication::setQuitOnLastWindowClosed(false);

    plat::RealServices real(QStringLiteral("quenby"), QStringLiteral("QUENBY_HOME"));
    const QByteArray simulated = qgetenv("QUENBY_SIMULATED_BOX");
    sim::QuenbyBox box;
    plat::Services services;
    if (!simulated.isEmpty() && simulated != "0")
        services = real.services([&] { return std::make_unique<sim::SimPort>(real.sched, box); });
    else
        services = real.services();

    quenby::Program program(services);
    program.start();
    return QApplication::exec();
}
