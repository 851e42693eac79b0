// The Windows branch of the platform layer on real files holding a container
// packed by cvdata: paths at the edge of the caller's 260-unit buffer, other
// handles' share modes, attributes as open flags, directories, non-ASCII names.
#include "harness.h"
#include "testutil.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <tuple>

using cvtest::Bytes;
using cvtest::kPlain;
using cvtest::kRefused;

namespace {

const Bytes kContainer = cvtest::Slurp(CV_PACKED_DIR "/config.data");
const Bytes kPlaintext = cvtest::Slurp(CV_PACKED_DIR "/config.plain");

cvtest::Outcome Read(const std::wstring& path) { return cvtest::Decrypt(path.c_str(), kPlaintext); }

// Through UTF-8 from the system's own converter, so that the paths do not
// depend on Utf8ToWide.
cvtest::Outcome ReadUtf8(const std::wstring& path)
{
    std::string s(path.size() * 4, '\0');
    const int n = int(s.size());
    s.resize(size_t(WideCharToMultiByte(CP_UTF8, 0, path.data(), int(path.size()), &s[0], n, nullptr, nullptr)));
    return cvtest::DecryptUtf8(s, kPlaintext);
}

// A folder under the working directory, as an absolute path.
std::wstring WorkDir(const std::wstring& name)
{
    wchar_t cwd[MAX_PATH];
    const std::wstring dir = std::wstring(cwd, GetCurrentDirectoryW(MAX_PATH, cwd)) + L"\\" + name;
    CreateDirectoryW(dir.c_str(), nullptr);
    return dir;
}

// Writes through the long-path prefix, so that paths past MAX_PATH exist too.
bool WriteWide(const std::wstring& path, const Bytes& bytes)
{
    const std::wstring longPath = L"\\\\?\\" + path;
    SetFileAttributesW(longPath.c_str(), FILE_ATTRIBUTE_NORMAL); // a leftover may be read-only
    HANDLE h = CreateFileW(longPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    const bool ok = WriteFile(h, bytes.data(), DWORD(bytes.size()), &written, nullptr) && written == bytes.size();
    CloseHandle(h);
    return ok;
}

} // namespace

CV_TEST(paths_of_258_259_and_260_units)
{
    const std::wstring dir = WorkDir(L"lengths"), tail = L"\U0001F600.data"; // the emoji is two units
    const size_t fixed = dir.size() + 1 + tail.size();
    if (fixed >= 258 || fixed < 20)
        CV_SKIP("the working directory's length leaves no room for the length cases");
    for (size_t units : { size_t(258), size_t(259), size_t(260) }) {
        const std::wstring path = dir + L"\\" + std::wstring(units - fixed, L'a') + tail;
        CV_CHECK(WriteWide(path, kContainer));
        CV_CHECK_EQ(ReadUtf8(path), units == 258 ? kPlain : kRefused);
        // The 259-unit file itself opens when its name is handed over unconverted.
        CV_CHECK(units != 259 || Read(path) == kPlain);
    }
}

// The reader asks for reading and lets others only read. Rewriting the file
// (no sharing) shows that every read closed its handle, failed ones too: cut
// inside the header, inside the payload.
CV_TEST(another_handle_holds_the_file)
{
    const std::wstring path = WorkDir(L"sharing") + L"\\held.data";
    CV_CHECK(WriteWide(path, kContainer));
    const std::tuple<DWORD, DWORD, cvtest::Outcome> holders[] = { { GENERIC_READ, FILE_SHARE_READ, kPlain },
        { GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, kPlain }, { GENERIC_READ, 0, kRefused },
        { GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, kRefused } };
    for (const auto& [access, share, outcome] : holders) {
        HANDLE h = CreateFileW(path.c_str(), access, share, nullptr, OPEN_EXISTING, 0, nullptr);
        CV_CHECK(h != INVALID_HANDLE_VALUE);
        CV_CHECK_EQ(Read(path), outcome);
        CloseHandle(h);
        CV_CHECK(WriteWide(path, kContainer));
    }
    for (size_t keep : { size_t(2), kContainer.size() - 8 }) {
        CV_CHECK(WriteWide(path, Bytes(kContainer.begin(), kContainer.begin() + std::ptrdiff_t(keep))));
        CV_CHECK_EQ(Read(path), kRefused);
    }
}

// The attributes go back to the open as its flags. Anything but a disk file is
// refused without reading: a directory, a device, a pipe with no data in it.
CV_TEST(attributes_directories_devices_and_pipes)
{
    const std::wstring dir = WorkDir(L"attributes"), path = dir + L"\\flags.data";
    CV_CHECK(WriteWide(path, kContainer));
    for (DWORD attributes : { DWORD(FILE_ATTRIBUTE_READONLY), DWORD(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN),
             DWORD(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE) }) {
        CV_CHECK(SetFileAttributesW(path.c_str(), attributes));
        CV_CHECK_EQ(Read(path), kPlain);
    }
    const std::wstring pipe = L"\\\\.\\pipe\\cvsettings-" + std::to_wstring(GetCurrentProcessId());
    HANDLE server = CreateNamedPipeW(pipe.c_str(), PIPE_ACCESS_OUTBOUND, 0, 1, 0, 0, 0, nullptr);
    CV_CHECK(server != INVALID_HANDLE_VALUE);
    for (const std::wstring& p :
        { dir, dir + L"\\", dir + L"\\missing.data", std::wstring(), std::wstring(L"NUL"), pipe })
        CV_CHECK_EQ(Read(p), kRefused);
    CloseHandle(server);
}

// Written under the wide name, read under the UTF-8 one through Utf8ToWide; a
// decomposed e-acute names another, missing folder.
CV_TEST(names_that_are_not_ascii)
{
    const std::wstring name = L"\\\u041A\u043E\u043D\u0444\u0438\u0433 \U0001F600.data";
    CV_CHECK(WriteWide(WorkDir(L"\u4F1A\u8B70-r\u00E9union") + name, kContainer));
    CV_CHECK_EQ(ReadUtf8(WorkDir(L"") + L"\u4F1A\u8B70-r\u00E9union" + name), kPlain);
    CV_CHECK_EQ(ReadUtf8(WorkDir(L"") + L"\u4F1A\u8B70-re\u0301union" + name), kRefused);
}
