// Reader of the encrypted product data files.
//
// Layout (integers unsigned 32-bit little-endian):
//   0        plaintext length XOR the build's length mask
//   4        K, length of the key text, at most 256
//   8        key text: the RSA-enciphered key block in hexadecimal, each byte
//            XORed with the build's key-text mask
//   8+K      L, length of the check value
//   12+K     check value, padded to 16 bytes and enciphered like the payload
//   ...      payload: the plaintext padded to 16 bytes, Blowfish ECB under
//            the payload key from the key block, up to the end of the file
#pragma once

#include "platform/Utf8ToWide.h"
#include "random/CRandomGenerator.h"
#include "rsa/CRSA.h"

#include <cstdint>

#ifdef _WIN32
// <windows.h> defines DecryptFile as a macro naming DecryptFileA or
// DecryptFileW. The member keeps its own name, and the two forwarders below
// serve callers that include <windows.h> before or after this header.
#pragma push_macro("DecryptFile")
#undef DecryptFile
#endif

namespace TORVELIB {

class CFileEncrypt
{
public:
    // Reseeds the runtime's pseudo-random generator (through the pool).
    CFileEncrypt();
    virtual ~CFileEncrypt();

    CFileEncrypt(const CFileEncrypt&) = delete;
    CFileEncrypt& operator=(const CFileEncrypt&) = delete;

    // Reads and deciphers the file at `path`. Returns the plaintext length and
    // stores in *out a malloc'd block of length + 16 bytes holding the
    // plaintext and a zero byte after it; the caller frees it. An empty
    // plaintext returns 0 with a block holding one zero byte. Any failure
    // returns 0 and leaves *out alone. When `expectedLength` is non-zero the
    // file's check value must equal the `expectedLength` bytes at `expected`.
    uint32_t DecryptFile(const WideChar* path, unsigned char** out, const WideChar* expected, uint32_t expectedLength);
#ifdef _WIN32
    uint32_t DecryptFileA(const WideChar* path, unsigned char** out, const WideChar* expected, uint32_t expectedLength)
    {
        return DecryptFile(path, out, expected, expectedLength);
    }
    uint32_t DecryptFileW(const WideChar* path, unsigned char** out, const WideChar* expected, uint32_t expectedLength)
    {
        return DecryptFile(path, out, expected, expectedLength);
    }
#endif

private:
    // Unmasks the zero-terminated key text in the 512-byte key buffer, opens
    // it with the build's public key and leaves the payload key there,
    // zero-terminated. Returns false when the key block does not open.
    bool DecryptKey(char* text);

    CRandomGenerator m_random;
    CRSA m_rsa;
    CRandomGenerator* m_randomGenerator;
};

} // namespace TORVELIB

#ifdef _WIN32
#pragma pop_macro("DecryptFile")
#endif
