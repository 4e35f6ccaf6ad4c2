// Every reply parser against random and cut-off input: no crash, no write outside its arrays
// (guard words around them must survive), and what a short reply lacks reads 0.
#include "quenby/link/ccwire.h"
#include "quenby/link/marswire.h"
#include "quenby/link/mechfamily.h"
#include "quenby/link/nriwire.h"
#include "quenby/link/sentinelwire.h"
#include "quenby/shell/texts.h"
#include "tests/quenby/models.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

using namespace quenby;
using quenby_tests::paramsOf;

namespace {

constexpr qint32 kGuard = 0x5AA5F00F;

template <class T>
struct Guarded {
    std::array<qint32, 16> before;
    T value{};
    std::array<qint32, 16> after;
    Guarded()
    {
        before.fill(kGuard);
        after.fill(kGuard);
    }
    bool intact() const { return before == after && std::count(before.begin(), before.end(), kGuard) == 16; }
};

QByteArray randomBytes(std::mt19937& rng, int maxLen, const QByteArray& alphabet = {})
{
    const int len = int(rng() % unsigned(maxLen + 1));
    QByteArray out;
    for (int k = 0; k < len; ++k)
        out += alphabet.isEmpty() ? char(rng() % 256) : alphabet[int(rng() % unsigned(alphabet.size()))];
    return out;
}

const QByteArray kHexish = "0123456789ABCDEFabcdefG /?\r";

} // namespace

TEST(WireFuzz, MarsPromLines)
{
    std::mt19937 rng(7);
    Guarded<Image> img;
    MarsPromRead read;
    int stored = 0;
    for (int k = 0; k < 20000; ++k) {
        QString line = "R" + QString::fromLatin1(randomBytes(rng, 40, kHexish));
        if (k % 3 == 0) { // well formed but anywhere, top of the 12-bit address range included
            line = "R" + QString("%1").arg(rng() % 0x1000, 3, 16, QChar('0'));
            for (int i = 0; i < 16; ++i)
                line += QStringLiteral(" %1").arg(rng() % 16, 0, 16);
        }
        stored += decodeMarsPromLine(line, int(rng() % 2), img.value, read) ? 1 : 0;
    }
    EXPECT_TRUE(img.intact());
    EXPECT_GT(stored, 100);
    EXPECT_GT(read.refusedLines, 100);
    for (qint32 v : img.value)
        EXPECT_TRUE(v >= 0 && v <= 15);
}

TEST(WireFuzz, CcFramesAndSentinelReplies)
{
    std::mt19937 rng(11);
    for (int k = 0; k < 20000; ++k) {
        std::vector<qint32> frame(rng() % 9);
        for (qint32& b : frame)
            b = qint32(rng() % 256);
        const CcWordReply r = parseCcWordReply(frame);
        EXPECT_TRUE(r.error ? r.value == -1 : r.value >= 0 && r.value <= 0xFFFF);

        const QByteArray reply = (k % 2 ? "ZZR" : "") + randomBytes(rng, 12, k % 4 ? kHexish : QByteArray());
        const SentinelWord w = parseSentinelWordReply(reply, k % 64);
        EXPECT_TRUE(w.ok ? w.value >= 0 && w.value <= 0xFFFF : w.value == -1);
        const SentinelIdent id = parseSentinelIdent(randomBytes(rng, 8));
        EXPECT_LE(id.ident.size(), 4);
    }
}

TEST(WireFuzz, NriRecordsOfEveryModel)
{
    std::mt19937 rng(13);
    for (const char* model : {"G13-6000", "G13-0000", "G18-3000", "G18-0000", "G10-4000", "G10-4000/5", "G40-0000"}) {
        SCOPED_TRACE(model);
        const MechEntry e = mechEntry(Family::NRI, model);
        const ModelParams p = paramsOf("NRI", model);
        Guarded<NriReadTables> t;
        for (int round = 0; round < 300; ++round) {
            for (const NriReadStep& s : nriReadPlan(e, p)) {
                const QByteArray reply = randomBytes(rng, 80, round % 2 ? kHexish : QByteArray());
                storeNriReply(s, reply, e, p, t.value);
            }
        }
        EXPECT_TRUE(t.intact());
        for (int n = 29; n <= 32; ++n)
            EXPECT_TRUE(t.value.nriDataLines[size_t(n)].isEmpty());
    }
}

