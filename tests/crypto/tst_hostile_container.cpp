// Containers built to make the reader allocate or read far more than the file
// holds. Each is refused, and the reader's memory stays at its fixed working
// set whatever the header claims. The key block is genuine, so only the field
// under test is wrong.
#include "harness.h"

#include "container/CFileEncrypt.h"
#include "cvcrypto_keys.h"
#include "devkey_fixture.h"
#include "platform/Utf8ToWide.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

using Bytes = std::vector<unsigned char>;

namespace {

const char* const kFile = "tst_hostile_container.data";

void Put32(Bytes& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<unsigned char>(v >> (8 * i)));
}

// A header with a good key block (payload key "0123456789abcdef"), then
// `payload` bytes of ciphertext.
Bytes Header(uint32_t length, uint32_t checkLength, size_t payload)
{
    static const std::string keyText
        = devkey::KeyText(Bytes { '0', '1', '2', '3', '4', '5', '6', '7', '8', '9', 'a', 'b', 'c', 'd', 'e', 'f' }, 16);
    Bytes out;
    Put32(out, length ^ TORVELIB::keys::kLengthMask);
    Put32(out, static_cast<uint32_t>(keyText.size()));
    for (char c : keyText)
        out.push_back(static_cast<unsigned char>(c) ^ TORVELIB::keys::kKeyTextMask);
    Put32(out, checkLength);
    out.resize(out.size() + payload, 0x5c);
    return out;
}

// Growth of the peak resident set over the current one, in KiB; -1 where the
// system does not tell (the Windows build under Wine).
struct PeakGrowth {
    long start = Read("VmRSS:");
    PeakGrowth()
    {
#ifdef __linux__
        // Writing 5 resets the peak to the current resident set.
        if (std::FILE* f = std::fopen("/proc/self/clear_refs", "w")) {
            std::fputs("5", f);
            std::fclose(f);
        }
#endif
    }
    long Kib() const { return start < 0 ? -1 : Read("VmHWM:") - start; }
    static long Read(const char* field)
    {
        long value = -1;
#ifdef __linux__
        if (std::FILE* f = std::fopen("/proc/self/status", "r")) {
            char line[256];
            while (std::fgets(line, sizeof line, f))
                if (std::strncmp(line, field, std::strlen(field)) == 0)
                    value = std::atol(line + std::strlen(field));
            std::fclose(f);
        }
#else
        (void)field;
#endif
        return value;
    }
};

uint32_t Read(const Bytes& file, long* growthKib)
{
    std::FILE* f = std::fopen(kFile, "wb");
    CV_CHECK(f != nullptr && std::fwrite(file.data(), 1, file.size(), f) == file.size());
    if (f)
        std::fclose(f);
    TORVELIB::WideChar path[260] = {};
    TORVELIB::Utf8ToWide(kFile, path, 260);
    unsigned char* out = nullptr;
    const PeakGrowth peak;
    uint32_t n = 0;
    {
        TORVELIB::CFileEncrypt reader;
        n = reader.DecryptFile(path, &out, nullptr, 0);
    }
    *growthKib = peak.Kib();
    std::free(out);
    std::remove(kFile);
    return n;
}

} // namespace

// A 200 MB plaintext length, and the largest one a 32-bit field holds, in
// files of a few hundred bytes; a 4 GiB check length; a length just below the
// file size whose payload ends long before it is covered.
CV_TEST(HostileLengthsAllocateNothing)
{
    if (!devkey::HaveBuildKey())
        return;
    struct Case {
        const char* what;
        Bytes file;
    };
    const Case cases[] = {
        { "200 MB plaintext", Header(200u << 20, 0, 32) },
        { "4 GiB plaintext", Header(0xFFFFFFFFu, 0, 32) },
        { "4 GiB check value", Header(16, 0xFFFFFFFFu, 32) },
        { "length beyond the payload", Header(1000, 0, 736) },
    };
    for (const Case& c : cases) {
        long growth = 0;
        if (Read(c.file, &growth) != 0)
            cvtest::fail(__FILE__, __LINE__, std::string(c.what) + ": read succeeded");
        // The reader's own working set is two 64 KiB chunk buffers.
        if (growth > 4096)
            cvtest::fail(__FILE__, __LINE__, std::string(c.what) + ": peak grew by " + std::to_string(growth) + " KiB");
    }
}

// The same genuine header with a small, well-formed payload is read, so the
// refusals above come from the fields under test.
CV_TEST(HostileBaselineReads)
{
    if (!devkey::HaveBuildKey())
        return;
    Bytes file = Header(0, 0, 0);
    long growth = 0;
    CV_CHECK_EQ(Read(file, &growth), 0u); // empty plaintext
    file = Header(5, 0, 0);
    // Not a valid payload (never enciphered) but of the right size: it deciphers
    // to some 5 bytes, which is all a container without integrity check can say.
    file.resize(file.size() + 16, 0x5c);
    CV_CHECK_EQ(Read(file, &growth), 5u);
}
