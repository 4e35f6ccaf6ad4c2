#pragma once
// The validator test window as plain data: what each family and model shows (4 to 16 display
// lines, lettered or numbered, the "Rejected" line, binary output), the commands that start and
// restart reporting, and where every line sits. The window places its controls from this plan;
// positions are in twips, 15 to a pixel.

#include "quenby/link/familytable.h"
#include "platform/view.h" // twipsToPixels, for the twips of these layouts

#include <QByteArray>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <array>
#include <vector>

namespace quenby {

class TextTable;

inline constexpr int kValtestLines = 16;   // shpCoin, lblCoin, lblCount 0..15
inline constexpr int kBinaryIndicators = 5; // shpBinary, lblBinCode 0..4: A5 .. A1

// Indicator fill colours, 0xBBGGRR.
inline constexpr quint32 kLampIdle = 0xE0E0E0;
inline constexpr quint32 kLampAccepted = 0x00FF00;
inline constexpr quint32 kLampRejected = 0x0000FF;

// The "G40-0000" variants in cmbG40's order, and the one every opener selects.
inline const QStringList kG40Variants = {"G40-x0xx", "G40-x3xx", "G40-x4xx", "G40-x5xx", "G40-x6xx"};
inline const QString kG40DefaultVariant = QStringLiteral("G40-x4xx");
// Mars boxes whose version text sorts below this give no "Rejected" line.
inline const QString kMarsRejectVersion = QStringLiteral("V1.91");

// A command to the box; `waits` sends it with sendAndWait, else with sendData.
struct BoxStep {
    QByteArray bytes;
    bool waits = false;
    bool operator==(const BoxStep&) const = default;
};

// What the entry's model does in the validator test; the G40 variant chosen decides
// binary output and the channel move of "G40-0000".
ValtestModel valtestModel(const MechEntry& entry, const QString& g40Variant = {});

// The window's state the layout reads besides the entry.
struct ValtestChoice {
    QString g40Variant;         // the variant chosen ("G40-0000" only)
    bool binarySelected = false; // optBinary is the selected option
    QString boxVersion;         // the box's status line version
};

// One display line (1-based i): its caption and where its three controls sit.
struct ValtestLine {
    QString caption;
    int top = 0;          // twips, all three controls
    int countLeft = 0;    // lblCount
    int indicatorLeft = 0; // shpCoin
    int captionLeft = 0;  // lblCoin
};

struct ValtestLayout {
    int lineCount = 0;
    bool binaryPossible = false; // after the probe: frmOptions shown (and the buttons lower)
    qint32 rejectLine = 0;       // 1-based "Rejected" line; 0 = none (every non-Mars layout)
    bool showG40Variants = false; // cmbG40 shown, lblmechType hidden
    std::vector<ValtestLine> lines; // lines 1..lineCount; lines past it are hidden
    bool wide = false;            // two columns: lblCountText(1) shown, right panel moved
    int panelShift = 0;           // twips the right-hand panel moves right in the wide window
    int width = 0;                // twips
    int height = 0;
};

// Before the layout: whether it sends the binary probe "*" (binary output possible for this
// model and variant). The answer's content is not looked at, only whether a line came.
bool valtestProbes(const MechEntry& entry, const ValtestChoice& choice);

// The layout once the probe (if any) is over; probeAnswered is ignored when there was none.
// Captions come from the text table in its current language and may throw to the caller's trap.
ValtestLayout valtestLayout(const MechEntry& entry, const ValtestChoice& choice, bool probeAnswered,
                            const TextTable& texts);

// The commands that restart reporting after every layout: Mars "V"; the others "O" (waited),
// then for "G40-0000" "C01" on variant "G40-x3xx" else "C08"; nothing for G10.
std::vector<BoxStep> valtestRestart(const MechEntry& entry, const QString& g40Variant);

// A window of w x h centred in the available area (same unit for all); one larger than the
// area starts at its top left corner, so its title bar stays reachable.
QRect centredIn(const QRect& available, int w, int h);

} // namespace quenby
