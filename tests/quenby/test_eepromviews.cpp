#include "quenby/link/familytable.h"
#include "quenby/memutils/eepromviews.h"
#include "quenby/shell/texts.h"

#include <gtest/gtest.h>

using namespace quenby;

namespace {

// A CC mech of one model as the window sees it after a read.
struct Cc {
    explicit Cc(const QString& model, const QString& family = "CC") : entry(mechEntry(familyNamed(family), model))
    {
        setMechParameters(params, entry.family, model, texts);
    }
    EepromPane pane(EepromView v) const { return eepromViewText(int(v), {entry, params, img, texts}); }
    QStringList lines(EepromView v) const { return pane(v).text.split("\r\n"); }

    TextTable texts;
    MechEntry entry;
    ModelParams params;
    Image img{};
};

QString sp(int n) { return QString(n, u' '); }

} // namespace

TEST(EepromViews, ListAndCoinStrip)
{
    const TextTable texts;
    EXPECT_EQ(eepromViewList(texts), (QStringList{"Hex Data ", "Limits", "Other Information"}));
    const QString strip = eepromCoinStrip(texts);
    EXPECT_EQ(strip.size(), 97 + 1 + 5 + 98);
    EXPECT_TRUE(strip.startsWith(QString(97, u'-') + " Coin -"));
}

TEST(EepromViews, HexRowsFollowTheMemorySize)
{
    Cc s("Sentinel");
    for (int a = 0; a < 64; ++a)
        s.img[size_t(a)] = a * 0x0101;
    s.img[64] = 0xBEEF; // beyond a Sentinel's memory: not shown
    const QStringList l = s.lines(EepromView::Hex);
    ASSERT_EQ(l.size(), 6);
    EXPECT_EQ(l[0], "  00 0000 0101 0202 0303 0404 0505 0606 0707 0808 0909 0A0A 0B0B 0C0C 0D0D 0E0E 0F0F ");
    EXPECT_TRUE(l[1].startsWith("   10 1010 1111 "));
    EXPECT_TRUE(l[3].startsWith("   30 3030 "));
    EXPECT_TRUE(l[3].endsWith(" 3F3F "));
    EXPECT_EQ(l[4], "   ");
    EXPECT_EQ(l[5], "");
    EXPECT_FALSE(s.pane(EepromView::Hex).text.contains("BEEF"));

    Cc c435("435");
    c435.img[255] = 0xFFFF;
    const QStringList m = c435.lines(EepromView::Hex);
    ASSERT_EQ(m.size(), 18);
    EXPECT_TRUE(m[15].startsWith("   F0 0000 "));
    EXPECT_TRUE(m[15].endsWith(" FFFF "));
}

TEST(EepromViews, LimitsOfA220BShowEightCoins)
{
    Cc b("220B");
    b.params.coinCount = 16; // whatever the count says: the second eight are copies
    b.img[9] = 0x0C05;       // coin 1, parameter 1
    b.img[25] = 0xFF00;      // coin 1, parameter 2
    b.img[41] = 0x0001;      // coin 1, parameter 3
    b.img[16] = 0x0203;      // coin 8, parameter 1
    const QStringList l = b.lines(EepromView::Limits);
    ASSERT_EQ(l.size(), 1 + 8 + 2);
    EXPECT_EQ(l[0], sp(26) + "  Parameter1  Parameter2  Parameter3");
    EXPECT_EQ(l[1], sp(18) + "Coin 01     " + " 005 012    " + " 000 255    " + " 001 000    ");
    EXPECT_EQ(l[8], sp(18) + "Coin 08     " + " 003 002    " + " 000 000    " + " 000 000    ");
    EXPECT_EQ(l[9], "");
    EXPECT_FALSE(b.pane(EepromView::Limits).text.contains("Coin 09"));
}

TEST(EepromViews, LimitsFollowEachModelsBaseAndStride)
{
    // Coin 2, last parameter: C120 10 + 1 + 12 * 2; 435 16 + 1 + 16 * 4; 450 16 + 1 + 12 * 3.
    const std::pair<const char*, int> rows[] = {{"C120", 35}, {"435", 81}, {"450", 53}, {"Sentinel", 17}, {"335", 42}};
    for (const auto& [model, address] : rows) {
        Cc m(model);
        m.img[size_t(address)] = 0x0C05;
        const QStringList l = m.lines(EepromView::Limits);
        ASSERT_GE(l.size(), 3) << model;
        EXPECT_TRUE(l[2].endsWith(" 005 012    ")) << model << ": " << l[2].toStdString();
        EXPECT_EQ(l[2].count(" 005 012    "), 1) << model;
        EXPECT_EQ(l[2].indexOf("Coin 02"), (6 - m.params.paramCount) * 6) << model;
    }
}

