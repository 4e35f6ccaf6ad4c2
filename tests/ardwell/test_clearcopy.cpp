// Clearing coin windows from the programme panel and copying a saved image's settings in the
// adjust panel, end to end on the simulated box: the confirmations, the image and lamps, and what
// the next write takes to the mech.
#include "sim/ardwellimages.h"
#include "tests/ardwell/road.h"

#include <QComboBox>

using ardwell_test::Road;
namespace img = sim::ardwellimage;
namespace mb = plat::mb;

namespace {

constexpr quint32 kRed = 0x0000FF, kWhite = 0xFFFFFF;

std::vector<int> imageWords(Road& r, int count)
{
    return std::vector<int>(r.job().image.begin(), r.job().image.begin() + count);
}

// Words the copy takes from the file, written out apart from the code's own table.
bool copied330(int a) { return a <= 2 || (a >= 5 && a <= 14) || (a >= 28 && a <= 33) || a >= 112; }

} // namespace

TEST(ClearOneChannel, NoChannelCancelThenOkAndTheWriteTakesItToTheMech)
{
    Road r("330");
    ASSERT_TRUE(r.enterProgramme());
    auto& v = r.view();
    const std::vector<int> before = imageWords(r, 128);

    r.win().controls().get<QComboBox>("cmbCoinNumber")->setCurrentIndex(-1); // nothing chosen
    r.click("cmdClearOne");
    EXPECT_TRUE(r.ts.dialogs->boxes().empty());
    EXPECT_EQ(imageWords(r, 128), before);
    EXPECT_FALSE(r.job().imageModified());

    v.setValue("cmbCoinNumber", 2);
    r.ts.dialogs->answer(mb::Cancel, "Press OK to Clear channel 3");
    r.click("cmdClearOne");
    ASSERT_EQ(r.ts.dialogs->boxes().size(), 1u);
    EXPECT_EQ(r.ts.dialogs->boxes()[0].text, "Press OK to Clear channel 3");
    EXPECT_EQ(r.ts.dialogs->boxes()[0].title, "Confirm Operation");
    EXPECT_EQ(r.ts.dialogs->boxes()[0].style, mb::OKCancel | mb::Exclamation);
    EXPECT_EQ(imageWords(r, 128), before);

    r.ts.dialogs->answer(mb::OK, "Press OK to Clear channel 3");
    r.click("cmdClearOne");
    for (int w = 47; w <= 59; ++w)
        EXPECT_EQ(r.word(w), before[std::size_t(w)] & 0x00FF) << w; // channel 4 keeps its bytes
    EXPECT_EQ(r.word(0), before[0] | 0x0400);
    EXPECT_TRUE(r.job().imageModified());
    EXPECT_EQ(v.fill("shpCoinWindow", 2), kWhite);
    EXPECT_EQ(v.fill("shpCoinWindow", 3), kRed);

    r.ts.dialogs->answer(mb::OK, "Verify OK");
    r.click("cmdProg");
    for (int w = 47; w <= 59; ++w)
        EXPECT_EQ(r.mech.word(w), before[std::size_t(w)] & 0x00FF) << w;
    EXPECT_EQ(r.mech.word(0), before[0] | 0x0400);
    EXPECT_EQ(r.mech.word(46), before[46]);
    EXPECT_FALSE(r.job().imageModified());
}

TEST(ClearAllChannels, EveryWindowGoesEveryChannelIsInhibitedAndTheMechFollows)
{
    Road r("126");
    ASSERT_TRUE(r.enterProgramme());
    const std::vector<int> before = imageWords(r, 256);
    r.ts.dialogs->answer(mb::Cancel, "Press OK to Clear ALL coins");
    r.click("cmdClearWindows");
    EXPECT_EQ(imageWords(r, 256), before);

    r.ts.dialogs->answer(mb::OK, "Press OK to Clear ALL coins");
    r.click("cmdClearWindows");
    for (int w = 0; w < 256; ++w) {
        const int want = w == 0 ? 0xFFFF : (w >= 31 && w <= 134) ? 0 : before[std::size_t(w)];
        EXPECT_EQ(r.word(w), want) << w;
    }
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(r.view().fill("shpCoinWindow", i), kWhite) << i;

    r.ts.dialogs->answer(mb::OK, "Verify OK");
    r.click("cmdProg");
    EXPECT_EQ(r.mech.word(0), 0xFFFF);
    EXPECT_EQ(r.mech.word(31), 0);
    EXPECT_EQ(r.mech.word(134), 0);
    EXPECT_EQ(r.mech.word(135), before[135]);
}

