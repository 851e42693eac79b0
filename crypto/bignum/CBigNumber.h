// Arbitrary-length unsigned integer, sized for RSA: parsing from text,
// reading bytes out, and modular exponentiation with an odd modulus.
#pragma once

#include <cstdint>

class CBigNumber
{
public:
    CBigNumber();
    virtual ~CBigNumber();

    CBigNumber(const CBigNumber&) = delete;
    CBigNumber& operator=(const CBigNumber&) = delete;

    // Operations return 0 on success and -1 when memory runs out, in which
    // case the number keeps its previous store.

    // Grows the store to at least `words` words, rounded up to even.
    int Reserve(uint32_t words);
    int SetWord(uint32_t w);
    int Copy(const CBigNumber& source);
    int AddWord(uint32_t w);
    // this = source * w. `source` may be this number.
    int MulWord(const CBigNumber& source, uint32_t w);

    enum { Decimal = 1, Hexadecimal = 2 };
    // Parses zero-terminated digits (radix code 1 decimal, 2 hexadecimal).
    // Returns 1 on success; 0 on a bad character, keeping the value of the
    // digits before it, or on a bad radix code, changing nothing.
    int FromString(int radix, const char* text);
    int FromString(const char* text);

    uint32_t BitLength() const;
    // Writes bytes offset + count - 1 down to offset (0 = least significant),
    // so the output is big-endian; positions above the value read as zero.
    void GetBytes(unsigned char* out, uint32_t offset, uint32_t count) const;

    // result = base ^ exponent mod modulus. Returns -1 for a zero or even
    // modulus (writing nothing) or when memory runs out.
    static int ModExp(
        CBigNumber& result, const CBigNumber& base, const CBigNumber& exponent, const CBigNumber& modulus);

    const uint32_t* Words() const { return m_words; }
    uint32_t Length() const { return m_length; }
    uint32_t Capacity() const { return m_capacity; }

private:
    uint32_t* m_words;
    uint32_t m_length;
    uint32_t m_capacity;
};
