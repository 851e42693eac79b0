// 1024-bit modular exponentiation against OpenSSL's BN_mod_exp and GMP's
// mpz_powm. Every implementation sets up its Montgomery (or REDC) constants
// inside each call: CBigNumber::ModExp always does; BN_mod_exp is called
// without a cached BN_MONT_CTX, so it builds one per call, and reuses one
// BN_CTX (its scratch pool) across calls; mpz_powm has no cached form.
#include "BenchSupport.h"

#include "bignum/CBigNumber.h"
#include "cvcrypto_keys.h"

#include <benchmark/benchmark.h>
#include <gmp.h>
#include <openssl/bn.h>

#include <cctype>
#include <cstdlib>
#include <string>

using cvbench::Bytes;

namespace {

// A base below the modulus (top bit clear) and a full 1024-bit odd exponent.
const std::string& BaseHex()
{
    static const std::string hex = [] {
        Bytes b = cvbench::Pattern(128, 11);
        b[0] &= 0x7F;
        return cvbench::Hex(b);
    }();
    return hex;
}

const std::string& FullExponentHex()
{
    static const std::string hex = [] {
        Bytes e = cvbench::Pattern(128, 13);
        e[0] |= 0x80;
        e[127] |= 1;
        return cvbench::Hex(e);
    }();
    return hex;
}

const char* ExponentHex(bool full) { return full ? FullExponentHex().c_str() : TORVELIB::keys::kRsaPublicExponent; }

std::string OursHex(bool full)
{
    CBigNumber r, b, e, n;
    b.FromString(BaseHex().c_str());
    e.FromString(ExponentHex(full));
    n.FromString(TORVELIB::keys::kRsaModulus);
    if (CBigNumber::ModExp(r, b, e, n) != 0)
        return "failed";
    Bytes out(128);
    r.GetBytes(out.data(), 0, 128);
    return cvbench::Hex(out);
}

std::string OpenSslHex(bool full)
{
    BIGNUM* r = BN_new();
    BIGNUM* b = nullptr;
    BIGNUM* e = nullptr;
    BIGNUM* n = nullptr;
    BN_CTX* ctx = BN_CTX_new();
    BN_hex2bn(&b, BaseHex().c_str());
    BN_hex2bn(&e, ExponentHex(full));
    BN_hex2bn(&n, TORVELIB::keys::kRsaModulus);
    BN_mod_exp(r, b, e, n, ctx);
    Bytes out(128);
    BN_bn2binpad(r, out.data(), 128);
    BN_free(r);
    BN_free(b);
    BN_free(e);
    BN_free(n);
    BN_CTX_free(ctx);
    return cvbench::Hex(out);
}

template <bool Full> void ModExp_Lib(benchmark::State& state)
{
    if (OursHex(Full) != OpenSslHex(Full)) {
        state.SkipWithError("ModExp result differs from OpenSSL");
        return;
    }
    CBigNumber r, b, e, n;
    b.FromString(BaseHex().c_str());
    e.FromString(ExponentHex(Full));
    n.FromString(TORVELIB::keys::kRsaModulus);
    for (auto _ : state) {
        CBigNumber::ModExp(r, b, e, n);
        benchmark::DoNotOptimize(r.Words());
    }
}

template <bool Full> void ModExp_OpenSsl(benchmark::State& state)
{
    BIGNUM* r = BN_new();
    BIGNUM* b = nullptr;
    BIGNUM* e = nullptr;
    BIGNUM* n = nullptr;
    BN_CTX* ctx = BN_CTX_new();
    BN_hex2bn(&b, BaseHex().c_str());
    BN_hex2bn(&e, ExponentHex(Full));
    BN_hex2bn(&n, TORVELIB::keys::kRsaModulus);
    for (auto _ : state) {
        BN_mod_exp(r, b, e, n, ctx);
        benchmark::DoNotOptimize(r);
    }
    BN_free(r);
    BN_free(b);
    BN_free(e);
    BN_free(n);
    BN_CTX_free(ctx);
}

template <bool Full> void ModExp_Gmp(benchmark::State& state)
{
    mpz_t r, b, e, n;
    mpz_inits(r, b, e, n, nullptr);
    mpz_set_str(b, BaseHex().c_str(), 16);
    mpz_set_str(e, ExponentHex(Full), 16);
    mpz_set_str(n, TORVELIB::keys::kRsaModulus, 16);
    mpz_powm(r, b, e, n);
    char* text = mpz_get_str(nullptr, 16, r);
    std::string theirs(text);
    free(text);
    std::string ours = OursHex(Full);
    ours.erase(0, ours.find_first_not_of('0'));
    for (char& c : theirs)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (ours != theirs) {
        state.SkipWithError("ModExp result differs from GMP");
    } else {
        for (auto _ : state) {
            mpz_powm(r, b, e, n);
            benchmark::DoNotOptimize(r);
        }
    }
    mpz_clears(r, b, e, n, nullptr);
}

} // namespace

BENCHMARK_TEMPLATE(ModExp_Lib, false)->Name("modexp_1024_public_exponent/cvsettings");
BENCHMARK_TEMPLATE(ModExp_OpenSsl, false)->Name("modexp_1024_public_exponent/openssl");
BENCHMARK_TEMPLATE(ModExp_Gmp, false)->Name("modexp_1024_public_exponent/gmp");
BENCHMARK_TEMPLATE(ModExp_Lib, true)->Name("modexp_1024_full_exponent/cvsettings");
BENCHMARK_TEMPLATE(ModExp_OpenSsl, true)->Name("modexp_1024_full_exponent/openssl");
BENCHMARK_TEMPLATE(ModExp_Gmp, true)->Name("modexp_1024_full_exponent/gmp");
