#pragma once
// A seam whose real work a later part of the program brings. Until it is filled, its default
// says so, once per seam and run, on the "plat.notbuilt" logging category (standard error in
// the program), so that an unfilled seam is never a silent no-op. Tests read what was reported.

#include <QLoggingCategory>
#include <QString>
#include <QStringList>

Q_DECLARE_LOGGING_CATEGORY(lcNotBuilt)

namespace plat {

// Reports `what` (for example "frmMain.cmdMars_Click") the first time it is reached.
void notBuiltYet(const QString& what);
// Everything reported since the last forget, in order.
QStringList notBuiltReports();
void forgetNotBuiltReports();

} // namespace plat
