// Seeded workshop days: random sequences of the first program's jobs over mechs swapped between
// them and the simulated mechs' faults. Whenever a success text is shown, the mech in the box
// must hold what the job's own inputs (the technician's edits, the file, the coin set) meant it
// to hold, and nothing of a mech that was in the box before it. A failing day prints its steps;
// QUENBY_SEQ_SEED=n replays day n alone, QUENBY_SEQ_SEEDS=n runs n days.
#include "quenby/memutils/frmeepromdata.h"
#include "quenby/memutils/frmnridata.h"
#include "quenby/memutils/frmprom.h"
#include "quenby/clonewizard/frmcoinmeasure1.h"
#include "quenby/link/familytable.h"
#include "sim/ccimages.h"
#include "sim/ccmech.h"
#include "sim/nrimech.h"
#include "tests/quenby/datafiles.h"
#include "tests/quenby/jobsequence.h"

#include <QRadioButton>
#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <set>

namespace {

using namespace quenby_tests;
using Shown = DayDialogs::Shown;

QByteArray hex2(int v) { return QByteArray::number(v & 0xFF, 16).rightJustified(2, '0').toUpper(); }

// What a mech held when it came into the box: CC words or NRI records.
struct Memory {
    std::vector<quint16> words;
    std::map<int, QByteArray> records;
};

// What a job meant the mech to hold: every word or record named here, the free ones aside.
struct Intent {
    QString job;
    Memory meant;
    std::set<int> free;
    // Records that must hold these texts somewhere on a 4-character boundary (an edited window
    // in an NRI record whose parameter order is the mech's).
    std::map<int, QList<QByteArray>> holding;
};

class Day {
public:
    Day(Workshop& w, quint32 seed) : w_(w), rng_(seed * 2654435761u + 0x9E3779B9u)
    {
        if (rng_ == 0)
            rng_ = 1;
        w_.dialogs.onBox = [this](const Shown& s) { return answer(s); };
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
        w_.start();
        for (int j = 0; j < jobs && failures_.isEmpty(); ++j) {
            if (j > 0 && chance(35))
                swap(pickModel());
            injectFault();
            switch (envKind_ >= 0 ? envKind_ : roll(4)) {
            case 0: memoryWindow(); break;
            case 1: editLimits(); break;
            case 2: coinSetRun(); break;
            default: memoryWindow(); break;
            }
            home();
        }
    }
    const QStringList& failures() const { return failures_; }
    const QStringList& steps() const { return steps_; }

private:
    // ---- dice ------------------------------------------------------------------------------
    quint32 next() { return sim::xorshift32(rng_); }
    int roll(int n) { return int(next() % quint32(n)); }
    bool chance(int percent) { return roll(100) < percent; }
    int between(int lo, int hi) { return lo + roll(hi - lo + 1); }
    void log(const QString& s) { steps_ << s; }

    // ---- mechs -----------------------------------------------------------------------------
    static const QStringList& models()
    {
        static const QStringList m{"C120", "435", "G13-6000"};
        return m;
    }
    QString pickModel() { return models()[roll(int(models().size()))]; }
    bool isCc() const { return model_ != QLatin1String("G13-6000"); }
    sim::CcMech& cc() { return *dynamic_cast<sim::CcMech*>(w_.box.plugged()); }
    sim::NriMech& nri() { return *dynamic_cast<sim::NriMech*>(w_.box.plugged()); }

