// The operating-system calls under the container reader, kept to a handful so
// that everything above them is shared between Windows and POSIX builds.
#pragma once

#include "platform/Utf8ToWide.h"

#include <cstdint>

namespace TORVELIB {
namespace platform {

// Opaque so that this header needs no system header; on Windows it holds the
// HANDLE, elsewhere the file descriptor.
using FileHandle = intptr_t;
constexpr FileHandle kInvalidFile = -1;

// Opens an existing regular file for sequential reading; others may read it
// at the same time. Returns kInvalidFile on failure; otherwise `size32` holds
// the file's size, of which only the low 32 bits are kept. The size comes
// with the open because the type check there already reads it on POSIX.
FileHandle OpenForRead(const WideChar* path, uint32_t& size32);

// Reads up to `count` bytes and returns how many arrived; fewer only at the
// end of the file or on an error.
uint32_t Read(FileHandle file, void* buffer, uint32_t count);

void Close(FileHandle file);

// UTF-8 to UTF-16 with the contract of the Windows converter for a
// zero-terminated source: with `capacity` 0 returns the units needed including
// the terminator; otherwise converts and returns the units written, or 0 when
// they do not fit (the buffer may then be partly written).
int Utf8ToUtf16(const char* text, WideChar* buffer, int capacity);

} // namespace platform
} // namespace TORVELIB
