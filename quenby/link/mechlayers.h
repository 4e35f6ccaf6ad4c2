#pragma once
// Between the link core and the memory, measurement and validator-test jobs: serial mode for one
// mech interface, the logons and logoffs of CC, Sentinel and NRI mechs, the way back to line
// mode, and the two mech-level send layers (NRI: first-character acknowledgement, counted
// replies, acknowledged data pieces; Sentinel: echo per character, counted replies).
//
// Which interface, start command and identification a model has comes from its family table
// entry, looked up from the job's family and model when a logon runs.

#include "quenby/link/boxlink.h"
#include "quenby/link/familytable.h"

#include <QByteArray>
#include <QString>
#include <functional>

namespace quenby {

class BoxCheck;

class MechLayers {
public:
    // What the layers reach in the main window.
    struct Hooks {
        // nriIdentify saves the settings file (the port and language the main window shows).
        std::function<void()> saveSettings;
        // ccLogoff stops the CC keep-alive timer.
        std::function<void()> stopKeepAlive;
    };

    MechLayers(BoxLink& link, BoxCheck& check, const plat::Services& services, const TextTable& texts,
               const ErrorReporter& errors, JobState& job);
    MechLayers(const MechLayers&) = delete;
    MechLayers& operator=(const MechLayers&) = delete;

    void setHooks(Hooks hooks) { hooks_ = std::move(hooks); }

    // Up to 5 tries of 25 escapes and the code, 500 ms each; text 300 when none took.
    bool sendSerialModeCommand(const QByteArray& code);
    bool sendCcStart();
    bool ccLogon();
    void ccLogoff();
    bool nriLogon();
    bool nriIdentify();
    // Serial break, the box's restart line, 20 escapes; the box check when it stays silent.
    void resetProgrammerBox();

    void sendNriCommand(const QByteArray& cmd);
    // n >= 0: waits up to n x 500 ms for n replies; n < 0: for -n replies without time-out.
    bool sendNriAndWait(const QByteArray& cmd, int n);
    // Newer models: the command and then the data in acknowledged two-character pieces; data
    // that is not whole pieces is refused and nothing is sent. Older models: the command, then
    // the data a character every 50 ms, unacknowledged.
    bool sendNriCommandWithData(const QByteArray& cmd, const QByteArray& data);

    bool sentinelLogon();
    void sentinelLogoff();
    bool sendSentinelCommand(const QByteArray& cmd, int n, int timeoutMs);

    // The Sentinel interface's identification from "TKI"; "I0.0" when none was read.
    QString sentinelIdent = QStringLiteral("I0.0");

private:
    MechEntry entry() const { return mechEntry(job_.mechFamily, job_.mechModel); }
    bool newerNri() const { return entry().kind == MechKind::NriNew; }
    void g18Probe();
    void message(int textId, int style, int titleId);

    BoxLink& link_;
    BoxCheck& check_;
    plat::Services svc_;
    const TextTable& texts_;
    const ErrorReporter& errors_;
    JobState& job_;
    Hooks hooks_;
};

} // namespace quenby
