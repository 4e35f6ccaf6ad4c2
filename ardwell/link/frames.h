#pragma once
// Mech frames as the box relays them: destination, source, header, data, checksum; on the wire
// each byte as two upper-case hex digits and the line ended by CR.
//
// Every sender builds its frame in a Frame of its own: the parser answers events with a
// "message understood" frame from inside other senders' waits, and a shared buffer would let
// that answer overwrite a frame that is about to be sent again.

#include <QByteArray>
#include <QString>
#include <array>
#include <initializer_list>

namespace ardwell {

// The mech's EEPROM as the program holds it: one 16-bit word per element 0..kImageTop; -1 marks
// a word asked for and not (yet) read.
constexpr int kImageTop = 4096;
using EepromImage = std::array<int, kImageTop + 1>;

// Frame headers.
namespace hdr {
constexpr int Command = 0x24;       // to the mech: command; from the mech: event
constexpr int MemoryRead = 0x94;
constexpr int MemoryWrite = 0xD4;
constexpr int Understood = 0x04;
constexpr int LogonReply = 0x44;
constexpr int MemoryReadReply = 0xB4;
constexpr int Refused = 0xE4;
} // namespace hdr

struct Frame {
    static constexpr int kMaxBytes = 51;
    std::array<int, kMaxBytes> bytes{};
    int length = 0; // index of the checksum byte = number of bytes before it
};

// bytes[length] := (0 - sum of bytes 0..length-1) And 255. A length outside 0..50 throws
// plat::RuntimeError 9.
void buildChecksum(Frame& f);
// Builds a frame from the bytes before the checksum and adds the checksum.
Frame makeFrame(std::initializer_list<int> bytesBeforeChecksum);
// The line sent to the box: hex2 of bytes 0..length, then CR.
QByteArray frameLine(const Frame& f);

// A reply line that is one whole frame of `bytes` bytes (checksum included): exactly that many
// hex digit pairs, summing to 0 modulo 256.
bool wholeFrame(const QString& line, int bytes);

// Value of the leading hex digits of a text (either case); 0 when it begins with none.
qint64 hexValue(const QString& text);

} // namespace ardwell
