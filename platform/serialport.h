#pragma once
// The serial port as the programs use it: a port number, a settings string, open/close with
// errors a caller can tell apart, break on and off, bytes out unchanged, bytes in with a count
// and a receive event. The real port (qtserialport.h) and the simulated box's port (sim/) both
// implement it.

#include <QByteArray>
#include <QString>
#include <functional>

namespace plat {

enum class OpenResult {
    Ok,
    NoSuchDevice,        // the device does not exist
    InUseOrNoPermission, // busy, or the user may not open it
    OtherError,
};

// The port errors callers report, in the numbering the programs' messages use.
constexpr int kErrInvalidPortNumber = 8002;
constexpr int kErrPortAlreadyOpen = 8005;
int serialErrorNumber(OpenResult r);

class SerialPort;
// What a box says of a port that would not open: the port, its device and why, in the words
// of this failure (for example "COM2 (/dev/null) cannot be opened: not a serial device").
QString portOpenFailure(const SerialPort& port);

class SerialPort {
public:
    virtual ~SerialPort() = default;

    virtual void setPortNumber(int n) = 0;
    virtual int portNumber() const = 0;
    virtual void setSettings(const QString& settings) = 0; // e.g. "9600,N,8,1"
    virtual QString settings() const = 0;

    virtual OpenResult open() = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // Text of the last open or I/O error, for messages and standard error.
    virtual QString errorText() const = 0;
    // The device the port number stands for, as the user would look for it.
    virtual QString deviceName() const = 0;

    virtual void setBreak(bool on) = 0;
    virtual void write(const QByteArray& bytes) = 0;
    virtual int bytesWaiting() const = 0;
    virtual QByteArray read(int maxBytes) = 0;
    virtual void clearInput() = 0;

    // Receive event: raised from inside the pump when input has arrived.
    std::function<void()> onReceive;
    // The peer hung up or the device failed; the port has already closed itself (once).
    std::function<void(const QString& why)> onFailure;
};

} // namespace plat
