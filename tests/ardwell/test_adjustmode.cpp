// Adjust mode end to end on the simulated box: entry per model, changing a coin and its window,
// writing to the mech or cancelling, and image files; and the programme panel's layout, lamps
// and 340 coin value.
#include "ardwell/bench/adjustpanel.h"
#include "tests/ardwell/road.h"

#include <QComboBox>
#include <QLineEdit>

using ardwell_test::range;
using ardwell_test::Road;
namespace mb = plat::mb;

namespace {

constexpr int kHugeFileBytes = 64 * 1024 + 1;

// The user picks item i of a list.
void choose(Road& r, const char* list, int i)
{
    auto* c = r.win().controls().get<QComboBox>(list);
    c->setCurrentIndex(i);
    emit c->activated(i);
}

// The user types into a text box.
void type(Road& r, const char* box, const QString& text)
{
    auto* e = r.win().controls().get<QLineEdit>(box);
    e->setText(text);
    emit e->textEdited(text);
}

QList<int> highBytes(Road& r, int first, int count)
{
    QList<int> out;
    for (int a = first; a < first + count; ++a)
        out << (r.word(a) >> 8);
    return out;
}

} // namespace

TEST(AdjustEntry, EachModelShowsItsControlsAndChannel1)
{
    const char* const only340[] = {"txtCoinValue", "txtCSF", "txtgameprice", "opt1player", "opt4Player", "chkCoinMeter",
                                   "txtCMV", "chkCreditInput", "txtExtCredit", "chkManualDispense", "chkAlarm", "chkBonus"};
    for (const char* model : {"126", "330", "340", "560", "PCA"}) {
        SCOPED_TRACE(model);
        Road r(model);
        ASSERT_TRUE(r.enterAdjust());
        auto& v = r.view();
        const QString m = model;
        EXPECT_FALSE(v.isVisible("frmMain1"));
        EXPECT_EQ(v.text("lblWindow"), " 100%");
        EXPECT_EQ(v.text("cmbChangeCoin"), "Channel 1");
        EXPECT_EQ(r.bench().pendingAdjustCoin, "Channel 1");
        EXPECT_EQ(v.text("lblSerNo"), "1200xx23629");
        EXPECT_TRUE(r.ts.fileExists("Backup/1200xx23629.txt"));
        for (const char* c : only340)
            EXPECT_EQ(v.isVisible(c), m == "340") << c;
        for (int k = 0; k <= 3; ++k)
            EXPECT_EQ(v.isVisible("txtB", k), m == "340");
        EXPECT_EQ(v.isVisible("lblinhline"), m != "340");
        EXPECT_EQ(v.text("lblinhline"), m == "560" ? "Coin Route" : "Inhibit Line");
        for (const char* c : {"cmbOutput", "cmbInhibitLine", "txtBinary"})
            EXPECT_EQ(v.isVisible(c), m != "340" && m != "560") << c;
        for (const char* c : {"cmbPlugDecode", "cmbDefaultRoute", "lblRoute"})
            EXPECT_EQ(v.isVisible(c), m == "126") << c;
        EXPECT_EQ(v.isVisible("cmbRoute"), m == "126" || m == "560");
        EXPECT_EQ(v.isEnabled("cmbRoute"), m != "560");
        EXPECT_EQ(v.value("chkEnable"), 1);
        EXPECT_TRUE(v.isEnabled("cmdExitAdjust"));
    }
}

