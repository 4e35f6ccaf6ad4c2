#pragma once
// The second program's programmer box and the mech plugged into it, simulated.
//
// The box takes CR-terminated command lines. "&" makes it relay mech frames: a line of hex digits
// is then a frame, which the box answers with "X" when it takes it and passes to the mech; the
// mech's frames come back as upper-case hex lines. The mech keeps an EEPROM image, logs on with
// fresh key bytes every time and enciphers its memory replies with its own copy of the link
// cipher, so it checks the program's link code rather than mirroring it.
//
// Fault knobs that take a count n use -1 for "always" and 0 for "never".

#include "platform/scheduler.h"
#include "sim/simport.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

namespace sim {

// The sim's own implementation of the link cipher and frame format.
namespace ardwelllink {

struct Keys {
    std::uint8_t k1 = 0, k2 = 0; // the program's bytes, sent in every logon request
    std::uint8_t m1 = 0, m2 = 0; // the mech's bytes of the current logon
};

std::uint8_t rotateLeft(std::uint8_t v, int bits);
std::uint8_t keyByte(std::uint8_t a, std::uint8_t b);
QByteArray encipher(const QByteArray& plain, const Keys& keys);
QByteArray decipher(const QByteArray& cipher, const Keys& keys);
// The byte that makes all bytes of `bytes` plus itself sum to 0 modulo 256 (payload check byte
// and frame checksum alike).
std::uint8_t zeroSumByte(const QByteArray& bytes);
bool sumsToZero(const QByteArray& bytes);
// destination, source, header and data, with the checksum appended.
QByteArray frame(std::uint8_t destination, std::uint8_t source, std::uint8_t header,
                 const QByteArray& data = {});
// Upper-case hex digits and a CR.
QByteArray toLine(const QByteArray& frame);

} // namespace ardwelllink

// What the mech made of one frame it was handed.
struct MechFrameRecord {
    enum Kind { Logon, Read, Write, Ack, Command, Other };
    plat::Millis at = 0;
    QByteArray frame;           // as relayed, checksum included
    Kind kind = Other;
    bool addressedHere = false; // destination was this mech's bus address
    QByteArray plain;           // deciphered payload of a read or write request
    bool payloadOk = false;     // the deciphered payload passed its check byte
    int address = -1;           // read and write requests with a good payload
    int value = -1;             // write requests with a good payload
};

class ArdwellMech {
public:
    // model: "126", "330", "340", "560" or "PCA" (anything else throws std::invalid_argument).
    // seed varies the key bytes the mech hands out at logon.
    explicit ArdwellMech(const QString& model = QStringLiteral("330"), quint32 serialNumber = 0x0012ABCD,
                         quint32 seed = 1);

    QString model() const { return model_; }
    int wordCount() const { return int(eeprom_.size()); }
    std::uint8_t busAddress() const { return bus_; }   // destination of the program's frames
    std::uint8_t hostAddress() const { return host_; } // source of the program's frames
    quint32 serialNumber() const { return serial_; }

    const std::vector<quint16>& words() const { return eeprom_; }
    quint16 word(int address) const;
    void setWord(int address, quint16 value);
    // Packs a coin's 13-byte window record (0-based coin, level 1..7, signed low limits).
    void setWindowRecord(int coinIndex, int level, const std::array<int, 4>& lows,
                         const std::array<int, 4>& widths);

    bool powered() const { return powered_; }
    void setPowered(bool on);
    bool loggedOn() const { return loggedOn_; }
    ardwelllink::Keys keys() const { return keys_; }
    int logons() const { return logons_; }
    bool coinDataRequested() const { return coinDataRequested_; }

    // A frame relayed by the box (checksum already checked by the box).
    void receiveFrame(const QByteArray& frame, plat::Millis at);
    // Set by the box: hands a frame to the program, false when it cannot go out.
    std::function<bool(const QByteArray& frame)> toBox;

    // Events, sent only while the mech is powered and the box relays. False when not sent.
    bool sendEvent(std::uint8_t code, const QByteArray& data);
    // An accepted coin (0-based index) and, when route >= 0, the route event that follows it.
    bool acceptCoin(int coinIndex, int route = -1);
    bool rejectCoin(int reason);
    bool sendReference(int index, int value);
    // One coin's six measurement frames: reading[k] is the program's coin reading k + 1,
    // baseline[k] its reference value k + 1.
    bool sendCoinData(const std::array<int, 7>& reading, const std::array<int, 5>& baseline);

    // Fault knobs.
    void setSilentFor(int requests) { silentFor_ = requests; }
    void setBadCheckFor(int readReplies) { badCheckFor_ = readReplies; }
    // Read replies carry the word of address + delta (kept within the EEPROM) instead.
    void misaddressReads(int replies, int delta = 1) { misaddressFor_ = replies; misaddressDelta_ = delta; }
    void refuseWrites(int times) { refuseWritesFor_ = times; }
    void refuseWritesAt(int address) { refuseAt_ = address; }
    // A write to this address is acknowledged, but `stored` is what lands in the EEPROM.
    void storeDifferentValueAt(int address, quint16 stored) { corruptAt_ = address; corruptValue_ = stored; }

