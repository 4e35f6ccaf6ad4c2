// Cloning Coin Controls mechs end to end on virtual time: the 435 sample set with its route
// record onto the mech's own EEPROM, programmed word by word and verified over words 0..200, and
// the C120 set with its output record. Window and route words are checked against
// clone_vectors.py; every other word keeps what the mech held and the checksum holds.
#include "sim/ccmech.h"
#include "tests/quenby/clone_fixture.h"

namespace {

using namespace quenby_tests;

Reading ccBase(int c, int params)
{
    return Reading{60 + 10 * c, 80 + 8 * c, 100 + 6 * c, 120 + 4 * c, 40 + 5 * c}.mid(0, params);
}

struct CcClone : CloneTest {
    sim::CcMech* cc = nullptr;
    std::vector<quint16> before;
    void open(const QString& model)
    {
        openMeasure(model, "cmbCCmech", "cmdCCprog");
        cc = &mech<sim::CcMech>();
        before = cc->words();
    }
    // C120.cst gathered whole (six coins and the slugs) up to the limits editor.
    void runC120Set()
    {
        answerFile(coinSet("C120.cst"));
        const QStringList names = {"5p", "10p", "20p", "50p", QString::fromUtf8("£1"), QString::fromUtf8("£2")};
        for (int c = 1; c <= 6; ++c)
            gatherYes(names[c - 1], around(ccBase(c, 3), 9 + c), c);
        gatherYes("Slugs and washers", around({200, 210, 220}, 10));
        answer(plat::mb::OK, "Data Gathering Complete");
        press(w(), "cmdOpenCoinset");
    }
    // The words of the mech that differ from what it held, but for those listed.
    QList<int> otherChanges(const QSet<int>& expected) const
    {
        QList<int> out;
        for (int a = 0; a < cc->wordCount(); ++a)
            if (cc->word(a) != before[size_t(a)] && !expected.contains(a))
                out << a;
        return out;
    }
};

TEST_F(CcClone, The435SetWithItsRoutingIsProgrammedAndVerified)
{
    open("435");
    cc->driftHighWords = true; // words above 200 change between reads: the verify leaves them out
    answerFile(coinSet("435.cst"));
    const QStringList names = {"5p", "10p", "20p", "50p", QString::fromUtf8("£1"), QString::fromUtf8("£2"),
                               "Euro 1", "Euro 2"};
    const int counts[8] = {10, 11, 12, 13, 14, 15, 16, 17};
    for (int c = 1; c <= 8; ++c) {
        if (c == 1) {
            Readings first = around(ccBase(1, 5), 10);
            first[3][1] = ccBase(1, 5)[1] * 13 / 10;
            ts.dialogs->answerWith([this, first](const testing_support::BoxRecord&) {
                dropLater(first, 1);
                return plat::mb::Yes;
            });
            answerAfter(plat::mb::OK, [this] { dropLater(around(ccBase(1, 5), 1, 10), 1); }, "Coin Fliers detected");
            answer(plat::mb::OK, "Gathered Coin 5p");
            continue;
        }
        gatherYes(names[c - 1], around(ccBase(c, 5), counts[c - 1]), c);
    }
    answer(plat::mb::OK, "Data Gathering Complete");
    press(w(), "cmdOpenCoinset");
    ASSERT_TRUE(editorShown());
    EXPECT_EQ(cc->addressesRead().size(), 256) << "the transfer reads the mech once";
    EXPECT_TRUE(p->memory.coins.clone.routingMapped);
    EXPECT_EQ(ed().text("lblCoin", 0), "Coin 01");
    EXPECT_EQ(ed().text("txtProm", 0), "58");
    EXPECT_EQ(ed().text("txtProm", 1), "82");

    clearSent();
    answer(plat::mb::OK, "EEPROM Verified OK");
    press(ed(), "cmdProgPROM");
    EXPECT_TRUE(sent().startsWith("J")) << sent().left(10).toHex().constData();
    EXPECT_TRUE(sent().endsWith("WW")) << "the job's W and the command's";
    EXPECT_TRUE(ed().isEnabled("cmdValtest"));

    // Window words (clone_vectors.py), channels 9..16 without windows, the route words.
    const std::vector<std::pair<int, int>> windows = {
        {16, 21050}, {17, 22600}, {18, 25425}, {19, 27996}, {20, 31330}, {21, 32880}, {22, 35961}, {23, 38276},
        {32, 24400}, {33, 26967}, {34, 28768}, {35, 31844}, {36, 32880}, {37, 35191}, {38, 36992}, {39, 40068},
        {48, 29536}, {49, 30824}, {50, 33386}, {51, 33908}, {52, 35705}, {53, 36991}, {54, 39297}, {55, 40076},
        {64, 33907}, {65, 35956}, {66, 35964}, {67, 37246}, {68, 38019}, {69, 39811}, {70, 40076}, {71, 41358},
        {80, 14625}, {81, 14890}, {82, 16429}, {83, 17716}, {84, 19765}, {85, 20030}, {86, 21568}, {87, 22599}};
    QSet<int> expected;
    for (const auto& [a, v] : windows) {
        EXPECT_EQ(cc->word(a), v) << a;
        expected << a;
    }
    for (int p = 0; p < 5; ++p)
        for (int c = 9; c <= 16; ++c) {
            EXPECT_EQ(cc->word(16 + (c - 1) + 16 * p), 0) << c;
            expected << 16 + (c - 1) + 16 * p;
        }
    const int route[16] = {12816, 17185, 21554, 25923, 30292, 1893, 4214, 8455,
                           12816, 17185, 21554, 25923, 30292, 1893, 4214, 8455};
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(cc->word(128 + i), route[i]);
        expected << 128 + i;
    }
    const int more[4] = {12816, 30292, 47768, 65244};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(cc->word(110 + i), more[i]);
        expected << 110 + i;
    }
    EXPECT_EQ(cc->word(11), before[11] | 0x100);
    EXPECT_EQ(cc->word(228), 3 * 256 + 0x42);
    EXPECT_EQ(cc->word(204) >> 8, 2);
    expected << 11 << 228 << 204 << 127;
    for (int a = 201; a < 256; ++a)
        expected << a; // drifting
    EXPECT_TRUE(cc->byteSumOk()) << "the checksum covers the route words written after the windows";
    EXPECT_EQ(otherChanges(expected), QList<int>{});
}

