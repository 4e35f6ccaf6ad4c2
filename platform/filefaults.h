#pragma once
// File failures a test sets on purpose. Some failures cannot be made for real on every machine:
// a test run as root reads every file and creates files in every folder, whatever the
// permissions say. While a FileFaults lives, readLines and writeLines (textfile.h) behave for
// the paths it names as they would for an unreadable file, a folder that refuses new files or
// a full disk.
// The programs never create one.

#include <QString>
#include <QStringList>

namespace plat {

class FileFaults {
public:
    FileFaults();
    ~FileFaults();
    FileFaults(const FileFaults&) = delete;
    FileFaults& operator=(const FileFaults&) = delete;

    // Reading this file fails with "Path/File access error" (75), as for a file without read
    // permission.
    void unreadable(const QString& path);
    // No new file can be made in this folder (its existing files may still be written).
    void noNewFiles(const QString& folder);
    // The disk holding this folder is full: a file written there takes its bytes into the
    // write buffer, and sending them to the disk fails with "No space left on device".
    void diskFull(const QString& folder);

    static bool readRefused(const QString& path);
    static bool newFileRefused(const QString& folder);
    static bool flushRefused(const QString& path);

private:
    static bool listedBy(QStringList FileFaults::*list, const QString& path);

    QStringList unreadable_;
    QStringList noNewFiles_;
    QStringList diskFull_;
};

} // namespace plat
