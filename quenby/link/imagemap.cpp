#include "quenby/link/imagemap.h"

#include "platform/vbtext.h"
#include "quenby/link/ccwire.h"
#include "quenby/link/measurewire.h"
#include "quenby/link/mechfamily.h"
#include "quenby/seams.h"
#include "quenby/shell/texts.h"

#include <algorithm>

namespace quenby {

namespace {

namespace id {
constexpr int ReportError = 114;
constexpr int MapError = 115;
constexpr int RoutingError = 116;
constexpr int CopyError = 118;
constexpr int ReadHeading = 108;
constexpr int ProgHeading = 109;
constexpr int ReadRule = 110;
constexpr int ProgRule = 111;
constexpr int ValuesHeading = 112;
} // namespace id

constexpr qint32 kMarsCap = 4095;
constexpr qint32 kCcCap = 255;
constexpr int kMarsSegmentWords = 128;
constexpr int kChannels = 24;
const QString kCrLf = QStringLiteral("\r\n");

qint32& word(Image& image, qint64 address)
{
    if (!inImage(address))
        subscriptOutOfRange();
    return image[std::size_t(address)];
}

qint32 word(const Image& image, qint64 address)
{
    if (!inImage(address))
        subscriptOutOfRange();
    return image[std::size_t(address)];
}

// The channel a link names: its magnitude; a link outside the table is a subscript error.
int linkedChannel(qint32 link)
{
    const qint64 k = link < 0 ? -qint64(link) : qint64(link);
    if (k > kChannels)
        subscriptOutOfRange();
    return int(k);
}

// A Mars window as the report and the read-back decode it, by segment base and slot 0..5.
qint32 marsWindow(const Image& image, int base, int slot, int column)
{
    return nibbleWindow(image, base + marsWindowWord(slot + 1, column));
}

QString marsDump(const Image& image, int start)
{
    QString out;
    for (int i = 0; i < 16; ++i) {
        out += plat::hexU(i) + QStringLiteral("0 ");
        for (int j = 0; j < 16; ++j)
            out += plat::hexU(word(image, start + 16 * i + j)) + u' ';
        out += kCrLf;
    }
    return out;
}

QString windowRow(QChar letter, QChar segment, const qint32 (&values)[7])
{
    QString row = QString(letter) + segment + QStringLiteral("   ");
    for (int m = 1; m <= 6; ++m)
        row += plat::format(values[m], QStringLiteral("0000")) + u' ';
    return row + kCrLf;
}

QString valuesRows(const QString& heading, const CoinArray& values)
{
    QString out = heading + kCrLf + QStringLiteral("    L   ");
    for (int c = 1; c <= 6; ++c)
        out += plat::format(values[std::size_t(c)], QStringLiteral("000")) + u' ';
    out += kCrLf + QStringLiteral("    H   ");
    for (int c = 7; c <= 12; ++c)
        out += plat::format(values[std::size_t(c)], QStringLiteral("000")) + u' ';
    return out;
}

void readMe181Values(const Image& image, CoinArray& values)
{
    for (int c = 1; c <= 12; ++c) {
        const int w = me181CoinValueWord(c);
        values[std::size_t(c)] = word(image, w) + 16 * word(image, w + 1);
    }
}

// One routing word: kept as it stands when the value does not fit.
struct RoutingWriter {
    Image& image;
    const CoinTables& tables;
    QList<int> tooWide;

