#include "ardwell/link/cipher.h"

#include "platform/runtimeerror.h"

namespace ardwell {

using namespace cipher;

int rotateLeftByte(int n, qint64 v)
{
    int r = int(v & 255);
    for (int i = 0; i < n; ++i)
        r = r > 127 ? ((2 * r + 1) & 255) : ((2 * r) & 255);
    return r;
}

int cipherKeyByte(int a, int b)
{
    const int u = a ^ C1;
    const int x1 = rotateLeftByte(3, qint64(a) + b + C2) ^ C3;
    const int x2 = rotateLeftByte(2, qint64(x1) + u + C5) ^ C6;
    return rotateLeftByte(1, qint64(x2) + (x1 ^ C4) + C7);
}

CipherState initCipherState(const MechKey& key)
{
    return {(K2 ^ key.m2) & 255, (K1 ^ key.m1) & 255};
}

namespace {

void checkLength(const CipherBlock& b)
{
    if (b.blockLength < 0 || b.blockLength > CipherBlock::kMaxLength)
        throw plat::RuntimeError(plat::err::SubscriptOutOfRange, "Subscript out of range");
}

} // namespace

void encipherBlock(CipherBlock& block, const MechKey& key)
{
    checkLength(block);
    CipherState s = initCipherState(key);
    for (int i = 1; i <= block.blockLength; ++i) {
        const int k = cipherKeyByte(s.s1, s.s2);
        const int c = (block.plainBytes[i] & 255) ^ k;
        block.cipherBytes[i] = c;
        s.s1 = s.s2;
        s.s2 = c;
    }
}

void decipherBlock(CipherBlock& block, const MechKey& key)
{
    checkLength(block);
    CipherState s = initCipherState(key);
    for (int i = 1; i <= block.blockLength; ++i) {
        const int k = cipherKeyByte(s.s1, s.s2);
        const int c = block.cipherBytes[i] & 255;
        block.plainBytes[i] = c ^ k;
        s.s1 = s.s2;
        s.s2 = c;
    }
}

int payloadCheckByte(const int* plain, int count)
{
    int sum = 0;
    for (int i = 0; i < count; ++i)
        sum += plain[i];
    return (256 - (sum & 255)) & 255;
}

} // namespace ardwell
