// NRI programming of newer and older models from the job's tables, against the simulated mechs:
// records, their order and pauses, the date stamp, refusals and values that cannot be written.
#include "quenby/link/nrimech.h"
#include "sim/nrimech.h"
#include "tests/quenby/mech_fixture.h"

namespace {

using namespace quenby_tests;
using sim::NriMech;
using sim::When;

struct NriProgramTest : MechTest {
    NriMech* mech = nullptr;
    quenby::CoinTables& c = mem.coins;

    NriMech* plug(const QString& model)
    {
        mech = plugNew<NriMech>("NRI", model);
        return mech;
    }
    bool program() { return quenby::NriFamily(ctx(), quenby::mechEntry(quenby::Family::NRI, job.mechModel)).program(); }

    // Windows, values, outputs, inhibit lines and parameter maps for every coin of a newer model.
    void fillNewer()
    {
        for (int coin = 1; coin <= 12; ++coin) {
            for (int p = 1; p <= 6; ++p) {
                c.coinLimitTable(coin, 2 * p - 1) = 10 * p + coin;
                c.coinLimitTable(coin, 2 * p) = 30 * p + coin;
            }
            c.coinValues(coin) = 5 * coin;
            c.coinOutputs(coin) = 0x20 + coin;
            mem.nriCoin.nriCoinValues[size_t(coin)] = (coin - 1) % 7; // lines 0..6, 0 and 7+ give none
            for (int p = 1; p <= 6; ++p)
                mem.nriCoin.nriCoinParams[size_t(coin)][size_t(p)] = (coin + p) % 16;
        }
        c.coinLimitTable(1, 1) = 10;
        c.coinLimitTable(1, 2) = 30;
        c.coinValues(1) = 50;
        c.coinValueMultiple = 5;
        mem.nriCoin.nriCoinValues[1] = 68; // line 4 and bit 6
    }
};

TEST_F(NriProgramTest, NewerModelGetsItsRecordsAndTodaysDate)
{
    plug("G13-6000");
    fillNewer();
    dialogs.answer(plat::mb::OK, "NRI Memory Programmed OK");
    EXPECT_TRUE(program());
    EXPECT_EQ(mech->commandsSeen().mid(0, 18), (QStringList{"I", "Z03", "Z04", "Z05", "Z06", "Z07", "Z08", "Z09",
                                                          "Z0A", "Z0B", "Z0C", "Z0D", "Z0E", "Z02", "Z0F", "Z10",
                                                          "Z12", "Z13"}));
    // Then every record written is read back before the box is reset.
    EXPECT_EQ(mech->commandsSeen().mid(18), (QStringList{"X03", "X04", "X05", "X06", "X07", "X08", "X09", "X0A", "X0B",
                                                       "X0C", "X0D", "X0E", "X02", "X0F", "X10", "X12", "X13"}));
    EXPECT_EQ(mech->record(2), "070C1A"); // 7 December 2026
    EXPECT_TRUE(mech->record(3).startsWith("1E0A"));
    EXPECT_EQ(mech->record(4), "200C3E165C207A2A9834B63E");
    EXPECT_EQ(mech->record(0x0F), "2122232425262728292A2B2C");
    EXPECT_EQ(mech->record(0x10), "050A02030405060708090A0B0C"); // multiplier 05; coin 1's 50 is 0A
    EXPECT_EQ(mech->record(0x12), "480102040810200001020408");
    EXPECT_TRUE(mech->record(0x13).startsWith("234567345678"));
    EXPECT_EQ(mech->record(0x11), "120312031203"); // a G13-6000 never writes its route record
    EXPECT_TRUE(sent().startsWith("C00" + kEsc25 + "$05IZ03"));
    EXPECT_TRUE(sent().endsWith(kReset));
    EXPECT_EQ(dialogs.boxes()[0].title, "OK");
    EXPECT_EQ(dialogs.boxes()[0].style, plat::mb::Information);
    EXPECT_EQ(progress.events.mid(0, 5), (QStringList{"caption NRI Memory ", "title PROGRAMMING MEMORY IN PROGRESS",
                                                        "segment hidden", "step 0", "show"}));
    EXPECT_EQ(progress.steps, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}));
    EXPECT_EQ(progress.events.back(), "hide");
}

