// Seeded sequences of the program's jobs over mech swaps, model changes and the simulated mech's
// faults. After every job: a "Verify OK" means the mech in the box holds what the jobs since its
// read meant to write, its own serial number and nothing of another mech; a write that did not
// verify leaves the changes pending and the panel open. The way out (EXIT, the close box) is one
// of the jobs: it leaves the changes in the mech, pending in their panel, or said lost.
//
// What the jobs meant is worked out from the test's own inputs: the mech's words when it was
// read, the channels cleared, the coins a window was learned from, the steps a window was widened
// or narrowed, the file loaded. Bits the test cannot know (a learned record, settings the adjust
// panel re-encodes) are left out of the word check and checked through what they must do instead.
//
// ARDWELL_SEQ_SEEDS=n runs n seeds (from ARDWELL_SEQ_FIRST on), ARDWELL_SEQ_STEPS=k jobs each,
// ARDWELL_SEQ_SEED=s replays seed s alone; a failing seed prints its steps.
#include "tests/ardwell/jobsequence_exit.h"

#include <QComboBox>
#include <gtest/gtest.h>

using ardwell_test::SwapRig;
using namespace ardwell_test::seq;

namespace {

struct Sequence : ExitSequence {
    using ExitSequence::ExitSequence;

    // ---- Main selection ----

    void enterProgramme()
    {
        dialogs().policy = nullptr;
        const bool fresh = !pending();
        run("Program Coin Mech", [&] { rig.click("cmdProgramme"); });
        if (modeShown() == Mode::Programme) {
            checkBackup();
            readWhole();
        }
        if (modeShown() == Mode::Programme || fresh) {
            startPending();
            changesPanel = Mode::Programme;
        }
        if (modeShown() == Mode::Programme && model() == "126" && chance(0.3)) {
            const char* types[] = {"optNormal", "optOld", "optOld2", "optOld3"};
            const char* t = types[pick(0, 3)];
            log(QString("discriminator type ") + t);
            view().setValue(t, 1);
        }
    }

    void enterAdjust()
    {
        dialogs().policy = nullptr;
        run("Adjust Settings", [&] { rig.click("cmdAdjust"); });
        if (modeShown() != Mode::Adjust)
            return;
        checkBackup();
        readWhole();
        startPending();
        changesPanel = Mode::Adjust;
        // The settings the panel re-encodes are its own to choose; the windows and the words no
        // setting uses are the test's to know.
        const auto& pattern = SwapRig::patternWords(model());
        const int sw = img::serialWord(model());
        const int base = img::recordBase(model()), end = base + 13 * (listed(model()) / 2);
        for (int a = 0; a < int(known.size()); ++a)
            if ((a < base || a >= end) && a != sw && a != sw + 1 &&
                std::find(pattern.begin(), pattern.end(), a) == pattern.end())
                known[std::size_t(a)] = 0;
        imageWidth.clear();
        for (int idx = 0; idx < listed(model()); ++idx)
            if (auto r = recordIn(expect, idx))
                imageWidth[idx] = {{double(r->width[0]), double(r->width[1]), double(r->width[2]), double(r->width[3])}};
        shownCoin = 0;
        held = imageWidth.count(0) ? std::optional(imageWidth[0]) : std::nullopt;
        percent = 100;
    }

    void testMode()
    {
        dialogs().policy = nullptr;
        rig.ts.writeFile("accept.wav", "RIFF");
        rig.ts.writeFile("reject.wav", "RIFF");
        run("Test Coin Mech", [&] { rig.click("cmdTest"); });
        if (modeShown() != Mode::Test)
            return;
        const int coins = pick(0, 4);
        for (int i = 0; i < coins; ++i) {
            rig.ts.sched->advance(pick(100, 1500));
            rig.mechInBox().dropRandomCoin();
        }
        rig.ts.sched->advance(1500);
        run("End Testing", [&] {
            if (view().isVisible("frm340test"))
                rig.click("cmdExit340");
            else if (view().isVisible("frmPCAtest"))
                rig.click("cmdFinishTest", 1);
            else
                rig.click("cmdFinishTest", 0);
        });
    }