TEST(AdjustEntry, Channel1IsDecodedFromTheMech)
{
    Road r330("330");
    ASSERT_TRUE(r330.enterAdjust());
    EXPECT_EQ(r330.view().text("cmbOutput"), "A");
    EXPECT_EQ(r330.view().text("txtBinary"), "01");
    EXPECT_EQ(r330.view().text("cmbInhibitLine"), "A");
    // Entry enables the hex box whatever the line; a coin change shows a line's code greyed.
    EXPECT_TRUE(r330.view().isEnabled("txtBinary"));
    choose(r330, "cmbChangeCoin", 1);
    EXPECT_EQ(r330.view().text("txtBinary"), "02");
    EXPECT_FALSE(r330.view().isEnabled("txtBinary"));

    Road r126("126");
    ASSERT_TRUE(r126.enterAdjust());
    EXPECT_EQ(r126.view().text("cmbOutput"), "A");
    EXPECT_EQ(r126.view().text("txtBinary"), "01");
    EXPECT_EQ(r126.view().text("cmbRoute"), "A ");
    EXPECT_EQ(r126.view().text("cmbPlugDecode"), "A");
    EXPECT_EQ(r126.view().text("cmbDefaultRoute"), "A ");

    Road r340("340");
    ASSERT_TRUE(r340.enterAdjust());
    auto& v = r340.view();
    EXPECT_EQ(v.text("txtCoinValue"), "5");
    EXPECT_EQ(v.text("txtCSF"), "5");
    EXPECT_EQ(v.text("txtgameprice"), "100");
    EXPECT_EQ(v.value("opt4Player"), 1);
    EXPECT_EQ(v.value("opt1player"), 0);
    EXPECT_EQ(v.value("chkCoinMeter"), 1);
    EXPECT_EQ(v.value("chkAlarm"), 1);
    EXPECT_EQ(v.value("chkBonus"), 0);
    EXPECT_EQ((QStringList{v.text("txtB", 0), v.text("txtB", 1), v.text("txtB", 2), v.text("txtB", 3)}),
              QStringList({"500", "200", "10", "5"}));

    Road r560("560");
    ASSERT_TRUE(r560.enterAdjust());
    EXPECT_EQ(r560.view().text("cmbRoute"), "1 ");
}

TEST(AdjustEntry, AReadThatFailsStaysInTheMainSelection)
{
    Road r("330");
    r.mech.setFault(sim::ArdwellMech::Fault::Silent, sim::When::always());
    r.ts.dialogs->answer(mb::OK, "Failed to connect to Coin mech");
    EXPECT_FALSE(r.enterAdjust());
    EXPECT_TRUE(r.view().isVisible("frmMain1"));
    EXPECT_TRUE(r.view().isEnabled("cmdAdjust"));
    EXPECT_FALSE(r.mech.powered());
}

TEST(AdjustWrite, WriteAtOnceStoresChannel1UnchangedAndWritesTheWholeEeprom)
{
    Road r("330");
    ASSERT_TRUE(r.enterAdjust());
    const std::vector<quint16> before = r.mech.words();
    r.mech.clearReceived();
    r.ts.dialogs->answer(mb::OK, "Verify OK");
    r.click("cmdExitAdjust");
    EXPECT_EQ(r.mech.addressesRead().mid(0, 3), QList<int>({3, 4, 0}));
    EXPECT_EQ(r.mech.addressesWritten(), range(0, 127));
    std::vector<quint16> want = before;
    want[5] = 0;
    EXPECT_EQ(r.mech.words(), want);
    EXPECT_TRUE(r.view().isVisible("frmMain1"));
    EXPECT_FALSE(r.view().isVisible("frmAdjust"));
    EXPECT_FALSE(r.view().isVisible("lblSerNo"));
    EXPECT_FALSE(r.mech.powered());
    EXPECT_TRUE(r.view().isEnabled("cmdProgramme"));

    // A 126 leaving the adjust panel writes all 256 words.
    Road r126("126");
    ASSERT_TRUE(r126.enterAdjust());
    r126.mech.clearReceived();
    r126.ts.dialogs->answer(mb::OK, "Verify OK");
    r126.click("cmdExitAdjust");
    EXPECT_EQ(r126.mech.addressesWritten(), range(0, 255));
}

