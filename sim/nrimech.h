#pragma once
// An NRI mech. Each model hangs on one of the box's interfaces: "$01" for "G13-0000" and
// "G18-0000", "$05" for "G13-6000", "G18-3000" and "G40-0000", "$23" for "G10-4000". A
// "G10-4000/5" is wired to "$23" or, on some boards, "$25": the program tries both.
//
// Newer models ("G13-6000", "G18-3000", "G40-0000", "G10-4000/5") keep 28 records 00..1B of hex
// text. "I" answers the identification and CR; "X" + two hex digits the record and CR; "Z" + two
// hex digits + the record's text writes it. The first character of "X" and "Z" is acknowledged
// with 0x06, so is every two-character piece of data, never the record number; a record is
// stored once its whole length has arrived.
//
// Older models ("G13-0000", "G18-0000", "G10-4000") acknowledge nothing and answer in decimal:
// "I" "0" or "?"; "V" + coin digit 8 lines of 3 digits (high limits of parameters 1..4, then the
// low limits); "Y" 7 lines (multiplier, then the values of coins 6 down to 1); "X" (G10-4000) one
// line of 59 characters (11 of header, lowest and tube values, coin values 1..8, 4 digits
// each); "Z" one of 36 with the date as dd/mm/yy at 29. They are written with "D" (coin digit,
// 12 digits, CR, 12 digits, CR), "B" (21 digits, CR), "F" (59 characters, "::", CR) and "E"
// (dd/mm/yy, CR), one character at least minCharGapMs after the other; a record that does not
// read right is not stored.
//
// "T" makes every model measure the next coin: older models answer four lines of three digits,
// newer ones a line of hex pairs (16 indexed by parameter code on "G13-6000" and "G40-0000",
// else 6 in slot order). A G10 mech in serial mode reports each coin it takes unasked: 0x80,
// coin x 8 + route bits (1 right tube, 2 middle, 4 left, none the cashbox), CR.

#include "sim/faults.h"
#include "sim/quenbymech.h"

#include <QMap>

namespace sim {

class NriMech : public QuenbyMech {
public:
    static const QStringList& models();
    // model: one of the seven NRI models (else invalid_argument); interfaceCode: the one this
    // mech is wired to, empty for the model's usual one (only a "G10-4000/5" has a choice);
    // blank: zeros in every record instead of the model's typical memory.
    explicit NriMech(const QString& model = QStringLiteral("G13-6000"), const QString& interfaceCode = {},
                     bool blank = false);
    QStringList interfaceCodes() const override { return {code_}; }
    int paramCount() const override { return params_; }
    int coinCount() const { return coins_; }
    bool isNewer() const { return newer_; }
    bool waitingForCoin() const override;
    bool measuring() const override { return relayed() && tPending_; }

    // The codes a model may be wired to, its usual one first; empty for an unknown model.
    static QStringList codesOf(const QString& model);

    // The identification "I" answers (by default the one the model gives).
    QByteArray ident;

    // Newer models: record r (0..27) and how long a write of it must be.
    QByteArray record(int r) const { return records_.value(r); }
    void setRecord(int r, const QByteArray& text) { records_[r] = text; }
    int recordLength(int r) const { return lengths_.value(r); }
    // Older models: "V1".."V8", "Y" (G13-0000, G18-0000), "X" (G10-4000) and "Z", as answered
    // (the lines run together, without their CRs).
    QByteArray oldRecord(const QByteArray& key) const { return old_.value(key); }
    void setOldRecord(const QByteArray& key, const QByteArray& text) { old_[key] = text; }
    // The windows of the typical memory: (low, high) per parameter of coin 1..12.
    static QList<QPair<int, int>> typicalWindows(const QString& model, int coin);
    // The G10 route bits of a coin's report.
    static int g10RouteBits(int channel);

    plat::Millis minCharGapMs = 20;     // older models lose characters that come faster
    plat::Millis lateAckMs = 600;       // a piece's 0x06 under PieceLate
    plat::Millis commandTimeoutMs = 1000; // a record number or data record stalled this long is dropped

    enum class Fault {
        IdentUnanswered,  // "I" (counted) gets no answer
        WrongIdent,       // "I" (counted) answers "99"
        NoFirstCharAck,   // "X" and "Z" (counted) are not acknowledged
        WriteNotStored,   // complete writes (counted) are acknowledged but not stored
        FewerLines,       // older models' multi-line answers (counted) lose their last line
        LostCharacter,    // older models' data characters (counted) are lost
        SilentAfterT,     // "T" (counted) never answered
        EmptyG10Report,   // G10 reports (counted) without their coin byte
        DoubleCrReport,   // G10 reports (counted) ended by two CRs
        Count_
    };
    void setFault(Fault fault, When when) { faults_.set(fault, when); }
    // What a newer model does with one record.
    // ShortReply: half the record's text, then its CR; CutReply: half of it and no CR.
    enum class RecordFault { None, PieceRefused, PieceUnanswered, PieceLate, ShortReply, NoReply, CutReply };
    void setRecordFault(int record, RecordFault fault) { recordFaults_[record] = fault; }

    // Record: commands taken ("I", "X05", "Z05", "V3", "D", ... in order) and writes stored.
    const QStringList& commandsSeen() const { return seen_; }
    int writesStored() const { return stored_; }
    int writesRejected() const { return rejected_; }

protected:
    void onSerialModeStarted(const QString& code) override;
    void onBytes(const QByteArray& bytes) override;
    bool coinWhileRelayed(const DroppedCoin& coin) override;

private:
    enum class State { Idle, Number, Data, Discard, OldCoinDigit, OldData };
    void loadTypical();
    void loadBlank();
    void onByte(char c);
    void newerByte(char c);
    void olderByte(char c);
    void answerIdent();
    void measureNextCoin();
    void answerRecord(int r);
    void newerPiece(char c);
    void olderCommand(char c);
    void olderData(char c);
    void storeOlder();
    void sendLines(const QByteArray& digits, int perLine, int lines);
    QByteArray reading(const DroppedCoin& coin) const;

    QString code_;
    bool newer_ = false;
    int params_ = 6;
    int coins_ = 12;
    QMap<int, QByteArray> records_;
    QMap<int, int> lengths_;
    QMap<QByteArray, QByteArray> old_;
    FaultSet<Fault> faults_;
    QMap<int, RecordFault> recordFaults_;

    State state_ = State::Idle;
    char command_ = 0;      // the command being taken
    QByteArray arg_;        // its record number, or the data so far
    QByteArray piece_;      // the half of a data piece
    int record_ = -1;       // the record being written
    bool firstPiece_ = true;
    int crsLeft_ = 0;       // older data records: CRs still to come
    plat::Millis lastAt_ = -1;
    plat::Millis commandAt_ = 0;
    bool tPending_ = false;
    QStringList seen_;
    int stored_ = 0;
    int rejected_ = 0;
};

} // namespace sim
