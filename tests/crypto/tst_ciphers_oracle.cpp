// Blowfish and two-key triple DES against OpenSSL's implementations. With
// CV_WRITE_VECTORS=<dir> set, it also writes the known-answer files that
// tst_ciphers_vectors reads where OpenSSL is not available.
#include "harness.h"

#include "blowfish/CBlowfish.h"
#include "tripledes/TripleDes.h"

#include <openssl/blowfish.h>
#include <openssl/des.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>

using namespace TORVELIB;

namespace {

using Bytes = std::vector<unsigned char>;

std::mt19937 rng(20240611);

Bytes RandomBytes(size_t n)
{
    Bytes b(n);
    for (auto& c : b)
        c = static_cast<unsigned char>(rng());
    return b;
}

void PutBigEndian(unsigned char* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<unsigned char>(v >> (24 - 8 * i));
}

// OpenSSL takes up to 72 key bytes; CBlowfish uses only the first 56.
BF_KEY OpenSslKey(const Bytes& key)
{
    BF_KEY k;
    BF_set_key(&k, static_cast<int>(key.size() < 56 ? key.size() : 56), key.data());
    return k;
}

// Enciphers with OpenSSL in the given mode; the IV is the chain block in big-endian bytes.
Bytes OpenSslBlowfish(const Bytes& key, const SBlock& chain, int mode, const Bytes& plain)
{
    const BF_KEY k = OpenSslKey(key);
    unsigned char iv[8];
    PutBigEndian(iv, chain.m_uil);
    PutBigEndian(iv + 4, chain.m_uir);
    Bytes out(plain.size());
    const long n = static_cast<long>(plain.size());
    if (mode == CBlowfish::CBC) {
        BF_cbc_encrypt(plain.data(), out.data(), n, &k, iv, BF_ENCRYPT);
    } else if (mode == CBlowfish::CFB) {
        int num = 0;
        BF_cfb64_encrypt(plain.data(), out.data(), n, &k, iv, &num, BF_ENCRYPT);
    } else {
        for (size_t i = 0; i < plain.size(); i += 8)
            BF_ecb_encrypt(plain.data() + i, out.data() + i, &k, BF_ENCRYPT);
    }
    return out;
}

struct DesKeys {
    DES_key_schedule k1;
    DES_key_schedule k2;
};

DesKeys OpenSslDes(const unsigned char* k1, const unsigned char* k2)
{
    DesKeys keys;
    DES_cblock b1;
    DES_cblock b2;
    std::memcpy(b1, k1, 8);
    std::memcpy(b2, k2, 8);
    DES_set_key_unchecked(&b1, &keys.k1);
    DES_set_key_unchecked(&b2, &keys.k2);
    return keys;
}

// E(K1) D(K2) E(K1) over zero-padded blocks, or its inverse.
Bytes OpenSslEde(const DesKeys& keys, const Bytes& in, int direction)
{
    Bytes padded(in);
    padded.resize((in.size() + 7) / 8 * 8, 0);
    Bytes out(padded.size());
    for (size_t i = 0; i < padded.size(); i += 8) {
        DES_cblock block;
        std::memcpy(block, padded.data() + i, 8);
        DES_ecb3_encrypt(&block, reinterpret_cast<DES_cblock*>(out.data() + i), const_cast<DES_key_schedule*>(&keys.k1),
                         const_cast<DES_key_schedule*>(&keys.k2), const_cast<DES_key_schedule*>(&keys.k1), direction);
    }
    return out;
}

std::string Hex(const Bytes& b)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string s;
    for (unsigned char c : b) {
        s += digits[c >> 4];
        s += digits[c & 15];
    }
    return s;
}

// One "Name = hex" line of a vector file.
std::string Field(const char* name, const Bytes& value)
{
    return std::string(name) + (value.empty() ? " =\n" : " = " + Hex(value) + "\n");
}

} // namespace

CV_TEST(BlowfishMatchesOpenSslForEveryKeyLengthAndMode)
{
    const int modes[] = {CBlowfish::ECB, CBlowfish::CBC, CBlowfish::CFB};
    for (size_t keyLength = 1; keyLength <= 72; ++keyLength) {
        for (int trial = 0; trial < 3; ++trial) {
            const Bytes key = RandomBytes(keyLength);
            const SBlock chain(static_cast<uint32_t>(rng()), static_cast<uint32_t>(rng()));
            const CBlowfish bf(key.data(), key.size(), chain);

            BF_LONG ref[2] = {static_cast<BF_LONG>(rng()), static_cast<BF_LONG>(rng())};
            SBlock block(ref[0], ref[1]);
            const BF_KEY k = OpenSslKey(key);
            BF_encrypt(ref, &k);
            bf.EncryptBlock(block);
            CV_CHECK(block.m_uil == ref[0] && block.m_uir == ref[1]);
            bf.DecryptBlock(block);

            for (int mode : modes) {
                const Bytes plain = RandomBytes(8 * (1 + rng() % 9));
                const Bytes cipher = OpenSslBlowfish(key, chain, mode, plain);
                Bytes out(cipher.size());
                bf.Decrypt(cipher.data(), out.data(), cipher.size(), mode);
                CV_CHECK_BYTES(out.data(), plain.data(), plain.size());
            }
        }
    }
}

