#include "ardwell/bench/coinlog.h"
#include "ardwell/bench/learning.h"
#include "ardwell/bench/windowpack.h"

#include <gtest/gtest.h>

using namespace ardwell;

namespace {

// The readings generator of learning_vectors.py (input for both sides, not an answer).
struct Lcg {
    quint32 s;
    int next(int spread)
    {
        s = (s * 1103515245u + 12345u) & 0x7FFFFFFF;
        return int((s >> 8) % quint32(2 * spread + 1)) - spread;
    }
};

struct Flier {
    int row, value, factorPct;
};

std::vector<RawReading> readings(unsigned seed, const std::array<int, 7>& means, const std::array<int, 7>& spreadPct,
                                 int count, const std::vector<Flier>& fliers = {})
{
    Lcg g{seed & 0x7FFFFFFF};
    std::vector<RawReading> rows;
    for (int i = 0; i < count; ++i) {
        RawReading r{};
        for (int j = 0; j < 7; ++j)
            r[j] = means[j] + g.next(spreadPct[j] > 0 ? std::max(1, means[j] * spreadPct[j] / 100) : 0);
        rows.push_back(r);
    }
    for (const Flier& f : fliers)
        rows[f.row][f.value] = rows[f.row][f.value] * f.factorPct / 100;
    return rows;
}

long rawSum(const std::vector<RawReading>& rows)
{
    long s = 0;
    for (const RawReading& r : rows)
        for (int v : r)
            s += v;
    return s;
}

struct LearnCase {
    const char* name;
    unsigned seed;
    Model model;
    DiscrimType discrim;
    Performance performance;
    CoinType coinType;
    std::array<int, 7> means, spread;
    int count;
    long rawSum;
    int eliminated, level;
    std::array<float, 4> mean, sdLower, sdUpper;
    std::array<int, 4> lowest, highest, range;
    std::array<int, 8> limits;
    RecordBytes record;
};

// python3 tests/ardwell/learning_vectors.py
const LearnCase kRuns[] = {
{"Equal126", 1, Model::M126, DiscrimType::Type1, Performance::Standard, CoinType::Standard, {1000, 1100, 800, 300, 400, 350, 150}, {0, 0, 0, 0, 0, 0, 0}, 20, 82000,
  0, 4, {964.0f, 947.0f, 300.0f, 343.0f}, {0.100000001f, 0.100000001f, 0.100000001f, 0.100000001f}, {0.100000001f, 0.100000001f, 0.100000001f, 0.100000001f},
  {964, 947, 300, 343}, {964, 947, 300, 343}, {0, 0, 0, 0},
  {953, 1016, 936, 957, 295, 304, 327, 358}, {0x44, 0x44, 0x40, 0x3B, 0x93, 0xF3, 0xA8, 0x15, 0x12, 0x70, 0x91, 0x47, 0x1F}},
{"Brass330", 11, Model::M330, DiscrimType::Type1, Performance::Standard, CoinType::Standard, {1210, 1330, 905, 412, 388, 356, 171}, {2, 2, 2, 2, 2, 2, 2}, 20, 95415,
  0, 7, {927.849976f, 787.849976f, 412.899994f, 573.25f}, {8.45800877f, 7.31670237f, 4.4817543f, 5.63928318f}, {6.83784056f, 12.3794031f, 4.77818775f, 7.2924571f},
  {911, 777, 404, 562}, {941, 807, 420, 585}, {30, 30, 16, 23},
  {891, 999, 729, 835, 394, 431, 540, 610}, {0x44, 0x77, 0x70, 0x37, 0xB6, 0xC2, 0xD9, 0x6A, 0x18, 0xA2, 0x52, 0x1C, 0x46}},
{"Nickel340Tight", 23, Model::M340, DiscrimType::Type1, Performance::Tight, CoinType::Standard, {1525, 1610, 1180, 520, 455, 430, 215}, {3, 3, 3, 3, 3, 3, 3}, 25, 148141,
  0, 7, {1139.12f, 1033.19995f, 518.119995f, 666.679993f}, {12.0397606f, 17.7445564f, 9.41197205f, 11.6747723f}, {13.2797279f, 18.0062466f, 8.37599659f, 10.1470022f},
  {1115, 1004, 505, 648}, {1169, 1061, 534, 683}, {54, 57, 29, 35},
  {1098, 1230, 944, 1088, 490, 543, 621, 707}, {0x44, 0x77, 0x70, 0x44, 0xA8, 0x43, 0xB0, 0x90, 0x1E, 0xA3, 0x52, 0x6D, 0x56}},
{"Steel560Old", 37, Model::M560, DiscrimType::Type2, Performance::VeryTight, CoinType::Standard, {980, 1045, 760, 350, 300, 280, 120}, {2, 2, 2, 2, 2, 2, 2}, 15, 57464,
  0, 7, {738.06665f, 615.533325f, 350.200012f, 459.066681f}, {4.56361103f, 6.53776884f, 4.68250132f, 5.07488775f}, {6.31789017f, 8.96495724f, 3.88778996f, 5.35718822f},
  {729, 606, 343, 449}, {747, 630, 356, 468}, {18, 24, 13, 19},
  {718, 795, 571, 643, 336, 362, 433, 485}, {0x44, 0x77, 0x70, 0x2C, 0xE4, 0xD2, 0x3B, 0x48, 0x15, 0x01, 0xA1, 0xB1, 0x34}},
{"CopperPcaOld2", 41, Model::PCA, DiscrimType::Type3, Performance::Standard, CoinType::BiMetallic2, {1405, 1500, 1020, 450, 390, 360, 160}, {2, 2, 2, 2, 2, 2, 2}, 20, 105855,
  0, 7, {1061.19995f, 785.450012f, 451.200012f, 589.299988f}, {8.12528515f, 9.23312855f, 5.46623421f, 5.07640505f}, {8.01305008f, 9.17825031f, 5.51719904f, 5.71402788f},
  {1042, 770, 442, 580}, {1073, 799, 459, 601}, {31, 29, 17, 21},
  {1026, 1140, 721, 823, 430, 472, 575, 606}, {0x44, 0x77, 0x70, 0x40, 0x27, 0x22, 0xD1, 0x66, 0x1A, 0xE2, 0xA2, 0x3F, 0x1F}},
{"BiMetal126", 53, Model::M126, DiscrimType::Type4, Performance::VeryTight, CoinType::BiMetallic, {1700, 1800, 1350, 600, 520, 480, 250}, {2, 2, 2, 2, 8, 8, 8}, 20, 134374,
  0, 4, {1613.15002f, 1604.0f, 599.299988f, 429.049988f}, {11.2464523f, 17.652195f, 7.94291019f, 22.0696335f}, {10.5816765f, 14.5945196f, 8.2541008f, 20.3633633f},
  {1585, 1569, 588, 395}, {1633, 1629, 611, 466}, {48, 60, 23, 71},
  {1580, 1708, 1593, 1711, 578, 620, 390, 471}, {0x44, 0x44, 0x40, 0x62, 0xC8, 0x06, 0x39, 0x76, 0x24, 0x22, 0xA1, 0x86, 0x51}},
{"Wide126Level3", 67, Model::M126, DiscrimType::Type1, Performance::Standard, CoinType::Standard, {1100, 1200, 870, 380, 1200, 1100, 500}, {2, 2, 2, 2, 12, 12, 12}, 20, 127237,
  0, 3, {1057.84998f, 1027.75f, 379.799988f, 778.75f}, {6.31736994f, 10.4409056f, 4.67088652f, 56.6171951f}, {8.07023239f, 11.0707951f, 4.00950336f, 45.3132401f},
  {1046, 1012, 373, 669}, {1074, 1050, 387, 869}, {28, 38, 14, 200},
  {1028, 1137, 985, 1071, 361, 396, 593, 930}, {0x44, 0x33, 0x30, 0x40, 0x46, 0xD3, 0xD9, 0x56, 0x16, 0x92, 0x32, 0x8B, 0xFE}},
{"Small330NegLow", 71, Model::M330, DiscrimType::Type1, Performance::Tight, CoinType::Standard, {1300, 1400, 950, 430, 60, 50, 100}, {3, 3, 3, 3, 3, 3, 3}, 20, 85819,
  0, 7, {985.049988f, 831.700012f, 427.950012f, 9.60000038f}, {8.86628342f, 12.2918777f, 6.18015385f, 2.35702276f}, {11.0555954f, 12.5271597f, 9.55653191f, 2.95803952f},
  {970, 808, 418, 5}, {1001, 855, 442, 15}, {31, 47, 24, 10},
  {952, 1065, 763, 873, 407, 456, -12, 32}, {0x44, 0x77, 0x71, 0x3B, 0x87, 0x12, 0xFB, 0x6E, 0x19, 0x73, 0x10, 0x0C, 0x2C}},
};

struct FlierCase {
    const char* name;
    unsigned seed;
    CoinType coinType;
    std::array<int, 7> means, spread;
    int count;
    std::vector<Flier> fliers;
    long rawSum;
    int remaining, eliminated, coinsToGather;
    bool more;
    int logLines;
    const char* firstLogLine;
};

const FlierCase kFlierRuns[] = {
{"Fliers20of3", 5, CoinType::Standard, {1210, 1330, 905, 412, 388, 356, 171}, {2, 2, 2, 2, 2, 2, 2}, 20, {{3, 0, 150}, {9, 2, 60}, {15, 3, 140}}, 95950,
  17, 3, 0, false, 3,
  "\"Pass 1 Eliminating ( 4) - on parameter 1 Reading  1822 1321 918 419 394 355 172 Means 1242.3 1329.5 889.6 419.0 389.4 355.7 172.1 \""},
{"Fliers12of4", 6, CoinType::Standard, {1210, 1330, 905, 412, 388, 356, 171}, {2, 2, 2, 2, 2, 2, 2}, 12, {{0, 1, 160}, {4, 1, 155}, {7, 2, 50}, {11, 3, 145}}, 58547,
  8, 4, 2, true, 4,
  "\"Pass 1 Eliminating ( 1) - on parameter 2 Reading  1190 2142 888 417 391 358 170 Means 1207.1 1459.7 866.3 429.4 390.1 355.8 170.5 \""},
{"Fliers8of4", 7, CoinType::Standard, {1210, 1330, 905, 412, 388, 356, 171}, {2, 2, 2, 2, 2, 2, 2}, 8, {{1, 0, 140}, {2, 0, 145}, {5, 3, 60}, {6, 2, 150}}, 39508,
  0, 4, 8, true, 4,
  "\"Pass 1 Eliminating ( 2) - on parameter 1 Reading  1678 1329 906 420 386 355 172 Means 1337.6 1328.4 968.5 391.3 387.1 353.9 171.8 \""},
{"BiLfScatter", 8, CoinType::BiMetallic, {1700, 1800, 1350, 600, 520, 480, 250}, {2, 2, 2, 2, 2, 2, 2}, 20, {{2, 4, 150}, {6, 5, 60}, {10, 6, 170}, {12, 0, 140}}, 134578,
  19, 1, 0, false, 1,
  "\"Pass 1 Eliminating ( 13) - on parameter 1 Reading  2364 1793 1349 609 518 472 247 Means 1726.4 1791.0 1348.2 599.8 535.3 471.2 257.1 \""},
};

LearningOptions options(const LearnCase& c) { return {c.model, c.discrim, c.performance, c.coinType}; }

} // namespace