TEST(AdjustWindow, LoosenThreeTimesIsStoredWithTheNextCoinChange)
{
    Road r("330");
    ASSERT_TRUE(r.enterAdjust());
    for (int i = 0; i < 3; ++i)
        r.click("cmdLoosen");
    EXPECT_EQ(r.view().text("lblWindow"), " 106%");
    EXPECT_EQ(r.bench().windowPercent, 106);
    const QList<int> untouched = highBytes(r, 37, 10);
    choose(r, "cmbChangeCoin", 1);
    EXPECT_EQ(r.view().text("lblWindow"), " 100%");
    EXPECT_EQ(r.bench().pendingAdjustCoin, "Channel 2");
    // Channel 1's record (level 7, lows 733, 660, 279, 567, widths 66, 80, 42, 66) at 106 %:
    // widths 69, 84, 44, 69 and lows 732, 658, 278, 566.
    EXPECT_NE(highBytes(r, 37, 10), untouched);
    EXPECT_EQ(highBytes(r, 37, 10), QList<int>({45, 196, 82, 146, 84, 17, 98, 194, 54, 69}));
    EXPECT_EQ(r.word(36) >> 8, 0x70); // R2: level and signs as read
}

TEST(AdjustWindow, ThePercentageStaysWithin0And200)
{
    Road r("330");
    ASSERT_TRUE(r.enterAdjust());
    for (int i = 0; i < 60; ++i)
        r.click("CmdTighten");
    EXPECT_EQ(r.view().text("lblWindow"), " 0%");
    choose(r, "cmbChangeCoin", 1); // channel 1 stored at 0 %: every width 0, none negative
    EXPECT_EQ(r.word(41) >> 8, 0);
    EXPECT_EQ(r.word(46) >> 8, 0);
    for (int i = 0; i < 120; ++i)
        r.click("cmdLoosen");
    EXPECT_EQ(r.view().text("lblWindow"), " 200%");
}

TEST(AdjustWrite, CancelWritesNothingAndKeepsWhatWasStored)
{
    Road r("330");
    ASSERT_TRUE(r.enterAdjust());
    r.click("cmdLoosen");
    choose(r, "cmbChangeCoin", 1);
    const auto image = r.job().image;
    r.mech.clearReceived();
    r.click("cmdCancelAdjust");
    EXPECT_TRUE(r.mech.addressesWritten().isEmpty());
    EXPECT_EQ(r.job().image, image);
    EXPECT_TRUE(r.bench().abortFlag);
    EXPECT_TRUE(r.view().isVisible("frmMain1"));
    EXPECT_FALSE(r.view().isVisible("frmAdjust"));
    EXPECT_FALSE(r.mech.powered());
}

TEST(AdjustWrite, AFailedWriteKeepsThePanelAndASecondTryScalesOnce)
{
    Road r("330");
    ASSERT_TRUE(r.enterAdjust());
    for (int i = 0; i < 3; ++i)
        r.click("cmdLoosen");
    r.mech.refuseWritesAt(0);
    r.ts.dialogs->answer(mb::OK, "Error Writing EEPROM :0000");
    r.ts.dialogs->answer(mb::OK, "Too many retries on Memory Write to Address 0000");
    r.click("cmdExitAdjust");
    EXPECT_TRUE(r.view().isVisible("frmAdjust"));
    EXPECT_FALSE(r.view().isVisible("frmMain1"));
    for (const char* c : {"cmdExitAdjust", "cmdCancelAdjust", "cmdLoosen", "CmdTighten", "cmbChangeCoin", "cmbRoute"})
        EXPECT_TRUE(r.view().isEnabled(c)) << c;
    EXPECT_TRUE(r.mech.powered());
    const QList<int> once = highBytes(r, 37, 10);
    EXPECT_EQ(once, QList<int>({45, 196, 82, 146, 84, 17, 98, 194, 54, 69}));

    r.mech.refuseWritesAt(-1);
    r.ts.dialogs->answer(mb::OK, "Verify OK");
    r.click("cmdExitAdjust");
    EXPECT_EQ(highBytes(r, 37, 10), once);
    EXPECT_EQ(r.mech.word(38) >> 8, 196);
    EXPECT_TRUE(r.view().isVisible("frmMain1"));
}