    const std::vector<MechFrameRecord>& received() const { return received_; }
    void clearReceived() { received_.clear(); }
    QList<int> addressesRead() const;
    QList<int> addressesWritten() const;
    int acknowledgements() const { return acks_; }

private:
    void loadTypicalImage();
    void setCoinByte(int baseWord, int coinIndex, std::uint8_t value);
    void setCoinBit(int word, int coinIndex);
    void reply(std::uint8_t destination, std::uint8_t header, const QByteArray& data);
    void refuse(std::uint8_t destination, std::uint8_t header);
    void handleCommand(MechFrameRecord& rec, std::uint8_t from);
    void handleRead(MechFrameRecord& rec, std::uint8_t from);
    void handleWrite(MechFrameRecord& rec, std::uint8_t from);
    std::uint8_t nextRandom();

    QString model_;
    std::uint8_t bus_ = 0, host_ = 0;
    quint32 serial_ = 0;
    quint32 rng_ = 1;
    std::vector<quint16> eeprom_;
    bool powered_ = false;
    bool loggedOn_ = false;
    bool coinDataRequested_ = false;
    ardwelllink::Keys keys_;
    int logons_ = 0;
    int acks_ = 0;
    std::vector<MechFrameRecord> received_;

    int silentFor_ = 0;
    int badCheckFor_ = 0;
    int misaddressFor_ = 0;
    int misaddressDelta_ = 1;
    int refuseWritesFor_ = 0;
    int refuseAt_ = -1;
    int corruptAt_ = -1;
    quint16 corruptValue_ = 0;
};

class ArdwellBox : public Device {
public:
    ArdwellBox(plat::Scheduler& sched, ArdwellMech& mech);
    ~ArdwellBox() override;
    ArdwellBox(const ArdwellBox&) = delete;
    ArdwellBox& operator=(const ArdwellBox&) = delete;

    void onBytes(const QByteArray& bytes) override;

    // Time from a line reaching the box to its answer, and from a frame taken to the mech's answer.
    void setLatencyMs(plat::Millis ms) { latencyMs_ = ms; }
    void setMechLatencyMs(plat::Millis ms) { mechLatencyMs_ = ms; }
    void setStatusText(const QByteArray& t) { statusText_ = t; }
    void setVersionText(const QByteArray& t) { versionText_ = t; }

    // Fault knobs.
    void setSilent(bool silent) { silent_ = silent; }
    // "S" requests before the k-th one (counted from now) get no answer.
    void setStatusAnsweredFrom(int k) { statusIgnoreLeft_ = k > 1 ? k - 1 : 0; }
    void setFramesNotTaken(int frames) { notTakenFor_ = frames; }

    // Lines the box sends on its own: an "@" status line of the test inputs, or any raw line.
    void sendStatus(std::uint8_t bits);
    void sendLine(const QByteArray& line);

    bool relaying() const { return relaying_; }
    char outputMode() const { return outputMode_; } // '$', '?', '{' or 0
    // Every non-frame line, in order, as received (unknown ones included).
    const QList<QByteArray>& commands() const { return commands_; }
    int statusRequests() const { return statusRequests_; }
    int hopperPulses() const { return hopperPulses_; }
    const QList<QByteArray>& dispenses() const { return dispenses_; } // the two digits after "["
    int lastOutputMask() const { return lastMask_; }                  // -1 before any "#"
    int framesTaken() const { return framesTaken_; }
    const QList<QByteArray>& framesRefused() const { return framesRefused_; }

private:
    void handleLine(const QByteArray& line);
    void handleCommand(const QByteArray& line);
    void handleFrameLine(const QByteArray& line);
    bool fromMech(const QByteArray& frame);
    void answer(const QByteArray& line, plat::Millis latency);

    plat::Scheduler& sched_;
    ArdwellMech& mech_;
    QByteArray lineBuffer_;
    bool overflow_ = false;
    plat::Millis latencyMs_ = 5;
    plat::Millis mechLatencyMs_ = 10;
    QByteArray statusText_ = "READY";
    QByteArray versionText_ = "V2.10";

    bool silent_ = false;
    int statusIgnoreLeft_ = 0;
    int notTakenFor_ = 0;

    bool relaying_ = false;
    char outputMode_ = 0;
    QList<QByteArray> commands_;
    int statusRequests_ = 0;
    int hopperPulses_ = 0;
    QList<QByteArray> dispenses_;
    int lastMask_ = -1;
    int framesTaken_ = 0;
    QList<QByteArray> framesRefused_;
};

} // namespace sim
