// CBigNumber's documented edge cases, without an oracle so that they also run
// as Windows executables.
#include "harness.h"

#include "bignum/CBigNumber.h"

#include <cstdint>
#include <string>

namespace {

std::string Bytes(const CBigNumber& n, uint32_t offset, uint32_t count)
{
    std::string out(count, '\0');
    n.GetBytes(reinterpret_cast<unsigned char*>(&out[0]), offset, count);
    return cvtest::hex(out.data(), out.size());
}

uint32_t Word(const CBigNumber& n, uint32_t i)
{
    return i < n.Length() ? n.Words()[i] : 0;
}

} // namespace

#define CHECK_HEX(n, offset, count, want)                                       \
    do {                                                                        \
        const std::string got_ = Bytes(n, offset, count);                      \
        if (got_ != (want))                                                     \
            cvtest::fail(__FILE__, __LINE__, got_ + " vs " + (want));          \
    } while (0)

CV_TEST(from_string_results)
{
    for (const char* text : {"ff", "FF", "0ff"}) {
        CBigNumber n;
        CV_CHECK_EQ(n.FromString(text), 1);
        CV_CHECK_EQ(n.Length(), 1u);
        CV_CHECK_EQ(Word(n, 0), 255u);
    }
    CBigNumber n;
    CV_CHECK_EQ(n.FromString("12g"), 0);
    CV_CHECK_EQ(Word(n, 0), 0x12u);
    CV_CHECK_EQ(n.FromString(CBigNumber::Hexadecimal, "12 3"), 0); // no white space
    CV_CHECK_EQ(Word(n, 0), 0x12u);

    CV_CHECK_EQ(n.FromString(""), 1);
    CV_CHECK_EQ(n.Length(), 0u);

    CV_CHECK_EQ(n.FromString(CBigNumber::Decimal, "4294967296"), 1);
    CV_CHECK_EQ(n.Length(), 2u);
    CV_CHECK_EQ(Word(n, 1), 1u);
    CV_CHECK_EQ(n.FromString(CBigNumber::Decimal, "12a"), 0); // hex digit in decimal
    CV_CHECK_EQ(Word(n, 0), 12u);

    // An unknown radix parses nothing and changes nothing.
    CV_CHECK_EQ(n.FromString(3, "1"), 0);
    CV_CHECK_EQ(Word(n, 0), 12u);
    CV_CHECK_EQ(n.FromString(0, "1"), 0);
}

CV_TEST(store_and_word_operations)
{
    CBigNumber n;
    CV_CHECK_EQ(n.Capacity(), 0u);
    CV_CHECK_EQ(n.Reserve(3), 0);
    CV_CHECK_EQ(n.Capacity(), 4u);
    CV_CHECK_EQ(n.Reserve(1), 0); // never shrinks
    CV_CHECK_EQ(n.Capacity(), 4u);

    CV_CHECK_EQ(n.SetWord(0xFFFFFFFFu), 0);
    CV_CHECK_EQ(n.AddWord(1), 0);
    CV_CHECK_EQ(n.Length(), 2u);
    CV_CHECK_EQ(Word(n, 0), 0u);
    CV_CHECK_EQ(Word(n, 1), 1u);
    CV_CHECK_EQ(n.SetWord(0), 0);
    CV_CHECK_EQ(n.Length(), 0u);
    CV_CHECK_EQ(n.AddWord(7), 0);
    CV_CHECK_EQ(Word(n, 0), 7u);
}

CV_TEST(get_bytes_and_bit_length)
{
    CBigNumber n;
    n.FromString("01020304");
    CHECK_HEX(n, 0, 4, "01020304");
    CHECK_HEX(n, 2, 4, "00000102");
    CHECK_HEX(n, 100, 2, "0000");
    CV_CHECK_EQ(n.BitLength(), 25u);
    CBigNumber zero;
    CV_CHECK_EQ(zero.BitLength(), 0u);
    CHECK_HEX(zero, 0, 3, "000000");
}

CV_TEST(mod_exp_results)
{
    CBigNumber result, base, exponent, modulus;
    base.FromString("3");
    exponent.FromString("5");

    // Even and zero moduli are refused without touching the result.
    result.SetWord(42);
    modulus.FromString(CBigNumber::Decimal, "10");
    CV_CHECK_EQ(CBigNumber::ModExp(result, base, exponent, modulus), -1);
    CV_CHECK_EQ(Word(result, 0), 42u);
    modulus.SetWord(0);
    CV_CHECK_EQ(CBigNumber::ModExp(result, base, exponent, modulus), -1);
    CV_CHECK_EQ(Word(result, 0), 42u);

    modulus.SetWord(7);
    CV_CHECK_EQ(CBigNumber::ModExp(result, base, exponent, modulus), 0);
    CV_CHECK_EQ(Word(result, 0), 5u);
    exponent.SetWord(0);
    CV_CHECK_EQ(CBigNumber::ModExp(result, base, exponent, modulus), 0);
    CV_CHECK_EQ(result.Length(), 1u);
    CV_CHECK_EQ(Word(result, 0), 1u);

    // Exponent 1 reduces a base longer than the modulus.
    base.FromString(CBigNumber::Decimal, "123456789123456789");
    exponent.SetWord(1);
    modulus.FromString(CBigNumber::Decimal, "1000003");
    CV_CHECK_EQ(CBigNumber::ModExp(result, base, exponent, modulus), 0);
    CV_CHECK_EQ(Word(result, 0), 200527u);

    // Base 2: once with the exponent used up by its leading bits, once with
    // doublings after them.
    base.SetWord(2);
    exponent.SetWord(10);
    CV_CHECK_EQ(CBigNumber::ModExp(result, base, exponent, modulus), 0);
    CV_CHECK_EQ(Word(result, 0), 1024u);
    exponent.SetWord(100);
    CV_CHECK_EQ(CBigNumber::ModExp(result, base, exponent, modulus), 0);
    CV_CHECK_EQ(Word(result, 0), 253109u);

    // A multi-word case with the window of a 17-bit exponent.
    base.FromString("DEADBEEFCAFEBABE1234");
    exponent.FromString("10001");
    modulus.FromString("FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF61");
    CV_CHECK_EQ(CBigNumber::ModExp(result, base, exponent, modulus), 0);
    CHECK_HEX(result, 0, 33, "0494d03405a475602ec47d955daf66af245e03ae408d92d5e561785f42681bf38f");
}
