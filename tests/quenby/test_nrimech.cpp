// NRI memory read of every model into the NRI tables, data lines and scratch file, against the
// simulated mechs: commands in order, logon retries, cancel.
#include "platform/filefaults.h"
#include "quenby/link/nrimech.h"
#include "sim/nrimech.h"
#include "tests/quenby/datafiles.h"
#include "tests/quenby/mech_fixture.h"

#include <QDir>

namespace {

using namespace quenby_tests;
using sim::NriMech;
using sim::When;

struct NriReadTest : MechTest {
    NriMech* mech = nullptr;
    quenby::NriReadTables& t = mem.nri;

    NriMech* plug(const QString& model)
    {
        mech = plugNew<NriMech>("NRI", model);
        return mech;
    }
    quenby::ReadState read() { return quenby::readMechMemory(ctx()); }
    // Lines a read must not touch carry this text beforehand.
    void markLines()
    {
        for (int n = 1; n <= 28; ++n)
            t.nriDataLines[size_t(n)] = "old" + QString::number(n);
    }
    QByteArray scratch(const QString& name) const { return ts.readFile(name); }
};

TEST_F(NriReadTest, G13With6000ReadsAll28RecordsIntoLinesTablesAndTheScratchFile)
{
    plug("G13-6000");
    const quenby::ReadState r = read();
    EXPECT_TRUE(r.complete);
    EXPECT_EQ(sent(), "C00" + kEsc25 + "$05I" +
                          "X00X01X02X03X04X05X06X07X08X09X0AX0BX0CX0DX0EX0FX10X12X13X14X15X16X17X18X19X1AX1BX11" +
                          kReset);
    for (int n = 1; n <= 28; ++n)
        ASSERT_EQ(t.nriDataLines[size_t(n)], QString::fromLatin1(mech->record(n - 1))) << n;
    EXPECT_EQ(t.nriIdent, "070C19");
    for (int c = 1; c <= 12; ++c) {
        const auto windows = NriMech::typicalWindows("G13-6000", c);
        for (int p = 1; p <= 6; ++p) {
            ASSERT_EQ(t.nriLimitTable[size_t(c)][size_t(2 * p - 1)], windows[p - 1].first) << c << " " << p;
            ASSERT_EQ(t.nriLimitTable[size_t(c)][size_t(2 * p)], windows[p - 1].second) << c << " " << p;
        }
    }
    // Record 10: multiplier 45 hex, coin bytes 01, 02, 04: values (45 And 63) x byte.
    EXPECT_EQ(t.coinValueMultipleRead, 0x45);
    EXPECT_EQ(t.mechCoinValues[1], 5);
    EXPECT_EQ(t.mechCoinValues[3], 20);
    // Record 12: coin 4's byte 48 hex (line 4 and bit 6), coin 9's 81 hex.
    EXPECT_EQ(t.nriCoinOutput[4], 4 + 64);
    EXPECT_EQ(t.nriCoinOutput[9], 3 + 128);
    EXPECT_EQ(t.nriCoinX0F[12], 0x1C);
    EXPECT_EQ((std::vector<qint32>(t.nriParamTable[1].begin() + 1, t.nriParamTable[1].end())),
              (std::vector<qint32>{4, 2, 1, 3, 0, 5})); // coin 1's map "421305"
    EXPECT_EQ(t.nriCompensation, (std::array<qint32, 7>{0x1E, 0x28, 0x32, 0x3C, 0x46, 0x50, 0}));
    EXPECT_EQ(t.nriInfoLines[0], "120312031203");
    EXPECT_EQ(scratch("G13-6000temp.txt"), nriFile(t.nriDataLines));
    EXPECT_EQ(progress.events.mid(0, 5), (QStringList{"caption NRI Memory Read", "title READING MEMORY IN PROGRESS",
                                                        "segment hidden", "step 0", "show"}));
    EXPECT_EQ(progress.steps.back(), 16);
    EXPECT_EQ(progress.events.back(), "hide");
}

TEST_F(NriReadTest, G18With3000ReadsSixCompensationValuesAndNoRecords1AAnd1B)
{
    plug("G18-3000");
    markLines();
    EXPECT_TRUE(read().complete);
    EXPECT_FALSE(sent().contains("X1A"));
    EXPECT_EQ(t.nriCompensation[5], 0x50);
    EXPECT_EQ(t.nriDataLines[27], "") << "no other mech's record";
    EXPECT_EQ(t.nriDataLines[28], "");
    EXPECT_EQ(t.nriDataLines[26], "1E28323C4650");
}

TEST_F(NriReadTest, G10With5ReadsRecords00To14IntoItsOwnScratchFile)
{
    plug("G10-4000/5");
    markLines();
    EXPECT_TRUE(read().complete);
    EXPECT_TRUE(sent().endsWith("X0FX10X11X12X13X14" + kReset));
    EXPECT_EQ(t.nriG10Header, "0A1B2C3D");
    EXPECT_EQ(t.coinValueMultipleRead, 1);
    EXPECT_EQ((std::vector<qint32>{t.mechCoinValues[13], t.mechCoinValues[16], t.mechCoinValues[1], t.mechCoinValues[8]}),
              (std::vector<qint32>{5, 50, 5, 40}));
    EXPECT_EQ(t.nriInfoLines[0], "120312031203");
    EXPECT_EQ(t.nriInfoLines[1], "031203120312");
    EXPECT_EQ(t.nriDataLines[22], "") << "never read: no other mech's record";
    const QByteArray file = scratch("G10-4000-5temp.txt");
    EXPECT_EQ(file, nriFile(t.nriDataLines));
}

TEST_F(NriReadTest, G13With0000ReadsDecimalLinesAndTheDate)
{
    plug("G13-0000");
    mech->setOldRecord("Z", QByteArray(28, ' ') + "07/12/26");
    EXPECT_TRUE(read().complete);
    EXPECT_EQ(sent(), "C00" + kEsc25 + "$01I" + "ZYV1V2V3V4V5V6" + kReset);
    for (int c = 1; c <= 6; ++c)
        EXPECT_EQ(t.nriDataLines[size_t(c)], QString::fromLatin1(mech->oldRecord("V" + QByteArray::number(c))));
    EXPECT_EQ(t.nriDataLines[7], QString::fromLatin1(mech->oldRecord("Y")));
    EXPECT_EQ(t.nriDataLines[8], "07/12/26");
    EXPECT_EQ(t.nriIdent, "070C1A");
    // "Y": the multiplier first, coin 1's value last.
    EXPECT_EQ(t.coinValueMultipleRead, 5);
    EXPECT_EQ(t.mechCoinValues[1], 10);
    EXPECT_EQ(t.mechCoinValues[6], 0);
    const auto windows = NriMech::typicalWindows("G13-0000", 2);
    EXPECT_EQ(t.nriLimitTable[2][7], windows[3].first);
    EXPECT_EQ(t.nriLimitTable[2][8], windows[3].second);
    // The older models pause 200 ms after "Z", after the values and after each coin.
    const plat::Millis y = sentAt("Y")[0];
    EXPECT_GE(y - sentAt("Z")[0], 200);
}

TEST_F(NriReadTest, G10With4000ReadsItsValueLineAndTheDate)
{
    plug("G10-4000");
    EXPECT_TRUE(read().complete);
    EXPECT_EQ(sent(), "C00" + kEsc25 + "$23I" + "ZXV1V2V3V4V5V6V7V8" + kReset);
    EXPECT_EQ(t.nriDataLines[9], QString::fromLatin1(mech->oldRecord("X")));
    EXPECT_EQ(t.nriDataLines[10], "07/12/25");
    EXPECT_EQ(t.coinValueMultipleRead, 1);
    EXPECT_EQ(t.nriG10Header, "G10HDR00001");
    EXPECT_EQ(t.mechCoinValues[8], 40);
}

TEST_F(NriReadTest, AMechAnsweringTheFourthLogonIsReadAfterThreePauses)
{
    plug("G13-6000");
    mech->setFault(NriMech::Fault::IdentUnanswered, When::first(3));
    EXPECT_TRUE(read().complete);
    const auto idents = sentAt("I");
    ASSERT_EQ(idents.size(), 4u);
    for (size_t i = 1; i < idents.size(); ++i) {
        // 500 + 500 ms for the reply, the 500 ms pause, 100 ms after serial mode.
        EXPECT_GE(idents[i] - idents[i - 1], 1560);
        EXPECT_LE(idents[i] - idents[i - 1], 1640);
    }
    EXPECT_EQ(t.nriDataLines[1], "4E524931");
}

TEST_F(NriReadTest, NoLogonAfterFourTriesChangesNothing)
{
    plug("G40-0000");
    mech->setFault(NriMech::Fault::WrongIdent, When::always());
    markLines();
    dialogs.answer(plat::mb::OK, "No Communication with the NRI Coin Mech\r\n or Wrong Mech Type\r\n"
                                 "Check Coin Mech Type and Connections");
    const quenby::ReadState r = read();
    EXPECT_FALSE(r.complete);
    EXPECT_EQ(r.stopTextId, 133);
    EXPECT_EQ(dialogs.boxes()[0].title, "Error");
    EXPECT_EQ(sentAt("I").size(), 4u);
    EXPECT_FALSE(sent().contains("<BRK")); // the box is not reset
    EXPECT_EQ(t.nriDataLines[1], "old1");
    EXPECT_FALSE(ts.fileExists("G40-0000temp.txt"));
    EXPECT_FALSE(progress.events.contains("show"));
}

TEST_F(NriReadTest, CancelInTheCoinLoopStopsAfterTheCoinAndLeavesTheRest)
{
    plug("G13-6000");
    markLines();
    progress.onStep = [this](int step) {
        if (step == 4)
            job.userAbort = true;
    };
    const quenby::ReadState r = read();
    EXPECT_FALSE(r.complete);
    EXPECT_EQ(r.stopAddress, 8); // coin 5's line is the first not read
    EXPECT_TRUE(sent().endsWith("X06" + kReset));
    EXPECT_EQ(t.nriDataLines[7], QString::fromLatin1(mech->record(6)));
    for (int n = 8; n <= 28; ++n)
        ASSERT_EQ(t.nriDataLines[size_t(n)], "old" + QString::number(n)) << n;
    EXPECT_FALSE(ts.fileExists("G13-6000temp.txt"));
    EXPECT_EQ(progress.events.back(), "hide");
}

TEST_F(NriReadTest, ACancelStillSendsTheRecordsEveryReadAsksFor)
{
    plug("G40-0000");
    markLines();
    progress.onShow = [this] { job.userAbort = true; }; // cancelled as the read begins
    EXPECT_FALSE(read().complete);
    EXPECT_EQ(sent(), "C00" + kEsc25 + "$05I" + "X00X01X02X03" + kReset);
    EXPECT_EQ(t.nriDataLines[5], "old5");
}

TEST_F(NriReadTest, OlderModelCancelledSkipsItsValueLineWhole)
{
    plug("G18-0000");
    markLines();
    t.coinValueMultipleRead = 77;
    progress.onStep = [this](int step) {
        if (step == 1) // after "Z"
            job.userAbort = true;
    };
    EXPECT_FALSE(read().complete);
    EXPECT_EQ(sent(), "C00" + kEsc25 + "$01I" + "Z" + kReset);
    EXPECT_EQ(t.nriDataLines[7], "old7");
    EXPECT_EQ(t.coinValueMultipleRead, 77);
    EXPECT_NE(t.nriDataLines[8], "old8"); // the date was read
}

TEST_F(NriReadTest, ShortAndMissingRepliesAreStoredAsTheyStandAndTheReadIsNotWhole)
{
    plug("G13-6000");
    mech->setRecordFault(3, NriMech::RecordFault::ShortReply);
    mech->setRecordFault(4, NriMech::RecordFault::NoReply);
    const quenby::ReadState r = read();
    EXPECT_FALSE(r.complete);
    EXPECT_EQ(r.stopAddress, 5) << "the line of the record that did not answer";
    EXPECT_TRUE(sent().endsWith("X11" + kReset)) << "every record still asked for";
    EXPECT_FALSE(ts.fileExists("G13-6000temp.txt"));
    EXPECT_EQ(t.nriDataLines[4], QString::fromLatin1(mech->record(3).left(12)));
    EXPECT_EQ(t.nriDataLines[5], "");
    EXPECT_NE(t.nriLimitTable[1][6], 0);
    EXPECT_EQ(t.nriLimitTable[1][7], 0); // past the short reply's end
    EXPECT_EQ(t.nriLimitTable[1][12], 0);
    EXPECT_EQ(t.nriLimitTable[2][1], 0);
}

TEST_F(NriReadTest, AScratchFileThatCannotBeWrittenIsReportedAndNoHalfFileIsLeft)
{
    plug("G13-6000");
    plat::FileFaults faults;
    faults.noNewFiles(ts.folder());
    dialogs.answer(plat::mb::OK, " 136 Error Reading NRI Memory Address : ");
    EXPECT_TRUE(read().complete);
    EXPECT_EQ(QDir(ts.folder()).entryList(QDir::Files), QStringList());
    EXPECT_TRUE(sent().endsWith(kReset)); // the read goes on to its end
}

} // namespace
