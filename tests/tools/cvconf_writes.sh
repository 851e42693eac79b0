#!/bin/bash
# cvconf writes that cannot have the room they need, on files of every size
# (empty, one key, 5,000 keys): past a swept file size limit and, where the
# test may mount, on a small tmpfs whose free space is swept around the file's
# size. Every trial either exits 0 with the new value on disk and every other
# key kept, or exits 1 with the file byte for byte as it was; no draft is left
# behind; on a file system remounted read-only the write is refused. Then: a symbolic link is written through, owner and mode are kept,
# and killed runs leave the old or the new file and no copy of it.
# usage: cvconf_writes.sh CVCONF APP_DIR WORK_DIR
set -u
CVCONF=$1 APP=$2 WORK=$3
rm -rf "$WORK" && mkdir -p "$WORK/home" "$WORK/small" || exit 1
export HOME=$WORK/home XDG_DATA_HOME=$WORK/home/data LC_ALL=C.UTF-8
failures=0 cases=0 written=0 kept=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# make_file DEST KEYS: a settings file with KEYS keys of a section no cvconf
# command owns (none: an empty file).
make_file() {
    : >"$1"
    [ "$2" -gt 0 ] || return 0
    { echo '[Foreign]'; for ((i = 0; i < $2; i++)); do echo "key$i=value number $i"; done; } >"$1"
}

# trial FILE ORIGINAL KEYS VALUE LIMIT_KIB: one `set` of the nickname to
# VALUE, with a file size limit (or none: -), checked against the bytes on disk.
trial() {
    local f=$1 original=$2 keys=$3 value=$4 limit=$5 out status
    cp "$original" "$f"
    out=$( (trap '' XFSZ; [ "$limit" = - ] || ulimit -f "$limit"
        "$CVCONF" --file "$f" --app-dir "$APP" set JoinMeeting.nickname "$value") 2>&1)
    status=$?
    cases=$((cases + 1))
    if [ $status = 0 ]; then
        written=$((written + 1))
        [ "$("$CVCONF" --file "$f" --app-dir "$APP" get JoinMeeting.nickname 2>&1)" = "$value" ] &&
            [ "$(grep -c '^key[0-9]*=value number' "$f")" = "$keys" ] ||
            fail "exit 0 but the file does not hold the change whole (limit $limit, $keys keys)"
    elif [ $status = 1 ]; then
        kept=$((kept + 1))
        cmp -s "$f" "$original" || fail "exit 1 but the file changed (limit $limit, $keys keys): $out"
    else
        fail "exit $status (limit $limit, $keys keys): $out"
    fi
    ls "$f".save-* >/dev/null 2>&1 && fail "a draft was left beside the file: $(ls "$f".save-*)"
    return 0
}

for keys in 0 1 5000; do
    make_file "$WORK/original-$keys.ini" "$keys"
    kib=$(($(stat -c %s "$WORK/original-$keys.ini") / 1024))
    # Values of several lengths move the new file's size within each KiB.
    for limit in $(seq $((kib > 2 ? kib - 2 : 0)) $((kib + 3))); do
        for len in 1 300 700 1500; do
            trial "$WORK/settings.ini" "$WORK/original-$keys.ini" "$keys" "$(printf 'n%.0s' $(seq $len))" "$limit"
        done
    done
done

