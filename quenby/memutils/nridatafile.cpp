#include "quenby/memutils/nridatafile.h"

#include "platform/runtimeerror.h"
#include "platform/textfile.h"

namespace quenby {

QStringList nriDataFileLines(const std::array<QString, 33>& nriDataLines)
{
    QStringList out;
    for (int n = 1; n <= 28; ++n)
        out << QString::number(n) + QStringLiteral(",\"") + nriDataLines[size_t(n)] + u'"';
    return out;
}

void writeNriDataFile(const QString& path, const std::array<QString, 33>& nriDataLines)
{
    QString why;
    if (!plat::writeLines(path, nriDataFileLines(nriDataLines), &why))
        throw plat::RuntimeError(plat::err::PathFileAccess, why);
}

} // namespace quenby
