#pragma once
// Procedures over the memory images and the segment choice: clearing the images, taking the
// segment check boxes, the change marker and coin set reference of a Mars PROM image, the ME181
// layout, and the comparison a PROM verify makes.

#include "quenby/clonewizard/cointables.h"
#include "quenby/link/familytable.h"
#include "quenby/link/images.h"

#include <QString>
#include <array>

namespace quenby {

// Elements 0..3: the PROM segments (or EEPROM pages) chosen for programming; the program holds
// one, in its coin set tables.
using SegmentSelection = CheckedArray<bool, 5>;

// Words 0..511 of the three images to 0 (word 512 keeps its value). readImage no longer holds
// any mech's memory afterwards.
void clearImageBuffers(MemoryImages& images);

// chkSeg(i) = 1 (ticked) selects segment i; clear or greyed does not.
void readSegmentChecks(const std::array<int, 4>& chkSeg, SegmentSelection& segmentSelected);

// Mars only: the change marker of every selected segment (word 111 of it; ME181: 239) := 15
// when on, else 0.
void setPromChangeFlag(bool on, const MechEntry& entry, const SegmentSelection& segmentSelected,
                       Image& progImage);

// Mars only: the first 5 characters of the reference code and the first 3 of the version (both
// cut in the caller's texts too), each as two nibbles, high first, from word 112 (reference)
// and 122 (version) of every selected segment's data. Characters outside the 8-bit code page
// count as "?".
void addCoinsetRefToImage(QString& ref, QString& version, const MechEntry& entry,
                          const SegmentSelection& segmentSelected, Image& progImage);

// Moves segments 0 and 1 (128 words each) into the upper halves of the two 256-word ME181
// segments, clears the lower halves, sets words 0 and 256 to 15 and writes coin values 1..12 as
// nibble pairs, low first. A value of 256 or more leaves more than 15 in its high word, which a
// burn then refuses.
void remapImageME181(const std::array<qint32, 25>& coinValues, Image& progImage);

// The comparison of a PROM verify: every word of every selected segment up to the last one of
// the size (2K: segment 3, else 1; ME181: 1). An incomplete read-back fails whatever it holds.
VerifyResult comparePromSegments(const Image& readImage, bool readComplete, const Image& progImage,
                                 const SegmentSelection& segmentSelected, int promSize,
                                 const MechEntry& entry);

} // namespace quenby
