// CBigNumber's parsing and exponentiation results at their edges; the
// OpenSSL-computed known answers are in tests/data.
#include "harness.h"
#include "testutil.h"

#include <tuple>

using cvtest::Bytes;
using cvtest::Text;

CV_TEST(from_string_and_bit_length)
{
    // One number through all rows: a bad character keeps the digits before
    // it, an unknown radix changes nothing.
    const int hex = CBigNumber::Hexadecimal, dec = CBigNumber::Decimal;
    const std::tuple<int, const char*, int, const char*> rows[] = { { hex, "ff", 1, "FF" }, { hex, "FF", 1, "FF" },
        { hex, "0ff", 1, "FF" }, { hex, "12g", 0, "12" }, { hex, "12 3", 0, "12" }, { hex, "", 1, "0" },
        { dec, "4294967296", 1, "100000000" }, { dec, "12a", 0, "C" }, { 0, "1", 0, "C" }, { 3, "1", 0, "C" } };
    CBigNumber n;
    for (const auto& [radix, text, result, value] : rows) {
        CV_CHECK_EQ(radix == hex ? n.FromString(text) : n.FromString(radix, text), result);
        CV_CHECK_EQ(Text(n), value);
    }
    CV_CHECK_EQ(n.BitLength(), 4u);
    n.FromString("01020304");
    CV_CHECK_EQ(n.BitLength(), 25u);
    Bytes bytes(4);
    n.GetBytes(bytes.data(), 2, 4);
    CV_CHECK_EQ(cvtest::hex(bytes), "00000102");
    n.SetWord(0);
    CV_CHECK(n.BitLength() == 0 && Text(n) == "0");
}

CV_TEST(mod_exp_refusals_and_trivial_exponents)
{
    // Hexadecimal operands and result; none means refused, the result untouched.
    const char* const rows[][4] = { { "3", "5", "A", nullptr }, { "3", "5", "0", nullptr }, { "3", "5", "", nullptr },
        { "3", "0", "7", "1" }, { "2", "0", "7", "1" }, { "2", "1", "7", "2" }, { "9", "1", "7", "2" } };
    for (const auto& r : rows) {
        CBigNumber result, base, exponent, modulus;
        base.FromString(r[0]);
        exponent.FromString(r[1]);
        modulus.FromString(r[2]);
        result.SetWord(42);
        CV_CHECK_EQ(CBigNumber::ModExp(result, base, exponent, modulus), r[3] ? 0 : -1);
        CV_CHECK_EQ(Text(result), r[3] ? r[3] : "2A");
    }
}
