/* Writes the OpenSSL-computed known-answer files of tests/data: blowfish.vec,
 * tripledes.vec, bignum.vec and rsa.vec. The inputs come from a fixed
 * pseudo-random sequence, so the output is the same on every run, and
 *
 *   gen_vectors OUTDIR [REFDIR]
 *
 * with REFDIR also compares each file written with the one of that name
 * there, failing on any difference. The RSA vectors use the development key
 * pair, read from the key file named by CV_DEV_KEY_FILE. */
#include <openssl/blowfish.h>
#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/des.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static uint64_t g_state = 0x9E3779B97F4A7C15u;

static uint32_t Next(void)
{
    g_state ^= g_state >> 12;
    g_state ^= g_state << 25;
    g_state ^= g_state >> 27;
    return (uint32_t)((g_state * 0x2545F4914F6CDD1Du) >> 32);
}

static uint32_t Below(uint32_t n) { return Next() % n; }

static void RandomBytes(unsigned char* b, size_t n)
{
    for (size_t i = 0; i < n; ++i)
        b[i] = (unsigned char)Next();
}

static void Die(const char* what)
{
    fprintf(stderr, "gen_vectors: %s\n", what);
    exit(1);
}

static void PutHex(FILE* f, const char* name, const unsigned char* b, size_t n)
{
    fprintf(f, "%s =%s", name, n ? " " : "");
    for (size_t i = 0; i < n; ++i)
        fprintf(f, "%02X", b[i]);
    fputc('\n', f);
}

static void PutBn(FILE* f, const char* name, const BIGNUM* b)
{
    char* hex = BN_bn2hex(b);
    const char* digits = hex;
    while (digits[0] == '0' && digits[1] != 0)
        ++digits;
    fprintf(f, "%s = %s\n", name, digits);
    OPENSSL_free(hex);
}

/* A random number of exactly `bits` bits (odd if asked), from the sequence. */
static void RandomBits(BIGNUM* out, int bits, int odd)
{
    unsigned char buf[512];
    const int bytes = (bits + 7) / 8;
    RandomBytes(buf, (size_t)bytes);
    buf[0] &= (unsigned char)(0xFF >> (8 * bytes - bits));
    buf[0] |= (unsigned char)(0x80 >> (8 * bytes - bits));
    if (odd)
        buf[bytes - 1] |= 1;
    BN_bin2bn(buf, bytes, out);
}

static void Blowfish(FILE* f)
{
    fprintf(f,
        "# Blowfish: every key length from 1 to 72 bytes in each mode. IV is the chain\n"
        "# block, big-endian; OpenSSL took the first 56 bytes of longer keys.\n\n[Blowfish]\n");
    static const char* const modes[] = { "ECB", "CBC", "CFB" };
    for (int keyLength = 1; keyLength <= 72; ++keyLength) {
        for (int mode = 0; mode < 3; ++mode) {
            unsigned char key[72], iv[8], plain[160], cipher[160];
            const size_t n = 8 * (1 + Below(20));
            RandomBytes(key, (size_t)keyLength);
            RandomBytes(iv, 8);
            RandomBytes(plain, n);
            BF_KEY k;
            BF_set_key(&k, keyLength < 56 ? keyLength : 56, key);
            unsigned char chain[8];
            memcpy(chain, iv, 8);
            int num = 0;
            if (mode == 1)
                BF_cbc_encrypt(plain, cipher, (long)n, &k, chain, BF_ENCRYPT);
            else if (mode == 2)
                BF_cfb64_encrypt(plain, cipher, (long)n, &k, chain, &num, BF_ENCRYPT);
            for (size_t i = 0; mode == 0 && i < n; i += 8)
                BF_ecb_encrypt(plain + i, cipher + i, &k, BF_ENCRYPT);
            fprintf(f, "\nMode = %s\n", modes[mode]);
            PutHex(f, "Key", key, (size_t)keyLength);
            PutHex(f, "IV", iv, 8);
            PutHex(f, "Plain", plain, n);
            PutHex(f, "Cipher", cipher, n);
        }
    }
}

static void TripleDes(FILE* f)
{
    fprintf(f,
        "# Two-key triple DES, E(K1) D(K2) E(K1), with DES_ecb3_encrypt. Key is K1 then\n"
        "# K2 (every tenth pair equal); Plain is zero-padded to whole blocks in Cipher.\n\n[DES]\n");
    for (int trial = 0; trial < 120; ++trial) {
        unsigned char key[16], plain[104] = { 0 }, cipher[104];
        const size_t n = trial < 17 ? (size_t)trial : Below(100);
        RandomBytes(key, 8);
        if (trial % 10 == 0)
            memcpy(key + 8, key, 8);
        else
            RandomBytes(key + 8, 8);
        RandomBytes(plain, n);
        DES_key_schedule s1, s2;
        DES_set_key_unchecked((const_DES_cblock*)key, &s1);
        DES_set_key_unchecked((const_DES_cblock*)(key + 8), &s2);
        const size_t padded = (n + 7) / 8 * 8;
        for (size_t i = 0; i < padded; i += 8)
            DES_ecb3_encrypt((const_DES_cblock*)(plain + i), (DES_cblock*)(cipher + i), &s1, &s2, &s1, DES_ENCRYPT);
        fputc('\n', f);
        PutHex(f, "Key", key, 16);
        PutHex(f, "Plain", plain, n);
        PutHex(f, "Cipher", cipher, padded);
    }
}

