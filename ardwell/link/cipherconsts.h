#pragma once
// The link cipher's fixed bytes. A mech accepts the link only when its own copy matches these,
// so the program and the simulated mech both take them from here.

#include <cstdint>

namespace ardwell::cipher {

// localKey: sent in clear in every logon request.
constexpr std::uint8_t K1 = 0x5A;
constexpr std::uint8_t K2 = 0xC3;

// Mixing constants of the key byte function.
constexpr std::uint8_t C1 = 0x3D;
constexpr std::uint8_t C2 = 0x91;
constexpr std::uint8_t C3 = 0x6E;
constexpr std::uint8_t C4 = 0xA7;
constexpr std::uint8_t C5 = 0x1F;
constexpr std::uint8_t C6 = 0xD2;
constexpr std::uint8_t C7 = 0x48;

} // namespace ardwell::cipher
