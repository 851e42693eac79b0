#!/bin/bash
# A settings file written by the Qt 5 build and one written by the Qt 6 build
# each read identically in the other, hand-typed non-ASCII text included:
# the same writes give the same bytes from either cvconf, and every file (as
# written, as typed by hand without and with UTF-8's byte order mark, with
# raw UTF-8, a raw Latin-1 byte and a non-ASCII key) shows and dumps alike
# through both, before and after each build has saved it.
# usage: cvconf_cross_build.sh CVCONF APP_DIR OTHER_CVCONF OTHER_APP_DIR WORK_DIR
set -u
A=$1 A_APP=$2 B=$3 B_APP=$4 WORK=$5
rm -rf "$WORK" && mkdir -p "$WORK/home" || exit 1
export HOME=$WORK/home XDG_DATA_HOME=$WORK/home/data LC_ALL=C.UTF-8
failures=0 cases=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

a() { "$A" --app-dir "$A_APP" "$@"; }
b() { "$B" --app-dir "$B_APP" "$@"; }

# The same changes, non-ASCII text of one, two, three and four UTF-8 bytes,
# a hexadecimal digit after it, and a password, through one build.
write_with() {
    local tool=$1 f=$2
    $tool --file "$f" set JoinMeeting.nickname 'Zoë 字 é1 €a 😀 x' >/dev/null &&
        $tool --file "$f" set JoinMeeting.webinarFirstName 'ümlaut; "quoted", =' >/dev/null &&
        printf 'pässwörd字\n' | $tool --file "$f" account add 'zoë@example.org' >/dev/null
}

# Both builds read FILE alike: every group as the client loads it, and the
# file's keys and values as stored.
reads_alike() {
    local f=$1 what=$2 view
    cases=$((cases + 1))
    for view in "show --json" dump; do
        # shellcheck disable=SC2086
        if ! a --file "$f" $view >"$WORK/a.out" 2>&1 || ! b --file "$f" $view >"$WORK/b.out" 2>&1; then
            fail "$what: $view fails"
        elif ! cmp -s "$WORK/a.out" "$WORK/b.out"; then
            fail "$what: $view differs between the builds"
            diff "$WORK/a.out" "$WORK/b.out" | head -10
        fi
    done
}

# Written by either, the same bytes; read by both, the same values.
write_with a "$WORK/by-a.ini" || fail "the first build cannot write"
write_with b "$WORK/by-b.ini" || fail "the second build cannot write"
cases=$((cases + 1))
cmp -s "$WORK/by-a.ini" "$WORK/by-b.ini" || { fail "the builds write different bytes"; diff "$WORK/by-a.ini" "$WORK/by-b.ini"; }
grep -q "$(printf '[\x80-\xff]')" "$WORK/by-a.ini" && fail "a file without the mark holds bytes beyond ASCII"
reads_alike "$WORK/by-a.ini" "written by the first build"
reads_alike "$WORK/by-b.ini" "written by the second build"
[ "$(b --file "$WORK/by-a.ini" get JoinMeeting.nickname)" = 'Zoë 字 é1 €a 😀 x' ] ||
    fail "the second build does not read the first build's nickname"

# Typed by hand: raw UTF-8 (read as Latin-1 without the mark, as UTF-8 with
# it), a Latin-1 byte, a key beyond ASCII, a control escape before raw text.
hand=$'[JoinMeeting]\nNickname=Zo\xc3\xab caf\xe9\nK\xc3\xa9y=\\x1\xc3\xa91\n\n[Normal]\nLanguage=1\n'
printf '%s' "$hand" >"$WORK/hand.ini"
printf '\xef\xbb\xbf%s' "$hand" >"$WORK/hand-marked.ini"
for f in hand hand-marked; do
    reads_alike "$WORK/$f.ini" "$f"
    # Each build's save keeps the file reading as before, and both save alike.
    cp "$WORK/$f.ini" "$WORK/$f-a.ini" && cp "$WORK/$f.ini" "$WORK/$f-b.ini"
    a --file "$WORK/$f-a.ini" dump >"$WORK/before.out"
    a --file "$WORK/$f-a.ini" set Normal.autoRun true >/dev/null || fail "$f: the first build cannot save"
    b --file "$WORK/$f-b.ini" set Normal.autoRun true >/dev/null || fail "$f: the second build cannot save"
    cases=$((cases + 1))
    cmp -s "$WORK/$f-a.ini" "$WORK/$f-b.ini" || { fail "$f: the builds save different bytes"; diff "$WORK/$f-a.ini" "$WORK/$f-b.ini"; }
    reads_alike "$WORK/$f-a.ini" "$f saved by the first build"
    reads_alike "$WORK/$f-b.ini" "$f saved by the second build"
    b --file "$WORK/$f-a.ini" dump | grep -v '"Auto' >"$WORK/after.out"
    grep -v '"Auto' "$WORK/before.out" | cmp -s - "$WORK/after.out" || fail "$f: a save changed what the other keys read"
done

echo "$cases cases, $failures failures"
[ "$failures" = 0 ]