static void ModExp(FILE* f, BN_CTX* ctx, const BIGNUM* base, const BIGNUM* e, const BIGNUM* m)
{
    BIGNUM* r = BN_new();
    if (!BN_mod_exp(r, base, e, m, ctx))
        Die("BN_mod_exp failed");
    fputc('\n', f);
    PutBn(f, "Base", base);
    PutBn(f, "Exponent", e);
    PutBn(f, "Modulus", m);
    PutBn(f, "Result", r);
    BN_free(r);
}

static void BigNumbers(FILE* f)
{
    BN_CTX* ctx = BN_CTX_new();
    BIGNUM *m = BN_new(), *base = BN_new(), *e = BN_new(), *t = BN_new();
    fprintf(f,
        "# Big numbers, with OpenSSL's BN. ModExp: exponents at both ends of each band\n"
        "# of the window table, moduli of 1 to 64 words, bases shorter and longer than\n"
        "# them; then base 2 (the doubling path) beside 2 + N (the general one).\n\n[ModExp]\n");
    static const int bits[] = { 2, 3, 5, 6, 17, 23, 24, 80, 81, 240, 241, 672, 673, 1792, 1793, 2100 };
    for (size_t i = 0; i < sizeof bits / sizeof bits[0]; ++i) {
        for (uint32_t round = 0; round < 3; ++round) {
            const uint32_t words = round < 2 ? round + 1 : 1 + Below(64);
            RandomBits(m, (int)(32 * words - Below(32)), 1);
            RandomBits(base, (int)(32 * (1 + Below(words + 2)) - Below(32)), 0);
            RandomBits(e, bits[i], 0);
            ModExp(f, ctx, base, e, m);
        }
    }
    /* A modulus of all ones, with a base equal to it and a small one. */
    BN_lshift(m, BN_value_one(), 1024);
    BN_sub_word(m, 1);
    BN_set_word(e, 65537);
    ModExp(f, ctx, m, e, m);
    BN_set_word(base, 3);
    ModExp(f, ctx, base, e, m);
    /* Short exponents first, so that their leading bits alone reach the modulus size. */
    for (int round = 0; round < 24; ++round) {
        RandomBits(m, (int)(32 * (1 + Below(64)) - Below(32)), 1);
        RandomBits(e, 1 + (int)Below(round < 12 ? 16 : 1100), 0);
        if (BN_is_one(m))
            continue;
        BN_set_word(base, 2);
        ModExp(f, ctx, base, e, m);
        BN_add(base, m, base);
        ModExp(f, ctx, base, e, m);
    }

    fprintf(f, "\n# One number in both radixes, plus and times a word W.\n[BigNumber]\n");
    for (int round = 0; round < 40; ++round) {
        RandomBits(t, (int)(32 * (1 + Below(64)) - Below(32)), 0);
        if (round % 8 == 0) { /* all ones, so that adding carries out of the top word */
            BN_lshift(t, BN_value_one(), 32 * (int)(1 + Below(64)));
            BN_sub_word(t, 1);
        }
        const uint32_t w = round % 7 == 0 ? Below(3) : Next();
        char* dec = BN_bn2dec(t);
        fputc('\n', f);
        PutBn(f, "Hex", t);
        fprintf(f, "Decimal = %s\nW = %08X\n", dec, w);
        OPENSSL_free(dec);
        BN_copy(base, t);
        BN_add_word(base, w);
        PutBn(f, "Sum", base);
        BN_mul_word(t, w);
        PutBn(f, "Product", t);
    }
    BN_free(m);
    BN_free(base);
    BN_free(e);
    BN_free(t);
    BN_CTX_free(ctx);
}

/* One key block: B[0] = 0, the type, J low byte first, filler, data last. */
static void Rsa1(FILE* f, BN_CTX* ctx, const BIGNUM* n, const BIGNUM* d, const BIGNUM* e, unsigned type, unsigned j,
    int above, const char* what)
{
    unsigned char block[128];
    RandomBytes(block, sizeof block);
    block[0] = 0;
    block[1] = (unsigned char)type;
    block[2] = (unsigned char)j;
    block[3] = (unsigned char)(j >> 8);
    BIGNUM *m = BN_bin2bn(block, 128, NULL), *c = BN_new();
    BN_mod_exp(c, m, d, n, ctx);
    if (above)
        BN_add(c, c, n);
    /* The data are the J low bytes of m, big-endian; zeros above its 128. */
    unsigned char out[600] = { 0 };
    int result = type != 2 ? -3 : j + 1 > 512 ? -2 : (int)j;
    if (result > 0) {
        unsigned char full[128];
        BN_bn2binpad(m, full, 128);
        if (j <= 128)
            memcpy(out, full + 128 - j, j);
        else
            memcpy(out + j - 128, full, 128);
    }
    fprintf(f, "\n# %s\n", what);
    PutBn(f, "Modulus", n);
    PutBn(f, "Exponent", e);
    PutBn(f, "In", c);
    fprintf(f, "Result = %d\n", result);
    PutHex(f, "Out", out, result > 0 ? (size_t)result : 0);
    BN_free(m);
    BN_free(c);
}

