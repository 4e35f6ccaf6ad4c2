#include "quenby/link/measurement.h"

#include "platform/runtimeerror.h"
#include "quenby/clonewizard/measurelog.h"
#include "quenby/seams.h"

namespace quenby {

namespace {

namespace id {
constexpr int ParseCc = 304;
constexpr int Enabling = 312;
constexpr int Stopping = 313; // shared with the G13 decoder, whose text it shows
constexpr int CcCoinData = 314;
constexpr int NriValues = 315;
constexpr int CoinData = 323;
constexpr int Remap = 324;
} // namespace id

} // namespace

Measurement::Measurement(MechContext& ctx, MeasureState& state)
    : ctx_(ctx), m_(state)
{
}

MeasurePlan Measurement::plan() const { return measurePlan(mechEntry(ctx_.job.mechFamily, ctx_.job.mechModel)); }

void Measurement::deliver() { window_->updateStats(0); }

void Measurement::writeReadingRow() { appendLogRows(m_, {logReadingRow(m_.currentReading, ctx_.params.paramCount)}); }

void Measurement::playSound(int reject)
{
    if (hooks_.makeSound)
        hooks_.makeSound(reject != 0);
}

// ---- start and stop ---------------------------------------------------------------------------

void Measurement::startMeasurement(int coin)
{
    switch (plan().road) {
    case MeasureRoad::MarsLines:
        ctx_.errors.trap(id::Enabling, [&] { ctx_.link.sendData(kMarsMeasureOn); });
        break;
    case MeasureRoad::CcFrames:
    case MeasureRoad::SentinelPoll:
        // Sampling starts whatever the logon said: a mech that did not answer sends nothing.
        ctx_.errors.trap(id::Enabling, [&] { ctx_.layers.ccLogon(); });
        requestCcMeasurement();
        break;
    case MeasureRoad::NriT:
        ctx_.errors.trap(id::Enabling, [&] { ctx_.layers.nriLogon(); });
        nriMeasureLoop(coin);
        break;
    case MeasureRoad::None:
        break;
    }
}

void Measurement::stopMeasurement()
{
    switch (plan().road) {
    case MeasureRoad::MarsLines:
        ctx_.errors.trap(id::Stopping, [&] { ctx_.link.sendData(kMarsMeasureOff); });
        break;
    case MeasureRoad::CcFrames:
    case MeasureRoad::SentinelPoll:
        ctx_.errors.trap(id::Stopping, [&] { ctx_.layers.ccLogoff(); }); // also stops Timer3
        break;
    case MeasureRoad::NriT:
        ctx_.errors.trap(id::Stopping, [&] { ctx_.layers.resetProgrammerBox(); });
        break;
    case MeasureRoad::None:
        break;
    }
}

// ---- CC ---------------------------------------------------------------------------------------

void Measurement::requestCcMeasurement()
{
    const MeasurePlan p = plan();
    if (p.road == MeasureRoad::SentinelPoll) {
        sentinelPollLoop();
        return;
    }
    if (p.road != MeasureRoad::CcFrames)
        return;
    ctx_.errors.trap(id::CcCoinData, [&] {
        ctx_.link.sendData(p.request);
        if (p.armsKeepAlive) {
            m_.keepAliveCount = kKeepAliveFirst;
            if (hooks_.startKeepAlive)
                hooks_.startKeepAlive();
        }
    });
}

void Measurement::keepAliveTick()
{
    const MeasurePlan p = plan();
    const KeepAliveTick t = quenby::keepAliveTick(m_.keepAliveCount, p.keepAliveRepeats, m_.samplesLeft);
    m_.keepAliveCount = t.keepAliveCount;
    if (t.send)
        ctx_.link.sendData(p.request);
}

void Measurement::parseCcMeasureFrame(const CcFrame& frame, int lastIndex)
{
    const CcMeasureSample s = decodeCcMeasureFrame(frame, lastIndex);
    if (s.sumOk) {
        for (int i = 0; i < s.valueCount; ++i)
            m_.currentReading[size_t(i)] = s.values[size_t(i)];
        if (m_.logEnabled)
            ctx_.errors.trap(id::ParseCc, [&] { writeReadingRow(); });
        ctx_.errors.trap(id::ParseCc, [&] { deliver(); });
        if (m_.samplesLeft > 0)
            requestCcMeasurement();
    } else {
        requestCcMeasurement(); // dropped; the mech is asked again
    }
    ctx_.link.ccMeasureHandled();
}

void Measurement::sentinelPollLoop()
{
    bool ok = true;
    while (m_.samplesLeft >= 1 && !ctx_.job.userAbort && ok) {
        SentinelSample s;
        ctx_.errors.trap(id::CcCoinData, [&] {
            ok = ctx_.layers.sendSentinelCommand(kSentinelMeasureCommand, kSentinelMeasureReplies,
                                                  kSentinelMeasureTimeoutMs);
            s = parseSentinelReading(ctx_.link.replies().mechReply, ctx_.params.paramCount);
            m_.currentReading = s.values;
        });
        // A poll the mech did not finish answering is no sample, whatever part of it arrived;
        // the loop ends on it without a sound.
        if (!ok)
            break;
        if (s.valid) {
            if (m_.logEnabled)
                ctx_.errors.trap(id::CcCoinData, [&] { writeReadingRow(); });
            --m_.samplesLeft;
            deliver();
        } else if (s.rejectSound) {
            playSound(1);
        }
    }
}

// ---- NRI --------------------------------------------------------------------------------------

void Measurement::nriMeasureLoop(int coin)
{
    const MeasurePlan p = plan();
    plat::Sound& sound = *ctx_.svc.sound;
    bool ok = true;
    while (m_.samplesLeft >= 1) {
        if (ctx_.job.userAbort || !ok) {
            sound.beep();
            ctx_.errors.trap(id::NriValues, [&] { ctx_.layers.resetProgrammerBox(); });
            return;
        }
        ctx_.errors.trap(id::NriValues, [&] {
            ctx_.link.sendData(kNriMeasureCommand);
            // No time-out: the user ends a wait with Back, and that sample still counts.
            ok = ctx_.layers.sendNriAndWait({}, -p.nriReplies);
            m_.currentReading = parseNriMeasureReply(ctx_.link.replies().mechReply, p, ctx_.params.paramCount, coin,
                                                     ctx_.mem.nriCoin);
        });
        if (p.nriLayout == NriReplyLayout::Decimal) {
            ctx_.link.delayMs(kNriOldSamplePauseMs);
            if (p.beepEachSample)
                sound.beep();
        }
        if (m_.logEnabled && ok)
            ctx_.errors.trap(id::NriValues, [&] { writeReadingRow(); });
        --m_.samplesLeft;
        deliver();
    }
    sound.beep();
    ctx_.errors.trap(id::NriValues, [&] { ctx_.layers.resetProgrammerBox(); });
}

// ---- per-coin tables ----------------------------------------------------------------------------

void Measurement::decodeNriCoinData(const QString& s)
{
    ctx_.errors.trap(id::CoinData, [&] {
        CoinTables& coins = ctx_.mem.coins;
        CoinArray outputs{};
        for (int i = 0; i < coins.coinOutputs.size(); ++i)
            outputs[size_t(i)] = coins.coinOutputs(i);
        NriCoinTables nri = ctx_.mem.nriCoin;
        quenby::decodeNriCoinData(s, ctx_.params, outputs, nri); // raises before anything changes
        for (int i = 0; i < coins.coinOutputs.size(); ++i)
            coins.coinOutputs(i) = outputs[size_t(i)];
        ctx_.mem.nriCoin = nri;
    });
}

void Measurement::remapCoinTables()
{
    ctx_.errors.trap(id::Remap, [&] {
        CoinTables& coins = ctx_.mem.coins;
        CheckedArray<qint32, 25> values = coins.coinValues;
        CoinArray outputs{};
        for (int i = 0; i < coins.coinOutputs.size(); ++i)
            outputs[size_t(i)] = coins.coinOutputs(i);
        NriCoinTables nri = ctx_.mem.nriCoin;
        quenby::remapCoinTables(plan(), ctx_.params, coins.coinLink, ctx_.mem.nri, values, outputs, nri);
        coins.coinValues = values;
        for (int i = 0; i < coins.coinOutputs.size(); ++i)
            coins.coinOutputs(i) = outputs[size_t(i)];
        ctx_.mem.nriCoin = nri;
    });
}

} // namespace quenby
