// Measurement samples on the wire. Frames, packed coin values and the keep-alive schedule are
// known answers from tests/quenby/measure_vectors.py.
#include "quenby/link/measurewire.h"
#include "quenby/shell/texts.h"
#include "tests/quenby/models.h"
#include "tests/support/testservices.h"

#include <gtest/gtest.h>

#include <random>

using namespace quenby;
using quenby_tests::paramsOf;
using testing_support::errNumber;

namespace {

MeasurePlan planOf(const QString& family, const QString& model)
{
    return measurePlan(mechEntry(familyNamed(family), model));
}

CcFrame frameOf(std::initializer_list<int> bytes)
{
    CcFrame f;
    for (int b : bytes)
        f.slot[size_t(f.count++)] = b;
    return f;
}

std::vector<qint32> valuesOf(const CcMeasureSample& s)
{
    return {s.values.begin(), s.values.begin() + s.valueCount};
}

template <size_t N>
std::vector<qint32> first(const std::array<qint32, N>& r, int n)
{
    return {r.begin(), r.begin() + n};
}

// From measure_vectors.py: coin c (1..12) has parameter codes ((c-1) x 6 + p - 1) mod 16.
const QString kCoinData = "06C28E4A06C217D39F5B17D328E4A06C28E439F5B17D39F54A06C28E4A065B17D39F5B17"
                          "0102040810203F4080C1FF00"
                          "0?AQa12@P`oO";

} // namespace

TEST(MeasureWire, PlanPerFamilyAndModel)
{
    const auto describe = [](const char* family, const char* model) {
        const MeasurePlan p = planOf(family, model);
        const char* layouts[] = {"", " decimal", " direct", " by map"};
        return QString::number(int(p.road)) + " " + QString::fromLatin1(p.request.toHex()) +
               (p.armsKeepAlive ? " armed" : "") + (p.keepAliveRepeats ? " repeats" : "") +
               (p.nriReplies ? " x" + QString::number(p.nriReplies) : "") + layouts[int(p.nriLayout)] +
               (p.beepEachSample ? " beep" : "") + (p.remapsNriTables ? " remaps" : "");
    };
    EXPECT_EQ(describe("Mars", "MS1400"), "1 ");
    EXPECT_EQ(describe("CC", "C120"), "2 7f1f9e");
    EXPECT_EQ(describe("CC", "435"), "2 7f1f9e");
    EXPECT_EQ(describe("CC", "450"), "2 7f1f9e");
    EXPECT_EQ(describe("CC", "220B"), "2 ffff armed repeats");
    EXPECT_EQ(describe("CC", "335"), "2 ffff armed repeats");
    // A CC model the table does not list is asked like the older ones, but never again.
    EXPECT_EQ(describe("CC", "999"), "2 ffff armed");
    EXPECT_EQ(describe("CC", "Sentinel"), "3 ");
    EXPECT_EQ(describe("NRI", "G13-0000"), "4  x4 decimal beep");
    EXPECT_EQ(describe("NRI", "G18-0000"), "4  x4 decimal beep");
    EXPECT_EQ(describe("NRI", "G10-4000"), "4  x4 decimal");
    EXPECT_EQ(describe("NRI", "G13-6000"), "4  x1 by map remaps");
    EXPECT_EQ(describe("NRI", "G40-0000"), "4  x1 by map remaps");
    EXPECT_EQ(describe("NRI", "G18-3000"), "4  x1 direct remaps");
    EXPECT_EQ(describe("NRI", "G10-4000/5"), "4  x1 direct");
    EXPECT_EQ(describe("NRI", "G99"), "0 ");
}

