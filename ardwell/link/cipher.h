#pragma once
// The mech link cipher: a byte-wise stream cipher with ciphertext feedback, keyed by the
// program's fixed key bytes and the mech's key bytes of the last logon. Pure functions: the
// state lives only within one block, so every frame starts from the logon keys.

#include "ardwell/link/cipherconsts.h"

#include <QtGlobal>
#include <array>

namespace ardwell {

// The two key bytes the mech sent in its last logon reply (0, 0 before the first logon).
struct MechKey {
    int m1 = 0;
    int m2 = 0;
};

struct CipherState {
    int s1 = 0;
    int s2 = 0;
};

// One payload before and after the cipher. Elements 1..blockLength are used (0 is not).
struct CipherBlock {
    static constexpr int kMaxLength = 16;
    std::array<int, kMaxLength + 1> plainBytes{};
    std::array<int, kMaxLength + 1> cipherBytes{};
    int blockLength = 0;
};

// v And 255 rotated left by n bits within 8 bits.
int rotateLeftByte(int n, qint64 v);
// The next key byte (0..255) from the two state bytes.
int cipherKeyByte(int a, int b);
CipherState initCipherState(const MechKey& key);
// Fill cipherBytes from plainBytes (or back), elements 1..blockLength. A blockLength outside
// 0..16 throws plat::RuntimeError 9.
void encipherBlock(CipherBlock& block, const MechKey& key);
void decipherBlock(CipherBlock& block, const MechKey& key);

// The byte that makes count plain payload bytes plus itself sum to 0 modulo 256.
int payloadCheckByte(const int* plain, int count);

} // namespace ardwell
