#include "sim/ccimages.h"

namespace sim {

namespace {

// The byte sum (mod 256) of words from..to that the image holds.
int byteSumOf(const std::vector<quint16>& words, size_t from, size_t to)
{
    int s = 0;
    for (size_t a = from; a <= to && a < words.size(); ++a)
        s += (words[a] >> 8) + (words[a] & 255);
    return s & 255;
}

} // namespace

CcLayout ccLayout(const QString& model)
{
    if (model == QLatin1String("C120"))
        return {128, 12, 3, 10, 12, false};
    if (model == QLatin1String("220B"))
        return {128, 8, 3, 9, 16, true};
    if (model == QLatin1String("335"))
        return {128, 16, 3, 9, 16, false};
    if (model == QLatin1String("435"))
        return {256, 16, 5, 16, 16, false};
    if (model == QLatin1String("450"))
        return {128, 12, 4, 16, 12, false};
    if (model == QLatin1String("Sentinel"))
        return {64, 8, 3, 0, 8, false};
    return {};
}

int ccWindowWord(const CcLayout& l, int channel, int param) { return l.base + (channel - 1) + l.stride * (param - 1); }

int ccByteSum(const std::vector<quint16>& words) { return byteSumOf(words, 0, 127); }

void ccFixSum(std::vector<quint16>& words)
{
    if (words.size() < 128)
        return;
    quint16& w = words[127];
    w = quint16(w & 255); // the high byte out of the sum first
    const int missing = (kCcByteSum - ccByteSum(words)) & 255;
    w = quint16(missing << 8 | (w & 255));
}

int sentinelSumWord(const std::vector<quint16>& words) { return 256 - byteSumOf(words, 0, 62); }

QList<QPair<int, int>> typicalCcWindows(const QString& model, int channel)
{
    const CcLayout l = ccLayout(model);
    QList<QPair<int, int>> out;
    for (int p = 1; p <= l.params; ++p) {
        const int centre = 40 + (11 * channel + 29 * p) % 170;
        out << qMakePair(centre - 8, centre + 8);
    }
    return out;
}

namespace {

quint16 pair(int low, int high) { return quint16((high & 255) << 8 | (low & 255)); }

// Option words: a fixed pattern per model, so images look lived-in and differ between models.
void fillOptions(std::vector<quint16>& w, const QString& model)
{
    quint32 x = 0x1234567u;
    for (const QChar c : model)
        x = x * 31u + c.unicode();
    for (quint16& word : w) {
        x = x * 1103515245u + 12345u;
        word = quint16(x >> 12);
    }
}

void fillC120Outputs(std::vector<quint16>& w)
{
    // First column (words 109..114, byte c - 1 of coin c) and second column (words 82..89,
    // byte c of coin c); 0x41 and 0x24 are not single outputs.
    const int first[12] = {1, 2, 4, 8, 16, 32, 0, 0x41, 1, 2, 4, 8};
    for (int j = 0; j < 6; ++j)
        w[size_t(109 + j)] = pair(first[2 * j], first[2 * j + 1]);
    const int second[16] = {0, 1, 2, 4, 8, 16, 32, 1, 2, 0x24, 4, 8, 16, 0, 0, 0};
    for (int j = 0; j < 8; ++j)
        w[size_t(82 + j)] = pair(second[2 * j], second[2 * j + 1]);
}

void fill435Routing(std::vector<quint16>& w)
{
    for (int a = 200; a < 256; ++a)
        w[size_t(a)] = quint16(a * 3); // counters
    w[11] = quint16(w[11] | 0x0100);
    w[110] = 0x3210;
    w[111] = 0x7654;
    w[112] = 0xBA98;
    w[113] = 0xFEDC;
    for (int c = 0; c < 16; ++c) {
        int v = 0;
        for (int p = 3; p >= 0; --p)
            v = v * 16 + (c + p) % 8;
        w[size_t(128 + c)] = quint16(v);
    }
    w[143] = quint16((w[143] & 0x0FFF) | 0x9000); // path 4 of coin 16 names no path
    w[204] = pair(0x5C, 2);
    w[228] = 0x0342;
}

void fillSentinelRouting(std::vector<quint16>& w)
{
    w[53] = 0x1122;
    w[54] = 0x89AB;
    w[55] = 0xC0D5;
    w[57] = 0x0000;
    w[58] = 0xD2D0;
    w[56] = 0;
    w[56] = quint16(((256 - byteSumOf(w, 53, 58)) & 255) << 8);
}

} // namespace

std::vector<quint16> typicalCcImage(const QString& model)
{
    const CcLayout l = ccLayout(model);
    std::vector<quint16> w(size_t(l.words), 0);
    fillOptions(w, model);
    for (int c = 1; c <= l.channels; ++c) {
        const QList<QPair<int, int>> win = typicalCcWindows(model, c);
        for (int p = 1; p <= l.params; ++p) {
            const int a = ccWindowWord(l, c, p);
            w[size_t(a)] = pair(win.at(p - 1).first, win.at(p - 1).second);
            if (l.copied)
                w[size_t(a + 8)] = w[size_t(a)];
        }
    }
    if (model == QLatin1String("C120"))
        fillC120Outputs(w);
    if (model == QLatin1String("435"))
        fill435Routing(w);
    if (model == QLatin1String("450")) {
        w[121] = 0x3210;
        w[122] = 0x0123;
        w[123] = 0x2301;
    }
    if (model == QLatin1String("Sentinel")) {
        fillSentinelRouting(w);
        w[63] = quint16(sentinelSumWord(w));
    } else {
        ccFixSum(w);
    }
    return w;
}

} // namespace sim
