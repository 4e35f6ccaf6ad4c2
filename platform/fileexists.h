#pragma once
// Built into both programs: depends on the platform layer only.

#include <QString>
#include <exception>
#include <functional>

namespace plat {
class Dialogs;
}

namespace shared {

// The texts of the check's own boxes, in the calling program's language.
struct FileExistsTexts {
    QString diskNotReady = QStringLiteral("Put a floppy disk in the drive and close the door.");
    QString unexpectedError = QStringLiteral("Unexpected error #");
    QString occurred = QStringLiteral(" occurred: ");
    // Put before the path when the device is unavailable; empty means unexpectedError.
    QString pathMissing;
};

// Whether an ordinary file (not a folder, not hidden) of exactly that name exists; no wildcard
// matching. Throws plat::RuntimeError for a failure of the search.
using FileProbe = std::function<bool(const QString& path)>;
bool probeOrdinaryFile(const QString& path);

// True only for an existing ordinary file. Errors of the search are shown in the check's own
// boxes and give False (a drive that is not ready offers OK to search again); it never ends the
// program. Anything failing beyond that goes to onError and gives False.
bool fileExists(const QString& path, plat::Dialogs& dialogs, const FileExistsTexts& texts,
                const std::function<void(const std::exception&)>& onError);
// The same with another search (a folder check, tests).
bool fileExists(const QString& path, plat::Dialogs& dialogs, const FileExistsTexts& texts,
                const std::function<void(const std::exception&)>& onError, const FileProbe& probe);

} // namespace shared
