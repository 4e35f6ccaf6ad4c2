#include "ardwell/bench/clearing.h"

#include "ardwell/link/imagefile.h"
#include "platform/vbtext.h"

#include <algorithm>

namespace ardwell {

namespace {

struct Range {
    int first;
    int last;
};

// Words taken from the file. What lies between them stays the connected mech's own: its serial
// number (126: 2, 3; others: 3, 4) and its window records among them.
constexpr Range kCopied126[] = {{0, 1}, {4, 11}, {25, 30}, {215, kLoadTop}};
constexpr Range kCopiedOthers[] = {{0, 2}, {5, 14}, {28, 33}, {112, kLoadTop}};

// Sets a word and notes it when its value changes.
void store(EepromImage& image, int address, int value, ChangedWords& changed)
{
    if (image[address] == value)
        return;
    image[address] = value;
    changed << address;
}

ChangedWords sorted(ChangedWords words)
{
    std::sort(words.begin(), words.end());
    words.erase(std::unique(words.begin(), words.end()), words.end());
    return words;
}

} // namespace

std::optional<QString> clearOneQuestion(Model m, int coin)
{
    if (!coinValid(m, coin))
        return std::nullopt;
    return QStringLiteral("Press OK to Clear channel") + plat::str(coin);
}

ChangedWords clearOneChannel(EepromImage& image, Model m, int coin)
{
    ChangedWords changed;
    if (!coinValid(m, coin))
        return changed;
    const int idx = coin - 1;
    // A PCA's channels 13..16 fall on words 112..137 by the same rule; they are cleared there.
    for (int i = 0; i < kRecordBytes; ++i) {
        const int w = recordWord(m, idx, i);
        const int before = image[w];
        setCoinByte(image, w, idx, 0);
        if (image[w] != before)
            changed << w;
    }
    store(image, 0, withCoinBit(image[0], idx, true), changed);
    return sorted(changed);
}

ChangedWords clearAllChannels(EepromImage& image, Model m)
{
    ChangedWords changed;
    const int pairs = m == Model::M126 ? 8 : 6;
    const int first = recordBase(m);
    for (int w = first; w < first + kRecordBytes * pairs; ++w)
        store(image, w, 0, changed);
    store(image, 0, 0xFFFF, changed);
    return sorted(changed);
}

bool copiesWord(Model m, int address)
{
    if (m == Model::PCA)
        return false;
    const auto inside = [address](const auto& ranges) {
        return std::any_of(std::begin(ranges), std::end(ranges),
                           [address](const Range& r) { return address >= r.first && address <= r.last; });
    };
    return m == Model::M126 ? inside(kCopied126) : inside(kCopiedOthers);
}

ChangedWords copyConfiguration(EepromImage& image, Model m, const QStringList& lines)
{
    ChangedWords changed;
    for (const QString& line : lines) {
        // A blank line is no word: read by position it would store 0 at word 0 and enable
        // every coin.
        if (line.trimmed().isEmpty())
            continue;
        const ImageLine l = decodeImageLine(line);
        if (l.address <= kLoadTop && copiesWord(m, l.address))
            store(image, l.address, l.word, changed);
    }
    return sorted(changed);
}

} // namespace ardwell
