#pragma once
// A workshop day on virtual time: the whole first program, one simulated box, and mechs swapped
// in and out between jobs. Every box is answered by the day's own rules (OK, Yes, a Cancel where
// the day's dice say so) and remembered; a success text is checked, the moment it is shown,
// against what the job's own inputs meant the mech to hold.

#include "quenby/program.h"
#include "quenby/shell/frmmain.h"
#include "quenby/shell/settings.h"
#include "sim/quenbybox.h"
#include "sim/simport.h"
#include "sim/xorshift.h"
#include "tests/support/testservices.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QPushButton>
#include <functional>
#include <memory>

namespace quenby_tests {

// The texts a job ends with when it claims the mech holds what it wrote.
inline const QStringList& successTexts()
{
    static const QStringList t{"EEPROM Verified OK", "NRI Memory Programmed OK", "Data Written OK",
                               "Verify PROM OK"};
    return t;
}

// Boxes answered by a function, every one remembered.
struct DayDialogs : plat::Dialogs {
    struct Shown {
        QString text, title;
        int style = 0, answer = 0;
    };
    std::function<int(const Shown&)> onBox;
    std::function<QString(const QString& title)> onOpen;
    std::function<QString(const QString& title)> onSave;
    std::vector<Shown> shown;

    int msgBox(const QString& text, int style, const QString& title) override
    {
        Shown s{text, title, style, 0};
        s.answer = onBox ? onBox(s) : plat::mb::OK;
        shown.push_back(s);
        return s.answer;
    }
    QString openFileName(const QString& title, const QString&, const QString&) override
    {
        return onOpen ? onOpen(title) : QString();
    }
    QString saveFileName(const QString& title, const QString&, const QString&) override
    {
        return onSave ? onSave(title) : QString();
    }
};

// Nobody looks at a day's windows: painting them would cost most of its real time.
struct NoPainting : QObject {
    bool eventFilter(QObject*, QEvent* e) override
    {
        return e->type() == QEvent::Paint || e->type() == QEvent::UpdateRequest || e->type() == QEvent::UpdateLater;
    }
};

// One program, its box and its folder, for one day.
struct Workshop {
    testing_support::TestServices ts;
    DayDialogs dialogs;
    sim::QuenbyBox box;
    sim::SimPort* port = nullptr;
    std::unique_ptr<quenby::Program> p;

    Workshop()
    {
        ts.makePort = [this] {
            auto sp = std::make_unique<sim::SimPort>(*ts.sched, box);
            port = sp.get();
            return sp;
        };
        ts.writeFile("accept.wav", "RIFF");
        ts.writeFile("reject.wav", "RIFF");
        QDir(ts.folder()).mkpath(QStringLiteral("CoinSets"));
        ts.writeFile("config0000.txt", quenby::settingsLine(1, "English", {}));
    }
    void start()
    {
        plat::Services s = ts.services();
        s.dialogs = &dialogs;
        p = std::make_unique<quenby::Program>(s);
        p->start();
    }
    void wait(plat::Millis ms) { ts.sched->advance(ms); }
    void press(plat::NamedControls& c, const QString& button)
    {
        c.get<QPushButton>(button)->click();
        wait(20);
    }
    QString path(const QString& name) const { return ts.folder() + "/CoinSets/" + name; }
    void write(const QString& name, const QByteArray& bytes) const { ts.writeFile("CoinSets/" + name, bytes); }
};

} // namespace quenby_tests
