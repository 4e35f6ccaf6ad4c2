#include "ardwell/bench/models.h"

#include "platform/view.h"

namespace ardwell {

namespace {

constexpr ModelEntry kModels[] = {
    {Model::M126, "126", "61", "FF", 16, 16, 255, 2, 31, true},
    {Model::M330, "330", "61", "FF", 12, 12, 127, 3, 34, true},
    {Model::M340, "340", "61", "FF", 12, 12, 127, 3, 34, true, "{", "{"},
    {Model::M560, "560", "21", "01", 12, 12, 127, 3, 34, true},
    {Model::PCA, "PCA", "20", "00", 12, 16, 127, 3, 34, false, "$", "?", "W\r"},
};

} // namespace

const ModelEntry& modelEntry(Model m)
{
    for (const ModelEntry& e : kModels)
        if (e.model == m)
            return e;
    return kModels[1]; // 330, as a model that is none of these has always counted
}

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
    return Model::M330;
}

std::optional<Model> modelFromText(const QString& text)
{
    for (const ModelEntry& e : kModels)
        if (text == QLatin1String(e.text))
            return e.model;
    return std::nullopt;
}

Model modelFromSettings(const QString& text) { return modelFromText(text).value_or(Model::M330); }

BusAddresses busAddresses(Model m)
{
    return {QString::fromLatin1(modelEntry(m).source), QString::fromLatin1(modelEntry(m).destination)};
}

QString windowCaption(const QString& title, Model m)
{
    return title + QString(25, QLatin1Char(' ')) + QStringLiteral("Model : ") + modelText(m);
}

bool rebuildsLists(Model m) { return modelEntry(m).rebuildsLists; }

int listChannelCount(Model m) { return modelEntry(m).listedChannels; }

QString channelItem(int n) { return QStringLiteral("Channel ") + QString::number(n); }

ModelLists modelLists(Model m)
{
    ModelLists l;
    const int n = listChannelCount(m);
    for (int i = 1; i <= n; ++i) {
        l.coinNumber.items << channelItem(i);
        l.changeCoin.items << channelItem(i);
    }
    l.coinNumber.shown = 0;
    l.changeCoin.items << QStringLiteral(" ");
    l.changeCoin.shown = n;

    l.inhibitLine.items = {"A", "B", "C", "D", "E", "F", " "};
    if (m == Model::M330) {
        l.output.items = {"A", "B", "C", "D", "E", "F", "Bin"};
        l.output.shown = 6;
    } else {
        l.output.items = {" ", "A", "B", "C", "D", "E", "F", "MPE"};
    }
    l.plugDecode.items = {" ", "A", "B", "C", "D", "E", "F", "G", "H"};
    if (m == Model::M560)
        l.route.items = {"Default", "1 ", "2 ", "3 ", "4 ", "5 ", "6 ", "7 "};
    else
        l.route.items = {" ", "A ", "B ", "C ", "D ", " a", " b", " c", " d"};
    l.defaultRoute.items = {"A ", "B ", "C ", "D ", " a", " b", " c", " d"};

    if (m == Model::M126) {
        l.binaryLabel = QStringLiteral("BCO Hex Code");
        l.inhibitLabel = QStringLiteral("BCO Inhibit Line");
    } else {
        l.recalcBinary = true;
        l.routeVisible = m == Model::M560;
        l.routeLabelVisible = false;
        l.binaryVisible = m != Model::M560;
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
