#include "sim/quenbybox.h"

namespace sim {

namespace {
constexpr char kEsc = 0x1B;

QString field5(const QString& s) { return s.right(5).rightJustified(5, ' '); }
} // namespace

QuenbyBox::~QuenbyBox() { plug(nullptr); }

const QStringList& QuenbyBox::interfaceCodes()
{
    static const QStringList codes{QStringLiteral("$01"), QStringLiteral("$05"), QStringLiteral("$06"),
                                   QStringLiteral("$23"), QStringLiteral("$25")};
    return codes;
}

void QuenbyBox::setFault(Fault fault, When when)
{
    switch (fault) {
    case Fault::StatusUnanswered: statusFault_ = when; break;
    }
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
    statusRequests_ = 0;
    breaks_ = 0;
}

void QuenbyBox::onOpen()
{
    pending_.clear();
    lastWasEscape_ = false;
}

void QuenbyBox::onBreak(bool on)
{
    breakOn_ = on;
    if (on) {
        ++breaks_;
        pending_.clear();
        return;
    }
    if (inSerialMode()) {
        const bool relaying = mech_ && relaysTo(*mech_);
        serialCode_.clear();
        if (relaying)
            mech_->serialModeEnded();
        sendLine(QStringLiteral("*R"));
    }
}

void QuenbyBox::enterSerialMode(const QString& code)
{
    serialCode_ = code;
    pending_.clear();
    sendLine(QStringLiteral("*S")); // before anything the mech may say on waking
    if (mech_ && relaysTo(*mech_))
        mech_->serialModeStarted(code);
}

bool QuenbyBox::relaysTo(const QuenbyMech& mech) const
{
    return &mech == mech_ && inSerialMode() && mech.wiredTo(serialCode_);
}

void QuenbyBox::onBytes(const QByteArray& bytes)
{
    if (breakOn_)
        return; // a line held in break carries no characters
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
        pending_.append(c);
        if (pending_.size() < commandLength(pending_.at(0)))
            continue;
        const QString cmd = QString::fromLatin1(pending_);
        pending_.clear();
        commands_ << cmd;
        handleCommand(cmd);
        if (inSerialMode()) {
            // What follows the interface code in the same write already belongs to the mech.
            if (i + 1 < bytes.size())
                toSerial(bytes.mid(i + 1));
            return;
        }
    }
}

void QuenbyBox::toSerial(const QByteArray& bytes)
{
    // Bytes for an interface with no mech on it go nowhere.
    if (mech_ && relaysTo(*mech_))
        mech_->fromProgram(bytes);
}

int QuenbyBox::commandLength(char first)
{
    switch (first) {
    case 'C': // "CFD", "C00", "C08"
    case '$': // interface codes "$05"
        return 3;
    default:
        return 1;
    }
}

void QuenbyBox::handleCommand(const QString& cmd)
{
    if (cmd == QLatin1String("S")) {
        ++statusRequests_;
        if (!statusFault_.strikes())
            sendLine(statusLine());
    } else if (cmd == QLatin1String("_")) {
        sendLine(QStringLiteral("D00"));
    } else if (cmd == QLatin1String("M")) {
        sendLine(QStringLiteral("T00"));
    } else if (cmd == QLatin1String("Y")) {
        sendLine(idleLine());
    } else if (cmd.startsWith('$')) {
        if (interfaceCodes().contains(cmd))
            enterSerialMode(cmd);
    } else if (cmd == QLatin1String("J") || cmd == QLatin1String("W") || cmd == QLatin1String("CFD")) {
        // accepted, no reply
    } else if (mech_) {
        mech_->boxCommand(cmd);
    }
}

bool QuenbyBox::relayFromMech(const QuenbyMech& mech, const QByteArray& bytes)
{
    if (!relaysTo(mech) || silent || !port() || !port()->isOpen())
        return false;
    sendRaw(bytes);
    return true;
}

bool QuenbyBox::lineFromMech(const QuenbyMech& mech, const QString& text)
{
    if (&mech != mech_ || inSerialMode() || silent || !port() || !port()->isOpen())
        return false;
    sendLine(text);
    return true;
}

void QuenbyBox::sendLine(const QString& text)
{
    sendRaw(text.toLatin1() + '\r');
}

void QuenbyBox::sendRaw(const QByteArray& bytes)
{
    if (silent || !port())
        return;
    port()->reply(bytes, latencyMs);
}

} // namespace sim
