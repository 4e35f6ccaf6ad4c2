// Seeded workshop days: random sequences of the first program's jobs over mechs swapped between
// them and the simulated mechs' faults. Whenever a success text is shown, the mech in the box
// must hold what the job's own inputs (the technician's edits, the file, the coin set) meant it
// to hold, and nothing of a mech that was in the box before it. Windows are left by their own
// buttons or close boxes, and the program by Exit, between jobs and while a job waits; after an
// Exit it starts again in the same folder. A failing day prints its steps.
// QUENBY_SEQ_SEED=n replays day n alone (in the first shard), QUENBY_SEQ_SEEDS=n runs n days (200,
// 64 under the sanitizer) from QUENBY_SEQ_FIRST (1), QUENBY_SEQ_JOBS=n gives each day n jobs (5).
#include "quenby/memutils/frmeepromdata.h"
#include "quenby/memutils/frmnridata.h"
#include "quenby/memutils/frmprom.h"
#include "quenby/clonewizard/frmcoinmeasure1.h"
#include "quenby/link/familytable.h"
#include "sim/ccimages.h"
#include "sim/ccmech.h"
#include "sim/marssocket.h"
#include "sim/nrimech.h"
#include "sim/sentinelmech.h"
#include "tests/quenby/datafiles.h"
#include "tests/quenby/jobsequence.h"
#include "tests/quenby/jobsequence_exits.h"
#include "tests/quenby/jobsequence_oracle.h"

#include <QRadioButton>
#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <set>

namespace {

using namespace quenby_tests;
using Shown = DayDialogs::Shown;

// Thrown from a press once a way out was taken mid-job: the job's remaining steps are moot.
struct LeftJob {};

class Day {
public:
    Day(Workshop& w, quint32 seed) : w_(w), dice_{seed * 2654435761u + 0x9E3779B9u}
    {
        if (dice_.state == 0)
            dice_.state = 1;
        w_.dialogs.onBox = [this](const Shown& s) { return answer(s); };
        w_.afterPress = [this] {
            if (out_.taken())
                throw LeftJob{};
        };
        w_.dialogs.onOpen = [this](const QString& title) {
            const QString f = nextOpen_;
            nextOpen_.clear();
            log("  open [" + title + "] -> " + (f.isEmpty() ? QStringLiteral("none") : f.section('/', -1)));
            return f;
        };
        w_.dialogs.onSave = [this](const QString& title) {
            const QString f = nextSave_;
            nextSave_.clear();
            log("  save [" + title + "] -> " + (f.isEmpty() ? QStringLiteral("none") : f.section('/', -1)));
            return f;
        };
    }

    void run(int jobs)
    {
        w_.ts.sched->setLimitMs(plat::Millis(1000) * 3600 * 24 * 30);
        swap(pickModel());
        out_.start();
        for (int j = 0; j < jobs && failures_.isEmpty(); ++j) {
            if (j > 0 && chance(35))
                swap(pickModel());
            injectFault();
            ++jobNo_;
            out_.armForJob(jobNo_, [this] { return jobNo_; });
            try {
                switch (roll(4)) {
                case 0: memoryWindow(); break;
                case 1: editLimits(); break;
                case 2: validatorTest(); break;
                default: coinSetRun(); break;
                }
            } catch (const LeftJob&) {
            } catch (const plat::ProgramEnded&) {
            }
            out_.checkAfterJob();
            try {
                home();
            } catch (const plat::ProgramEnded&) {
            }
            if (failures_.isEmpty())
                out_.checkAfterJob(); // an Exit on the way home ends the program there and then
            if (out_.ended())
                restart();
        }
    }
    const QStringList& failures() const { return failures_; }
    const QStringList& steps() const { return steps_; }

private:
    // ---- dice ------------------------------------------------------------------------------
    quint32 next() { return dice_.next(); }
    int roll(int n) { return dice_.roll(n); }
    bool chance(int percent) { return dice_.chance(percent); }
    int between(int lo, int hi) { return dice_.between(lo, hi); }
    void log(const QString& s) { steps_ << s; }

