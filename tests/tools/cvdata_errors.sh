#!/usr/bin/env bash
# Every cvdata error exits non-zero with a message and leaves no output file.
set -uo pipefail
cvdata=$1 key=$2 work=$3
rm -rf "$work" && mkdir -p "$work" && cd "$work" || exit 1
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# expect_fail STATUS OUTFILE DESCRIPTION MESSAGE|-- cvdata arguments...
# A MESSAGE other than "--" must appear on standard error.
expect_fail() {
  local want=$1 out=$2 what=$3 message=$4
  shift 4
  "$cvdata" "$@" > stdout 2> stderr
  local status=$?
  [ "$status" = "$want" ] || fail "$what: exit status $status, expected $want"
  [ -s stderr ] || fail "$what: no message"
  grep -q '^cvdata: ' stderr || fail "$what: message without the tool's name"
  [ "$message" = -- ] || grep -q -- "$message" stderr || fail "$what: message does not say '$message'"
  if [ "$out" != - ] && [ -e "$out" ]; then fail "$what: left $out behind"; fi
}

head -c 1000 /dev/urandom > in
"$cvdata" pack --key "$key" in good.data || fail "packing the fixture"

expect_fail 2 - "no command" --
expect_fail 2 - "unknown command" -- frobnicate
expect_fail 2 - "help on an unknown command" "unknown command frob" help frob
# A version, and one command's help three ways, on standard output with 0.
[ "$("$cvdata" --version)" = "$("$cvdata" -V)" ] && "$cvdata" --version | grep -Eq '^cvdata \(cvsettings\) [0-9.]+$' ||
  fail "--version"
for form in "help unpack" "unpack --help" "unpack -h"; do
  out=$("$cvdata" $form 2>&1) || fail "$form: exit status $?"
  grep -q '^  cvdata unpack ' <<<"$out" && ! grep -q 'cvdata pack' <<<"$out" || fail "$form: not unpack's help alone"
done
expect_fail 2 out.data "unknown option" -- pack --key "$key" --level 9 in out.data
expect_fail 2 out.data "pack without a key" -- pack in out.data
expect_fail 2 out.data "pack without an output" -- pack --key "$key" in
expect_fail 2 out.data "--key without a file name" -- pack in out.data --key
expect_fail 2 - "keygen with --key" -- keygen --key "$key" k.key
expect_fail 2 out.bin "unpack with --key" -- unpack --key "$key" good.data out.bin
expect_fail 2 - "verify of two files" -- verify good.data good.data

expect_fail 1 out.data "missing input" -- pack --key "$key" missing out.data
expect_fail 1 out.data "missing key file" -- pack --key missing.key in out.data
echo "not a key" > garbage.key
expect_fail 1 out.data "garbage key file" -- pack --key garbage.key in out.data
grep -v mask "$key" > nomask.key
expect_fail 1 out.data "key file without masks" -- pack --key nomask.key in out.data
sed 's/^keytext-mask: .*/keytext-mask: 41/' "$key" > digitmask.key
expect_fail 1 out.data "key-text mask equal to a digit" -- pack --key digitmask.key in out.data
sed '/BEGIN/,/END/{/BEGIN/!{/END/!d}}' "$key" > emptypem.key
expect_fail 1 out.data "key file with an empty PEM block" -- pack --key emptypem.key in out.data
# Each part of a key file is checked on its own: a mask one digit short,
# either mask missing, an RSA key of another size than 1024 bits.
sed 's/^\(length-mask: .......\).*/\1/' "$key" > shortmask.key
expect_fail 1 out.data "length mask of 7 digits" "length-mask must be 8 hexadecimal digits" pack --key shortmask.key in out.data
sed 's/^\(keytext-mask: .\).*/\1/' "$key" > shortmask.key
expect_fail 1 out.data "key-text mask of 1 digit" "keytext-mask must be 2 hexadecimal digits" pack --key shortmask.key in out.data
for mask in length-mask keytext-mask; do
  grep -v "^$mask" "$key" > onemask.key
  expect_fail 1 out.data "key file without $mask" "not a cvdata key file" pack --key onemask.key in out.data
done
if command -v openssl > /dev/null; then
  for bits in 512 2048; do
    { grep mask "$key"; openssl genpkey -algorithm RSA -pkeyopt rsa_keygen_bits:$bits \
        -pkeyopt rsa_keygen_pubexp:17 2> /dev/null; } > rsa$bits.key
    expect_fail 1 out.data "a $bits-bit key" "modulus has $bits bits; 1024 are needed" pack --key rsa$bits.key in out.data
  done
else
  echo "note: no openssl command; keys of other sizes not tried"
fi
: > empty.check
expect_fail 1 out.data "an empty check value" "an empty check value means none" pack --key "$key" --check empty.check in out.data
expect_fail 1 - "verify with an empty check value" "an empty check value means none" verify --check empty.check good.data
expect_fail 2 - "unpack of nothing" "unpack needs an input file" unpack
expect_fail 2 out2.bin "unpack to two outputs" "unpack needs an input file" unpack good.data out1.bin out2.bin

