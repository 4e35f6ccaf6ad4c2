#include "platform/gui/demopilot.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <cstdio>

namespace plat {

DemoPilot::DemoPilot(JobGuard& guard, QStringList steps, Hooks hooks, QString source)
    : guard_(guard), steps_(std::move(steps)), hooks_(std::move(hooks)), source_(std::move(source))
{
    quiet_.start();
    timer_.setInterval(250);
    QObject::connect(&timer_, &QTimer::timeout, [this] { tick(); });
    timer_.start();
}

bool DemoPilot::answerMessageBox()
{
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box)
        return false;
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
    return true;
}

void DemoPilot::tick()
{
    if (answerMessageBox())
        return;
    if (guard_.jobRunning()) {
        quiet_.restart();
        return;
    }
    if (hooks_.ready && !hooks_.ready())
        return;
    if (steps_.isEmpty() || !quiet_.hasExpired(kPauseMs))
        return;
    QAbstractButton* b = hooks_.button(steps_.first());
    if (!b) {
        std::fprintf(stderr, "%s: no button \"%s\"; skipped\n", qPrintable(source_), qPrintable(steps_.first()));
        steps_.removeFirst();
        return;
    }
    if (!b->isVisible() || !b->isEnabled())
        return;
    steps_.removeFirst();
    quiet_.restart();
    QTimer::singleShot(0, b, [b] { b->click(); });
}

} // namespace plat
