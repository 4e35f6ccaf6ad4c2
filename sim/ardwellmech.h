#pragma once
// The mech behind the second program's box, simulated. It keeps an EEPROM image, logs on with
// fresh key bytes every time, enciphers its memory replies with its own copy of the link cipher
// (sim/ardwellcipher.h), acknowledges only the plain commands it knows and sends events (coins
// accepted and rejected, reference values, coin data) while it is powered and the box relays.

#include "platform/scheduler.h"
#include "sim/ardwellcipher.h"
#include "sim/when.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

namespace sim {

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
    // The box's supply command that powers this mech: "W" for the PCA, "Z" for the others.
    char supplyCommand() const { return model_ == QLatin1String("PCA") ? 'W' : 'Z'; }

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

    // Named faults, each counted over its own events.
    enum class Fault {
        Silent,       // frames addressed here (acknowledgements aside) get no answer
        BadCheckByte, // read replies whose plain bytes sum to 1 instead of 0
        WrongAddress, // read replies carry the next address and its word
        RefuseWrite,  // write requests refused (E4)
    };
    void setFault(Fault fault, When when);
    // A write to this address is always refused (-1: none).
    void refuseWritesAt(int address) { refuseAt_ = address; }
    // A write to this address is acknowledged, but `stored` is what lands in the EEPROM.
    void storeDifferentValueAt(int address, quint16 stored) { corruptAt_ = address; corruptValue_ = stored; }

    const std::vector<MechFrameRecord>& received() const { return received_; }
    void clearReceived() { received_.clear(); }
    // Addresses of the well-formed read and write requests addressed here, in order.
    QList<int> addressesRead() const { return addressesOf(MechFrameRecord::Read); }
    QList<int> addressesWritten() const { return addressesOf(MechFrameRecord::Write); }
    int acknowledgements() const { return acks_; } // message understood frames from the program

private:
    QList<int> addressesOf(int kind) const;
    void loadTypicalImage();
    void setCoinByte(int baseWord, int coinIndex, std::uint8_t value);
    void setCoinBit(int word, int coinIndex);
    void reply(std::uint8_t destination, std::uint8_t header, const QByteArray& data);
    void refuse(std::uint8_t destination, std::uint8_t header);
    void handleCommand(MechFrameRecord& rec, std::uint8_t from);
    void handleLogon(const QByteArray& data, std::uint8_t from);
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

    When silent_;
    When badCheck_;
    When wrongAddress_;
    When refuseWrite_;
    int refuseAt_ = -1;
    int corruptAt_ = -1;
    quint16 corruptValue_ = 0;
};

} // namespace sim
