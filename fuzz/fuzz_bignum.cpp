// CBigNumber against OpenSSL's BN: FromString over arbitrary text in both
// radixes, and ModExp over arbitrary operands (general and base-2 paths, every
// window width), compared by bit length and full value.
//
// Input: one mode byte, two length bytes, then the operands back to back.
#include "bignum/CBigNumber.h"

#include <openssl/bn.h>
#include <openssl/crypto.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using BnPtr = std::unique_ptr<BIGNUM, decltype(&BN_free)>;
BnPtr NewBn() { return BnPtr(BN_new(), &BN_free); }

void Require(bool ok)
{
    if (!ok)
        std::abort();
}

// Trimmed length, even capacity, and the value itself against OpenSSL.
void CheckEqual(const CBigNumber& n, const BIGNUM* want)
{
    Require(n.Capacity() % 2 == 0 && n.Length() <= n.Capacity());
    Require(n.Length() == 0 || n.Words()[n.Length() - 1] != 0);
    Require(n.BitLength() == uint32_t(BN_num_bits(want)));
    const size_t bytes = size_t(BN_num_bytes(want)) + 3;
    std::vector<unsigned char> a(bytes), b(bytes);
    n.GetBytes(a.data(), 0, uint32_t(bytes));
    Require(BN_bn2binpad(want, b.data(), int(bytes)) == int(bytes));
    Require(a == b);
}

std::string Hex(const uint8_t* p, size_t n)
{
    static const char digits[] = "0123456789abcdef";
    std::string s;
    for (size_t i = 0; i < n; ++i) {
        s += digits[p[i] >> 4];
        s += digits[p[i] & 15];
    }
    return s;
}

void Load(CBigNumber& n, const uint8_t* p, size_t len) { Require(n.FromString(Hex(p, len).c_str()) == 1); }

void CheckFromString(const uint8_t* p, size_t len, bool hex)
{
    const std::string text(reinterpret_cast<const char*>(p), len);
    const char* z = text.c_str(); // ends at the first zero byte like any C text
    const size_t textLength = std::strlen(z);
    size_t valid = 0;
    while (valid < textLength
        && (hex ? std::isxdigit(static_cast<unsigned char>(z[valid]))
                : std::isdigit(static_cast<unsigned char>(z[valid]))))
        ++valid;

    CBigNumber n;
    const int result = n.FromString(hex ? CBigNumber::Hexadecimal : CBigNumber::Decimal, z);
    Require(result == (valid == textLength ? 1 : 0));

    BIGNUM* want = BN_new();
    const std::string prefix(z, valid);
    if (valid == 0)
        BN_zero(want);
    else
        Require((hex ? BN_hex2bn(&want, prefix.c_str()) : BN_dec2bn(&want, prefix.c_str())) == int(valid));
    CheckEqual(n, want);
    BN_free(want);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 3)
        return 0;
    const uint8_t mode = data[0];
    data += 3;
    size -= 3;

    if (mode & 1) {
        // Decimal parsing is quadratic; keep the text short enough to stay fast.
        CheckFromString(data, std::min<size_t>(size, (mode & 2) ? 4096 : 1200), (mode & 2) != 0);
        return 0;
    }

    // Up to 1280-bit moduli and 1856-bit exponents: past the 1024-bit key and
    // into the widest window.
    const size_t modLength = std::min<size_t>(data[-2] % 161, size);
    const size_t expLength = std::min<size_t>(size_t(data[-1]) % 233, size - modLength);
    const size_t baseLength = std::min<size_t>(size - modLength - expLength, 320);
    const uint8_t* mod = data;
    const uint8_t* exp = mod + modLength;
    const uint8_t* base = exp + expLength;

    CBigNumber n, e, b, r;
    Load(n, mod, modLength);
    Load(e, exp, expLength);
    const bool two = (mode & 2) != 0;
    if (two)
        Require(b.SetWord(2) == 0);
    else
        Load(b, base, baseLength);
    // A recognisable previous value: a refused call must leave it alone.
    Require(r.SetWord(0xC0FFEEu) == 0);

    const int result = CBigNumber::ModExp(r, b, e, n);
    const bool oddModulus = modLength > 0 && (mod[modLength - 1] & 1) != 0;
    if (!oddModulus) {
        Require(result == -1);
        Require(r.Length() == 1 && r.Words()[0] == 0xC0FFEEu);
        return 0;
    }
    Require(result == 0);

    BnPtr bn = NewBn(), be = NewBn(), bb = NewBn(), want = NewBn();
    BN_bin2bn(mod, int(modLength), bn.get());
    BN_bin2bn(exp, int(expLength), be.get());
    if (two)
        BN_set_word(bb.get(), 2);
    else
        BN_bin2bn(base, int(baseLength), bb.get());
    std::unique_ptr<BN_CTX, decltype(&BN_CTX_free)> ctx(BN_CTX_new(), &BN_CTX_free);
    Require(BN_mod_exp(want.get(), bb.get(), be.get(), bn.get(), ctx.get()) == 1);
    // An exponent of 0 gives 1 for every modulus, 1 included, where OpenSSL
    // reduces the 1 to 0.
    if (BN_is_zero(be.get()))
        Require(BN_one(want.get()) == 1);
    CheckEqual(r, want.get());
    return 0;
}
