# The whole suite built against Qt 6, with warnings as errors, and the
# settings file written by each Qt's build read by the other's (the Qt 5
# cvconf from the release build, built here if that stage has not run).
set -euo pipefail
qt5=$CV_ROOT/build/release
if [ ! -x "$qt5/bin/cvconf" ]; then
  cmake -S "$CV_ROOT" -B "$qt5" -DCMAKE_BUILD_TYPE=Release -DCVSETTINGS_WERROR=ON -DCVSETTINGS_BUILD_TESTS=ON
  cmake --build "$qt5" -j"$CV_JOBS" --target cvconf
fi
build=$CV_ROOT/build/qt6
cmake -S "$CV_ROOT" -B "$build" -DQT_MAJOR_VERSION=6 -DCMAKE_BUILD_TYPE=Release -DCVSETTINGS_WERROR=ON \
  -DCVSETTINGS_BUILD_TESTS=ON -DCVSETTINGS_OTHER_CVCONF="$qt5/bin/cvconf"
cmake --build "$build" -j"$CV_JOBS"
ctest --test-dir "$build" -j"$CV_JOBS" --output-on-failure --no-tests=error
