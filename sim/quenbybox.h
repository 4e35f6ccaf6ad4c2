#pragma once
// The first program's programmer box: unterminated short commands in, CR-terminated reply lines
// out, escape bursts ignored, breaks recorded. Twenty-five escapes and an interface code put it
// into serial mode ("*S"), in which it relays raw bytes between the program and the mech
// plugged into it on that interface ("$06" goes through the box's Sentinel interface); a break
// ends serial mode ("*R" when the break lifts).
//
// Line mode, besides the status ("S"), idle ("Y") and neutral answers: "#80", "C00", "C01",
// "C02", "C08", "C09" and "CFD" are taken silently; "Z" with four 3-digit timings and CR stores
// the timings the status line shows; "E", "B", "O", "V" and "*" answer a neutral line. Commands
// the box does not know ("K", "A", "P" rows) go to what is plugged in (the Mars PROM socket).
//
// Coins: after "N" the box reports every coin the mech takes while in line mode, until "I", "W"
// or a break: "V", a counter digit and the channel letter ("R" for a slug); after "*" (until the
// next "O") "X" and the channel - 1 as two hex digits; after "M" (until "O" or "V") an "M" sample
// line of the coin's first three values at columns 3, 9 and 15 instead.

#include "sim/faults.h"
#include "sim/quenbyi2c.h"
#include "sim/quenbymech.h"
#include "sim/simport.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <array>
#include <memory>

namespace sim {

class QuenbyBox : public Device {
public:
    QuenbyBox();
    ~QuenbyBox() override;
    QuenbyBox(const QuenbyBox&) = delete;
    QuenbyBox& operator=(const QuenbyBox&) = delete;

    // The interface codes the box has; any other "$" code is ignored.
    static const QStringList& interfaceCodes();

    // What the status line reports.
    bool mechConnected = true;
    std::array<QString, 4> timings{QStringLiteral("1.50"), QStringLiteral("2.25"), QStringLiteral("3.75"),
                                   QStringLiteral("120")};
    QString statusHex = QStringLiteral("3F");
    QString version = QStringLiteral("QB2.1");
    // What the idle line reports.
    std::array<int, 3> idles{512, 1024, 2048};

    plat::Millis latencyMs = 5; // before the first byte of every reply
    bool silent = false;        // answers nothing at all, relays nothing back

    // Report knobs: Mars coins as parallel output codes ("X" with one bit per coin position)
    // instead of letters; coins reported as "*EV" lines instead of "V" lines.
    bool marsParallelCodes = false;
    bool evLines = false;
    plat::Millis lateStarMs = 850; // the answer to "*" under the StarLate fault
    enum class Garble { Short, UnknownCode, BadHex };
    Garble garble = Garble::Short; // what a garbled report looks like

    // Named faults, each counted over its own events.
    enum class Fault {
        StatusUnanswered,  // "S" requests (counted whether answered or not) get no status line
        SerialModeRefused, // interface codes get no "*S" and leave the box in line mode
        RestartLineLost,   // a break ends serial mode without the "*R" line
        StuckInSerialMode, // a break does not end serial mode (no "*R" either)
        TimingsNotStored,  // "Z" timing commands are answered but not stored
        IdleUnanswered,    // "Y"
        MUnanswered,       // "M"
        EUnanswered,       // "E"
        OUnanswered,       // "O"
        VUnanswered,       // "V" (the command)
        StarUnanswered,    // "*"
        StarLate,          // "*" answered after lateStarMs
        GarbledReport,     // coin reports (counted one by one) come out as `garble` says
        HangUpOnByteIn,    // the peer hangs up at this byte from the program (once)
        HangUpOnByteOut,   // the peer hangs up after this byte to the program (once)
        Count_
    };
    void setFault(Fault fault, When when) { faults_.set(fault, when); }

    // Flood mode: while the port is open the box sends random lines without end, back to back at
    // wire speed, as a device that is no programmer box might: half of them begin with a letter
    // the program reads ("B", "C", "N", "R", "V", ...), the rest with any byte. The seed makes
    // the lines; 0 stops the flood.
    void flood(quint32 seed);
    int linesFlooded() const { return linesFlooded_; }

