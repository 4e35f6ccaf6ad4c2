#pragma once
// 8-bit text files in the Windows-1252 code page, as the programs' settings, language, log and
// data files are stored, and the comma-separated records they are written in.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <concepts>

namespace plat {

// Characters the code page cannot hold become '?'.
QByteArray toCp1252(const QString& text);
QString fromCp1252(const QByteArray& bytes);

// Splits 8-bit text into lines; CR LF, LF alone and CR alone each end a line, and a missing
// line end after the last line is tolerated. Empty input gives no lines.
QStringList splitLines(const QByteArray& bytes);

struct TextLines {
    bool ok = false;
    QString error; // why the file could not be read
    QStringList lines;
    // Returns the lines, or raises RuntimeError(53 "File not found" / 75 "Path/File access error").
    const QStringList& orThrow() const;
    int errorNumber = 0;
};

// Reads a whole file into lines. Never throws.
TextLines readLines(const QString& path);

// Writes each line followed by CR LF. Replacing a file goes through a temporary file beside it,
// so a failed write leaves the old contents in place. Where the folder refuses new files but the
// file itself may be written, the file is written in place instead. Returns false (and the
// reason) on failure.
bool writeLines(const QString& path, const QStringList& lines, QString* error = nullptr);
// Adds the lines to the end of the file, all of them or none: a failure part way leaves the
// file as it was. The reason names the file and what the system said.
bool appendLines(const QString& path, const QStringList& lines, QString* error = nullptr);

// path with the extension of its file name (from the file name's last ".", never a folder's)
// replaced by ext. A file name without "." gets ext when appendWhenNone, else stays as it is.
QString withExtension(const QString& path, const QString& ext, bool appendWhenNone);

// One comma-separated record: text fields in double quotes (an empty text as ""), numbers bare
// with "." as decimal point. A double quote inside a text is written doubled so that the
// record reads back as it was written.
class CsvRecord {
public:
    CsvRecord& text(const QString& s);
    CsvRecord& number(double x);
    template <std::integral T>
    CsvRecord& number(T n)
    {
        return raw(QString::number(static_cast<qint64>(n)));
    }
    // A field written as it stands.
    CsvRecord& raw(const QString& field);
    // The fields joined by commas, without a line end.
    QString toLine() const { return fields_.join(u','); }
    // The record as it is stored: code page bytes ended by CR LF.
    QByteArray toRow() const { return toCp1252(toLine()) + "\r\n"; }

private:
    QStringList fields_;
};

// Reads the fields of a record one by one: leading blanks skipped; a quoted field runs to its
// closing quote (commas inside belong to it, a doubled quote is one quote) and anything up to
// the next comma after it is dropped; an unquoted field ends at a comma and loses its trailing
// blanks. Reading past the last field gives empty texts.
class CsvReader {
public:
    explicit CsvReader(QString line) : line_(std::move(line)) {}
    QString next();
    // The next field as a number (its Val).
    double nextNumber();
    bool atEnd() const { return pos_ > line_.size() || (pos_ == line_.size() && !pendingEmpty_); }

private:
    QString line_;
    int pos_ = 0;
    bool pendingEmpty_ = false; // a trailing comma leaves one empty field to read
};

QStringList csvFields(const QString& line);

} // namespace plat
