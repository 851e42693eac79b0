// CBigNumber against OpenSSL's BN on random operands of 1 to 64 words.
#include "harness.h"

#include "bignum/CBigNumber.h"
#include "bignum/DigitArray.h"

#include <openssl/bn.h>
#include <openssl/crypto.h>

#include <random>
#include <string>
#include <vector>

namespace {

std::mt19937_64& Rng()
{
    static std::mt19937_64 rng(20240607);
    return rng;
}

uint32_t RandomWord()
{
    return static_cast<uint32_t>(Rng()());
}

uint32_t RandomBelow(uint32_t n)
{
    return static_cast<uint32_t>(Rng()() % n);
}

struct Bn {
    BIGNUM* p = BN_new();
    ~Bn() { BN_free(p); }
    Bn() = default;
    Bn(const Bn&) = delete;
    Bn& operator=(const Bn&) = delete;
};

// A random number of exactly `bits` bits (top bit set), optionally odd.
void RandomBits(Bn& out, int bits, bool odd)
{
    BN_rand(out.p, bits, BN_RAND_TOP_ONE, odd ? BN_RAND_BOTTOM_ODD : BN_RAND_BOTTOM_ANY);
}

void RandomWords(Bn& out, uint32_t words, bool odd)
{
    RandomBits(out, static_cast<int>(32 * words - RandomBelow(32)), odd);
}

bool Load(CBigNumber& n, const BIGNUM* b)
{
    char* hex = BN_bn2hex(b);
    const bool ok = n.FromString(hex) == 1;
    OPENSSL_free(hex);
    return ok;
}

// The value of n as seen through GetBytes, so that both sides are compared
// by their full big-endian bytes.
bool Same(const CBigNumber& n, const BIGNUM* b)
{
    const uint32_t bytes = 4 * n.Length() + 4;
    std::vector<unsigned char> mine(bytes), theirs(bytes);
    n.GetBytes(mine.data(), 0, bytes);
    if (BN_num_bytes(b) > static_cast<int>(bytes))
        return false;
    BN_bn2binpad(b, theirs.data(), static_cast<int>(bytes));
    const bool trimmed = n.Length() == 0 || n.Words()[n.Length() - 1] != 0;
    return mine == theirs && trimmed && n.Capacity() % 2 == 0;
}

std::string Hex(const BIGNUM* b)
{
    char* hex = BN_bn2hex(b);
    std::string s = hex;
    OPENSSL_free(hex);
    return s;
}

// Checks base^e mod m against BN_mod_exp; returns the result for reuse.
void CheckModExp(const Bn& base, const Bn& e, const Bn& m, BN_CTX* ctx)
{
    CBigNumber cb, ce, cm, cr;
    CV_CHECK(Load(cb, base.p) && Load(ce, e.p) && Load(cm, m.p));
    CV_CHECK_EQ(CBigNumber::ModExp(cr, cb, ce, cm), 0);
    Bn want;
    BN_mod_exp(want.p, base.p, e.p, m.p, ctx);
    if (!Same(cr, want.p))
        cvtest::fail(__FILE__, __LINE__,
                     "ModExp mismatch: base " + Hex(base.p) + " e " + Hex(e.p) + " m " + Hex(m.p));
}

} // namespace

// Exponents in every band of the window table, including both ends of each,
// against moduli of 1 to 64 words and bases shorter and longer than them.
CV_TEST(modexp_general_path_every_window_width)
{
    BN_CTX* ctx = BN_CTX_new();
    const int exponentBits[] = {2, 3, 5, 6, 17, 23, 24, 50, 80, 81, 160, 240, 241, 500, 672, 673, 1024, 1792, 1793, 2100};
    for (int bits : exponentBits) {
        for (int round = 0; round < 12; ++round) {
            Bn m, base, e;
            const uint32_t words = round < 2 ? round + 1 : 1 + RandomBelow(64);
            RandomWords(m, words, true);
            RandomWords(base, 1 + RandomBelow(words + 2), false);
            RandomBits(e, bits, false);
            CheckModExp(base, e, m, ctx);
        }
    }
    // The top word of the modulus all ones, and a base equal to the modulus.
    Bn m, e, base;
    BN_set_word(e.p, 65537);
    BN_lshift(m.p, BN_value_one(), 1024);
    BN_sub_word(m.p, 1);
    CheckModExp(m, e, m, ctx);
    BN_set_word(base.p, 3);
    CheckModExp(base, e, m, ctx);
    BN_CTX_free(ctx);
}