    // ---- Programme panel ----

    quint16 coinBitMask(int idx)
    {
        img::Words w(1, 0);
        img::setCoinBit(w, 0, idx, true);
        return w[0];
    }
    void chooseChannel(const char* list, int idx)
    {
        auto* c = rig.win().controls().get<QComboBox>(list);
        c->setCurrentIndex(idx);
        emit c->activated(idx);
    }

    void clearOne()
    {
        const int idx = pick(0, listed(model()) - 1);
        const bool ok = chance(0.85);
        chooseChannel("cmbCoinNumber", idx);
        dialogs().policy = [ok](const QString&, int) { return ok ? mb::OK : mb::Cancel; };
        run(QString("Clear One Channel %1%2").arg(idx + 1).arg(ok ? "" : ", Cancel"), [&] { rig.click("cmdClearOne"); });
        if (!ok || !sawBox("Clear channel"))
            return;
        edited = true;
        claims[idx] = Claim{Claim::Cleared, {}};
        for (int i = 0; i < 13; ++i)
            setKnown(recordWordOf(model(), idx, i), byteMask(idx), 0);
        setKnown(0, coinBitMask(idx), 0xFFFF);
    }

    void clearAll()
    {
        const bool ok = chance(0.85);
        dialogs().policy = [ok](const QString&, int) { return ok ? mb::OK : mb::Cancel; };
        run(QString("Clear ALL Channels%1").arg(ok ? "" : ", Cancel"), [&] { rig.click("cmdClearWindows"); });
        if (!ok)
            return;
        edited = true;
        for (int idx = 0; idx < listed(model()); ++idx) {
            claims[idx] = Claim{Claim::Cleared, {}};
            for (int i = 0; i < 13; ++i)
                setKnown(recordWordOf(model(), idx, i), byteMask(idx), 0);
        }
        setKnown(0, 0xFFFF, 0xFFFF);
    }

    // A coin of a kind with a spread of about a percent; a flier has one value 40 % high.
    Raw coinOf(int kind, bool flier)
    {
        const auto& k = sim::coinKind(kind);
        Raw r{};
        for (int j = 0; j < 7; ++j)
            r[std::size_t(j)] = int(k.raw[std::size_t(j)] * (1 + (pick(-10, 10) / 1000.0)));
        if (flier) {
            const int j = pick(0, 6);
            r[std::size_t(j)] = r[std::size_t(j)] * 14 / 10;
        }
        return r;
    }
    // Coins of one run, one every `every` ms while the mech can send them; those of a run that
    // ended before they were sent are taken back.
    int dropRun = 0;
    void dropLater(std::deque<Raw> coins, plat::Millis every)
    {
        if (coins.empty())
            return;
        rig.ts.sched->callAfter(every, [this, coins, every, run = dropRun]() mutable {
            if (run != dropRun)
                return;
            std::array<int, 7> reading{};
            for (int k = 0; k < 7; ++k)
                reading[std::size_t(k)] = coins.front()[std::size_t(k)] + kBaseline[std::size_t(k <= 3 ? k : 4)];
            if (rig.mechInBox().sendCoinData(reading, kBaseline))
                coins.pop_front();
            dropLater(coins, every);
        });
    }