if [ "$(id -u)" = 0 ] && mount -t tmpfs -o size=2m tmpfs "$WORK/small" 2>/dev/null; then
    for keys in 0 1 5000; do
        cp "$WORK/original-$keys.ini" "$WORK/small/original.ini"
        size=$(stat -c %s "$WORK/small/original.ini")
        for free in $(seq $((size - 8192)) 1024 $((size + 8192))); do
            for len in 1 900; do
                rm -f "$WORK/small/filler"
                cp "$WORK/small/original.ini" "$WORK/small/settings.ini"
                room=$(($(stat -f -c '%a * %S' "$WORK/small")))
                [ $((room - free)) -gt 0 ] && head -c $((room - free)) /dev/zero >"$WORK/small/filler" 2>/dev/null
                out=$("$CVCONF" --file "$WORK/small/settings.ini" --app-dir "$APP" set JoinMeeting.nickname \
                    "$(printf 'm%.0s' $(seq $len))" 2>&1)
                status=$?
                rm -f "$WORK/small/filler"
                cases=$((cases + 1))
                if [ $status = 0 ]; then
                    written=$((written + 1))
                    [ "$(grep -c '^key[0-9]*=value number' "$WORK/small/settings.ini")" = "$keys" ] &&
                        grep -q "^NickName=m\{$len\}$" "$WORK/small/settings.ini" ||
                        fail "full disk: exit 0 but the change is not whole ($keys keys, $free free)"
                elif [ $status = 1 ]; then
                    kept=$((kept + 1))
                    cmp -s "$WORK/small/settings.ini" "$WORK/small/original.ini" ||
                        fail "full disk: exit 1 but the file changed ($keys keys, $free free): $out"
                else
                    fail "full disk: exit $status: $out"
                fi
                ls "$WORK/small"/settings.ini.save-* >/dev/null 2>&1 && fail "full disk: a draft was left behind"
            done
        done
    done
    # A file system gone read-only: refused, the file as it was.
    cp "$WORK/original-5000.ini" "$WORK/small/settings.ini"
    mount -o remount,ro "$WORK/small"
    out=$("$CVCONF" --file "$WORK/small/settings.ini" --app-dir "$APP" set JoinMeeting.nickname ro 2>&1)
    status=$?
    cases=$((cases + 1))
    [ $status = 1 ] && cmp -s "$WORK/small/settings.ini" "$WORK/original-5000.ini" ||
        fail "read-only file system: exit $status, or the file changed: $out"
    umount "$WORK/small"
else
    echo "note: not root or no tmpfs; the full-disk sweep did not run, only the file size limit"
fi
echo "sweeps: $written writes went through whole, $kept left the file as it was"
[ $written -gt 0 ] && [ $kept -gt 0 ] || fail "the sweeps never went from too little room to enough"

# A symbolic link is written through and stays a link.
F=$WORK/settings.ini
make_file "$WORK/real.ini" 3
ln -sf real.ini "$WORK/link.ini"
"$CVCONF" --file "$WORK/link.ini" --app-dir "$APP" set Normal.autoRun true >/dev/null
cases=$((cases + 1))
[ -L "$WORK/link.ini" ] && grep -q '^AutoRun=true$' "$WORK/real.ini" && grep -q '^key2=' "$WORK/real.ini" ||
    fail "the link was replaced, or the file it names not written"

# Owner and mode stay; as root the file goes back to its owner.
make_file "$F" 3
chmod 640 "$F"
[ "$(id -u)" = 0 ] && chown 65534:65534 "$F"
before=$(stat -c '%u:%g %a' "$F")
"$CVCONF" --file "$F" --app-dir "$APP" set Normal.autoRun true >/dev/null
cases=$((cases + 1))
[ "$(stat -c '%u:%g %a' "$F")" = "$before" ] || fail "owner or mode changed: $before -> $(stat -c '%u:%g %a' "$F")"

# Killed at random moments, a write leaves the old or the new value, and the
# next run leaves no draft (a copy of the file, passwords included) behind.
make_file "$F" 2000
chown "$(id -u):$(id -g)" "$F"
"$CVCONF" --file "$F" --app-dir "$APP" set JoinMeeting.nickname v0 >/dev/null
last=v0
for n in $(seq 1 40); do
    echo pw | "$CVCONF" --file "$F" --app-dir "$APP" set JoinMeeting.nickname "v$n" >/dev/null 2>&1 &
    pid=$!
    sleep "0.0$((RANDOM % 10))"
    kill -9 "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    now=$("$CVCONF" --file "$F" --app-dir "$APP" get JoinMeeting.nickname 2>&1)
    cases=$((cases + 1))
    [ "$now" = "v$n" ] || [ "$now" = "$last" ] || fail "killed run $n: nickname '$now'"
    [ "$(grep -c '^key[0-9]*=value number' "$F")" = 2000 ] || fail "killed run $n: keys lost"
    ls "$F".save-* >/dev/null 2>&1 && fail "killed run $n: a draft is still there after the next run"
    last=$now
done

echo "$((cases - failures)) passed, $failures failed"
[ "$failures" = 0 ]
