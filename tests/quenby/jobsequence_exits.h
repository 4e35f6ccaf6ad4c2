#pragma once
// The ways out of a workshop day's windows: each window's own button or its close box, the main
// window's Exit, taken between jobs or while a job waits for the box (from a moment of the wait
// or from inside a box the job shows). What the program must do about it: a job never runs on
// under a window gone or a program ended, the end comes only after the running job returned, and
// nothing is shown or sent after it.

#include "quenby/clonewizard/frmcoinmeasure1.h"
#include "quenby/memutils/frmeepromdata.h"
#include "quenby/memutils/frmnridata.h"
#include "quenby/memutils/frmprom.h"
#include "quenby/memutils/frmpromdata.h"
#include "quenby/shell/frmvaltest.h"
#include "tests/quenby/jobsequence.h"

namespace quenby_tests {

class WayOut {
public:
    WayOut(Workshop& w, Dice& dice, QStringList& steps, QStringList& failures)
        : w_(w), dice_(dice), steps_(steps), failures_(failures)
    {
    }

    // Starts the program (again, in the same folder after an Exit) and watches for its end.
    void start()
    {
        ended_ = false;
        taken_ = false;
        w_.ts.env->atEnd([this] {
            ended_ = true;
            jobAtEnd_ = w_.p->guard.jobRunning();
            boxesAtEnd_ = w_.dialogs.shown.size();
            sentAtEnd_ = sentCount();
        });
        w_.start();
    }
    bool ended() const { return ended_; }
    // A way out was taken since the job began: the job's own steps stop there.
    bool taken() const { return taken_; }
    // The main window shown and no other.
    bool atMain() const { return topWindow() == &w_.p->mainForm(); }

    // The topmost window left by its button or its close box; false when only the main window
    // is left and Exit was not wanted.
    bool leaveTop(bool closeBox, bool exitToo)
    {
        QWidget* top = topWindow();
        if (!top)
            return false;
        if (top == &w_.p->mainForm() && !exitToo)
            return false;
        const QString button = buttonOf(top);
        const QString name = nameOf(top);
        steps_ << (closeBox ? "  close box of " + name : "  press " + name + "." + button);
        taken_ = true;
        if (closeBox) {
            top->close();
        } else if (auto* b = top->findChild<QPushButton*>(button)) {
            b->click();
        }
        return true;
    }

    // Exit or the close box of the main window while it shows, whatever window is over it.
    bool exitFromMain(bool closeBox)
    {
        if (!w_.p->mainForm().isVisible())
            return false;
        steps_ << (closeBox ? "  close box of frmMain" : "  press frmMain.cmdExit");
        taken_ = true;
        if (closeBox)
            w_.p->mainForm().close();
        else
            w_.p->mainForm().controls().get<QPushButton>("cmdExit")->click();
        return true;
    }

    // A way out at some moment of the job's next waits: a scheduled moment, the next box, or both.
    void armForJob(int job, const std::function<int()>& jobNo)
    {
        taken_ = false;
        inBox_ = false;
        if (!dice_.chance(30))
            return;
        if (dice_.chance(40)) {
            inBox_ = true;
            steps_ << "  (a way out is taken inside the job's next box)";
            return;
        }
        const plat::Millis at = dice_.between(30, 15000);
        const bool closeBox = dice_.chance(50), exitToo = dice_.chance(30);
        steps_ << QStringLiteral("  (a way out %1 ms into the job)").arg(at);
        w_.ts.sched->callAfter(at, [this, job, jobNo, closeBox, exitToo] {
            if (jobNo() != job || ended_ || !w_.p->guard.jobRunning())
                return;
            steps_ << "  the way out, mid-job:";
            if (!(exitToo && exitFromMain(closeBox)))
                leaveTop(closeBox, exitToo);
        });
    }
    // From inside a box the job shows.
    void inBox()
    {
        if (!inBox_ || ended_ || !w_.p->guard.jobRunning())
            return;
        inBox_ = false;
        steps_ << "  the way out, from inside the box:";
        leaveTop(dice_.chance(50), dice_.chance(30));
    }

