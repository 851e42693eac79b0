// Containers packed on Linux by cvdata (OpenSSL, development key) must give
// the same bytes to every build of the reader: natively this notices a key or
// format change, as a Windows executable that the format has no host
// dependence (byte order, wchar_t width, text-mode reads, chunking).
#include "harness.h"
#include "testutil.h"

#include <string>

using cvtest::Bytes;

CV_TEST(packed_on_linux_reads_back_byte_for_byte)
{
    // Empty, 1, 16 bytes; UTF-8 XML; 65,537 bytes with zeros (two chunks, the
    // second 16 bytes); a plaintext with a 100-byte check value, refused
    // without it or with one byte of it changed.
    for (const char* name : {"empty", "byte", "block", "config", "twochunks", "checked"}) {
        const std::string base = std::string(CV_PACKED_DIR) + "/" + name;
        const Bytes plain = cvtest::Slurp(base + ".plain");
        Bytes check = cvtest::Slurp(base + ".check");
        const auto length = static_cast<uint32_t>(check.size());
        CV_CHECK_EQ(cvtest::DecryptUtf8(base + ".data", plain, &check, length), cvtest::kPlain);
        if (length > 0) {
            CV_CHECK_EQ(cvtest::DecryptUtf8(base + ".data", plain), cvtest::kRefused);
            check.back() ^= 1;
            CV_CHECK_EQ(cvtest::DecryptUtf8(base + ".data", plain, &check, length), cvtest::kRefused);
        }
    }
}
