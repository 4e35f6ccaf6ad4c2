#include "quenby/shell/valtestlayout.h"

#include "platform/vbtext.h"
#include "quenby/shell/texts.h"

namespace quenby {

namespace {

namespace id {
constexpr int CoinNumbered = 1402;
constexpr int CoinLettered = 1403;
constexpr int Rejected = 1404;
constexpr int FirstTube = 1445; // "Tube L", "Tube M", "Tube R", "Cashbox"
} // namespace id

// The layout cursor: lines start at (2040, 480) and step down 360; a layout of more than 10
// lines puts lines 9.. into a second column at x 5280.
constexpr int kFirstColumnX = 2040;
constexpr int kSecondColumnX = 5280;
constexpr int kFirstLineY = 480;
constexpr int kLineStep = 360;
constexpr int kIndicatorOffset = 600;
constexpr int kCaptionOffset = 2000;
constexpr int kLinesPerColumn = 8;
constexpr int kOneColumnMax = 10;
constexpr int kNarrowWidth = 5910;
constexpr int kWideWidth = 9180;
constexpr int kHeight = 4775;

bool binaryG40Variant(const QString& variant)
{
    return variant == u"G40-x3xx" || variant == u"G40-x4xx";
}

} // namespace

ValtestModel valtestModel(const MechEntry& entry, const QString& g40Variant)
{
    ValtestModel m = entry.valtest;
    if (m.showsG40Variants) {
        const bool binary = binaryG40Variant(g40Variant);
        m.lines = binary ? 5 : 6;
        m.binaryLines = binary ? 16 : 0;
        m.movesMiddleChannels = !binary;
    }
    return m;
}

bool valtestProbes(const MechEntry& entry, const ValtestChoice& choice)
{
    return valtestModel(entry, choice.g40Variant).binaryLines > 0;
}

ValtestLayout valtestLayout(const MechEntry& entry, const ValtestChoice& choice, bool probeAnswered,
                            const TextTable& texts)
{
    const ValtestModel m = valtestModel(entry, choice.g40Variant);
    ValtestLayout out;
    out.showG40Variants = m.showsG40Variants;

    int n = m.lines;
    const bool possible = m.binaryLines > 0;
    // The binary count is chosen before the probe; a probe without answer only hides the
    // Output Mode frame.
    if (possible && choice.binarySelected)
        n = m.binaryLines;
    out.binaryPossible = possible && probeAnswered;

    // Only a Mars layout has a "Rejected" line, and only on a box that reports rejects.
    const bool rejectShown = m.marsReject && choice.boxVersion.compare(kMarsRejectVersion) >= 0;
    if (m.marsReject && !rejectShown)
        n = 6;
    out.rejectLine = rejectShown ? n : 0;
    out.lineCount = n;

    const bool numbered = choice.binarySelected || m.numbered;
    out.wide = n > kOneColumnMax;
    int x = kFirstColumnX;
    int y = kFirstLineY;
    for (int i = 1; i <= n; ++i) {
        ValtestLine line;
        line.top = y;
        line.countLeft = x;
        line.indicatorLeft = x - kIndicatorOffset;
        line.captionLeft = x - kCaptionOffset;
        if (numbered)
            line.caption = texts.getText(id::CoinNumbered) + plat::format(i, QStringLiteral("00"));
        else
            line.caption = texts.getText(id::CoinLettered) + QChar(u'A' + (i - 1));
        if (m.tubes && i >= 9 && i <= 12)
            line.caption = texts.getText(id::FirstTube + i - 9);
        out.lines.push_back(line);
        y += kLineStep;
        if (out.wide && i == kLinesPerColumn) {
            x = kSecondColumnX;
            y = kFirstLineY;
        }
    }
    if (out.rejectLine >= 1)
        out.lines[size_t(out.rejectLine - 1)].caption = texts.getText(id::Rejected);

    out.width = out.wide ? kWideWidth : kNarrowWidth;
    out.panelShift = out.wide ? kSecondColumnX - kFirstColumnX : 0;
    out.height = kHeight;
    return out;
}

std::vector<BoxStep> valtestRestart(const MechEntry& entry, const QString& g40Variant)
{
    if (entry.valtest.marsTimings)
        return {{"V", true}};
    if (entry.valtest.g10Logon)
        return {};
    std::vector<BoxStep> steps{{"O", true}};
    if (entry.valtest.showsG40Variants)
        steps.push_back({g40Variant == u"G40-x3xx" ? "C01" : "C08", false});
    return steps;
}

QRect centredIn(const QRect& available, int w, int h)
{
    // A window larger than the area keeps its title bar inside it.
    return {qMax(available.left(), available.left() + (available.width() - w) / 2),
            qMax(available.top(), available.top() + (available.height() - h) / 2), w, h};
}

} // namespace quenby