# Whatever cvdata reads must be a regular file of a bounded size: an endless
# device, a FIFO nobody writes to (a blocked open ends in the CTest timeout),
# a sparse 5 GB file and a directory are refused before they are read.
mkfifo fifo
truncate -s 5G sparse
for bad in /dev/zero fifo sparse .; do
  message="not a regular file"
  [ "$bad" = sparse ] && message="too large"
  expect_fail 1 out.data "pack of $bad" "$message" pack --key "$key" "$bad" out.data
  expect_fail 1 out.data "key file $bad" "$message" pack --key "$bad" in out.data
  expect_fail 1 out.data "check file $bad" "$message" pack --key "$key" --check "$bad" in out.data
  expect_fail 1 out.bin "unpack of $bad" "$message" unpack "$bad" out.bin
  expect_fail 1 - "verify of $bad" "$message" verify "$bad"
  expect_fail 1 - "verify with the key file $bad" "$message" verify --key "$bad" good.data
  expect_fail 1 - "verify with the check file $bad" "$message" verify --check "$bad" good.data
done
rm -f fifo sparse
# The bound itself: a file of exactly 256 MiB is read (as a check value,
# which good.data then lacks), one byte more is not.
truncate -s 256M exact
expect_fail 1 - "a check value of 256 MiB" "this build cannot read it" verify --check exact good.data
truncate -s +1 exact
expect_fail 1 - "a check value of 256 MiB and a byte" "too large" verify --check exact good.data
rm -f exact

# A write that fails (past a file size limit) or cannot put the file in place
# (a folder in the way of --force, a dangling link at the name) leaves the name
# as it was, and no temporary file (checked at the end).
printf '#!/usr/bin/env bash\ntrap "" XFSZ\nulimit -f 4\nexec "%s" "$@"\n' "$cvdata" > limited
chmod +x limited
head -c 20000 /dev/urandom > big
"$cvdata" pack --key "$key" big big.data || fail "packing 20000 bytes"
cvdata=$PWD/limited expect_fail 1 out.data "pack past a file size limit" "cannot write out.data" pack --key "$key" big out.data
cvdata=$PWD/limited expect_fail 1 out.bin "unpack past a file size limit" "cannot write out.bin" unpack big.data out.bin
mkdir -p folder.data/inside
expect_fail 1 - "pack --force onto a folder" "cannot replace folder.data" pack --force --key "$key" in folder.data
[ -d folder.data/inside ] || fail "pack --force onto a folder changed the folder"
ln -s nowhere dangling.data
expect_fail 1 - "pack onto a dangling link" "dangling.data exists" pack --key "$key" in dangling.data
[ "$(readlink dangling.data)" = nowhere ] || fail "pack onto a dangling link changed the link"

# An existing output is kept unless --force is given.
echo old > exists.data
expect_fail 1 - "existing output" -- pack --key "$key" in exists.data
[ "$(cat exists.data)" = old ] || fail "existing output was changed"
"$cvdata" pack --force --key "$key" in exists.data || fail "pack --force"
"$cvdata" verify exists.data > /dev/null || fail "replaced output does not read"
expect_fail 1 - "unpack onto an existing output" -- unpack good.data exists.data
"$cvdata" unpack --force good.data exists.data || fail "unpack --force"
cmp -s in exists.data || fail "unpack --force did not replace the output with the plaintext"

# Files the reader refuses.
expect_fail 1 out.bin "unpack of a missing file" -- unpack missing.data out.bin
expect_fail 1 out.bin "unpack of a plain file" -- unpack in out.bin
head -c -5 good.data > cut.data
expect_fail 1 out.bin "unpack of a truncated file" -- unpack cut.data out.bin

# Another key: its files and the key itself are refused by this build.
"$cvdata" keygen other.key > options || fail "keygen"
grep -q -- '-DCVSETTINGS_RSA_MODULUS=[0-9A-F]\{256\} ' options || fail "keygen options"
[ "$(stat -c %a other.key)" = 600 ] || fail "a new key file has mode $(stat -c %a other.key), not 600"
expect_fail 1 - "keygen onto an existing key file" -- keygen other.key
"$cvdata" pack --key other.key in other.data || fail "pack with another key"
expect_fail 1 - "verify of a file packed with another key" -- verify other.data
expect_fail 1 - "verify with a key file that is not the build's" -- verify --key other.key good.data
"$cvdata" verify --key "$key" good.data > /dev/null || fail "verify with the build's key file"

leftovers=$(ls -A | grep -c 'cvdata-' || true)
[ "$leftovers" = 0 ] || fail "temporary files left behind"
if [ "$failures" -ne 0 ]; then
  echo "cvdata errors: $failures checks failed" >&2
  exit 1
fi
echo "cvdata errors: all cases passed"
