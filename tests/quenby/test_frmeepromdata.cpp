// The CC EEPROM window from its launcher on the simulated box: the views of what was read, the
// 435's routing editor, saving and programming from data files, and leaving it.
#include "quenby/link/familytable.h"
#include "quenby/memutils/promimage.h"
#include "sim/ccmech.h"
#include "sim/sentinelmech.h"
#include "tests/quenby/memwindow_fixture.h"

namespace {

using namespace quenby_tests;
using CcFault = sim::CcMech::Fault;
using sim::When;

QString hex4(int w) { return QStringLiteral("%1").arg(w, 4, 16, QLatin1Char('0')).toUpper(); }

struct EepromWindowTest : MemoryWindowTest {
    // The window opened by "EEPROM Utilities" with a mech of the model in the box.
    void open(const QString& model)
    {
        start(model);
        run("cmbCCmech", model, "cmdCCprom");
        clearSent();
    }
    // Closed, and opened again by its launcher.
    void reopen(const QString& model)
    {
        press(ee(), "cmdBye");
        run("cmbCCmech", model, "cmdCCprom");
        clearSent();
    }
    sim::CcMech& cc() { return mech<sim::CcMech>(); }
    QStringList rowLabels()
    {
        QStringList out;
        for (const QString& row : ee().text("lblPROM").split("\r\n"))
            if (row.trimmed().size() > 2)
                out << row.trimmed().left(2);
        return out;
    }
    // "Programme from File" with this file, answered OK at the confirmation.
    void programmeFrom(const QString& name)
    {
        ts.dialogs->answerFile(coinSet(name));
        ts.dialogs->answer(plat::mb::OK, "Confirm overwrite EEPROM");
    }
};

TEST_F(EepromWindowTest, OpensInFrontOfTheLockedMenuWithTheHexViewOfWhatWasRead)
{
    open("435");
    quenby::frmEEPROMdata* w = p->eepromDataIfLoaded();
    ASSERT_TRUE(shown(w));
    EXPECT_FALSE(main().isVisible());
    EXPECT_EQ(w->windowTitle(), "EEPROM Utilities");
    EXPECT_EQ(ee().text("lblmechType"), "435");
    EXPECT_EQ(ee().items("cmbDisplay"), (QStringList{"Hex Data ", "Limits", "Other Information"}));
    EXPECT_EQ(ee().value("cmbDisplay"), 0);
    EXPECT_TRUE(fixedPitch(ee().get<QLabel>("lblPROM")));
    // 256 words: rows 00 to F0, the first after two blanks, the others after three.
    const QStringList rows = rowLabels();
    ASSERT_EQ(rows.size(), 16);
    EXPECT_EQ(rows.front(), "00");
    EXPECT_EQ(rows.back(), "F0");
    EXPECT_TRUE(ee().text("lblPROM").startsWith("  00 " + hex4(cc().word(0)) + " "));
    EXPECT_TRUE(ee().text("lblPROM").contains("\r\n   10 " + hex4(cc().word(16)) + " "));
    EXPECT_TRUE(ee().isVisible("cmdProgramme") && !ee().isVisible("cmdRouting") && !ee().isVisible("frm435"));
    EXPECT_EQ(ee().text("Label2").mid(97, 6), " Coin ");
    EXPECT_TRUE(ts.dialogs->boxes().empty());
}

TEST_F(EepromWindowTest, SentinelViews)
{
    open("Sentinel");
    EXPECT_EQ(rowLabels(), (QStringList{"00", "10", "20", "30"}));
    choose(ee(), "cmbDisplay", 2);
    const QString sorts = ee().text("lblPROM");
    EXPECT_TRUE(sorts.startsWith(QString(35, ' ') + "Sentinel Routing\r\n"));
    // Word 54 holds 0x89AB: coins 1 to 4 sort A, C, B, D, the most significant nibble first.
    const QString row = "\r\n" + QString(30, ' ') + "Coin %1" + QString(10, ' ') + "Route : %2";
    EXPECT_TRUE(sorts.contains(row.arg("01", "A") + row.arg("02", "C") + row.arg("03", "B") + row.arg("04", "D")));
}

TEST_F(EepromWindowTest, C120Views)
{
    open("C120");
    choose(ee(), "cmbDisplay", 2);
    // Coin 1: first column byte 0 of word 109 (1), second column the high byte of word 82 (0x01).
    EXPECT_TRUE(ee().text("lblPROM").contains("Coin 01" + QString(15, ' ') + "1     " + QString(15, ' ') + "1\r\n"));
    EXPECT_TRUE(ee().text("lblPROM").contains("Coin 08" + QString(15, ' ') + "Hex 41" + QString(15, ' ') + "2\r\n"));
    choose(ee(), "cmbDisplay", 1);
    EXPECT_TRUE(ee().text("lblPROM").startsWith(QString(6 + 8, ' ')));
    EXPECT_FALSE(ee().isVisible("frm435"));
}

// ---- the 435's routing editor ----

TEST_F(EepromWindowTest, The435sOtherInformationIsItsRoutingEditor)
{
    open("435");
    choose(ee(), "cmbDisplay", 2);
    EXPECT_TRUE(ee().isVisible("frm435"));
    EXPECT_FALSE(ee().isVisible("lblPROM"));
    EXPECT_FALSE(ee().isVisible("cmdProgramme"));
    EXPECT_TRUE(ee().isVisible("cmdRouting"));
    // Word 128 = 0x3210: coin 0's paths D, C, B, A; word 143's top nibble 9 names no path.
    EXPECT_EQ((QStringList{ee().text("txtSort", 0), ee().text("txtSort", 1), ee().text("txtSort", 2), ee().text("txtSort", 3)}),
              (QStringList{"D", "C", "B", "A"}));
    EXPECT_EQ(ee().text("txtSort", 63), "?");
    EXPECT_EQ(ee().text("txtCode", 1), "0001") << "word 110 = 0x3210";
    EXPECT_EQ(ee().text("txtCode", 15), "1111") << "word 113 = 0xFEDC";
    EXPECT_EQ(ee().value("optMemory"), 1);
    EXPECT_EQ(ee().text("txtPlugDefault"), "B") << "word 204's high byte 2";
    EXPECT_TRUE(sentSince().isEmpty()) << "a view sends nothing";
}

TEST_F(EepromWindowTest, ProgrammeRoutingWritesTheChangedWordsAndTheChecksumThenShowsTheReadBack)
{
    open("435");
    choose(ee(), "cmbDisplay", 2);
    const QStringList paths{"A", "B", "C", "D"};
    const QStringList codes{"0001", "0010", "0100", "1000"};
    ee().setText("txtSort", "d", 63); // the mech holds a path that has no letter
    for (int i = 0; i < 4; ++i) {
        ee().setText("txtSort", paths[i], i);
        ee().setText("txtCode", codes[i], i);
    }
    ts.dialogs->answer(plat::mb::OK, "Confirm overwrite EEPROM");
    ts.dialogs->answer(plat::mb::OK, "EEPROM Verified OK");
    press(ee(), "cmdRouting");
    const QByteArray sent = sentSince();
    EXPECT_TRUE(sent.startsWith("J")) << sent.toHex().toStdString();
    EXPECT_TRUE(sent.endsWith("W"));
    const QList<QByteArray> frames = writeFrames(sent.left(sent.indexOf("yy")));
    ASSERT_EQ(frames.size(), 4) << "words 110, 127, 128 and 143 only";
    EXPECT_EQ(frames[0], bytes({0x7A, 0x6E, 0x84, 0x21, 0x8D}));
    EXPECT_EQ(frames[1].left(2), bytes({0x7A, 0x7F}));
    EXPECT_EQ(frames[2], bytes({0x7A, 0x80, 0x01, 0x23, 0x1E}));
    EXPECT_EQ(frames[3].left(3), bytes({0x7A, 0x8F, 0x71})) << "0x9107 with path 4 mended to d";
    EXPECT_TRUE(cc().byteSumOk()) << "the checksum word keeps the byte sum";
    EXPECT_EQ(cc().word(128), 0x0123);
    EXPECT_EQ(ee().text("txtSort", 0), "A") << "redrawn from what was read back";
    EXPECT_EQ(ee().text("txtCode", 3), "1000");
}

TEST_F(EepromWindowTest, RoutingThatCannotBeEncodedOrIsCancelledSendsNothing)
{
    open("435");
    choose(ee(), "cmbDisplay", 2);
    ee().setText("txtSort", "a", 63);
    struct Edit {
        const char* box;
        int index;
        const char* text;
        const char* message;
    };
    const Edit edits[] = {
        {"txtSort", 5, "E", "Invalid Routing Path entered"},
        {"txtSort", 5, "AB", "Invalid Routing Path entered"},
        {"txtSort", 5, "", "Invalid Routing Path entered"},
        {"txtCode", 2, "010", "Invalid Binary Code entered"},
        {"txtCode", 2, "01x1", "Invalid Binary Code entered"},
        {"txtPlugDefault", -1, "?", "Invalid Routing Path entered"},
        {"txtPlugDefault", -1, "", "Invalid Routing Path entered"},
    };
    for (const Edit& e : edits) {
        const QString before = ee().text(e.box, e.index);
        ee().setText(e.box, e.text, e.index);
        ts.dialogs->answer(plat::mb::OK, e.message);
        press(ee(), "cmdRouting");
        EXPECT_EQ(ts.dialogs->boxes().back().title, "Error");
        EXPECT_EQ(ee().text(e.box, e.index), e.text) << "the edit stays for the user to mend";
        ee().setText(e.box, before, e.index);
    }
    ee().setValue("optPlug", 1);
    ts.dialogs->answer(plat::mb::Cancel, "Confirm overwrite EEPROM");
    press(ee(), "cmdRouting");
    EXPECT_TRUE(sentSince().isEmpty()) << sentSince().toStdString();
    EXPECT_EQ(cc().word(11) & 0x100, 0x100);
    EXPECT_EQ(ee().value("optPlug"), 1);
}

// ---- saving ----

TEST_F(EepromWindowTest, SaveForcesTxtOnTheFileNameOnlyAndAsksBeforeReplacing)
{
    open("C120");
    ts.dialogs->answerFile(coinSet("coins.dat"));
    press(ee(), "cmdSave");
    EXPECT_EQ(ts.dialogs->fileDialogs.back(), "save|File Save|*.txt|" + coinSet(""));
    const QByteArray saved = readCoinSet("coins.txt");
    EXPECT_EQ(saved.count("\r\n"), 128);
    EXPECT_TRUE(saved.startsWith("0," + QByteArray::number(cc().word(0)) + "\r\n1,"));
    EXPECT_TRUE(saved.endsWith("\r\n127," + QByteArray::number(cc().word(127)) + "\r\n"));

    // A dot in a folder name is no extension.
    QDir(ts.folder()).mkpath("CoinSets/quenby-1.2");
    ts.dialogs->answerFile(coinSet("quenby-1.2/coins"));
    press(ee(), "cmdSave");
    EXPECT_TRUE(ts.fileExists("CoinSets/quenby-1.2/coins.txt"));
    EXPECT_FALSE(ts.fileExists("CoinSets/quenby-1.txt"));

    writeCoinSet("coins.txt", "kept");
    ts.dialogs->answerFile(coinSet("coins"));
    ts.dialogs->answer(plat::mb::Cancel, "Overwrite Existing File");
    press(ee(), "cmdSave");
    EXPECT_EQ(readCoinSet("coins.txt"), "kept");
    EXPECT_EQ(ts.dialogs->boxes().back().title, "Warning");
    ts.dialogs->answerFile(coinSet("coins.txt"));
    ts.dialogs->answer(plat::mb::OK, "Overwrite Existing File");
    press(ee(), "cmdSave");
    EXPECT_EQ(readCoinSet("coins.txt"), saved);
    EXPECT_TRUE(sentSince().isEmpty());
}

TEST_F(EepromWindowTest, AReadThatStoppedIsNotSaved)
{
    open("C120");
    cc().setFault(CcFault::BadCheckByte, When::from(6));
    ts.dialogs->answer(plat::mb::OK, "Checksum Error reading Coin Mech EEPROM Address:5");
    press(ee(), "cmdReadPROM");
    writeCoinSet("old.txt", "old");
    ts.dialogs->answerFile(coinSet("old.txt"));
    ts.dialogs->answer(plat::mb::OK, "Overwrite Existing File");
    ts.dialogs->answer(plat::mb::OK, " 720 Error Programming EEPROM routine : ");
    press(ee(), "cmdSave");
    EXPECT_TRUE(ts.dialogs->boxes().back().text.contains("read stopped at word 5"));
    EXPECT_EQ(readCoinSet("old.txt"), "old");
    EXPECT_TRUE(ee().isEnabled("cmdReadPROM"));
}

TEST_F(EepromWindowTest, AReadCutShortShowsOnlyTheWordsItReadAndOpensNoWindow)
{
    // From the main menu: a 435 that sends 2 of the 4 bytes of word 50 opens no window.
    start("435");
    const std::vector<quint16> w = cc().words();
    cc().setFault(CcFault::HalfWordReply, When::from(51));
    ts.dialogs->answer(plat::mb::OK, "Timeout reading Coin Mech EEPROM");
    run("cmbCCmech", "435", "cmdCCprom");
    EXPECT_FALSE(shown(p->eepromDataIfLoaded()));
    EXPECT_TRUE(main().isVisible());
    EXPECT_TRUE(mainC().isEnabled("cmdCCprom"));

    // In the window, its own read cut the same way: the words from 50 on are not read, and no
    // view shows a value for them.
    cc().setFault(CcFault::HalfWordReply, When::never());
    run("cmbCCmech", "435", "cmdCCprom");
    ASSERT_TRUE(shown(p->eepromDataIfLoaded()));
    cc().setFault(CcFault::HalfWordReply, When::from(51));
    ts.dialogs->answer(plat::mb::OK, "Timeout reading Coin Mech EEPROM");
    press(ee(), "cmdReadPROM");
    const QString hex = ee().text("lblPROM");
    EXPECT_TRUE(hex.contains("30 " + hex4(w[48]) + " " + hex4(w[49]) + " ---- ----")) << hex.toStdString();
    EXPECT_EQ(hex.count("----"), 256 - 50);
    choose(ee(), "cmbDisplay", 1);
    EXPECT_TRUE(ee().text("lblPROM").contains(" --- ---    ")) << "windows of parameter 3 on";
    choose(ee(), "cmbDisplay", 2);
    EXPECT_FALSE(ee().isVisible("frm435")) << "no routing decoded from words not read";
    EXPECT_EQ(ee().text("lblPROM"), hex);
}

TEST_F(EepromWindowTest, AReadCutByALostPortShowsOnlyTheWordsItRead)
{
    open("C120");
    box.setFault(sim::QuenbyBox::Fault::HangUpOnByteIn, When::from(100));
    ts.dialogs->answer(plat::mb::OK, " 809 Error in COM port reception routine : ");
    press(ee(), "cmdReadPROM");
    const QString hex = ee().text("lblPROM");
    EXPECT_GT(hex.count("----"), 64) << hex.toStdString();
    EXPECT_FALSE(hex.contains("0000 0000 0000 0000")) << hex.toStdString();
}

// ---- programming from a file ----

TEST_F(EepromWindowTest, OneChangedWordIsTheOneFrameWrittenAndVerified)
{
    open("C120");
    std::vector<quint16> words = cc().words();
    words[20] = 0x1234;
    writeCoinSet("one.txt", eepromFile(words));
    ts.dialogs->answerFile(coinSet("one.txt"));
    ts.dialogs->answer(plat::mb::OK, "Confirm overwrite EEPROM");
    ts.dialogs->answer(plat::mb::OK, "EEPROM Verified OK");
    press(ee(), "cmdProgramme");
    EXPECT_EQ(ts.dialogs->fileDialogs.back(), "open|Open File|*.txt|" + coinSet(""));
    EXPECT_EQ(ts.dialogs->boxes().front().title, "Write EEPROM");
    const QByteArray sent = sentSince();
    EXPECT_TRUE(sent.startsWith("J") && sent.endsWith("W"));
    EXPECT_EQ(writeFrames(sent), QList<QByteArray>{bytes({0x7A, 0x14, 0x12, 0x34, 0xD4})}) << "no checksum of its own";
    EXPECT_EQ(cc().word(20), 0x1234);
    EXPECT_TRUE(ee().text("lblPROM").contains(" 1234 ")) << "redrawn from the read-back";
}

TEST_F(EepromWindowTest, AWordRefusedOrNotStickingFailsTheVerify)
{
    open("C120");
    std::vector<quint16> words = cc().words();
    words[20] = 0x1234;
    words[21] = 0x4321;
    writeCoinSet("two.txt", eepromFile(words));

    cc().refuseWritesAt(20);
    programmeFrom("two.txt");
    ts.dialogs->answer(plat::mb::OK, "error writing EEPROM address :20");
    ts.dialogs->answer(plat::mb::OK, "EEPROM Verify FAIL");
    press(ee(), "cmdProgramme");
    EXPECT_EQ(writeFrames(sentSince()).size(), 1) << "the first refused word ends the write";

    box.swapMech("C120", false);
    cc().writeDoesNotStickAt(21);
    reopen("C120");
    programmeFrom("two.txt");
    ts.dialogs->answer(plat::mb::OK, "EEPROM Verify FAIL");
    press(ee(), "cmdProgramme");
    EXPECT_EQ(writeFrames(sentSince()).size(), 2);
    EXPECT_EQ(cc().word(20), 0x1234);
    EXPECT_NE(cc().word(21), 0x4321);
}

TEST_F(EepromWindowTest, ASentinelWritesItsOwnChecksumWord)
{
    open("Sentinel");
    auto& s = mech<sim::SentinelMech>();
    std::vector<quint16> words = s.words();
    words[5] ^= 0x0102;
    writeCoinSet("s.txt", eepromFile(words));
    programmeFrom("s.txt");
    ts.dialogs->answer(plat::mb::OK, "EEPROM Verified OK");
    press(ee(), "cmdProgramme");
    EXPECT_EQ(s.addressesWritten(), (QList<int>{5, 63}));
    EXPECT_EQ(s.word(5), words[5]);
    EXPECT_TRUE(s.checksumOk()) << "word 63 from the words written, not from the file";
}

TEST_F(EepromWindowTest, The435sVerifyStopsAtWord200)
{
    open("435");
    cc().driftHighWords = true;
    choose(ee(), "cmbDisplay", 2);
    ee().setText("txtSort", "d", 63);
    ee().setText("txtPlugDefault", "A");
    ts.dialogs->answer(plat::mb::OK, "Confirm overwrite EEPROM");
    ts.dialogs->answer(plat::mb::OK, "EEPROM Verified OK");
    press(ee(), "cmdRouting");
    EXPECT_EQ(cc().word(204) >> 8, 3);
    EXPECT_EQ(cc().word(228), 0x0242) << "written, and compared though above word 200";
    EXPECT_EQ(ee().text("txtPlugDefault"), "A");
}

TEST_F(EepromWindowTest, The435sVerifyComparesTheWordsItWroteAboveWord200)
{
    open("435");
    cc().driftHighWords = true;
    cc().writeDoesNotStickAt(228);
    choose(ee(), "cmbDisplay", 2);
    ee().setText("txtSort", "d", 63);
    ee().setText("txtPlugDefault", "A");
    ts.dialogs->answer(plat::mb::OK, "Confirm overwrite EEPROM");
    ts.dialogs->answer(plat::mb::OK, "EEPROM Verify FAIL");
    press(ee(), "cmdRouting");
    EXPECT_NE(cc().word(228), 0x0242);
}

TEST_F(EepromWindowTest, ABadFileIsRefusedWithOneReportBeforeAnythingIsSent)
{
    open("C120");
    const std::vector<quint16> words = cc().words();
    auto without = [&](int address) {
        QByteArray f = eepromFile(words);
        const QByteArray line = QByteArray::number(address) + "," + QByteArray::number(words[size_t(address)]) + "\r\n";
        return f.replace("\n" + line, "\n");
    };
    struct Case {
        QByteArray file;
        const char* report;
    };
    const Case cases[] = {
        {eepromFile(words) + "600,1\r\n", "line 129: address 600 outside 0..127"},
        {without(64), "address 64 missing"},
        {eepromFile(std::vector<quint16>(256, 7)), "line 129: address 128 outside 0..127"},
        {eepromFile(words) + "5,1\r\n", "line 129: address 5 given twice"},
        {eepromFile(words).replace("\r\n3,", "\r\n3,70000\r\n3,"), "line 4: value 70000 above 65535"},
        {eepromFile(words).replace("\r\n7,", "\r\n7;"), "line 8: expected address,value"},
        {"-1,5\r\n", "line 1: address is not a whole number"},
        {"", "address 0 missing"},
    };
    p->memory.images.progImage[3] = 99;
    for (const Case& c : cases) {
        writeCoinSet("bad.txt", c.file);
        ts.dialogs->answerFile(coinSet("bad.txt"));
        ts.dialogs->answer(plat::mb::OK, " 705 Error Programming EEPROM routine : ");
        press(ee(), "cmdProgramme");
        EXPECT_TRUE(ts.dialogs->boxes().back().text.contains(c.report)) << ts.dialogs->boxes().back().text.toStdString();
    }
    EXPECT_EQ(ts.dialogs->boxes().size(), std::size(cases)) << "no confirmation was asked";
    EXPECT_TRUE(sentSince().isEmpty());
    EXPECT_EQ(p->memory.images.progImage[3], 99);

    ts.dialogs->answerFile(coinSet("none.txt"));
    ts.dialogs->answer(plat::mb::OK, "Invalid Filename");
    press(ee(), "cmdProgramme");
    ts.dialogs->answerFile(coinSet("bad.dat")); // read as bad.txt
    ts.dialogs->answer(plat::mb::OK, " 705 ");
    press(ee(), "cmdProgramme");
    ts.dialogs->answerFile(QString());
    press(ee(), "cmdProgramme");
    EXPECT_TRUE(sentSince().isEmpty());
}

TEST_F(EepromWindowTest, CancelAtTheConfirmationSendsNotEvenJ)
{
    open("C120");
    writeCoinSet("same.txt", eepromFile(cc().words()));
    ts.dialogs->answerFile(coinSet("same.txt"));
    ts.dialogs->answer(plat::mb::Cancel, "Confirm overwrite EEPROM");
    const qint32 before = p->memory.images.progImage[0];
    press(ee(), "cmdProgramme");
    EXPECT_TRUE(sentSince().isEmpty());
    EXPECT_EQ(p->memory.images.progImage[0], before);
}

// ---- the duplicating coin set run ----

struct DuplicateCcTest : EepromWindowTest {
    // A coin set run's state: the job's family and model, the images cleared, a blank mech.
    void blankMechInARun(const QString& model)
    {
        start(model);
        p->job.beginJob(quenby::Family::CC, model);
        quenby::setMechParameters(p->params, quenby::Family::CC, model, p->texts);
        box.swapMech(model, true);
        quenby::clearImageBuffers(p->memory.images);
        clearSent();
    }
};

TEST_F(DuplicateCcTest, ABlankMechIsReadFirstThenProgrammedFromTheFile)
{
    blankMechInARun("C120");
    const std::vector<quint16> typical = sim::CcMech("C120").words();
    writeCoinSet("clone.txt", eepromFile(typical));
    programmeFrom("clone.txt");
    ts.dialogs->answer(plat::mb::OK, "EEPROM Verified OK");
    EXPECT_TRUE(p->memoryWindows().eeProgramme());
    const QByteArray sent = sentSince();
    EXPECT_TRUE(sent.startsWith("J")) << "the read comes after J";
    EXPECT_LT(sent.indexOf(char(0x7B)), sent.indexOf(char(0x7A))) << "read before written";
    EXPECT_EQ(cc().words(), typical);
    int nonZero = 0;
    for (quint16 w : typical)
        nonZero += w != 0;
    EXPECT_EQ(writeFrames(sent).size(), nonZero) << "a blank mech's zero words are skipped";
    EXPECT_FALSE(p->eepromDataIfLoaded()) << "no window for it";
}

TEST_F(DuplicateCcTest, AMechThatCannotBeReadIsNotWritten)
{
    blankMechInARun("C120");
    writeCoinSet("clone.txt", eepromFile(sim::CcMech("C120").words()));
    cc().setFault(CcFault::Silent, When::always());
    programmeFrom("clone.txt");
    ts.dialogs->answer(plat::mb::OK, "Timeout reading Coin Mech EEPROM");
    EXPECT_FALSE(p->memoryWindows().eeProgramme());
    EXPECT_TRUE(writeFrames(sentSince()).isEmpty());
    EXPECT_TRUE(sentSince().endsWith("W"));
}

// ---- leaving the window ----

TEST_F(EepromWindowTest, CloseAndTheCloseBoxLeaveAlikeWithW)
{
    open("C120");
    for (int way = 0; way < 2; ++way) {
        if (way == 1) {
            run("cmbCCmech", "C120", "cmdCCprom");
            clearSent();
        }
        QWidget* w = p->eepromDataIfLoaded();
        if (way == 0)
            press(ee(), "cmdBye");
        else
            closeBox(w);
        EXPECT_EQ(sentSince(), "W");
        EXPECT_FALSE(p->eepromDataIfLoaded());
        EXPECT_TRUE(main().isVisible());
        EXPECT_TRUE(mainC().isEnabled("cmdCCprom")) << "the menu is back";
        EXPECT_FALSE(p->promIfLoaded()) << "a Close never builds the limits editor";
    }
}

TEST_F(EepromWindowTest, CloseWaitsForTheReadAndASecondJobIsRefused)
{
    open("C120");
    const plat::Millis t0 = ts.sched->nowMs();
    at(t0 + 300, [&] { click(ee(), "cmdSave"); }); // refused: no dialog
    at(t0 + 400, [&] { click(ee(), "cmdBye"); });
    press(ee(), "cmdReadPROM");
    wait(100);
    const QByteArray sent = sentSince();
    EXPECT_TRUE(sent.startsWith("J"));
    EXPECT_TRUE(sent.endsWith("\x1bWW")) << "the read's W, then the Close's";
    EXPECT_FALSE(p->eepromDataIfLoaded());
    EXPECT_TRUE(ts.dialogs->fileDialogs.empty());
}

TEST_F(EepromWindowTest, AHangUpWhileProgrammingIsOnePortReportAndNoSuccess)
{
    open("C120");
    std::vector<quint16> words = cc().words();
    for (int a = 10; a < 20; ++a)
        words[size_t(a)] ^= 0x0101;
    writeCoinSet("ten.txt", eepromFile(words));
    programmeFrom("ten.txt");
    box.setFault(sim::QuenbyBox::Fault::HangUpOnByteIn, When::from(40));
    ts.dialogs->answer(plat::mb::OK, "the programmer box hung up - 8018\r\n\r\n"
                                     "The connection to the programmer box on COM1 was lost.\r\n"
                                     "The mech may be half-written: write it again once the box is reconnected.");
    press(ee(), "cmdProgramme");
    // Nothing more is tried or shown on a line that has gone: no read-back, no verdict of its own.
    EXPECT_EQ(ts.dialogs->boxes().size(), 2u) << ts.dialogs->texts().join("|").toStdString();
}

} // namespace
