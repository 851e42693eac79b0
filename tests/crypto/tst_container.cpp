// The container reader on files built here: the key block is enciphered with
// the development private key through CBigNumber and the payload with
// CBlowfish, so the test needs no OpenSSL and runs as a Windows executable.
// (The cvdata round trips cross-check the reader against OpenSSL.)
#include "harness.h"

#include "blowfish/CBlowfish.h"
#include "container/CFileEncrypt.h"
#include "cvcrypto_keys.h"
#include "devkey_fixture.h"
#include "platform/Utf8ToWide.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

using TORVELIB::CFileEncrypt;
using TORVELIB::WideChar;
using devkey::Bytes;
using devkey::KeyText;

namespace {

// Files can only be built for a reader that holds the development key.
bool BuiltWithDevelopmentKey()
{
    const bool same = std::strcmp(TORVELIB::keys::kRsaModulus, devkey::kModulus) == 0
        && std::strcmp(TORVELIB::keys::kRsaPublicExponent, devkey::kPublicExponent) == 0;
    if (!same)
        std::printf("note: built with another RSA key; container cases not run\n");
    return same;
}

const Bytes& PayloadKey()
{
    static const Bytes key = [] {
        Bytes k(56);
        for (size_t i = 0; i < k.size(); ++i)
            k[i] = static_cast<unsigned char>(0x31 + 7 * i);
        return k;
    }();
    return key;
}

const std::string& GoodKeyText()
{
    static const std::string text = KeyText(PayloadKey(), 56);
    return text;
}

uint32_t Padded(size_t n)
{
    return static_cast<uint32_t>((n + 15) / 16 * 16);
}

// `plain` padded to `size` bytes and enciphered with Blowfish ECB.
Bytes Encipher(const Bytes& key, Bytes plain, size_t size)
{
    plain.resize(size, 0xC3);
    const TORVELIB::CBlowfish cipher(key.data(), key.size());
    for (size_t i = 0; i + 8 <= size; i += 8) {
        unsigned char* p = plain.data() + i;
        TORVELIB::SBlock b((uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3],
                           (uint32_t(p[4]) << 24) | (uint32_t(p[5]) << 16) | (uint32_t(p[6]) << 8) | p[7]);
        cipher.EncryptBlock(b);
        for (int k = 0; k < 4; ++k) {
            p[k] = static_cast<unsigned char>(b.m_uil >> (24 - 8 * k));
            p[4 + k] = static_cast<unsigned char>(b.m_uir >> (24 - 8 * k));
        }
    }
    return plain;
}

void Put32(Bytes& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<unsigned char>(v >> (8 * i)));
}

// One container; every field can be set wrong on purpose.
struct Container {
    Bytes plain;
    Bytes check;
    std::string keyText = GoodKeyText();
    Bytes key = PayloadKey();
    long long lengthField = -1;  // plaintext length unless set
    long long keyLengthField = -1;
    long long payloadSize = -1;  // padded plaintext unless set
    size_t cutAt = SIZE_MAX;     // truncate the file here

    Bytes Build() const
    {
        Bytes out;
        Put32(out, static_cast<uint32_t>(lengthField >= 0 ? lengthField : static_cast<long long>(plain.size()))
                       ^ TORVELIB::keys::kLengthMask);
        Put32(out, static_cast<uint32_t>(keyLengthField >= 0 ? keyLengthField
                                                             : static_cast<long long>(keyText.size())));
        for (char c : keyText)
            out.push_back(static_cast<unsigned char>(c) ^ TORVELIB::keys::kKeyTextMask);
        Put32(out, static_cast<uint32_t>(check.size()));
        if (!check.empty()) {
            const Bytes block = Encipher(key, check, Padded(check.size()));
            out.insert(out.end(), block.begin(), block.end());
        }
        const size_t size = payloadSize >= 0 ? static_cast<size_t>(payloadSize) : Padded(plain.size());
        if (size > 0) {
            const Bytes payload = Encipher(key, plain, size);
            out.insert(out.end(), payload.begin(), payload.end());
        }
        if (cutAt < out.size())
            out.resize(cutAt);
        return out;
    }
};

const char* const kFile = "tst_container.data";

void WriteFile(const char* name, const Bytes& bytes)
{
    std::FILE* f = std::fopen(name, "wb");
    CV_CHECK(f != nullptr);
    if (f == nullptr)
        return;
    if (!bytes.empty())
        CV_CHECK_EQ(std::fwrite(bytes.data(), 1, bytes.size(), f), bytes.size());
    std::fclose(f);
}

unsigned char* const kUntouched = reinterpret_cast<unsigned char*>(static_cast<uintptr_t>(0x1234));

struct Result {
    uint32_t length = 0;
    unsigned char* out = kUntouched;
    ~Result()
    {
        if (out != kUntouched)
            std::free(out);
    }
};

// Reads `name` as the library's caller does, with a 260-unit path buffer.
void Read(Result& r, const char* name, const Bytes* expected = nullptr, uint32_t expectedLength = 0)
{
    WideChar path[260] = {};
    TORVELIB::Utf8ToWide(name, path, 260);
    CFileEncrypt reader;
    r.length = reader.DecryptFile(path, &r.out,
                                  expected != nullptr ? reinterpret_cast<const WideChar*>(expected->data())
                                                      : nullptr,
                                  expectedLength);
}

