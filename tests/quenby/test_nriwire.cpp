// Known answers by hand from the NRI record layouts, and from tests/quenby/memory_vectors.py.
#include "quenby/link/nriwire.h"
#include "quenby/shell/texts.h"
#include "tests/quenby/models.h"

#include <gtest/gtest.h>

using namespace quenby;
using quenby_tests::paramsOf;

namespace {

// "command/replies>line" per step, the pause after it as "+ms".
QByteArray describe(const std::vector<NriReadStep>& plan)
{
    QByteArrayList out;
    for (const NriReadStep& s : plan) {
        QByteArray d = s.command + "/" + QByteArray::number(s.replies) + ">" + QByteArray::number(s.line);
        if (s.pauseAfterMs)
            d += "+" + QByteArray::number(s.pauseAfterMs);
        out << d;
    }
    return out.join(' ');
}

QByteArrayList commandsOf(const NriProgramPlan& plan)
{
    QByteArrayList out;
    for (const NriWriteStep& s : plan.steps)
        out << s.command;
    return out;
}

struct Model {
    explicit Model(const QString& name) : entry(mechEntry(Family::NRI, name)), params(paramsOf("NRI", name)) {}
    MechEntry entry;
    ModelParams params;
    std::vector<NriReadStep> plan() const { return nriReadPlan(entry, params); }
    // Stores `reply` as the answer to `command` and returns the tables.
    void store(const QByteArray& command, const QByteArray& reply, NriReadTables& t) const
    {
        for (const NriReadStep& s : plan()) {
            if (s.command == command) {
                storeNriReply(s, reply, entry, params, t);
                return;
            }
        }
        ADD_FAILURE() << "no step " << command.constData();
    }
    NriProgramPlan program(const NriProgramInput& in, const NriReadTables& last = {}) const
    {
        return nriProgramPlan(entry, params, in, last, QDate(2026, 12, 7));
    }
};

using V = std::vector<qint32>;

template <std::size_t N>
V at(const std::array<qint32, N>& a, std::initializer_list<int> indexes)
{
    V out;
    for (int i : indexes)
        out.push_back(a[size_t(i)]);
    return out;
}

const NriWriteStep* stepOf(const NriProgramPlan& plan, const QByteArray& command)
{
    for (const NriWriteStep& s : plan.steps) {
        if (s.command == command)
            return &s;
    }
    return nullptr;
}

} // namespace

TEST(NriReadPlan, CommandsRepliesAndLinesOfEveryGroup)
{
    EXPECT_EQ(describe(Model("G13-0000").plan()),
              "Z/1>8+200 Y/7>7 /0>0+200 V1/8>1+200 V2/8>2+200 V3/8>3+200 V4/8>4+200 V5/8>5+200 V6/8>6+200");
    EXPECT_TRUE(describe(Model("G10-4000").plan()).startsWith("Z/1>10+200 X/1>9 /0>0+200 V1/8>1+200"));
    EXPECT_EQ(describe(Model("G13-6000").plan()),
              "X00/1>1 X01/1>2 X02/1>3 X03/1>4 X04/1>5 X05/1>6 X06/1>7 X07/1>8 X08/1>9 X09/1>10 X0A/1>11 "
              "X0B/1>12 X0C/1>13 X0D/1>14 X0E/1>15 X0F/1>16 X10/1>17 X12/1>19 X13/1>20 X14/1>21 X15/1>22 "
              "X16/1>23 X17/1>24 X18/1>25 X19/1>26 X1A/1>27 X1B/1>28 X11/1>18");
    EXPECT_TRUE(describe(Model("G18-3000").plan()).endsWith("X18/1>25 X19/1>26 X11/1>18"));
    EXPECT_TRUE(describe(Model("G10-4000/5").plan()).endsWith("X0F/1>16 X10/1>17 X11/1>18 X12/1>19 X13/1>20 X14/1>21"));
    EXPECT_TRUE(Model("G99").plan().empty());

    // The bar: coins set it to their number, the records after them raise it to 16.
    int bar = 0;
    for (const NriReadStep& s : Model("G13-6000").plan())
        bar = s.progress >= 0 ? s.progress : bar + (s.advance ? 1 : 0);
    EXPECT_EQ(bar, 16);
}

