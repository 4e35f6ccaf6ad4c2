#pragma once
// The five mech models and what follows from the choice of one: the one table of everything that
// sets a model apart, the window caption, and the selection lists of the adjust and programme
// panels. Pure data; the window applies it to its controls.

#include <QString>
#include <QStringList>
#include <optional>
#include <span>

namespace plat {
class View;
}

namespace ardwell {

enum class Model { M126, M330, M340, M560, PCA };

// The model the window is designed with; a settings text that names no model counts as it.
constexpr Model kDesignModel = Model::M330;

// How a model keeps each coin's settings beside its window, and so what the adjust panel shows:
// the 330's output and inhibit lines, the 340's credit settings, the 560's coin route, the
// 126's BCO code, routing and plug; a PCA keeps none.
enum class CoinFormat { Lines330, Credit340, Route560, Bco126, None };

// The three test frames: frm340test, frmTest and frmPCAtest.
enum class TestFrame { Test340, Test330, TestPCA };

struct WordRange {
    int first;
    int last;
};

// The programme panel's row of coin lamps in frmProgrammed, and the 340's coin value box.
struct ProgrammeLayout {
    int lampCount = 12;          // lamps shown
    int frameLeft = 1800;        // frmProgrammed.Left
    int frameWidth = 4815;       // frmProgrammed.Width
    bool coinValueShown = false; // txtCoinValueP and its scaling factor, kept up to date
};

// Everything that sets one model apart. The code reads these fields and never compares models.
struct ModelEntry {
    Model model;
    const char* text;        // "126" ... "PCA"
    const char* source;      // bus addresses every mech frame carries
    const char* destination;
    int listedChannels;      // coin channels in the panels' lists
    int coins;               // coins the mech has (a PCA has 16 though it lists 12)
    int eepromTop;           // last word of the mech's EEPROM
    int programmeTop;        // last word the programme button writes (leaving adjust: eepromTop)
    int serialWord;          // first of the two serial number words
    int recordBase;          // word of the first coin window record
    bool rebuildsLists = false; // choosing the model rebuilds the panels' lists (a PCA keeps them)
    CoinFormat coinFormat;
    // Words a configuration copy takes from an image file; what lies between stays the mech's
    // own, its serial number and window records among them.
    std::span<const WordRange> copiedWords = {};
    // Learning: HFT and HFD scaled by fixed factors whatever discrim module is chosen, and a
    // bi-metallic coin's HFD window moved up; otherwise the discrim module's factors.
    bool fixedScaling = false;
    std::span<const int> windowLevels; // the levels tried, widest first
    ProgrammeLayout programme;
    bool discrimFrameShown = false; // frmOld, "Discrim Module Type", on the programme panel
    // "Test Coin Mech": the frame and its caption. The PCA frame (560 and PCA) powers the mech
    // with powerOnLine alone, without the power command's "%" and pause.
    TestFrame testFrame;
    const char* testCaption;
    bool interfacesChoosable = false; // frmTest's interface options enabled
    bool upperTestRows = false;       // frmPCAtest's rows 13..16 shown
    bool binaryTestMode = false;      // frmTest's "Binary Mode"

    // ---- The box's commands that follow the model ----
    const char* outputCommand = "$"; // boxCmdDollar: the box's normal output mode
    const char* binaryCommand = "?"; // boxCmdQuery: its binary output mode
    const char* powerOnLine = "Z\r"; // mechPower(true)
};
const ModelEntry& modelEntry(Model m);
inline ProgrammeLayout programmeLayout(Model m) { return modelEntry(m).programme; }
// Every model, in the order of the window's option buttons.
std::span<const ModelEntry> models();

// "126", "330", "340", "560" or "PCA".
QString modelText(Model m);
// The option button that stands for the model: "opt126" ... "optPCA".
QString optionName(Model m);
// Exact model texts only; anything else gives nothing.
std::optional<Model> modelFromText(const QString& text);
// The model whose option button is set in the window (330 when none is).
Model currentModel(const plat::View& v);
// As the settings file reads it: any unknown text, the empty one included, is model 330.
Model modelFromSettings(const QString& text);

// "Ardwell" & 25 blanks & "Model : " & model.
QString windowCaption(Model m);

// "Channel 1" ... "Channel 16".
QString channelItem(int n);

// One list: its items in index order and the index shown after a rebuild.
struct ListItems {
    QStringList items;
    int shown = 0;
};

// Everything a list rebuild sets, in the order the window applies it.
struct ModelLists {
    ListItems coinNumber;   // cmbCoinNumber
    ListItems changeCoin;   // cmbChangeCoin (ends on the blank item)
    ListItems inhibitLine;  // cmbInhibitLine
    ListItems output;       // cmbOutput
    ListItems plugDecode;   // cmbPlugDecode
    ListItems route;        // cmbRoute
    ListItems defaultRoute; // cmbDefaultRoute

    // Captions and visibility that follow the model.
    bool binaryVisible = true;    // txtBinary and lblBinary
    QString binaryLabel;          // lblBinary
    QString inhibitLabel;         // lblinhline
    bool plugVisible = true;      // cmbPlugDecode and lblPlug
    bool routeVisible = true;     // cmbRoute
    bool routeLabelVisible = true; // lblRoute
    // Whether the hex code box follows the output text after the rebuild (calcBinary).
    bool recalcBinary = false;
};
ModelLists modelLists(Model m);

// The hex bit code of an output letter: " " gives "00", "A".."H" give "01".."80". Any other
// text ("Bin", "MPE", something typed in) gives nothing: the code box keeps its text.
std::optional<QString> binaryCodeOf(const QString& outputText);

} // namespace ardwell
