// Blowfish (16 rounds, 64-bit blocks) with deciphering in ECB, CBC and CFB modes.
// Bytes map to a block big-endian: bytes 0-3 form the left half, bytes 4-7 the right.
#pragma once

#include <cstddef>
#include <cstdint>

namespace TORVELIB {

// One 64-bit block as its left and right 32-bit halves.
struct SBlock {
    uint32_t m_uil;
    uint32_t m_uir;
    SBlock(uint32_t l = 0, uint32_t r = 0)
        : m_uil(l)
        , m_uir(r)
    { }
};

class CBlowfish final
{
public:
    enum { ECB = 0, CBC = 1, CFB = 2 };

    // Runs the key schedule once. Throws std::invalid_argument("Incorrect key length")
    // for an empty key; only the first 56 bytes of a longer key are used. The chain
    // is where every CBC or CFB call starts.
    CBlowfish(const unsigned char* ucKey, size_t keyLength, const SBlock& chain = SBlock(0, 0));
    // Clears the key schedule, which is as good as the key.
    ~CBlowfish();
    CBlowfish(const CBlowfish&) = default;
    CBlowfish& operator=(const CBlowfish&) = default;

    void EncryptBlock(SBlock& block) const;
    void DecryptBlock(SBlock& block) const;

    // Deciphers n bytes; in and out may be the same buffer. Any mode other than
    // CBC or CFB means ECB. Throws std::invalid_argument("Incorrect buffer length")
    // unless n is a non-zero multiple of 8.
    void Decrypt(const unsigned char* in, unsigned char* out, size_t n, int mode = ECB) const;

private:
    void Encipher(uint32_t& l, uint32_t& r) const;
    void Decipher(uint32_t& l, uint32_t& r) const;
    void Decipher4(const unsigned char* in, unsigned char* out) const; // 32 bytes, ECB

    SBlock m_initialChain;
    SBlock m_chain;
    uint32_t m_p[18];
    uint32_t m_s[4][256];
};

} // namespace TORVELIB
