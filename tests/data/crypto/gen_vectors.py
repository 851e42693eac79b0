#!/usr/bin/env python3
"""Writes the OpenSSL-computed known-answer files of tests/data/crypto: blowfish.vec,
tripledes.vec, bignum.vec and rsa.vec. Every result comes from libcrypto itself
(loaded with ctypes); the inputs come from a fixed pseudo-random sequence, so
the output is the same on every run.

    gen_vectors.py LIBCRYPTO KEYFILE OUTDIR [REFDIR]

With REFDIR, each file written is also compared with the one of that name
there, and any difference fails. KEYFILE is the development key pair's PEM
file, whose private exponent enciphers the RSA key blocks."""
import ctypes
import os
import sys

if len(sys.argv) not in (4, 5):
    sys.exit("usage: gen_vectors.py LIBCRYPTO KEYFILE OUTDIR [REFDIR]")
lib = ctypes.CDLL(sys.argv[1])
P = ctypes.c_void_p
for name, res in (("BN_new", P), ("BN_CTX_new", P), ("BN_bn2hex", P), ("BN_bn2dec", P), ("BN_bin2bn", P),
                  ("BN_value_one", P), ("BIO_new_file", P), ("PEM_read_bio_PrivateKey", P)):
    getattr(lib, name).restype = res
lib.BN_dup.restype = P
lib.BN_set_word.argtypes = (P, ctypes.c_ulong)
lib.BN_add_word.argtypes = lib.BN_sub_word.argtypes = lib.BN_mul_word.argtypes = (P, ctypes.c_ulong)

state = 0x9E3779B97F4A7C15
M64 = (1 << 64) - 1


def next_word():
    global state
    state ^= state >> 12
    state = (state ^ (state << 25)) & M64
    state ^= state >> 27
    return ((state * 0x2545F4914F6CDD1D) & M64) >> 32


def below(n):
    return next_word() % n


def random_bytes(n):
    return bytes(next_word() & 0xFF for _ in range(n))


def hexs(b):
    return b.hex().upper()


def put_hex(out, name, b):
    out.append(f"{name} =" + (f" {hexs(b)}" if b else ""))


def bn_text(b, fn=lib.BN_bn2hex):
    p = fn(P(b))
    s = ctypes.string_at(p).decode()
    lib.CRYPTO_free(P(p), b"", 0)
    return s


def put_bn(out, name, b):
    out.append(f"{name} = {bn_text(b).lstrip('0') or '0'}")


def random_bits(b, bits, odd):
    n = (bits + 7) // 8
    buf = bytearray(random_bytes(n))
    buf[0] &= 0xFF >> (8 * n - bits)
    buf[0] |= 0x80 >> (8 * n - bits)
    if odd:
        buf[-1] |= 1
    lib.BN_bin2bn(bytes(buf), n, P(b))


def blowfish(out):
    out += ["# Blowfish: every key length from 1 to 72 bytes in each mode. IV is the chain",
            "# block, big-endian; OpenSSL took the first 56 bytes of longer keys.", "", "[Blowfish]"]
    for key_length in range(1, 73):
        for mode in range(3):
            n = 8 * (1 + below(20))
            key, iv, plain = random_bytes(key_length), random_bytes(8), random_bytes(n)
            schedule = ctypes.create_string_buffer(8192)
            lib.BF_set_key(schedule, min(key_length, 56), key)
            chain, cipher, num = ctypes.create_string_buffer(iv, 8), ctypes.create_string_buffer(n), ctypes.c_int(0)
            if mode == 1:
                lib.BF_cbc_encrypt(plain, cipher, ctypes.c_long(n), schedule, chain, 1)
            elif mode == 2:
                lib.BF_cfb64_encrypt(plain, cipher, ctypes.c_long(n), schedule, chain, ctypes.byref(num), 1)
            else:
                for i in range(0, n, 8):
                    lib.BF_ecb_encrypt(plain[i:], ctypes.byref(cipher, i), schedule, 1)
            out += ["", f"Mode = {('ECB', 'CBC', 'CFB')[mode]}"]
            for name, value in (("Key", key), ("IV", iv), ("Plain", plain), ("Cipher", cipher.raw)):
                put_hex(out, name, value)


