// Cloning NRI mechs end to end on virtual time, on 7 December 2026: the G13-6000 sample set, whose
// coin data places each parameter in its field of the measurement reply, read once for the
// transfer, programmed record by record with the date stamp; and the older G13-0000 with its
// paced decimal records. The records are checked against clone_vectors.py.
#include "sim/nrimech.h"
#include "tests/quenby/clone_fixture.h"

namespace {

using namespace quenby_tests;

Reading nriBase(int c, int params)
{
    return Reading{60 + 10 * c, 80 + 8 * c, 100 + 6 * c, 120 + 4 * c, 140 + 5 * c, 160 + 3 * c}.mid(0, params);
}

struct NriClone : CloneTest {
    sim::NriMech* nri = nullptr;
    void SetUp() override
    {
        CloneTest::SetUp();
        // The programming date stamped into the mech comes from the clock.
        ts.sched = std::make_unique<plat::VirtualScheduler>(QDateTime(QDate(2026, 12, 7), QTime(10, 0, 0)));
        ts.dialogs = std::make_unique<testing_support::ScriptedDialogs>(*ts.sched);
    }
    void open(const QString& model)
    {
        openMeasure(model, "cmbNRImech", "cmdNRIprog");
        nri = &mech<sim::NriMech>();
    }
};

TEST_F(NriClone, TheG136000SetIsReadOnceProgrammedAndDated)
{
    open("G13-6000");
    answerFile(coinSet("G13-6000.cst"));
    const QStringList names = {"5p", "10p", "20p", "50p", QString::fromUtf8("£1"), QString::fromUtf8("£2")};
    for (int c = 1; c <= 6; ++c)
        gatherYes(names[c - 1], around(nriBase(c, 6), 9 + c), c);
    // The slug is measured through coin 12's parameter map.
    gatherYes("Slugs and washers", around({30, 40, 50, 60, 70, 80}, 10), 12);
    answer(plat::mb::OK, "Data Gathering Complete");
    press(w(), "cmdOpenCoinset");
    ASSERT_TRUE(editorShown());
    EXPECT_EQ(nri->commandsSeen().filter(QRegularExpression("^X")).size(), 28) << "every record read once";
    EXPECT_TRUE(p->memory.coins.clone.oldImageTaken);
    EXPECT_EQ(p->memory.coins.slugCount, 1);

    clearSent();
    answer(plat::mb::OK, "NRI Memory Programmed OK");
    press(ed(), "cmdProgPROM");
    EXPECT_TRUE(sent().startsWith("J")) << sent().left(8).toHex().constData();
    EXPECT_TRUE(sent().endsWith("WW"));
    EXPECT_TRUE(ed().isEnabled("cmdValtest"));
    const std::pair<int, const char*> records[] = {
        {0x02, "070C1A"},
        {0x03, "523A6050746185749D85AB9B"},
        {0x04, "5848695778688C749E8EAF9D"},
        {0x05, "63517060826A8C7CA491B2A0"},
        {0x06, "6D5C7C648474917EA998B8A0"},
        {0x07, "7A6280708B799483B199B7A7"},
        {0x08, "80708977907F9B83B2A2BCA9"},
        {0x09, "000000000000000000000000"},
        {0x0E, "000000000000000000000000"},
        {0x0F, "1112131415161718191A1B1C"},
        {0x10, "050102040A1428050800000000"},
        {0x12, "010204481020010284081020"},
        {0x13, "42130540213A40213742130540213A40213742130540213A40213742130540213A402137"},
        {0x19, "1E28323C"},
    };
    for (const auto& [r, text] : records)
        EXPECT_EQ(nri->record(r).toStdString(), text) << r;
    EXPECT_FALSE(nri->commandsSeen().contains("Z11")) << "a G13-6000 has no route record to write";
    EXPECT_EQ(nri->commandsSeen().filter(QRegularExpression("^X")).size(), 28 + 18)
        << "the one read, then each record written read back";
}

TEST_F(NriClone, TheOlderG130000TakesPacedDecimalRecordsAndTheDate)
{
    open("G13-0000");
    answerFile(coinSet("G13-0000.cst"));
    const QStringList names = {"5p", "10p", "20p", "50p", QString::fromUtf8("£1"), QString::fromUtf8("£2")};
    for (int c = 1; c <= 6; ++c)
        gatherYes(names[c - 1], around(nriBase(c, 4), 9 + c), c);
    answer(plat::mb::OK, "Data Gathering Complete");
    press(w(), "cmdOpenCoinset");
    ASSERT_TRUE(editorShown());
    answer(plat::mb::OK, "NRI Memory Programmed OK");
    press(ed(), "cmdProgPROM");
    const char* const coins[6] = {"082096116133058080097116", "088105120140072087104116", "099112130140081096106124",
                                  "109124132145092100116126", "122128139148098112121131", "128137144155112119127131"};
    for (int c = 1; c <= 6; ++c)
        EXPECT_EQ(nri->oldRecord("V" + QByteArray::number(c)).toStdString(), coins[c - 1]) << c;
    EXPECT_EQ(nri->oldRecord("Y").toStdString(), "005000200100040020010");
    EXPECT_EQ(nri->oldRecord("Z").right(8).toStdString(), "07/12/26");
    EXPECT_EQ(nri->writesRejected(), 0);
}

TEST_F(NriClone, ARefusedThirdLimitRecordFailsTheJobButTheDateIsStillWritten)
{
    open("G13-6000");
    writeCoinSet("one.cst", "\"NRI.G13-6000\",\"o\",\"O\",\"1\"\r\n\"-\"\r\n"
                            "CD,a,Coin 01,3,F,10,F,20,10,F,30,F,40,10,F,50,F,60,10,F,70,F,80,10,F,90,F,99,10,"
                            "F,100,F,110,10\r\n");
    answerFile(coinSet("one.cst"));
    gatherYes("a", Readings(3, Reading{100, 100, 100, 100, 100, 100}));
    answer(plat::mb::OK, "Data Gathering Complete");
    press(w(), "cmdOpenCoinset");
    nri->setRecordFault(0x05, sim::NriMech::RecordFault::PieceRefused);
    answer(plat::mb::OK, "Error Programming NRI Memory");
    press(ed(), "cmdProgPROM");
    EXPECT_EQ(nri->record(0x02).toStdString(), "070C1A");
    EXPECT_EQ(nri->record(0x03).toStdString(), "140A281E3C325046635A6E64");
    EXPECT_FALSE(nri->commandsSeen().contains("Z0F")) << "nothing after the date";
    EXPECT_FALSE(ed().isEnabled("cmdValtest"));
}

} // namespace
