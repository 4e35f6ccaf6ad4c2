// The simulated second mech's coins and images: what tests and the demo rely on when they drop
// coins and read the EEPROM. Known answers come from ardwell_sim_answers.py.

#include "sim/ardwellcoins.h"
#include "sim/ardwellimages.h"
#include "sim/ardwelltestmode.h"

#include <QSet>
#include <QStringList>
#include <gtest/gtest.h>
#include <algorithm>
#include <cmath>

using namespace sim;
namespace img = sim::ardwellimage;

namespace {

const QStringList kModels{"126", "330", "340", "560", "PCA"};

struct Stats {
    double mean = 0, sd = 0;
    int lowest = 0, highest = 0;
};

// Parameter k of n coins of a kind at a level.
Stats parameterStats(CoinSource& src, int kind, bool m126, int level, int k, int n = 20)
{
    std::vector<int> v;
    for (int i = 0; i < n; ++i)
        v.push_back(windowParameters(m126, src.next(kind).raw, level)[std::size_t(k)]);
    Stats s;
    for (int x : v)
        s.mean += x;
    s.mean /= n;
    for (int x : v)
        s.sd += (x - s.mean) * (x - s.mean);
    s.sd = std::sqrt(s.sd / n);
    s.lowest = *std::min_element(v.begin(), v.end());
    s.highest = *std::max_element(v.begin(), v.end());
    return s;
}

} // namespace

TEST(ArdwellCoins, DrawnCoinsFitTheirFieldsAndQueuedCoinsComeFirst)
{
    CoinSource src(7);
    src.setFlierRate(0.3);
    for (int kind = -1; kind < kCoinKindCount; ++kind) {
        for (int i = 0; i < 200; ++i) {
            const CoinSample s = kind < 0 ? src.slug() : src.next(kind);
            const auto r = s.readings();
            for (int j = 0; j < 7; ++j) {
                EXPECT_GE(s.raw[std::size_t(j)], 1) << kind;
                EXPECT_LE(r[std::size_t(j)], j < 6 ? 8191 : 16383) << kind;
            }
            for (int ref : s.reference) {
                EXPECT_GE(ref, 0);
                EXPECT_LE(ref, 16383);
            }
        }
    }

    const CoinSample exact = CoinSample::fromReadings({3000, 3150, 2600, 2800, 1900, 1850, 1650}, {2000, 2050, 1800, 2500, 1500});
    EXPECT_EQ(exact.raw, (std::array<int, 7>{1000, 1100, 800, 300, 400, 350, 150}));
    src.queue(exact);
    src.queue({5, 6, 7, 8, 9, 10, 11}, {1, 2, 3, 4, 5});
    EXPECT_EQ(src.next(Coin6).raw, exact.raw) << "whatever kind is asked";
    EXPECT_EQ(src.slug().raw[0] > 100, true) << "a slug never takes a queued coin";
    EXPECT_EQ(src.next(Coin1).reference, (std::array<int, 5>{1, 2, 3, 4, 5}));
    EXPECT_EQ(src.queued(), 0);

    CoinSource a(3), b(3), c(4);
    const auto first = a.next(Coin2).raw;
    EXPECT_EQ(first, b.next(Coin2).raw) << "a seed gives the same coins";
    EXPECT_NE(first, c.next(Coin2).raw);
}

TEST(ArdwellCoins, FliersAndZeroValuesOnDemand)
{
    CoinSource src(11);
    src.setFlierRate(1);
    const auto& mean = coinKind(Coin3).raw;
    for (int i = 0; i < 100; ++i) {
        const CoinSample s = src.next(Coin3);
        int off = 0;
        for (int j = 0; j < 7; ++j) {
            const double dev = std::abs(s.raw[std::size_t(j)] / mean[std::size_t(j)] - 1);
            if (dev > 0.15) {
                ++off;
                EXPECT_GT(dev, 0.24);
                EXPECT_LT(dev, 0.66);
            }
        }
        EXPECT_EQ(off, 1) << "one value of each flier, 30 to 60 % off";
    }
    src.setFlierRate(0);
    src.setZeroRate(1);
    for (int i = 0; i < 20; ++i) {
        const auto raw = src.next(Coin1).raw;
        EXPECT_EQ(std::count(raw.begin(), raw.end(), 0), 1);
    }
}

