# Builds the libFuzzer targets with clang and runs each for a short while
# over its seed corpus (CV_FUZZ_SECONDS, 30 by default), CV_JOBS at a time.
# A crash, a sanitizer report, a leak or a timeout fails the stage; the
# offending input is left in the build folder.
set -euo pipefail
build=$CV_ROOT/build/fuzz
seconds=${CV_FUZZ_SECONDS:-30}
CC=clang-14 CXX=clang++-14 cmake -S "$CV_ROOT" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCVSETTINGS_WERROR=ON -DCVSETTINGS_BUILD_FUZZ=ON -DCVSETTINGS_BUILD_TESTS=OFF
targets=$(cd "$CV_ROOT/fuzz/corpus" && ls -d fuzz_*)
# shellcheck disable=SC2086
cmake --build "$build" -j"$CV_JOBS" --target $targets

run_one() {
  local t=$1 work=$build/fuzz-run/$1 leaks=1
  # Qt 5.15's JSON parser leaks the earlier value of a duplicated key when the
  # document then fails to parse (a plain Qt program shows it too); JSON can
  # only be parsed through Qt here, so those targets run without leak checks.
  case $t in fuzz_cvserver | fuzz_cvconf_load) leaks=0 ;; esac
  rm -rf "$work" && mkdir -p "$work/new"
  # New inputs go to a scratch folder; the corpus in the repository is only read.
  if (cd "$work" && ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=$leaks" "$build/fuzz/$t" \
        -max_total_time="$seconds" -timeout=25 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$work/" new "$CV_ROOT/fuzz/corpus/$t" >log 2>&1); then
    echo "ok - $t: $(grep -o 'number_of_executed_units: [0-9]*' "$work/log" | grep -o '[0-9]*$') runs, no finding"
  else
    echo "not ok - $t"; tail -n 40 "$work/log"; return 1
  fi
}
export -f run_one
export build seconds CV_ROOT
# shellcheck disable=SC2086
printf '%s\n' $targets | xargs -P "$CV_JOBS" -I{} bash -c 'run_one {}'
