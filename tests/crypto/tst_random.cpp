// The entropy pool: where a mix lands, what it XORs in, how the runtime
// generator is seeded, and when the seed file is written.
#include "harness.h"

#include "random/CRandomGenerator.h"
#include "random/Md5.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <vector>

using namespace TORVELIB;

namespace {

// The pool's MD5 starts from the first 32 fractional bits of the square roots
// of 2, 3, 5 and 7: floor(sqrt(p) * 2^32), whose fractions lie far from a
// whole number, so long double's precision settles the floor.
void PoolStartWords(uint32_t words[4])
{
    const int primes[4] = { 2, 3, 5, 7 };
    for (int i = 0; i < 4; ++i)
        words[i] = uint32_t(uint64_t(std::sqrt(static_cast<long double>(primes[i])) * 4294967296.0L));
}

} // namespace

// Replays rand() for the start position and the 1024 masks (0 to 254): a mix
// starting at 1020 puts its digest at 1020 to 1023 and 0 to 11. The digest is
// MD5 (checked on RFC 1321's suite in tests/data/crypto) of v's bytes, low first.
CV_TEST(MixAtStart1020WrapsToTheFront)
{
    CRandomGenerator gen;
    std::srand(4242);
    const uint32_t r = uint32_t(std::rand());
    std::vector<unsigned char> expected(CRandomGenerator::kPoolSize);
    for (unsigned char& b : expected)
        b = static_cast<unsigned char>(std::rand() % 255);
    const uint32_t v = ((r ^ 1020u) & 1023u) | 0x5EED0000u;
    const unsigned char bytes[4] = { static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8), 0xED, 0x5E };
    uint32_t start[4];
    PoolStartWords(start);
    unsigned char digest[16];
    md5_detail::Md5Digest(start, bytes, 4, digest);
    for (uint32_t i = 0; i < 16; ++i)
        expected[(1020 + i) % expected.size()] ^= digest[i];
    std::srand(4242);
    gen.AddEntropy(v);
    CV_CHECK_EQ(cvtest::hex(gen.Pool(), expected.size()), cvtest::hex(expected));
    CV_CHECK_EQ(gen.MixCount(), 1u);
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
        std::srand(static_cast<unsigned>(static_cast<uint32_t>(t0)));
        CV_CHECK(a == b && std::rand() == a);
        return;
    }
    CV_CHECK(!"no attempt stayed within one second");
}

// Disabled, the 1024th mix writes nothing; enabled, the 2048th mix and the
// destructor write the pool, and an unwritable path returns 0.
CV_TEST(SeedFileIsWrittenOnlyWhenEnabled)
{
    const char* path = "tst_random_seed.bin";
    auto size = [path] { return long(std::ifstream(path, std::ios::binary | std::ios::ate).tellg()); }; // -1 if none
    std::remove(path);
    {
        CRandomGenerator gen;
        gen.SetSeedFile(path, false);
        for (uint32_t i = 0; i < 1024; ++i)
            gen.AddEntropy(i);
        CV_CHECK(size() == -1 && gen.SavePool() == 0);
        gen.SetSeedFile(path, true);
        for (uint32_t i = 0; i < 1023; ++i)
            gen.AddEntropy(i);
        CV_CHECK_EQ(size(), -1L);
        gen.AddEntropy(0);
        CV_CHECK_EQ(size(), 1024L);
        std::remove(path);
    }
    CV_CHECK_EQ(size(), 1024L);
    std::remove(path);
    CRandomGenerator gen;
    gen.SetSeedFile("no-such-directory/seed.bin", true);
    CV_CHECK_EQ(gen.SavePool(), 0u);
}
