// The development key pair (keys/development.key) and key blocks enciphered with
// it through CBigNumber, so that tests need no OpenSSL and run on Windows too.
#pragma once

#include "bignum/CBigNumber.h"
#include "testutil.h"

namespace devkey {

constexpr char kModulus[] = "AC62DA6512F2EC65A1DA8A2F7D5112A316DED2AE405C693AE412FFFAF3B59DEE"
                            "897E0CA80C862617C0B98879A8E5EDBB6F5697B806096F242663D456A5378B63"
                            "E4F41E9B06185B6332F47526C2272CB7080B99FBFF198F86F3FAC2A1244E4ABE"
                            "66F08EF9497F6BA1C14EA3EE1C2A0FC26BB99802D993DDE53CEBA1B042E9B4E1";
constexpr char kPublicExponent[] = "11";
constexpr char kPrivateExponent[] = "83D31F7A77E6F1026CB62D6F9C10D2043EAA64DF9AA1052D08C33C3860035AA7"
                                    "5A1518BCBE48777B9360B3A853FB1F34FAC9BF507D1645EE77B5C07E7E57A6D2"
                                    "AA057E607F75EDB02516E31A71FDE3AB777D973F5D83EB626872F43A7602FE87"
                                    "96128872B1E01D56032C78B1E91347F21E8F80EE8BD43234331EE07E75B8D2B1";

using Bytes = cvtest::Bytes;

// A k-byte block: B[0] = 0, the type, J low byte first, filler, data last.
inline Bytes Block(uint32_t k, unsigned char type, uint32_t j, const Bytes& data)
{
    Bytes b = { 0, type, static_cast<unsigned char>(j), static_cast<unsigned char>(j >> 8) };
    b.resize(k - data.size(), 0x5C);
    b.insert(b.end(), data.begin(), data.end());
    return b;
}

// The 1024-bit key block enciphered with the private exponent, as unmasked
// key text without leading zeros.
inline std::string KeyText(const Bytes& data, uint32_t j, unsigned char type = 0x02)
{
    CBigNumber m, c, d, n;
    m.FromString(cvtest::hex(Block(128, type, j, data)).c_str());
    d.FromString(kPrivateExponent);
    n.FromString(kModulus);
    CBigNumber::ModExp(c, m, d, n);
    Bytes out(128);
    c.GetBytes(out.data(), 0, 128);
    const std::string text = cvtest::hex(out);
    return text.substr(text.find_first_not_of('0'));
}

} // namespace devkey
