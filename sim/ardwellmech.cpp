#include "sim/ardwellmech.h"

#include "ardwell/link/cipherconsts.h"
#include "sim/records.h"
#include "sim/xorshift.h"

#include <stdexcept>

namespace sim {

using namespace ardwelllink;

namespace {
constexpr std::uint8_t kLogon = 0xCA;

// The plain commands a mech answers with message understood (data bytes after the header):
// the two coin data requests, ReInitialise and the three HII commands of the live test.
bool knownCommand(const QByteArray& data)
{
    static const QByteArray known[] = {
        QByteArray::fromHex("648E00"), QByteArray::fromHex("648800"), QByteArray::fromHex("6F00"),
        QByteArray::fromHex("648E"),   QByteArray::fromHex("640F"),   QByteArray::fromHex("70000000"),
    };
    for (const QByteArray& k : known)
        if (data == k)
            return true;
    return false;
}
} // namespace

ArdwellMech::ArdwellMech(const QString& model, quint32 serialNumber, quint32 seed, ardwellimage::Variant image)
    : model_(model), serial_(serialNumber), rng_(seed ? seed : 1), coins_(seed)
{
    if (model == "126" || model == "330" || model == "340") {
        host_ = 0x61;
        bus_ = 0xFF;
    } else if (model == "560") {
        host_ = 0x21;
        bus_ = 0x01;
    } else if (model == "PCA") {
        host_ = 0x20;
        bus_ = 0x00;
    } else {
        throw std::invalid_argument("unknown mech model: " + model.toStdString());
    }
    eeprom_ = ardwellimage::image(model, image, serialNumber);
    keys_.k1 = ardwell::cipher::K1;
    keys_.k2 = ardwell::cipher::K2;
}

ArdwellMech::~ArdwellMech() { unplugFromSocket(); }

void ArdwellMech::unplugFromSocket()
{
    *alive_ = false;
    alive_ = std::make_shared<bool>(true);
    if (socket_.sched && ackTimer_)
        socket_.sched->cancel(ackTimer_);
    ackTimer_ = 0;
    awaiting_ = false;
    outbox_.clear();
    socket_ = {};
}

quint16 ArdwellMech::word(int address) const
{
    return address >= 0 && address < wordCount() ? eeprom_[std::size_t(address)] : 0;
}

void ArdwellMech::setWord(int address, quint16 value)
{
    if (address >= 0 && address < wordCount())
        eeprom_[std::size_t(address)] = value;
}

void ArdwellMech::loadImage(const std::vector<quint16>& words)
{
    const std::size_t n = eeprom_.size();
    eeprom_ = words;
    eeprom_.resize(n, 0);
}

void ArdwellMech::setUnreadableWord(int address, When when)
{
    unreadableAt_ = address;
    unreadable_ = when;
}

void ArdwellMech::setPowered(bool on)
{
    // Switching the supply either way drops the link and what the mech was asked to do: a fresh
    // supply means a fresh logon and fresh requests.
    if (on == powered_)
        return;
    powered_ = on;
    loggedOn_ = false;
    resetRunState();
}

void ArdwellMech::resetRunState()
{
    request1_ = request2_ = acceptAll_ = false;
    creditor_.reset();
    if (socket_.sched && ackTimer_)
        socket_.sched->cancel(ackTimer_);
    ackTimer_ = 0;
    awaiting_ = false;
    outbox_.clear();
}

void ArdwellMech::setWindowRecord(int coinIndex, int level, const std::array<int, 4>& lows,
                                  const std::array<int, 4>& widths)
{
    ardwellimage::storeRecord(eeprom_, ardwellimage::recordBase(model_), coinIndex, {level, lows, widths});
}

std::uint8_t ArdwellMech::nextRandom() { return std::uint8_t(xorshift32(rng_) >> 8); }

void ArdwellMech::reply(std::uint8_t destination, std::uint8_t header, const QByteArray& data)
{
    if (socket_.frame)
        socket_.frame(frame(destination, bus_, header, data));
}

void ArdwellMech::refuse(std::uint8_t destination, std::uint8_t header)
{
    reply(destination, hdr::Refused, QByteArray(1, char(header)));
}

void ArdwellMech::receiveFrame(const QByteArray& f, plat::Millis at)
{
    MechFrameRecord rec;
    rec.at = at;
    rec.frame = f;
    if (plugged_ && faults_.strikes(Fault::Unplugged))
        plugged_ = false;
    if (f.size() < 4 || !plugged_) {
        received_.push_back(rec);
    trimRecords(received_, receivedLimit_);
        return;
    }
    const auto dest = std::uint8_t(f[0]);
    const auto from = std::uint8_t(f[1]);
    const auto header = std::uint8_t(f[2]);
    const QByteArray data = f.mid(3, f.size() - 4);
    rec.addressedHere = dest == bus_;
    switch (header) {
    case hdr::Command:
        rec.kind = !data.isEmpty() && std::uint8_t(data[0]) == kLogon ? MechFrameRecord::Logon
                                                                       : MechFrameRecord::Command;
        break;
    case hdr::Read: rec.kind = MechFrameRecord::Read; break;
    case hdr::Write: rec.kind = MechFrameRecord::Write; break;
    case hdr::Ack: rec.kind = MechFrameRecord::Ack; break;
    default: rec.kind = MechFrameRecord::Other; break;
    }
    if (rec.kind == MechFrameRecord::Read || rec.kind == MechFrameRecord::Write) {
        rec.plain = decipher(data, keys_);
        rec.payloadOk = loggedOn_ && rec.plain.size() >= 3 && sumsToZero(rec.plain);
        if (rec.payloadOk) {
            rec.address = std::uint8_t(rec.plain[0]) * 256 + std::uint8_t(rec.plain[1]);
            if (rec.kind == MechFrameRecord::Write && rec.plain.size() == 5)
                rec.value = std::uint8_t(rec.plain[2]) * 256 + std::uint8_t(rec.plain[3]);
        }
    }
    received_.push_back(rec);
    trimRecords(received_, receivedLimit_);

    if (rec.addressedHere && powered_) {
        if (rec.kind == MechFrameRecord::Ack) {
            ++acks_;
            acknowledged();
        } else if (!faults_.strikes(Fault::Silent)) {
            if (rec.kind == MechFrameRecord::Logon || rec.kind == MechFrameRecord::Command)
                handleCommand(rec, from);
            else if (rec.kind == MechFrameRecord::Read)
                handleRead(rec, from);
            else if (rec.kind == MechFrameRecord::Write)
                handleWrite(rec, from);
            else
                refuse(from, header);
        }
    }
}

void ArdwellMech::handleCommand(MechFrameRecord& rec, std::uint8_t from)
{
    const QByteArray data = rec.frame.mid(3, rec.frame.size() - 4);
    if (rec.kind == MechFrameRecord::Logon) {
        handleLogon(data, from);
        return;
    }
    if (!knownCommand(data)) {
        refuse(from, hdr::Command);
        return;
    }
    if (faults_.strikes(Fault::CommandSilent))
        return;
    if (faults_.strikes(Fault::CommandRefused)) {
        refuse(from, hdr::Command);
        return;
    }
    const auto command = std::uint8_t(data[0]);
    if (command == 0x6F) {
        resetRunState();
    } else if (command == 0x70) {
        acceptAll_ = true;
    } else if (command == 0x64 && data.size() == 3) {
        const bool before = coinDataRequested();
        (std::uint8_t(data[1]) == 0x8E ? request1_ : request2_) = true;
        if (!before && coinDataRequested())
            runKind_ = runs_++ % 6; // each coin data run its own coin, when no test chose one
    }
    if (faults_.strikes(Fault::CommandLate) && socket_.sched) {
        auto alive = alive_;
        socket_.sched->callAfter(lateMs_, [this, alive, from] {
            if (*alive && powered_ && plugged_)
                reply(from, hdr::Ack, {});
        });
        return;
    }
    reply(from, hdr::Ack, {});
}

void ArdwellMech::handleLogon(const QByteArray& data, std::uint8_t from)
{
    if (data.size() != 3 || std::uint8_t(data[1]) != ardwell::cipher::K1
        || std::uint8_t(data[2]) != ardwell::cipher::K2) {
        loggedOn_ = false;
        refuse(from, hdr::Command);
        return;
    }
    std::uint8_t m1 = 0, m2 = 0;
    do {
        m1 = nextRandom();
        m2 = nextRandom();
    } while ((m1 == keys_.m1 && m2 == keys_.m2) || (m1 == 0 && m2 == 0));
    keys_.m1 = m1;
    keys_.m2 = m2;
    loggedOn_ = true;
    ++logons_;
    reply(from, hdr::LogonReply, QByteArray(1, char(kLogon)).append(char(m1)).append(char(m2)));
}

void ArdwellMech::handleRead(MechFrameRecord& rec, std::uint8_t from)
{
    if (!rec.payloadOk || rec.plain.size() != 3 || rec.address >= wordCount()) {
        refuse(from, hdr::Read);
        return;
    }
    if (rec.address == unreadableAt_ && unreadable_.strikes())
        return;
    int addr = rec.address;
    if (faults_.strikes(Fault::WrongAddress))
        addr = (addr + 1) % wordCount();
    const quint16 v = word(addr);
    QByteArray plain;
    plain.append(char(addr >> 8)).append(char(addr & 0xFF)).append(char(v >> 8)).append(char(v & 0xFF));
    std::uint8_t check = zeroSumByte(plain);
    if (faults_.strikes(Fault::BadCheckByte))
        ++check;
    plain.append(char(check));
    QByteArray f = frame(from, bus_, hdr::ReadReply, encipher(plain, keys_));
    if (faults_.strikes(Fault::ReplyCorrupted))
        corruptReply(f);
    if (socket_.frame)
        socket_.frame(f);
}

// Noise on the line that the payload check cannot see: the word's low cipher byte changed and
// the check byte's chosen so that the deciphered payload still sums to zero. Only the frame
// checksum, kept from the true frame, no longer fits.
void ArdwellMech::corruptReply(QByteArray& f) const
{
    constexpr int kData = 3, kLength = 5;
    const QByteArray original = f.mid(kData, kLength);
    auto sum = [](const QByteArray& b) {
        int s = 0;
        for (char c : b)
            s += std::uint8_t(c);
        return s & 255;
    };
    for (int d = 1; d < 256; ++d) {
        QByteArray c = original;
        c[3] = char(std::uint8_t(c[3]) ^ d);
        for (int v = 0; v < 256; ++v) {
            c[4] = char(v);
            if (sumsToZero(decipher(c, keys_)) && sum(c) != sum(original)) {
                f.replace(kData, kLength, c);
                return;
            }
        }
    }
}

void ArdwellMech::handleWrite(MechFrameRecord& rec, std::uint8_t from)
{
    if (!rec.payloadOk || rec.plain.size() != 5 || rec.address >= wordCount()) {
        refuse(from, hdr::Write);
        return;
    }
    if (rec.address == refuseAt_ || faults_.strikes(Fault::RefuseWrite)) {
        refuse(from, hdr::Write);
        return;
    }
    if (faults_.strikes(Fault::WriteUnanswered))
        return;
    setWord(rec.address, rec.address == corruptAt_ ? corruptValue_ : quint16(rec.value));
    reply(from, hdr::Ack, {});
}

// ---- Events ----

bool ArdwellMech::canSend() const
{
    return plugged_ && powered_ && socket_.frame && (!socket_.relaying || socket_.relaying());
}

bool ArdwellMech::sendEvent(std::uint8_t code, const QByteArray& data)
{
    if (!canSend())
        return false;
    QByteArray d = data;
    if (code == 0x01 && !d.isEmpty() && faults_.strikes(Fault::CoinIndexAbove15))
        d[0] = char(std::uint8_t(d[0]) + 16);
    const std::uint8_t sent = faults_.strikes(Fault::EventUnknownCode) ? 0x2A : code;
    QByteArray f = frame(host_, bus_, hdr::Command, QByteArray(1, char(sent)) + d);
    if (faults_.strikes(Fault::EventBadChecksum))
        f[f.size() - 1] = char(f[f.size() - 1] ^ 0x5A);
    if (faults_.strikes(Fault::EventTruncated))
        f = f.left(4);
    outbox_.push_back(f);
    pumpOutbox();
    return true;
}

void ArdwellMech::pumpOutbox()
{
    constexpr plat::Millis kAnswerWaitMs = 1000;
    while (!awaiting_ && !outbox_.empty()) {
        const QByteArray f = outbox_.front();
        outbox_.pop_front();
        if (!canSend() || !socket_.frame(f))
            continue; // the link went down under it: lost
        ++eventsSent_;
        if (!socket_.sched)
            continue;
        awaiting_ = true;
        auto alive = alive_;
        ackTimer_ = socket_.sched->callAfter(kAnswerWaitMs, [this, alive] {
            if (!*alive)
                return;
            ackTimer_ = 0;
            awaiting_ = false;
            ++eventsUnanswered_;
            pumpOutbox();
        });
    }
}

void ArdwellMech::acknowledged()
{
    if (!awaiting_)
        return;
    if (socket_.sched && ackTimer_)
        socket_.sched->cancel(ackTimer_);
    ackTimer_ = 0;
    awaiting_ = false;
    pumpOutbox();
}

bool ArdwellMech::acceptCoin(int coinIndex, int route)
{
    bool ok = sendEvent(0x01, QByteArray(1, char(coinIndex)));
    if (ok && route >= 0)
        ok = sendEvent(0x03, QByteArray(1, char(route)));
    return ok;
}

bool ArdwellMech::rejectCoin(int reason) { return sendEvent(0x05, QByteArray(1, char(reason))); }

bool ArdwellMech::sendReference(int index, int value)
{
    QByteArray d;
    d.append(char(index)).append(char((value >> 8) & 0xFF)).append(char(value & 0xFF));
    return sendEvent(0x0E, d);
}

bool ArdwellMech::sendCoinData(const std::array<int, 7>& reading, const std::array<int, 5>& baseline)
{
    if (!canSend())
        return false;
    // Frame i carries reading i+1 as A; B is the matching reference value, except that frame 4
    // carries reading 7 and frame 5 the fifth reference value.
    const int b[6] = {baseline[0], baseline[1], baseline[2], baseline[3], reading[6], baseline[4]};
    const int frames = faults_.strikes(Fault::LastFrameLost) ? 5 : 6;
    for (int i = 0; i < frames; ++i) {
        const quint32 packed = (quint32(i) << 28) | ((quint32(reading[std::size_t(i)]) & 0x3FFF) << 14)
                               | (quint32(b[i]) & 0x3FFF);
        QByteArray d;
        for (int shift = 24; shift >= 0; shift -= 8)
            d.append(char((packed >> shift) & 0xFF));
        if (!sendEvent(0x09, d))
            return false;
    }
    return true;
}

QList<int> ArdwellMech::addressesOf(int kind) const
{
    QList<int> out;
    for (const auto& r : received_)
        if (r.kind == kind && r.addressedHere && r.payloadOk)
            out.append(r.address);
    return out;
}

} // namespace sim
