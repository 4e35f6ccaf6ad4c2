#pragma once
// The first program's three memory images, one element per memory word (a nibble of a Mars
// PROM, a 16-bit word of a CC EEPROM), and what the last read left in them.

#include <QString>
#include <QtGlobal>
#include <array>
#include <vector>

namespace quenby {

constexpr int kImageTop = 512;
using Image = std::array<qint32, kImageTop + 1>;

inline bool inImage(qint64 address) { return address >= 0 && address <= kImageTop; }

// How the last read of a mech's memory into readImage ended.
struct ReadState {
    bool complete = false; // readImage holds the whole memory of `model`
    QString model;         // the model read; empty when nothing was read since the images were cleared
    int stopTextId = 0;    // why an incomplete read stopped (101, 107, 129, 147, 148, 330)
    int stopAddress = -1;  // the word it stopped at; -1 when the reason is not one word
};

// Channels 0..24 by columns 0..6, the windows the PROM report decoded from a read Mars PROM;
// columns as in the coin limit table.
using ReadLimitTable = std::array<std::array<qint32, 7>, 25>;

struct MemoryImages {
    Image readImage{};
    Image progImage{};
    Image oldImage{};
    ReadState lastRead;
    // The words the last programming of an EEPROM set out to change (progImage against
    // readImage), in ascending order: its verify compares each of them, beyond the words the
    // model always compares too.
    std::vector<int> wordsProgrammed;
    // progImage was built from the coin tables over a readImage that held no whole read of the
    // model: the words the read did not reach are 0 in it, and the mech does not hold them.
    bool progOverPartRead = false;
    ReadLimitTable readLimitTable{};

    void readCompleted(const QString& model) { lastRead = {true, model, 0, -1}; }
    void readStopped(const QString& model, int textId, int address = -1)
    {
        lastRead = {false, model, textId, address};
    }
    // Programming a CC mech skips the words readImage already holds and derives the checksum
    // word from it, so it needs the whole memory of this very model.
    bool holdsWholeMemoryOf(const QString& model) const
    {
        return lastRead.complete && lastRead.model == model;
    }
};

struct WordDifference {
    int address = 0;
    qint32 read = 0;
    qint32 expected = 0;
    bool operator==(const WordDifference&) const = default;
};

// Every address of first..last (clipped to the image) where `read` differs from `expected`,
// in ascending order.
std::vector<WordDifference> differingWords(const Image& read, const Image& expected, int first, int last);
// The same over first..last and the addresses of `also` beyond last, in ascending order.
std::vector<WordDifference> differingWords(const Image& read, const Image& expected, int first, int last,
                                           const std::vector<int>& also);

// A verify is OK only when the read-back completed and no word differs: words a read did not
// reach are 0 and can match an image that holds 0 there.
struct VerifyResult {
    bool readComplete = false;
    std::vector<WordDifference> differences;
    bool ok() const { return readComplete && differences.empty(); }
};

} // namespace quenby