    void learn()
    {
        const int idx = pick(0, listed(model()) - 1);
        const int count = pick(3, 20);
        const int kind = pick(0, 5);
        const int fliers = count >= 8 ? pick(0, 2) : 0;
        const bool shortRun = chance(0.15);
        const bool cancelFliers = chance(0.2);
        std::deque<Raw> coins;
        std::vector<Raw> good;
        int dropped = shortRun ? pick(0, count - 1) : count + fliers;
        for (int i = 0; i < dropped; ++i) {
            const bool f = i < count + fliers && i % 4 == 1 && fliers > (i / 4);
            coins.push_back(coinOf(kind, f));
            if (!f)
                good.push_back(coins.back());
        }
        chooseChannel("cmbCoinNumber", idx);
        rig.win().controls().get<QComboBox>("cmbCoinCount")->setCurrentText(QString::number(count));
        dialogs().policy = [cancelFliers](const QString& text, int style) {
            if (text.contains("Need to redrop"))
                return cancelFliers ? mb::Cancel : mb::OK;
            return ardwell_test::PolicyDialogs::defaultAnswer(style);
        };
        ++dropRun;
        dropLater(coins, 1500);
        run(QString("Start Coin Drop: channel %1, %2 of kind %3 asked, %4 dropped, %5 fliers%6")
                .arg(idx + 1)
                .arg(count)
                .arg(kind)
                .arg(dropped)
                .arg(fliers)
                .arg(cancelFliers ? ", Cancel at the flier box" : ""),
            [&] { rig.click("cmdCoinData"); });
        rig.ts.sched->advance(3000); // coins still on their way go nowhere
        ++dropRun;
        claims.erase(idx);
        if (!sawBox("Data Gathered"))
            return; // nothing learned, nothing changed
        channelUnknown(idx);
        unknownByte(0, coinBitMask(idx));
        edited = true;
        // A window of a coin its fliers widened beyond a byte, or of a 126 with a discriminator
        // module of another type, is the program's to scale: only that it changed is known.
        const bool plain = model() != "126" || view().value("optNormal");
        if (!sawBox("Range value too large") && plain && !good.empty())
            claims[idx] = Claim{Claim::Learned, good};
    }

    void writeFromPanel()
    {
        writePolicy(true);
        if (chance(0.15))
            exitDuringNextWrite();
        run("Write Data To Coin Mech", [&] { rig.click("cmdProg"); });
        disarmExitDuringWrite();
        afterWrite("Write Data To Coin Mech", Mode::Programme, true);
    }

    void finish()
    {
        const bool hadChanges = pending();
        const bool yes = chance(0.8);
        writePolicy(yes);
        if (hadChanges && yes && chance(0.15))
            exitDuringNextWrite();
        run(QString("Finish Programming") + (hadChanges ? (yes ? ", write: Yes" : ", write: No") : ""),
            [&] { rig.click("cmdExitProgramme"); });
        disarmExitDuringWrite();
        if (!hadChanges)
            return;
        afterWrite("Finish Programming", Mode::Programme, yes);
    }

    // ---- Adjust panel ----


