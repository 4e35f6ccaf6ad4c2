#include "quenby/link/boxcheck.h"

#include "platform/runtimeerror.h"
#include "quenby/shell/texts.h"

namespace quenby {

namespace {
constexpr int kTextNoResponse = 122;
constexpr int kTextCommsError = 123;
constexpr int kTextNotDetected = 124;
constexpr int kTextValidatorCheck = 125;
constexpr int kTextCheckError = 126;
constexpr int kStatusWaitMs = 500;
constexpr int kMarsSettleMs = 500;
constexpr int kMarsRetryMs = 1000;
} // namespace

BoxCheck::BoxCheck(BoxLink& link, const plat::Services& services, const TextTable& texts,
                   const ErrorReporter& errors, const JobState& job)
    : link_(link), svc_(services), texts_(texts), errors_(errors), job_(job)
{
}

bool BoxCheck::openChosenPort(int portNumber)
{
    if (link_.portOpen)
        return false;
    try {
        if (link_.openPort(portNumber < 1 ? 1 : portNumber)) {
            link_.portOpen = true;
            return true;
        }
    } catch (const std::exception&) {
        // A port that does not exist or is busy simply stays closed.
    }
    return false;
}

void BoxCheck::resetBoxLink()
{
    try {
        link_.sendBreak100();
        link_.sendEscapes();
        link_.sendAndWait("_");
    } catch (const std::exception&) {
    }
}

bool BoxCheck::checkBoxResponds()
{
    try {
        link_.sendEscapes();
        link_.sendAndWait("_");
        link_.sendJ();
        link_.sendAndWait("M");
        link_.sendJ();
        link_.statusSeen = false;
        link_.sendAndWait(""); // nothing sent: only the reply wait
        link_.sendAndWait("S");
        link_.waitFor(kStatusWaitMs, [this] { return link_.statusSeen; });
    } catch (const std::exception& e) {
        errors_.reportError(kTextCheckError, e);
    }
    return link_.statusSeen;
}

bool BoxCheck::logon(const std::function<bool()>& fn)
{
    try {
        if (!fn)
            throw plat::RuntimeError(5, QStringLiteral("Mech logon is not available"));
        return fn();
    } catch (const std::exception& e) {
        errors_.reportError(kTextCheckError, e);
        return false;
    }
}

bool BoxCheck::checkBoxAndValidator(bool checkMech)
{
    const bool mars = job_.mechFamily == QLatin1String("Mars");
    auto statusSeen = [this] { return link_.statusSeen; };
    try {
        link_.sendEscapes();
        link_.sendAndWait("M");
        link_.sendJ();
        if (mars) {
            if (job_.mechModel == QLatin1String("ME181")) {
                link_.sendData("W");
                link_.sendData("CFD");
                link_.sendData("J");
            }
            link_.waitFor(kMarsSettleMs);
        }
        link_.statusSeen = false;
        link_.sendAndWait("S");
        link_.waitFor(kStatusWaitMs, statusSeen);
        if (mars) {
            if (!(link_.statusSeen && (!checkMech || link_.mechPresent))) {
                link_.waitFor(kMarsRetryMs);
                link_.sendAndWait("S");
                link_.waitFor(kStatusWaitMs, statusSeen);
            }
            link_.sendW();
        }
    } catch (const std::exception& e) {
        errors_.reportError(kTextCheckError, e);
    }

    if (!link_.statusSeen) {
        const int answer = svc_.dialogs->msgBox(texts_.getText(kTextNoResponse),
                                                plat::mb::OKCancel | plat::mb::Critical,
                                                texts_.getText(kTextCommsError));
        if (answer == plat::mb::Cancel)
            svc_.env->endProgram(0);
        return false;
    }
    if (checkMech && job_.mechFamily == QLatin1String("CC")) {
        link_.mechPresent = logon(ccLogon);
        if (link_.mechPresent && ccLogoff)
            ccLogoff();
    }
    if (checkMech && job_.mechFamily == QLatin1String("NRI")) {
        link_.mechPresent = logon(nriLogon);
        if (link_.mechPresent && resetProgrammerBox)
            resetProgrammerBox();
    }
    if (checkMech && !link_.mechPresent) {
        svc_.dialogs->msgBox(texts_.getText(kTextNotDetected), plat::mb::OKOnly | plat::mb::Critical,
                             texts_.getText(kTextValidatorCheck));
        return false;
    }
    return true;
}

} // namespace quenby
