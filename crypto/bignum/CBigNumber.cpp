#include "bignum/CBigNumber.h"

#include "bignum/DigitArray.h"
#include "bignum/WordArray.h"
#include "common/SecureWipe.h"

#include <cstdlib>
#include <cstring>

using namespace cvbignum;

namespace {

inline Word ExponentBit(const Word* e, int64_t i) { return (e[i >> 5] >> (i & 31)) & 1; }

// Sliding-window width by exponent size: wider windows cost more odd powers
// up front and save multiplications over a long exponent.
struct WindowBand {
    uint32_t maxBits;
    unsigned width;
};
constexpr WindowBand kWindowBands[] = {
    { 5, 1 },
    { 23, 2 },
    { 80, 3 },
    { 240, 4 },
    { 672, 5 },
    { 1792, 6 },
    { 0xFFFFFFFFu, 7 },
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
void FreeBytes(void* p, size_t n)
{
    if (p == nullptr)
        return;
    TORVELIB::SecureWipe(p, n);
    std::free(p);
}

void FreeWords(Word* p, uint64_t n) { FreeBytes(p, static_cast<size_t>(n) * sizeof(Word)); }

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

// Exponentiation runs on the widest digits the compiler multiplies natively;
// the numbers themselves stay in 32-bit words.
#ifdef __SIZEOF_INT128__
using ExpDigit = uint64_t;
#else
using ExpDigit = uint32_t;
#endif

template <class D> constexpr uint32_t kWordsPerDigit = sizeof(D) / sizeof(Word);

template <class D> void PackDigits(D* out, const Word* in, uint32_t words, uint32_t digits)
{
    for (uint32_t i = 0; i < digits; ++i) {
        D d = 0;
        for (uint32_t j = 0; j < kWordsPerDigit<D>; ++j) {
            const uint32_t w = i * kWordsPerDigit<D> + j;
            if (w < words)
                d |= static_cast<D>(static_cast<D>(in[w]) << (32 * j));
        }
        out[i] = d;
    }
}

template <class D> void UnpackDigits(Word* out, const D* in, uint32_t words)
{
    for (uint32_t w = 0; w < words; ++w)
        out[w] = static_cast<Word>(in[w / kWordsPerDigit<D>] >> (32 * (w % kWordsPerDigit<D>)));
}

// What one exponentiation needs besides the numbers themselves.
struct ExpInput {
    const Word* base; // general path: the base, bl words
    uint32_t bl;
    uint64_t powerOfTwo; // doubling path: the leading exponent bits t of 2^t
    bool doubling;
    const Word* e;
    int64_t topBit; // highest exponent bit still to process
    const Word* n;
    uint32_t s;
};

// base ^ e mod N in Montgomery form with R = 2^(digit bits * digits), into
// out[0..s). All work storage is allocated here, once; the odd powers are
// allocated one by one so that a shortage only narrows the window.
template <class D> int ModExpDigits(Word* out, const ExpInput& in, unsigned width)
{
    const uint32_t s = in.s;
    const uint32_t digits = (s + kWordsPerDigit<D> - 1) / kWordsPerDigit<D>;
    const uint32_t rWords = digits * kWordsPerDigit<D>;
    // x * R for the long division that enters Montgomery form, its spare word
    // and the divisor's scratch.
    const uint64_t xWords = in.doubling ? s : in.bl;
    const uint64_t convWords = rWords + xWords + 1 + s;
    // Padded modulus, first odd power, running value, double-length product.
    const uint64_t digitCount = 5 * static_cast<uint64_t>(digits);
    const uint64_t bytes = digitCount * sizeof(D) + convWords * sizeof(Word);
    if (bytes > SIZE_MAX)
        return -1;
    auto* block = static_cast<unsigned char*>(std::malloc(static_cast<size_t>(bytes)));
    if (block == nullptr)
        return -1;
    D* nd = reinterpret_cast<D*>(block);
    D* first = nd + digits;
    D* acc = first + digits;
    D* t = acc + digits;
    Word* conv = reinterpret_cast<Word*>(t + 2 * digits);

    uint32_t powers = in.doubling ? 1 : 1u << (width - 1);
    D* table[1u << (kMaxWindow - 1)];
    table[0] = first;
    uint32_t allocated = 1;
    while (allocated < powers) {
        table[allocated] = static_cast<D*>(std::malloc(digits * sizeof(D)));
        if (table[allocated] == nullptr)
            break;
        ++allocated;
    }
    while (powers > allocated) {
        powers >>= 1;
        --width;
    }
    for (uint32_t i = powers; i < allocated; ++i)
        std::free(table[i]);

    PackDigits(nd, in.n, s, digits);
    const Montgomery<D> mont(nd, digits);

    // Montgomery form of the starting value, x * R mod N, by long division.
    ZeroWords(conv, rWords);
    if (in.doubling) {
        ZeroWords(conv + rWords, s);
        conv[rWords + in.powerOfTwo / 32] = Word(1) << (in.powerOfTwo % 32);
    } else {
        CopyWords(conv + rWords, in.base, in.bl);
    }
    const uint32_t dividend = rWords + static_cast<uint32_t>(xWords);
    Remainder(conv, dividend, in.n, s, conv + dividend + 1);
    PackDigits(acc, conv, s, digits);

    const Word* e = in.e;
    if (in.doubling) {
        for (int64_t i = in.topBit; i >= 0; --i) {
            mont.SqrMod(acc, acc, t);
            if (ExponentBit(e, i) != 0) {
                // Doubling is a shift; one subtraction brings it below N.
                const D carry = ShiftLeft1Digits(acc, digits);
                if (carry != 0 || CompareDigits(acc, nd, digits) >= 0)
                    SubDigits(acc, acc, nd, digits);
            }
        }
    } else {
        // The odd powers base^1, base^3, ... each one multiplication by the
        // square apart.
        std::memcpy(first, acc, digits * sizeof(D));
        if (powers > 1) {
            mont.SqrMod(acc, first, t);
            for (uint32_t i = 1; i < powers; ++i)
                mont.MulMod(table[i], table[i - 1], acc, t);
        }
        // Left to right: one squaring per bit, one multiplication per window
        // of up to `width` bits that ends in a one bit. The first window
        // starts the value directly.
        bool started = false;
        int64_t i = in.topBit;
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
                std::memcpy(acc, table[value >> 1], digits * sizeof(D));
                started = true;
            }
            i = j - 1;
        }
    }

