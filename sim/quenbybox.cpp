#include "sim/quenbybox.h"

#include "platform/vbtext.h"
#include "sim/quenbymechs.h"
#include "sim/xorshift.h"

namespace sim {

namespace {
constexpr char kEsc = 0x1B;
constexpr char kCr = '\r';
constexpr int kLongestLineCommand = 40; // a "P" row or "Z" timings; longer is noise
const QString kNeutral = QStringLiteral("D00");

QString field5(const QString& s) { return s.right(5).rightJustified(5, ' '); }
} // namespace

QuenbyBox::QuenbyBox()
{
    sentinel_.toProgram = [this](const QByteArray& bytes, plat::Millis delayMs) { sendRaw(bytes, delayMs); };
    sentinel_.toMech = [this](const QByteArray& line) -> std::optional<I2cReply> {
        if (mech_ && relaysTo(*mech_))
            return mech_->i2cCommand(line);
        return std::nullopt;
    };
}

QuenbyBox::~QuenbyBox()
{
    *alive_ = false;
    plug(nullptr);
}

const QStringList& QuenbyBox::interfaceCodes()
{
    static const QStringList codes{QStringLiteral("$01"), QStringLiteral("$05"), QStringLiteral("$06"),
                                   QStringLiteral("$23"), QStringLiteral("$25")};
    return codes;
}

void QuenbyBox::plug(QuenbyMech* mech)
{
    if (mech == mech_)
        return;
    if (mech_)
        mech_->box_ = nullptr;
    if (mech) {
        if (mech->box_)
            mech->box_->plug(nullptr);
        mech->box_ = this;
    }
    mech_ = mech;
}

QuenbyMech* QuenbyBox::plugOwned(std::unique_ptr<QuenbyMech> mech)
{
    QuenbyMech* raw = mech.get();
    plug(raw);
    owned_ = std::move(mech); // the box's previous mech, already unplugged, goes here
    return raw;
}

QuenbyMech* QuenbyBox::swapMech(const QString& model, bool blank)
{
    return plugOwned(makeQuenbyMech(model, blank));
}

QString QuenbyBox::statusLine() const
{
    // Columns: 1 C/N, 2-6, 8-12, 14-18, 20-24 timings, 26-27 hex, 29-33 version.
    QString line = mechConnected ? QStringLiteral("C") : QStringLiteral("N");
    for (const QString& t : timings)
        line += field5(t) + ',';
    line += statusHex.right(2).rightJustified(2, '0') + ',';
    line += version.left(5);
    return line;
}

QString QuenbyBox::idleLine() const
{
    // Values at columns 3, 9 and 15, five characters each.
    QString line = QStringLiteral("Y ");
    for (int i = 0; i < 3; ++i) {
        line += QString::number(idles[size_t(i)]).rightJustified(5, ' ');
        if (i < 2)
            line += ' ';
    }
    return line;
}

void QuenbyBox::clearRecord()
{
    commands_.clear();
    linesSent_.clear();
    statusRequests_ = 0;
    breaks_ = 0;
}

void QuenbyBox::onOpen()
{
    pending_.clear();
    lastWasEscape_ = false;
    hungUp_ = false;
    if (floodState_ != 0 && !flooding_)
        floodLine();
}

void QuenbyBox::flood(quint32 seed)
{
    floodState_ = seed;
    if (floodState_ != 0 && !flooding_ && port() && port()->isOpen())
        floodLine();
}

void QuenbyBox::floodLine()
{
    flooding_ = false;
    SimPort* p = port();
    if (floodState_ == 0 || !p || !p->isOpen())
        return;
    static const QByteArray kLetters = "BCNRVMYZ*T";
    QByteArray line;
    const quint32 first = xorshift32(floodState_);
    line += (first & 1) ? kLetters.at(int((first >> 1) % quint32(kLetters.size()))) : char(first >> 8);
    const int more = int(xorshift32(floodState_) % 31);
    for (int i = 0; i < more; ++i) {
        const char c = char(xorshift32(floodState_));
        if (c != '\r')
            line += c;
    }
    if (line.at(0) == '\r')
        line[0] = 'X';
    line += '\r';
    p->reply(line, 0);
    ++linesFlooded_;
    flooding_ = true;
    auto alive = alive_;
    p->scheduler().callAfter(p->repliesDoneAtMs() - p->scheduler().nowMs(), [this, alive, p] {
        if (*alive && port() == p)
            floodLine();
    });
}

void QuenbyBox::onBreak(bool on)
{
    breakOn_ = on;
    if (on) {
        ++breaks_;
        pending_.clear();
        reporting_ = false;
        return;
    }
    if (!inSerialMode() || faults_.strikes(Fault::StuckInSerialMode))
        return;
    const bool relaying = mech_ && relaysTo(*mech_);
    serialCode_.clear();
    if (relaying)
        mech_->serialModeEnded();
    if (!faults_.strikes(Fault::RestartLineLost))
        sendLine(QStringLiteral("*R"));
}

void QuenbyBox::enterSerialMode(const QString& code)
{
    serialCode_ = code;
    pending_.clear();
    reporting_ = false;
    sendLine(QStringLiteral("*S")); // before anything the mech may say on waking
    if (code == QLatin1String("$06"))
        sentinel_.reset();
    if (mech_ && relaysTo(*mech_))
        mech_->serialModeStarted(code);
}

bool QuenbyBox::relaysTo(const QuenbyMech& mech) const
{
    return &mech == mech_ && inSerialMode() && mech.wiredTo(serialCode_);
}

void QuenbyBox::onBytes(const QByteArray& bytes)
{
    if (breakOn_ || hungUp_)
        return; // a line held in break carries no characters
    // The peer may hang up at any byte: what follows it never arrives.
    int arrived = int(bytes.size());
    for (int i = 0; i < bytes.size(); ++i) {
        if (faults_.strikes(Fault::HangUpOnByteIn)) {
            arrived = i;
            break;
        }
    }
    take(bytes.left(arrived));
    if (arrived < bytes.size()) {
        faults_.set(Fault::HangUpOnByteIn, When::never()); // a line hangs up once
        hungUp_ = true;
        if (port())
            port()->hangUp(QStringLiteral("the programmer box hung up"));
    }
}

void QuenbyBox::take(const QByteArray& bytes)
{
    if (inSerialMode()) {
        toSerial(bytes);
        return;
    }
    for (int i = 0; i < bytes.size(); ++i) {
        const char c = bytes.at(i);
        if (c == kEsc) {
            // The burst resynchronises the command parser.
            pending_.clear();
            if (!lastWasEscape_)
                commands_ << QStringLiteral("<ESC>");
            lastWasEscape_ = true;
            continue;
        }
        lastWasEscape_ = false;
        if (pending_.isEmpty() && (c == kCr || c == '\n'))
            continue; // a stray line end between commands
        pending_.append(c);
        if (!commandComplete())
            continue;
        QString cmd = QString::fromLatin1(pending_);
        pending_.clear();
        if (cmd.endsWith(kCr))
            cmd.chop(1);
        commands_ << cmd;
        handleCommand(cmd);
        if (inSerialMode()) {
            // What follows the interface code in the same write already belongs to the mech.
            toSerial(bytes.mid(i + 1));
            return;
        }
    }
}

bool QuenbyBox::commandComplete() const
{
    switch (pending_.at(0)) {
    case 'C': // "CFD", "C00", "C08"
    case '$': // interface codes "$05"
    case '#': // "#80"
        return pending_.size() >= 3;
    case 'P': // PROM rows and timings run to their CR
    case 'Z':
        return pending_.endsWith(kCr) || pending_.size() > kLongestLineCommand;
    default:
        return true;
    }
}

void QuenbyBox::toSerial(const QByteArray& bytes)
{
    if (bytes.isEmpty())
        return;
    const bool relaying = mech_ && relaysTo(*mech_);
    if (relaying)
        mech_->fromProgram(bytes);
    if (serialCode_ == QLatin1String("$06"))
        sentinel_.onBytes(bytes); // the interface answers whether or not a Sentinel is on it
}

void QuenbyBox::neutral(Fault unanswered, plat::Millis delayMs)
{
    if (!faults_.strikes(unanswered))
        sendLine(kNeutral, delayMs);
}

void QuenbyBox::storeTimings(const QString& cmd)
{
    // "Z" and four 3-digit fields; the status line then shows them as numbers.
    const QString digits = cmd.mid(1);
    bool ok = digits.size() == 12;
    for (const QChar c : digits)
        ok = ok && c.isDigit();
    if (!ok)
        return; // not a timing command: no answer
    if (!faults_.strikes(Fault::TimingsNotStored))
        for (int i = 0; i < 4; ++i)
            timings[size_t(i)] = QString::number(digits.mid(3 * i, 3).toInt());
    sendLine(kNeutral);
}

void QuenbyBox::handleCommand(const QString& cmd)
{
    const QChar first = cmd.at(0);
    if (cmd == QLatin1String("S")) {
        ++statusRequests_;
        if (!faults_.strikes(Fault::StatusUnanswered))
            sendLine(statusLine());
    } else if (cmd == QLatin1String("_")) {
        sendLine(kNeutral);
    } else if (cmd == QLatin1String("M")) {
        samples_ = true;
        if (!faults_.strikes(Fault::MUnanswered))
            sendLine(QStringLiteral("T00"));
    } else if (cmd == QLatin1String("Y")) {
        if (!faults_.strikes(Fault::IdleUnanswered))
            sendLine(idleLine());
    } else if (cmd == QLatin1String("E")) {
        neutral(Fault::EUnanswered);
    } else if (cmd == QLatin1String("B")) {
        sendLine(kNeutral);
    } else if (cmd == QLatin1String("O")) {
        samples_ = false;
        binary_ = false;
        neutral(Fault::OUnanswered);
    } else if (cmd == QLatin1String("V")) {
        samples_ = false;
        neutral(Fault::VUnanswered);
    } else if (cmd == QLatin1String("*")) {
        binary_ = true;
        if (!faults_.strikes(Fault::StarUnanswered))
            sendLine(kNeutral, faults_.strikes(Fault::StarLate) ? lateStarMs : 0);
    } else if (cmd == QLatin1String("N")) {
        reporting_ = true;
    } else if (cmd == QLatin1String("I") || cmd == QLatin1String("W")) {
        reporting_ = false;
    } else if (first == 'Z') {
        storeTimings(cmd);
    } else if (first == '$') {
        if (interfaceCodes().contains(cmd) && !faults_.strikes(Fault::SerialModeRefused))
            enterSerialMode(cmd);
    } else if (cmd == QLatin1String("J") || first == 'C' || first == '#') {
        // "J", "CFD", "C00".."C09", "#80": taken, nothing to answer
    } else if (mech_) {
        mech_->boxCommand(cmd);
    }
}

bool QuenbyBox::relayFromMech(const QuenbyMech& mech, const QByteArray& bytes, plat::Millis delayMs)
{
    if (!relaysTo(mech) || silent || !port() || !port()->isOpen())
        return false;
    sendRaw(bytes, delayMs);
    return true;
}

bool QuenbyBox::lineFromMech(const QuenbyMech& mech, const QString& text, plat::Millis delayMs)
{
    if (&mech != mech_ || inSerialMode() || silent || !port() || !port()->isOpen())
        return false;
    sendLine(text, delayMs);
    return true;
}

QString QuenbyBox::reportFor(const QuenbyMech& mech, const DroppedCoin& coin)
{
    const QString counter = QString::number(reportCounter_++ % 10);
    QString code;
    if (coin.slug) {
        code = QStringLiteral("R");
    } else if (binary_) {
        code = QStringLiteral("X") + plat::hex2(coin.channel - 1);
    } else if (marsParallelCodes && mech.family() == QLatin1String("Mars")) {
        code = QStringLiteral("X") + plat::hex2(1 << ((coin.channel - 1) % 6));
    } else {
        const char letter = mech.reportLetter(coin.channel);
        if (!letter)
            return {};
        code = QString(QLatin1Char(letter));
    }
    if (faults_.strikes(Fault::GarbledReport)) {
        switch (garble) {
        case Garble::Short: return QStringLiteral("V");
        case Garble::UnknownCode: return QStringLiteral("V%1Q").arg(counter);
        case Garble::BadHex: return QStringLiteral("V%1XZZ").arg(counter);
        }
    }
    if (evLines && !coin.slug)
        return QStringLiteral("*EV") + code;
    return QStringLiteral("V") + counter + code;
}

bool QuenbyBox::coinInLineMode(const QuenbyMech& mech, const DroppedCoin& coin)
{
    if (&mech != mech_ || inSerialMode() || !reporting_ || silent || !port() || !port()->isOpen())
        return false;
    if (samples_) {
        QString line = QStringLiteral("M");
        for (int i = 0; i < 3; ++i)
            line += ' ' + QString::number(coin.values.value(i)).rightJustified(5, ' ');
        sendLine(line);
        return true;
    }
    const QString report = reportFor(mech, coin);
    if (report.isEmpty())
        return false;
    sendLine(report);
    return true;
}

void QuenbyBox::sendLine(const QString& text, plat::Millis delayMs)
{
    if (silent || !port())
        return;
    linesSent_ << text;
    sendRaw(text.toLatin1() + kCr, delayMs);
}

void QuenbyBox::sendRaw(const QByteArray& bytes, plat::Millis delayMs)
{
    if (silent || !port() || hungUp_)
        return;
    for (int i = 0; i < bytes.size(); ++i) {
        if (!faults_.strikes(Fault::HangUpOnByteOut))
            continue;
        // The peer goes once this byte is through: what follows it is never sent.
        port()->reply(bytes.left(i + 1), latencyMs + delayMs);
        faults_.set(Fault::HangUpOnByteOut, When::never()); // a line hangs up once
        hungUp_ = true;
        SimPort* p = port();
        const plat::Millis through = p->repliesDoneAtMs() - p->scheduler().nowMs() + 1;
        auto alive = alive_;
        p->scheduler().callAfter(through, [this, alive, p] {
            if (*alive && port() == p)
                p->hangUp(QStringLiteral("the programmer box hung up"));
        });
        return;
    }
    port()->reply(bytes, latencyMs + delayMs);
}

} // namespace sim
