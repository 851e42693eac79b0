#!/usr/bin/env bash
# Re-packs every NAME.plain here into NAME.data with the development key (and
# NAME.check as the check value where present). Run after changing the
# development key; the Windows file tests and the hostile-data-file case read
# config.data.
#   bash tests/data/productfiles/packed/pack.sh build/release/tools/cvdata/cvdata
set -euo pipefail
cvdata=$1
here=$(cd "$(dirname "$0")" && pwd)
key=$here/../../../../keys/development.key
for plain in "$here"/*.plain; do
  name=${plain%.plain}
  check=()
  [ -f "$name.check" ] && check=(--check "$name.check")
  "$cvdata" pack --key "$key" "${check[@]}" --force "$plain" "$name.data"
done
