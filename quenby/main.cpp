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

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <cstdio>
#include <stdexcept>

namespace {

class DemoPilot {
public:
    DemoPilot(quenby::Program& program, const QString& model, QStringList steps)
        : program_(program), model_(model), steps_(std::move(steps))
    {
        quiet_.start();
        timer_.setInterval(250);
        QObject::connect(&timer_, &QTimer::timeout, [this] { tick(); });
        timer_.start();
    }

private:
    static constexpr qint64 kPauseMs = 2500; // long enough for a picture of each stage

    // The simulated mech's model on its family's tab, once the menu is up.
    void chooseModel()
    {
        plat::NamedControls& c = program_.mainForm().controls();
        for (const char* list : {"cmbMarsMech", "cmbCCmech", "cmbNRImech"}) {
            const QString name = QString::fromLatin1(list);
            if (!c.items(name).contains(model_))
                continue;
            c.setText(name, model_);
            auto* tabs = c.get<QTabWidget>(QStringLiteral("tabManufacturer"));
            for (int i = 0; i < tabs->count(); ++i)
                if (tabs->widget(i)->isAncestorOf(c.widget(name)))
                    tabs->setCurrentIndex(i);
        }
        chosen_ = true;
    }

    // The button of that name in the window in front: a memory window, the limits editor, the
    // coin measurement window, the validator test, then the main window.
    QAbstractButton* button(const QString& name)
    {
        std::vector<QWidget*> windows;
        if (quenby::frmPROMdata* w = program_.promDataIfLoaded())
            windows.push_back(w);
        if (quenby::frmEEPROMdata* w = program_.eepromDataIfLoaded())
            windows.push_back(w);
        if (quenby::frmNRIdata* w = program_.nriDataIfLoaded())
            windows.push_back(w);
        if (quenby::frmPROM* w = program_.promIfLoaded())
            windows.push_back(w);
        if (quenby::frmCoinMeasure1* w = program_.coinMeasureIfLoaded())
            windows.push_back(w);
        if (quenby::frmValtest* w = program_.valtestIfLoaded())
            windows.push_back(w);
        windows.push_back(&program_.mainForm());
        QAbstractButton* hidden = nullptr;
        for (QWidget* w : windows) {
            const plat::NamedControls& c = controlsOf(w);
            if (!c.has(name))
                continue;
            auto* b = qobject_cast<QAbstractButton*>(c.widget(name));
            if (b && w->isVisible())
                return b;
            hidden = hidden ? hidden : b;
        }
        return hidden;
    }
    const plat::NamedControls& controlsOf(QWidget* w)
    {
        if (auto* f = dynamic_cast<quenby::frmPROMdata*>(w))
            return f->controls();
        if (auto* f = dynamic_cast<quenby::frmEEPROMdata*>(w))
            return f->controls();
        if (auto* f = dynamic_cast<quenby::frmNRIdata*>(w))
            return f->controls();
        if (auto* f = dynamic_cast<quenby::frmPROM*>(w))
            return f->controls();
        if (auto* f = dynamic_cast<quenby::frmCoinMeasure1*>(w))
            return f->controls();
        if (auto* f = dynamic_cast<quenby::frmValtest*>(w))
            return f->controls();
        return program_.mainForm().controls();
    }

    void tick()
    {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            if (box != box_) {
                box_ = box;
                quiet_.restart();
            } else if (quiet_.hasExpired(kPauseMs)) {
                box_ = nullptr;
                quiet_.restart();
                QTimer::singleShot(0, box, [box] {
                    if (QAbstractButton* b = box->defaultButton())
                        b->click();
                    else
                        box->accept();
                });
            }
            return;
        }
        if (program_.guard.jobRunning()) {
            quiet_.restart();
            return;
        }
        if (!chosen_) {
            if (!program_.mainForm().isVisible())
                return;
            chooseModel();
        }
        if (steps_.isEmpty() || !quiet_.hasExpired(kPauseMs))
            return;
        QAbstractButton* b = button(steps_.first());
        if (!b) {
            std::fprintf(stderr, "QUENBY_DEMO_STEPS: no button \"%s\"; skipped\n", qPrintable(steps_.first()));
            steps_.removeFirst();
            return;
        }
        if (!b->isVisible() || !b->isEnabled())
            return;
        steps_.removeFirst();
        quiet_.restart();
        QTimer::singleShot(0, b, [b] { b->click(); });
    }

    quenby::Program& program_;
    QString model_;
    QStringList steps_;
    bool chosen_ = false;
    QTimer timer_;
    QElapsedTimer quiet_;
    QMessageBox* box_ = nullptr;
};

} // namespace

int main(int argc, char** argv)
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
            coins = std::make_unique<sim::QuenbyDemoCoins>(real.sched, box);
            coins->setOrder(sim::QuenbyDemoCoins::sampleSetOrder(model));
            coins->start();
        }
        services = real.services([&] { return std::make_unique<sim::SimPort>(real.sched, box); });
        hands = std::make_unique<sim::QuenbyDemoHands>(*services.dialogs, box, !qEnvironmentVariable("QUENBY_DEMO_STEPS").isEmpty());
        services.dialogs = hands.get();
    } else {
        services = real.services();
    }

    quenby::Program program(services);
    std::unique_ptr<DemoPilot> pilot;
    const QString steps = qEnvironmentVariable("QUENBY_DEMO_STEPS");
    if (!simulated.isEmpty() && simulated != "0" && !steps.isEmpty())
        pilot = std::make_unique<DemoPilot>(program, model, steps.split(QLatin1Char(','), Qt::SkipEmptyParts));
    program.start();
    return QApplication::exec();
}