    qint32 value(int index) const { return tables.routingTable(index); }
    void put(int address, int index)
    {
        const qint32 v = value(index);
        if (v < 0 || v > 0xFFFF) {
            tooWide << index;
            return;
        }
        word(image, address) = v;
    }
    // The value goes into the high byte; the low byte is `low`.
    void putHigh(int address, int index, qint32 low)
    {
        const qint32 v = value(index);
        if (v < 0 || v > 0xFF) {
            tooWide << index;
            return;
        }
        word(image, address) = v * 256 + (low & 0xFF);
    }
};

int byteSum(qint32 w) { return (w & 0xFF) + ((w >> 8) & 0xFF); }

} // namespace

// ---- layouts ----

int marsWindowWord(int position, int column)
{
    const int p = (column + 1) / 2;
    return 1 + 36 * (p - 1) + 6 * (position - 1) + (column % 2 == 0 ? 3 : 0);
}

qint32 nibbleWindow(const Image& image, int w)
{
    return word(image, qint64(w) + 2) * 256 + word(image, qint64(w) + 1) * 16 + word(image, w);
}

int me181CoinValueWord(int coin)
{
    // Coins 1..6 at 64, 32, 16, 8, 4, 2 of the first segment, 7..12 the same in the second.
    const int k = (coin - 1) % 6;
    return (coin > 6 ? 256 : 0) + (64 >> k);
}

// ---- into the image ----

void mapMarsSegment(int segment, CoinTables& tables, Image& progImage)
{
    if (segment < 0)
        subscriptOutOfRange();
    const int s = std::min(segment, 3);
    auto table = tables.coinLimitTable;
    Image image = progImage;
    const int base = kMarsSegmentWords * s;
    word(image, base) = 15;
    for (int k = 1; k <= 6; ++k) {
        for (int m = 1; m <= 6; ++m) {
            qint32& v = table(6 * s + k, m);
            v = std::clamp(v, 0, kMarsCap);
            const int w = base + marsWindowWord(k, m);
            word(image, w) = v % 16;
            word(image, w + 1) = (v / 16) % 16;
            word(image, w + 2) = v / 256;
        }
    }
    tables.coinLimitTable = table;
    progImage = image;
}

quint8 c120OutputByte(qint32 value, bool layoutM)
{
    if (layoutM)
        return quint8(value & 0xFF);
    if (value == 0)
        return 0;
    if (value < 1 || value > 6)
        throw plat::RuntimeError(5, QStringLiteral("Invalid procedure call or argument"));
    return quint8(1 << (value - 1));
}

void mapC120Outputs(const CoinTables& tables, Image& progImage)
{
    qint32 b[12];
    for (int i = 0; i < 12; ++i)
        b[i] = c120OutputByte(tables.coinOutputs(i), tables.c120LayoutM);
    if (tables.c120LayoutM) {
        for (int j = 0; j < 6; ++j)
            progImage[std::size_t(109 + j)] = b[2 * j] + b[2 * j + 1] * 256;
        return;
    }
    progImage[82] = b[0] * 256;
    for (int j = 0; j < 5; ++j)
        progImage[std::size_t(83 + j)] = b[2 * j + 1] + b[2 * j + 2] * 256;
    progImage[88] = b[11];
}

CcMapResult mapCcImage(const MechEntry& entry, const ModelParams& params, CoinTables& tables, MemoryImages& images)
{
    CcMapResult result;
    Image image = images.progImage;
    for (int a = 0; a < params.memorySize; ++a)
        word(image, a) = word(images.readImage, a);
    if (entry.cc.c120Outputs && tables.c120OutputsLoaded) {
        try {
            mapC120Outputs(tables, image);
        } catch (const plat::RuntimeError& e) {
            result.outputsError = e;
        }
    }

    auto table = tables.coinLimitTable;
    for (int c = 1; c <= params.coinCount; ++c)
        for (int col = 1; col <= 2 * params.paramCount; ++col)
            table(c, col) = std::clamp(table(c, col), 0, kCcCap);
    const CcQuirks& q = entry.cc;
    for (int c = 1; c <= params.coinCount; ++c) {
        for (int p = 1; p <= params.paramCount; ++p) {
            const qint32 w = table(c, 2 * p) * 256 + table(c, 2 * p - 1);
            const qint64 address = q.limitBase + (c - 1) + qint64(q.limitStride) * (p - 1);
            word(image, address) = w;
            if (q.limitCopyOffset != 0)
                word(image, address + q.limitCopyOffset) = w;
        }
    }
    fixCcEepromChecksum(entry, images.readImage, image);
    tables.coinLimitTable = table;
    images.progImage = image;
    return result;
}

QList<int> mapCcRouting(const MechEntry& entry, const CoinTables& tables, MemoryImages& images)
{
    if (!tables.routingLoaded || entry.cc.routing == CcRouting::None)
        return {};
    Image image = images.progImage;
    RoutingWriter out{image, tables, {}};
    switch (entry.cc.routing) {
    case CcRouting::Sentinel: {
        out.put(54, 0);
        out.put(55, 1);
        const qint32 w53 = word(image, 53);
        word(image, 53) = (((w53 >> 8) + 1) & 0xFF) * 256 + (w53 & 0xFF);
        word(image, 58) = 0xD2D0;
        word(image, 56) = 0;
        int s = 0;
        for (int a = 53; a <= 58; ++a)
            s += byteSum(word(image, a));
        // A sum that is already a multiple of 256 needs a check byte of 0, not 256.
        word(image, 56) = ((256 - (s & 0xFF)) & 0xFF) * 256;
        break;
    }
    case CcRouting::Words450:
        for (int i = 0; i < 3; ++i)
            out.put(121 + i, i);
        break;
    case CcRouting::Words435: {
        for (int i = 0; i <= 15; ++i)
            out.put(128 + i, i);
        const qint32 w11 = word(images.readImage, 11);
        word(image, 11) = out.value(16) != 0 ? (w11 | 0x100) : (w11 & ~0x100);
        for (int i = 17; i <= 20; ++i)
            out.put(110 + i - 17, i);
        out.putHigh(228, 21, 0x42);
        out.putHigh(204, 22, word(images.readImage, 204));
        break;
    }
    case CcRouting::None:
        break;
    }
    // Some routing words lie inside the words the mech sums.
    fixCcEepromChecksum(entry, images.readImage, image);
    images.progImage = image;
    return out.tooWide;
}

// ---- back into the table ----

QList<int> copyMarsWindows(const MechEntry& entry, CoinTables& tables, const Image& oldImage, CoinArray& mechCoinValues)
{
    auto table = tables.coinLimitTable;
    auto values = tables.coinValues;
    CoinArray readValues = mechCoinValues;
    QList<int> refused;
    const MarsQuirks& q = entry.mars;
    for (int c = 1; c <= kChannels; ++c) {
        const int k = linkedChannel(tables.coinLink(c));
        if (k == 0)
            continue;
        const int segment = (k - 1) / 6;
        if (segment >= q.maxSegments) {
            refused << c;
            continue;
        }
        const int base = q.segmentWords * segment + q.segmentDataOffset;
        for (int m = 1; m <= 6; ++m)
            table(c, m) = marsWindow(oldImage, base, (k - 1) % 6, m);
    }
    if (q.coinValuesInImage) {
        readMe181Values(oldImage, readValues);
        for (int c = 1; c <= 12; ++c) {
            const int k = linkedChannel(tables.coinLink(c));
            // The channel keeps the value of the position whose windows it keeps.
            if (k != 0 && k <= 12)
                values(c) = readValues[std::size_t(k)];
        }
    }
    tables.coinLimitTable = table;
    tables.coinValues = values;
    mechCoinValues = readValues;
    return refused;
}

void copyCcWindows(const MechEntry& entry, const ModelParams& params, CoinTables& tables, const Image& readImage)
{
    auto table = tables.coinLimitTable;
    const CcQuirks& q = entry.cc;
    for (int c = 1; c <= params.coinCount; ++c) {
        const int k = linkedChannel(tables.coinLink(c));
        if (k == 0)
            continue;
        for (int p = 1; p <= params.paramCount; ++p) {
            const qint32 w = word(readImage, q.limitBase + (k - 1) + qint64(q.limitStride) * (p - 1));
            table(c, 2 * p - 1) = w & 0xFF;
            table(c, 2 * p) = qint32(plat::intFloor(w / 256.0));
        }
    }
    tables.coinLimitTable = table;
}

void copyNriWindows(const MechEntry& entry, const ModelParams& params, CoinTables& tables, const NriReadTables& read,
                    NriCoinTables& nri)
{
    auto table = tables.coinLimitTable;
    for (int c = 1; c <= params.coinCount; ++c) {
        const int k = linkedChannel(tables.coinLink(c));
        if (k == 0)
            continue;
        for (int col = 1; col <= 2 * params.paramCount; ++col)
            table(c, col) = read.nriLimitTable[std::size_t(k)].at(std::size_t(col));
    }
    tables.coinLimitTable = table;

    CoinArray outputs{};
    for (int c = 0; c < tables.coinOutputs.size(); ++c)
        outputs[std::size_t(c)] = tables.coinOutputs(c);
    remapCoinTables(measurePlan(entry), params, tables.coinLink, read, tables.coinValues, outputs, nri);
    for (int c = 0; c < tables.coinOutputs.size(); ++c)
        tables.coinOutputs(c) = outputs[std::size_t(c)];
}

// ---- the Mars PROM report ----

MarsPromReport buildMarsPromReport(int view, int promSize, const MechEntry& entry, MemoryImages& images,
                                   const CoinTables& tables, CoinArray& mechCoinValues, const TextTable& texts)
{
    MarsPromReport r;
    if (view == DataAddr0 || view == DataAddr256) {
        const int start = view == DataAddr256 && promSize == 1 ? 256 : 0;
        r.read = marsDump(images.readImage, start);
        r.toProgram = marsDump(images.progImage, start);
        return r;
    }
    if (view != LimitsSegs12 && view != LimitsSegs34)
        return r;

    const bool me181 = entry.mars.coinValuesInImage;
    const int first = view == LimitsSegs34 && promSize == 1 && !me181 ? 12 : 0;
    const int lowBase = first == 12 ? 256 : me181 ? 128 : 0;
    const int highBase = view == LimitsSegs34 || me181 ? 384 : 128;
    const QChar firstDigit = view == LimitsSegs34 ? u'3' : u'1';

    ReadLimitTable decoded = images.readLimitTable;
    r.read = texts.getText(id::ReadHeading) + kCrLf + texts.getText(id::ReadRule) + kCrLf;
    r.toProgram = texts.getText(id::ProgHeading) + kCrLf + texts.getText(id::ProgRule) + kCrLf;
    for (int j = 0; j < 12; ++j) {
        const int channel = first + 1 + j;
        const int base = j < 6 ? lowBase : highBase;
        qint32 read[7] = {};
        qint32 prog[7] = {};
        for (int m = 1; m <= 6; ++m) {
            read[m] = marsWindow(images.readImage, base, j % 6, m);
            decoded[std::size_t(channel)][std::size_t(m)] = read[m];
            prog[m] = tables.coinLimitTable(channel, m);
        }
        const QChar letter(u'A' + j % 6);
        const QChar segment(firstDigit.unicode() + (j < 6 ? 0 : 1));
        r.read += windowRow(letter, segment, read);
        r.toProgram += windowRow(letter, segment, prog);
    }

    CoinArray readValues = mechCoinValues;
    if (me181 && view == LimitsSegs12) {
        // What was read: the values of the PROM in the socket, as the rest of this pane.
        readMe181Values(images.readImage, readValues);
        CoinArray newValues{};
        for (int c = 1; c <= 12; ++c)
            newValues[std::size_t(c)] = tables.coinValues(c);
        r.read += valuesRows(texts.getText(id::ValuesHeading), readValues);
        r.toProgram += valuesRows(texts.getText(id::ValuesHeading), newValues);
    }
    images.readLimitTable = decoded;
    mechCoinValues = readValues;
    return r;
}

// ---- the program's entry points ----

void mapCoinTableToProm(MechFamily& family, int segment)
{
    family.context().errors.trap(id::MapError, [&] { family.mapCoinTableToProm(segment); });
}

void copyPromToCoinTable(MechFamily& family)
{
    family.context().errors.trap(id::CopyError, [&] { family.copyPromToCoinTable(); });
}

void mapCcRouting(MechFamily& family)
{
    MechContext& ctx = family.context();
    ctx.errors.trap(id::RoutingError, [&] {
        const QList<int> tooWide = mapCcRouting(family.entry(), ctx.mem.coins, ctx.mem.images);
        if (!tooWide.isEmpty())
            throw plat::RuntimeError(6, QStringLiteral("Overflow"));
    });
}

void formatMarsPromReport(MechFamily& family, PromDataView& view)
{
    MechContext& ctx = family.context();
    ctx.errors.trap(id::ReportError, [&] {
        const std::optional<int> shown = view.showReportView();
        if (!shown)
            return;
        const MarsPromReport r = buildMarsPromReport(*shown, ctx.mem.promSize, family.entry(), ctx.mem.images,
                                                     ctx.mem.coins, ctx.mem.nri.mechCoinValues, ctx.texts);
        view.setPanes(r.read, r.toProgram);
    });
}

} // namespace quenby
