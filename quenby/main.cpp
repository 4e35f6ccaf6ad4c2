// The first program: the real port, or the simulated programmer box when QUENBY_SIMULATED_BOX is
// set (not empty, not "0"). The program folder is QUENBY_HOME when set, else the executable's.
// With the simulated box, QUENBY_SIMULATED_MECH names the model of the mech plugged into it
// ("ME111", "C120", "Sentinel", "G13-6000", ...; none when unset), through which the box drops a
// coin every few seconds while it reports or samples; QUENBY_SIMULATED_COINS=0 keeps them back.
// QUENBY_DEMO_STEPS (control names separated by commas, such as "cmdValtest,cmdBack" or
// "cmdMars,cmdOpenCoinset,cmdProgPROM") presses those buttons and option buttons of the window in
// front (main window, coin measurement window, limits editor, validator test, memory windows)
// one after another
// for a demo run without a user, the simulated mech's model chosen on its family's tab first;
// each once the program has been idle a moment, and every message box is answered with its
// default button after it has been shown for a while. A coin set run then opens the sample set of
// the simulated mech's model, and with the simulated box the PROMs are swapped in its socket at
// the program's prompts.

#include "platform/gui/demopilot.h"
#include "platform/gui/realservices.h"
#include "quenby/clonewizard/frmcoinmeasure1.h"
#include "quenby/memutils/frmeepromdata.h"
#include "quenby/memutils/frmnridata.h"
#include "quenby/memutils/frmprom.h"
#include "quenby/memutils/frmpromdata.h"
#include "quenby/program.h"
#include "quenby/shell/frmmain.h"
#include "quenby/shell/frmvaltest.h"
#include "sim/quenbybox.h"
#include "sim/quenbydemo.h"
#include "sim/quenbymechs.h"
#include "sim/records.h"

#include <QAbstractButton>
#include <QApplication>
#include <QTabWidget>
#include <cstdio>
#include <stdexcept>
#include <system_error>
#include <vector>

namespace {

// The simulated mech's model on its family's tab, once the menu is up.
void chooseModel(quenby::Program& program, const QString& model)
{
    plat::NamedControls& c = program.mainForm().controls();
    for (const char* list : {"cmbMarsMech", "cmbCCmech", "cmbNRImech"}) {
        const QString name = QString::fromLatin1(list);
        if (!c.items(name).contains(model))
            continue;
        c.setText(name, model);
        auto* tabs = c.get<QTabWidget>(QStringLiteral("tabManufacturer"));
        for (int i = 0; i < tabs->count(); ++i)
            if (tabs->widget(i)->isAncestorOf(c.widget(name)))
                tabs->setCurrentIndex(i);
    }
}

// The button of that name in the window in front: a memory window, the limits editor, the coin
// measurement window, the validator test, then the main window.
QAbstractButton* frontButton(quenby::Program& program, const QString& name)
{
    std::vector<std::pair<QWidget*, const plat::NamedControls*>> windows;
    const auto add = [&windows](auto* w) {
        if (w)
            windows.emplace_back(w, &w->controls());
    };
    add(program.promDataIfLoaded());
    add(program.eepromDataIfLoaded());
    add(program.nriDataIfLoaded());
    add(program.promIfLoaded());
    add(program.coinMeasureIfLoaded());
    add(program.valtestIfLoaded());
    add(&program.mainForm());
    QAbstractButton* hidden = nullptr;
    for (const auto& [w, c] : windows) {
        if (!c->has(name))
            continue;
        auto* b = qobject_cast<QAbstractButton*>(c->widget(name));
        if (b && w->isVisible())
            return b;
        hidden = hidden ? hidden : b;
    }
    return hidden;
}

} // namespace

namespace {

int runProgram(int argc, char** argv)
{
    QApplication app(argc, argv);
    // The program ends through its own end (Exit, Cancel, close box), never by a last window.
    QApplication::setQuitOnLastWindowClosed(false);

    plat::RealServices real(QStringLiteral("quenby"), QStringLiteral("QUENBY_HOME"));
    const QByteArray simulated = qgetenv("QUENBY_SIMULATED_BOX");
    sim::QuenbyBox box;
    std::unique_ptr<sim::QuenbyDemoCoins> coins;
    std::unique_ptr<sim::QuenbyDemoHands> hands;
    plat::Services services;
    const QString model = QString::fromLocal8Bit(qgetenv("QUENBY_SIMULATED_MECH"));
    if (!simulated.isEmpty() && simulated != "0") {
        if (!model.isEmpty()) {
            try {
                box.plugOwned(sim::makeQuenbyMech(model));
            } catch (const std::invalid_argument&) {
                std::fprintf(stderr, "QUENBY_SIMULATED_MECH: no simulated mech of model \"%s\"\n", qPrintable(model));
            }
        }
        box.version = QStringLiteral("V2.10"); // a box recent enough to report Mars rejects
        if (qgetenv("QUENBY_SIMULATED_COINS") != "0") {
            if (box.plugged())
                sim::QuenbyDemoCoins::wellKeptBatch(*box.plugged());
            coins = std::make_unique<sim::QuenbyDemoCoins>(real.sched, box);
            coins->setOrder(sim::QuenbyDemoCoins::sampleSetOrder(model));
            coins->start();
        }
        services = real.services([&] {
            auto port = std::make_unique<sim::SimPort>(real.sched, box);
            port->setTranscriptLimit(sim::kRecordsInProgram); // nothing reads it here
            return port;
        });
        hands = std::make_unique<sim::QuenbyDemoHands>(*services.dialogs, box, !qEnvironmentVariable("QUENBY_DEMO_STEPS").isEmpty());
        services.dialogs = hands.get();
    } else {
        services = real.services();
    }

    quenby::Program program(services);
    std::unique_ptr<plat::DemoPilot> pilot;
    const QString steps = qEnvironmentVariable("QUENBY_DEMO_STEPS");
    if (!simulated.isEmpty() && simulated != "0" && !steps.isEmpty()) {
        plat::DemoPilot::Hooks hooks;
        hooks.button = [&program](const QString& name) { return frontButton(program, name); };
        hooks.ready = [&program, model, chosen = false]() mutable {
            if (!chosen && program.mainForm().isVisible()) {
                chooseModel(program, model);
                chosen = true;
            }
            return chosen;
        };
        pilot = std::make_unique<plat::DemoPilot>(program.guard, steps.split(QLatin1Char(','), Qt::SkipEmptyParts),
                                                  std::move(hooks), QStringLiteral("QUENBY_DEMO_STEPS"));
    }
    program.start();
    return QApplication::exec();
}

} // namespace

int main(int argc, char** argv)
{
    // A program whose clock cannot run would wait for ever: it ends at once, saying why.
    try {
        return runProgram(argc, argv);
    } catch (const std::system_error& e) {
        std::fprintf(stderr, "quenby: %s\n", e.what());
        return 1;
    }
}
