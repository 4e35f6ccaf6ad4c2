#include "quenby/memutils/limitsgrid.h"

#include "platform/dialogs.h"
#include "platform/vbtext.h"
#include "quenby/link/familytable.h"
#include "quenby/shell/texts.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace quenby {

namespace {

template <class A>
auto& item(A& a, qint64 i)
{
    if (i < 0 || i >= qint64(a.size()))
        subscriptOutOfRange();
    return a[std::size_t(i)];
}

float clamp01(float x)
{
    if (x > 1)
        return 1;
    if (x < 0)
        return 0;
    return x;
}

struct Geometry {
    int frameWidth, frameLeft, windowWidth, cellWidth, pitch, highOffset, accOffset;
};

Geometry geometryFor(int paramCount)
{
    if (paramCount <= 3)
        return {9135, 720, 10710, 735, 2160, 840, 1320};
    if (paramCount == 4)
        return {10815, 240, 11475, 735, 2160, 840, 1320};
    if (paramCount == 5)
        return {10455, 240, 11070, 615, 1560, 720, 960};
    return {11775, 240, 12345, 615, 1560, 720, 960};
}

// Left edge of grid column j (0-based, low and high cells alternating).
int cellLeft(const Geometry& g, int j) { return 1080 + (j / 2) * g.pitch + (j % 2 == 1 ? g.highOffset : 0); }

struct Window {
    qint32 lo, hi;
    bool unset() const { return lo == 0 && hi == 0; }
};

Window coinWindow(const CoinTables& t, qint64 coin, int p)
{
    if (coin < 0 || coin >= t.coinLimitTable.rows())
        subscriptOutOfRange();
    return {t.coinLimitTable(int(coin), 2 * p + 1), t.coinLimitTable(int(coin), 2 * p + 2)};
}

Window slugWindow(const CoinTables& t, int row, int p)
{
    return {t.coinsetRecords(row, 2 * p + 2), t.coinsetRecords(row, 2 * p + 3)};
}

int checkedSlugCount(const CoinTables& t)
{
    if (t.slugCount > kSlugRows)
        subscriptOutOfRange();
    return t.slugCount;
}

struct Spread {
    float mean, sdLower, sdUpper;
};

Spread spreadOf(const CoinTables& t, int row, int p, int paramCount)
{
    const auto floor01 = [](float sd) { return sd < 0.1f ? 0.1f : sd; };
    return {t.coinsetStats(row, p), floor01(t.coinsetStats(row, p + paramCount)),
            floor01(t.coinsetStats(row, p + 2 * paramCount))};
}

float z(qint32 limit, const Spread& s, float sd) { return (float(limit) - s.mean) / sd; }

// The share of a coin record's drops that a channel's window of one parameter accepts.
float coinFactor(const Spread& s, Window w, int p, const LimitRules& rules)
{
    // A window that ends at the family maximum is open at the top.
    if (w.hi == rules.limitCap)
        w.hi = plat::cLng(4.0f * s.sdUpper + float(w.hi) + 10.0f);
    float P;
    if (s.mean <= 0 && float(w.lo) <= 0) {
        P = normalCdf(z(w.hi, s, s.sdUpper));
    } else if (float(w.lo) <= s.mean) {
        const float lower = normalCdf(z(w.lo, s, s.sdLower));
        const float upper = float(w.hi) < s.mean ? normalCdf(z(w.hi, s, s.sdLower)) : normalCdf(z(w.hi, s, s.sdUpper));
        P = upper - lower;
    } else {
        P = normalCdf(z(w.hi, s, s.sdUpper)) - normalCdf(z(w.lo, s, s.sdUpper));
    }
    if (rules.fifthParamSlugRule && p == 4 && w.unset())
        P = 1;
    // An inverted window accepts nothing; two of them must not multiply into a positive share.
    return clamp01(P);
}

// The share of a slug's drops that a coin's window of one parameter accepts.
float slugFactor(const Spread& s, Window w)
{
    float lower, upper;
    if (float(w.lo) < s.mean) {
        lower = normalCdf(z(w.lo, s, s.sdLower));
        upper = float(w.hi) < s.mean ? normalCdf(z(w.hi, s, s.sdLower)) : normalCdf(z(w.hi, s, s.sdUpper));
    } else {
        lower = normalCdf(z(w.lo, s, s.sdUpper));
        upper = normalCdf(z(w.hi, s, s.sdUpper));
    }
    return clamp01(upper - lower);
}

constexpr float kNormalTable[30] = {
    0.5f,    0.5398f, 0.5793f, 0.6179f, 0.6554f, 0.6915f, 0.7257f, 0.758f,  0.7881f, 0.8159f,
    0.8413f, 0.8643f, 0.8849f, 0.9032f, 0.9192f, 0.9332f, 0.9452f, 0.9554f, 0.9641f, 0.9713f,
    0.9772f, 0.9821f, 0.9861f, 0.9893f, 0.9918f, 0.9938f, 0.9953f, 0.9965f, 0.9974f, 0.9981f,
};

} // namespace

