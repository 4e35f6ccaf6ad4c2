#include "ardwell/bench/models.h"

#include "tests/ardwell/bench.h"

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

TEST(ModelOptions, From560To126AndBack)
{
    ardwell_test::Bench b;
    ASSERT_TRUE(b.start());
    auto& w = b.win();
    plat::View& v = b.view();
    v.setValue("opt560", 1);
    v.setValue("opt126", 1);
    EXPECT_EQ(w.currentModel(), Model::M126);
    EXPECT_EQ(w.windowTitle(), "Ardwell" + QString(25, ' ') + "Model : 126");
    EXPECT_EQ(v.items("cmbCoinNumber").size(), 16);
    EXPECT_EQ(v.items("cmbChangeCoin").size(), 17);
    EXPECT_EQ(v.text("lblBinary"), "BCO Hex Code");
    EXPECT_EQ(v.text("lblinhline"), "BCO Inhibit Line");
    EXPECT_TRUE(v.isVisible("cmbPlugDecode") && v.isVisible("lblPlug"));
    EXPECT_TRUE(v.isVisible("cmbRoute") && v.isVisible("lblRoute"));
    EXPECT_EQ(v.items("cmbRoute").value(8), " d");
    EXPECT_EQ(v.text("txtSource"), "61");
    EXPECT_EQ(v.text("txtDestination"), "FF");

    v.setValue("opt560", 1);
    EXPECT_EQ(v.items("cmbCoinNumber").size(), 12);
    EXPECT_FALSE(v.isVisible("cmbPlugDecode") || v.isVisible("lblPlug"));
    EXPECT_FALSE(v.isVisible("txtBinary") || v.isVisible("lblBinary"));
    EXPECT_TRUE(v.isVisible("cmbRoute"));
    EXPECT_FALSE(v.isVisible("lblRoute"));
    EXPECT_EQ(v.text("cmbRoute"), "Default");
    EXPECT_EQ(v.items("cmbRoute").value(7), "7 ");
    EXPECT_EQ(v.text("txtSource"), "21");
    EXPECT_EQ(v.text("txtDestination"), "01");
    // Exactly one option is set at a time.
    int set = 0;
    for (const char* o : {"opt126", "opt330", "opt340", "opt560", "optPCA"})
        set += v.value(o);
    EXPECT_EQ(set, 1);
}

TEST(ModelOptions, PcaChangesOnlyCaptionAndAddresses)
{
    ardwell_test::Bench b;
    ASSERT_TRUE(b.start());
    auto& w = b.win();
    plat::View& v = b.view();
    v.setValue("opt126", 1);
    v.setText("cmbChangeCoin", "Channel 3");
    v.setValue("optPCA", 1);
    EXPECT_EQ(w.windowTitle(), "Ardwell" + QString(25, ' ') + "Model : PCA");
    EXPECT_EQ(v.text("txtSource"), "20");
    EXPECT_EQ(v.text("txtDestination"), "00");
    EXPECT_EQ(v.items("cmbCoinNumber").size(), 16); // still model 126's lists
    EXPECT_EQ(v.text("cmbChangeCoin"), "Channel 3");
    EXPECT_EQ(v.text("lblBinary"), "BCO Hex Code");
}

TEST(ModelOptions, StartWithPcaShowsThe330Lists)
{
    ardwell_test::Bench b;
    b.ts.writeFile("config.txt", "1,\"PCA\"\r\n");
    b.box.setSilent(true);
    b.ts.dialogs->answer(plat::mb::OK, "not communicating");
    ASSERT_TRUE(b.start());
    auto& w = b.win();
    plat::View& v = b.view();
    EXPECT_EQ(w.currentModel(), Model::PCA);
    EXPECT_EQ(v.items("cmbOutput").last(), "Bin");
    EXPECT_EQ(v.items("cmbCoinNumber").size(), 12);
    EXPECT_EQ(v.text("txtSource"), "20");
}

TEST(ModelOptions, HexCodeBoxFollowsTheOutputList)
{
    ardwell_test::Bench b;
    ASSERT_TRUE(b.start());
    auto& w = b.win();
    plat::View& v = b.view();
    v.setText("txtBinary", "3C");
    v.setValue("opt330", 0);
    v.setValue("opt340", 1);
    EXPECT_EQ(v.text("cmbOutput"), " ");
    EXPECT_EQ(v.text("txtBinary"), "00");
    v.setText("txtBinary", "5A");
    v.setValue("opt330", 1);
    EXPECT_EQ(v.text("cmbOutput"), "Bin");
    EXPECT_EQ(v.text("txtBinary"), "5A"); // "Bin" leaves the code as it was
    // After any rebuild the adjust list shows its blank item.
    EXPECT_EQ(v.text("cmbChangeCoin"), " ");

    v.setText("cmbOutput", "H");
    w.calcBinary();
    EXPECT_EQ(v.text("txtBinary"), "80");
    v.setText("cmbOutput", "MPE"); // typed in: not a 330 item
    w.calcBinary();
    EXPECT_EQ(v.text("txtBinary"), "80");
}
