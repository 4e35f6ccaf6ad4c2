#include "platform/gui/qtserialport.h"
#include "platform/scheduler.h"
#include "tests/support/testservices.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

using namespace plat;
using testing_support::TestEnv;

namespace {

// A pseudo-terminal standing in for the box; the program's side is linked as ports/COM1.
struct Pty {
    int master = -1;
    QString slave;
    Pty()
    {
        master = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0)
            return;
        slave = QString::fromLocal8Bit(::ptsname(master));
        ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    }
    ~Pty() { hangUp(); }
    void hangUp()
    {
        if (master >= 0)
            ::close(master);
        master = -1;
    }
    QByteArray readFor(int wanted, int ms)
    {
        QByteArray got;
        QElapsedTimer t;
        t.start();
        while (got.size() < wanted && t.elapsed() < ms) {
            pollfd p{master, POLLIN, 0};
            if (::poll(&p, 1, 20) > 0) {
                char buf[512];
                const ssize_t n = ::read(master, buf, sizeof buf);
                if (n > 0)
                    got.append(buf, n);
            }
        }
        return got;
    }
};

QByteArray everyByte()
{
    QByteArray b;
    for (int k = 0; k < 256; ++k)
        b += char(k);
    return b;
}

struct PortFolder {
    QTemporaryDir dir;
    TestEnv env{dir.path()};
    void link(int n, const QString& target)
    {
        QDir(dir.path()).mkpath("ports");
        ASSERT_TRUE(QFile::link(target, dir.filePath(QString("ports/COM%1").arg(n))));
    }
};

// A pseudo-terminal linked as COM1.
struct OnAPty : ::testing::Test {
    Pty pty;
    PortFolder f;
    void SetUp() override
    {
        ASSERT_FALSE(pty.slave.isEmpty());
        f.link(1, pty.slave);
    }
};

} // namespace

TEST(PortSettings, ParsesTheClassicSettingsText)
{
    PortSettings s;
    ASSERT_TRUE(parsePortSettings("9600,N,8,1", s));
    EXPECT_EQ(s.baud, 9600);
    EXPECT_EQ(s.parity, 'N');
    EXPECT_EQ(s.dataBits, 8);
    EXPECT_EQ(s.stopBits, 1);
    ASSERT_TRUE(parsePortSettings("19200,e,7,2", s));
    EXPECT_EQ(s.parity, 'E');
    EXPECT_EQ(s.stopBits, 2);
    for (const char* bad : {"", "9600", "9600,N,8", "fast,N,8,1", "9600,X,8,1", "9600,N,9,1", "9600,N,8,3", "-1,N,8,1"})
        EXPECT_FALSE(parsePortSettings(bad, s)) << bad;
}

TEST(QtSerialPort, PortNumbersNameDevices)
{
    PortFolder f;
    QtSerialPort port(f.env);
    port.setPortNumber(3);
    EXPECT_EQ(port.devicePath(), "/dev/ttyS2");
    f.link(3, "/dev/null");
    EXPECT_EQ(port.devicePath(), "/dev/null");
    port.setPortNumber(0);
    EXPECT_EQ(port.devicePath(), "");
}

TEST(QtSerialPort, AMissingDeviceIsNoSuchDeviceAndSaysWhatWasTried)
{
    PortFolder f;
    f.link(2, "/dev/serial/by-id/usb-not-plugged-in");
    QtSerialPort port(f.env);
    port.setPortNumber(2);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(port.open(), OpenResult::NoSuchDevice);
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("usb-not-plugged-in"), std::string::npos) << said;
    EXPECT_FALSE(port.isOpen());
    EXPECT_FALSE(port.errorText().isEmpty());

    port.setPortNumber(0);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(port.open(), OpenResult::NoSuchDevice);
    ::testing::internal::GetCapturedStderr();

    // Everything on a closed port is a quiet no-op.
    port.write("x");
    port.setBreak(true);
    port.clearInput();
    EXPECT_EQ(port.bytesWaiting(), 0);
    EXPECT_TRUE(port.read(10).isEmpty());
}

TEST_F(OnAPty, BadSettingsAreRefused)
{
    QtSerialPort port(f.env);
    port.setPortNumber(1);
    port.setSettings("9600,Q,8,1");
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(port.open(), OpenResult::OtherError);
    ::testing::internal::GetCapturedStderr();
    EXPECT_FALSE(port.isOpen());
}

