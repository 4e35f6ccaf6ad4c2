#include "platform/serialport.h"

namespace plat {

int serialErrorNumber(OpenResult r)
{
    switch (r) {
    case OpenResult::Ok:
        return 0;
    case OpenResult::NoSuchDevice:
        return kErrInvalidPortNumber;
    case OpenResult::InUseOrNoPermission:
        return kErrPortAlreadyOpen;
    case OpenResult::OtherError:
        break;
    }
    return 8000;
}

QString portOpenFailure(const SerialPort& port)
{
    const QString device = port.deviceName().isEmpty() ? QStringLiteral("no device") : port.deviceName();
    QString text = QStringLiteral("COM%1 (%2) cannot be opened").arg(port.portNumber()).arg(device);
    if (!port.errorText().isEmpty())
        text += QStringLiteral(": ") + port.errorText();
    return text;
}

} // namespace plat