TEST_F(NriProgramTest, PausesBetweenTheRecords)
{
    plug("G40-0000");
    fillNewer();
    mech->setRecord(0x11, "000000000000");
    c.routingLoaded = true;
    c.nriRouting(0) = "120312031203";
    dialogs.answer(plat::mb::OK, "NRI Memory Programmed OK");
    EXPECT_TRUE(program());
    EXPECT_EQ(mech->commandsSeen().mid(13, 6), (QStringList{"Z02", "Z0F", "Z10", "Z12", "Z13", "Z11"}));
    EXPECT_EQ(mech->record(0x11), "120312031203"); // the coin set's route record
    // After the last coin: 100 ms, then 100 ms more before the date; 200 ms before record 0F.
    const auto zs = sentAt("Z");
    ASSERT_EQ(zs.size(), 18u);
    EXPECT_GE(zs[12] - zs[11], 200);
    EXPECT_GE(zs[13] - zs[12], 200);
}

TEST_F(NriProgramTest, CompensationValuesOnlyFromACoinSetThatHasThem)
{
    plug("G18-3000");
    fillNewer();
    for (int j = 0; j < 6; ++j)
        c.nriXValues(j) = 0x10 + j;
    c.nriXLoaded = true;
    mem.nri.nriInfoLines[0] = "999999999999";
    dialogs.answer(plat::mb::OK, "NRI Memory Programmed OK");
    EXPECT_TRUE(program());
    EXPECT_EQ(mech->commandsSeen().mid(14, 6), (QStringList{"Z0F", "Z10", "Z12", "Z13", "Z19", "Z11"}));
    EXPECT_EQ(mech->record(0x19), "101112131415");
    EXPECT_EQ(mech->record(0x11), "999999999999"); // written back as last read
}

TEST_F(NriProgramTest, G10With5WritesValuesAndRoutesBehindItsHeader)
{
    plug("G10-4000/5");
    fillNewer();
    mem.nri.nriG10Header = "0A1B2C3D";
    for (int k = 13; k <= 16; ++k)
        c.coinValues(k) = k;
    c.routingLoaded = true;
    c.nriRouting(0) = "111111111111";
    c.nriRouting(1) = "222222222222";
    dialogs.answer(plat::mb::OK, "NRI Memory Programmed OK");
    EXPECT_TRUE(program());
    EXPECT_EQ(mech->commandsSeen().mid(13, 4), (QStringList{"Z02", "Z0F", "Z10", "Z11"}));
    EXPECT_EQ(mech->record(0x0F), "0A1B2C3D" "0013001400150016" "00500010001500200025003000350040");
    EXPECT_EQ(mech->record(0x10), "111111111111");
    EXPECT_EQ(mech->record(0x11), "222222222222");
}

TEST_F(NriProgramTest, ARefusedCoinRecordStillWritesTheCoinsAndTheDateButNothingAfter)
{
    plug("G13-6000");
    fillNewer();
    mech->setRecordFault(5, NriMech::RecordFault::PieceRefused); // coin 3
    dialogs.answer(plat::mb::OK, "Error Programming NRI Memory");
    EXPECT_FALSE(program());
    EXPECT_EQ(mech->commandsSeen().mid(1), (QStringList{"Z03", "Z04", "Z05", "Z06", "Z07", "Z08", "Z09", "Z0A", "Z0B",
                                                        "Z0C", "Z0D", "Z0E", "Z02"}));
    EXPECT_EQ(mech->record(2), "070C1A");
    EXPECT_EQ(dialogs.boxes()[0].title, "Error");
    EXPECT_EQ(dialogs.boxes()[0].style, plat::mb::Critical);
    EXPECT_TRUE(sent().endsWith(kReset));
}

TEST_F(NriProgramTest, ARecordThatFailsAfterTheDateStopsTheRest)
{
    plug("G40-0000");
    fillNewer();
    mech->setRecordFault(0x10, NriMech::RecordFault::PieceUnanswered);
    dialogs.answer(plat::mb::OK, "Error Programming NRI Memory");
    EXPECT_FALSE(program());
    // Record 12 follows record 10 whatever became of it; 13 and 11 do not.
    EXPECT_EQ(mech->commandsSeen().mid(14), (QStringList{"Z0F", "Z10", "Z12"}));
}

TEST_F(NriProgramTest, LimitsAreHeldTo0To255)
{
    plug("G13-6000");
    fillNewer();
    c.coinLimitTable(1, 1) = -4;
    c.coinLimitTable(1, 2) = 300;
    dialogs.answer(plat::mb::OK, "NRI Memory Programmed OK");
    EXPECT_TRUE(program());
    EXPECT_TRUE(mech->record(3).startsWith("FF00"));
    EXPECT_EQ(c.coinLimitTable(1, 2), 300); // the job's table is left as it was
}

