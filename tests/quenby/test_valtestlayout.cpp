// The validator test's layout for every family and model, output mode, G40 variant, binary probe
// result and box version.
#include "quenby/shell/texts.h"
#include "quenby/shell/valtestlayout.h"

#include <gtest/gtest.h>

using namespace quenby;

namespace {

struct Case {
    const char* family;
    const char* model;
    const char* variant;
    bool binary;        // optBinary selected
    bool probeAnswered; // a line came back to "*"
    const char* version;
    // expected
    const char* captions; // joined by "|"
    int rejectLine;
    bool binaryPossible;
};

QString captionsOf(const ValtestLayout& l)
{
    QStringList out;
    for (const ValtestLine& line : l.lines)
        out << line.caption;
    return out.join(u'|');
}

ValtestLayout layoutOf(const Case& c, const TextTable& texts = TextTable())
{
    return valtestLayout(mechEntry(familyNamed(c.family), c.model), {c.variant, c.binary, c.version}, c.probeAnswered, texts);
}

const char* const kNumbered16 = "Coin 01|Coin 02|Coin 03|Coin 04|Coin 05|Coin 06|Coin 07|Coin 08|"
                                "Coin 09|Coin 10|Coin 11|Coin 12|Coin 13|Coin 14|Coin 15|Coin 16";

} // namespace

TEST(ValtestLayout, EveryRowOfTheTable)
{
    const Case cases[] = {
        {"CC", "C120", "", false, true, "V2.00", "Coin A|Coin B|Coin C|Coin D|Coin E|Coin F", 0, false},
        {"CC", "Sentinel", "", false, true, "V2.00", "Coin A|Coin B|Coin C|Coin D", 0, false},
        {"CC", "220B", "", false, true, "V2.00", "Coin A|Coin B|Coin C|Coin D", 0, true},
        {"CC", "220B", "", true, true, "V2.00", "Coin 01|Coin 02|Coin 03|Coin 04|Coin 05|Coin 06|Coin 07|Coin 08", 0, true},
        {"CC", "335", "", false, true, "V2.00", "Coin A|Coin B|Coin C|Coin D|Coin E", 0, true},
        {"CC", "335", "", true, true, "V2.00", kNumbered16, 0, true},
        // No reject line outside Mars: an "R" must not light "Coin 07" of a binary layout after
        // a Mars test.
        {"CC", "435", "", true, true, "V2.00", kNumbered16, 0, true},
        {"CC", "450", "", false, true, "V2.00", "Coin A|Coin B|Coin C|Coin D|Coin E|Coin F", 0, false},
        // A box that does not answer "*": no Output Mode frame, the Single lines stay.
        {"CC", "335", "", false, false, "V2.00", "Coin A|Coin B|Coin C|Coin D|Coin E", 0, false},
        {"NRI", "G13-0000", "", false, true, "", "Coin A|Coin B|Coin C|Coin D|Coin E|Coin F", 0, false},
        {"NRI", "G13-6000", "", false, true, "", "Coin A|Coin B|Coin C|Coin D|Coin E|Coin F", 0, false},
        {"NRI", "G18-0000", "", false, true, "", "Coin A|Coin B|Coin C|Coin D|Coin E|Coin F", 0, false},
        {"NRI", "G18-3000", "", false, true, "", "Coin A|Coin B|Coin C|Coin D|Coin E|Coin F", 0, false},
        {"NRI", "G40-0000", "G40-x4xx", false, true, "", "Coin A|Coin B|Coin C|Coin D|Coin E", 0, true},
        {"NRI", "G40-0000", "G40-x3xx", true, true, "", kNumbered16, 0, true},
        {"NRI", "G40-0000", "G40-x0xx", false, true, "", "Coin A|Coin B|Coin C|Coin D|Coin E|Coin F", 0, false},
        {"NRI", "G40-0000", "G40-x6xx", false, true, "", "Coin A|Coin B|Coin C|Coin D|Coin E|Coin F", 0, false},
        {"NRI", "G10-4000", "", false, true, "",
         "Coin 01|Coin 02|Coin 03|Coin 04|Coin 05|Coin 06|Coin 07|Coin 08|Tube L|Tube M|Tube R|Cashbox", 0, false},
        {"NRI", "G10-4000/5", "", false, true, "",
         "Coin 01|Coin 02|Coin 03|Coin 04|Coin 05|Coin 06|Coin 07|Coin 08|Tube L|Tube M|Tube R|Cashbox", 0, false},
        {"Mars", "MS1000", "", false, true, "V1.91",
         "Coin A|Coin B|Coin C|Coin D|Coin E|Coin F|Coin G|Coin H|Coin I|Rejected", 10, false},
        {"Mars", "ME111", "", false, true, "V2.05", "Coin A|Coin B|Coin C|Coin D|Coin E|Coin F|Rejected", 7, false},
        {"Mars", "ME181", "", false, true, "V1.91", "Coin A|Coin B|Coin C|Coin D|Coin E|Coin F|Rejected", 7, false},
        // Older boxes (a plain text comparison: "QB2.1" and an empty version sort below).
        {"Mars", "ME111", "", false, true, "V1.90", "Coin A|Coin B|Coin C|Coin D|Coin E|Coin F", 0, false},
        {"Mars", "MS1000", "", false, true, "QB2.1", "Coin A|Coin B|Coin C|Coin D|Coin E|Coin F", 0, false},
        {"Mars", "MS1400", "", false, true, "", "Coin A|Coin B|Coin C|Coin D|Coin E|Coin F", 0, false},
        // Names the tabs do not list show nothing.
        {"CC", "999", "", false, true, "", "", 0, false},
        {"Coins", "C120", "", false, true, "", "", 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.model) + " " + c.variant + (c.binary ? " binary" : " single") + " " + c.version);
        const ValtestLayout l = layoutOf(c);
        EXPECT_EQ(captionsOf(l), c.captions);
        EXPECT_EQ(l.lineCount, int(l.lines.size()));
        EXPECT_EQ(l.rejectLine, c.rejectLine);
        EXPECT_EQ(l.binaryPossible, c.binaryPossible);
        EXPECT_EQ(l.showG40Variants, QString(c.model) == "G40-0000");
        EXPECT_EQ(l.wide, l.lineCount > 10);
        EXPECT_EQ(l.width, l.wide ? 9180 : 5910);
        EXPECT_EQ(l.height, 4775);
    }
}

