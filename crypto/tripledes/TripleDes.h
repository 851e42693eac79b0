// Two-key triple DES (E(K1), D(K2), E(K1)) in ECB mode with zero padding of
// the last block. Table-driven: the S-boxes and the P permutation are merged
// into eight tables indexed by a byte, and the subkeys are kept pre-split for
// them. Runs of whole blocks go sixteen at a time through 512-bit vectors
// where the processor has them.
#pragma once

#include "common/SecureWipe.h"

#include <cstdint>

namespace TORVELIB {

// Encryption schedule E(K1) D(K2) E(K1) and decryption schedule D(K1) E(K2)
// D(K1): three stages of 16 rounds, two words per round. Never changes after keying.
// The schedules are as good as the keys, so the context clears itself on release.
struct TripleDesContext {
    uint32_t encryptKeys[96];
    uint32_t decryptKeys[96];
    ~TripleDesContext() { SecureWipe(this, sizeof(*this)); }
};

// The DES key schedule for one 8-byte key (parity bits ignored), in encryption order.
void DesSetKey(uint32_t subkeys[32], const unsigned char key[8]);

// Keys both schedules from K1 and K2. Always returns 0.
int TripleDesSetKey2(TripleDesContext* ctx, const unsigned char k1[8], const unsigned char k2[8]);

// Transforms one block with ctx->encryptKeys or ctx->decryptKeys; in and out may alias.
void TripleDesCryptBlock(const uint32_t schedule[96], const unsigned char in[8], unsigned char out[8]);

// Enciphers or deciphers (inLength + 7) / 8 blocks, zero-filling the last one.
// *outLength receives the bytes written, a multiple of 8; out must have room for
// inLength rounded up to 8. Deciphering keeps the padding zeros.
void TripleDesEncryptBuffer(
    const TripleDesContext* ctx, const unsigned char* in, int32_t inLength, unsigned char* out, int32_t* outLength);
void TripleDesDecryptBuffer(
    const TripleDesContext* ctx, const unsigned char* in, int32_t inLength, unsigned char* out, int32_t* outLength);

} // namespace TORVELIB