TEST(ArdwellCoins, KindsThatExerciseLearning)
{
    // The worked case: 126 at level 4, and the other scaling at level 7.
    const std::array<int, 7> raw{1000, 1100, 800, 300, 400, 350, 150};
    EXPECT_EQ(windowParameters(true, raw, 4), (std::array<int, 4>{964, 947, 300, 343}));
    EXPECT_EQ(windowParameters(false, raw, 7), (std::array<int, 4>{766, 700, 300, 600}));

    for (quint32 seed = 1; seed <= 6; ++seed) {
        for (bool m126 : {true, false}) {
            CoinSource src(seed);
            // The LFA range of 20 coins fits a byte at level 3 but not at level 4.
            const Stats l4 = parameterStats(src, LevelThree, m126, 4, 3);
            const Stats l3 = parameterStats(src, LevelThree, m126, 3, 3);
            EXPECT_GE(l4.highest - l4.lowest, 256) << seed;
            EXPECT_LT(l3.highest - l3.lowest, 256) << seed;
            // A learned HFD window spans at least six spreads: more than a byte here.
            EXPECT_GT(6 * parameterStats(src, WideHfd, m126, 7, 1).sd, 255) << seed;
            // LFA close to zero with a spread that takes the low limit below it.
            const Stats neg = parameterStats(src, NegativeLfa, m126, m126 ? 4 : 7, 3);
            EXPECT_LT(neg.mean - 3 * neg.sd - 15.5, 0) << seed;
            EXPECT_GT(neg.mean, -5);
        }
    }
    // Bi-metallic coins scatter in their LF values only.
    CoinSource src(5);
    EXPECT_GT(parameterStats(src, BiMetallic, false, 7, 3, 40).sd, 50);
    EXPECT_LT(parameterStats(src, BiMetallic, false, 7, 0, 40).sd, 15);
}

TEST(ArdwellImages, RecordsRoundTripWithSignsAndStayInTheirByte)
{
    img::Words w(128, 0x5A5A);
    const img::WindowRecord rec{3, {100, -2000, 5, -4095}, {20, 255, 0, 16}};
    img::storeRecord(w, 34, 3, rec); // channel 4: low bytes of words 47..59
    const auto back = img::readRecord(w, 34, 3);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->level, 3);
    EXPECT_EQ(back->low, rec.low);
    EXPECT_EQ(back->width, rec.width);
    EXPECT_EQ(w[47], 0x5A44);
    EXPECT_EQ(w[49], 0x5A35) << "level 3, signs of parameters 2 and 4";
    EXPECT_EQ(w[46], 0x5A5A);
    EXPECT_EQ(w[60], 0x5A5A);

    // Out of their fields: cut to 12 and 8 bits, never spilling into the neighbour.
    const auto bytes = img::packRecord({7, {5000, 0, 0, 0}, {300, -4, 0, 0}});
    EXPECT_EQ(bytes[3], 0xFF);
    EXPECT_EQ(bytes[4], 0xFF);
    EXPECT_EQ(bytes[5], 0xF0);

    for (int i = 0; i < 3; ++i)
        img::setCoinByte(w, 47 + i, 1, 0);
    EXPECT_FALSE(img::readRecord(w, 34, 3).has_value()) << "R0..R2 clear: not programmed";
    EXPECT_FALSE(img::readRecord(img::standardImage("PCA"), 34, 14).has_value()) << "runs past word 127";
}