TEST(AdjustWrite, AFileTakenInAfterALoosenIsWrittenAsTheFileHoldsIt)
{
    const QList<int> at106{45, 196, 82, 146, 84, 17, 98, 194, 54, 69};
    for (const char* take : {"cmdCopyConfig", "cmdLoad"}) {
        SCOPED_TRACE(take);
        Road r("330");
        ASSERT_TRUE(r.enterAdjust());
        for (int i = 0; i < 3; ++i)
            r.click("cmdLoosen");
        r.ts.dialogs->answerFile(r.ts.folder() + "/loose.txt");
        r.click("cmdSave");
        ASSERT_EQ(r.fileLines("loose.txt")[46], "002E 45" + r.fileLines("loose.txt")[46].mid(7));
        r.ts.dialogs->answerFile(r.ts.folder() + "/loose.txt");
        r.click(take);
        EXPECT_EQ(r.view().text("lblWindow"), " 100%");
        r.ts.dialogs->answer(mb::OK, "Verify OK");
        r.click("cmdExitAdjust");
        EXPECT_TRUE(r.ts.dialogs->allAnswersUsed());
        QList<int> mech;
        for (int a = 37; a < 47; ++a)
            mech << (r.mech.word(a) >> 8);
        EXPECT_EQ(mech, at106); // widths 69, 84, 44, 69: scaled once
    }

    // A failed write with the window loosened, then a copy of the mech's own saved image: the
    // copy keeps the windows, the one loosened among them.
    Road r("330");
    ASSERT_TRUE(r.enterAdjust());
    r.writeLines("own.txt", r.mechLines(256));
    for (int i = 0; i < 3; ++i)
        r.click("cmdLoosen");
    r.mech.refuseWritesAt(0);
    r.ts.dialogs->answer(mb::OK, "Error Writing EEPROM :0000");
    r.ts.dialogs->answer(mb::OK, "Too many retries on Memory Write to Address 0000");
    r.click("cmdExitAdjust");
    ASSERT_TRUE(r.view().isVisible("frmAdjust"));
    r.mech.refuseWritesAt(-1);
    const std::vector<quint16> before = r.mech.words();
    r.ts.dialogs->answerFile(r.ts.folder() + "/own.txt");
    r.click("cmdCopyConfig");
    r.ts.dialogs->answer(mb::OK, "Verify OK");
    r.click("cmdExitAdjust");
    QList<int> mech;
    for (int a = 37; a < 47; ++a)
        mech << (r.mech.word(a) >> 8);
    EXPECT_EQ(mech, at106);
    EXPECT_EQ(r.mech.word(12), before[12]);
}

TEST(AdjustWrite, AValueThatCannotBeStoredStopsTheWriteBeforeAnythingIsSent)
{
    Road r("340");
    ASSERT_TRUE(r.enterAdjust());
    type(r, "txtgameprice", "1e999");
    r.mech.clearReceived();
    const std::vector<quint16> before = r.mech.words();
    r.ts.dialogs->answer(mb::OK, "Error Encoding EEPROM routine :  \r\nOverflow - 6");
    r.click("cmdExitAdjust");
    EXPECT_TRUE(r.ts.dialogs->allAnswersUsed());
    EXPECT_EQ(r.ts.dialogs->boxes().size(), 1u);
    EXPECT_TRUE(r.mech.received().empty());
    EXPECT_EQ(r.mech.words(), before);
    EXPECT_TRUE(r.view().isVisible("frmAdjust"));
    EXPECT_FALSE(r.view().isVisible("frmMain1"));
    EXPECT_TRUE(r.mech.powered());
    for (const char* c : {"cmdExitAdjust", "cmdCancelAdjust", "cmbChangeCoin"})
        EXPECT_TRUE(r.view().isEnabled(c)) << c;
    EXPECT_EQ(r.view().text("txtgameprice"), "1e999");

    // Mended, the value goes in with the rest.
    type(r, "txtgameprice", "250");
    r.ts.dialogs->answer(mb::OK, "Verify OK");
    r.click("cmdExitAdjust");
    EXPECT_EQ(r.mech.word(114), 250);
    EXPECT_TRUE(r.view().isVisible("frmMain1"));
}

