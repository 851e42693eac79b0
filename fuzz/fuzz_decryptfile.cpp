// The container reader over arbitrary file contents. The reader takes a path,
// so each input is written to a scratch file first. When the input's check
// length field is small, the read is also made with that many expected bytes,
// so the check-block path is reached as well as the payload path.
#include "container/CFileEncrypt.h"
#include "platform/Utf8ToWide.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

std::string g_path;
TORVELIB::WideChar g_widePath[512];

uint32_t LoadU32(const uint8_t* p)
{
    return p[0] | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    const char* dir
        = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : (std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp");
    g_path = std::string(dir) + "/cv_fuzz_decryptfile." + std::to_string(getpid());
    if (TORVELIB::Utf8ToWide(g_path.c_str(), g_widePath, 512) == 0)
        std::abort();
    std::atexit([] { std::remove(g_path.c_str()); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FILE* f = std::fopen(g_path.c_str(), "wb");
    if (f == nullptr || std::fwrite(data, 1, size, f) != size || std::fclose(f) != 0)
        std::abort();

    uint32_t expectedLength = 0;
    if (size >= 8) {
        const uint32_t k = LoadU32(data + 4);
        if (k <= 256 && size >= 12 + size_t(k))
            expectedLength = LoadU32(data + 8 + k);
        if (expectedLength > (1u << 20))
            expectedLength = 0;
    }
    // The check value is compared byte by byte; zeros are as good as any.
    std::vector<TORVELIB::WideChar> expected(expectedLength / 2 + 1, 0);

    for (const uint32_t length : { 0u, expectedLength }) {
        unsigned char* out = nullptr;
        TORVELIB::CFileEncrypt reader;
        const uint32_t n = reader.DecryptFile(g_widePath, &out, length ? expected.data() : nullptr, length);
        if (n > 0) {
            // The plaintext is shorter than the file and followed by a zero byte.
            if (out == nullptr || n >= size || out[n] != 0)
                std::abort();
        }
        std::free(out);
        if (expectedLength == 0)
            break;
    }
    return 0;
}