TEST(Learning, RunsPerModelAndOptionsMatchTheIndependentFigures)
{
    for (const LearnCase& c : kRuns) {
        SCOPED_TRACE(c.name);
        BenchState b;
        b.rawReadings = readings(c.seed, c.means, c.spread, c.count);
        ASSERT_EQ(rawSum(b.rawReadings), c.rawSum);
        const FlierProposal p = proposeFlierElimination(b, options(c));
        EXPECT_EQ(p.eliminated, c.eliminated);
        EXPECT_FALSE(p.ask());
        EXPECT_FALSE(applyFlierElimination(b, p, true));
        EXPECT_EQ(searchWindowLevel(b, options(c)), c.level);
        calculateLimits(b, options(c));
        EXPECT_EQ(b.parameterMeans, c.mean);
        EXPECT_EQ(b.sdLower, c.sdLower);
        EXPECT_EQ(b.sdUpper, c.sdUpper);
        EXPECT_EQ(b.parameterLowest, c.lowest);
        EXPECT_EQ(b.parameterHighest, c.highest);
        EXPECT_EQ(b.parameterRange, c.range);
        EXPECT_EQ((std::array<int, 8>{b.windowLimits[0], b.windowLimits[1], b.windowLimits[2], b.windowLimits[3],
                                      b.windowLimits[4], b.windowLimits[5], b.windowLimits[6], b.windowLimits[7]}),
                  c.limits);
        EepromImage img{};
        const WindowPackResult res = programmeCoinWindow(img, c.model, "Channel 1", b);
        EXPECT_TRUE(res.stored());
        EXPECT_EQ(readRecord(img, c.model, 0), c.record);
    }
}

