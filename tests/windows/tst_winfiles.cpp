// The Windows branch of the platform layer on real files: paths at the edge of
// the 260-unit buffer that the library's caller converts into, share modes of
// other handles, file attributes handed back as open flags, a directory, and
// names that are not ASCII. The content is a container packed by cvdata.
#include "harness.h"

#include "container/CFileEncrypt.h"
#include "platform/Utf8ToWide.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

using Bytes = std::vector<unsigned char>;

namespace {

unsigned char* const kUntouched = reinterpret_cast<unsigned char*>(static_cast<uintptr_t>(0x1234));

Bytes Slurp(const char* name)
{
    Bytes out;
    std::FILE* f = std::fopen((std::string(CV_PACKED_DIR) + "/" + name).c_str(), "rb");
    CV_CHECK(f != nullptr);
    if (f == nullptr)
        return out;
    for (int c = std::fgetc(f); c != EOF; c = std::fgetc(f))
        out.push_back(static_cast<unsigned char>(c));
    std::fclose(f);
    return out;
}

const Bytes& Container()
{
    static const Bytes bytes = Slurp("config.data");
    return bytes;
}

const Bytes& Plain()
{
    static const Bytes bytes = Slurp("config.plain");
    return bytes;
}

// The system's own converter, so that the paths do not depend on Utf8ToWide.
std::string ToUtf8(const std::wstring& w)
{
    const int n = WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string s(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, &s[0], n, nullptr, nullptr);
    s.pop_back();
    return s;
}

// A fresh folder under the working directory, as an absolute path.
std::wstring WorkDir(const std::wstring& name)
{
    wchar_t cwd[MAX_PATH];
    const DWORD n = GetCurrentDirectoryW(MAX_PATH, cwd);
    const std::wstring dir = std::wstring(cwd, n) + L"\\" + name;
    CreateDirectoryW(dir.c_str(), nullptr);
    return dir;
}

// Writes through the long-path prefix, so that paths past MAX_PATH exist too.
bool WriteWide(const std::wstring& path, const Bytes& bytes)
{
    const std::wstring longPath = L"\\\\?\\" + path;
    SetFileAttributesW(longPath.c_str(), FILE_ATTRIBUTE_NORMAL); // a leftover may be read-only
    HANDLE h = CreateFileW(longPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const BOOL ok = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(h);
    return ok && written == bytes.size();
}

struct Result {
    uint32_t length = 0;
    unsigned char* out = kUntouched;
    ~Result()
    {
        if (out != kUntouched)
            std::free(out);
    }
    bool IsPlain() const
    {
        return length == Plain().size() && out != kUntouched && out != nullptr
            && std::memcmp(out, Plain().data(), length) == 0 && out[length] == 0;
    }
    bool Refused() const { return length == 0 && out == kUntouched; }
};

void ReadWide(Result& r, const wchar_t* path)
{
    TORVELIB::CFileEncrypt reader;
    r.length = reader.DecryptFile(path, &r.out, nullptr, 0);
}

// As the library's caller does: UTF-8 through a zero-filled 260-unit buffer.
int ReadUtf8(Result& r, const std::string& path)
{
    wchar_t buffer[260] = {};
    const int units = TORVELIB::Utf8ToWide(path.c_str(), buffer, 260);
    ReadWide(r, buffer);
    return units;
}

// Nothing holds the file any more when an exclusive open succeeds.
bool NotHeld(const std::wstring& path)
{
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(h);
    return true;
}

} // namespace

CV_TEST(paths_of_258_259_and_260_units)
{
    const std::wstring dir = WorkDir(L"lengths");
    const std::wstring tail = L"\U0001F600.data"; // the emoji is two units
    for (size_t units : {size_t(258), size_t(259), size_t(260)}) {
        const size_t fixed = dir.size() + 1 + tail.size();
        if (fixed >= units || units - fixed > 240) {
            std::printf("note: working directory of %zu units; length cases not run\n", dir.size());
            return;
        }
        const std::wstring path = dir + L"\\" + std::wstring(units - fixed, L'a') + tail;
        CV_CHECK_EQ(path.size(), units);
        CV_CHECK(WriteWide(path, Container()));

        Result r;
        const int converted = ReadUtf8(r, ToUtf8(path));
        if (units == 258) {
            CV_CHECK_EQ(converted, 259);
            CV_CHECK(r.IsPlain());
        } else {
            CV_CHECK_EQ(converted, 0);
            CV_CHECK(r.Refused());
        }
        if (units == 259) {
            // The file itself opens when its name is handed over unconverted.
            Result direct;
            ReadWide(direct, path.c_str());
            CV_CHECK(direct.IsPlain());
        }
        DeleteFileW((L"\\\\?\\" + path).c_str());
    }
}

CV_TEST(another_handle_holds_the_file)
{
    const std::wstring path = WorkDir(L"sharing") + L"\\held.data";
    CV_CHECK(WriteWide(path, Container()));
    // The reader asks for reading and lets others only read.
    const struct {
        DWORD access, share;
        bool readable;
    } holders[] = {
        {GENERIC_READ, FILE_SHARE_READ, true},
        {GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, true},
        {GENERIC_READ, 0, false},
        {GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, false},
    };
    for (const auto& holder : holders) {
        HANDLE h = CreateFileW(path.c_str(), holder.access, holder.share, nullptr, OPEN_EXISTING, 0, nullptr);
        CV_CHECK(h != INVALID_HANDLE_VALUE);
        Result r;
        ReadWide(r, path.c_str());
        CV_CHECK(holder.readable ? r.IsPlain() : r.Refused());
        CloseHandle(h);
        CV_CHECK(NotHeld(path));
    }

    // A failed read closes its handle too: cut inside the header, inside the payload.
    for (size_t keep : {size_t(2), Container().size() - 8}) {
        CV_CHECK(WriteWide(path, Bytes(Container().begin(), Container().begin() + static_cast<std::ptrdiff_t>(keep))));
        Result r;
        ReadWide(r, path.c_str());
        CV_CHECK(r.Refused());
        CV_CHECK(NotHeld(path));
    }
    DeleteFileW(path.c_str());
}

CV_TEST(attributes_become_open_flags)
{
    const std::wstring path = WorkDir(L"attributes") + L"\\flags.data";
    CV_CHECK(WriteWide(path, Container()));
    for (DWORD attributes : {DWORD(FILE_ATTRIBUTE_READONLY), DWORD(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN),
                             DWORD(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE)}) {
        CV_CHECK(SetFileAttributesW(path.c_str(), attributes));
        CV_CHECK_EQ(GetFileAttributesW(path.c_str()) & attributes, attributes);
        Result r;
        ReadWide(r, path.c_str());
        CV_CHECK(r.IsPlain());
    }
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(path.c_str());

    // A directory, with and without its trailing separator, and nothing at all.
    const std::wstring dir = WorkDir(L"attributes");
    for (const std::wstring& p : {dir, dir + L"\\", dir + L"\\missing.data", std::wstring()}) {
        Result r;
        ReadWide(r, p.c_str());
        CV_CHECK(r.Refused());
    }
}

CV_TEST(names_that_are_not_ascii)
{
    // Written under the wide name, read under the UTF-8 one through Utf8ToWide.
    const std::wstring dir = WorkDir(L"\u4F1A\u8B70-r\u00E9union");
    CV_CHECK(WriteWide(dir + L"\\\u041A\u043E\u043D\u0444\u0438\u0433 \U0001F600.data", Container()));
    const std::string base = ToUtf8(WorkDir(L""));
    Result r;
    ReadUtf8(r, base + u8"\u4F1A\u8B70-r\u00E9union\\\u041A\u043E\u043D\u0444\u0438\u0433 \U0001F600.data");
    CV_CHECK(r.IsPlain());

    // A decomposed e-acute names another, missing folder.
    Result other;
    ReadUtf8(other, base + u8"\u4F1A\u8B70-re\u0301union\\\u041A\u043E\u043D\u0444\u0438\u0433 \U0001F600.data");
    CV_CHECK(other.Refused());
}
