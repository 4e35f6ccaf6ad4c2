// A port that will not open is reported by what is wrong with it: a number the port list can
// hold stands for a device, and the box names that device and why it is no port. Only a number
// outside the list is an invalid port number.
#include "ardwell/link/link.h"
#include "platform/gui/qtserialport.h"
#include "tests/support/testservices.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace mb = plat::mb;

namespace {

struct RealPortRig {
    RealPortRig() { link.setPort(&port); }
    // The box startupPort shows for port n, answered OK.
    QString boxFor(int n)
    {
        link.state().commPortNumber = n;
        ts.dialogs->answer(mb::OK);
        const std::size_t before = ts.dialogs->boxes().size();
        link.startupPort();
        EXPECT_FALSE(link.state().portOpen);
        if (ts.dialogs->boxes().size() != before + 1)
            return QStringLiteral("(no box)");
        const auto& box = ts.dialogs->boxes().back();
        EXPECT_EQ(box.title, "Error");
        EXPECT_EQ(box.style, mb::OKCancel | mb::Critical | mb::SystemModal);
        return box.text;
    }
    QString portLink(int n) const { return ts.folder() + QStringLiteral("/ports/COM%1").arg(n); }

    testing_support::TestServices ts;
    plat::QtSerialPort port{*ts.env};
    ardwell::Link link{ts.services()};
};

} // namespace

TEST(PortOpening, ADeviceThatIsNoSerialPortIsSaidForWhatItIs)
{
    RealPortRig rig;
    const QString folder = rig.ts.folder();
    QDir(folder).mkpath("ports");
    QDir(folder).mkpath("devices/folder");
    rig.ts.writeFile("devices/plain.txt", "x");
    ASSERT_EQ(::mkfifo(QFile::encodeName(folder + "/devices/pipe").constData(), 0600), 0);
    ASSERT_TRUE(QFile::link("/dev/null", rig.portLink(1)));
    ASSERT_TRUE(QFile::link(folder + "/devices/plain.txt", rig.portLink(2)));
    ASSERT_TRUE(QFile::link(folder + "/devices/pipe", rig.portLink(3)));
    ASSERT_TRUE(QFile::link(folder + "/devices/gone", rig.portLink(4)));
    ASSERT_TRUE(QFile::link(folder + "/devices/folder", rig.portLink(5)));

    ::testing::internal::CaptureStderr(); // the port also tells standard error
    const QString null = rig.boxFor(1);
    EXPECT_TRUE(null.startsWith("COM1 (/dev/null) cannot be opened: not a serial device")) << null.toStdString();
    EXPECT_EQ(rig.boxFor(2).toStdString(), ("COM2 (" + folder + "/devices/plain.txt) cannot be opened: not a serial device").toStdString());
    EXPECT_EQ(rig.boxFor(3).toStdString(), ("COM3 (" + folder + "/devices/pipe) cannot be opened: not a serial device").toStdString());
    EXPECT_EQ(rig.boxFor(4).toStdString(), ("COM4 (" + folder + "/devices/gone) cannot be opened: no such device").toStdString());
    EXPECT_EQ(rig.boxFor(5).toStdString(), ("COM5 (" + folder + "/devices/folder) cannot be opened: not a serial device").toStdString());
    // The last number of the list is a port number like the others.
    ASSERT_TRUE(QFile::link(folder + "/devices/plain.txt", rig.portLink(20)));
    EXPECT_EQ(rig.boxFor(20).toStdString(), ("COM20 (" + folder + "/devices/plain.txt) cannot be opened: not a serial device").toStdString());
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(QFile(folder + "/devices/plain.txt").size(), 1) << "nothing written into a file taken for a port";
}

TEST(PortOpening, ANumberOutsideTheListIsAnInvalidPortNumber)
{
    RealPortRig rig;
    EXPECT_EQ(rig.boxFor(0).toStdString(), std::string("Invalid port number\r\n\r\nCOM0 is no port"));
    EXPECT_EQ(rig.boxFor(21).toStdString(), std::string("Invalid port number\r\n\r\nCOM21 is no port"));
    EXPECT_EQ(rig.boxFor(-3).toStdString(), std::string("Invalid port number\r\n\r\nCOM-3 is no port"));
}
