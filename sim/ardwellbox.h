#pragma once
// The second program's programmer box, simulated, with the mech plugged into it
// (sim/ardwellmech.h).
//
// The box takes CR-terminated command lines. "&" makes it relay mech frames: a line of hex digits
// is then a frame, which the box answers with "X" when it takes it and passes to the mech; the
// mech's frames come back as upper-case hex lines. "Z" switches on the supply of every model but
// the PCA, "W" the PCA's, "R" either off.

#include "platform/scheduler.h"
#include "sim/ardwellmech.h"
#include "sim/simport.h"
#include "sim/when.h"

#include <QByteArray>
#include <QList>

namespace sim {

class ArdwellBox : public Device {
public:
    ArdwellBox(plat::Scheduler& sched, ArdwellMech& mech);
    ~ArdwellBox() override;
    ArdwellBox(const ArdwellBox&) = delete;
    ArdwellBox& operator=(const ArdwellBox&) = delete;

    void onBytes(const QByteArray& bytes) override;

    // Time from a line reaching the box to its answer, and from a frame taken to the mech's answer.
    void setLatencyMs(plat::Millis ms) { latencyMs_ = ms; }
    void setMechLatencyMs(plat::Millis ms) { mechLatencyMs_ = ms; }
    void setStatusText(const QByteArray& t) { statusText_ = t; }
    void setVersionText(const QByteArray& t) { versionText_ = t; }

    // Answers nothing and relays nothing back while set.
    void setSilent(bool silent) { silent_ = silent; }
    // Named faults, each counted over its own events.
    enum class Fault {
        StatusUnanswered, // "S" requests get no ">" line
        FrameNotTaken,    // frame lines with a good checksum are neither answered "X" nor relayed
    };
    void setFault(Fault fault, When when);

    // Lines the box sends on its own: an "@" status line of the test inputs, or any raw line.
    void sendStatus(std::uint8_t bits);
    void sendLine(const QByteArray& line);

    bool relaying() const { return relaying_; }
    char outputMode() const { return outputMode_; } // '$', '?', '{' or 0
    // Every non-frame line, in order, as received (unknown ones included).
    const QList<QByteArray>& commands() const { return commands_; }
    int statusRequests() const { return statusRequests_; }
    int hopperPulses() const { return hopperPulses_; }
    const QList<QByteArray>& dispenses() const { return dispenses_; } // the two digits after "["
    int lastOutputMask() const { return lastMask_; }                  // -1 before any "#"
    int framesTaken() const { return framesTaken_; }
    const QList<QByteArray>& framesRefused() const { return framesRefused_; }

private:
    void handleLine(const QByteArray& line);
    void handleCommand(const QByteArray& line);
    void handleFrameLine(const QByteArray& line);
    bool fromMech(const QByteArray& frame);
    void answer(const QByteArray& line, plat::Millis latency);

    plat::Scheduler& sched_;
    ArdwellMech& mech_;
    QByteArray lineBuffer_;
    bool overflow_ = false;
    plat::Millis latencyMs_ = 5;
    plat::Millis mechLatencyMs_ = 10;
    QByteArray statusText_ = "READY";
    QByteArray versionText_ = "V2.10";

    bool silent_ = false;
    When statusFault_;
    When frameFault_;

    bool relaying_ = false;
    char outputMode_ = 0;
    QList<QByteArray> commands_;
    int statusRequests_ = 0;
    int hopperPulses_ = 0;
    QList<QByteArray> dispenses_;
    int lastMask_ = -1;
    int framesTaken_ = 0;
    QList<QByteArray> framesRefused_;
};

} // namespace sim
