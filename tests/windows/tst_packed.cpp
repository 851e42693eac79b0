// Containers packed on Linux by cvdata (OpenSSL, development key) give the same
// bytes to every build of the reader: natively this notices a key or format
// change; under Windows, any host dependence (byte order, wchar_t, text mode).
#include "harness.h"
#include "testutil.h"

#include <string>

using cvtest::Bytes;

CV_TEST(packed_on_linux_reads_back_byte_for_byte)
{
    // Empty, 1, 16 bytes; UTF-8 XML; 65,537 bytes (a second chunk of 16); a 100-byte
    // check value, without which or with one byte changed the file is refused.
    for (const char* name : { "empty", "byte", "block", "config", "twochunks", "checked" }) {
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
