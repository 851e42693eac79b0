// Containers built with the development key and CBlowfish, every field of
// which a test can set wrong on purpose.
#pragma once

#include "devkey_fixture.h"
#include "testutil.h"

#include "blowfish/CBlowfish.h"
#include "cvcrypto_keys.h"

#include <algorithm>
#include <cstdint>
#include <string>

namespace cvtest {

using devkey::KeyText;

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

    // Writes the file and reads it back as the library's caller does.
    Outcome Read(const Bytes* expected = nullptr, uint32_t expectedLength = 0) const
    {
        const Bytes bytes = Build();
        CV_CHECK(std::ofstream(file, std::ios::binary)
                     .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size())));
        return DecryptUtf8(file, plain, expected, expectedLength);
    }
};

} // namespace cvtest
