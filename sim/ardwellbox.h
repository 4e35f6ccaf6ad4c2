#pragma once
// The second program's programmer box, simulated, with the mech plugged into it
// (sim/ardwellmech.h).
//
// The box takes CR-terminated command lines. "&" makes it relay mech frames: a line of hex digits
// is then a frame, which the box answers with "X" when it takes it and passes to the mech; the
// mech's frames come back as upper-case hex lines. "Z" switches on the supply of every model but
// the PCA, "W" the PCA's, "R" either off. "$", "?" and "{" put it into an output mode in which it
// reports the mech's output lines as "@" status lines; "#" sets its inhibit outputs to the mech,
// "[" its dispense and external credit outputs, "+" pulses the hopper, which drops a coin.

#include "platform/scheduler.h"
#include "sim/ardwellmech.h"
#include "sim/simport.h"
#include "sim/faults.h"
#include "sim/records.h"

#include <QByteArray>
#include <QList>
#include <memory>

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

    // Answers nothing, does nothing and relays nothing back while set: the box unplugged.
    void setSilent(bool silent) { silent_ = silent; }
    bool silent() const { return silent_; }
    // Named faults, each counted over its own events.
    enum class Fault {
        StatusUnanswered, // "S" requests get no ">" line
        FrameNotTaken,    // frame lines with a good checksum are neither answered "X" nor relayed
        RequestNotTaken,  // coin data request frames are neither answered "X" nor relayed
        Unplugged,        // lines: from the striking one on the box is silent (setSilent(true))
        HangUp,           // lines: the striking one hangs the port up (once; see hangUp)
        AckAsY,           // the mech's message understood to a command reaches the program as "Y"
        HopperEmpty,      // "+" pulses: no coin comes out
        Count_
    };
    void setFault(Fault fault, When when) { faults_.set(fault, when); }
    // These one-character commands ('#', '$', '?', '{', '&', ...) are carried out but not
    // answered, counted over those commands.
    void setUnanswered(const QByteArray& commands, When when = When::always());
    // The port's cable pulled: the port closes and reports it once, and opening it fails until
    // plugIn().
    void hangUp(const QString& why = QStringLiteral("the programmer box was disconnected"));
    void plugIn();

    // Lines the box sends on its own: an "@" status line of the test inputs, or any raw line.
    void sendStatus(std::uint8_t bits);
    void sendLine(const QByteArray& line);
    // Traffic a real box sends now and then, which the program must take in its stride.
    enum class Noise {
        HighBits, // an "@" status line with bits 6 and 7 set as well
        Zero,     // "@00"
        Debug,    // a "*" line
        Split,    // an "@" status line broken up by blanks and a line feed
    };
    void sendNoise(Noise noise, std::uint8_t bits = 0x05);

    // The demo: a coin drops through the mech every minMs..maxMs, at random.
    void startRandomDrops(plat::Millis minMs = 1000, plat::Millis maxMs = 2000);
    void stopRandomDrops();

    // Inside a program for its user: the box, its mech and the port keep only their newest
    // records (sim/records.h) instead of every one a test may assert on.
    void keepRecentRecords(std::size_t records = kRecordsInProgram);
    void onOpen() override;

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
    void mechStatus(int bits);
    void answer(const QByteArray& line, plat::Millis latency);
    void scheduleDrop();

    plat::Scheduler& sched_;
    ArdwellMech& mech_;
    QByteArray lineBuffer_;
    bool overflow_ = false;
    plat::Millis latencyMs_ = 5;
    plat::Millis mechLatencyMs_ = 10;

    bool silent_ = false;
    FaultSet<Fault> faults_;
    QByteArray unanswered_;
    When unansweredWhen_;
    bool lastFrameWasCommand_ = false;

    bool relaying_ = false;
    char outputMode_ = 0;
    QList<QByteArray> commands_;
    int statusRequests_ = 0;
    int hopperPulses_ = 0;
    QList<QByteArray> dispenses_;
    int lastMask_ = -1;
    int framesTaken_ = 0;
    QList<QByteArray> framesRefused_;
    std::size_t recordLimit_ = 0;

    plat::Millis dropMinMs_ = 1000, dropMaxMs_ = 2000;
    plat::CallbackId dropTimer_ = 0;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace sim