    // ---- mechs -----------------------------------------------------------------------------
    enum class Kind { CcWord, Sentinel, NriNewer, NriOlder, Mars };
    static const QStringList& models()
    {
        static const QStringList m{"C120", "435", "Sentinel", "G13-6000", "G18-3000", "G13-0000", "ME111"};
        return m;
    }
    QString pickModel() { return models()[roll(int(models().size()))]; }
    Kind kind() const
    {
        if (model_ == QLatin1String("Sentinel"))
            return Kind::Sentinel;
        if (model_ == QLatin1String("ME111"))
            return Kind::Mars;
        if (model_.startsWith('G'))
            return model_ == QLatin1String("G13-0000") ? Kind::NriOlder : Kind::NriNewer;
        return Kind::CcWord;
    }
    bool isCc() const { return kind() == Kind::CcWord || kind() == Kind::Sentinel; }
    bool isNri() const { return kind() == Kind::NriNewer || kind() == Kind::NriOlder; }
    QString family() const { return isCc() ? "CC" : isNri() ? "NRI" : "Mars"; }
    int params() const { return w_.box.plugged()->paramCount(); }
    sim::CcMech& cc() { return *dynamic_cast<sim::CcMech*>(w_.box.plugged()); }
    sim::SentinelMech& sentinel() { return *dynamic_cast<sim::SentinelMech*>(w_.box.plugged()); }
    sim::NriMech& nri() { return *dynamic_cast<sim::NriMech*>(w_.box.plugged()); }
    sim::MarsSocket& socket() { return *dynamic_cast<sim::MarsSocket*>(w_.box.plugged()); }

    // The CC words, whichever protocol the mech talks; the checksum word is the mech's own.
    std::vector<quint16> words() { return kind() == Kind::Sentinel ? sentinel().words() : cc().words(); }
    void setWord(int a, quint16 v)
    {
        if (kind() == Kind::Sentinel)
            sentinel().setWord(a, v);
        else
            cc().setWord(a, v);
    }
    int sumWord() const { return kind() == Kind::Sentinel ? 63 : 127; }
    QByteArray record(const QString& key)
    {
        return kind() == Kind::NriNewer ? nri().record(key.toInt(nullptr, 16)) : nri().oldRecord(key.toLatin1());
    }
    void setRecord(const QString& key, const QByteArray& t)
    {
        if (kind() == Kind::NriNewer)
            nri().setRecord(key.toInt(nullptr, 16), t);
        else
            nri().setOldRecord(key.toLatin1(), t);
    }
    // The records that carry a coin's windows: newer 03..0E, older V1..V6.
    QString windowRecord(int coin) const
    {
        return kind() == Kind::NriNewer ? recordKey(0x02 + coin) : "V" + QString::number(coin);
    }
    int nriCoins() const { return kind() == Kind::NriNewer ? 12 : 6; }

    // A new mech of the model, its windows moved by its number so that no two mechs of the day
    // share a window word or record.
    void swap(const QString& model)
    {
        model_ = model;
        const int id = ++mechNo_;
        w_.box.swapMech(model, false);
        pollFault_ = false;
        const int d = 2 * id;
        if (isCc()) {
            const sim::CcLayout l = sim::ccLayout(model);
            for (int c = 1; c <= l.channels; ++c) {
                const auto ws = sim::typicalCcWindows(model, c);
                for (int p = 1; p <= l.params; ++p) {
                    const int lo = std::min(ws[p - 1].first + d, 250), hi = std::min(ws[p - 1].second + d, 255);
                    setWord(sim::ccWindowWord(l, c, p), quint16(hi << 8 | lo));
                }
            }
        } else if (isNri()) {
            const int width = kind() == Kind::NriNewer ? 2 : 3;
            for (int c = 1; c <= nriCoins(); ++c) {
                const QByteArray t = record(windowRecord(c));
                QByteArray moved;
                for (int i = 0; i + width <= t.size(); i += width) {
                    const int v = std::min(t.mid(i, width).toInt(nullptr, width == 2 ? 16 : 10) + d, 255);
                    moved += width == 2 ? hex2(v) : QByteArray::number(v).rightJustified(3, '0');
                }
                setRecord(windowRecord(c), moved);
            }
        }
        held_.push_back({id, model, memory()});
        oldProm_.reset();
        log(QStringLiteral("swap: mech #%1, %2").arg(id).arg(model));
    }
    QStringList recordKeys() const
    {
        QStringList keys;
        if (kind() == Kind::NriNewer) {
            for (int r = 0; r < 28; ++r)
                keys << recordKey(r);
        } else {
            for (int c = 1; c <= 6; ++c)
                keys << "V" + QString::number(c);
            keys << "Y" << "Z";
        }
        return keys;
    }
    Memory memory()
    {
        Memory m;
        if (isCc()) {
            m.words = words();
        } else if (isNri()) {
            for (const QString& k : recordKeys())
                m.records[k] = record(k);
        } else if (socket().hasProm()) {
            m.nibbles = socket().prom()->nibbles;
        }
        return m;
    }

