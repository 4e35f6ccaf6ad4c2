#pragma once
// What the simulated Coin Controls mechs hold: the EEPROM layout of each model (where the coin
// windows lie) and the typical content a workshop finds in one, with every field the memory
// windows decode set to something worth showing.

#include <QList>
#include <QPair>
#include <QString>
#include <vector>

namespace sim {

struct CcLayout {
    int words = 128;    // EEPROM words
    int channels = 12;  // coin channels with windows
    int params = 3;     // measured parameters
    int base = 9;       // word of channel 1, parameter 1
    int stride = 16;    // words from one parameter to the next
    bool copied = false; // each window word also 8 words further ("220B")
};

// The layout of "C120", "220B", "335", "435", "450" or "Sentinel" (else the default above).
CcLayout ccLayout(const QString& model);

// Word of the window of channel c (1-based), parameter p (1-based): high limit in the high
// byte, low limit in the low byte.
int ccWindowWord(const CcLayout& l, int channel, int param);

// The byte sum (mod 256) of words 0..127 that a word-protocol mech keeps through word 127's
// high byte.
constexpr int kCcByteSum = 0xA5;
int ccByteSum(const std::vector<quint16>& words);
// Sets the high byte of word 127 so the byte sum is kCcByteSum again.
void ccFixSum(std::vector<quint16>& words);
// A Sentinel's word 63: 256 - (byte sum of words 0..62 mod 256), so 1..256.
int sentinelSumWord(const std::vector<quint16>& words);

// The typical EEPROM of a model:
//  - windows of every channel, 16 wide, centres growing with channel and parameter;
//  - "C120": output bytes in words 82..89 and 109..114, one of them 0x41 (no single output);
//  - "435": word 11 with bit 8 (routing from memory), binary codes 110..113, sort paths
//    128..143 (coin 16's fourth path 9, which names no path), plug default "B" (204 high byte
//    2, 228 = 0x0342), counters in 200..255;
//  - "450": routes A..D in 121..123;
//  - "Sentinel": sort nibbles in 54, 55 (A, C, B, D, AB, No Sort, CD and 5, which names
//    nothing), word 53, 58 = 0xD2D0, the routing checksum in 56, word 63 the checksum;
//  - the word-protocol models' byte sum kCcByteSum.
std::vector<quint16> typicalCcImage(const QString& model);

// The windows the typical image gives channel c: (low, high) per parameter.
QList<QPair<int, int>> typicalCcWindows(const QString& model, int channel);

} // namespace sim
