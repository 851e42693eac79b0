# The Debian packages: built with CPack from a tree configured for /usr,
# checked by lintian (no error), unpacked alone into a scratch root, and the
# example client built against what they hold and run.
set -euo pipefail
build=$CV_ROOT/build/packages
root=$build/root
cmake -S "$CV_ROOT" -B "$build" -DCMAKE_BUILD_TYPE=Release -DCVSETTINGS_WERROR=ON -DCVSETTINGS_BUILD_TESTS=OFF \
  -DCMAKE_INSTALL_PREFIX=/usr >/dev/null
cmake --build "$build" -j"$CV_JOBS" >/dev/null
rm -f "$build"/*.deb "$build"/lintian.*
(cd "$build" && cpack -G DEB >/dev/null)
rm -rf "$root" && mkdir -p "$root"
errors=0
for deb in "$build"/*.deb; do
  echo "$(basename "$deb"): $(dpkg-deb -c "$deb" | grep -vc '/$') files"
  lintian --tag-display-limit 0 "$deb" 2>>"$build/lintian.err" | tee -a "$build/lintian.log" | grep "^E:" && errors=1
  dpkg -x "$deb" "$root"
done
[ "$errors" = 0 ] || { echo "lintian reports errors" >&2; exit 1; }
# No run path points anywhere in what the packages install.
if find "$root" -type f \( -name '*.so*' -o -perm -u+x \) -exec readelf -d {} + 2>/dev/null | grep -E 'R(UN)?PATH'; then
  echo "an installed file has a run path" >&2; exit 1
fi
libdir=$(dirname "$(find "$root" -name 'libcvsettings.so.1' | head -1)")
cmake -S "$CV_ROOT/tests/consumer" -B "$build/consumer" -DCMAKE_PREFIX_PATH="$root/usr" >/dev/null
cmake --build "$build/consumer" >/dev/null
home=$build/home && mkdir -p "$home"
HOME=$home XDG_DATA_HOME=$home/.local/share LD_LIBRARY_PATH=$libdir "$build/consumer/consumer"
pc=$(PKG_CONFIG_SYSROOT_DIR= PKG_CONFIG_PATH=$libdir/pkgconfig pkg-config --variable=includedir cvsettings)
[ -f "$pc/cvsettings/ConfigMgr.h" ] || { echo "pkg-config's includedir $pc lacks the headers" >&2; exit 1; }
LD_LIBRARY_PATH=$libdir "$root/usr/bin/cvconf" --version
echo "the packages install, lintian finds no error, and a client builds against them alone"
