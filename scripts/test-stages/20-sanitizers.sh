# The same suite under AddressSanitizer and UndefinedBehaviorSanitizer; any
# report fails the run.
set -euo pipefail
build=$CV_ROOT/build/asan
cmake -S "$CV_ROOT" -B "$build" -DCMAKE_BUILD_TYPE=Debug -DCVSETTINGS_WERROR=ON -DCVSETTINGS_BUILD_TESTS=ON \
  -DCVSETTINGS_SANITIZE=address,undefined
cmake --build "$build" -j"$CV_JOBS"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir "$build" -j"$CV_JOBS" --output-on-failure --no-tests=error
