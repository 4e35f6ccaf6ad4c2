#pragma once
// One coin's settings as the adjust panel shows them, read from and stored into the EEPROM
// image. The window only binds its controls to CoinSettings: list choices are item indices,
// text boxes are texts as typed (read with Val and rounded).

#include "ardwell/bench/wordmap.h"

#include <QString>
#include <array>
#include <exception>
#include <functional>

namespace ardwell {

struct CoinSettings {
    bool enabled = true; // chkEnable

    // 126 and 330 (a PCA shows them too but stores none of them).
    int outputIndex = 0;       // cmbOutput
    QString binaryText;        // txtBinary: 126 "00".."0F" or "None"; 330 two hex digits
    bool binaryEnabled = false; // txtBinary.Enabled (set by a 330 decode only)
    int inhibitLineIndex = 6;  // cmbInhibitLine: 0..5 "A".."F", 6 " "

    int routeIndex = 0;        // cmbRoute (126 or 560 items)
    int plugIndex = 0;         // cmbPlugDecode (126)
    int defaultRouteIndex = 0; // cmbDefaultRoute (126)

    // 340: the mech's credit settings.
    QString coinValue;     // txtCoinValue
    QString scalingFactor; // txtCSF
    QString gamePrice;     // txtgameprice
    Flags340 flags;        // opt4Player / opt1player and the five check boxes
    // txtB(0) bonus 2 level, txtB(1) bonus 1 level, txtB(2) games of bonus 1, txtB(3) of bonus 2
    std::array<QString, 4> bonus;
    QString extCredit;       // txtExtCredit
    QString coinMeterValue;  // txtCMV
};

// The coin's window as read from its record, held until the coin is stored: R2 as read (its
// level nibble is written back unchanged) and the signed low limits and widths.
struct HeldWindow {
    int levelSign = 0;
    CoinWindow window;
};

// A run-time error of one field: reported by the caller (its trap), the other fields go on.
using FieldErrorSink = std::function<void(const std::exception&)>;

// Fills the fields the model shows (the others keep their values, as the panel's hidden
// controls do) and the held window. A coin the model does not have (coinValid; the blank list
// item is coin 0) is not read and the result is false.
bool decodeCoin(const EepromImage& image, Model m, int coin, CoinSettings& s, HeldWindow& held);

// Stores the settings and the held window, its widths scaled by percent about the window's
// middle. The held window is taken by value: storing the same coin twice scales it once.
// A coin the model does not have leaves the image alone; a record that lies outside the mech
// (PCA coins 15, 16) is not stored. For a 330, s.binaryText follows the chosen output letter first, as
// the panel's hex box does. A field whose text cannot be read as a number is reported to
// fieldError and left as it was.
void encodeCoin(EepromImage& image, Model m, int coin, CoinSettings& s, HeldWindow held, int percent,
                const FieldErrorSink& fieldError = {});

// The window scaled to percent of its widths about its middle (an odd change raises the low
// limit by the larger half). A width scaled past 255 is capped at 254 (or kept, when it was
// wider already) about the same middle: a widened window holds the old one, a narrowed one
// lies within it.
CoinWindow scaledWindow(const CoinWindow& w, int percent);

// ---- The programme panel's coin value (340) ----
int coinValueByte(const EepromImage& image, int coinIndex);
int scalingFactor(const EepromImage& image); // word 113's high byte, shown beside the value
// Stores a value byte, kept to 0..255; an index outside the 340's channels is left alone.
void setCoinValueByte(EepromImage& image, int coinIndex, qint64 value);

// A text box's number as stored: Val of the text, rounded, kept to 0..max. Raises Val's
// RuntimeError 6 (overflow) for a number beyond any range, for the caller's trap.
qint64 fieldNumber(const QString& text, qint64 max);

} // namespace ardwell