TEST_F(CcClone, TheC120SetWithItsOutputRecordIsProgrammedAndVerified)
{
    open("C120");
    runC120Set();
    ASSERT_TRUE(editorShown());
    answer(plat::mb::OK, "EEPROM Verified OK");
    press(ed(), "cmdProgPROM");
    const std::vector<std::pair<int, int>> words = {
        {10, 21050}, {11, 22600}, {12, 25425}, {13, 27996}, {14, 31330}, {15, 32880}, {22, 24656}, {23, 26967},
        {24, 28768}, {25, 31844}, {26, 32880}, {27, 35191}, {34, 29793}, {35, 30824}, {36, 33386}, {37, 33908},
        {38, 35705}, {39, 36991}, {109, 513}, {110, 1027}, {111, 1541}, {112, 513}, {113, 1027}, {114, 1541}};
    QSet<int> expected{127};
    for (const auto& [a, v] : words) {
        EXPECT_EQ(cc->word(a), v) << a;
        expected << a;
    }
    for (int p = 0; p < 3; ++p)
        for (int c = 7; c <= 12; ++c) {
            EXPECT_EQ(cc->word(10 + (c - 1) + 12 * p), 0);
            expected << 10 + (c - 1) + 12 * p;
        }
    EXPECT_TRUE(cc->byteSumOk());
    EXPECT_EQ(otherChanges(expected), QList<int>{});
    EXPECT_EQ(p->memory.coins.slugCount, 1);
    EXPECT_FALSE(ed().text("lblSlugLimits", 0).isEmpty());
}

