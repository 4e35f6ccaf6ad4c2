#include "sim/ardwellbox.h"

#include "sim/hextext.h"

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

bool isCoinDataRequest(const QByteArray& f)
{
    return f.size() == 7 && std::uint8_t(f[2]) == ardwelllink::hdr::Command && std::uint8_t(f[3]) == 0x64
           && (std::uint8_t(f[4]) == 0x8E || std::uint8_t(f[4]) == 0x88) && f[5] == 0;
}

// How long a coin from the hopper takes to reach the mech's sensors.
constexpr plat::Millis kHopperCoinMs = 300;

} // namespace

ArdwellBox::ArdwellBox(plat::Scheduler& sched, ArdwellMech& mech) : sched_(sched), mech_(mech)
{
    MechSocket socket;
    socket.sched = &sched_;
    socket.frame = [this](const QByteArray& f) { return fromMech(f); };
    socket.relaying = [this] { return !silent_ && relaying_ && port() && port()->isOpen(); };
    socket.outputMode = [this] { return silent_ ? char(0) : outputMode_; };
    socket.status = [this](int bits) { mechStatus(bits); };
    mech_.plugInto(socket);
}

ArdwellBox::~ArdwellBox()
{
    *alive_ = false;
    stopRandomDrops();
    mech_.unplugFromSocket();
}

void ArdwellBox::setUnanswered(const QByteArray& commands, When when)
{
    unanswered_ = commands;
    unansweredWhen_ = when;
}

void ArdwellBox::hangUp(const QString& why)
{
    if (!port())
        return;
    port()->setOpenResult(plat::OpenResult::NoSuchDevice);
    port()->hangUp(why);
}

void ArdwellBox::plugIn()
{
    if (port())
        port()->setOpenResult(plat::OpenResult::Ok);
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
    if (faults_.strikes(Fault::Unplugged))
        silent_ = true;
    if (faults_.strikes(Fault::HangUp)) {
        // One pulled cable; plugging it in again does not pull it once more.
        faults_.set(Fault::HangUp, When::never());
        hangUp();
        return;
    }
    if (relaying_ && line.size() >= 8 && line.size() % 2 == 0 && allHex(line))
        handleFrameLine(line);
    else
        handleCommand(line);
}

void ArdwellBox::handleCommand(const QByteArray& line)
{
    commands_.append(line);
    trimRecords(commands_, recordLimit_);
    if (silent_)
        return;
    const bool quiet = !unanswered_.isEmpty() && unanswered_.contains(line[0]) && unansweredWhen_.strikes();
    const auto ack = [&] {
        if (!quiet)
            answer("%" + line, latencyMs_);
    };
    if (line.size() == 1) {
        switch (line[0]) {
        case 'S':
            ++statusRequests_;
            if (faults_.strikes(Fault::StatusUnanswered) || quiet)
                return;
            answer(">READY", latencyMs_);
            return;
        case 'V':
            if (!quiet)
                answer("<V2.10", latencyMs_);
            return;
        case '%':
            relaying_ = false;
            outputMode_ = 0;
            if (!quiet)
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
        case '+': {
            ++hopperPulses_;
            if (!faults_.strikes(Fault::HopperEmpty)) {
                auto alive = alive_;
                sched_.callAfter(kHopperCoinMs, [this, alive] {
                    if (*alive)
                        mech_.dropRandomCoin();
                });
            }
            break;
        }
        default: return;
        }
        ack();
        return;
    }
    if (line.size() == 3 && allHex(line.mid(1)) && (line[0] == '[' || line[0] == '#')) {
        const int value = line.mid(1).toInt(nullptr, 16);
        ack();
        if (line[0] == '[') {
            dispenses_.append(line.mid(1).toUpper());
            trimRecords(dispenses_, recordLimit_);
            mech_.outputCommand(value); // what the mech does about it follows the answer
        } else {
            lastMask_ = value;
            mech_.setInhibitInputs(255 - value);
        }
    }
}

void ArdwellBox::handleFrameLine(const QByteArray& line)
{
    if (silent_)
        return;
    const QByteArray f = QByteArray::fromHex(line);
    if (!ardwelllink::sumsToZero(f) || faults_.strikes(Fault::FrameNotTaken)
        || (isCoinDataRequest(f) && faults_.strikes(Fault::RequestNotTaken))) {
        framesRefused_.append(line);
        trimRecords(framesRefused_, recordLimit_);
        return;
    }
    ++framesTaken_;
    lastFrameWasCommand_ = std::uint8_t(f[2]) == ardwelllink::hdr::Command && std::uint8_t(f[3]) != 0xCA;
    answer("X", latencyMs_);
    mech_.receiveFrame(f, sched_.nowMs());
}

bool ArdwellBox::fromMech(const QByteArray& frame)
{
    if (silent_ || !relaying_ || !port() || !port()->isOpen())
        return false;
    if (frame.size() >= 3 && std::uint8_t(frame[2]) == ardwelllink::hdr::Ack && lastFrameWasCommand_
        && faults_.strikes(Fault::AckAsY)) {
        answer("Y", latencyMs_ + mechLatencyMs_);
        return true;
    }
    port()->reply(ardwelllink::toLine(frame), latencyMs_ + mechLatencyMs_);
    return true;
}

void ArdwellBox::mechStatus(int bits)
{
    if (!silent_ && outputMode_ != 0)
        sendStatus(std::uint8_t(bits));
}

void ArdwellBox::sendStatus(std::uint8_t bits) { sendLine("@" + hex2(bits)); }

void ArdwellBox::sendLine(const QByteArray& line)
{
    if (silent_)
        return;
    answer(line, latencyMs_);
}

void ArdwellBox::sendNoise(Noise noise, std::uint8_t bits)
{
    const QByteArray hex = hex2(bits);
    switch (noise) {
    case Noise::HighBits: sendStatus(std::uint8_t(bits | 0xC0)); break;
    case Noise::Zero: sendLine("@00"); break;
    case Noise::Debug: sendLine("*DEBUG 0042"); break;
    case Noise::Split: sendLine("@ " + hex.left(1) + "\n" + hex.mid(1)); break;
    }
}

void ArdwellBox::keepRecentRecords(std::size_t records)
{
    recordLimit_ = records;
    mech_.setReceivedLimit(records);
    if (port())
        port()->setTranscriptLimit(records);
}

void ArdwellBox::onOpen()
{
    if (port())
        port()->setTranscriptLimit(recordLimit_);
}

void ArdwellBox::startRandomDrops(plat::Millis minMs, plat::Millis maxMs)
{
    stopRandomDrops();
    dropMinMs_ = qMax<plat::Millis>(1, qMin(minMs, maxMs));
    dropMaxMs_ = qMax(minMs, maxMs);
    scheduleDrop();
}

void ArdwellBox::stopRandomDrops()
{
    if (dropTimer_)
        sched_.cancel(dropTimer_);
    dropTimer_ = 0;
}

void ArdwellBox::scheduleDrop()
{
    const plat::Millis delay = dropMinMs_ + mech_.coins().between(0, int(dropMaxMs_ - dropMinMs_));
    auto alive = alive_;
    dropTimer_ = sched_.callAfter(delay, [this, alive] {
        if (!*alive)
            return;
        dropTimer_ = 0;
        mech_.dropRandomCoin();
        scheduleDrop();
    });
}

void ArdwellBox::answer(const QByteArray& line, plat::Millis latency)
{
    if (port() && port()->isOpen())
        port()->reply(line + '\r', latency);
}

} // namespace sim