TEST(Learning, WorkedCaseOfTwentyEqualCoins)
{
    // Model 126, channel 1, "Standard" options: level 4, the limits and the record in the high
    // bytes of words 31..43.
    const LearnCase& c = kRuns[0];
    BenchState b;
    const LearningOptions o = options(c);
    updateLatestResults(b, 1);
    b.coinsToGather = 20;
    for (int i = 0; i < 20; ++i) {
        calcResults(b, {0, 1000, 1100, 800, 300, 400, 350, 150}, {});
        updateLatestResults(b, 0);
    }
    EXPECT_EQ(b.coinsToGather, 0);
    EXPECT_FALSE(applyFlierElimination(b, proposeFlierElimination(b, o), true));
    EXPECT_EQ(searchWindowLevel(b, o), 4);
    EXPECT_EQ(b.scaledReadings.front(), (ScaledReading{964, 947, 300, 343}));
    calculateLimits(b, o);
    EepromImage img{};
    img[0] = 0xFFFF;
    img[31] = 0x00AA;
    ASSERT_TRUE(programmeCoinWindow(img, Model::M126, "Channel 1", b).stored());
    const int expect[13] = {0x44, 0x44, 0x40, 0x3B, 0x93, 0xF3, 0xA8, 0x15, 0x12, 0x70, 0x91, 0x47, 0x1F};
    for (int i = 0; i < 13; ++i)
        EXPECT_EQ(img[31 + i], expect[i] << 8 | (i == 0 ? 0xAA : 0)) << i;
    EXPECT_EQ(img[0], 0xFEFF); // channel 1 enabled, the others as they were
}

