#pragma once
// The first program's programmer box in line mode: unterminated short commands in, CR-terminated
// reply lines out, escape bursts ignored, breaks recorded. Serial mode and the mechs behind the
// box are added by subclasses through the serial-mode hooks.

#include "sim/simport.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <array>

namespace sim {

class QuenbyBox : public Device {
public:
    QuenbyBox() = default;

    // What the status line reports.
    bool mechConnected = true;
    std::array<QString, 4> timings{QStringLiteral("1.50"), QStringLiteral("2.25"), QStringLiteral("3.75"),
                                   QStringLiteral("120")};
    QString statusHex = QStringLiteral("3F");
    QString version = QStringLiteral("QB2.1");
    // What the idle line reports.
    std::array<int, 3> idles{512, 1024, 2048};

    // Fault knobs.
    plat::Millis latencyMs = 5; // before the first byte of every reply
    bool silent = false;        // answers nothing at all
    bool statusMissing = false; // answers everything but "S"
    int answerOnlyStatusNo = 0; // > 0: only the k-th "S" (counted from 1) gets a status line

    // The exact status line for the current knobs, without its CR.
    QString statusLine() const;
    QString idleLine() const;

    // What arrived: every command in order (escape bursts as "<ESC>", one entry per burst).
    const QStringList& commands() const { return commands_; }
    int statusRequests() const { return statusRequests_; }
    int breaksSeen() const { return breaks_; }
    bool breakOn() const { return breakOn_; }
    bool inSerialMode() const { return serialMode_; }
    void clearRecord();

    // Device
    void onBytes(const QByteArray& bytes) override;
    void onBreak(bool on) override;
    void onOpen() override;

protected:
    // A reply line, CR appended, through the port after latencyMs (nothing when silent).
    void sendLine(const QString& text);
    // Raw bytes to the program (serial mode), after latencyMs.
    void sendRaw(const QByteArray& bytes);

    // A complete line-mode command. Returns false when the command is unknown (then ignored).
    virtual bool onCommand(const QString& cmd);
    // How many characters a command starting with `first` has (1 for most).
    virtual int commandLength(char first) const;
    // Bytes the program sends while the box relays to a mech.
    virtual void onSerialBytes(const QByteArray& /*bytes*/) {}
    // Serial mode on (after the "*S" line) or off (after a break, before the "*R" line).
    void enterSerialMode();
    virtual void onSerialModeEnded() {}

private:
    void record(const QString& cmd);
    QByteArray pending_; // a multi-character command being assembled
    QStringList commands_;
    int statusRequests_ = 0;
    int breaks_ = 0;
    bool breakOn_ = false;
    bool serialMode_ = false;
    bool lastWasEscape_ = false;
};

} // namespace sim
