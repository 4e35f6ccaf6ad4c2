#pragma once
// How the seeded job sequences run a job and what every job is checked for: the boxes it raised,
// the faults armed for it, whether it wrote to the mech and what that leaves, and whether the
// program ended in it.

#include "ardwell/program.h"
#include "platform/jobguard.h"
#include "tests/ardwell/jobsequence_state.h"

#include <QCloseEvent>
#include <QCoreApplication>

namespace ardwell_test::seq {

namespace mb = plat::mb;

struct SequenceSteps : SequenceState {
    using SequenceState::SequenceState;

    // ---- Running a job ----

    // Runs one job; the checks that follow it look at the boxes it raised. True when the
    // program ended in it (only EXIT and the close box may end it).
    bool run(const QString& what, const std::function<void()>& fn)
    {
        log(what);
        boxesBefore = dialogs().seen.size();
        const int unit = rig.current();
        const std::vector<quint16> before = rig.mechInBox().words();
        // A box that says nothing was written while this session may have half-written the mech
        // in the box would send the technician away from a mech that does not hold what it did.
        dialogs().observer = [this, unit, &before](const QString& text) {
            if (!text.contains("Nothing written") || rig.current() != unit)
                return;
            if (halfWritten.count(unit) || rig.mechInBox().words() != before)
                ADD_FAILURE() << "\"" << QString(text).replace("\r\n", " | ").toStdString()
                              << "\", but this session may have half-written mech " << unit;
        };
        bool ended = false;
        try {
            fn();
            rig.ts.sched->advance(0);
        } catch (const plat::ProgramEnded&) {
            ended = true;
        }
        dialogs().observer = nullptr;
        for (const QString& t : boxTexts())
            log("    box: " + QString(t).replace("\r\n", " | "));
        if (ended)
            log("    the program ended");
        if (!ended && rig.current() == unit) {
            if (sawBox("Verify OK"))
                halfWritten.erase(unit);
            else if (rig.mechInBox().words() != before)
                halfWritten.insert(unit);
        }
        lastEnded = ended;
        if (ended && !exitAllowed)
            ADD_FAILURE() << "the program ended in \"" << what.toStdString() << "\""
                          << (exitClicked ? ": an EXIT clicked while the Coin mech was written was put off, not refused"
                                          : "");
        return ended;
    }
    bool lastEnded = false;   // the program ended in the last job
    bool exitAllowed = false; // the job is EXIT or the close box
    bool exitClicked = false; // EXIT or the close box was clicked inside the job
    std::set<int> halfWritten; // units a write of this session changed without verifying them
    // A fresh whole read of the mech in the box: the mech holds what the panel now starts from.
    void readWhole() { halfWritten.erase(rig.current()); }

    // The user presses EXIT, or the window's close box.
    void pressExit(bool closeBox)
    {
        if (closeBox) {
            QCloseEvent e;
            QCoreApplication::sendEvent(&rig.win(), &e);
        } else {
            rig.click("cmdExit");
        }
    }

    // ---- Faults, armed for the next job ----

    void fault()
    {
        log("fault: " + armFault());
        armed = true;
    }
    bool armed = false; // a fault waits for the next job
    QString armFault()
    {
        sim::ArdwellMech& m = rig.mechInBox();
        const int top = m.wordCount() - 1;
        switch (pick(0, 5)) {
        case 0: {
            // Not a serial word: a mech whose serial number a fault rewrote is another mech, which
            // the checks know by its serial number.
            const int sw = img::serialWord(unitInBox().model);
            int a = pick(0, top - 2);
            a += a >= sw ? 2 : 0;
            m.storeDifferentValueAt(a, quint16(pick(0, 0xFFFF)));
            return QString("word %1 does not stick").arg(a);
        }
        case 1: {
            const int a = pick(0, top);
            m.refuseWritesAt(a);
            return QString("writes to word %1 refused").arg(a);
        }
        case 2: {
            const int n = pick(1, 3);
            m.setFault(sim::ArdwellMech::Fault::BadCheckByte, sim::When::first(n));
            return QString("%1 read replies with a bad check byte").arg(n);
        }
        case 3: return losePortAfter(pick(200, 40000));
        case 4: {
            const int a = pick(0, top);
            m.setUnreadableWord(a, sim::When::first(pick(1, 6)));
            return QString("word %1 unreadable for a while").arg(a);
        }
        default: {
            // One read reply garbled, a while into the next job.
            const int ms = pick(0, 3000);
            rig.ts.sched->callAfter(ms, [&m] { m.setFault(sim::ArdwellMech::Fault::ReplyCorrupted, sim::When::first(1)); });
            return QString("a read reply garbled %1 ms on").arg(ms);
        }
        }
    }
    QString losePortAfter(int ms)
    {
        lostPort = rig.ts.sched->callAfter(ms, [this] {
            if (rig.port && rig.port->isOpen()) {
                rig.port->setOpenResult(plat::OpenResult::NoSuchDevice);
                rig.port->hangUp("unplugged");
            }
        });
        return QString("the port lost %1 ms on").arg(ms);
    }
    plat::CallbackId lostPort = 0;
    // After a job: the box plugged in again and the fault that did not strike taken away, as a
    // user would bring a mech back to health before going on.
    void heal()
    {
        rig.ts.sched->advance(100);
        plugIn();
        if (chance(0.7))
            SwapRig::clearFaults(rig.mechInBox());
    }
    void plugIn()
    {
        if (lostPort)
            rig.ts.sched->cancel(lostPort);
        lostPort = 0;
        if (rig.port)
            rig.port->setOpenResult(plat::OpenResult::Ok);
    }

