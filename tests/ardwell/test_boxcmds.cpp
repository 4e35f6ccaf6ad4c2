#include "link_fixture.h"
#include "platform/runtimeerror.h"

#include <QDir>
#include <gtest/gtest.h>

using namespace ardwell;
using ardwell_test::Rig;
using ardwell_test::mainWindowMemoryView;

TEST(BoxFormatting, ByteSwapAndClamp)
{
    EXPECT_EQ(byteSwap(0x1234), 0x3412);
    EXPECT_EQ(byteSwap(0x00FF), 0xFF00);
    EXPECT_EQ(byteSwap(0x71234), 0x3412);

    qint64 max = 200, v = -5;
    EXPECT_EQ(clampToRange(v, max), 0);
    EXPECT_EQ(v, 0);
    v = 250;
    EXPECT_EQ(clampToRange(v, max), 200);
    EXPECT_EQ(v, 200);
}

TEST(BoxFormatting, ErrorBoxKeepsTheWholeDescription)
{
    testing_support::TestServices ts;
    ts.dialogs->answer(plat::mb::OK);
    ts.dialogs->answer(plat::mb::OK);
    showError(*ts.dialogs, "Error Hex2 routine : ", plat::RuntimeError(6, "Overflow"));
    showError(*ts.dialogs, "C : ", plat::RuntimeError(75, QString(60, 'd')));
    ASSERT_EQ(ts.dialogs->boxes().size(), 2u);
    EXPECT_EQ(ts.dialogs->boxes()[0].text, "Error Hex2 routine :  \r\nOverflow - 6");
    EXPECT_EQ(ts.dialogs->boxes()[0].title, "Error detected");
    EXPECT_EQ(ts.dialogs->boxes()[0].style, plat::mb::Critical | plat::mb::OKOnly);
    EXPECT_EQ(ts.dialogs->boxes()[1].text, "C :  \r\n" + QString(60, 'd') + " - 75") << "never cut";
}

TEST(BoxCommands, SendAndWaitEndsOnAReplyLineOrAfterASecond)
{
    Rig rig;
    const plat::Millis t0 = rig.now();
    rig.link.boxCmdPercent();
    EXPECT_LT(rig.now() - t0, 100);

    // "X" is no reply to a box command that cleared the acknowledgement first.
    rig.box->setSilent(true);
    const plat::Millis t1 = rig.now();
    rig.link.sendAndWait("|\r");
    // 50 ticks of the 20 ms timer, the first one falling somewhere in the first 20 ms.
    EXPECT_GT(rig.now() - t1, 980);
    EXPECT_LE(rig.now() - t1, 1000);
    EXPECT_EQ(rig.st.replyTimeoutMs, 0);
}

TEST(BoxCommands, OutputMaskWaitsTheFullSecondWhenAnEarlierFrameWasTaken)
{
    Rig rig;
    rig.st.boxAcknowledged = true;
    const plat::Millis t0 = rig.now();
    rig.link.sendOutputMask(outputMask(rig.view));
    EXPECT_GT(rig.now() - t0, 980);
    EXPECT_EQ(rig.box->lastOutputMask(), 0xFF);
}

TEST(BoxCommands, OutputMaskFromTheTestPanel)
{
    Rig rig("126");
    plat::MemoryView& v = rig.view;
    EXPECT_EQ(outputMask(rig.view), 64); // binary layout, binary mode off
    v.setValue("chkBinary", 1);
    v.setValue("chkInhibit", 1, 0);
    v.setValue("chkInhibit", 1, 2);
    EXPECT_EQ(outputMask(rig.view), 5);
    rig.link.sendOutputMask(outputMask(rig.view));
    EXPECT_TRUE(rig.sent().endsWith("#FA\r"));

    // Both additions of 64 at once.
    v.setValue("chkBinary", 0);
    v.setValue("opt16way", 1);
    v.setValue("chkAllInhibit", 1);
    for (int k = 0; k < 6; ++k)
        v.setValue("chkInhibit", 1, k);
    v.setValue("chkInhibit", 1, 6); // not part of the mask
    EXPECT_EQ(outputMask(rig.view), 191);

    ardwell_test::selectModel(v, "330");
    v.setValue("opt16way", 0);
    v.setValue("opt10way", 1);
    EXPECT_EQ(outputMask(rig.view), 5);
    v.setValue("opt10way", 0);
    EXPECT_EQ(outputMask(rig.view), 0);
    v.setValue("optDualPolarity", 1);
    EXPECT_EQ(outputMask(rig.view), 63 + 64);
}

