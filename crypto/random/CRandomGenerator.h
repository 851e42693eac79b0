// A 1024-byte entropy pool mixed from the runtime's pseudo-random generator,
// which every construction reseeds from the clock.
#pragma once

#include <cstdint>
#include <string>

namespace TORVELIB {

class CRandomGenerator
{
public:
    static constexpr uint32_t kPoolSize = 1024;

    // Clears the pool and calls srand with the current time in seconds.
    CRandomGenerator();
    // Saves the pool if saving is enabled.
    virtual ~CRandomGenerator();

    // Mixes v into the pool; draws 1 + kPoolSize values from rand().
    void AddEntropy(uint32_t v);

    // Writes the pool to the seed file: 1 when written, 0 when saving is
    // disabled or the file cannot be opened.
    uint32_t SavePool();

    // Saving is off and the name empty until this is called; the library never
    // calls it, so its own pools are never written.
    void SetSeedFile(const std::string& fileName, bool enableSave);

    const unsigned char* Pool() const { return m_pool; }
    uint32_t MixCount() const { return m_mixCount; }

private:
    uint32_t m_saveEnabled;
    uint32_t m_mixCount;
    unsigned char m_pool[kPoolSize];
    std::string m_seedFileName;
};

} // namespace TORVELIB
