// Key blocks enciphered through CBigNumber, so that tests need no OpenSSL and
// run on Windows too: with the private half of the key this build reads with.
#pragma once

#include "bignum/CBigNumber.h"
#include "cvcrypto_keys.h"
#include "testutil.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace devkey {

using Bytes = cvtest::Bytes;

// A k-byte block: B[0] = 0, the type, J low byte first, filler, data last.
inline Bytes Block(uint32_t k, unsigned char type, uint32_t j, const Bytes& data)
{
    Bytes b = { 0, type, static_cast<unsigned char>(j), static_cast<unsigned char>(j >> 8) };
    b.resize(k - data.size(), 0x5C);
    b.insert(b.end(), data.begin(), data.end());
    return b;
}

// Whether containers can be built for this build's reader, with the private
// half of the key that the build hands over from its key file. A case calls it
// first and returns when it cannot: a missing key file skips the case, a key
// file that does not fit fails it.
inline bool HaveBuildKey()
{
    if (!*CV_TEST_KEY_FILE) {
        cvtest::skip(CV_KEY_PROBLEM);
        return false;
    }
    if (*CV_KEY_PROBLEM) {
        cvtest::fail(__FILE__, __LINE__, CV_KEY_PROBLEM);
        return false;
    }
    if (std::strcmp(CV_KEY_MODULUS, TORVELIB::keys::kRsaModulus) != 0
        || std::strtoul(CV_KEY_LENGTH_MASK, nullptr, 16) != TORVELIB::keys::kLengthMask
        || std::strtoul(CV_KEY_KEYTEXT_MASK, nullptr, 16) != TORVELIB::keys::kKeyTextMask) {
        cvtest::fail(__FILE__, __LINE__, "the key file is not the key and masks this build was configured with");
        return false;
    }
    return true;
}

// The 1024-bit key block enciphered with the build's private exponent, as
// unmasked key text without leading zeros.
inline std::string KeyText(const Bytes& data, uint32_t j, unsigned char type = 0x02)
{
    if (!*CV_KEY_MODULUS)
        return "1"; // the case skips or fails through HaveBuildKey
    CBigNumber m, c, d, n;
    m.FromString(cvtest::hex(Block(128, type, j, data)).c_str());
    d.FromString(CV_KEY_PRIVATE_EXPONENT);
    n.FromString(CV_KEY_MODULUS);
    CBigNumber::ModExp(c, m, d, n);
    Bytes out(128);
    c.GetBytes(out.data(), 0, 128);
    const std::string text = cvtest::hex(out);
    return text.substr(text.find_first_not_of('0'));
}

} // namespace devkey
