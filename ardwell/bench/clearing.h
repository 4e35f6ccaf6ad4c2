#pragma once
// Bulk edits of the EEPROM image: clearing one coin's window or every window (programme panel),
// and copying the settings words of a saved image file into the connected mech's image (adjust
// panel). None of them talks to the mech; the next write takes the changes there. Each returns
// the addresses of the words whose value it changed, in ascending order.

#include "ardwell/bench/wordmap.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace ardwell {

using ChangedWords = QList<int>;

inline const QString kConfirmTitle = QStringLiteral("Confirm Operation");
inline const QString kClearAllQuestion = QStringLiteral("Press OK to Clear ALL coins");

// "Press OK to Clear channel 3" for a coin the model has; nothing for any other (coin 0: no
// channel chosen), which is then left alone without a question.
std::optional<QString> clearOneQuestion(Model m, int coin);

// Clears coin's bytes of its window record (the pair's other coin keeps its own) and inhibits
// the coin in word 0. A coin the model does not have (coinValid) changes nothing.
ChangedWords clearOneChannel(EepromImage& image, Model m, int coin);

// Clears the window records of the model's pairs (126: words 31..134; the others, the PCA too:
// 34..111) and inhibits every coin (word 0 := FFFF).
ChangedWords clearAllChannels(EepromImage& image, Model m);

// Whether the configuration copy takes the word at this address from the file: the settings
// words, never the serial number or the window records (and nothing at all on a PCA).
bool copiesWord(Model m, int address);

// Stores each image file line (read by position, as a loaded image file) whose address the
// model copies. Empty and blank lines, and lines addressed above 512, are skipped.
ChangedWords copyConfiguration(EepromImage& image, Model m, const QStringList& lines);

} // namespace ardwell
