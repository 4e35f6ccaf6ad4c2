#pragma once
// A run-time error as the programs' error traps report it: a number and a description.
// Traps catch std::exception; anything that is not a RuntimeError is reported as number 5.

#include <QString>
#include <stdexcept>

namespace plat {

class RuntimeError : public std::runtime_error {
public:
    RuntimeError(int number, const QString& description)
        : std::runtime_error(description.toStdString()), number_(number), description_(description) {}
    int number() const { return number_; }
    const QString& description() const { return description_; }

private:
    int number_;
    QString description_;
};

struct ErrInfo {
    int number = 0;
    QString description;
};

inline ErrInfo errInfo(const std::exception& e)
{
    if (auto* r = dynamic_cast<const RuntimeError*>(&e))
        return {r->number(), r->description()};
    return {5, QString::fromLocal8Bit(e.what())};
}

// The body of an error box, the same in both programs: the head (context or text id and text),
// CR LF, the description, " - " and the error number. The description is shown whole: one cut
// short loses the file or the reason it names.
inline QString errorBoxBody(const QString& head, const std::exception& e)
{
    const ErrInfo info = errInfo(e);
    return head + QStringLiteral("\r\n") + info.description + QStringLiteral(" - ") +
           QString::number(info.number);
}

// An error trap: runs fn; a std::exception goes to report and the caller carries on with its
// next statement. plat::ProgramEnded is not a std::exception and passes through.
template <class Fn, class Report>
void trap(Fn&& fn, Report&& report)
{
    try {
        fn();
    } catch (const std::exception& e) {
        report(e);
    }
}

// The error numbers the programs raise themselves.
namespace err {
constexpr int SubscriptOutOfRange = 9;
constexpr int TypeMismatch = 13;
constexpr int FileNotFound = 53;
constexpr int FileAlreadyOpen = 55;
constexpr int DeviceUnavailable = 68;
constexpr int DiskNotReady = 71;
constexpr int PathFileAccess = 75;
constexpr int PathNotFound = 76;
} // namespace err

// What a file that cannot be read or written raises (75).
inline RuntimeError pathFileAccessError()
{
    return RuntimeError(err::PathFileAccess, QStringLiteral("Path/File access error"));
}

} // namespace plat
