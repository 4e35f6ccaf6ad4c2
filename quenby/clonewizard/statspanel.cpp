#include "quenby/clonewizard/statspanel.h"

#include "platform/vbtext.h"
#include "platform/view.h"
#include "quenby/shell/texts.h"

namespace quenby {

namespace {

QString oneDecimal(float x) { return plat::format(x, QStringLiteral("#0.0")); }

void setTexts(plat::View& v, const QString& control, const QStringList& texts)
{
    for (int i = 0; i < texts.size(); ++i)
        v.setText(control, texts[i], i);
}

// The limits rows of the coin records (sources and offsets) or of the slugs (separations).
void showLimitRows(plat::View& v, int paramCount, const TextTable& texts, bool slugs)
{
    checkParamCount(paramCount);
    v.setText(QStringLiteral("lblPromLimits"), texts.getText(slugs ? 433 : 436));
    if (!slugs)
        v.setVisible(QStringLiteral("lblPromLimits"), true);
    for (int p = 0; p < paramCount; ++p)
        v.setVisible(QStringLiteral("lblSep"), slugs, p);
    for (int L = 0; L < 2 * paramCount; ++L) {
        v.setVisible(QStringLiteral("lblSrc"), !slugs, L);
        v.setVisible(QStringLiteral("lblAdjust"), !slugs, L);
    }
    v.setText(QStringLiteral("lblSource"), texts.getText(slugs ? 434 : 437));
    v.setVisible(QStringLiteral("lblOffset"), !slugs);
}

} // namespace

StatsPanel statsPanel(const RecordStats& s, int paramCount, int mode, bool runActive, qint32 samplesLeft)
{
    checkParamCount(paramCount);
    StatsPanel panel;
    panel.paramCount = paramCount;
    panel.slugLayout = mode != 1 && mode != 3;
    for (int p = 1; p <= paramCount; ++p) {
        const auto k = std::size_t(p);
        panel.mean << oneDecimal(s.paramMean[k]);
        panel.sd << oneDecimal(s.paramSdLower[k]) << oneDecimal(s.paramSdUpper[k]);
        panel.lowHigh << plat::str(s.paramLowest[k]) << plat::str(s.paramHighest[k]);
    }
    for (int L = 1; L <= 2 * paramCount; ++L) {
        if (!panel.slugLayout)
            panel.adjust << plat::str(s.limitOffset[std::size_t(L)]);
        panel.limits << plat::str(s.recordLimits[std::size_t(L)]);
    }
    if (panel.slugLayout)
        for (int p = 1; p <= paramCount; ++p)
            panel.separation << plat::str(s.slugOffset[std::size_t(p)]);
    panel.number = plat::str(runActive ? samplesLeft : s.readingsTaken);
    return panel;
}

QStringList readingCaptions(const std::array<qint32, 11>& r, int paramCount)
{
    checkParamCount(paramCount);
    QStringList out;
    for (int i = 0; i < paramCount; ++i)
        out << plat::str(r[std::size_t(i)]);
    return out;
}

QStringList clearedReadingCaptions(int paramCount)
{
    checkParamCount(paramCount);
    QStringList out;
    for (int i = 0; i < paramCount; ++i)
        out << QStringLiteral("0");
    return out;
}

void showPromLimits(plat::View& v, int paramCount, const TextTable& texts)
{
    showLimitRows(v, paramCount, texts, false);
}

void showSlugLimits(plat::View& v, int paramCount, const TextTable& texts)
{
    showLimitRows(v, paramCount, texts, true);
}

plat::ControlNames statsPanelControls()
{
    plat::ControlNames n;
    for (const char* perParameter : {"lblMean", "lblSep", "lblMeas"})
        n.addArray(QString::fromLatin1(perParameter), 0, 5);
    for (const char* perLimit : {"lblSD", "lblLH", "lblAdjust", "lblLimits", "lblSrc"})
        n.addArray(QString::fromLatin1(perLimit), 0, 11);
    for (const char* single : {"lblPromLimits", "lblSource", "lblOffset", "lblNumber"})
        n.add(QString::fromLatin1(single));
    return n;
}

void showStatsPanel(plat::View& v, const StatsPanel& panel, const TextTable& texts)
{
    setTexts(v, QStringLiteral("lblMean"), panel.mean);
    setTexts(v, QStringLiteral("lblSD"), panel.sd);
    setTexts(v, QStringLiteral("lblLH"), panel.lowHigh);
    if (panel.slugLayout)
        showSlugLimits(v, panel.paramCount, texts);
    else
        showPromLimits(v, panel.paramCount, texts);
    setTexts(v, QStringLiteral("lblAdjust"), panel.adjust);
    setTexts(v, QStringLiteral("lblLimits"), panel.limits);
    setTexts(v, QStringLiteral("lblSep"), panel.separation);
    v.setText(QStringLiteral("lblNumber"), panel.number);
}

} // namespace quenby
