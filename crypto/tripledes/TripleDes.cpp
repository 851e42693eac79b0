#include "tripledes/TripleDes.h"

#include "common/ByteOrder.h"
#include "common/SecureWipe.h"
#include "tripledes/TripleDesVector.h"

#include <atomic>
#include <cstring>
#include <utility>

// The 512-bit path is built for x86-64 with GCC or Clang, and chosen at run
// time. Not on Windows: MinGW's GCC does not align the stack to the 64 bytes
// of a spilled vector register, so there the portable code does all blocks.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__)) && !defined(_WIN32)
#define CV_DES_AVX512 1
// GCC 12's shifts and rotations start from an "undefined" vector that it then
// warns may be used uninitialized.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <immintrin.h>
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif
#endif

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

#ifdef CV_DES_AVX512

// Sixteen blocks at a time: lane j of one 512-bit vector holds the left half
// of block j, of another its right half. vpermi2d looks up a lane's index among
// 32 entries held in two registers and ignores the index bits above the fifth,
// so each S-box needs no mask, only its group shifted to the bottom: entries
// 0..31 come from one lookup, and for lanes whose sixth group bit is set a
// second, zero-masked lookup adds the difference to entries 32..63. Every
// entry is XORed into the round's result, the lookups of a round three inputs
// at a time.
struct SpVectorTables {
    uint32_t t[8][4][16];
};

constexpr SpVectorTables MakeSpVectorTables()
{
    SpVectorTables v {};
    for (int box = 0; box < 8; ++box) {
        for (int i = 0; i < 32; ++i) {
            v.t[box][i / 16][i % 16] = kSp.t[box][i];
            v.t[box][2 + i / 16][i % 16] = kSp.t[box][32 + i] ^ kSp.t[box][i];
        }
    }
    return v;
}

alignas(64) constexpr SpVectorTables kSpVec = MakeSpVectorTables();

#define CV_AVX512 __attribute__((target("avx512f")))

CV_AVX512 inline __m512i Xor3(__m512i a, __m512i b, __m512i c) { return _mm512_ternarylogic_epi32(a, b, c, 0x96); }

// The table lookup of S-box Box for the group at bits Shift to Shift + 5 of x,
// as the XOR of two parts.
template <int Box, int Shift> CV_AVX512 inline void SpLookup(__m512i x, __m512i& low, __m512i& high)
{
    const __m512i index = _mm512_srli_epi32(x, Shift);
    const __mmask16 upper = _mm512_test_epi32_mask(x, _mm512_set1_epi32(0x20 << Shift));
    low = _mm512_permutex2var_epi32(_mm512_load_si512(kSpVec.t[Box][0]), index, _mm512_load_si512(kSpVec.t[Box][1]));
    high = _mm512_maskz_permutex2var_epi32(
        upper, _mm512_load_si512(kSpVec.t[Box][2]), index, _mm512_load_si512(kSpVec.t[Box][3]));
}

// a ^ f(b, subkeys k[0], k[1]), laid out as in CV_DES_ROUND.
CV_AVX512 inline __m512i VectorRound(__m512i a, __m512i b, const uint32_t* k)
{
    const __m512i u = _mm512_xor_si512(_mm512_ror_epi32(b, 4), _mm512_set1_epi32(int(k[0])));
    const __m512i t = _mm512_xor_si512(b, _mm512_set1_epi32(int(k[1])));
    __m512i p[16];
    SpLookup<6, 0>(u, p[0], p[1]);
    SpLookup<4, 8>(u, p[2], p[3]);
    SpLookup<2, 16>(u, p[4], p[5]);
    SpLookup<0, 24>(u, p[6], p[7]);
    SpLookup<7, 0>(t, p[8], p[9]);
    SpLookup<5, 8>(t, p[10], p[11]);
    SpLookup<3, 16>(t, p[12], p[13]);
    SpLookup<1, 24>(t, p[14], p[15]);
    const __m512i x = Xor3(Xor3(p[0], p[1], p[2]), Xor3(p[3], p[4], p[5]), Xor3(p[6], p[7], p[8]));
    const __m512i y = Xor3(Xor3(p[9], p[10], p[11]), Xor3(p[12], p[13], p[14]), p[15]);
    return Xor3(a, x, y);
}

// One exchange-and-mask step of the initial and final permutations.
template <int Shift> CV_AVX512 inline void VectorSwapMove(__m512i& a, __m512i& b, uint32_t mask)
{
    const __m512i w = _mm512_and_si512(_mm512_xor_si512(_mm512_srli_epi32(a, Shift), b), _mm512_set1_epi32(int(mask)));
    b = _mm512_xor_si512(b, w);
    a = _mm512_xor_si512(a, _mm512_slli_epi32(w, Shift));
}

// Big-endian words from the little-endian lanes: bytes exchanged within each
// half, then the halves exchanged (there is no byte shuffle in AVX-512F).
CV_AVX512 inline __m512i VectorByteSwap(__m512i x)
{
    const __m512i y = _mm512_ternarylogic_epi32(
        _mm512_slli_epi32(x, 8), _mm512_srli_epi32(x, 8), _mm512_set1_epi32(0x00ff00ff), 0xd8);
    return _mm512_rol_epi32(y, 16);
}

