// Known-answer files under tests/data: blocks of "Name = hex" lines separated by
// blank lines. Needs no OpenSSL, so it also runs as a Windows executable.
#include "harness.h"

#include "blowfish/CBlowfish.h"
#include "tripledes/TripleDes.h"

#include <cstdint>
#include <fstream>
#include <map>

using namespace TORVELIB;

namespace {

using Bytes = std::vector<unsigned char>;
using Record = std::map<std::string, std::string>;

std::vector<Record> ReadVectors(const char* name)
{
    std::ifstream file(std::string(CV_TEST_DATA_DIR) + "/" + name);
    std::vector<Record> records(1);
    std::string line;
    while (std::getline(file, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty()) {
            if (!records.back().empty())
                records.emplace_back();
            continue;
        }
        const size_t eq = line.find(" =");
        if (line[0] == '#' || eq == std::string::npos)
            continue;
        const size_t value = line.find_first_not_of(' ', eq + 2);
        records.back()[line.substr(0, eq)] = value == std::string::npos ? "" : line.substr(value);
    }
    if (records.back().empty())
        records.pop_back();
    if (records.empty())
        cvtest::fail(__FILE__, __LINE__, std::string("no vectors in ") + name);
    return records;
}

Bytes FromHex(const std::string& hex)
{
    auto nibble = [](char c) { return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10; };
    Bytes out(hex.size() / 2);
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<unsigned char>(nibble(hex[2 * i]) << 4 | nibble(hex[2 * i + 1]));
    return out;
}

uint32_t BigEndian(const unsigned char* p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

void CheckBlowfishFile(const char* name)
{
    for (const Record& r : ReadVectors(name)) {
        const Bytes key = FromHex(r.at("Key"));
        const Bytes iv = FromHex(r.at("IV"));
        const Bytes plain = FromHex(r.at("Plain"));
        const Bytes cipher = FromHex(r.at("Cipher"));
        const std::string& modeName = r.at("Mode");
        const int mode = modeName == "CBC" ? CBlowfish::CBC : modeName == "CFB" ? CBlowfish::CFB : CBlowfish::ECB;

        const CBlowfish bf(key.data(), key.size(), SBlock(BigEndian(iv.data()), BigEndian(iv.data() + 4)));
        Bytes out(cipher.size());
        bf.Decrypt(cipher.data(), out.data(), cipher.size(), mode);
        CV_CHECK_BYTES(out.data(), plain.data(), plain.size());

        for (size_t i = 0; mode == CBlowfish::ECB && i < plain.size(); i += 8) {
            SBlock block(BigEndian(&plain[i]), BigEndian(&plain[i + 4]));
            bf.EncryptBlock(block);
            CV_CHECK(block.m_uil == BigEndian(&cipher[i]) && block.m_uir == BigEndian(&cipher[i + 4]));
        }
    }
}

// A one-block key means K1 = K2, that is single DES.
void CheckTripleDesFile(const char* name)
{
    for (const Record& r : ReadVectors(name)) {
        const Bytes key = FromHex(r.at("Key"));
        const Bytes plain = FromHex(r.at("Plain"));
        const Bytes cipher = FromHex(r.at("Cipher"));
        TripleDesContext ctx = {};
        TripleDesSetKey2(&ctx, key.data(), key.data() + key.size() - 8);

        Bytes out(cipher.size() + 8);
        int32_t outLength = -1;
        TripleDesEncryptBuffer(&ctx, plain.data(), int32_t(plain.size()), out.data(), &outLength);
        CV_CHECK_EQ(outLength, int32_t(cipher.size()));
        if (cipher.empty())
            continue;
        CV_CHECK_BYTES(out.data(), cipher.data(), cipher.size());

        Bytes padded(plain);
        padded.resize(cipher.size(), 0);
        TripleDesDecryptBuffer(&ctx, cipher.data(), int32_t(cipher.size()), out.data(), &outLength);
        CV_CHECK_EQ(outLength, int32_t(cipher.size()));
        CV_CHECK_BYTES(out.data(), padded.data(), padded.size());
    }
}

} // namespace

CV_TEST(BlowfishKnownAnswers)
{
    CheckBlowfishFile("blowfish_published.vec");
    CheckBlowfishFile("blowfish.vec");
}

CV_TEST(TripleDesKnownAnswers)
{
    CheckTripleDesFile("des_published.vec");
    CheckTripleDesFile("tripledes.vec");
}
