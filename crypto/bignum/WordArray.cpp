#include "bignum/WordArray.h"

#include "bignum/DigitArray.h"

#include <cstring>

namespace cvbignum {

namespace {

inline unsigned LeadingZeros(Word w)
{
#if defined(__GNUC__) || defined(__clang__)
    return static_cast<unsigned>(__builtin_clz(w));
#else
    unsigned n = 0;
    while ((w & 0x80000000u) == 0) {
        w <<= 1;
        ++n;
    }
    return n;
#endif
}

} // namespace

Word AddWord(Word* a, uint32_t n, Word w) { return AddDigit(a, n, w); }

Word Add(Word* r, const Word* a, const Word* b, uint32_t n) { return AddDigits(r, a, b, n); }

Word Sub(Word* r, const Word* a, const Word* b, uint32_t n) { return SubDigits(r, a, b, n); }

Word MulWord(Word* r, const Word* a, uint32_t n, Word w) { return MulRow(r, a, n, w); }

Word MulAddWord(Word* r, const Word* a, uint32_t n, Word w) { return MulAddRow(r, a, n, w); }

Word MulSubWord(Word* r, const Word* a, uint32_t n, Word w)
{
    DWord carry = 0; // product carry
    Word borrow = 0;
    for (uint32_t i = 0; i < n; ++i) {
        carry += static_cast<DWord>(a[i]) * w;
        const Word low = static_cast<Word>(carry);
        carry >>= 32;
        const DWord d = static_cast<DWord>(r[i]) - low - borrow;
        r[i] = static_cast<Word>(d);
        borrow = static_cast<Word>(d >> 63);
    }
    return static_cast<Word>(carry) + borrow;
}

int Compare(const Word* a, const Word* b, uint32_t n) { return CompareDigits(a, b, n); }

Word ShiftLeft(Word* r, const Word* a, uint32_t n, unsigned bits)
{
    if (bits == 0) {
        if (r != a)
            std::memmove(r, a, n * sizeof(Word));
        return 0;
    }
    Word out = 0;
    for (uint32_t i = 0; i < n; ++i) {
        const Word w = a[i];
        r[i] = (w << bits) | out;
        out = w >> (32 - bits);
    }
    return out;
}

Word ShiftRight(Word* r, const Word* a, uint32_t n, unsigned bits)
{
    if (bits == 0) {
        if (r != a)
            std::memmove(r, a, n * sizeof(Word));
        return 0;
    }
    Word out = 0;
    while (n-- > 0) {
        const Word w = a[n];
        r[n] = (w >> bits) | out;
        out = w << (32 - bits);
    }
    return out;
}

Word ShiftLeft1(Word* a, uint32_t n) { return ShiftLeft1Digits(a, n); }

uint32_t Trim(const Word* a, uint32_t n)
{
    while (n > 0 && a[n - 1] == 0)
        --n;
    return n;
}

uint32_t BitLength(const Word* a, uint32_t n)
{
    n = Trim(a, n);
    if (n == 0)
        return 0;
    return 32 * n - LeadingZeros(a[n - 1]);
}

void CopyWords(Word* r, const Word* a, uint32_t n)
{
    if (n != 0 && r != a)
        std::memmove(r, a, n * sizeof(Word));
}

void ZeroWords(Word* r, uint32_t n)
{
    if (n != 0)
        std::memset(r, 0, n * sizeof(Word));
}

void Remainder(Word* num, uint32_t n, const Word* den, uint32_t m, Word* scratch)
{
    if (m == 1) {
        // One-word divisor: a 64-by-32 step per word, from the top down.
        const DWord d = den[0];
        DWord rem = 0;
        for (uint32_t i = n; i-- > 0;)
            rem = ((rem << 32) | num[i]) % d;
        ZeroWords(num, n);
        num[0] = static_cast<Word>(rem);
        return;
    }

    // Knuth's algorithm D. Normalising the divisor so its top bit is set makes
    // each quotient estimate at most two too large.
    const unsigned shift = LeadingZeros(den[m - 1]);
    Word* v = scratch;
    ShiftLeft(v, den, m, shift);
    num[n] = ShiftLeft(num, num, n, shift);
    const DWord vTop = v[m - 1];
    const DWord vNext = v[m - 2];
    const DWord base = DWord(1) << 32;

    for (uint32_t j = n - m + 1; j-- > 0;) {
        const DWord top = (static_cast<DWord>(num[j + m]) << 32) | num[j + m - 1];
        DWord q = top / vTop;
        DWord r = top - q * vTop;
        while (q >= base || q * vNext > ((r << 32) | num[j + m - 2])) {
            --q;
            r += vTop;
            if (r >= base)
                break;
        }
        const Word borrow = MulSubWord(num + j, v, m, static_cast<Word>(q));
        const Word high = num[j + m];
        num[j + m] = high - borrow;
        if (high < borrow) {
            // The estimate was one too large: add the divisor back.
            num[j + m] += Add(num + j, num + j, v, m);
        }
    }
    ShiftRight(num, num, m, shift);
}

void Mul(Word* r, const Word* a, uint32_t an, const Word* b, uint32_t bn) { MulDigits(r, a, an, b, bn); }

void Sqr(Word* r, const Word* a, uint32_t n) { SqrDigits(r, a, n); }

} // namespace cvbignum
