#pragma once
// The wizards' panel, lists and choices as plain data: the panel's layout per family and model,
// the segment, coin and line lists, the PROM size options, the channel links a wizard starts
// with, each pass's settings and texts, and the NRI coin value check.

#include "quenby/clonewizard/cointables.h"
#include "quenby/clonewizard/samplestats.h"
#include "quenby/link/familytable.h"

#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <array>
#include <optional>

namespace quenby {

class TextTable;

// The wizard panel laid out for the family and model (twips).
struct WizardPanel {
    QString rowLabel; // lblPROMseg
    bool segmentListVisible = false;
    QString channelLabel; // lblChannel
    bool channelLabelVisible = false;
    int coinListTop = 0;       // cmbCoin
    bool linesVisible = false; // lblInhibit, cmbOutput, cmbInhibit
    bool valueVisible = false; // lblValue1, txtValue1
    int valueLabelTop = 0;
    int valueBoxTop = 0;
    QString valueText;     // txtValue1 when shown
    bool select2K = false; // Opt2K selected (its handler runs)
};
WizardPanel wizardPanel(const WizardQuirks& q, const TextTable& texts);

// Check box values of chkSeg.
constexpr int kBoxClear = 0;
constexpr int kBoxTicked = 1;
constexpr int kBoxGreyed = 2;

// cmbSegment: "1" and "2" for boxes 0 and 1 that are not clear; "3" and "4" for boxes 2 and 3
// as well on a 2K PROM of a model that has four segments.
QStringList segmentList(const std::array<int, 4>& boxes, bool twoK, const WizardQuirks& q);
// cmbCoin: Mars the six positions of the segment ("A1" .. "F1"), otherwise "Coin 01" up to the
// model's coinCount.
QStringList coinList(const WizardQuirks& q, const QString& segmentText, int coinCount);
// cmbOutput and cmbInhibit: 1 to 6, each right-aligned in ten characters.
QStringList lineList();
// The item cmbOutput and cmbInhibit preselect for the chosen coin: channels 1..6 and 7..12 give
// lines 1..6 (index 0..5); nothing for other channels or models without lines.
std::optional<int> presetLineIndex(const WizardQuirks& q, const QString& coinItem);

// The PROM size options: the segment boxes, the selected segments and promSize they leave.
struct SizeOption {
    std::array<int, 4> boxes{};
    std::array<bool, 4> segmentSelected{};
    int promSize = 0;
};
SizeOption sizeOption(bool twoK);

// Wizard modes.
constexpr int kEditLimits = 1;
constexpr int kAddCoin = 2;
constexpr int kSlugFix = 3;
inline const QString kWizardRefCode = QStringLiteral("WIZ");
inline QString wizardVersion(int mode) { return QString::number(mode); }

// coinLink of channels 1..24 when wizard `mode` starts on channel n: every channel the PROM or
// memory holds keeps its present windows; Add/Replace unlinks n, Slug Fix keeps n counted as
// measured (-n).
CheckedArray<qint32, 25> wizardLinks(const WizardQuirks& q, int promSize, int mode, qint32 n);

// The passes of a mode (Edit Limits none) and what each does.
int wizardPassCount(int mode);
struct WizardPass {
    QString description; // lblDescription
    QString prompt;      // the box before the drop
    QString closing;     // the box after the record is stored
    int recordMode = 1;
    bool gathers = true;      // coins are asked for and gathered
    bool storesLimits = true; // the record's limits go to coinsetRecords
};
WizardPass wizardPass(int mode, int pass, const TextTable& texts);
// Column 0 of a wizard's stored row: the first row is the coin, any later one a slug.
inline qint32 wizardRowMode(int recordRow) { return recordRow == 0 ? 1 : 2; }

// The settings of every pass: tolerance 20 %, slug offset 2, offsets -2 and +2 on "2*SD"; a model
// with the fifth-parameter rule takes its fifth parameter from the lowest reading - 10 up to 255,
// or for the slug pass from 0 up to the highest reading + 10.
void applyPassSettings(RecordStats& s, std::array<qint32, 7>& flierTolerance, int paramCount, const LimitRules& rules,
                       bool slugPass);

// NRI coin values: the multiple as the wizard uses it (at least 1), the refusal text when a new
// coin's value is no multiple of its low six bits, and the one-hot output of line 1..6.
qint32 usableMultiple(qint32 coinValueMultiple);
std::optional<QString> coinValueRefusal(qint32 value, qint32 coinValueMultiple, const TextTable& texts);
constexpr int kCoinValueTitleId = 478; // "Error"
qint32 outputMask(qint32 line);

} // namespace quenby
