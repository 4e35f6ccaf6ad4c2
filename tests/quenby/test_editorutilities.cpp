// The memory windows from the limits editor's "PROM Utilities" and the "Clone Coin Mech" step of
// a CC or NRI coin set run, through the whole program on the simulated box: the family's window
// opened from the editor, its Close back there with the editor's windows over what the window
// programmed, and a blank mech programmed from a data file before the run measures anything.
#include "quenby/memutils/frmeepromdata.h"
#include "quenby/memutils/frmnridata.h"
#include "quenby/memutils/frmpromdata.h"
#include "sim/ccmech.h"
#include "sim/marssocket.h"
#include "sim/nrimech.h"
#include "tests/quenby/clone_fixture.h"
#include "tests/quenby/datafiles.h"
#include "tests/quenby/memwindow_fixture.h"

#include <QComboBox>

namespace {

using namespace quenby_tests;
using sim::When;

struct EditorUtilitiesTest : CloneTest {
    // The limits editor of an Edit Limits wizard on the family's measurement window.
    void editor(const QString& model, const char* list, const char* button)
    {
        openMeasure(model, list, button);
        press(w(), "cmdSpecialUtilities");
        press(w(), "cmdEdit");
        ASSERT_TRUE(editorShown());
        clearSent();
    }
};

TEST_F(EditorUtilitiesTest, TheEepromWindowReturnsToTheEditorWithTheEditorsImage)
{
    editor("C120", "cmbCCmech", "cmdCCprog");
    EXPECT_TRUE(ed().isEnabled("cmdPROMutilities"));
    const quenby::Image editorImage = p->memory.images.progImage;
    auto& cc = mech<sim::CcMech>();
    press(ed(), "cmdPROMutilities");
    EXPECT_TRUE(sent().startsWith("JJ"));
    quenby::frmEEPROMdata* ee = p->eepromDataIfLoaded();
    ASSERT_TRUE(ee && ee->isVisible());
    EXPECT_TRUE(editorShown()) << "the editor stays behind it";
    EXPECT_FALSE(main().isVisible());
    EXPECT_FALSE(mainC().isEnabled("cmdCCprom"));

    std::vector<quint16> words = cc.words();
    words[30] = 0x0A0B;
    writeCoinSet("file.txt", eepromFile(words));
    answerFile(coinSet("file.txt"));
    answer(plat::mb::OK, "Confirm overwrite EEPROM");
    answer(plat::mb::OK, "EEPROM Verified OK");
    press(ee->controls(), "cmdProgramme");
    EXPECT_EQ(cc.word(30), 0x0A0B);
    EXPECT_EQ(p->memory.images.progImage[30], 0x0A0B);
    clearSent();
    press(ee->controls(), "cmdBye");
    EXPECT_EQ(sent(), "W");
    EXPECT_FALSE(p->eepromDataIfLoaded());
    // Built again over what the window wrote: the file's word 30 is channel 9's window, which the
    // editor's limits give again; the checksum word keeps the byte sum the mech now has.
    const quenby::Image& image = p->memory.images.progImage;
    EXPECT_TRUE(std::equal(image.begin(), image.begin() + 127, editorImage.begin())) << "the editor's windows";
    EXPECT_TRUE(editorShown());
    EXPECT_FALSE(main().isVisible());
}

TEST_F(EditorUtilitiesTest, AnEepromWindowWhoseReadWasCutGivesTheEditorNoImageOverIt)
{
    editor("C120", "cmbCCmech", "cmdCCprog");
    auto& cc = mech<sim::CcMech>();
    const std::vector<quint16> before = cc.words();
    press(ed(), "cmdPROMutilities");
    quenby::frmEEPROMdata* ee = p->eepromDataIfLoaded();
    ASSERT_TRUE(ee && ee->isVisible());
    // The window's own read stops at word 60; the Close reads the mech again, whole this time.
    cc.setFault(sim::CcMech::Fault::Silent, When::from(61));
    answer(plat::mb::OK, "Timeout reading Coin Mech EEPROM");
    press(ee->controls(), "cmdReadPROM");
    cc.setFault(sim::CcMech::Fault::Silent, When::never());
    clearSent();
    press(ee->controls(), "cmdBye");
    EXPECT_TRUE(sent().startsWith("J")) << "read again";
    EXPECT_TRUE(sent().endsWith("W"));
    answer(plat::mb::OK, "EEPROM Verified OK");
    press(ed(), "cmdProgPROM");
    EXPECT_EQ(cc.words(), before) << "the mech keeps every word the editor did not change";

    // The Close's read is cut as well: the editor keeps its own image and programs nothing until
    // Restore Limits has read the mech whole.
    press(ed(), "cmdPROMutilities");
    ee = p->eepromDataIfLoaded();
    ASSERT_TRUE(ee && ee->isVisible());
    cc.setFault(sim::CcMech::Fault::Silent, When::from(61));
    answer(plat::mb::OK, "Timeout reading Coin Mech EEPROM");
    press(ee->controls(), "cmdReadPROM");
    answer(plat::mb::OK, "Timeout reading Coin Mech EEPROM");
    answer(plat::mb::OK, "Press Restore Limits to read the mech again before programming.");
    press(ee->controls(), "cmdBye");
    cc.setFault(sim::CcMech::Fault::Silent, When::never());
    EXPECT_TRUE(editorShown());
    answer(plat::mb::OK, "Press Restore Limits to read the mech again before programming.");
    clearSent();
    press(ed(), "cmdProgPROM");
    EXPECT_TRUE(MemoryWindowTest::writeFrames(sent()).isEmpty());
    press(ed(), "cmdRestore");
    answer(plat::mb::OK, "EEPROM Verified OK");
    press(ed(), "cmdProgPROM");
    EXPECT_EQ(cc.words(), before);
}

TEST_F(EditorUtilitiesTest, AnEepromReadCutAtOpeningOpensNoWindowOverTheEditor)
{
    editor("435", "cmbCCmech", "cmdCCprog");
    auto& cc = mech<sim::CcMech>();
    const std::vector<quint16> before = cc.words();
    const quenby::Image editorImage = p->memory.images.progImage;
    cc.setFault(sim::CcMech::Fault::Silent, When::from(51));
    answer(plat::mb::OK, "Timeout reading Coin Mech EEPROM");
    press(ed(), "cmdPROMutilities");
    cc.setFault(sim::CcMech::Fault::Silent, When::never());
    EXPECT_FALSE(p->eepromDataIfLoaded() && p->eepromDataIfLoaded()->isVisible()) << "no window on words 0-49";
    EXPECT_TRUE(sent().endsWith("W"));
    EXPECT_TRUE(editorShown());
    EXPECT_EQ(p->memory.images.progImage, editorImage);
    EXPECT_TRUE(mainC().isEnabled("cmdCCprom"));
    answer(plat::mb::OK, "EEPROM Verified OK");
    press(ed(), "cmdProgPROM");
    EXPECT_EQ(cc.words(), before);
}

TEST_F(EditorUtilitiesTest, AnEditAfterACutVerifyIsProgrammedOverTheWholeMemory)
{
    editor("C120", "cmbCCmech", "cmdCCprog");
    auto& cc = mech<sim::CcMech>();
    const std::vector<quint16> before = cc.words();
    // The verify's read-back stops at word 60: readImage holds words 0-59 only.
    cc.setFault(sim::CcMech::Fault::Silent, When::from(61));
    answer(plat::mb::OK, "Timeout reading Coin Mech EEPROM");
    answer(plat::mb::OK, "EEPROM Verify FAIL");
    press(ed(), "cmdProgPROM");
    cc.setFault(sim::CcMech::Fault::Silent, When::never());
    ed().setText("txtProm", "11", 0);
    press(ed(), "cmdChangeLimits");
    answer(plat::mb::OK, "EEPROM Verified OK");
    press(ed(), "cmdProgPROM");
    for (int a = 60; a < 127; ++a)
        EXPECT_EQ(cc.word(a), before[size_t(a)]) << "word " << a;
    EXPECT_TRUE(cc.byteSumOk());
    EXPECT_NE(cc.words(), before) << "the edit went in";
}

TEST_F(EditorUtilitiesTest, RestoreAfterACutVerifyKeepsTheWindowsOfTheWholeRead)
{
    editor("C120", "cmbCCmech", "cmdCCprog");
    auto& cc = mech<sim::CcMech>();
    const std::vector<quint16> before = cc.words();
    cc.setFault(sim::CcMech::Fault::Silent, When::from(11));
    answer(plat::mb::OK, "Timeout reading Coin Mech EEPROM");
    answer(plat::mb::OK, "EEPROM Verify FAIL");
    press(ed(), "cmdProgPROM");
    cc.setFault(sim::CcMech::Fault::Silent, When::never());
    press(ed(), "cmdRestore");
    answer(plat::mb::OK, "EEPROM Verified OK");
    press(ed(), "cmdProgPROM");
    EXPECT_EQ(cc.words(), before) << "every channel keeps the windows the mech held";
}

TEST_F(EditorUtilitiesTest, TheNriWindowReadsTheMechAndReturnsToTheEditor)
{
    editor("G13-6000", "cmbNRImech", "cmdNRIprog");
    press(ed(), "cmdPROMutilities");
    EXPECT_TRUE(sent().startsWith("JJ"));
    EXPECT_TRUE(sent().contains("X1B")) << "the memory read for its window";
    quenby::frmNRIdata* nri = p->nriDataIfLoaded();
    ASSERT_TRUE(nri && nri->isVisible());
    EXPECT_FALSE(mainC().isEnabled("cmdNRIprom"));
    EXPECT_TRUE(p->memory.nri.linesAreTheMechsOf("G13-6000")) << "a file of some records may keep the others";
    clearSent();
    nri->close(); // the close box
    wait(20);
    EXPECT_EQ(sent(), "W");
    EXPECT_TRUE(editorShown());
    EXPECT_FALSE(main().isVisible());
}

TEST_F(EditorUtilitiesTest, ThePromViewShowsTheImageLastReadAtTheEditorsLockedSize)
{
    openMars("ME111", true, {1});
    editMars();
    press(ed(), "cmdPROMutilities");
    EXPECT_EQ(sent(), "JJ") << "nothing is read for it";
    quenby::frmPROMdata* view = p->promDataIfLoaded();
    ASSERT_TRUE(view && view->isVisible());
    plat::NamedControls& v = view->controls();
    EXPECT_FALSE(v.isEnabled("cmbSize"));
    EXPECT_EQ(v.text("cmbSize"), "2K");
    EXPECT_EQ(v.items("cmbDisplay").size(), 4);
    EXPECT_FALSE(v.text("lblPROM2").isEmpty()) << "the image to program";
    EXPECT_FALSE(mainC().isEnabled("cmdPROMutilities"));
    press(v, "cmdBye");
    EXPECT_EQ(sent(), "JJW");
    EXPECT_TRUE(ed().isEnabled("cmdPROMutilities"));
    EXPECT_TRUE(mainC().isEnabled("cmdPROMutilities"));
    EXPECT_TRUE(editorShown());
    EXPECT_EQ(p->memory.promSize, 1);
}

TEST_F(EditorUtilitiesTest, CloneCoinMechProgrammesABlankCcMechBeforeTheRun)
{
    openMeasure("C120", "cmbCCmech", "cmdCCprog");
    EXPECT_TRUE(w().isEnabled("chkduplicate"));
    box.swapMech("C120", true);
    const std::vector<quint16> typical = sim::CcMech("C120").words();
    writeCoinSet("clone.txt", eepromFile(typical));
    w().setValue("chkduplicate", 1);
    answerFile(coinSet("clone.txt"));
    answer(plat::mb::OK, "Confirm overwrite EEPROM");
    answer(plat::mb::OK, "EEPROM Verified OK");
    answerFile(QString()); // the coin set: none chosen, the run ends quietly
    press(w(), "cmdOpenCoinset");
    EXPECT_EQ(mech<sim::CcMech>().words(), typical);
    EXPECT_EQ(ts.dialogs->fileDialogs.back(), "open|Open Coinset File|*.cst|" + ts.folder() + "/CoinSets/")
        << "the run went on";
}

TEST_F(EditorUtilitiesTest, CloneCoinMechWritesTheSecondMechOfTheSessionAsWholeAsTheFirst)
{
    openMeasure("C120", "cmbCCmech", "cmdCCprog");
    std::vector<quint16> words = sim::CcMech("C120").words();
    words[30] = 0x0A0B;
    writeCoinSet("clone.txt", eepromFile(words));
    w().setValue("chkduplicate", 1);
    for (int n = 1; n <= 2; ++n) {
        box.swapMech("C120", true);
        answerFile(coinSet("clone.txt"));
        answer(plat::mb::OK, "Confirm overwrite EEPROM");
        answer(plat::mb::OK, "EEPROM Verified OK");
        answerFile(QString());
        press(w(), "cmdOpenCoinset");
        EXPECT_EQ(mech<sim::CcMech>().words(), words) << "mech " << n;
    }
}

TEST_F(EditorUtilitiesTest, RoutingProgrammedInTheEepromWindowSurvivesTheEditorsProgramming)
{
    // A coin set with a route record: the editor's image carries the set's routing (coin 1: 1).
    openMeasure("435", "cmbCCmech", "cmdCCprog");
    writeCoinSet("r.cst", set435(true));
    answerFile(coinSet("r.cst"));
    gatherYes("a", Readings(3, Reading{100, 100, 100, 100, 100}));
    answer(plat::mb::OK, "Data Gathering Complete");
    press(w(), "cmdOpenCoinset");
    ASSERT_TRUE(editorShown());
    ASSERT_EQ(p->memory.images.progImage[128], 1);
    auto& cc = mech<sim::CcMech>();
    press(ed(), "cmdPROMutilities");
    quenby::frmEEPROMdata* ee = p->eepromDataIfLoaded();
    ASSERT_TRUE(ee && ee->isVisible());
    plat::NamedControls& v = ee->controls();
    v.setValue("cmbDisplay", 2);
    emit v.get<QComboBox>("cmbDisplay")->activated(2);
    v.setText("txtSort", "d", 63); // the mech holds a path that has no letter
    const QStringList paths{"A", "B", "C", "D"};
    for (int i = 0; i < 4; ++i)
        v.setText("txtSort", paths[i], i);
    answer(plat::mb::OK, "Confirm overwrite EEPROM");
    answer(plat::mb::OK, "EEPROM Verified OK");
    press(v, "cmdRouting");
    ASSERT_EQ(cc.word(128), 0x0123);
    press(v, "cmdBye");
    ASSERT_TRUE(editorShown());

    answer(plat::mb::OK, "EEPROM Verified OK");
    press(ed(), "cmdProgPROM");
    EXPECT_EQ(cc.word(128), 0x0123) << "coin 1's paths as the window programmed them";
    EXPECT_EQ(cc.word(16), 20 * 256 + 10) << "the set's window";
    EXPECT_TRUE(cc.byteSumOk());
}

TEST_F(EditorUtilitiesTest, CloneCoinMechRefusesAPartialNriFileAndTheRunStops)
{
    openMeasure("G13-6000", "cmbNRImech", "cmdNRIprog");
    box.swapMech("G13-6000", true);
    writeCoinSet("part.txt", "5,\"0A14\"\r\n");
    w().setValue("chkduplicate", 1);
    answerFile(coinSet("part.txt"));
    answer(plat::mb::OK, "record 1 missing; all 28 needed");
    press(w(), "cmdOpenCoinset");
    EXPECT_EQ(ts.dialogs->fileDialogs.size(), 1u) << "no coin set asked for";
    EXPECT_TRUE(sent().isEmpty());

    const sim::NriMech typical("G13-6000");
    writeCoinSet("whole.txt", nriFileOf(typical));
    answerFile(coinSet("whole.txt"));
    answer(plat::mb::OK, "Confirm overwrite Memory");
    answer(plat::mb::OK, "Data Written OK");
    answerFile(QString());
    press(w(), "cmdOpenCoinset");
    EXPECT_EQ(mech<sim::NriMech>().record(4), typical.record(4));
    EXPECT_FALSE(p->nriDataIfLoaded()) << "no window for it";
}

} // namespace