TEST(MeasureWire, CcFramesAndTheirSums)
{
    const CcMeasureSample older = decodeCcMeasureFrame(frameOf({0x3F, 0x3D, 0x82, 0x61, 0x5F}), 4);
    EXPECT_TRUE(older.sumOk);
    EXPECT_EQ(valuesOf(older), (std::vector<qint32>{61, 130, 97}));
    EXPECT_FALSE(decodeCcMeasureFrame(frameOf({0x3F, 0x3D, 0x82, 0x61, 0x60}), 4).sumOk);

    EXPECT_EQ(valuesOf(decodeCcMeasureFrame(frameOf({0x3F, 10, 20, 30, 40, 50, 0xD5}), 6)),
              (std::vector<qint32>{10, 20, 30, 40, 50}));
    EXPECT_EQ(valuesOf(decodeCcMeasureFrame(frameOf({0x3F, 10, 20, 30, 40, 50, 60, 0x11}), 7)),
              (std::vector<qint32>{10, 20, 30, 40, 50, 60}));
    // A six-value frame whose seventh byte equals the sum of the first six is taken as five.
    EXPECT_EQ(valuesOf(decodeCcMeasureFrame(frameOf({0x3F, 1, 2, 3, 4, 5, 78}), 6)),
              (std::vector<qint32>{1, 2, 3, 4, 5}));
    EXPECT_EQ(valuesOf(decodeCcMeasureFrame(frameOf({0x3F, 1, 2, 3, 4, 5, 6, 7, 8, 0x63}), 9)),
              (std::vector<qint32>{1, 2, 3, 4, 5, 6, 7, 8}));

    // A checksum place outside the collected bytes fails rather than reading stale slots.
    CcFrame stale = frameOf({0x3F, 1, 2, 3, 4, 5, 6, 7, 8, 0x63});
    stale.count = 5;
    EXPECT_FALSE(decodeCcMeasureFrame(stale, 9).sumOk);
    EXPECT_FALSE(decodeCcMeasureFrame(stale, 0).sumOk);
    EXPECT_FALSE(decodeCcMeasureFrame(stale, -1).sumOk);
    stale.count = 33;
    EXPECT_FALSE(decodeCcMeasureFrame(stale, 33).sumOk);
}

TEST(MeasureWire, KeepAliveRepeatsAfterElevenSecondsThenEverySix)
{
    const auto run = [](bool repeats, int ticks, int samplesDoneAt) {
        std::vector<int> sent;
        qint32 count = kKeepAliveFirst;
        for (int t = 1; t <= ticks; ++t) {
            const KeepAliveTick k = keepAliveTick(count, repeats, t >= samplesDoneAt ? 0 : 1);
            count = k.keepAliveCount;
            if (k.send)
                sent.push_back(t);
        }
        return sent;
    };
    EXPECT_EQ(run(true, 30, 1000), (std::vector<int>{11, 17, 23, 29}));
    EXPECT_EQ(run(true, 40, 20), (std::vector<int>{11, 17}));
    EXPECT_EQ(run(false, 40, 1000), std::vector<int>{});
}

TEST(MeasureWire, SentinelReadings)
{
    const SentinelSample ok = parseSentinelReading("ZZR3D  82  61\r", 3);
    EXPECT_TRUE(ok.valid);
    EXPECT_FALSE(ok.rejectSound);
    EXPECT_EQ(first(ok.values, 4), (std::vector<qint32>{61, 130, 97, 0}));

    // Zero first value: polled again silently; 255 or a cut reply: rejected with the sound.
    const SentinelSample zero = parseSentinelReading("ZZR00  82  61", 3);
    EXPECT_FALSE(zero.valid || zero.rejectSound);
    const SentinelSample full = parseSentinelReading("ZZR3D  FF  61", 3);
    EXPECT_TRUE(!full.valid && full.rejectSound);
    const SentinelSample cut = parseSentinelReading("ZZR3D  8", 3);
    EXPECT_TRUE(!cut.valid && cut.rejectSound);
    EXPECT_EQ(first(cut.values, 3), (std::vector<qint32>{61, 8, 0}));
    const SentinelSample none = parseSentinelReading("", 3);
    EXPECT_FALSE(none.valid || none.rejectSound);
    const SentinelSample junk = parseSentinelReading("ZZRG1  G2  G3", 3);
    EXPECT_FALSE(junk.valid || junk.rejectSound);
}

TEST(MeasureWire, NriMeasureRepliesOldAndNew)
{
    NriCoinTables nri;
    nri.nriCoinParams[2] = {0, 5, 4, 3, 2, 1, 0};
    const auto parse = [&](const char* model, const QByteArray& reply, int coin = 2) {
        return first(parseNriMeasureReply(reply, planOf("NRI", model), paramsOf("NRI", model).paramCount, coin, nri),
                     6);
    };
    EXPECT_EQ(parse("G13-0000", "061130097045"), (std::vector<qint32>{61, 130, 97, 45, 0, 0}));
    EXPECT_EQ(parse("G10-4000", "06113"), (std::vector<qint32>{61, 13, 0, 0, 0, 0}));
    EXPECT_EQ(parse("G18-3000", "3D82610A0B0C"), (std::vector<qint32>{61, 130, 97, 10, 11, 12}));
    EXPECT_EQ(parse("G13-6000", "3D82610A0B0C"), (std::vector<qint32>{12, 11, 10, 97, 130, 61}));
    EXPECT_EQ(parse("G40-0000", "3D8261"), (std::vector<qint32>{0, 0, 0, 97, 130, 61}));
    EXPECT_EQ(errNumber([&] { parse("G13-6000", "3D", 25); }), 9);
    EXPECT_EQ(errNumber([&] { parse("G13-6000", "3D", -1); }), 9);
}

