#include "platform/senddata.h"

#include "platform/runtimeerror.h"

namespace shared {

void sendData(plat::SerialPort* port, const QByteArray& s,
              const std::function<void(const std::exception&)>& onError)
{
    try {
        if (port == nullptr || !port->isOpen())
            throw plat::RuntimeError(kErrPortNotOpen, kPortNotOpenText);
        port->write(s);
    } catch (const std::exception& e) {
        if (onError)
            onError(e);
    }
}

void OutageSender::send(plat::SerialPort* port, const QByteArray& s,
                        const std::function<void(const std::exception&)>& onError)
{
    sendData(port, s, [&](const std::exception& e) {
        const bool notOpen = plat::errInfo(e).number == kErrPortNotOpen;
        if (notOpen && notOpenShown_)
            return;
        notOpenShown_ = notOpen;
        if (onError)
            onError(e);
    });
    if (port && port->isOpen())
        notOpenShown_ = false;
}

QString OutageSender::lostText(int portNumber, const QString& restart) const
{
    QString t = QStringLiteral("\r\nThe connection to the programmer box on COM%1 was lost.").arg(portNumber);
    if (writing_ > 0)
        t += QStringLiteral("\r\nThe mech may be half-written: write it again once the box is reconnected.");
    else
        t += QStringLiteral("\r\nReconnect the box, then start the job again") + restart + QLatin1Char('.');
    return t;
}

} // namespace shared
