// A port that goes away under a job: one report that names the port, nothing more of the job,
// no window on what was read before it went, and the next job from the menu opens it again.
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
