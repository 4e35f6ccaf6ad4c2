#include "sim/ardwellcoins.h"

#include "sim/xorshift.h"

#include <algorithm>
#include <cmath>

namespace sim {

namespace {

constexpr std::array<double, 7> kEven{1.2, 1.2, 1.2, 1.2, 1.2, 1.2, 1.2};

// Means chosen so that every kind's readings fit their 14-bit fields, the kinds lie apart in at
// least one parameter, and the taught kinds learn windows no wider than a byte.
const CoinKind kKinds[kCoinKindCount] = {
    {"coin 1", {1000, 1100, 800, 300, 400, 350, 150}, kEven, 0},
    {"coin 2", {1300, 1400, 1000, 480, 560, 470, 200}, kEven, 0},
    {"coin 3", {1600, 1750, 1250, 680, 760, 640, 270}, kEven, 0},
    {"coin 4", {1950, 2100, 1550, 900, 950, 820, 340}, kEven, 0},
    {"coin 5", {2300, 2450, 1850, 1150, 1150, 1000, 420}, kEven, 0},
    {"coin 6", {2650, 2800, 2200, 1450, 1350, 1180, 500}, kEven, 0},
    {"bi-metallic", {1500, 1600, 1700, 420, 900, 800, 350}, {1.2, 1.2, 1.2, 1.2, 6, 6, 6}, 0},
    {"token", {1150, 1200, 600, 1000, 500, 450, 200}, kEven, 0},
    {"level three", {1800, 1900, 1300, 600, 1800, 700, 250}, {1, 1, 1, 1, 1, 1, 1}, 270},
    {"wide HFD", {1400, 1500, 2500, 1300, 700, 600, 250}, {1.2, 1.2, 2.5, 1.2, 1.2, 1.2, 1.2}, 0},
    {"negative LFA", {1100, 1150, 950, 750, 200, 150, 340}, kEven, 0},
    {"foreign", {2400, 2300, 900, 200, 300, 250, 100}, kEven, 0},
    {"coin 7", {1250, 1300, 1400, 1600, 1000, 900, 380}, kEven, 0},
    {"coin 8", {1700, 1650, 1750, 1800, 1200, 1050, 440}, kEven, 0},
    {"coin 9", {2100, 2200, 2000, 2050, 1400, 1250, 520}, kEven, 0},
    {"coin 10", {900, 950, 1150, 2300, 600, 500, 200}, kEven, 0},
};

const CoinKind kSlug{"slug", {500, 520, 300, 100, 150, 120, 60}, {3, 3, 3, 3, 3, 3, 3}, 0};

const std::array<int, 5> kReferences{2000, 2050, 1800, 2500, 1500};

// How far off its kind's value a flier's raw value lies, in percent.
constexpr double kFlierMinPct = 30;
constexpr double kFlierMaxPct = 60;

// Reference k of raw value j.
int referenceOf(int j) { return j < 4 ? j : 4; }

// Rounds halves to the even neighbour, as the coin bench does.
int roundEven(double v) { return int(std::nearbyint(v)); }

} // namespace

std::array<int, 7> CoinSample::readings() const
{
    std::array<int, 7> r{};
    for (int j = 0; j < 7; ++j)
        r[std::size_t(j)] = raw[std::size_t(j)] + reference[std::size_t(referenceOf(j))];
    return r;
}

CoinSample CoinSample::fromReadings(const std::array<int, 7>& readings, const std::array<int, 5>& ref)
{
    CoinSample s;
    s.reference = ref;
    for (int j = 0; j < 7; ++j)
        s.raw[std::size_t(j)] = readings[std::size_t(j)] - ref[std::size_t(referenceOf(j))];
    return s;
}

const CoinKind& coinKind(int id) { return kKinds[id >= 0 && id < kCoinKindCount ? id : 0]; }

const std::array<int, 5>& referenceMeans() { return kReferences; }

std::array<int, 4> windowParameters(bool model126, const std::array<int, 7>& r, int level)
{
    const double l = std::clamp(level, 1, 7);
    std::array<int, 4> p{};
    if (model126) {
        p[0] = roundEven(235.0 * (double(r[0]) + r[1]) / 512);
        p[1] = roundEven(606.0 * r[2] / 512);
    } else {
        p[0] = roundEven((170.0 * r[0] + 202.0 * r[1]) / 512);
        p[1] = roundEven(7.0 * r[2] / 8);
    }
    p[2] = r[3];
    p[3] = roundEven(l * (double(r[4]) + r[5] - r[6]) / 7);
    return p;
}

std::array<ParameterSpread, 4> parameterSpread(bool model126, int kind, int level)
{
    const CoinKind& k = coinKind(kind);
    std::array<double, 7> sd{};
    for (int j = 0; j < 7; ++j)
        sd[std::size_t(j)] = k.raw[std::size_t(j)] * k.spreadPct[std::size_t(j)] / 100;
    const double a = model126 ? 235.0 / 512 : 170.0 / 512;
    const double b = model126 ? 235.0 / 512 : 202.0 / 512;
    const double c = model126 ? 606.0 / 512 : 7.0 / 8;
    const double l = std::clamp(level, 1, 7) / 7.0;
    constexpr double kSigmas = 4;
    std::array<ParameterSpread, 4> out;
    out[0] = {a * k.raw[0] + b * k.raw[1], kSigmas * std::hypot(a * sd[0], b * sd[1])};
    out[1] = {c * k.raw[2], kSigmas * c * sd[2]};
    out[2] = {k.raw[3], kSigmas * sd[3]};
    out[3] = {l * (k.raw[4] + k.raw[5] - k.raw[6]),
              kSigmas * l * std::sqrt(sd[4] * sd[4] + sd[5] * sd[5] + sd[6] * sd[6]) + l * k.sweep};
    return out;
}

CoinSource::CoinSource(quint32 seed) : state_(seed ? seed : 1)
{
    for (double& p : sweepPhase_)
        p = uniform();
}

double CoinSource::uniform() { return double(xorshift32(state_)) / 4294967296.0; }

int CoinSource::between(int lo, int hi)
{
    if (hi <= lo)
        return lo;
    return lo + std::min(hi - lo, int(uniform() * (double(hi) - lo + 1)));
}

double CoinSource::normal()
{
    if (spareReady_) {
        spareReady_ = false;
        return spare_;
    }
    const double u1 = 1.0 - uniform(); // (0, 1]: the logarithm stays finite
    const double u2 = uniform();
    const double r = std::sqrt(-2.0 * std::log(u1));
    constexpr double kTwoPi = 6.283185307179586;
    spare_ = r * std::sin(kTwoPi * u2);
    spareReady_ = true;
    return r * std::cos(kTwoPi * u2);
}

void CoinSource::queue(const std::array<int, 7>& raw, const std::array<int, 5>& reference)
{
    CoinSample s;
    s.raw = raw;
    s.reference = reference;
    queue_.push_back(s);
}

CoinSample CoinSource::next(int kind)
{
    if (!queue_.empty()) {
        const CoinSample s = queue_.front();
        queue_.pop_front();
        return s;
    }
    return draw(kind);
}

CoinSample CoinSource::draw(int kind)
{
    const bool isSlug = kind < 0;
    const CoinKind& k = isSlug ? kSlug : coinKind(kind);
    CoinSample s;
    for (int i = 0; i < 5; ++i)
        s.reference[std::size_t(i)] = roundEven(kReferences[std::size_t(i)] * (1 + 0.003 * normal()));
    std::array<double, 7> v{};
    for (int j = 0; j < 7; ++j)
        v[std::size_t(j)] = k.raw[std::size_t(j)] * (1 + k.spreadPct[std::size_t(j)] / 100 * normal());
    if (k.sweep > 0 && !isSlug) {
        // The golden-ratio sequence covers the sweep evenly, so any run of coins spans most of it.
        double& phase = sweepPhase_[std::size_t(kind)];
        phase = std::fmod(phase + 0.6180339887498949, 1.0);
        v[4] += k.sweep * (2 * phase - 1);
    }
    if (!isSlug && uniform() < flierRate_) {
        const int j = between(0, 6);
        const double off = (kFlierMinPct + (kFlierMaxPct - kFlierMinPct) * uniform()) / 100;
        v[std::size_t(j)] *= uniform() < 0.5 ? 1 - off : 1 + off;
    }
    for (int j = 0; j < 7; ++j) {
        // Raw values stay positive and every reading within its 14-bit field: readings 1..6
        // travel as signed fields, reading 7 as an unsigned one.
        const int ref = s.reference[std::size_t(referenceOf(j))];
        const int top = (j < 6 ? 8191 : 16383) - ref;
        s.raw[std::size_t(j)] = std::clamp(roundEven(v[std::size_t(j)]), 1, top);
    }
    if (!isSlug && uniform() < zeroRate_)
        s.raw[std::size_t(between(0, 6))] = 0;
    return s;
}

CoinSample CoinSource::slug() { return draw(-1); }

} // namespace sim
