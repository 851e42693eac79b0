// Internal to the triple-DES unit: the choice between the wide-vector code for
// runs of whole blocks and the portable code, which must give the same output.
#pragma once

namespace TORVELIB {
namespace tripledes_detail {

// Allows or forbids the wide-vector code (allowed by default) and returns
// whether the buffer functions now use it, which also needs a processor and
// build that have it. For tests; not to be called while other threads cipher.
bool SetVectorPath(bool allowed);

} // namespace tripledes_detail
} // namespace TORVELIB
