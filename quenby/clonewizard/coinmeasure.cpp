#include "quenby/clonewizard/coinmeasure.h"

#include "platform/vbtext.h"
#include "platform/view.h"
#include "quenby/clonewizard/measurelog.h"
#include "quenby/shell/texts.h"

namespace quenby {

namespace {
namespace id {
constexpr int UpdateError = 402;
constexpr int StatsError = 403;
constexpr int DisplayError = 431;
constexpr int FlierError = 470;
} // namespace id
} // namespace

CoinMeasure::CoinMeasure(Context ctx) : ctx_(std::move(ctx)) {}

const LimitRules& CoinMeasure::rules() { return entry_.of(ctx_.job.mechFamily, ctx_.job.mechModel).limits; }

void CoinMeasure::updateStats(int mode)
{
    ctx_.errors.trap(id::UpdateError, [&] {
        if (mode == 1) {
            resetStats(stats, paramCount());
            showReadingCaptions(clearedReadingCaptions(paramCount()));
            updateDisplay(stats.recordMode);
            return;
        }
        const Reading& r = ctx_.measure.currentReading;
        const ReadingOutcome outcome = addReading(stats, r, paramCount(), rules(), ctx_.ranges());
        if (outcome == ReadingOutcome::OutOfRange) {
            ctx_.svc.sound->beep();
            ctx_.svc.sound->beep();
            ctx_.svc.dialogs->msgBox(outOfRangeText(r), plat::mb::OKOnly | plat::mb::Exclamation, kOutOfRangeTitle);
            return;
        }
        if (runActive && ctx_.job.measuring)
            --ctx_.measure.samplesLeft;
        showReadingCaptions(quenby::readingCaptions(r, paramCount()));
        updateDisplay(stats.recordMode);
        // A record holds 500 readings: one more is counted, so the gathering ends, but not kept.
        if (outcome == ReadingOutcome::TableFull)
            subscriptOutOfRange();
    });
}

void CoinMeasure::calcStats()
{
    ctx_.errors.trap(id::StatsError, [&] { quenby::calcStats(stats, paramCount(), rules()); });
}

void CoinMeasure::loadMeasurement(const QString& line)
{
    std::array<qint32, 3> fields{};
    bool read = false;
    ctx_.errors.trap(id::UpdateError, [&] {
        fields = readMeasurementLine(line);
        read = true;
    });
    if (!read)
        return;
    for (std::size_t k = 0; k < fields.size(); ++k)
        ctx_.measure.currentReading[k] = fields[k];
    const int before = stats.readingsTaken;
    updateStats(0);
    // The log holds the samples the statistics hold, as the other families' logs do.
    if (ctx_.measure.logEnabled && stats.readingsTaken > before)
        ctx_.errors.trap(id::UpdateError,
                     [&] { writeLog({logReadingRow(ctx_.measure.currentReading, paramCount())}); });
}

void CoinMeasure::updateDisplay(int mode)
{
    ctx_.errors.trap(id::DisplayError, [&] {
        shown_ = statsPanel(stats, paramCount(), mode, runActive, ctx_.measure.samplesLeft);
        if (panel_)
            showStatsPanel(*panel_, shown_, ctx_.texts);
    });
}

bool CoinMeasure::eliminateFliers()
{
    bool redrop = false;
    ctx_.errors.trap(id::FlierError, [&] {
        const FlierResult r = quenby::eliminateFliers(stats, paramCount(), flierTolerance, ctx_.texts);
        if (ctx_.measure.logEnabled && !r.logLines.isEmpty()) {
            QStringList rows;
            for (const QString& l : r.logLines)
                rows << logFlierRow(l);
            ctx_.errors.trap(id::FlierError, [&] { writeLog(rows); });
        }
        if (r.fliers == 0)
            return;
        const bool accepted =
            !r.askUser || ctx_.svc.dialogs->msgBox(r.boxText, FlierResult::kBoxStyle, r.boxTitle) == plat::mb::OK;
        redrop = settleFliers(stats, r, accepted, ctx_.measure.samplesLeft, paramCount(), rules());
        showCount(ctx_.measure.samplesLeft);
    });
    return redrop;
}

void CoinMeasure::showReadingCaptions(const QStringList& captions)
{
    readingCaptions_ = captions;
    if (panel_)
        for (int i = 0; i < captions.size(); ++i)
            panel_->setText(QStringLiteral("lblMeas"), captions[i], i);
}

void CoinMeasure::showCount(qint32 count)
{
    shown_.number = plat::str(count);
    if (panel_)
        panel_->setText(QStringLiteral("lblNumber"), shown_.number);
}

void CoinMeasure::writeLog(const QStringList& rows) { appendLogRows(ctx_.measure, rows); }

} // namespace quenby
