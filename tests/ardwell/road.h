#pragma once
// A started program with its box answering, for scenarios of the programme road: entering
// programme and adjust mode, gathering coins, writing and verifying, image files.

#include "tests/ardwell/bench.h"

#include <QDir>
#include <array>
#include <deque>
#include <gtest/gtest.h>

namespace ardwell_test {

// The addresses first..last, as the mech lists the words it was asked for.
inline QList<int> range(int first, int last)
{
    QList<int> out;
    for (int a = first; a <= last; ++a)
        out << a;
    return out;
}

// Seven raw values (reading less baseline) of one coin.
using Raw = std::array<int, 7>;

struct Road : Bench {
    explicit Road(const QString& model = QStringLiteral("330"), const QString& commandLine = {}) : Bench(model)
    {
        started = startWithBox(model, commandLine);
        ts.sched->setLimitMs(6 * 3600 * 1000);
    }

    ardwell::CoinBench& coinBench() { return program->coinBench(); }
    ardwell::ProgrammePanel& programme() { return coinBench().programme(); }
    ardwell::AdjustPanel& adjust() { return coinBench().adjust(); }
    ardwell::BenchState& bench() { return program->bench(); }
    int word(int a) { return job().image()[std::size_t(a)]; }
    // Sets a word of the image as a mech state would have it.
    void setWord(int a, int w) { job().setWordForTest(a, w); }

    // "Program Coin Mech" against the mech; true when the programme panel opened.
    bool enterProgramme()
    {
        win().cmdProgramme_Click();
        return view().isVisible("frmProgramme");
    }
    bool enterAdjust()
    {
        win().cmdAdjust_Click();
        return view().isVisible("frmAdjust");
    }

    // The cable pulled: the port hangs up and opens no more until the box is back.
    void pullCable()
    {
        port->setOpenResult(plat::OpenResult::NoSuchDevice);
        port->hangUp("unplugged");
    }
    // Calls fn once, the first time done() holds on a 50 ms beat.
    void when(std::function<bool()> done, std::function<void()> fn)
    {
        ts.sched->callAfter(50, [this, done, fn] {
            if (done())
                fn();
            else
                when(done, fn);
        });
    }

    // Drops the queued coins one by one, each `everyMs` after the last, while the mech can send
    // them (powered, the box relaying). Every coin's reading is raw + baseline.
    void dropCoins(const std::vector<Raw>& raws, plat::Millis everyMs = 1500)
    {
        for (const Raw& r : raws)
            queue.push_back(r);
        scheduleDrop(everyMs);
    }
    void scheduleDrop(plat::Millis everyMs)
    {
        ts.sched->callAfter(everyMs, [this, everyMs] {
            if (queue.empty())
                return;
            std::array<int, 7> reading{};
            for (int k = 0; k < 7; ++k)
                reading[std::size_t(k)] = queue.front()[std::size_t(k)] + baselineOf(k);
            if (mech.sendCoinData(reading, baseline))
                queue.pop_front();
            scheduleDrop(everyMs);
        });
    }
    int baselineOf(int k) const { return baseline[std::size_t(k <= 3 ? k : 4)]; }

    // The program folder's file as lines, without their CR LF.
    QStringList fileLines(const QString& name) const
    {
        const QByteArray bytes = ts.readFile(name);
        QStringList out = QString::fromLatin1(bytes).split("\r\n");
        if (!out.isEmpty() && out.last().isEmpty())
            out.removeLast();
        return out;
    }
    // Writes lines into the program folder's file, each ended by CR LF.
    void writeLines(const QString& name, const QStringList& lines) const
    {
        ts.writeFile(name, (lines.join("\r\n") + "\r\n").toLatin1());
    }
    // The mech's words as an image file would list them, written here independently.
    QStringList mechLines(int words = 256) const
    {
        QStringList out;
        for (int a = 0; a < words; ++a)
            out << QString::asprintf("%04X %04X", a, a < mech.wordCount() ? mech.word(a) : 0);
        return out;
    }
    // Lines sent to the box after a transcript position, frames counted as "frame".
    QStringList commandsSince(qsizetype from) const
    {
        QStringList out;
        for (const QByteArray& l : sent().mid(from).split('\r'))
            if (!l.isEmpty())
                out << (l.size() >= 8 ? QStringLiteral("frame") : QString::fromLatin1(l));
        return out;
    }

    bool started = false;
    std::deque<Raw> queue;
    std::array<int, 5> baseline{200, 210, 220, 230, 240};
};

} // namespace ardwell_test
