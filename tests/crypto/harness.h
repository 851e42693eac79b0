// A dependency-free test harness for the Qt-free crypto half, so that the same
// tests run natively and as Windows executables under Wine.
#pragma once

#include <cstdio>
#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

namespace cvtest {

struct Case {
    const char* name;
    void (*fn)();
};
inline std::vector<Case>& registry()
{
    static std::vector<Case> cases;
    return cases;
}
inline int failures = 0;
// Why the running case could not run here; empty while it runs.
inline std::string& skipReason()
{
    static std::string reason;
    return reason;
}

inline void fail(const char* file, int line, const std::string& what)
{
    ++failures;
    std::fprintf(stderr, "%s:%d: FAIL: %s\n", file, line, what.c_str());
}

// Upper-case hex, as the tests' vectors and key texts are written.
std::string hex(const void* data, size_t n);
inline std::string hex(const std::vector<unsigned char>& b) { return hex(b.data(), b.size()); }

// A value as a failed check prints it.
inline std::string str(const std::string& s) { return '"' + s + '"'; }
template <typename T> std::string str(const T& v)
{
    if constexpr (std::is_convertible_v<T, const char*>)
        return str(std::string(v));
    else
        return std::to_string(v);
}

} // namespace cvtest

#define CV_TEST(name)                                                                             \
    static void name();                                                                           \
    static const bool name##_registered = (cvtest::registry().push_back({ #name, &name }), true); \
    static void name()

// Ends a case that cannot run in this build; the executable then reports
// itself skipped to CTest (exit code 77) unless another case failed.
#define CV_SKIP(reason)                  \
    do {                                 \
        cvtest::skipReason() = (reason); \
        return;                          \
    } while (0)

#define CV_CHECK(cond)                               \
    do {                                             \
        if (!(cond))                                 \
            cvtest::fail(__FILE__, __LINE__, #cond); \
    } while (0)

#define CV_CHECK_EQ(a, b)                                                                                           \
    do {                                                                                                            \
        const auto cv_a_ = (a);                                                                                     \
        const auto cv_b_ = (b);                                                                                     \
        if (!(cv_a_ == cv_b_))                                                                                      \
            cvtest::fail(__FILE__, __LINE__, #a " == " #b ": " + cvtest::str(cv_a_) + " vs " + cvtest::str(cv_b_)); \
    } while (0)