TEST_F(OnAPty, BytesBothWaysOverAPseudoTerminalAndAHangUpReportedOnce)
{
    RealScheduler sched;

    QtSerialPort port(f.env);
    port.setPortNumber(1);
    port.setSettings("9600,N,8,1");
    int receives = 0, failures = 0;
    port.onReceive = [&] { ++receives; };
    QString why;
    port.onFailure = [&](const QString& w) {
        ++failures;
        why = w;
    };
    ASSERT_EQ(port.open(), OpenResult::Ok) << port.errorText().toStdString();
    EXPECT_TRUE(port.isOpen());
    EXPECT_EQ(port.devicePath(), QFileInfo(pty.slave).canonicalFilePath());

    // A second opener finds the port taken, and so does opening it twice.
    {
        QtSerialPort other(f.env);
        other.setPortNumber(1);
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(other.open(), OpenResult::InUseOrNoPermission);
        ::testing::internal::GetCapturedStderr();
    }
    EXPECT_EQ(port.open(), OpenResult::InUseOrNoPermission);
    EXPECT_TRUE(port.isOpen());

    // Out: every byte value unchanged, the escape character and the upper half included.
    port.setBreak(true); // a pseudo-terminal has no break: nothing happens, nothing fails
    port.setBreak(false);
    EXPECT_TRUE(port.isOpen());
    port.write(everyByte());
    EXPECT_EQ(pty.readFor(256, 2000), everyByte());

    // In: the receive event fires and the bytes wait to be read.
    const QByteArray reply = QByteArray("\x1B_S\r") + QByteArray("\x80\x9F\xFF");
    ASSERT_EQ(::write(pty.master, reply.constData(), size_t(reply.size())), reply.size());
    EXPECT_TRUE(sched.pumpUntil([&] { return port.bytesWaiting() >= reply.size(); }, 500));
    EXPECT_GT(receives, 0);
    EXPECT_EQ(port.read(2), reply.left(2));
    EXPECT_EQ(port.read(100), reply.mid(2));

    ASSERT_EQ(::write(pty.master, "junk", 4), 4);
    sched.pumpUntil([&] { return port.bytesWaiting() >= 4; }, 500);
    port.clearInput();
    EXPECT_EQ(port.bytesWaiting(), 0);
    EXPECT_EQ(failures, 0);

    // The box goes away: one failure, the port closed, and no busy loop afterwards.
    errno = EEXIST;
    pty.hangUp();
    receives = 0;
    int pumps = 0;
    QElapsedTimer t;
    t.start();
    const CallbackId wake = sched.callAfter(300, [] {});
    while (t.elapsed() < 300) {
        sched.pump();
        ++pumps;
    }
    sched.cancel(wake);
    EXPECT_EQ(failures, 1);
    // Said in the words of this failure (the pseudo-terminal's device goes with its master),
    // never an earlier error's left in errno.
    EXPECT_EQ(why, "the device " + pty.slave + " is gone");
    EXPECT_EQ(port.errorText(), why);
    EXPECT_FALSE(port.isOpen());
    EXPECT_LE(receives, 2);
    EXPECT_LT(pumps, 50);
    port.close(); // closing again is harmless
    EXPECT_EQ(failures, 1);
}

TEST_F(OnAPty, ClosesAndOpensAgain)
{
    QtSerialPort port(f.env);
    port.setPortNumber(1);
    ASSERT_EQ(port.open(), OpenResult::Ok);
    port.close();
    EXPECT_FALSE(port.isOpen());
    ASSERT_EQ(port.open(), OpenResult::Ok);
    port.write("S");
    EXPECT_EQ(pty.readFor(1, 1000), QByteArray("S"));
}

TEST(QtSerialPort, ADeviceThatIsNoSerialPortIsNoPortAtAll)
{
    PortFolder f;
    QFile plain(f.dir.filePath("plain.bin"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.write("not a port");
    plain.close();
    f.link(1, "/dev/null");
    f.link(2, plain.fileName());
    for (int n : {1, 2}) {
        QtSerialPort port(f.env);
        port.setPortNumber(n);
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(port.open(), OpenResult::NoSuchDevice) << n;
        const std::string said = ::testing::internal::GetCapturedStderr();
        EXPECT_NE(said.find("not a serial device"), std::string::npos) << said;
        EXPECT_FALSE(port.isOpen());
        port.write("S"); // nothing reaches the file
    }
    QFile back(plain.fileName());
    ASSERT_TRUE(back.open(QIODevice::ReadOnly));
    EXPECT_EQ(back.readAll(), QByteArray("not a port"));
}
