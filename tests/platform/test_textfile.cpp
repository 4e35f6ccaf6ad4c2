#include "platform/filefaults.h"
#include "platform/runtimeerror.h"
#include "platform/textfile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace plat;

namespace {
QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
} // namespace

TEST(Cp1252, MapsTheHighTableAndLatin1)
{
    EXPECT_EQ(toCp1252(QString::fromUtf8("Español")), QByteArray("Espa\xF1ol"));
    EXPECT_EQ(toCp1252(QString::fromUtf8("€‚…œŸ")), QByteArray("\x80\x82\x85\x9C\x9F"));
    EXPECT_EQ(fromCp1252("\x80\x99\xA0\xFF"), QString::fromUtf8("€™\u00A0ÿ"));
    // Undefined bytes survive a round trip.
    const QByteArray undefined("\x81\x8D\x8F\x90\x9D");
    EXPECT_EQ(toCp1252(fromCp1252(undefined)), undefined);
    // Every byte comes back as it was.
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all += char(b);
    EXPECT_EQ(toCp1252(fromCp1252(all)), all);
}

TEST(Cp1252, UnencodableCharactersBecomeQuestionMarks)
{
    EXPECT_EQ(toCp1252(QString::fromUtf8("a\u4E2Db")), QByteArray("a?b"));
    EXPECT_EQ(toCp1252(QString::fromUtf8("x\U0001F600y")), QByteArray("x?y")); // one, not two
}

TEST(TextFile, LineEndsOfEveryKindReadTheSame)
{
    const QStringList expected{"one", "", "three"};
    EXPECT_EQ(splitLines("one\r\n\r\nthree\r\n"), expected);
    EXPECT_EQ(splitLines("one\n\nthree\n"), expected);
    EXPECT_EQ(splitLines("one\n\r\nthree"), expected); // mixed, last line without an end
    EXPECT_EQ(splitLines("one\r\rthree"), expected);
    EXPECT_TRUE(splitLines("").isEmpty());
    EXPECT_EQ(splitLines("\r\n"), QStringList{""});
}

TEST(TextFile, WrittenLinesEndInCrLfAndReadBackInTheCodePage)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("lang.txt");
    const QStringList lines{QString::fromUtf8("1,Español"), QString::fromUtf8("2,€ 5")};
    ASSERT_TRUE(writeLines(path, lines));
    EXPECT_EQ(fileBytes(path), QByteArray("1,Espa\xF1ol\r\n2,\x80 5\r\n"));
    const TextLines r = readLines(path);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.lines, lines);

    ASSERT_TRUE(appendLines(path, {"3,x"}));
    EXPECT_EQ(readLines(path).lines.size(), 3);
}

TEST(TextFile, FailuresAreReportedNotThrown)
{
    QTemporaryDir dir;
    const TextLines missing = readLines(dir.filePath("nope.txt"));
    EXPECT_FALSE(missing.ok);
    EXPECT_FALSE(missing.error.isEmpty());
    try {
        missing.orThrow();
        ADD_FAILURE() << "orThrow() did not throw";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.number(), err::FileNotFound);
    }
    EXPECT_FALSE(readLines(dir.path()).ok); // a folder is not a file

    QString why;
    EXPECT_FALSE(writeLines(dir.filePath("no/such/folder/x.txt"), {"a"}, &why));
    EXPECT_FALSE(why.isEmpty());
}

TEST(TextFile, FolderThatRefusesNewFilesIsWrittenInPlace)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("config.txt");
    ASSERT_TRUE(writeLines(path, {"old contents, longer than the new"}));
    FileFaults faults;
    faults.noNewFiles(dir.path());
    QString why;
    EXPECT_TRUE(writeLines(path, {"new"}, &why)) << why.toStdString();
    EXPECT_EQ(fileBytes(path), QByteArray("new\r\n")) << "the old tail is gone";
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"config.txt"}) << "no temporary file";

    // A file that is not there cannot be made in such a folder: reported, nothing created.
    EXPECT_FALSE(writeLines(dir.filePath("other.txt"), {"x"}, &why));
    EXPECT_FALSE(why.isEmpty());
    EXPECT_FALSE(QFile::exists(dir.filePath("other.txt")));
}

