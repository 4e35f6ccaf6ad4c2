// Logon and EEPROM word access over the enciphered link.
#include "ardwell/link/link.h"

#include "platform/runtimeerror.h"
#include "platform/senddata.h"

namespace ardwell {

namespace {
constexpr int kLogonAttempts = 9;
constexpr int kReadsPerCycle = 30;
constexpr int kMaxLogons = 30;
constexpr int kLogonRequest = 0xCA;
} // namespace

void Link::logon()
{
    const QString context = "Error Logon routine : ";
    st_.mechLoggedOn = false;
    st_.logonReplied = false;
    int attempts = 0;

    trap(context, [&] {
        if (!port_ || !port_->isOpen()) {
            // A loss already said is the one report of it, not this routine's error as well.
            if (sender_.lost())
                return;
            throw plat::RuntimeError(shared::kErrPortNotOpen, "Operation valid only when the port is open");
        }
        if (port_->bytesWaiting() > 0)
            port_->read(1); // one stale character is dropped before the exchange
    });

    trap(context, [&] {
        // A port that has gone (unplugged adapter, hung-up line) cannot carry a logon: fail at
        // once instead of powering a mech that cannot be reached nine times over.
        while (portUsable() && !st_.mechLoggedOn && attempts < kLogonAttempts) {
            mechPower(true);
            boxCmdAmp();
            ++attempts;
            const Frame request = mechFrame(hdr::Command, {kLogonRequest, cipher::K1, cipher::K2});
            st_.boxAcknowledged = false;
            bool taken = sendDataBlock(request);
            if (!taken)
                taken = sendDataBlock(request);
            if (taken) {
                waitSeconds(3, [this] { return st_.logonReplied; });
                st_.mechLoggedOn = st_.logonReplied;
            }
            if (!st_.mechLoggedOn)
                mechPower(false);
        }

        if (!st_.mechLoggedOn)
            svc_.dialogs->msgBox("Failed to connect to Coin mech\r\n\r\nCheck Cables",
                                 plat::mb::Critical | plat::mb::OKOnly, "Error");
    });
}

WordReply Link::readMemory(int address)
{
    const QString context = "Error Read Memory routine : ";
    WordReply reply;
    if (address < 0 || address > kImageTop) {
        // Nothing to store the word in: report, and never pass the failure off as a word.
        showError(context, plat::RuntimeError(plat::err::SubscriptOutOfRange, "Subscript out of range"));
        return reply;
    }
    trap(context, [&] {
        onWord(address, -1);
        wantedAddress_ = address;
        wantedWord_ = -1;
        const Frame f = memoryFrame(hdr::MemoryRead, {address / 256, address & 255});
        st_.memoryReplied = false;
        st_.commsError = false;
        if (!sendDataBlock(f)) {
            reply.status = WordReply::Status::NotTaken;
            return;
        }
        const MechKey key = st_.mechKey;
        waitSeconds(2, [this] { return st_.memoryReplied || st_.commsError; });
        if (st_.memoryReplied && wantedWord_ >= 0)
            reply = {WordReply::Status::Word, wantedWord_};
        else
            reply.status = st_.commsError ? WordReply::Status::BadReply : WordReply::Status::NoReply;
        if (reply.status == WordReply::Status::NoReply) {
            unansweredAddress_ = address;
            unansweredKey_ = key;
        }
    });
    return reply;
}

WordReply Link::readMemoryRetry(int address)
{
    WordReply reply;
    for (int logons = 0; logons < kMaxLogons; ++logons) {
        for (int i = 0; i < kReadsPerCycle; ++i) {
            reply = readMemory(address);
            if (reply.word >= 0)
                break;
            // On a port that has gone, every try and logon would fail after its full wait:
            // hours for one word. The caller reports the word and stops its range.
            if (!portUsable())
                return reply;
        }
        if (reply.word >= 0 && !st_.commsError)
            break;
        logon(); // a cycle without a good reply: log on afresh and try another
    }
    return reply;
}

WriteReply Link::writeMemory(int address, int value)
{
    WriteReply reply = WriteReply::NoReply;
    trap("Error Write Memory routine : ", [&] {
        const Frame f = memoryFrame(hdr::MemoryWrite, {address / 256, address & 255, value / 256, value & 255});
        st_.boxAcknowledged = false;
        st_.writeRefused = false;
        st_.mechAcknowledged = false;
        if (!sendDataBlock(f))
            return;
        waitSeconds(1, [this] { return st_.boxAcknowledged; });
        waitSeconds(1, [this] { return st_.mechAcknowledged || st_.writeRefused; });
        reply = st_.mechAcknowledged ? WriteReply::Written
                : st_.writeRefused   ? WriteReply::Refused
                                     : WriteReply::NoReply;
    });
    return reply;
}

namespace {

// The payload deciphered under a key, and whether its check byte holds.
bool decipherPayload(CipherBlock& block, const MechKey& key)
{
    decipherBlock(block, key);
    int sum = 0;
    for (int i = 1; i <= 5; ++i)
        sum += block.plainBytes[i];
    return (sum & 255) == 0;
}

} // namespace

void Link::decodeMechMemory(const QString& payloadDigits)
{
    trap("Error decoding mech memory routine : ", [&] {
        CipherBlock block;
        for (int i = 1; i <= 5; ++i)
            block.cipherBytes[i] = int(hexValue(payloadDigits.mid(2 * i - 2, 2)));
        block.blockLength = 5;
        if (unansweredAddress_ >= 0 &&
            (unansweredKey_.m1 != st_.mechKey.m1 || unansweredKey_.m2 != st_.mechKey.m2)) {
            // The answer to a read given up before the last logon, enciphered under the key of
            // its day: under today's key it would read as noise, now and then as a word.
            CipherBlock late = block;
            if (decipherPayload(late, unansweredKey_) &&
                late.plainBytes[1] * 256 + late.plainBytes[2] == unansweredAddress_) {
                unansweredAddress_ = -1;
                return;
            }
        }
        if (!decipherPayload(block, st_.mechKey)) {
            st_.commsError = true;
            return;
        }
        const int address = block.plainBytes[1] * 256 + block.plainBytes[2];
        if (address >= 256) {
            st_.commsError = true;
            return;
        }
        const int word = block.plainBytes[3] * 256 + block.plainBytes[4];
        onWord(address, word);
        if (address == wantedAddress_)
            wantedWord_ = word;
        st_.memoryReplied = true;
    });
}

bool Link::requestCoinData(int second, const QString& context)
{
    trap(context, [&] {
        const Frame f = mechFrame(hdr::Command, {0x64, second ? 0x88 : 0x8E, 0x00});
        st_.boxAcknowledged = false;
        st_.mechAcknowledged = false;
        sendDataBlock(f);
        waitSeconds(1, [this] { return st_.boxAcknowledged; });
        if (st_.boxAcknowledged)
            waitSeconds(1, [this] { return st_.mechAcknowledged; });
    });
    return st_.mechAcknowledged;
}

bool Link::requestCoinData1() { return requestCoinData(0, "Error Coin Data 1 routine : "); }
bool Link::requestCoinData2() { return requestCoinData(1, "Error Coin Data 2 routine : "); }

} // namespace ardwell
