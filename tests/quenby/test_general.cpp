#include "platform/runtimeerror.h"
#include "quenby/shell/general.h"

#include <gtest/gtest.h>

using namespace quenby;

namespace {
QStringList fields(const QString& line, int count)
{
    CsvCursor c{line, 1};
    QStringList out;
    for (int i = 0; i < count; ++i)
        out << c.nextCsvField();
    return out;
}
} // namespace

TEST(NextCsvField, QuotedFieldLosesQuotesThenEmptyTexts)
{
    EXPECT_EQ(fields(R"(12,"Ten Pence",x)", 5), (QStringList{"12", "Ten Pence", "x", "", ""}));
}

TEST(NextCsvField, EmptyFieldsBetweenAndAfterCommas)
{
    EXPECT_EQ(fields("a,,b,", 4), (QStringList{"a", "", "b", ""}));
    EXPECT_EQ(fields("", 2), (QStringList{"", ""}));
    EXPECT_EQ(fields(",", 2), (QStringList{"", ""}));
}

TEST(NextCsvField, QuotesDoNotProtectACommaAndBlanksStay)
{
    EXPECT_EQ(fields(R"(1,"a, b",c)", 4), (QStringList{"1", "a", " b", "c"}));
    EXPECT_EQ(fields(R"(x"y"z ,  w)", 2), (QStringList{"xyz ", "  w"}));
}

TEST(NextCsvField, PositionMovesOnEvenWhenUsedUp)
{
    CsvCursor c{"ab", 1};
    EXPECT_EQ(c.nextCsvField(), "ab");
    EXPECT_EQ(c.csvPos, 3);
    EXPECT_EQ(c.nextCsvField(), "");
    EXPECT_EQ(c.csvPos, 4);
    c.csvPos = 100;
    EXPECT_EQ(c.nextCsvField(), "");
    EXPECT_EQ(c.csvPos, 101);
}

TEST(NextCsvField, StartsMidLineAndStopsAfterComma)
{
    CsvCursor c{"abc,def", 3};
    EXPECT_EQ(c.nextCsvField(), "c");
    EXPECT_EQ(c.csvPos, 5);
}

TEST(NextCsvField, PositionBelowOneIsTheCallersError)
{
    for (int pos : {0, -7}) {
        CsvCursor c{"a,b", pos};
        try {
            c.nextCsvField();
            FAIL() << "no error for csvPos " << pos;
        } catch (const plat::RuntimeError& e) {
            EXPECT_EQ(e.number(), 5);
        }
    }
}

TEST(LimitModeName, ExactCaseSensitiveLetters)
{
    EXPECT_EQ(limitModeName("3"), "3*SD");
    EXPECT_EQ(limitModeName("2"), "2*SD");
    EXPECT_EQ(limitModeName("M"), "Mean");
    EXPECT_EQ(limitModeName("L"), "Low");
    EXPECT_EQ(limitModeName("H"), "High");
    EXPECT_EQ(limitModeName("F"), "Fixed");
    for (const char* other : {"m", " M", "M ", "MM", "", "1"})
        EXPECT_EQ(limitModeName(other), "") << other;
}

TEST(Hex, FixedWidthUpperCase)
{
    EXPECT_EQ(hex4(10), "000A");
    EXPECT_EQ(hex4(0), "0000");
    EXPECT_EQ(hex4(74565), "2345");
    EXPECT_EQ(hex4(-1), "FFFF");
    EXPECT_EQ(hex4(std::numeric_limits<qint32>::min()), "0000");
    EXPECT_EQ(hex2(255), "FF");
    EXPECT_EQ(hex2(256), "00");
    EXPECT_EQ(hex2(5), "05");
    EXPECT_EQ(hex2(-2), "FE");
    EXPECT_EQ(hex2(0xAB), "AB");
}

TEST(IsInList, ExactMatchOnly)
{
    const QStringList models{"C120", "220B", "Sentinel"};
    EXPECT_TRUE(isInList("C120", models));
    EXPECT_TRUE(isInList("Sentinel", models));
    EXPECT_FALSE(isInList("c120", models));
    EXPECT_FALSE(isInList("C120 ", models));
    EXPECT_FALSE(isInList("", models));
    EXPECT_FALSE(isInList("C120", {}));
}

