// Whole-file reading and all-or-nothing writing for cvdata.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace cvdata {

using Bytes = std::vector<unsigned char>;

// Largest file that cvdata reads. Product data files are a few KiB; the bound
// keeps a plaintext, its container and a check value in memory at once, and
// turns a huge or endless input into a message instead of an exhausted heap.
constexpr uint64_t kMaxInputSize = uint64_t(256) << 20;

// Succeeds when `path` is a regular file of at most kMaxInputSize bytes.
// Neither this nor ReadWholeFile waits on a FIFO or a device.
bool CheckInputFile(const std::string& path, std::string& error);

// Reads the whole file after the same check; on failure returns false with a
// message in `error`.
bool ReadWholeFile(const std::string& path, Bytes& out, std::string& error);

// Writes `data` to a temporary file beside `path` and moves it into place, so
// `path` is either untouched or complete. An existing `path` is replaced only
// when `replace` is set. `mode` is the new file's permission bits.
bool WriteFileAtomically(const std::string& path, const Bytes& data, bool replace, unsigned mode, std::string& error);

} // namespace cvdata
