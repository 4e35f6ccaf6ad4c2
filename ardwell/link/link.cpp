#include "ardwell/link/link.h"

#include "ardwell/link/settings.h"
#include "platform/fileexists.h"
#include "platform/makesound.h"
#include "platform/runtimeerror.h"
#include "platform/senddata.h"

#include <QFileInfo>

namespace ardwell {

qint64 byteSwap(qint64 w)
{
    return (w & 255) * 256 + (w & 0xFF00) / 256;
}

qint64 clampToRange(qint64& value, qint64& max)
{
    if (value < 0)
        value = 0;
    if (value > max)
        value = max;
    return value;
}

void showError(plat::Dialogs& dialogs, const QString& context, const std::exception& e, const QString& more)
{
    QString body = plat::errorBoxBody(context + QLatin1Char(' '), e);
    if (!more.isEmpty())
        body += QStringLiteral("\r\n") + more;
    dialogs.msgBox(body, plat::mb::Critical | plat::mb::OKOnly, QStringLiteral("Error detected"));
}

Link::Link(const plat::Services& services, std::function<MechTarget()> target)
    : svc_(services), target_(std::move(target))
{
}

void Link::showError(const QString& context, const std::exception& e) { ardwell::showError(*svc_.dialogs, context, e); }

void Link::trap(const QString& context, const std::function<void()>& fn)
{
    plat::trap(fn, [&](const std::exception& e) { showError(context, e); });
}

// ---- Port and waits ----

bool Link::portUsable() const { return port_ && port_->isOpen(); }

void Link::startupPort()
{
    if (!port_ || jobStopped())
        return;
    try {
        if (port_->isOpen())
            port_->close();
        if (!port_->isOpen() && port_->portNumber() != st_.commPortNumber)
            port_->setPortNumber(st_.commPortNumber);
        if (port_->isOpen())
            return;
        port_->setSettings("9600,N,8,1");
        const bool listed = st_.commPortNumber >= kMinPort && st_.commPortNumber <= kMaxPort;
        const plat::OpenResult r = listed ? port_->open() : plat::OpenResult::NoSuchDevice;
        if (r == plat::OpenResult::Ok && port_->isOpen()) {
            reopenFailure_.clear();
            st_.portOpen = true;
            sender_.reopened();
            return;
        }
        const int number = plat::serialErrorNumber(r);
        QString text;
        if (number == plat::kErrInvalidPortNumber && !listed)
            text = QStringLiteral("Invalid port number\r\n\r\nCOM%1 is no port").arg(st_.commPortNumber);
        else if (number == plat::kErrInvalidPortNumber)
            // A number of the list always stands for a device: what is wrong is that device
            // (missing, a file, a null device), which the user can mend without a new number.
            text = plat::portOpenFailure(*port_);
        else if (number == plat::kErrPortAlreadyOpen)
            text = QStringLiteral("COM Port in Use\r\n\r\n") + plat::portOpenFailure(*port_);
        else
            return; // other open errors: no message, the port stays closed
        const int answer = svc_.dialogs->msgBox(
            text, plat::mb::OKCancel | plat::mb::Critical | plat::mb::SystemModal, "Error");
        st_.portOpen = false;
        if (answer == plat::mb::Cancel)
            svc_.env->endProgram(0);
    } catch (const std::exception&) {
        // Any other error is passed over; the port stays as it is.
    }
}

void Link::writePort(const QByteArray& bytes, const QString& errorContext)
{
    if (jobStopped())
        return;
    const bool closed = port_ && !port_->isOpen();
    // A port the program holds open that is found closed has gone.
    if (closed && st_.portOpen) {
        lostPort();
        return;
    }
    // A job started after the loss: the box may be back.
    if (closed && sender_.lost() && guard_ && guard_->jobRunning())
        reopenLostPort();
    sender_.send(port_, bytes, [&](const std::exception& e) { showError(errorContext, e); });
}

void Link::stopIfLost()
{
    if (sender_.lost() && guard_ && guard_->jobRunning() && !jobStopped() && !portUsable())
        lostPort();
}

void Link::portFailed(const QString& why)
{
    // A port closes itself before it says it failed: one found open again was reopened since,
    // and the event is of the opening before, whose loss is over.
    if (portUsable())
        return;
    // A send found it closed first and has said so: the event is the same loss.
    if (sender_.lost()) {
        st_.portOpen = false;
        return;
    }
    lostPort(why.isEmpty() ? shared::kPortNotOpenText : why);
}

void Link::lostPort(const QString& why)
{
    st_.portOpen = false;
    // The box may come back with the mech unpowered: its logon is not to be counted on.
    st_.mechLoggedOn = false;
    // Sends outside a job stay quiet until the port is open again.
    sender_.portLost();
    if (jobStopped())
        return;
    // A job that tried the port again says which device would not open, and why.
    const QString report = reopenFailure_.isEmpty() ? lostText() : lostText() + QStringLiteral("\r\n") + reopenFailure_;
    if (why.isEmpty()) {
        // Found by a send or a wait, which only see the port closed: the loss is the news, not
        // the routine that happened to find it.
        svc_.dialogs->msgBox(report.mid(2), plat::mb::Critical | plat::mb::OKOnly, QStringLiteral("Error detected"));
    } else {
        ardwell::showError(*svc_.dialogs, kCommsContext, plat::RuntimeError(shared::kErrPortNotOpen, why), report);
    }
    if (guard_ && guard_->jobRunning()) {
        guard_->stopJob();
        if (onJobStopped)
            onJobStopped();
    }
}

QString Link::lostText() const
{
    return sender_.lostText(port_ ? port_->portNumber() : st_.commPortNumber, QString());
}

bool Link::reopenLostPort()
{
    if (!port_)
        return false;
    try {
        port_->setSettings("9600,N,8,1");
        if (port_->open() != plat::OpenResult::Ok || !port_->isOpen()) {
            reopenFailure_ = plat::portOpenFailure(*port_);
            return false;
        }
    } catch (const std::exception&) {
        return false;
    }
    reopenFailure_.clear();
    st_.portOpen = true;
    sender_.reopened();
    return true;
}

void Link::sendData(const QByteArray& text)
{
    writePort(text, "Error Sending Data : ");
}

void Link::sendAndWait(const QByteArray& text)
{
    st_.lineReceived = false;
    writePort(text, "Error Sending Data 2 : ");
    stopIfLost();
    st_.replyTimeoutMs = 1000;
    while (!st_.lineReceived && st_.replyTimeoutMs > 0 && !jobStopped())
        svc_.sched->pump();
}

void Link::delayMs(qint64 ms)
{
    st_.replyTimeoutMs = ms;
    while (st_.replyTimeoutMs > 0 && !jobStopped())
        svc_.sched->pump();
}

bool Link::waitSeconds(int n, const std::function<bool()>& done)
{
    // Measured on the monotonic clock, so the wait lasts its full n seconds and survives
    // midnight and clock changes. The wake-up makes sure a pump returns by the deadline.
    plat::Scheduler& s = *svc_.sched;
    stopIfLost();
    const plat::Millis limit = plat::Millis(qMax(0, n)) * 1000;
    const plat::Millis start = s.nowMs();
    const plat::CallbackId wake = s.callAfter(limit, [] {});
    struct Cancel {
        plat::Scheduler& s;
        plat::CallbackId id;
        ~Cancel() { s.cancel(id); }
    } cancel{s, wake};
    while (!jobStopped()) {
        s.pump();
        if (done() || s.nowMs() - start >= limit)
            break;
    }
    // A port that closed under the wait is said as lost now, before the caller takes the
    // silence for the mech's and says that instead.
    if (port_ && !port_->isOpen() && st_.portOpen)
        lostPort();
    return done();
}

// ---- Box commands ----

void Link::boxCommand(const char* text)
{
    st_.boxAcknowledged = false;
    sendAndWait(QByteArray(text) + '\r');
}

void Link::boxCmdPercent() { boxCommand("%"); }
void Link::boxCmdBar() { boxCommand("|"); }
void Link::boxCmdAmp() { boxCommand("&"); }
void Link::boxCmdDollar() { boxCommand(modelEntry(target_().model).outputCommand); }
void Link::boxCmdQuery() { boxCommand(modelEntry(target_().model).binaryCommand); }

void Link::boxCmdIdentify()
{
    boxCommand("S");
    boxCommand("V");
}

bool Link::identifyBox()
{
    st_.boxAnswered = false;
    for (int attempt = 1; attempt <= 5; ++attempt) {
        sendAndWait("S\r");
        if (st_.boxAnswered)
            break;
    }
    return st_.boxAnswered;
}

void Link::mechPower(bool on)
{
    boxCmdPercent();
    if (on)
        sendData(modelEntry(target_().model).powerOnLine);
    else {
        sendData("R\r");
        st_.mechLoggedOn = false; // a mech powered down has forgotten its logon
    }
    delayMs(200);
}

void Link::hopperPulse(bool driveTicked)
{
    if (driveTicked) {
        sendData("+\r");
        svc_.sound->beep();
    }
}

void Link::sendOutputMask(int mask)
{
    sendAndWait("#" + hex2(255 - mask).toLatin1() + '\r');
}

// ---- Files and sounds ----

namespace {
// The boxes of the file and folder checks.
shared::FileExistsTexts checkTexts()
{
    shared::FileExistsTexts texts;
    texts.pathMissing = QStringLiteral("This drive or path does not exist: ");
    return texts;
}
} // namespace

bool Link::dirExists(const QString& path)
{
    const shared::FileProbe probe = dirProbe_ ? dirProbe_ : [](const QString& p) {
        return !p.isEmpty() && QFileInfo(p).isDir();
    };
    // Same boxes as the file check; the program does not end over a failed folder check.
    return shared::fileExists(path, *svc_.dialogs, checkTexts(),
                              [&](const std::exception& e) { showError("Error Directory Exists routine : ", e); },
                              probe);
}

bool Link::fileExists(const QString& path)
{
    const shared::FileProbe probe = fileProbe_ ? fileProbe_ : shared::FileProbe(shared::probeOrdinaryFile);
    return shared::fileExists(path, *svc_.dialogs, checkTexts(),
                              [&](const std::exception& e) { showError("Error File Exists routine : ", e); },
                              probe);
}

void Link::makeSound(bool reject)
{
    shared::makeSound(reject, svc_.env->programFolder(), *svc_.sound,
                      [&](const std::exception& e) { showError("Error Making Sound : ", e); });
}

} // namespace ardwell
