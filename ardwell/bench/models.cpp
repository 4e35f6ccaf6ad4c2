#include "ardwell/bench/models.h"

#include "ardwell/link/imagefile.h"
#include "platform/view.h"

namespace ardwell {

namespace {

constexpr WordRange kCopied126[] = {{0, 1}, {4, 11}, {25, 30}, {215, kLoadTop}};
constexpr WordRange kCopiedOthers[] = {{0, 2}, {5, 14}, {28, 33}, {112, kLoadTop}};
constexpr int kLevels126[] = {4, 3, 2, 1};
constexpr int kLevelsOthers[] = {7, 4, 3, 2, 1};

constexpr ProgrammeLayout kTwelveLamps{.lampCount = 12, .frameLeft = 1800, .frameWidth = 4815};
constexpr ProgrammeLayout kSixteenLamps{.lampCount = 16, .frameLeft = 1200, .frameWidth = 6255};

// In the order of the window's option buttons. A field left out is false, none or empty.
constexpr ModelEntry kModels[] = {
    {.model = Model::M126, .text = "126", .source = "61", .destination = "FF",
     .listedChannels = 16, .coins = 16, .eepromTop = 255, .programmeTop = 214, .serialWord = 2, .recordBase = 31,
     .rebuildsLists = true, .coinFormat = CoinFormat::Bco126, .copiedWords = kCopied126,
     .fixedScaling = true, .windowLevels = kLevels126, .programme = kSixteenLamps, .discrimFrameShown = true,
     .testFrame = TestFrame::Test330, .testCaption = "Test Coin Mech", .binaryTestMode = true},
    {.model = Model::M330, .text = "330", .source = "61", .destination = "FF",
     .listedChannels = 12, .coins = 12, .eepromTop = 127, .programmeTop = 127, .serialWord = 3, .recordBase = 34,
     .rebuildsLists = true, .coinFormat = CoinFormat::Lines330, .copiedWords = kCopiedOthers,
     .windowLevels = kLevelsOthers, .programme = kTwelveLamps,
     .testFrame = TestFrame::Test330, .testCaption = "Test Coin Mech", .interfacesChoosable = true},
    {.model = Model::M340, .text = "340", .source = "61", .destination = "FF",
     .listedChannels = 12, .coins = 12, .eepromTop = 127, .programmeTop = 127, .serialWord = 3, .recordBase = 34,
     .rebuildsLists = true, .coinFormat = CoinFormat::Credit340, .copiedWords = kCopiedOthers,
     .windowLevels = kLevelsOthers,
     .programme = {.lampCount = 12, .frameLeft = 1800, .frameWidth = 4815, .coinValueShown = true},
     .testFrame = TestFrame::Test340, .testCaption = "340 Test Mode", .outputCommand = "{", .binaryCommand = "{"},
    {.model = Model::M560, .text = "560", .source = "21", .destination = "01",
     .listedChannels = 12, .coins = 12, .eepromTop = 127, .programmeTop = 127, .serialWord = 3, .recordBase = 34,
     .rebuildsLists = true, .coinFormat = CoinFormat::Route560, .copiedWords = kCopiedOthers,
     .windowLevels = kLevelsOthers, .programme = kTwelveLamps,
     .testFrame = TestFrame::TestPCA, .testCaption = "560 Test"},
    {.model = Model::PCA, .text = "PCA", .source = "20", .destination = "00",
     .listedChannels = 12, .coins = 16, .eepromTop = 127, .programmeTop = 127, .serialWord = 3, .recordBase = 34,
     .coinFormat = CoinFormat::None,
     .windowLevels = kLevelsOthers, .programme = kSixteenLamps,
     .testFrame = TestFrame::TestPCA, .testCaption = "PCA Test", .upperTestRows = true,
     .powerOnLine = "W\r"},
};

} // namespace

const ModelEntry& modelEntry(Model m)
{
    for (const ModelEntry& e : kModels)
        if (e.model == m)
            return e;
    return modelEntry(kDesignModel); // a value outside the enumeration counts as the design model
}

std::span<const ModelEntry> models() { return kModels; }

QString modelText(Model m) { return QString::fromLatin1(modelEntry(m).text); }

QString optionName(Model m) { return QStringLiteral("opt") + modelText(m); }

Model currentModel(const plat::View& v)
{
    // The order the window has always asked its option buttons in.
    if (v.value(QStringLiteral("opt126")))
        return Model::M126;
    if (v.value(QStringLiteral("opt340")))
        return Model::M340;
    if (v.value(QStringLiteral("optPCA")))
        return Model::PCA;
    if (v.value(QStringLiteral("opt560")))
        return Model::M560;
    return kDesignModel;
}

std::optional<Model> modelFromText(const QString& text)
{
    for (const ModelEntry& e : kModels)
        if (text == QLatin1String(e.text))
            return e.model;
    return std::nullopt;
}

Model modelFromSettings(const QString& text) { return modelFromText(text).value_or(kDesignModel); }

QString windowCaption(Model m)
{
    return QStringLiteral("Ardwell") + QString(25, QLatin1Char(' ')) + QStringLiteral("Model : ") + modelText(m);
}

QString channelItem(int n) { return QStringLiteral("Channel ") + QString::number(n); }

ModelLists modelLists(Model m)
{
    ModelLists l;
    const CoinFormat f = modelEntry(m).coinFormat;
    const int n = modelEntry(m).listedChannels;
    for (int i = 1; i <= n; ++i) {
        l.coinNumber.items << channelItem(i);
        l.changeCoin.items << channelItem(i);
    }
    l.coinNumber.shown = 0;
    l.changeCoin.items << QStringLiteral(" ");
    l.changeCoin.shown = n;

    l.inhibitLine.items = {"A", "B", "C", "D", "E", "F", " "};
    if (f == CoinFormat::Lines330) {
        l.output.items = {"A", "B", "C", "D", "E", "F", "Bin"};
        l.output.shown = 6;
    } else {
        l.output.items = {" ", "A", "B", "C", "D", "E", "F", "MPE"};
    }
    l.plugDecode.items = {" ", "A", "B", "C", "D", "E", "F", "G", "H"};
    if (f == CoinFormat::Route560)
        l.route.items = {"Default", "1 ", "2 ", "3 ", "4 ", "5 ", "6 ", "7 "};
    else
        l.route.items = {" ", "A ", "B ", "C ", "D ", " a", " b", " c", " d"};
    l.defaultRoute.items = {"A ", "B ", "C ", "D ", " a", " b", " c", " d"};

    if (f == CoinFormat::Bco126) {
        l.binaryLabel = QStringLiteral("BCO Hex Code");
        l.inhibitLabel = QStringLiteral("BCO Inhibit Line");
    } else {
        l.recalcBinary = true;
        l.routeVisible = f == CoinFormat::Route560;
        l.routeLabelVisible = false;
        l.binaryVisible = f != CoinFormat::Route560;
        l.plugVisible = false;
        l.binaryLabel = QStringLiteral("Hex Code");
        l.inhibitLabel = QStringLiteral("Inhibit Line");
    }
    return l;
}

std::optional<QString> binaryCodeOf(const QString& outputText)
{
    if (outputText == QLatin1String(" "))
        return QStringLiteral("00");
    if (outputText.size() == 1) {
        const QChar c = outputText.at(0);
        if (c >= QLatin1Char('A') && c <= QLatin1Char('H')) {
            const int bit = c.unicode() - 'A';
            return QStringLiteral("%1").arg(1 << bit, 2, 16, QLatin1Char('0')).toUpper();
        }
    }
    return std::nullopt;
}

} // namespace ardwell
