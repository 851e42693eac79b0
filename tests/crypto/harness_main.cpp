#include "harness.h"

std::string cvtest::hex(const void* data, size_t n)
{
    const auto* p = static_cast<const unsigned char*>(data);
    std::string s;
    for (size_t i = 0; i < n; ++i)
        s += { "0123456789ABCDEF"[p[i] >> 4], "0123456789ABCDEF"[p[i] & 15] };
    return s;
}

// Runs every registered case, or only those named on the command line.
int main(int argc, char** argv)
{
    int ran = 0, skipped = 0;
    for (const auto& c : cvtest::registry()) {
        bool wanted = argc < 2;
        for (int i = 1; i < argc; ++i)
            wanted = wanted || std::strcmp(argv[i], c.name) == 0;
        if (!wanted)
            continue;
        const int before = cvtest::failures();
        cvtest::skipReason().clear();
        c.fn();
        ++ran;
        if (cvtest::failures() != before) {
            std::printf("FAIL %s\n", c.name);
        } else if (!cvtest::skipReason().empty()) {
            ++skipped;
            std::printf("SKIP %s: %s\n", c.name, cvtest::skipReason().c_str());
        } else {
            std::printf("PASS %s\n", c.name);
        }
    }
    std::printf("%d cases, %d skipped, %d failed checks\n", ran, skipped, cvtest::failures());
    if (cvtest::failures() != 0 || ran == 0)
        return 1;
    return skipped != 0 ? 77 : 0;
}