TEST(CopyConfiguration, AnotherMechsFileFromADottedFolderThenWriteToMech)
{
    // The panel of a mech that holds the other mech's settings, read from it directly.
    Road ref("330");
    ref.mech.loadImage(img::otherImage("330"));
    ASSERT_TRUE(ref.enterAdjust());

    Road r("330");
    ASSERT_TRUE(r.enterAdjust());
    const std::vector<quint16> mine = r.mech.words();
    const img::Words other = img::otherImage("330");
    QDir(r.ts.folder()).mkpath("v1.2");
    r.ts.writeFile("v1.2/other", img::imageFile(other)); // no extension: opened as named
    r.ts.dialogs->answerFile(r.ts.folder() + "/v1.2/other");
    r.click("cmdCopyConfig");
    EXPECT_TRUE(r.ts.dialogs->boxes().empty());
    EXPECT_EQ(r.ts.dialogs->fileDialogs.at(0), "open|File Open|*.txt|" + r.ts.folder());
    for (int a = 0; a < 128; ++a)
        EXPECT_EQ(r.word(a), copied330(a) ? other[std::size_t(a)] : mine[std::size_t(a)]) << a;
    EXPECT_NE(other[0], mine[0]);
    EXPECT_EQ(r.job().mechSerialNumber, "0012ABCD");
    EXPECT_FALSE(r.job().imageModified());
    for (const char* c : {"cmbOutput", "cmbInhibitLine", "txtBinary"})
        EXPECT_EQ(r.view().text(c), ref.view().text(c)) << c;
    EXPECT_EQ(r.view().value("chkEnable"), ref.view().value("chkEnable"));

    // Writing re-reads only the serial words 3 and 4 first: the copied word 2 goes in as copied.
    EXPECT_NE(other[2], mine[2]);
    r.ts.dialogs->answer(mb::OK, "Verify OK");
    r.click("cmdExitAdjust");
    for (int a = 0; a < 128; ++a) {
        const quint16 want = a == 5 ? 0 : copied330(a) ? other[std::size_t(a)] : mine[std::size_t(a)];
        EXPECT_EQ(r.mech.word(a), want) << a;
    }
}

TEST(CopyConfiguration, PcaMissingFileCancelledDialogAndEmptyLines)
{
    Road pca("PCA");
    ASSERT_TRUE(pca.enterAdjust());
    const std::vector<int> before = imageWords(pca, 512);
    pca.ts.writeFile("other.txt", img::imageFile(img::otherImage("PCA")));
    pca.view().setValue("chkEnable", 1 - pca.view().value("chkEnable"));
    pca.ts.dialogs->answerFile(pca.ts.folder() + "/other.txt");
    pca.click("cmdCopyConfig");
    EXPECT_EQ(imageWords(pca, 512), before);
    EXPECT_EQ(pca.view().value("chkEnable"), 1 - (before[0] >> 8 & 1)); // shown again from the image

    Road r("330");
    ASSERT_TRUE(r.enterAdjust());
    const std::vector<int> mine = imageWords(r, 512);
    r.ts.dialogs->answerFile(QString());
    r.click("cmdCopyConfig");
    r.ts.dialogs->answerFile(r.ts.folder() + "/missing.dat");
    r.ts.dialogs->answer(mb::OK, "Invalid Filename");
    r.click("cmdCopyConfig");
    ASSERT_EQ(r.ts.dialogs->boxes().size(), 1u);
    EXPECT_EQ(r.ts.dialogs->boxes()[0].style, mb::Critical | mb::OKOnly);
    EXPECT_EQ(r.ts.dialogs->boxes()[0].title, "Error");
    EXPECT_EQ(imageWords(r, 512), mine);

    // An empty line is no word: it does not store 0 at word 0 and enable every channel.
    QStringList gaps = r.mechLines(256);
    gaps[0] = "0000 00FF";
    gaps[1] = "0001 1234";
    gaps[3] = "0003 9999";
    gaps.insert(3, "   ");
    gaps.insert(1, "");
    r.writeLines("gaps.txt", gaps);
    r.ts.dialogs->answerFile(r.ts.folder() + "/gaps.txt");
    r.click("cmdCopyConfig");
    EXPECT_EQ(r.word(0), 0x00FF);
    EXPECT_EQ(r.word(1), 0x1234);
    EXPECT_EQ(r.word(3), mine[3]); // the serial number is kept
}
