#include "sim/ardwellbox.h"

#include "platform/vbtext.h"

#include <cctype>

namespace sim {

namespace {

bool allHex(const QByteArray& s)
{
    for (char c : s)
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return false;
    return true;
}

} // namespace

ArdwellBox::ArdwellBox(plat::Scheduler& sched, ArdwellMech& mech) : sched_(sched), mech_(mech)
{
    mech_.toBox = [this](const QByteArray& f) { return fromMech(f); };
}

ArdwellBox::~ArdwellBox() { mech_.toBox = nullptr; }

void ArdwellBox::setFault(Fault fault, When when)
{
    switch (fault) {
    case Fault::StatusUnanswered: statusFault_ = when; break;
    case Fault::FrameNotTaken: frameFault_ = when; break;
    }
}

void ArdwellBox::onBytes(const QByteArray& bytes)
{
    constexpr int kMaxLine = 256;
    for (char c : bytes) {
        if (c == '\r') {
            const QByteArray line = lineBuffer_;
            const bool dropped = overflow_;
            lineBuffer_.clear();
            overflow_ = false;
            if (!dropped && !line.isEmpty())
                handleLine(line);
        } else if (c != '\n') {
            if (lineBuffer_.size() < kMaxLine)
                lineBuffer_.append(c);
            else
                overflow_ = true;
        }
    }
}

void ArdwellBox::handleLine(const QByteArray& line)
{
    if (relaying_ && line.size() >= 8 && line.size() % 2 == 0 && allHex(line))
        handleFrameLine(line);
    else
        handleCommand(line);
}

void ArdwellBox::handleCommand(const QByteArray& line)
{
    commands_.append(line);
    if (silent_)
        return;
    const QByteArray ack = "%" + line;
    if (line.size() == 1) {
        switch (line[0]) {
        case 'S':
            ++statusRequests_;
            if (statusFault_.strikes())
                return;
            answer(">" + statusText_, latencyMs_);
            return;
        case 'V': answer("<" + versionText_, latencyMs_); return;
        case '%':
            relaying_ = false;
            outputMode_ = 0;
            answer("%", latencyMs_);
            return;
        case '&':
            relaying_ = true;
            outputMode_ = 0;
            break;
        case '$':
        case '?':
        case '{':
            relaying_ = false;
            outputMode_ = line[0];
            break;
        case '|': break;
        case 'Z':
        case 'W':
            // Two supplies: the PCA runs on the one "W" switches, every other model on "Z"'s.
            if (mech_.supplyCommand() == line[0])
                mech_.setPowered(true);
            break;
        case 'R': mech_.setPowered(false); break;
        case '+': ++hopperPulses_; break;
        default: return;
        }
        answer(ack, latencyMs_);
        return;
    }
    if (line.size() == 3 && allHex(line.mid(1)) && (line[0] == '[' || line[0] == '#')) {
        if (line[0] == '[')
            dispenses_.append(line.mid(1).toUpper());
        else
            lastMask_ = line.mid(1).toInt(nullptr, 16);
        answer(ack, latencyMs_);
    }
}

void ArdwellBox::handleFrameLine(const QByteArray& line)
{
    if (silent_)
        return;
    const QByteArray f = QByteArray::fromHex(line);
    if (!ardwelllink::sumsToZero(f) || frameFault_.strikes()) {
        framesRefused_.append(line);
        return;
    }
    ++framesTaken_;
    answer("X", latencyMs_);
    mech_.receiveFrame(f, sched_.nowMs());
}

bool ArdwellBox::fromMech(const QByteArray& frame)
{
    if (silent_ || !relaying_ || !port() || !port()->isOpen())
        return false;
    port()->reply(ardwelllink::toLine(frame), latencyMs_ + mechLatencyMs_);
    return true;
}

void ArdwellBox::sendStatus(std::uint8_t bits) { sendLine("@" + plat::hex2(bits).toLatin1()); }

void ArdwellBox::sendLine(const QByteArray& line)
{
    if (!silent_)
        answer(line, latencyMs_);
}

void ArdwellBox::answer(const QByteArray& line, plat::Millis latency)
{
    if (port() && port()->isOpen())
        port()->reply(line + '\r', latency);
}

} // namespace sim
