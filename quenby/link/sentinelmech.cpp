#include "quenby/link/sentinelmech.h"

#include "quenby/link/sentinelwire.h"
#include "quenby/shell/texts.h"

namespace quenby {

namespace {

constexpr int kReplies = 2; // the echoed CR and the reply line
constexpr int kReplyMs = 1000;

namespace id {
using textid::ErrorTitle;
constexpr int Incompatible = 129;
constexpr int WriteFailed = 309;
constexpr int WriteFailedTitle = 310;
constexpr int NoAck = 330;
constexpr int NoAckTitle = 331;
constexpr int ReadWordError = 332;
constexpr int WriteWordError = 333;
} // namespace id

} // namespace

void SentinelFamily::receiveByte(ReceiveSide& rx, quint8 b)
{
    MechReplies& st = rx.replies;
    if (b == '%')
        st.sentinelLoggedOn = false;
    st.sentinelReply.append(char(b));
    // Only the CRs of what was collected since the last echoed character count: each echo clears
    // it, so a reply that arrives late, or a stray CR, cannot end the next command's wait early
    // and put every later reply one behind its command.
    if (b == '\r' && ++st.sentinelReplyEnds >= st.repliesExpected)
        st.replyDone = true;
}

qint32 SentinelFamily::readWord(int address)
{
    qint32 result = -1;
    ctx_.errors.trap(id::ReadWordError, [&] {
        ctx_.layers.sendSentinelCommand(sentinelReadCommand(address), kReplies, kReplyMs);
        const SentinelWord w = parseSentinelWordReply(ctx_.link.replies().mechReply, address);
        if (w.ok) {
            result = w.value;
            return;
        }
        ctx_.message(ctx_.text(id::NoAck), plat::mb::OKOnly | plat::mb::Critical, id::NoAckTitle);
    });
    return result;
}

bool SentinelFamily::writeWord(int address, qint32 value)
{
    bool ok = false;
    ctx_.errors.trap(id::WriteWordError, [&] {
        const int a = address & 63;
        if (ctx_.mem.images.readImage[size_t(a)] == value) {
            ok = true;
            return;
        }
        // Only the answer to the last command counts; the three before it open the write.
        for (const QByteArray& cmd : sentinelWriteCommands(a, value))
            ok = ctx_.layers.sendSentinelCommand(cmd, kReplies, kReplyMs);
    });
    return ok;
}

int SentinelFamily::readFailure() const { return id::NoAck; }

void SentinelFamily::beforeWriting(int address)
{
    // The last word carries the checksum of all before it (256 when they sum to 0).
    if (address == words() - 1)
        ctx_.mem.images.progImage[size_t(address)] = sentinelChecksumWord(ctx_.mem.images.progImage);
}

bool SentinelFamily::openForRead(int& stopText)
{
    if (openForWrite())
        return true;
    stopText = id::Incompatible;
    ctx_.message(ctx_.text(id::Incompatible), plat::mb::OKOnly | plat::mb::Critical, id::ErrorTitle);
    return false;
}

bool SentinelFamily::openForWrite()
{
    ctx_.link.sendData("C00");
    return ctx_.layers.sentinelLogon();
}

EepromFamily::TextIds SentinelFamily::refusedWord() const { return {id::WriteFailed, id::WriteFailedTitle}; }

} // namespace quenby
