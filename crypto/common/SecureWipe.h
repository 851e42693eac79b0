// Clearing of key material and plaintext before its memory is released or
// goes out of scope.
#pragma once

#include <cstddef>
#include <cstring>

namespace TORVELIB {

// A plain memset before release is a dead store that the optimizer may drop.
// With GCC and Clang the empty asm takes the pointer and clobbers memory, so
// the zeros count as read and stay; memset keeps its speed. Elsewhere the
// stores go through a volatile pointer one byte at a time.
inline void SecureWipe(void* p, size_t n)
{
    if (p == nullptr || n == 0)
        return;
#if defined(__GNUC__) || defined(__clang__)
    std::memset(p, 0, n);
    __asm__ __volatile__("" : : "r"(p) : "memory");
#else
    volatile unsigned char* q = static_cast<volatile unsigned char*>(p);
    while (n-- > 0)
        *q++ = 0;
#endif
}

} // namespace TORVELIB
