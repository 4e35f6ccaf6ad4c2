#include "quenby/link/mechlayers.h"

#include "quenby/link/boxcheck.h"
#include "quenby/link/nriwire.h"
#include "quenby/link/sentinelwire.h"
#include "quenby/shell/texts.h"

#include <algorithm>

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
    : link_(link), check_(check), svc_(services), texts_(texts), errors_(errors), job_(job)
{
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
        if (link_.waitFor(kSerialModeWaitMs, [this] { return link_.state().passThrough; }))
            break;
    }
    if (link_.state().passThrough)
        return true;
    message(id::SerialModeNotSetUp, plat::mb::OKOnly | plat::mb::Critical, id::ErrorTitle);
    return false;
}

void MechLayers::resetProgrammerBox()
{
    link_.expectLine(BoxLine::Restarted);
    link_.clearInput();
    link_.sendBreak(kResetBreakMs);
    link_.awaitLine(BoxLine::Restarted, kRestartWaitMs);
    link_.sendEscapes(kResetEscapes);
    if (link_.lineSeen(BoxLine::Restarted))
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
    const MechEntry e = mechEntry(Family::CC, job_.mechModel);
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
    if (mechEntry(Family::CC, job_.mechModel).kind == MechKind::Sentinel) {
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
    const MechEntry e = mechEntry(Family::NRI, job_.mechModel);
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
            job.mechFamily = Family::NRI;
        }
    } restore{job_, job_.mechModel};
    job_.mechModel = QStringLiteral("Sentinel");
    job_.mechFamily = Family::CC;
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
    const MechReplies& r = link_.replies();
    const bool result = link_.waitFor(kReplyWaitMs, [&r] { return r.replyDone; });
    if (result) {
        const QString reply = QString::fromLatin1(r.mechReply);
        // The settings file keeps the last identification reply, matching or not.
        if (hooks_.saveSettings)
            hooks_.saveSettings();
        return e.nri.identReplies.isEmpty() || e.nri.identReplies.contains(reply);
    }
    return false;
}

void MechLayers::sendNriCommand(const QByteArray& cmd)
{
    errors_.trap(id::NriSend, [&] {
        if (newerNri() && cmd.size() >= 2) {
            link_.sendData(cmd.left(1));
            link_.awaitAck(kAckWaitMs);
            link_.sendData(cmd.mid(1));
        } else {
            link_.sendData(cmd);
        }
    });
}

bool MechLayers::sendNriAndWait(const QByteArray& cmd, int n)
{
    link_.expectReplies(n < 0 ? -n : n);
    if (!cmd.isEmpty())
        sendNriCommand(cmd);
    return link_.awaitReplies(n < 0 ? std::nullopt : std::optional(n * kReplyWaitMs)) == ReplyOutcome::Arrived;
}

bool MechLayers::sendNriCommandWithData(const QByteArray& cmd, const QByteArray& data)
{
    link_.expectReplies(1);
    if (!newerNri()) {
        link_.sendData(cmd);
        for (char c : data) {
            link_.sendData(QByteArray(1, c));
            link_.delayMs(kOldNriCharGapMs);
        }
        return true;
    }
    // Data that cannot go as whole pieces would lose its last character unseen: nothing of it
    // goes out, and the write counts as failed.
    const auto pieces = nriDataPieces(data);
    if (!pieces)
        return false;
    sendNriCommand(cmd);
    if (!link_.awaitAck(kAckWaitMs))
        return false;
    return std::ranges::all_of(*pieces, [this](const QByteArray& piece) {
        return link_.sendAndAwaitAck(piece, kAckWaitMs) == ReplyOutcome::Arrived;
    });
}

// ---- Sentinel -----------------------------------------------------------------------------------

bool MechLayers::sentinelLogon()
{
    bool ok = false;
    errors_.trap(id::I2cSetUp, [&] {
        link_.setSentinelLoggedOn(false);
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
        const SentinelIdent ident = parseSentinelIdent(link_.replies().mechReply);
        sentinelIdent = ident.ident;
        if (ident.i2cStuck) {
            ok = false;
            message(id::I2cStuck, plat::mb::OKOnly | plat::mb::Critical, id::I2cStuckTitle);
            return;
        }
        link_.setSentinelLoggedOn(true);
    });
    return ok;
}

void MechLayers::sentinelLogoff()
{
    errors_.trap(id::I2cEnd, [&] {
        if (link_.replies().sentinelLoggedOn) {
            link_.setSentinelLoggedOn(false);
            sendSentinelCommand("\r#", 1, kSentinelReplyMs);
        }
        resetProgrammerBox();
    });
}

bool MechLayers::sendSentinelCommand(const QByteArray& cmd, int n, int timeoutMs)
{
    bool result = false;
    errors_.trap(id::I2cData, [&] {
        link_.expectReplies(n);
        // A missing echo is no error: the next character follows after 200 ms.
        for (char c : cmd)
            link_.sendEchoed(c, kSentinelEchoMs);
        result = link_.awaitReplies(timeoutMs) == ReplyOutcome::Arrived;
        link_.takeSentinelReply(cmd == "TKI");
    });
    return result;
}

} // namespace quenby
