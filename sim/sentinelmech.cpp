#include "sim/sentinelmech.h"

#include "sim/hextext.h"

namespace sim {

SentinelMech::SentinelMech(bool blank) : QuenbyMech(QStringLiteral("CC"), QStringLiteral("Sentinel"))
{
    words_ = blank ? std::vector<quint16>(64, 0) : typicalCcImage(QStringLiteral("Sentinel"));
    CoinSampler& s = sampler();
    for (int c = 1; c <= 8; ++c)
        s.setMeansInside(c, typicalCcWindows(QStringLiteral("Sentinel"), c));
    s.setSlugMeans({20, 20, 20});
}

void SentinelMech::setWord(int address, quint16 value, bool keepSum)
{
    if (address < 0 || address >= wordCount())
        return;
    words_[size_t(address)] = value;
    if (keepSum && address < 63)
        words_[63] = quint16(sentinelSumWord(words_));
}

void SentinelMech::onSerialModeStarted(const QString& /*code*/)
{
    writeStep_ = 0;
    writeAddress_ = -1;
}

bool SentinelMech::coinWhileRelayed(const DroppedCoin& coin)
{
    if (waiting_.size() >= 8)
        return false; // the coin path is full: the coin falls through unmeasured
    waiting_.push_back(coin.values);
    return true;
}

std::optional<I2cReply> SentinelMech::i2cCommand(const QByteArray& line)
{
    std::optional<I2cReply> reply = answer(line);
    if (reply && faults_.strikes(Fault::UnaskedPercent))
        reply->trailing = "%";
    return reply;
}

I2cReply SentinelMech::measure()
{
    QList<int> v{0, 0, 0};
    if (!waiting_.empty()) {
        v = waiting_.front();
        waiting_.pop_front();
    }
    QByteArray line = "ZZM";
    for (int i = 0; i < 3; ++i)
        line += hex2(v.value(i)) + "00";
    return {line, {}, measuringMs};
}

std::optional<I2cReply> SentinelMech::answer(const QByteArray& line)
{
    const I2cReply ack{"ZZW", {}, answerMs};
    if (line == "M02070306") {
        ++polls_;
        if (faults_.strikes(Fault::SilentPoll))
            return std::nullopt;
        return measure();
    }
    if (line.size() == 9 && line.startsWith("M00") && line.endsWith("0102")) {
        const int code = hexPair(line, 3);
        if (code < 0x80 || code > 0xBF)
            return I2cReply{"ERR", {}, answerMs};
        const int a = code - 0x80;
        read_ << a;
        if (faults_.strikes(Fault::NoZzrOnRead))
            return I2cReply{"ERR", {}, answerMs};
        if (faults_.strikes(Fault::ShortReadReply))
            return I2cReply{"ZZR" + hex2(words_[size_t(a)] & 255), {}, answerMs};
        const int from = faults_.strikes(Fault::ReadReplyOfWordBefore) ? (a + 63) % 64 : a;
        const int w = words_[size_t(from)];
        return I2cReply{"ZZR" + hex2(w & 255) + hex2(from) + hex2(w >> 8), {}, answerMs};
    }
    if (line.startsWith("W00")) {
        const int code = hexPair(line, 3);
        if (line.size() == 5 && code == 0x30) {
            writeStep_ = 1;
            return ack;
        }
        if (line.size() == 5 && code == 0x00) {
            writeStep_ = 0;
            if (faults_.strikes(Fault::LastWriteUnanswered))
                return std::nullopt;
            return ack;
        }
        if (line.size() == 5 && code >= 0xC0) {
            writeAddress_ = writeStep_ == 1 ? code - 0xC0 : -1;
            writeStep_ = writeStep_ == 1 ? 2 : 0;
            return ack;
        }
        if (line.size() == 9 && code >= 0x40 && code <= 0x7F) {
            const int a = code - 0x40;
            const int low = hexPair(line, 5), high = hexPair(line, 7);
            if (writeStep_ == 2 && writeAddress_ == a && low >= 0 && high >= 0) {
                words_[size_t(a)] = quint16(high << 8 | low);
                written_ << a;
            }
            writeStep_ = 0;
            return ack;
        }
    }
    return I2cReply{"ERR", {}, answerMs};
}

} // namespace sim