TEST(BoxCommands, IdentifyBoxAsksUpToFiveTimes)
{
    Rig silent;
    silent.box->setSilent(true);
    const plat::Millis t0 = silent.now();
    EXPECT_FALSE(silent.link.identifyBox());
    EXPECT_EQ(silent.sent(), QByteArray("S\rS\rS\rS\rS\r"));
    EXPECT_GT(silent.now() - t0, 4900);

    Rig second;
    second.box->setFault(sim::ArdwellBox::Fault::StatusUnanswered, sim::When::first(1));
    EXPECT_TRUE(second.link.identifyBox());
    EXPECT_EQ(second.sent(), QByteArray("S\rS\r"));

    second.link.boxCmdIdentify();
    EXPECT_EQ(second.view.text("lblHWversion"), "READY V2.10");
}

TEST(BoxCommands, MechPowerAndModelDependentCommands)
{
    Rig pca("PCA");
    pca.link.mechPower(true);
    const plat::Millis t0 = pca.now();
    EXPECT_EQ(pca.sent(), QByteArray("%\rW\r"));
    EXPECT_TRUE(pca.mech->powered());
    pca.link.mechPower(false);
    EXPECT_GT(pca.now() - t0, 180);
    EXPECT_FALSE(pca.mech->powered());
    EXPECT_EQ(pca.sent(), QByteArray("%\rW\r%\rR\r"));

    Rig m340("340");
    m340.link.mechPower(true);
    m340.link.boxCmdDollar();
    m340.link.boxCmdQuery();
    m340.view.setValue("chkHopper", 1);
    m340.link.hopperPulse(m340.view.value("chkHopper") == 1);
    m340.view.setValue("chkHopper", 0);
    m340.link.hopperPulse(m340.view.value("chkHopper") == 1);
    EXPECT_EQ(m340.sent(), QByteArray("%\rZ\r{\r{\r+\r"));
    EXPECT_EQ(m340.ts.sound->beeps, 1);
}

TEST(BoxCommands, DelayRunsToTheNextTick)
{
    Rig rig;
    const plat::Millis t0 = rig.now();
    rig.link.delayMs(30);
    EXPECT_GT(rig.now() - t0, 20); // two ticks: 30, 10, then 0
    EXPECT_LE(rig.now() - t0, 40);
}

TEST(StartupPort, OpensAndReopens)
{
    Rig rig;
    rig.st.portOpen = false;
    rig.st.commPortNumber = 7;
    rig.link.startupPort();
    EXPECT_TRUE(rig.st.portOpen);
    EXPECT_EQ(rig.port->portNumber(), 7);
    EXPECT_EQ(rig.port->settings(), "9600,N,8,1");
    int closes = 0;
    for (const auto& e : rig.port->transcript())
        closes += e.kind == sim::TranscriptEntry::Close;
    EXPECT_EQ(closes, 1);
}

TEST(StartupPort, PortErrorsOfferOkOrCancel)
{
    Rig inUse;
    inUse.port->close();
    inUse.port->setOpenResult(plat::OpenResult::InUseOrNoPermission);
    inUse.ts.dialogs->answer(plat::mb::OK, "COM Port in Use");
    inUse.link.startupPort();
    EXPECT_FALSE(inUse.st.portOpen);
    const auto& box = inUse.ts.dialogs->boxes().back();
    EXPECT_EQ(box.title, "Error");
    EXPECT_EQ(box.style, plat::mb::OKCancel | plat::mb::Critical | plat::mb::SystemModal);

    Rig invalid;
    invalid.port->setOpenResult(plat::OpenResult::NoSuchDevice);
    invalid.ts.dialogs->answer(plat::mb::Cancel, "cannot be opened");
    EXPECT_THROW(invalid.link.startupPort(), plat::ProgramEnded);
    EXPECT_EQ(invalid.ts.env->endCount, 1);

    Rig other;
    other.st.portOpen = false;
    other.port->setOpenResult(plat::OpenResult::OtherError);
    other.link.startupPort(); // no box
    EXPECT_FALSE(other.st.portOpen);
}