TEST_F(NriProgramTest, AValueThatCannotBeWrittenEndsTheJobBeforeAnythingIsSent)
{
    plug("G13-6000");
    fillNewer();
    const QByteArray before = mech->record(0x10);
    struct Case {
        const char* what;
        std::function<void()> spoil;
    } cases[] = {
        {"a coin value of 300 units", [this] { c.coinValues(2) = 5 * 300; }},
        {"a multiplier without units", [this] { c.coinValueMultiple = 64; }},
        {"a negative value", [this] { c.coinValues(4) = -5; }},
        {"an output code above 255", [this] { c.coinOutputs(7) = 256; }},
        {"a parameter code above 15", [this] { mem.nriCoin.nriCoinParams[3][2] = 16; }},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        fillNewer();
        k.spoil();
        port.clearTranscript();
        dialogs.answer(plat::mb::OK, "Error Programming NRI Memory");
        EXPECT_FALSE(program());
        EXPECT_EQ(sent(), "");
        EXPECT_EQ(mech->record(0x10), before);
    }
    EXPECT_FALSE(progress.events.contains("show"));
}

TEST_F(NriProgramTest, NoLogonNothingWrittenAndNoReset)
{
    plug("G13-6000");
    fillNewer();
    mech->setFault(NriMech::Fault::WrongIdent, When::always());
    dialogs.answer(plat::mb::OK, "No Communication with the NRI Coin Mech\r\n or Wrong Mech Type\r\n"
                                 "Check Coin Mech Type and Connections");
    EXPECT_FALSE(program());
    EXPECT_EQ(sent(), "C00" + kEsc25 + "$05I");
    EXPECT_EQ(dialogs.boxes()[0].title, "Error");
    EXPECT_FALSE(progress.events.contains("show"));
}

TEST_F(NriProgramTest, OlderModelGetsPacedRecordsAndTheDate)
{
    plug("G13-0000");
    for (int p = 1; p <= 4; ++p) {
        c.coinLimitTable(1, 2 * p) = 20 + 10 * p;    // highs 30, 40, 50, 60
        c.coinLimitTable(1, 2 * p - 1) = 10 * p;     // lows 10, 20, 30, 40
    }
    c.coinValueMultiple = 5;
    const int values[] = {10, 20, 50, 100, 200, 0};
    for (int coin = 1; coin <= 6; ++coin)
        c.coinValues(coin) = values[coin - 1];
    dialogs.answer(plat::mb::OK, "NRI Memory Programmed OK");
    EXPECT_TRUE(program());
    const QByteArray written = sent();
    EXPECT_TRUE(written.startsWith("C00" + kEsc25 + "$01I" + "D1030040050060\r010020030040\rD2000"));
    EXPECT_TRUE(written.contains("B005000200100050020010\r"));
    EXPECT_TRUE(written.endsWith("E07/12/26\rV1V2V3V4V5V6YZ" + kReset)) << "each record read back";
    EXPECT_EQ(mech->oldRecord("V1"), "030040050060010020030040");
    EXPECT_EQ(mech->oldRecord("Y"), "005000200100050020010");
    EXPECT_TRUE(mech->oldRecord("Z").endsWith("07/12/26"));
    EXPECT_EQ(progress.steps, (std::vector<int>{0, 2, 4, 6, 8, 10, 12}));
    // About 50 ms a character: a coin record of 27 characters and its 300 ms pause.
    const auto d = sentAt("D");
    EXPECT_GE(d[1] - d[0], 27 * 40 + 300);
    EXPECT_LE(d[1] - d[0], 28 * 60 + 320);
}

TEST_F(NriProgramTest, AnOlderMechThatLostACharacterIsNotProgrammedOk)
{
    for (const char* model : {"G13-0000", "G10-4000"}) {
        plug(model);
        mem.nri.nriG10Header = "G10HDR00001";
        c.coinValueMultiple = 5;
        mech->setFault(NriMech::Fault::LostCharacter, When::first(1)); // coin 1's record is not stored
        dialogs.answer(plat::mb::OK, "Error Programming NRI Memory\r\nThe mech's record D (coin 1) does not read "
                                     "back as it was written.");
        EXPECT_FALSE(program()) << model;
        EXPECT_EQ(mech->writesRejected(), 1) << model;
        EXPECT_TRUE(sent().endsWith(kReset)) << model;
    }
}

} // namespace
