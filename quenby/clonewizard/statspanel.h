#pragma once
// The results panel of the measurement window as plain data: per parameter the mean, the two
// deviations and the extremes, per limit the offset (coin layout) and the limit, the slug
// separations (slug layout), the headings of the layout and the count.
//
// Means and deviations show as "#0.0" of the stored float; whole numbers with a leading blank
// (a minus sign when negative).

#include "quenby/clonewizard/samplestats.h"

#include <QString>
#include <QStringList>
#include <array>

namespace plat {
class ControlNames;
class View;
} // namespace plat

namespace quenby {

class TextTable;

struct StatsPanel {
    int paramCount = 0;
    bool slugLayout = false; // record mode 2; modes 1 and 3 show the coin layout
    QStringList mean;        // lblMean(0 .. paramCount-1)
    QStringList sd;          // lblSD(0 .. 2 paramCount-1): lower, upper of each parameter
    QStringList lowHigh;     // lblLH(0 .. 2 paramCount-1): lowest, highest
    QStringList adjust;      // lblAdjust(L): the offsets; coin layout only (else empty)
    QStringList limits;      // lblLimits(L)
    QStringList separation;  // lblSep(p-1): the slug offsets; slug layout only (else empty)
    QString number;          // lblNumber: coins still to drop during a run, else readings taken
};

StatsPanel statsPanel(const RecordStats& s, int paramCount, int mode, bool runActive, qint32 samplesLeft);

// lblMeas(0 .. paramCount-1) after a reading, and after a reset (each "0", without a blank).
QStringList readingCaptions(const std::array<qint32, 11>& currentReading, int paramCount);
QStringList clearedReadingCaptions(int paramCount);

// The two layouts of the limit rows (the coin layout is also shown on its own when a run
// starts). Labels beyond paramCount parameters are not touched.
void showPromLimits(plat::View& v, int paramCount, const TextTable& texts);
void showSlugLimits(plat::View& v, int paramCount, const TextTable& texts);

// The controls the panel and the latest reading are shown in, for six parameters.
plat::ControlNames statsPanelControls();

// Renders the panel in the order the window updates it: values, layout, limits, count.
void showStatsPanel(plat::View& v, const StatsPanel& panel, const TextTable& texts);

} // namespace quenby