TEST(ValtestLayout, BinaryChosenWithoutAProbeAnswerKeepsTheBinaryLinesButHidesTheFrame)
{
    const ValtestLayout l = layoutOf({"CC", "435", "", true, false, "", "", 0, false});
    EXPECT_EQ(l.lineCount, 16);
    EXPECT_FALSE(l.binaryPossible);
}

TEST(ValtestLayout, LinePositionsInOneAndTwoColumns)
{
    const ValtestLayout narrow = layoutOf({"Mars", "MS1000", "", false, true, "V1.91", "", 10, false});
    ASSERT_EQ(narrow.lines.size(), 10u);
    for (int i = 0; i < 10; ++i) {
        const ValtestLine& line = narrow.lines[size_t(i)];
        EXPECT_EQ(line.top, 480 + 360 * i);
        EXPECT_EQ(line.countLeft, 2040);
        EXPECT_EQ(line.indicatorLeft, 1440);
        EXPECT_EQ(line.captionLeft, 40);
    }
    EXPECT_EQ(narrow.panelShift, 0);

    const ValtestLayout wide = layoutOf({"NRI", "G10-4000/5", "", false, true, "", "", 0, false});
    ASSERT_EQ(wide.lines.size(), 12u);
    EXPECT_EQ(wide.lines[7].top, 480 + 7 * 360);
    EXPECT_EQ(wide.lines[7].countLeft, 2040);
    EXPECT_EQ(wide.lines[8].top, 480); // "Tube L" heads the second column
    EXPECT_EQ(wide.lines[8].countLeft, 5280);
    EXPECT_EQ(wide.lines[8].indicatorLeft, 4680);
    EXPECT_EQ(wide.lines[8].captionLeft, 3280);
    EXPECT_EQ(wide.lines[11].top, 480 + 3 * 360);
    EXPECT_EQ(wide.panelShift, 3240);
    EXPECT_EQ(wide.width, 9180);
}

