#pragma once
// Making sure the programmer box (and, when asked, a mech) is there: the start-up window's
// open/reset/check steps and the pre-job check every job runs first.

#include "quenby/link/boxlink.h"

namespace quenby {

class MechLogons;

class BoxCheck {
public:
    BoxCheck(BoxLink& link, const plat::Services& services, const TextTable& texts,
             const ErrorReporter& errors, const JobState& job);
    BoxCheck(const BoxCheck&) = delete;
    BoxCheck& operator=(const BoxCheck&) = delete;

    // The family layers' logons; set before a check that logs on to a CC or NRI mech.
    void setLogons(MechLogons& logons) { logons_ = &logons; }

    // The pre-job check: escape burst, "M", "J", status; true when the box answered and, when
    // checkMech, a mech is connected. Cancel on "No Response from Programmer Box" ends the program.
    bool checkBoxAndValidator(bool checkMech);

    // Opens port `portNumber` while link.portOpen is false; true when it is open. Failures are
    // silent: the result is simply false.
    bool openChosenPort(int portNumber);
    // Break 100 ms, 25 escapes, "_" with its reply wait.
    void resetBoxLink();
    // The start-up command sequence; true when a status line arrived.
    bool checkBoxResponds();

    // The last check got many more lines than a box sends it, and they were not its status: the
    // device on the port talks, but not as a programmer box. Such a check counts as unanswered.
    bool foreignDevice() const { return foreign_; }
    // What the user is told then.
    QString foreignDeviceText() const;

private:
    // Runs a logon; a failure is reported with text 126 and counts as no mech.
    bool logon(bool (MechLogons::*fn)());
    // Counts the lines of one check; foreign_ is set from them when it ends.
    struct LineCount {
        int lines;
        int status;
    };
    LineCount lineCount() const { return {st_.linesReceived, st_.statusLines}; }
    void judgeLines(const LineCount& before);
    void reportCheckError(const std::exception& e) const;

    BoxLink& link_;
    LinkState& st_;
    plat::Services svc_;
    const TextTable& texts_;
    const ErrorReporter& errors_;
    const JobState& job_;
    MechLogons* logons_ = nullptr;
    bool foreign_ = false;
};

} // namespace quenby
