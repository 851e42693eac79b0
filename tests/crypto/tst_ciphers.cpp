// The block ciphers on the known-answer files under tests/data and at their
// edges. Needs no OpenSSL, so it also runs as a Windows executable.
#include "harness.h"
#include "testutil.h"

#include "blowfish/CBlowfish.h"
#include "tripledes/TripleDes.h"

#include <algorithm>
#include <map>
#include <stdexcept>

using namespace TORVELIB;
using cvtest::Be32;
using cvtest::Bytes;

namespace {

// Calls check(record) for each block of "Name = hex" lines; Cipher ends a block.
template <typename Check> void ForEachVector(const char* name, Check check)
{
    std::ifstream file(std::string(CV_TEST_DATA_DIR) + "/" + name);
    std::map<std::string, std::string> record;
    int count = 0;
    for (std::string line; std::getline(file, line);) {
        line.erase(std::remove(line.begin(), line.end(), '\r'), line.end());
        const size_t eq = line.find(" =");
        if (line.empty() || line[0] == '#' || eq == std::string::npos)
            continue;
        record[line.substr(0, eq)] = line.substr(std::min(line.size(), eq + 3));
        if (line.compare(0, eq, "Cipher") == 0) {
            check(record);
            ++count;
        }
    }
    CV_CHECK(count > 0);
}

Bytes FromHex(const std::string& hex)
{
    Bytes out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        out.push_back(static_cast<unsigned char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return out;
}

template <typename Fn> std::string InvalidArgumentText(Fn fn)
{
    try {
        fn();
    } catch (const std::invalid_argument& e) {
        return e.what();
    }
    return "";
}

} // namespace

// A one-block triple-DES key means K1 = K2, that is single DES. Deciphering
// keeps the zeros that padded the last block.
CV_TEST(KnownAnswers)
{
    for (const char* file : { "blowfish_published.vec", "blowfish.vec" }) {
        ForEachVector(file, [](std::map<std::string, std::string>& r) {
            const Bytes key = FromHex(r["Key"]), iv = FromHex(r["IV"]), plain = FromHex(r["Plain"]);
            const int mode = r["Mode"] == "CBC" ? CBlowfish::CBC : r["Mode"] == "CFB" ? CBlowfish::CFB : CBlowfish::ECB;
            const CBlowfish bf(key.data(), key.size(), SBlock(Be32(&iv[0]), Be32(&iv[4])));
            Bytes out = FromHex(r["Cipher"]);
            bf.Decrypt(out.data(), out.data(), out.size(), mode);
            CV_CHECK_EQ(cvtest::hex(out), cvtest::hex(plain));
        });
    }
    for (const char* file : { "des_published.vec", "tripledes.vec" }) {
        ForEachVector(file, [](std::map<std::string, std::string>& r) {
            const Bytes key = FromHex(r["Key"]), plain = FromHex(r["Plain"]), cipher = FromHex(r["Cipher"]);
            TripleDesContext ctx = {};
            TripleDesSetKey2(&ctx, key.data(), key.data() + key.size() - 8);
            Bytes out(cipher.size() + 8), padded(plain);
            padded.resize(cipher.size(), 0);
            int32_t length = -1;
            TripleDesEncryptBuffer(&ctx, plain.data(), int32_t(plain.size()), out.data(), &length);
            CV_CHECK(length == int32_t(cipher.size()) && std::equal(cipher.begin(), cipher.end(), out.begin()));
            TripleDesDecryptBuffer(&ctx, cipher.data(), int32_t(cipher.size()), out.data(), &length);
            CV_CHECK(length == int32_t(cipher.size()) && std::equal(padded.begin(), padded.end(), out.begin()));
        });
    }
}

CV_TEST(BlowfishLengthsModesAndInPlace)
{
    const Bytes key = cvtest::Pattern(16, 3), data = cvtest::Pattern(40, 4);
    Bytes out(data.size());
    CV_CHECK_EQ(InvalidArgumentText([&] { CBlowfish(key.data(), 0); }), "Incorrect key length");
    const CBlowfish bf(key.data(), key.size(), SBlock(0x01234567, 0x89ABCDEF));
    const std::string badLength = "Incorrect buffer length";
    CV_CHECK_EQ(InvalidArgumentText([&] { bf.Decrypt(data.data(), out.data(), 0); }), badLength);
    CV_CHECK_EQ(InvalidArgumentText([&] { bf.Decrypt(data.data(), out.data(), 12, CBlowfish::CBC); }), badLength);
    CV_CHECK_EQ(InvalidArgumentText([&] { bf.Decrypt(data.data(), out.data(), 8, CBlowfish::CFB); }), "");

    auto deciphered = [&](int mode) {
        bf.Decrypt(data.data(), out.data(), data.size(), mode);
        return out;
    };
    CV_CHECK(deciphered(7) == deciphered(CBlowfish::ECB) && deciphered(-1) == deciphered(CBlowfish::ECB));
    // Every call starts from the chain, and out of place gives the same.
    for (int mode : { int(CBlowfish::ECB), int(CBlowfish::CBC), int(CBlowfish::CFB) }) {
        Bytes inPlace = data;
        bf.Decrypt(inPlace.data(), inPlace.data(), inPlace.size(), mode);
        CV_CHECK(inPlace == deciphered(mode) && inPlace == deciphered(mode));
    }
    SBlock block(0xDEADBEEF, 0x01020304);
    bf.EncryptBlock(block);
    bf.DecryptBlock(block);
    CV_CHECK(block.m_uil == 0xDEADBEEF && block.m_uir == 0x01020304);
}

CV_TEST(TripleDesNegativeLengthAndInPlace)
{
    const Bytes k1 = cvtest::Pattern(8, 6), k2 = cvtest::Pattern(8, 7), data = cvtest::Pattern(16, 5);
    TripleDesContext ctx = {};
    TripleDesSetKey2(&ctx, k1.data(), k2.data());
    Bytes buf = data, apart(16);
    int32_t n = 99;
    TripleDesEncryptBuffer(&ctx, buf.data(), -5, buf.data(), &n);
    CV_CHECK_EQ(n, 0);
    TripleDesEncryptBuffer(&ctx, data.data(), 16, apart.data(), &n);
    TripleDesEncryptBuffer(&ctx, buf.data(), 16, buf.data(), &n);
    CV_CHECK(buf == apart);
    TripleDesDecryptBuffer(&ctx, buf.data(), 16, buf.data(), &n);
    CV_CHECK(n == 16 && buf == data);
}
