// A dependency-free test harness for the Qt-free crypto half, so that the same
// tests run natively and as Windows executables under Wine.
#pragma once

#include <cstdio>
#include <cstring>
#include <string>
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
inline int& failures()
{
    static int n = 0;
    return n;
}
// Why the running case could not run here; empty while it runs.
inline std::string& skipReason()
{
    static std::string reason;
    return reason;
}
struct Registrar {
    Registrar(const char* name, void (*fn)()) { registry().push_back({ name, fn }); }
};

inline void fail(const char* file, int line, const std::string& what)
{
    ++failures();
    std::fprintf(stderr, "%s:%d: FAIL: %s\n", file, line, what.c_str());
}

// A case that cannot run in this build says why and returns; the run then
// reports itself skipped to CTest (exit code 77) unless a check failed.
inline void skip(const std::string& why) { skipReason() = why; }

// Upper-case hex, as the tests' vectors and key texts are written.
std::string hex(const void* data, size_t n);
inline std::string hex(const std::vector<unsigned char>& b) { return hex(b.data(), b.size()); }

// A value as a failed check prints it.
inline std::string str(const std::string& s) { return '"' + s + '"'; }
inline std::string str(const char* s) { return str(std::string(s)); }
template <typename T> std::string str(const T& v) { return std::to_string(v); }

} // namespace cvtest

#define CV_TEST(name)                                              \
    static void name();                                            \
    static const cvtest::Registrar name##_registrar(#name, &name); \
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

#define CV_CHECK_BYTES(a, b, n)                                                                                  \
    do {                                                                                                         \
        if (std::memcmp((a), (b), (n)) != 0)                                                                     \
            cvtest::fail(                                                                                        \
                __FILE__, __LINE__, #a " != " #b ": " + cvtest::hex((a), (n)) + " vs " + cvtest::hex((b), (n))); \
    } while (0)