    void injectFault()
    {
        const QString what = quenby_tests::injectFault(dice_, w_.box, portFault_, pollFault_);
        if (!what.isEmpty())
            log(what);
    }

    // ---- boxes -----------------------------------------------------------------------------
    int answer(const Shown& s)
    {
        const QString text = s.text.simplified();
        const int buttons = plat::mb::buttonsOf(s.style);
        int a = plat::mb::OK;
        if (s.title.startsWith(QLatin1String("Data Gather: "))) {
            a = plat::mb::Yes;
            gatherCoins(3);
        } else if (text.contains(QLatin1String("Need to redrop"))) {
            gatherCoins(text.section(QLatin1String("Need to redrop "), 1).section(' ', 0, 0).toInt());
        } else if (buttons == plat::mb::OKCancel) {
            a = cancels_ && chance(20) ? plat::mb::Cancel : plat::mb::OK;
        } else if (buttons == plat::mb::YesNo || buttons == plat::mb::YesNoCancel) {
            a = cancels_ && chance(20) ? plat::mb::No : plat::mb::Yes;
        } else if (buttons == plat::mb::RetryCancel) {
            a = plat::mb::Cancel;
        } else if (buttons == plat::mb::AbortRetryIgnore) {
            a = plat::mb::Abort;
        }
        log(QStringLiteral("  box [%1] %2 -> %3").arg(s.title, text.left(90)).arg(a));
        out_.inBox();
        if (kind() == Kind::Mars && a != plat::mb::Cancel) {
            if (text.contains(QLatin1String("Remove OLD PROM from Socket"))) {
                oldProm_ = socket().remove();
            } else if (text.contains(QLatin1String("Insert Old PROM to COPY")) && oldProm_) {
                socket().remove();
                socket().insert(*oldProm_);
            } else if (text.contains(QLatin1String("Insert 1K Bipolar PROM")) ||
                       text.contains(QLatin1String("Insert 2K Bipolar PROM"))) {
                socket().insert(sim::MarsProm::blank(text.contains(QLatin1String("1K")) ? 256 : 512));
            } else if (text.contains(QLatin1String("Insert Ombrix"))) {
                socket().insert(sim::MarsProm::blank(512, sim::MarsProm::Kind::Ombrix));
            }
        }
        for (const QString& ok : successTexts())
            if (text.contains(ok))
                checkSuccess(ok);
        return a;
    }

    // Coins through the mech while a record gathers, now and then a stray CR on the line between
    // two of them; a gathering that still waits a minute later is cancelled.
    void gatherCoins(int coins)
    {
        const int job = jobNo_;
        const int values = params();
        for (int i = 0; i < coins; ++i)
            w_.ts.sched->callAfter(1500 * (i + 1), [this, job, values] {
                if (jobNo_ != job)
                    return;
                w_.box.queueReading(QList<int>(values, 100));
                w_.box.dropCoin(1);
            });
        if (chance(30)) {
            const plat::Millis at = between(1600, 4400);
            log(QStringLiteral("  a stray CR on the line %1 ms after the prompt").arg(at));
            w_.ts.sched->callAfter(at, [this, job] {
                if (jobNo_ == job && w_.port && w_.port->isOpen())
                    w_.port->reply("\r", 0);
            });
        }
        // A reading a stray byte cost is dropped again, as a technician would once the count
        // stands still.
        w_.ts.sched->callAfter(20000, [this, job, values] {
            if (jobNo_ != job || !w_.p->coinStats().runActive)
                return;
            log("  two more coins, the count standing still");
            for (int i = 0; i < 2; ++i)
                w_.ts.sched->callAfter(1500 * (i + 1), [this, job, values] {
                    if (jobNo_ != job)
                        return;
                    w_.box.queueReading(QList<int>(values, 100));
                    w_.box.dropCoin(1);
                });
        });
        w_.ts.sched->callAfter(60000, [this, job] {
            auto* m = w_.p->coinMeasureIfLoaded();
            if (jobNo_ != job || !w_.p->coinStats().runActive || !shown(m))
                return;
            if (!pollFault_ && !portFault_)
                failures_ << "the coins were dropped, yet the gathering still waited a minute later";
            log("  Cancel Operation");
            m->controls().get<QPushButton>("cmdBack")->click();
        });
    }

