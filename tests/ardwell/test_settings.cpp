#include "ardwell/link/settings.h"
#include "tests/support/testservices.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace ardwell;
using State = ConfigRecord::State;

TEST(ConfigRecord, PortAndModelOfEachRecord)
{
    struct Row {
        QByteArray text;
        State state;
        int port;
        Model model;
        bool modelFieldMissing;
    };
    const Row rows[] = {
        {"3,\"126\"\r\n", State::Read, 3, Model::M126, false},
        // A port outside 1..20 becomes 1.
        {"0,\"560\"\r\n", State::Read, 1, Model::M560, false},
        {"21,\"560\"\r\n", State::Read, 1, Model::M560, false},
        {"-3,\"560\"\r\n", State::Read, 1, Model::M560, false},
        {"99999999999,\"560\"\r\n", State::Read, 1, Model::M560, false},
        {"abc,\"560\"\r\n", State::Read, 1, Model::M560, false},
        {",\"560\"\r\n", State::Read, 1, Model::M560, false},
        {"1,\"560\"", State::Read, 1, Model::M560, false},
        {"20,\"560\"", State::Read, 20, Model::M560, false},
        // Halves round to even; the number the text begins with; a quoted port is read as well.
        {"2.5,\"330\"", State::Read, 2, Model::M330, false},
        {"3.5,\"330\"", State::Read, 4, Model::M330, false},
        {"20.4,\"330\"", State::Read, 20, Model::M330, false},
        {"20.6,\"330\"", State::Read, 1, Model::M330, false}, // rounds to 21
        {"0.6,\"330\"", State::Read, 1, Model::M330, false},
        {"7abc,\"330\"", State::Read, 7, Model::M330, false},
        {"\"4\",\"PCA\"", State::Read, 4, Model::PCA, false},
        // An unknown or empty model is 330.
        {"7,\"999\"\r\n", State::Read, 7, Model::M330, false},
        {"7,\"pca\"\r\n", State::Read, 7, Model::M330, false},
        {"7,\"\"\r\n", State::Read, 7, Model::M330, false},
        {"7,\r\n", State::Read, 7, Model::M330, false},
        {"7,\"12\xe9\"\r\n", State::Read, 7, Model::M330, false},
        // A record without its model field.
        {"5\r\n", State::Read, 5, Model::M330, true},
        {"5", State::Read, 5, Model::M330, true},
        {"5\r\n\r\n  \r\n", State::Read, 5, Model::M330, true},
        // Fields split over lines or padded; only the first record counts.
        {"6\r\n\"340\"\r\n", State::Read, 6, Model::M340, false},
        {"  9 ,  \"PCA\"  \n", State::Read, 9, Model::PCA, false},
        {"2,\"126\"\r\n3,\"560\"\r\n", State::Read, 2, Model::M126, false},
        // An empty or blank file is as if missing.
        {"", State::Empty, 1, Model::M330, false},
        {"\r\n", State::Empty, 1, Model::M330, false},
        {"  \t\r\n\r\n", State::Empty, 1, Model::M330, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text.toStdString());
        const auto r = parseConfig(row.text);
        EXPECT_EQ(r.state, row.state);
        EXPECT_EQ(r.read(), row.state == State::Read);
        EXPECT_EQ(r.port, row.port);
        EXPECT_EQ(r.model, row.model);
        EXPECT_EQ(r.modelFieldMissing, row.modelFieldMissing);
    }
    // Every model text maps to its own model.
    for (const char* m : {"126", "330", "340", "560", "PCA"})
        EXPECT_EQ(modelText(parseConfig(QByteArray("20,\"") + m + "\"\r\n").model), QString(m));
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
