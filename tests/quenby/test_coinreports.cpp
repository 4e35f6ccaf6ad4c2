// The validator test's report decoders: box lines and G10 reports to lights, counts and sounds.
// Output codes and G10 bytes are known answers from tests/quenby/measure_vectors.py.
#include "quenby/shell/coinreports.h"

#include <gtest/gtest.h>

#include <random>

using namespace quenby;

namespace {

// What a report shows, written compactly: lit lines as "3g" (green) or "7r" (red), binary
// indicators by caption, counted lines, sound.
struct Shown {
    QString lit;
    QString binary;
    std::vector<int> counted;
    ReportSound sound = ReportSound::None;
    bool hold = false;
    bool operator==(const Shown&) const = default;
};

Shown shown(const CoinReport& r)
{
    Shown s;
    QStringList lit;
    for (int i = 0; i < kValtestLines; ++i) {
        if (r.coinFill[size_t(i)] == kLampAccepted)
            lit << QString::number(i + 1) + "g";
        else if (r.coinFill[size_t(i)] == kLampRejected)
            lit << QString::number(i + 1) + "r";
        else
            EXPECT_EQ(r.coinFill[size_t(i)], kLampIdle);
    }
    const char* names[] = {"A5", "A4", "A3", "A2", "A1"};
    QStringList bin;
    for (int i = 0; i < kBinaryIndicators; ++i)
        if (r.binaryFill[size_t(i)] == kLampAccepted)
            bin << names[i];
    s.lit = lit.join(' ');
    s.binary = bin.join(' ');
    s.counted = r.counted;
    s.sound = r.sound;
    s.hold = r.restartHold;
    return s;
}

Shown report(const QString& line, const QString& family, const QString& model, qint32 rejectLine = 0,
             const QString& variant = {})
{
    return shown(decodeCoinReport(line, {familyNamed(family), model, variant, rejectLine}));
}

std::ostream& operator<<(std::ostream& os, const Shown& s)
{
    os << "lit[" << s.lit.toStdString() << "] bin[" << s.binary.toStdString() << "] counted[";
    for (int c : s.counted)
        os << c << ' ';
    return os << "] sound " << int(s.sound) << " hold " << s.hold;
}

constexpr auto Accept = ReportSound::Accept;
constexpr auto Reject = ReportSound::Reject;
constexpr auto Silent = ReportSound::None;

} // namespace

TEST(CoinReports, ChannelLettersLightAndCountTheirLine)
{
    EXPECT_EQ(report("V A", "Mars", "ME111", 7), (Shown{"1g", "", {1}, Accept, true}));
    EXPECT_EQ(report("V1B", "CC", "C120"), (Shown{"2g", "", {2}, Accept, true}));
    // "I" lights and counts line 9 even on a layout of fewer lines.
    EXPECT_EQ(report("V I", "CC", "220B"), (Shown{"9g", "", {9}, Accept, true}));
    // The middle channels move on "450", "G18..." and the single-output G40 variants.
    EXPECT_EQ(report("V B", "CC", "450"), (Shown{"3g", "", {3}, Accept, true}));
    EXPECT_EQ(report("V C", "NRI", "G18-0000"), (Shown{"4g", "", {4}, Accept, true}));
    EXPECT_EQ(report("V D", "NRI", "G40-0000", 0, "G40-x0xx"), (Shown{"2g", "", {2}, Accept, true}));
    EXPECT_EQ(report("V E", "CC", "450"), (Shown{"5g", "", {5}, Accept, true}));
    EXPECT_EQ(report("V B", "NRI", "G40-0000", 0, "G40-x4xx"), (Shown{"2g", "", {2}, Accept, true}));
    EXPECT_EQ(report("V B", "NRI", "G40-0000", 0, "G40-x3xx"), (Shown{"2g", "", {2}, Accept, true}));
}

TEST(CoinReports, Me181PulsesAfterAnAcceptedCoinOnly)
{
    EXPECT_TRUE(decodeCoinReport("V A", {Family::Mars, "ME181", "", 7}).me181Pulse);
    EXPECT_FALSE(decodeCoinReport("V R", {Family::Mars, "ME181", "", 7}).me181Pulse);
    EXPECT_FALSE(decodeCoinReport("V X01", {Family::Mars, "ME181", "", 7}).me181Pulse);
    EXPECT_FALSE(decodeCoinReport("V A", {Family::Mars, "ME111", "", 7}).me181Pulse);
}

TEST(CoinReports, RejectsShowOnlyOnTheRejectLine)
{
    EXPECT_EQ(report("V R", "Mars", "ME111", 7), (Shown{"7r", "", {7}, Reject, true}));
    EXPECT_EQ(report("V R", "Mars", "MS1000", 10), (Shown{"10r", "", {10}, Reject, true}));
    // No reject line (an older box, or any CC or NRI layout): nothing lit, no sound.
    EXPECT_EQ(report("V R", "Mars", "ME111", 0), (Shown{"", "", {}, Silent, false}));
    EXPECT_EQ(report("V R", "CC", "435", 0), (Shown{"", "", {}, Silent, false}));
    // A reject line no layout has is ignored rather than written outside the window.
    EXPECT_EQ(report("V R", "Mars", "ME111", 17), (Shown{"", "", {}, Silent, false}));
}