    void checkSuccess(const QString& text)
    {
        if (!intent_) {
            failures_ << "\"" + text + "\" shown where no job meant to write";
            return;
        }
        const QStringList wrong = mismatches(*intent_);
        if (!wrong.isEmpty())
            failures_ << "\"" + text + "\" after " + intent_->job + ", but the mech holds:\n    " + wrong.join("\n    ");
    }

    QStringList mismatches(const Intent& in)
    {
        const MemoryKind k = isCc() ? MemoryKind::Words : isNri() ? MemoryKind::Records : MemoryKind::Prom;
        const bool prom = k != MemoryKind::Prom || socket().hasProm();
        return quenby_tests::mismatches(k, memory(), prom, in, held_, mechNo_, model_);
    }

    // ---- windows ---------------------------------------------------------------------------
    plat::NamedControls& mainC() { return w_.p->mainForm().controls(); }
    bool shown(QWidget* wd) const { return wd && wd->isVisible(); }
    void launch(bool programMech)
    {
        const char* list = isCc() ? "cmbCCmech" : isNri() ? "cmbNRImech" : "cmbMarsMech";
        const char* button = isCc()    ? (programMech ? "cmdCCprog" : "cmdCCprom")
                             : isNri() ? (programMech ? "cmdNRIprog" : "cmdNRIprom")
                                       : "cmdMars";
        mainC().setText(list, model_);
        w_.press(mainC(), button);
    }

    // Back to the main window from wherever the job left the program, each window left by its
    // button or its close box; now and then the day's program is left by Exit or its close box.
    void home()
    {
        intent_.reset();
        cancels_ = false;
        if (out_.ended())
            return;
        if (!out_.atMain() && chance(5)) {
            out_.exitFromMain(chance(50));
            w_.wait(20);
        }
        for (int i = 0; i < 6; ++i) {
            if (!out_.leaveTop(chance(40), false))
                break;
            w_.wait(20);
        }
        if (!out_.atMain())
            failures_ << "the program did not come back to its main window";
        if (chance(8)) {
            out_.leaveTop(chance(50), true);
            w_.wait(20);
        }
    }

    // The program ended: nothing of it may follow, and it starts again in the same folder.
    void restart()
    {
        ++jobNo_; // what the ended job scheduled for itself is void
        out_.checkEnd();
        w_.p.reset();
        w_.port = nullptr;
        // A lost line is put right before the program starts again: its opening window would
        // otherwise wait for Retry.
        w_.box.setFault(sim::QuenbyBox::Fault::HangUpOnByteIn, sim::When::never());
        portFault_ = false;
        log("  the program starts again");
        out_.start();
    }

    // The validator test of the mech's family, left after a while.
    void validatorTest()
    {
        log("job: validator test on the " + model_);
        const char* list = isCc() ? "cmbCCmech" : isNri() ? "cmbNRImech" : "cmbMarsMech";
        mainC().setText(list, model_);
        w_.press(mainC(), isCc() ? "cmdCCValTest" : isNri() ? "cmdNRIvaltest" : "cmdValtest");
        if (!shown(w_.p->valtestIfLoaded()))
            return;
        const int coins = roll(3);
        for (int i = 0; i < coins; ++i) {
            w_.box.queueReading(QList<int>(params(), 100));
            w_.box.dropCoin(1);
            w_.wait(between(300, 2000));
        }
        w_.wait(between(20, 3000));
    }

