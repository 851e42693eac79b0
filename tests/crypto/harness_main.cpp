#include "harness.h"

std::string cvtest::hex(const void* data, size_t n)
{
    std::string s;
    for (const auto* p = static_cast<const unsigned char*>(data); n-- > 0; ++p)
        s += { "0123456789ABCDEF"[*p >> 4], "0123456789ABCDEF"[*p & 15] };
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
        const int before = cvtest::failures;
        cvtest::skipReason().clear();
        c.fn();
        ++ran;
        const bool skip = cvtest::failures == before && !cvtest::skipReason().empty();
        skipped += skip;
        const char* verdict = cvtest::failures != before ? "FAIL" : skip ? "SKIP" : "PASS";
        std::printf("%s %s%s%s\n", verdict, c.name, skip ? ": " : "", skip ? cvtest::skipReason().c_str() : "");
    }
    std::printf("%d cases, %d skipped, %d failed checks\n", ran, skipped, cvtest::failures);
    return cvtest::failures != 0 || ran == 0 ? 1 : skipped != 0 ? 77 : 0;
}
