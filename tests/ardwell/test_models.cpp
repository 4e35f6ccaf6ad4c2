#include "ardwell/bench/models.h"

#include "tests/ardwell/bench.h"

#include <QComboBox>
#include <gtest/gtest.h>

using namespace ardwell;

TEST(Models, BinaryCodeOfOutputLetter)
{
    EXPECT_EQ(binaryCodeOf(" "), "00");
    EXPECT_EQ(binaryCodeOf("A"), "01");
    EXPECT_EQ(binaryCodeOf("E"), "10");
    EXPECT_EQ(binaryCodeOf("H"), "80");
    EXPECT_EQ(binaryCodeOf("Bin"), std::nullopt);
    EXPECT_EQ(binaryCodeOf("MPE"), std::nullopt);
    EXPECT_EQ(binaryCodeOf("I"), std::nullopt);
    EXPECT_EQ(binaryCodeOf("a"), std::nullopt);
    EXPECT_EQ(binaryCodeOf(""), std::nullopt);
}

// ---- The model option buttons of the window ----

namespace {

QStringList items(ardwell::frmMain& w, const char* combo)
{
    auto* c = qobject_cast<QComboBox*>(w.control(combo));
    QStringList out;
    for (int i = 0; c && i < c->count(); ++i)
        out << c->itemText(i);
    return out;
}

} // namespace

TEST(ModelOptions, From560To126AndBack)
{
    ardwell_test::Bench b;
    ASSERT_TRUE(b.start());
    auto& w = b.win();
    w.setValue("opt560", 1);
    w.setValue("opt126", 1);
    EXPECT_EQ(w.currentModel(), Model::M126);
    EXPECT_EQ(w.windowTitle(), "Ardwell" + QString(25, ' ') + "Model : 126");
    EXPECT_EQ(items(w, "cmbCoinNumber").size(), 16);
    EXPECT_EQ(items(w, "cmbChangeCoin").size(), 17);
    EXPECT_EQ(w.text("lblBinary"), "BCO Hex Code");
    EXPECT_EQ(w.text("lblinhline"), "BCO Inhibit Line");
    EXPECT_TRUE(w.isVisible("cmbPlugDecode") && w.isVisible("lblPlug"));
    EXPECT_TRUE(w.isVisible("cmbRoute") && w.isVisible("lblRoute"));
    EXPECT_EQ(items(w, "cmbRoute").value(8), " d");
    EXPECT_EQ(w.text("txtSource"), "61");
    EXPECT_EQ(w.text("txtDestination"), "FF");

    w.setValue("opt560", 1);
    EXPECT_EQ(items(w, "cmbCoinNumber").size(), 12);
    EXPECT_FALSE(w.isVisible("cmbPlugDecode") || w.isVisible("lblPlug"));
    EXPECT_FALSE(w.isVisible("txtBinary") || w.isVisible("lblBinary"));
    EXPECT_TRUE(w.isVisible("cmbRoute"));
    EXPECT_FALSE(w.isVisible("lblRoute"));
    EXPECT_EQ(w.text("cmbRoute"), "Default");
    EXPECT_EQ(items(w, "cmbRoute").value(7), "7 ");
    EXPECT_EQ(w.text("txtSource"), "21");
    EXPECT_EQ(w.text("txtDestination"), "01");
    // Exactly one option is set at a time.
    int set = 0;
    for (const char* o : {"opt126", "opt330", "opt340", "opt560", "optPCA"})
        set += w.value(o);
    EXPECT_EQ(set, 1);
}

TEST(ModelOptions, PcaChangesOnlyCaptionAndAddresses)
{
    ardwell_test::Bench b;
    ASSERT_TRUE(b.start());
    auto& w = b.win();
    w.setValue("opt126", 1);
    w.setText("cmbChangeCoin", "Channel 3");
    w.setValue("optPCA", 1);
    EXPECT_EQ(w.windowTitle(), "Ardwell" + QString(25, ' ') + "Model : PCA");
    EXPECT_EQ(w.text("txtSource"), "20");
    EXPECT_EQ(w.text("txtDestination"), "00");
    EXPECT_EQ(items(w, "cmbCoinNumber").size(), 16); // still model 126's lists
    EXPECT_EQ(w.text("cmbChangeCoin"), "Channel 3");
    EXPECT_EQ(w.text("lblBinary"), "BCO Hex Code");
}

TEST(ModelOptions, StartWithPcaShowsThe330Lists)
{
    ardwell_test::Bench b;
    b.ts.writeFile("config.txt", "1,\"PCA\"\r\n");
    b.box.setSilent(true);
    b.ts.dialogs->answer(plat::mb::OK, "not communicating");
    ASSERT_TRUE(b.start());
    auto& w = b.win();
    EXPECT_EQ(w.currentModel(), Model::PCA);
    EXPECT_EQ(items(w, "cmbOutput").last(), "Bin");
    EXPECT_EQ(items(w, "cmbCoinNumber").size(), 12);
    EXPECT_EQ(w.text("txtSource"), "20");
}

TEST(ModelOptions, HexCodeBoxFollowsTheOutputList)
{
    ardwell_test::Bench b;
    ASSERT_TRUE(b.start());
    auto& w = b.win();
    w.setText("txtBinary", "3C");
    w.setValue("opt330", 0);
    w.setValue("opt340", 1);
    EXPECT_EQ(w.text("cmbOutput"), " ");
    EXPECT_EQ(w.text("txtBinary"), "00");
    w.setText("txtBinary", "5A");
    w.setValue("opt330", 1);
    EXPECT_EQ(w.text("cmbOutput"), "Bin");
    EXPECT_EQ(w.text("txtBinary"), "5A"); // "Bin" leaves the code as it was
    // After any rebuild the adjust list shows its blank item.
    EXPECT_EQ(w.text("cmbChangeCoin"), " ");

    w.setText("cmbOutput", "H");
    w.calcBinary();
    EXPECT_EQ(w.text("txtBinary"), "80");
    w.setText("cmbOutput", "MPE"); // typed in: not a 330 item
    w.calcBinary();
    EXPECT_EQ(w.text("txtBinary"), "80");
}
