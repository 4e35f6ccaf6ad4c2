#include "quenby/memutils/promdataview.h"

#include "quenby/shell/texts.h"

namespace quenby {

namespace {
const QString k1K = QStringLiteral("1K");
const QString k2K = QStringLiteral("2K");

// First text of the list: four segments of 128 nibbles, or two of 256 with the coin values.
constexpr int kSegmentViews = 1306;
constexpr int kValueViews = 1310;
} // namespace

QStringList promSizeList() { return {k1K, k2K}; }

int promSizeOf(const QString& sizeText) { return sizeText == k2K ? 1 : 0; }

QString promSizeText(int promSize) { return promSize == 1 ? k2K : k1K; }

QStringList promViewList(const MechEntry& entry, const QString& sizeText, const TextTable& texts)
{
    const int first = entry.mars.coinValuesInImage ? kValueViews : kSegmentViews;
    QStringList views{texts.getText(first), texts.getText(first + 1)};
    if (promSizeOf(sizeText) == 1) {
        views << texts.getText(first + 2);
        // Segments 3 and 4 have limits of their own only where a 2K PROM holds four segments.
        if (entry.limits.pagesOn2K > 2)
            views << texts.getText(first + 3);
    }
    return views;
}

} // namespace quenby
