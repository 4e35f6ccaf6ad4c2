#pragma once
// The simulated mech's own copy of the second program's link: frame format, checksum and the
// link cipher. Written apart from the program's link code so that the mech checks it rather
// than mirrors it; only the fixed bytes (ardwell/link/cipherconsts.h) are shared, as a mech
// and the program share them.

#include <QByteArray>
#include <cstdint>

namespace sim::ardwelllink {

struct Keys {
    std::uint8_t k1 = 0, k2 = 0; // the program's bytes, sent in every logon request
    std::uint8_t m1 = 0, m2 = 0; // the mech's bytes of the current logon
};

std::uint8_t rotateLeft(std::uint8_t v, int bits);
std::uint8_t keyByte(std::uint8_t a, std::uint8_t b);
QByteArray encipher(const QByteArray& plain, const Keys& keys);
QByteArray decipher(const QByteArray& cipher, const Keys& keys);
// The byte that makes all bytes of `bytes` plus itself sum to 0 modulo 256 (payload check byte
// and frame checksum alike).
std::uint8_t zeroSumByte(const QByteArray& bytes);
bool sumsToZero(const QByteArray& bytes);
// destination, source, header and data, with the checksum appended.
QByteArray frame(std::uint8_t destination, std::uint8_t source, std::uint8_t header,
                 const QByteArray& data = {});
// Upper-case hex digits and a CR.
QByteArray toLine(const QByteArray& frame);

// Frame headers.
namespace hdr {
constexpr std::uint8_t Ack = 0x04;
constexpr std::uint8_t Command = 0x24; // to the mech a command, from it an event
constexpr std::uint8_t LogonReply = 0x44;
constexpr std::uint8_t Read = 0x94;
constexpr std::uint8_t ReadReply = 0xB4;
constexpr std::uint8_t Write = 0xD4;
constexpr std::uint8_t Refused = 0xE4;
} // namespace hdr

} // namespace sim::ardwelllink
