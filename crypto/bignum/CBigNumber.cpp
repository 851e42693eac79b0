#include "bignum/CBigNumber.h"

#include "bignum/WordArray.h"

#include <cstdlib>
#include <cstring>

using namespace cvbignum;

namespace {

inline Word ExponentBit(const Word* e, int64_t i)
{
    return (e[i >> 5] >> (i & 31)) & 1;
}

// Sliding-window width by exponent size: wider windows cost more odd powers
// up front and save multiplications over a long exponent.
struct WindowBand {
    uint32_t maxBits;
    unsigned width;
};
constexpr WindowBand kWindowBands[] = {
    {5, 1}, {23, 2}, {80, 3}, {240, 4}, {672, 5}, {1792, 6}, {0xFFFFFFFFu, 7},
};
constexpr unsigned kMaxWindow = 7;

unsigned WindowWidth(uint32_t exponentBits)
{
    for (const WindowBand& band : kWindowBands) {
        if (exponentBits <= band.maxBits)
            return band.width;
    }
    return kMaxWindow;
}

Word* AllocWords(uint64_t n)
{
    if (n == 0 || n > SIZE_MAX / sizeof(Word))
        return nullptr;
    return static_cast<Word*>(std::malloc(static_cast<size_t>(n) * sizeof(Word)));
}

// Numbers here carry key material, so every store is cleared before release.
void FreeWords(Word* p, uint64_t n)
{
    if (p == nullptr)
        return;
    volatile Word* q = p;
    for (uint64_t i = 0; i < n; ++i)
        q[i] = 0;
    std::free(p);
}

int DigitValue(char c, uint32_t radix)
{
    int d;
    if (c >= '0' && c <= '9')
        d = c - '0';
    else if (c >= 'a' && c <= 'f')
        d = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
        d = c - 'A' + 10;
    else
        return -1;
    return static_cast<uint32_t>(d) < radix ? d : -1;
}

} // namespace

CBigNumber::CBigNumber()
    : m_words(nullptr)
    , m_length(0)
    , m_capacity(0)
{
}

CBigNumber::~CBigNumber()
{
    FreeWords(m_words, m_capacity);
    m_words = nullptr;
    m_length = 0;
    m_capacity = 0;
}

int CBigNumber::Reserve(uint32_t words)
{
    if (words <= m_capacity)
        return 0;
    const uint64_t capacity = (static_cast<uint64_t>(words) + 1) & ~uint64_t(1);
    if (capacity > 0xFFFFFFFFu)
        return -1;
    Word* store = AllocWords(capacity);
    if (store == nullptr)
        return -1;
    CopyWords(store, m_words, m_length);
    FreeWords(m_words, m_capacity);
    m_words = store;
    m_capacity = static_cast<uint32_t>(capacity);
    return 0;
}

int CBigNumber::SetWord(uint32_t w)
{
    if (w == 0) {
        m_length = 0;
        return 0;
    }
    if (Reserve(1) != 0)
        return -1;
    m_words[0] = w;
    m_length = 1;
    return 0;
}

int CBigNumber::Copy(const CBigNumber& source)
{
    if (&source == this)
        return 0;
    if (Reserve(source.m_length) != 0)
        return -1;
    CopyWords(m_words, source.m_words, source.m_length);
    m_length = source.m_length;
    return 0;
}

int CBigNumber::AddWord(uint32_t w)
{
    if (w == 0)
        return 0;
    if (m_length == 0)
        return SetWord(w);
    // A carry can only leave a top word of all ones; make room before
    // changing anything so that a failure leaves the value intact.
    if (m_words[m_length - 1] == 0xFFFFFFFFu && Reserve(m_length + 1) != 0)
        return -1;
    if (cvbignum::AddWord(m_words, m_length, w) != 0)
        m_words[m_length++] = 1;
    return 0;
}

int CBigNumber::MulWord(const CBigNumber& source, uint32_t w)
{
    if (w == 0 || source.m_length == 0) {
        m_length = 0;
        return 0;
    }
    if (w == 1)
        return Copy(source);
    const uint32_t n = source.m_length;
    if (Reserve(n + 1) != 0)
        return -1;
    const Word top = cvbignum::MulWord(m_words, source.m_words, n, w);
    m_length = n;
    if (top != 0)
        m_words[m_length++] = top;
    return 0;
}

