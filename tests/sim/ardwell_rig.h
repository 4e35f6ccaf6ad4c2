#pragma once
// The program's end of the wire to the simulated second box, for the simulator's own tests:
// writes lines, collects the box's answer lines and, when asked, answers every event of the mech
// with message understood as the program does.

#include "ardwell/link/cipherconsts.h"
#include "platform/scheduler.h"
#include "sim/ardwellbox.h"
#include "sim/simport.h"
#include "tests/support/bytelist.h"

#include <QList>

namespace ardwell_sim_test {

namespace al = sim::ardwelllink;

using testing_support::bytes;

inline QByteArray frameOf(const QByteArray& line) { return QByteArray::fromHex(line); }
inline int headerOf(const QByteArray& line) { return std::uint8_t(frameOf(line)[2]); }

struct Rig {
    explicit Rig(const QString& model = "330", sim::ardwellimage::Variant image = sim::ardwellimage::Variant::Standard)
        : mech(model, sim::ardwellimage::kStandardSerial, 1, image), box(sched, mech), port(sched, box)
    {
        port.onReceive = [this] { received(port.read(4096)); };
        port.open();
    }

    QList<QByteArray> exchange(const QByteArray& line, plat::Millis ms = 200)
    {
        inbox.clear();
        port.write(line + '\r');
        sched.advance(ms);
        return lines();
    }
    // The lines received since the inbox was last cleared.
    QList<QByteArray> lines() const
    {
        QList<QByteArray> out = inbox.split('\r');
        out.removeAll(QByteArray());
        return out;
    }
    QByteArray frameLine(int header, const QByteArray& data) const
    {
        return al::frame(mech.busAddress(), mech.hostAddress(), std::uint8_t(header), data).toHex().toUpper();
    }
    QList<QByteArray> sendFrame(int header, const QByteArray& data) { return exchange(frameLine(header, data)); }
    QList<QByteArray> logon() { return sendFrame(0x24, bytes({0xCA, ardwell::cipher::K1, ardwell::cipher::K2})); }
    void powerAndRelay()
    {
        exchange(QByteArray(1, mech.supplyCommand()));
        exchange("&");
    }
    // Both coin data requests, as the coin data gathering sends them.
    void requestCoinData()
    {
        sendFrame(0x24, bytes({0x64, 0x8E, 0}));
        sendFrame(0x24, bytes({0x64, 0x88, 0}));
    }
    void acceptAll() { sendFrame(0x24, bytes({0x70, 0, 0, 0})); }
    al::Keys keys() const { return mech.keys(); }
    QList<QByteArray> read(int address)
    {
        QByteArray p = bytes({address >> 8, address & 0xFF});
        p.append(char(al::zeroSumByte(p)));
        return sendFrame(0x94, al::encipher(p, keys()));
    }
    QList<QByteArray> write(int address, int value)
    {
        QByteArray p = bytes({address >> 8, address & 0xFF, value >> 8, value & 0xFF});
        p.append(char(al::zeroSumByte(p)));
        return sendFrame(0xD4, al::encipher(p, keys()));
    }

    plat::VirtualScheduler sched;
    sim::ArdwellMech mech;
    sim::ArdwellBox box;
    sim::SimPort port;
    QByteArray inbox;
    bool answerEvents = false;

private:
    void received(const QByteArray& in)
    {
        inbox += in;
        partial_ += in;
        int cr;
        while ((cr = partial_.indexOf('\r')) >= 0) {
            const QByteArray line = partial_.left(cr);
            partial_.remove(0, cr + 1);
            if (answerEvents && line.size() >= 8 && line.mid(4, 2) == "24")
                port.write(frameLine(0x04, {}) + '\r');
        }
    }
    QByteArray partial_;
};

} // namespace ardwell_sim_test
