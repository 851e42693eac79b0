// Containers packed on Linux by cvdata (OpenSSL, development key) must give
// the same bytes to every build of the reader: natively this notices a key or
// format change, as a Windows executable that the format has no host
// dependence (byte order, wchar_t width, text-mode reads, chunking).
#include "harness.h"

#include "container/CFileEncrypt.h"
#include "platform/Utf8ToWide.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using Bytes = std::vector<unsigned char>;

namespace {

bool Slurp(const std::string& path, Bytes& out)
{
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr)
        return false;
    unsigned char buffer[4096];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        out.insert(out.end(), buffer, buffer + n);
    std::fclose(f);
    return true;
}

// Reads NAME.data as the library's caller does, with the check value given.
uint32_t Decrypt(const std::string& name, const Bytes* check, unsigned char** out)
{
    const std::string path = std::string(CV_PACKED_DIR) + "/" + name + ".data";
    std::vector<TORVELIB::WideChar> wide(path.size() + 2);
    CV_CHECK(TORVELIB::Utf8ToWide(path.c_str(), wide.data(), static_cast<int>(wide.size())) > 0);
    TORVELIB::CFileEncrypt reader;
    const auto* expected = check != nullptr ? reinterpret_cast<const TORVELIB::WideChar*>(check->data())
                                            : nullptr;
    return reader.DecryptFile(wide.data(), out, expected, check != nullptr ? uint32_t(check->size()) : 0);
}

} // namespace

CV_TEST(packed_on_linux_reads_back_byte_for_byte)
{
    // Empty, 1, 16 bytes; UTF-8 XML; 65,537 bytes with zeros (two chunks, the
    // second 16 bytes); a plaintext with a 100-byte check value.
    for (const char* name : {"empty", "byte", "block", "config", "twochunks", "checked"}) {
        Bytes plain, check;
        if (!Slurp(std::string(CV_PACKED_DIR) + "/" + name + ".plain", plain)) {
            cvtest::fail(__FILE__, __LINE__, std::string("missing fixture ") + name);
            continue;
        }
        const bool hasCheck = Slurp(std::string(CV_PACKED_DIR) + "/" + name + ".check", check);
        unsigned char* out = nullptr;
        const uint32_t n = Decrypt(name, hasCheck ? &check : nullptr, &out);
        if (n != plain.size() || out == nullptr) {
            cvtest::fail(__FILE__, __LINE__, std::string(name) + ": read " + std::to_string(n) + " of "
                                                 + std::to_string(plain.size()) + " bytes");
        } else {
            if (!plain.empty())
                CV_CHECK_BYTES(out, plain.data(), plain.size());
            CV_CHECK_EQ(out[n], 0);
        }
        std::free(out);

        if (hasCheck) {
            // Without its check value, or with one byte changed, it is refused.
            out = nullptr;
            CV_CHECK_EQ(Decrypt(name, nullptr, &out), 0u);
            check.back() ^= 1;
            CV_CHECK_EQ(Decrypt(name, &check, &out), 0u);
            CV_CHECK(out == nullptr);
        }
    }
}
