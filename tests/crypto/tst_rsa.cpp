// Opening key blocks with CRSA: the block checks and the public-key operation.
#include "harness.h"

#include "devkey_fixture.h"
#include "rsa/CRSA.h"

#include <cstring>
#include <string>
#include <vector>

using TORVELIB::CRSA;
using devkey::Bytes;

namespace {

void Load(CBigNumber& n, const Bytes& bytes)
{
    CV_CHECK_EQ(n.FromString(devkey::Hex(bytes).c_str()), 1);
}

Bytes BytesOf(const CBigNumber& n, uint32_t count)
{
    Bytes out(count);
    n.GetBytes(out.data(), 0, count);
    return out;
}

} // namespace

CV_TEST(unpack_key_block_type_and_length_checks)
{
    const Bytes data = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    unsigned char out[600];
    CBigNumber m;

    Load(m, devkey::Block(128, 0x02, 16, data));
    std::memset(out, 0xAA, sizeof out);
    CV_CHECK_EQ(CRSA::UnpackKeyBlock(out, 512, m, 2, 128), 16);
    CV_CHECK_BYTES(out, data.data(), 16);
    CV_CHECK_EQ(out[16], 0);
    CV_CHECK_EQ(out[17], 0xAA);

    // Wrong type: nothing written.
    Load(m, devkey::Block(128, 0x01, 16, data));
    std::memset(out, 0xAA, sizeof out);
    CV_CHECK_EQ(CRSA::UnpackKeyBlock(out, 512, m, 2, 128), -3);
    CV_CHECK_EQ(out[0], 0xAA);

    // J + 1 must fit the capacity: 511 does, 512 does not. Bytes above the
    // 128-byte value read as zero.
    Load(m, devkey::Block(128, 0x02, 511, data));
    std::memset(out, 0xAA, sizeof out);
    CV_CHECK_EQ(CRSA::UnpackKeyBlock(out, 512, m, 2, 128), 511);
    CV_CHECK_EQ(out[0], 0);
    CV_CHECK_EQ(out[382], 0);
    CV_CHECK_EQ(out[383 + 1], 0x02); // B[1] of the block
    CV_CHECK_BYTES(out + 511 - 16, data.data(), 16);
    CV_CHECK_EQ(out[511], 0);
    CV_CHECK_EQ(out[512], 0xAA);

    Load(m, devkey::Block(128, 0x02, 512, data));
    std::memset(out, 0xAA, sizeof out);
    CV_CHECK_EQ(CRSA::UnpackKeyBlock(out, 512, m, 2, 128), -2);
    CV_CHECK_EQ(out[0], 0xAA);

    // J = 0: an empty, terminated output.
    Load(m, devkey::Block(128, 0x02, 0, {}));
    std::memset(out, 0xAA, sizeof out);
    CV_CHECK_EQ(CRSA::UnpackKeyBlock(out, 512, m, 2, 128), 0);
    CV_CHECK_EQ(out[0], 0);
    CV_CHECK_EQ(out[1], 0xAA);
}

CV_TEST(decrypt_with_public_key)
{
    Bytes key(56);
    for (size_t i = 0; i < key.size(); ++i)
        key[i] = static_cast<unsigned char>(0xA0 + i);
    CBigNumber m, d, n, c;
    Load(m, devkey::Block(128, 0x02, 56, key));
    d.FromString(devkey::kPrivateExponent);
    n.FromString(devkey::kModulus);
    CV_CHECK_EQ(CBigNumber::ModExp(c, m, d, n), 0);

    CRSA rsa;
    rsa.PublicExponent().FromString(devkey::kPublicExponent);
    rsa.Modulus().FromString(devkey::kModulus);
    unsigned char out[512];
    CV_CHECK_EQ(rsa.Decrypt(out, sizeof out, c), 56);
    CV_CHECK_BYTES(out, key.data(), 56);
    CV_CHECK_EQ(out[56], 0);

    // c + n opens like c: the value is reduced first.
    Bytes sum(129);
    const Bytes cb = BytesOf(c, 129), nb = BytesOf(n, 129);
    unsigned carry = 0;
    for (size_t i = sum.size(); i-- > 0;) {
        carry += cb[i] + nb[i];
        sum[i] = static_cast<unsigned char>(carry);
        carry >>= 8;
    }
    CBigNumber big;
    Load(big, sum);
    CV_CHECK(big.BitLength() >= n.BitLength());
    std::memset(out, 0, sizeof out);
    CV_CHECK_EQ(rsa.Decrypt(out, sizeof out, big), 56);
    CV_CHECK_BYTES(out, key.data(), 56);

    // The key block needs the capacity for J and its terminator.
    CV_CHECK_EQ(rsa.Decrypt(out, 56, c), -2);
}

CV_TEST(decrypt_refuses_even_or_zero_modulus)
{
    CRSA rsa;
    rsa.PublicExponent().FromString("11");
    CBigNumber c;
    c.FromString("1234");
    unsigned char out[16];
    std::memset(out, 0xAA, sizeof out);
    CV_CHECK_EQ(rsa.Decrypt(out, sizeof out, c), -1); // modulus never loaded
    rsa.Modulus().FromString("AC62DA6512F2EC65A1DA8A2F7D5112A4");
    CV_CHECK_EQ(rsa.Decrypt(out, sizeof out, c), -1);
    rsa.Modulus().FromString("0");
    CV_CHECK_EQ(rsa.Decrypt(out, sizeof out, c), -1);
    CV_CHECK_EQ(out[0], 0xAA);
    CV_CHECK_EQ(out[15], 0xAA);
}
