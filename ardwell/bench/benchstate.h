#pragma once
// The coin bench's state: the readings of the coin being learned, their statistics and the
// learned window, the run's cancel flag, and the adjust panel's pending coin and percentage.
// One instance lives in the program object next to LinkState.

#include "ardwell/bench/coinsettings.h"

#include <QString>
#include <array>
#include <vector>

namespace ardwell {

constexpr int kRawValues = 7;       // "HFTA", "HFTB", "HFD", "LFF", "LF P1", "LF P2", "LF Trough"
constexpr int kWindowParams = 4;    // "HFT", "HFD", "LFF", "LFA"
constexpr int kMaxReadings = 500;   // rows of the readings store
constexpr int kMaxCoinsPerRun = 100; // rows of the flier test's working table

using RawReading = std::array<int, kRawValues>;
using ScaledReading = std::array<int, kWindowParams>;

struct BenchState {
    // ---- Gathering and learning ----
    RawReading latestReading{};              // the newest coin's values (reading - baseline)
    std::vector<RawReading> rawReadings;     // the kept readings; their count is readingCount
    int coinsToGather = 0;                   // coins still to drop in this run
    std::array<int, kRawValues> fliersLimit{15, 15, 10, 10, 20, 20, 20}; // percent per raw value
    std::vector<ScaledReading> scaledReadings; // window parameters per kept reading

    // Statistics per window parameter, index 0..3 = HFT, HFD, LFF, LFA.
    std::array<float, kWindowParams> parameterMeans{};
    std::array<float, kWindowParams> sdLower{};
    std::array<float, kWindowParams> sdUpper{};
    std::array<int, kWindowParams> parameterLowest{};
    std::array<int, kWindowParams> parameterHighest{};
    std::array<int, kWindowParams> parameterRange{};

    // Learned limits: parameter k's low limit at 2k, high limit at 2k + 1 (elements 0..7 used).
    std::array<int, 65> windowLimits{};
    int windowLevel = 0;   // level under test in the search; the chosen level afterwards
    bool loggingOn = false; // the coin data log is open for this run
    bool abortFlag = false; // "CANCEL", a refused coin data request, or leaving the program

    int readingCount() const { return int(rawReadings.size()); }

    // ---- Adjust panel ----
    QString pendingAdjustCoin; // channel item of the coin the next store takes; empty = none
    int windowPercent = 100;   // applied to the pending coin's window widths when it is stored
    HeldWindow heldWindow;     // the shown coin's window as decoded
};

} // namespace ardwell
