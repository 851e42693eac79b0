// The block ciphers at their edges; their known answers are in tests/data/crypto.
#include "harness.h"
#include "testutil.h"

#include "blowfish/CBlowfish.h"
#include "tripledes/TripleDes.h"

#include <algorithm>
#include <new>
#include <stdexcept>

using namespace TORVELIB;
using cvtest::Bytes;

namespace {

template <typename Fn> std::string InvalidArgumentText(Fn fn)
{
    try {
        fn();
    } catch (const std::invalid_argument& e) {
        return e.what();
    }
    return "";
}

} // namespace

CV_TEST(BlowfishLengthsModesAndInPlace)
{
    const Bytes key = cvtest::Pattern(16, 3), data = cvtest::Pattern(136, 4);
    Bytes out(data.size());
    CV_CHECK_EQ(InvalidArgumentText([&] { CBlowfish(key.data(), 0); }), "Incorrect key length");
    const CBlowfish bf(key.data(), key.size(), SBlock(0x01234567, 0x89ABCDEF));
    const std::string badLength = "Incorrect buffer length";
    CV_CHECK_EQ(InvalidArgumentText([&] { bf.Decrypt(data.data(), out.data(), 0); }), badLength);
    CV_CHECK_EQ(InvalidArgumentText([&] { bf.Decrypt(data.data(), out.data(), 12, CBlowfish::CBC); }), badLength);
    CV_CHECK_EQ(InvalidArgumentText([&] { bf.Decrypt(data.data(), out.data(), 8, CBlowfish::CFB); }), "");

    auto deciphered = [&](int mode) {
        bf.Decrypt(data.data(), out.data(), data.size(), mode);
        return out;
    };
    CV_CHECK(deciphered(7) == deciphered(CBlowfish::ECB) && deciphered(-1) == deciphered(CBlowfish::ECB));
    // Every call starts from the chain, and out of place gives the same.
    for (int mode : { int(CBlowfish::ECB), int(CBlowfish::CBC), int(CBlowfish::CFB) }) {
        Bytes inPlace = data;
        bf.Decrypt(inPlace.data(), inPlace.data(), inPlace.size(), mode);
        CV_CHECK(inPlace == deciphered(mode) && inPlace == deciphered(mode));
    }
    SBlock block(0xDEADBEEF, 0x01020304);
    bf.EncryptBlock(block);
    bf.DecryptBlock(block);
    CV_CHECK(block.m_uil == 0xDEADBEEF && block.m_uir == 0x01020304);
}

// Each keyed object clears its schedule when it goes, so no key material
// outlives it in freed or reused memory.
CV_TEST(KeyedObjectsClearTheirSchedules)
{
    const Bytes key = cvtest::Pattern(56, 8);
    alignas(CBlowfish) unsigned char bf[sizeof(CBlowfish)];
    (new (bf) CBlowfish(key.data(), key.size()))->~CBlowfish();
    alignas(TripleDesContext) unsigned char des[sizeof(TripleDesContext)];
    TripleDesSetKey2(new (des) TripleDesContext(), key.data(), key.data() + 8);
    reinterpret_cast<TripleDesContext*>(des)->~TripleDesContext();
    CV_CHECK(std::count(bf, bf + sizeof bf, 0) == int(sizeof bf));
    CV_CHECK(std::count(des, des + sizeof des, 0) == int(sizeof des));
}
