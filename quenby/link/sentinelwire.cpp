#include "quenby/link/sentinelwire.h"

#include "platform/vbtext.h"
#include "quenby/link/wirefields.h"

#include <cctype>

namespace quenby {

namespace {

QByteArray hex2(int v) { return plat::hex2(v).toLatin1(); }

} // namespace

QByteArray sentinelReadCommand(int address)
{
    return "M00" + hex2(0x80 + (address & 63)) + "0102\r";
}

std::array<QByteArray, 4> sentinelWriteCommands(int address, qint32 value)
{
    const int a = address & 63;
    const int low = value & 0xFF;
    const int high = (value >> 8) & 0xFF;
    return {QByteArray("W0030\r"), "W00" + hex2(0xC0 + a) + "\r",
            "W00" + hex2(0x40 + a) + hex2(low) + hex2(high) + "\r", QByteArray("W0000\r")};
}

qint32 sentinelChecksumWord(const Image& image)
{
    int s = 0;
    for (size_t a = 0; a < 63; ++a)
        s = (s + (image[a] & 0xFF) + ((image[a] >> 8) & 0xFF)) & 0xFF;
    return 256 - s;
}

SentinelWord parseSentinelWordReply(const QByteArray& reply, int address)
{
    if (!reply.startsWith("ZZR") || reply.size() < 9)
        return {};
    for (int i = 3; i < 9; ++i)
        if (!std::isxdigit(static_cast<unsigned char>(reply[i])))
            return {};
    if ((hexField(reply, 6, 2) & 63) != (address & 63))
        return {};
    return {true, hexField(reply, 4, 2) + 256 * hexField(reply, 8, 2)};
}

SentinelIdent parseSentinelIdent(const QByteArray& reply)
{
    if (reply.startsWith('E'))
        return {true, replyField(reply, 2, 4)};
    return {false, replyField(reply, 1, 4)};
}

bool sentinelIdentNeedsG18Warning(const QString& ident) { return ident.left(2) <= QStringLiteral("I1"); }

} // namespace quenby
