#include "ardwell/link/settings.h"
#include "tests/support/testservices.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace ardwell;
using State = ConfigRecord::State;

TEST(ConfigRecord, ReadsPortAndModel)
{
    const auto r = parseConfig("3,\"126\"\r\n");
    EXPECT_EQ(r.state, State::Read);
    EXPECT_EQ(r.port, 3);
    EXPECT_EQ(r.model, Model::M126);
    EXPECT_FALSE(r.modelFieldMissing);

    // Every model text maps to its own model.
    for (const char* m : {"126", "330", "340", "560", "PCA"})
        EXPECT_EQ(modelText(parseConfig(QByteArray("20,\"") + m + "\"\r\n").model), QString(m));
}

TEST(ConfigRecord, PortOutsideOneToTwentyBecomesOne)
{
    for (const char* p : {"0", "21", "-3", "99999999999", "abc", ""}) {
        const auto r = parseConfig(QByteArray(p) + ",\"560\"\r\n");
        EXPECT_EQ(r.state, State::Read) << p;
        EXPECT_EQ(r.port, 1) << p;
        EXPECT_EQ(r.model, Model::M560) << p;
    }
    EXPECT_EQ(parseConfig("1,\"560\"").port, 1);
    EXPECT_EQ(parseConfig("20,\"560\"").port, 20);
}

TEST(ConfigRecord, PortRoundsHalvesToEven)
{
    EXPECT_EQ(parseConfig("2.5,\"330\"").port, 2);
    EXPECT_EQ(parseConfig("3.5,\"330\"").port, 4);
    EXPECT_EQ(parseConfig("20.4,\"330\"").port, 20);
    EXPECT_EQ(parseConfig("20.6,\"330\"").port, 1); // rounds to 21
    EXPECT_EQ(parseConfig("0.6,\"330\"").port, 1);
    EXPECT_EQ(parseConfig("7abc,\"330\"").port, 7); // the number the text begins with
    EXPECT_EQ(parseConfig("\"4\",\"PCA\"").port, 4); // a quoted port is read as well
}

TEST(ConfigRecord, UnknownOrEmptyModelIs330)
{
    for (const QByteArray& m : {QByteArray("\"999\""), QByteArray("\"pca\""), QByteArray("\"\""),
                                QByteArray(""), QByteArray("\"12\xe9\"")}) {
        const auto r = parseConfig("7," + m + "\r\n");
        EXPECT_EQ(r.state, State::Read);
        EXPECT_EQ(r.port, 7);
        EXPECT_EQ(r.model, Model::M330) << m.constData();
        EXPECT_FALSE(r.modelFieldMissing);
    }
}

TEST(ConfigRecord, RecordWithoutModelField)
{
    for (const QByteArray& b : {QByteArray("5\r\n"), QByteArray("5"), QByteArray("5\r\n\r\n  \r\n")}) {
        const auto r = parseConfig(b);
        EXPECT_EQ(r.state, State::Read);
        EXPECT_TRUE(r.modelFieldMissing);
        EXPECT_EQ(r.port, 5);
        EXPECT_EQ(r.model, Model::M330);
    }
}

TEST(ConfigRecord, FieldsMayBeSplitOverLinesOrPadded)
{
    auto r = parseConfig("6\r\n\"340\"\r\n");
    EXPECT_EQ(r.port, 6);
    EXPECT_EQ(r.model, Model::M340);
    r = parseConfig("  9 ,  \"PCA\"  \n");
    EXPECT_EQ(r.port, 9);
    EXPECT_EQ(r.model, Model::PCA);
    // Only the first record counts.
    r = parseConfig("2,\"126\"\r\n3,\"560\"\r\n");
    EXPECT_EQ(r.port, 2);
    EXPECT_EQ(r.model, Model::M126);
}

TEST(ConfigRecord, EmptyOrBlankFileIsEmpty)
{
    for (const QByteArray& b : {QByteArray(), QByteArray("\r\n"), QByteArray("  \t\r\n\r\n")}) {
        const auto r = parseConfig(b);
        EXPECT_EQ(r.state, State::Empty);
        EXPECT_FALSE(r.read());
        EXPECT_EQ(r.port, 1);
        EXPECT_EQ(r.model, Model::M330);
    }
}

TEST(ConfigFile, MissingUnreadableAndRoundTrip)
{
    testing_support::TestServices ts;
    const QString path = configPath(ts.folder());
    EXPECT_EQ(readConfig(path).state, State::Missing);

    ASSERT_TRUE(writeConfig(path, 4, Model::M330));
    EXPECT_EQ(ts.readFile("config.txt"), QByteArray("4,\"330\"\r\n"));
    const auto r = readConfig(path);
    EXPECT_EQ(r.state, State::Read);
    EXPECT_EQ(r.port, 4);

    // Written afresh: the old record is replaced, not appended to.
    ASSERT_TRUE(writeConfig(path, 17, Model::PCA));
    EXPECT_EQ(ts.readFile("config.txt"), QByteArray("17,\"PCA\"\r\n"));

    // A folder standing where the file should be is neither read nor destroyed.
    testing_support::TestServices ts2;
    ASSERT_TRUE(QDir(ts2.folder()).mkdir("config.txt"));
    const QString path2 = configPath(ts2.folder());
    EXPECT_NE(readConfig(path2).state, State::Read);
    QString err;
    EXPECT_FALSE(writeConfig(path2, 3, Model::M126, &err));
    EXPECT_FALSE(err.isEmpty());
    EXPECT_TRUE(QFileInfo(path2).isDir());
}

TEST(ConfigFile, WriteIntoMissingFolderFailsCleanly)
{
    testing_support::TestServices ts;
    QString err;
    EXPECT_FALSE(writeConfig(ts.folder() + "/no/such/folder/config.txt", 3, Model::M126, &err));
    EXPECT_FALSE(err.isEmpty());
}
