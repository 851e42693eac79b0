// CBigNumber against OpenSSL's BN on random operands of 1 to 64 words.
#include "harness.h"

#include "bignum/CBigNumber.h"
#include "bignum/DigitArray.h"

#include <openssl/bn.h>
#include <openssl/crypto.h>

#include <random>

namespace {

std::mt19937_64 rng(20240607);
BN_CTX* const ctx = BN_CTX_new();

uint32_t RandomBelow(uint32_t n) { return uint32_t(rng() % n); }

struct Bn {
    BIGNUM* p = BN_new();
    ~Bn() { BN_free(p); }
};

// A random number of exactly `bits` bits, or of 1 to 32 bits less than `words` words.
void RandomBits(Bn& out, int bits, bool odd = false)
{
    BN_rand(out.p, bits, BN_RAND_TOP_ONE, odd ? BN_RAND_BOTTOM_ODD : BN_RAND_BOTTOM_ANY);
}
void RandomWords(Bn& out, uint32_t words, bool odd = false) { RandomBits(out, int(32 * words - RandomBelow(32)), odd); }

std::string Hex(const BIGNUM* b)
{
    char* hex = BN_bn2hex(b);
    const std::string s = hex;
    OPENSSL_free(hex);
    return s;
}

void Load(CBigNumber& n, const Bn& b) { CV_CHECK_EQ(n.FromString(Hex(b.p).c_str()), 1); }

// Equal big-endian bytes, a trimmed top word and an even store.
bool Same(const CBigNumber& n, const BIGNUM* b)
{
    std::vector<unsigned char> mine(4 * n.Length() + 4), theirs(mine.size());
    n.GetBytes(mine.data(), 0, uint32_t(mine.size()));
    const bool trimmed = n.Length() == 0 || n.Words()[n.Length() - 1] != 0;
    const bool fits = BN_bn2binpad(b, theirs.data(), int(theirs.size())) >= 0;
    return fits && mine == theirs && trimmed && n.Capacity() % 2 == 0;
}

void CheckModExp(const Bn& base, const Bn& e, const Bn& m)
{
    CBigNumber cb, ce, cm, cr;
    Load(cb, base);
    Load(ce, e);
    Load(cm, m);
    CV_CHECK_EQ(CBigNumber::ModExp(cr, cb, ce, cm), 0);
    Bn want;
    BN_mod_exp(want.p, base.p, e.p, m.p, ctx);
    if (!Same(cr, want.p))
        cvtest::fail(__FILE__, __LINE__, "base " + Hex(base.p) + " e " + Hex(e.p) + " m " + Hex(m.p));
}

} // namespace

// Exponents at both ends of every band of the window table against moduli of 1 to 64 words and bases shorter
// and longer than them; then base 2, which takes the doubling path, and N + 2 through the general path.
CV_TEST(modexp_every_window_width_and_the_base2_path)
{
    for (int bits : { 2, 3, 5, 6, 17, 23, 24, 50, 80, 81, 160, 240, 241, 500, 672, 673, 1024, 1792, 1793, 2100 }) {
        for (uint32_t round = 0; round < 12; ++round) {
            Bn m, base, e;
            const uint32_t words = round < 2 ? round + 1 : 1 + RandomBelow(64);
            RandomWords(m, words, true);
            RandomWords(base, 1 + RandomBelow(words + 2));
            RandomBits(e, bits);
            CheckModExp(base, e, m);
        }
    }
    // The top word of the modulus all ones, and a base equal to the modulus.
    Bn ones, f4, three;
    BN_set_word(f4.p, 65537);
    BN_set_word(three.p, 3);
    BN_lshift(ones.p, BN_value_one(), 1024);
    BN_sub_word(ones.p, 1);
    CheckModExp(ones, f4, ones);
    CheckModExp(three, f4, ones);
    // Short exponents first, so that their leading bits alone reach the modulus size.
    for (int round = 0; round < 200; ++round) {
        Bn m, e, two, twoPlusN;
        RandomWords(m, 1 + RandomBelow(64), true);
        RandomBits(e, 1 + int(RandomBelow(round < 100 ? 16 : 1100)));
        BN_set_word(two.p, 2);
        BN_add(twoPlusN.p, m.p, two.p);
        if (!BN_is_one(m.p)) {
            CheckModExp(two, e, m);
            CheckModExp(twoPlusN, e, m);
        }
    }
}