TEST(NriReadReplies, NewModelRecords)
{
    const Model g13("G13-6000");
    NriReadTables t;
    g13.store("X02", "070C1A", t);
    EXPECT_EQ(t.nriIdent, "070C1A");
    g13.store("X03", "1E0AFF00", t); // high first; parameters 3..6 missing
    EXPECT_EQ(t.nriLimitTable[1], (std::array<qint32, 13>{0, 10, 30, 0, 255, 0, 0, 0, 0, 0, 0, 0, 0}));
    g13.store("X0E", "0102", t);
    EXPECT_EQ(at(t.nriLimitTable[12], {1, 2}), (V{2, 1}));
    EXPECT_EQ(t.nriDataLines[15], "0102");

    g13.store("X10", "450A01", t); // (69 AND 63) x byte
    EXPECT_EQ(t.coinValueMultipleRead, 0x45);
    EXPECT_EQ(at(t.mechCoinValues, {1, 2, 3}), (V{50, 5, 0}));
    g13.store("X12", "480340C1", t); // line 4 + 64; two line bits; none; line 1 + 192
    EXPECT_EQ(at(t.nriCoinOutput, {1, 2, 3, 4}), (V{68, 0, 64, 193}));
    g13.store("X13", "123456ABCDEF", t);
    EXPECT_EQ(at(t.nriParamTable[1], {1, 6}), (V{1, 6}));
    EXPECT_EQ(at(t.nriParamTable[2], {1, 6}), (V{10, 15}));
    g13.store("X0F", "0102", t);
    EXPECT_EQ(at(t.nriCoinX0F, {1, 2, 3}), (V{1, 2, 0}));
    g13.store("X19", "0A0B0C0D0E0F", t);
    g13.store("X1A", "21", t);
    g13.store("X1B", "22xx", t);
    EXPECT_EQ(t.nriCompensation, (std::array<qint32, 7>{10, 11, 12, 13, 0x21, 0x22, 0}));
    g13.store("X11", "0123", t);
    EXPECT_EQ(t.nriInfoLines[0], "0123");
    EXPECT_EQ(t.nriDataLines[18], "0123");

    // A G18-3000 has six compensation values in record 19.
    Model("G18-3000").store("X19", "0A0B0C0D0E0F", t);
    EXPECT_EQ(t.nriCompensation, (std::array<qint32, 7>{10, 11, 12, 13, 14, 15, 0}));
}

TEST(NriReadReplies, G10ValueRecords)
{
    NriReadTables t;
    const Model g10("G10-4000/5"); // header, lowest value, three tubes, coins 1..8
    g10.store("X0F", "HDR12345000500100020005000010002000500100020005001002000", t);
    EXPECT_EQ(t.nriG10Header, "HDR12345");
    EXPECT_EQ(t.coinValueMultipleRead, 1);
    EXPECT_EQ(at(t.mechCoinValues, {13, 14, 16, 1, 8}), (V{5, 10, 50, 1, 2000}));
    g10.store("X11", "0910", t);
    EXPECT_EQ(t.nriInfoLines[1], "0910");
    EXPECT_EQ(t.nriDataLines[18], "0910");

    const Model old("G10-4000"); // an 11-character header; the reply ends before coin 8
    old.store("X", "ABCDEFGHIJK00050010002000500001000200050010002000500100", t);
    EXPECT_EQ(t.nriG10Header, "ABCDEFGHIJK");
    EXPECT_EQ(at(t.mechCoinValues, {13, 16, 1, 7, 8}), (V{5, 50, 1, 100, 0}));
}

TEST(NriReadReplies, OldModelReplies)
{
    const Model g13("G13-0000");
    NriReadTables t;
    g13.store("Z", QByteArray(28, '.') + "07/12/26", t); // only positions 29..36 matter
    EXPECT_EQ(t.nriDataLines[8], "07/12/26");
    EXPECT_EQ(t.nriIdent, "070C1A");
    g13.store("Y", "005000200100050020010", t); // multiplier, then coins 6 down to 1
    EXPECT_EQ(t.coinValueMultipleRead, 5);
    EXPECT_EQ(at(t.mechCoinValues, {6, 5, 1}), (V{0, 200, 10}));
    g13.store("V2", "030040050060010020030040", t); // highs of four parameters, then lows
    EXPECT_EQ(t.nriLimitTable[2], (std::array<qint32, 13>{0, 10, 30, 20, 40, 30, 50, 40, 60, 0, 0, 0, 0}));
    EXPECT_EQ(t.nriDataLines[2], "030040050060010020030040");
}