int CBigNumber::FromString(int radix, const char* text)
{
    if ((radix != Decimal && radix != Hexadecimal) || text == nullptr)
        return 0;
    const uint32_t base = radix == Decimal ? 10 : 16;
    m_length = 0;
    for (const char* p = text; *p != 0; ++p) {
        const int digit = DigitValue(*p, base);
        if (digit < 0)
            return 0;
        if (MulWord(*this, base) != 0 || AddWord(static_cast<uint32_t>(digit)) != 0)
            return 0;
    }
    return 1;
}

int CBigNumber::FromString(const char* text)
{
    return FromString(Hexadecimal, text);
}

uint32_t CBigNumber::BitLength() const
{
    return cvbignum::BitLength(m_words, m_length);
}

void CBigNumber::GetBytes(unsigned char* out, uint32_t offset, uint32_t count) const
{
    for (uint32_t i = 0; i < count; ++i) {
        const uint64_t position = static_cast<uint64_t>(offset) + count - 1 - i;
        const uint64_t word = position / 4;
        out[i] = word < m_length ? static_cast<unsigned char>(m_words[word] >> (8 * (position % 4)))
                                 : 0;
    }
}

int CBigNumber::ModExp(CBigNumber& result, const CBigNumber& base, const CBigNumber& exponent,
                       const CBigNumber& modulus)
{
    const uint32_t s = Trim(modulus.m_words, modulus.m_length);
    if (s == 0 || (modulus.m_words[0] & 1) == 0)
        return -1;
    // The result's store holds the first odd power while the exponent and
    // modulus are still being read, so those two must not share it.
    if (&result == &exponent || &result == &modulus) {
        CBigNumber separate;
        const int rc = ModExp(separate, base, exponent, modulus);
        return rc != 0 ? rc : result.Copy(separate);
    }

    const Word* n = modulus.m_words;
    const uint32_t exponentBits = cvbignum::BitLength(exponent.m_words, exponent.m_length);
    const uint32_t bl = Trim(base.m_words, base.m_length);
    if (result.Reserve(s) != 0)
        return -1;
    if (s == 1 && n[0] == 1) {
        result.m_length = 0;
        return 0;
    }
    if (exponentBits == 0)
        return result.SetWord(1);
    if (bl == 0) {
        result.m_length = 0;
        return 0;
    }

    if (exponentBits == 1) {
        // base mod N: a base shorter than the modulus is already reduced.
        if (bl < s)
            return result.Copy(base);
        Word* work = AllocWords(static_cast<uint64_t>(bl) + 1 + s);
        if (work == nullptr)
            return -1;
        CopyWords(work, base.m_words, bl);
        Remainder(work, bl, n, s, work + bl + 1);
        CopyWords(result.m_words, work, s);
        result.m_length = Trim(result.m_words, s);
        FreeWords(work, static_cast<uint64_t>(bl) + 1 + s);
        return 0;
    }

    if (bl == 1 && base.m_words[0] == 2)
        return ModExpBase2(result, exponent, modulus);

    // Two work arrays, each long enough for base * R plus a spare word; the
    // first holds the running value, the second every double-length product.
    const uint64_t w = static_cast<uint64_t>(bl > s ? bl : s) + s + 1;
    Word* work = AllocWords(2 * w);
    if (work == nullptr)
        return -1;
    Word* acc = work;
    Word* t = work + w;

    unsigned width = WindowWidth(exponentBits);
    uint32_t powers = 1u << (width - 1);
    Word* table[1u << (kMaxWindow - 1)];
    table[0] = result.m_words;
    uint32_t allocated = 1;
    while (allocated < powers) {
        table[allocated] = AllocWords(s);
        if (table[allocated] == nullptr)
            break;
        ++allocated;
    }
    while (powers > allocated) {
        powers >>= 1;
        --width;
    }
    for (uint32_t i = powers; i < allocated; ++i)
        FreeWords(table[i], 0);

    // Montgomery form of the base: base * R mod N by long division.
    ZeroWords(acc, s);
    CopyWords(acc + s, base.m_words, bl);
    Remainder(acc, s + bl, n, s, t);

    const Montgomery mont(n, s);
    CopyWords(table[0], acc, s);
    if (powers > 1) {
        mont.SqrMod(acc, table[0], t);
        for (uint32_t i = 1; i < powers; ++i)
            mont.MulMod(table[i], table[i - 1], acc, t);
    }

    // Left to right: one squaring per bit, one multiplication per window
    // that ends in a one bit. The first window starts the value directly.
    const Word* e = exponent.m_words;
    bool started = false;
    int64_t i = static_cast<int64_t>(exponentBits) - 1;
    while (i >= 0) {
        if (ExponentBit(e, i) == 0) {
            mont.SqrMod(acc, acc, t);
            --i;
            continue;
        }
        int64_t j = i - static_cast<int64_t>(width) + 1;
        if (j < 0)
            j = 0;
        while (ExponentBit(e, j) == 0)
            ++j;
        uint32_t value = 0;
        for (int64_t k = i; k >= j; --k)
            value = (value << 1) | ExponentBit(e, k);
        if (started) {
            for (int64_t k = j; k <= i; ++k)
                mont.SqrMod(acc, acc, t);
            mont.MulMod(acc, acc, table[value >> 1], t);
        } else {
            CopyWords(acc, table[value >> 1], s);
            started = true;
        }
        i = j - 1;
    }

    // Leave Montgomery form; the first odd power's store becomes the result.
    CopyWords(t, acc, s);
    ZeroWords(t + s, s);
    mont.Reduce(result.m_words, t);
    result.m_length = Trim(result.m_words, s);

    for (uint32_t k = 1; k < powers; ++k)
        FreeWords(table[k], s);
    FreeWords(work, 2 * w);
    return 0;
}

