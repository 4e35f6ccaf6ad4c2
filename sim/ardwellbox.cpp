#include "sim/ardwellbox.h"

#include "ardwell/link/cipherconsts.h"

#include <stdexcept>

namespace sim {

namespace {

// Consumes one use of a fault counter: -1 always fires, 0 never, n > 0 fires n more times.
bool useOne(int& counter)
{
    if (counter == 0)
        return false;
    if (counter > 0)
        --counter;
    return true;
}

bool isHex(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

bool allHex(const QByteArray& s)
{
    for (char c : s)
        if (!isHex(c))
            return false;
    return true;
}

QByteArray hex2(int v)
{
    return QByteArray::number(v & 0xFF, 16).rightJustified(2, '0').toUpper();
}

constexpr std::uint8_t kLogon = 0xCA;
constexpr std::uint8_t hdrCommand = 0x24;
constexpr std::uint8_t hdrAck = 0x04;
constexpr std::uint8_t hdrLogonReply = 0x44;
constexpr std::uint8_t hdrRead = 0x94;
constexpr std::uint8_t hdrReadReply = 0xB4;
constexpr std::uint8_t hdrWrite = 0xD4;
constexpr std::uint8_t hdrRefused = 0xE4;

} // namespace

// ---------------------------------------------------------------------------------------------
namespace ardwelllink {

std::uint8_t rotateLeft(std::uint8_t v, int bits)
{
    bits &= 7;
    if (bits == 0)
        return v;
    return std::uint8_t((v << bits) | (v >> (8 - bits)));
}

std::uint8_t keyByte(std::uint8_t a, std::uint8_t b)
{
    using namespace ardwell::cipher;
    const std::uint8_t u = a ^ C1;
    const std::uint8_t x1 = rotateLeft(std::uint8_t(a + b + C2), 3) ^ C3;
    const std::uint8_t x2 = rotateLeft(std::uint8_t(x1 + u + C5), 2) ^ C6;
    return rotateLeft(std::uint8_t(x2 + (x1 ^ C4) + C7), 1);
}

namespace {
// Ciphertext feedback: the state always advances with the enciphered byte.
QByteArray run(const QByteArray& in, const Keys& keys, bool enciphering)
{
    std::uint8_t s1 = keys.k2 ^ keys.m2;
    std::uint8_t s2 = keys.k1 ^ keys.m1;
    QByteArray out(in.size(), '\0');
    for (int i = 0; i < in.size(); ++i) {
        const std::uint8_t k = keyByte(s1, s2);
        const auto b = std::uint8_t(in[i]);
        const std::uint8_t c = enciphering ? std::uint8_t(b ^ k) : b;
        out[i] = char(b ^ k);
        s1 = s2;
        s2 = c;
    }
    return out;
}
} // namespace

QByteArray encipher(const QByteArray& plain, const Keys& keys) { return run(plain, keys, true); }
QByteArray decipher(const QByteArray& cipher, const Keys& keys) { return run(cipher, keys, false); }

std::uint8_t zeroSumByte(const QByteArray& bytes)
{
    unsigned sum = 0;
    for (char c : bytes)
        sum += std::uint8_t(c);
    return std::uint8_t(0u - sum);
}

bool sumsToZero(const QByteArray& bytes) { return zeroSumByte(bytes) == 0; }

QByteArray frame(std::uint8_t destination, std::uint8_t source, std::uint8_t header, const QByteArray& data)
{
    QByteArray f;
    f.append(char(destination)).append(char(source)).append(char(header)).append(data);
    f.append(char(zeroSumByte(f)));
    return f;
}

QByteArray toLine(const QByteArray& frame) { return frame.toHex().toUpper() + '\r'; }

} // namespace ardwelllink

// ---------------------------------------------------------------------------------------------
ArdwellMech::ArdwellMech(const QString& model, quint32 serialNumber, quint32 seed)
    : model_(model), serial_(serialNumber), rng_(seed ? seed : 1)
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
    eeprom_.assign(model == "126" ? 256 : 128, 0);
    keys_.k1 = ardwell::cipher::K1;
    keys_.k2 = ardwell::cipher::K2;
    loadTypicalImage();
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

void ArdwellMech::setPowered(bool on)
{
    // Switching the supply either way drops the link: a fresh supply means a fresh logon.
    if (on == powered_)
        return;
    powered_ = on;
    loggedOn_ = false;
    coinDataRequested_ = false;
}

void ArdwellMech::setCoinByte(int baseWord, int coinIndex, std::uint8_t value)
{
    const int w = baseWord + coinIndex / 2;
    quint16 v = word(w);
    v = coinIndex % 2 == 0 ? quint16((v & 0x00FF) | (value << 8)) : quint16((v & 0xFF00) | value);
    setWord(w, v);
}

void ArdwellMech::setCoinBit(int w, int coinIndex)
{
    const int bit = coinIndex < 8 ? coinIndex + 8 : coinIndex - 8;
    setWord(w, quint16(word(w) | (1u << bit)));
}

void ArdwellMech::setWindowRecord(int coinIndex, int level, const std::array<int, 4>& lows,
                                  const std::array<int, 4>& widths)
{
    const int base = (model_ == "126" ? 31 : 34) + 13 * (coinIndex / 2);
    std::array<int, 13> r{};
    const int l = level >= 1 && level <= 6 ? level : 7;
    r[0] = 0x44;
    r[1] = 0x11 * l;
    r[2] = 0x10 * l;
    std::array<int, 4> mag{};
    for (int k = 0; k < 4; ++k) {
        mag[std::size_t(k)] = qMin(4095, qAbs(lows[std::size_t(k)]));
        if (lows[std::size_t(k)] < 0)
            r[2] |= 8 >> k;
    }
    for (int q = 0; q < 2; ++q) {
        const int j = 5 * q;
        const int lowA = mag[std::size_t(2 * q)], widthA = widths[std::size_t(2 * q)] & 0xFF;
        const int lowB = mag[std::size_t(2 * q + 1)], widthB = widths[std::size_t(2 * q + 1)] & 0xFF;
        r[std::size_t(3 + j)] = lowA / 16;
        r[std::size_t(4 + j)] = (lowA & 15) * 16 + widthA / 16;
        r[std::size_t(5 + j)] = (widthA & 15) * 16 + lowB / 256;
        r[std::size_t(6 + j)] = lowB & 255;
        r[std::size_t(7 + j)] = widthB;
    }
    for (int i = 0; i < 13; ++i)
        setCoinByte(base + i, coinIndex % 2, std::uint8_t(r[std::size_t(i)]));
}

void ArdwellMech::loadTypicalImage()
{
    const bool m126 = model_ == "126";
    // Six coins taught, the rest inhibited (channels 13..16 always, on the 12-channel models).
    setWord(0, 0xC0FF);
    setWord(1, 0x0203);
    const int serialWord = m126 ? 2 : 3;
    setWord(serialWord, quint16(serial_ >> 16));
    setWord(serialWord + 1, quint16(serial_ & 0xFFFF));
    setWord(serialWord + 2, 0x0003);

    for (int c = 0; c < 6; ++c) {
        setWindowRecord(c, 4, {120 + 37 * c, 1900 - 90 * c, c % 2 ? -(6 + 3 * c) : 5 + 3 * c, 310 + 11 * c},
                         {18 + c, 40 + 2 * c, 12, 16 + c});
    }

    if (m126) {
        static const std::uint8_t routes[6] = {128, 64, 16, 32, 4, 8};
        for (int c = 0; c < 6; ++c) {
            setCoinBit(216 + c, c);
            const int d = c + 1;
            const int bco = 2 + 16 * (d & 1) + 8 * ((d >> 1) & 1) + 4 * ((d >> 2) & 1) + ((d >> 3) & 1);
            setCoinByte(222, c, std::uint8_t(((c + 1) << 5) | bco));
            setCoinByte(240, c, routes[c]);
            setCoinByte(248, c, std::uint8_t(1 << c));
        }
        setWord(239, 0x0038);
    } else if (model_ == "330") {
        for (int c = 0; c < 6; ++c) {
            setCoinBit(112 + c, c);
            setCoinByte(120, c, std::uint8_t(1 << c));
        }
    } else if (model_ == "340") {
        setWord(112, 0x3000 | 0x0040 | 0x0010 | 0x0005);
        setWord(113, 0x0100);
        setWord(114, 100);
        setWord(115, 0x0A05);
        setWord(117, 0x0100);
        setWord(118, 500);
        setWord(119, 200);
        setWord(120, 0x0100);
        static const std::uint8_t values[6] = {5, 10, 20, 50, 100, 200};
        for (int c = 0; c < 6; ++c)
            setCoinByte(121, c, values[c]);
    } else if (model_ == "560") {
        for (int c = 0; c < 6; ++c)
            setCoinByte(122, c, std::uint8_t(128 + (1 << c)));
    }
}

std::uint8_t ArdwellMech::nextRandom()
{
    rng_ ^= rng_ << 13;
    rng_ ^= rng_ >> 17;
    rng_ ^= rng_ << 5;
    return std::uint8_t(rng_ >> 8);
}

void ArdwellMech::reply(std::uint8_t destination, std::uint8_t header, const QByteArray& data)
{
    if (toBox)
        toBox(ardwelllink::frame(destination, bus_, header, data));
}

void ArdwellMech::refuse(std::uint8_t destination, std::uint8_t header)
{
    reply(destination, hdrRefused, QByteArray(1, char(header)));
}

void ArdwellMech::receiveFrame(const QByteArray& f, plat::Millis at)
{
    MechFrameRecord rec;
    rec.at = at;
    rec.frame = f;
    if (f.size() < 4) {
        received_.push_back(rec);
        return;
    }
    const auto dest = std::uint8_t(f[0]);
    const auto from = std::uint8_t(f[1]);
    const auto header = std::uint8_t(f[2]);
    const QByteArray data = f.mid(3, f.size() - 4);
    rec.addressedHere = dest == bus_;
    switch (header) {
    case hdrCommand:
        rec.kind = !data.isEmpty() && std::uint8_t(data[0]) == kLogon ? MechFrameRecord::Logon
                                                                       : MechFrameRecord::Command;
        break;
    case hdrRead: rec.kind = MechFrameRecord::Read; break;
    case hdrWrite: rec.kind = MechFrameRecord::Write; break;
    case hdrAck: rec.kind = MechFrameRecord::Ack; break;
    default: rec.kind = MechFrameRecord::Other; break;
    }
    if (rec.kind == MechFrameRecord::Read || rec.kind == MechFrameRecord::Write) {
        rec.plain = ardwelllink::decipher(data, keys_);
        rec.payloadOk = loggedOn_ && rec.plain.size() >= 3 && ardwelllink::sumsToZero(rec.plain);
        if (rec.payloadOk) {
            rec.address = std::uint8_t(rec.plain[0]) * 256 + std::uint8_t(rec.plain[1]);
            if (rec.kind == MechFrameRecord::Write && rec.plain.size() == 5)
                rec.value = std::uint8_t(rec.plain[2]) * 256 + std::uint8_t(rec.plain[3]);
        }
    }

    if (rec.addressedHere && powered_) {
        if (rec.kind == MechFrameRecord::Ack) {
            ++acks_;
        } else if (!useOne(silentFor_)) {
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
    received_.push_back(rec);
}

void ArdwellMech::handleCommand(MechFrameRecord& rec, std::uint8_t from)
{
    const QByteArray data = rec.frame.mid(3, rec.frame.size() - 4);
    if (data.isEmpty()) {
        refuse(from, hdrCommand);
        return;
    }
    const auto cmd = std::uint8_t(data[0]);
    if (cmd == kLogon) {
        if (data.size() != 3 || std::uint8_t(data[1]) != ardwell::cipher::K1
            || std::uint8_t(data[2]) != ardwell::cipher::K2) {
            loggedOn_ = false;
            refuse(from, hdrCommand);
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
        reply(from, hdrLogonReply, QByteArray(1, char(kLogon)).append(char(m1)).append(char(m2)));
        return;
    }
    const bool known = (cmd == 0x64 && data.size() >= 2 && data.size() <= 3)
                       || (cmd == 0x6F && data.size() == 2) || (cmd == 0x70 && data.size() == 4);
    if (!known) {
        refuse(from, hdrCommand);
        return;
    }
    if (cmd == 0x64 && data.size() == 3)
        coinDataRequested_ = true;
    if (cmd == 0x6F)
        coinDataRequested_ = false;
    reply(from, hdrAck, {});
}

void ArdwellMech::handleRead(MechFrameRecord& rec, std::uint8_t from)
{
    if (!rec.payloadOk || rec.plain.size() != 3 || rec.address >= wordCount()) {
        refuse(from, hdrRead);
        return;
    }
    int addr = rec.address;
    if (useOne(misaddressFor_))
        addr = ((addr + misaddressDelta_) % wordCount() + wordCount()) % wordCount();
    const quint16 v = word(addr);
    QByteArray plain;
    plain.append(char(addr >> 8)).append(char(addr & 0xFF)).append(char(v >> 8)).append(char(v & 0xFF));
    std::uint8_t check = ardwelllink::zeroSumByte(plain);
    if (useOne(badCheckFor_))
        ++check;
    plain.append(char(check));
    reply(from, hdrReadReply, ardwelllink::encipher(plain, keys_));
}

void ArdwellMech::handleWrite(MechFrameRecord& rec, std::uint8_t from)
{
    if (!rec.payloadOk || rec.plain.size() != 5 || rec.address >= wordCount()) {
        refuse(from, hdrWrite);
        return;
    }
    if (rec.address == refuseAt_ || useOne(refuseWritesFor_)) {
        refuse(from, hdrWrite);
        return;
    }
    setWord(rec.address, rec.address == corruptAt_ ? corruptValue_ : quint16(rec.value));
    reply(from, hdrAck, {});
}

bool ArdwellMech::sendEvent(std::uint8_t code, const QByteArray& data)
{
    if (!powered_ || !toBox)
        return false;
    return toBox(ardwelllink::frame(host_, bus_, hdrCommand, QByteArray(1, char(code)) + data));
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
    // Frame i carries reading i+1 as A; B is the matching reference value, except that frame 4
    // carries reading 7 and frame 5 the fifth reference value.
    const int b[6] = {baseline[0], baseline[1], baseline[2], baseline[3], reading[6], baseline[4]};
    for (int i = 0; i < 6; ++i) {
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

QList<int> ArdwellMech::addressesRead() const
{
    QList<int> out;
    for (const auto& r : received_)
        if (r.kind == MechFrameRecord::Read && r.addressedHere && r.payloadOk)
            out.append(r.address);
    return out;
}

QList<int> ArdwellMech::addressesWritten() const
{
    QList<int> out;
    for (const auto& r : received_)
        if (r.kind == MechFrameRecord::Write && r.addressedHere && r.payloadOk)
            out.append(r.address);
    return out;
}

// ---------------------------------------------------------------------------------------------
ArdwellBox::ArdwellBox(plat::Scheduler& sched, ArdwellMech& mech) : sched_(sched), mech_(mech)
{
    mech_.toBox = [this](const QByteArray& f) { return fromMech(f); };
}

ArdwellBox::~ArdwellBox() { mech_.toBox = nullptr; }

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
            if (statusIgnoreLeft_ > 0) {
                --statusIgnoreLeft_;
                return;
            }
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
        case 'Z': mech_.setPowered(true); break;
        case 'W':
            // The other supply: only the PCA runs on it.
            if (mech_.model() == "PCA")
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
    if (!ardwelllink::sumsToZero(f) || useOne(notTakenFor_)) {
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

void ArdwellBox::sendStatus(std::uint8_t bits) { sendLine("@" + hex2(bits)); }

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
