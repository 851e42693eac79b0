// CBigNumber's and CRSA's listed results and bounds, with no oracle so that
// they also run as Windows executables.
#include "devkey_fixture.h"
#include "harness.h"
#include "rsa/CRSA.h"

#include <algorithm>
#include <tuple>

using devkey::Bytes;
using TORVELIB::CRSA;

namespace {

Bytes BytesOf(const CBigNumber& n, uint32_t count)
{
    Bytes out(count);
    n.GetBytes(out.data(), 0, count);
    return out;
}

// Hex without leading zeros; "?" when the top word is zero (not trimmed).
std::string Text(const CBigNumber& n)
{
    const std::string s = cvtest::hex(BytesOf(n, 4 * n.Length()));
    const bool trimmed = n.Length() == 0 || n.Words()[n.Length() - 1] != 0;
    return trimmed ? s.substr(std::min(s.find_first_not_of('0'), s.size())) : "?";
}

void Load(CBigNumber& n, const Bytes& bytes) { CV_CHECK_EQ(n.FromString(cvtest::hex(bytes).c_str()), 1); }

} // namespace

CV_TEST(from_string_and_bit_length)
{
    // One number through all rows: a bad character keeps the digits before
    // it, an unknown radix changes nothing.
    const int hex = CBigNumber::Hexadecimal, dec = CBigNumber::Decimal;
    const std::tuple<int, const char*, int, const char*> rows[] = { { hex, "ff", 1, "FF" }, { hex, "FF", 1, "FF" },
        { hex, "0ff", 1, "FF" }, { hex, "12g", 0, "12" }, { hex, "12 3", 0, "12" }, { hex, "", 1, "" },
        { dec, "4294967296", 1, "100000000" }, { dec, "12a", 0, "C" }, { 0, "1", 0, "C" }, { 3, "1", 0, "C" } };
    CBigNumber n;
    for (const auto& [radix, text, result, value] : rows) {
        CV_CHECK_EQ(radix == hex ? n.FromString(text) : n.FromString(radix, text), result);
        CV_CHECK_EQ(Text(n), value);
    }
    CV_CHECK_EQ(n.BitLength(), 4u);
    n.FromString("01020304");
    CV_CHECK_EQ(n.BitLength(), 25u);
    n.SetWord(0);
    CV_CHECK(n.BitLength() == 0 && BytesOf(n, 3) == Bytes(3, 0));
}

CV_TEST(mod_exp_results)
{
    // Hexadecimal operands and result; none means refused, the result untouched.
    const char* const rows[][4] = {
        { "3", "5", "A", nullptr }, // even modulus
        { "3", "5", "0", nullptr },
        { "3", "5", "7", "5" },
        { "3", "0", "7", "1" },
        { "1B69B4BACD05F15", "1", "F4243", "30F4F" }, // a base longer than the modulus is reduced
        { "2", "A", "F4243", "400" }, // base 2, the exponent used up by its leading bits
        { "2", "14", "F4243", "BDBD" }, // ... which reach exactly the modulus size
        { "2", "64", "F4243", "3DCB5" }, // base 2 with doublings after them
        { "DEADBEEFCAFEBABE1234", "10001", "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF61",
            "494D03405A475602EC47D955DAF66AF245E03AE408D92D5E561785F42681BF38F" },
    };
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

CV_TEST(unpack_key_block_type_and_length_checks)
{
    const std::tuple<unsigned char, uint32_t, int> rows[]
        = { { 2, 16, 16 }, { 1, 16, -3 }, { 2, 511, 511 }, { 2, 512, -2 }, { 2, 0, 0 } };
    for (const auto& [type, j, result] : rows) {
        const Bytes block = devkey::Block(128, type, j, cvtest::Pattern(std::min(j, 16u)));
        CBigNumber m;
        Load(m, block);
        unsigned char out[600];
        std::memset(out, 0xAA, sizeof out);
        CV_CHECK_EQ(CRSA::UnpackKeyBlock(out, 512, m, 2, 128), result);
        // The last J bytes of the block, zeros above its 128, and a zero
        // after them; nothing at all on an error.
        Bytes want(sizeof out, 0xAA);
        if (result >= 0) {
            const uint32_t fromBlock = std::min(j, 128u);
            std::fill(want.begin(), want.begin() + j + 1, 0);
            std::copy(block.end() - fromBlock, block.end(), want.begin() + (j - fromBlock));
        }
        CV_CHECK_BYTES(out, want.data(), sizeof out);
    }
}

// The modulus must be loaded, odd and non-zero; a value above it opens like c,
// as it is reduced first.
CV_TEST(decrypt_with_the_public_key)
{
    const Bytes key = cvtest::Pattern(56, 7);
    CBigNumber m, d, n, c;
    Load(m, devkey::Block(128, 0x02, 56, key));
    d.FromString(devkey::kPrivateExponent);
    n.FromString(devkey::kModulus);
    CV_CHECK_EQ(CBigNumber::ModExp(c, m, d, n), 0);
    CBigNumber above; // n * 2^1024 + c
    above.FromString((devkey::kModulus + cvtest::hex(BytesOf(c, 128))).c_str());

    CRSA rsa;
    rsa.PublicExponent().FromString(devkey::kPublicExponent);
    const Bytes untouched(56, 0);
    unsigned char out[512];
    for (const char* modulus : { "", "AC62DA6512F2EC65A1DA8A2F7D5112A4", "0", devkey::kModulus }) {
        rsa.Modulus().FromString(modulus);
        const bool odd = std::strcmp(modulus, devkey::kModulus) == 0;
        for (const CBigNumber* value : { &c, &above }) {
            std::memset(out, 0, sizeof out);
            CV_CHECK_EQ(rsa.Decrypt(out, sizeof out, *value), odd ? 56 : -1);
            CV_CHECK_BYTES(out, (odd ? key : untouched).data(), 56);
        }
    }
}
