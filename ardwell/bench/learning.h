#pragma once
// Learning a coin's acceptance window from the readings of a gathering run: keep the readings,
// remove fliers in two passes, scale the raw values into HFT, HFD, LFF and LFA at a window
// level, take their statistics, find the widest level whose LFA spread fits a byte, and set
// the limits. The programme panel's option buttons come in as LearningOptions.

#include "ardwell/bench/benchstate.h"

#include <QString>
#include <functional>
#include <optional>
#include <vector>

namespace ardwell {

enum class DiscrimType { Type1, Type2, Type3, Type4 };   // optNormal, optOld, optOld2, optOld3
enum class Performance { Standard, Tight, VeryTight };     // optWindow1, optWindow2, otherwise
enum class CoinType { Standard, BiMetallic, BiMetallic2 }; // optStandard, OptbiMetallic, optBimetallic2

struct LearningOptions {
    Model model = kDesignModel;
    DiscrimType discrim = DiscrimType::Type1;
    Performance performance = Performance::Standard;
    CoinType coinType = CoinType::Standard;
};

// Takes one log record; the functions below write only while b.loggingOn is set.
using LogSink = std::function<void(const QString& record)>;

// A run's coin count from the text of its (editable) list: 1..100, anything else refused
// before the run sends a byte.
std::optional<int> coinCountOf(const QString& text);
inline constexpr char kCoinCountMessage[] = "Number of coins must be 1 to 100";

// The newest coin's seven values: readings 1..4 less their own baselines, readings 5..7 less
// baseline 5 (arrays indexed as TestPanelState's, from 1). Written to the log (record 2).
void calcResults(BenchState& b, const std::array<int, 8>& coinReading, const std::array<int, 6>& coinBaseline,
                 const LogSink& log = {});

// Mode 1 starts a run's store afresh; any other mode keeps latestReading as a reading, unless
// one of its values is 0 (then one more coin is needed) or the store is full.
void updateLatestResults(BenchState& b, int mode);

void scaleMeasurements(BenchState& b, const LearningOptions& o, int level, const LogSink& log = {});
// Statistics of the scaled readings (none with no readings: the old ones stay).
void calculateStats(BenchState& b, const LogSink& log = {});
// Scales at level and takes the statistics; true when the LFA range is below 256.
bool checkCoinWindows(BenchState& b, const LearningOptions& o, int level, const LogSink& log = {});
// Tries the levels until one fits; leaves windowLevel (1 when none fits) and its statistics.
int searchWindowLevel(BenchState& b, const LearningOptions& o, const LogSink& log = {});
void calculateLimits(BenchState& b, const LearningOptions& o, const LogSink& log = {});

// Flier elimination in two steps, so that the run can ask the user in between: propose works
// on a copy of the readings (and logs each value that marks a flier); apply takes the answer.
struct FlierProposal {
    bool noReadings = false;
    int eliminated = 0;
    std::vector<RawReading> remaining;
    int coinsToGather = 0; // coins to redrop when the elimination is accepted
    bool more = false;     // the run is to gather more coins
    // The box "Data Error" (OK / Cancel) is asked only when fliers went and coins are wanted.
    bool ask() const { return eliminated > 0 && coinsToGather > 0; }
    QString message() const;
};
FlierProposal proposeFlierElimination(const BenchState& b, const LearningOptions& o, const LogSink& log = {});
// accepted: the box's OK (or no box). Cancel keeps every reading and wants no more coins.
// Returns whether the run gathers more coins.
bool applyFlierElimination(BenchState& b, const FlierProposal& p, bool accepted);

} // namespace ardwell