    // After the job's click returned, with the program still running.
    void checkAfterJob()
    {
        if (ended_)
            return;
        if (w_.p->guard.jobRunning())
            failures_ << "a job still runs after its click returned";
        if (w_.p->guard.exitPending() || w_.p->guard.exiting())
            failures_ << "Exit was asked for, the job returned, and the program still runs";
        if (!topWindow())
            failures_ << "the program runs on with no window shown";
        else if (w_.p->coinStats().runActive)
            failures_ << "a gathering is still marked as running with no job left to end it";
        // A way out the job refused is not kept for later: the program sends nothing on its own.
        if (taken_ && failures_.isEmpty()) {
            const size_t sent = sentCount();
            w_.wait(3000);
            if (sentCount() != sent)
                failures_ << "the program sent to the box on its own after its job returned";
        }
    }

    // The program has ended: it ended with no job running, and after its end nothing is shown
    // and nothing sent, whatever callbacks the job had left.
    void checkEnd()
    {
        if (!ended_) {
            failures_ << "the program ended without running its closers";
            return;
        }
        if (jobAtEnd_)
            failures_ << "the program ended while a job was still running";
        try {
            w_.wait(30000);
        } catch (const plat::ProgramEnded&) {
            failures_ << "the program ended a second time";
        }
        if (w_.dialogs.shown.size() != boxesAtEnd_)
            failures_ << "a box was shown after the program ended: " + w_.dialogs.shown.back().text.simplified();
        if (sentCount() != sentAtEnd_)
            failures_ << "bytes were sent after the program ended";
        if (w_.port && w_.port->isOpen())
            failures_ << "the port is still open after the program ended";
    }

private:
    size_t sentCount() const
    {
        size_t n = 0;
        if (w_.port)
            for (const auto& e : w_.port->transcript())
                n += e.kind == sim::TranscriptEntry::Sent ? size_t(e.bytes.size()) : 0;
        return n;
    }
    static bool shown(QWidget* wd) { return wd && wd->isVisible(); }
    QWidget* topWindow() const
    {
        quenby::Program& p = *w_.p;
        QWidget* order[] = {p.valtestIfLoaded(), p.eepromDataIfLoaded(), p.nriDataIfLoaded(), p.promDataIfLoaded(),
                            p.promIfLoaded(),    p.coinMeasureIfLoaded(), &p.mainForm()};
        for (QWidget* wd : order)
            if (shown(wd))
                return wd;
        return nullptr;
    }
    QString nameOf(QWidget* top) const
    {
        quenby::Program& p = *w_.p;
        if (top == &p.mainForm())
            return "frmMain";
        if (top == p.promIfLoaded())
            return "frmPROM";
        if (top == p.valtestIfLoaded())
            return "frmValtest";
        if (top == p.coinMeasureIfLoaded())
            return "frmCoinMeasure1";
        return top == p.eepromDataIfLoaded() ? "frmEEPROMdata" : top == p.nriDataIfLoaded() ? "frmNRIdata" : "frmPROMdata";
    }
    QString buttonOf(QWidget* top) const
    {
        quenby::Program& p = *w_.p;
        if (top == &p.mainForm())
            return "cmdExit";
        if (top == p.promIfLoaded())
            return "cmdBack1";
        if (top == p.valtestIfLoaded() || top == p.coinMeasureIfLoaded())
            return "cmdBack";
        return "cmdBye";
    }

    Workshop& w_;
    Dice& dice_;
    QStringList& steps_;
    QStringList& failures_;
    bool ended_ = false;
    bool taken_ = false;
    bool inBox_ = false;
    bool jobAtEnd_ = false;
    size_t boxesAtEnd_ = 0;
    size_t sentAtEnd_ = 0;
};

} // namespace quenby_tests
