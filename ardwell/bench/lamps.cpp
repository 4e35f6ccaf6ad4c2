#include "ardwell/bench/lamps.h"

#include "platform/runtimeerror.h"

#include <array>

namespace ardwell {

namespace {

constexpr quint32 kGreen = 0x00FF00;
constexpr quint32 kRed = 0x0000FF;

template <class... F>
struct Overloaded : F... {
    using F::operator()...;
};

// A value the box sent for an element the panels have not is reported and dropped.
template <std::size_t N>
void storeAt(std::array<int, N>& a, int index, int value, Link& link)
{
    if (index >= 0 && index < int(N))
        a[std::size_t(index)] = value;
    else
        link.showError(Link::kParseContext, plat::RuntimeError(plat::err::SubscriptOutOfRange, "Subscript out of range"));
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

void whiten(plat::View& v, const char* lamp, int count)
{
    for (int i = 0; i < count; ++i)
        v.setFill(lamp, kLampWhite, i);
}

bool isSet(const plat::View& v, const char* option) { return v.value(QString::fromLatin1(option)) != 0; }

} // namespace

void runReplyCountdown(plat::Timer& timer, qint64& replyTimeoutMs)
{
    timer.onTick = [&replyTimeoutMs] { plat::countDown(replyTimeoutMs, kReplyTickMs); };
    timer.setInterval(kReplyTickMs);
    timer.setEnabled(true);
}

void resetLamps(plat::View& v)
{
    whiten(v, "shpLamp", 16);
    v.setFill(QStringLiteral("shpRejected"), kLampWhite);
}

void clearCountLabels(plat::View& v)
{
    for (int i = 0; i < 16; ++i) {
        v.setText(QStringLiteral("lblAccCount"), QString(), i);
        v.setText(QStringLiteral("lblRouted"), QString(), i);
    }
    v.setText(QStringLiteral("lblRejectCount"), QString());
}

void enableMainButtons(plat::View& v, bool b)
{
    v.setEnabled("cmdAdjust", b);
    v.setEnabled("cmdProgramme", b);
    v.setEnabled("cmdTest", b);
    v.setVisible("frmConfig", b);
}

MechTarget mechTarget(const plat::View& v)
{
    return {.destination = int(hexValue(v.text("txtDestination"))),
            .source = int(hexValue(v.text("txtSource"))),
            .model = currentModel(v)};
}

int outputMask(const plat::View& v)
{
    const bool binaryLayout = isSet(v, "opt126") || (isSet(v, "opt330") && isSet(v, "optDualPolarity"));
    int m = 0;
    if (isSet(v, "opt16way") || binaryLayout) {
        for (int k = 0; k <= 5; ++k) {
            if (v.value("chkInhibit", k) != 0)
                m += 1 << k;
        }
        if (isSet(v, "opt16way") && v.value("chkAllInhibit") != 0)
            m += 64;
        if (v.value("chkBinary") == 0 && binaryLayout)
            m += 64;
    } else if (isSet(v, "opt10way")) {
        m = v.value("chkAllInhibit") != 0 ? 5 : 0;
    }
    return m;
}

QString rejectReasonText(int code)
{
    static const char* const kReasons[] = {
        "Known Slug", "Unknown payment", "Fraud Attempt", "Post validation error", "Master Inhibit active",
        "Reserved 5", "Reserved 6", "Reserved 7", "Slug Defence", "Totaliser Credit Error", "Power fail",
        "Coin Inhibited - software", "Coin Inhibited - hardware"};
    if (code >= 0 && code < int(std::size(kReasons)))
        return QString::fromLatin1(kReasons[code]);
    return QStringLiteral("Unknown Reason");
}

// ---- The panels' reports ----

namespace {

void countUp(plat::View& v, const QString& label, int index, bool blankForZero)
{
    const qint64 n = leadingNumber(v.text(label, index)) + 1;
    v.setText(label, (n == 0 && blankForZero) ? QString() : QString::number(n), index);
}

void showStatus(int status, plat::View& v, TestPanelState& st, Link& link)
{
    whiten(v, "shpCoin", 8);
    status &= 63;
    for (int k = 0; k <= 5; ++k) {
        if (status & (1 << k)) {
            v.setFill("shpCoin", kGreen, k);
            countUp(v, "lblTestCount", k, false);
        }
    }
    if (status != 0) {
        st.statusLampCountdown = 4;
        link.makeSound(false);
    }
}

void show340Inputs(int status, plat::View& v, TestPanelState& st, Link& link)
{
    for (int k = 0; k <= 3; ++k) {
        if (status & (1 << k)) {
            v.setFill("shpPlayer", kGreen, k);
            countUp(v, "lblPlayerCount", k, false);
        }
    }
    if (status & 16) {
        v.setFill("shpCoinMeter", kGreen);
        countUp(v, "lblMeterCount", -1, false);
    }
    v.setFill("shpELAMP", (status & 32) ? kGreen : kLampWhite);
    v.setFill("shpPLAMP", (status & 64) ? kGreen : kLampWhite);
    if (status & 31) {
        if (status & 15)
            link.makeSound(false);
        st.statusLampCountdown = 4;
    }
}

} // namespace

void showPanelEvent(const PanelEvent& e, plat::View& v, TestPanelState& st, Link& link)
{
    std::visit(
        Overloaded{
            [&](const panel::Debug& d) { v.setText("lbldebug", d.line); },
            [&](const panel::Identified& i) { v.setText("lblHWversion", i.text); },
            [&](const panel::StatusInputs& s) {
                st.test340Active ? show340Inputs(s.status, v, st, link) : showStatus(s.status, v, st, link);
            },
            // A coin event is answered once its sound has played (the mech sends nothing more
            // until then) and before its lamps are drawn.
            [&](const panel::Accepted& a) {
                link.makeSound(false);
                link.sendMessageUnderstood();
                v.setText("lblRejectedReason", QString());
                st.lastAcceptedCoin = 0;
                if (a.coin >= 0 && a.coin <= 15) {
                    st.lastAcceptedCoin = a.coin + 1;
                    v.setFill("shpLamp", kGreen, a.coin);
                    countUp(v, "lblAccCount", a.coin, true);
                    st.lampCountdown = 12;
                }
            },
            [&](const panel::Rejected& r) {
                st.lastAcceptedCoin = 0;
                link.makeSound(true);
                link.sendMessageUnderstood();
                v.setFill("shpRejected", kRed);
                countUp(v, "lblRejectCount", -1, true);
                v.setText("lblRejectedReason", rejectReasonText(r.reason));
                st.lampCountdown = 20;
            },
            [&](const panel::Routed& r) {
                link.sendMessageUnderstood();
                if (st.lastAcceptedCoin >= 1 && st.lastAcceptedCoin <= 16)
                    v.setText("lblRouted", r.route < 7 ? QString::number(r.route + 1) : QStringLiteral("Def"),
                              st.lastAcceptedCoin - 1);
                st.lastAcceptedCoin = 0;
            },
            [&](const panel::Reference& r) { storeAt(st.coinBaseline, r.index + 1, r.value, link); },
            [&](const panel::Measured& m) {
                storeAt(st.coinReading, m.index, m.a, link);
                if (m.index == 5)
                    storeAt(st.coinReading, 7, m.b, link);
                else if (m.index == 6)
                    storeAt(st.coinBaseline, 5, m.b, link);
                else
                    storeAt(st.coinBaseline, m.index, m.b, link);
                if (m.index == 6)
                    st.coinDataReceived = true;
            },
        },
        e);
}

void statusLampTick(plat::View& v, TestPanelState& st)
{
    if (!plat::countDown(st.statusLampCountdown, 1))
        return;
    whiten(v, "shpCoin", 8);
    whiten(v, "shpPlayer", 4);
    v.setFill("shpCoinMeter", kLampWhite);
    v.setFill("shpPLAMP", kLampWhite);
}

void coinLampTick(plat::View& v, TestPanelState& st)
{
    if (plat::countDown(st.lampCountdown, 1))
        resetLamps(v);
}

} // namespace ardwell
