#include "quenby/link/boxcheck.h"

#include "platform/runtimeerror.h"
#include "quenby/link/familytable.h"
#include "quenby/seams.h"
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
// A box answers a check with a few lines; a device that sends more than this many lines other
// than a status line in one check is no programmer box, whatever their first letters.
constexpr int kForeignLines = 6;
} // namespace

BoxCheck::BoxCheck(BoxLink& link, const plat::Services& services, const TextTable& texts,
                   const ErrorReporter& errors, const JobState& job)
    : link_(link),
      st_(link.state()),
      svc_(services),
      texts_(texts),
      errors_(errors),
      job_(job)
{
}

void BoxCheck::reportCheckError(const std::exception& e) const { errors_.reportError(kTextCheckError, e); }

bool BoxCheck::openChosenPort(int portNumber)
{
    if (st_.portOpen)
        return false;
    // A port that does not exist or is busy simply stays closed.
    plat::trap([&] { link_.openPort(portNumber < 1 ? 1 : portNumber); }, [](const std::exception&) {});
    return st_.portOpen;
}

void BoxCheck::resetBoxLink()
{
    plat::trap(
        [&] {
            link_.sendBreak100();
            link_.sendEscapes();
            link_.sendAndWait("_");
        },
        [](const std::exception&) {});
}

void BoxCheck::judgeLines(const LineCount& before)
{
    const LineCount now = lineCount();
    foreign_ = (now.lines - before.lines) - (now.status - before.status) > kForeignLines;
}

QString BoxCheck::foreignDeviceText() const
{
    return QStringLiteral("The device on COM%1 does not answer as a programmer box.").arg(link_.portNumber());
}

bool BoxCheck::checkBoxResponds()
{
    const LineCount before = lineCount();
    plat::trap(
        [&] {
            link_.sendEscapes();
            link_.sendAndWait("_");
            link_.sendJ();
            link_.sendAndWait("M");
            link_.sendJ();
            link_.expectLine(BoxLine::Status);
            link_.sendAndWait(""); // nothing sent: only the reply wait
            link_.sendAndWait("S");
            link_.awaitLine(BoxLine::Status, kStatusWaitMs);
        },
        [this](const std::exception& e) { reportCheckError(e); });
    judgeLines(before);
    return link_.lineSeen(BoxLine::Status) && !foreign_;
}

bool BoxCheck::logon(bool (MechLogons::*fn)())
{
    bool ok = false;
    plat::trap([&] { ok = (logons_->*fn)(); }, [this](const std::exception& e) { reportCheckError(e); });
    return ok;
}

bool BoxCheck::checkBoxAndValidator(bool checkMech)
{
    const bool mars = job_.mechFamily == Family::Mars;
    const LineCount before = lineCount();
    plat::trap([&] {
        link_.sendEscapes();
        link_.sendAndWait("M");
        link_.sendJ();
        if (mars) {
            if (mechEntry(job_.mechFamily, job_.mechModel).mars.cfdAfterStart)
                link_.sendCfd();
            link_.waitFor(kMarsSettleMs);
        }
        link_.expectLine(BoxLine::Status);
        link_.sendAndWait("S");
        link_.awaitLine(BoxLine::Status, kStatusWaitMs);
        if (mars) {
            if (!(link_.lineSeen(BoxLine::Status) && (!checkMech || st_.mechPresent))) {
                link_.waitFor(kMarsRetryMs);
                link_.sendAndWait("S");
                link_.awaitLine(BoxLine::Status, kStatusWaitMs);
            }
            link_.sendW();
        }
    }, [this](const std::exception& e) { reportCheckError(e); });

    judgeLines(before);
    if (!link_.lineSeen(BoxLine::Status) || foreign_) {
        QString text = texts_.getText(kTextNoResponse);
        if (foreign_)
            text += QStringLiteral("\r\n\r\n") + foreignDeviceText();
        const int answer = svc_.dialogs->msgBox(text,
                                                plat::mb::OKCancel | plat::mb::Critical,
                                                texts_.getText(kTextCommsError));
        if (answer == plat::mb::Cancel)
            svc_.env->endProgram(0);
        return false;
    }
    if (checkMech && job_.mechFamily == Family::CC) {
        link_.setMechPresent(logon(&MechLogons::ccLogon));
        if (st_.mechPresent)
            plat::trap([this] { logons_->ccLogoff(); }, [this](const std::exception& e) { reportCheckError(e); });
    }
    if (checkMech && job_.mechFamily == Family::NRI) {
        link_.setMechPresent(logon(&MechLogons::nriLogon));
        if (st_.mechPresent)
            plat::trap([this] { logons_->resetProgrammerBox(); },
                       [this](const std::exception& e) { reportCheckError(e); });
    }
    if (checkMech && !st_.mechPresent) {
        svc_.dialogs->msgBox(texts_.getText(kTextNotDetected), plat::mb::OKOnly | plat::mb::Critical,
                             texts_.getText(kTextValidatorCheck));
        return false;
    }
    return true;
}

} // namespace quenby
