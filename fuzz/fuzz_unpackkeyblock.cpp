// Key-block unpacking over arbitrary numbers, capacities, types and block
// sizes, against a model computed straight from the input bytes. The output
// buffer is exactly `capacity` bytes, so any write past it is caught.
#include "bignum/CBigNumber.h"
#include "rsa/CRSA.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 5)
        return 0;
    const uint32_t capacity = data[0] | (uint32_t(data[1]) << 8);
    const unsigned type = data[2];
    const uint32_t k = data[3] | (uint32_t(data[4]) << 8);
    // m, big-endian, leading zeros allowed.
    const uint8_t* m = data + 5;
    const size_t mLength = size - 5;

    static const char digits[] = "0123456789ABCDEF";
    std::string hex;
    for (size_t i = 0; i < mLength; ++i) {
        hex += digits[m[i] >> 4];
        hex += digits[m[i] & 15];
    }
    CBigNumber number;
    if (number.FromString(hex.c_str()) != 1)
        std::abort();

    // Byte at position p counted from the least significant end; zero above.
    auto byteAt
        = [&](int64_t p) -> uint32_t { return p >= 0 && uint64_t(p) < mLength ? m[mLength - 1 - size_t(p)] : 0; };
    auto blockByte = [&](uint32_t i) { return byteAt(int64_t(k) - 1 - i); };

    const unsigned char fill = 0xA5;
    std::vector<unsigned char> out(capacity, fill);
    const int result = TORVELIB::CRSA::UnpackKeyBlock(out.data(), capacity, number, type, k);

    const uint32_t j = blockByte(2) + 256 * blockByte(3);
    int expected;
    if (blockByte(1) != type)
        expected = -3;
    else if (uint64_t(j) + 1 > capacity)
        expected = -2;
    else
        expected = int(j);
    if (result != expected)
        std::abort();

    for (uint32_t i = 0; i < capacity; ++i) {
        unsigned want = fill;
        if (result >= 0 && i < j)
            want = byteAt(int64_t(j) - 1 - i);
        else if (result >= 0 && i == j)
            want = 0;
        if (out[i] != want)
            std::abort();
    }
    return 0;
}
