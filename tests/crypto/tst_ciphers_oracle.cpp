// Blowfish and two-key triple DES against OpenSSL.
#include "harness.h"
#include "testutil.h"

#include "blowfish/CBlowfish.h"
#include "tripledes/TripleDes.h"

#include <openssl/blowfish.h>
#include <openssl/des.h>

#include <algorithm>
#include <cstdint>
#include <random>

using namespace TORVELIB;
using cvtest::Be32;
using cvtest::Bytes;

namespace {

Bytes RandomBytes(std::mt19937& rng, size_t n)
{
    Bytes b(n);
    for (auto& c : b)
        c = static_cast<unsigned char>(rng());
    return b;
}

// OpenSSL takes up to 72 key bytes where CBlowfish takes 56, so it gets 56 at most.
Bytes OpenSslBlowfish(const Bytes& key, Bytes iv, int mode, const Bytes& plain)
{
    BF_KEY k;
    BF_set_key(&k, static_cast<int>(std::min<size_t>(key.size(), 56)), key.data());
    Bytes out(plain.size());
    int num = 0;
    if (mode == CBlowfish::CBC)
        BF_cbc_encrypt(plain.data(), out.data(), long(plain.size()), &k, iv.data(), BF_ENCRYPT);
    else if (mode == CBlowfish::CFB)
        BF_cfb64_encrypt(plain.data(), out.data(), long(plain.size()), &k, iv.data(), &num, BF_ENCRYPT);
    for (size_t i = 0; mode == CBlowfish::ECB && i < plain.size(); i += 8)
        BF_ecb_encrypt(plain.data() + i, out.data() + i, &k, BF_ENCRYPT);
    return out;
}

// DES_ecb3_encrypt with K1, K2, K1 over the zero-padded input.
Bytes OpenSslEde(Bytes k1, Bytes k2, Bytes in, int direction)
{
    DES_key_schedule s1, s2;
    DES_set_key_unchecked(reinterpret_cast<const_DES_cblock*>(k1.data()), &s1);
    DES_set_key_unchecked(reinterpret_cast<const_DES_cblock*>(k2.data()), &s2);
    in.resize((in.size() + 7) / 8 * 8, 0);
    Bytes out(in.size());
    for (size_t i = 0; i < in.size(); i += 8)
        DES_ecb3_encrypt(reinterpret_cast<const_DES_cblock*>(&in[i]), reinterpret_cast<DES_cblock*>(&out[i]), &s1, &s2,
            &s1, direction);
    return out;
}

} // namespace

CV_TEST(BlowfishMatchesOpenSslForEveryKeyLengthAndMode)
{
    std::mt19937 rng(20240611);
    for (size_t keyLength = 1; keyLength <= 72; ++keyLength) {
        for (int trial = 0; trial < 3; ++trial) {
            const Bytes key = RandomBytes(rng, keyLength), iv = RandomBytes(rng, 8), one = RandomBytes(rng, 8);
            const CBlowfish bf(key.data(), key.size(), SBlock(Be32(&iv[0]), Be32(&iv[4])));
            SBlock block(Be32(&one[0]), Be32(&one[4]));
            bf.EncryptBlock(block);
            const Bytes expected = OpenSslBlowfish(key, iv, CBlowfish::ECB, one);
            CV_CHECK(block.m_uil == Be32(&expected[0]) && block.m_uir == Be32(&expected[4]));
            for (int mode : { int(CBlowfish::ECB), int(CBlowfish::CBC), int(CBlowfish::CFB) }) {
                const Bytes plain = RandomBytes(rng, 8 * (1 + rng() % 9));
                const Bytes cipher = OpenSslBlowfish(key, iv, mode, plain);
                Bytes out(cipher.size());
                bf.Decrypt(cipher.data(), out.data(), cipher.size(), mode);
                CV_CHECK_BYTES(out.data(), plain.data(), plain.size());
            }
        }
    }
}

// Every tenth pair has K1 = K2.
CV_TEST(TripleDesMatchesOpenSslEde)
{
    std::mt19937 rng(1977);
    for (int trial = 0; trial < 200; ++trial) {
        const Bytes k1 = RandomBytes(rng, 8);
        const Bytes k2 = trial % 10 == 0 ? k1 : RandomBytes(rng, 8);
        const Bytes plain = RandomBytes(rng, rng() % 41), cipher = RandomBytes(rng, 8 * (1 + rng() % 5));
        const Bytes enciphered = OpenSslEde(k1, k2, plain, DES_ENCRYPT);
        const Bytes deciphered = OpenSslEde(k1, k2, cipher, DES_DECRYPT);
        TripleDesContext ctx = {};
        CV_CHECK_EQ(TripleDesSetKey2(&ctx, k1.data(), k2.data()), 0);
        Bytes out(48);
        int32_t n = -1;
        TripleDesEncryptBuffer(&ctx, plain.data(), int32_t(plain.size()), out.data(), &n);
        CV_CHECK(n == int32_t(enciphered.size()) && std::equal(enciphered.begin(), enciphered.end(), out.begin()));
        TripleDesDecryptBuffer(&ctx, cipher.data(), int32_t(cipher.size()), out.data(), &n);
        CV_CHECK(n == int32_t(deciphered.size()) && std::equal(deciphered.begin(), deciphered.end(), out.begin()));
    }
}
