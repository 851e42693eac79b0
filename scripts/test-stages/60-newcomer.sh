# A newcomer's first hour, from the README alone: in a scratch clone of the
# checked-out commit, the README's first command; its install recipe into a
# scratch prefix; a C++ client and a QML application made from the README's
# own snippets and built against that prefix only (CMake, pkg-config,
# QML2_IMPORT_PATH as the README sets them); and the installed tools' version,
# help, man pages and completion. The commands and snippets are read out of
# README.md, so what the README says is what runs. Logs stay in build/newcomer.
set -euo pipefail
readme=$CV_ROOT/README.md
logs=$CV_ROOT/build/newcomer
rm -rf "$logs" && mkdir -p "$logs"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

fail() {
  echo "60-newcomer: $*" >&2
  exit 1
}
# run LOG COMMAND...: the command's output goes to LOG, shown when it fails.
run() {
  local log=$logs/$1
  shift
  "$@" >"$log" 2>&1 || {
    tail -n 40 "$log" >&2
    fail "failed: $* (whole log: $log)"
  }
}
# readme_block HEADING LANG: the first ```LANG block after the line starting
# with HEADING ("" for the top of the file).
readme_block() {
  local text
  text=$(awk -v heading="$1" -v fence="\`\`\`$2" '
    index($0, heading) == 1 { seen = 1 }
    seen && !inside && $0 == fence { inside = 1; next }
    inside && $0 == "```" { exit }
    inside { print }' "$readme")
  [ -n "$text" ] || fail "README.md has no \`\`\`$2 block after \"${1:-its top}\""
  printf '%s\n' "$text"
}

# What the newcomer's shell holds: a home of its own, none of our paths.
export HOME=$tmp/home
unset XDG_DATA_HOME XDG_CONFIG_HOME XDG_CACHE_HOME CMAKE_PREFIX_PATH PKG_CONFIG_PATH QML2_IMPORT_PATH \
  LD_LIBRARY_PATH CV_BUILD_DIR MANPATH
mkdir -p "$HOME"

# The commit under test, cloned as CI clones it; changes not committed are not seen.
src=$tmp/src
run clone.log git clone --no-hardlinks "$CV_ROOT" "$src"
run clone.log git -C "$src" fetch origin HEAD
run clone.log git -C "$src" checkout --detach FETCH_HEAD
[ -z "$(git -C "$CV_ROOT" status --porcelain --untracked-files=no)" ] \
  || echo "60-newcomer: note: changes not committed in $CV_ROOT are not part of this test" >&2
echo "ok - cloned $(git -C "$src" log -1 --format='%h %s' | cut -c1-60)"

# The README's first command, as it stands there.
first=$(readme_block "" sh | head -n 1 | sed 's/[[:space:]]*#.*//')
(cd "$src" && run first-command.log bash -c "$first")
out=$logs/first-command.log
grep -qF "building cvconf in $src/build/show" "$out" || fail "\"$first\" does not say where it builds ($out)"
grep -q '^\[Client\]' "$out" && grep -q 'productName' "$out" \
  || fail "\"$first\" shows no product configuration ($out)"
built=$(sed -n 's/^== next: cvconf is //p' "$out")
[ -n "$built" ] || fail "\"$first\" does not say where cvconf is ($out)"
[ -x "$built" ] && [[ $built == "$src"/* ]] || fail "\"$first\" names $built, which is no cvconf of the clone"
for next in "cvconf --help" "cvconf help COMMAND" "run-tests.sh"; do
  grep -qF "$next" "$out" || fail "\"$first\" does not suggest \"$next\" next ($out)"
done
echo "ok - \"$first\" builds cvconf in build/show, shows the sample configuration and what to try next"

# The install recipe, a line at a time (an "a && b" line fails as a whole).
recipe=$logs/install-recipe.sh
readme_block "## Using the library" sh >"$recipe"
raw_prefix=$(sed -n 's/.*cmake --install .* --prefix "\([^"]*\)".*/\1/p' "$recipe")
[ -n "$raw_prefix" ] || fail "the README's install recipe names no --prefix ($recipe)"
prefix=$(eval "printf '%s' \"$raw_prefix\"")
[[ $prefix == "$HOME"/* ]] || fail "the install prefix $prefix is not under the newcomer's home"
cd "$src"
n=0
while IFS= read -r line; do
  line=${line%%#*}
  [ -n "${line// /}" ] || continue
  n=$((n + 1))
  eval "$line" >"$logs/recipe-$n.log" 2>&1 || {
    tail -n 40 "$logs/recipe-$n.log" >&2
    fail "the README's install step failed: $line"
  }
  [[ $line != *pkg-config* ]] || pc_flags=$(cat "$logs/recipe-$n.log")
done <"$recipe"
[ -n "${pc_flags:-}" ] || fail "the README's pkg-config line printed no flags"
[ -n "${QML2_IMPORT_PATH:-}" ] || fail "the README's recipe sets no QML2_IMPORT_PATH"
[ -f "$QML2_IMPORT_PATH/Corvane/Settings/qmldir" ] || fail "QML2_IMPORT_PATH=$QML2_IMPORT_PATH holds no Corvane/Settings module"
echo "ok - the README's install recipe installs into $prefix ($n steps)"

# From here on only the prefix: the build trees go, and the clone moves away
# after its example client is built, so that no path into them still works.
rm -rf "$src/build/install" "$src/build/show"
grep -q "^cvsettings_DIR:PATH=$prefix/" "$src/build/consumer/CMakeCache.txt" \
  || fail "tests/consumer found cvsettings outside $prefix"
run consumer.log cmake --build "$src/build/consumer"
cp "$src/build/consumer/consumer" "$tmp/consumer"
cd "$tmp"
mv "$src" "$tmp/src-moved-away"
run consumer.log "$tmp/consumer"
echo "ok - tests/consumer, configured as the README says, builds and runs"

version=$(PKG_CONFIG_PATH=$prefix/lib/pkgconfig pkg-config --modversion cvsettings)
cvconf=$prefix/bin/cvconf
autorun() { "$cvconf" get Normal.autoRun 2>/dev/null; }
settings=$("$cvconf" show 2>/dev/null | sed -n 's/^# settings file: //p')
[[ $settings == "$HOME"/* ]] || fail "cvconf's settings file \"$settings\" is not in the newcomer's home"

# The README's C++ snippet in a main(), built with its CMake lines.
app=$tmp/apps/cpp
mkdir -p "$app"
{
  printf '%s\n' 'cmake_minimum_required(VERSION 3.25)' 'project(newcomer LANGUAGES CXX)' \
    'set(CMAKE_CXX_STANDARD 17)' 'add_executable(app main.cpp)'
  readme_block "## Using the library" cmake
} >"$app/CMakeLists.txt"
{
  printf '%s\n' '#include <ConfigMgr.h>' '#include <NormalSetting.h>' '#include <QCoreApplication>' '' \
    'int main(int argc, char* argv[])' '{' '    QCoreApplication app(argc, argv);'
  readme_block "## Using the library" cpp
  printf '%s\n' '    return 0;' '}'
} >"$app/main.cpp"
run app-cmake.log cmake -S "$app" -B "$app/build" -DCMAKE_PREFIX_PATH="$prefix"
run app-cmake.log cmake --build "$app/build"
[ "$(autorun)" = false ] || fail "a fresh home does not start with Normal.autoRun false"
run app-run.log "$app/build/app"
[ "$(autorun)" = true ] || fail "after the README's C++ snippet cvconf reads Normal.autoRun $(autorun), not true"
echo "ok - the README's C++ snippet builds with its CMake lines and saves Normal.autoRun, as cvconf reads"

# The same snippet with the flags of the README's pkg-config line.
rm -f "$settings"
# shellcheck disable=SC2086
run app-pkg-config.log g++ -std=c++17 -fPIC "$app/main.cpp" $pc_flags -Wl,-rpath,"$prefix/lib" -o "$tmp/app-pc"
run app-pkg-config.log "$tmp/app-pc"
[ "$(autorun)" = true ] || fail "the pkg-config build of the C++ snippet did not save Normal.autoRun"
echo "ok - the README's C++ snippet builds with pkg-config's flags and runs"

# The README's QML snippet on a page of an application that creates and loads
# the manager first, as the README says; headless. The page flips the switch
# as a user would, then sets autoLogin without saving it.
rm -f "$settings"
qml=$tmp/apps/qml
mkdir -p "$qml"
readme_block "## QML" qml >"$qml/snippet.qml"
{
  grep '^import ' "$qml/snippet.qml"
  printf '%s\n' 'import QtQuick 2.15' 'import QtQuick.Controls 2.15' 'Item {'
  grep -v '^import ' "$qml/snippet.qml"
  cat <<'EOF'
    Component.onCompleted: {
        const flip = children[0]
        flip.toggle()
        flip.toggled()
        Settings.normalSetting.autoLogin = true
    }
}
EOF
} >"$qml/main.qml"
{
  printf '%s\n' 'cmake_minimum_required(VERSION 3.25)' 'project(newcomer_qml LANGUAGES CXX)' \
    'set(CMAKE_CXX_STANDARD 17)' 'find_package(Qt5 5.15 REQUIRED COMPONENTS Quick)' 'add_executable(app host.cpp)'
  readme_block "## Using the library" cmake
  echo 'target_link_libraries(app PRIVATE Qt5::Quick)'
} >"$qml/CMakeLists.txt"
cat >"$qml/host.cpp" <<'EOF'
#include <ConfigMgr.h>
#include <NormalSetting.h>
#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <cstdio>

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    ConfigMgr* mgr = ConfigMgr::createInstance();
    mgr->loadConfig();
    bool loaded = false;
    {
        QQmlApplicationEngine engine;
        QObject::connect(&engine, &QQmlApplicationEngine::warnings, [](const QList<QQmlError>& warnings) {
            for (const QQmlError& w : warnings)
                std::fprintf(stderr, "QML warning: %s\n", qPrintable(w.toString()));
        });
        engine.load(QUrl::fromLocalFile(QString::fromLocal8Bit(argv[1])));
        loaded = !engine.rootObjects().isEmpty();
    }
    const bool autoRun = mgr->normalSetting().autoRun();
    ConfigMgr::destroyInstance();
    std::printf("loaded %d autoRun %d\n", loaded, autoRun);
    return loaded && autoRun ? 0 : 1;
}
EOF
run qml-cmake.log cmake -S "$qml" -B "$qml/build" -DCMAKE_PREFIX_PATH="$prefix"
run qml-cmake.log cmake --build "$qml/build"
QT_QPA_PLATFORM=offscreen run qml-run.log "$qml/build/app" "$qml/main.qml"
! grep -E 'QML warning|ReferenceError|TypeError|is not (installed|a type)' "$logs/qml-run.log" \
  || fail "the README's QML snippet gives warnings ($logs/qml-run.log)"
grep -q 'auto sign-in true' "$logs/qml-run.log" || fail "the snippet's Connections did not log the autoLogin change"
[ "$(autorun)" = true ] || fail "the snippet's saveNormalSetting() did not save Normal.autoRun"
[ "$("$cvconf" get Normal.autoLogin 2>/dev/null)" = false ] || fail "the snippet's autoLogin setter saved the file"
echo "ok - the README's QML snippet loads from QML2_IMPORT_PATH headless, follows, saves and signals as it says"

# The installed tools: version, per-command help three ways, man pages,
# completion; run from the prefix with no library path set.
for tool in cvconf cvdata; do
  exe=$prefix/bin/$tool
  [ "$("$exe" --version)" = "$tool (cvsettings) $version" ] || fail "$tool --version says \"$("$exe" --version)\""
  if [ "$tool" = cvconf ]; then
    commands=$("$exe" --help | awk '/^commands:/ { on = 1; next } /^$/ { on = 0 } on && /^  [a-z]/ { print $1 }')
  else
    commands=$("$exe" --help | sed -n 's/^  cvdata \([a-z][a-z-]*\).*/\1/p')
  fi
  [ "$(wc -w <<<"$commands")" -ge 4 ] || fail "$tool --help lists only: $commands"
  for cmd in $commands; do
    one=$("$exe" help "$cmd") || fail "$tool help $cmd fails"
    grep -qw -- "$cmd" <<<"$one" || fail "$tool help $cmd does not name $cmd"
    [ "$one" != "$("$exe" --help)" ] || fail "$tool help $cmd shows the whole help"
    for form in --help -h; do
      [ "$("$exe" "$cmd" "$form")" = "$one" ] || fail "$tool $cmd $form differs from $tool help $cmd"
    done
  done
  page=$(man --manpath="$prefix/share/man" -w "$tool") || fail "man does not find $tool's page under $prefix"
  rendered=$(MANWIDTH=100 man --warnings -l "$page" 2>"$logs/man-$tool.err")
  [ ! -s "$logs/man-$tool.err" ] || fail "$tool's man page renders with warnings: $(cat "$logs/man-$tool.err")"
  grep -q "^NAME" <<<"$rendered" && grep -qF "$version" <<<"$rendered" || fail "$tool's man page lacks its name or version"
  for cmd in $commands; do
    grep -qw -- "$cmd" <<<"$rendered" || fail "$tool's man page does not mention $cmd"
  done
  echo "ok - $tool: --version, help for each of its $(wc -w <<<"$commands") commands three ways, and its man page"
done
typo=$("$cvconf" shwo 2>&1) && fail "cvconf shwo succeeds"
grep -q 'show' <<<"$typo" || fail "cvconf shwo does not suggest show: $typo"
completion=$prefix/share/bash-completion/completions/cvconf
words=$(PATH=$prefix/bin:$PATH bash -c '
  source "$1"
  fn=$(complete -p cvconf | sed -n "s/.*-F \([^ ]*\) .*/\1/p")
  COMP_WORDS=(cvconf get Normal.auto) COMP_CWORD=2
  "$fn"
  printf "%s\n" "${COMPREPLY[@]}"' _ "$completion") || fail "cvconf's completion fails"
grep -qx Normal.autoRun <<<"$words" && grep -qx Normal.autoLogin <<<"$words" \
  || fail "completing \"cvconf get Normal.auto\" gives: $words"
echo "ok - cvconf answers a mistyped command with the nearest and completes properties in bash"