TEST(TextFile, AFullDiskFailsTheSaveNamingTheFileAndKeepsTheOldOneByteForByte)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("config.txt");
    ASSERT_TRUE(writeLines(path, {"1,\"English\""}));
    const QByteArray before = fileBytes(path);
    FileFaults faults;
    faults.diskFull(dir.path());
    const QString why = QDir::toNativeSeparators(path) + ": No space left on device";

    // Through a temporary file: the old file stays, the temporary one is gone.
    QString error;
    EXPECT_FALSE(writeLines(path, {"2,\"Deutsch\""}, &error));
    EXPECT_EQ(error, why);
    EXPECT_EQ(fileBytes(path), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"config.txt"});
    // A new file is not left behind empty.
    EXPECT_FALSE(writeLines(dir.filePath("new.txt"), {"x"}, &error));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"config.txt"});

    // In place (a folder closed to new files) and appended: the failure is said all the same.
    faults.noNewFiles(dir.path());
    error.clear();
    EXPECT_FALSE(writeLines(path, {"2,\"Deutsch\""}, &error));
    EXPECT_EQ(error, why);
    EXPECT_EQ(fileBytes(path), before);
    error.clear();
    EXPECT_FALSE(appendLines(path, {"more"}, &error));
    EXPECT_EQ(error, why);
}

TEST(TextFile, ADiskThatFillsPartWayTakesNoneOfTheRowsAndSaysWhy)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("run.csv");
    ASSERT_TRUE(writeLines(path, {"\"Idles\",1,2,3"}));
    const QByteArray before = fileBytes(path);
    FileFaults faults;
    faults.diskRoom(dir.path(), before.size() + 10); // half of the next two rows fits
    const QString why = QDir::toNativeSeparators(path) + ": No space left on device";

    QString error;
    EXPECT_FALSE(appendLines(path, {"\"\",812", "\"\",640"}, &error));
    EXPECT_EQ(error, why);
    EXPECT_EQ(fileBytes(path), before) << "no row is left cut";

    // The room the cut row took is given back: a row that fits goes in whole.
    EXPECT_TRUE(appendLines(path, {"\"\""}, &error));
    EXPECT_EQ(fileBytes(path), before + "\"\"\r\n");
}

TEST(TextFile, AFileWrittenInPlaceOnADiskThatFillsKeepsItsOldContents)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("config.txt");
    ASSERT_TRUE(writeLines(path, {"1,\"English\""}));
    const QByteArray before = fileBytes(path);
    FileFaults faults;
    faults.noNewFiles(dir.path());
    faults.diskRoom(dir.path(), before.size() + 4);

    QString error;
    EXPECT_FALSE(writeLines(path, {"1,\"English\",\"COM12\""}, &error));
    EXPECT_EQ(error, QDir::toNativeSeparators(path) + ": No space left on device");
    EXPECT_EQ(fileBytes(path), before);
}

TEST(TextFile, UnreadableFileFailsWithAccessError)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("lang.txt");
    ASSERT_TRUE(writeLines(path, {"1,a"}));
    {
        FileFaults faults;
        faults.unreadable(dir.path() + "/./lang.txt"); // the same file by another spelling
        const TextLines r = readLines(path);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.errorNumber, err::PathFileAccess);
        EXPECT_TRUE(r.lines.isEmpty());
    }
    EXPECT_TRUE(readLines(path).ok) << "the fault ends with its owner";
}

TEST(Csv, RecordsQuoteTextsAndWriteNumbersBare)
{
    CsvRecord r;
    r.text("Coin 1").number(25).number(2.5).number(-0.5).text("").text("a,b");
    EXPECT_EQ(r.toLine(), QString("\"Coin 1\",25,2.5,-0.5,\"\",\"a,b\""));
    EXPECT_EQ(CsvRecord().text(QString::fromUtf8("€")).number(0.25).toRow(), QByteArray("\"\x80\",0.25\r\n"));
}

TEST(Csv, ReaderTakesFieldsAsTheyWereWritten)
{
    CsvRecord r;
    r.text("a,b").text("").number(12).text(" padded ").text("say \"hi\"");
    EXPECT_EQ(csvFields(r.toLine()), (QStringList{"a,b", "", "12", " padded ", "say \"hi\""}));
}

TEST(Csv, ReaderToleratesHandWrittenRecords)
{
    EXPECT_EQ(csvFields("  1 ,  \"x\" , y  "), (QStringList{"1", "x", "y"}));
    EXPECT_EQ(csvFields("a,,b"), (QStringList{"a", "", "b"}));
    EXPECT_EQ(csvFields("a,"), (QStringList{"a", ""}));
    EXPECT_EQ(csvFields("\"unterminated, still one"), QStringList{"unterminated, still one"});
    EXPECT_EQ(csvFields("\"q\"junk,2"), (QStringList{"q", "2"}));
    EXPECT_TRUE(csvFields("").isEmpty());

    CsvReader in("\"Coin\", 12.5 ");
    EXPECT_EQ(in.next(), "Coin");
    EXPECT_EQ(in.nextNumber(), 12.5);
    EXPECT_TRUE(in.atEnd());
    EXPECT_EQ(in.next(), ""); // past the end: empty, never a failure
    EXPECT_EQ(in.nextNumber(), 0);
}