    // ---- jobs ------------------------------------------------------------------------------
    // The family's memory window: read, maybe programme from a file, maybe save.
    void memoryWindow()
    {
        if (kind() == Kind::Mars || kind() == Kind::NriOlder)
            return editLimits();
        log("job: memory window on the " + model_);
        launch(false);
        useMemoryWindow();
    }

    // Read, programme from a file or save in the family's memory window, if it opened.
    void useMemoryWindow()
    {
        fileShown_.reset();
        QWidget* win = isCc() ? static_cast<QWidget*>(w_.p->eepromDataIfLoaded())
                              : static_cast<QWidget*>(w_.p->nriDataIfLoaded());
        if (!shown(win))
            return;
        plat::NamedControls& c = isCc() ? w_.p->eepromDataForm().controls() : w_.p->nriDataForm().controls();
        for (int k = roll(3); k >= 0; --k) {
            switch (roll(3)) {
            case 0: programmeFromFile(c); break;
            case 1: saveToFile(c); break;
            default:
                log("  Read");
                fileShown_.reset();
                w_.press(c, "cmdReadPROM");
                break;
            }
            if (!shown(win))
                return;
        }
    }

    QByteArray randomRecord(int length)
    {
        QByteArray t;
        for (int i = 0; i < length / 2; ++i)
            t += hex2(between(0, 255));
        return t;
    }

    void programmeFromFile(plat::NamedControls& c)
    {
        Intent in;
        in.meant = memory();
        QByteArray file;
        if (isCc()) {
            std::vector<quint16> ws = in.meant.words;
            for (int k = between(1, 4); k > 0; --k)
                ws[size_t(between(0, sumWord() - 1))] = quint16(next());
            in.meant.words = ws;
            in.free = {sumWord()};
            file = eepromFile(ws);
        } else if (chance(50)) {
            std::vector<QByteArray> lines(29);
            for (int k = between(1, 3); k > 0; --k) {
                const QString key = recordKey(between(0x03, 0x0E));
                in.meant.records[key] = randomRecord(int(in.meant.records[key].size()));
            }
            for (int r = 0; r < 28; ++r)
                lines[size_t(r + 1)] = in.meant.records[recordKey(r)];
            file = nriFile(lines);
        } else {
            // Only the records changed go into the file; the others must stay the mech's.
            for (int k = between(1, 3); k > 0; --k) {
                const int r = between(0x03, 0x0E);
                in.meant.records[recordKey(r)] = randomRecord(int(in.meant.records[recordKey(r)].size()));
                file += QByteArray::number(r + 1) + ",\"" + in.meant.records[recordKey(r)] + "\"\r\n";
            }
        }
        const QString name = QStringLiteral("f%1.txt").arg(++files_);
        w_.write(name, file);
        nextOpen_ = w_.path(name);
        in.job = "Programme from File " + name;
        log("  Programme from File " + name + ": " + QString::fromLatin1(file).trimmed().replace("\r\n", " | "));
        intent_ = in;
        cancels_ = true;
        const size_t before = w_.dialogs.shown.size();
        w_.press(c, "cmdProgramme");
        cancels_ = false;
        intent_.reset();
        // A file refused or cancelled leaves the window as it was.
        bool confirmed = false, succeeded = false;
        for (size_t i = before; i < w_.dialogs.shown.size(); ++i) {
            const Shown& b = w_.dialogs.shown[i];
            confirmed = confirmed || (b.text.contains(QLatin1String("Confirm overwrite")) && b.answer == plat::mb::OK);
            for (const QString& ok : successTexts())
                succeeded = succeeded || b.text.contains(ok);
        }
        if (confirmed)
            fileShown_ = succeeded ? std::nullopt : std::optional<Memory>(in.meant);
    }

