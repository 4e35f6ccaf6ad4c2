// Noise from the box while a validator test is open or a measurement runs: random and truncated
// report lines, G10 reports, CC frames, NRI and Sentinel replies, garbled reports of the box. The
// program shows what it can, counts only lines it has, and puts up no box at all (the scripted
// dialogs fail the test on any box).
#include "sim/ccmech.h"
#include "tests/quenby/valtest_fixture.h"

#include <random>

namespace {

using namespace quenby_tests;
using sim::When;

struct FuzzTest : ValtestTest {
    std::mt19937 rng{20261207};
    int any(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }

    // A line as the box might garble it: report-like most of the time. Never a battery warning
    // or a PROM line, whose boxes belong to other jobs and their tests.
    QByteArray noiseLine()
    {
        static const char* starts[] = {"V", "V0", "V1X", "V2R", "*EV", "*", "X", "Y", "T", "D", "Z", "M"};
        QByteArray line = starts[any(0, 11)];
        const int extra = any(0, 8);
        for (int i = 0; i < extra; ++i) {
            char c = char(any(0, 255));
            if (c == '\r' || (line.isEmpty() && c == 'B'))
                c = 'Q';
            line.append(c);
        }
        return line + '\r';
    }
    void feed(const QByteArray& bytes)
    {
        port->reply(bytes, 1);
        wait(10 + bytes.size() * 2);
    }
    // Every count a number, every indicator one of the three colours.
    void expectSaneWindow()
    {
        if (!p->valtestIfLoaded())
            return;
        for (int i = 0; i < quenby::kValtestLines; ++i) {
            bool ok = false;
            vt().text("lblCount", i).trimmed().toInt(&ok);
            EXPECT_TRUE(ok) << i;
            const quint32 f = vt().fill("shpCoin", i);
            EXPECT_TRUE(f == quenby::kLampIdle || f == quenby::kLampAccepted || f == quenby::kLampRejected);
        }
    }
};

TEST_F(FuzzTest, ReportLinesDuringOpenTestsOfEachFamily)
{
    runOn("335", "cmbCCmech", "cmdCCValTest");
    for (int i = 0; i < 300; ++i)
        feed(noiseLine());
    expectSaneWindow();
    for (auto g : {sim::QuenbyBox::Garble::Short, sim::QuenbyBox::Garble::UnknownCode, sim::QuenbyBox::Garble::BadHex}) {
        box.garble = g;
        box.setFault(sim::QuenbyBox::Fault::GarbledReport, When::first(1));
        drop(3);
        drop(3);
    }
    expectSaneWindow();

    click(vt(), "cmdBack");
    run("cmbMarsMech", "MS1000", "cmdValtest");
    for (int i = 0; i < 300; ++i)
        feed(noiseLine());
    expectSaneWindow();
    EXPECT_TRUE(ts.dialogs->boxes().empty());
}

TEST_F(FuzzTest, G10ReportsRandomAndTruncated)
{
    runOn("G10-4000/5", "cmbNRImech", "cmdNRIvaltest");
    ASSERT_TRUE(p->job.nriG10LineMode);
    for (int i = 0; i < 400; ++i) {
        QByteArray r(1, char(0x80));
        const int n = any(0, 4);
        for (int k = 0; k < n; ++k)
            r.append(char(any(0, 255)));
        if (any(0, 3) > 0)
            r.append('\r');
        feed(r);
    }
    expectSaneWindow();
    EXPECT_TRUE(ts.dialogs->boxes().empty());
}

TEST_F(FuzzTest, NoiseFromEveryMeasuringMech)
{
    // A window that takes every sample as the statistics do.
    struct Counting : quenby::CoinMeasureWindow {
        quenby::Program* p = nullptr;
        void updateStats(int) override
        {
            if (p->job.measuring)
                --p->measure.samplesLeft;
        }
    };
    const std::pair<const char*, const char*> jobs[] = {{"CC", "C120"},      {"CC", "450"},
                                                        {"CC", "220B"},      {"CC", "Sentinel"},
                                                        {"NRI", "G13-0000"}, {"NRI", "G13-6000"}};
    for (const auto& [family, model] : jobs) {
        SCOPED_TRACE(model);
        start(model);
        auto w = std::make_unique<Counting>();
        w->p = p.get();
        p->setCoinMeasure(std::move(w));
        p->job.beginJob(quenby::familyNamed(family), model);
        quenby::setMechParameters(p->params, quenby::familyNamed(family), model, p->texts);
        // Random frames and replies, a real coin now and then, until the user ends the record.
        int rounds = 0;
        std::function<void()> noise = [&] {
            if (++rounds > 80) {
                p->job.userAbort = true;
                return;
            }
            QByteArray r(1, any(0, 1) ? '?' : char(any(0, 255)));
            const int n = any(0, 20);
            for (int k = 0; k < n; ++k)
                r.append(char(any(0, 255)));
            port->reply(any(0, 1) ? r + '\r' : r, 1);
            if (rounds % 10 == 0)
                box.dropCoin(1);
            ts.sched->callAfter(150, noise);
        };
        ts.sched->callAfter(50, noise);
        p->measure.samplesLeft = 1000;
        p->measurement().startMeasurement(1); // the Sentinel and NRI loops run in here
        const int roundsBeforeReturn = rounds;
        p->job.measuring = true;
        while (!p->job.userAbort)
            ts.sched->pump();
        p->measurement().stopMeasurement();
        p->job.measuring = false;
        // The noise never ends a measuring loop: it returns only when the user ends the record.
        if (QByteArray(family) == "NRI" || QByteArray(model) == "Sentinel") {
            EXPECT_GT(roundsBeforeReturn, 80);
        }
        EXPECT_TRUE(ts.dialogs->boxes().empty());
        p.reset();
    }
}

} // namespace
