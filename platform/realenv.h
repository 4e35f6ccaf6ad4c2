#pragma once
// The environment of a real run: the program folder, a per-user single-instance lock and an
// end that does not unwind through windows that may be deep in nested waits.

#include "platform/appenv.h"

#include <QString>
#include <memory>

class QLockFile;

namespace plat {

class RealEnv : public AppEnv {
public:
    // homeVariable names an environment variable (e.g. "QUENBY_HOME") that, when set and not
    // empty, overrides the executable's folder as the program folder.
    RealEnv(QString programName, QString homeVariable);
    ~RealEnv() override;

    QString programFolder() const override;
    // The first call claims the program's lock for the life of this object; true when another
    // live process holds it. A lock left behind by a dead process is taken over.
    bool anotherInstanceRunning() override;
    // Runs the registered closers, flushes standard output and error, and exits at once.
    [[noreturn]] void endProgram(int code = 0) override;

    QString lockFilePath() const;

private:
    QString name_;
    QString homeVariable_;
    std::unique_ptr<QLockFile> lock_;
    bool held_ = false;
};

} // namespace plat
