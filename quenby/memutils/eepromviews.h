#pragma once
// The CC EEPROM window's views of the memory just read, as the fixed-pitch text of its pane:
// the words in hex, the coin windows decoded from the limit words, and what the model keeps
// besides (routes, sorts, output mapping). Where the windows sit comes from the family table.

#include "platform/view.h"
#include "quenby/link/familytable.h"
#include "quenby/link/images.h"

#include <QString>
#include <QStringList>

namespace quenby {

class TextTable;
struct ModelParams;

// Positions of the view list, in the order eepromViewList gives them.
enum class EepromView { Hex = 0, Limits = 1, Other = 2 };

// "Hex Data ", "Limits", "Other Information".
QStringList eepromViewList(const TextTable& texts);

// The coin heading strip over the limits view: 97 dashes, a blank, "Coin ", 98 dashes.
QString eepromCoinStrip(const TextTable& texts);

struct EepromViewInput {
    const MechEntry& entry; // family and model
    const ModelParams& params;
    const Image& readImage;
    const TextTable& texts;
    // The words 0 .. wordsRead - 1 came from the mech; a read that stopped part way left the
    // others 0 in readImage, and they show as not read ("----"), never as a value.
    int wordsRead = kImageTop + 1;
};

struct EepromPane {
    QString text; // lblPROM
    // The 435's "Other Information" is its routing editor: frm435 and cmdRouting are shown in
    // place of the pane and cmdProgramme; the pane keeps two blanks.
    bool routingEditor = false;
};

// The pane for the list position chosen; a position outside the list gives two blanks. Views 1
// and 2 of a family other than CC give two blanks. A parameter name longer than its 12 columns
// is cut to them, so every name stays over its limits. A value from a word not read shows as
// dashes; the 435's routing editor is not offered over a read that stopped part way.
EepromPane eepromViewText(int listIndex, const EepromViewInput& in);

// The pane into frmEEPROMdata: lblPROM with "Programme from File", or the routing editor frm435
// with "Programme Routing" in their place.
void showEepromPane(plat::View& v, const EepromPane& pane);

} // namespace quenby
