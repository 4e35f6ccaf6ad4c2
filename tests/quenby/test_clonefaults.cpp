// The cloning road when the box or the mech misbehaves: an old PROM read that loses its top
// line, a row never acknowledged, a nibble that does not stick, an unanswered "M" or "E", a box
// that hangs up while a PROM burns, a CC word refused or a logon that fails while programming.
// None of them ends in a success box or an enabled validator test.
#include "sim/ccmech.h"
#include "sim/marssocket.h"
#include "tests/quenby/clone_fixture.h"

#include <QRadioButton>

namespace {

using namespace quenby_tests;
using sim::MarsProm;
using sim::When;

struct FaultTest : CloneTest {};

TEST_F(FaultTest, AnOldPromReadWithoutItsTopLineKeepsProgrammingBackUntilARestoreReadsItAll)
{
    openMars();
    socket->setFault(sim::MarsSocket::Fault::TopLineLost, When::first(1));
    press(w(), "cmdSpecialUtilities");
    answer(plat::mb::OK, "Insert Old PROM to COPY");
    answer(plat::mb::OK, "Unable to Read PROM : timed out");
    answer(plat::mb::OK, "Remove OLD PROM from Socket");
    press(w(), "cmdEdit");
    ASSERT_TRUE(editorShown());
    EXPECT_TRUE(p->memory.coins.clone.mechReadMissing);
    EXPECT_FALSE(p->memory.coins.clone.oldImageTaken);
    EXPECT_EQ(ed().text("txtProm", 0), "0") << "no window from a read that stopped";
    clearSent();
    answer(plat::mb::OK, "The mech's memory could not be read completely");
    press(ed(), "cmdProgPROM");
    EXPECT_EQ(sent(), "");

    // Restore Limits reads the PROM again, this time whole.
    answer(plat::mb::OK, "Insert Old PROM to COPY");
    answerAfter(plat::mb::OK, [this] { socket->remove(); }, "Remove OLD PROM");
    press(ed(), "cmdRestore");
    EXPECT_FALSE(p->memory.coins.clone.mechReadMissing);
    EXPECT_EQ(ed().text("txtProm", 0), QString::number(sim::MarsSocket::typicalWindows(1)[0].first));
    burnBlank();
    EXPECT_TRUE(ed().isEnabled("cmdValtest"));
}

TEST_F(FaultTest, UnansweredMIsWaitedForAndTheWindowStillOpens)
{
    start("ME111");
    box.setFault(sim::QuenbyBox::Fault::MUnanswered, When::always());
    run("cmbMarsMech", "ME111", "cmdMars");
    EXPECT_TRUE(measureShown());
    const auto m = sentAt("M");
    ASSERT_EQ(m.size(), 3u) << "the check's, then CoinInitialise's at loading and at opening";
    EXPECT_GE(m[2] - m[1], 780) << "800 ms on the 20 ms countdown";
}

TEST_F(FaultTest, ARowNeverAcknowledgedIsWaitedForFiveSecondsAndTheVerifyDecides)
{
    openMars();
    editMars();
    socket->setFault(sim::MarsSocket::Fault::RowAckMissing, When::first(1));
    burnBlank();
    const QByteArray firstRow = socket->rowsBurnt().first().toLatin1() + "\r";
    const auto at = sentAt(firstRow);
    ASSERT_EQ(at.size(), 3u);
    EXPECT_GE(at[1] - at[0], 5000) << "its Z never came";
    EXPECT_LT(at[2] - at[1], 200);
    EXPECT_TRUE(ed().isEnabled("cmdValtest")) << "the row was burnt: the verify finds it right";
    EXPECT_EQ(socket->rowsBurnt().size(), 24);
}

TEST_F(FaultTest, ANibbleThatDoesNotStickFailsTheVerify)
{
    openMars();
    editMars();
    socket->nibbleDoesNotStickAt(5);
    answerAfter(plat::mb::OK, [this] {
        socket->insert(MarsProm::blank(256));
        socket->nibbleDoesNotStickAt(5);
    }, "Insert 1K");
    answer(plat::mb::OK, "Verify PROM FAILED");
    press(ed(), "cmdProgPROM");
    EXPECT_FALSE(ed().isEnabled("cmdValtest"));
    EXPECT_TRUE(sent().endsWith("W"));
}

TEST_F(FaultTest, UnansweredEBeforeAnOmbrixPromIsWaitedFor)
{
    openMars();
    editMars();
    ed().get<QRadioButton>("optOmbrixPROM")->click();
    box.setFault(sim::QuenbyBox::Fault::EUnanswered, When::first(1));
    answer(plat::mb::Cancel, "Insert Ombrix E+1 PROM");
    press(ed(), "cmdProgPROM");
    EXPECT_GE(ts.dialogs->boxes().back().at - sentAt("E").back(), 780);
}

TEST_F(FaultTest, HangUpWhileBurningIsReportedOnceAndNothingSucceeds)
{
    openMars();
    editMars();
    answerAfter(plat::mb::OK, [this] {
        socket->insert(MarsProm::blank(256));
        box.setFault(sim::QuenbyBox::Fault::HangUpOnByteIn, When::from(60)); // mid-burn
    }, "Insert 1K");
    answer(plat::mb::OK, "the programmer box hung up - 8018\r\n\r\nThe connection to the programmer box on COM1 "
                         "was lost.\r\nThe mech may be half-written");
    press(ed(), "cmdProgPROM");
    EXPECT_EQ(boxTitles().mid(3).size(), 1) << "one report of the hang-up, no box of the burn after it";
    EXPECT_FALSE(ed().isEnabled("cmdValtest"));
    EXPECT_FALSE(p->guard.jobRunning());
}

struct CcFaultTest : FaultTest {
    sim::CcMech* cc = nullptr;
    void editCc()
    {
        openMeasure("C120", "cmbCCmech", "cmdCCprog");
        cc = &mech<sim::CcMech>();
        press(w(), "cmdSpecialUtilities");
        press(w(), "cmdEdit");
        ASSERT_TRUE(editorShown());
        ed().setText("txtProm", "33", 0);
        press(ed(), "cmdChangeLimits");
        clearSent();
    }
};

TEST_F(CcFaultTest, ARefusedWordEndsTheWriteAndTheVerifyFails)
{
    editCc();
    cc->refuseWritesAt(10);
    answer(plat::mb::OK, "10");
    answer(plat::mb::OK, "EEPROM Verify FAIL");
    press(ed(), "cmdProgPROM");
    EXPECT_FALSE(ed().isEnabled("cmdValtest"));
    EXPECT_TRUE(sent().endsWith("WW"));
}

TEST_F(CcFaultTest, ALogonThatFailsWhileProgrammingWritesNothing)
{
    editCc();
    cc->setFault(sim::CcMech::Fault::LogonUnanswered, When::always());
    answer(plat::mb::OK, "Timeout reading Coin Mech EEPROM");
    answer(plat::mb::OK, "EEPROM Verify FAIL");
    press(ed(), "cmdProgPROM");
    EXPECT_TRUE(cc->addressesWritten().isEmpty());
    EXPECT_FALSE(ed().isEnabled("cmdValtest"));
}

} // namespace

namespace {

TEST_F(FaultTest, TheEditorsValidatorTestOpensNoWindowOnAPortThatWillNotOpenAgain)
{
    openMars();
    editMars();
    burnBlank();
    ASSERT_TRUE(ed().isEnabled("cmdValtest"));
    answer(plat::mb::OK, "The connection to the programmer box on COM1 was lost.");
    port->hangUp("the programmer box hung up");
    wait(100);
    port->setOpenFailure(plat::OpenResult::NoSuchDevice, "no such device");
    clearSent();
    answer(plat::mb::OK, "COM1 (sim:COM1) cannot be opened: no such device");
    press(ed(), "cmdValtest");
    EXPECT_FALSE(testOpen());
    EXPECT_TRUE(editorShown()) << "the editor stays";
    EXPECT_TRUE(ed().isEnabled("cmdValtest")) << "and its test can be started again";
    EXPECT_TRUE(mainC().isEnabled("cmdValtest"));
    EXPECT_EQ(sent(), "");

    port->setOpenFailure(plat::OpenResult::Ok, {});
    press(ed(), "cmdValtest");
    EXPECT_TRUE(testOpen());
}

} // namespace
