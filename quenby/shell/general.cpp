#include "quenby/shell/general.h"

#include "platform/runtimeerror.h"

#include <limits>

namespace quenby {

QString CsvCursor::nextCsvField()
{
    if (csvPos < 1)
        throw plat::RuntimeError(5, QStringLiteral("Invalid procedure call or argument"));
    QString field;
    const int len = int(csvLine.size());
    for (;;) {
        if (csvPos == std::numeric_limits<int>::max())
            throw plat::RuntimeError(6, QStringLiteral("Overflow"));
        const bool have = csvPos <= len;
        const QChar ch = have ? csvLine.at(csvPos - 1) : QChar();
        ++csvPos;
        if (have && ch == u',')
            break;
        if (have && ch != u'"')
            field.append(ch);
        if (csvPos > len)
            break;
    }
    return field;
}

QString limitModeName(const QString& letter)
{
    if (letter == u"3")
        return QStringLiteral("3*SD");
    if (letter == u"2")
        return QStringLiteral("2*SD");
    if (letter == u"M")
        return QStringLiteral("Mean");
    if (letter == u"L")
        return QStringLiteral("Low");
    if (letter == u"H")
        return QStringLiteral("High");
    if (letter == u"F")
        return QStringLiteral("Fixed");
    return {};
}

bool isInList(const QString& text, const QStringList& items)
{
    for (const QString& item : items)
        if (item == text)
            return true;
    return false;
}

} // namespace quenby
