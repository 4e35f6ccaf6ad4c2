#pragma once
// EEPROM images of the second program's simulated mechs: the word map the mech works from (coin
// bytes and bits, window records), and a realistic image per model in two variants.
//
// The standard image teaches channels 1..6 the coin kinds 1..6 of sim/ardwellcoins.h (coins of
// those kinds fall inside those windows), most other channels further kinds, and fills every
// setting of every channel with a value the coin bench decodes to something sensible. Words the
// word map does not use hold distinct non-zero values, so a write outside its range shows.
// The other variant is a second mech with another serial number and other settings: its words
// differ from the standard image's wherever the image file copy takes them over.

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace sim::ardwellimage {

using Words = std::vector<quint16>;

enum class Variant { Standard, Other };
constexpr quint32 kStandardSerial = 0x0012ABCD;
constexpr quint32 kOtherSerial = 0x0034EF56;

// Per model ("126", "330", "340", "560", "PCA").
bool is126(const QString& model);       // the one model with its own word map and scaling
int wordCount(const QString& model);    // 256 for 126, else 128
int recordBase(const QString& model);   // first word of the window records: 31 for 126, else 34
int channelCount(const QString& model); // channels a coin can be accepted on: 16 for 126 and PCA
int serialWord(const QString& model);   // first of the two serial number words: 2 for 126, else 3

// The coin byte of channel idx (0-based) in the pair word first + idx / 2: high byte for even
// idx, low byte for odd; the coin bit of idx in a word kept byte-swapped.
std::uint8_t coinByte(const Words& w, int first, int idx);
void setCoinByte(Words& w, int first, int idx, std::uint8_t value);
bool coinBit(const Words& w, int word, int idx);
void setCoinBit(Words& w, int word, int idx, bool on);

// A coin's acceptance window: level 1..7 and per parameter (HFT, HFD, LFF, LFA) a signed low
// limit and a width.
struct WindowRecord {
    int level = 7;
    std::array<int, 4> low{};
    std::array<int, 4> width{};
};
// R0..R12 of a programmed record; magnitudes beyond 12 bits and widths beyond 8 are cut to fit.
std::array<std::uint8_t, 13> packRecord(const WindowRecord& r);
void storeRecord(Words& w, int base, int idx, const WindowRecord& r);
// The record of channel idx, or none when it is not programmed (R0..R2 all 0) or does not lie
// wholly inside the image.
std::optional<WindowRecord> readRecord(const Words& w, int base, int idx);

// The image of a mech of this model, with its serial number in the serial words.
Words image(const QString& model, Variant variant, quint32 serial);
inline Words standardImage(const QString& model, quint32 serial = kStandardSerial)
{
    return image(model, Variant::Standard, serial);
}
inline Words otherImage(const QString& model, quint32 serial = kOtherSerial)
{
    return image(model, Variant::Other, serial);
}
// The coin kind whose window channel idx holds in that image, or -1 for none.
int taughtKind(const QString& model, Variant variant, int idx);

// The image as a saved image file: 256 lines "AAAA WWWW" with CR LF; words past the image are 0.
QByteArray imageFile(const Words& w);

} // namespace sim::ardwellimage