namespace {

TEST_F(EditorUtilitiesTest, RestoreAfterTheEepromWindowsReadStoppedReadsTheMechAgain)
{
    editor("C120", "cmbCCmech", "cmdCCprog");
    auto& cc = mech<sim::CcMech>();
    const quenby::Image editorImage = p->memory.images.progImage;
    cc.setFault(sim::CcMech::Fault::BadCheckByte, sim::When::always());
    answer(plat::mb::OK); // the read's own report of the bad word
    press(ed(), "cmdPROMutilities");
    quenby::frmEEPROMdata* ee = p->eepromDataIfLoaded();
    if (ee)
        press(ee->controls(), "cmdBye");
    ASSERT_TRUE(editorShown());
    ASSERT_FALSE(p->memory.images.holdsWholeMemoryOf("C120"));

    cc.setFault(sim::CcMech::Fault::BadCheckByte, sim::When::never());
    clearSent();
    press(ed(), "cmdRestore");
    EXPECT_FALSE(sent().isEmpty()) << "the mech read again";
    EXPECT_TRUE(p->memory.images.holdsWholeMemoryOf("C120"));
    const quenby::Image& image = p->memory.images.progImage;
    EXPECT_TRUE(std::equal(image.begin(), image.begin() + 127, editorImage.begin())) << "the mech's own windows";
}

} // namespace

namespace {

TEST_F(EditorUtilitiesTest, AnNriReadCutByALostPortOpensNoWindowOverTheEditor)
{
    editor("G13-6000", "cmbNRImech", "cmdNRIprog");
    box.setFault(sim::QuenbyBox::Fault::HangUpOnByteIn, When::from(40)); // a few records in
    answer(plat::mb::OK, "The connection to the programmer box on COM1 was lost.");
    press(ed(), "cmdPROMutilities");
    EXPECT_EQ(boxesShown(), 1);
    EXPECT_FALSE(p->nriDataIfLoaded() && p->nriDataIfLoaded()->isVisible()) << "no window on a part of the memory";
    EXPECT_TRUE(editorShown());
    EXPECT_TRUE(mainC().isEnabled("cmdNRIprom"));
}

} // namespace
