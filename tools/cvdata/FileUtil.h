// Whole-file reading and all-or-nothing writing for cvdata.
#pragma once

#include <string>
#include <vector>

namespace cvdata {

using Bytes = std::vector<unsigned char>;

// Reads the whole file; on failure returns false with a message in `error`.
bool ReadWholeFile(const std::string& path, Bytes& out, std::string& error);

// Writes `data` to a temporary file beside `path` and moves it into place, so
// `path` is either untouched or complete. An existing `path` is replaced only
// when `replace` is set. `mode` is the new file's permission bits.
bool WriteFileAtomically(const std::string& path, const Bytes& data, bool replace, unsigned mode,
                         std::string& error);

} // namespace cvdata
