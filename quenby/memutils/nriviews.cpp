#include "quenby/memutils/nriviews.h"

#include "quenby/link/familytable.h"
#include "quenby/link/nriwire.h"
#include "quenby/shell/texts.h"

#include "platform/vbtext.h"

#include <algorithm>

namespace quenby {

namespace {

const QString kCrLf = QStringLiteral("\r\n");
constexpr int kNameColumns = 12;

// The G40's legend is the same in every language.
const QString kG40Legend[2] = {
    QStringLiteral("00=nfa  01=bod  02=hfp  03=lft  04=hfa  05=mas  06=gro  07=gru"),
    QStringLiteral("08=slf  09=m09  10=lsa  11=lsb  12=m12  13=m13  14=m14  15=m15"),
};

QString fmt(qint64 n, const char* pattern) { return plat::format(double(n), QString::fromLatin1(pattern)); }

int paramsOf(const ModelParams& p) { return std::clamp(p.paramCount, 0, 6); }
int coinsOf(const ModelParams& p) { return std::clamp(p.coinCount, 0, 24); }

QString nameOf(const ModelParams& p, int k) { return p.paramNames[k].left(kNameColumns); }

// Whether the fields a read fills with one of `fills` (for that coin or index, when given) were not
// read by the last read: they hold what an earlier read (of whichever mech) left.
bool unread(const NriViewInput& in, std::initializer_list<NriFill> fills, int coin = -1, int index = -1)
{
    for (const NriReadStep& step : nriReadPlan(in.entry, in.params)) {
        if (std::find(fills.begin(), fills.end(), step.fill) == fills.end())
            continue;
        if ((coin >= 0 && step.coin != coin) || (index >= 0 && step.index != index))
            continue;
        if (step.line >= 1 && step.line <= 28 && in.tables.lineNotRead[size_t(step.line)])
            return true;
    }
    return false;
}

// A field as shown, or in the same columns a dash for every character when it was not read.
QString shown(bool notRead, const QString& field)
{
    if (!notRead)
        return field;
    QString out = field;
    for (QChar& ch : out)
        if (ch != u' ')
            ch = u'-';
    return out;
}

constexpr std::initializer_list<NriFill> kValueFills = {NriFill::Values, NriFill::OldValues, NriFill::G10Values};

QString limitsView(const NriViewInput& in)
{
    const int params = paramsOf(in.params);
    const QString indent = plat::space((6 - params) * 6);
    QString text = indent + plat::space(10) + plat::space(6 - nameOf(in.params, 0).size() / 2);
    for (int k = 0; k < params; ++k) {
        const QString name = nameOf(in.params, k);
        text += name + plat::space(kNameColumns - name.size());
    }
    text += kCrLf;
    const QString coin = in.texts.getText(927);
    for (int c = 1; c <= coinsOf(in.params); ++c) {
        text += indent + coin + fmt(c, "00") + plat::space(5);
        const bool notRead = unread(in, {NriFill::NewLimits, NriFill::OldLimits}, c);
        for (int p = 1; p <= params; ++p) {
            const auto& row = in.tables.nriLimitTable[size_t(c)];
            text += shown(notRead, fmt(row[size_t(2 * p - 1)], " 000 ") + fmt(row[size_t(2 * p)], "000")) +
                    plat::space(4);
        }
        text += kCrLf;
    }
    return text + kCrLf;
}

QString mapView(const NriViewInput& in, const NriViews& layout)
{
    const int params = paramsOf(in.params);
    const QString indent = plat::space((6 - params) * 6);
    QString text = indent + plat::space(7);
    if (layout.map == NriMap::Parameters) {
        for (int p = 1; p <= params; ++p)
            text += plat::space(2) + in.texts.getText(928) + fmt(p, "0");
    } else {
        text += plat::space(7) + in.texts.getText(929);
        for (int id = 930; id <= 934; ++id)
            text += plat::space(10) + in.texts.getText(id);
    }
    text += kCrLf;

    const QString coin = in.texts.getText(935);
    for (int c = 1; c <= coinsOf(in.params); ++c) {
        text += indent + coin + fmt(c, "00") + plat::space(7);
        const bool notRead = unread(in, {NriFill::ParamMap});
        for (int p = 1; p <= params; ++p)
            text += shown(notRead, fmt(in.tables.nriParamTable[size_t(c)][size_t(p)], " 00")) +
                    (p < params ? plat::space(10) : QString());
        text += kCrLf;
    }
    text += kCrLf;

    if (layout.legend == NriLegend::Texts)
        text += plat::space(14) + in.texts.getText(936) + kCrLf + plat::space(14) + in.texts.getText(937);
    else if (layout.legend == NriLegend::G40)
        text += plat::space(14) + kG40Legend[0] + kCrLf + plat::space(14) + kG40Legend[1];

    const auto& comp = in.tables.nriCompensation;
    text += kCrLf + kCrLf + plat::space(20);
    const bool compNotRead = unread(in, {NriFill::Compensation});
    for (int k = 0; k < 4; ++k)
        text += in.texts.getText(938 + k) + shown(compNotRead, fmt(comp[size_t(k)], "000"));
    return text;
}

// The route digit of coin c in the first route record: position 2c for coins 1..6, 2(c - 7) + 1
// from coin 7 on; a character that is not a digit counts as 0.
int routeDigit(const NriReadTables& t, int c)
{
    const int pos = c <= 6 ? 2 * c : 2 * (c - 7) + 1;
    const QString ch = plat::mid(t.nriInfoLines[0], pos, 1);
    return !ch.isEmpty() && ch[0] >= u'0' && ch[0] <= u'9' ? ch[0].unicode() - u'0' : 0;
}

QString bits(int value, std::initializer_list<int> weights)
{
    QString out;
    for (int w : weights)
        out += (value & w) ? u'1' : u'0';
    return out;
}

QString outputsView(const NriViewInput& in, const NriViews& layout)
{
    const NriReadTables& t = in.tables;
    QString text = plat::space(25) + in.texts.getText(layout.outputsHeading) + kCrLf;
    const QString coin = in.texts.getText(943);
    const bool outputsNotRead = unread(in, {NriFill::Outputs});
    const bool inhibitsNotRead = unread(in, {NriFill::Inhibits});
    const bool valuesNotRead = unread(in, kValueFills);
    const bool routeNotRead = unread(in, {NriFill::Route}, -1, 0);
    for (int c = 1; c <= coinsOf(in.params); ++c) {
        const qint32 out = t.nriCoinOutput[size_t(c)];
        text += plat::space(15) + coin + fmt(c, "00") + plat::space(5) + plat::space(2) +
                shown(outputsNotRead, plat::hex2(t.nriCoinX0F[size_t(c)])) + plat::space(9) +
                shown(inhibitsNotRead, fmt(out & 63, "   0")) + plat::space(11) +
                shown(valuesNotRead, fmt(t.mechCoinValues[size_t(c)], " 0000")) +
                shown(inhibitsNotRead, fmt(((out & 192) >> 6) + 1, "      0"));
        if (layout.route == NriRoute::Bits8421)
            text += plat::space(7) + shown(routeNotRead, bits(routeDigit(t, c), {8, 4, 2, 1}));
        else if (layout.route == NriRoute::RouteTwo)
            text += plat::space(7) +
                    shown(routeNotRead, routeDigit(t, c) == 2 ? QStringLiteral("  1") : QStringLiteral("  0"));
        text += kCrLf;
    }
    return text + kCrLf + plat::space(30) + in.texts.getText(944) +
           shown(valuesNotRead, fmt(t.coinValueMultipleRead, "000")) + kCrLf;
}

QString valuesView(const NriViewInput& in, int headingId, int coinId)
{
    QString text = plat::space(47) + in.texts.getText(headingId) + kCrLf;
    const QString coin = in.texts.getText(coinId);
    const bool notRead = unread(in, kValueFills);
    for (int c = 1; c <= coinsOf(in.params); ++c)
        text += plat::space(30) + coin + fmt(c, "00") + plat::space(10) +
                shown(notRead, fmt(in.tables.mechCoinValues[size_t(c)], " 0000")) + kCrLf;
    return text;
}

QString tubeBlock(const NriViewInput& in)
{
    QString text = kCrLf;
    const bool notRead = unread(in, kValueFills);
    for (int k = 0; k < 4; ++k)
        text += plat::space(30) + in.texts.getText(951 + k) +
                shown(notRead, fmt(in.tables.mechCoinValues[size_t(13 + k)], "0000")) + kCrLf;
    return text;
}

QString g10FiveView(const NriViewInput& in)
{
    const NriReadTables& t = in.tables;
    QString text = plat::space(36) + in.texts.getText(947) + plat::space(7) + in.texts.getText(948) + plat::space(5) +
                   in.texts.getText(949) + kCrLf;
    const QString coin = in.texts.getText(950);
    const bool valuesNotRead = unread(in, kValueFills);
    const bool routeNotRead = unread(in, {NriFill::Route}, -1, 0);
    const bool mapNotRead = unread(in, {NriFill::Route}, -1, 1);
    for (int c = 1; c <= coinsOf(in.params); ++c) {
        text += plat::space(20) + coin + fmt(c, "00") + plat::space(10) +
                (c <= 8 ? shown(valuesNotRead, fmt(t.mechCoinValues[size_t(c)], " 0000")) : QStringLiteral(" XXXX")) +
                plat::space(7) + shown(routeNotRead, bits(routeDigit(t, c), {4, 2, 1}));
        // Coins 9 and up carry their map number, two characters each in the second route record.
        if (c >= 9)
            text += plat::space(5) +
                    shown(mapNotRead, plat::str(plat::val(plat::mid(t.nriInfoLines[1], (c - 9) * 2 + 1, 2))));
        text += kCrLf;
    }
    return text + tubeBlock(in);
}

// The leading hex digits of a text as a number; 0 when it begins with none.
int hexLead(const QString& s)
{
    int n = 0;
    for (QChar ch : s) {
        const int d = QStringLiteral("0123456789ABCDEF").indexOf(ch.toUpper());
        if (d < 0)
            break;
        n = n * 16 + d;
    }
    return n;
}

QString lastAdjustment(const NriViewInput& in)
{
    const QString& id = in.tables.nriIdent;
    return kCrLf + plat::space(30) + in.texts.getText(958) +
           shown(unread(in, {NriFill::Ident, NriFill::OldDate}),
                 fmt(hexLead(plat::mid(id, 1, 2)), "00") + u'/' + fmt(hexLead(plat::mid(id, 3, 2)), "00") + u'/' +
                     fmt(hexLead(plat::right(id, 2)), "00"));
}

QString otherView(const NriViewInput& in, const NriViews& layout)
{
    QString text;
    switch (layout.other) {
    case NriOther::Outputs: text = outputsView(in, layout); break;
    case NriOther::Values:
        text = valuesView(in, 955, 956) + kCrLf + plat::space(30) + in.texts.getText(957) +
               shown(unread(in, kValueFills), fmt(in.tables.coinValueMultipleRead, "000")) + kCrLf;
        break;
    case NriOther::G10: text = valuesView(in, 945, 946) + tubeBlock(in); break;
    case NriOther::G10Five: text = g10FiveView(in); break;
    case NriOther::Nothing: break;
    }
    return text + lastAdjustment(in);
}

} // namespace

QStringList nriViewList(const MechEntry& entry, const TextTable& texts)
{
    QStringList list{texts.getText(922)};
    const NriMap map = entry.nri.views.map;
    if (map == NriMap::Parameters)
        list << texts.getText(923);
    else if (map == NriMap::Compensation)
        list << texts.getText(924);
    list << texts.getText(925);
    return list;
}

NriView nriViewAt(const MechEntry& entry, int listIndex)
{
    if (listIndex == 0)
        return NriView::Limits;
    if (listIndex == 1 && entry.nri.views.map != NriMap::None)
        return NriView::Map;
    return NriView::Other;
}

QString nriViewText(NriView view, const NriViewInput& in)
{
    const NriViews& layout = in.entry.nri.views;
    switch (view) {
    case NriView::Limits: return limitsView(in);
    case NriView::Map: return layout.map != NriMap::None ? mapView(in, layout) : otherView(in, layout);
    case NriView::Other: break;
    }
    return otherView(in, layout);
}

} // namespace quenby