TEST(NriProgramming, NewModelRecords)
{
    const Model g13("G13-6000");
    NriProgramInput in;
    const std::pair<int, int> lowHigh[] = {{10, 30}, {0, 255}, {-4, 300}, {16, 17}, {1, 2}, {200, 201}};
    for (int p = 1; p <= 6; ++p) {
        in.coinLimitTable[1][size_t(2 * p - 1)] = lowHigh[p - 1].first;
        in.coinLimitTable[1][size_t(2 * p)] = lowHigh[p - 1].second;
    }
    in.coinValueMultiple = 0x45;
    in.coinValues[1] = 50;
    in.coinValues[2] = 5;
    in.coinValues[3] = 1275;
    in.coin.nriCoinValues = {0, 68, 1, 6, 7, 0, 195};
    in.coin.nriCoinParams[1] = {0, 1, 2, 3, 4, 5, 15};
    in.coinOutputs[1] = 255;

    const NriProgramPlan plan = g13.program(in);
    ASSERT_TRUE(plan.ok());
    EXPECT_EQ(commandsOf(plan).join(' '), "Z03 Z04 Z05 Z06 Z07 Z08 Z09 Z0A Z0B Z0C Z0D Z0E Z02 Z0F Z10 Z12 Z13");
    EXPECT_EQ(plan.steps[0].data, "1E0AFF00FF0011100201C9C8"); // limits clamped to 0..255
    EXPECT_EQ(plan.steps[1].data, "000000000000000000000000");
    EXPECT_EQ(stepOf(plan, "Z02")->data, "070C1A"); // 7 December 2026
    EXPECT_EQ(stepOf(plan, "Z0F")->data, "FF0000000000000000000000");
    EXPECT_EQ(stepOf(plan, "Z10")->data, "450A01FF000000000000000000");
    EXPECT_EQ(stepOf(plan, "Z12")->data, "4801200000C4000000000000");
    EXPECT_EQ(stepOf(plan, "Z13")->data.left(12), "12345F000000");
    EXPECT_EQ(stepOf(plan, "Z13")->data.size(), 72);

    // Waits and the bar: each coin 100 ms after; the date 100 ms before; then 200 ms steps.
    const NriWriteStep& date = *stepOf(plan, "Z02");
    const NriWriteStep& outputs = *stepOf(plan, "Z0F");
    EXPECT_EQ((V{plan.steps[0].progressBefore, plan.steps[0].pauseAfterMs, date.pauseBeforeMs, date.progressBefore,
                 outputs.pauseBeforeMs, outputs.pauseAfterMs, stepOf(plan, "Z12")->progressAfter}),
              (V{1, 100, 100, 13, 200, 200, 16}));
}

TEST(NriProgramming, OptionalRecordsByModelAndCoinSet)
{
    NriProgramInput in;
    NriReadTables last;
    last.nriInfoLines = {"0102", "0304", ""};
    in.nriXValues = {1, 2, 3, 4, 5, 6, 0};

    // No compensation values in the coin set: no record 19; a G13-6000 never writes 11.
    EXPECT_EQ(stepOf(Model("G13-6000").program(in, last), "Z19"), nullptr);
    EXPECT_EQ(stepOf(Model("G13-6000").program(in, last), "Z11"), nullptr);
    in.nriXLoaded = true;
    EXPECT_EQ(stepOf(Model("G13-6000").program(in, last), "Z19")->data, "01020304");
    EXPECT_EQ(stepOf(Model("G18-3000").program(in, last), "Z19")->data, "010203040506");
    EXPECT_EQ(stepOf(Model("G18-3000").program(in, last), "Z19")->pauseBeforeMs, 200);

    // Record 11 writes back what was read unless the coin set has a route.
    EXPECT_EQ(stepOf(Model("G40-0000").program(in, last), "Z11")->data, "0102");
    in.routingLoaded = true;
    in.nriRouting = {"AABB", "CCDD"};
    EXPECT_EQ(stepOf(Model("G40-0000").program(in, last), "Z11")->data, "AABB");

    last.nriG10Header = "HDR12345";
    in.coinValues = {0, 1, 2, 5, 10, 20, 50, 100, 200, 0, 0, 0, 0, 5, 10, 20, 50};
    const NriProgramPlan g10 = Model("G10-4000/5").program(in, last);
    EXPECT_EQ(commandsOf(g10).join(' '), "Z03 Z04 Z05 Z06 Z07 Z08 Z09 Z0A Z0B Z0C Z0D Z0E Z02 Z0F Z10 Z11");
    EXPECT_EQ(stepOf(g10, "Z0F")->data, "HDR12345000500100020005000010002000500100020005001000200");
    EXPECT_EQ(stepOf(g10, "Z10")->data, "AABB");
    EXPECT_EQ(stepOf(g10, "Z11")->data, "CCDD");
    in.routingLoaded = false;
    EXPECT_EQ(stepOf(Model("G10-4000/5").program(in, last), "Z11")->data, "0304");
}

