#include "ardwell/link/mechjobs.h"

#include "platform/notbuilt.h"

namespace ardwell {

void MechJobs::notBuiltYet(const QString& step)
{
    if (!missing_.contains(step))
        missing_ << step;
    plat::notBuiltYet(QStringLiteral("frmMain.") + step);
}

} // namespace ardwell
