#include "Producer.h"

#include <openssl/blowfish.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>
#include <openssl/rsa.h>

#include <algorithm>

namespace cvdata {

namespace {

constexpr size_t kBlockBytes = 128; // the 1024-bit key block
constexpr size_t kPayloadKeyBytes = 56; // Blowfish's longest key
constexpr size_t kMaxKeyText = 2 * kBlockBytes;

uint64_t Padded(uint64_t n) { return (n + 15) / 16 * 16; }

void Put32(Bytes& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<unsigned char>(v >> (8 * i)));
}

bool RandomBytes(unsigned char* p, size_t n) { return RAND_bytes(p, static_cast<int>(n)) == 1; }

// Raw RSA with the private exponent: c = m^d mod n, no padding scheme.
bool PrivateOperation(EVP_PKEY* key, const unsigned char* block, unsigned char* out)
{
    EVP_PKEY_CTX* ctx = EVP_PKEY_CTX_new(key, nullptr);
    size_t outLength = kBlockBytes;
    const bool ok = ctx != nullptr && EVP_PKEY_decrypt_init(ctx) == 1
        && EVP_PKEY_CTX_set_rsa_padding(ctx, RSA_NO_PADDING) == 1
        && EVP_PKEY_decrypt(ctx, out, &outLength, block, kBlockBytes) == 1 && outLength == kBlockBytes;
    EVP_PKEY_CTX_free(ctx);
    return ok;
}

// Pads with zeros to a multiple of 16 and enciphers with Blowfish ECB, each
// 8-byte block read as two big-endian halves.
void Encipher(const BF_KEY& bf, const Bytes& plain, Bytes& out)
{
    const size_t start = out.size();
    out.insert(out.end(), plain.begin(), plain.end());
    out.resize(start + Padded(plain.size()), 0);
    for (size_t i = start; i < out.size(); i += 8)
        BF_ecb_encrypt(out.data() + i, out.data() + i, &bf, BF_ENCRYPT);
}

} // namespace

uint64_t ContainerSize(uint64_t plainLength, uint64_t checkLength)
{
    return 12 + kMaxKeyText + Padded(checkLength) + Padded(plainLength);
}

bool Pack(const KeyFile& key, const Bytes& plain, const Bytes* check, Bytes& out, std::string& error)
{
    const uint64_t checkLength = check != nullptr ? check->size() : 0;
    if (ContainerSize(plain.size(), checkLength) > kMaxContainerSize) {
        error = "the plaintext is too large: a data file must stay below 4 GiB";
        return false;
    }

    // The payload key is used up to its first zero byte, so it has none.
    unsigned char payloadKey[kPayloadKeyBytes];
    if (!RandomBytes(payloadKey, sizeof payloadKey)) {
        error = "no random bytes for the payload key";
        return false;
    }
    for (unsigned char& b : payloadKey) {
        while (b == 0) {
            if (!RandomBytes(&b, 1)) {
                error = "no random bytes for the payload key";
                return false;
            }
        }
    }

    // Key block: B[0] = 0 keeps it below the modulus, B[1] the type, B[2..3]
    // the key length low byte first, random filler, the key at the end.
    unsigned char block[kBlockBytes];
    unsigned char cipherBlock[kBlockBytes];
    bool ok = RandomBytes(block, sizeof block);
    block[0] = 0;
    block[1] = 0x02;
    block[2] = static_cast<unsigned char>(kPayloadKeyBytes & 0xFF);
    block[3] = static_cast<unsigned char>(kPayloadKeyBytes >> 8);
    std::copy(payloadKey, payloadKey + kPayloadKeyBytes, block + kBlockBytes - kPayloadKeyBytes);
    ok = ok && PrivateOperation(key.Key(), block, cipherBlock);
    OPENSSL_cleanse(block, sizeof block);
    if (!ok) {
        OPENSSL_cleanse(payloadKey, sizeof payloadKey);
        error = "the RSA private-key operation failed";
        return false;
    }

    // Key text: hexadecimal digits of c, most significant first, masked.
    static const char digits[] = "0123456789ABCDEF";
    std::string keyText;
    for (unsigned char b : cipherBlock) {
        keyText += digits[b >> 4];
        keyText += digits[b & 15];
    }
    keyText.erase(0, std::min(keyText.find_first_not_of('0'), keyText.size() - 1));

    BF_KEY bf;
    BF_set_key(&bf, static_cast<int>(kPayloadKeyBytes), payloadKey);
    OPENSSL_cleanse(payloadKey, sizeof payloadKey);

    out.clear();
    out.reserve(ContainerSize(plain.size(), checkLength));
    Put32(out, static_cast<uint32_t>(plain.size()) ^ key.LengthMask());
    Put32(out, static_cast<uint32_t>(keyText.size()));
    for (char c : keyText)
        out.push_back(static_cast<unsigned char>(static_cast<unsigned char>(c) ^ key.KeyTextMask()));
    Put32(out, static_cast<uint32_t>(checkLength));
    if (check != nullptr)
        Encipher(bf, *check, out);
    Encipher(bf, plain, out);
    OPENSSL_cleanse(&bf, sizeof bf);
    return true;
}

} // namespace cvdata
