// Writing an encrypted data file with OpenSSL: the producer side that the
// library deliberately lacks.
#pragma once

#include "FileUtil.h"
#include "KeyFile.h"

#include <cstdint>
#include <string>

namespace cvdata {

// Largest container the reader can take: its size must fit 32 bits.
constexpr uint64_t kMaxContainerSize = 0xFFFFFFFFu;

// Size of the container for these plaintext and check-value lengths (the key
// text counted at its longest).
uint64_t ContainerSize(uint64_t plainLength, uint64_t checkLength);

// Builds the whole container for `plain` (and the optional check value).
bool Pack(const KeyFile& key, const Bytes& plain, const Bytes* check, Bytes& out, std::string& error);

} // namespace cvdata
