#!/usr/bin/env bash
# cvdata pack (OpenSSL) followed by cvdata unpack (the library's reader) gives
# back the bytes, for sizes around every chunk and block boundary up to
# several MiB, with and without a check value.
set -euo pipefail
cvdata=$1 key=$2 work=$3
rm -rf "$work" && mkdir -p "$work" && cd "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }

sizes=(0 1 7 8 15 16 17 4095 65535 65536 65537 65552 131072 131073 1048576 5242883)
for n in "${sizes[@]}"; do
  head -c "$n" /dev/urandom > in
  "$cvdata" pack --key "$key" in out.data
  "$cvdata" unpack out.data back
  cmp -s in back || fail "size $n: unpacked bytes differ"
  "$cvdata" unpack out.data > piped
  cmp -s in piped || fail "size $n: bytes on standard output differ"
  "$cvdata" verify out.data > /dev/null || fail "size $n: verify"
  # The payload is exactly the plaintext padded to 16 bytes.
  size=$(stat -c %s out.data)
  k=$(( size - 12 - (n + 15) / 16 * 16 ))
  (( k > 0 && k <= 256 )) || fail "size $n: container of $size bytes has a key text of $k"
  rm -f in out.data back piped
done

# A check value longer than one 64 KiB chunk, with no 'X' in it, so that
# writing one below always changes it.
head -c 70001 /dev/urandom | tr X Y > check
head -c 3000 /dev/urandom > in
"$cvdata" pack --key "$key" --check check in c.data
"$cvdata" unpack --check check c.data back
cmp -s in back || fail "check value: unpacked bytes differ"
if "$cvdata" unpack c.data > /dev/null 2>&1; then fail "a file with a check value read without one"; fi
printf 'X' | dd of=check bs=1 seek=66000 conv=notrunc status=none
if "$cvdata" verify --check check c.data > /dev/null 2>&1; then fail "a different check value accepted"; fi

leftovers=$(ls -A | grep -c 'cvdata-' || true)
[ "$leftovers" = 0 ] || fail "temporary files left behind"
echo "cvdata round trips: ${#sizes[@]} sizes and a check value passed"
