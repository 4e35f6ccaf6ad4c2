#include "quenby/memutils/promimage.h"

#include "platform/textfile.h"
#include "quenby/link/imagemap.h"

#include <algorithm>

namespace quenby {

namespace {

constexpr int kMarkerWord = 111;
constexpr int kRefWord = 112;
constexpr int kVersionWord = 122;

// The first word of segment s's data.
int segmentData(const MechEntry& e, int s) { return e.mars.segmentWords * s + e.mars.segmentDataOffset; }

void putNibble(Image& image, int address, qint32 value)
{
    if (inImage(address))
        image[size_t(address)] = value;
}

void putText(const QByteArray& text, int firstWord, const MechEntry& e, const SegmentSelection& selected,
             Image& image)
{
    int w = firstWord;
    for (char ch : text) {
        const int code = static_cast<unsigned char>(ch);
        for (int s = 0; s < e.mars.maxSegments; ++s) {
            if (!selected(s))
                continue;
            putNibble(image, w + segmentData(e, s), code / 16);
            putNibble(image, w + 1 + segmentData(e, s), code % 16);
        }
        w += 2;
    }
}

} // namespace

void clearImageBuffers(MemoryImages& images)
{
    for (size_t i = 0; i < kImageTop; ++i) {
        images.readImage[i] = 0;
        images.oldImage[i] = 0;
        images.progImage[i] = 0;
    }
    images.lastRead = {};
    images.progOverPartRead = false;
}

void readSegmentChecks(const std::array<int, 4>& chkSeg, SegmentSelection& segmentSelected)
{
    for (size_t i = 0; i < chkSeg.size(); ++i)
        segmentSelected(int(i)) = chkSeg[i] == 1;
}

void setPromChangeFlag(bool on, const MechEntry& entry, const SegmentSelection& segmentSelected,
                       Image& progImage)
{
    if (entry.kind != MechKind::Mars)
        return;
    for (int s = 0; s < entry.mars.maxSegments; ++s) {
        if (segmentSelected(s))
            putNibble(progImage, segmentData(entry, s) + kMarkerWord, on ? 15 : 0);
    }
}

void addCoinsetRefToImage(QString& ref, QString& version, const MechEntry& entry,
                          const SegmentSelection& segmentSelected, Image& progImage)
{
    if (entry.kind != MechKind::Mars)
        return;
    ref = ref.left(5);
    version = version.left(3);
    putText(plat::toCp1252(ref), kRefWord, entry, segmentSelected, progImage);
    putText(plat::toCp1252(version), kVersionWord, entry, segmentSelected, progImage);
}

void remapImageME181(const std::array<qint32, 25>& coinValues, Image& progImage)
{
    // Downwards, so no word is overwritten before it has moved.
    for (int i = 255; i >= 0; --i)
        progImage[size_t(i < 128 ? i + 128 : i + 256)] = progImage[size_t(i)];
    for (size_t i = 0; i < 128; ++i) {
        progImage[i] = 0;
        progImage[i + 256] = 0;
    }
    progImage[0] = 15;
    progImage[256] = 15;

    for (int c = 1; c <= 12; ++c) {
        const qint32 value = coinValues[size_t(c)];
        const qint32 high = value / 16;
        const int w = me181CoinValueWord(c);
        progImage[size_t(w)] = value - 16 * high;
        progImage[size_t(w + 1)] = high;
    }
}

VerifyResult comparePromSegments(const Image& readImage, bool readComplete, const Image& progImage,
                                 const SegmentSelection& segmentSelected, int promSize,
                                 const MechEntry& entry)
{
    VerifyResult out;
    out.readComplete = readComplete;
    const int lastSegment = std::min(promSize == 1 ? 3 : 1, entry.mars.maxSegments - 1);
    const int words = entry.mars.segmentWords;
    for (int s = 0; s <= lastSegment; ++s) {
        if (!segmentSelected(s))
            continue;
        const auto diffs = differingWords(readImage, progImage, s * words, s * words + words - 1);
        out.differences.insert(out.differences.end(), diffs.begin(), diffs.end());
    }
    return out;
}

} // namespace quenby
