#!/usr/bin/env bash
# Builds Qt 5.15's Core, Xml and Test modules for 64-bit Windows with
# MinGW-w64, from the Qt source Debian's archive ships, and installs them into
# a cache outside the checkout:
#   ${CV_QT_CACHE:-${XDG_CACHE_HOME:-~/.cache}/cvsettings}/qt-<version>-mingw-<key>
# where <key> hashes the Debian source version, the configure options and the
# compiler. A finished cache is reused as it is. Progress goes to stderr; the
# last line of standard output is the install prefix, so that
#   cmake ... -DCMAKE_PREFIX_PATH=$(scripts/qt-mingw.sh)
# works. Needs dpkg-dev, make, perl, python3 and the MinGW-w64 compilers
# (scripts/deps.sh installs them).
set -euo pipefail

upstream=5.15.8
package=qtbase-opensource-src
triplet=x86_64-w64-mingw32
jobs=${CV_JOBS:-$(nproc)}
cache=${CV_QT_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/cvsettings}

say() { echo "qt-mingw: $*" >&2; }
die() { say "$*"; exit 1; }

# QtTest needs std::mutex, which only the POSIX-thread variant of MinGW's
# libstdc++ has. Its runtime DLLs are installed beside Qt's.
command -v "$triplet-g++-posix" >/dev/null || die "no $triplet-g++-posix (install g++-mingw-w64-x86-64-posix)"
options=(-opensource -confirm-license -xplatform win32-g++ -shared -release
  -nomake examples -nomake tests -no-gui -no-widgets -no-opengl -no-dbus -no-openssl -no-icu
  -qt-pcre -qt-zlib -no-sql-sqlite -no-sql-odbc)
modules=(corelib xml testlib)
compiler=$("$triplet-g++-posix" --version | head -1)

# Debian's Sources index for the archive this machine uses, kept in a folder
# of our own so that the system's apt configuration stays as it is. apt
# checks the index against the archive's signed Release file, and each
# downloaded file against the index.
fetch_source() {
  local dir=$1 lists=$1/apt-lists
  mkdir -p "$lists/partial" "$dir/apt-cache/archives/partial"
  local keyring=/usr/share/keyrings/debian-archive-keyring.gpg
  [ -f "$keyring" ] || die "no Debian archive keyring at $keyring"
  cat > "$dir/sources.list" <<EOF
deb-src [signed-by=$keyring] http://deb.debian.org/debian bookworm main
deb-src [signed-by=$keyring] http://deb.debian.org/debian bookworm-updates main
deb-src [signed-by=$keyring] http://deb.debian.org/debian-security bookworm-security main
EOF
  apt_opts=(-o "Dir::Etc::SourceList=$dir/sources.list" -o Dir::Etc::SourceParts=/dev/null
    -o "Dir::State::Lists=$lists" -o "Dir::Cache=$dir/apt-cache" -o Debug::NoLocking=1)
  [ "$(id -u)" -eq 0 ] && apt_opts+=(-o APT::Sandbox::User=root)
  say "reading Debian's source index"
  apt-get "${apt_opts[@]}" -qq update >&2 || die "cannot read Debian's source index"
}

work=$cache/qt-mingw-work
mkdir -p "$work"
fetch_source "$work"
version=$(apt-get "${apt_opts[@]}" -qq source --print-uris "$package" 2>/dev/null \
  | awk -v p="${package}_" '$2 ~ /\.dsc$/ { v = $2; sub(p, "", v); sub(/\.dsc$/, "", v); print v; exit }')
[ -n "$version" ] || die "Debian's archive has no source package $package"
case $version in "$upstream"*) ;; *) die "Debian's $package is $version, not Qt $upstream";; esac

key=$(printf '%s\n' "$version" "${options[*]}" "${modules[*]}" "$compiler" | sha256sum | cut -c1-12)
prefix=$cache/qt-$upstream-mingw-$key
if [ -f "$prefix/.complete" ]; then
  say "using the Qt built before in $prefix"
  echo "$prefix"
  exit 0
