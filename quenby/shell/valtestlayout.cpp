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

bool startsWith3(const QString& model, const char* prefix)
{
    return model.left(3) == QLatin1String(prefix);
}

bool binaryG40Variant(const QString& variant)
{
    return variant == u"G40-x3xx" || variant == u"G40-x4xx";
}

} // namespace

ValtestModel valtestModel(const QString& family, const QString& model, const QString& g40Variant)
{
    ValtestModel m;
    if (family == u"Mars") {
        m.known = true;
        m.lines = model == u"MS1000" ? 10 : 7;
        m.marsReject = true;
        m.marsTimings = true;
        m.me181Pulse = model == u"ME181";
        return m;
    }
    if (family == u"CC") {
        m.binaryReports = true; // every CC "X" report is a binary code
        m.startCommand = model == u"450" ? "C09" : "C01";
        m.movesMiddleChannels = model == u"450";
        m.removeLoomFirst = model == u"435";
        struct Row {
            const char* model;
            int lines, binaryLines;
        };
        static constexpr Row kRows[] = {
            {"C120", 6, 0}, {"Sentinel", 4, 0}, {"220B", 4, 8}, {"335", 5, 16}, {"435", 5, 16}, {"450", 6, 0},
        };
        for (const Row& r : kRows) {
            if (model == QLatin1String(r.model)) {
                m.known = true;
                m.lines = r.lines;
                m.binaryLines = r.binaryLines;
            }
        }
        return m;
    }
    if (family == u"NRI") {
        const bool g10 = startsWith3(model, "G10");
        const bool g18or40 = startsWith3(model, "G18") || startsWith3(model, "G40");
        m.g10Logon = g10;
        if (!g10)
            m.startCommand = g18or40 ? "C08" : "C00";
        m.movesMiddleChannels = g18or40;
        if (model == u"G40-0000") {
            m.known = true;
            m.showsG40Variants = true;
            m.binaryReports = true;
            const bool binary = binaryG40Variant(g40Variant);
            m.lines = binary ? 5 : 6;
            m.binaryLines = binary ? 16 : 0;
            m.movesMiddleChannels = !binary;
        } else if (model == u"G10-4000" || model == u"G10-4000/5") {
            m.known = true;
            m.lines = 12;
            m.numbered = true;
            m.tubes = true;
        } else if (model == u"G13-0000" || model == u"G13-6000" || model == u"G18-0000" || model == u"G18-3000") {
            m.known = true;
            m.lines = 6;
        }
    }
    return m;
}

bool valtestProbes(const QString& family, const QString& model, const ValtestChoice& choice)
{
    return valtestModel(family, model, choice.g40Variant).binaryLines > 0;
}

ValtestLayout valtestLayout(const QString& family, const QString& model, const ValtestChoice& choice,
                            bool probeAnswered, const TextTable& texts)
{
    const ValtestModel m = valtestModel(family, model, choice.g40Variant);
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

std::vector<BoxStep> valtestRestart(const QString& family, const QString& model, const QString& g40Variant)
{
    if (family == u"Mars")
        return {{"V", true}};
    if (startsWith3(model, "G10"))
        return {};
    std::vector<BoxStep> steps{{"O", true}};
    if (model == u"G40-0000")
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
