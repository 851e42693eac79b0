// Internal to the Blowfish unit: the initial P-array and S-boxes.
#pragma once

#include <cstdint>

namespace TORVELIB {
namespace blowfish_detail {

extern const uint32_t kInitP[18];
extern const uint32_t kInitS[4][256];

} // namespace blowfish_detail
} // namespace TORVELIB
