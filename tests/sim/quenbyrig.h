#pragma once
// The program's end of the wire to the simulated first box, on virtual time: writes bytes,
// lets time pass and collects what came back.

#include "platform/scheduler.h"
#include "sim/ccmech.h"
#include "sim/quenbybox.h"
#include "sim/simport.h"
#include "tests/support/bytelist.h"

#include <QByteArray>
#include <gtest/gtest.h>

namespace quenbysim {

using testing_support::bytes;

inline const QByteArray kEsc25(25, 0x1B);

struct Rig {
    plat::VirtualScheduler sched;
    sim::QuenbyBox box;
    sim::SimPort port{sched, box};
    QByteArray inbox;
    QString failure; // what the port reported when the peer hung up

    Rig()
    {
        port.onReceive = [this] { inbox += port.read(1 << 16); };
        port.onFailure = [this](const QString& why) { failure = why; };
        port.open();
    }

    // Writes bytes, lets ms pass and returns what arrived meanwhile.
    QByteArray exchange(const QByteArray& out, plat::Millis ms = 300)
    {
        inbox.clear();
        port.write(out);
        sched.advance(ms);
        return inbox;
    }
    // One byte every gapMs, as a paced sender writes data.
    QByteArray paced(const QByteArray& out, plat::Millis gapMs, plat::Millis settleMs = 300)
    {
        inbox.clear();
        for (char c : out) {
            port.write(QByteArray(1, c));
            sched.advance(gapMs);
        }
        sched.advance(settleMs);
        return inbox;
    }
    QByteArray serialMode(const QByteArray& code) { return exchange(kEsc25 + code); }
    QByteArray breakLine()
    {
        inbox.clear();
        port.setBreak(true);
        sched.advance(150);
        port.setBreak(false);
        sched.advance(300);
        return inbox;
    }
};

// A CC mech behind the box; logOn() takes it through serial mode and its logon.
struct CcRig : Rig {
    sim::CcMech mech;
    explicit CcRig(const QString& model = "C120") : mech(model) { box.plug(&mech); }
    void logOn()
    {
        serialMode("$05");
        ASSERT_EQ(exchange("xx"), bytes({0x05}));
    }
};

} // namespace quenbysim
