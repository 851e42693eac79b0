#include "KeyFile.h"

#include "FileUtil.h"
#include "cvcrypto_keys.h"

#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/rsa.h>

#include <cctype>
#include <cstdio>
#include <sstream>

namespace cvdata {

namespace {

constexpr int kModulusBits = 1024;
constexpr unsigned kPublicExponent = 17;

bool ParseHex(const std::string& text, size_t digits, uint32_t& value)
{
    if (text.size() != digits)
        return false;
    value = 0;
    for (char c : text) {
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return false;
        value = value * 16
            + static_cast<uint32_t>(std::isdigit(static_cast<unsigned char>(c))
                    ? c - '0'
                    : std::toupper(static_cast<unsigned char>(c)) - 'A' + 10);
    }
    return true;
}

std::string Trim(const std::string& s)
{
    const size_t b = s.find_first_not_of(" \t\r");
    const size_t e = s.find_last_not_of(" \t\r");
    return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

std::string UpperHex(const BIGNUM* n)
{
    char* hex = BN_bn2hex(n);
    std::string s = hex != nullptr ? hex : "";
    OPENSSL_free(hex);
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

} // namespace

bool IsUsableKeyTextMask(unsigned value) { return value <= 0xFF && !std::isxdigit(static_cast<int>(value)); }

KeyFile::~KeyFile() { EVP_PKEY_free(m_key); }

bool KeyFile::Adopt(EVP_PKEY* key, std::string& error)
{
    EVP_PKEY_free(m_key);
    m_key = key;
    if (EVP_PKEY_get_base_id(key) != EVP_PKEY_RSA) {
        error = "the key is not an RSA key";
        return false;
    }
    BIGNUM* n = nullptr;
    BIGNUM* e = nullptr;
    BIGNUM* d = nullptr;
    bool ok = EVP_PKEY_get_bn_param(key, OSSL_PKEY_PARAM_RSA_N, &n) == 1
        && EVP_PKEY_get_bn_param(key, OSSL_PKEY_PARAM_RSA_E, &e) == 1
        && EVP_PKEY_get_bn_param(key, OSSL_PKEY_PARAM_RSA_D, &d) == 1;
    if (!ok) {
        error = "the key has no private part";
    } else if (BN_num_bits(n) != kModulusBits) {
        error = "the RSA modulus has " + std::to_string(BN_num_bits(n)) + " bits; 1024 are needed";
        ok = false;
    } else if (BN_num_bits(e) > 8 || !BN_is_odd(e) || BN_is_one(e)) {
        error = "the public exponent must be an odd number from 3 to 255 (two hexadecimal digits)";
        ok = false;
    } else {
        m_modulus = UpperHex(n);
        char exponent[3];
        std::snprintf(exponent, sizeof exponent, "%02lX", static_cast<unsigned long>(BN_get_word(e)));
        m_exponent = exponent;
    }
    BN_free(n);
    BN_free(e);
    BN_clear_free(d);
    return ok;
}

bool KeyFile::Load(const std::string& path, std::string& error)
{
    Bytes bytes;
    if (!ReadWholeFile(path, bytes, error))
        return false;
    const std::string text(bytes.begin(), bytes.end());
    std::istringstream in(text);
    std::string line;
    bool haveLength = false;
    bool haveKeyText = false;
    size_t pem = std::string::npos;
    size_t offset = 0;
    while (std::getline(in, line)) {
        const size_t lineStart = offset;
        offset += line.size() + 1;
        const std::string t = Trim(line);
        if (t.empty() || t[0] == '#')
            continue;
        if (t.rfind("-----BEGIN", 0) == 0) {
            pem = lineStart;
            break;
        }
        const size_t colon = t.find(':');
        const std::string name = colon == std::string::npos ? t : Trim(t.substr(0, colon));
        const std::string value = colon == std::string::npos ? std::string() : Trim(t.substr(colon + 1));
        uint32_t v = 0;
        if (name == "length-mask") {
            if (!ParseHex(value, 8, v)) {
                error = path + ": length-mask must be 8 hexadecimal digits";
                return false;
            }
            m_lengthMask = v;
            haveLength = true;
        } else if (name == "keytext-mask") {
            if (!ParseHex(value, 2, v) || !IsUsableKeyTextMask(v)) {
                error = path
                    + ": keytext-mask must be 2 hexadecimal digits and not the code of a "
                      "hexadecimal digit";
                return false;
            }
            m_keyTextMask = static_cast<unsigned char>(v);
            haveKeyText = true;
        } else {
            error = path + ": unexpected line '" + t + "'";
            return false;
        }
    }
    if (!haveLength || !haveKeyText || pem == std::string::npos) {
        error = path + ": not a cvdata key file (needs length-mask, keytext-mask and a PEM private key)";
        return false;
    }
    BIO* bio = BIO_new_mem_buf(text.data() + pem, static_cast<int>(text.size() - pem));
    EVP_PKEY* key = bio != nullptr ? PEM_read_bio_PrivateKey(bio, nullptr, nullptr, nullptr) : nullptr;
    BIO_free(bio);
    if (key == nullptr) {
        error = path + ": the PEM private key cannot be read";
        return false;
    }
    if (!Adopt(key, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

bool KeyFile::Generate(std::string& error)
{
    EVP_PKEY_CTX* ctx = EVP_PKEY_CTX_new_id(EVP_PKEY_RSA, nullptr);
    BIGNUM* e = BN_new();
    EVP_PKEY* key = nullptr;
    const bool ok = ctx != nullptr && e != nullptr && BN_set_word(e, kPublicExponent) == 1
        && EVP_PKEY_keygen_init(ctx) == 1 && EVP_PKEY_CTX_set_rsa_keygen_bits(ctx, kModulusBits) == 1
        && EVP_PKEY_CTX_set1_rsa_keygen_pubexp(ctx, e) == 1 && EVP_PKEY_keygen(ctx, &key) == 1;
    BN_free(e);
    EVP_PKEY_CTX_free(ctx);
    if (!ok) {
        EVP_PKEY_free(key);
        error = "RSA key generation failed";
        return false;
    }
    unsigned char masks[5];
    do {
        if (RAND_bytes(masks, sizeof masks) != 1) {
            EVP_PKEY_free(key);
            error = "no random bytes for the masks";
            return false;
        }
    } while (!IsUsableKeyTextMask(masks[4]) || masks[4] == 0);
    m_lengthMask = masks[0] | (uint32_t(masks[1]) << 8) | (uint32_t(masks[2]) << 16) | (uint32_t(masks[3]) << 24);
    m_keyTextMask = masks[4];
    return Adopt(key, error);
}

std::string KeyFile::Text() const
{
    char masks[96];
    std::snprintf(masks, sizeof masks, "length-mask: %08X\nkeytext-mask: %02X\n", static_cast<unsigned>(m_lengthMask),
        static_cast<unsigned>(m_keyTextMask));
    std::string out = "# cvdata key file: the RSA key pair and the two masks of the encrypted data\n"
                      "# files. Keep it secret: whoever holds it can produce data files that a build\n"
                      "# with this key accepts.\n";
    out += masks;
    BIO* bio = BIO_new(BIO_s_mem());
    if (bio != nullptr && PEM_write_bio_PrivateKey(bio, m_key, nullptr, nullptr, 0, nullptr, nullptr) == 1) {
        char* data = nullptr;
        const long n = BIO_get_mem_data(bio, &data);
        out.append(data, static_cast<size_t>(n));
    }
    BIO_free(bio);
    return out;
}

std::string KeyFile::CMakeOptions() const
{
    char masks[128];
    std::snprintf(masks, sizeof masks, " -DCVSETTINGS_LENGTH_MASK=%08X -DCVSETTINGS_KEYTEXT_MASK=%02X",
        static_cast<unsigned>(m_lengthMask), static_cast<unsigned>(m_keyTextMask));
    return "-DCVSETTINGS_RSA_MODULUS=" + m_modulus + " -DCVSETTINGS_RSA_PUBLIC_EXPONENT=" + m_exponent + masks;
}

bool KeyFile::MatchesBuild() const
{
    using namespace TORVELIB::keys;
    return m_modulus == kRsaModulus && m_exponent == kRsaPublicExponent && m_lengthMask == kLengthMask
        && m_keyTextMask == kKeyTextMask;
}

} // namespace cvdata