fi

src=$work/$package-$version
if [ ! -f "$src/.extracted" ]; then
  say "fetching $package $version"
  rm -rf "$src" "$work/dl"
  mkdir -p "$work/dl"
  (cd "$work/dl" && apt-get "${apt_opts[@]}" -qq source --download-only "$package=$version" >&2) \
    || die "cannot fetch $package $version"
  # The Debian patches (among them the security fixes) are applied as the
  # Debian build applies them.
  dpkg-source --no-check -x "$work/dl/${package}_$version.dsc" "$src" > "$work/unpack.log" 2>&1 \
    || { cat "$work/unpack.log" >&2; die "cannot unpack $package $version"; }
  touch "$src/.extracted"
fi

# The compilers under the names the win32-g++ mkspec derives from
# CROSS_COMPILE, pointing at the POSIX-thread variant.
tools=$work/tools
mkdir -p "$tools"
for t in gcc g++; do ln -sf "$(command -v "$triplet-$t-posix")" "$tools/$triplet-$t"; done
for t in ar ranlib windres strip objcopy nm ld; do
  ln -sf "$(command -v "$triplet-$t")" "$tools/$triplet-$t"
done

# A build folder per key: a build cut off part way resumes where it stopped.
build=$work/build-$key
mkdir -p "$build"
cd "$build"
if [ ! -f .configured ]; then
  say "configuring Qt $upstream for $triplet into $prefix (log: $build/configure.log)"
  "$src/configure" -prefix "$prefix" -device-option "CROSS_COMPILE=$tools/$triplet-" "${options[@]}" \
    > configure.log 2>&1 || { tail -40 configure.log >&2; die "configure failed"; }
  make sub-src-qmake_all > qmake.log 2>&1 || { tail -40 qmake.log >&2; die "qmake failed"; }
  touch .configured
fi

# Only the modules the library and its tests use, and the host tools CMake's
# package files name (moc, rcc); then those, qmake and the mkspecs installed.
targets=(sub-rcc) installs=(sub-rcc-install_subtargets)
for m in "${modules[@]}"; do targets+=("sub-$m") installs+=("sub-$m-install_subtargets"); done
say "building ${modules[*]} with $jobs jobs (log: $build/make.log)"
(
  while sleep 30; do say "still building: $(grep -c '' make.log 2>/dev/null || echo 0) lines of log"; done
) & ticker=$!
trap 'kill $ticker 2>/dev/null || true' EXIT
make -C src -j"$jobs" "${targets[@]}" > make.log 2>&1 || { tail -40 make.log >&2; die "build failed"; }
say "installing into $prefix"
rm -rf "$prefix"
make -C src "${installs[@]}" >> make.log 2>&1 || { tail -40 make.log >&2; die "install failed"; }
make sub-qmake-qmake-aux-pro-install_subtargets >> make.log 2>&1 \
  || { tail -40 make.log >&2; die "install of qmake failed"; }
# The platform's mkspec holds qplatformdefs.h, which CMake's Qt5::Core puts on
# the include path; the build's .pri files describe this configuration.
cp -r "$src/mkspecs/." "$prefix/mkspecs/" && cp mkspecs/*.pri "$prefix/mkspecs/" \
  || die "install of the mkspecs failed"
for dll in libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll; do
  from=$("$triplet-g++-posix" -print-file-name="$dll")
  [ -f "$from" ] || from=/usr/$triplet/lib/$dll
  cp "$from" "$prefix/bin/" || die "no $dll for $triplet"
done
[ -f "$prefix/lib/cmake/Qt5Core/Qt5CoreConfig.cmake" ] || die "no Qt5Core package file in $prefix"
[ -f "$prefix/bin/Qt5Core.dll" ] || die "no Qt5Core.dll in $prefix"
touch "$prefix/.complete"
rm -rf "$build"
say "Qt $upstream for $triplet is in $prefix"
echo "$prefix"
