#include "ardwell/link/cipher.h"
#include "platform/runtimeerror.h"

#include <gtest/gtest.h>
#include <vector>

using namespace ardwell;

namespace {

CipherBlock blockOf(const std::vector<int>& plain)
{
    CipherBlock b;
    b.blockLength = int(plain.size());
    for (std::size_t i = 0; i < plain.size(); ++i)
        b.plainBytes[i + 1] = plain[i];
    return b;
}

} // namespace

TEST(Cipher, RotateLeftByteReducesToEightBitsFirst)
{
    EXPECT_EQ(rotateLeftByte(3, 0x81), 0x0C);
    EXPECT_EQ(rotateLeftByte(1, 0x180), 0x01);
    EXPECT_EQ(rotateLeftByte(8, 0xA5), 0xA5);
    EXPECT_EQ(rotateLeftByte(0, 0x1FF), 0xFF);
    EXPECT_EQ(rotateLeftByte(1, -1), 0xFF);
}

// Vectors printed by tests/ardwell/cipher_vectors.py, an independent implementation.
TEST(Cipher, KeyByteKnownAnswers)
{
    const int vectors[][3] = {
        {0x00, 0x00, 0x6F}, {0xFF, 0xFF, 0x34}, {0x12, 0x34, 0xD2}, {0xA5, 0x5A, 0xD3}, {0x80, 0x01, 0xB4},
    };
    for (const auto& v : vectors)
        EXPECT_EQ(cipherKeyByte(v[0], v[1]), v[2]) << v[0] << "," << v[1];
}

TEST(Cipher, EncipherKnownAnswersAndRoundTrip)
{
    struct Vector {
        int m1, m2;
        std::vector<int> plain, cipher;
    };
    const Vector vectors[] = {
        {0x00, 0x00, {0x00, 0x05, 0xFB}, {0x6C, 0xE9, 0x8D}},
        {0x3C, 0x9E, {0x00, 0x10, 0xF0}, {0x65, 0x6A, 0x56}},
        {0x3C, 0x9E, {0x00, 0x10, 0x12, 0x34, 0xAA}, {0x65, 0x6A, 0xB4, 0xD5, 0xF3}},
        {0xFF, 0x01, {0x00, 0xFF, 0xFF, 0xFF, 0x03}, {0x46, 0x95, 0x83, 0x75, 0xF6}},
        {0x7A, 0x21, {0x00, 0x00, 0x12, 0x34, 0xBA}, {0x5D, 0x79, 0x65, 0x6E, 0x5D}},
        // Addresses with a high byte.
        {0x3C, 0x9E, {0x01, 0x23, 0xDC}, {0x64, 0xA8, 0x91}},
        {0x00, 0x00, {0x10, 0x00, 0xF0}, {0x7C, 0xEF, 0x27}},
        {0x7A, 0x21, {0x01, 0x00, 0xBE, 0xEF, 0x52}, {0x5C, 0x89, 0x6C, 0xB8, 0xC7}},
        {0xC5, 0x0B, {0xFF, 0x00, 0x00, 0x01, 0x00}, {0x0B, 0x17, 0x1F, 0xE6, 0x07}},
    };
    for (const auto& v : vectors) {
        SCOPED_TRACE(testing::Message() << "vector " << &v - vectors);
        const MechKey key{v.m1, v.m2};
        CipherBlock b = blockOf(v.plain);
        encipherBlock(b, key);
        for (std::size_t i = 0; i < v.cipher.size(); ++i)
            EXPECT_EQ(b.cipherBytes[i + 1], v.cipher[i]) << "byte " << i + 1;

        CipherBlock back;
        back.blockLength = b.blockLength;
        back.cipherBytes = b.cipherBytes;
        decipherBlock(back, key);
        for (std::size_t i = 0; i < v.plain.size(); ++i)
            EXPECT_EQ(back.plainBytes[i + 1], v.plain[i]);
    }
}

TEST(Cipher, ACorruptedByteReachesAtMostTheNextTwoPlainBytes)
{
    const MechKey key{0x3C, 0x9E};
    CipherBlock sent = blockOf({1, 2, 3, 4, 5, 6, 7, 8});
    encipherBlock(sent, key);
    for (int j = 1; j <= 8; ++j) {
        CipherBlock got;
        got.blockLength = 8;
        got.cipherBytes = sent.cipherBytes;
        got.cipherBytes[j] ^= 0x40;
        decipherBlock(got, key);
        EXPECT_NE(got.plainBytes[j], sent.plainBytes[j]);
        for (int i = 1; i <= 8; ++i) {
            if (i < j || i > j + 2) {
                EXPECT_EQ(got.plainBytes[i], sent.plainBytes[i]) << "flip " << j << " changed " << i;
            }
        }
    }
}

TEST(Cipher, PayloadCheckByteMakesTheSumZero)
{
    const int payload[] = {0x00, 0x00, 0x12, 0x34};
    EXPECT_EQ(payloadCheckByte(payload, 4), 0xBA);
    const int zero[] = {0x80, 0x80};
    EXPECT_EQ(payloadCheckByte(zero, 2), 0);
    const int big[] = {0xFF, 0xFF, 0xFF};
    EXPECT_EQ((0xFF * 3 + payloadCheckByte(big, 3)) & 255, 0);
}

TEST(Cipher, ABlockLongerThanTheBuffersIsRefused)
{
    CipherBlock b;
    b.blockLength = 17;
    EXPECT_THROW(encipherBlock(b, {}), plat::RuntimeError);
    b.blockLength = -1;
    EXPECT_THROW(decipherBlock(b, {}), plat::RuntimeError);
}
