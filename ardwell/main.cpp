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
#include "platform/jobguard.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>
#include <QTimer>
#include <memory>

namespace {

class DemoPilot {
public:
    DemoPilot(ardwell::Program& program, QStringList steps) : program_(program), steps_(std::move(steps))
    {
        quiet_.start();
        timer_.setInterval(250);
        QObject::connect(&timer_, &QTimer::timeout, [this] { tick(); });
        timer_.start();
    }

private:
    static constexpr qint64 kPauseMs = 2500; // long enough for a picture of each stage

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
        if (program_.guard().jobRunning()) {
            quiet_.restart();
            return;
        }
        if (steps_.isEmpty() || !quiet_.hasExpired(kPauseMs))
            return;
        auto* button = qobject_cast<QPushButton*>(program_.window().controls().widget(steps_.first()));
        if (!button) {
            steps_.removeFirst(); // not a button of the window: said on standard error, skipped
            return;
        }
        if (!button->isVisible() || !button->isEnabled())
            return;
        steps_.removeFirst();
        quiet_.restart();
        QTimer::singleShot(0, button, [button] { button->click(); });
    }

    ardwell::Program& program_;
    QStringList steps_;
    QTimer timer_;
    QElapsedTimer quiet_;
    QMessageBox* box_ = nullptr;
};

} // namespace

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
    std::unique_ptr<DemoPilot> pilot;
    const QString steps = qEnvironmentVariable("ARDWELL_DEMO_STEPS");
    if (box && !steps.isEmpty())
        pilot = std::make_unique<DemoPilot>(program, steps.split(QLatin1Char(','), Qt::SkipEmptyParts));
    return app.exec();
}
