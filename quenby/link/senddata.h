#pragma once
// Built into both programs: depends on the platform layer only.

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
    void reopened() { notOpenShown_ = false; }
    // The outage has been reported elsewhere (the port's own failure event): sends stay quiet
    // until the port is open again.
    void outageReported() { notOpenShown_ = true; }

private:
    bool notOpenShown_ = false;
};

} // namespace shared