    void changeCoin()
    {
        const int idx = pick(0, listed(model()) - 1);
        dialogs().policy = nullptr;
        const ardwell::EepromImage before = job().image();
        run(QString("Adjust channel %1").arg(idx + 1), [&] { chooseChannel("cmbChangeCoin", idx); });
        // A window loosened or tightened goes into the image with the coin chosen next.
        edited = edited || (percent != 100 && job().image() != before);
        encodeShown();
        shownCoin = idx;
        decodeShown();
    }
    void loosenOrTighten()
    {
        const bool loosen = chance(0.5);
        const int n = pick(1, 5);
        dialogs().policy = nullptr;
        run(QString("%1 x%2").arg(loosen ? "Loosen" : "Tighten").arg(n), [&] {
            for (int i = 0; i < n; ++i)
                rig.click(loosen ? "cmdLoosen" : "CmdTighten");
        });
        percent = std::clamp(percent + (loosen ? 2 : -2) * n, 0, 200);
    }
    // The user types into one of the 340's credit boxes, sensibly or not.
    void typeSetting()
    {
        if (model() != "340")
            return;
        const char* boxes[] = {"txtCoinValue", "txtCSF", "txtgameprice", "txtCMV", "txtExtCredit"};
        const QString values[] = {QString::number(pick(0, 255)), "2.5", "", "1e999", "-1", "abc", "70000"};
        const QString box = boxes[pick(0, 4)];
        const QString value = values[pick(0, 6)];
        dialogs().policy = nullptr;
        run(QString("type \"%1\" into %2").arg(value, box), [&] { view().setText(box, value); });
    }
    QStringList files;
    void save()
    {
        const QString name = QString("seq%1.txt").arg(files.size());
        dialogs().policy = nullptr;
        dialogs().nextFile = rig.ts.folder() + "/" + name;
        run("Save to File " + name, [&] { rig.click("cmdSave"); });
        encodeShown();
        if (rig.ts.fileExists(name))
            files << name;
    }
    // A file of another mech's (or this one's) words, written by the test.
    QString otherMechFile()
    {
        const int id = pick(0, int(rig.units.size()) - 1);
        const auto& u = rig.units[std::size_t(id)];
        if (u.model != model())
            return {};
        const QString name = QString("mech%1.txt").arg(id);
        rig.ts.writeFile(name, img::imageFile(id == rig.current() ? rig.mechInBox().words() : u.words));
        return name;
    }
    img::Words fileWords(const QString& name)
    {
        img::Words w(std::size_t(rig.mechInBox().wordCount()), 0);
        const QStringList lines = QString::fromLatin1(rig.ts.readFile(name)).split("\r\n");
        for (const QString& l : lines) {
            const QStringList f = l.split(' ');
            bool ok1 = false, ok2 = false;
            const int a = f.value(0).toInt(&ok1, 16), v = f.value(1).toInt(&ok2, 16);
            if (ok1 && ok2 && a >= 0 && a < int(w.size()))
                w[std::size_t(a)] = quint16(v);
        }
        return w;
    }
    void loadOrCopy()
    {
        const bool copy = chance(0.5);
        QString name = !files.isEmpty() && chance(0.5) ? files[pick(0, int(files.size()) - 1)] : otherMechFile();
        if (name.isEmpty())
            return;
        dialogs().policy = nullptr;
        dialogs().nextFile = rig.ts.folder() + "/" + name;
        const img::Words file = fileWords(name);
        const ardwell::EepromImage before = job().image();
        run(QString(copy ? "Copy Configuration from " : "Load from File ") + name,
            [&] { rig.click(copy ? "cmdCopyConfig" : "cmdLoad"); });
        if (sawBox("Error") || sawBox("Invalid"))
            return;
        edited = edited || job().image() != before;
        // The file's words are the image now: a load takes all, a copy the settings (which
        // ones is the model's table's to say) and keeps the windows.
        for (int a = 0; a < int(expect.size()); ++a) {
            if (copy) {
                if (file[std::size_t(a)] != expect[std::size_t(a)])
                    known[std::size_t(a)] &= quint16(~(file[std::size_t(a)] ^ expect[std::size_t(a)]));
            } else {
                expect[std::size_t(a)] = file[std::size_t(a)];
            }
        }
        if (!copy) {
            claims.clear();
            imageWidth.clear();
            for (int idx = 0; idx < listed(model()); ++idx) {
                if (auto r = recordIn(expect, idx))
                    imageWidth[idx] = {{double(r->width[0]), double(r->width[1]), double(r->width[2]), double(r->width[3])}};
                for (int i = 0; i < 13; ++i) {
                    const int a = recordWordOf(model(), idx, i);
                    if (a < int(known.size()))
                        known[std::size_t(a)] |= byteMask(idx);
                }
            }
        }
        decodeShown();
    }
    void writeToMech()
    {
        writePolicy(true);
        if (chance(0.15))
            exitDuringNextWrite();
        run("Write to Mech", [&] { rig.click("cmdExitAdjust"); });
        disarmExitDuringWrite();
        encodeShown();
        afterWrite("Write to Mech", Mode::Adjust, true);
    }
    void cancelAdjust()
    {
        dialogs().policy = nullptr;
        run("Cancel Changes", [&] { rig.click("cmdCancelAdjust"); });
        dropPending();
    }