TEST(ArdwellImages, EveryModelDecodesToSensibleSettings)
{
    for (const QString& model : kModels) {
        SCOPED_TRACE(model.toStdString());
        const img::Words w = img::standardImage(model);
        const bool m126 = model == "126";
        ASSERT_EQ(int(w.size()), m126 ? 256 : 128);
        const int sw = m126 ? 2 : 3;
        EXPECT_EQ(w[std::size_t(sw)], 0x0012);
        EXPECT_EQ(w[std::size_t(sw + 1)], 0xABCD);

        for (int idx = 0; idx < 16; ++idx) {
            const int kind = img::taughtKind(model, img::Variant::Standard, idx);
            if (idx < img::channelCount(model)) {
                EXPECT_EQ(img::readRecord(w, img::recordBase(model), idx).has_value(), kind >= 0) << idx;
            }
            EXPECT_EQ(img::coinBit(w, 0, idx), kind < 0 || kind == Token) << idx;
        }
        for (int idx = 0; idx < 6; ++idx)
            EXPECT_EQ(img::taughtKind(model, img::Variant::Standard, idx), idx);

        const auto singleBit = [](int b) { return b != 0 && (b & (b - 1)) == 0; };
        const auto linesOf = [&](int first, int count, int idx) {
            int n = 0;
            for (int k = 0; k < count; ++k)
                n += img::coinBit(w, first + k, idx);
            return n;
        };
        QSet<int> unused;
        const auto addRange = [&](int a, int b) {
            for (int i = a; i <= b; ++i)
                unused.insert(i);
        };
        if (model == "330") {
            for (int idx = 0; idx < 12; ++idx) {
                EXPECT_LE(linesOf(112, 8, idx), 1) << idx;
                EXPECT_NE(img::coinByte(w, 120, idx), 0) << idx;
            }
            for (int idx = 0; idx < 6; ++idx)
                EXPECT_EQ(img::coinByte(w, 120, idx), 1 << idx) << "outputs A..F";
            addRange(126, 127);
        } else if (model == "340") {
            EXPECT_EQ(w[112] >> 12, 3);
            EXPECT_GE(w[113] >> 8, 1);
            EXPECT_GT(w[114], 0);
            for (int idx = 0; idx < 12; ++idx)
                EXPECT_NE(img::coinByte(w, 121, idx), 0) << idx;
            addRange(116, 116);
            addRange(127, 127);
        } else if (model == "560") {
            for (int idx = 0; idx < 12; ++idx)
                EXPECT_TRUE(img::coinByte(w, 122, idx) & 0x80) << idx;
            addRange(112, 121);
        } else if (m126) {
            for (int idx = 0; idx < 16; ++idx) {
                EXPECT_LE(linesOf(216, 6, idx), 1) << idx;
                const int bco = img::coinByte(w, 222, idx);
                EXPECT_TRUE(bco == 0 || (bco & 2)) << idx;
                EXPECT_TRUE(singleBit(img::coinByte(w, 240, idx))) << idx;
                EXPECT_TRUE(singleBit(img::coinByte(w, 248, idx))) << idx;
            }
            EXPECT_EQ(w[239] & 0xFF, 0x38);
            addRange(135, 215);
            addRange(230, 238);
        }
        addRange(1, m126 ? 1 : 2);
        addRange(sw + 2, img::recordBase(model) - 1);
        // Words the map leaves alone are non-zero, and no two words are alike but the records'
        // header words (level bytes repeat) and the empty records of untaught pairs.
        for (int a : unused)
            EXPECT_NE(w[std::size_t(a)], 0) << a;
        const int base = img::recordBase(model);
        for (int a = 0; a < int(w.size()); ++a) {
            const bool header = a >= base && a < base + 13 * (img::channelCount(model) / 2) && (a - base) % 13 < 3;
            if (!header && w[std::size_t(a)] != 0) {
                EXPECT_EQ(std::count(w.begin(), w.end(), w[std::size_t(a)]), 1) << a;
            }
        }
    }
}

TEST(ArdwellImages, TheSecondMechDiffersWhereverACopyTakesWordsOver)
{
    for (const QString model : {"126", "330", "340", "560"}) { // a copy takes nothing over on a PCA
        SCOPED_TRACE(model.toStdString());
        const img::Words a = img::standardImage(model), b = img::otherImage(model);
        const bool m126 = model == "126";
        const std::vector<std::pair<int, int>> copied = m126 ? std::vector<std::pair<int, int>>{{0, 1}, {4, 11}, {25, 30}, {215, 255}}
                                                              : std::vector<std::pair<int, int>>{{0, 2}, {5, 14}, {28, 33}, {112, 127}};
        for (const auto& [first, last] : copied)
            for (int w = first; w <= last; ++w)
                EXPECT_NE(a[std::size_t(w)], b[std::size_t(w)]) << w;
        const int sw = m126 ? 2 : 3;
        EXPECT_EQ(b[std::size_t(sw)], 0x0034);
        EXPECT_EQ(b[std::size_t(sw + 1)], 0xEF56);
    }

    const QByteArray file = img::imageFile(img::otherImage("330"));
    const QList<QByteArray> lines = file.split('\n');
    ASSERT_EQ(lines.size(), 257);
    EXPECT_TRUE(lines.last().isEmpty());
    EXPECT_EQ(lines[3], "0003 0034\r");
    EXPECT_EQ(lines[4], "0004 EF56\r");
    EXPECT_EQ(lines[128], "0080 0000\r") << "past the 330's words";
    EXPECT_EQ(lines[255], "00FF 0000\r");
}

TEST(ArdwellImages, TaughtChannelsAcceptTheirCoins)
{
    for (const QString& model : kModels) {
        SCOPED_TRACE(model.toStdString());
        const img::Words w = img::standardImage(model);
        CoinSource src(21);
        for (int idx = 0; idx < 16; ++idx) {
            const int kind = img::taughtKind(model, img::Variant::Standard, idx);
            if (kind < 0)
                continue;
            int hits = 0;
            for (int i = 0; i < 300; ++i) {
                const CoinOutcome o = classify(model, w, src.next(kind));
                EXPECT_TRUE(o.channel == idx || o.channel < 0) << "kind " << kind << " on channel " << o.channel;
                hits += o.channel == idx;
                EXPECT_EQ(o.inhibited, o.channel >= 0 && kind == Token);
            }
            // Coins 1..6 always; the scattering kinds nearly always.
            EXPECT_GE(hits, kind < 6 ? 300 : 290) << "kind " << kind;
        }
        for (int i = 0; i < 200; ++i) {
            EXPECT_EQ(classify(model, w, src.next(Foreign)).rejectReason(), reason::UnknownPayment);
            EXPECT_EQ(classify(model, w, src.slug()).channel, -1);
        }
    }
}
