#pragma once
// The way out as a job of the seeded sequences: EXIT and the window's close box from the main
// selection, programme mode and the adjust panel, with changes pending or not, a fault on the way
// and the answers at random; and EXIT or the close box clicked while the mech is being written.
//
// After every way out the technician's changes are in the mech (verified against it), still
// pending with the program open in the panel they were made in, or said lost: No to the write's
// question, or OK to the box that says they will be lost. The program never ends with them in
// none of these, nor after a box that said they are kept. EXIT while the mech is being written
// is refused with a box and not put off: the write's job ends as it would have, the program stays.

#include "tests/ardwell/jobsequence_steps.h"

namespace ardwell_test::seq {

inline const QString kKeptText = QStringLiteral(
    "The changes were not written to the Coin mech\r\n\r\n"
    "Ardwell stays open with the changes pending: write them again, or EXIT and answer No to drop them");
inline const QString kLostText = QStringLiteral(
    "The changes were not written to the Coin mech and will be lost: the programmer box is not connected\r\n\r\n"
    "OK ends Ardwell without them, Cancel keeps Ardwell open with the changes pending");
inline const QString kBeingWrittenText =
    QStringLiteral("The Coin mech is being written\r\n\r\nEXIT when the write has ended");

inline QString modeName(Mode m)
{
    switch (m) {
    case Mode::Programme: return "programme mode";
    case Mode::Adjust: return "the adjust panel";
    case Mode::Test: return "test mode";
    case Mode::Main: break;
    }
    return "the main selection";
}

struct ExitSequence : SequenceSteps {
    using SequenceSteps::SequenceSteps;

    // A box this job showed with this text (exactly), answered so.
    bool answered(const QString& text, int answer)
    {
        const auto& seen = dialogs().seen;
        for (size_t i = boxesBefore; i < seen.size(); ++i)
            if (seen[i].text == text && seen[i].answer == answer)
                return true;
        return false;
    }
    bool sawExactly(const QString& text, const QString& title, int style)
    {
        const auto& seen = dialogs().seen;
        for (size_t i = boxesBefore; i < seen.size(); ++i)
            if (seen[i].text == text && seen[i].title == title && seen[i].style == style)
                return true;
        return false;
    }

    // ---- Leaving ----

    // What can go wrong on the way out, on top of the faults any job may meet.
    QString exitFault()
    {
        sim::ArdwellMech& m = rig.mechInBox();
        switch (pick(0, 9)) {
        case 0:
            swapMech(false);
            return "another mech of the model in the box";
        case 1: {
            const int k = pick(0, 60);
            m.setFault(sim::ArdwellMech::Fault::Silent, sim::When::from(k));
            silenced = true;
            return QString("the mech silent from its frame %1 on").arg(k);
        }
        case 2:
            m.setFault(sim::ArdwellMech::Fault::WriteUnanswered, sim::When::always());
            silenced = true;
            return "no write answered";
        case 3: return "before the write: " + losePortAfter(pick(0, 100));
        default: return armFault();
        }
    }

    // A mech that stopped answering for good is seen to before the next job: every job after
    // would sit out its retries.
    bool silenced = false;

    // EXIT or the close box, from the panel shown, with the answers at random.
    void exitJob()
    {
        const Mode panel = modeShown();
        const bool closeBox = chance(0.4);
        if (chance(0.6))
            log("fault on the way out: " + exitFault());
        const bool atRisk = changesAtRisk();
        const int words = unwrittenWords();
        const bool yes = chance(0.6), okToLose = chance(0.5), cancelAtVerify = chance(0.2);
        dialogs().policy = [=](const QString& text, int style) {
            if (text.contains("Write New Data To Coin Mech"))
                return yes ? mb::Yes : mb::No;
            if (text == kLostText)
                return okToLose ? mb::OK : mb::Cancel;
            if (text.startsWith("Verify Error") && cancelAtVerify)
                return mb::Cancel;
            return ardwell_test::PolicyDialogs::defaultAnswer(style);
        };
        if (chance(0.2))
            exitDuringNextWrite();
        if (panel == Mode::Adjust) {
            // The shown coin may go in with the percentage shown or as it was read: either.
            encodeShown();
            if (percent != 100)
                imageWidth.erase(shownCoin);
        }
        const QString road = QString("%1 from %2").arg(closeBox ? "the close box" : "EXIT", modeName(panel));
        exitAllowed = true;
        const bool ended = run(QString("%1%2, answers: %3, %4 to the loss")
                                   .arg(road, atRisk ? QString(", %1 words pending").arg(words) : QString())
                                   .arg(yes ? "write Yes" : "write No", okToLose ? "OK" : "Cancel"),
                               [&] { pressExit(closeBox); });
        exitAllowed = false;
        disarmExitDuringWrite();
        if (silenced)
            SwapRig::clearFaults(rig.mechInBox());
        silenced = false;

        SCOPED_TRACE(road.toStdString());
        const bool saidNo = answered("Write New Data To Coin Mech", mb::No);
        const bool saidLost = answered(kLostText, mb::OK);
        const bool kept = sawBox(kKeptText);
        if (sawBox("Verify OK"))
            verified(road);
        if (ended) {
            EXPECT_FALSE(kept) << "a box said the changes are kept, then the program ended without them";
            if (atRisk && !sawBox("Verify OK") && !saidNo && !saidLost)
                ADD_FAILURE() << "the program ended with " << words << " changed words neither in the mech nor said lost";
            restart();
            return;
        }
        EXPECT_FALSE(saidNo || saidLost) << "the user let the changes go, and the program stays";
        EXPECT_EQ(modeShown(), panel) << "the program stays, but not in the panel it was left from";
        if (atRisk && panel == Mode::Programme) {
            EXPECT_TRUE(pending()) << "the program stays, but its changes are no longer pending";
        }
        if (!atRisk && !pending() && !kept && !answered(kLostText, mb::Cancel))
            ADD_FAILURE() << "nothing pending, and the program did not end";
        if (kept) {
            EXPECT_TRUE(sawExactly(kKeptText, "EXIT", mb::Exclamation | mb::OKOnly)) << "the box that keeps the changes";
        }
    }

