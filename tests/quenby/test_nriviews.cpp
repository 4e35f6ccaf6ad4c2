#include "quenby/link/familytable.h"
#include "quenby/memutils/nriviews.h"
#include "quenby/shell/texts.h"

#include <gtest/gtest.h>

using namespace quenby;

namespace {

// An NRI mech of one model as the window sees it after a read.
struct Nri {
    explicit Nri(const QString& m) : model(m)
    {
        setMechParameters(params, Family::NRI, model, texts);
        t.nriIdent = "070C1A";
        t.coinValueMultipleRead = 5;
    }
    QString text(NriView v) const { return nriViewText(v, {t, params, mechEntry(Family::NRI, model), texts}); }
    QStringList lines(NriView v) const { return text(v).split("\r\n"); }

    QString model;
    TextTable texts;
    ModelParams params;
    NriReadTables t;
};

QString sp(int n) { return QString(n, u' '); }

const QString kDate = sp(30) + "Last Adjustment:  07/12/26";

} // namespace

TEST(NriViews, ListsOfTheSevenModels)
{
    const TextTable texts;
    const QStringList withParams{"Limits", "Parameter Map", "Other Information"};
    const QStringList plain{"Limits", "Other Information"};
    EXPECT_EQ(nriViewList(mechEntry(Family::NRI, "G13-6000"), texts), withParams);
    EXPECT_EQ(nriViewList(mechEntry(Family::NRI, "G40-0000"), texts), withParams);
    EXPECT_EQ(nriViewList(mechEntry(Family::NRI, "G18-3000"), texts), (QStringList{"Limits", "Compensation Map", "Other Information"}));
    for (const char* m : {"G13-0000", "G18-0000", "G10-4000", "G10-4000/5", "X99"})
        EXPECT_EQ(nriViewList(mechEntry(Family::NRI, m), texts), plain) << m;

    EXPECT_EQ(nriViewAt(mechEntry(Family::NRI, "G13-0000"), 1), NriView::Other);
    EXPECT_EQ(nriViewAt(mechEntry(Family::NRI, "G18-3000"), 1), NriView::Map);
    EXPECT_EQ(nriViewAt(mechEntry(Family::NRI, "G18-3000"), 0), NriView::Limits);
    EXPECT_EQ(nriViewAt(mechEntry(Family::NRI, "G40-0000"), -1), NriView::Other);
    EXPECT_EQ(nriViewAt(mechEntry(Family::NRI, "G40-0000"), 2), NriView::Other);
}

TEST(NriViews, LimitsHeadingStandsOverItsColumns)
{
    Nri m("G13-0000"); // four names of three letters
    m.t.nriLimitTable[1] = {0, 10, 30, 20, 40, 7, 255, 0, 1000};
    const QStringList l = m.lines(NriView::Limits);
    ASSERT_EQ(l.size(), 1 + 6 + 2);
    EXPECT_EQ(l[0], sp(22) + sp(5) + "NFP" + sp(9) + "GRO" + sp(9) + "NFA" + sp(9) + "HFP" + sp(9));
    EXPECT_EQ(l[1], sp(12) + "Coin 01" + sp(5) + " 010 030    " + " 020 040    " + " 007 255    " + " 000 1000    ");
    EXPECT_EQ(l[0].indexOf("GRO") - l[0].indexOf("NFP"), 12);
    EXPECT_EQ(l[6], sp(12) + "Coin 06" + sp(5) + QString(" 000 000    ").repeated(4));
    EXPECT_EQ(l[7], "");

    Nri n("G13-6000");
    n.params.paramNames[0] = "Schwellwertparameter"; // a translation of 20 characters
    const QStringList h = n.lines(NriView::Limits);
    EXPECT_EQ(h[0], sp(10) + "Schwellwertp" + "Parameter2  Parameter3  Parameter4  Parameter5  Parameter6  ");
    EXPECT_EQ(h.size(), 1 + 12 + 2);
}