TEST(ValtestLayout, CaptionsFollowTheLanguage)
{
    TextTable texts;
    texts.textTableLoaded = true;
    texts.languageName = "Deutsch";
    texts.textTable[1402] = "Munze ";
    texts.textTable[1403] = "Munze ";
    texts.textTable[1404] = "Abgelehnt";
    for (int id = 1445; id <= 1448; ++id)
        texts.textTable[size_t(id)] = QStringLiteral("R%1").arg(id);
    EXPECT_EQ(captionsOf(layoutOf({"Mars", "ME111", "", false, true, "V2.00", "", 0, false}, texts)),
              "Munze A|Munze B|Munze C|Munze D|Munze E|Munze F|Abgelehnt");
    EXPECT_EQ(captionsOf(layoutOf({"NRI", "G10-4000", "", false, true, "", "", 0, false}, texts)).section(u'|', 7),
              "Munze 08|R1445|R1446|R1447|R1448");
}

TEST(ValtestLayout, ProbeAndRestartCommands)
{
    EXPECT_TRUE(valtestProbes(mechEntry(Family::CC, "220B"), {}));
    EXPECT_TRUE(valtestProbes(mechEntry(Family::NRI, "G40-0000"), {"G40-x3xx", false, ""}));
    EXPECT_FALSE(valtestProbes(mechEntry(Family::NRI, "G40-0000"), {"G40-x5xx", false, ""}));
    EXPECT_FALSE(valtestProbes(mechEntry(Family::CC, "C120"), {}));
    EXPECT_FALSE(valtestProbes(mechEntry(Family::Mars, "ME111"), {}));

    using Steps = std::vector<BoxStep>;
    EXPECT_EQ(valtestRestart(mechEntry(Family::Mars, "ME181"), ""), (Steps{{"V", true}}));
    EXPECT_EQ(valtestRestart(mechEntry(Family::CC, "335"), ""), (Steps{{"O", true}}));
    EXPECT_EQ(valtestRestart(mechEntry(Family::NRI, "G18-3000"), ""), (Steps{{"O", true}}));
    EXPECT_EQ(valtestRestart(mechEntry(Family::NRI, "G40-0000"), "G40-x3xx"), (Steps{{"O", true}, {"C01", false}}));
    EXPECT_EQ(valtestRestart(mechEntry(Family::NRI, "G40-0000"), "G40-x4xx"), (Steps{{"O", true}, {"C08", false}}));
    EXPECT_EQ(valtestRestart(mechEntry(Family::NRI, "G10-4000/5"), ""), Steps{});
}

TEST(ValtestLayout, StartOfATestPerFamily)
{
    struct Start {
        const char* family;
        const char* model;
        const char* command;
        bool timings, logon;
    };
    const Start starts[] = {
        {"Mars", "ME111", "", true, false},     {"CC", "C120", "C01", false, false},
        {"CC", "450", "C09", false, false},     {"CC", "Sentinel", "C01", false, false},
        {"NRI", "G13-6000", "C00", false, false}, {"NRI", "G18-3000", "C08", false, false},
        {"NRI", "G40-0000", "C08", false, false}, {"NRI", "G10-4000", "", false, true},
        {"NRI", "G10-4000/5", "", false, true},
    };
    for (const Start& s : starts) {
        SCOPED_TRACE(s.model);
        const ValtestModel m = valtestModel(mechEntry(familyNamed(s.family), s.model));
        EXPECT_EQ(m.startCommand, QByteArray(s.command));
        EXPECT_EQ(m.marsTimings, s.timings);
        EXPECT_EQ(m.g10Logon, s.logon);
    }
    EXPECT_TRUE(valtestModel(mechEntry(Family::CC, "435")).removeLoomFirst);
    EXPECT_FALSE(valtestModel(mechEntry(Family::CC, "335")).removeLoomFirst);
}

TEST(ValtestLayout, PixelsAndCentring)
{
    EXPECT_EQ(plat::twipsToPixels(9180), 612);
    EXPECT_EQ(plat::twipsToPixels(4775), 318);
    EXPECT_EQ(plat::twipsToPixels(2000), 133);
    EXPECT_EQ(plat::twipsToPixels(7), 0);
    EXPECT_EQ(plat::twipsToPixels(8), 1);
    EXPECT_EQ(centredIn(QRect(0, 30, 1920, 1050), 612, 318), QRect(654, 396, 612, 318));
    // A window larger than the area keeps its title bar on the screen.
    EXPECT_EQ(centredIn(QRect(0, 20, 400, 300), 612, 318), QRect(0, 20, 612, 318));
}
