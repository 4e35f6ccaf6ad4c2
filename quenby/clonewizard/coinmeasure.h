#pragma once
// The coin measurement window's statistics (frmCoinMeasure1's operations of the record being
// gathered): each sample range-checked where the family needs it, stored, its record's
// statistics and limits recomputed and the results panel shown; the Mars "M" lines; the flier
// elimination. The program owns one; the window, when it is loaded, hands over its panel's
// controls and forwards its operations here. Until then the panel is kept as data only.

#include "platform/services.h"
#include "quenby/clonewizard/fliers.h"
#include "quenby/clonewizard/samplestats.h"
#include "quenby/clonewizard/statspanel.h"
#include "quenby/link/familytable.h"
#include "quenby/link/linkstate.h"
#include "quenby/link/measurement.h"
#include "quenby/link/measurewire.h"
#include "quenby/seams.h"

#include <QString>
#include <array>
#include <functional>

namespace plat {
class View;
}

namespace quenby {

class ErrorReporter;
class TextTable;

class CoinMeasure : public CoinMeasureWindow {
public:
    struct Context {
        plat::Services svc;
        const TextTable& texts;
        const ErrorReporter& errors;
        const JobState& job;
        const ModelParams& params;
        MeasureState& measure;
        // The valid ranges of parameters 1..3, as the main window has them now.
        std::function<ReadingRanges()> ranges;
    };

    explicit CoinMeasure(Context ctx);

    // ---- the window's operations ----
    // Mode 1 starts the record afresh; any other mode takes the sample in currentReading.
    // Reported under 402.
    void updateStats(int mode) override;
    // Statistics and limits from the stored readings. Reported under 403.
    void calcStats();
    // A Mars "M" line: its three fields into currentReading, then updateStats(0); a sample the
    // statistics took is written to the measurement log. A field too large for any reading is
    // reported under 402 and nothing is read.
    void loadMeasurement(const QString& line) override;
    // The results panel for record mode 1 (coin), 2 (slug) or 3 (reference). Reported under 431.
    void updateDisplay(int mode);
    // Thins the readings of fliers in two passes and asks the user when too few are left; true
    // when coins must be dropped again (samplesLeft of them). Reported under 470.
    bool eliminateFliers();

    // ---- the window's state ----
    RecordStats stats;
    bool runActive = false; // a coin set run or a wizard is gathering
    std::array<qint32, 7> flierTolerance{};

    // The window's panel (lblMean, lblSD, ..., lblMeas, lblNumber) while it is loaded; none
    // otherwise.
    void setPanel(plat::View* panel) { panel_ = panel; }
    // What the panel shows, whether or not a window shows it.
    const StatsPanel& panel() const { return shown_; }
    const QStringList& readingCaptions() const { return readingCaptions_; }
    QString countCaption() const { return shown_.number; }

private:
    const LimitRules& rules();
    void showReadingCaptions(const QStringList& captions);
    void showCount(qint32 count);
    void writeLog(const QStringList& rows);
    int paramCount() const { return ctx_.params.paramCount; }

    Context ctx_;
    JobEntry entry_;
    plat::View* panel_ = nullptr;
    StatsPanel shown_;
    QStringList readingCaptions_;
};

} // namespace quenby