CV_TEST(TripleDesMatchesOpenSslEde)
{
    for (int trial = 0; trial < 200; ++trial) {
        const Bytes k1 = RandomBytes(8);
        const Bytes k2 = trial % 10 == 0 ? k1 : RandomBytes(8);
        TripleDesContext ctx = {};
        CV_CHECK_EQ(TripleDesSetKey2(&ctx, k1.data(), k2.data()), 0);
        const DesKeys keys = OpenSslDes(k1.data(), k2.data());

        const Bytes plain = RandomBytes(rng() % 41);
        Bytes out(48);
        int32_t outLength = -1;
        TripleDesEncryptBuffer(&ctx, plain.data(), static_cast<int32_t>(plain.size()), out.data(), &outLength);
        const Bytes expected = OpenSslEde(keys, plain, DES_ENCRYPT);
        CV_CHECK_EQ(outLength, static_cast<int32_t>(expected.size()));
        CV_CHECK(std::equal(expected.begin(), expected.end(), out.begin()));

        const Bytes cipher = RandomBytes(8 * (rng() % 6));
        TripleDesDecryptBuffer(&ctx, cipher.data(), static_cast<int32_t>(cipher.size()), out.data(), &outLength);
        const Bytes deciphered = OpenSslEde(keys, cipher, DES_DECRYPT);
        CV_CHECK_EQ(outLength, static_cast<int32_t>(cipher.size()));
        CV_CHECK(std::equal(deciphered.begin(), deciphered.end(), out.begin()));

        // With K1 = K2 the three stages collapse to one DES under K1.
        if (k1 == k2) {
            const Bytes block = RandomBytes(8);
            DES_cblock in;
            DES_cblock single;
            std::memcpy(in, block.data(), 8);
            DES_ecb_encrypt(&in, &single, const_cast<DES_key_schedule*>(&keys.k1), DES_ENCRYPT);
            unsigned char mine[8];
            TripleDesCryptBlock(ctx.encryptKeys, in, mine);
            CV_CHECK_BYTES(mine, single, 8);
        }
    }
}

// Writes the generated known-answer files; does nothing unless asked to.
CV_TEST(WriteVectorFilesWhenAsked)
{
    const char* dir = std::getenv("CV_WRITE_VECTORS");
    if (!dir)
        return;
    std::mt19937 gen(7);
    auto bytes = [&gen](size_t n) {
        Bytes b(n);
        for (auto& c : b)
            c = static_cast<unsigned char>(gen());
        return b;
    };

    std::ofstream bf(std::string(dir) + "/blowfish.vec");
    bf << "# Blowfish known answers, computed with OpenSSL by tst_ciphers_oracle\n"
          "# (CV_WRITE_VECTORS=<dir>). IV is the chain block in big-endian bytes;\n"
          "# keys longer than 56 bytes were enciphered with their first 56 bytes.\n";
    const char* modeNames[] = {"ECB", "CBC", "CFB"};
    const size_t keyLengths[] = {1, 2, 3, 4, 5, 7, 8, 11, 16, 20, 24, 32, 33, 48, 55, 56, 57, 64, 72};
    for (size_t keyLength : keyLengths) {
        for (int mode = 0; mode < 3; ++mode) {
            const Bytes key = bytes(keyLength);
            const SBlock chain(mode == 0 ? 0 : static_cast<uint32_t>(gen()), mode == 0 ? 0 : static_cast<uint32_t>(gen()));
            const Bytes plain = bytes(8 * (1 + gen() % 6));
            Bytes iv(8);
            PutBigEndian(iv.data(), chain.m_uil);
            PutBigEndian(iv.data() + 4, chain.m_uir);
            bf << "\nMode = " << modeNames[mode] << "\n"
               << Field("Key", key) << Field("IV", iv) << Field("Plain", plain)
               << Field("Cipher", OpenSslBlowfish(key, chain, mode, plain));
        }
    }

    std::ofstream des(std::string(dir) + "/tripledes.vec");
    des << "# Two-key triple DES (E(K1) D(K2) E(K1)) known answers, computed with\n"
           "# OpenSSL's DES_ecb3_encrypt by tst_ciphers_oracle (CV_WRITE_VECTORS=<dir>).\n"
           "# Key is K1 followed by K2; Plain is zero-padded to whole blocks in Cipher.\n";
    const size_t lengths[] = {0, 1, 5, 7, 8, 9, 15, 16, 17, 23, 24, 31, 40, 63, 64, 65};
    for (size_t length : lengths) {
        const Bytes k1 = bytes(8);
        const Bytes k2 = length == 16 ? k1 : bytes(8);
        const Bytes plain = bytes(length);
        Bytes key(k1);
        key.insert(key.end(), k2.begin(), k2.end());
        des << "\n"
            << Field("Key", key) << Field("Plain", plain)
            << Field("Cipher", OpenSslEde(OpenSslDes(k1.data(), k2.data()), plain, DES_ENCRYPT));
    }
    CV_CHECK(bf.good() && des.good());
}
