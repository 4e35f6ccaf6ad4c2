#include "ardwell/link/frames.h"

#include "ardwell/link/link.h"
#include "platform/runtimeerror.h"
#include "platform/vbtext.h"

namespace ardwell {

void buildChecksum(Frame& f)
{
    if (f.length < 0 || f.length >= Frame::kMaxBytes)
        throw plat::RuntimeError(plat::err::SubscriptOutOfRange, "Subscript out of range");
    int sum = 0;
    for (int i = 0; i < f.length; ++i)
        sum += f.bytes[i];
    f.bytes[f.length] = (0 - sum) & 255;
}

Frame makeFrame(std::initializer_list<int> bytesBeforeChecksum)
{
    Frame f;
    if (bytesBeforeChecksum.size() >= std::size_t(Frame::kMaxBytes))
        throw plat::RuntimeError(plat::err::SubscriptOutOfRange, "Subscript out of range");
    for (int b : bytesBeforeChecksum)
        f.bytes[f.length++] = b;
    buildChecksum(f);
    return f;
}

QByteArray frameLine(const Frame& f)
{
    QByteArray line;
    line.reserve(2 * (f.length + 1) + 1);
    for (int i = 0; i <= f.length && i < Frame::kMaxBytes; ++i)
        line += hex2(f.bytes[i]).toLatin1();
    line += '\r';
    return line;
}

bool wholeFrame(const QString& line, int bytes)
{
    if (bytes < 1 || line.size() != 2 * bytes)
        return false;
    int sum = 0;
    for (int i = 0; i < line.size(); i += 2) {
        const int hi = plat::hexDigit(line[i]), lo = plat::hexDigit(line[i + 1]);
        if (hi < 0 || lo < 0)
            return false;
        sum += 16 * hi + lo;
    }
    return (sum & 255) == 0;
}

qint64 hexValue(const QString& text)
{
    qint64 v = 0;
    for (QChar ch : text) {
        const int d = plat::hexDigit(ch);
        if (d < 0)
            break;
        // More digits than any field here holds: keep the low 32 bits.
        v = ((v << 4) | d) & 0xFFFFFFFFLL;
    }
    return v;
}

// ---- Sending frames ----

Frame Link::mechFrame(int header, std::span<const int> data) const
{
    if (data.size() + 3 >= std::size_t(Frame::kMaxBytes))
        throw plat::RuntimeError(plat::err::SubscriptOutOfRange, "Subscript out of range");
    const MechTarget to = target_();
    Frame f;
    f.bytes[0] = to.destination;
    f.bytes[1] = to.source;
    f.bytes[2] = header;
    f.length = 3;
    for (int b : data)
        f.bytes[f.length++] = b;
    buildChecksum(f);
    return f;
}

Frame Link::memoryFrame(int header, std::initializer_list<int> plain) const
{
    CipherBlock block;
    if (plain.size() >= std::size_t(CipherBlock::kMaxLength))
        throw plat::RuntimeError(plat::err::SubscriptOutOfRange, "Subscript out of range");
    for (int b : plain)
        block.plainBytes[++block.blockLength] = b;
    block.plainBytes[block.blockLength + 1] = payloadCheckByte(&block.plainBytes[1], block.blockLength);
    ++block.blockLength;
    encipherBlock(block, st_.mechKey);
    return mechFrame(header, std::span<const int>(&block.cipherBytes[1], std::size_t(block.blockLength)));
}

bool Link::sendDataBlock(const Frame& f)
{
    st_.boxAcknowledged = false;
    QByteArray line;
    trap("Error Send Data Block routine : ", [&] { line = frameLine(f); });
    writePort(line, "Error Send Data Block routine : ");
    waitSeconds(1, [this] { return st_.boxAcknowledged; });
    return st_.boxAcknowledged;
}

void Link::sendMessageUnderstood()
{
    eventAnswered_ = true;
    const QString context = "Error Send message understood routine : ";
    trap(context, [&] {
        const Frame f = mechFrame(hdr::Understood, {});
        writePort(frameLine(f), context);
    });
}

} // namespace ardwell
