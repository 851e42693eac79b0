#!/usr/bin/env bash
# Installs what the build needs, builds in release mode and prints the
# configuration that cvconf loads from the sample application directory.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/deps.sh"
cv_install_deps
build=${CV_BUILD_DIR:-$root/build/show}
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DCVSETTINGS_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target cvconf
"$build/bin/cvconf" show
"$build/bin/cvconf" providers
