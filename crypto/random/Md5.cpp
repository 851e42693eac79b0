#include "random/Md5.h"

#include <cstring>

namespace TORVELIB {
namespace md5_detail {

const uint32_t kStandardIv[4] = { 0x67452301u, 0xefcdab89u, 0x98badcfeu, 0x10325476u };
const uint32_t kPoolIv[4] = { 0x6a09e667u, 0xbb67ae85u, 0x3c6ef372u, 0xa54ff53au };

namespace {

inline uint32_t Rotl(uint32_t v, unsigned n) { return (v << n) | (v >> (32 - n)); }

inline uint32_t LoadLittleEndian(const unsigned char* p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

inline void StoreLittleEndian(unsigned char* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<unsigned char>(v >> (8 * i));
}

// Per step: the additive constant floor(abs(sin(i + 1)) * 2^32) and the rotation.
// clang-format off
constexpr uint32_t kT[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391,
};
// clang-format on

constexpr unsigned kRot[4][4] = { { 7, 12, 17, 22 }, { 5, 9, 14, 20 }, { 4, 11, 16, 23 }, { 6, 10, 15, 21 } };

} // namespace

void Md5Compress(uint32_t state[4], const unsigned char block[64])
{
    uint32_t x[16];
    for (int i = 0; i < 16; ++i)
        x[i] = LoadLittleEndian(block + 4 * i);

    uint32_t a = state[0];
    uint32_t b = state[1];
    uint32_t c = state[2];
    uint32_t d = state[3];
    for (int i = 0; i < 64; ++i) {
        uint32_t f;
        int g;
        switch (i / 16) {
        case 0:
            f = (b & c) | (~b & d);
            g = i;
            break;
        case 1:
            f = (d & b) | (~d & c);
            g = (5 * i + 1) % 16;
            break;
        case 2:
            f = b ^ c ^ d;
            g = (3 * i + 5) % 16;
            break;
        default:
            f = c ^ (b | ~d);
            g = (7 * i) % 16;
            break;
        }
        const uint32_t rotated = b + Rotl(a + f + x[g] + kT[i], kRot[i / 16][i % 4]);
        a = d;
        d = c;
        c = b;
        b = rotated;
    }
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
}

void Md5Digest(const uint32_t iv[4], const unsigned char* data, size_t n, unsigned char digest[16])
{
    uint32_t state[4] = { iv[0], iv[1], iv[2], iv[3] };
    size_t done = 0;
    for (; n - done >= 64; done += 64)
        Md5Compress(state, data + done);

    // A 0x80 byte, zeros up to 56 mod 64, then the bit length, little-endian.
    unsigned char tail[128] = {};
    const size_t rest = n - done;
    if (rest != 0)
        std::memcpy(tail, data + done, rest);
    tail[rest] = 0x80;
    const size_t tailLength = rest < 56 ? 64 : 128;
    const uint64_t bits = uint64_t(n) * 8;
    for (int i = 0; i < 8; ++i)
        tail[tailLength - 8 + i] = static_cast<unsigned char>(bits >> (8 * i));
    Md5Compress(state, tail);
    if (tailLength == 128)
        Md5Compress(state, tail + 64);

    for (int i = 0; i < 4; ++i)
        StoreLittleEndian(digest + 4 * i, state[i]);
}

} // namespace md5_detail
} // namespace TORVELIB