// Writes the container, reads it back and checks failure or the plaintext.
void Expect(const Container& c, bool ok, const Bytes* expected = nullptr, uint32_t expectedLength = 0,
            int line = 0)
{
    WriteFile(kFile, c.Build());
    Result r;
    Read(r, kFile, expected, expectedLength);
    if (!ok) {
        if (r.length != 0 || r.out != kUntouched)
            cvtest::fail(__FILE__, line, "read should fail and leave *out alone");
        return;
    }
    if (r.length != c.plain.size() || r.out == kUntouched || r.out == nullptr) {
        cvtest::fail(__FILE__, line, "read failed for " + std::to_string(c.plain.size()) + " bytes");
        return;
    }
    if (!c.plain.empty() && std::memcmp(r.out, c.plain.data(), c.plain.size()) != 0)
        cvtest::fail(__FILE__, line, "plaintext differs");
    if (r.out[r.length] != 0)
        cvtest::fail(__FILE__, line, "no zero byte after the plaintext");
}

#define EXPECT_READ(c, ...) Expect(c, true, ##__VA_ARGS__)
#define EXPECT_FAIL(c) Expect(c, false, nullptr, 0, __LINE__)
#define EXPECT_OK(c) Expect(c, true, nullptr, 0, __LINE__)

Bytes Pattern(size_t n, unsigned seed = 1)
{
    Bytes b(n);
    uint32_t x = seed * 2654435761u;
    for (size_t i = 0; i < n; ++i) {
        x = x * 1103515245u + 12345u;
        b[i] = static_cast<unsigned char>(x >> 16);
    }
    return b;
}

} // namespace

CV_TEST(plaintexts_of_every_chunk_shape)
{
    if (!BuiltWithDevelopmentKey())
        return;
    // 65,536 is one chunk, 65,537 two with a 16-byte second; the last is
    // several MiB of whole and partial chunks.
    for (size_t n : {size_t(1), size_t(15), size_t(16), size_t(17), size_t(65536), size_t(65537),
                     size_t(3 * 1024 * 1024 + 5)}) {
        Container c;
        c.plain = Pattern(n, static_cast<unsigned>(n));
        EXPECT_OK(c);
    }

    // The empty plaintext: result 0 with a one-zero-byte block.
    WriteFile(kFile, Container().Build());
    Result r;
    Read(r, kFile);
    CV_CHECK_EQ(r.length, 0u);
    CV_CHECK(r.out != kUntouched && r.out != nullptr);
    if (r.out != kUntouched && r.out != nullptr)
        CV_CHECK_EQ(r.out[0], 0);

    // A payload region longer than the padded plaintext: the surplus of the
    // last chunk is deciphered but not copied.
    Container longer;
    longer.plain = Pattern(10);
    longer.payloadSize = 4096;
    EXPECT_OK(longer);
    longer.plain = Pattern(65536 + 20);
    longer.payloadSize = 65536 + 65536;
    EXPECT_OK(longer);

    // Only the bytes before the first zero of the key block's data key the
    // cipher.
    Container zeroInKey;
    zeroInKey.keyText = KeyText({'k', 'e', 'y', 0, 'x'}, 5);
    zeroInKey.key = {'k', 'e', 'y'};
    zeroInKey.plain = Pattern(100);
    EXPECT_OK(zeroInKey);
}

CV_TEST(header_checks)
{
    if (!BuiltWithDevelopmentKey())
        return;
    Result missing;
    Read(missing, "tst_container_missing.data");
    CV_CHECK_EQ(missing.length, 0u);
    CV_CHECK(missing.out == kUntouched);
    Result directory;
    Read(directory, ".");
    CV_CHECK(directory.out == kUntouched);

    Container c;
    c.plain = Pattern(100);
    const size_t size = c.Build().size();
    c.lengthField = static_cast<long long>(size); // not below the file size
    EXPECT_FAIL(c);
    c.lengthField = static_cast<long long>(size) - 1; // below it, but the payload ends first
    EXPECT_FAIL(c);
    c.lengthField = -1;
    EXPECT_OK(c);

    // K: 256 digits (leading zeros) are accepted, 257 refused, and so is a
    // K that is not below the file size.
    Container k = c;
    k.keyText = std::string(256 - GoodKeyText().size(), '0') + GoodKeyText();
    EXPECT_OK(k);
    k.keyText = "0" + k.keyText;
    EXPECT_FAIL(k);
    Container tiny;
    tiny.keyText = "1";
    tiny.keyLengthField = 20;
    tiny.payloadSize = 0;
    CV_CHECK(tiny.Build().size() <= 20);
    EXPECT_FAIL(tiny);

    // Key blocks that do not open: another type, an empty key, a length that
    // does not fit the key buffer, a mangled key text.
    Container bad = c;
    bad.keyText = KeyText(PayloadKey(), 56, 0x01);
    EXPECT_FAIL(bad);
    bad.keyText = KeyText({}, 0);
    EXPECT_FAIL(bad);
    bad.keyText = KeyText(PayloadKey(), 600);
    EXPECT_FAIL(bad);
    bad.keyText = GoodKeyText();
    bad.keyText[10] = bad.keyText[10] == '1' ? '2' : '1';
    EXPECT_FAIL(bad);

    // A file ending inside each 4-byte header field.
    Container cut;
    cut.plain = Pattern(3);
    const size_t keyEnd = 8 + cut.keyText.size();
    for (size_t at : {size_t(2), size_t(6), keyEnd + 2}) {
        cut.cutAt = at;
        cut.lengthField = 0; // keeps the length below the short file's size
        EXPECT_FAIL(cut);
    }
}

