// The Montgomery kernels of every digit size against OpenSSL's BN. Exponentiation
// uses only the widest kernel the compiler offers, so the known-answer files
// cannot reach the others.
#include "harness.h"

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

// A random odd number of exactly `bits` bits.
void RandomBits(Bn& out, int bits) { BN_rand(out.p, bits, BN_RAND_TOP_ONE, BN_RAND_BOTTOM_ODD); }

// a * b / R mod N through the Montgomery kernel of one digit size.
template <class D> void CheckMontgomery()
{
    constexpr int kBits = 8 * sizeof(D);
    for (int round = 0; round < 200; ++round) {
        const uint32_t digits = 1 + RandomBelow(2048 / kBits);
        Bn n, a, b, r, want;
        RandomBits(n, kBits * int(digits) - int(RandomBelow(kBits)));
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
