#pragma once
// What the validator test shows for one report of the box or of a G10 mech: the indicators lit
// (every report first turns all of them grey, so only the latest one shows), the display lines
// counted, the sound, and whether the highlight hold restarts. Pure decoding; the window applies
// the result and the main window plays the sound.

#include "platform/view.h"
#include "quenby/shell/valtestlayout.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <array>
#include <optional>
#include <vector>

namespace quenby {

// Ticks of the 100 ms display timer a report stays lit.
inline constexpr qint32 kHighlightHold = 4;
// The "ME181" output pulse after an accepted coin: "C01", 50 ms, "C00".
inline constexpr char kMe181PulseOn[] = "C01";
inline constexpr char kMe181PulseOff[] = "C00";
inline constexpr int kMe181PulseMs = 50;

enum class ReportSound { None, Accept, Reject };

struct CoinReport {
    // Fill of every indicator once the report is shown (grey unless lit).
    std::array<quint32, kValtestLines> coinFill;
    std::array<quint32, kBinaryIndicators> binaryFill;
    // Display lines (1-based) whose count goes up by one, in order; a line may appear twice.
    std::vector<int> counted;
    ReportSound sound = ReportSound::None;
    bool soundFirst = false;  // the sound plays before anything is lit (G10 reports)
    bool restartHold = false; // highlightHold := kHighlightHold
    bool me181Pulse = false;  // after the sound

    CoinReport()
    {
        coinFill.fill(kLampIdle);
        binaryFill.fill(kLampIdle);
    }
};

// What the report decoders need of the running test.
struct ReportContext {
    Family family = Family::None;
    QString model;
    QString g40Variant;  // cmbG40's text
    qint32 rejectLine = 0; // 1-based "Rejected" line of the layout; 0 = none
};

// A box report line: "V", one character not read, the report code ("A".."I" a coin of that
// channel, "R" a reject, "X" and two hex digits an output code), or a line beginning "*EV"
// (the accept sound only). Any other code, or a line shorter than three characters, only clears
// the indicators.
CoinReport decodeCoinReport(const QString& line, const ReportContext& context);

// A G10 report (the bytes after 0x80 up to CR): only the first byte is read, bits 3..6 the coin
// (0 none), bits 0..2 the route ("Tube R", "Tube M", "Tube L", else "Cashbox"). An empty report
// carries no coin and is not shown at all: nothing.
std::optional<CoinReport> decodeG10Report(const QByteArray& report);

// A count caption after one more coin: its number plus 1 with a leading blank (" 9" -> " 10").
QString countedCaption(const QString& caption);

// One tick of the 100 ms display timer: counts `hold` down and returns true when the indicators
// turn grey now (the 4th tick after a report); a negative hold is set to 0.
bool highlightTick(qint32& hold);

// ---- the test window (frmValtest) ----

// Every indicator grey: shpCoin(0..15) and shpBinary(0..4).
void resetValtestIndicators(plat::View& v);
// Every count " 0".
void clearValtestCounts(plat::View& v);
// A report on the window: every indicator as the report leaves it, then its counts.
void showCoinReport(plat::View& v, const CoinReport& r);

} // namespace quenby
