#pragma once
// The mech behind the second program's box, simulated. It keeps an EEPROM image (a realistic
// one per model, sim/ardwellimages.h), logs on with fresh key bytes every time, enciphers its
// memory replies with its own copy of the link cipher (sim/ardwellcipher.h) and acknowledges only
// the plain commands it knows.
//
// Coins (sim/ardwellcoins.h) drop on a test call, on a hopper pulse and, in the demo, at random.
// What a coin gives depends on the mode the program put the mech and box in:
//   - both coin data requests acknowledged: six "09" measurement frames;
//   - HII Accept ALL acknowledged (until ReInitialise or power-off): "01" accepted and "03"
//     routed, or "05" rejected with its reason;
//   - the box in "$" or "?": an "@" status line with the coin's output lines or binary code
//     (330, 126); the box in "{": the 340's credit, player, meter and lamp lines.
// Events go out one at a time: the mech waits up to a second for the program's message
// understood (04) before the next, and counts the answers.
//
// Test-facing calls, in short:
//   dropCoin(kind) / dropCoin(sample) / dropSlug(reason)   a coin through the mech
//   coins().queue(raw, reference)      exact values for the next coins, whatever kind is dropped
//   sendEvent(code, data)              any event, also an unknown code such as 2A
//   words(), word(a)                   the EEPROM; acknowledgements(), eventsUnanswered()
//   setFault(Fault, When)              the named faults below, each from the k-th event on too

#include "platform/scheduler.h"
#include "sim/ardwellcipher.h"
#include "sim/ardwellcoins.h"
#include "sim/ardwellimages.h"
#include "sim/ardwelltestmode.h"
#include "sim/faults.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
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

// The box a mech is plugged into, as the mech sees it (set by sim::ArdwellBox).
struct MechSocket {
    plat::Scheduler* sched = nullptr;                 // paces events and late answers
    std::function<bool(const QByteArray&)> frame;     // a frame to the program; false when it cannot go
    std::function<bool()> relaying;                   // the box relays frames now
    std::function<char()> outputMode;                 // '$', '?', '{' or 0
    std::function<void(int)> status;                  // an "@" status line of the mech's outputs
};

class ArdwellMech {
public:
    // model: "126", "330", "340", "560" or "PCA" (anything else throws std::invalid_argument).
    // seed varies the key bytes the mech hands out at logon and the coins it draws. The image
    // is the model's standard image, or the second mech's (other serial number and settings).
    explicit ArdwellMech(const QString& model = QStringLiteral("330"),
                         quint32 serialNumber = ardwellimage::kStandardSerial, quint32 seed = 1,
                         ardwellimage::Variant image = ardwellimage::Variant::Standard);
    ~ArdwellMech();
    ArdwellMech(const ArdwellMech&) = delete;
    ArdwellMech& operator=(const ArdwellMech&) = delete;

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
    // Replaces the EEPROM (cut or padded to the model's size).
    void loadImage(const std::vector<quint16>& words);
    // Packs a coin's 13-byte window record (0-based coin, level 1..7, signed low limits).
    void setWindowRecord(int coinIndex, int level, const std::array<int, 4>& lows,
                         const std::array<int, 4>& widths);

    bool powered() const { return powered_; }
    void setPowered(bool on);
    bool loggedOn() const { return loggedOn_; }
    ardwelllink::Keys keys() const { return keys_; }
    int logons() const { return logons_; }
    // Both coin data requests acknowledged since the last power-up or ReInitialise.
    bool coinDataRequested() const { return request1_ && request2_; }
    // HII Accept ALL acknowledged since the last power-up or ReInitialise.
    bool acceptingAll() const { return acceptAll_; }
    // Unplugged, the mech answers nothing and no coin reaches it; the box goes on taking frames.
    bool plugged() const { return plugged_; }

    void plugInto(const MechSocket& socket) { socket_ = socket; }
    void unplugFromSocket();
    // A frame relayed by the box (checksum already checked by the box).
    void receiveFrame(const QByteArray& frame, plat::Millis at);
    // The box's inhibit outputs (bits 0..5: lines A..F held) and its "[xx" output commands.
    void setInhibitInputs(int bits) { inhibitInputs_ = bits; }
    void outputCommand(int value);

    // ---- Coins ----
    CoinSource& coins() { return coins_; }
    // A coin of a kind (sim/ardwellcoins.h), or exactly this coin. False when the mech is
    // unplugged; a coin dropped through an unpowered mech gives nothing.
    bool dropCoin(int kind);
    bool dropCoin(const CoinSample& coin);
    // A slug, rejected with this reason (0..12) where the mech reports rejects.
    bool dropSlug(int reason = reason::KnownSlug);
    // What a hopper pulse or the demo's coin drop delivers: during a coin data run a coin of the
    // run's kind, otherwise a mix of taught coins, an inhibited token, unknown coins and slugs.
    bool dropRandomCoin();
    // The kind the coin data runs use; -1 (the default): each run takes the next of coins 1..6.
    void setGatheringKind(int kind) { gatheringKind_ = kind; }
    int gatheringKind() const { return gatheringKind_ >= 0 ? gatheringKind_ : runKind_; }
    const CoinOutcome& lastOutcome() const { return lastOutcome_; }
    int coinsDropped() const { return coinsDropped_; }
    int credit340() const { return creditor_.credit(); }

