// Key blocks enciphered through CBigNumber, so that tests need no OpenSSL and
// run on Windows too: with the private half of the key this build reads with,
// taken from the key file the build was configured with.
#pragma once

#include "bignum/CBigNumber.h"
#include "cvcrypto_keys.h"
#include "testutil.h"

#include <cctype>
#include <fstream>
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

// The private half of the build's key, or why it is not at hand. `missing`
// means the build was not given a key file: the cases that need one skip.
struct BuildKey {
    std::string modulus;
    std::string privateExponent;
    std::string problem;
    bool missing = false;
};

// Parses cvdata's key file: "length-mask:" and "keytext-mask:" lines and an
// unencrypted PKCS#8 RSA key in PEM, and checks that it is the build's key.
inline BuildKey LoadBuildKey(const char* path)
{
    BuildKey key;
    if (!*path) {
        key.missing = true;
        key.problem
            = "no key file for this build's data-file key; configure with -DCVSETTINGS_TEST_KEY_FILE=<key file>";
        return key;
    }
    std::ifstream file(path);
    std::string line, base64;
    unsigned long lengthMask = 0, keyTextMask = 0;
    bool inPem = false;
    while (std::getline(file, line)) {
        if (line.rfind("length-mask:", 0) == 0)
            lengthMask = std::stoul(line.substr(12), nullptr, 16);
        else if (line.rfind("keytext-mask:", 0) == 0)
            keyTextMask = std::stoul(line.substr(13), nullptr, 16);
        else if (line.rfind("-----", 0) == 0)
            inPem = line.find("BEGIN") != std::string::npos;
        else if (inPem)
            base64 += line;
    }
    Bytes der;
    uint32_t bits = 0;
    int count = 0;
    for (char c : base64) {
        const char* const alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        const char* at = std::strchr(alphabet, c);
        if (!at || !c)
            continue;
        bits = bits << 6 | uint32_t(at - alphabet);
        if ((count += 6) >= 8)
            der.push_back(static_cast<unsigned char>(bits >> (count -= 8)));
    }
    // PrivateKeyInfo { version, algorithm, OCTET STRING { RSAPrivateKey { version, n, e, d, ... } } }:
    // walking into every SEQUENCE and OCTET STRING meets the integers in that order.
    std::vector<std::string> integers;
    for (size_t at = 0; der.size() - at >= 2;) {
        const unsigned char tag = der[at];
        size_t length = der[at + 1], n = length & 0x80 ? length & 0x7F : 0;
        for (at += 2, length = n ? 0 : length; n > 0 && at < der.size(); --n)
            length = length << 8 | der[at++];
        if (tag == 0x30 || tag == 0x04)
            continue;
        if (length > der.size() - at)
            break;
        if (tag == 0x02) {
            size_t from = at;
            while (from < at + length && der[from] == 0)
                ++from;
            integers.push_back(cvtest::hex(der.data() + from, at + length - from));
        }
        at += length;
    }
    if (integers.size() < 5)
        key.problem = std::string(path) + ": no RSA private key in the key file";
    else if ((key.modulus = integers[2]) != TORVELIB::keys::kRsaModulus
        || integers[3] != TORVELIB::keys::kRsaPublicExponent || lengthMask != TORVELIB::keys::kLengthMask
        || keyTextMask != TORVELIB::keys::kKeyTextMask)
        key.problem = std::string(path) + ": not the key and masks this build was configured with";
    key.privateExponent = integers.size() < 5 ? std::string() : integers[4];
    return key;
}

// Whether containers can be built for this build's reader. A case calls it
// first and returns when it cannot: a missing key file skips the case, a key
// file that does not fit fails it.
inline bool HaveBuildKey()
{
    static const BuildKey key = LoadBuildKey(CV_TEST_KEY_FILE);
    if (key.missing)
        cvtest::skip(key.problem);
    else if (!key.problem.empty())
        cvtest::fail(__FILE__, __LINE__, key.problem);
    return key.problem.empty();
}

// The 1024-bit key block enciphered with the build's private exponent, as
// unmasked key text without leading zeros.
inline std::string KeyText(const Bytes& data, uint32_t j, unsigned char type = 0x02)
{
    static const BuildKey key = LoadBuildKey(CV_TEST_KEY_FILE);
    if (!key.problem.empty())
        return "1"; // the case skips or fails through HaveBuildKey
    CBigNumber m, c, d, n;
    m.FromString(cvtest::hex(Block(128, type, j, data)).c_str());
    d.FromString(key.privateExponent.c_str());
    n.FromString(key.modulus.c_str());
    CBigNumber::ModExp(c, m, d, n);
    Bytes out(128);
    c.GetBytes(out.data(), 0, 128);
    const std::string text = cvtest::hex(out);
    return text.substr(text.find_first_not_of('0'));
}

} // namespace devkey
