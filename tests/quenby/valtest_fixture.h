#pragma once
// The whole first program started on virtual time against the simulated box with a mech of one
// model plugged in, for the validator test and the job launchers: sounds recorded, the test
// window's controls at hand, coins dropped through the box.

#include "quenby/shell/frmvaltest.h"
#include "sim/quenbymechs.h"
#include "tests/quenby/program_fixture.h"
#include "tests/quenby/transcript.h"

#include <QFileInfo>

namespace quenby_tests {

struct ValtestTest : ProgramTest {
    void SetUp() override
    {
        ProgramTest::SetUp();
        ts.writeFile("accept.wav", "RIFF");
        ts.writeFile("reject.wav", "RIFF");
    }

    // Starts the program with this mech (none: an empty box) and box version; the transcript
    // begins after start-up.
    void start(const QString& model, const QString& version = "V1.91")
    {
        box.version = version;
        if (!model.isEmpty())
            box.swapMech(model, false);
        settings(1);
        program().start();
        port->clearTranscript();
        box.clearRecord();
    }
    template <class M>
    M& mech()
    {
        return *dynamic_cast<M*>(box.plugged());
    }

    // Chooses the model in a family list and presses a job button; returns once the job is over.
    void run(const char* list, const QString& model, const char* button)
    {
        mainC().setText(list, model);
        click(mainC(), button);
        wait(20); // the last command reaches the box
    }
    // Starts the program with this mech and runs that job on it.
    void runOn(const QString& model, const char* list, const char* button)
    {
        start(model);
        run(list, model, button);
    }
    // A button of a window pressed by the user; returns once its handler has.
    void press(plat::NamedControls& c, const QString& button)
    {
        click(c, button);
        wait(20);
    }
    plat::NamedControls& vt() { return p->valtestForm().controls(); }
    bool testOpen() const { return p->valtestIfLoaded() && p->valtestIfLoaded()->isVisible(); }

    QByteArray sent() const { return port->sentWithBreaks(); }
    void clearSent()
    {
        port->clearTranscript();
        ts.sound->played.clear();
    }
    // The sounds played, as "accept" and "reject".
    QStringList sounds() const
    {
        QStringList out;
        for (const QString& path : ts.sound->played)
            out << QFileInfo(path).completeBaseName();
        return out;
    }
    // Lets ms of virtual time pass (reports arrive, timers tick).
    void wait(plat::Millis ms) { ts.sched->advance(ms); }
    // A coin through the mech, and time for its report to be shown (less than one 100 ms tick of
    // the highlight hold).
    void drop(int channel)
    {
        box.dropCoin(channel);
        wait(40);
    }
    void slug()
    {
        box.dropSlug();
        wait(40);
    }

    // Lit lines as "3g" / "7r", binary indicators by caption, of the test window.
    QString lit()
    {
        QStringList out;
        for (int i = 0; i < quenby::kValtestLines; ++i) {
            const quint32 f = vt().fill("shpCoin", i);
            if (f == quenby::kLampAccepted)
                out << QString::number(i + 1) + "g";
            else if (f == quenby::kLampRejected)
                out << QString::number(i + 1) + "r";
        }
        const char* names[] = {"A5", "A4", "A3", "A2", "A1"};
        for (int i = 0; i < quenby::kBinaryIndicators; ++i)
            if (vt().fill("shpBinary", i) == quenby::kLampAccepted)
                out << names[i];
        return out.join(' ');
    }
    QString count(int line) { return vt().text("lblCount", line - 1); }
    // Captions of the visible lines, in order.
    QStringList captions()
    {
        QStringList out;
        for (int i = 0; i < quenby::kValtestLines; ++i)
            if (vt().isVisible("lblCoin", i))
                out << vt().text("lblCoin", i);
        return out;
    }
    // A file in the program folder's CoinSets, and the path a dialog gives for it.
    QString coinSet(const QString& name) const { return ts.folder() + "/CoinSets/" + name; }
    void writeCoinSet(const QString& name, const QByteArray& bytes) const { ts.writeFile("CoinSets/" + name, bytes); }
    QByteArray readCoinSet(const QString& name) const { return ts.readFile("CoinSets/" + name); }
    std::vector<plat::Millis> sentAt(const QByteArray& what) const { return quenby_tests::sentAt(*port, what); }
};

} // namespace quenby_tests
