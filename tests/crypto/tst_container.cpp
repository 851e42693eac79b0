// The container reader on files built here with the build's own key and
// CBlowfish, so that it runs as a Windows executable too; and Utf8ToWide,
// through which the library's caller hands paths over.
#include "container_builder.h"
#include "harness.h"

#include <cstring>
#include <functional>

using cvtest::Bytes;
using cvtest::Container;
using cvtest::KeyText;
using cvtest::kKeyText;
using cvtest::kPayloadKey;
using cvtest::kPlain;
using cvtest::kRefused;
using cvtest::Pattern;
using TORVELIB::WideChar;

// Files can only be built with the private half of the reader's key.
CV_TEST(containers_built_with_the_build_key)
{
    if (!cvtest::HaveBuildKey())
        return;
    // Around the 16-byte block and the 65,536-byte chunk, several MiB, and payloads longer than the padded
    // plaintext, whose surplus in the last chunk is deciphered but not copied.
    const std::pair<size_t, int64_t> shapes[] = { { 0, -1 }, { 1, -1 }, { 15, -1 }, { 16, -1 }, { 17, -1 },
        { 65536, -1 }, { 65537, -1 }, { 3 * 1024 * 1024 + 5, -1 }, { 10, 4096 }, { 65556, 131072 } };
    for (const auto& [n, payload] : shapes) {
        Container c;
        c.plain = Pattern(n, static_cast<unsigned>(n));
        c.payloadSize = payload;
        CV_CHECK_EQ(c.Read(), kPlain);
    }

    // A check value of two chunks: refused when not given, given short, or differing in either chunk.
    Container checked;
    checked.plain = Pattern(50);
    checked.check = Pattern(70000, 9);
    const auto l = static_cast<uint32_t>(checked.check.size());
    CV_CHECK_EQ(checked.Read(&checked.check, l), kPlain);
    CV_CHECK_EQ(checked.Read(), kRefused); // the library's own caller passes none
    CV_CHECK_EQ(checked.Read(&checked.check, 0), kRefused);
    CV_CHECK_EQ(checked.Read(nullptr, l), kRefused);
    CV_CHECK_EQ(checked.Read(&checked.check, l - 1), kRefused);
    for (size_t at : { size_t(3), size_t(65535), size_t(65536), size_t(69999) }) {
        Bytes other = checked.check;
        other[at] ^= 0x40;
        CV_CHECK_EQ(checked.Read(&other, l), kRefused);
    }

    // One field of a good container changed.
    Container good;
    good.plain = Pattern(100);
    const auto size = static_cast<int64_t>(good.Build().size());
    const std::string zeros(256 - kKeyText.size(), '0');
    std::string mangled = kKeyText;
    mangled[10] = mangled[10] == '1' ? '2' : '1';
    // clang-format off
    const struct { const char* what; cvtest::Outcome outcome; std::function<void(Container&)> change; } cases[] = {
        {"length not below the file size", kRefused, [&](Container& c) { c.lengthField = size; }},
        {"length beyond the payload", kRefused, [&](Container& c) { c.lengthField = size - 1; }},
        {"K of 256", kPlain, [&](Container& c) { c.keyText = zeros + kKeyText; }},
        {"K of 257", kRefused, [&](Container& c) { c.keyText = "0" + zeros + kKeyText; }},
        {"K not below the file size", kRefused,
         [](Container& c) { c.keyText = "1"; c.keyLengthField = 20; c.lengthField = 0; c.payloadSize = 0; }},
        {"key block of another type", kRefused, [](Container& c) { c.keyText = KeyText(kPayloadKey, 56, 1); }},
        {"empty key", kRefused, [](Container& c) { c.keyText = KeyText({}, 0); }},
        {"key longer than the key buffer", kRefused, [](Container& c) { c.keyText = KeyText(kPayloadKey, 600); }},
        {"mangled key text", kRefused, [&](Container& c) { c.keyText = mangled; }},
        // Only the bytes before the first zero of the key block's data key the cipher.
        {"zero in the key", kPlain,
         [](Container& c) { c.keyText = KeyText({'k', 'e', 'y', 0, 'x'}, 5); c.key = {'k', 'e', 'y'}; }},
        // Cut inside each 4-byte header field; length 0 keeps it below the file size.
        {"cut in the length", kRefused, [](Container& c) { c.lengthField = 0; c.cutAt = 2; }},
        {"cut in K", kRefused, [](Container& c) { c.lengthField = 0; c.cutAt = 6; }},
        {"cut in L", kRefused, [](Container& c) { c.lengthField = 0; c.cutAt = 8 + kKeyText.size() + 2; }},
        {"payload not a multiple of 16", kRefused, [](Container& c) { c.plain = Pattern(20); c.payloadSize = 24; }},
        {"payload ending before the plaintext", kRefused, [](Container& c) { c.payloadSize = 64; }},
        {"second chunk cut short", kRefused,
         [](Container& c) { c.plain = Pattern(65537); c.cutAt = c.Build().size() - 8; }},
    };
    // clang-format on
    for (const auto& k : cases) {
        Container changed = good;
        k.change(changed);
        if (changed.Read() != k.outcome)
            cvtest::fail(__FILE__, __LINE__, k.what);
    }
}

CV_TEST(utf8_to_wide_limits_and_replacements)
{
    WideChar buffer[262];
    // 258 units and the terminator fit 260, with one more zero; 259 and 260 do not. The emoji is two units.
    for (size_t lead : { size_t(256), size_t(257), size_t(258) }) {
        std::fill(std::begin(buffer), std::end(buffer), WideChar(0x5555));
        const int n = TORVELIB::Utf8ToWide((std::string(lead, 'a') + "\xF0\x9F\x98\x80").c_str(), buffer, 260);
        CV_CHECK_EQ(n, lead == 256 ? 259 : 0);
        const unsigned fits[] = { 0xD83D, 0xDE00, 0, 0, 0x5555 };
        for (size_t i = 0; i < 5; ++i)
            CV_CHECK_EQ(unsigned(buffer[256 + i]), lead == 256 ? fits[i] : 0x5555u);
    }
    // Two- and three-byte forms, and ill-formed input as U+FFFD per maximal
    // ill-formed subsequence: a truncated sequence, a lone continuation byte,
    // an overlong form, a truncated four-byte form, a byte never used.
    const char* text = "\xC3\xA9\xE2\x82\xAC|\xE2\x82|\x80|\xC0\xAF|\xF0\x9F\x98|\xF5";
    const unsigned want[]
        = { 0xE9, 0x20AC, '|', 0xFFFD, '|', 0xFFFD, '|', 0xFFFD, 0xFFFD, '|', 0xFFFD, '|', 0xFFFD, 0 };
    CV_CHECK_EQ(TORVELIB::Utf8ToWide(text, buffer, 262), 14);
    for (size_t i = 0; i < 14; ++i)
        CV_CHECK_EQ(unsigned(buffer[i]), want[i]);
#ifndef _WIN32
    // An encoded surrogate and an overlong three-byte form are three
    // ill-formed bytes each (Windows versions differ here).
    CV_CHECK_EQ(TORVELIB::Utf8ToWide("\xED\xA0\x80\xE0\x80\xAF", buffer, 262), 7);
    CV_CHECK_EQ(unsigned(buffer[2]) + unsigned(buffer[5]), 2 * 0xFFFDu);
#endif
}