    void saveToFile(plat::NamedControls& c)
    {
        const QString name = QStringLiteral("s%1.txt").arg(++files_);
        nextSave_ = w_.path(name);
        log("  Save to File " + name);
        const Memory held = memory();
        w_.press(c, "cmdSave");
        // After a write that did not end well the window shows the file it was writing, and the
        // mech may hold part of it: the technician was told, and what a save holds is open.
        if (!QFile::exists(w_.path(name)) || fileShown_)
            return;
        const QByteArray saved = w_.ts.readFile("CoinSets/" + name);
        QByteArray meant;
        if (isCc()) {
            meant = eepromFile(held.words);
        } else {
            // A record the window did not read is saved empty, never as another's.
            const QList<QByteArray> lines = saved.split('\n');
            std::vector<QByteArray> records(29);
            for (int r = 0; r < 28; ++r) {
                const QByteArray line = r < lines.size() ? lines[r].trimmed() : QByteArray();
                const bool empty = line.endsWith(",\"\"");
                records[size_t(r + 1)] = empty ? QByteArray() : held.records.at(recordKey(r));
            }
            meant = nriFile(records);
        }
        if (saved != meant)
            failures_ << "the file saved differs from the mech in the box:\n    saved " +
                             QString::fromLatin1(saved).replace("\r\n", " | ") + "\n    held  " +
                             QString::fromLatin1(meant).replace("\r\n", " | ");
    }

    // Edits on the editor's first page: each (lo, hi) of a channel's parameter.
    struct Edit {
        int row, param, lo, hi;
    };
    std::vector<Edit> edit(plat::NamedControls& ed)
    {
        std::vector<Edit> out;
        if (kind() == Kind::Mars)
            return out;
        const quenby::ModelShape& shape = quenby::mechEntry(quenby::familyNamed(family()), model_).shape;
        const int ps = shape.paramCount, rows = shape.coinsPerSegment;
        for (int k = roll(4); k > 0; --k) {
            Edit e{roll(rows), roll(ps), between(20, 120), 0};
            e.hi = e.lo + between(4, 40);
            const int cell = e.row * 2 * ps + 2 * e.param;
            ed.setText("txtProm", QString::number(e.lo), cell);
            ed.setText("txtProm", QString::number(e.hi), cell + 1);
            log(QStringLiteral("  edit channel %1 parameter %2: %3..%4").arg(e.row + 1).arg(e.param + 1).arg(e.lo).arg(e.hi));
            std::erase_if(out, [&](const Edit& o) { return o.row == e.row && o.param == e.param; });
            out.push_back(e);
        }
        return out;
    }

    // What the editor programs: the mech as read with the edits (and, from a coin set, its
    // windows) in place.
    void programEditor(Intent in, const std::vector<Edit>& edits)
    {
        plat::NamedControls& ed = w_.p->promForm().controls();
        bool restored = false;
        if (chance(30) && (isCc() || kind() == Kind::NriNewer)) {
            // The memory window from the editor: what it writes stays, but for the windows,
            // which are the editor's.
            log("  PROM Utilities");
            w_.press(ed, "cmdPROMutilities");
            useMemoryWindow();
            QWidget* win = isCc() ? static_cast<QWidget*>(w_.p->eepromDataIfLoaded())
                                  : static_cast<QWidget*>(w_.p->nriDataIfLoaded());
            if (shown(win)) {
                log("  Close");
                w_.press(isCc() ? w_.p->eepromDataForm().controls() : w_.p->nriDataForm().controls(), "cmdBye");
            }
            if (!shown(w_.p->promIfLoaded()))
                return;
            Memory now = memory();
            if (isCc()) {
                const sim::CcLayout l = sim::ccLayout(model_);
                for (int ch = 1; ch <= l.channels; ++ch)
                    for (int p = 1; p <= l.params; ++p) {
                        const size_t a = size_t(sim::ccWindowWord(l, ch, p));
                        now.words[a] = in.meant.words[a];
                    }
            } else {
                for (int coin = 1; coin <= nriCoins(); ++coin)
                    now.records[windowRecord(coin)] = in.meant.records[windowRecord(coin)];
            }
            in.meant = now;
            in.job += " over what its memory window wrote";
        }
        if (chance(25)) {
            log("  Change Limits");
            w_.press(ed, "cmdChangeLimits");
        }
        if (chance(25) && ed.isEnabled("optSeg", 1) && ed.isVisible("optSeg", 1)) {
            log("  page 2 and back");
            ed.get<QRadioButton>("optSeg", 1)->click();
            w_.wait(20);
            ed.get<QRadioButton>("optSeg", 0)->click();
            w_.wait(20);
        }
        if (chance(20)) {
            log("  Restore Limits");
            // Restore gives back the windows the mech holds now, whatever its window wrote.
            const Memory now = memory();
            w_.press(ed, "cmdRestore");
            restored = true;
            if (!in.job.startsWith(QLatin1String("coin set")))
                in.meant = now;
        }
        if (!restored) {
            for (const Edit& e : edits) {
                if (isCc()) {
                    const int a = sim::ccWindowWord(sim::ccLayout(model_), e.row + 1, e.param + 1);
                    in.meant.words[size_t(a)] = quint16(e.hi << 8 | e.lo);
                } else if (kind() == Kind::NriNewer) {
                    in.freeRecords.insert(windowRecord(e.row + 1));
                    in.holding[windowRecord(e.row + 1)] << hex2(e.hi) + hex2(e.lo);
                } else {
                    QByteArray& r = in.meant.records[windowRecord(e.row + 1)];
                    r.replace(3 * e.param, 3, QByteArray::number(e.hi).rightJustified(3, '0'));
                    r.replace(12 + 3 * e.param, 3, QByteArray::number(e.lo).rightJustified(3, '0'));
                }
            }
        } else if (in.job.startsWith(QLatin1String("coin set"))) {
            return; // what Restore gives back is the set's windows, not the edits
        }
        in.job += restored ? QStringLiteral(" (restored)") : QString();
        log("  Program");
        intent_ = in;
        cancels_ = true;
        w_.press(ed, "cmdProgPROM");
        cancels_ = false;
        intent_.reset();
    }

