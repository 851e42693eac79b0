#include "container/CFileEncrypt.h"

#include "blowfish/CBlowfish.h"
#include "common/SecureWipe.h"
#include "cvcrypto_keys.h"
#include "platform/PlatformFile.h"

#include <cstdlib>
#include <cstring>

namespace TORVELIB {

namespace {

constexpr uint32_t kChunkSize = 65536;
constexpr uint32_t kKeyBufferSize = 512;
constexpr uint32_t kMaxKeyText = 256;
constexpr uint32_t kCipherBlock = 16;

// Everything one read holds: closed, wiped and freed on every way out.
struct ReadState {
    platform::FileHandle file = platform::kInvalidFile;
    uint32_t size = 0;
    uint32_t consumed = 0;
    char key[kKeyBufferSize];
    unsigned char* chunk = nullptr;
    unsigned char* output = nullptr;

    ReadState() { std::memset(key, 0, sizeof key); }
    ~ReadState()
    {
        if (file != platform::kInvalidFile)
            platform::Close(file);
        SecureWipe(key, sizeof key);
        if (chunk != nullptr) {
            SecureWipe(chunk, kChunkSize);
            std::free(chunk);
        }
        std::free(output);
    }
    ReadState(const ReadState&) = delete;
    ReadState& operator=(const ReadState&) = delete;

    // The header fields come a few bytes at a time, and product files are
    // small, so the first read takes up to this much of the file at once (as
    // much as its size says, so that no call is spent meeting the end): one
    // system call instead of one per field. The product files shipped today
    // are under 5 KiB, so each is read whole by that one call.
    unsigned char ahead[8192];
    uint32_t aheadStart = 0;
    uint32_t aheadEnd = 0;
    uint32_t aheadWanted = 0;
    bool aheadFilled = false;

    bool ReadExactly(void* buffer, uint32_t count)
    {
        if (!aheadFilled) {
            aheadFilled = true;
            aheadWanted = size < sizeof ahead ? size : uint32_t(sizeof ahead);
            aheadEnd = platform::Read(file, ahead, aheadWanted);
        }
        auto* out = static_cast<unsigned char*>(buffer);
        const uint32_t buffered = aheadEnd - aheadStart;
        const uint32_t fromAhead = count < buffered ? count : buffered;
        std::memcpy(out, ahead + aheadStart, fromAhead);
        aheadStart += fromAhead;
        // A short read-ahead met the end of the file or an error; after a full
        // one the rest comes from the file.
        const uint32_t rest = fromAhead < count && aheadEnd == aheadWanted
            ? platform::Read(file, out + fromAhead, count - fromAhead)
            : 0;
        consumed += fromAhead + rest;
        return fromAhead + rest == count;
    }

    // A file that ends inside a header field is malformed like any other.
    bool ReadU32(uint32_t& value)
    {
        unsigned char b[4];
        if (!ReadExactly(b, 4))
            return false;
        value = b[0] | (uint32_t(b[1]) << 8) | (uint32_t(b[2]) << 16) | (uint32_t(b[3]) << 24);
        return true;
    }

    uint32_t Left() const { return consumed < size ? size - consumed : 0; }

    // The chunk buffer serves only the check block and a payload region
    // longer than the padded plaintext, so most reads never allocate it.
    unsigned char* Chunk()
    {
        if (chunk == nullptr)
            chunk = static_cast<unsigned char*>(std::malloc(kChunkSize));
        return chunk;
    }
};

// The library's public key, parsed from its hexadecimal texts.
struct BuiltInKey {
    CBigNumber exponent;
    CBigNumber modulus;
    bool parsed;

