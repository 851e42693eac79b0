#include "rsa/CRSA.h"

namespace TORVELIB {

namespace {

// Byte B[i] of the k-byte big-endian block, at position k - 1 - i counted
// from the least significant end; a block shorter than its header reads zero.
uint32_t BlockByte(const CBigNumber& m, uint32_t k, uint32_t i)
{
    if (k < i + 1)
        return 0;
    unsigned char b = 0;
    m.GetBytes(&b, k - 1 - i, 1);
    return b;
}

} // namespace

CRSA::CRSA()
    : m_reserved(0)
{ }

CRSA::~CRSA() { m_reserved = 0; }

int CRSA::Decrypt(unsigned char* out, uint32_t capacity, const CBigNumber& c)
{
    CBigNumber m;
    if (CBigNumber::ModExp(m, c, m_e, m_n) != 0)
        return -1;
    const uint32_t k = (m_n.BitLength() + 7) / 8;
    return UnpackKeyBlock(out, capacity, m, 2, k);
}

int CRSA::UnpackKeyBlock(unsigned char* out, uint32_t capacity, const CBigNumber& m, unsigned type, uint32_t k)
{
    const uint32_t blockType = BlockByte(m, k, 1);
    if (blockType != type)
        return -3;
    const uint32_t j = BlockByte(m, k, 2) + 256u * BlockByte(m, k, 3);
    if (static_cast<uint64_t>(j) + 1 > capacity)
        return -2;
    m.GetBytes(out, 0, j);
    out[j] = 0;
    return static_cast<int>(j);
}

} // namespace TORVELIB
