# The Qt-free half built as Windows executables with MinGW-w64 and its tests
# run under Wine: the crypto tests and the Windows-only file cases.
set -euo pipefail
build=$CV_ROOT/build/mingw
wine=${CV_WINE:-/usr/lib/wine/wine64}
[ -x "$wine" ] || { echo "no Wine loader at $wine (set CV_WINE)" >&2; exit 1; }
wineserver=$(dirname "$wine")/wineserver
[ -x "$wineserver" ] || wineserver=$(command -v wineserver)

# A private prefix, console programs only: no display, no Mono or Gecko.
export WINEPREFIX=$CV_ROOT/build/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
trap '"$wineserver" -k 2>/dev/null || true' EXIT
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  "$wine" wineboot --init > "$CV_ROOT/build/wineboot.log" 2>&1 \
    || { cat "$CV_ROOT/build/wineboot.log" >&2; exit 1; }
  "$wineserver" -w
fi

cmake -S "$CV_ROOT" -B "$build" -DCMAKE_BUILD_TYPE=Release -DCVSETTINGS_WERROR=ON \
  -DCMAKE_TOOLCHAIN_FILE="$CV_ROOT/cmake/toolchain-mingw64.cmake" -DCV_WINE="$wine" \
  -DCVSETTINGS_BUILD_QT=OFF
cmake --build "$build" -j"$CV_JOBS"
ctest --test-dir "$build" -j"$CV_JOBS" --output-on-failure --no-tests=error
