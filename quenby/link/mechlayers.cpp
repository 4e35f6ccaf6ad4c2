#include "quenby/link/mechlayers.h"

#include "platform/runtimeerror.h"
#include "quenby/link/boxcheck.h"
#include "quenby/link/nriwire.h"
#include "quenby/link/sentinelwire.h"
#include "quenby/shell/texts.h"

namespace quenby {

namespace {

constexpr int kSerialModeTries = 5;
constexpr int kSerialModeWaitMs = 500;
constexpr int kAckWaitMs = 500;
constexpr int kReplyWaitMs = 500; // per awaited NRI reply
constexpr int kResetBreakMs = 150;
constexpr int kRestartWaitMs = 500;
constexpr int kResetEscapes = 20;
constexpr int kLogonPauseMs = 100;
constexpr int kSentinelOpenPauseMs = 200;
constexpr int kSentinelSettleMs = 50;
constexpr int kSentinelEchoMs = 200;
constexpr int kSentinelReplyMs = 1000;
constexpr int kOldNriCharGapMs = 50;

namespace id {
constexpr int SerialModeNotSetUp = 300;
constexpr int ErrorTitle = 301;
constexpr int StuckInSerialMode = 302;
constexpr int G18Link = 320;
constexpr int G18Board = 321;
constexpr int G18Title = 322;
constexpr int I2cStuck = 325;
constexpr int I2cStuckTitle = 326;
constexpr int I2cSetUp = 327;
constexpr int I2cEnd = 328;
constexpr int I2cData = 329;
constexpr int NriSend = 334;
} // namespace id

} // namespace

MechLayers::MechLayers(BoxLink& link, BoxCheck& check, const plat::Services& services, const TextTable& texts,
                       const ErrorReporter& errors, JobState& job)
    : link_(link), check_(check), st_(link.state()), svc_(services), texts_(texts), errors_(errors), job_(job)
{
}

void MechLayers::trap(int textId, const std::function<void()>& fn)
{
    plat::trap(fn, [&](const std::exception& e) { errors_.reportError(textId, e); });
}

void MechLayers::message(int textId, int style, int titleId)
{
    svc_.dialogs->msgBox(texts_.getText(textId), style, texts_.getText(titleId));
}

// ---- serial mode, box reset ---------------------------------------------------------------------

bool MechLayers::sendSerialModeCommand(const QByteArray& code)
{
    for (int attempt = 0; attempt < kSerialModeTries; ++attempt) {
        link_.sendEscapes();
        link_.sendData(code);
        if (link_.waitFor(kSerialModeWaitMs, [this] { return st_.passThrough; }))
            break;
    }
    if (st_.passThrough)
        return true;
    message(id::SerialModeNotSetUp, plat::mb::OKOnly | plat::mb::Critical, id::ErrorTitle);
    return false;
}

void MechLayers::resetProgrammerBox()
{
    st_.boxRestarted = false;
    link_.clearInput();
    // A CC frame cut short by the reset would swallow the first bytes of the next logon.
    st_.ccFrame.count = 0;
    link_.sendBreak(kResetBreakMs);
    link_.waitFor(kRestartWaitMs, [this] { return st_.boxRestarted; });
    link_.sendEscapes(kResetEscapes);
    if (st_.boxRestarted)
        return;
    if (check_.checkBoxAndValidator(false))
        return;
    message(id::StuckInSerialMode, plat::mb::OKOnly | plat::mb::Critical, id::ErrorTitle);
}

// ---- CC -----------------------------------------------------------------------------------------

bool MechLayers::sendCcStart()
{
    return link_.sendCcAndAwaitAck("xx", kAckWaitMs) == ReplyOutcome::Arrived;
}

bool MechLayers::ccLogon()
{
    const MechEntry e = mechEntry(QStringLiteral("CC"), job_.mechModel);
    if (e.kind == MechKind::Sentinel) {
        link_.sendData("C00");
        return sentinelLogon();
    }
    link_.sendData("#80");
    link_.sendData(e.cc.boxSelect);
    if (!sendSerialModeCommand(e.interfaceCode))
        return false;
    link_.delayMs(kLogonPauseMs);
    return sendCcStart();
}

void MechLayers::ccLogoff()
{
    if (mechEntry(QStringLiteral("CC"), job_.mechModel).kind == MechKind::Sentinel) {
        sentinelLogoff();
    } else {
        link_.sendCcAndAwaitAck("yy", kAckWaitMs);
        resetProgrammerBox();
    }
    if (hooks_.stopKeepAlive)
        hooks_.stopKeepAlive();
}

// ---- NRI ----------------------------------------------------------------------------------------

bool MechLayers::nriLogon()
{
    const MechEntry e = mechEntry(QStringLiteral("NRI"), job_.mechModel);
    link_.sendData("C00");
    bool ok = sendSerialModeCommand(e.interfaceCode);
    link_.delayMs(kLogonPauseMs);
    if (ok)
        ok = nriIdentify();
    if (!ok && !e.secondInterfaceCode.isEmpty()) {
        resetProgrammerBox();
        ok = sendSerialModeCommand(e.secondInterfaceCode);
        if (ok)
            ok = nriIdentify();
    }
    if (!ok && e.nri.g18Probe) {
        resetProgrammerBox();
        g18Probe();
    }
    return ok;
}

void MechLayers::g18Probe()
{
    // The probe talks to the Sentinel interface board as a CC Sentinel. Whatever happens on the
    // way (an error raised through here included), the job is an NRI job again afterwards.
    struct Restore {
        JobState& job;
        QString model;
        ~Restore()
        {
            job.mechModel = model;
            job.mechFamily = QStringLiteral("NRI");
        }
    } restore{job_, job_.mechModel};
    job_.mechModel = QStringLiteral("Sentinel");
    job_.mechFamily = QStringLiteral("CC");
    if (sentinelLogon())
        sentinelLogoff();
    if (sentinelIdentNeedsG18Warning(sentinelIdent))
        svc_.dialogs->msgBox(texts_.getText(id::G18Link) + QStringLiteral("\r\n") + texts_.getText(id::G18Board),
                             plat::mb::OKOnly | plat::mb::Information, texts_.getText(id::G18Title));
}

bool MechLayers::nriIdentify()
{
    const MechEntry e = entry();
    if (e.nri.identPauseMs > 0)
        link_.delayMs(e.nri.identPauseMs);
    link_.clearInput();
    sendNriAndWait("I", 1);
    link_.waitFor(kReplyWaitMs, [this] { return st_.replyDone; });
    bool result = st_.replyDone;
    if (st_.replyDone) {
        const QString reply = QString::fromLatin1(st_.mechReply);
        if (!e.nri.identReplies.isEmpty() && !e.nri.identReplies.contains(reply))
            result = false;
        // The settings file keeps the last identification reply, matching or not.
        if (hooks_.saveSettings)
            hooks_.saveSettings();
    }
    return result;
}

void MechLayers::sendNriCommand(const QByteArray& cmd)
{
    trap(id::NriSend, [&] {
        if (newerNri() && cmd.size() >= 2) {
            link_.sendData(cmd.left(1));
            link_.waitFor(kAckWaitMs, [this] { return st_.replyAck; });
            link_.sendData(cmd.mid(1));
        } else {
            link_.sendData(cmd);
        }
    });
}

void MechLayers::clearReply()
{
    st_.replyAck = false;
    st_.replyError = false;
    st_.mechReply.clear();
    st_.replyDone = false;
}

bool MechLayers::sendNriAndWait(const QByteArray& cmd, int n)
{
    clearReply();
    st_.repliesExpected = n < 0 ? -n : n;
    if (!cmd.isEmpty())
        sendNriCommand(cmd);
    auto done = [this] { return st_.replyDone || job_.userAbort; };
    if (n < 0) {
        while (!done())
            svc_.sched->pump();
    } else {
        link_.waitFor(n * kReplyWaitMs, done);
    }
    return st_.replyDone;
}

bool MechLayers::sendNriCommandWithData(const QByteArray& cmd, const QByteArray& data)
{
    clearReply();
    st_.repliesExpected = 1;
    if (!newerNri()) {
        link_.sendData(cmd);
        for (char c : data) {
            link_.sendData(QByteArray(1, c));
            link_.delayMs(kOldNriCharGapMs);
        }
        st_.replyAck = true;
        return true;
    }
    // Data that cannot go as whole pieces would lose its last character unseen: nothing of it
    // goes out, and the write counts as failed.
    const auto pieces = nriDataPieces(data);
    if (!pieces)
        return false;
    auto acked = [this] { return st_.replyAck; };
    sendNriCommand(cmd);
    if (!link_.waitFor(kAckWaitMs, acked))
        return false;
    for (const QByteArray& piece : *pieces) {
        clearReply();
        link_.sendData(piece);
        link_.waitFor(kAckWaitMs, acked);
        // A piece the mech refused ("?") is refused even when an acknowledgement came as well.
        if (!st_.replyAck || st_.replyError)
            return false;
    }
    return true;
}

// ---- Sentinel -----------------------------------------------------------------------------------

bool MechLayers::sentinelLogon()
{
    bool ok = false;
    trap(id::I2cSetUp, [&] {
        st_.sentinelLoggedOn = false;
        sentinelIdent = QStringLiteral("I0.0");
        link_.clearInput();
        ok = sendSerialModeCommand("$06");
        link_.delayMs(kSentinelOpenPauseMs);
        if (ok)
            link_.sendData("\r#");
        link_.delayMs(kSentinelSettleMs);
        link_.clearInput();
        if (ok)
            ok = sendSentinelCommand("TKI", 1, kSentinelReplyMs);
        if (!ok)
            return;
        const SentinelIdent ident = parseSentinelIdent(st_.mechReply);
        sentinelIdent = ident.ident;
        if (ident.i2cStuck) {
            ok = false;
            message(id::I2cStuck, plat::mb::OKOnly | plat::mb::Critical, id::I2cStuckTitle);
            return;
        }
        st_.sentinelLoggedOn = true;
    });
    return ok;
}

void MechLayers::sentinelLogoff()
{
    trap(id::I2cEnd, [&] {
        if (st_.sentinelLoggedOn) {
            st_.sentinelLoggedOn = false;
            sendSentinelCommand("\r#", 1, kSentinelReplyMs);
        }
        resetProgrammerBox();
    });
}

bool MechLayers::sendSentinelCommand(const QByteArray& cmd, int n, int timeoutMs)
{
    bool result = false;
    trap(id::I2cData, [&] {
        st_.mechReply.clear();
        st_.sentinelReply.clear();
        st_.replyDone = false;
        st_.repliesExpected = n;
        for (char c : cmd) {
            st_.mechReply.clear();
            st_.sentinelReply.clear();
            link_.sendData(QByteArray(1, c));
            // A missing echo is no error: the next character follows after 200 ms.
            link_.waitFor(kSentinelEchoMs,
                          [&] { return (!st_.sentinelReply.isEmpty() && st_.sentinelReply.at(0) == c) || job_.userAbort; });
        }
        link_.waitFor(timeoutMs, [this] { return st_.replyDone || job_.userAbort; });
        result = st_.replyDone;
        if (st_.sentinelReply.isEmpty())
            st_.mechReply.clear();
        else if (cmd == "TKI")
            st_.mechReply = st_.sentinelReply;
        else
            st_.mechReply = st_.sentinelReply.mid(1); // without the echo of the last character
        st_.replyDone = false;
    });
    return result;
}

} // namespace quenby
