// Blowfish and two-key triple DES against OpenSSL. With CV_WRITE_VECTORS=<dir>
// set, it also writes the known-answer files that tst_ciphers_vectors reads.
#include "harness.h"

#include "blowfish/CBlowfish.h"
#include "tripledes/TripleDes.h"

#include <openssl/blowfish.h>
#include <openssl/des.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <random>

using namespace TORVELIB;

namespace {

using Bytes = std::vector<unsigned char>;

Bytes RandomBytes(std::mt19937& rng, size_t n)
{
    Bytes b(n);
    for (auto& c : b)
        c = static_cast<unsigned char>(rng());
    return b;
}

SBlock BlockOf(const Bytes& b)
{
    auto word = [&b](int i) {
        return uint32_t(b[i]) << 24 | uint32_t(b[i + 1]) << 16 | uint32_t(b[i + 2]) << 8 | b[i + 3];
    };
    return SBlock(word(0), word(4));
}

// OpenSSL takes up to 72 key bytes where CBlowfish takes 56, so it gets 56 at most.
Bytes OpenSslBlowfish(const Bytes& key, Bytes iv, int mode, const Bytes& plain)
{
    BF_KEY k;
    BF_set_key(&k, static_cast<int>(std::min<size_t>(key.size(), 56)), key.data());
    Bytes out(plain.size());
    const long n = static_cast<long>(plain.size());
    int num = 0;
    if (mode == CBlowfish::CBC)
        BF_cbc_encrypt(plain.data(), out.data(), n, &k, iv.data(), BF_ENCRYPT);
    else if (mode == CBlowfish::CFB)
        BF_cfb64_encrypt(plain.data(), out.data(), n, &k, iv.data(), &num, BF_ENCRYPT);
    for (size_t i = 0; mode == CBlowfish::ECB && i < plain.size(); i += 8)
        BF_ecb_encrypt(plain.data() + i, out.data() + i, &k, BF_ENCRYPT);
    return out;
}

DES_key_schedule OpenSslDesKey(Bytes key)
{
    DES_key_schedule schedule;
    DES_set_key_unchecked(reinterpret_cast<const_DES_cblock*>(key.data()), &schedule);
    return schedule;
}

// DES_ecb3_encrypt with K1, K2, K1 over the zero-padded input.
Bytes OpenSslEde(const Bytes& k1, const Bytes& k2, Bytes in, int direction)
{
    DES_key_schedule s1 = OpenSslDesKey(k1);
    DES_key_schedule s2 = OpenSslDesKey(k2);
    in.resize((in.size() + 7) / 8 * 8, 0);
    Bytes out(in.size());
    for (size_t i = 0; i < in.size(); i += 8)
        DES_ecb3_encrypt(reinterpret_cast<const_DES_cblock*>(&in[i]), reinterpret_cast<DES_cblock*>(&out[i]), &s1, &s2,
                         &s1, direction);
    return out;
}

// One "Name = hex" line of a vector file.
std::string Field(const char* name, const Bytes& value)
{
    std::string s = std::string(name) + " =" + (value.empty() ? "" : " ");
    for (unsigned char c : value) {
        s += "0123456789ABCDEF"[c >> 4];
        s += "0123456789ABCDEF"[c & 15];
    }
    return s + "\n";
}

} // namespace

CV_TEST(BlowfishMatchesOpenSslForEveryKeyLengthAndMode)
{
    std::mt19937 rng(20240611);
    for (size_t keyLength = 1; keyLength <= 72; ++keyLength) {
        for (int trial = 0; trial < 3; ++trial) {
            const Bytes key = RandomBytes(rng, keyLength);
            const Bytes iv = RandomBytes(rng, 8);
            const CBlowfish bf(key.data(), key.size(), BlockOf(iv));

            const Bytes one = RandomBytes(rng, 8);
            SBlock block = BlockOf(one);
            bf.EncryptBlock(block);
            const SBlock expected = BlockOf(OpenSslBlowfish(key, iv, CBlowfish::ECB, one));
            CV_CHECK(block.m_uil == expected.m_uil && block.m_uir == expected.m_uir);

            for (int mode : {int(CBlowfish::ECB), int(CBlowfish::CBC), int(CBlowfish::CFB)}) {
                const Bytes plain = RandomBytes(rng, 8 * (1 + rng() % 9));
                const Bytes cipher = OpenSslBlowfish(key, iv, mode, plain);
                Bytes out(cipher.size());
                bf.Decrypt(cipher.data(), out.data(), cipher.size(), mode);
                CV_CHECK_BYTES(out.data(), plain.data(), plain.size());
            }
        }
    }
}

