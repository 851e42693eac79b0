#include "platform/PlatformFile.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace TORVELIB {
namespace platform {

FileHandle OpenForRead(const WideChar* path, uint32_t& size32)
{
    DWORD attributes = GetFileAttributesW(path);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        attributes = FILE_ATTRIBUTE_ARCHIVE;
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, attributes, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return kInvalidFile;
    // A pipe or a device ("NUL", "CON", "\\.\pipe\...") opens as well, and a
    // read from it may wait forever; only files on a disk are read.
    if (GetFileType(file) != FILE_TYPE_DISK) {
        CloseHandle(file);
        return kInvalidFile;
    }
    size32 = GetFileSize(file, nullptr);
    return reinterpret_cast<FileHandle>(file);
}

uint32_t Read(FileHandle file, void* buffer, uint32_t count)
{
    DWORD got = 0;
    if (!ReadFile(reinterpret_cast<HANDLE>(file), buffer, count, &got, nullptr))
        return 0;
    return got;
}

void Close(FileHandle file) { CloseHandle(reinterpret_cast<HANDLE>(file)); }

int Utf8ToUtf16(const char* text, WideChar* buffer, int capacity)
{
    return MultiByteToWideChar(65001, 0, text, -1, buffer, capacity);
}

} // namespace platform
} // namespace TORVELIB
