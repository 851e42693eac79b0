#include "BenchSupport.h"

#include "FileUtil.h"
#include "KeyFile.h"
#include "Producer.h"
#include "cvcrypto_keys.h"

#include <openssl/blowfish.h>
#include <openssl/bn.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>

namespace cvbench {

Bytes Pattern(size_t n, uint32_t seed)
{
    Bytes b(n);
    uint32_t x = seed * 2654435761u + 1;
    for (size_t i = 0; i < n; ++i) {
        x = x * 1103515245u + 12345u;
        b[i] = static_cast<unsigned char>(x >> 16);
    }
    return b;
}

std::string Hex(const Bytes& bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string s;
    s.reserve(2 * bytes.size());
    for (unsigned char b : bytes) {
        s += digits[b >> 4];
        s += digits[b & 15];
    }
    return s;
}

namespace {

struct Scratch {
    std::string path;
    Scratch()
    {
        char name[] = "/tmp/cvbench.XXXXXX";
        if (::mkdtemp(name) == nullptr) {
            std::perror("mkdtemp");
            std::exit(2);
        }
        path = name;
    }
    ~Scratch()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
};

} // namespace

const std::string& ScratchDir()
{
    static const Scratch scratch;
    return scratch.path;
}

bool CanPackContainers(std::string& why)
{
    cvdata::KeyFile key;
    std::string error;
    if (!key.Load(CV_BENCH_KEY_FILE, error)) {
        why = "cannot load the development key: " + error;
        return false;
    }
    if (!key.MatchesBuild()) {
        why = "built with another data-file key; containers cannot be produced";
        return false;
    }
    return true;
}

std::string ContainerFile(size_t plainLength, std::string& why)
{
    static std::map<size_t, std::string> made;
    const auto it = made.find(plainLength);
    if (it != made.end())
        return it->second;

    cvdata::KeyFile key;
    std::string error;
    if (!key.Load(CV_BENCH_KEY_FILE, error)) {
        why = "cannot load the development key: " + error;
        return std::string();
    }
    if (!key.MatchesBuild()) {
        why = "built with another data-file key; containers cannot be produced";
        return std::string();
    }
    const Bytes plain = Pattern(plainLength, static_cast<uint32_t>(plainLength));
    Bytes container;
    if (!cvdata::Pack(key, plain, nullptr, container, error)) {
        why = "packing failed: " + error;
        return std::string();
    }
    const std::string path = ScratchDir() + "/payload-" + std::to_string(plainLength) + ".data";
    if (!cvdata::WriteFileAtomically(path, container, true, 0600, error)) {
        why = error;
        return std::string();
    }
    made[plainLength] = path;
    return path;
}

namespace {

constexpr uint32_t kChunk = 65536;

bool ReadAll(int fd, void* buffer, size_t n)
{
    auto* p = static_cast<unsigned char*>(buffer);
    while (n > 0) {
        const ssize_t got = ::read(fd, p, n);
        if (got <= 0)
            return false;
        p += got;
        n -= static_cast<size_t>(got);
    }
    return true;
}

bool ReadU32(int fd, uint32_t& v)
{
    unsigned char b[4];
    if (!ReadAll(fd, b, 4))
        return false;
    v = b[0] | (uint32_t(b[1]) << 8) | (uint32_t(b[2]) << 16) | (uint32_t(b[3]) << 24);
    return true;
}

// The build's public key, parsed once: the floor does no text parsing of it.
struct PublicKey {
    BIGNUM* n = nullptr;
    BIGNUM* e = nullptr;
    BN_CTX* ctx = BN_CTX_new();
    PublicKey()
    {
        BN_hex2bn(&n, TORVELIB::keys::kRsaModulus);
        BN_hex2bn(&e, TORVELIB::keys::kRsaPublicExponent);
    }
    ~PublicKey()
    {
        BN_free(n);
        BN_free(e);
        BN_CTX_free(ctx);
    }
};

} // namespace

uint32_t FloorDecryptFile(const char* path, unsigned char** out)
{
    static const PublicKey pub;
    const int fd = ::open(path, O_RDONLY);
    if (fd < 0)
        return 0;
    uint32_t length = 0;
    uint32_t keyText = 0;
    uint32_t check = 0;
    char text[260];
    uint32_t result = 0;
    BIGNUM* c = nullptr;
    BIGNUM* m = BN_new();
    unsigned char block[128];
    unsigned char* plain = nullptr;
    if (!ReadU32(fd, length) || !ReadU32(fd, keyText) || keyText > 256 || !ReadAll(fd, text, keyText))
        goto done;
    length ^= TORVELIB::keys::kLengthMask;
    for (uint32_t i = 0; i < keyText; ++i)
        text[i] = static_cast<char>(static_cast<unsigned char>(text[i]) ^ TORVELIB::keys::kKeyTextMask);
    text[keyText] = 0;
    if (BN_hex2bn(&c, text) == 0 || BN_mod_exp(m, c, pub.e, pub.n, pub.ctx) != 1
        || BN_bn2binpad(m, block, sizeof block) != sizeof block)
        goto done;
    if (!ReadU32(fd, check) || check != 0)
        goto done;
    {
        const uint32_t j = block[2] | (uint32_t(block[3]) << 8);
        if (block[1] != 2 || j == 0 || j > 124)
            goto done;
        BF_KEY bf;
        BF_set_key(&bf, static_cast<int>(j > 56 ? 56 : j), block + sizeof block - j);
        plain = static_cast<unsigned char*>(std::malloc(size_t(length) + 16));
        const uint32_t padded = (length + 15) & ~15u;
        for (uint32_t done = 0; done < padded;) {
            const uint32_t n = padded - done < kChunk ? padded - done : kChunk;
            if (!ReadAll(fd, plain + done, n))
                goto done;
            for (uint32_t i = 0; i < n; i += 8)
                BF_ecb_encrypt(plain + done + i, plain + done + i, &bf, BF_DECRYPT);
            done += n;
        }
        plain[length] = 0;
        *out = plain;
        plain = nullptr;
        result = length;
    }
done:
    std::free(plain);
    BN_free(c);
    BN_free(m);
    ::close(fd);
    return result;
}

} // namespace cvbench
