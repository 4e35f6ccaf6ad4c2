// The NRI mech's two command layers: the newer models' acknowledged records and the older
// models' decimal lines and paced data records.
#include "sim/nrimech.h"

#include "sim/hextext.h"

namespace sim {

namespace {

constexpr char kAck = 0x06;
constexpr int kLongestOldRecord = 100; // a record without its CRs ends here, unstored

bool isHexDigit(char c) { return hexDigit(c) >= 0; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool allDigits(const QByteArray& s)
{
    for (char c : s)
        if (!isDigit(c))
            return false;
    return true;
}

} // namespace

void NriMech::onSerialModeStarted(const QString& /*code*/)
{
    state_ = State::Idle;
    arg_.clear();
    piece_.clear();
    tPending_ = false;
    lastAt_ = -1;
}

void NriMech::onBytes(const QByteArray& bytes)
{
    for (char c : bytes)
        onByte(c);
}

void NriMech::onByte(char c)
{
    if (newer_)
        newerByte(c);
    else
        olderByte(c);
}

void NriMech::answerIdent()
{
    seen_ << QStringLiteral("I");
    if (faults_.strikes(Fault::IdentUnanswered))
        return;
    send((faults_.strikes(Fault::WrongIdent) ? QByteArray("99") : ident) + '\r');
}

void NriMech::measureNextCoin()
{
    seen_ << QStringLiteral("T");
    if (!faults_.strikes(Fault::SilentAfterT))
        tPending_ = true;
}

// ---- newer models ----

void NriMech::newerByte(char c)
{
    if (state_ == State::Number && nowMs() - commandAt_ > commandTimeoutMs)
        state_ = State::Idle; // the record number never came: the command is forgotten
    switch (state_) {
    case State::Number: {
        arg_ += c;
        if (arg_.size() < 2)
            return;
        seen_ << QString(QLatin1Char(command_)) + QString::fromLatin1(arg_);
        const int r = hexPair(arg_, 0);
        state_ = State::Idle;
        if (r < 0 || r > 0x1B) {
            send("?");
            return;
        }
        if (command_ == 'X') {
            answerRecord(r);
            return;
        }
        record_ = r;
        arg_.clear();
        piece_.clear();
        firstPiece_ = true;
        state_ = State::Data;
        return;
    }
    case State::Data:
        newerPiece(c);
        return;
    case State::Discard:
        if (isHexDigit(c))
            return;
        state_ = State::Idle;
        break;
    default:
        break;
    }
    switch (c) {
    case 'I':
        answerIdent();
        break;
    case 'T':
        measureNextCoin();
        break;
    case 'X':
    case 'Z':
        command_ = c;
        arg_.clear();
        commandAt_ = nowMs();
        state_ = State::Number;
        if (!faults_.strikes(Fault::NoFirstCharAck))
            send(QByteArray(1, kAck));
        break;
    default:
        break; // noise
    }
}

void NriMech::answerRecord(int r)
{
    const RecordFault f = recordFaults_.value(r, RecordFault::None);
    if (f == RecordFault::NoReply)
        return;
    QByteArray text = records_.value(r);
    if (f == RecordFault::ShortReply || f == RecordFault::CutReply)
        text = text.left(text.size() / 2);
    send(f == RecordFault::CutReply ? text : text + '\r');
}

void NriMech::newerPiece(char c)
{
    if (piece_.isEmpty() && !isHexDigit(c)) {
        // The next command: a record that did not get its whole length is not stored.
        state_ = State::Idle;
        newerByte(c);
        return;
    }
    piece_ += c;
    if (piece_.size() < 2)
        return;
    const QByteArray piece = piece_;
    piece_.clear();
    const RecordFault f = firstPiece_ ? recordFaults_.value(record_, RecordFault::None) : RecordFault::None;
    firstPiece_ = false;
    const bool tooLong = arg_.size() + 2 > lengths_.value(record_);
    if (!isHexDigit(piece.at(1)) || f == RecordFault::PieceRefused || tooLong) {
        send("?");
        ++rejected_;
        state_ = State::Discard;
        return;
    }
    if (f == RecordFault::PieceUnanswered) {
        ++rejected_;
        state_ = State::Discard;
        return;
    }
    arg_ += piece;
    send(QByteArray(1, kAck), f == RecordFault::PieceLate ? lateAckMs : 0);
    if (arg_.size() < lengths_.value(record_))
        return;
    if (faults_.strikes(Fault::WriteNotStored)) {
        ++rejected_;
        return;
    }
    records_[record_] = arg_;
    ++stored_;
}

// ---- older models ----

void NriMech::sendLines(const QByteArray& text, int perLine, int lines)
{
    if (faults_.strikes(Fault::FewerLines))
        --lines;
    QByteArray out;
    for (int i = 0; i < lines; ++i)
        out += text.mid(i * perLine, perLine) + '\r';
    send(out);
}

void NriMech::olderByte(char c)
{
    if (state_ == State::OldData) {
        olderData(c);
        return;
    }
    if (state_ == State::OldCoinDigit) {
        state_ = State::Idle;
        seen_ << QStringLiteral("V") + QLatin1Char(c);
        const QByteArray key = "V" + QByteArray(1, c);
        if (isDigit(c) && old_.contains(key))
            sendLines(old_.value(key), 3, 8);
        return;
    }
    olderCommand(c);
}

void NriMech::olderCommand(char c)
{
    const bool g10 = model() == QLatin1String("G10-4000");
    switch (c) {
    case 'I':
        answerIdent();
        break;
    case 'V':
        state_ = State::OldCoinDigit;
        break;
    case 'Y':
        seen_ << QStringLiteral("Y");
        if (!g10)
            sendLines(old_.value("Y"), 3, 7);
        break;
    case 'X':
        seen_ << QStringLiteral("X");
        if (g10)
            sendLines(old_.value("X"), 59, 1);
        break;
    case 'Z':
        seen_ << QStringLiteral("Z");
        sendLines(old_.value("Z"), 36, 1);
        break;
    case 'T':
        measureNextCoin();
        break;
    case 'D':
    case 'B':
    case 'F':
    case 'E':
        seen_ << QString(QLatin1Char(c));
        command_ = c;
        arg_.clear();
        crsLeft_ = c == 'D' ? 2 : 1;
        lastAt_ = -1;
        commandAt_ = nowMs();
        state_ = State::OldData;
        break;
    default:
        break; // noise
    }
}

void NriMech::olderData(char c)
{
    // A record left unfinished for long is given up; this character starts afresh.
    const plat::Millis now = nowMs();
    if (now - (lastAt_ >= 0 ? lastAt_ : commandAt_) > commandTimeoutMs) {
        state_ = State::Idle;
        ++rejected_;
        olderCommand(c);
        return;
    }
    // A slow mech: a character hard on the heels of the one before it is lost.
    const bool tooSoon = lastAt_ >= 0 && now - lastAt_ < minCharGapMs;
    lastAt_ = now;
    if (faults_.strikes(Fault::LostCharacter) || tooSoon)
        return;
    arg_ += c;
    if (c == '\r' && --crsLeft_ == 0) {
        state_ = State::Idle;
        storeOlder();
    } else if (arg_.size() > kLongestOldRecord) {
        state_ = State::Idle;
        ++rejected_;
    }
}

void NriMech::storeOlder()
{
    const QList<QByteArray> parts = arg_.split('\r'); // the last part is empty
    QByteArray key, text;
    const int digits = 3 * params_;
    switch (command_) {
    case 'D':
        if (parts.size() == 3 && parts[0].size() == 1 + digits && parts[1].size() == digits && allDigits(parts[0])
            && allDigits(parts[1]) && old_.contains("V" + parts[0].left(1))) {
            key = "V" + parts[0].left(1);
            text = parts[0].mid(1) + parts[1];
        }
        break;
    case 'B':
        if (old_.contains("Y") && parts.size() == 2 && parts[0].size() == 21 && allDigits(parts[0])) {
            key = "Y";
            text = parts[0];
        }
        break;
    case 'F':
        if (old_.contains("X") && parts.size() == 2 && parts[0].size() == 61 && parts[0].endsWith("::")
            && allDigits(parts[0].mid(11, 48))) {
            key = "X";
            text = parts[0].left(59);
        }
        break;
    case 'E': {
        const QByteArray d = parts.value(0);
        if (parts.size() == 2 && d.size() == 8 && d.at(2) == '/' && d.at(5) == '/'
            && allDigits(d.left(2) + d.mid(3, 2) + d.mid(6, 2))) {
            key = "Z";
            text = old_.value("Z").left(28) + d;
        }
        break;
    }
    default:
        break;
    }
    if (key.isEmpty() || faults_.strikes(Fault::WriteNotStored)) {
        ++rejected_;
        return;
    }
    old_[key] = text;
    ++stored_;
}

} // namespace sim