TEST(StartupPort, ADeviceThatIsNoSerialPortIsNamedInTheBox)
{
    Rig rig;
    rig.port->close();
    rig.st.commPortNumber = 5;
    rig.port->setOpenFailure(plat::OpenResult::NoSuchDevice, "not a serial device");
    rig.ts.dialogs->answer(plat::mb::OK);
    rig.link.startupPort();
    ASSERT_EQ(rig.ts.dialogs->boxes().size(), 1u);
    EXPECT_EQ(rig.ts.dialogs->boxes()[0].text,
              "COM5 (sim:COM5) cannot be opened: not a serial device");
}

TEST(FolderCheck, ReportsFailuresWithoutEndingTheProgram)
{
    Rig rig;
    QDir(rig.ts.folder()).mkdir("Backup");
    rig.ts.writeFile("plain.txt", "x");
    EXPECT_TRUE(rig.link.dirExists(rig.ts.folder() + "/Backup"));
    EXPECT_FALSE(rig.link.dirExists(rig.ts.folder() + "/plain.txt"));
    EXPECT_FALSE(rig.link.dirExists(rig.ts.folder() + "/missing"));
    EXPECT_FALSE(rig.link.dirExists(""));

    int calls = 0;
    rig.link.setDirProbe([&](const QString&) -> bool {
        if (++calls == 1)
            throw plat::RuntimeError(plat::err::DiskNotReady, "Disk not ready");
        return true;
    });
    rig.ts.dialogs->answer(plat::mb::OK, "Put a floppy disk in the drive");
    EXPECT_TRUE(rig.link.dirExists("A:/x")); // OK looks again
    EXPECT_EQ(calls, 2);

    rig.link.setDirProbe([](const QString&) -> bool {
        throw plat::RuntimeError(plat::err::DeviceUnavailable, "Device unavailable");
    });
    rig.ts.dialogs->answer(plat::mb::OK, "This drive or path does not exist: Q:/x");
    EXPECT_FALSE(rig.link.dirExists("Q:/x"));

    rig.link.setDirProbe([](const QString&) -> bool { throw plat::RuntimeError(70, "Permission denied"); });
    rig.ts.dialogs->answer(plat::mb::OK, "Unexpected error # 70 occurred: Permission denied");
    EXPECT_FALSE(rig.link.dirExists("/root/x"));
    EXPECT_EQ(rig.ts.env->endCount, 0);
}

TEST(FileCheck, AMissingDriveNamesThePath)
{
    Rig rig;
    rig.ts.writeFile("plain.txt", "x");
    EXPECT_TRUE(rig.link.fileExists(rig.ts.folder() + "/plain.txt"));
    EXPECT_FALSE(rig.link.fileExists(rig.ts.folder()));

    rig.link.setFileProbe([](const QString&) -> bool {
        throw plat::RuntimeError(plat::err::DeviceUnavailable, "Device unavailable");
    });
    rig.ts.dialogs->answer(plat::mb::OK);
    EXPECT_FALSE(rig.link.fileExists("Q:/config.txt"));
    ASSERT_EQ(rig.ts.dialogs->boxes().size(), 1u);
    EXPECT_EQ(rig.ts.dialogs->boxes()[0].text, "This drive or path does not exist: Q:/config.txt");
    EXPECT_EQ(rig.ts.dialogs->boxes()[0].style, plat::mb::Exclamation | plat::mb::OKOnly);
}

TEST(WholeSecondWait, LastsItsFullTimeAcrossMidnight)
{
    testing_support::TestServices ts;
    ts.sched = std::make_unique<plat::VirtualScheduler>(QDateTime(QDate(2026, 3, 1), QTime(23, 59, 59, 600)));
    Link link(ts.services());
    const plat::Millis t0 = ts.sched->nowMs();
    EXPECT_FALSE(link.waitSeconds(3, [] { return false; }));
    EXPECT_EQ(ts.sched->nowMs() - t0, 3000);

    // A flag that is already set still lets one pass of the pump go by.
    bool set = false;
    ts.sched->callAfter(250, [&] { set = true; });
    const plat::Millis t1 = ts.sched->nowMs();
    EXPECT_TRUE(link.waitSeconds(1, [&] { return set; }));
    EXPECT_EQ(ts.sched->nowMs() - t1, 250);
    EXPECT_FALSE(ts.sched->hasPending());
}
