// Key blocks enciphered through CBigNumber, so that tests need no OpenSSL and
// run on Windows too: with the development key pair (keys/development.key) as
// a fixed RSA key, and with the private half of the key this build reads with,
// taken from the key file the build was configured with.
#pragma once

#include "bignum/CBigNumber.h"
#include "cvcrypto_keys.h"
#include "testutil.h"

#include <cctype>
#include <fstream>
#include <string>

namespace devkey {

constexpr char kModulus[] = "AC62DA6512F2EC65A1DA8A2F7D5112A316DED2AE405C693AE412FFFAF3B59DEE"
                            "897E0CA80C862617C0B98879A8E5EDBB6F5697B806096F242663D456A5378B63"
                            "E4F41E9B06185B6332F47526C2272CB7080B99FBFF198F86F3FAC2A1244E4ABE"
                            "66F08EF9497F6BA1C14EA3EE1C2A0FC26BB99802D993DDE53CEBA1B042E9B4E1";
constexpr char kPublicExponent[] = "11";
constexpr char kPrivateExponent[] = "83D31F7A77E6F1026CB62D6F9C10D2043EAA64DF9AA1052D08C33C3860035AA7"
                                    "5A1518BCBE48777B9360B3A853FB1F34FAC9BF507D1645EE77B5C07E7E57A6D2"
                                    "AA057E607F75EDB02516E31A71FDE3AB777D973F5D83EB626872F43A7602FE87"
                                    "96128872B1E01D56032C78B1E91347F21E8F80EE8BD43234331EE07E75B8D2B1";

using Bytes = cvtest::Bytes;

// A k-byte block: B[0] = 0, the type, J low byte first, filler, data last.
inline Bytes Block(uint32_t k, unsigned char type, uint32_t j, const Bytes& data)
{
    Bytes b = { 0, type, static_cast<unsigned char>(j), static_cast<unsigned char>(j >> 8) };
    b.resize(k - data.size(), 0x5C);
    b.insert(b.end(), data.begin(), data.end());
    return b;
}

// Reads DER elements in [pos, end) of a buffer.
struct DerReader {
    const Bytes& der;
    size_t pos;
    size_t end;

    // The contents of the next element as [from, to); false unless it is a
    // well-formed element carrying `tag`.
    bool Take(unsigned char tag, size_t& from, size_t& to)
    {
        if (end - pos < 2 || der[pos] != tag)
            return false;
        size_t length = der[pos + 1];
        pos += 2;
        if (length & 0x80) {
            size_t n = length & 0x7F;
            if (n > 3 || end - pos < n)
                return false;
            for (length = 0; n > 0; --n)
                length = length << 8 | der[pos++];
        }
        if (length > end - pos)
            return false;
        from = pos;
        to = pos += length;
        return true;
    }
    bool Enter(unsigned char tag)
    {
        size_t from = 0, to = 0;
        if (!Take(tag, from, to))
            return false;
        pos = from;
        end = to;
        return true;
    }
    bool Integer(std::string& hex)
    {
        size_t from = 0, to = 0;
        if (!Take(0x02, from, to))
            return false;
        while (from < to && der[from] == 0)
            ++from;
        hex = cvtest::hex(der.data() + from, to - from);
        return true;
    }
};

// The private half of the build's key, or why it is not at hand. `missing`
// means the build was not given a key file: the cases that need one skip.
struct BuildKey {
    std::string modulus;
    std::string privateExponent;
    std::string problem;
    bool missing = false;
};

// Parses cvdata's key file: "length-mask:" and "keytext-mask:" lines and an
// unencrypted PKCS#8 RSA key in PEM, and checks that it is the build's key.
inline BuildKey LoadBuildKey(const char* path)
{
    BuildKey key;
    if (!*path) {
        key.missing = true;
        key.problem
            = "no key file for this build's data-file key; configure with -DCVSETTINGS_TEST_KEY_FILE=<key file>";
        return key;
    }
    std::ifstream file(path);
    std::string line, base64;
    unsigned long lengthMask = 0, keyTextMask = 0;
    bool inPem = false;
    while (std::getline(file, line)) {
        if (line.rfind("length-mask:", 0) == 0)
            lengthMask = std::stoul(line.substr(12), nullptr, 16);
        else if (line.rfind("keytext-mask:", 0) == 0)
            keyTextMask = std::stoul(line.substr(13), nullptr, 16);
        else if (line.rfind("-----", 0) == 0)
            inPem = line.find("BEGIN") != std::string::npos;
        else if (inPem)
            base64 += line;
    }
    Bytes der;
    uint32_t bits = 0;
    int count = 0;
    for (char c : base64) {
        const char* const alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        const char* at = std::strchr(alphabet, c);
        if (!at || !c)
            continue;
        bits = bits << 6 | uint32_t(at - alphabet);
        if ((count += 6) >= 8)
            der.push_back(static_cast<unsigned char>(bits >> (count -= 8)));
    }
    // PrivateKeyInfo { version, algorithm, OCTET STRING { RSAPrivateKey { version, n, e, d, ... } } }
    DerReader r { der, 0, der.size() };
    size_t from = 0, to = 0;
    std::string version, exponent;
    if (!r.Enter(0x30) || !r.Take(0x02, from, to) || !r.Take(0x30, from, to) || !r.Enter(0x04) || !r.Enter(0x30)
        || !r.Integer(version) || !r.Integer(key.modulus) || !r.Integer(exponent) || !r.Integer(key.privateExponent))
        key.problem = std::string(path) + ": no RSA private key in the key file";
    else if (key.modulus != TORVELIB::keys::kRsaModulus || exponent != TORVELIB::keys::kRsaPublicExponent
        || lengthMask != TORVELIB::keys::kLengthMask || keyTextMask != TORVELIB::keys::kKeyTextMask)
        key.problem = std::string(path) + ": not the key and masks this build was configured with";
    return key;
}

// Whether containers can be built for this build's reader. A case calls it
// first and returns when it cannot: a missing key file skips the case, a key
// file that does not fit fails it.
inline bool HaveBuildKey()
{
    static const BuildKey key = LoadBuildKey(CV_TEST_KEY_FILE);
    if (key.missing)
        cvtest::skip(key.problem);
    else if (!key.problem.empty())
        cvtest::fail(__FILE__, __LINE__, key.problem);
    return key.problem.empty();
}

// The 1024-bit key block enciphered with the build's private exponent, as
// unmasked key text without leading zeros.
inline std::string KeyText(const Bytes& data, uint32_t j, unsigned char type = 0x02)
{
    static const BuildKey key = LoadBuildKey(CV_TEST_KEY_FILE);
    if (!key.problem.empty())
        return "1"; // the case skips or fails through HaveBuildKey
    CBigNumber m, c, d, n;
    m.FromString(cvtest::hex(Block(128, type, j, data)).c_str());
    d.FromString(key.privateExponent.c_str());
    n.FromString(key.modulus.c_str());
    CBigNumber::ModExp(c, m, d, n);
    Bytes out(128);
    c.GetBytes(out.data(), 0, 128);
    const std::string text = cvtest::hex(out);
    return text.substr(text.find_first_not_of('0'));
}

} // namespace devkey
