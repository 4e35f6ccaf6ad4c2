#include "platform/realenv.h"

#include <QCoreApplication>
#include <QDir>
#include <QLockFile>
#include <cstdio>
#include <unistd.h>

namespace plat {

RealEnv::RealEnv(QString programName, QString homeVariable)
    : name_(std::move(programName)), homeVariable_(std::move(homeVariable))
{
}

RealEnv::~RealEnv() = default;

QString RealEnv::programFolder() const
{
    const QString home = qEnvironmentVariable(homeVariable_.toLocal8Bit().constData());
    if (!home.isEmpty())
        return QDir::cleanPath(home);
    return QCoreApplication::applicationDirPath();
}

QString RealEnv::lockFilePath() const
{
    // Per user: another user's copy on the same machine does not block this one.
    return QDir(QDir::tempPath()).filePath(QStringLiteral("%1-%2.lock").arg(name_).arg(::getuid()));
}

bool RealEnv::anotherInstanceRunning()
{
    if (held_)
        return false;
    if (!lock_) {
        lock_ = std::make_unique<QLockFile>(lockFilePath());
        // Only a dead owner makes a lock stale, never its age.
        lock_->setStaleLockTime(0);
    }
    held_ = lock_->tryLock(0);
    return !held_;
}

void RealEnv::endProgram(int code)
{
    runClosers();
    if (lock_ && held_)
        lock_->unlock();
    std::fflush(stdout);
    std::fflush(stderr);
    ::_exit(code);
}

} // namespace plat
