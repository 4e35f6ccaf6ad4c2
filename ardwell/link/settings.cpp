#include "ardwell/link/settings.h"

#include "platform/textfile.h"
#include "platform/vbtext.h"

#include <QDir>
#include <QFileInfo>
#include <optional>

namespace ardwell {

namespace {

// Reads comma-separated fields so that every settings record on a machine reads alike: a field
// ends at a comma or a line end, a quoted field keeps what is between its quotes, blanks around a
// field are dropped, and a record may go on on the next line.
class FieldReader {
public:
    explicit FieldReader(const QByteArray& b) : b_(b) {}

    // False when the data has ended before a field began.
    bool next(QByteArray* out)
    {
        skipBlanksAndBlankLines();
        if (pos_ >= b_.size())
            return false;
        QByteArray f;
        if (b_[pos_] == '"') {
            ++pos_;
            while (pos_ < b_.size() && b_[pos_] != '"' && !isLineEnd(b_[pos_]))
                f += b_[pos_++];
            if (pos_ < b_.size() && b_[pos_] == '"')
                ++pos_;
            // Whatever follows the closing quote up to the delimiter is not part of the field.
            while (pos_ < b_.size() && b_[pos_] != ',' && !isLineEnd(b_[pos_]))
                ++pos_;
        } else {
            while (pos_ < b_.size() && b_[pos_] != ',' && !isLineEnd(b_[pos_]))
                f += b_[pos_++];
            f = f.trimmed();
        }
        endField();
        *out = f;
        return true;
    }

private:
    static bool isLineEnd(char c) { return c == '\r' || c == '\n'; }

    void skipBlanksAndBlankLines()
    {
        // A field that follows a comma may be empty ("3," gives an empty second field).
        while (pos_ < b_.size() && (b_[pos_] == ' ' || b_[pos_] == '\t'))
            ++pos_;
        if (afterComma_)
            return;
        while (pos_ < b_.size() && (isLineEnd(b_[pos_]) || b_[pos_] == ' ' || b_[pos_] == '\t'))
            ++pos_;
    }

    void endField()
    {
        afterComma_ = false;
        if (pos_ >= b_.size())
            return;
        if (b_[pos_] == ',') {
            ++pos_;
            afterComma_ = true;
            return;
        }
        // A line end closes the field; CR LF counts once.
        if (b_[pos_] == '\r')
            ++pos_;
        if (pos_ < b_.size() && b_[pos_] == '\n')
            ++pos_;
    }

    const QByteArray& b_;
    qsizetype pos_ = 0;
    bool afterComma_ = false;
};

QString decode(const QByteArray& b) { return plat::fromCp1252(b); }

// The number a text begins with, halves rounded to even; nothing when it is too large.
std::optional<qint64> leadingWholeNumber(const QString& text)
{
    try {
        return plat::cLng(plat::val(text));
    } catch (const std::exception&) {
        return std::nullopt; // too large for a whole number
    }
}

} // namespace

QString configPath(const QString& programFolder) { return QDir(programFolder).filePath(QStringLiteral("config.txt")); }

ConfigRecord parseConfig(const QByteArray& bytes)
{
    ConfigRecord rec;
    if (bytes.trimmed().isEmpty()) {
        rec.state = ConfigRecord::State::Empty;
        return rec;
    }
    rec.state = ConfigRecord::State::Read;
    FieldReader r(bytes);
    QByteArray portField, modelField;
    r.next(&portField); // cannot fail: there is something that is not blank
    const auto port = leadingWholeNumber(decode(portField));
    rec.port = (port && *port >= kMinPort && *port <= kMaxPort) ? int(*port) : kMinPort;
    if (!r.next(&modelField)) {
        rec.modelFieldMissing = true;
        return rec;
    }
    rec.modelText = decode(modelField);
    rec.model = modelFromSettings(rec.modelText);
    return rec;
}

ConfigRecord readConfig(const QString& path)
{
    ConfigRecord rec;
    if (!QFileInfo::exists(path))
        return rec;
    const plat::TextLines t = plat::readLines(path);
    if (!t.ok) {
        rec.state = ConfigRecord::State::Unreadable;
        rec.error = t.error;
        return rec;
    }
    return parseConfig(plat::toCp1252(t.lines.join(u'\n')));
}

bool writeConfig(const QString& path, int port, Model model, QString* error)
{
    return plat::writeLines(path, {plat::CsvRecord().number(port).text(modelText(model)).toLine()}, error);
}

} // namespace ardwell
