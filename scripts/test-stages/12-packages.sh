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
  # lintian exits 1 when it reports errors, so a pipeline through grep under
  # pipefail would hide them; its output decides, and only 2 (lintian itself
  # failed) stops here.
  rc=0
  lintian --tag-display-limit 0 "$deb" 2>>"$build/lintian.err" >"$build/lintian.one" || rc=$?
  [ "$rc" -le 1 ] || { cat "$build/lintian.err" >&2; echo "lintian failed on $deb ($rc)" >&2; exit 1; }
  cat "$build/lintian.one" >>"$build/lintian.log"
  if grep "^E:" "$build/lintian.one"; then
    errors=1
  else
    echo "ok - $(basename "$deb"): $(dpkg-deb -c "$deb" | grep -vc '/$') files, no lintian error"
  fi
  dpkg -x "$deb" "$root"
done
[ "$errors" = 0 ] || { echo "lintian reports errors" >&2; exit 1; }
# No run path points anywhere in what the packages install.
# (readelf fails on files that are not ELF, so its status cannot gate a pipeline.)
find "$root" -type f \( -name '*.so*' -o -perm -u+x \) -exec readelf -d {} + >"$build/dynamic.txt" 2>/dev/null || true
grep -q NEEDED "$build/dynamic.txt" || { echo "readelf shows no dynamic section in the packages" >&2; exit 1; }
if grep -E 'R(UN)?PATH' "$build/dynamic.txt"; then
  echo "an installed file has a run path" >&2; exit 1
fi
echo "ok - no installed file has a run path"
libdir=$(dirname "$(find "$root" -name 'libcvsettings.so.1' | head -1)")
cmake -S "$CV_ROOT/tests/consumer" -B "$build/consumer" -DCMAKE_PREFIX_PATH="$root/usr" >/dev/null
cmake --build "$build/consumer" >/dev/null
home=$build/home && mkdir -p "$home"
HOME=$home XDG_DATA_HOME=$home/.local/share LD_LIBRARY_PATH=$libdir "$build/consumer/consumer"
echo "ok - the example client builds against the unpacked packages alone and runs"
pc=$(PKG_CONFIG_SYSROOT_DIR= PKG_CONFIG_PATH=$libdir/pkgconfig pkg-config --variable=includedir cvsettings)
[ -f "$pc/cvsettings/ConfigMgr.h" ] || { echo "pkg-config's includedir $pc lacks the headers" >&2; exit 1; }
echo "ok - pkg-config's includedir holds the headers"
echo "ok - $(LD_LIBRARY_PATH=$libdir "$root/usr/bin/cvconf" --version)"