TEST(WireFuzz, TruncatedNriRecordsReadTheirMissingFieldsAsZero)
{
    const MechEntry e = mechEntry(Family::NRI, "G13-6000");
    const ModelParams p = paramsOf("NRI", "G13-6000");
    const auto plan = nriReadPlan(e, p);
    const NriReadStep& coin1 = plan[3];
    const NriReadStep& outputs = plan[15];
    ASSERT_EQ(coin1.command + outputs.command, "X03X0F");
    const QByteArray full = "1E0A1E0A1E0A1E0A1E0A1E0A";
    for (int cut = 0; cut <= full.size(); ++cut) {
        NriReadTables t;
        t.nriLimitTable[1].fill(-7);
        t.nriCoinX0F.fill(-7);
        storeNriReply(coin1, full.left(cut), e, p, t);
        storeNriReply(outputs, full.left(cut), e, p, t);
        // A field reads what arrived of it ("1" of "1E" is 1) and 0 when nothing did.
        auto expect = [&](int pos, int whole) { return cut >= pos + 1 ? whole : cut == pos ? whole / 16 : 0; };
        for (int q = 1; q <= 6; ++q) {
            EXPECT_EQ(t.nriLimitTable[1][size_t(2 * q)], expect(4 * q - 3, 30)) << cut;
            EXPECT_EQ(t.nriLimitTable[1][size_t(2 * q - 1)], expect(4 * q - 1, 10)) << cut;
        }
        for (int c = 1; c <= 12; ++c)
            EXPECT_EQ(t.nriCoinX0F[size_t(c)], expect(2 * c - 1, c % 2 ? 30 : 10)) << cut;
    }
}

namespace {

// Counts what the byte handlers hand on and checks each frame's length on the way.
struct FrameCheck : LinkParsers {
    int words = 0, measures = 0, requests = 0, reports = 0;
    void parseCcWordReply(const CcFrame& f) override
    {
        ++words;
        EXPECT_EQ(f.count, 4);
    }
    void parseCcMeasureFrame(const CcFrame& f, int last) override
    {
        ++measures;
        EXPECT_EQ(f.count, last + 1);
        EXPECT_TRUE(f.slot[0] == '?');
    }
    void requestCcMeasurement() override { ++requests; }
    void parseG10CoinAccepted(const QByteArray&) override { ++reports; }
};

} // namespace

TEST(WireFuzz, MechBytesOfEveryModelWhileTheBoxRelays)
{
    std::mt19937 rng(17);
    const std::pair<const char*, const char*> models[] = {
        {"CC", "C120"},     {"CC", "220B"},     {"CC", "335"},        {"CC", "435"},          {"CC", "450"},
        {"CC", "Sentinel"}, {"CC", "Other"},    {"NRI", "G13-6000"},  {"NRI", "G10-4000/5"},  {"NRI", "G18-0000"},
        {"Mars", "ME181"},  {"Ink", "Nothing"},
    };
    // Frame starts, acknowledgements and CRs often, so frames of every length come by.
    const QByteArray likely = QByteArray(";?\x05\x06\r%\x80", 7) + "0123";
    for (const auto& [family, model] : models) {
        SCOPED_TRACE(model);
        const MechEntry e = mechEntry(familyNamed(family), model);
        for (bool measuring : {false, true}) {
            JobState job;
            job.beginJob(familyNamed(family), model);
            job.measuring = measuring;
            job.nriG10LineMode = measuring && e.isNri();
            Guarded<LinkState> st;
            FrameCheck parsers;
            MechReplies replies;
            ReceiveSide rx{st.value, replies, job, parsers, e};
            const PassThroughHandler handle = passThroughHandler(e.kind);
            for (int k = 0; k < 20000; ++k) {
                const QByteArray b = k % 2 ? randomBytes(rng, 1) : randomBytes(rng, 1, likely);
                if (!b.isEmpty())
                    handle(rx, quint8(b[0]));
                ASSERT_GE(st.value.ccFrame.count, 0);
                ASSERT_LE(st.value.ccFrame.count, 9);
            }
            EXPECT_TRUE(st.intact());
            if (e.kind == MechKind::CcWord) {
                EXPECT_GT(parsers.words, 0);
                EXPECT_GT(parsers.measures, 0);
                EXPECT_EQ(parsers.requests > 0, measuring);
            }
            if (e.isNri()) {
                EXPECT_EQ(parsers.reports > 0, measuring);
            }
        }
    }
}