    // A new mech of the model, its windows moved by its number so that no two mechs of the day
    // share a window word or record.
    void swap(const QString& model)
    {
        model_ = model;
        const int id = ++mechNo_;
        w_.box.swapMech(model, false);
        const int d = 2 * id;
        if (isCc()) {
            const sim::CcLayout l = sim::ccLayout(model);
            for (int c = 1; c <= l.channels; ++c) {
                const auto ws = sim::typicalCcWindows(model, c);
                for (int p = 1; p <= l.params; ++p) {
                    const int lo = std::min(ws[p - 1].first + d, 250), hi = std::min(ws[p - 1].second + d, 255);
                    cc().setWord(sim::ccWindowWord(l, c, p), quint16(hi << 8 | lo));
                }
            }
        } else {
            for (int r = 0x03; r <= 0x0E; ++r) {
                const QByteArray t = nri().record(r);
                QByteArray moved;
                for (int i = 0; i + 1 < t.size(); i += 2)
                    moved += hex2(std::min(t.mid(i, 2).toInt(nullptr, 16) + d, 255));
                nri().setRecord(r, moved);
            }
        }
        held_.push_back({id, model, memory()});
        log(QStringLiteral("swap: mech #%1, %2").arg(id).arg(model));
    }
    Memory memory()
    {
        Memory m;
        if (isCc()) {
            m.words = cc().words();
        } else {
            for (int r = 0; r < 28; ++r)
                m.records[r] = nri().record(r);
        }
        return m;
    }

    void injectFault()
    {
        if (!chance(30))
            return;
        if (chance(15)) {
            const int at = between(40, 4000);
            w_.box.setFault(sim::QuenbyBox::Fault::HangUpOnByteIn, sim::When::from(at));
            log(QStringLiteral("fault: the port is lost at byte %1 from the program").arg(at));
            return;
        }
        if (isCc()) {
            const sim::CcLayout l = sim::ccLayout(model_);
            switch (roll(3)) {
            case 0: {
                const int a = sim::ccWindowWord(l, between(1, std::min(l.channels, 8)), between(1, l.params));
                cc().writeDoesNotStickAt(a);
                log(QStringLiteral("fault: word %1 does not stick").arg(a));
                break;
            }
            case 1: {
                const int k = between(1, 400);
                cc().setFault(sim::CcMech::Fault::Silent, sim::When::from(k));
                log(QStringLiteral("fault: silent from word request %1 on").arg(k));
                break;
            }
            default: {
                const int k = between(1, 400);
                cc().setFault(sim::CcMech::Fault::BadCheckByte, sim::When::first(k));
                log(QStringLiteral("fault: bad check byte on the first %1 word replies").arg(k));
                break;
            }
            }
            return;
        }
        switch (roll(3)) {
        case 0:
            nri().setFault(sim::NriMech::Fault::WriteNotStored, sim::When::first(1));
            log("fault: the next record written is acknowledged but not stored");
            break;
        case 1: {
            const int r = between(0x03, 0x10);
            nri().setRecordFault(r, chance(50) ? sim::NriMech::RecordFault::ShortReply : sim::NriMech::RecordFault::NoReply);
            log(QStringLiteral("fault: record %1 answers short or not at all").arg(r, 2, 16, QChar('0')));
            break;
        }
        default: {
            const int r = between(0x03, 0x10);
            nri().setRecordFault(r, sim::NriMech::RecordFault::PieceRefused);
            log(QStringLiteral("fault: record %1 refuses its writes").arg(r, 2, 16, QChar('0')));
            break;
        }
        }
    }

