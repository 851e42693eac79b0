// Containers packed on Linux by cvdata (OpenSSL, development key) must give
// the same bytes to every build of the reader: natively this notices a key or
// format change, as a Windows executable that the format has no host
// dependence (byte order, wchar_t width, text-mode reads, chunking).
#include "harness.h"

#include "container/CFileEncrypt.h"
#include "platform/Utf8ToWide.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using Bytes = std::vector<unsigned char>;

namespace {

bool Slurp(const std::string& name, Bytes& out)
{
    std::ifstream f(std::string(CV_PACKED_DIR) + "/" + name, std::ios::binary);
    out.assign(std::istreambuf_iterator<char>(f), {});
    return f.is_open();
}

// Reads NAME.data as the library's caller does; 0 and a null *out on failure.
uint32_t Decrypt(const std::string& name, const Bytes* check, unsigned char** out)
{
    const std::string path = std::string(CV_PACKED_DIR) + "/" + name + ".data";
    std::vector<TORVELIB::WideChar> wide(path.size() + 2);
    CV_CHECK(TORVELIB::Utf8ToWide(path.c_str(), wide.data(), static_cast<int>(wide.size())) > 0);
    *out = nullptr;
    TORVELIB::CFileEncrypt reader;
    return reader.DecryptFile(wide.data(), out,
                              check ? reinterpret_cast<const TORVELIB::WideChar*>(check->data()) : nullptr,
                              check ? static_cast<uint32_t>(check->size()) : 0);
}

} // namespace

CV_TEST(packed_on_linux_reads_back_byte_for_byte)
{
    // Empty, 1, 16 bytes; UTF-8 XML; 65,537 bytes with zeros (two chunks, the
    // second 16 bytes); a plaintext with a 100-byte check value.
    for (const char* name : {"empty", "byte", "block", "config", "twochunks", "checked"}) {
        Bytes plain, check;
        CV_CHECK(Slurp(std::string(name) + ".plain", plain));
        const bool hasCheck = Slurp(std::string(name) + ".check", check);
        unsigned char* out = nullptr;
        const uint32_t n = Decrypt(name, hasCheck ? &check : nullptr, &out);
        CV_CHECK_EQ(n, plain.size());
        CV_CHECK(out != nullptr);
        if (out != nullptr && n == plain.size()) {
            if (n > 0)
                CV_CHECK_BYTES(out, plain.data(), n);
            CV_CHECK_EQ(out[n], 0);
        }
        std::free(out);

        if (hasCheck) {
            // Without its check value, or with one byte of it changed, refused.
            CV_CHECK_EQ(Decrypt(name, nullptr, &out), 0u);
            check.back() ^= 1;
            CV_CHECK_EQ(Decrypt(name, &check, &out), 0u);
            CV_CHECK(out == nullptr);
        }
    }
}
