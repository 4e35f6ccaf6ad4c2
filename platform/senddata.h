#pragma once
// Built into both programs: depends on the platform layer only.

#include "platform/reentryguard.h"
#include "platform/serialport.h"

#include <QByteArray>
#include <QString>
#include <exception>
#include <functional>

namespace shared {

constexpr int kErrPortNotOpen = 8018;
inline const QString kPortNotOpenText = QStringLiteral("Operation valid only when the port is open");

// Writes s to the port unchanged, nothing appended, nothing awaited. A missing or closed port
// (error 8018) or a failing write goes to onError; the caller carries on.
void sendData(plat::SerialPort* port, const QByteArray& s,
              const std::function<void(const std::exception&)>& onError);

// sendData that says "port not open" once per outage: a port that has gone away would otherwise
// raise one box per byte of a burst, or per command of a job (a failed logon alone sends dozens).
// Other errors are always reported; the next write on an open port re-arms the report.
class OutageSender {
public:
    void send(plat::SerialPort* port, const QByteArray& s, const std::function<void(const std::exception&)>& onError);
    // The port has been opened again: a later outage is reported anew.
    void reopened() { notOpenShown_ = lost_ = false; }
    // The port closed under the program, which has said so (once, through the link): sends
    // stay quiet and the port counts as lost until it is opened again.
    void portLost() { notOpenShown_ = lost_ = true; }
    bool lost() const { return lost_; }

    // A write to the mech under way, for as long as the scope lives: a port lost meanwhile is
    // reported with the warning that the mech may be half-written.
    [[nodiscard]] plat::CountScope writing() { return plat::CountScope(writing_); }
    // The lines that follow the first report of a lost port on COM portNumber; `restart` says
    // where a job is started again.
    QString lostText(int portNumber, const QString& restart) const;

private:
    bool notOpenShown_ = false;
    bool lost_ = false;
    int writing_ = 0;
};

} // namespace shared