TEST(Learning, FlierEliminationCases)
{
    for (const FlierCase& c : kFlierRuns) {
        SCOPED_TRACE(c.name);
        BenchState b;
        b.loggingOn = true;
        b.rawReadings = readings(c.seed, c.means, c.spread, c.count, c.fliers);
        ASSERT_EQ(rawSum(b.rawReadings), c.rawSum);
        QStringList log;
        const FlierProposal p =
            proposeFlierElimination(b, {Model::M330, DiscrimType::Type1, Performance::Standard, c.coinType},
                                    [&](const QString& r) { log << r; });
        EXPECT_EQ(int(p.remaining.size()), c.remaining);
        EXPECT_EQ(p.eliminated, c.eliminated);
        EXPECT_EQ(p.coinsToGather, c.coinsToGather);
        EXPECT_EQ(p.ask(), c.coinsToGather > 0);
        ASSERT_EQ(log.size(), c.logLines);
        EXPECT_EQ(log.front(), QString::fromLatin1(c.firstLogLine));
        EXPECT_EQ(b.readingCount(), c.count); // proposing changes nothing

        if (p.ask()) { // Cancel: every reading kept, no coin asked for
            BenchState declined = b;
            EXPECT_FALSE(applyFlierElimination(declined, p, false));
            EXPECT_EQ(declined.readingCount(), c.count);
            EXPECT_EQ(declined.coinsToGather, 0);
        }
        EXPECT_EQ(applyFlierElimination(b, p, true), c.more);
        EXPECT_EQ(b.readingCount(), c.remaining);
        EXPECT_EQ(b.coinsToGather, c.coinsToGather);
    }
    FlierProposal twelve;
    twelve.eliminated = 4;
    twelve.coinsToGather = 2;
    EXPECT_EQ(twelve.message(), " 4 Coin Fliers detected\r\nNeed to redrop  2 Coins\r\n\r\nPress OK to accept "
                                "Elimination of Fliers\r\n\r\nPress CANCEL to Skip Elimination");
}

