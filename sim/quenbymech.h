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
// relayed to it (kept for assertions) and a way to send bytes and lines back through the box.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <initializer_list>

namespace sim {

class QuenbyBox;

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

    // The box this mech is plugged into (null when unplugged); QuenbyBox::plug sets it.
    QuenbyBox* box() const { return box_; }
    // True while the box relays between the program and this mech.
    bool relayed() const;

    // Bytes to the program through the box, raw. False (nothing sent) while not relayed.
    bool send(const QByteArray& bytes);

    // Everything the box relayed to this mech, in order, and how often serial mode on one of
    // its interfaces began and ended.
    const QByteArray& receivedBytes() const { return received_; }
    int serialModesStarted() const { return started_; }
    int serialModesEnded() const { return ended_; }

    // A line-mode command the box does not carry out itself, offered to whatever is plugged in
    // (the PROM socket's commands). Returns false when the mech does not know it either.
    virtual bool boxCommand(const QString& /*cmd*/) { return false; }

protected:
    // Throws std::invalid_argument unless model is one of models.
    static void requireModel(const QString& model, std::initializer_list<const char*> models);
    // Hooks for the family's own behaviour; the base keeps the record.
    virtual void onSerialModeStarted(const QString& /*code*/) {}
    virtual void onSerialModeEnded() {}
    virtual void onBytes(const QByteArray& /*bytes*/) {}
    // A CR-terminated line from the box on this mech's behalf (line mode: the PROM socket).
    bool sendLine(const QString& text);

private:
    // The box's side.
    friend class QuenbyBox;
    void serialModeStarted(const QString& code);
    void serialModeEnded();
    void fromProgram(const QByteArray& bytes);

    QString family_;
    QString model_;
    QuenbyBox* box_ = nullptr;
    QByteArray received_;
    int started_ = 0;
    int ended_ = 0;
};

} // namespace sim
