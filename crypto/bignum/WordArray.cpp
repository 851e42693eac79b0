#include "bignum/WordArray.h"

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

// The inner rows below carry one 64-bit accumulator from word to word; the
// products themselves are independent, so unrolling by four lets them overlap.
inline Word MulAddRow(Word* r, const Word* a, uint32_t n, Word w)
{
    DWord c = 0;
    uint32_t i = 0;
    for (; i + 4 <= n; i += 4) {
        const DWord p0 = static_cast<DWord>(a[i]) * w + r[i];
        const DWord p1 = static_cast<DWord>(a[i + 1]) * w + r[i + 1];
        const DWord p2 = static_cast<DWord>(a[i + 2]) * w + r[i + 2];
        const DWord p3 = static_cast<DWord>(a[i + 3]) * w + r[i + 3];
        c += p0;
        r[i] = static_cast<Word>(c);
        c = (c >> 32) + p1;
        r[i + 1] = static_cast<Word>(c);
        c = (c >> 32) + p2;
        r[i + 2] = static_cast<Word>(c);
        c = (c >> 32) + p3;
        r[i + 3] = static_cast<Word>(c);
        c >>= 32;
    }
    for (; i < n; ++i) {
        c += static_cast<DWord>(a[i]) * w + r[i];
        r[i] = static_cast<Word>(c);
        c >>= 32;
    }
    return static_cast<Word>(c);
}

inline Word MulRow(Word* r, const Word* a, uint32_t n, Word w)
{
    DWord c = 0;
    for (uint32_t i = 0; i < n; ++i) {
        c += static_cast<DWord>(a[i]) * w;
        r[i] = static_cast<Word>(c);
        c >>= 32;
    }
    return static_cast<Word>(c);
}

} // namespace

Word AddWord(Word* a, uint32_t n, Word w)
{
    for (uint32_t i = 0; i < n && w != 0; ++i) {
        a[i] += w;
        w = a[i] < w ? 1 : 0;
    }
    return w;
}

Word Add(Word* r, const Word* a, const Word* b, uint32_t n)
{
    DWord c = 0;
    for (uint32_t i = 0; i < n; ++i) {
        c += static_cast<DWord>(a[i]) + b[i];
        r[i] = static_cast<Word>(c);
        c >>= 32;
    }
    return static_cast<Word>(c);
}

Word Sub(Word* r, const Word* a, const Word* b, uint32_t n)
{
    Word borrow = 0;
    for (uint32_t i = 0; i < n; ++i) {
        const DWord d = static_cast<DWord>(a[i]) - b[i] - borrow;
        r[i] = static_cast<Word>(d);
        borrow = static_cast<Word>(d >> 63);
    }
    return borrow;
}

Word MulWord(Word* r, const Word* a, uint32_t n, Word w)
{
    return MulRow(r, a, n, w);
}

Word MulAddWord(Word* r, const Word* a, uint32_t n, Word w)
{
    return MulAddRow(r, a, n, w);
}

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

int Compare(const Word* a, const Word* b, uint32_t n)
{
    while (n-- > 0) {
        if (a[n] != b[n])
            return a[n] < b[n] ? -1 : 1;
    }
    return 0;
}

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

Word ShiftLeft1(Word* a, uint32_t n)
{
    Word out = 0;
    for (uint32_t i = 0; i < n; ++i) {
        const Word w = a[i];
        a[i] = (w << 1) | out;
        out = w >> 31;
    }
    return out;
}

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

void Mul(Word* r, const Word* a, uint32_t an, const Word* b, uint32_t bn)
{
    if (an == 0 || bn == 0) {
        ZeroWords(r, an + bn);
        return;
    }
    r[an] = MulRow(r, a, an, b[0]);
    for (uint32_t j = 1; j < bn; ++j)
        r[an + j] = MulAddRow(r + j, a, an, b[j]);
}

void Sqr(Word* r, const Word* a, uint32_t n)
{
    if (n == 0)
        return;
    // The squares on the diagonal, halved, leave room for the cross products
    // to be added once and the whole doubled without overflowing 2n words;
    // the bit lost by halving is the low bit of a[0]^2, which is a[0]'s.
    for (uint32_t i = 0; i < n; ++i) {
        const DWord sq = static_cast<DWord>(a[i]) * a[i];
        r[2 * i] = static_cast<Word>(sq);
        r[2 * i + 1] = static_cast<Word>(sq >> 32);
    }
    ShiftRight(r, r, 2 * n, 1);
    for (uint32_t i = 0; i + 1 < n; ++i) {
        const Word c = MulAddRow(r + 2 * i + 1, a + i + 1, n - 1 - i, a[i]);
        AddWord(r + n + i, n - i, c);
    }
    ShiftLeft1(r, 2 * n);
    r[0] |= a[0] & 1;
}

Montgomery::Montgomery(const Word* modulus, uint32_t words)
    : n(modulus)
    , s(words)
    , k(0)
{
    // Newton's iteration doubles the correct low bits each step; an odd n0 is
    // its own inverse modulo 8 to start from.
    const Word n0 = modulus[0];
    Word x = n0;
    while (static_cast<Word>(n0 * x) != 1)
        x *= 2 - n0 * x;
    k = static_cast<Word>(0 - x);
}

void Montgomery::Reduce(Word* out, Word* t) const
{
    // Add the multiple of N that clears each low word in turn; the carry out
    // of each row moves up one word with the next row.
    Word top = 0;
    for (uint32_t i = 0; i < s; ++i) {
        const Word m = t[i] * k;
        const Word c = MulAddRow(t + i, n, s, m);
        const DWord x = static_cast<DWord>(t[i + s]) + c + top;
        t[i + s] = static_cast<Word>(x);
        top = static_cast<Word>(x >> 32);
    }
    Word* r = t + s;
    while (top != 0 || Compare(r, n, s) >= 0)
        top -= Sub(r, r, n, s);
    CopyWords(out, r, s);
}

void Montgomery::MulMod(Word* out, const Word* a, const Word* b, Word* t) const
{
    Mul(t, a, s, b, s);
    Reduce(out, t);
}

void Montgomery::SqrMod(Word* out, const Word* a, Word* t) const
{
    Sqr(t, a, s);
    Reduce(out, t);
}

} // namespace cvbignum