def triple_des(out):
    out += ["# Two-key triple DES, E(K1) D(K2) E(K1), with DES_ecb3_encrypt. Key is K1 then",
            "# K2 (every tenth pair equal); Plain is zero-padded to whole blocks in Cipher.", "", "[DES]"]
    for trial in range(120):
        n = trial if trial < 17 else below(100)
        k1 = random_bytes(8)
        k2 = k1 if trial % 10 == 0 else random_bytes(8)
        plain = random_bytes(n)
        s1, s2 = ctypes.create_string_buffer(512), ctypes.create_string_buffer(512)
        lib.DES_set_key_unchecked(k1, s1)
        lib.DES_set_key_unchecked(k2, s2)
        padded = (n + 7) // 8 * 8
        block_in, cipher = plain.ljust(padded, b"\0"), ctypes.create_string_buffer(padded)
        for i in range(0, padded, 8):
            lib.DES_ecb3_encrypt(block_in[i:i + 8], ctypes.byref(cipher, i), s1, s2, s1, 1)
        out.append("")
        put_hex(out, "Key", k1 + k2)
        put_hex(out, "Plain", plain)
        put_hex(out, "Cipher", cipher.raw)


def mod_exp(out, ctx, base, e, m):
    r = lib.BN_new()
    if not lib.BN_mod_exp(P(r), P(base), P(e), P(m), P(ctx)):
        sys.exit("gen_vectors: BN_mod_exp failed")
    out.append("")
    for name, value in (("Base", base), ("Exponent", e), ("Modulus", m), ("Result", r)):
        put_bn(out, name, value)
    lib.BN_free(P(r))


def big_numbers(out):
    ctx = lib.BN_CTX_new()
    m, base, e, t = (lib.BN_new() for _ in range(4))
    out += ["# Big numbers, with OpenSSL's BN. ModExp: exponents at both ends of each band",
            "# of the window table, moduli of 1 to 64 words, bases shorter and longer than",
            "# them; then base 2 (the doubling path) beside 2 + N (the general one).", "", "[ModExp]"]
    for bits in (2, 3, 5, 6, 17, 23, 24, 80, 81, 240, 241, 672, 673, 1792, 1793, 2100):
        for rnd in range(3):
            words = rnd + 1 if rnd < 2 else 1 + below(64)
            random_bits(m, 32 * words - below(32), True)
            random_bits(base, 32 * (1 + below(words + 2)) - below(32), False)
            random_bits(e, bits, False)
            mod_exp(out, ctx, base, e, m)
    # A modulus of all ones, with a base equal to it and a small one.
    lib.BN_lshift(P(m), P(lib.BN_value_one()), 1024)
    lib.BN_sub_word(m, 1)
    lib.BN_set_word(e, 65537)
    mod_exp(out, ctx, m, e, m)
    lib.BN_set_word(base, 3)
    mod_exp(out, ctx, base, e, m)
    # Short exponents first, so that their leading bits alone reach the modulus size.
    for rnd in range(24):
        random_bits(m, 32 * (1 + below(64)) - below(32), True)
        random_bits(e, 1 + below(16 if rnd < 12 else 1100), False)
        if lib.BN_is_one(P(m)):
            continue
        lib.BN_set_word(base, 2)
        mod_exp(out, ctx, base, e, m)
        lib.BN_add(P(base), P(m), P(base))
        mod_exp(out, ctx, base, e, m)
    out += ["", "# One number in both radixes, plus and times a word W.", "[BigNumber]"]
    for rnd in range(40):
        random_bits(t, 32 * (1 + below(64)) - below(32), False)
        if rnd % 8 == 0:  # all ones, so that adding carries out of the top word
            lib.BN_lshift(P(t), P(lib.BN_value_one()), 32 * (1 + below(64)))
            lib.BN_sub_word(t, 1)
        w = below(3) if rnd % 7 == 0 else next_word()
        out.append("")
        put_bn(out, "Hex", t)
        out += [f"Decimal = {bn_text(t, lib.BN_bn2dec)}", f"W = {w:08X}"]
        lib.BN_copy(P(base), P(t))
        lib.BN_add_word(base, w)
        put_bn(out, "Sum", base)
        lib.BN_mul_word(t, w)
        put_bn(out, "Product", t)


