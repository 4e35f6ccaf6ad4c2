#include "sim/ardwellmech.h"

#include "ardwell/link/cipherconsts.h"

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

void ArdwellMech::setFault(Fault fault, When when)
{
    switch (fault) {
    case Fault::Silent: silent_ = when; break;
    case Fault::BadCheckByte: badCheck_ = when; break;
    case Fault::WrongAddress: wrongAddress_ = when; break;
    case Fault::RefuseWrite: refuseWrite_ = when; break;
    }
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
        toBox(frame(destination, bus_, header, data));
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

    if (rec.addressedHere && powered_) {
        if (rec.kind == MechFrameRecord::Ack) {
            ++acks_;
        } else if (!silent_.strikes()) {
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
    if (rec.kind == MechFrameRecord::Logon) {
        handleLogon(data, from);
        return;
    }
    if (!knownCommand(data)) {
        refuse(from, hdr::Command);
        return;
    }
    if (std::uint8_t(data[0]) == 0x64 && data.size() == 3)
        coinDataRequested_ = true;
    if (std::uint8_t(data[0]) == 0x6F)
        coinDataRequested_ = false;
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
    int addr = rec.address;
    if (wrongAddress_.strikes())
        addr = (addr + 1) % wordCount();
    const quint16 v = word(addr);
    QByteArray plain;
    plain.append(char(addr >> 8)).append(char(addr & 0xFF)).append(char(v >> 8)).append(char(v & 0xFF));
    std::uint8_t check = zeroSumByte(plain);
    if (badCheck_.strikes())
        ++check;
    plain.append(char(check));
    reply(from, hdr::ReadReply, encipher(plain, keys_));
}

void ArdwellMech::handleWrite(MechFrameRecord& rec, std::uint8_t from)
{
    if (!rec.payloadOk || rec.plain.size() != 5 || rec.address >= wordCount()) {
        refuse(from, hdr::Write);
        return;
    }
    if (rec.address == refuseAt_ || refuseWrite_.strikes()) {
        refuse(from, hdr::Write);
        return;
    }
    setWord(rec.address, rec.address == corruptAt_ ? corruptValue_ : quint16(rec.value));
    reply(from, hdr::Ack, {});
}

bool ArdwellMech::sendEvent(std::uint8_t code, const QByteArray& data)
{
    if (!powered_ || !toBox)
        return false;
    return toBox(frame(host_, bus_, hdr::Command, QByteArray(1, char(code)) + data));
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

QList<int> ArdwellMech::addressesOf(int kind) const
{
    QList<int> out;
    for (const auto& r : received_)
        if (r.kind == kind && r.addressedHere && r.payloadOk)
            out.append(r.address);
    return out;
}

} // namespace sim
