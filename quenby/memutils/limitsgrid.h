#pragma once
// The limits editor's page as plain data: the layout per model (twips), the grid of limit cells
// and its mapping onto coinLimitTable, the page options, the colours that mark overlapping
// windows, and the estimated acceptance of each coin and rejection of each slug.
//
// The estimate is computed in single precision throughout. Each procedure that can fail works
// on copies and commits at its end: a bad index or value is reported once under the
// procedure's text and nothing is written.

#include "platform/view.h"
#include "quenby/clonewizard/cointables.h"

#include <QString>
#include <QtGlobal>
#include <array>
#include <exception>
#include <functional>

namespace plat {
class Dialogs;
}

namespace quenby {

class ErrorReporter;
class TextTable;
struct ModelParams;

constexpr int kGridCells = 96; // txtProm(0..95): 8 coin rows of up to 12 cells
constexpr int kSlugCells = 72; // lblSlugLimits(0..71): 6 slug rows
constexpr int kCoinRows = 8;
constexpr int kSlugRows = 6;
constexpr int kPages = 4;

// What the editor keeps between its procedures; held once by the program.
struct LimitsState {
    bool limitsEdited = false; // a cell changed since the grid was last applied
    qint32 displayedSegment = 0;
    // Channels 1..24 and slugs 1..6 (0..1); never reset, so a value not recomputed stays.
    std::array<float, 25> estAcceptance{};
    std::array<float, 7> estRejection{};
};

struct Placement {
    int left = 0;
    int top = 0;
    int width = 0;
    bool visible = false;
};

struct LimitsPage {
    // As designed: white cells, button-face slug cells.
    LimitsPage()
    {
        cellColour.fill(plat::kWhite);
        slugColour.fill(plat::sysColor::ButtonFace);
    }

    // Geometry, fixed by paramCount.
    int frameWidth = 0; // frmLimits
    int frameLeft = 0;
    int windowWidth = 0;
    int cellWidth = 0;
    int pitch = 0;      // from one parameter's pair of cells to the next
    int highOffset = 0; // from a low cell to its high cell
    int accOffset = 0;  // from the last cell of a row to the estimate column
    int accColumn = 0;  // left of lblAcceptance and lblRejection; lblAcc and lblRej are centred
                        // at accColumn + 367
    // lblPtitle(p): caption, visibility and the x its centre sits on.
    std::array<QString, 6> paramTitles;
    std::array<bool, 6> paramTitleVisible{};
    std::array<int, 6> paramTitleCentre{};
    std::array<Placement, kGridCells> cells;     // txtProm
    std::array<Placement, kSlugCells> slugCells; // lblSlugLimits
    std::array<Placement, kCoinRows> acceptanceLabels; // lblAcceptance
    std::array<int, kCoinRows> coinTitleTop{};         // lblCoin
    std::array<bool, kCoinRows> coinTitleVisible{};
    std::array<Placement, kSlugRows> rejectionLabels; // lblRejection

    // Page options optSeg(0..3) and the one that is on.
    std::array<bool, kPages> pageVisible{};
    int pageOn = 0;

    // Family texts.
    bool marsFrames = false; // frmPromType and frmPromSize shown
    QString displayCaption;  // frmDisplay
    QString programCaption;  // cmdProgPROM
    QString utilitiesCaption; // cmdPROMutilities
    QString sizeText;         // lblSize: "1K", "2K" (Mars)
    QString mechType;         // lblmechType
    bool validatorTestEnabled = false; // cmdValtest

    // Contents of the page shown.
    std::array<QString, kCoinRows> coinTitles; // lblCoin
    std::array<QString, kGridCells> cellText;  // the grid as the user edits it
    std::array<quint32, kGridCells> cellColour{};
    std::array<quint32, kSlugCells> slugColour{};
    std::array<QString, kSlugCells> slugText; // lblSlugLimits: the slug windows of the transfer
    std::array<QString, kCoinRows> acceptance; // lblAcceptance
    std::array<QString, kSlugRows> rejection;  // lblRejection
};

// What the editor reads, and coinLimitTable, which applying the grid writes.
struct LimitsContext {
    CoinTables& tables;
    const ModelParams& params;
    const LimitRules& rules;
    const TextTable& texts;
    const ErrorReporter& errors;
    plat::Dialogs& dialogs;
    QString mechModel;
    int promSize = 0; // 1 = 2K Mars PROM
};

// The overlap test of one parameter's windows (lo1, hi1) and (lo2, hi2).
bool windowsOverlap(qint32 lo1, qint32 hi1, qint32 lo2, qint32 hi2);

// The standard normal table at z = 0.0, 0.1 .. 2.9; the index is first clamped to 0..29.
float normalTable(qint32 index);
// P(Z <= z), interpolated in the table; 0 below -3 and 1 above 3. A NaN raises
// RuntimeError(6, "Overflow").
float normalCdf(float z);

// A grid cell's text as the limit it stores: the number the text begins with (0 for none),
// clamped to 0..cap and then rounded to the nearest whole number, halves to even. A number too
// large for any type is clamped by its sign.
qint32 gridValue(const QString& text, qint32 cap);

// Lays the page out for the model and turns on the lowest offered page (Mars: the lowest
// selected segment), which becomes displayedSegment; clears limitsEdited. Reported under 1234.
void setupfrmPROM(LimitsPage& page, LimitsState& state, const LimitsContext& ctx);

// Coin cells white, slug cells button face. Reported under 1222.
void clearColors(LimitsPage& page, const LimitsContext& ctx);

// Yellow rows for coins whose windows overlap another coin's in every parameter, then cyan rows
// for coins and slugs that overlap in every parameter. Reported under 1223.
void checkOverlaps(LimitsPage& page, int firstCoin, const LimitsContext& ctx);

// Recomputes estAcceptance (channels 1..24) and estRejection (slugs 1..slugCount), then
// displayAcceptance. Reported under 1224.
void calcAcceptance(LimitsPage& page, LimitsState& state, int firstCoin, const LimitsContext& ctx);

// "#0.0" per cent per coin row ("???" for a channel that keeps the mech's windows), "0.0" per
// slug; a slug number above slugCount shows nothing. Reported under 1225.
void displayAcceptance(LimitsPage& page, const LimitsState& state, int firstCoin, const LimitsContext& ctx);

// Stores the grid of the page shown (displayedSegment) into coinLimitTable, each cell by
// gridValue; only that page's coins change. Reported under 1201; false when nothing was stored.
bool applyGrid(const LimitsPage& page, const LimitsState& state, const LimitsContext& ctx);

// Shows page `page`: its option turned on, titles, cells from coinLimitTable, colours and the
// estimate. An edited grid is first announced ("Limits edited - using new values ") and applied
// to the page still shown by `applyEdits`, the editor's Change Limits, so the image to programme
// follows the table; when that stores nothing the edits, the edit flag and the page shown stay.
// Reported under 1239.
void selectSegment(LimitsPage& page, LimitsState& state, int pageNumber, const LimitsContext& ctx,
                   const std::function<bool()>& applyEdits);

// Renders the page into the limits editor's controls (texts, visibility, colours, page options,
// family captions); the positions are the window's to apply. Turning the page's option on
// through the view runs its click handler: the window ignores clicks while it renders.
void showLimitsPage(plat::View& v, const LimitsPage& page);

} // namespace quenby