TEST(EepromViews, ALongTranslatedNameIsCutToItsColumn)
{
    Cc m("335");
    m.params.paramNames[0] = "Schwellwertparameter"; // 20 characters
    const QStringList l = m.lines(EepromView::Limits);
    EXPECT_EQ(l[0], sp(26) + "Schwellwertp" + "  Parameter2  Parameter3");
    EXPECT_EQ(l[0].size() + 4, l[1].size()); // the last name still ends over its high limit
}

TEST(EepromViews, SentinelSortNames)
{
    Cc s("Sentinel");
    s.img[54] = 0x89AB; // coins 1..4, the most significant nibble first
    s.img[55] = 0xCD07; // coins 5..8; 7 has no name
    const QStringList l = s.lines(EepromView::Other);
    ASSERT_EQ(l.size(), 10);
    EXPECT_EQ(l[0], sp(35) + "Sentinel Routing");
    EXPECT_EQ(l[1], "");
    const char* sorts[] = {"A", "C", "B", "D", "AB", "CD", "No Sort", ""};
    for (int c = 1; c <= 8; ++c)
        EXPECT_EQ(l[c + 1], sp(30) + QString("Coin %1").arg(c, 2, 10, QChar('0')) + sp(10) + "Route : " + sorts[c - 1]);
}

TEST(EepromViews, Routes450)
{
    Cc m("450");
    m.img[121] = 0x3210; // coins 1..4, the least significant nibble first
    m.img[122] = 0x00F0;
    m.img[123] = 0x7000;
    const QStringList l = m.lines(EepromView::Other);
    ASSERT_EQ(l.size(), 14);
    EXPECT_EQ(l[0], sp(35) + "C450 Routing");
    EXPECT_EQ(l[2], sp(30) + "Coin 01" + sp(10) + "Route A");
    EXPECT_EQ(l[5], sp(30) + "Coin 04" + sp(10) + "Route D");
    EXPECT_EQ(l[7], sp(30) + "Coin 06" + sp(10) + "Route P");
    EXPECT_EQ(l[13], sp(30) + "Coin 12" + sp(10) + "Route H");
}

TEST(EepromViews, C120OutputColumns)
{
    Cc m("C120");
    m.img[109] = 0x7F01; // first column: coin 1 the low byte, coin 2 the high byte
    m.img[114] = 0x2010; // coins 11, 12
    m.img[82] = 0x0400;  // second column: coin 1 is the high byte of word 82
    m.img[83] = 0x0020;  // coin 2
    m.img[88] = 0x0008;  // coin 12
    const QStringList l = m.lines(EepromView::Other);
    ASSERT_EQ(l.size(), 3 + 12);
    EXPECT_EQ(l[0], sp(35) + "C120 Output Mapping");
    EXPECT_EQ(l[2], sp(36) + "Jaguar C120 Output" + sp(5) + "New C120 Output");
    EXPECT_EQ(l[3], sp(20) + "Coin 01" + sp(15) + "1     " + sp(15) + "3");
    EXPECT_EQ(l[4], sp(20) + "Coin 02" + sp(15) + "Hex 7F" + sp(15) + "6");
    EXPECT_EQ(l[5], sp(20) + "Coin 03" + sp(15) + "None  " + sp(15) + "None");
    EXPECT_EQ(l[13], sp(20) + "Coin 11" + sp(15) + "5     " + sp(15) + "None");
    EXPECT_EQ(l[14], sp(20) + "Coin 12" + sp(15) + "6     " + sp(15) + "4");
}

TEST(EepromViews, OtherModelsFamiliesAndPositions)
{
    Cc m("335");
    EXPECT_EQ(m.pane(EepromView::Other).text, "\r\n\r\n" + sp(30) + "No other Information available");
    EXPECT_FALSE(m.pane(EepromView::Other).routingEditor);

    const EepromPane routing = Cc("435").pane(EepromView::Other);
    EXPECT_TRUE(routing.routingEditor);
    EXPECT_EQ(routing.text, "  ");

    Cc mars("MS111", "Mars");
    mars.params.memorySize = 32;
    EXPECT_EQ(mars.pane(EepromView::Limits).text, "  ");
    EXPECT_EQ(mars.pane(EepromView::Other).text, "  ");
    EXPECT_EQ(mars.lines(EepromView::Hex).size(), 4);

    EXPECT_EQ(eepromViewText(-1, {m.entry, m.params, m.img, m.texts}).text, "  ");
    EXPECT_EQ(eepromViewText(3, {m.entry, m.params, m.img, m.texts}).text, "  ");
}