    // ---- boxes -----------------------------------------------------------------------------
    int answer(const Shown& s)
    {
        const QString text = s.text.simplified();
        const int buttons = plat::mb::buttonsOf(s.style);
        int a = plat::mb::OK;
        if (s.title.startsWith(QLatin1String("Data Gather: "))) {
            a = plat::mb::Yes;
            for (int i = 0; i < 3; ++i)
                w_.ts.sched->callAfter(1500 * (i + 1), [this] {
                    w_.box.queueReading(QList<int>(isCc() ? sim::ccLayout(model_).params : 6, 100));
                    w_.box.dropCoin(1);
                });
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
        for (const QString& ok : successTexts())
            if (text.contains(ok))
                checkSuccess(ok);
        return a;
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

    // Which mech of the day, other than the one in the box, held this value here first.
    QString foreign(int address, quint16 value) const
    {
        for (const Held& h : held_)
            if (h.id != mechNo_ && h.model == model_ && size_t(address) < h.memory.words.size() &&
                h.memory.words[size_t(address)] == value)
                return QStringLiteral(" (mech #%1's word)").arg(h.id);
        return {};
    }
    QString foreign(int record, const QByteArray& value) const
    {
        for (const Held& h : held_)
            if (h.id != mechNo_ && h.model == model_ && h.memory.records.count(record) &&
                h.memory.records.at(record) == value)
                return QStringLiteral(" (mech #%1's record)").arg(h.id);
        return {};
    }

    QStringList mismatches(const Intent& in)
    {
        QStringList out;
        if (isCc()) {
            const auto& meant = in.meant.words;
            for (int a = 0; a < int(meant.size()) && a < cc().wordCount(); ++a)
                if (!in.free.count(a) && cc().word(a) != meant[size_t(a)])
                    out << QStringLiteral("word %1 = %2, meant %3%4")
                               .arg(a)
                               .arg(cc().word(a), 4, 16, QChar('0'))
                               .arg(meant[size_t(a)], 4, 16, QChar('0'))
                               .arg(foreign(a, cc().word(a)));
        } else {
            for (const auto& [r, text] : in.meant.records)
                if (!in.free.count(r) && nri().record(r) != text)
                    out << QStringLiteral("record %1 = %2, meant %3%4")
                               .arg(r, 2, 16, QChar('0'))
                               .arg(QString::fromLatin1(nri().record(r)), QString::fromLatin1(text))
                               .arg(foreign(r, nri().record(r)));
            for (const auto& [r, texts] : in.holding) {
                const QByteArray held = nri().record(r);
                for (const QByteArray& t : texts) {
                    bool found = false;
                    for (int i = 0; i + t.size() <= held.size() && !found; i += 4)
                        found = held.mid(i, t.size()) == t;
                    if (!found)
                        out << QStringLiteral("record %1 = %2, lacks the edit %3")
                                   .arg(r, 2, 16, QChar('0'))
                                   .arg(QString::fromLatin1(held), QString::fromLatin1(t));
                }
            }
        }
        return out;
    }

    // ---- windows ---------------------------------------------------------------------------
    plat::NamedControls& mainC() { return w_.p->mainForm().controls(); }
    bool shown(QWidget* wd) const { return wd && wd->isVisible(); }
    void launch(const char* list, const char* button)
    {
        mainC().setText(list, model_);
        w_.press(mainC(), button);
    }

    // Back to the main window from wherever the job left the program.
    void home()
    {
        intent_.reset();
        cancels_ = false;
        for (int i = 0; i < 6 && !w_.p->mainForm().isVisible(); ++i) {
            if (auto* e = w_.p->eepromDataIfLoaded(); shown(e)) {
                w_.press(e->controls(), "cmdBye");
            } else if (auto* n = w_.p->nriDataIfLoaded(); shown(n)) {
                w_.press(n->controls(), "cmdBye");
            } else if (auto* ed = w_.p->promIfLoaded(); shown(ed)) {
                w_.press(ed->controls(), "cmdBack1");
            } else if (auto* m = w_.p->coinMeasureIfLoaded(); shown(m)) {
                w_.press(m->controls(), "cmdBack");
            } else {
                break;
            }
        }
        if (!w_.p->mainForm().isVisible())
            failures_ << "the program did not come back to its main window";
    }

    // ---- jobs ------------------------------------------------------------------------------
    // The family's memory window: read, maybe programme from a file, maybe save.
    void memoryWindow()
    {
        log("job: memory window on the " + model_);
        if (isCc())
            launch("cmbCCmech", "cmdCCprom");
        else
            launch("cmbNRImech", "cmdNRIprom");
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
                w_.press(c, "cmdReadPROM");
                break;
            }
            if (!shown(win))
                return;
        }
    }