TEST(AdjustWrite, ASerialReReadThatCannotLogOnWritesNothing)
{
    Road r("330");
    ASSERT_TRUE(r.enterAdjust());
    // Another mech's saved image: this mech's words but for its serial number.
    QStringList other = r.mechLines(256);
    other[3] = "0003 0BAD";
    other[4] = "0004 F00D";
    r.writeLines("other.txt", other);
    r.ts.dialogs->answerFile(r.ts.folder() + "/other.txt");
    r.click("cmdLoad");
    ASSERT_EQ(r.job().mechSerialNumber, "0BADF00D");

    const std::vector<quint16> before = r.mech.words();
    r.mech.clearReceived();
    // The re-read of words 3 and 4 finds no mech (its nine logon attempts); the write's would.
    r.mech.setFault(sim::ArdwellMech::Fault::Silent, sim::When::first(9));
    r.ts.dialogs->answer(mb::OK, "Failed to connect to Coin mech");
    r.ts.dialogs->answer(mb::OK, "Memory address 0003 was not read from the Coin mech\r\n\r\nNothing written");
    r.click("cmdExitAdjust");
    EXPECT_TRUE(r.ts.dialogs->allAnswersUsed());
    EXPECT_EQ(r.ts.dialogs->boxes().size(), 2u);
    EXPECT_TRUE(r.mech.addressesWritten().isEmpty());
    EXPECT_EQ(r.mech.words(), before);
    EXPECT_EQ(r.mech.word(3), 0x0012);
    EXPECT_EQ(r.job().lastWrite(), ardwell::WriteResult::Failed);
    EXPECT_TRUE(r.view().isVisible("frmAdjust"));
    EXPECT_TRUE(r.view().isEnabled("cmdExitAdjust"));
}

TEST(AdjustWindow, LoosenedWindowsNear255KeepTheOldWindowInside)
{
    Road r("330");
    // Channel 1: lows 500, 600, 700, 300 with widths 254, 250, 255, 100.
    r.mech.setWindowRecord(0, 7, {500, 600, 700, 300}, {254, 250, 255, 100});
    ASSERT_TRUE(r.enterAdjust());
    for (int i = 0; i < 5; ++i)
        r.click("cmdLoosen");
    EXPECT_EQ(r.view().text("lblWindow"), " 110%");
    r.ts.dialogs->answer(mb::OK, "Verify OK");
    r.click("cmdExitAdjust");
    EXPECT_TRUE(r.ts.dialogs->allAnswersUsed());
    // 500..754 stays, 600..850 becomes 598..852, 700..955 stays, 300..400 becomes 295..405
    // (tests/ardwell/adjust_vectors.py).
    QList<int> mech;
    for (int a = 37; a <= 46; ++a)
        mech << (r.mech.word(a) >> 8);
    EXPECT_EQ(mech, QList<int>({31, 79, 226, 86, 254, 43, 207, 241, 39, 110}));
    EXPECT_EQ(r.mech.word(36) >> 8, 0x70);
}

// ---- Image files ----

TEST(AdjustFiles, SaveWritesTheFirst256WordsUnderATxtName)
{
    Road r("330");
    ASSERT_TRUE(r.enterAdjust());
    const QString folder = r.ts.folder();
    r.ts.dialogs->answerFile(folder + "/image.dat");
    r.click("cmdSave");
    ASSERT_EQ(r.ts.dialogs->fileDialogs.size(), 1u);
    EXPECT_EQ(r.ts.dialogs->fileDialogs[0], "save|File Save|*.txt|" + folder);
    const QStringList lines = r.fileLines("image.txt");
    ASSERT_EQ(lines.size(), 256);
    EXPECT_EQ(lines.mid(0, 128), r.mechLines(128));
    EXPECT_EQ(lines[255], "00FF 0000");
    EXPECT_FALSE(r.ts.fileExists("image.dat"));

    // A name without a dot gets ".txt"; an existing file is replaced only after OK.
    r.ts.writeFile("kept.txt", "old\r\n");
    r.ts.dialogs->answerFile(folder + "/kept");
    r.ts.dialogs->answer(mb::Cancel, "Overwrite Existing File");
    r.click("cmdSave");
    EXPECT_EQ(r.ts.dialogs->boxes().back().style, mb::OKCancel | mb::Exclamation);
    EXPECT_EQ(r.ts.dialogs->boxes().back().title, "Warning");
    EXPECT_EQ(r.ts.readFile("kept.txt"), QByteArray("old\r\n"));
    r.ts.dialogs->answerFile(folder + "/kept");
    r.ts.dialogs->answer(mb::OK, "Overwrite Existing File");
    r.click("cmdSave");
    EXPECT_EQ(r.fileLines("kept.txt").size(), 256);

    // A folder with a dot in its name keeps it.
    QDir(folder).mkpath("my.images");
    r.ts.dialogs->answerFile(folder + "/my.images/coins");
    r.click("cmdSave");
    EXPECT_TRUE(r.ts.fileExists("my.images/coins.txt"));
}

