#pragma once
// What a program needs of its surroundings: its folder, the single-instance check, and ending
// the program from anywhere.

#include <QString>
#include <functional>
#include <vector>

namespace plat {

// Thrown by a test environment's endProgram() so the test regains control. Deliberately not a
// std::exception: error traps catch std::exception and must not swallow the end of the program.
struct ProgramEnded {
    int code = 0;
};

class AppEnv {
public:
    virtual ~AppEnv() = default;
    // The program folder: $<PROGRAM>_HOME when set, else the executable's folder.
    virtual QString programFolder() const = 0;
    // True when another copy of this program is running (and keeps the claim for this one).
    virtual bool anotherInstanceRunning() = 0;
    // Closes what was registered (files, port) and ends the program. Never returns.
    [[noreturn]] virtual void endProgram(int code = 0) = 0;

    // Run, in reverse order of registration, by endProgram() before the program ends.
    void atEnd(std::function<void()> fn) { closers_.push_back(std::move(fn)); }

protected:
    void runClosers();

private:
    std::vector<std::function<void()>> closers_;
};

} // namespace plat
