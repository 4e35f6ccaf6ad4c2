#include "ardwell/link/link.h"

#include "platform/reentryguard.h"
#include "platform/runtimeerror.h"
#include "platform/textfile.h"

#include <QRegularExpression>

#include <array>
#include <optional>
#include <cmath>

namespace ardwell {

namespace {

constexpr quint32 kGreen = 0x00FF00;
constexpr quint32 kRed = 0x0000FF;
constexpr quint32 kWhite = 0xFFFFFF;
const QString kParseContext = QStringLiteral("Error Parsing Data stream routine : ");

// Characters counted from 1; never fails past the end.
QString midText(const QString& s, int start, int len)
{
    return s.mid(start - 1, len);
}

int hexAt(const QString& line, int start, int len)
{
    return int(hexValue(midText(line, start, len)));
}

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

template <std::size_t N>
void storeAt(std::array<int, N>& a, int index, int value)
{
    if (index < 0 || index >= int(N))
        throw plat::RuntimeError(plat::err::SubscriptOutOfRange, "Subscript out of range");
    a[std::size_t(index)] = value;
}

// The leading number of a caption (blank or no number counts 0), as a counter label holds it.
qint64 leadingNumber(const QString& caption)
{
    const QString t = caption.trimmed();
    int i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == '-' || t[i] == '+'))
        negative = t[i++] == '-';
    qint64 v = 0;
    for (; i < t.size() && t[i].isDigit() && v < 1'000'000'000'000LL; ++i)
        v = v * 10 + t[i].digitValue();
    return negative ? -v : v;
}

} // namespace

QString rejectReasonText(int code)
{
    static const char* const kReasons[] = {
        "Known Slug",
        "Unknown payment",
        "Fraud Attempt",
        "Post validation error",
        "Master Inhibit active",
        "Reserved 5",
        "Reserved 6",
        "Reserved 7",
        "Slug Defence",
        "Totaliser Credit Error",
        "Power fail",
        "Coin Inhibited - software",
        "Coin Inhibited - hardware",
    };
    if (code >= 0 && code < int(std::size(kReasons)))
        return QString::fromLatin1(kReasons[code]);
    return QStringLiteral("Unknown Reason");
}

void Link::countUp(const QString& label, int index, bool blankForZero)
{
    const qint64 v = leadingNumber(view_.text(label, index)) + 1;
    view_.setText(label, (v == 0 && blankForZero) ? QString() : QString::number(v), index);
}

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

void Link::showBoxIdentification()
{
    // Noise in place of an identification line leaves the label as it was.
    if (const std::optional<QString> text = boxIdentification(st_.boxStatusText, st_.boxVersionText))
        view_.setText("lblHWversion", *text);
}

void Link::parseDataStream(const QString& line)
{
    if (line.isEmpty())
        return;
    const QChar first = line[0];
    if (first == '*') {
        view_.setText("lbldebug", line);
    } else if (first == '@') {
        int status = hexAt(line, 2, 2);
        if (st_.test340Active) {
            countStatusInputs(status);
        } else {
            clearStatusLamps();
            status &= 63;
            for (int k = 0; k <= 5; ++k) {
                if (status & (1 << k)) {
                    view_.setFill("shpCoin", kGreen, k);
                    countUp("lblTestCount", k, false);
                }
            }
            if (status != 0) {
                st_.statusLampCountdown = 4;
                makeSound(false);
            }
        }
    } else if (first == '%') {
        // box housekeeping: nothing to show
    } else if (first == '>') {
        st_.boxAnswered = true;
        st_.boxStatusText = line.mid(1);
        if (st_.boxVersionReceived)
            showBoxIdentification();
    } else if (first == '<') {
        st_.boxVersionReceived = true;
        st_.boxVersionText = line.mid(1);
        if (st_.boxAnswered)
            showBoxIdentification();
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
            decodeMechMemory(midText(line, 7, 10));
        } else if (header == "24") {
            parseEvent(line);
        }
    }
}

void Link::parseEvent(const QString& line)
{
    const QString code = midText(line, 7, 2);
    if (code == "01") { // coin accepted
        const int c = hexAt(line, 9, 2);
        makeSound(false);
        sendMessageUnderstood();
        view_.setText("lblRejectedReason", QString());
        st_.lastAcceptedCoin = 0;
        if (c >= 0 && c <= 15) {
            st_.lastAcceptedCoin = c + 1;
            view_.setFill("shpLamp", kGreen, c);
            countUp("lblAccCount", c, true);
            st_.lampCountdown = 12;
        }
    } else if (code == "05") { // coin rejected
        const int r = hexAt(line, 9, 2);
        st_.lastAcceptedCoin = 0;
        makeSound(true);
        sendMessageUnderstood();
        view_.setFill("shpRejected", kRed);
        countUp("lblRejectCount", -1, true);
        view_.setText("lblRejectedReason", rejectReasonText(r));
        st_.lampCountdown = 20;
    } else if (code == "03") { // coin routed
        const int r = hexAt(line, 9, 2);
        sendMessageUnderstood();
        if (st_.lastAcceptedCoin >= 1 && st_.lastAcceptedCoin <= 16)
            view_.setText("lblRouted", r < 7 ? QString::number(r + 1) : QStringLiteral("Def"),
                          st_.lastAcceptedCoin - 1);
        st_.lastAcceptedCoin = 0;
    } else if (code == "0E") { // reference value
        const int j = hexAt(line, 9, 2);
        const int v = signed16(hexAt(line, 11, 4));
        trap(kParseContext, [&] { storeAt(st_.coinBaseline, j + 1, v); });
        sendMessageUnderstood();
    } else if (code == "09") { // measurement: 4-bit index, 14-bit signed A, 14-bit B
        const int n = hexAt(line, 9, 1) + 1;
        const int a = int(std::floor(signed16(hexAt(line, 10, 4)) / 4.0));
        const int b = hexAt(line, 13, 4) & 0x3FFF;
        trap(kParseContext, [&] { storeAt(st_.coinReading, n, a); });
        trap(kParseContext, [&] {
            if (n == 5)
                storeAt(st_.coinReading, 7, b);
            else if (n == 6)
                storeAt(st_.coinBaseline, 5, b);
            else
                storeAt(st_.coinBaseline, n, b);
        });
        sendMessageUnderstood();
        if (n == 6)
            st_.coinDataReceived = true;
    }
}

void Link::countStatusInputs(int status)
{
    for (int k = 0; k <= 3; ++k) {
        if (status & (1 << k)) {
            view_.setFill("shpPlayer", kGreen, k);
            countUp("lblPlayerCount", k, false);
        }
    }
    if (status & 16) {
        view_.setFill("shpCoinMeter", kGreen);
        countUp("lblMeterCount", -1, false);
    }
    view_.setFill("shpELAMP", (status & 32) ? kGreen : kWhite);
    view_.setFill("shpPLAMP", (status & 64) ? kGreen : kWhite);
    if (status & 31) {
        if (status & 15)
            makeSound(false);
        st_.statusLampCountdown = 4;
    }
}

} // namespace ardwell
