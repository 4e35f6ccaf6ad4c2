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

} // namespace