CV_TEST(TripleDesMatchesOpenSslEde)
{
    std::mt19937 rng(1977);
    for (int trial = 0; trial < 200; ++trial) {
        const Bytes k1 = RandomBytes(rng, 8);
        const Bytes k2 = trial % 10 == 0 ? k1 : RandomBytes(rng, 8); // K1 = K2 is single DES
        TripleDesContext ctx = {};
        CV_CHECK_EQ(TripleDesSetKey2(&ctx, k1.data(), k2.data()), 0);

        const Bytes plain = RandomBytes(rng, rng() % 41);
        const Bytes cipher = RandomBytes(rng, 8 * (1 + rng() % 5));
        Bytes out(48);
        int32_t outLength = -1;
        TripleDesEncryptBuffer(&ctx, plain.data(), int32_t(plain.size()), out.data(), &outLength);
        const Bytes expected = OpenSslEde(k1, k2, plain, DES_ENCRYPT);
        CV_CHECK_EQ(outLength, int32_t(expected.size()));
        CV_CHECK(std::equal(expected.begin(), expected.end(), out.begin()));

        TripleDesDecryptBuffer(&ctx, cipher.data(), int32_t(cipher.size()), out.data(), &outLength);
        const Bytes deciphered = OpenSslEde(k1, k2, cipher, DES_DECRYPT);
        CV_CHECK_EQ(outLength, int32_t(cipher.size()));
        CV_CHECK(std::equal(deciphered.begin(), deciphered.end(), out.begin()));

        if (k1 == k2) {
            DES_key_schedule single = OpenSslDesKey(k1);
            Bytes block(cipher.begin(), cipher.begin() + 8);
            DES_ecb_encrypt(reinterpret_cast<const_DES_cblock*>(block.data()),
                            reinterpret_cast<DES_cblock*>(out.data()), &single, DES_ENCRYPT);
            TripleDesCryptBlock(ctx.encryptKeys, block.data(), block.data());
            CV_CHECK_BYTES(out.data(), block.data(), 8);
        }
    }
}

// Writes the generated known-answer files; does nothing unless asked to.
CV_TEST(WriteVectorFilesWhenAsked)
{
    const char* dir = std::getenv("CV_WRITE_VECTORS");
    if (!dir)
        return;
    std::mt19937 rng(7);
    std::ofstream bf(std::string(dir) + "/blowfish.vec");
    bf << "# Blowfish known answers, computed with OpenSSL by tst_ciphers_oracle\n"
          "# (CV_WRITE_VECTORS=<dir>). IV is the chain block in big-endian bytes;\n"
          "# keys longer than 56 bytes were enciphered with their first 56 bytes.\n";
    const char* modeNames[] = {"ECB", "CBC", "CFB"};
    for (size_t keyLength : {1, 2, 3, 4, 5, 7, 8, 11, 16, 20, 24, 32, 33, 48, 55, 56, 57, 64, 72}) {
        for (int mode = 0; mode < 3; ++mode) {
            const Bytes key = RandomBytes(rng, keyLength);
            const Bytes iv = mode == 0 ? Bytes(8, 0) : RandomBytes(rng, 8);
            const Bytes plain = RandomBytes(rng, 8 * (1 + rng() % 6));
            bf << "\nMode = " << modeNames[mode] << "\n" << Field("Key", key) << Field("IV", iv)
               << Field("Plain", plain) << Field("Cipher", OpenSslBlowfish(key, iv, mode, plain));
        }
    }

    std::ofstream des(std::string(dir) + "/tripledes.vec");
    des << "# Two-key triple DES (E(K1) D(K2) E(K1)) known answers, computed with\n"
           "# OpenSSL's DES_ecb3_encrypt by tst_ciphers_oracle (CV_WRITE_VECTORS=<dir>).\n"
           "# Key is K1 followed by K2; Plain is zero-padded to whole blocks in Cipher.\n";
    for (size_t length : {0, 1, 5, 7, 8, 9, 15, 16, 17, 23, 24, 31, 40, 63, 64, 65}) {
        const Bytes k1 = RandomBytes(rng, 8);
        const Bytes k2 = length == 16 ? k1 : RandomBytes(rng, 8);
        const Bytes plain = RandomBytes(rng, length);
        Bytes key(k1);
        key.insert(key.end(), k2.begin(), k2.end());
        des << "\n" << Field("Key", key) << Field("Plain", plain)
            << Field("Cipher", OpenSslEde(k1, k2, plain, DES_ENCRYPT));
    }
    CV_CHECK(bf.good() && des.good());
}
