// Wide paths for the container reader: UTF-16 on every platform, so that the
// same length limits hold everywhere.
#pragma once

namespace TORVELIB {

#ifdef _WIN32
using WideChar = wchar_t;
#else
using WideChar = char16_t;
#endif

// Converts zero-terminated UTF-8 to UTF-16. When the converted text with its
// terminator needs `capacity` units or more, returns 0 and leaves `buffer`
// untouched. Otherwise writes the text, its terminator and one more zero unit,
// and returns the units written up to and including the terminator.
// Ill-formed UTF-8 becomes U+FFFD, one per maximal ill-formed subsequence.
int Utf8ToWide(const char* text, WideChar* buffer, int capacity);

} // namespace TORVELIB