TEST(AdjustFiles, LoadTakesAWholeImageAndShowsTheLoadedCoin)
{
    Road r("330");
    ASSERT_TRUE(r.enterAdjust());
    QStringList lines = r.mechLines(256);
    lines[0] = "0000 FFFF";
    lines[3] = "0003 0033";
    lines[4] = "0004 cafe";
    lines[0x78] = "  0078 0800\t"; // channel 1's output byte: line D
    lines.insert(1, "");             // an empty line is no word
    r.writeLines("image", lines);
    r.word(300) = 0x3333;
    r.ts.dialogs->answerFile(r.ts.folder() + "/image");
    r.click("cmdLoad");
    EXPECT_TRUE(r.ts.dialogs->boxes().empty());
    EXPECT_EQ(r.ts.dialogs->fileDialogs[0], "open|File Open|*.txt|" + r.ts.folder());
    EXPECT_EQ(r.word(0), 0xFFFF);
    EXPECT_EQ(r.word(34), r.mech.word(34));
    EXPECT_EQ(r.word(300), 0);
    EXPECT_EQ(r.job().mechSerialNumber, "0033CAFE");
    EXPECT_EQ(r.view().text("cmbOutput"), "D");
    EXPECT_EQ(r.view().text("txtBinary"), "08");
    EXPECT_EQ(r.view().value("chkEnable"), 0);
    EXPECT_FALSE(r.job().imageModified());

    r.ts.dialogs->answerFile(r.ts.folder() + "/missing.dat");
    r.ts.dialogs->answer(mb::OK, "Invalid Filename");
    r.click("cmdLoad");
    EXPECT_EQ(r.ts.dialogs->boxes().back().style, mb::Critical | mb::OKOnly);
    EXPECT_EQ(r.word(0), 0xFFFF);

    // What the panel saves, it loads.
    r.ts.dialogs->answerFile(r.ts.folder() + "/saved");
    r.click("cmdSave");
    const auto saved = r.job().image;
    r.word(0) = 0;
    r.ts.dialogs->answerFile(r.ts.folder() + "/saved.txt");
    r.click("cmdLoad");
    EXPECT_EQ(r.ts.dialogs->boxes().size(), 1u);
    EXPECT_EQ(r.job().image, saved);
}

