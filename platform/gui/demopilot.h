#pragma once
// Presses buttons one after another for a demo run without a user: each once the program has
// been idle a moment, so that every stage can be looked at (and pictured), and answers every
// message box with its default button after it has been shown for as long.

#include "platform/jobguard.h"

#include <QElapsedTimer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <functional>

class QAbstractButton;
class QMessageBox;

namespace plat {

class DemoPilot {
public:
    struct Hooks {
        // The button of that name in the window in front; null when no window has it.
        std::function<QAbstractButton*(const QString&)> button;
        // False while the program is not ready for the first step (its main window not up).
        std::function<bool()> ready;
    };

    // `source` names where the steps came from, for the line that reports an unknown button.
    DemoPilot(JobGuard& guard, QStringList steps, Hooks hooks, QString source);

private:
    static constexpr qint64 kPauseMs = 2500; // long enough for a picture of each stage

    void tick();
    bool answerMessageBox();

    JobGuard& guard_;
    QStringList steps_;
    Hooks hooks_;
    QString source_;
    QTimer timer_;
    QElapsedTimer quiet_;
    QMessageBox* box_ = nullptr;
};

} // namespace plat
