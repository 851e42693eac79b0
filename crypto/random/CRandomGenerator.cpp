#if defined(_MSC_VER) && !defined(_CRT_SECURE_NO_WARNINGS)
#define _CRT_SECURE_NO_WARNINGS // fopen is what the seed file needs
#endif

#include "random/CRandomGenerator.h"

#include "random/Md5.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace TORVELIB {

namespace {

uint32_t SecondsNow()
{
#ifdef _WIN32
    return static_cast<uint32_t>(_time64(nullptr));
#else
    return static_cast<uint32_t>(std::time(nullptr));
#endif
}

} // namespace

CRandomGenerator::CRandomGenerator()
    : m_saveEnabled(0)
    , m_mixCount(0)
{
    std::memset(m_pool, 0, sizeof(m_pool));
    std::srand(SecondsNow());
}

CRandomGenerator::~CRandomGenerator() { SavePool(); }

void CRandomGenerator::AddEntropy(uint32_t v)
{
    const unsigned char bytes[4] = { static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
        static_cast<unsigned char>(v >> 16), static_cast<unsigned char>(v >> 24) };
    unsigned char digest[16];
    md5_detail::Md5Digest(md5_detail::kPoolIv, bytes, sizeof(bytes), digest);

    const uint32_t start = (static_cast<uint32_t>(std::rand()) ^ v) & (kPoolSize - 1);
    for (uint32_t i = 0; i < sizeof(digest); ++i)
        m_pool[(start + i) & (kPoolSize - 1)] ^= digest[i];

    if (++m_mixCount % kPoolSize == 0)
        SavePool();

    // Modulo 255 on purpose: the masks run from 0 to 254.
    for (auto& byte : m_pool)
        byte ^= static_cast<unsigned char>(std::rand() % 255);
}

uint32_t CRandomGenerator::SavePool()
{
    if (m_saveEnabled == 0)
        return 0;
    std::FILE* file = std::fopen(m_seedFileName.c_str(), "wb");
    if (!file)
        return 0;
    std::fwrite(m_pool, 1, sizeof(m_pool), file);
    std::fclose(file);
    return 1;
}

void CRandomGenerator::SetSeedFile(const std::string& fileName, bool enableSave)
{
    m_seedFileName = fileName;
    m_saveEnabled = enableSave ? 1 : 0;
}

} // namespace TORVELIB
