#include "platform/notbuilt.h"

Q_LOGGING_CATEGORY(lcNotBuilt, "plat.notbuilt")

namespace plat {

namespace {
QStringList& reported()
{
    static QStringList list;
    return list;
}
} // namespace

void notBuiltYet(const QString& what)
{
    if (reported().contains(what))
        return;
    reported() << what;
    qCWarning(lcNotBuilt, "%s is not built yet", qPrintable(what));
}

QStringList notBuiltReports() { return reported(); }

void forgetNotBuiltReports() { reported().clear(); }

} // namespace plat
