#pragma once
// EEPROM image files and first-seen backups: one line per word, "AAAA WWWW" in upper-case hex,
// for words 0..255 whatever the model; a backup is such a file in the Backup folder, named
// after the mech's serial number.

#include <QString>
#include <QStringList>
#include <optional>
#include <span>

namespace ardwell {

constexpr int kImageFileWords = 256; // lines of a saved image
constexpr int kLoadTop = 512;        // highest word a loaded line may set

// The 256 lines of an image (words 0..255; a word of -1 writes as FFFF). Words the span does
// not hold write as 0.
QStringList imageFileLines(std::span<const int> image);
// Writes those lines to path; a file that cannot be written raises RuntimeError 75.
void writeImageFile(const QString& path, std::span<const int> image);

struct ImageLine {
    int address = 0;
    int word = 0;
};
// A line read by position: characters 1-2 and 3-4 the address, 6-7 and the last two the word;
// each piece is hex (blanks skipped, read up to the first other character, 0 without digits).
ImageLine decodeImageLine(const QString& line);

// ---- Checking a file before it is loaded ----

// Far above the 2,816 bytes of a saved image: a larger file is refused unread.
constexpr qint64 kMaxImageFileBytes = 64 * 1024;

// What is wrong with an image file: the 1-based line at fault (0 when no one line is) and what.
struct ImageFileFault {
    int line = 0;
    QString what;
};

// Whether the lines are an image file that may be loaded: each non-empty line is "hhhh hhhh"
// (address and word, four hex digits each, blanks around them allowed), its address within the
// 0..255 that every saved image lists whatever the model, no address twice, and every address
// 0..lastNeeded (the last word a write takes to the mech) present. Nothing when they are.
std::optional<ImageFileFault> checkImageLines(const QStringList& lines, int lastNeeded);
// The same for a file of this size, before it is read: too large a file is refused unread.
std::optional<ImageFileFault> checkImageFileSize(qint64 bytes);

// The box that refuses a file: the file, the fault, and what became of the image (outcome).
QString imageFileRefusal(const QString& path, const ImageFileFault& fault, const QString& outcome);

// Loads lines into an image: words 0..511 become 0, then each line sets its word; lines with
// an address above 512, and empty (or blank) lines, are skipped. Words the span does not hold
// are never touched.
void loadImageLines(std::span<int> image, const QStringList& lines);

// The file a save dialog's name is written to (".txt" replaces or is appended).
QString imageSavePath(const QString& chosen);
// The file a load dialog's name is read from (".txt" replaces an extension; none is added).
QString imageLoadPath(const QString& chosen);

// The backup name of a serial number (eight hex digits), also what the user is shown as the
// mech's serial: 12345678 gives 5403xx19896. Reads the serial's leading hex digits as a signed
// 32-bit number (an empty serial as 0). A serial whose number lies outside 0..999,999,999, where
// that form would repeat the name of another, is named by its eight hex digits (4994F9A0).
QString backupName(const QString& serial);
// The backup's path: folder/Backup/<backup name>.txt.
QString backupPath(const QString& programFolder, const QString& serial);
// What keeps a backup out of the place backupPath names, seen without following links: the
// Backup folder a link (its files would lie elsewhere), or the backup's name taken by anything
// but a plain file (a link, a folder, a fifo). The sentence for the box that says so (the
// thing, its path and why), or nothing when the backup may be written there.
std::optional<QString> backupFolderRefusal(const QString& folder);
std::optional<QString> backupFileRefusal(const QString& path);
// Whether the file holds a whole image (every word 0..255): only such a backup keeps the first
// image read from its mech. One left empty or short by a full disk, or one that cannot be
// read, is written again.
bool isWholeBackup(const QString& path);

} // namespace ardwell
