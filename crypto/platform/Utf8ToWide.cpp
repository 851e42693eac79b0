#include "platform/Utf8ToWide.h"

#include "platform/PlatformFile.h"

namespace TORVELIB {

int Utf8ToWide(const char* text, WideChar* buffer, int capacity)
{
    if (text == nullptr || buffer == nullptr || capacity <= 0)
        return 0;
    // Measure first so that a text that does not fit leaves the buffer as it was.
    const int needed = platform::Utf8ToUtf16(text, nullptr, 0);
    if (needed <= 0 || needed >= capacity)
        return 0;
    const int written = platform::Utf8ToUtf16(text, buffer, capacity);
    if (written <= 0)
        return 0;
    buffer[written] = 0;
    return written;
}

} // namespace TORVELIB
