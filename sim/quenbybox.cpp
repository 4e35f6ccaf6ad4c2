#include "sim/quenbybox.h"

namespace sim {

namespace {
constexpr char kEsc = 0x1B;

QString field5(const QString& s) { return s.right(5).rightJustified(5, ' '); }
} // namespace

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
    if (serialMode_) {
        serialMode_ = false;
        onSerialModeEnded();
        sendLine(QStringLiteral("*R"));
    }
}

void QuenbyBox::enterSerialMode()
{
    serialMode_ = true;
    pending_.clear();
    sendLine(QStringLiteral("*S"));
}

void QuenbyBox::record(const QString& cmd) { commands_ << cmd; }

void QuenbyBox::onBytes(const QByteArray& bytes)
{
    if (breakOn_)
        return; // a line held in break carries no characters
    if (serialMode_) {
        onSerialBytes(bytes);
        return;
    }
    for (int i = 0; i < bytes.size(); ++i) {
        const char c = bytes.at(i);
        if (c == kEsc) {
            // The burst resynchronises the command parser.
            pending_.clear();
            if (!lastWasEscape_)
                record(QStringLiteral("<ESC>"));
            lastWasEscape_ = true;
            continue;
        }
        lastWasEscape_ = false;
        pending_.append(c);
        if (pending_.size() < commandLength(pending_.at(0)))
            continue;
        const QString cmd = QString::fromLatin1(pending_);
        pending_.clear();
        record(cmd);
        onCommand(cmd);
        if (serialMode_) {
            if (i + 1 < bytes.size())
                onSerialBytes(bytes.mid(i + 1));
            return;
        }
    }
}

int QuenbyBox::commandLength(char first) const
{
    switch (first) {
    case 'C': // "CFD", "C01", "C00"
    case '$': // mech interface codes "$01"
        return 3;
    default:
        return 1;
    }
}

bool QuenbyBox::onCommand(const QString& cmd)
{
    if (cmd == QLatin1String("S")) {
        ++statusRequests_;
        if (statusMissing)
            return true;
        if (answerOnlyStatusNo > 0 && statusRequests_ != answerOnlyStatusNo)
            return true;
        sendLine(statusLine());
        return true;
    }
    if (cmd == QLatin1String("_")) {
        sendLine(QStringLiteral("D00"));
        return true;
    }
    if (cmd == QLatin1String("M")) {
        sendLine(QStringLiteral("T00"));
        return true;
    }
    if (cmd == QLatin1String("Y")) {
        sendLine(idleLine());
        return true;
    }
    if (cmd == QLatin1String("J") || cmd == QLatin1String("W") || cmd == QLatin1String("CFD"))
        return true; // accepted, no reply
    return false;
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
