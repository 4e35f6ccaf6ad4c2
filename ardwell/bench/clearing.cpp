#include "ardwell/bench/clearing.h"

#include "ardwell/link/imagefile.h"
#include "platform/vbtext.h"

#include <algorithm>
#include <map>

namespace ardwell {

namespace {

// The words an edit touches, each with the value it had before: a word written twice, or written
// back to what it held, is listed only when its value in the end differs.
class Edit {
public:
    explicit Edit(EepromImage& image) : image_(image) {}
    int& at(int address)
    {
        before_.try_emplace(address, image_[address]);
        return image_[address];
    }
    void set(int address, int value) { at(address) = value; }
    ChangedWords changed() const
    {
        ChangedWords words;
        for (const auto& [address, value] : before_)
            if (image_[address] != value)
                words << address;
        return words;
    }

private:
    EepromImage& image_;
    std::map<int, int> before_; // in address order
};

} // namespace

std::optional<QString> clearOneQuestion(Model m, int coin)
{
    if (!coinValid(m, coin))
        return std::nullopt;
    return QStringLiteral("Press OK to Clear channel") + plat::str(coin);
}

ChangedWords clearOneChannel(EepromImage& image, Model m, int coin)
{
    if (!coinValid(m, coin))
        return {};
    Edit edit(image);
    const int idx = coin - 1;
    // A PCA's channels 13..16 fall on words 112..137 by the same rule; they are cleared there.
    for (int i = 0; i < kRecordBytes; ++i) {
        const int w = recordWord(m, idx, i);
        edit.at(w);
        setCoinByte(image, w, idx, 0);
    }
    edit.set(0, withCoinBit(image[0], idx, true));
    return edit.changed();
}

ChangedWords clearAllChannels(EepromImage& image, Model m)
{
    Edit edit(image);
    const int pairs = modelEntry(m).listedChannels / 2;
    const int first = recordBase(m);
    for (int w = first; w < first + kRecordBytes * pairs; ++w)
        edit.set(w, 0);
    edit.set(0, 0xFFFF);
    return edit.changed();
}

bool copiesWord(Model m, int address)
{
    const auto words = modelEntry(m).copiedWords;
    return std::any_of(words.begin(), words.end(),
                       [address](const WordRange& r) { return address >= r.first && address <= r.last; });
}

ChangedWords copyConfiguration(EepromImage& image, Model m, const QStringList& lines)
{
    Edit edit(image);
    for (const QString& line : lines) {
        // A blank line is no word: read by position it would store 0 at word 0 and enable
        // every coin.
        if (line.trimmed().isEmpty())
            continue;
        const ImageLine l = decodeImageLine(line);
        if (l.address <= kLoadTop && copiesWord(m, l.address))
            edit.set(l.address, l.word);
    }
    return edit.changed();
}

} // namespace ardwell