bool windowsOverlap(qint32 lo1, qint32 hi1, qint32 lo2, qint32 hi2)
{
    return (lo1 <= lo2 && lo2 <= hi1) || (lo1 <= hi2 && hi2 <= hi1) || (lo2 <= lo1 && hi2 >= hi1) ||
           (lo2 >= lo1 && hi2 <= hi1);
}

float normalTable(qint32 index) { return kNormalTable[std::clamp(index, 0, 29)]; }

float normalCdf(float zValue)
{
    if (std::isnan(zValue))
        throw plat::RuntimeError(6, QStringLiteral("Overflow"));
    const bool negative = zValue < 0;
    float a = std::fabs(zValue);
    if (a > 2.9f) {
        if (a > 3.0f)
            return negative ? 0.0f : 1.0f;
        a = 2.9f;
    }
    const float x = 10.0f * a;
    const qint32 i = qint32(std::floor(x));
    const float f = x - float(i);
    const float p = normalTable(i) + (normalTable(i + 1) - normalTable(i)) * f;
    return negative ? 1.0f - p : p;
}

qint32 gridValue(const QString& text, qint32 cap)
{
    double v;
    try {
        v = plat::val(text);
    } catch (const plat::RuntimeError&) {
        v = text.trimmed().startsWith(u'-') ? 0.0 : double(cap);
    }
    if (!(v >= 0))
        v = 0;
    if (v > cap)
        v = cap;
    return plat::cLng(v);
}

void setupfrmPROM(LimitsPage& page, LimitsState& state, const LimitsContext& ctx)
{
    ctx.errors.trap(1234, [&] {
        LimitsPage p = page;
        const int pc = ctx.params.paramCount;
        const int cps = ctx.params.coinsPerSegment;
        const TextTable& tx = ctx.texts;

        for (auto& c : p.cells)
            c.visible = false;
        p.cellText.fill(QString());
        for (auto& c : p.slugCells)
            c.visible = false;
        p.slugText.fill(QString());
        for (auto& a : p.acceptanceLabels)
            a.visible = false;
        p.acceptance.fill(QString());
        p.coinTitleVisible.fill(false);
        for (auto& r : p.rejectionLabels)
            r.visible = false;
        p.rejection.fill(QString());

        const Geometry g = geometryFor(pc);
        p.frameWidth = g.frameWidth;
        p.frameLeft = g.frameLeft;
        p.windowWidth = g.windowWidth;
        p.cellWidth = g.cellWidth;
        p.pitch = g.pitch;
        p.highOffset = g.highOffset;
        p.accOffset = g.accOffset;

        for (int k = 0; k < 6; ++k) {
            p.paramTitleVisible[std::size_t(k)] = k < pc;
            if (k < pc) {
                p.paramTitles[std::size_t(k)] = ctx.params.paramNames[k];
                p.paramTitleCentre[std::size_t(k)] = 1080 + k * g.pitch + g.cellWidth + (g.highOffset - g.cellWidth) / 2;
            }
        }
        for (int r = 0; r < cps; ++r)
            for (int j = 0; j < 2 * pc; ++j)
                item(p.cells, r * 2 * pc + j) = {cellLeft(g, j), 480 + 360 * r, g.cellWidth, true};
        for (int s = 0; s < kSlugRows; ++s)
            for (int j = 0; j < 2 * pc; ++j)
                item(p.slugCells, s * 2 * pc + j) = {cellLeft(g, j), 3600 + 360 * s, g.cellWidth, true};

        p.accColumn = item(p.cells, 2 * pc - 1).left + g.accOffset;
        for (int r = 0; r < cps; ++r) {
            item(p.acceptanceLabels, r) = {p.accColumn, 480 + 360 * r, 0, true};
            item(p.coinTitleTop, r) = 510 + 360 * r;
            item(p.coinTitleVisible, r) = true;
        }
        for (int s = 0; s < kSlugRows; ++s)
            p.rejectionLabels[std::size_t(s)] = {p.accColumn, 3600 + 360 * s, 0, true};

        for (int i = 0; i < kPages; ++i)
            p.pageVisible[std::size_t(i)] = i < ctx.params.segmentCount;
        p.pageOn = 0;
        if (ctx.rules.mars) {
            for (int i = kPages - 1; i >= 0; --i) {
                p.pageVisible[std::size_t(i)] = ctx.tables.segmentSelected(i);
                if (ctx.tables.segmentSelected(i))
                    p.pageOn = i;
            }
            const int offered = ctx.promSize != 0 ? ctx.rules.pagesOn2K : 2;
            p.sizeText = ctx.promSize != 0 ? QStringLiteral("2K") : QStringLiteral("1K");
            for (int i = offered; i < kPages; ++i)
                p.pageVisible[std::size_t(i)] = false;
        }

        p.marsFrames = ctx.rules.mars;
        p.displayCaption = tx.getText(ctx.rules.mars ? 1226 : 1230);
        p.programCaption = tx.getText(ctx.rules.mars ? 1227 : 1231);
        p.utilitiesCaption = tx.getText(ctx.rules.mars ? 1228 : 1232);
        for (int r = 0; r < cps; ++r)
            item(p.coinTitles, r) = ctx.rules.mars
                                        ? tx.getText(1229) + QChar(u'A' + r) + QStringLiteral("1")
                                        : tx.getText(1233) + plat::format(r + 1, QStringLiteral("00"));
        p.mechType = ctx.mechModel;
        p.validatorTestEnabled = false;

        page = p;
        state.limitsEdited = false;
        // The page turned on is the page shown: titles, first coin and the page the grid is
        // applied to all follow from it.
        state.displayedSegment = p.pageOn;
    });
}

