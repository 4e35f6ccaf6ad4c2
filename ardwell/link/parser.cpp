#include "ardwell/link/link.h"

#include "platform/reentryguard.h"
#include "platform/textfile.h"

#include <QRegularExpression>

#include <cmath>
#include <optional>

namespace ardwell {

namespace {

// Characters counted from 1; never fails past the end.
QString midText(const QString& s, int start, int len)
{
    return s.mid(start - 1, len);
}

int hexAt(const QString& line, int start, int len)
{
    return int(hexValue(midText(line, start, len)));
}

// Addresses, header, the five enciphered payload bytes and the checksum.
constexpr int kReadReplyBytes = 9;

int signed16(int v)
{
    v &= 0xFFFF;
    return v >= 0x8000 ? v - 0x10000 : v;
}

// The box's two identification lines as the version label shows them, or nothing when either is
// not of its form (a short status word, a version number), as a line of noise is not.
std::optional<QString> boxIdentification(const QString& status, const QString& version)
{
    static const QRegularExpression statusForm(QStringLiteral("^[A-Za-z0-9][A-Za-z0-9 ._-]{0,23}$"));
    static const QRegularExpression versionForm(QStringLiteral("^[A-Za-z]{0,3} ?[0-9]+(\\.[0-9]+)*[A-Za-z]?$"));
    if (!statusForm.match(status).hasMatch() || !versionForm.match(version).hasMatch())
        return std::nullopt;
    return status + " " + version;
}

} // namespace

void Link::Comm1_OnComm()
{
    // A box or sound inside the parser pumps; input arriving meanwhile waits for this loop.
    const plat::ReentryGuard guard(inReceive_);
    if (!guard || !port_)
        return;

    while (port_->bytesWaiting() >= 1) {
        QByteArray ch;
        try {
            ch = port_->read(1);
        } catch (const std::exception& e) {
            showError(kCommsContext, e);
            continue;
        }
        if (ch.isEmpty())
            break;
        const uchar c = uchar(ch[0]);
        if (c > 32) {
            if (st_.serialLineBuffer.size() < kLineBufferCap)
                st_.serialLineBuffer += plat::fromCp1252(ch);
        } else if (c == 13 && !st_.serialLineBuffer.isEmpty()) {
            const QString line = st_.serialLineBuffer;
            try {
                parseDataStream(line);
            } catch (const std::exception& e) {
                showError(kParseContext, e);
            }
            st_.lineReceived = !st_.boxAcknowledged;
            st_.serialLineBuffer.clear();
        }
    }
}

void Link::parseDataStream(const QString& line)
{
    if (line.isEmpty())
        return;
    const QChar first = line[0];
    if (first == '*') {
        onPanelEvent(panel::Debug{line});
    } else if (first == '@') {
        onPanelEvent(panel::StatusInputs{hexAt(line, 2, 2)});
    } else if (first == '%') {
        // box housekeeping: nothing to show
    } else if (first == '>' || first == '<') {
        (first == '>' ? st_.boxAnswered : st_.boxVersionReceived) = true;
        (first == '>' ? st_.boxStatusText : st_.boxVersionText) = line.mid(1);
        // Noise in place of an identification line leaves the label as it was.
        const std::optional<QString> text = boxIdentification(st_.boxStatusText, st_.boxVersionText);
        if (st_.boxAnswered && st_.boxVersionReceived && text)
            onPanelEvent(panel::Identified{*text});
    } else if (line.size() < 8) {
        if (first == 'X')
            st_.boxAcknowledged = true;
        else if (first == 'Y')
            st_.mechAcknowledged = true;
    } else {
        const QString header = midText(line, 5, 2);
        const QString data = midText(line, 7, 2);
        if (header == "44") {
            if (data == "CA") {
                st_.mechKey.m1 = hexAt(line, 9, 2);
                st_.mechKey.m2 = hexAt(line, 11, 2);
                st_.logonReplied = true;
            }
        } else if (header == "04") {
            st_.mechAcknowledged = true;
        } else if (header == "E4") {
            st_.writeRefused = true;
        } else if (header == "B4") {
            // The payload check misses one corruption in 256: a word is taken only from a
            // frame whose checksum holds too.
            if (wholeFrame(line, kReadReplyBytes))
                decodeMechMemory(midText(line, 7, 10));
            else
                st_.commsError = true;
        } else if (header == "24") {
            parseEvent(line);
        }
    }
}

void Link::parseEvent(const QString& line)
{
    const QString code = midText(line, 7, 2);
    const int value = hexAt(line, 9, 2);
    PanelEvent e;
    if (code == "01") // coin accepted
        e = panel::Accepted{value};
    else if (code == "05") // coin rejected
        e = panel::Rejected{value};
    else if (code == "03") // coin routed
        e = panel::Routed{value};
    else if (code == "0E") // reference value
        e = panel::Reference{value, signed16(hexAt(line, 11, 4))};
    else if (code == "09") // measurement: 4-bit index, 14-bit signed A, 14-bit B
        e = panel::Measured{hexAt(line, 9, 1) + 1, int(std::floor(signed16(hexAt(line, 10, 4)) / 4.0)),
                            hexAt(line, 13, 4) & 0x3FFF};
    else
        return; // other events are not answered
    eventAnswered_ = false;
    onPanelEvent(e);
    if (!eventAnswered_)
        sendMessageUnderstood();
}

} // namespace ardwell