TEST(NriViews, ParameterMapWithLegendAndCompensation)
{
    Nri m("G13-6000");
    m.t.nriParamTable[1] = {0, 3, 0, 15, 1, 2, 5};
    m.t.nriCompensation = {1, 2, 3, 4, 9, 9, 9};
    const QStringList l = m.lines(NriView::Map);
    ASSERT_EQ(l.size(), 1 + 12 + 1 + 2 + 1 + 1);
    EXPECT_EQ(l[0], sp(7) + "  Parameter 1  Parameter 2  Parameter 3  Parameter 4  Parameter 5  Parameter 6");
    EXPECT_EQ(l[1], "Coin 01" + sp(7) + QString(" 03          ") + " 00          " + " 15          " +
                        " 01          " + " 02          " + " 05");
    EXPECT_EQ(l[13], "");
    EXPECT_EQ(l[14], sp(14) + "00=hfp  01=nfa  02=gro  03=hfa  04=nfp  05=hxn  06=hxa  07=snp");
    EXPECT_EQ(l[15], sp(14) + "08=shp  09=m09  10=m10  11=m11  12=m12  13=m13  14=m14  15=m15");
    EXPECT_EQ(l[17], sp(20) + "CP1H = 001   CP1L = 002   CP2H = 003   CP2L = 004");
}

TEST(NriViews, CompensationMapOfTheG18AndTheG40LegendInEveryLanguage)
{
    Nri g18("G18-3000");
    const QStringList l = g18.lines(NriView::Map);
    EXPECT_EQ(l[0], sp(7) + sp(7) + "NFP" + sp(10) + "GRO" + sp(10) + "GRU" + sp(10) + "NFA" + sp(10) + "RCH" +
                        sp(10) + "HFP");
    ASSERT_EQ(l.size(), 1 + 12 + 1 + 2 + 1);
    EXPECT_EQ(l[13], "");
    EXPECT_EQ(l[16], sp(20) + "CP1H = 000   CP1L = 000   CP2H = 000   CP2L = 000");

    Nri g40("G40-0000");
    g40.texts.languageName = "Deutsch"; // a language file without any of these texts
    g40.texts.textTableLoaded = true;
    const QString map = g40.text(NriView::Map);
    EXPECT_TRUE(map.contains(sp(14) + "00=nfa  01=bod  02=hfp  03=lft  04=hfa  05=mas  06=gro  07=gru\r\n" + sp(14) +
                             "08=slf  09=m09  10=lsa  11=lsb  12=m12  13=m13  14=m14  15=m15\r\n"));
}

TEST(NriViews, OutputsWithTheirRouteColumns)
{
    Nri g40("G40-0000");
    g40.t.nriCoinX0F[1] = 0x3C;
    g40.t.nriCoinOutput[1] = 68; // line 4, two pulses
    g40.t.mechCoinValues[1] = 50;
    g40.t.nriCoinOutput[12] = 0xC0;
    g40.t.nriInfoLines[0] = "x9?2"; // coin 1 at position 2, coin 2 at 4, coin 7 at 1
    const QStringList l = g40.lines(NriView::Other);
    ASSERT_EQ(l.size(), 1 + 12 + 2 + 2);
    EXPECT_EQ(l[0], sp(25) + "Output Hex   Inhibit No      Value    Pulses   Route");
    EXPECT_EQ(l[1], sp(15) + "Coin 01" + sp(7) + "3C" + sp(9) + "   4           " + " 0050" + "      2" + sp(7) + "1001");
    EXPECT_TRUE(l[2].endsWith(sp(7) + "0010"));
    EXPECT_TRUE(l[7].endsWith(sp(7) + "0000")); // "x" counts as 0
    EXPECT_EQ(l[12], sp(15) + "Coin 12" + sp(7) + "00" + sp(9) + "   0           " + " 0000" + "      4" + sp(7) + "0000");
    EXPECT_EQ(l[14], sp(30) + "Value Multiplier: 005");
    EXPECT_EQ(l[16], kDate);

    Nri g18("G18-3000");
    g18.t.nriInfoLines[0] = "020202";
    const QStringList m = g18.lines(NriView::Other);
    EXPECT_EQ(m[0], sp(25) + "Output Hex   Inhibit No      Value    Pulses   Route");
    EXPECT_TRUE(m[1].endsWith("      1" + sp(7) + "  1"));
    EXPECT_TRUE(m[4].endsWith("      1" + sp(7) + "  0"));

    Nri g13("G13-6000");
    const QStringList n = g13.lines(NriView::Other);
    EXPECT_EQ(n[0], sp(25) + "Output Hex   Inhibit No      Value    Pulses");
    EXPECT_TRUE(n[1].endsWith(" 0000      1"));
}