TEST(Learning, FlierBands)
{
    const LearningOptions o;
    auto survivors = [&](std::vector<RawReading> rows, CoinType t = CoinType::Standard) {
        BenchState b;
        b.rawReadings = std::move(rows);
        LearningOptions opt = o;
        opt.coinType = t;
        return int(proposeFlierElimination(b, opt).remaining.size());
    };
    const RawReading base{1000, 1000, 1000, 1000, 1000, 1000, 1000};
    auto with = [&](int j, int v) {
        RawReading r = base;
        r[j] = v;
        return r;
    };
    // HFTA tolerates 15 %: the value must sit within +-15 % of the others' mean after pass 1's
    // +-22.5 %. Ten equal rows hold the mean at 1000.
    std::vector<RawReading> rows(10, base);
    rows.push_back(with(0, 1150));
    EXPECT_EQ(survivors(rows), 11);
    rows.back() = with(0, 1151);
    EXPECT_EQ(survivors(rows), 10);
    rows.back() = with(2, 1100); // HFD: 10 %
    EXPECT_EQ(survivors(rows), 11);
    rows.back() = with(2, 899);
    EXPECT_EQ(survivors(rows), 10);
    rows.back() = with(6, 1200); // LF Trough: 20 %
    EXPECT_EQ(survivors(rows), 11);
    rows.back() = with(6, 1201);
    EXPECT_EQ(survivors(rows), 10);
    EXPECT_EQ(survivors(rows, CoinType::BiMetallic), 11);  // its LF values never mark a flier
    EXPECT_EQ(survivors(rows, CoinType::BiMetallic2), 10); // the second plated type is tested

    auto eliminated = [&](std::vector<RawReading> rows) {
        BenchState b;
        b.rawReadings = std::move(rows);
        return proposeFlierElimination(b, o).eliminated;
    };
    // Two readings far apart: the first goes against the second; the last, alone, stays
    // (and then, fewer than 5 being left, both are dropped for redrops).
    EXPECT_EQ(eliminated({base, with(0, 2000)}), 1);
    // A negative mean has an empty band: even a lone reading goes.
    EXPECT_EQ(eliminated({with(4, -50)}), 1);
    BenchState none;
    const FlierProposal p = proposeFlierElimination(none, o);
    EXPECT_TRUE(p.noReadings);
    none.coinsToGather = 3;
    EXPECT_FALSE(applyFlierElimination(none, p, true));
    EXPECT_EQ(none.coinsToGather, 3);
}

TEST(Learning, ReadingsStore)
{
    BenchState b;
    b.windowLimits.fill(9);
    b.parameterMeans = {1, 2, 3, 4};
    updateLatestResults(b, 1);
    EXPECT_EQ(b.parameterMeans, (std::array<float, 4>{}));
    EXPECT_EQ(b.windowLimits[0], 9); // elements 1..8 are cleared
    EXPECT_EQ(b.windowLimits[8], 0);
    EXPECT_EQ(b.windowLimits[9], 9);

    b.coinsToGather = 2;
    std::array<int, 8> reading{0, 500, 510, 400, 300, 200, 180, 150};
    std::array<int, 6> baseline{0, 10, 20, 30, 40, 50};
    calcResults(b, reading, baseline);
    EXPECT_EQ(b.latestReading, (RawReading{490, 490, 370, 260, 150, 130, 100}));
    updateLatestResults(b, 0);
    EXPECT_EQ(b.coinsToGather, 1);
    reading[7] = 50; // LF Trough less its baseline is 0: not kept, not counted
    calcResults(b, reading, baseline);
    updateLatestResults(b, 0);
    EXPECT_EQ(b.readingCount(), 1);
    EXPECT_EQ(b.coinsToGather, 1);

    b.rawReadings.assign(kMaxReadings, RawReading{1, 1, 1, 1, 1, 1, 1});
    b.latestReading = {5, 5, 5, 5, 5, 5, 5};
    updateLatestResults(b, 0);
    EXPECT_EQ(b.readingCount(), kMaxReadings);
}

