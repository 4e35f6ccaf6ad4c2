#pragma once
// Every user-visible text of the program is looked up by number: English from the built-in
// table, other languages from a language file in the program folder.

#include "platform/fileexists.h"

#include <QList>
#include <QString>
#include <functional>

#include <array>
#include <exception>

namespace plat {
class Dialogs;
}

namespace quenby {

class TextTable {
public:
    static constexpr int kMaxId = 2000;
    static constexpr qint64 kMaxLanguageFileBytes = 1024 * 1024;

    // The text of `id` in the current language. Throws plat::RuntimeError(9) for an id outside
    // 0..2000 while a language file is in use, or one the built-in table lacks otherwise.
    QString getText(int id) const;

    // The built-in English table.
    static bool hasBuiltIn(int id);
    static QString builtInText(int id); // throws plat::RuntimeError(9) when missing
    static QList<int> builtInIds();

    // "Deutsch.txt", "Francais.txt" or "Espanol.txt"; empty for any other name.
    static QString languageFileName(const QString& language);

    // The texts of the box a file check shows when the drive is not ready or fails (201, 203, 204).
    shared::FileExistsTexts fileExistsTexts() const { return {getText(201), getText(203), getText(204), {}}; }

    // Fills textTable from the file of languageName in programFolder. English loads nothing;
    // an unknown name loads nothing silently; a missing file shows "Invalid Language Filename",
    // an empty one (no line but blanks) says it is empty, and a file larger than
    // kMaxLanguageFileBytes is refused unread. A line counts only when it is `id,text` with an id
    // of the built-in table; every other line is skipped, and the skipped lines are reported in
    // one box naming the first of them and their count. A file with no line that counts leaves
    // the table as it was (the same box says so). A file that cannot be read is reported once.
    // Entries the file does not set keep what they held.
    void loadLanguageFile(const QString& programFolder, plat::Dialogs& dialogs);

    std::array<QString, kMaxId + 1> textTable;
    bool textTableLoaded = false;
    QString languageName = QStringLiteral("English");
};

// The text ids more than one file reports or titles under. A file keeps its own ids in a local
// `id` namespace and takes these into it by name (`using textid::ErrorTitle;`).
namespace textid {
constexpr int ErrorTitle = 102;        // "Error": the mech families' boxes
constexpr int ReadError = 103;         // reading a Mars PROM or a mech's memory
constexpr int ClearingValtest = 210;   // the validator test window's indicators reset
constexpr int Gathering = 495;         // a coin set run gathering coin drops
constexpr int EeReadError = 706;       // the CC EEPROM window's read
constexpr int NriProgrammeError = 914; // the NRI memory window's programming
constexpr int NriReadError = 915;      // the NRI memory window's read
constexpr int LaunchingData = 1202;    // the limits editor opening a data window
} // namespace textid

// The first line of the common error box: the id with one leading blank, a blank, the id's
// text and a blank.
QString errorHead(int id, const QString& text);

inline const QString kLanguageLoadContext = QStringLiteral("Error Loading Language File routine : ");

// What every error trap calls: a critical OK box titled with text 208.
class ErrorReporter {
public:
    ErrorReporter(const TextTable& texts, plat::Dialogs& dialogs) : texts_(texts), dialogs_(dialogs) {}

    // `more` lines follow the error number.
    void reportError(int id, const std::exception& e, const QString& more = {}) const;
    // An error trap: runs fn; a std::exception is reported by id and the caller carries on with
    // its next statement. False when fn raised one.
    bool trap(int id, const std::function<void()>& fn) const;
    // Asked before each report by id with the id and the error number; false leaves the
    // report unshown (a repeat of the same error from the same cause).
    void setRepeatFilter(std::function<bool(int id, int number)> filter) { repeatFilter_ = std::move(filter); }
    // The same box with a routine's context text as its first line in place of id and text;
    // `more` lines follow the error number.
    void reportContext(const QString& context, const std::exception& e, const QString& more = {}) const;

private:
    QString title() const;

    const TextTable& texts_;
    plat::Dialogs& dialogs_;
    std::function<bool(int, int)> repeatFilter_;
};

} // namespace quenby