    // ---- What a write leaves ----

    // The answers of a writing job: the write's own question, and OK (or now and then Cancel)
    // at every verify error.
    void writePolicy(bool yes)
    {
        const bool cancelAtVerify = chance(0.2);
        dialogs().policy = [yes, cancelAtVerify](const QString& text, int style) {
            if (text.contains("Write New Data To Coin Mech"))
                return yes ? mb::Yes : mb::No;
            if (text.startsWith("Verify Error") && cancelAtVerify)
                return mb::Cancel;
            return ardwell_test::PolicyDialogs::defaultAnswer(style);
        };
    }
    // Verified: the mech holds what was meant and the changes are gone.
    void verified(const QString& road)
    {
        checkVerified(road);
        // What goes wrong once the run is verified (the port lost as the mech is switched
        // off) does not take back what was verified.
        for (const QString& t : boxTexts()) {
            if (t.startsWith("Verify OK"))
                break;
            EXPECT_FALSE(t.contains("Error") || t.startsWith("Verify Failed"))
                << road.toStdString() << ": \"" << t.toStdString() << "\", then Verify OK";
        }
        dropPending();
    }
    void dropPending()
    {
        owner = -1;
        edited = false;
        claims.clear();
        imageWidth.clear();
    }
    // What a job that may have written leaves: verified, the mech holds what was meant and the
    // changes are gone; not, the changes stay pending with their panel open.
    void afterWrite(const QString& road, Mode panel, bool asked)
    {
        if (sawBox("Verify OK")) {
            verified(road);
            return;
        }
        if (!asked) {
            dropPending(); // the user said No: nothing written, nothing pending
            return;
        }
        if (lastEnded)
            return; // said already
        SCOPED_TRACE(road.toStdString());
        if (edited && panel == Mode::Programme) {
            EXPECT_TRUE(pending()) << "a write that did not verify drops the changes";
        }
        EXPECT_EQ(modeShown(), panel) << "a write that did not verify leaves its panel";
    }

    // ---- The changes at stake ----

    Mode changesPanel = Mode::Main; // where the pending changes were made
    // Words of the write range that the image holds otherwise than the mech the changes were
    // read from: what the technician would lose. The serial number's words (read again at every
    // write) and the word after them (cleared at every write) are not the technician's.
    int unwrittenWords()
    {
        if (owner < 0)
            return 0;
        const ardwell_test::MechUnit& u = rig.units[std::size_t(owner)];
        const std::vector<quint16> words = owner == rig.current() ? rig.mechInBox().words() : u.words;
        const ardwell::Model m = ardwell::currentModel(view());
        const int sw = img::serialWord(u.model);
        const int top = std::min(int(words.size()) - 1, changesPanel == Mode::Programme ? ardwell::modelEntry(m).programmeTop
                                                                                          : ardwell::eepromTop(m));
        // Nor is what storing a coin tidies where the panel never shows it: a 330's output
        // lines G and H (words 118, 119), and the inhibit bits of the channels a model lacks.
        const bool lines330 = ardwell::modelEntry(m).coinFormat == ardwell::CoinFormat::Lines330;
        const quint16 unshown0 = ardwell::modelEntry(m).listedChannels < 16 ? 0x00F0 : 0;
        int n = 0;
        for (int a = 0; a <= top; ++a) {
            const int w = job().image()[std::size_t(a)];
            if (a == sw || a == sw + 1 || a == sw + 2 || w < 0 || (lines330 && (a == 118 || a == 119)))
                continue;
            const quint16 mask = a == 0 ? quint16(~unshown0) : quint16(0xFFFF);
            if ((quint16(w) & mask) != (words[std::size_t(a)] & mask))
                ++n;
        }
        return n;
    }
    // The user changed something since the read, and the mech does not hold it.
    bool changesAtRisk() { return edited && unwrittenWords() > 0; }

    // ---- The adjust panel's shown coin ----

    // The shown coin goes into the image with the percentage shown.
    void encodeShown()
    {
        if (!held)
            return;
        std::array<double, 4> w{};
        for (int k = 0; k < 4; ++k)
            w[std::size_t(k)] = std::round((*held)[std::size_t(k)] * percent / 100.0);
        imageWidth[shownCoin] = w;
        channelUnknown(shownCoin);
    }
    void decodeShown()
    {
        held = imageWidth.count(shownCoin) ? std::optional(imageWidth[shownCoin]) : std::nullopt;
        percent = 100;
    }

    // The window is not painted: thousands of jobs would spend their time drawing progress bars.
    // Its controls keep their state, which is all the checks look at.
    void unshown() { rig.win().hide(); }
};

} // namespace ardwell_test::seq