    // Leave Montgomery form: one reduction of the value extended with zeros.
    std::memcpy(t, acc, digits * sizeof(D));
    std::memset(t + digits, 0, digits * sizeof(D));
    mont.Reduce(acc, t);
    UnpackDigits(out, acc, s);

    for (uint32_t k = 1; k < powers; ++k)
        FreeBytes(table[k], digits * sizeof(D));
    FreeBytes(block, static_cast<size_t>(bytes));
    return 0;
}

} // namespace

CBigNumber::CBigNumber()
    : m_words(nullptr)
    , m_length(0)
    , m_capacity(0)
{ }

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
    // value * base + digit, applied to as many digits at once as one word
    // holds (10^9 and 16^7 stay below 2^32): the same value with one pass over
    // the number per group instead of one per digit.
    const unsigned perGroup = radix == Decimal ? 9 : 7;
    uint32_t group = 0;
    uint32_t scale = 1;
    unsigned count = 0;
    const auto flush = [&]() {
        const bool ok = count == 0 || (MulWord(*this, scale) == 0 && AddWord(group) == 0);
        group = 0;
        scale = 1;
        count = 0;
        return ok;
    };
    m_length = 0;
    for (const char* p = text; *p != 0; ++p) {
        const int digit = DigitValue(*p, base);
        if (digit < 0) {
            flush(); // a bad character keeps the digits before it
            return 0;
        }
        group = group * base + static_cast<uint32_t>(digit);
        scale *= base;
        if (++count == perGroup && !flush())
            return 0;
    }
    return flush() ? 1 : 0;
}

int CBigNumber::FromString(const char* text) { return FromString(Hexadecimal, text); }

uint32_t CBigNumber::BitLength() const { return cvbignum::BitLength(m_words, m_length); }

void CBigNumber::GetBytes(unsigned char* out, uint32_t offset, uint32_t count) const
{
    for (uint32_t i = 0; i < count; ++i) {
        const uint64_t position = static_cast<uint64_t>(offset) + count - 1 - i;
        const uint64_t word = position / 4;
        out[i] = word < m_length ? static_cast<unsigned char>(m_words[word] >> (8 * (position % 4))) : 0;
    }
}

int CBigNumber::ModExp(
    CBigNumber& result, const CBigNumber& base, const CBigNumber& exponent, const CBigNumber& modulus)
{
    const uint32_t s = Trim(modulus.m_words, modulus.m_length);
    if (s == 0 || (modulus.m_words[0] & 1) == 0)
        return -1;
    // The result is written while the exponent and modulus are still being
    // read, so those two must not share its store.
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
    // x^0 is 1 whatever the modulus, 1 included.
    if (exponentBits == 0)
        return result.SetWord(1);
    if (s == 1 && n[0] == 1) {
        result.m_length = 0;
        return 0;
    }
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

    ExpInput in { base.m_words, bl, 0, false, exponent.m_words, static_cast<int64_t>(exponentBits) - 1, n, s };
    if (bl == 1 && base.m_words[0] == 2) {
        // 2^e by doubling: the leading exponent bits t give 2^t, a single bit
        // below the modulus, with no multiplication until t would reach the
        // modulus bit length.
        const uint32_t modulusBits = cvbignum::BitLength(n, s);
        uint64_t t = 1;
        int64_t i = static_cast<int64_t>(exponentBits) - 2;
        while (i >= 0) {
            const uint64_t next = 2 * t + ExponentBit(exponent.m_words, i);
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
        in.doubling = true;
        in.powerOfTwo = t;
        in.topBit = i;
    }

    if (ModExpDigits<ExpDigit>(result.m_words, in, WindowWidth(exponentBits)) != 0)
        return -1;
    result.m_length = Trim(result.m_words, s);
    return 0;
}