int CBigNumber::ModExpBase2(CBigNumber& result, const CBigNumber& exponent, const CBigNumber& modulus)
{
    const Word* n = modulus.m_words;
    const uint32_t s = Trim(n, modulus.m_length);
    const uint32_t modulusBits = cvbignum::BitLength(n, s);
    const Word* e = exponent.m_words;
    const uint32_t exponentBits = cvbignum::BitLength(e, exponent.m_length);

    // The leading exponent bits t give 2^t, a single bit below the modulus,
    // so no multiplication is needed until t would reach its bit length.
    int64_t i = static_cast<int64_t>(exponentBits) - 2;
    uint64_t t = 1;
    while (i >= 0) {
        const uint64_t next = 2 * t + ExponentBit(e, i);
        if (next >= modulusBits)
            break;
        t = next;
        --i;
    }
    if (i < 0) {
        ZeroWords(result.m_words, s);
        result.m_words[t / 32] = Word(1) << (t % 32);
        result.m_length = static_cast<uint32_t>(t / 32) + 1;
        return 0;
    }

    const uint64_t w = 2 * static_cast<uint64_t>(s) + 1;
    Word* work = AllocWords(2 * w);
    if (work == nullptr)
        return -1;
    Word* acc = work;
    Word* scratch = work + w;

    // 2^t * R mod N.
    ZeroWords(acc, 2 * s);
    acc[s + t / 32] = Word(1) << (t % 32);
    Remainder(acc, 2 * s, n, s, scratch);

    const Montgomery mont(n, s);
    for (; i >= 0; --i) {
        mont.SqrMod(acc, acc, scratch);
        if (ExponentBit(e, i) != 0) {
            // Doubling is a shift; one subtraction brings it back below N.
            const Word out = ShiftLeft1(acc, s);
            if (out != 0 || Compare(acc, n, s) >= 0)
                Sub(acc, acc, n, s);
        }
    }

    CopyWords(scratch, acc, s);
    ZeroWords(scratch + s, s);
    mont.Reduce(result.m_words, scratch);
    result.m_length = Trim(result.m_words, s);
    FreeWords(work, 2 * w);
    return 0;
}
