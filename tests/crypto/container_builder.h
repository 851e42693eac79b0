// Containers built with the build's key and CBlowfish, every field of which a
// test can set wrong on purpose. The key blocks are enciphered through
// CBigNumber, so that the tests need no OpenSSL and run on Windows too.
#pragma once

#include "testutil.h"

#include "blowfish/CBlowfish.h"
#include "cvcrypto_keys.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace cvtest {

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
        cvtest::skipReason() = CV_KEY_PROBLEM;
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

// 56 bytes, none of them zero.
const Bytes kPayloadKey = [] {
    Bytes key = Pattern(56, 3);
    for (unsigned char& b : key)
        b |= 1;
    return key;
}();
const std::string kKeyText = KeyText(kPayloadKey, 56);

inline size_t Padded(size_t n) { return (n + 15) / 16 * 16; }

// `plain` padded to `size` bytes and enciphered with Blowfish ECB.
inline Bytes Encipher(const Bytes& key, Bytes plain, size_t size)
{
    plain.resize(size, 0xC3);
    const TORVELIB::CBlowfish cipher(key.data(), key.size());
    for (size_t i = 0; i + 8 <= size; i += 8) {
        TORVELIB::SBlock b(cvtest::Be32(&plain[i]), cvtest::Be32(&plain[i + 4]));
        cipher.EncryptBlock(b);
        for (size_t k = 0; k < 8; ++k)
            plain[i + k] = static_cast<unsigned char>((k < 4 ? b.m_uil : b.m_uir) >> (24 - 8 * (k % 4)));
    }
    return plain;
}

// One container; every field can be set wrong on purpose.
struct Container {
    Bytes plain, check;
    std::string keyText = kKeyText;
    Bytes key = kPayloadKey;
    int64_t lengthField = -1, keyLengthField = -1, checkLengthField = -1; // the true lengths unless set
    int64_t payloadSize = -1; // the padded plaintext unless set
    size_t cutAt = SIZE_MAX; // where the file is cut short

    Bytes Build() const
    {
        Bytes out;
        auto put32 = [&out](uint64_t v) {
            for (int i = 0; i < 4; ++i)
                out.push_back(static_cast<unsigned char>(v >> (8 * i)));
        };
        put32((lengthField >= 0 ? uint64_t(lengthField) : plain.size()) ^ TORVELIB::keys::kLengthMask);
        put32(keyLengthField >= 0 ? uint64_t(keyLengthField) : keyText.size());
        for (char c : keyText)
            out.push_back(static_cast<unsigned char>(c) ^ TORVELIB::keys::kKeyTextMask);
        put32(checkLengthField >= 0 ? uint64_t(checkLengthField) : check.size());
        const Bytes checkBlock = Encipher(key, check, Padded(check.size()));
        const Bytes payload = Encipher(key, plain, payloadSize >= 0 ? size_t(payloadSize) : Padded(plain.size()));
        out.insert(out.end(), checkBlock.begin(), checkBlock.end());
        out.insert(out.end(), payload.begin(), payload.end());
        out.resize(std::min(out.size(), cutAt));
        return out;
    }

    std::string file = "tst_container.data"; // one per test executable, as they run in parallel

    void Write() const
    {
        const Bytes bytes = Build();
        CV_CHECK(std::ofstream(file, std::ios::binary)
                     .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size())));
    }

    // Writes the file and reads it back as the library's caller does.
    Outcome Read(const Bytes* expected = nullptr, uint32_t expectedLength = 0) const
    {
        Write();
        return DecryptUtf8(file, plain, expected, expectedLength);
    }
};

} // namespace cvtest
