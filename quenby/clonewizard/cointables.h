#pragma once
// The coin set tables a cloning job fills and the limits editor reads, held once by the program,
// and the family rules the limits follow.
//
// Every index is checked: one outside a table raises RuntimeError(9, "Subscript out of range")
// before anything is read or written, so the procedure's trap reports it once and the table
// keeps what it held.

#include "platform/runtimeerror.h"
#include "quenby/link/familytable.h"

#include <QString>
#include <QtGlobal>
#include <array>

namespace quenby {

[[noreturn]] inline void subscriptOutOfRange()
{
    throw plat::RuntimeError(plat::err::SubscriptOutOfRange, QStringLiteral("Subscript out of range"));
}

// Indexes 0..N-1.
template <class T, int N>
class CheckedArray {
public:
    static constexpr int size() { return N; }
    static bool inRange(int i) { return i >= 0 && i < N; }

    T& operator()(int i)
    {
        if (!inRange(i))
            subscriptOutOfRange();
        return items_[std::size_t(i)];
    }
    const T& operator()(int i) const
    {
        if (!inRange(i))
            subscriptOutOfRange();
        return items_[std::size_t(i)];
    }
    void fill(const T& v) { items_.fill(v); }
    bool operator==(const CheckedArray&) const = default;

private:
    std::array<T, std::size_t(N)> items_{};
};

// Rows 0..Rows-1 by columns 0..Cols-1.
template <class T, int Rows, int Cols>
class CheckedTable {
public:
    static constexpr int rows() { return Rows; }
    static constexpr int cols() { return Cols; }
    static bool inRange(int r, int c) { return r >= 0 && r < Rows && c >= 0 && c < Cols; }

    T& operator()(int r, int c)
    {
        if (!inRange(r, c))
            subscriptOutOfRange();
        return items_[std::size_t(r) * Cols + std::size_t(c)];
    }
    const T& operator()(int r, int c) const
    {
        if (!inRange(r, c))
            subscriptOutOfRange();
        return items_[std::size_t(r) * Cols + std::size_t(c)];
    }
    void fill(const T& v) { items_.fill(v); }
    bool operator==(const CheckedTable&) const = default;

private:
    std::array<T, std::size_t(Rows) * Cols> items_{};
};

// A reference-derived coin's recipe for one parameter.
struct ReferenceRecipe {
    qint32 reference = 0; // the R record whose mean is used; 0: the channel is not derived
    qint32 lowOffset = 0;
    qint32 highOffset = 0;
    bool operator==(const ReferenceRecipe&) const = default;
};

// The reference tables of one run or wizard, cleared with the coin set tables.
struct ReferenceTables {
    // Channel 0..24 by parameter 0..6 (1..paramCount used).
    std::array<std::array<ReferenceRecipe, 7>, 25> refSourceTable{};
    // Reference 0..12 by parameter 0..6: the means of a gathered R record.
    std::array<std::array<float, 7>, 13> refMeanTable{};
    // Reference 0..12: its R record was gathered and stored in this run.
    std::array<bool, 13> refGathered{};

    void clear() { *this = {}; }
    bool operator==(const ReferenceTables&) const = default;
};


// The coin measurement window's state that a coin set run, the wizards, the transfer and the
// limits editor share.
struct CloneState {
    // A channel keeps windows the mech already holds, so the transfer reads the mech's memory.
    bool keepExistingData = false;
    // The next free row of coinsetRecords during a run or wizard.
    qint32 recordRow = 0;
    // The mech's memory was read completely into oldImage (NRI: its tables) during this job.
    bool oldImageTaken = false;
    // The job is a wizard: the transfer leaves the coin set's CC routing alone.
    bool wizardRun = false;
    // The last transfer needed the mech's memory and did not get all of it: the channels that
    // keep the mech's windows have none, so the image is not programmed until a transfer reads
    // the mech completely.
    bool mechReadMissing = false;
    // The last transfer wrote the coin set's CC routing words.
    bool routingMapped = false;
    ReferenceTables refs;

    bool operator==(const CloneState&) const = default;
};

// Everything a job learns of the mech it works on and of the coin set or wizard it runs: the
// tables a run or wizard fills and the transfer, the image mapping and the limits editor read.
// A job on a mech starts from a fresh one (CoinTables::startJob), so a table or flag declared
// here can never carry one mech's windows, outputs or routing into the next.
struct MechCoinTables {
    // Channels 1..24 by columns 1..12: column 2p-1 the low, 2p the high limit of parameter p;
    // 0 = not set. A Mars channel is segment x 6 + position 1..6.
    CheckedTable<qint32, 25, 13> coinLimitTable;
    // Per channel: 0 = measured (or empty); k > 0 keeps channel k's windows from the mech;
    // -k keeps them and still counts as measured.
    CheckedArray<qint32, 25> coinLink;
    CheckedArray<qint32, 25> coinValues;
    // One row per gathered record: column 0 mode (1 coin, 2 slug, 3 reference), column 1 the
    // channel, columns 2p and 2p+1 the low and high limit of parameter p.
    CheckedTable<qint32, 101, 26> coinsetRecords;
    // Same rows, parameters counted from 0: column p the mean, paramCount + p the lower and
    // 2 x paramCount + p the upper deviation.
    CheckedTable<float, 101, 26> coinsetStats;
    // Per channel: column 0 the number of coin records (0..6), columns 1..6 their rows.
    CheckedTable<qint32, 25, 8> coinRecordIndex;
    // Element s-1: the coinsetRecords row of slug s.
    CheckedArray<qint32, 7> slugRecordIndex;
    qint32 slugCount = 0;
    // The value multiplier of the coin set's V record; 1 when none was given (as at start-up).
    qint32 coinValueMultiple = 1;
    // Per channel the output code (NRI record 0F, C120 output records from index 0).
    CheckedArray<qint32, 25> coinOutputs;
    // The NRI X record's compensation values 0..5, and whether the coin set had one.
    CheckedArray<qint32, 7> nriXValues;
    bool nriXLoaded = false;
    // The NRI R record's route texts, and whether the coin set had a route record (CC or NRI).
    CheckedArray<QString, 2> nriRouting;
    bool routingLoaded = false;
    // The CC route record's values ("435R", "450R", "SentinelR"), from index 0.
    CheckedArray<qint32, 33> routingTable;
    // A C120 output record was read: "120M" (coinOutputs hold bytes) or "120N" (output numbers).
    bool c120OutputsLoaded = false;
    bool c120LayoutM = false;
    CloneState clone;

    bool operator==(const MechCoinTables&) const = default;
};

struct CoinTables : MechCoinTables {
    // Elements 0..3: PROM segments or EEPROM pages chosen for programming. The window's check
    // boxes hold the choice, which outlives a job.
    CheckedArray<bool, 5> segmentSelected;

    // Every table and flag of the mech and the job back to its start-up value.
    void startJob() { static_cast<MechCoinTables&>(*this) = MechCoinTables{}; }

    bool operator==(const CoinTables&) const = default;
};

} // namespace quenby