    // ---- Events, sent only while the mech is powered and the box relays ----
    // Queued behind the events still waiting for their answer; false when they cannot go out.
    bool sendEvent(std::uint8_t code, const QByteArray& data);
    // An accepted coin (0-based index) and, when route >= 0, the route event that follows it.
    bool acceptCoin(int coinIndex, int route = -1);
    bool rejectCoin(int reason);
    bool sendReference(int index, int value);
    // One coin's six measurement frames: reading[k] is the program's coin reading k + 1,
    // baseline[k] its reference value k + 1.
    bool sendCoinData(const std::array<int, 7>& reading, const std::array<int, 5>& baseline);
    int eventsSent() const { return eventsSent_; }
    int eventsUnanswered() const { return eventsUnanswered_; } // no 04 within the second
    int eventsPending() const { return int(outbox_.size()) + (awaiting_ ? 1 : 0); }

    // Named faults, each counted over its own events.
    enum class Fault {
        Silent,           // frames addressed here (acknowledgements aside) get no answer
        BadCheckByte,     // read replies whose plain bytes sum to 1 instead of 0
        WrongAddress,     // read replies carry the next address and its word
        RefuseWrite,      // write requests refused (E4)
        WriteUnanswered,  // write requests neither answered nor stored
        CommandSilent,    // plain commands (logon aside) get no answer
        CommandRefused,   // plain commands refused (E4)
        CommandLate,      // plain commands acknowledged lateAnswerMs after they arrive
        Unplugged,        // frames relayed to the mech: from the striking one on, it is gone
        CoinLost,         // coins: nothing comes of them (no data, no event, no output)
        LastFrameLost,    // coins: the measurement frame with index 5 never goes out
        EventBadChecksum, // events: the frame's checksum is wrong
        EventTruncated,   // events: only the first four bytes go out
        EventUnknownCode, // events: the code becomes 2A
        CoinIndexAbove15, // accepted-coin events: the coin index goes out 16 higher
        ReplyCorrupted,   // read replies: the word's cipher bytes changed so that the payload
                          // still passes its check byte, the frame checksum left as it was
        Count_
    };
    void setFault(Fault fault, When when) { faults_.set(fault, when); }
    void setLateAnswerMs(plat::Millis ms) { lateMs_ = ms; }
    // A write to this address is always refused (-1: none).
    void refuseWritesAt(int address) { refuseAt_ = address; }
    // A write to this address is acknowledged, but `stored` is what lands in the EEPROM.
    void storeDifferentValueAt(int address, quint16 stored) { corruptAt_ = address; corruptValue_ = stored; }
    // Reads of this address go unanswered (counted over those reads; -1: none).
    void setUnreadableWord(int address, When when = When::always());

    const std::vector<MechFrameRecord>& received() const { return received_; }
    void clearReceived() { received_.clear(); }
    // Keep only the newest frames in received() (sim/records.h); 0, the default, keeps every one.
    void setReceivedLimit(std::size_t frames) { receivedLimit_ = frames; }
    // Addresses of the well-formed read and write requests addressed here, in order.
    QList<int> addressesRead() const { return addressesOf(MechFrameRecord::Read); }
    QList<int> addressesWritten() const { return addressesOf(MechFrameRecord::Write); }
    int acknowledgements() const { return acks_; } // message understood frames from the program

private:
    QList<int> addressesOf(int kind) const;
    void reply(std::uint8_t destination, std::uint8_t header, const QByteArray& data);
    void refuse(std::uint8_t destination, std::uint8_t header);
    void handleCommand(MechFrameRecord& rec, std::uint8_t from);
    void handleLogon(const QByteArray& data, std::uint8_t from);
    void handleRead(MechFrameRecord& rec, std::uint8_t from);
    void handleWrite(MechFrameRecord& rec, std::uint8_t from);
    void corruptReply(QByteArray& frame) const;
    std::uint8_t nextRandom();
    bool canSend() const;
    void pumpOutbox();
    void acknowledged();
    void resetRunState();
    bool drop(const CoinSample& coin, int slugReason);
    void status(const QList<int>& lines);
    int randomKind();

    QString model_;
    std::uint8_t bus_ = 0, host_ = 0;
    quint32 serial_ = 0;
    quint32 rng_ = 1;
    std::vector<quint16> eeprom_;
    bool powered_ = false;
    bool loggedOn_ = false;
    bool plugged_ = true;
    bool request1_ = false, request2_ = false, acceptAll_ = false;
    ardwelllink::Keys keys_;
    int logons_ = 0;
    int acks_ = 0;
    std::vector<MechFrameRecord> received_;
    std::size_t receivedLimit_ = 0;
    MechSocket socket_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);

    CoinSource coins_;
    Creditor340 creditor_;
    CoinOutcome lastOutcome_;
    int coinsDropped_ = 0;
    int gatheringKind_ = -1;
    int runKind_ = 0;
    int runs_ = 0;
    int inhibitInputs_ = 0;

    std::deque<QByteArray> outbox_;
    bool awaiting_ = false;
    plat::CallbackId ackTimer_ = 0;
    int eventsSent_ = 0;
    int eventsUnanswered_ = 0;

    FaultSet<Fault> faults_;
    When unreadable_;
    plat::Millis lateMs_ = 3200;
    int unreadableAt_ = -1;
    int refuseAt_ = -1;
    int corruptAt_ = -1;
    quint16 corruptValue_ = 0;
};

} // namespace sim