CV_TEST(from_string_get_bytes_add_word_and_mul_word)
{
    for (int round = 0; round < 300; ++round) {
        Bn b, want;
        RandomWords(b, 1 + RandomBelow(64));
        if (round % 10 == 0) { // all ones, so that adding carries out of the top word
            BN_lshift(b.p, BN_value_one(), 32 * int(1 + RandomBelow(64)));
            BN_sub_word(b.p, 1);
        }
        char* dec = BN_bn2dec(b.p);
        CBigNumber fromDec, fromHex;
        CV_CHECK_EQ(fromDec.FromString(CBigNumber::Decimal, dec), 1);
        CV_CHECK_EQ(fromHex.FromString(CBigNumber::Hexadecimal, Hex(b.p).c_str()), 1);
        OPENSSL_free(dec);
        CV_CHECK(Same(fromDec, b.p) && Same(fromHex, b.p));

        // Any window of bytes, including ones reaching above the value.
        std::vector<unsigned char> all(size_t(BN_num_bytes(b.p)) + 16);
        BN_bn2binpad(b.p, all.data(), int(all.size()));
        const uint32_t offset = RandomBelow(uint32_t(all.size()) - 8);
        const uint32_t count = RandomBelow(uint32_t(all.size()) - offset + 1);
        std::vector<unsigned char> got(count + 1, 0xAA);
        fromHex.GetBytes(got.data(), offset, count);
        CV_CHECK_BYTES(got.data(), all.data() + all.size() - offset - count, count);
        CV_CHECK_EQ(got[count], 0xAA);

        const uint32_t w = round % 7 == 0 ? RandomBelow(3) : RandomBelow(0xFFFFFFFFu);
        CBigNumber product;
        CV_CHECK(fromDec.AddWord(w) == 0 && product.MulWord(fromHex, w) == 0);
        CV_CHECK_EQ(fromHex.MulWord(fromHex, w), 0); // in place
        BN_copy(want.p, b.p);
        BN_add_word(want.p, w);
        CV_CHECK(Same(fromDec, want.p));
        BN_copy(want.p, b.p);
        BN_mul_word(want.p, w);
        CV_CHECK(Same(product, want.p) && Same(fromHex, want.p));
    }
}

namespace {

// a * b / R mod N through the Montgomery kernel of one digit size. Exponentiation
// uses only the widest kernel the compiler offers; the others are tested here.
template <class D> void CheckMontgomery()
{
    constexpr int kBits = 8 * sizeof(D);
    for (int round = 0; round < 200; ++round) {
        const uint32_t digits = 1 + RandomBelow(2048 / kBits);
        Bn n, a, b, r, want;
        RandomBits(n, kBits * int(digits) - int(RandomBelow(kBits)), true);
        BN_rand_range(a.p, n.p);
        BN_rand_range(b.p, n.p);
        auto toDigits = [&](const Bn& x) { // least significant first, as on a little-endian host
            std::vector<D> d(digits);
            BN_bn2lebinpad(x.p, reinterpret_cast<unsigned char*>(d.data()), int(digits * sizeof(D)));
            return d;
        };
        const std::vector<D> nd = toDigits(n), ad = toDigits(a), bd = toDigits(b);
        std::vector<D> product(digits), square(digits), t(2 * digits);
        const cvbignum::Montgomery<D> mont(nd.data(), digits);
        mont.MulMod(product.data(), ad.data(), bd.data(), t.data());
        mont.SqrMod(square.data(), ad.data(), t.data());

        BN_lshift(r.p, BN_value_one(), kBits * int(digits));
        BN_mod_inverse(r.p, r.p, n.p, ctx);
        BN_mod_mul(want.p, a.p, b.p, n.p, ctx);
        BN_mod_mul(want.p, want.p, r.p, n.p, ctx);
        CV_CHECK(product == toDigits(want));
        BN_mod_mul(want.p, a.p, a.p, n.p, ctx);
        BN_mod_mul(want.p, want.p, r.p, n.p, ctx);
        CV_CHECK(square == toDigits(want));
    }
}

} // namespace

CV_TEST(montgomery_kernels_of_every_digit_size)
{
    CheckMontgomery<uint32_t>();
#ifdef __SIZEOF_INT128__
    CheckMontgomery<uint64_t>();
#endif
}
