#pragma once
// A Coin Controls mech that talks the CC word protocol of raw byte frames (every CC model but
// the Sentinel), on the box's interface "$05". In serial mode it takes:
//   "xx" / "yy"              logon / logoff, each answered 0x05
//   0x7B a c                 read word a (c = 0x7B + a): ";" high low (";" + high + low)
//   0x7A a high low c        write word a (c = byte sum): 0x05 written, 0x06 refused
//   0x7F 0x1F 0x9E           C120, 435, 450: every coin from now to the logoff is measured
//   0xFF 0xFF                220B, 335: the next coin within armLapseMs is measured
// A measured coin comes back as "?", its values and their byte sum ("?" included). Requests
// with a wrong check byte, and everything before the logon, are ignored. Addresses wrap at the
// EEPROM's size. Words 0..127 keep the byte sum kCcByteSum through word 127's high byte.

#include "sim/ccimages.h"
#include "sim/faults.h"
#include "sim/quenbymech.h"

#include <QSet>
#include <vector>

namespace sim {

class CcMech : public QuenbyMech {
public:
    static const QStringList& models();
    // model: one of models() (else invalid_argument); blank: all words 0 instead of the
    // model's typical image.
    explicit CcMech(const QString& model = QStringLiteral("C120"), bool blank = false);
    QStringList interfaceCodes() const override { return {QStringLiteral("$05")}; }
    int paramCount() const override { return layout_.params; }
    int valuesPerReading() const override;
    bool waitingForCoin() const override;

    const CcLayout& layout() const { return layout_; }
    int wordCount() const { return int(words_.size()); }
    const std::vector<quint16>& words() const { return words_; }
    quint16 word(int address) const { return words_.at(size_t(address)); }
    // Sets a word; with keepSum (and an address below 127) word 127 keeps the byte sum.
    void setWord(int address, quint16 value, bool keepSum = true);
    int byteSum() const { return ccByteSum(words_); }
    bool byteSumOk() const { return byteSum() == kCcByteSum; }

    // Measurement: C120 and 435 send 5 values, or 6 with sixValueFrames; how long a 220B or
    // 335 stays armed for one coin.
    bool sixValueFrames = false;
    plat::Millis armLapseMs = 10000;
    // What the StrayAtLogoff fault sends before the logoff's 0x05: a lone frame start, or the
    // first bytes of a measurement frame cut short.
    QByteArray strayAtLogoff = ";";
    // 435: words 201..255 (settings 204 and 228 aside) count on between reads.
    bool driftHighWords = false;

    enum class Fault {
        LogonUnanswered,        // "xx" (counted) gets no 0x05 and no logon
        Silent,                 // word requests (reads and writes, counted) get no answer
        BadCheckByte,           // word replies (counted) carry check byte + 1
        HalfWordReply,          // word replies (counted) stop after ";" and the high byte
        StrayAtLogoff,          // logoffs (counted) send strayAtLogoff before the 0x05
        Busy,                   // measurement requests (counted) answered 0x06, not armed
        KeepAliveIgnored,       // 0xFF 0xFF requests (counted) ignored
        BadFrameSum,            // measurement frames (counted) carry sum + 1
        SixthValueLooksLikeSum, // 6-value frames (counted): the 6th value is the sum of the bytes before it
        Count_
    };
    void setFault(Fault fault, When when) { faults_.set(fault, when); }
    void refuseWritesAt(int address) { refuseAt_.insert(address); }
    void writeDoesNotStickAt(int address) { noStick_.insert(address); }

    // Record.
    bool loggedOn() const { return loggedOn_; }
    int logons() const { return logons_; }
    int logoffs() const { return logoffs_; }
    const QList<int>& addressesRead() const { return read_; }
    const QList<int>& addressesWritten() const { return written_; }
    int measurementRequests() const { return requests_; }
    int framesSent() const { return frames_; }

protected:
    void onSerialModeStarted(const QString& code) override;
    void onSerialModeEnded() override;
    void onBytes(const QByteArray& bytes) override;
    bool coinWhileRelayed(const DroppedCoin& coin) override;

private:
    // Handles the request at the front of in_; returns the bytes it used (0: needs more).
    int handleFront();
    void readWord(int a);
    void writeWord(int a, int high, int low);
    void arm(bool continuous);
    bool continuousModel() const;

    CcLayout layout_;
    std::vector<quint16> words_;
    FaultSet<Fault> faults_;
    QSet<int> refuseAt_;
    QSet<int> noStick_;
    QByteArray in_;
    bool loggedOn_ = false;
    bool armedContinuous_ = false;
    bool armedOnce_ = false;
    plat::Millis armedAt_ = 0;
    int logons_ = 0;
    int logoffs_ = 0;
    int requests_ = 0;
    int frames_ = 0;
    QList<int> read_;
    QList<int> written_;
};

} // namespace sim
