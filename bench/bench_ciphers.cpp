// Blowfish and two-key triple DES against OpenSSL's legacy interfaces, each
// pair on the same key and the same input.
#include "BenchSupport.h"

#include "blowfish/CBlowfish.h"
#include "tripledes/TripleDes.h"

#include <benchmark/benchmark.h>
#include <openssl/blowfish.h>
#include <openssl/des.h>

#include <cstring>

using cvbench::Bytes;
using cvbench::Pattern;

namespace {

constexpr size_t k64K = 65536;

// The container reader keys Blowfish with the longest key, 56 bytes.
const Bytes& BlowfishKey()
{
    static const Bytes key = Pattern(56, 7);
    return key;
}

// Both implementations must agree before either is timed.
bool SameBlowfishOutput(const Bytes& in)
{
    const TORVELIB::CBlowfish ours(BlowfishKey().data(), BlowfishKey().size());
    Bytes a(in.size());
    ours.Decrypt(in.data(), a.data(), in.size(), TORVELIB::CBlowfish::ECB);
    BF_KEY theirs;
    BF_set_key(&theirs, static_cast<int>(BlowfishKey().size()), BlowfishKey().data());
    Bytes b(in.size());
    for (size_t i = 0; i < in.size(); i += 8)
        BF_ecb_encrypt(in.data() + i, b.data() + i, &theirs, BF_DECRYPT);
    return a == b;
}

void BlowfishEcbDecrypt64K_Lib(benchmark::State& state)
{
    const Bytes in = Pattern(k64K, 1);
    if (!SameBlowfishOutput(in)) {
        state.SkipWithError("Blowfish output differs from OpenSSL");
        return;
    }
    const TORVELIB::CBlowfish cipher(BlowfishKey().data(), BlowfishKey().size());
    Bytes out(k64K);
    for (auto _ : state) {
        cipher.Decrypt(in.data(), out.data(), k64K, TORVELIB::CBlowfish::ECB);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(k64K));
}

void BlowfishEcbDecrypt64K_OpenSsl(benchmark::State& state)
{
    const Bytes in = Pattern(k64K, 1);
    BF_KEY key;
    BF_set_key(&key, static_cast<int>(BlowfishKey().size()), BlowfishKey().data());
    Bytes out(k64K);
    for (auto _ : state) {
        for (size_t i = 0; i < k64K; i += 8)
            BF_ecb_encrypt(in.data() + i, out.data() + i, &key, BF_DECRYPT);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(k64K));
}

void BlowfishKeySchedule_Lib(benchmark::State& state)
{
    for (auto _ : state) {
        TORVELIB::CBlowfish cipher(BlowfishKey().data(), BlowfishKey().size());
        benchmark::DoNotOptimize(&cipher);
        benchmark::ClobberMemory();
    }
}

void BlowfishKeySchedule_OpenSsl(benchmark::State& state)
{
    BF_KEY key;
    for (auto _ : state) {
        BF_set_key(&key, static_cast<int>(BlowfishKey().size()), BlowfishKey().data());
        benchmark::DoNotOptimize(&key);
        benchmark::ClobberMemory();
    }
}

const unsigned char kDesK1[8] = { 0x6e, 0x66, 0x16, 0x14, 0x34, 0xd7, 0x1a, 0xca };
const unsigned char kDesK2[8] = { 0xd8, 0x44, 0x3b, 0xcf, 0x38, 0xcd, 0x83, 0xeb };

struct OpenSslDes {
    DES_key_schedule k1;
    DES_key_schedule k2;
    OpenSslDes()
    {
        DES_cblock b1;
        DES_cblock b2;
        std::memcpy(b1, kDesK1, 8);
        std::memcpy(b2, kDesK2, 8);
        DES_set_key_unchecked(&b1, &k1);
        DES_set_key_unchecked(&b2, &k2);
    }
    // E(K1) D(K2) E(K1) or its inverse, block by block. OpenSSL declares
    // neither the input block nor the schedules const.
    void Crypt(const unsigned char* in, unsigned char* out, size_t n, int enc)
    {
        for (size_t i = 0; i < n; i += 8)
            DES_ecb3_encrypt(reinterpret_cast<const_DES_cblock*>(const_cast<unsigned char*>(in + i)),
                reinterpret_cast<DES_cblock*>(out + i), &k1, &k2, &k1, enc);
    }
};

template <bool Encrypt, size_t n> void TripleDes_Lib(benchmark::State& state)
{
    const Bytes in = Pattern(n, 3);
    TORVELIB::TripleDesContext ctx;
    TORVELIB::TripleDesSetKey2(&ctx, kDesK1, kDesK2);
    Bytes out(n);
    Bytes theirs(n);
    int32_t written = 0;
    const auto run = Encrypt ? TORVELIB::TripleDesEncryptBuffer : TORVELIB::TripleDesDecryptBuffer;
    run(&ctx, in.data(), static_cast<int32_t>(n), out.data(), &written);
    OpenSslDes().Crypt(in.data(), theirs.data(), n, Encrypt ? DES_ENCRYPT : DES_DECRYPT);
    if (out != theirs) {
        state.SkipWithError("triple-DES output differs from OpenSSL");
        return;
    }
    for (auto _ : state) {
        run(&ctx, in.data(), static_cast<int32_t>(n), out.data(), &written);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(n));
}

template <bool Encrypt, size_t n> void TripleDes_OpenSsl(benchmark::State& state)
{
    const Bytes in = Pattern(n, 3);
    OpenSslDes des;
    Bytes out(n);
    for (auto _ : state) {
        des.Crypt(in.data(), out.data(), n, Encrypt ? DES_ENCRYPT : DES_DECRYPT);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(n));
}

} // namespace

// Names are workload/implementation; scripts/bench.sh pairs them by workload.
BENCHMARK(BlowfishEcbDecrypt64K_Lib)->Name("blowfish_ecb_decrypt_64KiB/cvsettings");
BENCHMARK(BlowfishEcbDecrypt64K_OpenSsl)->Name("blowfish_ecb_decrypt_64KiB/openssl");
BENCHMARK(BlowfishKeySchedule_Lib)->Name("blowfish_key_schedule/cvsettings");
BENCHMARK(BlowfishKeySchedule_OpenSsl)->Name("blowfish_key_schedule/openssl");
BENCHMARK_TEMPLATE(TripleDes_Lib, true, 32)->Name("3des_encipher_32B/cvsettings");
BENCHMARK_TEMPLATE(TripleDes_OpenSsl, true, 32)->Name("3des_encipher_32B/openssl");
BENCHMARK_TEMPLATE(TripleDes_Lib, false, 32)->Name("3des_decipher_32B/cvsettings");
BENCHMARK_TEMPLATE(TripleDes_OpenSsl, false, 32)->Name("3des_decipher_32B/openssl");
BENCHMARK_TEMPLATE(TripleDes_Lib, true, 65536)->Name("3des_encipher_64KiB/cvsettings");
BENCHMARK_TEMPLATE(TripleDes_OpenSsl, true, 65536)->Name("3des_encipher_64KiB/openssl");
BENCHMARK_TEMPLATE(TripleDes_Lib, false, 65536)->Name("3des_decipher_64KiB/cvsettings");
BENCHMARK_TEMPLATE(TripleDes_OpenSsl, false, 65536)->Name("3des_decipher_64KiB/openssl");
