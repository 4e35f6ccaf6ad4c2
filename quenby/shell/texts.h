#pragma once
// Every user-visible text of the program is looked up by number: English from the built-in
// table, other languages from a language file in the program folder.

#include <QList>
#include <QString>

#include <array>
#include <exception>

namespace plat {
class Dialogs;
}

namespace quenby {

class TextTable {
public:
    static constexpr int kMaxId = 2000;

    // The text of `id` in the current language. Throws plat::RuntimeError(9) for an id outside
    // 0..2000 while a language file is in use, or one the built-in table lacks otherwise.
    QString getText(int id) const;

    // The built-in English table.
    static bool hasBuiltIn(int id);
    static QString builtInText(int id); // throws plat::RuntimeError(9) when missing
    static QList<int> builtInIds();

    // "Deutsch.txt", "Francais.txt" or "Espanol.txt"; empty for any other name.
    static QString languageFileName(const QString& language);

    // Fills textTable from the file of languageName in programFolder. English loads nothing;
    // an unknown name loads nothing silently; a missing file shows "Invalid Language Filename".
    // A line whose id lies outside 0..2000 is reported and skipped; a file that cannot be read
    // is reported once. Entries the file does not set keep what they held.
    void loadLanguageFile(const QString& programFolder, plat::Dialogs& dialogs);

    std::array<QString, kMaxId + 1> textTable;
    bool textTableLoaded = false;
    QString languageName = QStringLiteral("English");
};

// The common error box message: " <id> <text> " CR LF, the first 50 characters of the
// description, " - ", the number.
QString errorMessage(int id, const QString& text, int number, const QString& description);
// The same with a routine's context text as the first line in place of id and text.
QString errorMessage(const QString& context, int number, const QString& description);

inline const QString kLanguageLoadContext = QStringLiteral("Error Loading Language File routine : ");

// What every error trap calls: a critical OK box titled with text 208.
class ErrorReporter {
public:
    ErrorReporter(const TextTable& texts, plat::Dialogs& dialogs) : texts_(texts), dialogs_(dialogs) {}

    void reportError(int id, const std::exception& e) const;
    void reportError(int id, int number, const QString& description) const;
    void reportContext(const QString& context, const std::exception& e) const;

private:
    QString title() const;

    const TextTable& texts_;
    plat::Dialogs& dialogs_;
};

} // namespace quenby