// Base 2 takes the doubling path; N + 2 is the same base through the general
// path. Both must equal OpenSSL, including exponents whose leading bits alone
// reach the modulus size.
CV_TEST(modexp_base2_path_matches_general_path)
{
    BN_CTX* ctx = BN_CTX_new();
    for (int round = 0; round < 200; ++round) {
        Bn m, e, two, twoPlusN;
        const uint32_t words = 1 + RandomBelow(64);
        RandomWords(m, words, true);
        if (BN_is_one(m.p))
            continue;
        RandomBits(e, 1 + static_cast<int>(RandomBelow(round < 100 ? 16 : 1100)), false);
        BN_set_word(two.p, 2);
        BN_add(twoPlusN.p, m.p, two.p);
        CBigNumber cb2, cbn, ce, cm, viaDoubling, viaGeneral;
        CV_CHECK(Load(cb2, two.p) && Load(cbn, twoPlusN.p) && Load(ce, e.p) && Load(cm, m.p));
        CV_CHECK_EQ(CBigNumber::ModExp(viaDoubling, cb2, ce, cm), 0);
        CV_CHECK_EQ(CBigNumber::ModExp(viaGeneral, cbn, ce, cm), 0);
        Bn want;
        BN_mod_exp(want.p, two.p, e.p, m.p, ctx);
        if (!Same(viaDoubling, want.p) || !Same(viaGeneral, want.p))
            cvtest::fail(__FILE__, __LINE__, "2^e mismatch: e " + Hex(e.p) + " m " + Hex(m.p));
    }
    BN_CTX_free(ctx);
}

// The result may share its object with the base, the exponent or the modulus.
CV_TEST(modexp_result_aliasing_an_operand)
{
    BN_CTX* ctx = BN_CTX_new();
    Bn m, base, e, want;
    RandomWords(m, 16, true);
    RandomWords(base, 20, false);
    RandomBits(e, 300, false);
    BN_mod_exp(want.p, base.p, e.p, m.p, ctx);
    CBigNumber cb, ce, cm;
    Load(cb, base.p);
    Load(ce, e.p);
    Load(cm, m.p);
    CV_CHECK_EQ(CBigNumber::ModExp(cb, cb, ce, cm), 0);
    CV_CHECK(Same(cb, want.p));
    Load(cb, base.p);
    CV_CHECK_EQ(CBigNumber::ModExp(ce, cb, ce, cm), 0);
    CV_CHECK(Same(ce, want.p));
    Load(ce, e.p);
    CV_CHECK_EQ(CBigNumber::ModExp(cm, cb, ce, cm), 0);
    CV_CHECK(Same(cm, want.p));
    BN_CTX_free(ctx);
}

