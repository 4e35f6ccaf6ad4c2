#include "quenby/memutils/nridatafile.h"

#include "platform/runtimeerror.h"
#include "platform/textfile.h"
#include "quenby/memutils/datafiles.h"

#include <algorithm>

namespace quenby {

QStringList nriDataFileLines(const std::array<QString, 33>& nriDataLines)
{
    QStringList out;
    for (int n = 1; n <= 28; ++n)
        out << QString::number(n) + QStringLiteral(",\"") + nriDataLines[size_t(n)] + u'"';
    return out;
}

QString nriDataLinesUnwritable(const std::array<QString, 33>& nriDataLines)
{
    const QStringList lines = nriDataFileLines(nriDataLines);
    const auto control = [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7F; };
    for (qsizetype k = 0; k < lines.size(); ++k) {
        const QString& l = lines[k];
        if (std::any_of(l.begin(), l.end(), control))
            return QStringLiteral("record %1 holds a control character").arg(k + 1);
        if (l.size() > kMaxDataFileLine)
            return QStringLiteral("record %1 too long for a data file").arg(k + 1);
    }
    return {};
}

void writeNriDataFile(const QString& path, const std::array<QString, 33>& nriDataLines)
{
    // A mech's reply can carry bytes no data file holds; such a file would not load again.
    const QString unwritable = nriDataLinesUnwritable(nriDataLines);
    if (!unwritable.isEmpty())
        throw plat::RuntimeError(fileerr::kMalformed, unwritable + QStringLiteral(": nothing saved"));
    QString why;
    if (!plat::writeLines(path, nriDataFileLines(nriDataLines), &why))
        throw plat::RuntimeError(plat::err::PathFileAccess, why);
}

} // namespace quenby