// Whole blocks sixteen at a time, as CryptTwoBlocks does them, the last
// sixteen or fewer through masked loads and stores, which touch no memory
// outside the blocks. Both input vectors of a group are loaded before its
// output is stored, so in and out may alias.
CV_AVX512 void CryptBlocksAvx512(
    const uint32_t schedule[96], const unsigned char* in, unsigned char* out, int64_t blocks)
{
    const __m512i even = _mm512_setr_epi32(0, 2, 4, 6, 8, 10, 12, 14, 16, 18, 20, 22, 24, 26, 28, 30);
    const __m512i odd = _mm512_add_epi32(even, _mm512_set1_epi32(1));
    const __m512i front = _mm512_setr_epi32(0, 16, 1, 17, 2, 18, 3, 19, 4, 20, 5, 21, 6, 22, 7, 23);
    const __m512i back = _mm512_add_epi32(front, _mm512_set1_epi32(8));
    for (; blocks > 0; blocks -= 16, in += 128, out += 128) {
        const int words = blocks < 16 ? int(2 * blocks) : 32;
        const auto low = __mmask16(words < 16 ? (1u << words) - 1 : 0xffffu);
        const auto high = __mmask16(words > 16 ? (1u << (words - 16)) - 1 : 0);
        const __m512i first = VectorByteSwap(_mm512_maskz_loadu_epi32(low, in));
        const __m512i second = VectorByteSwap(_mm512_maskz_loadu_epi32(high, in + 64));
        __m512i l = _mm512_permutex2var_epi32(first, even, second);
        __m512i r = _mm512_permutex2var_epi32(first, odd, second);
        VectorSwapMove<4>(l, r, 0x0f0f0f0fu);
        VectorSwapMove<16>(l, r, 0x0000ffffu);
        VectorSwapMove<2>(r, l, 0x33333333u);
        VectorSwapMove<8>(r, l, 0x00ff00ffu);
        r = _mm512_rol_epi32(r, 1);
        VectorSwapMove<0>(l, r, 0xaaaaaaaau);
        l = _mm512_rol_epi32(l, 1);
        for (const uint32_t* k = schedule; k != schedule + 96; k += 32) {
            for (int n = 0; n < 32; n += 4) {
                l = VectorRound(l, r, k + n);
                r = VectorRound(r, l, k + n + 2);
            }
            std::swap(l, r);
        }
        l = _mm512_ror_epi32(l, 1);
        VectorSwapMove<0>(l, r, 0xaaaaaaaau);
        r = _mm512_ror_epi32(r, 1);
        VectorSwapMove<8>(r, l, 0x00ff00ffu);
        VectorSwapMove<2>(r, l, 0x33333333u);
        VectorSwapMove<16>(l, r, 0x0000ffffu);
        VectorSwapMove<4>(l, r, 0x0f0f0f0fu);
        _mm512_mask_storeu_epi32(out, low, VectorByteSwap(_mm512_permutex2var_epi32(l, front, r)));
        _mm512_mask_storeu_epi32(out + 64, high, VectorByteSwap(_mm512_permutex2var_epi32(l, back, r)));
    }
}

#undef CV_AVX512

#endif

// Reverses the round order of one 16-round stage (each round's two words stay together).
void ReverseRounds(uint32_t* dst, const uint32_t* src)
{
    for (int i = 0; i < 16; ++i) {
        dst[2 * i] = src[30 - 2 * i];
        dst[2 * i + 1] = src[31 - 2 * i];
    }
}

std::atomic<bool> vectorPathAllowed { true };

bool UseVectorPath()
{
#ifdef CV_DES_AVX512
    static const bool supported = __builtin_cpu_supports("avx512f") != 0;
    return supported && vectorPathAllowed.load(std::memory_order_relaxed);
#else
    return false;
#endif
}

template <bool Encrypt>
void CryptBuffer(
    const TripleDesContext* ctx, const unsigned char* in, int32_t inLength, unsigned char* out, int32_t* outLength)
{
    const uint32_t* schedule = Encrypt ? ctx->encryptKeys : ctx->decryptKeys;
    *outLength = 0;
    const int64_t blocks = (int64_t(inLength) + 7) / 8;
    // Whole blocks go straight from the input, sixteen to a vector where the
    // processor has the vector code, else two at a time; the zero-filled work
    // block serves what is left, including a last partial block.
    const int64_t whole = inLength > 0 ? inLength / 8 : 0;
    int64_t i = 0;
#ifdef CV_DES_AVX512
    // One vector takes about as long as four blocks by the portable code, so
    // fewer than four left over after the full vectors go the portable way.
    const int64_t vectorBlocks = whole % 16 < 4 ? whole / 16 * 16 : whole;
    if (vectorBlocks > 0 && UseVectorPath()) {
        CryptBlocksAvx512(schedule, in, out, vectorBlocks);
        i = vectorBlocks;
        *outLength = int32_t(8 * i);
    }
#endif
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

namespace tripledes_detail {

bool SetVectorPath(bool allowed)
{
    vectorPathAllowed.store(allowed, std::memory_order_relaxed);
    return UseVectorPath();
}

} // namespace tripledes_detail

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