    void programmeFromFile(plat::NamedControls& c)
    {
        Intent in;
        in.meant = memory();
        QByteArray file;
        if (isCc()) {
            std::vector<quint16> words = in.meant.words;
            for (int k = between(1, 4); k > 0; --k) {
                const int a = between(0, 126);
                words[size_t(a)] = quint16(next());
            }
            in.meant.words = words;
            in.free = {127};
            file = eepromFile(words);
        } else if (chance(50)) {
            std::vector<QByteArray> lines(29);
            for (int r = 0; r < 28; ++r)
                lines[size_t(r + 1)] = in.meant.records[r];
            for (int k = between(1, 3); k > 0; --k) {
                const int r = between(0x03, 0x0E);
                QByteArray t;
                for (int i = 0; i < lines[size_t(r + 1)].size() / 2; ++i)
                    t += hex2(between(0, 255));
                lines[size_t(r + 1)] = t;
                in.meant.records[r] = t;
            }
            file = nriFile(lines);
        } else {
            for (int k = between(1, 3); k > 0; --k) {
                const int r = between(0x03, 0x0E);
                QByteArray t;
                for (int i = 0; i < in.meant.records[r].size() / 2; ++i)
                    t += hex2(between(0, 255));
                in.meant.records[r] = t;
            }
            // Only the records changed go into the file; the others must stay the mech's.
            const Memory now = memory();
            for (const auto& [r, t] : in.meant.records)
                if (now.records.at(r) != t)
                    file += QByteArray::number(r + 1) + ",\"" + t + "\"\r\n";
        }
        const QString name = QStringLiteral("f%1.txt").arg(++files_);
        w_.write(name, file);
        nextOpen_ = w_.path(name);
        in.job = "Programme from File " + name;
        log("  Programme from File " + name + ":\n" + QString::fromLatin1(file).trimmed().replace("\r\n", " | "));
        intent_ = in;
        cancels_ = true;
        w_.press(c, "cmdProgramme");
        cancels_ = false;
        intent_.reset();
    }

