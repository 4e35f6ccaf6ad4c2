// NRI jobs that must not report a success the mech does not bear out: a record that comes back
// short, a Restore after a partial read, a window's file programming over another mech's read,
// the editor's programming after the window wrote the mech, a page change while the editor
// programs, and the window's Save after a cancelled file.
#include "quenby/memutils/frmnridata.h"
#include "sim/nrimech.h"
#include "tests/quenby/clone_fixture.h"
#include "tests/quenby/datafiles.h"

namespace {

using namespace quenby_tests;
using sim::NriMech;
using sim::When;

struct NriSuccessTest : CloneTest {
    NriMech& nm() { return mech<NriMech>(); }
    // The limits editor of an Edit Limits wizard on a G13-6000.
    void editLimits()
    {
        openMeasure("G13-6000", "cmbNRImech", "cmdNRIprog");
        press(w(), "cmdSpecialUtilities");
        press(w(), "cmdEdit");
        ASSERT_TRUE(editorShown());
        clearSent();
    }
    static constexpr const char* kReadMissing = "The mech's memory could not be read completely";
};

TEST_F(NriSuccessTest, ARecordThatComesBackShortIsNoWholeReadAndIsNotProgrammed)
{
    openMeasure("G13-6000", "cmbNRImech", "cmdNRIprog");
    nm().setRecordFault(3, NriMech::RecordFault::ShortReply); // coin 1's windows, half of them
    press(w(), "cmdSpecialUtilities");
    press(w(), "cmdEdit");
    ASSERT_TRUE(editorShown());
    EXPECT_TRUE(p->memory.coins.clone.mechReadMissing);
    EXPECT_FALSE(p->memory.nri.linesAreTheMechsOf("G13-6000"));
    const QByteArray before = nm().record(3);
    clearSent();
    answer(plat::mb::OK, kReadMissing);
    press(ed(), "cmdProgPROM");
    EXPECT_EQ(sent(), "");
    EXPECT_EQ(nm().record(3), before);
}

TEST_F(NriSuccessTest, RestoreAfterAPartialReadReadsTheMechAgainAndNeverProgramsWhatWasNotRead)
{
    editLimits();
    const QByteArray coin2 = nm().record(5);
    nm().setRecordFault(5, NriMech::RecordFault::NoReply);
    press(ed(), "cmdPROMutilities");
    quenby::frmNRIdata* window = p->nriDataIfLoaded();
    ASSERT_TRUE(window);
    press(window->controls(), "cmdBye");
    ASSERT_TRUE(editorShown());

    // Programming over the read that stopped is refused, and so it is after a Restore that
    // reads the mech again and still misses coin 2.
    answer(plat::mb::OK, kReadMissing);
    press(ed(), "cmdProgPROM");
    clearSent();
    press(ed(), "cmdRestore");
    EXPECT_TRUE(sent().contains("X05")) << "the mech read again";
    EXPECT_TRUE(p->memory.coins.clone.mechReadMissing);
    clearSent();
    answer(plat::mb::OK, kReadMissing);
    press(ed(), "cmdProgPROM");
    EXPECT_EQ(sent(), "");
    EXPECT_EQ(nm().record(5), coin2);

    // Once coin 2 answers, Restore gives it its own windows again and they are programmed.
    nm().setRecordFault(5, NriMech::RecordFault::None);
    press(ed(), "cmdRestore");
    EXPECT_FALSE(p->memory.coins.clone.mechReadMissing);
    answer(plat::mb::OK, "NRI Memory Programmed OK");
    press(ed(), "cmdProgPROM");
    EXPECT_EQ(nm().record(5), coin2);
}

TEST_F(NriSuccessTest, OutputsAndInhibitsTheWindowWroteSurviveTheEditorsProgramming)
{
    editLimits();
    press(ed(), "cmdPROMutilities");
    quenby::frmNRIdata* window = p->nriDataIfLoaded();
    ASSERT_TRUE(window);
    NriMech file("G13-6000");
    file.setRecord(0x0F, "0102030405060708090A0B0C");
    file.setRecord(0x12, "200408102001020408102001");
    writeCoinSet("new.txt", nriFileOf(file));
    answerFile(coinSet("new.txt"));
    answer(plat::mb::OK, "Confirm overwrite Memory");
    answer(plat::mb::OK, "Data Written OK");
    press(window->controls(), "cmdProgramme");
    press(window->controls(), "cmdBye");
    ASSERT_TRUE(editorShown());

    answer(plat::mb::OK, "NRI Memory Programmed OK");
    press(ed(), "cmdProgPROM");
    EXPECT_EQ(nm().record(0x0F), "0102030405060708090A0B0C");
    EXPECT_EQ(nm().record(0x12), "200408102001020408102001");
}

TEST_F(NriSuccessTest, APageChangeWhileTheEditorProgramsIsRefusedAndTheEditStaysPending)
{
    editLimits();
    const plat::Millis t0 = ts.sched->nowMs();
    at(t0 + 1000, [this] {
        ed().get<QLineEdit>("txtProm", 0)->setText("77");
        ed().get<QRadioButton>("optSeg", 1)->click();
    });
    answer(plat::mb::OK, "NRI Memory Programmed OK");
    press(ed(), "cmdProgPROM");
    EXPECT_EQ(ed().value("optSeg", 0), 1) << "the page shown stays";
    EXPECT_TRUE(p->limits.limitsEdited) << "the edit is not in the mech";
    EXPECT_NE(p->memory.coins.coinLimitTable(1, 1), 77);

    // The next programming asks about it and writes it.
    answer(plat::mb::OK, "Limits edited - OK to use new values");
    answer(plat::mb::OK, "NRI Memory Programmed OK");
    press(ed(), "cmdProgPROM");
    EXPECT_EQ(nm().record(3).mid(2, 2), "4D") << "coin 1's first low limit, 77";
}

} // namespace
