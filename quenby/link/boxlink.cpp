#include "quenby/link/boxlink.h"

#include "platform/reentryguard.h"
#include "platform/runtimeerror.h"
#include "platform/textfile.h"
#include "platform/timer.h"
#include "platform/vbtext.h"
#include "quenby/link/ccwire.h"
#include "quenby/link/mechfamily.h"
#include "quenby/seams.h"
#include "quenby/shell/texts.h"

namespace quenby {

namespace {
constexpr quint8 kCr = 0x0D;
constexpr int kBreakMs = 100;
const QString kPortSettings = QStringLiteral("9600,N,8,1");

namespace id {
constexpr int SendData = 206;
constexpr int SendAndWait = 207;
constexpr int Reception = 809;
constexpr int BatteryLow = 816;
constexpr int Warning = 817;
constexpr int Decoding = 818;
constexpr int Idles = 820;
constexpr int PortInit = 823;
constexpr int ErrorTitle = 826;
constexpr int Timings = 830;
} // namespace id
} // namespace

BoxLink::BoxLink(const plat::Services& services, LinkState& state, const TextTable& texts,
                 const ErrorReporter& errors, JobState& job)
    : svc_(services),
      st_(state),
      texts_(texts),
      errors_(errors),
      job_(job)
{
}

BoxLink::~BoxLink() { setPort(nullptr); }

void BoxLink::setPort(plat::SerialPort* port, plat::JobGuard* guard)
{
    if (port_) {
        port_->onReceive = nullptr;
        port_->onFailure = nullptr;
    }
    port_ = port;
    guard_ = guard;
    if (!port_)
        return;
    const auto run = [guard](const std::function<void()>& fn) {
        if (guard)
            guard->handle(QStringLiteral("Comm1_OnComm : "), fn);
        else
            fn();
    };
    port_->onReceive = [this, run] { run([this] { Comm1_OnComm(); }); };
    port_->onFailure = [this, run](const QString& why) { run([this, why] { portFailed(why); }); };
}

QString BoxLink::text(int id) const
{
    try {
        return texts_.getText(id);
    } catch (const std::exception&) {
        return {};
    }
}

// ---- timing ------------------------------------------------------------------------------------

void BoxLink::Timer1_Timer()
{
    plat::countDown(st_.countdownMs, kTickMs);
    plat::countDown(st_.delayCountMs, kTickMs);
}

void BoxLink::delayMs(int ms)
{
    st_.delayCountMs = ms < 10 ? 10 : ms - ms % 10;
    while (st_.delayCountMs > 0 && !jobStopped())
        svc_.sched->pump();
}

bool BoxLink::waitFor(int ms, const std::function<bool()>& done)
{
    // A job that waits for the box while its port is lost (it started after the loss was
    // reported) says so once and stops; its sends before went nowhere, quietly.
    if (done && sender_.lost() && guard_ && guard_->jobRunning() && !jobStopped() && !(port_ && port_->isOpen()))
        lostPort(id::SendData, plat::RuntimeError(shared::kErrPortNotOpen, shared::kPortNotOpenText));
    st_.countdownMs = ms;
    while (st_.countdownMs > 0 && !(done && done()) && !jobStopped())
        svc_.sched->pump();
    return done && done();
}

ReplyOutcome BoxLink::sendCcAndAwaitAck(const QByteArray& request, int ms, bool refusalEnds)
{
    replies_.ccAck = false;
    replies_.ccNak = false;
    sendData(request);
    const bool ended = waitFor(ms, [&] { return replies_.ccAck || (refusalEnds && replies_.ccNak); });
    return replies_.ccAck ? ReplyOutcome::Arrived : ended ? ReplyOutcome::Refused : ReplyOutcome::TimedOut;
}

WordReply BoxLink::sendCcAndAwaitWord(const QByteArray& request, int ms)
{
    replies_.ccWordDone = false;
    // The verdict of an earlier frame is no part of this word's.
    replies_.ccWordError = false;
    sendData(request);
    if (!waitFor(ms, [this] { return replies_.ccWordDone; }))
        return {ReplyOutcome::TimedOut};
    return replies_.ccWordError ? WordReply{ReplyOutcome::CheckFailed} : WordReply{.value = replies_.ccWordValue};
}

void BoxLink::ccWordHandled(const CcFrame& frame)
{
    const CcWordReply reply = parseCcWordReply(std::span<const qint32>(frame.slot.data(), 4));
    replies_.ccWordError = reply.error;
    replies_.ccWordValue = reply.value;
    replies_.ccWordDone = true;
}

void BoxLink::expectReplies(int n)
{
    replies_.replyAck = false;
    replies_.replyError = false;
    replies_.replyDone = false;
    replies_.mechReply.clear();
    replies_.sentinelReply.clear();
    replies_.sentinelReplyEnds = 0;
    replies_.repliesExpected = n;
}

bool BoxLink::awaitAck(int ms)
{
    return waitFor(ms, [this] { return replies_.replyAck; });
}

ReplyOutcome BoxLink::sendAndAwaitAck(const QByteArray& data, int ms)
{
    expectReplies(replies_.repliesExpected);
    sendData(data);
    awaitAck(ms);
    return replies_.replyError ? ReplyOutcome::Refused
                               : replies_.replyAck ? ReplyOutcome::Arrived : ReplyOutcome::TimedOut;
}

ReplyOutcome BoxLink::awaitReplies(std::optional<int> ms)
{
    auto done = [this] { return replies_.replyDone || job_.userAbort; };
    if (ms)
        waitFor(*ms, done);
    while (!ms && !done())
        svc_.sched->pump();
    return replies_.replyDone ? ReplyOutcome::Arrived
                              : job_.userAbort ? ReplyOutcome::Stopped : ReplyOutcome::TimedOut;
}

void BoxLink::sendEchoed(char c, int ms)
{
    replies_.mechReply.clear();
    replies_.sentinelReply.clear();
    replies_.sentinelReplyEnds = 0;
    sendData(QByteArray(1, c));
    waitFor(ms, [&] { return replies_.sentinelReply.startsWith(c) || job_.userAbort; });
}

void BoxLink::takeSentinelReply(bool whole)
{
    const QByteArray& r = replies_.sentinelReply;
    replies_.mechReply = r.isEmpty() ? QByteArray() : whole ? r : r.mid(1);
    replies_.replyDone = false;
}

// ---- sending -----------------------------------------------------------------------------------

void BoxLink::sendData(const QByteArray& s)
{
    if (jobStopped())
        return;
    // A port the program holds open that is found closed has gone.
    if (port_ && !port_->isOpen() && st_.portOpen) {
        lostPort(id::SendData, plat::RuntimeError(shared::kErrPortNotOpen, shared::kPortNotOpenText));
        return;
    }
    sender_.send(port_, s, [this](const std::exception& e) { errors_.reportError(id::SendData, e); });
}

bool BoxLink::sendAndWait(const QByteArray& s)
{
    errors_.trap(id::SendAndWait, [&] {
        expectLine(BoxLine::Any);
        sendData(s);
        awaitLine(BoxLine::Any, kReplyWaitMs);
    });
    return lineSeen(BoxLine::Any);
}

void BoxLink::expectLine(BoxLine line)
{
    seen_[size_t(line)] = false;
    if (line == BoxLine::Idle)
        st_.idleValues = {};
}

bool BoxLink::awaitLine(BoxLine line, int ms)
{
    return waitFor(ms, [this, line] { return lineSeen(line); });
}

void BoxLink::clearInput()
{
    backlog_.clear();
    if (port_ && port_->isOpen())
        port_->clearInput();
}

void BoxLink::sendJ() { sendData("J"); }
void BoxLink::sendW() { sendData("W"); }

void BoxLink::sendCfd()
{
    sendW();
    sendData("CFD");
    sendJ();
}

void BoxLink::sendEscapes(int count)
{
    for (int i = 0; i < count; ++i)
        sendData(QByteArray(1, kEsc));
}

void BoxLink::sendBreak(int ms)
{
    // A break ends the box's serial mode: what follows is line mode again.
    st_.passThrough = false;
    if (port_)
        port_->setBreak(true);
    waitFor(ms);
    if (port_)
        port_->setBreak(false);
    // Mech bytes the box still relayed during the break are no part of its next line.
    st_.lineBuffer.clear();
}

bool BoxLink::openPort(int portNumber, plat::OpenResult* why)
{
    if (why)
        *why = plat::OpenResult::Ok;
    if (!port_) {
        if (why)
            *why = plat::OpenResult::NoSuchDevice;
        return false;
    }
    if (port_->portNumber() != portNumber)
        port_->setPortNumber(portNumber);
    if (!port_->isOpen()) {
        port_->setSettings(kPortSettings);
        const plat::OpenResult r = port_->open();
        if (why)
            *why = r;
    }
    if (!port_->isOpen())
        return false;
    sender_.reopened();
    st_.portOpen = true;
    return true;
}

void BoxLink::portNotOpened(int portNumber)
{
    if (jobStopped())
        return;
    // The program stays: the box may be plugged in and the job started again. Nothing of this
    // job goes to the port, so this is its one report.
    svc_.dialogs->msgBox(text(id::PortInit) + QStringLiteral("\r\n") + openFailureText(portNumber), plat::mb::Critical,
                         text(id::ErrorTitle));
    sender_.portLost();
    if (guard_ && guard_->jobRunning()) {
        guard_->stopJob();
        job_.stop();
    }
}

QString BoxLink::openFailureText(int portNumber) const
{
    return port_ ? plat::portOpenFailure(*port_)
                 : QStringLiteral("COM%1 cannot be opened: no serial port").arg(portNumber);
}

void BoxLink::closePort()
{
    if (port_ && port_->isOpen())
        port_->close();
    st_.portOpen = false;
}

void BoxLink::startupPort(int portNumber)
{
    if (!st_.portOpen) {
        plat::OpenResult why = plat::OpenResult::Ok;
        if (!openPort(portNumber, &why)) {
            portNotOpened(portNumber);
            return;
        }
    }
    sendBreak(kBreakMs);
    sendEscapes();
}

void BoxLink::portFailed(const QString& why)
{
    // The port has closed itself: the next job's startupPort opens it again.
    lostPort(id::Reception, plat::RuntimeError(shared::kErrPortNotOpen, why));
}

void BoxLink::lostPort(int textId, const std::exception& e)
{
    st_.portOpen = false;
    // Sends outside a job stay quiet until the port is open again.
    sender_.portLost();
    if (jobStopped())
        return;
    errors_.reportError(textId, e, lostText());
    if (guard_ && guard_->jobRunning()) {
        guard_->stopJob();
        job_.stop();
    }
}

QString BoxLink::lostText() const
{
    return sender_.lostText(portNumber(), QStringLiteral(" from the main menu"));
}

// ---- receiving ---------------------------------------------------------------------------------

void BoxLink::Comm1_OnComm()
{
    // A box opened below pumps; bytes arriving meanwhile are read by this same loop afterwards.
    const plat::ReentryGuard guard(inReceive_);
    if (!port_)
        return;
    if (!guard) {
        holdBacklog();
        return;
    }
    for (;;) {
        QByteArray one;
        if (!backlog_.isEmpty()) {
            one = backlog_.left(1);
            backlog_.remove(0, 1);
        } else if (port_ && port_->isOpen() && port_->bytesWaiting() > 0) {
            one = port_->read(1);
        }
        if (one.isEmpty())
            break;
        errors_.trap(id::Reception, [&] { handleByte(quint8(one.at(0))); });
    }
}

void BoxLink::holdBacklog()
{
    errors_.trap(id::Reception, [&] {
        while (port_ && port_->isOpen() && port_->bytesWaiting() > 0) {
            const QByteArray in = port_->read(port_->bytesWaiting());
            if (in.isEmpty())
                break;
            backlog_ += in.left(qMax(0, kBacklogCap - int(backlog_.size())));
        }
    });
}

void BoxLink::handleByte(quint8 b)
{
    if (st_.passThrough)
        handlePassThroughByte(b);
    else
        handleLineByte(b);
}

void BoxLink::handleLineByte(quint8 b)
{
    if (b != kCr) {
        if (b >= 0x20 && st_.lineBuffer.size() < kLineBufferCap)
            st_.lineBuffer += plat::fromCp1252(QByteArray(1, char(b)));
        return;
    }
    if (st_.lineBuffer.isEmpty())
        return;
    const QString line = st_.lineBuffer;
    st_.lineBuffer.clear();
    seen_[size_t(BoxLine::Any)] = true;
    ++st_.linesReceived;
    processBoxLine(line);
}

void BoxLink::handlePassThroughByte(quint8 b)
{
    // Mech bytes are read the way the job's family and model read them.
    const MechEntry& entry = entry_.of(job_.mechFamily, job_.mechModel);
    ReceiveSide rx{st_, replies_, job_, *parsers_, entry};
    passThroughHandler(entry.kind)(rx, b);
}

void BoxLink::processBoxLine(const QString& line)
{
    errors_.trap(id::Decoding, [&] {
        const QChar first = line.isEmpty() ? QChar() : line.at(0);
        switch (first.unicode()) {
        case '*':
            if (plat::mid(line, 2, 2) == QLatin1String("EV"))
                parsers_->parseCoinAccepted(line);
            if (plat::mid(line, 2, 1) == QLatin1String("S")) {
                st_.passThrough = true;
                // Serial mode starts afresh: a frame left half-assembled by an earlier mech
                // would swallow the first bytes this one sends.
                st_.ccFrame.count = 0;
            }
            if (plat::mid(line, 2, 1) == QLatin1String("R"))
                seen_[size_t(BoxLine::Restarted)] = true;
            break;
        case 'M':
            if (job_.measuring)
                parsers_->loadMeasurement(line);
            break;
        case 'V':
            parsers_->parseCoinAccepted(line);
            break;
        case 'Y':
            seen_[size_t(BoxLine::Idle)] = true;
            parseIdles(line);
            break;
        case 'R':
            parsers_->decodeMarsPromLine(line);
            break;
        case 'Z':
            seen_[size_t(BoxLine::PromRow)] = true;
            break;
        case 'C':
            st_.mechPresent = true;
            parsetimings(line);
            seen_[size_t(BoxLine::Status)] = true;
            ++st_.statusLines;
            break;
        case 'N':
            st_.mechPresent = false;
            parsetimings(line);
            seen_[size_t(BoxLine::Status)] = true;
            ++st_.statusLines;
            break;
        case 'B':
            // Once per job: a box that repeats it every line says no more.
            if (guard_ && !guard_->firstInJob(QStringLiteral("battery")))
                break;
            svc_.dialogs->msgBox(texts_.getText(id::BatteryLow), plat::mb::OKOnly | plat::mb::Exclamation,
                                 texts_.getText(id::Warning));
            break;
        default: // "T", "D" and anything unknown
            break;
        }
    });
}

void BoxLink::parseIdles(const QString& line)
{
    for (int i = 0; i < int(st_.idleValues.size()); ++i)
        errors_.trap(id::Idles,
                     [&] { st_.idleValues[size_t(i)] = plat::cLng(plat::val(plat::mid(line, 6 * i + 3, 5))); });
}

void BoxLink::parsetimings(const QString& line)
{
    ValidatorTimings& t = st_.validatorTimings;
    errors_.trap(id::Timings, [&] { t.value1 = plat::val(plat::mid(line, 2, 5)); });
    errors_.trap(id::Timings, [&] { t.value2 = plat::val(plat::mid(line, 8, 5)); });
    errors_.trap(id::Timings, [&] { t.value3 = plat::val(plat::mid(line, 14, 5)); });
    errors_.trap(id::Timings, [&] { t.value4 = plat::cLng(plat::val(plat::mid(line, 20, 5))); });
    st_.boxVersion = plat::mid(line, 29, 5);
    if (mainView_)
        errors_.trap(id::Timings, [&] { mainView_->setText(QStringLiteral("lblProgrammer"), st_.boxVersion); });
}

} // namespace quenby
