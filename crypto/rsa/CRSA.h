// Raw RSA with the public exponent, for opening the key block of a data file.
#pragma once

#include "bignum/CBigNumber.h"

#include <cstdint>

namespace TORVELIB {

class CRSA
{
public:
    CRSA();
    virtual ~CRSA();

    CRSA(const CRSA&) = delete;
    CRSA& operator=(const CRSA&) = delete;

    // The key is loaded by parsing hexadecimal text straight into these.
    CBigNumber& PublicExponent() { return m_e; }
    CBigNumber& Modulus() { return m_n; }
    const CBigNumber& PublicExponent() const { return m_e; }
    const CBigNumber& Modulus() const { return m_n; }

    // Opens c (m = c^e mod n) and unpacks a key block of type 2 into `out`.
    // Returns the data length, or -1 when the exponentiation fails (zero or
    // even modulus, no memory), or an UnpackKeyBlock error.
    int Decrypt(unsigned char* out, uint32_t capacity, const CBigNumber& c);

    // Reads m as a k-byte big-endian block B: B[1] is the type, B[2..3] the
    // data length J (low byte first), and the data fills the last J bytes.
    // Copies the data and a zero byte after it into `out` and returns J;
    // -3 for another type, -2 when J + 1 exceeds `capacity`. On an error
    // `out` is not touched.
    static int UnpackKeyBlock(unsigned char* out, uint32_t capacity, const CBigNumber& m, unsigned type, uint32_t k);

private:
    // The record of a whole key pair, of which a reader loads only e and n;
    // the other numbers stay empty and cost a few words.
    CBigNumber m_first;
    CBigNumber m_second;
    CBigNumber m_e;
    CBigNumber m_fourth;
    CBigNumber m_n;
    CBigNumber m_sixth;
    uint32_t m_reserved;
};

} // namespace TORVELIB
