#include "platform/filefaults.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <vector>

namespace plat {

namespace {
// The live instances; tests run one at a time on the one thread.
std::vector<const FileFaults*>& live()
{
    static std::vector<const FileFaults*> all;
    return all;
}

QString canonical(const QString& path) { return QDir::cleanPath(QFileInfo(path).absoluteFilePath()); }
} // namespace

FileFaults::FileFaults() { live().push_back(this); }

FileFaults::~FileFaults() { std::erase(live(), this); }

void FileFaults::unreadable(const QString& path) { unreadable_ << canonical(path); }

void FileFaults::noNewFiles(const QString& folder) { noNewFiles_ << canonical(folder); }

void FileFaults::diskFull(const QString& folder) { diskFull_ << canonical(folder); }

void FileFaults::diskRoom(const QString& folder, qint64 bytes) { diskRoom_.append({canonical(folder), bytes}); }

bool FileFaults::listedBy(QStringList FileFaults::*list, const QString& path)
{
    if (live().empty())
        return false;
    const QString p = canonical(path);
    for (const FileFaults* f : live())
        if ((f->*list).contains(p))
            return true;
    return false;
}

bool FileFaults::readRefused(const QString& path) { return listedBy(&FileFaults::unreadable_, path); }

bool FileFaults::newFileRefused(const QString& folder) { return listedBy(&FileFaults::noNewFiles_, folder); }

bool FileFaults::flushRefused(const QString& path)
{
    return listedBy(&FileFaults::diskFull_, QFileInfo(path).absolutePath());
}

std::optional<qint64> FileFaults::roomLeft(const QString& path)
{
    if (live().empty())
        return std::nullopt;
    const QString folder = canonical(QFileInfo(path).absolutePath());
    std::optional<qint64> room;
    for (const FileFaults* f : live()) {
        for (const auto& [listed, bytes] : f->diskRoom_) {
            if (listed != folder)
                continue;
            qint64 used = 0;
            for (const QFileInfo& file : QDir(folder).entryInfoList(QDir::Files | QDir::Hidden | QDir::System))
                used += file.size();
            const qint64 left = std::max<qint64>(0, bytes - used);
            room = room ? std::min(*room, left) : left;
        }
    }
    return room;
}

} // namespace plat
