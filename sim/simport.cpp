#include "sim/simport.h"

#include "sim/records.h"

namespace sim {

SimPort::SimPort(plat::Scheduler& sched, Device& device) : sched_(sched), device_(device)
{
    device_.attach(this);
}

SimPort::~SimPort()
{
    *alive_ = false;
    device_.attach(nullptr);
}

plat::OpenResult SimPort::open()
{
    if (open_)
        return plat::OpenResult::InUseOrNoPermission;
    if (openResult_ != plat::OpenResult::Ok) {
        errorText_ = !openWhy_.isEmpty()                                ? openWhy_
                     : openResult_ == plat::OpenResult::NoSuchDevice ? "no such device"
                                                                     : "device busy";
        return openResult_;
    }
    open_ = true;
    inbox_.clear();
    record(TranscriptEntry::Open);
    device_.onOpen();
    return plat::OpenResult::Ok;
}

void SimPort::close()
{
    if (!open_)
        return;
    open_ = false;
    breakOn_ = false;
    inbox_.clear();
    record(TranscriptEntry::Close);
    device_.onClose();
}

void SimPort::setBreak(bool on)
{
    if (!open_ || on == breakOn_)
        return;
    breakOn_ = on;
    record(on ? TranscriptEntry::BreakOn : TranscriptEntry::BreakOff);
    auto alive = alive_;
    sched_.callAfter(0, [this, alive, on] {
        if (*alive)
            device_.onBreak(on);
    });
}

void SimPort::write(const QByteArray& bytes)
{
    if (!open_ || bytes.isEmpty())
        return;
    record(TranscriptEntry::Sent, bytes);
    const qint64 nowUs = sched_.nowMs() * 1000;
    outFreeAtUs_ = qMax(outFreeAtUs_, nowUs) + kByteMicros * bytes.size();
    const plat::Millis arrive = (outFreeAtUs_ + 999) / 1000;
    auto alive = alive_;
    sched_.callAfter(arrive - sched_.nowMs(), [this, alive, bytes] {
        if (*alive && open_)
            device_.onBytes(bytes);
    });
}

QByteArray SimPort::read(int maxBytes)
{
    const QByteArray out = inbox_.left(qMax(0, maxBytes));
    inbox_.remove(0, out.size());
    return out;
}

void SimPort::reply(const QByteArray& bytes, plat::Millis latencyMs)
{
    if (!open_)
        return;
    const qint64 startUs = qMax(inFreeAtUs_, (sched_.nowMs() + latencyMs) * 1000);
    auto alive = alive_;
    for (int i = 0; i < bytes.size(); ++i) {
        const qint64 atUs = startUs + kByteMicros * (i + 1);
        const plat::Millis at = (atUs + 999) / 1000;
        const char b = bytes[i];
        sched_.callAfter(at - sched_.nowMs(), [this, alive, b] {
            if (!*alive || !open_)
                return;
            inbox_.append(b);
            record(TranscriptEntry::Received, QByteArray(1, b));
            if (onReceive)
                onReceive();
        });
    }
    inFreeAtUs_ = startUs + kByteMicros * bytes.size();
}

void SimPort::hangUp(const QString& why)
{
    if (!open_)
        return;
    close();
    errorText_ = why;
    if (onFailure)
        onFailure(why);
}

void SimPort::record(TranscriptEntry::Kind kind, const QByteArray& bytes)
{
    transcript_.push_back({sched_.nowMs(), kind, bytes});
    trimRecords(transcript_, transcriptLimit_);
}

QByteArray SimPort::sentWithBreaks() const
{
    QByteArray out;
    for (const auto& e : transcript_) {
        if (e.kind == TranscriptEntry::Sent)
            out += e.bytes;
        else if (e.kind == TranscriptEntry::BreakOn)
            out += "<BRK+>";
        else if (e.kind == TranscriptEntry::BreakOff)
            out += "<BRK->";
    }
    return out;
}

} // namespace sim
