#include "ardwell/link/mechjobs.h"

Q_LOGGING_CATEGORY(lcArdwellSeams, "ardwell.seams")

namespace ardwell {

void MechJobs::notBuiltYet(const QString& step)
{
    if (missing_.contains(step))
        return;
    missing_ << step;
    qCWarning(lcArdwellSeams, "%s: not built yet", qPrintable(step));
}

} // namespace ardwell
