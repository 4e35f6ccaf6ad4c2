#pragma once
// The real serial port. Port number n is the device <program folder>/ports/COMn when that link
// exists (the user points it at /dev/ttyUSB0 or a /dev/serial/by-id/... name), else
// /dev/ttyS<n-1>.

#include "platform/appenv.h"
#include "platform/serialport.h"

#include <QString>
#include <memory>

class QSerialPort;

namespace plat {

struct PortSettings {
    qint32 baud = 9600;
    char parity = 'N'; // N, E, O, M or S
    int dataBits = 8;
    int stopBits = 1; // 1, 2, or 3 for one and a half
};

// Parses "9600,N,8,1"; false for anything else.
bool parsePortSettings(const QString& text, PortSettings& out);

class QtSerialPort : public SerialPort {
public:
    explicit QtSerialPort(const AppEnv& env);
    ~QtSerialPort() override;

    void setPortNumber(int n) override { portNumber_ = n; }
    int portNumber() const override { return portNumber_; }
    void setSettings(const QString& s) override { settings_ = s; }
    QString settings() const override { return settings_; }

    OpenResult open() override;
    void close() override;
    bool isOpen() const override;
    QString errorText() const override { return errorText_; }
    QString deviceName() const override { return devicePath(); }

    void setBreak(bool on) override;
    void write(const QByteArray& bytes) override;
    int bytesWaiting() const override;
    QByteArray read(int maxBytes) override;
    void clearInput() override;

    // The device path port number n stands for (the link resolved when it resolves).
    QString devicePath() const;

private:
    OpenResult fail(OpenResult r, const QString& device, const QString& why);
    void onError(int error);

    const AppEnv& env_;
    int portNumber_ = 1;
    QString settings_ = QStringLiteral("9600,N,8,1");
    QString errorText_;
    QString openDevice_; // the device the open port is
    std::unique_ptr<QSerialPort> port_;
    bool failing_ = false;
    quint64 session_ = 0;
};

} // namespace plat
