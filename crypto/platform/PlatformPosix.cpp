#include "platform/PlatformFile.h"

#include <cerrno>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace TORVELIB {
namespace platform {

namespace {

// Decodes one UTF-8 sequence. An ill-formed sequence yields U+FFFD and
// consumes its maximal subpart (at least one byte), as the Windows converter
// does, so both builds turn the same bytes into the same units.
uint32_t DecodeUtf8(const unsigned char*& p)
{
    const unsigned char lead = *p++;
    if (lead < 0x80)
        return lead;
    int more = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    uint32_t cp = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        more = 1;
        cp = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        more = 2;
        cp = lead & 0x0F;
        if (lead == 0xE0)
            low = 0xA0; // overlong
        else if (lead == 0xED)
            high = 0x9F; // surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        more = 3;
        cp = lead & 0x07;
        if (lead == 0xF0)
            low = 0x90; // overlong
        else if (lead == 0xF4)
            high = 0x8F; // above U+10FFFF
    } else {
        return 0xFFFD;
    }
    for (int i = 0; i < more; ++i) {
        if (*p < low || *p > high)
            return 0xFFFD; // the offending byte starts the next sequence
        cp = (cp << 6) | (*p++ & 0x3F);
        low = 0x80;
        high = 0xBF;
    }
    return cp;
}

// UTF-16 to UTF-8 for the file system; an unpaired surrogate cannot name any
// file there, so it fails the conversion.
bool ToUtf8(const WideChar* path, std::string& out)
{
    for (const WideChar* p = path; *p != 0; ++p) {
        uint32_t cp = static_cast<uint16_t>(*p);
        if (cp >= 0xD800 && cp <= 0xDBFF) {
            const uint32_t next = static_cast<uint16_t>(p[1]);
            if (next < 0xDC00 || next > 0xDFFF)
                return false;
            cp = 0x10000 + ((cp - 0xD800) << 10) + (next - 0xDC00);
            ++p;
        } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
            return false;
        }
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    return true;
}

} // namespace

FileHandle OpenForRead(const WideChar* path, uint32_t& size32)
{
    std::string name;
    if (!ToUtf8(path, name) || name.empty())
        return kInvalidFile;
    // Without O_NONBLOCK, opening a FIFO waits for a writer and opening some
    // devices waits for the device, so the type check below would never run.
    // The type is taken from the open descriptor, not the path, so that a
    // name swapped between a check and the open cannot slip through.
    const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return kInvalidFile;
    // Only regular files are read: directories, pipes, sockets and devices are
    // refused, as the Windows branch refuses everything but disk files. On a
    // regular file O_NONBLOCK changes nothing, so it is left set.
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return kInvalidFile;
    }
    size32 = static_cast<uint32_t>(static_cast<uint64_t>(st.st_size));
    return fd;
}

uint32_t Read(FileHandle file, void* buffer, uint32_t count)
{
    auto* p = static_cast<unsigned char*>(buffer);
    uint32_t got = 0;
    while (got < count) {
        const ssize_t n = ::read(static_cast<int>(file), p + got, count - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        got += static_cast<uint32_t>(n);
    }
    return got;
}

void Close(FileHandle file) { ::close(static_cast<int>(file)); }

int Utf8ToUtf16(const char* text, WideChar* buffer, int capacity)
{
    if (text == nullptr || capacity < 0)
        return 0;
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    int units = 0;
    for (;;) {
        const bool end = *p == 0;
        const uint32_t cp = end ? 0 : DecodeUtf8(p);
        const int need = cp >= 0x10000 ? 2 : 1;
        if (units > 0x7FFFFFFF - need)
            return 0;
        if (capacity > 0) {
            if (units + need > capacity)
                return 0;
            if (need == 2) {
                buffer[units] = static_cast<WideChar>(0xD800 + ((cp - 0x10000) >> 10));
                buffer[units + 1] = static_cast<WideChar>(0xDC00 + ((cp - 0x10000) & 0x3FF));
            } else {
                buffer[units] = static_cast<WideChar>(cp);
            }
        }
        units += need;
        if (end)
            return units;
    }
}

} // namespace platform
} // namespace TORVELIB
