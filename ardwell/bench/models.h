#pragma once
// The five mech models and what follows from the choice of one: the window caption, the two
// bus addresses every mech frame carries, and the selection lists of the adjust and programme
// panels. Pure data; the window applies it to its controls.

#include <QString>
#include <QStringList>
#include <optional>

namespace plat {
class View;
}

namespace ardwell {

enum class Model { M126, M330, M340, M560, PCA };

// What sets the models apart where it is a number or a text; the functions below and the word
// map read it, so a model's quirk is an entry here rather than a comparison of its name.
struct ModelEntry {
    Model model;
    const char* text;          // "126" ... "PCA"
    const char* source;        // bus addresses every mech frame carries
    const char* destination;
    int listedChannels;        // coin channels in the panels' lists
    int coins;                 // coins the mech has (a PCA has 16 though it lists 12)
    int eepromTop;             // last word of the mech's EEPROM
    int serialWord;            // first of the two serial number words
    int recordBase;            // word of the first coin window record
    bool rebuildsLists;        // a PCA keeps whatever lists the previous model left

    // ---- The box's commands that follow the model ----
    const char* outputCommand = "$"; // boxCmdDollar: the box's normal output mode
    const char* binaryCommand = "?"; // boxCmdQuery: its binary output mode
    const char* powerOnLine = "Z\r"; // mechPower(true)
};
const ModelEntry& modelEntry(Model m);

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

struct BusAddresses {
    QString source;
    QString destination;
};
BusAddresses busAddresses(Model m);

// title & 25 blanks & "Model : " & model.
QString windowCaption(const QString& title, Model m);

// PCA keeps whatever lists the previous model left.
bool rebuildsLists(Model m);

// Coin channels in the channel lists: 16 for model 126, 12 otherwise.
int listChannelCount(Model m);
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