TEST(CoinReports, OutputCodesOnBinaryAndParallelMechs)
{
    EXPECT_EQ(report("V X05", "CC", "335"), (Shown{"6g", "A4 A3 A1", {6}, Accept, true}));
    EXPECT_EQ(report("V X13", "CC", "335"), (Shown{"", "A4 A2 A1", {}, Accept, true}));
    EXPECT_EQ(report("V X4F", "CC", "435"), (Shown{"16g", "A5 A4 A3 A2 A1", {16}, Accept, true}));
    EXPECT_EQ(report("V X00", "NRI", "G40-0000", 0, "G40-x0xx"), (Shown{"1g", "A4", {1}, Accept, true}));
    EXPECT_EQ(report("V X21", "Mars", "ME111", 7), (Shown{"1g 6g", "", {}, Accept, true}));
    EXPECT_EQ(report("V X3F", "NRI", "G13-6000"), (Shown{"1g 2g 3g 4g 5g 6g", "", {}, Accept, true}));
    // Digits that are not hex read as code 0; a lone digit is the code.
    EXPECT_EQ(report("V XZ9", "CC", "220B"), (Shown{"1g", "A4", {1}, Accept, true}));
    EXPECT_EQ(report("V X9", "CC", "220B"), (Shown{"10g", "A5 A4 A1", {10}, Accept, true}));
    EXPECT_EQ(report("V X", "Mars", "ME111"), (Shown{"", "", {}, Accept, true}));
}

TEST(CoinReports, OtherLinesOnlyClearTheIndicators)
{
    EXPECT_EQ(report("*EV", "Mars", "ME111", 7), (Shown{"", "", {}, Accept, false}));
    EXPECT_EQ(report("*EVENT 12", "CC", "C120"), (Shown{"", "", {}, Accept, false}));
    for (const char* line : {"", "V", "V ", "V J", "V a", "V0", "V S"})
        EXPECT_EQ(report(line, "Mars", "ME111", 7), (Shown{"", "", {}, Silent, false})) << line;
}

TEST(CoinReports, G10ReportsCountTheirRouteAndCoin)
{
    const auto g10 = [](quint8 b) { return shown(*decodeG10Report(QByteArray(1, char(b)) + "junk")); };
    EXPECT_EQ(g10(0x19), (Shown{"3g 11g", "", {3, 11}, Accept, true}));
    EXPECT_EQ(g10(0x20), (Shown{"4g 12g", "", {4, 12}, Accept, true}));
    EXPECT_EQ(g10(0x04), (Shown{"9g", "", {9}, Accept, true}));
    EXPECT_EQ(g10(0x0A), (Shown{"1g 10g", "", {1, 10}, Accept, true}));
    EXPECT_EQ(g10(0xFF), (Shown{"11g 15g", "", {15, 11}, Accept, true}));
    // Coin 9 routed to "Tube L" counts that line twice.
    EXPECT_EQ(g10(0x4C), (Shown{"9g", "", {9, 9}, Accept, true}));
    EXPECT_TRUE(decodeG10Report("\x19")->soundFirst);
    // An empty report (0x80 straight followed by CR) is no coin: nothing at all.
    EXPECT_FALSE(decodeG10Report({}).has_value());
}

TEST(CoinReports, CountsAndTheHighlightHold)
{
    EXPECT_EQ(countedCaption(" 0"), " 1");
    EXPECT_EQ(countedCaption(" 9"), " 10");
    EXPECT_EQ(countedCaption(""), " 1");
    EXPECT_EQ(countedCaption(" 1E999"), " 1");

    qint32 hold = kHighlightHold;
    std::vector<bool> resets;
    for (int tick = 0; tick < 6; ++tick)
        resets.push_back(highlightTick(hold));
    EXPECT_EQ(resets, (std::vector<bool>{false, false, false, true, false, false}));
    EXPECT_EQ(hold, 0);
    hold = -3;
    EXPECT_FALSE(highlightTick(hold));
    EXPECT_EQ(hold, 0);
}

TEST(CoinReports, FuzzedLinesAndG10Reports)
{
    std::mt19937 rng(29);
    const QByteArray alphabet = "V*EXRABCDIJ0123456789abcdefFG \x80\xFF";
    const char* models[][2] = {{"Mars", "ME181"}, {"CC", "435"}, {"NRI", "G40-0000"}, {"NRI", "G10-4000"}};
    for (int k = 0; k < 20000; ++k) {
        QByteArray bytes;
        for (int n = int(rng() % 8); n > 0; --n)
            bytes += k % 2 ? alphabet[int(rng() % unsigned(alphabet.size()))] : char(rng() % 256);
        const auto& m = models[k % 4];
        const qint32 rejectLine = qint32(rng() % 40) - 10;
        const CoinReport r = decodeCoinReport(QString::fromLatin1(bytes), {familyNamed(m[0]), m[1], "G40-x4xx", rejectLine});
        for (int line : r.counted)
            ASSERT_TRUE(line >= 1 && line <= kValtestLines);
        ASSERT_LE(r.counted.size(), 1u);
        if (const auto g = decodeG10Report(bytes)) {
            ASSERT_TRUE(g->counted.size() == 1 || g->counted.size() == 2);
            for (int line : g->counted)
                ASSERT_TRUE(line >= 1 && line <= 15);
        } else {
            ASSERT_TRUE(bytes.isEmpty());
        }
    }
}
