#pragma once
// A workshop day on virtual time: the whole first program, one simulated box, and mechs swapped
// in and out between jobs. Every box is answered by the day's own rules (OK, Yes, a Cancel where
// the day's dice say so) and remembered; a success text is checked, the moment it is shown,
// against what the job's own inputs meant the mech to hold.

#include "quenby/program.h"
#include "quenby/shell/frmmain.h"
#include "quenby/shell/settings.h"
#include "sim/ccimages.h"
#include "sim/ccmech.h"
#include "sim/marssocket.h"
#include "sim/nrimech.h"
#include "sim/quenbybox.h"
#include "sim/sentinelmech.h"
#include "sim/simport.h"
#include "sim/xorshift.h"
#include "tests/support/testservices.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QPushButton>
#include <functional>
#include <map>
#include <set>
#include <vector>
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
    // Run after each press has had its moment: a day stops its job's steps here once a way out
    // was taken.
    std::function<void()> afterPress;

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
        if (afterPress)
            afterPress();
    }
    QString path(const QString& name) const { return ts.folder() + "/CoinSets/" + name; }
    void write(const QString& name, const QByteArray& bytes) const { ts.writeFile("CoinSets/" + name, bytes); }
};

inline QByteArray hex2(int v) { return QByteArray::number(v & 0xFF, 16).rightJustified(2, '0').toUpper(); }

// What a mech held when it came into the box: CC words, NRI records or a Mars PROM.
struct Memory {
    std::vector<quint16> words;
    std::map<QString, QByteArray> records; // newer NRI by number ("03"), older by key ("V1", "Z")
    std::vector<quint8> nibbles;           // a Mars PROM
};

// What a job meant the mech to hold: every word or record named here, the free ones aside.
struct Intent {
    QString job;
    Memory meant;
    std::set<int> free;          // words
    std::set<QString> freeRecords; // records
    // Records that must hold these texts somewhere on a 4-character boundary (an edited window
    // in an NRI record whose parameter order is the mech's).
    std::map<QString, QList<QByteArray>> holding;
};

// The day's dice: xorshift, so that a seed gives the same day everywhere.
struct Dice {
    quint32 state;
    quint32 next() { return sim::xorshift32(state); }
    int roll(int n) { return int(next() % quint32(n)); }
    bool chance(int percent) { return roll(100) < percent; }
    int between(int lo, int hi) { return lo + roll(hi - lo + 1); }
};

inline QString recordKey(int r) { return QStringLiteral("%1").arg(r, 2, 16, QChar('0')).toUpper(); }

// A fault of the mech in the box or of the line, when the dice give one; what it is goes into
// the steps. A lost port and polls left unanswered are flagged: a gathering may wait on them.
inline QString injectFault(Dice& d, sim::QuenbyBox& box, bool& portFault, bool& pollFault)
{
    if (!d.chance(30))
        return {};
    if (d.chance(15)) {
        const int at = d.between(40, 4000);
        box.setFault(sim::QuenbyBox::Fault::HangUpOnByteIn, sim::When::from(at));
        portFault = true;
        return QStringLiteral("fault: the port is lost at byte %1 from the program").arg(at);
    }
    const int k = d.between(1, 300);
    if (auto* cc = dynamic_cast<sim::CcMech*>(box.plugged())) {
        const sim::CcLayout l = sim::ccLayout(cc->model());
        switch (d.roll(3)) {
        case 0: {
            const int a = sim::ccWindowWord(l, d.between(1, std::min(l.channels, 8)), d.between(1, l.params));
            cc->writeDoesNotStickAt(a);
            return QStringLiteral("fault: word %1 does not stick").arg(a);
        }
        case 1:
            cc->setFault(sim::CcMech::Fault::Silent, sim::When::from(k));
            return QStringLiteral("fault: silent from word request %1 on").arg(k);
        default:
            cc->setFault(sim::CcMech::Fault::BadCheckByte, sim::When::first(k));
            return QStringLiteral("fault: bad check byte on the first %1 word replies").arg(k);
        }
    }
    if (auto* sentinel = dynamic_cast<sim::SentinelMech*>(box.plugged())) {
        switch (d.roll(4)) {
        case 0:
            sentinel->setFault(sim::SentinelMech::Fault::ShortReadReply, sim::When::from(d.between(1, 80)));
            return "fault: word replies cut short from some read on";
        case 1:
            sentinel->setFault(sim::SentinelMech::Fault::ReadReplyOfWordBefore, sim::When::first(1));
            return "fault: the next word reply is the word before's";
        case 2:
            sentinel->setFault(sim::SentinelMech::Fault::LastWriteUnanswered, sim::When::first(1));
            return "fault: the next write's last command is not answered";
        default:
            sentinel->setFault(sim::SentinelMech::Fault::SilentPoll, sim::When::first(d.between(1, 3)));
            pollFault = true;
            return "fault: the next polls are not answered";
        }
    }
    if (auto* nri = dynamic_cast<sim::NriMech*>(box.plugged()); nri && nri->isNewer()) {
        const int r = d.between(0x03, 0x10);
        switch (d.roll(3)) {
        case 0:
            nri->setFault(sim::NriMech::Fault::WriteNotStored, sim::When::first(1));
            return "fault: the next record written is acknowledged but not stored";
        case 1:
            nri->setRecordFault(r, d.chance(50) ? sim::NriMech::RecordFault::ShortReply
                                                : sim::NriMech::RecordFault::NoReply);
            return "fault: record " + recordKey(r) + " answers short or not at all";
        default:
            nri->setRecordFault(r, sim::NriMech::RecordFault::PieceRefused);
            return "fault: record " + recordKey(r) + " refuses its writes";
        }
    }
    if (auto* nri = dynamic_cast<sim::NriMech*>(box.plugged())) {
        if (d.chance(50)) {
            nri->setFault(sim::NriMech::Fault::LostCharacter, sim::When::first(1));
            return "fault: the next data character is lost";
        }
        nri->setFault(sim::NriMech::Fault::FewerLines, sim::When::first(1));
        return "fault: the next answer of several lines loses its last";
    }
    if (auto* socket = dynamic_cast<sim::MarsSocket*>(box.plugged())) {
        switch (d.roll(3)) {
        case 0: {
            const int a = d.between(0, 255);
            socket->nibbleDoesNotStickAt(a);
            return QStringLiteral("fault: nibble %1 does not stick").arg(a);
        }
        case 1:
            socket->setFault(sim::MarsSocket::Fault::TopLineLost, sim::When::first(1));
            return "fault: the next read loses its last line";
        default:
            socket->setFault(sim::MarsSocket::Fault::GarbledLine, sim::When::first(1));
            return "fault: the next read line is garbled";
        }
    }
    return {};
}

// An environment variable's whole number, or the fallback when it is unset or not a number.
inline int envInt(const char* name, int fallback)
{
    bool ok = false;
    const int v = qEnvironmentVariableIntValue(name, &ok);
    return ok ? v : fallback;
}

} // namespace quenby_tests
