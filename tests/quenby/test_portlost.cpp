// A port that goes away under a job: one report that names the port, nothing more of the job,
// no window on what was read before it went, and the next job from the menu opens it again.
#include "quenby/clonewizard/frmcoinmeasure1.h"
#include "tests/quenby/memwindow_fixture.h"

namespace {

using namespace quenby_tests;
using sim::When;

struct PortLostTest : MemoryWindowTest {};

TEST_F(PortLostTest, AnEepromReadCutByALostPortIsOneReportAndOpensNoWindow)
{
    start("435");
    box.setFault(sim::QuenbyBox::Fault::HangUpOnByteIn, When::from(200)); // mid-read
    ts.dialogs->answer(plat::mb::OK, " 809 Error in COM port reception routine :  \r\n"
                                     "the programmer box hung up - 8018\r\n\r\n"
                                     "The connection to the programmer box on COM1 was lost.\r\n"
                                     "Reconnect the box, then start the job again from the main menu.");
    const plat::Millis t0 = ts.sched->nowMs();
    run("cmbCCmech", "435", "cmdCCprom");
    EXPECT_EQ(ts.dialogs->boxes().size(), 1u) << ts.dialogs->texts().join("|").toStdString();
    EXPECT_LT(ts.sched->nowMs() - t0, 2500) << "the job ends at the loss, not after its time-outs";
    EXPECT_FALSE(p->eepromDataIfLoaded()) << "no window on a part of the EEPROM";
    EXPECT_TRUE(main().isVisible());
    EXPECT_TRUE(mainC().isEnabled("cmdCCprom"));

    // Reconnected: the same button opens the port again and reads the whole mech.
    run("cmbCCmech", "435", "cmdCCprom");
    EXPECT_EQ(ts.dialogs->boxes().size(), 1u);
    ASSERT_TRUE(shown(p->eepromDataIfLoaded()));
    EXPECT_TRUE(port->isOpen());
}

} // namespace

namespace {

// Every job window of the program, loaded and on the screen.
QStringList jobWindowsShown(const quenby::Program& p)
{
    QStringList out;
    const auto add = [&](QWidget* w, const char* name) {
        if (w && w->isVisible())
            out << name;
    };
    add(p.coinMeasureIfLoaded(), "frmCoinMeasure1");
    add(p.eepromDataIfLoaded(), "frmEEPROMdata");
    add(p.nriDataIfLoaded(), "frmNRIdata");
    add(p.promDataIfLoaded(), "frmPROMdata");
    add(p.valtestIfLoaded(), "frmValtest");
    return out;
}

TEST_F(PortLostTest, NoLauncherOpensItsWindowOnAPortThatWillNotOpenAgain)
{
    start("C120");
    ts.dialogs->answer(plat::mb::OK, "The connection to the programmer box on COM1 was lost.");
    port->hangUp("the programmer box hung up");
    wait(100);
    port->setOpenFailure(plat::OpenResult::NoSuchDevice, "no such device");
    const struct {
        const char* list;
        const char* model;
        const char* button;
    } launchers[] = {
        {"cmbMarsMech", "ME111", "cmdMars"},         {"cmbMarsMech", "ME181", "cmdValtest"},
        {"cmbMarsMech", "ME111", "cmdPROMutilities"}, {"cmbCCmech", "C120", "cmdCCprog"},
        {"cmbCCmech", "435", "cmdCCValTest"},         {"cmbCCmech", "C120", "cmdCCprom"},
        {"cmbNRImech", "G13-6000", "cmdNRIprog"},     {"cmbNRImech", "G40-0000", "cmdNRIvaltest"},
        {"cmbNRImech", "G13-6000", "cmdNRIprom"},
    };
    for (const auto& l : launchers) {
        const size_t before = ts.dialogs->boxes().size();
        ts.dialogs->answer(plat::mb::OK, "COM1 (sim:COM1) cannot be opened: no such device");
        run(l.list, l.model, l.button);
        EXPECT_EQ(ts.dialogs->boxes().size(), before + 1) << l.button << ": the port's one box";
        EXPECT_EQ(jobWindowsShown(*p), QStringList()) << l.button;
        EXPECT_TRUE(main().isVisible()) << l.button;
        for (const char* name : {"cmdValtest", "cmdCCValTest", "cmdNRIvaltest", "cmdMars", "cmdCCprom",
                                 "cmdNRIprom", "cmdPROMutilities"})
            EXPECT_TRUE(mainC().isEnabled(name)) << l.button << " left " << name << " disabled";
    }
    EXPECT_EQ(sent(), "") << "nothing goes to a port that is not open";

    // The box back: the test opens on it.
    port->setOpenFailure(plat::OpenResult::Ok, {});
    run("cmbCCmech", "C120", "cmdCCValTest");
    EXPECT_TRUE(testOpen());
}

} // namespace
