// The first-seen backup is written only as a plain file inside the program's Backup folder:
// whatever else holds its name (a link out of the folder, a folder, a fifo), or a Backup that
// is itself a link, is left as it is and said, and the entry goes on without a backup.
#include "tests/ardwell/road.h"

#include <QFile>
#include <sys/stat.h>

using ardwell_test::Road;
namespace mb = plat::mb;

namespace {

const QString kNoBackup = "\r\n\r\nNo backup made of this Coin mech";

QString native(const QString& path) { return QDir::toNativeSeparators(path); }

} // namespace

TEST(BackupPlace, ALinkOfTheBackupsNameIsLeftAloneAndSaid)
{
    Road r("330");
    QDir(r.ts.folder()).mkpath("Backup");
    QDir(r.ts.folder()).mkpath("elsewhere");
    r.ts.writeFile("elsewhere/precious.txt", "keep me\r\n");
    const QString backup = r.ts.folder() + "/Backup/1200xx23629.txt";
    ASSERT_TRUE(QFile::link(r.ts.folder() + "/elsewhere/precious.txt", backup));
    r.ts.dialogs->answer(mb::OK, "Error Autosave EEPROM routine : \r\n\r\nThe backup file " + native(backup) +
                                     " is a symbolic link and is left as it is" + kNoBackup);
    ASSERT_TRUE(r.enterProgramme());
    EXPECT_TRUE(r.ts.dialogs->allAnswersUsed());
    ASSERT_EQ(r.ts.dialogs->boxes().size(), 1u);
    EXPECT_EQ(r.ts.dialogs->boxes()[0].style, mb::Critical | mb::OKOnly);
    EXPECT_EQ(r.ts.dialogs->boxes()[0].title, "Error detected");
    EXPECT_EQ(r.ts.readFile("elsewhere/precious.txt"), QByteArray("keep me\r\n"));
    EXPECT_TRUE(QFileInfo(backup).isSymLink());
    // The serial is the mech's whatever became of its backup; the panel is open for work.
    EXPECT_EQ(r.view().text("lblSerNo"), "1200xx23629");
    EXPECT_TRUE(r.view().isVisible("lblSerNo"));
    EXPECT_TRUE(r.view().isEnabled("cmdCoinData"));

    // A link that points nowhere is not followed into a new file either.
    QFile::remove(backup);
    ASSERT_TRUE(QFile::link(r.ts.folder() + "/elsewhere/new.txt", backup));
    r.win().cmdExitProgramme_Click();
    r.ts.dialogs->answer(mb::OK, "Error Autosave EEPROM routine : \r\n\r\nThe backup file " + native(backup) +
                                     " is a symbolic link and is left as it is" + kNoBackup);
    ASSERT_TRUE(r.enterProgramme());
    EXPECT_TRUE(r.ts.dialogs->allAnswersUsed());
    EXPECT_FALSE(QFile::exists(r.ts.folder() + "/elsewhere/new.txt"));
}

TEST(BackupPlace, AFolderOrAFifoOfTheBackupsNameIsLeftAloneAndSaid)
{
    Road r("330");
    const QString backup = r.ts.folder() + "/Backup/1200xx23629.txt";
    ASSERT_TRUE(QDir(r.ts.folder()).mkpath("Backup/1200xx23629.txt"));
    r.ts.dialogs->answer(mb::OK, "Error Autosave EEPROM routine : \r\n\r\nThe backup file " + native(backup) +
                                     " is a folder and is left as it is" + kNoBackup);
    ASSERT_TRUE(r.enterProgramme());
    EXPECT_TRUE(r.ts.dialogs->allAnswersUsed());
    EXPECT_TRUE(QFileInfo(backup).isDir());
    r.win().cmdExitProgramme_Click();

    ASSERT_TRUE(QDir().rmdir(backup));
    ASSERT_EQ(::mkfifo(QFile::encodeName(backup).constData(), 0600), 0);
    r.ts.dialogs->answer(mb::OK, "Error Autosave EEPROM routine : \r\n\r\nThe backup file " + native(backup) +
                                     " is not a plain file and is left as it is" + kNoBackup);
    ASSERT_TRUE(r.enterProgramme());
    EXPECT_TRUE(r.ts.dialogs->allAnswersUsed());
    struct stat st {};
    ASSERT_EQ(::lstat(QFile::encodeName(backup).constData(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode)) << "the fifo is still there";
    EXPECT_TRUE(r.view().isEnabled("cmdCoinData"));
}

TEST(BackupPlace, ABackupFolderThatIsALinkIsNotUsed)
{
    Road r("330");
    QDir(r.ts.folder()).mkpath("elsewhere");
    ASSERT_TRUE(QFile::link(r.ts.folder() + "/elsewhere", r.ts.folder() + "/Backup"));
    r.ts.dialogs->answer(mb::OK, "Error Autosave EEPROM routine : \r\n\r\nThe folder " +
                                     native(r.ts.folder() + "/Backup") + " is a symbolic link and is not used" +
                                     kNoBackup);
    ASSERT_TRUE(r.enterProgramme());
    EXPECT_TRUE(r.ts.dialogs->allAnswersUsed());
    EXPECT_TRUE(QDir(r.ts.folder() + "/elsewhere").isEmpty());
    // As for a folder that cannot be made: no serial shown, the entry goes on.
    EXPECT_FALSE(r.view().isVisible("lblSerNo"));
    EXPECT_TRUE(r.view().isEnabled("cmdCoinData"));
}