    void saveToFile(plat::NamedControls& c)
    {
        const QString name = QStringLiteral("s%1.txt").arg(++files_);
        nextSave_ = w_.path(name);
        log("  Save to File " + name);
        const Memory held = memory();
        w_.press(c, "cmdSave");
        if (!QFile::exists(w_.path(name)))
            return;
        const QByteArray saved = w_.ts.readFile("CoinSets/" + name);
        QByteArray meant;
        if (isCc()) {
            meant = eepromFile(held.words);
        } else {
            std::vector<QByteArray> lines(29);
            for (int r = 0; r < 28; ++r)
                lines[size_t(r + 1)] = held.records.at(r);
            meant = nriFile(lines);
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
        const quenby::ModelShape& shape = quenby::mechEntry(quenby::familyNamed(isCc() ? "CC" : "NRI"), model_).shape;
        const int params = shape.paramCount, rows = shape.coinsPerSegment;
        std::vector<Edit> out;
        for (int k = roll(4); k > 0; --k) {
            Edit e{roll(rows), roll(params), between(20, 120), 0};
            e.hi = e.lo + between(4, 40);
            const int cell = e.row * 2 * params + 2 * e.param;
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
        if (chance(25)) {
            log("  Change Limits");
            w_.press(ed, "cmdChangeLimits");
        }
        if (chance(25)) {
            log("  page 2 and back");
            ed.get<QRadioButton>("optSeg", 1)->click();
            w_.wait(20);
            ed.get<QRadioButton>("optSeg", 0)->click();
            w_.wait(20);
        }
        if (chance(20)) {
            log("  Restore Limits");
            w_.press(ed, "cmdRestore");
            restored = true;
        }
        if (!restored) {
            for (const Edit& e : edits) {
                if (isCc()) {
                    const int a = sim::ccWindowWord(sim::ccLayout(model_), e.row + 1, e.param + 1);
                    in.meant.words[size_t(a)] = quint16(e.hi << 8 | e.lo);
                } else {
                    in.free.insert(0x03 + e.row);
                    in.holding[0x03 + e.row] << hex2(e.hi) + hex2(e.lo);
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

    // Edit Limits from the wizards: the mech read, edited, programmed.
    void editLimits()
    {
        log("job: Edit Limits on the " + model_);
        Intent in;
        in.job = "Edit Limits";
        in.meant = memory();
        if (isCc())
            in.free = {127};
        else
            in.free = {0x02}; // the programming date
        if (isCc())
            launch("cmbCCmech", "cmdCCprog");
        else
            launch("cmbNRImech", "cmdNRIprog");
        auto* m = w_.p->coinMeasureIfLoaded();
        if (!shown(m))
            return;
        w_.press(m->controls(), "cmdSpecialUtilities");
        cancels_ = true;
        w_.press(m->controls(), "cmdEdit");
        cancels_ = false;
        if (!shown(w_.p->promIfLoaded()))
            return;
        const auto edits = edit(w_.p->promForm().controls());
        programEditor(in, edits);
    }

    // A coin set of one coin with fixed windows, gathered and programmed.
    void coinSetRun()
    {
        if (model_ == QLatin1String("435"))
            return editLimits();
        log("job: coin set run on the " + model_);
        const int params = isCc() ? sim::ccLayout(model_).params : 6;
        QByteArray set = isCc() ? "\"CC." + model_.toLatin1() + "\",\"r\",\"R\",\"1\"\r\n\"-\"\r\nCD,a,Coin 01,3"
                                : "\"NRI." + model_.toLatin1() + "\",\"r\",\"R\",\"1\"\r\n\"-\"\r\nCD,a,Coin 01,3";
        std::vector<std::pair<int, int>> fixed;
        for (int p = 0; p < params; ++p) {
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
        if (isCc()) {
            in.free = {127};
            const sim::CcLayout l = sim::ccLayout(model_);
            for (int c = 1; c <= l.channels; ++c)
                for (int p = 1; p <= l.params; ++p)
                    in.meant.words[size_t(sim::ccWindowWord(l, c, p))] =
                        c == 1 ? quint16(fixed[size_t(p - 1)].second << 8 | fixed[size_t(p - 1)].first) : 0;
        } else {
            in.free = {0x02, 0x0F, 0x10, 0x12, 0x13, 0x19};
            QByteArray r3;
            for (const auto& [lo, hi] : fixed)
                r3 += hex2(hi) + hex2(lo);
            in.meant.records[0x03] = r3;
            for (int r = 0x04; r <= 0x0E; ++r)
                in.meant.records[r] = QByteArray(24, '0');
        }
        if (isCc())
            launch("cmbCCmech", "cmdCCprog");
        else
            launch("cmbNRImech", "cmdNRIprog");
        auto* m = w_.p->coinMeasureIfLoaded();
        if (!shown(m))
            return;
        nextOpen_ = w_.path(name);
        cancels_ = chance(30);
        w_.press(m->controls(), "cmdOpenCoinset");
        cancels_ = false;
        if (!shown(w_.p->promIfLoaded()))
            return;
        const auto edits = edit(w_.p->promForm().controls());
        programEditor(in, edits);
    }

    struct Held {
        int id;
        QString model;
        Memory memory;
    };

    Workshop& w_;
    quint32 rng_;
    QStringList steps_;
    QStringList failures_;
    QString model_;
    int mechNo_ = 0;
    int files_ = 0;
    std::vector<Held> held_;
    std::optional<Intent> intent_;
    bool cancels_ = false;
    int envKind_ = qEnvironmentVariableIsSet("QUENBY_SEQ_KIND") ? qEnvironmentVariableIntValue("QUENBY_SEQ_KIND") : -1;
    QString nextOpen_, nextSave_;
};

int envInt(const char* name, int fallback)
{
    bool ok = false;
    const int v = qEnvironmentVariableIntValue(name, &ok);
    return ok ? v : fallback;
}

TEST(JobSequence, EverySuccessShownIsTrueOfTheMechInTheBox)
{
    const int only = envInt("QUENBY_SEQ_SEED", -1);
    const int first = only >= 0 ? only : 1;
    const int count = only >= 0 ? 1 : envInt("QUENBY_SEQ_SEEDS", 60);
    NoPainting noPainting;
    qApp->installEventFilter(&noPainting);
    int failed = 0;
    for (int seed = first; seed < first + count; ++seed) {
        Workshop w;
        Day day(w, quint32(seed));
        day.run(envInt("QUENBY_SEQ_JOBS", 5));
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

} // namespace
