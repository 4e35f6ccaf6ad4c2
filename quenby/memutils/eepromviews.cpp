#include "quenby/memutils/eepromviews.h"

#include "quenby/link/familytable.h"
#include "quenby/shell/texts.h"

#include "platform/vbtext.h"

#include <algorithm>

namespace quenby {

namespace {

const QString kCrLf = QStringLiteral("\r\n");
constexpr int kNameColumns = 12;

// Words a view names but the image does not hold read as 0.
qint32 word(const Image& image, qint64 address) { return inImage(address) ? image[size_t(address)] : 0; }

bool wasRead(const EepromViewInput& in, qint64 address) { return address >= 0 && address < in.wordsRead; }

int nibble(qint32 value, int n) { return (value >> (4 * n)) & 15; }

QString coinNumber(int c) { return plat::format(c, QStringLiteral("00")); }

QString hexView(const EepromViewInput& in)
{
    QString text = QStringLiteral("  ");
    const int rows = std::clamp(in.params.memorySize, 0, kImageTop + 1) / 16;
    for (int r = 0; r < rows; ++r) {
        text += plat::hexU(r) + QStringLiteral("0 ");
        for (int c = 0; c < 16; ++c)
            text += (wasRead(in, 16 * r + c) ? plat::hex4(in.readImage[size_t(16 * r + c)]) : QStringLiteral("----")) +
                    u' ';
        text += kCrLf + QStringLiteral("   ");
    }
    return text + kCrLf;
}

QString limitsView(const EepromViewInput& in)
{
    const CcQuirks& cc = in.entry.cc;
    const int params = std::clamp(in.params.paramCount, 0, 6);
    // A model that keeps a second copy of its windows further on shows only the first copy.
    const int coins = cc.limitCopyOffset > 0 ? cc.limitCopyOffset : std::clamp(in.params.coinCount, 0, 24);
    const QString indent = plat::space((6 - params) * 6);

    QString text = indent + plat::space(8);
    for (int p = 0; p < params; ++p) {
        const QString name = in.params.paramNames[p].left(kNameColumns);
        text += plat::space(kNameColumns - name.size()) + name;
    }
    text += kCrLf;

    const QString coin = in.texts.getText(1233);
    for (int c = 1; c <= coins; ++c) {
        text += indent + coin + coinNumber(c) + QStringLiteral("     ");
        for (int p = 1; p <= params; ++p) {
            const qint64 address = qint64(cc.limitBase) + (c - 1) + qint64(cc.limitStride) * (p - 1);
            const qint32 w = word(in.readImage, address);
            if (!wasRead(in, address))
                text += QStringLiteral(" --- ---    ");
            else
                text += plat::format(w & 255, QStringLiteral(" 000 ")) + plat::format(w / 256, QStringLiteral("000    "));
        }
        text += kCrLf;
    }
    return text + kCrLf;
}

QString routes450(const EepromViewInput& in)
{
    QString text = plat::space(35) + in.texts.getText(726) + kCrLf;
    const QString coin = in.texts.getText(727);
    const QString route = in.texts.getText(728);
    for (int c = 1; c <= std::clamp(in.params.coinCount, 0, 24); ++c) {
        // Route of coin c: nibble (c - 1) mod 4 of word 121 + (c - 1) \ 4, nibble 0 the lowest.
        const int a = 121 + (c - 1) / 4;
        const int r = nibble(word(in.readImage, a), (c - 1) % 4);
        text += kCrLf + plat::space(30) + coin + coinNumber(c) + plat::space(10) + route +
                (wasRead(in, a) ? QChar(u'A' + r) : QChar(u'-'));
    }
    return text;
}

QString sortName(int value)
{
    switch (value) {
    case 0: return QStringLiteral("No Sort");
    case 8: return QStringLiteral("A");
    case 9: return QStringLiteral("C");
    case 10: return QStringLiteral("B");
    case 11: return QStringLiteral("D");
    case 12: return QStringLiteral("AB");
    case 13: return QStringLiteral("CD");
    default: return {};
    }
}

QString sentinelSorts(const EepromViewInput& in)
{
    QString text = plat::space(35) + in.texts.getText(729) + kCrLf;
    const QString coin = in.texts.getText(730);
    const QString route = in.texts.getText(731);
    for (int c = 1; c <= std::clamp(in.params.coinCount, 0, 24); ++c) {
        // Sort of coin c in words 54, 55, the most significant nibble first.
        const int a = 54 + (c - 1) / 4;
        const int s = nibble(word(in.readImage, a), 3 - (c - 1) % 4);
        text += kCrLf + plat::space(30) + coin + coinNumber(c) + plat::space(10) + route +
                (wasRead(in, a) ? sortName(s) : QStringLiteral("-"));
    }
    return text;
}

QString outputName(int value)
{
    switch (value) {
    case 0: return QStringLiteral("None");
    case 1: return QStringLiteral("1");
    case 2: return QStringLiteral("2");
    case 4: return QStringLiteral("3");
    case 8: return QStringLiteral("4");
    case 16: return QStringLiteral("5");
    case 32: return QStringLiteral("6");
    default: return QStringLiteral("Hex ") + plat::hex2(value);
    }
}

// Byte k of the words from `first` on, the low byte of each word first.
int byteOf(const Image& image, int first, int k)
{
    const qint32 w = word(image, first + k / 2);
    return k % 2 == 0 ? (w & 255) : ((w >> 8) & 255);
}

// The output name of byte k from `first` on, or a dash when its word was not read.
QString outputOf(const EepromViewInput& in, int first, int k)
{
    return wasRead(in, first + k / 2) ? outputName(byteOf(in.readImage, first, k)) : QStringLiteral("-");
}

QString c120Outputs(const EepromViewInput& in)
{
    QString text = plat::space(35) + in.texts.getText(732) + kCrLf + kCrLf + plat::space(36) +
                   in.texts.getText(733) + plat::space(5) + in.texts.getText(734);
    const QString coin = in.texts.getText(1233);
    for (int c = 1; c <= std::clamp(in.params.coinCount, 0, 24); ++c) {
        const QString first = outputOf(in, 109, c - 1).leftJustified(6);
        const QString second = outputOf(in, 82, c);
        text += kCrLf + plat::space(20) + coin + coinNumber(c) + plat::space(15) + first + plat::space(15) + second;
    }
    return text;
}

EepromPane otherView(const EepromViewInput& in)
{
    // What a model keeps besides its windows: the words a coin set's routes or outputs write.
    switch (in.entry.cc.routing) {
    case CcRouting::Words435:
        // The editor decodes and encodes the routing over the words read: a read in part offers
        // only what it read.
        if (in.wordsRead < std::clamp(in.params.memorySize, 0, kImageTop + 1))
            return {hexView(in)};
        return {QStringLiteral("  "), true}; // the routing editor shows them
    case CcRouting::Words450: return {routes450(in)};
    case CcRouting::Sentinel: return {sentinelSorts(in)};
    case CcRouting::None: break;
    }
    if (in.entry.cc.c120Outputs)
        return {c120Outputs(in)};
    return {kCrLf + kCrLf + plat::space(30) + in.texts.getText(735)};
}

} // namespace

QStringList eepromViewList(const TextTable& texts)
{
    return {texts.getText(722), texts.getText(723), texts.getText(724)};
}

QString eepromCoinStrip(const TextTable& texts)
{
    return QString(97, u'-') + u' ' + texts.getText(1233) + QString(98, u'-');
}

EepromPane eepromViewText(int listIndex, const EepromViewInput& in)
{
    const bool cc = in.entry.isCc();
    switch (listIndex) {
    case int(EepromView::Hex): return {hexView(in)};
    case int(EepromView::Limits): return cc ? EepromPane{limitsView(in)} : EepromPane{QStringLiteral("  ")};
    case int(EepromView::Other): return cc ? otherView(in) : EepromPane{QStringLiteral("  ")};
    default: return {QStringLiteral("  ")};
    }
}

void showEepromPane(plat::View& v, const EepromPane& pane)
{
    v.setVisible(QStringLiteral("lblPROM"), !pane.routingEditor);
    v.setVisible(QStringLiteral("frm435"), pane.routingEditor);
    v.setVisible(QStringLiteral("cmdProgramme"), !pane.routingEditor);
    v.setVisible(QStringLiteral("cmdRouting"), pane.routingEditor);
    v.setText(QStringLiteral("lblPROM"), pane.text);
}

} // namespace quenby
