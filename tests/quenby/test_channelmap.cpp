// The transfer's table work: records spread over channels, reference-derived windows, the slug
// panel and the page the editor opens on. Known answers of the reference arithmetic come from
// tests/quenby/transfer_vectors.py.
#include "quenby/clonewizard/channelmap.h"
#include "quenby/shell/texts.h"

#include <gtest/gtest.h>

#include <limits>

using namespace quenby;

namespace {

const TextTable kTexts;

// Stores a record the way a run does: its mode, channel and limits (low, high per parameter).
void store(CoinTables& t, int& recordRow, qint32 mode, qint32 channel, std::vector<qint32> limits)
{
    t.coinsetRecords(recordRow, 0) = mode;
    t.coinsetRecords(recordRow, 1) = channel;
    for (std::size_t L = 0; L < limits.size(); ++L)
        t.coinsetRecords(recordRow, int(L) + 2) = limits[L];
    recordRow = nextRecordRow(recordRow);
}

std::vector<qint32> window(const CoinTables& t, int channel, int paramCount = 3)
{
    std::vector<qint32> out;
    for (int k = 1; k <= 2 * paramCount; ++k)
        out.push_back(t.coinLimitTable(channel, k));
    return out;
}

} // namespace

TEST(ChannelMap, RecordsOfOneChannelWidenItsWindow)
{
    CoinTables t;
    t.coinLimitTable(5, 1) = 77; // left from an earlier transfer
    t.slugCount = 4;
    clearTransferTables(t);
    EXPECT_EQ(t.coinLimitTable(5, 1), 0);
    EXPECT_EQ(t.slugCount, 0);

    int row = 0;
    store(t, row, 1, 3, {100, 120, 50, 60, 10, 20});
    store(t, row, 2, 0, {1, 2, 3, 4, 5, 6});
    store(t, row, 1, 3, {110, 130, 40, 55, 12, 25});
    store(t, row, 3, 1, {9, 9, 9, 9, 9, 9}); // a reference record gives no window
    store(t, row, 1, 4, {200, 210, 0, 0, 7, 8});

    EXPECT_TRUE(mapCoinsToChannels(t, row, 3).empty());
    EXPECT_EQ(window(t, 3), (std::vector<qint32>{100, 130, 40, 60, 10, 25}));
    EXPECT_EQ(window(t, 4), (std::vector<qint32>{200, 210, 0, 0, 7, 8}));
    EXPECT_EQ(window(t, 1), (std::vector<qint32>{0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(t.coinRecordIndex(3, 0), 2);
    EXPECT_EQ(t.coinRecordIndex(3, 1), 0);
    EXPECT_EQ(t.coinRecordIndex(3, 2), 2);
    EXPECT_EQ(t.slugCount, 1);
    EXPECT_EQ(t.slugRecordIndex(0), 1);
}

TEST(ChannelMap, ExtraSlugsAndCoinsAreRefusedOnceEach)
{
    CoinTables t;
    int row = 0;
    for (int i = 0; i < 7; ++i)
        store(t, row, 2, 0, {i, i});
    for (int i = 0; i < 7; ++i)
        store(t, row, 1, 9, {100 - i, 100 + i});
    store(t, row, 1, 25, {1, 2}); // no such channel: refused, the rest still mapped
    store(t, row, 1, 10, {5, 6});

    const std::vector<MapNotice> notices = mapCoinsToChannels(t, row, 1);
    EXPECT_EQ(notices, (std::vector<MapNotice>{{MapNotice::Kind::TooManySlugs, 6},
                                               {MapNotice::Kind::TooManyCoins, 13},
                                               {MapNotice::Kind::ChannelOutOfRange, 14}}));
    EXPECT_EQ(t.slugCount, 6);
    EXPECT_EQ(t.coinRecordIndex(9, 0), 6);
    EXPECT_EQ(window(t, 9, 1), (std::vector<qint32>{95, 105})); // the seventh record widened nothing
    EXPECT_EQ(window(t, 10, 1), (std::vector<qint32>{5, 6}));

    const NoticeBox slugs = noticeBox(notices[0], kTexts);
    EXPECT_EQ(slugs.text, "Too Many Slug Records");
    EXPECT_EQ(slugs.title, "Coinset Error");
    EXPECT_EQ(noticeBox(notices[1], kTexts).text, "Too Many Coins to One Channel");

    // A row count beyond the table changes nothing.
    const CoinTables before = t;
    EXPECT_THROW(mapCoinsToChannels(t, 102, 1), plat::RuntimeError);
    EXPECT_EQ(t.coinLimitTable, before.coinLimitTable);
}

TEST(ChannelMap, TheHundredthRecordIsMappedToo)
{
    EXPECT_EQ(nextRecordRow(0), 1);
    EXPECT_EQ(nextRecordRow(99), 100);
    EXPECT_EQ(nextRecordRow(100), 100);

    CoinTables t;
    int row = 0;
    for (int i = 0; i < 99; ++i)
        store(t, row, 1, 1, {100, 110});
    store(t, row, 1, 2, {50, 60}); // record 100, row 99
    EXPECT_EQ(row, 100);
    mapCoinsToChannels(t, row, 1);
    EXPECT_EQ(window(t, 2, 1), (std::vector<qint32>{50, 60}));
}

TEST(ReferenceLimits, IntOfMeanPlusHalfPlusOffset)
{
    // From transfer_vectors.py.
    const struct {
        float mean;
        qint32 offset;
        qint32 limit;
    } cases[] = {
        {100.4f, -8, 92}, {100.5f, 8, 109},    {250.7f, -10, 241}, {250.7f, 12, 263},    {99.5f, 0, 100},
        {0.3f, -5, -5},   {4090.6f, 10, 4101}, {17.49999f, 0, 17}, {1234.55f, -3, 1232},
    };
    for (const auto& c : cases)
        EXPECT_EQ(referenceLimit(c.mean, c.offset), c.limit) << c.mean << " " << c.offset;
    EXPECT_THROW(referenceLimit(100.0f, std::numeric_limits<qint32>::max()), plat::RuntimeError);
}

TEST(ReferenceLimits, DerivedChannelsTakeTheMeansGatheredThisRun)
{
    ReferenceTables refs;
    RecordStats r1;
    r1.paramMean = {0, 250.7f, 100.4f, 0.3f};
    storeReferenceMeans(refs, 1, r1, 3);
    EXPECT_THROW(storeReferenceMeans(refs, 13, r1, 3), plat::RuntimeError);

    setReferenceRecipe(
        refs, 9,
        {{"Ref 01", -10, "Ref 01", 12, 5, 1}, {"Ref 01", -8, "Ref 01", 8, 5, 1}, {"Ref 01", -5, "Ref 01", 4090, 5, 1}});
    // Channel 10 uses reference 2 for its second parameter, which was not gathered.
    setReferenceRecipe(
        refs, 10,
        {{"Ref 01", -1, "Ref 01", 1, 5, 1}, {"Ref 02", -1, "Ref 02", 1, 5, 2}, {"Ref 01", -1, "Ref 01", 1, 5, 1}});
    EXPECT_THROW(setReferenceRecipe(refs, 25, {}), plat::RuntimeError);

    CoinTables t;
    t.coinLimitTable(10, 1) = 33; // whatever the measured records gave stays
    const ReferenceReport report = applyReferenceLimits(t, refs, 3);
    // Not clamped here: below 0 and above 4095 as they are.
    EXPECT_EQ(window(t, 9), (std::vector<qint32>{241, 263, 92, 108, -5, 4090}));
    EXPECT_EQ(window(t, 10), (std::vector<qint32>{33, 0, 0, 0, 0, 0}));
    EXPECT_EQ(report.missing, (std::vector<MissingReference>{{10, 2}}));
    EXPECT_TRUE(report.overflow.empty());
    EXPECT_EQ(missingReferenceBox(report, kTexts).text,
              "Reference coin not gathered in this run:\r\nChannel 10 needs reference R02\r\n\r\n"
              "These channels are left without windows.");

    // A new run clears the means with the tables: a stale mean is never used.
    refs.clear();
    setReferenceRecipe(refs, 9, {{"", 0, "", 0, 0, 1}, {"", 0, "", 0, 0, 1}, {"", 0, "", 0, 0, 1}});
    CoinTables fresh;
    EXPECT_EQ(applyReferenceLimits(fresh, refs, 3).missing, (std::vector<MissingReference>{{9, 1}}));
    EXPECT_EQ(window(fresh, 9), (std::vector<qint32>{0, 0, 0, 0, 0, 0}));

    // Limits beyond 32 bits leave the channel as it was.
    storeReferenceMeans(refs, 1, r1, 3);
    setReferenceRecipe(refs, 9, {{"", 0, "", std::numeric_limits<qint32>::max(), 0, 1}});
    const ReferenceReport big = applyReferenceLimits(fresh, refs, 1);
    EXPECT_EQ(big.overflow, (std::vector<qint32>{9}));
    EXPECT_EQ(window(fresh, 9, 1), (std::vector<qint32>{0, 0}));
}

TEST(TransferPage, MarsOpensOnTheLowestSelectedSegmentOthersOnPageZero)
{
    CheckedArray<bool, 5> selected;
    selected(1) = true;
    selected(3) = true;
    TransferPage p = transferPage(true, selected);
    EXPECT_EQ(p.displayedSegment, 1);
    EXPECT_EQ(p.firstRow, 7);
    EXPECT_FALSE(p.selectFirstSegment);

    p = transferPage(true, CheckedArray<bool, 5>{});
    EXPECT_EQ(p.displayedSegment, 0);
    EXPECT_EQ(p.firstRow, 1);
    EXPECT_TRUE(p.selectFirstSegment);

    // A CC or NRI editor that showed its second page opens on the first again.
    p = transferPage(false, selected);
    EXPECT_EQ(p.displayedSegment, 0);
    EXPECT_EQ(p.firstRow, 1);
    EXPECT_FALSE(p.selectFirstSegment);
}

TEST(TransferPage, SlugPanelShowsTheSetsSlugsOnly)
{
    CoinTables t;
    int row = 0;
    store(t, row, 1, 1, {1, 2, 3, 4, 5, 6});
    store(t, row, 2, 0, {95, 140, -3, 60, 0, 4095});
    store(t, row, 2, 0, {10, 11, 12, 13, 14, 15});
    mapCoinsToChannels(t, row, 3);
    const std::array<QString, 72> texts = slugPanelTexts(t, 3);
    EXPECT_EQ(texts[0], " 95");
    EXPECT_EQ(texts[2], "-3");
    EXPECT_EQ(texts[5], " 4095");
    EXPECT_EQ(texts[6], " 10");
    EXPECT_EQ(texts[11], " 15");
    EXPECT_EQ(texts[12], "");
    EXPECT_EQ(texts[71], "");
}