// A new job on another mech starts clean: what the first set carried (the C120 output record) is
// no part of an Edit Limits on the second, which keeps every word of it.
TEST_F(CcClone, EditLimitsOnTheNextMechKeepsItsOutputsAfterASetWithAnOutputRecord)
{
    open("C120");
    runC120Set();
    answer(plat::mb::OK, "EEPROM Verified OK");
    press(ed(), "cmdProgPROM");
    ASSERT_EQ(cc->word(110), 1027);
    press(ed(), "cmdBack1");
    press(w(), "cmdBack");

    auto* b = dynamic_cast<sim::CcMech*>(box.swapMech("C120", false));
    for (int a = 109; a <= 114; ++a)
        b->setWord(a, quint16(0x0A0B + a));
    const std::vector<quint16> held = b->words();
    run("cmbCCmech", "C120", "cmdCCprog");
    press(w(), "cmdSpecialUtilities");
    press(w(), "cmdEdit");
    ASSERT_TRUE(editorShown());
    answer(plat::mb::OK, "EEPROM Verified OK");
    press(ed(), "cmdProgPROM");
    EXPECT_EQ(b->addressesWritten(), QList<int>{});
    EXPECT_EQ(b->words(), held);
}

TEST_F(CcClone, ChangeLimitsKeepsTheSetsRoutingAndTheChecksum)
{
    open("435");
    writeCoinSet("r.cst", set435(true));
    answerFile(coinSet("r.cst"));
    gatherYes("a", Readings(3, Reading{100, 100, 100, 100, 100}));
    answer(plat::mb::OK, "Data Gathering Complete");
    press(w(), "cmdOpenCoinset");
    ed().setText("txtProm", "11", 0);
    press(ed(), "cmdChangeLimits");
    answer(plat::mb::OK, "EEPROM Verified OK");
    press(ed(), "cmdProgPROM");
    EXPECT_EQ(cc->word(16), 20 * 256 + 11);
    EXPECT_EQ(cc->word(128), 1);
    EXPECT_EQ(cc->word(143), 16);
    EXPECT_EQ(cc->word(11), before[11] & ~0x100);
    EXPECT_TRUE(cc->byteSumOk());
}

TEST_F(CcClone, AChecksumErrorInTheTransfersReadStopsProgramming)
{
    open("435");
    writeCoinSet("r.cst", set435(false));
    answerFile(coinSet("r.cst"));
    gatherYes("a", Readings(3, Reading{100, 100, 100, 100, 100}));
    answer(plat::mb::OK, "Data Gathering Complete");
    cc->setFault(sim::CcMech::Fault::BadCheckByte, sim::When::always());
    answer(plat::mb::OK); // the read's own report of the bad word
    press(w(), "cmdOpenCoinset");
    ASSERT_TRUE(editorShown());
    EXPECT_TRUE(p->memory.coins.clone.mechReadMissing);
    clearSent();
    answer(plat::mb::OK, "Press Restore Limits to read the mech again before programming.");
    press(ed(), "cmdProgPROM");
    EXPECT_EQ(sent(), "") << "nothing is written";
    EXPECT_TRUE(cc->addressesWritten().isEmpty());

    // Restore Limits reads the mech again; with a good read programming goes ahead.
    cc->setFault(sim::CcMech::Fault::BadCheckByte, sim::When::never());
    press(ed(), "cmdRestore");
    EXPECT_FALSE(p->memory.coins.clone.mechReadMissing);
    answer(plat::mb::OK, "EEPROM Verified OK");
    press(ed(), "cmdProgPROM");
    EXPECT_EQ(cc->word(16), 20 * 256 + 10);
    EXPECT_TRUE(cc->byteSumOk());
}

} // namespace