CV_TEST(check_value)
{
    if (!BuiltWithDevelopmentKey())
        return;
    Container c;
    c.plain = Pattern(50);
    c.check = Pattern(70000, 9); // two chunks of the check block
    const uint32_t l = static_cast<uint32_t>(c.check.size());
    Expect(c, true, &c.check, l, __LINE__);
    Expect(c, false, nullptr, 0, __LINE__); // the library's own caller passes none
    Expect(c, false, nullptr, l, __LINE__);
    Expect(c, false, &c.check, l - 1, __LINE__);

    // A difference in either chunk is found at its own offset.
    for (size_t at : {size_t(3), size_t(65535), size_t(65536), size_t(69999)}) {
        Bytes other = c.check;
        other[at] ^= 0x40;
        Expect(c, false, &other, l, __LINE__);
    }
}

CV_TEST(payload_errors)
{
    if (!BuiltWithDevelopmentKey())
        return;
    Container c;
    c.plain = Pattern(20);
    c.payloadSize = 24; // not a multiple of 16
    EXPECT_FAIL(c);
    c.plain = Pattern(100);
    c.payloadSize = 64; // the file ends before the plaintext is covered
    EXPECT_FAIL(c);
    c.plain = Pattern(65537);
    c.payloadSize = -1;
    c.cutAt = c.Build().size() - 8; // the second chunk cut short
    EXPECT_FAIL(c);
}

CV_TEST(utf8_to_wide_path_limits)
{
    WideChar buffer[262];
    const std::string emoji = "\xF0\x9F\x98\x80"; // U+1F600, two UTF-16 units

    // 258 units plus the terminator fit 260; 259 or 260 do not.
    for (int units : {258, 259, 260}) {
        const std::string text = std::string(static_cast<size_t>(units - 2), 'a') + emoji;
        for (WideChar& w : buffer)
            w = 0x5555;
        const int n = TORVELIB::Utf8ToWide(text.c_str(), buffer, 260);
        if (units == 258) {
            CV_CHECK_EQ(n, 259);
            CV_CHECK_EQ(static_cast<unsigned>(buffer[256]), 0xD83Du);
            CV_CHECK_EQ(static_cast<unsigned>(buffer[257]), 0xDE00u);
            CV_CHECK_EQ(static_cast<unsigned>(buffer[258]), 0u);
            CV_CHECK_EQ(static_cast<unsigned>(buffer[259]), 0u); // the extra zero
            CV_CHECK_EQ(static_cast<unsigned>(buffer[260]), 0x5555u);
        } else {
            CV_CHECK_EQ(n, 0);
            CV_CHECK_EQ(static_cast<unsigned>(buffer[0]), 0x5555u);
        }
    }
    // A non-BMP character that would straddle the limit does not fit either.
    const std::string straddle = std::string(257, 'a') + emoji;
    CV_CHECK_EQ(TORVELIB::Utf8ToWide(straddle.c_str(), buffer, 260), 0);

    // A path too long for the buffer leaves it empty, and the read fails.
    Result r;
    Read(r, (std::string(300, 'p') + ".data").c_str());
    CV_CHECK(r.out == kUntouched);

    // Two- and three-byte forms, and ill-formed input as U+FFFD per maximal
    // ill-formed subsequence: a truncated sequence, a lone continuation byte,
    // an overlong form, a truncated four-byte form, a byte never used.
    const char* text = "\xC3\xA9\xE2\x82\xAC|\xE2\x82|\x80|\xC0\xAF|\xF0\x9F\x98|\xF5";
    const unsigned want[] = {0xE9, 0x20AC, '|', 0xFFFD, '|', 0xFFFD, '|', 0xFFFD,
                             0xFFFD, '|', 0xFFFD, '|', 0xFFFD, 0};
    const int n = TORVELIB::Utf8ToWide(text, buffer, 262);
    CV_CHECK_EQ(n, 14);
    for (int i = 0; i < 14 && i < n; ++i)
        CV_CHECK_EQ(static_cast<unsigned>(buffer[i]), want[i]);
#ifndef _WIN32
    // An encoded surrogate is three ill-formed bytes. (Windows versions
    // differ in detail here, so only the portable converter is pinned.)
    CV_CHECK_EQ(TORVELIB::Utf8ToWide("\xED\xA0\x80", buffer, 262), 4);
    CV_CHECK_EQ(static_cast<unsigned>(buffer[2]), 0xFFFDu);
#endif
}
