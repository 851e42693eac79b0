// Byte helpers, and the container reader called as the library's caller
// calls it, shared by the crypto and Windows tests.
#pragma once

#include "bignum/CBigNumber.h"
#include "container/CFileEncrypt.h"
#include "harness.h"
#include "platform/Utf8ToWide.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace cvtest {

using Bytes = std::vector<unsigned char>;

// n bytes of a fixed pseudo-random sequence.
inline Bytes Pattern(size_t n, unsigned seed = 1)
{
    Bytes b(n);
    for (uint32_t i = 0, x = seed * 2654435761u; i < n; ++i) {
        x = x * 1103515245u + 12345u;
        b[i] = static_cast<unsigned char>(x >> 16);
    }
    return b;
}

inline uint32_t Be32(const unsigned char* p) { return uint32_t(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3]; }

// Hex without leading zeros ("0" for zero); "?" when the top word is zero (not trimmed).
inline std::string Text(const CBigNumber& n)
{
    Bytes bytes(4 * size_t(n.Length()));
    n.GetBytes(bytes.data(), 0, uint32_t(bytes.size()));
    const std::string s = hex(bytes);
    const bool trimmed = n.Length() == 0 || n.Words()[n.Length() - 1] != 0;
    const size_t first = s.find_first_not_of('0');
    return !trimmed ? "?" : first == std::string::npos ? "0" : s.substr(first);
}

inline Bytes Slurp(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(f), {});
}

// What one DecryptFile call gave: 0 with *out untouched, `plain` followed by a
// zero byte, or anything else.
enum Outcome { kRefused, kPlain, kWrong };

inline Outcome Decrypt(
    const TORVELIB::WideChar* path, const Bytes& plain, const Bytes* check = nullptr, uint32_t checkLength = 0)
{
    unsigned char* const untouched = reinterpret_cast<unsigned char*>(uintptr_t(0x1234));
    unsigned char* out = untouched;
    const uint32_t n = TORVELIB::CFileEncrypt().DecryptFile(
        path, &out, check ? reinterpret_cast<const TORVELIB::WideChar*>(check->data()) : nullptr, checkLength);
    if (out == untouched)
        return n == 0 ? kRefused : kWrong;
    const bool same = out && n == plain.size() && (n == 0 || std::memcmp(out, plain.data(), n) == 0) && !out[n];
    std::free(out);
    return same ? kPlain : kWrong;
}

// Through a zero-filled 260-unit buffer, as the library's caller converts paths.
inline Outcome DecryptUtf8(
    const std::string& path, const Bytes& plain, const Bytes* check = nullptr, uint32_t checkLength = 0)
{
    TORVELIB::WideChar buffer[260] = {};
    TORVELIB::Utf8ToWide(path.c_str(), buffer, 260);
    return Decrypt(buffer, plain, check, checkLength);
}

} // namespace cvtest
