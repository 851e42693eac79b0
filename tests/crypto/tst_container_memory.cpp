// DecryptFile's heap use: the output block plus a fixed working set, whatever
// the file size. Every malloc of the binary goes through __wrap_malloc (the
// linker's --wrap, set up on Linux only) and every operator new through the
// replacements below, so the library's allocations are counted exactly.
#include "harness.h"

#include "blowfish/CBlowfish.h"
#include "container/CFileEncrypt.h"
#include "cvcrypto_keys.h"
#include "devkey_fixture.h"
#include "platform/Utf8ToWide.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

using devkey::Bytes;

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
const char* const kFile = "tst_container_memory.data";

void Put32(Bytes& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<unsigned char>(v >> (8 * i)));
}

const Bytes& PayloadKey()
{
    static const Bytes key(56, 0x5A);
    return key;
}

// A container whose payload is zeros: the reader deciphers whatever is
// there, so only the header and the key block have to be right. The check
// block is `check` as ciphertext.
void WriteContainer(uint32_t plainLength, const Bytes& check)
{
    static const std::string keyText = devkey::KeyText(PayloadKey(), 56);
    Bytes head;
    Put32(head, plainLength ^ TORVELIB::keys::kLengthMask);
    Put32(head, static_cast<uint32_t>(keyText.size()));
    for (char c : keyText)
        head.push_back(static_cast<unsigned char>(c) ^ TORVELIB::keys::kKeyTextMask);
    Put32(head, static_cast<uint32_t>(check.size()));
    head.insert(head.end(), check.begin(), check.end());
    const Bytes payload((plainLength + 15) / 16 * 16, 0);
    std::FILE* f = std::fopen(kFile, "wb");
    CV_CHECK(f != nullptr);
    if (f == nullptr)
        return;
    CV_CHECK_EQ(std::fwrite(head.data(), 1, head.size(), f), head.size());
    CV_CHECK_EQ(std::fwrite(payload.data(), 1, payload.size(), f), payload.size());
    std::fclose(f);
}

// Bytes allocated by one read beyond its output block.
size_t Overhead(uint32_t plainLength, const Bytes& check = Bytes(), const Bytes* expected = nullptr)
{
    WriteContainer(plainLength, check);
    TORVELIB::WideChar path[260] = {};
    TORVELIB::Utf8ToWide(kFile, path, 260);
    TORVELIB::CFileEncrypt reader;
    unsigned char* out = nullptr;
    g_bytes = 0;
    g_counting = true;
    const uint32_t n = reader.DecryptFile(path, &out,
        expected ? reinterpret_cast<const TORVELIB::WideChar*>(expected->data()) : nullptr,
        static_cast<uint32_t>(check.size()));
    g_counting = false;
    std::free(out);
    std::remove(kFile);
    CV_CHECK_EQ(n, plainLength);
    const size_t block = size_t(plainLength) + 16;
    CV_CHECK(g_bytes >= block);
    return g_bytes - block;
}

} // namespace

CV_TEST(decrypt_allocates_the_output_block_and_a_fixed_working_set)
{
    if (std::strcmp(TORVELIB::keys::kRsaModulus, devkey::kModulus) != 0)
        CV_SKIP("built with another RSA key than the development key the files are made with");
    const size_t small = Overhead(1 << 20);
    const size_t large = Overhead(16u << 20);
    CV_CHECK(large <= kWorkingSet);
    CV_CHECK_EQ(large, small);

    // A check value of two chunks goes through the chunk buffer; still
    // within the same bound.
    const Bytes checkCipher(65536 + 4096, 0x3C);
    Bytes expected(checkCipher.size());
    const TORVELIB::CBlowfish cipher(PayloadKey().data(), PayloadKey().size());
    cipher.Decrypt(checkCipher.data(), expected.data(), expected.size(), TORVELIB::CBlowfish::ECB);
    CV_CHECK(Overhead(16u << 20, checkCipher, &expected) <= kWorkingSet);
}

#else

CV_TEST(decrypt_allocates_the_output_block_and_a_fixed_working_set)
{
    CV_SKIP("allocations are counted through the GNU linker's --wrap, on Linux only");
}

#endif
