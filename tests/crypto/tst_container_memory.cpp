// DecryptFile's heap use: the output block plus a fixed working set, whatever
// the file size. Every malloc of the binary goes through __wrap_malloc (the
// linker's --wrap, set up on Linux only) and every operator new through the
// replacements below, so the library's allocations are counted exactly.
#include "harness.h"

#include "container_builder.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <tuple>

using cvtest::Bytes;

#ifdef CV_COUNT_MALLOC

namespace {
bool g_counting = false;
size_t g_bytes = 0;
} // namespace

extern "C" void* __real_malloc(size_t n);
extern "C" void* __wrap_malloc(size_t n)
{
    if (g_counting)
        g_bytes += n;
    return __real_malloc(n);
}

void* operator new(size_t n)
{
    if (g_counting)
        g_bytes += n;
    if (void* p = __real_malloc(n == 0 ? 1 : n))
        return p;
    throw std::bad_alloc();
}
void* operator new[](size_t n) { return operator new(n); }

// Out of line, so that the compiler does not pair an inlined new with free.
__attribute__((noinline)) static void Release(void* p) { std::free(p); }
void operator delete(void* p) noexcept { Release(p); }
void operator delete[](void* p) noexcept { Release(p); }
void operator delete(void* p, size_t) noexcept { Release(p); }
void operator delete[](void* p, size_t) noexcept { Release(p); }

namespace {

constexpr size_t kWorkingSet = 160 * 1024;

// Reads `c` as the library's caller does, counting into g_bytes what the
// reader allocates.
cvtest::Outcome CountedRead(cvtest::Container c)
{
    c.file = "tst_container_memory.data";
    c.Write();
    g_bytes = 0;
    g_counting = true;
    const Bytes* check = c.check.empty() ? nullptr : &c.check;
    const auto outcome = cvtest::DecryptUtf8(c.file, c.plain, check, uint32_t(c.check.size()));
    g_counting = false;
    std::remove(c.file.c_str());
    return outcome;
}

// Bytes allocated by one read beyond its output block. The payload is zeros
// as plaintext; `check`, if any, is the check value.
size_t Overhead(uint32_t plainLength, const Bytes& check = Bytes())
{
    cvtest::Container c;
    c.plain = Bytes(plainLength, 0);
    c.check = check;
    CV_CHECK_EQ(CountedRead(c), cvtest::kPlain);
    const size_t block = size_t(plainLength) + 16;
    CV_CHECK(g_bytes >= block);
    return g_bytes - block;
}

} // namespace

CV_TEST(decrypt_allocates_the_output_block_and_a_fixed_working_set)
{
    if (!cvtest::HaveBuildKey())
        return;
    Overhead(16); // the first read of a process also parses the built-in key
    const size_t small = Overhead(1 << 20);
    const size_t large = Overhead(16u << 20);
    CV_CHECK(large <= kWorkingSet);
    CV_CHECK_EQ(large, small);

    // A check value of two chunks goes through the chunk buffer; still
    // within the same bound.
    CV_CHECK(Overhead(16u << 20, cvtest::Pattern(65536 + 4096, 5)) <= kWorkingSet);

    // A file of a few hundred bytes that claims a 200 MB or 4 GiB plaintext, a
    // 4 GiB check value, or a length its payload does not cover is refused
    // with no allocation for what it claims.
    const std::tuple<uint32_t, uint32_t, int64_t> hostile[]
        = { { 200u << 20, 0, 32 }, { 0xFFFFFFFFu, 0, 32 }, { 16, 0xFFFFFFFFu, 32 }, { 1000, 0, 736 } };
    for (const auto& [length, checkLength, payload] : hostile) {
        cvtest::Container c;
        c.plain = Bytes(16, 0);
        c.lengthField = length;
        c.checkLengthField = checkLength;
        c.payloadSize = payload;
        CV_CHECK_EQ(CountedRead(c), cvtest::kRefused);
        CV_CHECK(g_bytes <= kWorkingSet);
    }
}

#else

CV_TEST(decrypt_allocates_the_output_block_and_a_fixed_working_set)
{
    CV_SKIP("allocations are counted through the GNU linker's --wrap, on Linux only");
}

#endif