CV_TEST(from_string_both_radixes_and_get_bytes)
{
    for (int round = 0; round < 300; ++round) {
        Bn b;
        RandomWords(b, 1 + RandomBelow(64), false);
        char* dec = BN_bn2dec(b.p);
        std::string hex = Hex(b.p);
        if (round % 2 == 1) {
            for (char& c : hex)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
        CBigNumber fromDec, fromHex;
        CV_CHECK_EQ(fromDec.FromString(CBigNumber::Decimal, dec), 1);
        CV_CHECK_EQ(fromHex.FromString(CBigNumber::Hexadecimal, hex.c_str()), 1);
        OPENSSL_free(dec);
        CV_CHECK(Same(fromDec, b.p));
        CV_CHECK(Same(fromHex, b.p));

        // Any window of bytes, including ones reaching above the value.
        const int size = BN_num_bytes(b.p);
        std::vector<unsigned char> all(static_cast<size_t>(size) + 16);
        BN_bn2binpad(b.p, all.data(), static_cast<int>(all.size()));
        const uint32_t offset = RandomBelow(static_cast<uint32_t>(size) + 8);
        const uint32_t count = RandomBelow(static_cast<uint32_t>(all.size()) - offset + 1);
        std::vector<unsigned char> got(count + 1, 0xAA);
        fromHex.GetBytes(got.data(), offset, count);
        const size_t end = all.size() - offset; // big-endian index of byte `offset`
        CV_CHECK_BYTES(got.data(), all.data() + end - count, count);
        CV_CHECK_EQ(got[count], 0xAA);
    }
}

CV_TEST(add_word_and_mul_word)
{
    for (int round = 0; round < 300; ++round) {
        Bn b, want;
        RandomWords(b, 1 + RandomBelow(64), false);
        if (round % 10 == 0) {
            // All ones, so that adding carries out of the top word.
            BN_lshift(b.p, BN_value_one(), 32 * static_cast<int>(1 + RandomBelow(64)));
            BN_sub_word(b.p, 1);
        }
        const uint32_t w = round % 7 == 0 ? RandomBelow(3) : RandomWord();

        CBigNumber n;
        Load(n, b.p);
        CV_CHECK_EQ(n.AddWord(w), 0);
        BN_copy(want.p, b.p);
        BN_add_word(want.p, w);
        CV_CHECK(Same(n, want.p));

        CBigNumber source, product;
        Load(source, b.p);
        CV_CHECK_EQ(product.MulWord(source, w), 0);
        BN_copy(want.p, b.p);
        BN_mul_word(want.p, w);
        CV_CHECK(Same(product, want.p));
        CV_CHECK_EQ(source.MulWord(source, w), 0); // in place
        CV_CHECK(Same(source, want.p));
    }
}

namespace {

// a * b / R mod N through the Montgomery kernel of one digit size, checked
// against BN with R^-1 computed by OpenSSL. Exponentiation uses only the
// widest kernel the compiler offers, so the others are covered here.
template <class D>
void CheckMontgomery(BN_CTX* ctx)
{
    constexpr int kBits = 8 * sizeof(D);
    for (int round = 0; round < 200; ++round) {
        const uint32_t digits = 1 + RandomBelow(2048 / kBits);
        Bn n, a, b;
        RandomBits(n, kBits * static_cast<int>(digits) - static_cast<int>(RandomBelow(kBits)), true);
        BN_rand_range(a.p, n.p);
        BN_rand_range(b.p, n.p);
        auto toDigits = [&](const Bn& x) {
            std::vector<unsigned char> bytes(digits * sizeof(D));
            BN_bn2lebinpad(x.p, bytes.data(), static_cast<int>(bytes.size()));
            std::vector<D> d(digits);
            for (uint32_t i = 0; i < digits; ++i)
                for (uint32_t k = 0; k < sizeof(D); ++k)
                    d[i] |= static_cast<D>(static_cast<D>(bytes[i * sizeof(D) + k]) << (8 * k));
            return d;
        };
        const std::vector<D> nd = toDigits(n), ad = toDigits(a), bd = toDigits(b);
        std::vector<D> product(digits), square(digits), t(2 * digits);
        const cvbignum::Montgomery<D> mont(nd.data(), digits);
        mont.MulMod(product.data(), ad.data(), bd.data(), t.data());
        mont.SqrMod(square.data(), ad.data(), t.data());

        Bn r, rInv, wantProduct, wantSquare;
        BN_lshift(r.p, BN_value_one(), kBits * static_cast<int>(digits));
        BN_mod_inverse(rInv.p, r.p, n.p, ctx);
        BN_mod_mul(wantProduct.p, a.p, b.p, n.p, ctx);
        BN_mod_mul(wantProduct.p, wantProduct.p, rInv.p, n.p, ctx);
        BN_mod_mul(wantSquare.p, a.p, a.p, n.p, ctx);
        BN_mod_mul(wantSquare.p, wantSquare.p, rInv.p, n.p, ctx);
        CV_CHECK(product == toDigits(wantProduct));
        CV_CHECK(square == toDigits(wantSquare));
    }
}

} // namespace

CV_TEST(montgomery_kernels_of_every_digit_size)
{
    BN_CTX* ctx = BN_CTX_new();
    CheckMontgomery<uint32_t>(ctx);
#ifdef __SIZEOF_INT128__
    CheckMontgomery<uint64_t>(ctx);
#endif
    BN_CTX_free(ctx);
}
