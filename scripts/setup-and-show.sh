#!/usr/bin/env bash
# Installs what the main job needs, builds cvconf in release mode and prints
# the configuration that it loads from the sample application directory, as
# the client would load it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/deps.sh"
cv_install_deps "${CV_SHOW_PACKAGES[@]}"
build=${CV_BUILD_DIR:-$root/build/show}
log=$build/build.log
mkdir -p "$build"
echo "building cvconf in $build (log: $log) ..."
if ! { cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DCVSETTINGS_BUILD_TESTS=OFF \
         -DCVSETTINGS_BUILD_QML=OFF && cmake --build "$build" -j"$(nproc)" --target cvconf; } >"$log" 2>&1; then
  tail -n 30 "$log" >&2
  echo "the build failed; the whole log is $log" >&2
  exit 1
fi
cvconf=$build/bin/cvconf
echo "== cvconf show: every group, from the sample product files beside $cvconf"
"$cvconf" show
echo "== cvconf providers"
"$cvconf" providers
cat <<EOF
== next: cvconf is $cvconf
  cvconf --help                   every command (cvconf help COMMAND for one)
  cvconf get Client.version       one value
  cvconf --file /tmp/try.ini set Normal.language LanguageJapanese
                                  change a copy of the settings, as the client saves
  bash scripts/run-tests.sh       the whole test suite (installs what it needs)
EOF
