# Release build with warnings as errors, and every test.
set -euo pipefail
build=$CV_ROOT/build/release
cmake -S "$CV_ROOT" -B "$build" -DCMAKE_BUILD_TYPE=Release -DCVSETTINGS_WERROR=ON -DCVSETTINGS_BUILD_TESTS=ON
cmake --build "$build" -j"$CV_JOBS"
cmake --build "$build" --target docs # fails on any Doxygen warning
ctest --test-dir "$build" -j"$CV_JOBS" --output-on-failure --no-tests=error