    // The way out from a panel, often over changes made just before it.
    void leave()
    {
        if (chance(0.5)) {
            if (modeShown() == Mode::Adjust) {
                if (chance(0.5)) {
                    loosenOrTighten();
                    changeCoin();
                } else {
                    loadOrCopy();
                }
            } else if (chance(0.5)) {
                learn();
            } else {
                clearOne();
            }
        }
        exitJob();
    }

    // ---- One step, as the panel shown allows ----

    void step()
    {
        if (!armed)
            heal();
        armed = false;
        const Mode m = modeShown();
        const int r = pick(0, 99);
        if (m == Mode::Main) {
            if (r < 12)
                swapMech(true);
            else if (r < 42)
                enterProgramme();
            else if (r < 67)
                enterAdjust();
            else if (r < 80)
                testMode();
            else if (r < 88)
                exitJob();
            else
                fault();
        } else if (m == Mode::Programme) {
            if (r < 6)
                swapMech(false);
            else if (r < 18)
                clearOne();
            else if (r < 23)
                clearAll();
            else if (r < 50)
                learn();
            else if (r < 60)
                fault();
            else if (r < 76)
                writeFromPanel();
            else if (r < 88)
                finish();
            else
                leave();
        } else if (m == Mode::Adjust) {
            if (r < 4)
                swapMech(false);
            else if (r < 20)
                changeCoin();
            else if (r < 34)
                loosenOrTighten();
            else if (r < 40)
                typeSetting();
            else if (r < 48)
                save();
            else if (r < 58)
                loadOrCopy();
            else if (r < 66)
                fault();
            else if (r < 80)
                writeToMech();
            else if (r < 88)
                cancelAdjust();
            else
                leave();
        } else {
            run("End Testing", [&] { rig.click("cmdFinishTest", 0); });
        }
    }

    static int parts() { return ::testing::UnitTest::GetInstance()->current_test_info()->result()->total_part_count(); }
    const int partsBefore = parts();

    void play(int steps)
    {
        const QString first = pickModel(seed);
        rig.insert(rig.newUnit(first, chance(0.5), freshSerial()));
        log(QString("mech 0 (%1, serial %2) in the box, the program started").arg(first).arg(unitInBox().serial, 8, 16, QChar('0')));
        ASSERT_TRUE(rig.startWithBox(first));
        unshown();
        for (int i = 0; i < steps && parts() == partsBefore; ++i)
            step();
    }
};

int envNumber(const char* name, int otherwise)
{
    const QByteArray v = qgetenv(name);
    bool ok = false;
    const int n = v.toInt(&ok);
    return ok ? n : otherwise;
}

} // namespace

TEST(JobSequence, EveryVerifyOkIsTrueOfTheMechInTheBoxAndEveryFailureKeepsTheChanges)
{
    const int only = envNumber("ARDWELL_SEQ_SEED", -1);
#if defined(__SANITIZE_ADDRESS__)
    constexpr int kSeeds = 60; // the sanitizer build runs every job many times slower
#else
    constexpr int kSeeds = 250;
#endif
    const int seeds = only >= 0 ? 1 : envNumber("ARDWELL_SEQ_SEEDS", kSeeds);
    const int first = envNumber("ARDWELL_SEQ_FIRST", 1);
    const int steps = envNumber("ARDWELL_SEQ_STEPS", 6);
    // The long run goes on past a failing seed to say what else it finds.
    const int maxFailed = envNumber("ARDWELL_SEQ_MAX_FAILED", 1);
    int failed = 0;
    for (int i = 0; i < seeds; ++i) {
        const quint32 seed = only >= 0 ? quint32(only) : quint32(first + i);
        Sequence s(seed);
        s.play(steps);
        if (Sequence::parts() != s.partsBefore) {
            ADD_FAILURE() << "seed " << seed << " (ARDWELL_SEQ_SEED=" << seed << " replays it):\n  "
                          << s.steps.join("\n  ").toStdString();
            if (++failed >= maxFailed)
                return;
        }
    }
}
