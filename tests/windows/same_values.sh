#!/bin/bash
# The Linux and the Windows build (under Wine) on the same product files and
# settings files: every group of `cvconf show --json` the same, and a settings
# file written by either build (non-ASCII text, an account with its password,
# a section of another program) reads the same in the other.
# usage: same_values.sh NATIVE_CVCONF WINE CVCONF_EXE QT_BIN WORK_DIR
set -u
NATIVE=$1 WINE=$2 EXE=$3 QT_BIN=$4 WORK=$5
APP=$(dirname "$NATIVE") # the sample product files, packed beside the native tool
rm -rf "$WORK" && mkdir -p "$WORK" || exit 1
export LC_ALL=C.UTF-8 WINEDEBUG=-all WINEPATH="Z:$QT_BIN"
failures=0 cases=0
lin() { "$NATIVE" --app-dir "$APP" "$@"; }
# Windows ends lines with "\r\n".
win() { "$WINE" "$EXE" --app-dir "$APP" "$@" | tr -d '\r'; }
same() { # same LABEL FILE: both builds show the same for FILE
    cases=$((cases + 1))
    # The default recording folder is the platform's own per-user folder.
    lin --file "$2" show --json 2>"$WORK/linux.err" | grep -v '"recordPath"' >"$WORK/linux.json"
    win --file "$2" show --json 2>"$WORK/windows.err" | grep -v '"recordPath"' >"$WORK/windows.json"
    if ! [ -s "$WORK/linux.json" ] || ! cmp -s "$WORK/linux.json" "$WORK/windows.json"; then
        echo "FAIL: $1: the builds differ"
        diff "$WORK/linux.json" "$WORK/windows.json" | head -20
        cat "$WORK/linux.err" "$WORK/windows.err"
        failures=$((failures + 1))
    fi
}
has() { # has LABEL FILE PATTERN: the file keeps something neither tool owns
    cases=$((cases + 1))
    grep -q "$3" "$2" || { echo "FAIL: $1: $3 lost"; failures=$((failures + 1)); }
}

cases=$((cases + 1))
v=$(lin get Client.version)
[ -n "$v" ] && [ "$v" != 0.0.0.0 ] && [ "$(win get Client.version)" = "$v" ] || {
    echo "FAIL: the product files in $APP do not read the same"; failures=$((failures + 1)); }
same "no settings file" "$WORK/none.ini"

for writer in lin win; do
    F=$WORK/written-by-$writer.ini
    printf '[Other]\nkeep=1\n' >"$F"
    $writer --file "$F" set JoinMeeting.nickName 'Zoë Ångström, 李雷' >/dev/null
    $writer --file "$F" set Normal.language 3 >/dev/null
    echo 'pässwörd 密码' | $writer --file "$F" account add "zoë@example.com" >/dev/null
    echo 'second' | $writer --file "$F" account add "b@example.com" >/dev/null
    same "a file written by $writer" "$F"
    has "a file written by $writer" "$F" '^keep=1'
    cases=$((cases + 1))
    grep -q '"nickname": "Zoë Ångström, 李雷"' "$WORK/windows.json" || {
        echo "FAIL: a file written by $writer: the text did not come through"; failures=$((failures + 1)); }
done
# The stored password bytes of one build are those of the other.
cases=$((cases + 1))
pw() { grep -A0 'Password' "$1" | tr -d '\r' | sort; }
[ "$(pw "$WORK/written-by-lin.ini")" = "$(pw "$WORK/written-by-win.ini")" ] || {
    echo "FAIL: the builds store different password bytes"; failures=$((failures + 1)); }

echo "$((cases - failures)) passed, $failures failed"
[ "$failures" = 0 ]
