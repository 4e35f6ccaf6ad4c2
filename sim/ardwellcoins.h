#pragma once
// Coins for the second program's simulated mech: the coin kinds it knows, with the mean raw
// values a coin of each kind gives, a seeded source that draws coins of a kind with a spread of
// a few percent, and the knobs that make coin data awkward (fliers, zero values). Tests that
// need exact values queue them; the source hands queued coins out first, whatever kind is asked.
//
// A coin's raw values are what the program computes from its readings: reading minus reference
// ("HFTA", "HFTB", "HFD", "LFF", "LF P1", "LF P2", "LF Trough"). Readings 1..4 have references
// 1..4 of their own, readings 5..7 share reference 5.

#include <QtGlobal>
#include <array>
#include <deque>

namespace sim {

struct CoinSample {
    std::array<int, 7> raw{};
    std::array<int, 5> reference{};
    // What the mech sends: raw value plus its reference.
    std::array<int, 7> readings() const;
    // A sample whose readings and references are exactly these (the inverse of readings()).
    static CoinSample fromReadings(const std::array<int, 7>& readings, const std::array<int, 5>& reference);
};

// The coin kinds, by index. Kinds 0..5 are the six coins a standard image has taught on channels
// 1..6; the others are there to exercise learning and the test panels.
enum CoinKindId {
    Coin1,
    Coin2,
    Coin3,
    Coin4,
    Coin5,
    Coin6,
    BiMetallic,  // LF values scatter widely: a window only at level 4 or lower
    Token,       // taught on a channel that is inhibited in the standard image
    LevelThree,  // LF P1 sweeps so far that the LFA range fits a byte only at level 3 or lower
    WideHfd,     // HFD spreads so far that its learned width exceeds 255; no channel has it
    NegativeLfa, // LF Trough close to LF P1 + LF P2: the learned LFA low limit is negative
    Foreign,     // a coin no image has a window for: "Unknown payment"
    Coin7,
    Coin8,
    Coin9,
    Coin10,
    kCoinKindCount
};

struct CoinKind {
    const char* name;
    std::array<double, 7> raw;       // mean raw values
    std::array<double, 7> spreadPct; // standard deviation of each raw value, in % of its mean
    double sweep;                    // LF P1 also sweeps over +- this many counts, evenly over a run
};

// Kind `id` (0 .. kCoinKindCount - 1; anything else gives Coin1).
const CoinKind& coinKind(int id);
// Mean reference values 1..5.
const std::array<int, 5>& referenceMeans();

// The four window parameters HFT, HFD, LFF and LFA of raw values at a window level (1..7),
// scaled as the coin bench scales them (plain discriminator module); model 126 scales HFT and
// HFD its own way.
std::array<int, 4> windowParameters(bool model126, const std::array<int, 7>& raw, int level);

// Where the parameters of coins of a kind fall at a level: mean and a half-width that holds
// practically every coin of the kind (fliers aside).
struct ParameterSpread {
    double mean = 0;
    double halfWidth = 0;
};
std::array<ParameterSpread, 4> parameterSpread(bool model126, int kind, int level);

class CoinSource {
public:
    explicit CoinSource(quint32 seed = 1);

    // The next coin of a kind: a queued sample when there is one, else a drawn coin.
    CoinSample next(int kind);
    // A slug: values far from every kind (never a queued sample).
    CoinSample slug();

    // Exact coins, handed out first, in order.
    void queue(const CoinSample& s) { queue_.push_back(s); }
    void queue(const std::array<int, 7>& raw, const std::array<int, 5>& reference = referenceMeans());
    int queued() const { return int(queue_.size()); }

    // A drawn coin is a flier with this probability: one of its raw values lies 30 to 60 % off
    // its kind's value, up or down.
    void setFlierRate(double probability) { flierRate_ = probability; }
    // A drawn coin carries a raw value of 0 with this probability.
    void setZeroRate(double probability) { zeroRate_ = probability; }

    // The source's generator, for mixes: uniform in [0, 1), and a whole number in lo..hi.
    double uniform();
    int between(int lo, int hi);

private:
    double normal();
    CoinSample draw(int kind);

    quint32 state_;
    bool spareReady_ = false;
    double spare_ = 0;
    std::array<double, kCoinKindCount> sweepPhase_{};
    std::deque<CoinSample> queue_;
    double flierRate_ = 0;
    double zeroRate_ = 0;
};

} // namespace sim
