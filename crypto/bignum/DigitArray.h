// The arithmetic kernels over arrays of digits, least significant first, as
// templates on the digit type: 32-bit words with 64-bit products, or 64-bit
// digits with 128-bit products where the compiler has them. The word layer
// (WordArray.h) is the 32-bit instance; exponentiation uses the widest one,
// which quarters the number of multiplications on 64-bit hosts.
#pragma once

#include <cstdint>
#include <cstring>

namespace cvbignum {

template <class D> struct Wider;
template <> struct Wider<uint32_t> {
    using type = uint64_t;
};
#ifdef __SIZEOF_INT128__
// __extension__ keeps -Wpedantic quiet about the compiler's 128-bit type.
__extension__ typedef unsigned __int128 UInt128;
template <> struct Wider<uint64_t> {
    using type = UInt128;
};
#endif

template <class D> constexpr unsigned kDigitBits = 8 * sizeof(D);

// One step of a multiply-add row: (carry, r) = a * w + r + carry. Adding
// into the two halves separately lets the compiler use add-with-carry on
// single registers instead of double-width additions.
template <class D> inline void MulAddStep(D& r, D a, D w, D& carry)
{
    using W = typename Wider<D>::type;
    const W p = static_cast<W>(a) * w;
    D lo = static_cast<D>(p);
    D hi = static_cast<D>(p >> kDigitBits<D>);
    lo += r;
    hi += lo < r ? 1 : 0;
    lo += carry;
    hi += lo < carry ? 1 : 0;
    r = lo;
    carry = hi;
}

// r += a * w over n digits; returns the carry digit.
template <class D> inline D MulAddRow(D* r, const D* a, uint32_t n, D w)
{
    D c = 0;
    const D* end = a + (n & ~3u);
    for (; a != end; a += 4, r += 4) {
        MulAddStep(r[0], a[0], w, c);
        MulAddStep(r[1], a[1], w, c);
        MulAddStep(r[2], a[2], w, c);
        MulAddStep(r[3], a[3], w, c);
    }
    for (uint32_t i = 0; i < (n & 3u); ++i)
        MulAddStep(r[i], a[i], w, c);
    return c;
}

// r = a * w; returns the top digit. r may alias a.
template <class D> inline D MulRow(D* r, const D* a, uint32_t n, D w)
{
    using W = typename Wider<D>::type;
    D c = 0;
    for (uint32_t i = 0; i < n; ++i) {
        const W t = static_cast<W>(a[i]) * w + c;
        r[i] = static_cast<D>(t);
        c = static_cast<D>(t >> kDigitBits<D>);
    }
    return c;
}

// a += w; returns the carry out of the top digit.
template <class D> inline D AddDigit(D* a, uint32_t n, D w)
{
    for (uint32_t i = 0; i < n && w != 0; ++i) {
        a[i] += w;
        w = a[i] < w ? 1 : 0;
    }
    return w;
}

template <class D> inline D AddDigits(D* r, const D* a, const D* b, uint32_t n)
{
    D carry = 0;
    for (uint32_t i = 0; i < n; ++i) {
        const D x = a[i] + carry;
        carry = x < carry ? 1 : 0;
        r[i] = x + b[i];
        carry += r[i] < x ? 1 : 0;
    }
    return carry;
}

template <class D> inline D SubDigits(D* r, const D* a, const D* b, uint32_t n)
{
    D borrow = 0;
    for (uint32_t i = 0; i < n; ++i) {
        const D x = a[i];
        const D y = b[i] + borrow;
        borrow = (y < borrow ? 1 : 0) + (x < y ? 1 : 0);
        r[i] = x - y;
    }
    return borrow;
}

template <class D> inline int CompareDigits(const D* a, const D* b, uint32_t n)
{
    while (n-- > 0) {
        if (a[n] != b[n])
            return a[n] < b[n] ? -1 : 1;
    }
    return 0;
}

template <class D> inline D ShiftLeft1Digits(D* a, uint32_t n)
{
    D out = 0;
    for (uint32_t i = 0; i < n; ++i) {
        const D d = a[i];
        a[i] = static_cast<D>(d << 1) | out;
        out = d >> (kDigitBits<D> - 1);
    }
    return out;
}

// r[0..an+bn) = a * b, one multiply-add row per digit of b. r must not
// overlap a or b.
template <class D> inline void MulDigits(D* r, const D* a, uint32_t an, const D* b, uint32_t bn)
{
    if (an == 0 || bn == 0) {
        if (an + bn != 0)
            std::memset(r, 0, (an + bn) * sizeof(D));
        return;
    }
    r[an] = MulRow(r, a, an, b[0]);
    for (uint32_t j = 1; j < bn; ++j)
        r[an + j] = MulAddRow(r + j, a, an, b[j]);
}

// r[0..2n) = a * a with each cross product computed once. The diagonal
// squares are halved first so that adding the cross products and doubling
// the sum cannot overflow 2n digits; the bit lost by halving is the low bit
// of a[0]^2, which is the low bit of a[0].
template <class D> inline void SqrDigits(D* r, const D* a, uint32_t n)
{
    using W = typename Wider<D>::type;
    if (n == 0)
        return;
    // The squares and the halving in one pass: each square's low bit moves
    // into the top of the digit below.
    D carryDown = 0;
    for (uint32_t i = n; i-- > 0;) {
        const W sq = static_cast<W>(a[i]) * a[i];
        const D lo = static_cast<D>(sq);
        const D hi = static_cast<D>(sq >> kDigitBits<D>);
        r[2 * i + 1] = (hi >> 1) | carryDown;
        r[2 * i] = (lo >> 1) | static_cast<D>(hi << (kDigitBits<D> - 1));
        carryDown = static_cast<D>(lo << (kDigitBits<D> - 1));
    }
    for (uint32_t i = 0; i + 1 < n; ++i) {
        const D c = MulAddRow(r + 2 * i + 1, a + i + 1, n - 1 - i, a[i]);
        AddDigit(r + n + i, n - i, c);
    }
    ShiftLeft1Digits(r, 2 * n);
    r[0] |= a[0] & 1;
}

// Montgomery arithmetic modulo an odd N of s digits, R = 2^(digit bits * s).
template <class D> struct Montgomery {
    const D* n;
    uint32_t s;
    D k; // -N^-1 mod 2^(digit bits)

    Montgomery(const D* modulus, uint32_t digits)
        : n(modulus)
        , s(digits)
        , k(0)
    {
        // Newton's iteration doubles the correct low bits each step; an odd
        // n0 is its own inverse modulo 8 to start from.
        const D n0 = modulus[0];
        D x = n0;
        while (static_cast<D>(n0 * x) != 1)
            x = static_cast<D>(x * static_cast<D>(2 - n0 * x));
        k = static_cast<D>(0 - x);
    }

    // out = t * R^-1 mod N for t below N * R, held in t[0..2s); t is
    // destroyed. A multiple of N clears each low digit in turn; the carry
    // out of each row moves up one digit with the next row.
    void Reduce(D* out, D* t) const
    {
        using W = typename Wider<D>::type;
        D top = 0;
        for (uint32_t i = 0; i < s; ++i) {
            const D m = static_cast<D>(t[i] * k);
            const D c = MulAddRow(t + i, n, s, m);
            const W x = static_cast<W>(t[i + s]) + c + top;
            t[i + s] = static_cast<D>(x);
            top = static_cast<D>(x >> kDigitBits<D>);
        }
        D* r = t + s;
        while (top != 0 || CompareDigits(r, n, s) >= 0)
            top = static_cast<D>(top - SubDigits(r, r, n, s));
        std::memmove(out, r, s * sizeof(D));
    }

    // out = a * b / R mod N; t is 2s digits of scratch. out may alias a or b.
    void MulMod(D* out, const D* a, const D* b, D* t) const
    {
        MulDigits(t, a, s, b, s);
        Reduce(out, t);
    }

    // out = a * a / R mod N; t is 2s digits of scratch. out may alias a.
    void SqrMod(D* out, const D* a, D* t) const
    {
        SqrDigits(t, a, s);
        Reduce(out, t);
    }
};

} // namespace cvbignum
