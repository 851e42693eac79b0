// The pool's MD5 core against OpenSSL's MD5 for every length across the
// padding boundaries of one to four blocks.
#include "harness.h"

#include "random/Md5.h"

#include <openssl/md5.h>

using namespace TORVELIB;

CV_TEST(Md5MatchesOpenSslAtEveryLength)
{
    std::vector<unsigned char> data(260);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<unsigned char>(i * 7 + 3);
    for (size_t n = 0; n <= data.size(); ++n) {
        unsigned char mine[16];
        unsigned char theirs[MD5_DIGEST_LENGTH];
        md5_detail::Md5Digest(md5_detail::kStandardIv, data.data(), n, mine);
        MD5(data.data(), n, theirs);
        CV_CHECK_BYTES(mine, theirs, 16);
    }
}
