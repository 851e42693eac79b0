// CFileEncrypt::DecryptFile against its floor: the same file read and its
// payload deciphered with OpenSSL, plus one OpenSSL RSA public operation.
#include "BenchSupport.h"

#include "container/CFileEncrypt.h"
#include "platform/Utf8ToWide.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>

namespace {

template <size_t Size> void DecryptFile_Lib(benchmark::State& state)
{
    std::string why;
    const std::string path = cvbench::ContainerFile(Size, why);
    if (path.empty()) {
        state.SkipWithError(why.c_str());
        return;
    }
    TORVELIB::WideChar wide[260] = {};
    TORVELIB::Utf8ToWide(path.c_str(), wide, 260);
    // Ours and the floor must read the same plaintext.
    unsigned char* ours = nullptr;
    unsigned char* floor = nullptr;
    const uint32_t n = TORVELIB::CFileEncrypt().DecryptFile(wide, &ours, nullptr, 0);
    const uint32_t m = cvbench::FloorDecryptFile(path.c_str(), &floor);
    const bool same = n == Size && m == Size && std::memcmp(ours, floor, Size) == 0;
    std::free(ours);
    std::free(floor);
    if (!same) {
        state.SkipWithError("DecryptFile and the floor disagree");
        return;
    }
    for (auto _ : state) {
        // One reader per file, as the product-file loader uses it.
        TORVELIB::CFileEncrypt reader;
        unsigned char* out = nullptr;
        benchmark::DoNotOptimize(reader.DecryptFile(wide, &out, nullptr, 0));
        std::free(out);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(Size));
}

template <size_t Size> void DecryptFile_Floor(benchmark::State& state)
{
    std::string why;
    const std::string path = cvbench::ContainerFile(Size, why);
    if (path.empty()) {
        state.SkipWithError(why.c_str());
        return;
    }
    for (auto _ : state) {
        unsigned char* out = nullptr;
        benchmark::DoNotOptimize(cvbench::FloorDecryptFile(path.c_str(), &out));
        std::free(out);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(Size));
}

} // namespace

BENCHMARK_TEMPLATE(DecryptFile_Lib, 1024)->Name("decryptfile_1KiB/cvsettings");
BENCHMARK_TEMPLATE(DecryptFile_Floor, 1024)->Name("decryptfile_1KiB/floor");
BENCHMARK_TEMPLATE(DecryptFile_Lib, 65536)->Name("decryptfile_64KiB/cvsettings");
BENCHMARK_TEMPLATE(DecryptFile_Floor, 65536)->Name("decryptfile_64KiB/floor");
BENCHMARK_TEMPLATE(DecryptFile_Lib, 1048576)->Name("decryptfile_1MiB/cvsettings");
BENCHMARK_TEMPLATE(DecryptFile_Floor, 1048576)->Name("decryptfile_1MiB/floor");
BENCHMARK_TEMPLATE(DecryptFile_Lib, 16777216)->Name("decryptfile_16MiB/cvsettings");
BENCHMARK_TEMPLATE(DecryptFile_Floor, 16777216)->Name("decryptfile_16MiB/floor");
