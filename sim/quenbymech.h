#pragma once
// A mech of the first program's families, plugged into the simulated box (sim::QuenbyBox).
//
// The box reaches a mech in one of two ways. A mech on the box's cable is wired to one or more
// of the box's serial interfaces, each selected by its interface code ("$01", "$05", "$06",
// "$23", "$25"): while the box is in serial mode on one of them it relays the program's bytes
// to the mech and the mech's bytes back. A Mars PROM sits in the box's socket instead and is
// never relayed to; the box works on it through line-mode commands of its own.
//
// This is the plumbing each family builds on: which interfaces a mech is wired to, the bytes
// relayed to it (kept for assertions), a way to send bytes and lines back through the box, and
// the coins dropped through it. A dropped coin is measured (a reading from the mech's coin kinds,
// or one a test queued) and then goes where the mech's state sends it: in serial mode to the
// family (a measurement frame it was asked for, a report of its own), in line mode to the box,
// which reports it while the program has asked it to.

#include "platform/scheduler.h"
#include "sim/coinsampler.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace sim {

class QuenbyBox;

// One coin through the mech: its channel (0 for a slug) and what the mech measured.
struct DroppedCoin {
    int channel = 0;
    bool slug = false;
    QList<int> values;
};

// The answer of a mech to a command line that reached it over the box's Sentinel (I2C)
// interface, and how long the mech takes before it answers.
struct I2cReply {
    QByteArray line;     // without its CR
    QByteArray trailing; // bytes the mech sends unasked after the line
    plat::Millis delayMs = 0;
};

class QuenbyMech {
public:
    QuenbyMech(const QString& family, const QString& model);
    virtual ~QuenbyMech();
    QuenbyMech(const QuenbyMech&) = delete;
    QuenbyMech& operator=(const QuenbyMech&) = delete;

    QString family() const { return family_; }
    QString model() const { return model_; }
    // The interface codes this mech answers on; empty for a PROM in the socket.
    virtual QStringList interfaceCodes() const = 0;
    bool wiredTo(const QString& code) const { return interfaceCodes().contains(code); }
    // Measured parameters per coin, as the model has them.
    virtual int paramCount() const = 0;

    // The box this mech is plugged into (null when unplugged); QuenbyBox::plug sets it.
    QuenbyBox* box() const { return box_; }
    // True while the box relays between the program and this mech.
    bool relayed() const;

    // Bytes to the program through the box, raw, after the box's latency and delayMs more.
    // False (nothing sent) while not relayed.
    bool send(const QByteArray& bytes, plat::Millis delayMs = 0);

    // Everything the box relayed to this mech, in order, and how often serial mode on one of
    // its interfaces began and ended.
    const QByteArray& receivedBytes() const { return received_; }
    int serialModesStarted() const { return started_; }
    int serialModesEnded() const { return ended_; }

    // A line-mode command the box does not carry out itself, offered to whatever is plugged in
    // (the PROM socket's commands). Returns false when the mech does not know it either.
    virtual bool boxCommand(const QString& /*cmd*/) { return false; }
    // A command line that reached the mech over the box's Sentinel interface; nothing when the
    // mech does not answer it.
    virtual std::optional<I2cReply> i2cCommand(const QByteArray& /*line*/) { return std::nullopt; }

    // Coins. dropCoin takes channel 1..24 (as the program numbers them); the reading is the next
    // queued one or drawn from the coin kinds. True when something reached the program.
    bool dropCoin(int channel);
    bool dropSlug();
    void queueReading(const QList<int>& values) { sampler_.queue(values); }
    CoinSampler& sampler() { return sampler_; }
    const CoinSampler& sampler() const { return sampler_; }
    int coinsDropped() const { return coinsDropped_; }
    // True while a coin dropped now would be measured or reported in serial mode (a measurement
    // asked for, a report line the mech sends of its own).
    virtual bool waitingForCoin() const { return false; }
    // True while the program measures coins in serial mode (a report the mech sends of its own
    // is no measurement).
    virtual bool measuring() const { return waitingForCoin(); }
    // The box's report code of a coin of this channel ("A" to "I"), 0 when it reports none.
    virtual char reportLetter(int channel) const;
    // Values in one reading (the measured parameters; some frames carry more).
    virtual int valuesPerReading() const { return paramCount(); }

protected:
    // Hooks for the family's own behaviour; the base keeps the record.
    virtual void onSerialModeStarted(const QString& /*code*/) {}
    virtual void onSerialModeEnded() {}
    virtual void onBytes(const QByteArray& /*bytes*/) {}
    // A coin while the box relays to this mech; true when the family sent something.
    virtual bool coinWhileRelayed(const DroppedCoin& /*coin*/) { return false; }
    // A CR-terminated line from the box on this mech's behalf (line mode: the PROM socket).
    bool sendLine(const QString& text, plat::Millis delayMs = 0);
    // The box's clock (null while unplugged or without a port).
    plat::Scheduler* scheduler() const;
    plat::Millis nowMs() const;

private:
    // The box's side.
    friend class QuenbyBox;
    void serialModeStarted(const QString& code);
    void serialModeEnded();
    void fromProgram(const QByteArray& bytes);
    bool deliver(const DroppedCoin& coin);

    QString family_;
    QString model_;
    QuenbyBox* box_ = nullptr;
    QByteArray received_;
    int started_ = 0;
    int ended_ = 0;
    int coinsDropped_ = 0;
    CoinSampler sampler_;
};

} // namespace sim
