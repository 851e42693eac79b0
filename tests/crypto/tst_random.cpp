// The entropy pool: where a mix lands, what it XORs in, how the runtime
// generator is seeded, and when the seed file is written.
#include "harness.h"

#include "random/CRandomGenerator.h"
#include "random/Md5.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <vector>

using namespace TORVELIB;

// RFC 1321's vectors, across the one- and two-block padding and past one block.
CV_TEST(Md5CoreMatchesRfc1321)
{
    const char* const cases[][2] = {
        { "", "D41D8CD98F00B204E9800998ECF8427E" },
        { "abc", "900150983CD24FB0D6963F7D28E17F72" },
        { "message digest", "F96B697D7CB7938D525A2F31AAF161D0" },
        { "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "D174AB98D277D9F5A5611C2C9F419D9F" },
        { "12345678901234567890123456789012345678901234567890123456789012345678901234567890",
            "57EDF4A22BE3C955AC49DA2E2107B67A" },
    };
    for (const auto& c : cases) {
        unsigned char digest[16];
        md5_detail::Md5Digest(
            md5_detail::kStandardIv, reinterpret_cast<const unsigned char*>(c[0]), std::strlen(c[0]), digest);
        CV_CHECK_EQ(cvtest::hex(digest, 16), c[1]);
    }
}

// Replays rand() for the start position and the 1024 masks (0 to 254): a mix
// starting at 1020 puts its digest at 1020 to 1023 and 0 to 11.
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
    unsigned char digest[16];
    md5_detail::Md5Digest(md5_detail::kPoolIv, bytes, 4, digest);
    for (uint32_t i = 0; i < 16; ++i)
        expected[(1020 + i) % expected.size()] ^= digest[i];
    std::srand(4242);
    gen.AddEntropy(v);
    CV_CHECK_BYTES(gen.Pool(), expected.data(), expected.size());
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
