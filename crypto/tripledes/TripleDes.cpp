#include "tripledes/TripleDes.h"

#include "common/ByteOrder.h"
#include "common/SecureWipe.h"

#include <cstring>
#include <utility>

namespace TORVELIB {

namespace {

// clang-format off
// The eight DES S-boxes, four rows of sixteen each. The row is chosen by the
// outer two bits of the 6-bit input, the column by the inner four.
constexpr unsigned char kSBox[8][64] = {
    {14, 4,  13, 1, 2,  15, 11, 8,  3,  10, 6,  12, 5,  9,  0, 7,
     0,  15, 7,  4, 14, 2,  13, 1,  10, 6,  12, 11, 9,  5,  3, 8,
     4,  1,  14, 8, 13, 6,  2,  11, 15, 12, 9,  7,  3,  10, 5, 0,
     15, 12, 8,  2, 4,  9,  1,  7,  5,  11, 3,  14, 10, 0,  6, 13},
    {15, 1,  8,  14, 6,  11, 3,  4,  9,  7, 2,  13, 12, 0, 5,  10,
     3,  13, 4,  7,  15, 2,  8,  14, 12, 0, 1,  10, 6,  9, 11, 5,
     0,  14, 7,  11, 10, 4,  13, 1,  5,  8, 12, 6,  9,  3, 2,  15,
     13, 8,  10, 1,  3,  15, 4,  2,  11, 6, 7,  12, 0,  5, 14, 9},
    {10, 0,  9,  14, 6, 3,  15, 5,  1,  13, 12, 7,  11, 4,  2,  8,
     13, 7,  0,  9,  3, 4,  6,  10, 2,  8,  5,  14, 12, 11, 15, 1,
     13, 6,  4,  9,  8, 15, 3,  0,  11, 1,  2,  12, 5,  10, 14, 7,
     1,  10, 13, 0,  6, 9,  8,  7,  4,  15, 14, 3,  11, 5,  2,  12},
    {7,  13, 14, 3, 0,  6,  9,  10, 1,  2, 8, 5,  11, 12, 4,  15,
     13, 8,  11, 5, 6,  15, 0,  3,  4,  7, 2, 12, 1,  10, 14, 9,
     10, 6,  9,  0, 12, 11, 7,  13, 15, 1, 3, 14, 5,  2,  8,  4,
     3,  15, 0,  6, 10, 1,  13, 8,  9,  4, 5, 11, 12, 7,  2,  14},
    {2,  12, 4,  1,  7,  10, 11, 6,  8,  5,  3,  15, 13, 0, 14, 9,
     14, 11, 2,  12, 4,  7,  13, 1,  5,  0,  15, 10, 3,  9, 8,  6,
     4,  2,  1,  11, 10, 13, 7,  8,  15, 9,  12, 5,  6,  3, 0,  14,
     11, 8,  12, 7,  1,  14, 2,  13, 6,  15, 0,  9,  10, 4, 5,  3},
    {12, 1,  10, 15, 9, 2,  6,  8,  0,  13, 3,  4,  14, 7,  5,  11,
     10, 15, 4,  2,  7, 12, 9,  5,  6,  1,  13, 14, 0,  11, 3,  8,
     9,  14, 15, 5,  2, 8,  12, 3,  7,  0,  4,  10, 1,  13, 11, 6,
     4,  3,  2,  12, 9, 5,  15, 10, 11, 14, 1,  7,  6,  0,  8,  13},
    {4,  11, 2,  14, 15, 0, 8,  13, 3,  12, 9, 7,  5,  10, 6, 1,
     13, 0,  11, 7,  4,  9, 1,  10, 14, 3,  5, 12, 2,  15, 8, 6,
     1,  4,  11, 13, 12, 3, 7,  14, 10, 15, 6, 8,  0,  5,  9, 2,
     6,  11, 13, 8,  1,  4, 10, 7,  9,  5,  0, 15, 14, 2,  3, 12},
    {13, 2,  8,  4, 6,  15, 11, 1,  10, 9,  3,  14, 5,  0,  12, 7,
     1,  15, 13, 8, 10, 3,  7,  4,  12, 5,  6,  11, 0,  14, 9,  2,
     7,  11, 4,  1, 9,  12, 14, 2,  0,  6,  10, 13, 15, 3,  5,  8,
     2,  1,  14, 7, 4,  10, 8,  13, 15, 12, 9,  0,  3,  5,  6,  11},
};

// Bit numbers below count from 1 at the most significant bit, as DES does.
constexpr unsigned char kP[32] = {16, 7, 20, 21, 29, 12, 28, 17, 1,  15, 23, 26, 5,  18, 31, 10,
                                  2,  8, 24, 14, 32, 27, 3,  9,  19, 13, 30, 6,  22, 11, 4,  25};

constexpr unsigned char kPC1[56] = {57, 49, 41, 33, 25, 17, 9,  1,  58, 50, 42, 34, 26, 18,
                                    10, 2,  59, 51, 43, 35, 27, 19, 11, 3,  60, 52, 44, 36,
                                    63, 55, 47, 39, 31, 23, 15, 7,  62, 54, 46, 38, 30, 22,
                                    14, 6,  61, 53, 45, 37, 29, 21, 13, 5,  28, 20, 12, 4};

constexpr unsigned char kPC2[48] = {14, 17, 11, 24, 1,  5,  3,  28, 15, 6,  21, 10,
                                    23, 19, 12, 4,  26, 8,  16, 7,  27, 20, 13, 2,
                                    41, 52, 31, 37, 47, 55, 30, 40, 51, 45, 33, 48,
                                    44, 49, 39, 56, 34, 53, 46, 42, 50, 36, 29, 32};

constexpr unsigned char kShifts[16] = {1, 1, 2, 2, 2, 2, 2, 2, 1, 2, 2, 2, 2, 2, 2, 1};
// clang-format on

constexpr uint32_t Rol(uint32_t v, unsigned n) { return (v << n) | (v >> (32 - n)); }

constexpr uint32_t Ror(uint32_t v, unsigned n) { return (v >> n) | (v << (32 - n)); }

// The round function keeps each half rotated left by one bit. In that form the
// expansion E needs no table: groups 2, 4, 6, 8 of E(R) sit in the low six bits
// of the four bytes of R, and groups 1, 3, 5, 7 in those of R rotated right by 4.
// Each SP entry is therefore S-box output through P, rotated left by one as well.
// The tables take a whole byte and ignore its top two bits (the round keys hold
// zeros there), which spares the rounds a mask before each lookup.
struct SpTables {
    uint32_t t[8][256];
};

constexpr SpTables MakeSpTables()
{
    SpTables sp {};
    for (int box = 0; box < 8; ++box) {
        for (int byte = 0; byte < 256; ++byte) {
            const int v = byte & 63;
            const int row = ((v >> 4) & 2) | (v & 1);
            const int col = (v >> 1) & 15;
            const uint32_t sOut = uint32_t(kSBox[box][row * 16 + col]) << (28 - 4 * box);
            uint32_t permuted = 0;
            for (int bit = 0; bit < 32; ++bit) {
                if ((sOut >> (32 - kP[bit])) & 1)
                    permuted |= uint32_t(1) << (31 - bit);
            }
            sp.t[box][byte] = Rol(permuted, 1);
        }
    }
    return sp;
}

constexpr SpTables kSp = MakeSpTables();

// A round key as the rounds consume it: its eight 6-bit groups one per byte,
// groups 1, 3, 5, 7 in the first word and 2, 4, 6, 8 in the second.
struct RoundKey {
    uint32_t first;
    uint32_t second;
};

// PC-2 applied to the 56 bits of C and D, C first.
constexpr RoundKey SelectRoundKey(uint64_t cd)
{
    RoundKey key { 0, 0 };
    for (int group = 0; group < 8; ++group) {
        uint32_t bits = 0;
        for (int j = 0; j < 6; ++j)
            bits = (bits << 1) | uint32_t((cd >> (56 - kPC2[group * 6 + j])) & 1);
        const unsigned shift = 24 - 8 * unsigned(group / 2);
        if (group % 2 == 0)
            key.first |= bits << shift;
        else
            key.second |= bits << shift;
    }
    return key;
}

// PC-2 is linear over the bits, so it is the OR of its results for each of the
// eight 7-bit chunks of C and D taken alone: one lookup per chunk and round.
struct Pc2Tables {
    RoundKey t[8][128];
};

constexpr Pc2Tables MakePc2Tables()
{
    Pc2Tables pc2 {};
    for (int chunk = 0; chunk < 8; ++chunk) {
        for (int v = 0; v < 128; ++v)
            pc2.t[chunk][v] = SelectRoundKey(uint64_t(v) << (49 - 7 * chunk));
    }
    return pc2;
}

constexpr Pc2Tables kPc2 = MakePc2Tables();

// Initial permutation by exchange-and-mask steps; leaves both halves rotated
// left by one bit, the form the rounds work in.
inline void InitialPermutation(uint32_t& l, uint32_t& r)
{
    uint32_t w;
    w = ((l >> 4) ^ r) & 0x0f0f0f0fu;
    r ^= w;
    l ^= w << 4;
    w = ((l >> 16) ^ r) & 0x0000ffffu;
    r ^= w;
    l ^= w << 16;
    w = ((r >> 2) ^ l) & 0x33333333u;
    l ^= w;
    r ^= w << 2;
    w = ((r >> 8) ^ l) & 0x00ff00ffu;
    l ^= w;
    r ^= w << 8;
    r = Rol(r, 1);
    w = (l ^ r) & 0xaaaaaaaau;
    l ^= w;
    r ^= w;
    l = Rol(l, 1);
}

// The same steps undone in reverse order.
inline void FinalPermutation(uint32_t& l, uint32_t& r)
{
    uint32_t w;
    l = Ror(l, 1);
    w = (l ^ r) & 0xaaaaaaaau;
    l ^= w;
    r ^= w;
    r = Ror(r, 1);
    w = ((r >> 8) ^ l) & 0x00ff00ffu;
    l ^= w;
    r ^= w << 8;
    w = ((r >> 2) ^ l) & 0x33333333u;
    l ^= w;
    r ^= w << 2;
    w = ((l >> 16) ^ r) & 0x0000ffffu;
    r ^= w;
    l ^= w << 16;
    w = ((l >> 4) ^ r) & 0x0f0f0f0fu;
    r ^= w;
    l ^= w << 4;
}

// One DES round: a ^= f(b, subkeys k[n], k[n + 1]). The low halves of both
// words are looked up first, then their high halves after one shift each.
#define CV_DES_ROUND(a, b, k, n)                                                                                   \
    do {                                                                                                           \
        uint32_t u_ = Ror(b, 4) ^ (k)[n];                                                                          \
        uint32_t t_ = (b) ^ (k)[(n) + 1];                                                                          \
        uint32_t f_                                                                                                \
            = kSp.t[6][u_ & 0xff] | kSp.t[4][(u_ >> 8) & 0xff] | kSp.t[7][t_ & 0xff] | kSp.t[5][(t_ >> 8) & 0xff]; \
        u_ >>= 16;                                                                                                 \
        t_ >>= 16;                                                                                                 \
        (a) ^= f_ | kSp.t[2][u_ & 0xff] | kSp.t[0][u_ >> 8] | kSp.t[3][t_ & 0xff] | kSp.t[1][t_ >> 8];             \
    } while (0)

// Sixteen rounds, leaving the halves unswapped: the caller swaps roles instead.
#define CV_DES_STAGE(a, b, k)      \
    do {                           \
        CV_DES_ROUND(a, b, k, 0);  \
        CV_DES_ROUND(b, a, k, 2);  \
        CV_DES_ROUND(a, b, k, 4);  \
        CV_DES_ROUND(b, a, k, 6);  \
        CV_DES_ROUND(a, b, k, 8);  \
        CV_DES_ROUND(b, a, k, 10); \
        CV_DES_ROUND(a, b, k, 12); \
        CV_DES_ROUND(b, a, k, 14); \
        CV_DES_ROUND(a, b, k, 16); \
        CV_DES_ROUND(b, a, k, 18); \
        CV_DES_ROUND(a, b, k, 20); \
        CV_DES_ROUND(b, a, k, 22); \
        CV_DES_ROUND(a, b, k, 24); \
        CV_DES_ROUND(b, a, k, 26); \
        CV_DES_ROUND(a, b, k, 28); \
        CV_DES_ROUND(b, a, k, 30); \
    } while (0)

// Two independent blocks at once: the rounds of one block form a chain of
// dependent lookups, so a second block keeps the idle load and ALU units busy.
#define CV_DES_ROUND2(a0, b0, a1, b1, k, n) \
    do {                                    \
        CV_DES_ROUND(a0, b0, k, n);         \
        CV_DES_ROUND(a1, b1, k, n);         \
    } while (0)

// Sixteen bytes as two blocks, as TripleDesCryptBlock does each; every input
// word is read before any output is stored, so in and out may alias. The rounds
// stay a loop: fully unrolled for two blocks they outgrow the processor's cache
// of decoded instructions, and decoding then limits the speed.
void CryptTwoBlocks(const uint32_t schedule[96], const unsigned char* in, unsigned char* out)
{
    uint32_t l0 = LoadBigEndian(in);
    uint32_t r0 = LoadBigEndian(in + 4);
    uint32_t l1 = LoadBigEndian(in + 8);
    uint32_t r1 = LoadBigEndian(in + 12);
    InitialPermutation(l0, r0);
    InitialPermutation(l1, r1);
    // The halves change roles after each stage, as in TripleDesCryptBlock.
    for (const uint32_t* k = schedule; k != schedule + 96; k += 32) {
        for (int n = 0; n < 32; n += 4) {
            CV_DES_ROUND2(l0, r0, l1, r1, k, n);
            CV_DES_ROUND2(r0, l0, r1, l1, k, n + 2);
        }
        std::swap(l0, r0);
        std::swap(l1, r1);
    }
    FinalPermutation(l0, r0);
    FinalPermutation(l1, r1);
    StoreBigEndian(out, l0);
    StoreBigEndian(out + 4, r0);
    StoreBigEndian(out + 8, l1);
    StoreBigEndian(out + 12, r1);
}

#undef CV_DES_ROUND2

// Reverses the round order of one 16-round stage (each round's two words stay together).
void ReverseRounds(uint32_t* dst, const uint32_t* src)
{
    for (int i = 0; i < 16; ++i) {
        dst[2 * i] = src[30 - 2 * i];
        dst[2 * i + 1] = src[31 - 2 * i];
    }
}

template <bool Encrypt>
void CryptBuffer(
    const TripleDesContext* ctx, const unsigned char* in, int32_t inLength, unsigned char* out, int32_t* outLength)
{
    const uint32_t* schedule = Encrypt ? ctx->encryptKeys : ctx->decryptKeys;
    *outLength = 0;
    const int64_t blocks = (int64_t(inLength) + 7) / 8;
    // Whole blocks go two at a time straight from the input; the zero-filled
    // work block serves what is left, including a last partial block.
    const int64_t whole = inLength > 0 ? inLength / 8 : 0;
    int64_t i = 0;
    for (; i + 2 <= whole; i += 2) {
        CryptTwoBlocks(schedule, in + 8 * i, out + 8 * i);
        *outLength += 16;
    }
    // The work block may hold a password's clear text.
    unsigned char block[8];
    for (; i < blocks; ++i) {
        const int64_t left = int64_t(inLength) - 8 * i;
        std::memset(block, 0, sizeof(block));
        std::memcpy(block, in + 8 * i, size_t(left < 8 ? left : 8));
        TripleDesCryptBlock(schedule, block, out + 8 * i);
        *outLength += 8;
    }
    SecureWipe(block, sizeof(block));
}

} // namespace

void DesSetKey(uint32_t subkeys[32], const unsigned char key[8])
{
    uint64_t k = 0;
    for (int i = 0; i < 8; ++i)
        k = (k << 8) | key[i];

    // C and D, the two 28-bit halves after PC-1.
    uint32_t c = 0;
    uint32_t d = 0;
    for (int i = 0; i < 28; ++i) {
        c = (c << 1) | uint32_t((k >> (64 - kPC1[i])) & 1);
        d = (d << 1) | uint32_t((k >> (64 - kPC1[28 + i])) & 1);
    }

    for (int round = 0; round < 16; ++round) {
        const unsigned s = kShifts[round];
        c = ((c << s) | (c >> (28 - s))) & 0x0fffffffu;
        d = ((d << s) | (d >> (28 - s))) & 0x0fffffffu;
        uint32_t first = 0;
        uint32_t second = 0;
        for (int chunk = 0; chunk < 4; ++chunk) {
            const RoundKey& fromC = kPc2.t[chunk][(c >> (21 - 7 * chunk)) & 0x7f];
            const RoundKey& fromD = kPc2.t[4 + chunk][(d >> (21 - 7 * chunk)) & 0x7f];
            first |= fromC.first | fromD.first;
            second |= fromC.second | fromD.second;
        }
        subkeys[2 * round] = first;
        subkeys[2 * round + 1] = second;
    }
}

int TripleDesSetKey2(TripleDesContext* ctx, const unsigned char k1[8], const unsigned char k2[8])
{
    uint32_t* const enc = ctx->encryptKeys;
    uint32_t* const dec = ctx->decryptKeys;
    DesSetKey(enc, k1);
    DesSetKey(dec + 32, k2);
    ReverseRounds(dec, enc);
    ReverseRounds(enc + 32, dec + 32);
    std::memcpy(enc + 64, enc, 32 * sizeof(uint32_t));
    std::memcpy(dec + 64, dec, 32 * sizeof(uint32_t));
    return 0;
}

void TripleDesCryptBlock(const uint32_t schedule[96], const unsigned char in[8], unsigned char out[8])
{
    uint32_t l = LoadBigEndian(in);
    uint32_t r = LoadBigEndian(in + 4);
    InitialPermutation(l, r);
    // The output swap of one stage and the input of the next cancel, except
    // that the halves change roles.
    CV_DES_STAGE(l, r, schedule);
    CV_DES_STAGE(r, l, schedule + 32);
    CV_DES_STAGE(l, r, schedule + 64);
    FinalPermutation(r, l);
    StoreBigEndian(out, r);
    StoreBigEndian(out + 4, l);
}

#undef CV_DES_STAGE
#undef CV_DES_ROUND

void TripleDesEncryptBuffer(
    const TripleDesContext* ctx, const unsigned char* in, int32_t inLength, unsigned char* out, int32_t* outLength)
{
    CryptBuffer<true>(ctx, in, inLength, out, outLength);
}

void TripleDesDecryptBuffer(
    const TripleDesContext* ctx, const unsigned char* in, int32_t inLength, unsigned char* out, int32_t* outLength)
{
    CryptBuffer<false>(ctx, in, inLength, out, outLength);
}

} // namespace TORVELIB
