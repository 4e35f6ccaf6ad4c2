#pragma once
// File failures a test sets on purpose. Some failures cannot be made for real on every machine:
// a test run as root reads every file and creates files in every folder, whatever the
// permissions say. While a FileFaults lives, readLines and writeLines (textfile.h) behave for
// the paths it names as they would for an unreadable file, a folder that refuses new files or
// a full disk.
// The programs never create one.

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>
#include <utility>

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
    // The disk holding this folder has room for `bytes` bytes of the folder's files together.
    // A write that would take them past it takes what fits and reports nothing; offered the
    // rest, it fails with "No space left on device", as a disk filling part-way through a
    // write does. Bytes written over a file's own do not count; a file cut shorter gives its
    // room back.
    void diskRoom(const QString& folder, qint64 bytes);

    static bool readRefused(const QString& path);
    static bool newFileRefused(const QString& folder);
    static bool flushRefused(const QString& path);
    // How many more bytes the files beside path may take, when a test limits them.
    static std::optional<qint64> roomLeft(const QString& path);

private:
    static bool listedBy(QStringList FileFaults::*list, const QString& path);

    QStringList unreadable_;
    QStringList noNewFiles_;
    QStringList diskFull_;
    QList<std::pair<QString, qint64>> diskRoom_; // folder, bytes its files may hold
};

} // namespace plat