    // What an editor job may change besides the windows: the checksum word, the date record.
    void editorFree(Intent& in) const
    {
        if (isCc())
            in.free = {sumWord()};
        else if (kind() == Kind::NriNewer)
            in.freeRecords = {recordKey(0x02)};
        else
            in.freeRecords = {QStringLiteral("Z")};
    }

    // Edit Limits from the wizards: the mech read, edited, programmed.
    void editLimits()
    {
        log("job: Edit Limits on the " + model_);
        if (kind() == Kind::Mars && oldProm_) {
            socket().remove(); // the mech's own PROM back in the socket
            socket().insert(*oldProm_);
        }
        Intent in;
        in.job = "Edit Limits";
        in.meant = memory();
        editorFree(in);
        launch(true);
        auto* m = w_.p->coinMeasureIfLoaded();
        if (!shown(m))
            return;
        w_.press(m->controls(), "cmdSpecialUtilities");
        cancels_ = true;
        w_.press(m->controls(), "cmdEdit");
        cancels_ = false;
        if (!shown(w_.p->promIfLoaded()))
            return;
        programEditor(in, edit(w_.p->promForm().controls()));
    }

    // A coin set of one coin with fixed windows, gathered and programmed.
    void coinSetRun()
    {
        if (model_ == QLatin1String("435") || kind() == Kind::Mars)
            return editLimits();
        log("job: coin set run on the " + model_);
        const int ps = params();
        QByteArray set = "\"" + family().toLatin1() + "." + model_.toLatin1() + "\",\"r\",\"R\",\"1\"\r\n\"-\"\r\n"
                         "CD,a,Coin 01,3";
        std::vector<std::pair<int, int>> fixed;
        for (int p = 0; p < ps; ++p) {
            const int lo = between(10, 100), hi = lo + between(5, 60);
            fixed.push_back({lo, hi});
            set += ",F," + QByteArray::number(lo) + ",F," + QByteArray::number(hi) + ",10";
        }
        set += "\r\n";
        const QString name = QStringLiteral("set%1.cst").arg(++files_);
        w_.write(name, set);
        log("  coin set " + name + ": " + QString::fromLatin1(set).trimmed().replace("\r\n", " | "));
        Intent in;
        in.job = "coin set " + name;
        in.meant = memory();
        editorFree(in);
        if (isCc()) {
            const sim::CcLayout l = sim::ccLayout(model_);
            for (int c = 1; c <= l.channels; ++c)
                for (int p = 1; p <= l.params; ++p)
                    in.meant.words[size_t(sim::ccWindowWord(l, c, p))] =
                        c == 1 ? quint16(fixed[size_t(p - 1)].second << 8 | fixed[size_t(p - 1)].first) : 0;
        } else if (kind() == Kind::NriNewer) {
            // Coin values, outputs, inhibits and the parameter map follow the set.
            for (int r : {0x0F, 0x10, 0x11, 0x12, 0x13, 0x19})
                in.freeRecords.insert(recordKey(r));
            QByteArray r3;
            for (const auto& [lo, hi] : fixed)
                r3 += hex2(hi) + hex2(lo);
            in.meant.records[windowRecord(1)] = r3;
            for (int c = 2; c <= nriCoins(); ++c)
                in.meant.records[windowRecord(c)] = QByteArray(4 * ps, '0');
        } else {
            in.freeRecords.insert(QStringLiteral("Y"));
            QByteArray highs, lows;
            for (const auto& [lo, hi] : fixed) {
                highs += QByteArray::number(hi).rightJustified(3, '0');
                lows += QByteArray::number(lo).rightJustified(3, '0');
            }
            in.meant.records[windowRecord(1)] = highs + lows;
            for (int c = 2; c <= nriCoins(); ++c)
                in.meant.records[windowRecord(c)] = QByteArray(6 * ps, '0');
        }
        launch(true);
        auto* m = w_.p->coinMeasureIfLoaded();
        if (!shown(m))
            return;
        nextOpen_ = w_.path(name);
        cancels_ = chance(30);
        w_.press(m->controls(), "cmdOpenCoinset");
        cancels_ = false;
        if (!shown(w_.p->promIfLoaded()))
            return;
        programEditor(in, edit(w_.p->promForm().controls()));
    }

