#include "quenby/link/ccmech.h"

#include "platform/runtimeerror.h"
#include "platform/textfile.h"
#include "quenby/link/ccwire.h"
#include "quenby/link/imagemap.h"
#include "quenby/shell/texts.h"

#include <algorithm>

namespace quenby {

namespace {

constexpr quint8 kAck = 0x05;
constexpr quint8 kNak = 0x06;
constexpr int kLogonTries = 3;
constexpr int kLogonRetryMs = 500;
constexpr int kWordWaitMs = 2000;

namespace id {
using textid::ErrorTitle;
constexpr int ReadCaption = 127;
constexpr int ReadTitle = 128;
constexpr int ReadError = 130;
constexpr int WordTimeout = 147;
constexpr int WordChecksum = 148;
constexpr int ReadWordError = 149;
constexpr int WriteWordError = 150;
constexpr int WriteCaption = 305;
constexpr int WriteTitle = 306;
constexpr int WriteRefused = 307;
constexpr int WriteRefusedTitle = 308;
constexpr int WriteError = 311;
constexpr int OutputsError = 157;
constexpr int VerifyOk = 316;
constexpr int VerifyOkTitle = 317;
constexpr int VerifyFail = 318;
constexpr int VerifyFailTitle = 319;
} // namespace id

} // namespace

// ---- both protocols -----------------------------------------------------------------------------

int EepromFamily::words() const { return std::clamp(ctx_.params.memorySize, 0, kImageTop + 1); }

void EepromFamily::writeDump()
{
    QString why;
    const QString path = ctx_.folderFile(scratchFileName(entry_.model));
    if (!plat::writeLines(path, eepromDataLines(ctx_.mem.images.readImage, words()), &why))
        throw plat::RuntimeError(plat::err::PathFileAccess, why);
}

bool EepromFamily::readImageIsTheMech()
{
    const MemoryImages& images = ctx_.mem.images;
    if (!images.holdsWholeMemoryOf(entry_.model)) {
        ctx_.errors.reportError(id::WriteError,
                                plat::RuntimeError(5, QStringLiteral("The mech's memory has not been read in full")));
        return false;
    }
    if (images.progOverPartRead) {
        ctx_.errors.reportError(
            id::WriteError,
            plat::RuntimeError(5, QStringLiteral("The image to write was built over a read of part of the mech's memory")));
        return false;
    }
    return true;
}

int EepromFamily::readAllWords(int& stopText)
{
    const int n = words();
    Image& image = ctx_.mem.images.readImage;
    stopText = 0;
    int a = 0;
    for (; a < n; ++a) {
        const qint32 w = readWord(a);
        if (w < 0) {
            stopText = readFailure();
            break;
        }
        image[size_t(a)] = w;
        ctx_.progress.setStep(a * plat::ProgressSink::kSteps / n);
    }
    return a;
}

bool EepromFamily::writeAllWords()
{
    const int n = words();
    Image& prog = ctx_.mem.images.progImage;
    for (int a = 0; a < n; ++a) {
        beforeWriting(a);
        const bool written = writeWord(a, prog[size_t(a)]);
        ctx_.progress.setStep(a * plat::ProgressSink::kSteps / n);
        if (!written) {
            const TextIds refused = refusedWord();
            ctx_.message(ctx_.text(refused.text) + QString::number(a), plat::mb::OKOnly | plat::mb::Critical,
                         refused.title);
            return false;
        }
    }
    return true;
}

ReadState EepromFamily::finishRead(int wordsRead, int stopTextId)
{
    MemoryImages& images = ctx_.mem.images;
    if (wordsRead >= words() && stopTextId == 0)
        images.readCompleted(entry_.model);
    else
        images.readStopped(entry_.model, stopTextId, wordsRead);
    return images.lastRead;
}

ReadState EepromFamily::read()
{
    int wordsRead = 0;
    int stopText = id::ReadError;
    ctx_.errors.trap(id::ReadError, [&] {
        prepareProgress(id::ReadCaption, id::ReadTitle);
        if (!openForRead(stopText))
            return;
        ctx_.progress.show();
        wordsRead = readAllWords(stopText);
        closeSession();
        // Words a stopped read did not reach are 0 in readImage: a dump of them would load and
        // programme cleanly, so only a whole read is dumped.
        if (wordsRead >= words() && stopText == 0)
            writeDump();
    });
    ctx_.progress.hide();
    return finishRead(wordsRead, stopText);
}

bool EepromFamily::program()
{
    MemoryImages& images = ctx_.mem.images;
    images.wordsProgrammed.clear();
    if (!readImageIsTheMech())
        return false;
    for (int a = 0; a < words(); ++a)
        if (images.progImage[size_t(a)] != images.readImage[size_t(a)])
            images.wordsProgrammed.push_back(a);
    bool ok = false;
    ctx_.errors.trap(id::WriteError, [&] {
        prepareProgress(id::WriteCaption, id::WriteTitle);
        if (!openForWrite())
            return;
        ctx_.progress.show();
        const plat::CountScope writing = ctx_.link.writing();
        ok = writeAllWords();
        closeSession();
    });
    ctx_.progress.hide();
    return ok;
}

std::optional<VerifyResult> EepromFamily::verify()
{
    ctx_.link.sendJ();
    readMechMemory(ctx_);
    ctx_.link.sendW();
    const MemoryImages& images = ctx_.mem.images;
    VerifyResult result;
    result.readComplete = images.holdsWholeMemoryOf(entry_.model);
    // Words a 435 changes while it runs are left out, but never a word this job wrote: its
    // success says the mech holds every one of them.
    result.differences = differingWords(images.readImage, images.progImage, 0, entry_.cc.verifyLast(words()),
                                        images.wordsProgrammed);
    if (result.ok())
        ctx_.message(ctx_.text(id::VerifyOk), plat::mb::OKOnly, id::VerifyOkTitle);
    else
        ctx_.message(ctx_.text(id::VerifyFail), plat::mb::OKOnly | plat::mb::Critical, id::VerifyFailTitle);
    return result;
}

void EepromFamily::mapCoinTableToProm(int)
{
    ctx_.mem.images.progOverPartRead = !ctx_.mem.images.holdsWholeMemoryOf(entry_.model);
    const CcMapResult r = mapCcImage(entry_, ctx_.params, ctx_.mem.coins, ctx_.mem.images);
    if (r.outputsError)
        ctx_.errors.reportError(id::OutputsError, *r.outputsError);
}

void EepromFamily::copyPromToCoinTable()
{
    // The kept channels take the windows of the mech's last whole read: readImage when it holds
    // one, else oldImage, which the transfer took whole (a verify or a window's read cut since
    // then leaves zeros in readImage).
    const MemoryImages& images = ctx_.mem.images;
    const Image& source = images.holdsWholeMemoryOf(entry_.model) ? images.readImage : images.oldImage;
    copyCcWindows(entry_, ctx_.params, ctx_.mem.coins, source);
}

// ---- word protocol ------------------------------------------------------------------------------

void CcWordFamily::receiveByte(ReceiveSide& rx, quint8 b)
{
    LinkState& st = rx.st;
    CcFrame& f = st.ccFrame;
    if (f.count == 0) {
        if (b == kAck) {
            rx.replies.ccAck = true;
        } else if (b == kNak) {
            if (rx.job.measuring)
                rx.parsers.requestCcMeasurement();
            else
                rx.replies.ccNak = true;
        } else if (b == ';' || b == '?') {
            f.slot[0] = b;
            f.count = 1;
        }
        return;
    }
    f.slot[size_t(f.count)] = b;
    ++f.count;

    // Hand over a copy: the parser may start the next frame (its send can pump).
    auto handOver = [&](int lastIndex, bool word) {
        const CcFrame done = st.ccFrame;
        st.ccFrame.count = 0;
        if (word)
            rx.parsers.parseCcWordReply(done);
        else
            rx.parsers.parseCcMeasureFrame(done, lastIndex);
    };
    if (f.slot[0] == ';') {
        if (f.count >= 4)
            handOver(3, true);
        return;
    }
    const int last = rx.entry.cc.measureFrameLast;
    if (!rx.entry.cc.measureFrameSummed) {
        if (f.count >= last + 1)
            handOver(last, false);
        return;
    }
    // A frame whose sum matches ends at its checksum; one whose sum fails grows by a byte.
    if (f.count == last + 1) {
        int sum = 0;
        for (int i = 0; i < last; ++i)
            sum += f.slot[size_t(i)];
        if (sum % 256 == f.slot[size_t(last)])
            handOver(last, false);
    } else if (f.count >= last + 2) {
        handOver(last + 1, false);
    }
}

qint32 CcWordFamily::readWord(int address)
{
    qint32 result = -1;
    lastFailure_ = id::ReadWordError;
    ctx_.errors.trap(id::ReadWordError, [&] {
        const int a = address & 0xFF;
        const WordReply reply = ctx_.link.sendCcAndAwaitWord(ccReadRequest(a), kWordWaitMs);
        result = reply.value;
        lastFailure_ = 0;
        if (reply.outcome == ReplyOutcome::TimedOut) {
            ctx_.message(ctx_.text(id::WordTimeout), plat::mb::OKOnly | plat::mb::Critical, id::ErrorTitle);
            lastFailure_ = id::WordTimeout;
        } else if (reply.outcome == ReplyOutcome::CheckFailed) {
            ctx_.message(ctx_.text(id::WordChecksum) + QString::number(a), plat::mb::OKOnly | plat::mb::Critical,
                         id::ErrorTitle);
            lastFailure_ = id::WordChecksum;
        }
    });
    return result;
}

bool CcWordFamily::writeWord(int address, qint32 value)
{
    bool ok = false;
    ctx_.errors.trap(id::WriteWordError, [&] {
        if (inImage(address) && ctx_.mem.images.readImage[size_t(address)] == value) {
            ok = true;
            return;
        }
        ok = ctx_.link.sendCcAndAwaitAck(ccWriteRequest(address, value), kWordWaitMs, true) == ReplyOutcome::Arrived;
    });
    return ok;
}

bool CcWordFamily::openForRead(int&)
{
    for (int attempt = 0; attempt < kLogonTries; ++attempt) {
        if (ctx_.layers.ccLogon())
            break;
        ctx_.link.delayMs(kLogonRetryMs);
    }
    return true;
}

bool CcWordFamily::openForWrite()
{
    if (ctx_.layers.ccLogon())
        return true;
    ctx_.layers.resetProgrammerBox();
    return false;
}

EepromFamily::TextIds CcWordFamily::refusedWord() const { return {id::WriteRefused, id::WriteRefusedTitle}; }

} // namespace quenby
