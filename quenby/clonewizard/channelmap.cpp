#include "quenby/clonewizard/channelmap.h"

#include "platform/runtimeerror.h"
#include "platform/vbtext.h"
#include "quenby/shell/texts.h"

#include <algorithm>
#include <cmath>

namespace quenby {

void clearTransferTables(CoinTables& t)
{
    for (int c = 1; c <= 24; ++c) {
        t.coinRecordIndex(c, 0) = 0;
        for (int k = 1; k <= 12; ++k)
            t.coinLimitTable(c, k) = 0;
    }
    t.slugCount = 0;
}

int nextRecordRow(int r) { return std::min(r + 1, CoinTables{}.coinsetRecords.rows() - 1); }

std::vector<MapNotice> mapCoinsToChannels(CoinTables& tables, int recordRow, int paramCount)
{
    checkParamCount(paramCount);
    if (recordRow < 0 || recordRow > tables.coinsetRecords.rows())
        subscriptOutOfRange();
    CoinTables t = tables;
    std::vector<MapNotice> notices;
    for (int r = 0; r < recordRow; ++r) {
        const qint32 mode = t.coinsetRecords(r, 0);
        if (mode == 2) {
            if (t.slugCount >= 0 && t.slugCount < 6) {
                t.slugRecordIndex(t.slugCount) = r;
                ++t.slugCount;
            } else {
                notices.push_back({MapNotice::Kind::TooManySlugs, r});
            }
        } else if (mode == 1) {
            const qint32 c = t.coinsetRecords(r, 1);
            if (c < 1 || c > 24) {
                notices.push_back({MapNotice::Kind::ChannelOutOfRange, r});
                continue;
            }
            const qint32 count = t.coinRecordIndex(c, 0);
            if (count >= 6 || count < 0) {
                notices.push_back({MapNotice::Kind::TooManyCoins, r});
                continue;
            }
            t.coinRecordIndex(c, 0) = count + 1;
            for (int k = 1; k <= 2 * paramCount; ++k) {
                const qint32 v = t.coinsetRecords(r, k + 1);
                qint32& w = t.coinLimitTable(c, k);
                if (count == 0)
                    w = v;
                else
                    w = k % 2 ? std::min(w, v) : std::max(w, v);
            }
            t.coinRecordIndex(c, count + 1) = r;
        }
    }
    tables = t;
    return notices;
}

NoticeBox noticeBox(const MapNotice& n, const TextTable& texts)
{
    if (n.kind == MapNotice::Kind::TooManyCoins)
        return {texts.getText(453), texts.getText(454)};
    if (n.kind == MapNotice::Kind::TooManySlugs)
        return {texts.getText(451), texts.getText(452)};
    return {texts.getText(455), texts.getText(452)};
}

void setReferenceRecipe(ReferenceTables& refs, qint32 channel, const std::vector<LimitRecipe>& limits)
{
    if (channel < 1 || channel > 24 || limits.size() > 6)
        subscriptOutOfRange();
    auto row = refs.refSourceTable[std::size_t(channel)];
    for (std::size_t p = 0; p < limits.size(); ++p) {
        if (limits[p].reference < 1 || limits[p].reference > kMaxReference)
            subscriptOutOfRange();
        row[p + 1] = {limits[p].reference, limits[p].lowValue, limits[p].highValue};
    }
    refs.refSourceTable[std::size_t(channel)] = row;
}

void storeReferenceMeans(ReferenceTables& refs, qint32 reference, const RecordStats& s, int paramCount)
{
    checkParamCount(paramCount);
    if (reference < 1 || reference > kMaxReference)
        subscriptOutOfRange();
    for (int p = 1; p <= paramCount; ++p)
        refs.refMeanTable[std::size_t(reference)][std::size_t(p)] = s.paramMean[std::size_t(p)];
    refs.refGathered[std::size_t(reference)] = true;
}

qint32 referenceLimit(float mean, qint32 offset) { return plat::cLng(std::floor(double(mean) + 0.5 + double(offset))); }

ReferenceReport applyReferenceLimits(CoinTables& tables, const ReferenceTables& refs, int paramCount)
{
    checkParamCount(paramCount);
    CoinTables t = tables;
    ReferenceReport report;
    for (std::size_t c = 1; c <= 24; ++c) {
        const auto& recipe = refs.refSourceTable[c];
        if (recipe[1].reference == 0)
            continue;
        std::array<qint32, 13> limits{};
        bool missing = false;
        bool overflow = false;
        for (int p = 1; p <= paramCount && !missing; ++p) {
            const ReferenceRecipe& r = recipe[std::size_t(p)];
            if (r.reference < 1 || r.reference > kMaxReference || !refs.refGathered[std::size_t(r.reference)]) {
                report.missing.push_back({qint32(c), r.reference});
                missing = true;
                break;
            }
            const float mean = refs.refMeanTable[std::size_t(r.reference)][std::size_t(p)];
            try {
                limits[std::size_t(2 * p - 1)] = referenceLimit(mean, r.lowOffset);
                limits[std::size_t(2 * p)] = referenceLimit(mean, r.highOffset);
            } catch (const plat::RuntimeError&) {
                overflow = true;
            }
        }
        if (missing)
            continue;
        if (overflow) {
            report.overflow.push_back(qint32(c));
            continue;
        }
        for (int L = 1; L <= 2 * paramCount; ++L)
            t.coinLimitTable(int(c), L) = limits[std::size_t(L)];
    }
    tables = t;
    return report;
}

NoticeBox missingReferenceBox(const ReferenceReport& r, const TextTable& texts)
{
    QString text = texts.getText(569);
    for (const MissingReference& m : r.missing)
        text += QStringLiteral("\r\n") + texts.getText(570) + QString::number(m.channel) + texts.getText(571) +
                plat::format(m.reference, QStringLiteral("00"));
    text += QStringLiteral("\r\n\r\n") + texts.getText(572);
    return {text, texts.getText(452)};
}

TransferPage transferPage(bool mars, const CheckedArray<bool, 5>& segmentSelected)
{
    TransferPage page;
    if (!mars)
        return page;
    for (int s = 0; s <= 3; ++s) {
        if (segmentSelected(s)) {
            page.displayedSegment = s;
            page.firstRow = 6 * s + 1;
            return page;
        }
    }
    page.selectFirstSegment = true;
    return page;
}

std::array<QString, 72> slugPanelTexts(const CoinTables& t, int paramCount)
{
    checkParamCount(paramCount);
    std::array<QString, 72> out;
    const int slugs = std::clamp(t.slugCount, 0, 6);
    for (int s = 0; s < slugs; ++s)
        for (int L = 1; L <= 2 * paramCount; ++L)
            out[std::size_t(s * 2 * paramCount + L - 1)] = plat::str(t.coinsetRecords(t.slugRecordIndex(s), L + 1));
    return out;
}

} // namespace quenby