TEST(NriViews, ValuesOfTheOlderModels)
{
    Nri g13("G13-0000");
    g13.t.mechCoinValues[1] = 10;
    g13.t.mechCoinValues[6] = 200;
    const QStringList l = g13.lines(NriView::Other);
    ASSERT_EQ(l.size(), 1 + 6 + 2 + 2);
    EXPECT_EQ(l[0], sp(47) + "Value");
    EXPECT_EQ(l[1], sp(30) + "Coin 01" + sp(10) + " 0010");
    EXPECT_EQ(l[6], sp(30) + "Coin 06" + sp(10) + " 0200");
    EXPECT_EQ(l[8], sp(30) + "Value Multiplier: 005");
    EXPECT_EQ(l[10], kDate);

    Nri g10("G10-4000");
    for (int k = 13; k <= 16; ++k)
        g10.t.mechCoinValues[size_t(k)] = k;
    const QStringList m = g10.lines(NriView::Other);
    ASSERT_EQ(m.size(), 1 + 8 + 1 + 4 + 2);
    EXPECT_EQ(m[8], sp(30) + "Coin 08" + sp(10) + " 0000");
    EXPECT_EQ(m[9], "");
    EXPECT_EQ(m[10], sp(30) + "Lowest Value      0013");
    EXPECT_EQ(m[13], sp(30) + "Right Tube Value  0016");
    EXPECT_EQ(m[15], kDate);
}

TEST(NriViews, G10FiveHidesTheValuesOfCoinsNineOn)
{
    Nri m("G10-4000/5");
    m.t.mechCoinValues[8] = 25;
    m.t.mechCoinValues[9] = 99; // not shown
    m.t.nriInfoLines[0] = "000000500070"; // coins 7.. at positions 1, 3, 5, ..
    m.t.nriInfoLines[1] = "07121A";
    const QStringList l = m.lines(NriView::Other);
    ASSERT_EQ(l.size(), 1 + 12 + 1 + 4 + 2);
    EXPECT_EQ(l[0], sp(36) + "Value" + sp(7) + "LMR" + sp(5) + "Map");
    EXPECT_EQ(l[8], sp(20) + "Coin 08" + sp(10) + " 0025" + sp(7) + "000");
    EXPECT_EQ(l[9], sp(20) + "Coin 09" + sp(10) + " XXXX" + sp(7) + "000" + sp(5) + " 7");
    EXPECT_EQ(l[10], sp(20) + "Coin 10" + sp(10) + " XXXX" + sp(7) + "101" + sp(5) + " 12");
    EXPECT_EQ(l[11], sp(20) + "Coin 11" + sp(10) + " XXXX" + sp(7) + "000" + sp(5) + " 1");
    EXPECT_EQ(l[12], sp(20) + "Coin 12" + sp(10) + " XXXX" + sp(7) + "111" + sp(5) + " 0");
    EXPECT_EQ(l[19], kDate);
}

TEST(NriViews, LastAdjustmentDate)
{
    Nri m("X99"); // an unknown model still shows the date
    EXPECT_EQ(m.text(NriView::Other), "\r\n" + kDate);
    m.t.nriIdent = "1F0B";
    EXPECT_EQ(m.text(NriView::Other), "\r\n" + sp(30) + "Last Adjustment:  31/11/11");
    m.t.nriIdent = "";
    EXPECT_EQ(m.text(NriView::Other), "\r\n" + sp(30) + "Last Adjustment:  00/00/00");
    m.t.nriIdent = "0G1z";
    EXPECT_EQ(m.text(NriView::Other), "\r\n" + sp(30) + "Last Adjustment:  00/01/01");
}
