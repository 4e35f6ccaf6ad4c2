#pragma once
// The link, the pre-job check and the mech families against the simulated box on virtual time,
// without windows: the progress window is a recorder and the main window's hooks are counters.
// The clock starts on 7 December 2026, the date NRI programming stamps into the mech.

#include "platform/progresssink.h"
#include "platform/timer.h"
#include "quenby/link/boxcheck.h"
#include "quenby/link/familytable.h"
#include "quenby/link/mechfamily.h"
#include "quenby/shell/texts.h"
#include "sim/quenbybox.h"
#include "sim/quenbymechs.h"
#include "tests/quenby/transcript.h"
#include "tests/support/testservices.h"

#include <gtest/gtest.h>

namespace quenby_tests {

// Everything a job does with its progress window, in order ("step 3", "show", ...).
struct RecordingProgress : plat::ProgressSink {
    QStringList events;
    std::vector<int> steps;
    std::function<void(int)> onStep; // a user acting while the bar stands at this step
    std::function<void()> onShow;     // ... or once the window is up

    void setCaption(const QString& c) override { events << "caption " + c; }
    void setTitle(const QString& t) override { events << "title " + t; }
    void showSegment(bool on) override { events << (on ? "segment shown" : "segment hidden"); }
    void setSegment(const QString& n) override { events << "segment " + n; }
    void show() override
    {
        events << "show";
        if (onShow)
            onShow();
    }
    void hide() override { events << "hide"; }
    void unload() override { events << "unload"; }
    void showStep(int s) override
    {
        events << "step " + QString::number(s);
        steps.push_back(s);
        if (onStep)
            onStep(s);
    }
    // The events without the repeated "show" and "segment" of a burn, for compact asserts.
    QStringList without(const QStringList& kinds) const
    {
        QStringList out;
        for (const QString& e : events)
            if (!kinds.contains(e.section(' ', 0, 0)))
                out << e;
        return out;
    }
};

struct MechTest : ::testing::Test {
    plat::VirtualScheduler sched{QDateTime(QDate(2026, 12, 7), QTime(10, 0, 0))};
    testing_support::TestServices ts;
    testing_support::ScriptedDialogs dialogs{sched};
    plat::Services svc = services();
    quenby::TextTable texts;
    quenby::ErrorReporter errors{texts, dialogs};
    quenby::JobState job;
    quenby::LinkState st;
    sim::QuenbyBox box;
    sim::SimPort port{sched, box};
    quenby::BoxLink link{svc, st, texts, errors, job};
    quenby::BoxCheck check{link, svc, texts, errors, job};
    quenby::ModelParams params;
    quenby::MemoryState mem;
    RecordingProgress progress;
    quenby::MechFamilies families{link, check, svc, texts, errors, job, params, mem, progress,
                                  [this] { return ts.folder(); }};
    std::unique_ptr<quenby::LinkParsers> parsers = families.makeParsers();
    std::unique_ptr<quenby::MechLogons> logons = families.makeLogons();
    plat::Timer timer1{sched};
    int settingsSaved = 0;
    int keepAliveStops = 0;

    plat::Services services()
    {
        plat::Services s = ts.services();
        s.sched = &sched;
        s.dialogs = &dialogs;
        return s;
    }

    void SetUp() override
    {
        link.setPort(&port);
        link.setParsers(*parsers);
        check.setLogons(*logons);
        families.layers.setHooks({[this] { ++settingsSaved; }, [this] { ++keepAliveStops; }});
        timer1.setInterval(quenby::BoxLink::kTickMs);
        timer1.onTick = [this] { link.Timer1_Timer(); };
        timer1.setEnabled(true);
        ASSERT_TRUE(check.openChosenPort(1));
        port.clearTranscript();
    }
    void TearDown() override { EXPECT_TRUE(dialogs.allAnswersUsed()); }

    // A job on this family and model, with this simulated mech in the box (none: the box is
    // empty).
    sim::QuenbyMech* startJob(const QString& family, const QString& model, std::unique_ptr<sim::QuenbyMech> mech = {})
    {
        job.beginJob(quenby::familyNamed(family), model);
        quenby::setMechParameters(params, job.mechFamily, model, texts);
        if (mech)
            return box.plugOwned(std::move(mech));
        box.plug(nullptr);
        return nullptr;
    }
    // A job with a new simulated mech of the model (typical memory, or blank).
    template <class M>
    M* plugNew(const QString& family, const QString& model, bool blank = false)
    {
        return static_cast<M*>(startJob(family, model, sim::makeQuenbyMech(model, blank)));
    }

    quenby::MechContext& ctx() { return families.ctx; }
    quenby::MechLayers& layers() { return families.layers; }
    QByteArray sent() const { return port.sentWithBreaks(); }

    std::vector<plat::Millis> sentAt(const QByteArray& what) const { return quenby_tests::sentAt(port, what); }
    // Times of the breaks (on) and their ends (off), in order.
    std::vector<plat::Millis> breaks(sim::TranscriptEntry::Kind kind) const
    {
        std::vector<plat::Millis> out;
        for (const auto& e : port.transcript())
            if (e.kind == kind)
                out.push_back(e.at);
        return out;
    }
};

} // namespace quenby_tests
