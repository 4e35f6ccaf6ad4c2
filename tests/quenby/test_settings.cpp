#include "quenby/shell/settings.h"
#include "tests/support/testservices.h"

#include <gtest/gtest.h>

using namespace quenby;
using testing_support::TestServices;

TEST(SettingsFile, WritesThreeQuotedFields)
{
    TestServices ts;
    EXPECT_FALSE(writeSettings(ts.folder(), 7, "Deutsch", {}).has_value());
    EXPECT_EQ(ts.readFile("config0000.txt"), QByteArray("\" 7\",\"Deutsch\",\"\"\r\n"));

    EXPECT_FALSE(writeSettings(ts.folder(), 12, "English", "ok").has_value());
    EXPECT_EQ(ts.readFile("config0000.txt"), QByteArray("\" 12\",\"English\",\"ok\"\r\n"));
    EXPECT_EQ(settingsLine(-2, "x", {}), QByteArray("\"-2\",\"x\",\"\"\r\n"));
}

TEST(SettingsFile, MechReplyCannotBreakTheRecord)
{
    const QByteArray reply("A\"B,C\r\nD\x00\x06\x7F\xE9Z", 13);
    EXPECT_EQ(settingsLine(3, "Deutsch", reply), QByteArray("\" 3\",\"Deutsch\",\"AB,CD\xE9Z\"\r\n"));

    TestServices ts;
    ASSERT_FALSE(writeSettings(ts.folder(), 3, "Deu\"tsch", reply).has_value());
    const auto rec = readSettings(ts.folder());
    ASSERT_TRUE(rec.has_value());
    EXPECT_EQ(rec->port, 3);
    EXPECT_EQ(rec->language, "Deutsch");
}

TEST(SettingsFile, SpanishRoundTripsInTheWindowsCodePage)
{
    TestServices ts;
    const QString es = QStringLiteral("Espa\u00f1ol");
    ASSERT_FALSE(writeSettings(ts.folder(), 30, es, {}).has_value());
    EXPECT_EQ(ts.readFile("config0000.txt"), QByteArray("\" 30\",\"Espa\xF1ol\",\"\"\r\n"));
    const auto rec = readSettings(ts.folder());
    ASSERT_TRUE(rec.has_value());
    EXPECT_EQ(rec->port, 30);
    EXPECT_EQ(rec->language, es);
}

TEST(SettingsFile, PortOutsideRangeOrNotANumberIsOne)
{
    const struct {
        const char* field;
        int port;
    } cases[] = {
        {" 3", 3},   {"0", 1},   {"31", 1},   {"-4", 1}, {"abc", 1},        {"", 1},
        {"2.5", 2},  {"3.5", 4}, {"30.4", 30}, {"30.5", 30}, {"31.5", 1}, {"0.5", 1},    {"1e99", 1},
        {" 7xyz", 7}, {"&H1E", 30},
    };
    for (const auto& c : cases)
        EXPECT_EQ(portFromField(c.field), c.port) << c.field;
}

TEST(SettingsFile, ReadsQuotedAndUnquotedRecords)
{
    TestServices ts;
    ts.writeFile("config0000.txt", "\" 31\",\"Francais\",\"junk, more\"\r\n");
    auto rec = readSettings(ts.folder());
    ASSERT_TRUE(rec.has_value());
    EXPECT_EQ(rec->port, 1);
    EXPECT_EQ(rec->language, "Francais");

    ts.writeFile("config0000.txt", "\r\n5 , Deutsch \n");
    rec = readSettings(ts.folder());
    ASSERT_TRUE(rec.has_value());
    EXPECT_EQ(rec->port, 5);
    EXPECT_EQ(rec->language, "Deutsch");

    ts.writeFile("config0000.txt", "\"9\"");
    rec = readSettings(ts.folder());
    ASSERT_TRUE(rec.has_value());
    EXPECT_EQ(rec->port, 9);
    EXPECT_EQ(rec->language, "English");
}

TEST(SettingsFile, EmptyOrMissingFileCountsAsMissing)
{
    TestServices ts;
    EXPECT_FALSE(readSettings(ts.folder()).has_value());
    ts.writeFile("config0000.txt", "");
    EXPECT_FALSE(readSettings(ts.folder()).has_value());
    ts.writeFile("config0000.txt", "\r\n  \r\n");
    EXPECT_FALSE(readSettings(ts.folder()).has_value());
}

TEST(SettingsFile, WriteFailureIsReturnedNotShown)
{
    TestServices ts;
    const auto err = writeSettings(ts.folder() + "/no/such/folder", 1, "English", {});
    ASSERT_TRUE(err.has_value());
    EXPECT_EQ(err->number(), 75);
    EXPECT_TRUE(ts.dialogs->boxes().empty());
}
