#!/usr/bin/env bash
# A build configured with a key from 'cvdata keygen' reads files packed with
# that key and refuses files packed with the development key (and the other
# way round). Also checks that configuring rejects malformed key options.
set -euo pipefail
cvdata=$1 devkey=$2 source=$3 work=$4 cmake=$5 cxx=$6
rm -rf "$work" && mkdir -p "$work" && cd "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }

configure() {
  "$cmake" -S "$source" -B "$1" -DCVSETTINGS_BUILD_QT=OFF -DCVSETTINGS_BUILD_TESTS=OFF \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_COMPILER="$cxx" "${@:2}"
}

if configure bad -DCVSETTINGS_KEYTEXT_MASK=41 > bad.log 2>&1; then fail "a digit key-text mask configured"; fi
grep -q 'CVSETTINGS_KEYTEXT_MASK' bad.log || fail "no message naming the key-text mask"
if configure bad -DCVSETTINGS_RSA_MODULUS=ABC > bad.log 2>&1; then fail "a short modulus configured"; fi
grep -q 'CVSETTINGS_RSA_MODULUS must be exactly 256' bad.log || fail "no message naming the modulus"
rm -rf bad

"$cvdata" keygen other.key > options
read -r -a opts < options
configure build "${opts[@]}" > configure.log 2>&1 || { cat configure.log; fail "configure"; }
"$cmake" --build build --target cvdata -j 2 > build.log 2>&1 || { tail -40 build.log; fail "build"; }
other=build/tools/cvdata/cvdata

head -c 100000 /dev/urandom > in
"$other" pack --key other.key in other.data
"$other" verify --key other.key other.data > /dev/null || fail "the other build refuses its own key"
"$other" unpack other.data back
cmp -s in back || fail "the other build unpacked different bytes"
"$cvdata" pack --key "$devkey" in dev.data
if "$other" verify dev.data > /dev/null 2>&1; then fail "the other build read a development-key file"; fi
if "$cvdata" verify other.data > /dev/null 2>&1; then fail "the development build read an other-key file"; fi
echo "other key: a build with a generated key reads only its own files"
