// Boundary behaviour of the block ciphers: rejected inputs, key truncation,
// mode selection, in-place operation and the triple-DES framing.
#include "harness.h"

#include "blowfish/CBlowfish.h"
#include "tripledes/TripleDes.h"

#include <algorithm>
#include <cstdint>
#include <stdexcept>

using namespace TORVELIB;

namespace {

// The message of the std::invalid_argument that fn throws, or "" if none.
template <typename Fn>
std::string InvalidArgumentText(Fn fn)
{
    try {
        fn();
    } catch (const std::invalid_argument& e) {
        return e.what();
    }
    return "";
}

std::vector<unsigned char> Pattern(size_t n, unsigned seed)
{
    std::vector<unsigned char> v(n);
    for (size_t i = 0; i < n; ++i)
        v[i] = static_cast<unsigned char>(seed * 131 + i * 29 + (i >> 3));
    return v;
}

std::vector<unsigned char> Deciphered(const CBlowfish& bf, const std::vector<unsigned char>& in, int mode)
{
    std::vector<unsigned char> out(in.size());
    bf.Decrypt(in.data(), out.data(), in.size(), mode);
    return out;
}

} // namespace

CV_TEST(BlowfishRejectsBadLengthsWithExactTexts)
{
    const unsigned char key[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    CV_CHECK(InvalidArgumentText([&] { CBlowfish bf(key, 0); }) == "Incorrect key length");

    const CBlowfish bf(key, sizeof(key));
    unsigned char buf[16] = {};
    CV_CHECK(InvalidArgumentText([&] { bf.Decrypt(buf, buf, 0); }) == "Incorrect buffer length");
    CV_CHECK(InvalidArgumentText([&] { bf.Decrypt(buf, buf, 12, CBlowfish::CBC); }) == "Incorrect buffer length");
    CV_CHECK(InvalidArgumentText([&] { bf.Decrypt(buf, buf, 8, CBlowfish::CFB); }).empty());
}

CV_TEST(BlowfishKeysAreCyclicAndCutAt56Bytes)
{
    const auto data = Pattern(64, 1);
    const auto key72 = Pattern(72, 2);
    const CBlowfish k56(key72.data(), 56);
    const auto expected = Deciphered(k56, data, CBlowfish::ECB);
    CV_CHECK(Deciphered(CBlowfish(key72.data(), 57), data, CBlowfish::ECB) == expected);
    CV_CHECK(Deciphered(CBlowfish(key72.data(), 72), data, CBlowfish::ECB) == expected);
    CV_CHECK(Deciphered(CBlowfish(key72.data(), 55), data, CBlowfish::ECB) != expected);

    // One byte repeated is the same key at every length.
    const std::vector<unsigned char> same(60, 0xA5);
    const auto one = Deciphered(CBlowfish(same.data(), 1), data, CBlowfish::ECB);
    CV_CHECK(Deciphered(CBlowfish(same.data(), 3), data, CBlowfish::ECB) == one);
    CV_CHECK(Deciphered(CBlowfish(same.data(), 60), data, CBlowfish::ECB) == one);
}

CV_TEST(BlowfishModesChainsAndInPlace)
{
    const auto key = Pattern(16, 3);
    const auto data = Pattern(40, 4);
    const CBlowfish bf(key.data(), key.size(), SBlock(0x01234567, 0x89ABCDEF));
    const auto ecb = Deciphered(bf, data, CBlowfish::ECB);
    CV_CHECK(Deciphered(bf, data, 7) == ecb);
    CV_CHECK(Deciphered(bf, data, -1) == ecb);

    for (int mode : {int(CBlowfish::ECB), int(CBlowfish::CBC), int(CBlowfish::CFB)}) {
        // The running chain is local to a call: a second call starts afresh.
        const auto first = Deciphered(bf, data, mode);
        CV_CHECK(Deciphered(bf, data, mode) == first);
        auto inPlace = data;
        bf.Decrypt(inPlace.data(), inPlace.data(), inPlace.size(), mode);
        CV_CHECK(inPlace == first);
    }
    // A CBC first block is ECB XOR the chain; later blocks don't see the chain.
    const auto cbc = Deciphered(bf, data, CBlowfish::CBC);
    CV_CHECK_EQ(int(cbc[0] ^ ecb[0]), 0x01);
    CV_CHECK_EQ(int(cbc[7] ^ ecb[7]), 0xEF);
    CV_CHECK_EQ(int(cbc[8] ^ ecb[8]), int(data[0]));

    SBlock block(0xDEADBEEF, 0x01020304);
    bf.EncryptBlock(block);
    bf.DecryptBlock(block);
    CV_CHECK(block.m_uil == 0xDEADBEEF && block.m_uir == 0x01020304);
}

CV_TEST(TripleDesFramesAndPadsWithZeros)
{
    const unsigned char k1[8] = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF};
    const unsigned char k2[8] = {0xFE, 0xDC, 0xBA, 0x98, 0x76, 0x54, 0x32, 0x10};
    TripleDesContext ctx = {};
    TripleDesSetKey2(&ctx, k1, k2);
    const auto data = Pattern(16, 5);

    const struct { int32_t in; int32_t out; } framing[] = {{0, 0}, {1, 8}, {8, 8}, {9, 16}, {-5, 0}};
    for (const auto& f : framing) {
        unsigned char out[16];
        unsigned char back[16];
        int32_t outLength = 99;
        TripleDesEncryptBuffer(&ctx, data.data(), f.in, out, &outLength);
        CV_CHECK_EQ(outLength, f.out);

        // The padding comes back as zero bytes: nothing is stripped.
        auto expected = std::vector<unsigned char>(data.begin(), data.begin() + (f.in > 0 ? f.in : 0));
        expected.resize(size_t(f.out), 0);
        int32_t backLength = 99;
        TripleDesDecryptBuffer(&ctx, out, outLength, back, &backLength);
        CV_CHECK_EQ(backLength, f.out);
        CV_CHECK(std::equal(expected.begin(), expected.end(), back));
    }

    // In place, block by block.
    auto buf = data;
    int32_t n = 0;
    TripleDesEncryptBuffer(&ctx, buf.data(), 16, buf.data(), &n);
    TripleDesDecryptBuffer(&ctx, buf.data(), 16, buf.data(), &n);
    CV_CHECK(buf == data);
}