    // The program started again in the same folder, as the technician would.
    void restart()
    {
        plugIn();
        dropPending();
        halfWritten.clear();
        log("start the program again");
        ASSERT_TRUE(rig.start());
        unshown();
        if (selectedModel() != model())
            view().setValue(model() == "PCA" ? QString("optPCA") : "opt" + model(), 1);
    }

    // ---- EXIT while the mech is being written ----

    struct Interrupt {
        bool armed = false, clicked = false, closeBox = false, fromBox = false;
        plat::CallbackId poll = 0;
    } interrupt;

    // The next write gets EXIT or the close box clicked while it runs: from a box it shows, or
    // from a wait while its words go out or are read back.
    void exitDuringNextWrite()
    {
        interrupt = Interrupt{};
        interrupt.armed = true;
        interrupt.closeBox = chance(0.4);
        interrupt.fromBox = chance(0.4);
        QString how;
        if (interrupt.fromBox) {
            how = "from a box of the write";
            // A box that comes up in the middle of the write.
            if (chance(0.6))
                how += ", " + armFault();
        } else {
            const int every = pick(20, 3000);
            how = QString("from a wait, looked for every %1 ms").arg(every);
            pollWrite(every);
        }
        log(QString("%1 to be clicked while the mech is written, %2").arg(interrupt.closeBox ? "the close box" : "EXIT", how));
        auto inner = dialogs().policy;
        dialogs().policy = [this, inner](const QString& text, int style) {
            if (interrupt.armed && interrupt.fromBox && !interrupt.clicked && boxOfTheWrite(text))
                clickWhileWriting();
            return inner ? inner(text, style) : ardwell_test::PolicyDialogs::defaultAnswer(style);
        };
    }
    void disarmExitDuringWrite()
    {
        if (interrupt.poll)
            rig.ts.sched->cancel(interrupt.poll);
        interrupt = Interrupt{};
    }
    static bool boxOfTheWrite(const QString& text)
    {
        for (const char* start : {"Verify Error", "Verify OK", "Verify Failed", "Error Writing EEPROM", "Too many retries on Memory Write"})
            if (text.startsWith(QLatin1String(start)))
                return true;
        return false;
    }
    bool writing()
    {
        if (!view().isVisible("lblProgress"))
            return false;
        const QString c = view().text("lblProgress");
        return c == "Writing EEPROM" || c.startsWith("Retry ") || c == "Checking EEPROM";
    }
    void pollWrite(int every)
    {
        interrupt.poll = rig.ts.sched->callAfter(every, [this, every] {
            interrupt.poll = 0;
            if (!interrupt.armed || interrupt.clicked)
                return;
            if (writing() && !rig.program->guard().jobStopped())
                clickWhileWriting();
            else
                pollWrite(every);
        });
    }
    void clickWhileWriting()
    {
        interrupt.clicked = true;
        exitClicked = true;
        log(QString("    %1 clicked while the mech is written").arg(interrupt.closeBox ? "the close box" : "EXIT"));
        const size_t before = dialogs().seen.size();
        pressExit(interrupt.closeBox);
        bool refused = false;
        const auto& seen = dialogs().seen;
        for (size_t i = before; i < seen.size(); ++i)
            refused = refused || (seen[i].text == kBeingWrittenText && seen[i].title == "EXIT" &&
                                  seen[i].style == (mb::Exclamation | mb::OKOnly));
        EXPECT_TRUE(refused) << "EXIT clicked while the Coin mech was written: no box said to wait for the write";
    }
};

} // namespace ardwell_test::seq
