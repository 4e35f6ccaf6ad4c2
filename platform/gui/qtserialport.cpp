#include "platform/gui/qtserialport.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPort>
#include <QTextStream>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace plat {

bool parsePortSettings(const QString& text, PortSettings& out)
{
    const QStringList parts = text.split(u',');
    if (parts.size() != 4)
        return false;
    bool ok = false;
    PortSettings s;
    s.baud = parts[0].trimmed().toInt(&ok);
    if (!ok || s.baud <= 0)
        return false;
    const QString p = parts[1].trimmed().toUpper();
    if (p.size() != 1 || !QStringLiteral("NEOMS").contains(p))
        return false;
    s.parity = char(p[0].unicode());
    s.dataBits = parts[2].trimmed().toInt(&ok);
    if (!ok || s.dataBits < 5 || s.dataBits > 8)
        return false;
    const QString stop = parts[3].trimmed();
    if (stop == u"1")
        s.stopBits = 1;
    else if (stop == u"2")
        s.stopBits = 2;
    else if (stop == u"1.5")
        s.stopBits = 3;
    else
        return false;
    out = s;
    return true;
}

namespace {

void tellStdErr(const QString& text)
{
    const QByteArray bytes = text.toLocal8Bit() + '\n';
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

QSerialPort::Parity qtParity(char p)
{
    switch (p) {
    case 'E':
        return QSerialPort::EvenParity;
    case 'O':
        return QSerialPort::OddParity;
    case 'M':
        return QSerialPort::MarkParity;
    case 'S':
        return QSerialPort::SpaceParity;
    default:
        return QSerialPort::NoParity;
    }
}

bool isCharacterDevice(const QString& path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISCHR(st.st_mode);
}

// Whether the device is a terminal, found without waiting for a modem line or taking it over.
bool isTerminal(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return true; // cannot tell: say what the open itself said
    const bool tty = ::isatty(fd) == 1;
    ::close(fd);
    return tty;
}

} // namespace

QtSerialPort::QtSerialPort(const AppEnv& env) : env_(env) {}

QtSerialPort::~QtSerialPort()
{
    if (port_) {
        port_->disconnect();
        if (port_->isOpen())
            port_->close();
    }
}

QString QtSerialPort::devicePath() const
{
    if (portNumber_ < 1)
        return {};
    const QFileInfo link(QDir(env_.programFolder()).filePath(QStringLiteral("ports/COM%1").arg(portNumber_)));
    if (link.isSymLink() || link.exists()) {
        const QString real = link.canonicalFilePath();
        if (!real.isEmpty())
            return real;
        // A dangling link: name its target so the user sees what was tried.
        return link.isSymLink() ? link.symLinkTarget() : link.absoluteFilePath();
    }
    return QStringLiteral("/dev/ttyS%1").arg(portNumber_ - 1);
}

OpenResult QtSerialPort::fail(OpenResult r, const QString& device, const QString& why)
{
    errorText_ = why;
    QString msg = QStringLiteral("COM%1: cannot open serial device %2: %3")
                      .arg(portNumber_)
                      .arg(device.isEmpty() ? QStringLiteral("(none)") : device, why);
    if (r == OpenResult::InUseOrNoPermission && !device.isEmpty()
        && ::access(QFile::encodeName(device).constData(), R_OK | W_OK) != 0)
        msg += QStringLiteral("\nPermission denied: the user must be a member of the 'dialout' group "
                              "(then log in again).");
    tellStdErr(msg);
    return r;
}

OpenResult QtSerialPort::open()
{
    if (isOpen()) {
        errorText_ = QStringLiteral("Port already open");
        return OpenResult::InUseOrNoPermission;
    }
    const QString device = devicePath();
    PortSettings s;
    if (!parsePortSettings(settings_, s))
        return fail(OpenResult::OtherError, device, QStringLiteral("invalid settings \"%1\"").arg(settings_));
    if (device.isEmpty() || !QFileInfo::exists(device))
        return fail(OpenResult::NoSuchDevice, device, QStringLiteral("no such device"));
    // A plain file or a folder is never a port: not even opened, so nothing is written into it.
    if (!isCharacterDevice(device))
        return fail(OpenResult::NoSuchDevice, device, QStringLiteral("not a serial device"));

    if (!port_) {
        port_ = std::make_unique<QSerialPort>();
        QObject::connect(port_.get(), &QSerialPort::readyRead, port_.get(), [this] {
            if (failing_)
                return;
            auto fn = onReceive; // the handler may replace onReceive while it runs
            if (fn)
                fn();
        });
        QObject::connect(port_.get(), &QSerialPort::errorOccurred, port_.get(),
                         [this](QSerialPort::SerialPortError e) { onError(int(e)); });
    }
    if (port_->isOpen())
        port_->close(); // still open after a failure whose clean-up has not run yet
    port_->setPortName(device);
    port_->setBaudRate(s.baud);
    port_->setParity(qtParity(s.parity));
    port_->setDataBits(QSerialPort::DataBits(s.dataBits));
    port_->setStopBits(s.stopBits == 2 ? QSerialPort::TwoStop
                       : s.stopBits == 3 ? QSerialPort::OneAndHalfStop
                                         : QSerialPort::OneStop);
    port_->setFlowControl(QSerialPort::NoFlowControl);
    failing_ = false;
    ++session_;
    if (!port_->open(QIODevice::ReadWrite)) {
        const auto e = port_->error();
        const QString why = port_->errorString();
        port_->clearError();
        if (e == QSerialPort::DeviceNotFoundError)
            return fail(OpenResult::NoSuchDevice, device, why);
        if (e == QSerialPort::PermissionError)
            return fail(OpenResult::InUseOrNoPermission, device, why);
        // The device opened but is no terminal (/dev/null), or it would not take the line
        // settings: either way there is no port to talk through, as for a missing device.
        if (!isTerminal(device))
            return fail(OpenResult::NoSuchDevice, device, QStringLiteral("not a serial device (%1)").arg(why));
        return fail(OpenResult::NoSuchDevice, device,
                    QStringLiteral("the line settings \"%1\" cannot be applied (%2)").arg(settings_, why));
    }
    errorText_.clear();
    openDevice_ = device;
    return OpenResult::Ok;
}

void QtSerialPort::onError(int error)
{
    if (error != QSerialPort::ResourceError && error != QSerialPort::ReadError)
        return;
    if (failing_ || !isOpen())
        return;
    // Stop listening at once: a hung-up device stays readable and would report again and again.
    failing_ = true;
    // The port's own error text is the system's last error, which a read that found the line
    // closed never set: it names an earlier, unrelated failure ("File exists"). What happened is
    // found out afresh instead.
    const QString& device = openDevice_;
    const QString why = QFileInfo::exists(device) ? QStringLiteral("the device %1 hung up").arg(device)
                                                  : QStringLiteral("the device %1 is gone").arg(device);
    errorText_ = why;
    // Not from inside the port's own notification: close on the next turn of the event loop.
    QMetaObject::invokeMethod(
        port_.get(),
        [this, why, session = session_] {
            if (session != session_ || !failing_)
                return; // closed and opened again meanwhile
            if (port_->isOpen())
                port_->close();
            port_->clearError();
            auto fn = onFailure;
            if (fn)
                fn(why);
        },
        Qt::QueuedConnection);
}

void QtSerialPort::close()
{
    if (!port_ || !port_->isOpen())
        return;
    if (!failing_) {
        port_->flush();
        port_->waitForBytesWritten(200);
    }
    port_->close();
    port_->clearError();
}

bool QtSerialPort::isOpen() const { return port_ && port_->isOpen() && !failing_; }

void QtSerialPort::setBreak(bool on)
{
    if (!isOpen())
        return;
    // Devices without a break (a pseudo-terminal) make this a no-op.
    if (!port_->setBreakEnabled(on))
        port_->clearError();
}

void QtSerialPort::write(const QByteArray& bytes)
{
    if (!isOpen() || bytes.isEmpty())
        return;
    port_->write(bytes);
    port_->flush();
}

int QtSerialPort::bytesWaiting() const { return isOpen() ? int(port_->bytesAvailable()) : 0; }

QByteArray QtSerialPort::read(int maxBytes)
{
    if (!isOpen() || maxBytes <= 0)
        return {};
    return port_->read(maxBytes);
}

void QtSerialPort::clearInput()
{
    if (!isOpen())
        return;
    port_->clear(QSerialPort::Input);
    port_->readAll();
}

} // namespace plat
