#pragma once
// The 435's routing settings as the editor's fields, decoded from the EEPROM image that was read
// and encoded back into an image to programme: four sort paths and a binary output code per
// coin, the routing source (memory or plug) and the plug default route.
//
// Words: 128 + c sort paths of coin c (path p in nibble p, nibble 0 the lowest); 110 + k binary
// codes of coins 4k..4k+3 (coin 4k + n in nibble n); 11 bit 8 set: routing from memory; 204 high
// byte and 228 high byte (low byte 0x42): the plug default route in two codes of its own.

#include "platform/view.h"
#include "quenby/link/familytable.h"
#include "quenby/link/images.h"

#include <QString>
#include <array>
#include <optional>

namespace quenby {

constexpr int kRoutingCoins = 16;

struct Routing435 {
    std::array<QString, 4 * kRoutingCoins> sort; // txtSort(4 * coin + path): "D".."A", "a".."d"; "?" for 8..15
    std::array<QString, kRoutingCoins> code;     // txtCode(coin): four binary digits, most significant first
    bool fromMemory = false;                     // optMemory; else optPlug
    QString plugDefault;                         // txtPlugDefault; "?" when the mech holds no known code
    bool operator==(const Routing435&) const = default;
};

Routing435 decodeRouting435(const Image& readImage);

// The fields into the editor's controls (txtSort, txtCode, optMemory / optPlug, txtPlugDefault)
// and back from them as the user left them.
void showRouting435(plat::View& v, const Routing435& fields);
Routing435 routingFields(const plat::View& v);

struct RoutingEncoding {
    // The image to programme: readImage's words 0 .. memorySize - 1 over progImage, the edited
    // words in place and the checksum word fixed. Empty when refused.
    std::optional<Image> image;
    // The refusal's message and title text ids: 712/713 a sort path or the plug default route
    // is not one of the eight letters, 714/715 a binary code is not four binary digits. Paths
    // are checked first, then codes, then the plug default. 0 when accepted.
    int textId = 0;
    int titleId = 0;
};

// Only the first character of the plug default counts. The image is built apart, so nothing of
// the program's own images changes until the caller programmes it.
RoutingEncoding encodeRouting435(const Routing435& fields, const Image& readImage, const Image& progImage,
                                 int memorySize, const MechEntry& entry);

} // namespace quenby