TEST(AdjustFiles, AFileThatIsNoWholeImageIsRefusedAndTheImageStays)
{
    Road r("126");
    ASSERT_TRUE(r.enterAdjust());
    const auto image = r.job().image;
    const QString folder = QDir::toNativeSeparators(r.ts.folder());
    const QStringList whole = r.mechLines(256);
    const auto lines = [](const QStringList& l) { return (l.join("\r\n") + "\r\n").toLatin1(); };
    const auto refused = [&](const QString& name, const QByteArray& bytes, const char* button) {
        r.ts.writeFile(name, bytes);
        r.ts.dialogs->answerFile(r.ts.folder() + "/" + name);
        r.ts.dialogs->answer(mb::OK, "Not an EEPROM image file : ");
        r.click(button);
        return r.ts.dialogs->boxes().empty() ? QString() : r.ts.dialogs->boxes().back().text;
    };
    // The settings file beside it.
    EXPECT_EQ(refused("config.txt", "3,\"126\"\r\n", "cmdLoad"),
              "Not an EEPROM image file : " + folder + QDir::separator() +
                  "config.txt\r\n\r\nLine 1: not an address and a word of four hex digits each\r\n\r\nNothing loaded");
    ASSERT_EQ(r.ts.dialogs->boxes().size(), 1u);
    EXPECT_EQ(r.ts.dialogs->boxes().back().style, mb::Critical | mb::OKOnly);
    EXPECT_EQ(r.ts.dialogs->boxes().back().title, "Error");
    // A saved image cut short: a 126 writes all 256 words.
    EXPECT_TRUE(refused("short.txt", lines(whole.mid(0, 200)), "cmdLoad")
                    .endsWith("\r\n\r\nNo line for address 00C8\r\n\r\nNothing loaded"));
    QStringList twice = whole;
    twice[9] = "0005 1234";
    EXPECT_TRUE(refused("twice.txt", lines(twice), "cmdCopyConfig")
                    .endsWith("\r\n\r\nLine 10: address 0005 a second time\r\n\r\nNothing copied"));
    QStringList beyond = whole;
    beyond << "0100 0000";
    EXPECT_TRUE(refused("beyond.txt", lines(beyond), "cmdLoad")
                    .endsWith("\r\n\r\nLine 257: address 0100 is beyond the last word, 00FF\r\n\r\nNothing loaded"));
    // Noise, cut off mid-line.
    QByteArray noise;
    quint32 seed = 99;
    for (int i = 0; i < 20000; ++i) {
        seed = seed * 1664525u + 1013904223u;
        noise += (i % 37 == 0) ? '\n' : char(seed >> 24);
    }
    noise.truncate(noise.size() - 3);
    EXPECT_TRUE(refused("noise.txt", noise, "cmdLoad").contains("\r\n\r\nLine 2: not an address and a word"));
    // Far larger than any image, refused unread.
    EXPECT_TRUE(refused("huge.txt", QByteArray(kHugeFileBytes, '\n'), "cmdCopyConfig")
                    .endsWith("\r\n\r\nLarger than any EEPROM image file (over 64 KB)\r\n\r\nNothing copied"));
    EXPECT_EQ(r.ts.dialogs->boxes().size(), 6u);
    EXPECT_EQ(r.job().image, image);
    EXPECT_EQ(r.job().mechSerialNumber, "0012ABCD");
    EXPECT_TRUE(r.view().isVisible("frmAdjust"));
}

// ---- The programme panel's layout, lamps and coin value ----

TEST(ProgrammePanelLayout, LampRowPerModelInTwips)
{
    using namespace ardwell;
    const ProgrammeLayout l126 = programmeLayout(Model::M126);
    EXPECT_EQ(l126.lampCount, 16);
    EXPECT_EQ(l126.frameLeft, 1200);
    EXPECT_EQ(l126.frameWidth, 6255);
    EXPECT_FALSE(l126.coinValueShown);
    for (Model m : {Model::M330, Model::M340, Model::M560}) {
        const ProgrammeLayout l = programmeLayout(m);
        EXPECT_EQ(l.lampCount, 12);
        EXPECT_EQ(l.frameLeft, 1800);
        EXPECT_EQ(l.frameWidth, 4815);
        EXPECT_EQ(l.coinValueShown, m == Model::M340);
    }
    EXPECT_EQ(programmeLayout(Model::PCA).lampCount, 16);
    // A margin of 360 twips behind the last lamp shown.
    for (Model m : {Model::M126, Model::M330}) {
        const ProgrammeLayout l = programmeLayout(m);
        const TwipsRect last = coinLampRect(l.lampCount - 1);
        EXPECT_EQ(last.left + last.width + 360, l.frameWidth);
    }
    EXPECT_EQ(coinLampRect(3).left, 1440);
    EXPECT_EQ(coinLampLabelRect(3).left, 1320);
    EXPECT_EQ(twipsToPixels(6255), 417);
    EXPECT_EQ(twipsToPixels(135), 9);
}

