#pragma once
// The Coin Controls Sentinel, behind the box's Sentinel interface on "$06" (sim/quenbyi2c.h:
// echo, opening, identification). The command lines it answers, each ended by CR:
//   "M00" + hex2(0x80 + a) + "0102"   read word a (0..63): "ZZR", low byte, a, high byte
//   "M02070306"                       measure: "ZZM" and three values, each two hex digits and
//                                     "00", after measuringMs (zeros when no coin waits)
//   "W0030", "W00" + hex2(0xC0 + a),  write word a: each answered "ZZW"; the third stores the
//   "W00" + hex2(0x40 + a) + low +    word when the two before it opened a write of that
//   high, "W0000"                     address
// Word 63 is 256 - (byte sum of words 0..62 mod 256).

#include "sim/ccimages.h"
#include "sim/faults.h"
#include "sim/quenbymech.h"

#include <deque>
#include <vector>

namespace sim {

class SentinelMech : public QuenbyMech {
public:
    // blank: all words 0 instead of the typical image.
    explicit SentinelMech(bool blank = false);
    QStringList interfaceCodes() const override { return {QStringLiteral("$06")}; }
    int paramCount() const override { return 3; }
    bool waitingForCoin() const override { return relayed(); }

    int wordCount() const { return int(words_.size()); }
    const std::vector<quint16>& words() const { return words_; }
    quint16 word(int address) const { return words_.at(size_t(address)); }
    // Sets a word; with keepSum (and an address below 63) word 63 keeps the checksum.
    void setWord(int address, quint16 value, bool keepSum = true);
    bool checksumOk() const { return words_[63] == sentinelSumWord(words_); }

    plat::Millis measuringMs = 120;
    plat::Millis answerMs = 10;

    enum class Fault {
        NoZzrOnRead,         // reads (counted) answered "ERR"
        LastWriteUnanswered, // "W0000" (counted) not answered
        UnaskedPercent,      // command lines (counted) followed by a "%"
        SilentPoll,          // measurement polls (counted) not answered
        ShortReadReply,      // reads (counted) answered "ZZR" and the low byte only
        ReadReplyOfWordBefore, // reads (counted) answered with the word before, as for its address
        Count_
    };
    void setFault(Fault fault, When when) { faults_.set(fault, when); }

    std::optional<I2cReply> i2cCommand(const QByteArray& line) override;

    // Record.
    const QList<int>& addressesRead() const { return read_; }
    const QList<int>& addressesWritten() const { return written_; }
    int polls() const { return polls_; }

protected:
    void onSerialModeStarted(const QString& code) override;
    bool coinWhileRelayed(const DroppedCoin& coin) override;

private:
    std::optional<I2cReply> answer(const QByteArray& line);
    I2cReply measure();

    std::vector<quint16> words_;
    FaultSet<Fault> faults_;
    std::deque<QList<int>> waiting_;
    int writeStep_ = 0;
    int writeAddress_ = -1;
    int polls_ = 0;
    QList<int> read_;
    QList<int> written_;
};

} // namespace sim