void clearColors(LimitsPage& page, const LimitsContext& ctx)
{
    ctx.errors.trap(1222, [&] {
        page.cellColour.fill(plat::kWhite);
        page.slugColour.fill(plat::sysColor::ButtonFace);
    });
}

void checkOverlaps(LimitsPage& page, int firstCoin, const LimitsContext& ctx)
{
    ctx.errors.trap(1223, [&] {
        auto cells = page.cellColour;
        auto slugs = page.slugColour;
        const CoinTables& t = ctx.tables;
        const LimitRules& rules = ctx.rules;
        const int pc = ctx.params.paramCount;
        const int cps = ctx.params.coinsPerSegment;
        const qint64 from = rules.mars ? firstCoin : 1;
        const qint64 to = rules.mars ? qint64(firstCoin) + 5 : ctx.params.coinCount;

        const auto paintCoin = [&](qint64 c, quint32 colour) {
            if (c < firstCoin || c > qint64(firstCoin) + cps - 1)
                return;
            for (int j = 0; j < 2 * pc; ++j)
                item(cells, (c - firstCoin) * 2 * pc + j) = colour;
        };

        for (qint64 c1 = from; c1 <= to; ++c1) {
            for (qint64 c2 = c1 + 1; c2 <= to; ++c2) {
                int count = 0;
                for (int p = 0; p < pc; ++p) {
                    const Window w1 = coinWindow(t, c1, p);
                    Window w2 = coinWindow(t, c2, p);
                    if (rules.invertedWindowsUnset && (w2.lo >= w2.hi || w1.lo >= w1.hi))
                        w2 = {0, 0};
                    bool counts = !w2.unset() && windowsOverlap(w1.lo, w1.hi, w2.lo, w2.hi);
                    if (rules.fifthParamSlugRule && p == 4 && coinWindow(t, c1, p).unset() &&
                        coinWindow(t, c2, p).unset())
                        counts = true;
                    count += counts ? 1 : 0;
                }
                if (count == pc) {
                    paintCoin(c1, plat::kYellow);
                    paintCoin(c2, plat::kYellow);
                }
            }
        }

        const int slugCount = checkedSlugCount(t);
        for (qint64 c = from; c <= to; ++c) {
            for (int s = 1; s <= slugCount; ++s) {
                const int row = t.slugRecordIndex(s - 1);
                int count = 0;
                for (int p = 0; p < pc; ++p) {
                    Window w1 = coinWindow(t, c, p);
                    if (w1.lo >= w1.hi)
                        w1 = {0, 0};
                    const Window w2 = slugWindow(t, row, p);
                    bool counts = !w1.unset() && !w2.unset() && windowsOverlap(w1.lo, w1.hi, w2.lo, w2.hi);
                    if (rules.fifthParamSlugRule && p == 4 && w1.unset())
                        counts = true;
                    count += counts ? 1 : 0;
                }
                if (count == pc) {
                    paintCoin(c, plat::kCyan);
                    for (int j = 0; j < 2 * pc; ++j)
                        item(slugs, (s - 1) * 2 * pc + j) = plat::kCyan;
                }
            }
        }
        page.cellColour = cells;
        page.slugColour = slugs;
    });
}