    BuiltInKey()
        : parsed(exponent.FromString(keys::kRsaPublicExponent) == 1 && modulus.FromString(keys::kRsaModulus) == 1)
    { }
};

} // namespace

CFileEncrypt::CFileEncrypt()
    : m_randomGenerator(&m_random)
{ }

CFileEncrypt::~CFileEncrypt() = default;

uint32_t CFileEncrypt::DecryptFile(
    const WideChar* path, unsigned char** out, const WideChar* expected, uint32_t expectedLength)
{
    if (path == nullptr || out == nullptr)
        return 0;
    m_randomGenerator->AddEntropy(static_cast<uint32_t>(std::rand()));

    ReadState io;
    io.file = platform::OpenForRead(path, io.size);
    if (io.file == platform::kInvalidFile)
        return 0;

    uint32_t length = 0;
    if (!io.ReadU32(length))
        return 0;
    length ^= keys::kLengthMask;
    if (length >= io.size)
        return 0;

    uint32_t keyTextLength = 0;
    if (!io.ReadU32(keyTextLength) || keyTextLength >= io.size || keyTextLength > kMaxKeyText)
        return 0;
    if (!io.ReadExactly(io.key, keyTextLength))
        return 0;
    io.key[keyTextLength] = 0;
    if (!DecryptKey(io.key))
        return 0;
    const size_t keyLength = std::strlen(io.key);
    if (keyLength == 0)
        return 0;

    uint32_t checkLength = 0;
    if (!io.ReadU32(checkLength) || checkLength != expectedLength)
        return 0;
    if (checkLength != 0 && expected == nullptr)
        return 0;

    try {
        // ECB carries nothing from block to block, so one key schedule serves
        // every chunk of the file.
        CBlowfish cipher(reinterpret_cast<const unsigned char*>(io.key), keyLength);
        SecureWipe(io.key, sizeof io.key);

        // The check block, compared chunk by chunk at the same offsets of
        // `expected`.
        const auto* want = reinterpret_cast<const unsigned char*>(expected);
        const uint64_t checkBlock = (uint64_t(checkLength) + kCipherBlock - 1) & ~uint64_t(kCipherBlock - 1);
        for (uint64_t offset = 0; offset < checkBlock;) {
            const uint32_t n
                = static_cast<uint32_t>(checkBlock - offset < kChunkSize ? checkBlock - offset : kChunkSize);
            unsigned char* chunk = io.Chunk();
            if (chunk == nullptr || !io.ReadExactly(chunk, n) || n % kCipherBlock != 0)
                return 0;
            cipher.Decrypt(chunk, chunk, n, CBlowfish::ECB);
            const uint64_t rest = checkLength - offset;
            const size_t compared = static_cast<size_t>(rest < n ? rest : n);
            if (std::memcmp(chunk, want + offset, compared) != 0)
                return 0;
            offset += n;
        }

        const uint64_t blockSize = uint64_t(length) + kCipherBlock;
        if (blockSize > SIZE_MAX)
            return 0;
        io.output = static_cast<unsigned char*>(std::malloc(static_cast<size_t>(blockSize)));
        if (io.output == nullptr)
            return 0;

        uint32_t copied = 0;
        while (copied < length) {
            const uint32_t left = io.Left();
            const uint32_t n = left < kChunkSize ? left : kChunkSize;
            if (n == 0)
                return 0;
            // Decipher straight into the output block when the whole chunk
            // fits there, which the padded plaintext always does; a longer
            // tail goes through the chunk buffer.
            unsigned char* target = uint64_t(copied) + n <= blockSize ? io.output + copied : io.Chunk();
            if (target == nullptr || !io.ReadExactly(target, n) || n % kCipherBlock != 0)
                return 0;
            cipher.Decrypt(target, target, n, CBlowfish::ECB);
            const uint32_t take = length - copied < n ? length - copied : n;
            if (target == io.chunk)
                std::memcpy(io.output + copied, io.chunk, take);
            copied += take;
        }
    } catch (...) {
        return 0;
    }

    io.output[length] = 0;
    *out = io.output;
    io.output = nullptr;
    return length;
}

bool CFileEncrypt::DecryptKey(char* text)
{
    for (char* p = text; *p != 0; ++p)
        *p = static_cast<char>(static_cast<unsigned char>(*p) ^ keys::kKeyTextMask);
    // A bad character ends the number; the digits before it still count.
    CBigNumber c;
    c.FromString(text);
    // The key texts are constants: parsed once per process, then copied in
    // on every read instead of parsing the 1024-bit modulus again each time.
    static const BuiltInKey key;
    if (!key.parsed || m_rsa.PublicExponent().Copy(key.exponent) != 0 || m_rsa.Modulus().Copy(key.modulus) != 0)
        return false;
    return m_rsa.Decrypt(reinterpret_cast<unsigned char*>(text), kKeyBufferSize, c) >= 0;
}

} // namespace TORVELIB