    // Plugs a mech into the box (one at a time; null unplugs). Neither owns the other: either
    // side's destructor unplugs.
    void plug(QuenbyMech* mech);
    QuenbyMech* plugged() const { return mech_; }
    // Plugs a mech the box keeps (the one it held before is unplugged, and freed if it was the
    // box's own). Returns the mech plugged.
    QuenbyMech* plugOwned(std::unique_ptr<QuenbyMech> mech);
    // Plugs a new mech of this model (any family), with a blank memory or its typical one.
    // Throws std::invalid_argument for a model no family has.
    QuenbyMech* swapMech(const QString& model, bool blank = true);

    // Coins through whatever is plugged in; false when nothing is plugged or nothing reached
    // the program.
    bool dropCoin(int channel) { return mech_ && mech_->dropCoin(channel); }
    bool dropSlug() { return mech_ && mech_->dropSlug(); }
    void queueReading(const QList<int>& values)
    {
        if (mech_)
            mech_->queueReading(values);
    }

    // The exact status line for the current settings, without its CR.
    QString statusLine() const;
    QString idleLine() const;

    // What arrived: every command in order (escape bursts as "<ESC>", one entry per burst).
    const QStringList& commands() const { return commands_; }
    // Every line the box sent on its own account (not relayed mech bytes), without CR.
    const QStringList& linesSent() const { return linesSent_; }
    int statusRequests() const { return statusRequests_; }
    int breaksSeen() const { return breaks_; }
    bool breakOn() const { return breakOn_; }
    bool inSerialMode() const { return !serialCode_.isEmpty(); }
    QString serialInterface() const { return serialCode_; } // empty in line mode
    // Coin reporting: on after "N"; samples instead of reports after "M"; binary after "*".
    bool reporting() const { return reporting_; }
    bool sampling() const { return samples_; }
    bool binaryReports() const { return binary_; }
    SentinelInterface& sentinelInterface() { return sentinel_; }
    void clearRecord();

    // The clock of the port the box is attached to (null before one is).
    plat::Scheduler* scheduler() const { return port() ? &port()->scheduler() : nullptr; }

    // Device
    void onBytes(const QByteArray& bytes) override;
    void onBreak(bool on) override;
    void onOpen() override;

private:
    // The plugged mech's way out: raw bytes while relaying to it, a line in line mode, a coin.
    friend class QuenbyMech;
    bool relayFromMech(const QuenbyMech& mech, const QByteArray& bytes, plat::Millis delayMs);
    bool lineFromMech(const QuenbyMech& mech, const QString& text, plat::Millis delayMs);
    bool relaysTo(const QuenbyMech& mech) const;
    bool coinInLineMode(const QuenbyMech& mech, const DroppedCoin& coin);

    void take(const QByteArray& bytes);
    void handleCommand(const QString& cmd);
    bool commandComplete() const;
    void enterSerialMode(const QString& code);
    void toSerial(const QByteArray& bytes);
    void storeTimings(const QString& cmd);
    void neutral(Fault unanswered, plat::Millis delayMs = 0);
    QString reportFor(const QuenbyMech& mech, const DroppedCoin& coin);
    void sendLine(const QString& text, plat::Millis delayMs = 0);
    void sendRaw(const QByteArray& bytes, plat::Millis delayMs = 0);
    void floodLine();

    QuenbyMech* mech_ = nullptr;
    std::unique_ptr<QuenbyMech> owned_;
    FaultSet<Fault> faults_;
    SentinelInterface sentinel_;
    QByteArray pending_; // a multi-character command being assembled
    QStringList commands_;
    QStringList linesSent_;
    int statusRequests_ = 0;
    int breaks_ = 0;
    bool breakOn_ = false;
    QString serialCode_;
    bool lastWasEscape_ = false;
    bool reporting_ = false;
    bool samples_ = false;
    bool binary_ = false;
    int reportCounter_ = 0;
    bool hungUp_ = false;
    quint32 floodState_ = 0;
    bool flooding_ = false; // a flood line is on its way
    int linesFlooded_ = 0;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace sim
