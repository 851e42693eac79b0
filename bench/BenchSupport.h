// What the benchmark files share: deterministic inputs, a scratch folder, the
// containers the reader benchmarks read, and the floor of reading one with
// OpenSSL alone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace cvbench {

using Bytes = std::vector<unsigned char>;

// n bytes from a fixed linear congruential sequence.
Bytes Pattern(size_t n, uint32_t seed);

// Uppercase hexadecimal of `bytes`, most significant first.
std::string Hex(const Bytes& bytes);

// A folder of this process under the system's temporary folder, removed at
// exit.
const std::string& ScratchDir();

// Whether this build reads containers packed with the development key;
// otherwise `why` says so.
bool CanPackContainers(std::string& why);

// Path of a container holding `plainLength` pattern bytes, written on first
// use with cvdata's producer and the development key. Empty (with the reason
// in `why`) when the library was built with another key.
std::string ContainerFile(size_t plainLength, std::string& why);

// The floor of one read: opens the container, unmasks and opens the key
// block with one OpenSSL RSA public operation, keys OpenSSL's Blowfish and
// deciphers the payload chunk by chunk straight into a malloc'd block of
// plaintext length + 16, as the reader's caller receives it. Returns the
// plaintext length (0 on failure) and the block in *out.
uint32_t FloorDecryptFile(const char* path, unsigned char** out);

} // namespace cvbench