TEST(Learning, LevelSearchAndItsLimit)
{
    // LFA spreads of 256 fail a level, 255 pass: raw LF sums 0 and 256 at level 7.
    BenchState b;
    b.rawReadings = {RawReading{1000, 1000, 800, 300, 100, 100, 100}, RawReading{1000, 1000, 800, 300, 356, 100, 100}};
    const LearningOptions o;
    EXPECT_FALSE(checkCoinWindows(b, o, 7));
    EXPECT_EQ(b.parameterRange[3], 256);
    b.rawReadings[1][4] = 355;
    EXPECT_TRUE(checkCoinWindows(b, o, 7));
    // Nothing fits: the search ends at level 1 with its statistics.
    b.rawReadings[1][4] = 5000;
    EXPECT_EQ(searchWindowLevel(b, o), 1);
    EXPECT_EQ(b.parameterRange[3], 700);
    // No readings: the statistics stay as they were.
    BenchState empty;
    empty.parameterMeans = {7, 7, 7, 7};
    calculateStats(empty);
    EXPECT_EQ(empty.parameterMeans[0], 7);
}

TEST(Learning, CoinCountOfARun)
{
    EXPECT_EQ(coinCountOf("20"), 20);
    EXPECT_EQ(coinCountOf("1"), 1);
    EXPECT_EQ(coinCountOf("100"), 100);
    EXPECT_EQ(coinCountOf("0"), std::nullopt);
    EXPECT_EQ(coinCountOf("101"), std::nullopt);
    EXPECT_EQ(coinCountOf("ten"), std::nullopt);
    EXPECT_EQ(coinCountOf("-5"), std::nullopt);
    EXPECT_EQ(coinCountOf("1e999"), std::nullopt);
    EXPECT_EQ(coinCountOf("99999999999"), std::nullopt);
}

TEST(Learning, ReadingsFarOutsideAMechsRangeDoNotOverflow)
{
    BenchState b;
    const int big = std::numeric_limits<int>::max(), small = std::numeric_limits<int>::min();
    b.rawReadings = {RawReading{big, big, big, big, big, big, small}, RawReading{small, small, small, small, 1, 1, big}};
    const LearningOptions o{Model::M126, DiscrimType::Type1, Performance::Standard, CoinType::Standard};
    searchWindowLevel(b, o);
    calculateLimits(b, o);
    EepromImage img{};
    EXPECT_TRUE(programmeCoinWindow(img, Model::M126, "Channel 16", b).stored());
    std::array<int, 8> coinReading{0, big, small, big, small, big, small, big};
    calcResults(b, coinReading, std::array<int, 6>{0, small, big, small, big, small});
    EXPECT_EQ(b.latestReading[0], big);
    EXPECT_EQ(b.latestReading[1], small);
}

TEST(Learning, TheLogOfARun)
{
    const LearnCase& c = kRuns[1]; // 330, "Standard": level 7 fits at once
    BenchState b;
    b.rawReadings = readings(c.seed, c.means, c.spread, c.count);
    QStringList log;
    const LogSink sink = [&](const QString& r) { log << r; };
    searchWindowLevel(b, options(c), sink);
    EXPECT_TRUE(log.isEmpty()); // nothing without loggingOn
    b.loggingOn = true;
    searchWindowLevel(b, options(c), sink);
    calculateLimits(b, options(c), sink);
    ASSERT_EQ(log.size(), 1 + 20 + 6 + 6);
    EXPECT_EQ(log[0], R"("HFT","HFD","LFF","LFA")");
    EXPECT_EQ(log[5], R"(933,782,411,572,"")"); // the fifth coin, scaled at level 7
    EXPECT_EQ(log[22], R"("HFT",927.85,8.458009,6.837841,911,941,30)");
    EXPECT_EQ(log[28], R"("HFT",891,999,945,108)");
    EXPECT_EQ(log[29], R"("HFD",729,835,782,106)");
}

TEST(Learning, EqualLargeValuesNeverGiveANegativeVariance)
{
    // 75 equal values of this size round Q - S^2 / n to -437: a standard deviation of NaN
    // would slip past the 0.1 floor and into every limit.
    BenchState b;
    b.scaledReadings.assign(75, ScaledReading{1959596800, 1959596800, 1959596800, 1959596800});
    calculateStats(b);
    EXPECT_EQ(b.sdLower, (std::array<float, 4>{0.1f, 0.1f, 0.1f, 0.1f}));
    EXPECT_EQ(b.sdUpper, (std::array<float, 4>{0.1f, 0.1f, 0.1f, 0.1f}));
}
