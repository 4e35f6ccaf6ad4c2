#pragma once
// A serial port whose input a test feeds directly, raising the receive event as a real port
// does, and which records what the program writes (breaks as "<BRK+>" and "<BRK->").

#include "platform/runtimeerror.h"
#include "platform/serialport.h"

#include <QByteArray>
#include <QString>

namespace testing_support {

class FakePort : public plat::SerialPort {
public:
    void setPortNumber(int n) override { number = n; }
    int portNumber() const override { return number; }
    void setSettings(const QString& s) override { settingsText = s; }
    QString settings() const override { return settingsText; }
    plat::OpenResult open() override
    {
        if (refuse != plat::OpenResult::Ok)
            return refuse;
        opened = true;
        ++opens;
        return plat::OpenResult::Ok;
    }
    void close() override { opened = false; }
    bool isOpen() const override { return opened; }
    QString errorText() const override { return refuse == plat::OpenResult::Ok ? QString() : refuseWhy; }
    QString deviceName() const override { return QStringLiteral("/dev/fake%1").arg(number); }
    void setBreak(bool on) override { sent += on ? "<BRK+>" : "<BRK->"; }
    void write(const QByteArray& bytes) override
    {
        if (failWrites)
            throw plat::RuntimeError(8020, QStringLiteral("Error reading comm device"));
        sent += bytes;
    }
    int bytesWaiting() const override { return int(inbox.size()); }
    QByteArray read(int maxBytes) override
    {
        QByteArray out = inbox.left(maxBytes);
        inbox.remove(0, out.size());
        return out;
    }
    void clearInput() override { inbox.clear(); }

    // Bytes arrive and the receive event is raised.
    void feed(const QByteArray& bytes)
    {
        inbox += bytes;
        if (onReceive)
            onReceive();
    }
    // The device fails: the port closes itself and says why, once.
    void fail(const QString& why)
    {
        opened = false;
        if (onFailure)
            onFailure(why);
    }

    int number = 1;
    int opens = 0;
    QString settingsText;
    bool opened = false;
    bool failWrites = false;
    plat::OpenResult refuse = plat::OpenResult::Ok;
    QString refuseWhy = QStringLiteral("Permission denied");
    QByteArray inbox;
    QByteArray sent;
};

} // namespace testing_support