void calcAcceptance(LimitsPage& page, LimitsState& state, int firstCoin, const LimitsContext& ctx)
{
    ctx.errors.trap(1224, [&] {
        auto acceptance = state.estAcceptance;
        auto rejection = state.estRejection;
        const CoinTables& t = ctx.tables;
        const LimitRules& rules = ctx.rules;
        const int pc = ctx.params.paramCount;
        const int cps = ctx.params.coinsPerSegment;

        for (int c = 1; c <= 24; ++c) {
            acceptance[std::size_t(c)] = 1;
            const int n = t.coinRecordIndex(c, 0);
            if (n <= 0)
                continue;
            float sum = 0;
            for (int k = 1; k <= n; ++k) {
                const int row = t.coinRecordIndex(c, k);
                float product = 1;
                for (int p = 0; p < pc; ++p)
                    product *= coinFactor(spreadOf(t, row, p, pc), coinWindow(t, c, p), p, rules);
                sum += product;
            }
            acceptance[std::size_t(c)] = clamp01(sum / float(n));
        }

        const int slugCount = checkedSlugCount(t);
        for (int s = 1; s <= slugCount; ++s) {
            const int row = t.slugRecordIndex(s - 1);
            float accepted = 0;
            for (qint64 c = firstCoin; c <= qint64(firstCoin) + cps - 1; ++c) {
                float product = 1;
                for (int p = 0; p < pc; ++p) {
                    const Window w = coinWindow(t, c, p);
                    if (rules.fifthParamSlugRule && p == 4) {
                        // Only this coin's share goes; what earlier coins accepted stays.
                        if (!w.unset() && w.hi > t.coinsetRecords(row, 11))
                            product = 0;
                        continue;
                    }
                    product *= slugFactor(spreadOf(t, row, p, pc), w);
                }
                accepted = clamp01(accepted + product);
            }
            rejection[std::size_t(s)] = clamp01(1 - accepted);
        }
        state.estAcceptance = acceptance;
        state.estRejection = rejection;
    });
    displayAcceptance(page, state, firstCoin, ctx);
}

void displayAcceptance(LimitsPage& page, const LimitsState& state, int firstCoin, const LimitsContext& ctx)
{
    ctx.errors.trap(1225, [&] {
        auto acceptance = page.acceptance;
        auto rejection = page.rejection;
        const CoinTables& t = ctx.tables;
        for (int r = 0; r < ctx.params.coinsPerSegment; ++r) {
            const qint64 c = qint64(firstCoin) + r;
            if (c < 0 || c >= t.coinLink.size())
                subscriptOutOfRange();
            item(acceptance, r) = t.coinLink(int(c)) >= 1
                                      ? QStringLiteral("???")
                                      : plat::format(100.0f * item(state.estAcceptance, c), QStringLiteral("#0.0"));
        }
        // A slug number the coin set does not have shows nothing rather than an earlier set's.
        const int slugCount = t.slugCount;
        for (int s = 1; s <= kSlugRows; ++s)
            rejection[std::size_t(s - 1)] =
                s <= slugCount ? plat::format(100.0f * state.estRejection[std::size_t(s)], QStringLiteral("0.0"))
                               : QString();
        page.acceptance = acceptance;
        page.rejection = rejection;
    });
}

bool applyGrid(const LimitsPage& page, const LimitsState& state, const LimitsContext& ctx)
{
    bool stored = false;
    ctx.errors.trap(1201, [&] {
        struct Write {
            int coin, col;
            qint32 value;
        };
        std::vector<Write> writes;
        const int pc = ctx.params.paramCount;
        const int cps = ctx.params.coinsPerSegment;
        const qint64 first = qint64(plat::cInt(state.displayedSegment)) * cps + 1;
        for (qint64 coin = first; coin <= first + cps - 1; ++coin) {
            for (int col = 1; col <= 2 * pc; ++col) {
                const QString& text = item(page.cellText, (coin - first) * 2 * pc + col - 1);
                if (coin < 0 || coin >= ctx.tables.coinLimitTable.rows() || !ctx.tables.coinLimitTable.inRange(int(coin), col))
                    subscriptOutOfRange();
                writes.push_back({int(coin), col, gridValue(text, ctx.rules.limitCap)});
            }
        }
        for (const Write& w : writes)
            ctx.tables.coinLimitTable(w.coin, w.col) = w.value;
        stored = true;
    });
    return stored;
}