TEST(ProgrammePanelLamps, TheRecordHeaderColoursTheLamps)
{
    Road r("330");
    ASSERT_TRUE(r.enterProgramme());
    for (int a = 31; a <= 137; ++a)
        r.word(a) = 0;
    r.word(34) = 0x4400;
    r.programme().updateCoinWindows();
    EXPECT_EQ(r.view().fill("shpCoinWindow", 0), 0x0000FFu);
    EXPECT_EQ(r.view().fill("shpCoinWindow", 1), 0xFFFFFFu);
    // Bytes past the header do not count.
    r.word(34) = 0;
    r.word(37) = 0xFFFF;
    r.programme().updateCoinWindows();
    EXPECT_EQ(r.view().fill("shpCoinWindow", 0), 0xFFFFFFu);

    // On a PCA lamps 13..16 are shown but keep their colour.
    Road p("PCA");
    ASSERT_TRUE(p.enterProgramme());
    p.view().setFill("shpCoinWindow", 0x00FF00, 14);
    p.word(34 + 13 * 7) = 0x4444;
    p.programme().updateCoinWindows();
    EXPECT_TRUE(p.view().isVisible("shpCoinWindow", 15));
    EXPECT_EQ(p.view().fill("shpCoinWindow", 14), 0x00FF00u);

    // Disabled as a group, the other controls as they are.
    r.programme().enableProgrammeControls(false);
    for (const char* c : {"cmdCoinData", "cmdClearWindows", "cmdProg", "cmdExitProgramme", "cmdClearOne",
                          "cmbCoinNumber", "cmbCoinCount"})
        EXPECT_FALSE(r.view().isEnabled(c)) << c;
    EXPECT_TRUE(r.view().isEnabled("optWindow2"));
}

TEST(ProgrammePanelCoinValue, A340ShowsTheValueAndStoresOnlyWhatTheUserTypes)
{
    Road r("340");
    ASSERT_TRUE(r.enterProgramme());
    EXPECT_TRUE(r.view().isVisible("txtCoinValueP"));
    EXPECT_TRUE(r.view().isVisible("lblSF"));
    EXPECT_EQ(r.view().text("txtCoinValueP"), "5");
    EXPECT_EQ(r.view().text("lblSFP"), "5");
    choose(r, "cmbCoinNumber", 1);
    EXPECT_EQ(r.view().text("txtCoinValueP"), "10");
    EXPECT_FALSE(r.job().imageModified()); // showing a value changes nothing

    type(r, "txtCoinValueP", "25");
    EXPECT_EQ(r.word(121) & 0xFF, 25);
    EXPECT_EQ(r.word(121) >> 8, 5);
    EXPECT_TRUE(r.job().imageModified());
    type(r, "txtCoinValueP", "999");
    EXPECT_EQ(r.word(121) & 0xFF, 255);
    type(r, "txtCoinValueP", "-3");
    EXPECT_EQ(r.word(121) & 0xFF, 0);
    EXPECT_EQ(r.word(121) >> 8, 5);
}

TEST(ProgrammePanelCoinValue, NoValueCanBeTypedWhileTheWriteRuns)
{
    Road r("340");
    ASSERT_TRUE(r.enterProgramme());
    auto* box = r.win().controls().get<QLineEdit>("txtCoinValueP");
    bool open = true;
    // While "Verify OK" is up the user tries to type 25 for channel 1; a disabled box takes nothing.
    r.ts.dialogs->answerWith([&](const auto&) {
        open = box->isEnabled();
        if (open)
            type(r, "txtCoinValueP", "25");
        return mb::OK;
    });
    r.click("cmdProg");
    EXPECT_TRUE(r.ts.dialogs->allAnswersUsed());
    EXPECT_EQ(r.ts.dialogs->boxes().back().text, "Verify OK");
    EXPECT_FALSE(open);
    // What the box shows is what the mech holds.
    EXPECT_EQ(box->text(), "5");
    EXPECT_EQ(r.mech.word(121) >> 8, 5);
    EXPECT_TRUE(box->isEnabled());
}
