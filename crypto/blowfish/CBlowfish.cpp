#include "blowfish/CBlowfish.h"

#include "blowfish/BlowfishTables.h"
#include "common/ByteOrder.h"
#include "common/SecureWipe.h"

#include <cstring>
#include <stdexcept>

namespace TORVELIB {

namespace {

constexpr size_t kMaxKeyLength = 56;

} // namespace

// One round: the F function over the four S-boxes, combined with a P entry.
#define CV_BF_ROUND(a, b, n) \
    (a) ^= m_p[n] ^ (((m_s[0][(b) >> 24] + m_s[1][((b) >> 16) & 0xff]) ^ m_s[2][((b) >> 8) & 0xff]) + m_s[3][(b)&0xff])

inline void CBlowfish::Encipher(uint32_t& l, uint32_t& r) const
{
    uint32_t xl = l ^ m_p[0];
    uint32_t xr = r;
    CV_BF_ROUND(xr, xl, 1);
    CV_BF_ROUND(xl, xr, 2);
    CV_BF_ROUND(xr, xl, 3);
    CV_BF_ROUND(xl, xr, 4);
    CV_BF_ROUND(xr, xl, 5);
    CV_BF_ROUND(xl, xr, 6);
    CV_BF_ROUND(xr, xl, 7);
    CV_BF_ROUND(xl, xr, 8);
    CV_BF_ROUND(xr, xl, 9);
    CV_BF_ROUND(xl, xr, 10);
    CV_BF_ROUND(xr, xl, 11);
    CV_BF_ROUND(xl, xr, 12);
    CV_BF_ROUND(xr, xl, 13);
    CV_BF_ROUND(xl, xr, 14);
    CV_BF_ROUND(xr, xl, 15);
    CV_BF_ROUND(xl, xr, 16);
    l = xr ^ m_p[17];
    r = xl;
}

inline void CBlowfish::Decipher(uint32_t& l, uint32_t& r) const
{
    uint32_t xl = l ^ m_p[17];
    uint32_t xr = r;
    CV_BF_ROUND(xr, xl, 16);
    CV_BF_ROUND(xl, xr, 15);
    CV_BF_ROUND(xr, xl, 14);
    CV_BF_ROUND(xl, xr, 13);
    CV_BF_ROUND(xr, xl, 12);
    CV_BF_ROUND(xl, xr, 11);
    CV_BF_ROUND(xr, xl, 10);
    CV_BF_ROUND(xl, xr, 9);
    CV_BF_ROUND(xr, xl, 8);
    CV_BF_ROUND(xl, xr, 7);
    CV_BF_ROUND(xr, xl, 6);
    CV_BF_ROUND(xl, xr, 5);
    CV_BF_ROUND(xr, xl, 4);
    CV_BF_ROUND(xl, xr, 3);
    CV_BF_ROUND(xr, xl, 2);
    CV_BF_ROUND(xl, xr, 1);
    l = xr ^ m_p[0];
    r = xl;
}

// Four independent blocks at once: the rounds of one block form a single chain
// of dependent table loads, so interleaving four keeps the load units busy
// while each chain waits on its own lookups.
#define CV_BF_ROUND4(a, b, n)       \
    do {                            \
        CV_BF_ROUND(a##0, b##0, n); \
        CV_BF_ROUND(a##1, b##1, n); \
        CV_BF_ROUND(a##2, b##2, n); \
        CV_BF_ROUND(a##3, b##3, n); \
    } while (0)

inline void CBlowfish::Decipher4(const unsigned char* in, unsigned char* out) const
{
    uint32_t l0 = LoadBigEndian(in) ^ m_p[17], r0 = LoadBigEndian(in + 4);
    uint32_t l1 = LoadBigEndian(in + 8) ^ m_p[17], r1 = LoadBigEndian(in + 12);
    uint32_t l2 = LoadBigEndian(in + 16) ^ m_p[17], r2 = LoadBigEndian(in + 20);
    uint32_t l3 = LoadBigEndian(in + 24) ^ m_p[17], r3 = LoadBigEndian(in + 28);
    CV_BF_ROUND4(r, l, 16);
    CV_BF_ROUND4(l, r, 15);
    CV_BF_ROUND4(r, l, 14);
    CV_BF_ROUND4(l, r, 13);
    CV_BF_ROUND4(r, l, 12);
    CV_BF_ROUND4(l, r, 11);
    CV_BF_ROUND4(r, l, 10);
    CV_BF_ROUND4(l, r, 9);
    CV_BF_ROUND4(r, l, 8);
    CV_BF_ROUND4(l, r, 7);
    CV_BF_ROUND4(r, l, 6);
    CV_BF_ROUND4(l, r, 5);
    CV_BF_ROUND4(r, l, 4);
    CV_BF_ROUND4(l, r, 3);
    CV_BF_ROUND4(r, l, 2);
    CV_BF_ROUND4(l, r, 1);
    StoreBigEndian(out, r0 ^ m_p[0]);
    StoreBigEndian(out + 4, l0);
    StoreBigEndian(out + 8, r1 ^ m_p[0]);
    StoreBigEndian(out + 12, l1);
    StoreBigEndian(out + 16, r2 ^ m_p[0]);
    StoreBigEndian(out + 20, l2);
    StoreBigEndian(out + 24, r3 ^ m_p[0]);
    StoreBigEndian(out + 28, l3);
}

#undef CV_BF_ROUND4
#undef CV_BF_ROUND

CBlowfish::CBlowfish(const unsigned char* ucKey, size_t keyLength, const SBlock& chain)
    : m_initialChain(chain)
    , m_chain(chain)
{
    if (keyLength == 0)
        throw std::invalid_argument("Incorrect key length");
    if (keyLength > kMaxKeyLength)
        keyLength = kMaxKeyLength;

    std::memcpy(m_s, blowfish_detail::kInitS, sizeof(m_s));
    size_t k = 0;
    for (int i = 0; i < 18; ++i) {
        uint32_t word = 0;
        for (int j = 0; j < 4; ++j) {
            word = (word << 8) | ucKey[k];
            if (++k == keyLength)
                k = 0;
        }
        m_p[i] = blowfish_detail::kInitP[i] ^ word;
    }

    // Each encipherment sees the entries replaced before it, so the order matters.
    uint32_t l = 0;
    uint32_t r = 0;
    for (int i = 0; i < 18; i += 2) {
        Encipher(l, r);
        m_p[i] = l;
        m_p[i + 1] = r;
    }
    for (auto& box : m_s) {
        for (int i = 0; i < 256; i += 2) {
            Encipher(l, r);
            box[i] = l;
            box[i + 1] = r;
        }
    }
}

CBlowfish::~CBlowfish()
{
    SecureWipe(m_p, sizeof(m_p));
    SecureWipe(m_s, sizeof(m_s));
}

void CBlowfish::EncryptBlock(SBlock& block) const { Encipher(block.m_uil, block.m_uir); }

void CBlowfish::DecryptBlock(SBlock& block) const { Decipher(block.m_uil, block.m_uir); }

void CBlowfish::Decrypt(const unsigned char* in, unsigned char* out, size_t n, int mode) const
{
    if (n == 0 || n % 8 != 0)
        throw std::invalid_argument("Incorrect buffer length");

    // Every block is read in full before its output is stored, so in == out works.
    const unsigned char* const end = in + n;
    if (mode == CBC) {
        uint32_t chainL = m_chain.m_uil;
        uint32_t chainR = m_chain.m_uir;
        for (; in != end; in += 8, out += 8) {
            const uint32_t cl = LoadBigEndian(in);
            const uint32_t cr = LoadBigEndian(in + 4);
            uint32_t l = cl;
            uint32_t r = cr;
            Decipher(l, r);
            StoreBigEndian(out, l ^ chainL);
            StoreBigEndian(out + 4, r ^ chainR);
            chainL = cl;
            chainR = cr;
        }
    } else if (mode == CFB) {
        uint32_t chainL = m_chain.m_uil;
        uint32_t chainR = m_chain.m_uir;
        for (; in != end; in += 8, out += 8) {
            const uint32_t cl = LoadBigEndian(in);
            const uint32_t cr = LoadBigEndian(in + 4);
            Encipher(chainL, chainR);
            StoreBigEndian(out, cl ^ chainL);
            StoreBigEndian(out + 4, cr ^ chainR);
            chainL = cl;
            chainR = cr;
        }
    } else {
        // Each group of four is loaded in full before any output is stored.
        for (; end - in >= 32; in += 32, out += 32)
            Decipher4(in, out);
        for (; in != end; in += 8, out += 8) {
            uint32_t l = LoadBigEndian(in);
            uint32_t r = LoadBigEndian(in + 4);
            Decipher(l, r);
            StoreBigEndian(out, l);
            StoreBigEndian(out + 4, r);
        }
    }
}

} // namespace TORVELIB
