// Internal to the random unit: MD5 with a caller-chosen starting state, so the
// pool can use chaining words of its own while the core is still checkable
// against the standard ones.
#pragma once

#include <cstddef>
#include <cstdint>

namespace TORVELIB {
namespace md5_detail {

// MD5's own initial chaining words.
extern const uint32_t kStandardIv[4];

// The entropy pool's chaining words: the first 32 fractional bits of the square
// roots of 2, 3, 5 and 7, so that they hide nothing.
extern const uint32_t kPoolIv[4];

// One application of the compression function to a 64-byte block.
void Md5Compress(uint32_t state[4], const unsigned char block[64]);

// The whole digest (padding and length included) of n bytes, started from iv.
void Md5Digest(const uint32_t iv[4], const unsigned char* data, size_t n, unsigned char digest[16]);

} // namespace md5_detail
} // namespace TORVELIB