TEST(NriProgramming, OldModelRecords)
{
    NriProgramInput in;
    const int highs[] = {30, 40, 50, 60};
    const int lows[] = {10, 20, 30, 40};
    for (int p = 1; p <= 4; ++p) {
        in.coinLimitTable[1][size_t(2 * p)] = highs[p - 1];
        in.coinLimitTable[1][size_t(2 * p - 1)] = lows[p - 1];
    }
    in.coinValueMultiple = 5;
    in.coinValues = {0, 10, 20, 50, 100, 200, 0};

    const NriProgramPlan plan = Model("G13-0000").program(in);
    ASSERT_TRUE(plan.ok());
    EXPECT_EQ(commandsOf(plan).join(' '), "D D D D D D B E");
    EXPECT_EQ(plan.steps[0].data, "1030040050060\r010020030040\r");
    EXPECT_EQ(plan.steps[1].data, "2000000000000\r000000000000\r");
    EXPECT_EQ(plan.steps[6].data, "005000200100050020010\r");
    EXPECT_EQ(plan.steps[7].data, "07/12/26\r");
    EXPECT_EQ(plan.steps[5].progressBefore, 12);

    NriReadTables last;
    last.nriG10Header = "ABCDEFGHIJK";
    in.coinValues = {0, 1, 2, 5, 10, 20, 50, 100, 200, 0, 0, 0, 0, 5, 10, 20, 50};
    const NriProgramPlan g10 = Model("G10-4000").program(in, last);
    ASSERT_TRUE(g10.ok());
    EXPECT_EQ(commandsOf(g10).join(' '), "D D D D D D D D F E");
    EXPECT_EQ(stepOf(g10, "F")->data, "ABCDEFGHIJK000500100020005000010002000500100020005001000200::\r");
    EXPECT_EQ(g10.steps[7].progressBefore, 16);
    EXPECT_TRUE(Model("G99").program(in).steps.empty());
}

TEST(NriProgramming, ValuesThatCannotBeEncodedRefuseTheWholeJob)
{
    using Set = std::function<void(NriProgramInput&, NriReadTables&)>;
    const struct {
        const char* model;
        Set set;
        QByteArray refused;
    } cases[] = {
        {"G13-6000", [](auto&, auto&) {}, ""},
        {"G13-6000", [](auto& in, auto&) { in.coinValues[3] = 1300; }, "Z10"}, // 260 units
        {"G13-6000", [](auto& in, auto&) { in.coinValues[3] = -5; }, "Z10"},
        {"G13-6000", [](auto& in, auto&) { in.coinValueMultiple = 64; }, "Z10"}, // no unit
        {"G13-6000", [](auto& in, auto&) { in.coinValueMultiple = 257; }, "Z10"},
        {"G13-6000", [](auto& in, auto&) { in.coinOutputs[12] = 256; }, "Z0F"},
        {"G13-6000", [](auto& in, auto&) { in.coin.nriCoinParams[2][3] = 16; }, "Z13"},
        {"G13-6000", [](auto& in, auto&) { in.nriXLoaded = true, in.nriXValues[0] = -1; }, "Z19"},
        {"G40-0000", [](auto&, auto& last) { last.nriInfoLines[0] = "012"; }, "Z11"}, // odd length
        {"G10-4000/5", [](auto& in, auto&) { in.coinValues[14] = 10000; }, "Z0F"},
        {"G10-4000/5", [](auto&, auto& last) { last.nriG10Header = "ABC"; }, "Z0F"},
        {"G13-0000", [](auto& in, auto&) { in.coinValues[6] = 1000; }, "B"},
        {"G18-0000", [](auto& in, auto&) { in.coinValueMultiple = -1; }, "B"},
        {"G10-4000", [](auto& in, auto&) { in.coinValues[13] = -1; }, "F"},
        {"G13-0000", [](auto& in, auto&) { in.coinLimitTable[1][1] = 5000; }, ""}, // limits clamp
    };
    for (const auto& c : cases) {
        NriProgramInput in;
        NriReadTables last;
        c.set(in, last);
        EXPECT_EQ(Model(c.model).program(in, last).refusedCommand, c.refused) << c.model;
    }
    // Dates two digits cannot hold.
    EXPECT_EQ(nriProgramPlan(mechEntry(Family::NRI, "G13-0000"), paramsOf("NRI", "G13-0000"), {}, {}, QDate(2100, 1, 1))
                  .refusedCommand, "E");
    EXPECT_EQ(nriProgramPlan(mechEntry(Family::NRI, "G13-6000"), paramsOf("NRI", "G13-6000"), {}, {}, QDate(1999, 1, 1))
                  .refusedCommand, "Z02");
}

TEST(NriProgramming, DataGoesInTwoCharacterPieces)
{
    EXPECT_EQ(nriDataPieces("070C1A"), (std::vector<QByteArray>{"07", "0C", "1A"}));
    EXPECT_EQ(nriDataPieces(""), std::vector<QByteArray>{});
    EXPECT_EQ(nriDataPieces("070C1"), std::nullopt);
}
