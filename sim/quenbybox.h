#pragma once
// The first program's programmer box: unterminated short commands in, CR-terminated reply lines
// out, escape bursts ignored, breaks recorded. Twenty-five escapes and an interface code put it
// into serial mode ("*S"), in which it relays raw bytes between the program and the mech
// plugged into it on that interface; a break ends serial mode ("*R" when the break lifts).

#include "sim/quenbymech.h"
#include "sim/simport.h"
#include "sim/when.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <array>

namespace sim {

class QuenbyBox : public Device {
public:
    QuenbyBox() = default;
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

    // Named faults, each counted over its own events.
    enum class Fault {
        StatusUnanswered, // "S" requests (counted whether answered or not) get no status line
    };
    void setFault(Fault fault, When when);

    // Plugs a mech into the box (one at a time; null unplugs). Neither owns the other: either
    // side's destructor unplugs.
    void plug(QuenbyMech* mech);
    QuenbyMech* plugged() const { return mech_; }

    // The exact status line for the current settings, without its CR.
    QString statusLine() const;
    QString idleLine() const;

    // What arrived: every command in order (escape bursts as "<ESC>", one entry per burst).
    const QStringList& commands() const { return commands_; }
    int statusRequests() const { return statusRequests_; }
    int breaksSeen() const { return breaks_; }
    bool breakOn() const { return breakOn_; }
    bool inSerialMode() const { return !serialCode_.isEmpty(); }
    QString serialInterface() const { return serialCode_; } // empty in line mode
    void clearRecord();

    // Device
    void onBytes(const QByteArray& bytes) override;
    void onBreak(bool on) override;
    void onOpen() override;

private:
    // The plugged mech's way out: raw bytes while relaying to it, or a line in line mode.
    friend class QuenbyMech;
    bool relayFromMech(const QuenbyMech& mech, const QByteArray& bytes);
    bool lineFromMech(const QuenbyMech& mech, const QString& text);
    bool relaysTo(const QuenbyMech& mech) const;

    void handleCommand(const QString& cmd);
    static int commandLength(char first);
    void enterSerialMode(const QString& code);
    void toSerial(const QByteArray& bytes);
    void sendLine(const QString& text);
    void sendRaw(const QByteArray& bytes);

    QuenbyMech* mech_ = nullptr;
    When statusFault_;
    QByteArray pending_; // a multi-character command being assembled
    QStringList commands_;
    int statusRequests_ = 0;
    int breaks_ = 0;
    bool breakOn_ = false;
    QString serialCode_;
    bool lastWasEscape_ = false;
};

} // namespace sim
