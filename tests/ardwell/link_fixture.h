#pragma once
// A Link on virtual time, wired to a port the way the program object wires it, with the 20 ms
// countdown timer running. The box behind the port is either the simulated box and mech or a
// small scripted device for exchanges the simulated box does not produce.

#include "ardwell/bench/lamps.h"
#include "ardwell/link/link.h"
#include "platform/timer.h"
#include "sim/ardwellbox.h"
#include "sim/simport.h"
#include "tests/ardwell/bench.h"
#include "tests/support/testservices.h"

#include <QList>
#include <functional>
#include <memory>

namespace ardwell_test {

// Answers each CR-terminated line the program sends through a function; records the lines.
class ScriptedBox : public sim::Device {
public:
    void onBytes(const QByteArray& bytes) override
    {
        buffer_ += bytes;
        int cr;
        while ((cr = buffer_.indexOf('\r')) >= 0) {
            const QByteArray line = buffer_.left(cr);
            buffer_.remove(0, cr + 1);
            lines << line;
            if (onLine)
                onLine(line);
        }
    }
    void say(const QByteArray& line, plat::Millis latency = 5) { port()->reply(line + '\r', latency); }

    QList<QByteArray> lines;
    std::function<void(const QByteArray&)> onLine;

private:
    QByteArray buffer_;
};

inline void selectModel(plat::View& v, const QString& model)
{
    for (const char* opt : {"opt126", "opt330", "opt340", "opt560", "optPCA"})
        v.setValue(opt, 0);
    v.setValue(model == "PCA" ? QString("optPCA") : "opt" + model, 1);
    const bool pca = model == "PCA", m560 = model == "560";
    v.setText("txtSource", pca ? "20" : m560 ? "21" : "61");
    v.setText("txtDestination", pca ? "00" : m560 ? "01" : "FF");
}

struct Rig {
    explicit Rig(const QString& model = "330", bool simulatedBox = true)
    {
        selectModel(view, model);
        if (simulatedBox) {
            mech = std::make_unique<sim::ArdwellMech>(model);
            box = std::make_unique<sim::ArdwellBox>(*ts.sched, *mech);
            port = std::make_unique<sim::SimPort>(*ts.sched, *box);
        } else {
            port = std::make_unique<sim::SimPort>(*ts.sched, scripted);
        }
        port->onReceive = [this] { link.Comm1_OnComm(); };
        link.onWord = [this](int a, int w) { image[std::size_t(a)] = w; };
        link.onPanelEvent = [this](const ardwell::PanelEvent& e) { ardwell::showPanelEvent(e, view, panel, link); };
        link.setPort(port.get());
        port->open();
        st.portOpen = true;
        ardwell::runReplyCountdown(timer2, st.replyTimeoutMs);
    }

    plat::Millis now() const { return ts.sched->nowMs(); }
    // Mech powered and frames relayed, the transcript cleared for what comes next.
    void powerAndRelay()
    {
        link.mechPower(true);
        link.boxCmdAmp();
        port->clearTranscript();
    }
    QByteArray sent() const { return port->sentWithBreaks(); }

    testing_support::TestServices ts;
    plat::MemoryView view = ardwell_test::mainWindowMemoryView();
    ardwell::Link link{ts.services(), [this] { return ardwell::mechTarget(view); }};
    ardwell::LinkState& st = link.state();
    ardwell::EepromImage image{};
    ardwell::TestPanelState panel;
    ScriptedBox scripted;
    std::unique_ptr<sim::ArdwellMech> mech;
    std::unique_ptr<sim::ArdwellBox> box;
    std::unique_ptr<sim::SimPort> port;
    plat::Timer timer2{*ts.sched};
};

} // namespace ardwell_test
