// The entropy pool: where a mix lands, what it XORs in, how the runtime
// generator is seeded and drawn from, and when the seed file is written.
#include "harness.h"

#include "random/CRandomGenerator.h"
#include "random/Md5.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

using namespace TORVELIB;
using md5_detail::Md5Digest;

namespace {

constexpr uint32_t kSize = CRandomGenerator::kPoolSize;

// The size of the file, or -1 when there is none.
long FileSize(const char* path)
{
    std::FILE* f = std::fopen(path, "rb");
    if (!f)
        return -1;
    std::fseek(f, 0, SEEK_END);
    const long size = std::ftell(f);
    std::fclose(f);
    return size;
}

} // namespace

CV_TEST(Md5CoreMatchesRfc1321)
{
    const char* const cases[][2] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const auto& c : cases) {
        unsigned char digest[16];
        Md5Digest(md5_detail::kStandardIv, reinterpret_cast<const unsigned char*>(c[0]), std::strlen(c[0]), digest);
        CV_CHECK(cvtest::hex(digest, 16) == c[1]);
    }
}

CV_TEST(MixAtStart1020WrapsToTheFront)
{
    CRandomGenerator gen;
    const std::vector<unsigned char> zeros(kSize, 0);
    CV_CHECK_BYTES(gen.Pool(), zeros.data(), kSize);

    // Replay the runtime generator to know the start draw and the 1024 masks.
    std::srand(4242);
    const uint32_t r = uint32_t(std::rand());
    std::vector<unsigned char> expected(kSize);
    for (auto& b : expected)
        b = static_cast<unsigned char>(std::rand() % 255);

    const uint32_t v = ((r ^ 1020u) & 1023u) | 0x5EED0000u;
    const unsigned char bytes[4] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8), 0xED, 0x5E};
    unsigned char digest[16];
    Md5Digest(md5_detail::kPoolIv, bytes, 4, digest);
    for (uint32_t i = 0; i < 16; ++i)
        expected[(1020 + i) % kSize] ^= digest[i];

    std::srand(4242);
    gen.AddEntropy(v);
    CV_CHECK_BYTES(gen.Pool(), expected.data(), kSize);
    CV_CHECK_EQ(gen.MixCount(), 1u);
}

// Outside the 16 digest bytes a mix changes each byte by its mask alone.
CV_TEST(MasksRunFrom0To254)
{
    CRandomGenerator gen;
    std::vector<unsigned char> before(kSize, 0);
    int seen[256] = {};
    for (unsigned mix = 0; mix < 300; ++mix) {
        std::srand(mix);
        const uint32_t start = (uint32_t(std::rand()) ^ mix) & 1023u;
        std::srand(mix);
        gen.AddEntropy(mix);
        for (uint32_t i = 0; i < kSize; ++i) {
            if (((i - start) & 1023u) >= 16)
                ++seen[before[i] ^ gen.Pool()[i]];
            before[i] = gen.Pool()[i];
        }
    }
    CV_CHECK_EQ(seen[255], 0);
    CV_CHECK(seen[0] > 0 && seen[254] > 0);
}

CV_TEST(ConstructionSeedsWithTheTimeInSeconds)
{
    for (int attempt = 0; attempt < 5; ++attempt) {
        const std::time_t t0 = std::time(nullptr);
        CRandomGenerator first;
        const int a = std::rand();
        CRandomGenerator second;
        const int b = std::rand();
        if (std::time(nullptr) != t0)
            continue; // a second boundary passed in between
        CV_CHECK_EQ(a, b);
        std::srand(static_cast<unsigned>(static_cast<uint32_t>(t0)));
        CV_CHECK_EQ(std::rand(), a);
        return;
    }
    CV_CHECK(!"no attempt stayed within one second");
}

CV_TEST(SeedFileIsWrittenOnlyWhenEnabled)
{
    const char* path = "tst_random_seed.bin";
    std::remove(path);
    {
        CRandomGenerator gen;
        gen.SetSeedFile(path, false);
        for (uint32_t i = 0; i < 1024; ++i)
            gen.AddEntropy(i);
        CV_CHECK(FileSize(path) == -1 && gen.SavePool() == 0);

        gen.SetSeedFile(path, true);
        for (uint32_t i = 0; i < 1023; ++i)
            gen.AddEntropy(i);
        CV_CHECK_EQ(FileSize(path), -1L);
        gen.AddEntropy(0); // the 2048th
        CV_CHECK_EQ(FileSize(path), 1024L);
        std::remove(path);
        CV_CHECK(gen.SavePool() == 1 && FileSize(path) == 1024);
        std::remove(path);
    }
    CV_CHECK_EQ(FileSize(path), 1024L); // the destructor saves too
    std::remove(path);

    CRandomGenerator gen;
    gen.SetSeedFile("no-such-directory/seed.bin", true);
    CV_CHECK_EQ(gen.SavePool(), 0u);
}
