#include "sim/ardwellcipher.h"

#include "ardwell/link/cipherconsts.h"

namespace sim::ardwelllink {

std::uint8_t rotateLeft(std::uint8_t v, int bits)
{
    bits &= 7;
    if (bits == 0)
        return v;
    return std::uint8_t((v << bits) | (v >> (8 - bits)));
}

std::uint8_t keyByte(std::uint8_t a, std::uint8_t b)
{
    using namespace ardwell::cipher;
    const std::uint8_t u = a ^ C1;
    const std::uint8_t x1 = rotateLeft(std::uint8_t(a + b + C2), 3) ^ C3;
    const std::uint8_t x2 = rotateLeft(std::uint8_t(x1 + u + C5), 2) ^ C6;
    return rotateLeft(std::uint8_t(x2 + (x1 ^ C4) + C7), 1);
}

namespace {
// Ciphertext feedback: the state always advances with the enciphered byte.
QByteArray run(const QByteArray& in, const Keys& keys, bool enciphering)
{
    std::uint8_t s1 = keys.k2 ^ keys.m2;
    std::uint8_t s2 = keys.k1 ^ keys.m1;
    QByteArray out(in.size(), '\0');
    for (int i = 0; i < in.size(); ++i) {
        const std::uint8_t k = keyByte(s1, s2);
        const auto b = std::uint8_t(in[i]);
        const std::uint8_t c = enciphering ? std::uint8_t(b ^ k) : b;
        out[i] = char(b ^ k);
        s1 = s2;
        s2 = c;
    }
    return out;
}
} // namespace

QByteArray encipher(const QByteArray& plain, const Keys& keys) { return run(plain, keys, true); }
QByteArray decipher(const QByteArray& cipher, const Keys& keys) { return run(cipher, keys, false); }

std::uint8_t zeroSumByte(const QByteArray& bytes)
{
    unsigned sum = 0;
    for (char c : bytes)
        sum += std::uint8_t(c);
    return std::uint8_t(0u - sum);
}

bool sumsToZero(const QByteArray& bytes) { return zeroSumByte(bytes) == 0; }

QByteArray frame(std::uint8_t destination, std::uint8_t source, std::uint8_t header, const QByteArray& data)
{
    QByteArray f;
    f.append(char(destination)).append(char(source)).append(char(header)).append(data);
    f.append(char(zeroSumByte(f)));
    return f;
}

QByteArray toLine(const QByteArray& frame) { return frame.toHex().toUpper() + '\r'; }

} // namespace sim::ardwelllink