void selectSegment(LimitsPage& page, LimitsState& state, int pageNumber, const LimitsContext& ctx,
                   const std::function<bool()>& applyEdits)
{
    ctx.errors.trap(1239, [&] {
        if (state.limitsEdited) {
            ctx.dialogs.msgBox(ctx.texts.getText(1235), plat::mb::OKOnly | plat::mb::Information, ctx.texts.getText(1236));
            // Edits that could not be stored stay on their page, to be corrected or applied
            // again; showing another page would throw them away.
            if (!applyEdits())
                return;
        }
        state.limitsEdited = false;

        LimitsPage p = page;
        const CoinTables& t = ctx.tables;
        const int pc = ctx.params.paramCount;
        const int cps = ctx.params.coinsPerSegment;
        item(p.pageVisible, pageNumber);
        p.pageOn = pageNumber;
        for (int r = 0; r < cps; ++r)
            item(p.coinTitles, r) =
                ctx.rules.mars
                    ? ctx.texts.getText(1237) + QChar(u'A' + r) + QChar(u'1' + pageNumber)
                    : ctx.texts.getText(1238) + plat::format(pageNumber * cps + r + 1, QStringLiteral("00"));
        const int firstCoin = cps * pageNumber + 1;
        int k = 0;
        for (qint64 coin = firstCoin; coin <= qint64(firstCoin) + cps - 1; ++coin) {
            for (int col = 1; col <= 2 * pc; ++col) {
                if (coin >= t.coinLimitTable.rows())
                    subscriptOutOfRange();
                item(p.cellText, k++) = QString::number(t.coinLimitTable(int(coin), col));
            }
        }
        page = p;
        state.displayedSegment = pageNumber;

        clearColors(page, ctx);
        checkOverlaps(page, firstCoin, ctx);
        calcAcceptance(page, state, firstCoin, ctx);
        state.limitsEdited = false;
    });
}

void showLimitsPage(plat::View& v, const LimitsPage& p)
{
    for (int k = 0; k < 6; ++k) {
        v.setText(QStringLiteral("lblPtitle"), p.paramTitles[std::size_t(k)], k);
        v.setVisible(QStringLiteral("lblPtitle"), p.paramTitleVisible[std::size_t(k)], k);
    }
    for (int k = 0; k < kGridCells; ++k) {
        v.setText(QStringLiteral("txtProm"), p.cellText[std::size_t(k)], k);
        v.setBackColor(QStringLiteral("txtProm"), p.cellColour[std::size_t(k)], k);
        v.setVisible(QStringLiteral("txtProm"), p.cells[std::size_t(k)].visible, k);
    }
    for (int k = 0; k < kSlugCells; ++k) {
        v.setText(QStringLiteral("lblSlugLimits"), p.slugText[std::size_t(k)], k);
        v.setBackColor(QStringLiteral("lblSlugLimits"), p.slugColour[std::size_t(k)], k);
        v.setVisible(QStringLiteral("lblSlugLimits"), p.slugCells[std::size_t(k)].visible, k);
    }
    for (int r = 0; r < kCoinRows; ++r) {
        v.setText(QStringLiteral("lblCoin"), p.coinTitles[std::size_t(r)], r);
        v.setVisible(QStringLiteral("lblCoin"), p.coinTitleVisible[std::size_t(r)], r);
        v.setText(QStringLiteral("lblAcceptance"), p.acceptance[std::size_t(r)], r);
        v.setVisible(QStringLiteral("lblAcceptance"), p.acceptanceLabels[std::size_t(r)].visible, r);
    }
    for (int s = 0; s < kSlugRows; ++s) {
        v.setText(QStringLiteral("lblRejection"), p.rejection[std::size_t(s)], s);
        v.setVisible(QStringLiteral("lblRejection"), p.rejectionLabels[std::size_t(s)].visible, s);
    }
    for (int i = 0; i < kPages; ++i)
        v.setVisible(QStringLiteral("optSeg"), p.pageVisible[std::size_t(i)], i);
    v.setValue(QStringLiteral("optSeg"), 1, p.pageOn);

    v.setVisible(QStringLiteral("frmPromType"), p.marsFrames);
    v.setVisible(QStringLiteral("frmPromSize"), p.marsFrames);
    v.setText(QStringLiteral("lblSize"), p.sizeText);
    v.setText(QStringLiteral("frmDisplay"), p.displayCaption);
    v.setText(QStringLiteral("cmdProgPROM"), p.programCaption);
    v.setText(QStringLiteral("cmdPROMutilities"), p.utilitiesCaption);
    v.setText(QStringLiteral("lblmechType"), p.mechType);
    v.setEnabled(QStringLiteral("cmdValtest"), p.validatorTestEnabled);
}

} // namespace quenby