static void Rsa(FILE* f, const char* keyFile)
{
    FILE* kf = fopen(keyFile, "r");
    if (!kf)
        Die("cannot open the key file");
    EVP_PKEY* key = PEM_read_PrivateKey(kf, NULL, NULL, NULL);
    fclose(kf);
    BIGNUM *n = NULL, *d = NULL, *e = NULL;
    if (!key || !EVP_PKEY_get_bn_param(key, OSSL_PKEY_PARAM_RSA_N, &n)
        || !EVP_PKEY_get_bn_param(key, OSSL_PKEY_PARAM_RSA_D, &d)
        || !EVP_PKEY_get_bn_param(key, OSSL_PKEY_PARAM_RSA_E, &e))
        Die("cannot read the RSA key");
    BN_CTX* ctx = BN_CTX_new();
    fprintf(f,
        "# Key blocks enciphered with the development key's private exponent (OpenSSL's\n"
        "# BN_mod_exp) and opened with an output capacity of 512. Out is the data.\n\n[RSA]\n");
    Rsa1(f, ctx, n, d, e, 2, 16, 0, "16 bytes of data");
    Rsa1(f, ctx, n, d, e, 2, 56, 0, "the longest payload key");
    Rsa1(f, ctx, n, d, e, 2, 124, 0, "all of the block after the length");
    Rsa1(f, ctx, n, d, e, 2, 56, 1, "c + n opens as c");
    Rsa1(f, ctx, n, d, e, 2, 0, 0, "no data");
    Rsa1(f, ctx, n, d, e, 2, 511, 0, "the longest length that fits the capacity with its terminator");
    Rsa1(f, ctx, n, d, e, 2, 512, 0, "one more");
    Rsa1(f, ctx, n, d, e, 1, 16, 0, "another block type");
    /* A modulus that is even, or zero, refuses before anything is unpacked. */
    BIGNUM* even = BN_dup(n);
    BN_sub_word(even, 1);
    BIGNUM* c = BN_new();
    BN_set_word(c, 12345);
    for (int i = 0; i < 2; ++i) {
        fprintf(f, "\n# %s modulus\n", i ? "zero" : "even");
        if (i)
            fprintf(f, "Modulus = 0\n");
        else
            PutBn(f, "Modulus", even);
        PutBn(f, "Exponent", e);
        PutBn(f, "In", c);
        fprintf(f, "Result = -1\nOut =\n");
    }
    BN_free(c);
    BN_free(even);
    BN_CTX_free(ctx);
    BN_free(n);
    BN_free(d);
    BN_free(e);
    EVP_PKEY_free(key);
}

static int Same(const char* a, const char* b)
{
    FILE *fa = fopen(a, "rb"), *fb = fopen(b, "rb");
    int same = fa && fb;
    while (same) {
        const int ca = fgetc(fa), cb = fgetc(fb);
        same = ca == cb;
        if (ca == EOF)
            break;
    }
    if (fa)
        fclose(fa);
    if (fb)
        fclose(fb);
    return same;
}

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 3)
        Die("usage: gen_vectors OUTDIR [REFDIR]");
    static const char* const names[] = { "blowfish.vec", "tripledes.vec", "bignum.vec", "rsa.vec" };
    int failed = 0;
    for (int i = 0; i < 4; ++i) {
        char path[4096], ref[4096];
        snprintf(path, sizeof path, "%s/%s", argv[1], names[i]);
        FILE* f = fopen(path, "w");
        if (!f)
            Die("cannot write the output folder");
        fprintf(f, "# Generated by tests/data/gen_vectors.c; do not edit.\n");
        if (i == 0)
            Blowfish(f);
        else if (i == 1)
            TripleDes(f);
        else if (i == 2)
            BigNumbers(f);
        else
            Rsa(f, CV_DEV_KEY_FILE);
        if (fclose(f) != 0)
            Die("cannot write the output folder");
        snprintf(ref, sizeof ref, "%s/%s", argc == 3 ? argv[2] : "", names[i]);
        if (argc == 3 && !Same(path, ref)) {
            fprintf(stderr, "gen_vectors: %s differs from %s\n", ref, path);
            failed = 1;
        }
    }
    return failed;
}
