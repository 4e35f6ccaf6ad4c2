#include "quenby/link/senddata.h"

#include "platform/runtimeerror.h"

namespace shared {

void sendData(plat::SerialPort* port, const QByteArray& s,
              const std::function<void(const std::exception&)>& onError)
{
    try {
        if (port == nullptr || !port->isOpen())
            throw plat::RuntimeError(kErrPortNotOpen, QStringLiteral("Operation valid only when the port is open"));
        port->write(s);
    } catch (const std::exception& e) {
        if (onError)
            onError(e);
    }
}

} // namespace shared