    Workshop& w_;
    Dice dice_;
    QStringList steps_;
    QStringList failures_;
    QString model_;
    int mechNo_ = 0, jobNo_ = 0, files_ = 0;
    bool pollFault_ = false, portFault_ = false;
    std::vector<HeldMech> held_;
    std::optional<Intent> intent_;
    std::optional<Memory> fileShown_;
    std::optional<sim::MarsProm> oldProm_;
    bool cancels_ = false;
    QString nextOpen_, nextSave_;
    WayOut out_{w_, dice_, steps_, failures_};
};

// The days are dealt round eight shards, each its own test, so that ctest runs them side by side.
constexpr int kShards = 8;
#if defined(__SANITIZE_ADDRESS__)
constexpr int kDays = 64; // the sanitizer build runs every job many times slower
#else
constexpr int kDays = 200;
#endif
struct JobSequence : ::testing::TestWithParam<int> {};

TEST_P(JobSequence, EverySuccessShownIsTrueOfTheMechInTheBox)
{
    const int shard = GetParam();
    const int only = envInt("QUENBY_SEQ_SEED", -1);
    const int first = only >= 0 ? only : envInt("QUENBY_SEQ_FIRST", 1);
    const int count = only >= 0 ? 1 : envInt("QUENBY_SEQ_SEEDS", kDays);
    NoPainting noPainting;
    qApp->installEventFilter(&noPainting);
    int failed = 0;
    for (int seed = first + shard; seed < first + count; seed += kShards) {
        Workshop w;
        Day day(w, quint32(seed));
        QString stopped;
        try {
            day.run(envInt("QUENBY_SEQ_JOBS", 5));
        } catch (const std::exception& e) {
            stopped = QString::fromLocal8Bit(e.what());
        } catch (const plat::ProgramEnded&) {
            stopped = "the program ended by itself";
        }
        if (!stopped.isEmpty()) {
            ADD_FAILURE() << "day " << seed << " (QUENBY_SEQ_SEED=" << seed << "): " << stopped.toStdString()
                          << "\nsteps:\n  " << day.steps().mid(std::max(0, int(day.steps().size()) - 60)).join("\n  ").toStdString();
            continue;
        }
        if (day.failures().isEmpty())
            continue;
        // The first few days in full, the others by what they found, so a long run reads whole.
        if (++failed <= 3)
            ADD_FAILURE() << "day " << seed << " (QUENBY_SEQ_SEED=" << seed << "):\n  "
                          << day.failures().join("\n  ").toStdString() << "\nsteps:\n  "
                          << day.steps().join("\n  ").toStdString();
        else
            ADD_FAILURE() << "day " << seed << ": " << day.failures().first().section('\n', 0, 1).toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Days, JobSequence, ::testing::Range(0, kShards));

} // namespace