def rsa_block(out, ctx, n, d, e, block_type, j, above, what):
    """One key block: B[0] = 0, the type, J low byte first, filler, data last."""
    block = bytearray(random_bytes(128))
    block[0:4] = bytes((0, block_type, j & 0xFF, j >> 8))
    m, c = lib.BN_bin2bn(bytes(block), 128, None), lib.BN_new()
    lib.BN_mod_exp(P(c), P(m), P(d), P(n), P(ctx))
    if above:
        lib.BN_add(P(c), P(c), P(n))
    # The data are the J low bytes of the block, big-endian; zeros above its 128.
    result = -3 if block_type != 2 else -2 if j + 1 > 512 else j
    data = b""
    if result > 0:
        data = bytes(block[128 - j:]) if j <= 128 else bytes(j - 128) + bytes(block)
    out += ["", f"# {what}"]
    for name, value in (("Modulus", n), ("Exponent", e), ("In", c)):
        put_bn(out, name, value)
    out.append(f"Result = {result}")
    put_hex(out, "Out", data)


def rsa(out, key_file):
    bio = lib.BIO_new_file(key_file.encode(), b"r")
    key = lib.PEM_read_bio_PrivateKey(P(bio), None, None, None) if bio else None
    params = {name: P() for name in ("n", "d", "e")}
    if not key or not all(lib.EVP_PKEY_get_bn_param(P(key), k.encode(), ctypes.byref(v)) for k, v in params.items()):
        sys.exit("gen_vectors: cannot read the RSA key")
    n, d, e = (params[k].value for k in ("n", "d", "e"))
    ctx = lib.BN_CTX_new()
    out += ["# Key blocks enciphered with the development key's private exponent (OpenSSL's",
            "# BN_mod_exp) and opened with an output capacity of 512. Out is the data.", "", "[RSA]"]
    for block_type, j, above, what in ((2, 16, 0, "16 bytes of data"), (2, 56, 0, "the longest payload key"),
                                       (2, 124, 0, "all of the block after the length"), (2, 56, 1, "c + n opens as c"),
                                       (2, 0, 0, "no data"),
                                       (2, 511, 0, "the longest length that fits the capacity with its terminator"),
                                       (2, 512, 0, "one more"), (1, 16, 0, "another block type")):
        rsa_block(out, ctx, n, d, e, block_type, j, above, what)
    # A modulus that is even, or zero, refuses before anything is unpacked.
    even = lib.BN_dup(P(n))
    lib.BN_sub_word(even, 1)
    for label in ("even", "zero"):
        out += ["", f"# {label} modulus"]
        if label == "zero":
            out.append("Modulus = 0")
        else:
            put_bn(out, "Modulus", even)
        put_bn(out, "Exponent", e)
        out += ["In = 3039", "Result = -1", "Out ="]


failed = False
for name, write in (("blowfish.vec", blowfish), ("tripledes.vec", triple_des), ("bignum.vec", big_numbers),
                    ("rsa.vec", lambda out: rsa(out, sys.argv[2]))):
    lines = ["# Generated by tests/data/crypto/gen_vectors.py; do not edit."]
    write(lines)
    text = "\n".join(lines) + "\n"
    with open(os.path.join(sys.argv[3], name), "w", encoding="ascii") as f:
        f.write(text)
    if len(sys.argv) == 5:
        with open(os.path.join(sys.argv[4], name), encoding="ascii") as f:
            if f.read() != text:
                print(f"gen_vectors: {os.path.join(sys.argv[4], name)} differs from what OpenSSL computes now",
                      file=sys.stderr)
                failed = True
sys.exit(1 if failed else 0)
