#include "quenby/clonewizard/wizardlists.h"

#include "platform/vbtext.h"
#include "quenby/shell/texts.h"

#include <cmath>

namespace quenby {

WizardPanel wizardPanel(const WizardQuirks& q, const TextTable& texts)
{
    WizardPanel w;
    w.rowLabel = texts.getText(q.mars ? 425 : 427);
    w.segmentListVisible = q.mars;
    w.channelLabel = texts.getText(q.mars ? 426 : 428);
    w.channelLabelVisible = q.mars || q.nriLines;
    w.coinListTop = q.mars ? 1440 : 960;
    w.linesVisible = q.nriLines;
    w.valueVisible = q.coinValue;
    w.valueLabelTop = q.mars ? 1500 : 1020;
    w.valueBoxTop = q.mars ? 1440 : 960;
    if (q.coinValue)
        w.valueText = QStringLiteral("10");
    w.select2K = q.twoSegmentsOnly;
    return w;
}

QStringList segmentList(const std::array<int, 4>& boxes, bool twoK, const WizardQuirks& q)
{
    QStringList out;
    const int last = twoK && !q.twoSegmentsOnly ? 3 : 1;
    for (int s = 0; s <= last; ++s)
        if (boxes[std::size_t(s)] != kBoxClear)
            out << QString::number(s + 1);
    return out;
}

QStringList coinList(const WizardQuirks& q, const QString& segmentText, int coinCount)
{
    QStringList out;
    if (q.mars) {
        for (char letter = 'A'; letter <= 'F'; ++letter)
            out << QChar(letter) + segmentText;
        return out;
    }
    for (int c = 1; c <= coinCount; ++c)
        out << QStringLiteral("Coin ") + plat::format(c, QStringLiteral("00"));
    return out;
}

QStringList lineList()
{
    QStringList out;
    for (int k = 1; k <= 6; ++k)
        out << QStringLiteral("%1").arg(k, 10);
    return out;
}

std::optional<int> presetLineIndex(const WizardQuirks& q, const QString& coinItem)
{
    if (!q.nriLines)
        return std::nullopt;
    double n = plat::val(plat::right(coinItem, 2));
    if (n > 6)
        n -= 6;
    if (n < 1 || n > 6 || n != std::floor(n))
        return std::nullopt;
    return int(n) - 1;
}

SizeOption sizeOption(bool twoK)
{
    SizeOption o;
    o.boxes = twoK ? std::array<int, 4>{kBoxTicked, kBoxClear, kBoxClear, kBoxClear}
                   : std::array<int, 4>{kBoxTicked, kBoxClear, kBoxGreyed, kBoxGreyed};
    o.segmentSelected = {true, false, false, false};
    o.promSize = twoK ? 1 : 0;
    return o;
}

CheckedArray<qint32, 25> wizardLinks(const WizardQuirks& q, int promSize, int mode, qint32 n)
{
    CheckedArray<qint32, 25> links;
    for (int i = 1; i <= 24; ++i) {
        if (!q.mars) {
            links(i) = i;
            continue;
        }
        if ((promSize == 0 && i <= 12) || promSize == 1)
            links(i) = i;
        if (i > 12 && (q.twoSegmentsOnly || promSize == 0))
            links(i) = 0;
    }
    if (n >= 1 && n <= 24) {
        if (mode == kAddCoin)
            links(n) = 0;
        else if (mode == kSlugFix)
            links(n) = -n;
    }
    return links;
}

int wizardPassCount(int mode) { return mode == kAddCoin || mode == kSlugFix ? 2 : 0; }

WizardPass wizardPass(int mode, int pass, const TextTable& texts)
{
    WizardPass w;
    if (pass == 1) {
        w.description = texts.getText(mode == kSlugFix ? 485 : 484);
        w.prompt = texts.getText(486);
        w.closing = texts.getText(487);
        w.storesLimits = mode != kSlugFix;
    } else if (mode == kSlugFix) {
        w.description = texts.getText(488);
        w.prompt = texts.getText(489);
        w.closing = texts.getText(490);
        w.recordMode = 2;
    } else {
        w.recordMode = 2;
        w.gathers = false;
        w.storesLimits = false;
    }
    return w;
}

void applyPassSettings(RecordStats& s, std::array<qint32, 7>& flierTolerance, int paramCount, const LimitRules& rules,
                       bool slugPass)
{
    checkParamCount(paramCount);
    for (int p = 1; p <= paramCount; ++p) {
        flierTolerance[std::size_t(p)] = 20;
        s.slugOffset[std::size_t(p)] = 2;
        s.limitOffset[std::size_t(2 * p - 1)] = -2;
        s.limitOffset[std::size_t(2 * p)] = 2;
    }
    for (int L = 0; L < 2 * paramCount; ++L)
        s.limitSource[std::size_t(L)] = limitsrc::TwoSd;
    if (!rules.fifthParamSlugRule || paramCount < 5)
        return;
    if (slugPass) {
        s.limitSource[9] = limitsrc::High;
        s.limitOffset[10] = 10;
        s.limitSource[8] = limitsrc::Fixed;
        s.limitOffset[9] = 0;
    } else {
        s.limitSource[8] = limitsrc::Low;
        s.limitOffset[9] = -10;
        s.limitSource[9] = limitsrc::Fixed;
        s.limitOffset[10] = 255;
    }
}

qint32 usableMultiple(qint32 coinValueMultiple) { return coinValueMultiple <= 0 ? 1 : coinValueMultiple; }

std::optional<QString> coinValueRefusal(qint32 value, qint32 coinValueMultiple, const TextTable& texts)
{
    const qint32 low = usableMultiple(coinValueMultiple) & 63;
    const qint32 m = low == 0 ? 1 : low;
    if (std::floor(double(value) / m) * m == double(value))
        return std::nullopt;
    return texts.getText(476) + QStringLiteral("\r\n\r\n") + texts.getText(477) + plat::str(low);
}

qint32 outputMask(qint32 line) { return line >= 1 && line <= 6 ? qint32(1) << (line - 1) : 1; }

} // namespace quenby
