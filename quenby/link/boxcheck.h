#pragma once
// Making sure the programmer box (and, when asked, a mech) is there: the start-up window's
// open/reset/check steps and the pre-job check every job runs first.

#include "quenby/link/boxlink.h"

#include <functional>

namespace quenby {

class BoxCheck {
public:
    BoxCheck(BoxLink& link, const plat::Services& services, const TextTable& texts,
             const ErrorReporter& errors, const JobState& job);

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

    // Mech logons of the family layers. Unset, a logon reports that it is not available and
    // fails; unset logoff and box reset do nothing.
    std::function<bool()> ccLogon;
    std::function<void()> ccLogoff;
    std::function<bool()> nriLogon;
    std::function<void()> resetProgrammerBox;

private:
    bool logon(const std::function<bool()>& fn);

    BoxLink& link_;
    plat::Services svc_;
    const TextTable& texts_;
    const ErrorReporter& errors_;
    const JobState& job_;
};

} // namespace quenby
