#pragma once
// Where a mech keeps each coin's settings in its EEPROM, and how they are coded. The mech reads
// these words itself, so every position and bit here is a hardware format.
//
// Coins are numbered 1..16 (126) or 1..12; idx = coin - 1 and a pair p = idx / 2 shares words:
// the even idx owns their high bytes, the odd idx their low bytes. Per-coin flags (word 0 and
// the inhibit-line words) are stored byte-swapped: coin idx is bit idx of the swapped word.

#include "ardwell/bench/models.h"
#include "ardwell/link/frames.h"

#include <QString>
#include <array>
#include <optional>

namespace ardwell {

constexpr int kMaxCoins = 16;
constexpr int kRecordBytes = 13;

// Coins a model has: 1..16 on a 126 and a PCA, 1..12 on the others.
bool coinValid(Model m, int coin);
// Last word of the mech's EEPROM: 255 on a 126, 127 on the others.
int eepromTop(Model m);
// The coin a channel item names: Val of its last two characters ("Channel 7" -> 7, " " -> 0).
int coinNumberOf(const QString& channelItem);
// The first of the two serial number words: 2 on a 126, 3 on the others.
int serialWord(Model m);
// Eight upper-case hex digits from the two serial number words.
QString serialNumber(const EepromImage& image, Model m);

// ---- Coin bytes and bits. Words are taken as 16 bits (an unread -1 reads as FFFF). ----
inline int word16(int w) { return w & 0xFFFF; }
int coinByte(const EepromImage& image, int word, int idx);
// Stores value's low 8 bits; the pair's other byte is kept.
void setCoinByte(EepromImage& image, int word, int idx, int value);
bool coinBit(int word, int idx);
int withCoinBit(int word, int idx, bool on);

// ---- Byte codes of the settings lists (indices are the lists' item indices) ----
// 126 BCO code of a hex digit 0..15 (0 for anything else), and the digit of a code (none when
// bit 1 of the code is clear).
int bcoCode(int digit);
std::optional<int> bcoDigit(int code);
// 126 memory routing (cmbRoute index 1..8 = "A ".." d"; 0 = none).
int route126Byte(int listIndex);
int route126Index(int byte);
// 126 routing header (cmbPlugDecode index 1..8 = "A".."H").
int plugByte(int listIndex);
int plugIndex(int byte);
// 126 default route: the low byte stored for a cmbDefaultRoute index, and the index a word's
// low nibble reads as.
int defaultRouteByte(int listIndex);
int defaultRouteIndex(int word);
// 330 output byte: cmbOutput index 0..5 for a single line "A".."F", else 6 ("Bin").
int output330Index(int byte);
// 560 route (cmbRoute index 0 "Default", 1..7 "1 ".."7 ").
int route560Byte(int listIndex);
int route560Index(int byte);

// 340 settings flags of word 112.
struct Flags340 {
    bool fourPlayer = false;
    bool manualDispense = false;
    bool creditInput = false;
    bool coinMeter = false;
    bool bonus = false;
    bool alarm = false;
};
Flags340 flags340(int word);
// The new word 112: the bits the coin bench does not use (0..3, 9..11) kept.
int withFlags340(int word, const Flags340& f);

// ---- The 13-byte coin window record R0..R12 ----
using RecordBytes = std::array<int, kRecordBytes>;

// Four window parameters (HFT, HFD, LFF, LFA): signed low limits and widths.
struct CoinWindow {
    std::array<int, 4> low{};
    std::array<int, 4> width{};
};

// A width's field holds up to 255; a window computed wider is set to 254 about its middle.
constexpr int kMaxWindowWidth = 255;
constexpr int kCappedWindowWidth = 254;

int recordBase(Model m); // 31 on a 126, else 34
int recordWord(Model m, int idx, int byte);
// Whether coin idx's record lies inside the mech's EEPROM (a PCA's coins 15 and 16 do not).
bool recordFits(Model m, int idx);
RecordBytes readRecord(const EepromImage& image, Model m, int idx);
// Stores bytes from..12 of the record into coin idx's bytes.
void writeRecord(EepromImage& image, Model m, int idx, const RecordBytes& r, int from = 0);
// A record counts as programmed when R0, R1 or R2 is not zero.
bool recordProgrammed(const EepromImage& image, Model m, int idx);

// The low limits and widths of R2 (sign bits) and R3..R12.
CoinWindow unpackWindow(const RecordBytes& r);
// Sets R2's sign bits (its level nibble kept) and R3..R12. A field cannot hold more than it
// has bits for: magnitudes are kept to 0..4095 and widths to 0..255 rather than spilling
// into their neighbours.
void packWindow(RecordBytes& r, const CoinWindow& w);

} // namespace ardwell
