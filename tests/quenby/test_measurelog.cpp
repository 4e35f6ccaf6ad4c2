// Measurement log rows: the fields and their order as the log holds them, and the log's file
// name. Single-precision values as tests/quenby/transfer_vectors.py writes them.
#include "quenby/clonewizard/measurelog.h"

#include <gtest/gtest.h>

using namespace quenby;

TEST(MeasureLog, FileNameFromTheSaveDialog)
{
    EXPECT_EQ(logFilePath("/q/CoinSets/run.old.txt"), "/q/CoinSets/run.csv");
    EXPECT_EQ(logFilePath("/q/sets.v2/run"), "/q/sets.v2/run.csv");
    EXPECT_EQ(logFilePath(R"(C:\sets.v2\run.csv)"), R"(C:\sets.v2\run.csv)");
    // A cancelled dialog, or a name that is all extension, opens no file.
    EXPECT_EQ(logFilePath(""), "");
    EXPECT_EQ(logFilePath("/q/CoinSets/.csv"), "");
    EXPECT_EQ(logFilePath("/q/CoinSets/"), "");
}

TEST(MeasureLog, RunRowsBeforeTheReadings)
{
    CoinsetHeader h;
    h.title = R"(UK "new", 2K)";
    h.refCode = "QZ1234567";
    h.version = "1.2.3";
    EXPECT_EQ(logHeaderRow(h), R"("UK ""new"", 2K","QZ1234567","1.2.3")");

    MarsPromLine m;
    m.sizeText = "2K";
    m.segments = {1, 1, 0, 0};
    EXPECT_EQ(logPromRow(m), R"("2K",1,1,0,0)");
    EXPECT_EQ(logEmptyRow(), R"("")");
    EXPECT_EQ(logIdlesRow({180, 200, -1}), R"("Idles",180,200,-1)");
    EXPECT_EQ(logWizardRow(2), R"("Wizard"," 2")");

    const QString names[7] = {"Thickness", "Diameter", "Material"};
    EXPECT_EQ(logRecordRows("10p", "A1", names, 3),
              (QStringList{R"("10p","A1")", R"("","Thickness","","Diameter","","Material","","")"}));
}

TEST(MeasureLog, ReadingFlierAndStatisticsRows)
{
    std::array<qint32, 11> reading{812, 640, 1204, 99, 98};
    EXPECT_EQ(logReadingRow(reading, 3), R"("",812,"",640,"",1204,"","")");
    EXPECT_EQ(logReadingRow(reading, 3).count(u',') + 1, 8);
    EXPECT_EQ(logReadingRow(reading, 5), R"("",812,"",640,"",1204,"",99,"",98,"","")");
    EXPECT_EQ(logFlierRow("Pass 1 Eliminating ( 3) - on parameter 2"), R"("Pass 1 Eliminating ( 3) - on parameter 2")");

    RecordStats s;
    s.paramMean = {0, 805.2381f, 630.0f, 1199.5f};
    s.paramSdLower = {0, 0.1f, 1.0f / 3.0f, 12345.678f};
    s.paramSdUpper = {0, 2.0f / 3.0f, 0.47140452f, 100.4f};
    s.recordLimits = {0, 790, 820, 600, 660, 1150, 1250};
    const QStringList rows = logStatsRows(s, 3);
    ASSERT_EQ(rows.size(), 4);
    EXPECT_EQ(rows[0], R"("Mean",805.2381,"","","",630,"","","",1199.5,"","","","")");
    EXPECT_EQ(rows[1], R"("SD Lower",0.1,"","","",0.3333333,"","","",12345.68,"","","","")");
    EXPECT_EQ(rows[2], R"("SD Upper",0.6666667,"","","",0.4714045,"","","",100.4,"","","","")");
    EXPECT_EQ(rows[3], R"("Limits : ",790,"",820,"",600,"",660,"",1150,"",1250,"","")");
    EXPECT_EQ(rows[3].count(u',') + 1, 14);
    EXPECT_THROW(logStatsRows(s, 7), plat::RuntimeError);
}