TEST(MeasureWire, ReadingLogRowsAreByteExact)
{
    const Reading r{61, 130, 97, 7};
    EXPECT_EQ(readingLogRow(r, 3), QByteArray("\"\",61,\"\",130,\"\",97,\"\",\"\"\r\n"));
    EXPECT_EQ(readingLogRow(Reading{-1, 0}, 2), QByteArray("\"\",-1,\"\",0,\"\",\"\"\r\n"));
    EXPECT_EQ(readingLogRow(r, 0), QByteArray("\"\",\"\"\r\n"));
}

TEST(MeasureWire, NriCoinDataDecodes)
{
    const ModelParams p = paramsOf("NRI", "G13-6000");
    CoinArray outputs{};
    NriCoinTables nri;
    decodeNriCoinData(kCoinData, p, outputs, nri);
    EXPECT_EQ(nri.nriCoinParams[2], (std::array<qint32, 7>{0, 6, 7, 8, 9, 10, 11}));
    EXPECT_EQ(nri.nriCoinParams[12], (std::array<qint32, 7>{0, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(first(outputs, 13), (std::vector<qint32>{0, 0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x3F, 0x40, 0x80,
                                                       0xC1, 0xFF, 0x00}));
    // Packed "0" 0, "?" 15, "A" 65, "Q" 129, "a" 193 ...
    EXPECT_EQ(first(nri.nriCoinValues, 13),
              (std::vector<qint32>{0, 0, 15, 65, 129, 193, 1, 2, 64, 128, 192, 207, 79}));
    // Lower-case hex digits are digits too.
    CoinArray again{};
    NriCoinTables nri2;
    decodeNriCoinData(kCoinData.left(96).toLower() + kCoinData.mid(96), p, again, nri2);
    EXPECT_EQ(again, outputs);
    EXPECT_EQ(nri2.nriCoinParams, nri.nriCoinParams);
}

TEST(MeasureWire, BadNriCoinDataChangesNoTable)
{
    const ModelParams p = paramsOf("NRI", "G40-0000");
    CoinArray outputs{};
    outputs.fill(-7);
    NriCoinTables nri;
    nri.nriCoinValues.fill(-7);
    const CoinArray outputsBefore = outputs;
    const NriCoinTables nriBefore = nri;
    const auto refused = [&](const QString& s) {
        const int n = errNumber([&] { decodeNriCoinData(s, p, outputs, nri); });
        EXPECT_EQ(outputs, outputsBefore);
        EXPECT_EQ(nri.nriCoinValues, nriBefore.nriCoinValues);
        EXPECT_EQ(nri.nriCoinParams, nriBefore.nriCoinParams);
        return n;
    };
    EXPECT_EQ(refused(kCoinData.left(107)), 9);
    EXPECT_EQ(refused(""), 9);
    EXPECT_EQ(refused(QString(kCoinData).replace(0, 1, "G")), 13);  // a parameter digit
    EXPECT_EQ(refused(QString(kCoinData).replace(71, 1, " ")), 13); // the last one
    EXPECT_EQ(refused(QString(kCoinData).replace(95, 1, "x")), 13); // an output pair
    // A layout no record has: refused, not written past the tables.
    ModelParams wide = p;
    wide.coinCount = 25;
    EXPECT_EQ(errNumber([&] { decodeNriCoinData(kCoinData, wide, outputs, nri); }), 9);
    EXPECT_EQ(outputs, outputsBefore);
}

TEST(MeasureWire, RemapCopiesTheLinkedChannelsTables)
{
    NriReadTables read;
    read.mechCoinValues[3] = 50;
    read.nriCoinX0F[3] = 0x21;
    read.nriCoinOutput[3] = 0x42;
    read.nriParamTable[3] = {0, 1, 2, 3, 4, 5, 6};
    read.mechCoinValues[24] = 99;
    CheckedArray<qint32, 25> link;
    link(1) = 3;
    link(2) = -3;
    link(4) = 24; // beyond the model's channels, still a channel of the tables

    CheckedArray<qint32, 25> values;
    values(5) = 7;
    CoinArray outputs{};
    NriCoinTables nri;
    remapCoinTables(planOf("NRI", "G13-6000"), paramsOf("NRI", "G13-6000"), link, read, values, outputs, nri);
    EXPECT_EQ(values(1), 50);
    EXPECT_EQ(values(2), 50);
    EXPECT_EQ(values(4), 99);
    EXPECT_EQ(values(5), 7);
    EXPECT_EQ(outputs[2], 0x21);
    EXPECT_EQ(nri.nriCoinValues[1], 0x42);
    EXPECT_EQ(nri.nriCoinParams[2], (std::array<qint32, 7>{0, 1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(nri.nriCoinParams[5], (std::array<qint32, 7>{}));

    // A model whose NRI tables are not remapped only takes the coin values.
    CheckedArray<qint32, 25> values2;
    CoinArray outputs2{};
    NriCoinTables nri2;
    remapCoinTables(planOf("NRI", "G10-4000/5"), paramsOf("NRI", "G10-4000/5"), link, read, values2, outputs2, nri2);
    EXPECT_EQ(values2(2), 50);
    EXPECT_EQ(outputs2[2], 0);
    EXPECT_EQ(nri2.nriCoinParams[2][1], 0);

    // A link to no channel: refused before anything is copied.
    link(6) = -25;
    CheckedArray<qint32, 25> values3;
    EXPECT_EQ(errNumber([&] {
                  remapCoinTables(planOf("NRI", "G13-6000"), paramsOf("NRI", "G13-6000"), link, read, values3,
                                  outputs2, nri2);
              }),
              9);
    EXPECT_EQ(values3(1), 0);
}

TEST(MeasureWire, FuzzedFramesRepliesAndCoinData)
{
    std::mt19937 rng(31);
    const QByteArray hexish = "0123456789ABCDEFabcdef G?\r";
    const auto randomBytes = [&](int maxLen, bool anyByte) {
        QByteArray out;
        for (int n = int(rng() % unsigned(maxLen + 1)); n > 0; --n)
            out += anyByte ? char(rng() % 256) : hexish[int(rng() % unsigned(hexish.size()))];
        return out;
    };
    const ModelParams g13 = paramsOf("NRI", "G13-6000");
    const MeasurePlan plans[] = {planOf("NRI", "G13-0000"), planOf("NRI", "G18-3000"), planOf("NRI", "G40-0000")};
    NriCoinTables nri;
    for (auto& row : nri.nriCoinParams)
        for (qint32& q : row)
            q = qint32(rng() % 40) - 5;
    for (int k = 0; k < 20000; ++k) {
        CcFrame f;
        f.count = int(rng() % 34);
        for (qint32& b : f.slot)
            b = qint32(rng() % 256);
        const CcMeasureSample s = decodeCcMeasureFrame(f, int(rng() % 40) - 3);
        ASSERT_LE(s.valueCount, 11);

        const QByteArray reply = randomBytes(40, k % 2);
        const SentinelSample sen = parseSentinelReading(reply, int(rng() % 14) - 1);
        for (qint32 v : sen.values)
            ASSERT_TRUE(v >= 0 && v <= 255);
        const Reading r = parseNriMeasureReply(reply, plans[k % 3], int(rng() % 14) - 1, int(rng() % 25), nri);
        if (plans[k % 3].nriLayout != NriReplyLayout::Decimal) {
            for (qint32 v : r)
                ASSERT_TRUE(v >= 0 && v <= 255);
        }

        // Coin data: a good record cut short or with one character changed, or noise.
        QString data = kCoinData;
        if (k % 3 == 0)
            data.truncate(int(rng() % 120));
        else if (k % 3 == 1)
            data[int(rng() % 108)] = QChar(ushort(rng() % 256));
        else
            data = QString::fromLatin1(randomBytes(130, true));
        CoinArray outputs{};
        NriCoinTables t;
        const int err = errNumber([&] { decodeNriCoinData(data, g13, outputs, t); });
        ASSERT_TRUE(err == 0 || err == 9 || err == 13);
        for (int c = 1; c <= 12; ++c)
            ASSERT_TRUE(outputs[size_t(c)] >= 0 && outputs[size_t(c)] <= 255 && t.nriCoinValues[size_t(c)] <= 255);
    }
}
