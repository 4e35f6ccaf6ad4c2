#pragma once
// The whole first program on virtual time against the simulated box, for scenario tests.

#include "quenby/link/frmopening.h"
#include "quenby/program.h"
#include "quenby/shell/frmmain.h"
#include "quenby/shell/settings.h"
#include "sim/quenbybox.h"
#include "tests/quenby/transcript.h"
#include "tests/support/testservices.h"

#include <QPushButton>
#include <gtest/gtest.h>

namespace quenby_tests {

// Start-up window: reset, then the check; main window: the pre-job check and one more status.
inline const QByteArray kStartupBytes =
    "<BRK+><BRK->" + kEsc25 + "_" + kEsc25 + "_JMJS" + kEsc25 + "MJS" + "S";

inline void click(plat::NamedControls& c, const QString& button) { c.get<QPushButton>(button)->click(); }

struct ProgramTest : ::testing::Test {
    testing_support::TestServices ts;
    sim::QuenbyBox box;
    sim::SimPort* port = nullptr;
    std::unique_ptr<quenby::Program> p;

    void SetUp() override
    {
        ts.makePort = [this] {
            auto sp = std::make_unique<sim::SimPort>(*ts.sched, box);
            port = sp.get();
            return sp;
        };
    }
    void TearDown() override { EXPECT_TRUE(ts.dialogs->allAnswersUsed()); }

    void settings(int portNo, const QString& language = "English")
    {
        ts.writeFile("config0000.txt", quenby::settingsLine(portNo, language, {}));
    }
    quenby::Program& program()
    {
        p = std::make_unique<quenby::Program>(ts.services());
        return *p;
    }
    quenby::frmMain& main() { return p->mainForm(); }
    quenby::frmOpening& opening() { return p->openingForm(); }
    plat::NamedControls& mainC() { return p->mainForm().controls(); }
    plat::NamedControls& openC() { return p->openingForm().controls(); }
    // Runs fn as a user action at virtual time `at`.
    void at(plat::Millis at, std::function<void()> fn) { ts.sched->callAfter(at - ts.sched->nowMs(), std::move(fn)); }
};

} // namespace quenby_tests
