#!/bin/bash
# cvconf end to end: every command, error and exit status against a settings
# file with sections and keys of its own that must come through untouched;
# dump/load round trip; writes that fail or cannot lock leave the file as it
# was; concurrent writers lose nothing; monitor reports another process's save.
# usage: cvconf_cli.sh CVCONF APP_DIR WORK_DIR
set -u
CVCONF=$1 APP=$2 WORK=$3
rm -rf "$WORK" && mkdir -p "$WORK/home" || exit 1
export HOME=$WORK/home XDG_DATA_HOME=$WORK/home/data LC_ALL=C.UTF-8
F=$WORK/settings.ini
printf '[Foreign]\nkeep=1\n\n[Normal]\nByHand=yes\n' >"$F"
failures=0 cases=0
cv() { "$CVCONF" --file "$F" --app-dir "$APP" "$@"; }

# t EXIT STDIN PATTERN ARGS...: runs cvconf on $F, checks the exit status and
# that stdout+stderr match the extended regular expression PATTERN.
t() {
    local want=$1 input=$2 pattern=$3 out status
    shift 3
    out=$(printf '%s' "$input" | cv "$@" 2>&1)
    status=$?
    cases=$((cases + 1))
    if [ "$status" != "$want" ] || ! grep -Eq -- "$pattern" <<<"$out"; then
        echo "FAIL: cvconf $* -> $status (want $want, /$pattern/):"$'\n'"$out"
        failures=$((failures + 1))
    fi
}
# The file must still hold what no cvconf command owns.
foreign_intact() {
    cases=$((cases + 1))
    grep -q '^keep=1$' "$F" && grep -q '^ByHand=yes$' "$F" || { echo "FAIL: foreign keys lost ($1)"; failures=$((failures + 1)); }
}
same_file() { # same_file LABEL COPY
    cases=$((cases + 1))
    cmp -s "$F" "$2" || { echo "FAIL: $1 changed the file"; failures=$((failures + 1)); }
}

# The sample product files beside the tool are packed with the development
# key; a build with another key cannot read them, and the values that come
# from them are then not checked.
product=$(cv get Server.frontServer)
[ -n "$product" ] || echo "note: the product files in $APP are not readable with this build's key"

t 0 '' '^usage: cvconf.*' --help
t 0 '' 'overwrites any' --help
t 2 '' 'usage: cvconf'
t 2 '' "unknown command 'frob'; cvconf --help lists them" frob
# Like its peers: a version, each command's help three ways, near misses named.
t 0 '' '^cvconf \(cvsettings\) [0-9]+\.[0-9]+\.[0-9]+$' --version
for form in 'help set' 'set --help' 'set -h'; do
    t 0 '' '^usage: cvconf .* set GROUP.property VALUE \[--force\]$' $form
done
t 0 '' '^  the bare value$' get -h
t 2 '' "unknown command 'frob'; cvconf --help" help frob
t 2 '' "unknown command 'shwo' \(did you mean show\?\)" shwo
t 2 '' "unknown group 'Nomral' \(did you mean Normal\?\)" show Nomral
t 2 '' "no property 'autorn' \(did you mean autoRun\?\)" get Normal.autorn
t 2 '' "unknown group 'Zzzz' \(groups: Client, " show Zzzz
t 2 '' '--file needs a value' show --file
t 2 '' 'argument [0-9]+ is not valid UTF-8' $'\xff'
t 2 '' 'app-dir .*/nowhere is not a folder' --app-dir "$WORK/nowhere" show
t 2 '' 'file .* is not a regular file' --file "$WORK" show
t 0 '' 'language +0 \(LanguageEnglish\)' show Normal
# What shows only defaults says so, on stderr.
t 0 '' 'warning: config.data, omsurl.data, thirdconfig.data, cvserver.data in .* missing or not readable' \
    --app-dir "$WORK/home" show Client
t 0 '' 'warning: .*/absent.ini does not exist; the user.s groups show their defaults' --file "$WORK/absent.ini" get Normal.autoRun
t 0 '' '"language": 0' show Normal --json
t 2 '' "unknown group 'Nope'" show Nope
t 2 '' 'at most one group|usage' show Normal Meeting
t 0 '' '^Normal.language = 3 \(LanguageJapanese\)$' set Normal.language LanguageJapanese
t 0 '' '^3$' get Normal.language
t 0 '' '= 2 \(LanguageTraditionalChinese\)' set normal.Language 2
t 2 '' 'valid: LanguageEnglish \(0\), .*LanguageJapanese \(3\)' set Normal.language 9
t 0 '' '= 9 \(no Corvane::ClientLanguage enumerator\)' set Normal.language 9 --force
t 0 '' 'language +9 \(no Corvane' show Normal
t 2 '' "'Klingon' is not a Corvane::ClientLanguage" set Normal.language Klingon
t 0 '' '= 1 \(Audio\)' set Record.recordType Audio
t 2 '' 'valid: VideoAndAudio \(0\), Audio \(1\)' set Record.recordType 5
t 2 '' "'maybe' is not a valid bool" set Normal.autoRun maybe
t 0 '' '^Normal.autoRun = true$' set Normal.autoRun yes
t 0 '' '^true$' get Normal.autoRun
t 0 '' '^Onion.capVolume = 40$' set Onion.CapVolume 40
t 2 '' "not a valid int" set Onion.capVolume loud
t 0 '' '= näme, "q"' set JoinMeeting.nickname 'näme, "q"'
t 0 '' '^näme, "q"$' get JoinMeeting.nickname
t 0 '' '^  meetingNum +""$' show JoinMeeting
t 2 '' 'argument [0-9]+ is not valid UTF-8' set JoinMeeting.nickname $'\xc3'
t 2 '' 'not kept in the settings file' set JoinMeeting.email x
t 2 '' 'holds a list' set Login.users x
t 2 '' 'comes from the product files' set Client.productName x
t 2 '' "has no property 'nope'" get Normal.nope
t 2 '' 'not of the form GROUP.property' get Normal
t 2 '' 'holds a list' get Login.users
t 0 '' '^0 VideoAndAudio$' range Record.recordType
t 0 '' '^3 LanguageJapanese$' range Normal.language
t 0 '' '^bool$' range Normal.autoRun
t 0 '' '^text$' range UI.loginWinLastPage
t 0 '' '^-2147483648..2147483647 \(any: the client checks no range\)$' range Audio.capVolume
t 0 '' '^audioNeedGranted$' list-keys Meeting
t 2 '' 'usage: cvconf list-keys' list-keys Meeting.showMessageTips
# Server overrides: the file's own key names or the property names.
t 0 '' "^$product\$" get Server.frontServer
t 0 '' '^Server.frontServer = h.example:1$' set Server.frontServer h.example:1
t 0 '' '^Server.webService = https://w$' set Server.WebServices https://w
t 0 '' '^Server.meetingAppId = 7$' set Server.MeetingAppId 7
t 2 '' "'x' is not a valid int" set Server.FrontAppId x
t 0 '' 'frontServer +h.example:1' show Server
t 0 '' 'meetingAppId +7' show Server
t 0 '' 'FrontServer removed' unset Server.frontServer
t 0 '' "^$product\$" get Server.frontServer
t 0 '' '^https://w$' get Server.webService
t 0 '' 'Server: .*WebServices.*removed' reset Server
[ -z "$product" ] || t 0 '' '^12$' get Server.meetingAppId
# reset brings back the defaults.
t 0 '' 'Language removed' reset Normal.language
t 0 '' '^0$' get Normal.language
t 0 '' '^Normal: AutoRun, AutoLogin removed$' reset Normal # Language went before
t 0 '' '^Normal: nothing to remove$' reset Normal
t 0 '' '^false$' get Normal.autoRun
t 2 '' 'not kept in the settings file' reset Video
t 2 '' 'not kept in the settings file' reset JoinMeeting.email
t 2 '' 'usage: cvconf reset' reset
# accounts
t 0 'pw1' '^account ann@example.invalid saved$' account add ann@example.invalid
t 0 '' 'email +ann@example.invalid' show Login
t 0 '' '^  users +\(1 entries\)$' show Login
t 0 '' '^    \[users 1\]$' show Login
t 0 '' '"password": "\*+"' show Login --json
t 2 $'\xff\n' 'password on stdin is not valid UTF-8' account add bad@example.invalid
t 0 '' "^no saved account zed@example.invalid; nothing changed$" account remove zed@example.invalid
t 2 '' 'no password on stdin' account add empty@example.invalid
t 2 $'\n' 'no password on stdin' account add empty@example.invalid
t 0 '' '^account empty@example.invalid saved$' account add empty@example.invalid --empty-password
t 0 '' '^account empty@example.invalid removed$' account remove empty@example.invalid
t 2 '' 'usage: cvconf account' account frob x
t 2 '' 'usage: cvconf account' account add
# providers: part of each client secret, not of its mask
if [ -n "$product" ]; then
    t 0 '' 'clientSecret +g7…' providers
    t 0 '' '"clientSecret": "f2…"' providers --json
    t 0 '' '^\[contacts Facebook\]$' providers
    t 0 '' '^  resultUrl +https://graph.facebook.example.invalid/me/friends$' providers
fi
t 2 '' 'usage: cvconf providers' providers extra
mkdir -p "$WORK/noapp"
out=$("$CVCONF" --file "$F" --app-dir "$WORK/noapp" providers 2>&1)
cases=$((cases + 1))
[ "$(grep -c '^  (none)$' <<<"$out")" = 3 ] && grep -qx '\[calendar\]' <<<"$out" || {
    echo "FAIL: providers without product files:"$'\n'"$out"; failures=$((failures + 1)); }
foreign_intact "after the writes"
if [ "$(id -u)" = 0 ]; then # an administrator's change leaves the file its owner's
    chown 65534:65534 "$F"
    t 0 '' '= true' set Meeting.audioNeedGranted true
    cases=$((cases + 1))
    [ "$(stat -c %u:%g "$F")" = 65534:65534 ] || { echo "FAIL: the file changed owner"; failures=$((failures + 1)); }
fi
cases=$((cases + 1))
grep -q '@ByteArray' "$F" || { echo "FAIL: the password is not stored enciphered"; failures=$((failures + 1)); }

# dump, load into an empty file, dump again: the same JSON.
cv dump >"$WORK/dump1.json" || { echo "FAIL: dump"; failures=$((failures + 1)); }
"$CVCONF" --file "$WORK/empty.ini" load "$WORK/dump1.json" >/dev/null || { echo "FAIL: load"; failures=$((failures + 1)); }
"$CVCONF" --file "$WORK/empty.ini" dump >"$WORK/dump2.json"
cases=$((cases + 1))
cmp -s "$WORK/dump1.json" "$WORK/dump2.json" || { echo "FAIL: dump/load/dump differ"; failures=$((failures + 1)); }
grep -q '"bytes"' "$WORK/dump1.json" || { echo "FAIL: the dump lost the stored password bytes"; failures=$((failures + 1)); }
grep -A1 '"Foreign": {' "$WORK/dump1.json" | grep -q '^ *"keep": "1"$' || {
    echo "FAIL: the dump does not hold Foreign/keep as \"keep\" in \"Foreign\""; failures=$((failures + 1)); }
# Refused input changes nothing.
cp "$F" "$WORK/before.ini"
echo '{"format": "cvconf-dump", "version": 1' >"$WORK/cut.json"
echo '{"format": "other", "version": 1, "sections": {}}' >"$WORK/other.json"
echo '{"format": "cvconf-dump", "version": 1, "sections": {"Normal": {"AutoRun": 1}}}' >"$WORK/number.json"
echo '{"format": "cvconf-dump", "version": 1, "sections": {}, "extra": 0}' >"$WORK/extra.json"
echo '{"format": "cvconf-dump", "version": 1, "sections": {"Normal": 1}}' >"$WORK/flat.json"
printf '{"format": "cvconf-dump", "version": 1, "sections": {"N": {"k": "\xff"}}}' >"$WORK/latin1.json"
t 2 '' 'is not JSON' load "$WORK/cut.json"
t 2 '' 'is not a cvconf dump' load "$WORK/other.json"
t 2 '' 'Normal/AutoRun is not a value a dump holds' load "$WORK/number.json"
t 2 '' 'is not a cvconf dump' load "$WORK/extra.json"
t 2 '' "section 'Normal' is not an object of keys" load "$WORK/flat.json"
t 2 '' 'is not valid UTF-8' load "$WORK/latin1.json"
t 2 '' 'cannot read' load "$WORK/missing.json"
t 2 '' 'usage: cvconf load' load
t 2 '' 'usage: cvconf dump' dump extra
same_file "refused loads" "$WORK/before.ini"
t 0 "$(cat "$WORK/dump1.json")" 'keys loaded' load -
same_file "loading its own dump" "$WORK/before.ini"
G=$WORK/general.ini
printf '[General]\ntop=1\n\n[S]\nk=2\n' >"$G"
"$CVCONF" --file "$G" dump >"$WORK/general.json"
cp "$F" "$WORK/replaced.ini"
out=$("$CVCONF" --file "$WORK/replaced.ini" load "$WORK/general.json" 2>&1)
cases=$((cases + 1))
[ "$out" = "2 keys loaded" ] && cmp -s "$G" "$WORK/replaced.ini" || {
    echo "FAIL: loading the dump of $G did not write that file: $out"; cat "$WORK/replaced.ini"; failures=$((failures + 1)); }

# A write that cannot reach the disk (a file size limit) or cannot lock fails
# and leaves the file as it was. The file is padded to just under the limit
# and each write makes it grow past it.
size=$(stat -c %s "$F")
printf '[Padding]\nfill=%0*d\n' $((2000 - size - 16)) 0 >>"$F"
cp "$F" "$WORK/before.ini"
long=$(printf 'x%.0s' $(seq 300))
sed "s/\"keep\": \"1\"/\"keep\": \"$long$long$long$long$long$long$long\"/" "$WORK/dump1.json" >"$WORK/long.json"
for args in "set Normal.autoRun true" "set JoinMeeting.webinarFirstName $long" "account add $long@example.invalid" \
    "set Server.ImServer $long" "load $WORK/long.json"; do
    out=$( (trap '' XFSZ; ulimit -f 2; echo pw | cv $args) 2>&1)
    status=$?
    cases=$((cases + 1))
    want=1 && [ "$args" = "set Normal.autoRun true" ] && want=0 # fits: the file does not grow
    if [ $status != $want ] || { [ $want = 1 ] && ! grep -Eq 'could not write|cannot be checked' <<<"$out"; }; then
        echo "FAIL: full disk: cvconf ${args:0:40} -> $status: ${out:0:120}"
        failures=$((failures + 1))
    fi
    [ $want = 0 ] && cp "$F" "$WORK/before.ini"
    same_file "a failed '${args:0:40}'" "$WORK/before.ini"
done
# Whatever stands at a lock's path never makes a write wait: QLockFile alone
# waits for ever on a pipe or a folder, reads a link to /dev/zero without
# end, and honours for 30 s a lock file that names no holder. What cannot be a
# lock file refuses the write; a lock file that names no holder is cleared.
for lock in "$F.cvconf-lock" "$F.lock"; do
    for kind in folder fifo dangling zero; do
        case $kind in
        folder) mkdir "$lock" ;; fifo) mkfifo "$lock" ;;
        dangling) ln -s /nowhere/at/all "$lock" ;; zero) ln -s /dev/zero "$lock" ;;
        esac
        t 1 '' "$lock is not a lock file" set Normal.autoRun true
        rm -rf "$lock"
    done
done
same_file "a write without its lock" "$WORK/before.ini"
for junk in nul noid huge empty; do
    case $junk in
    nul) head -c 300 /dev/zero >"$F.lock" ;; noid) printf 'cvsettings\nhost\n' >"$F.lock" ;;
    huge) { echo 1; head -c 1048576 /dev/zero | tr '\0' x; } >"$F.lock" ;;
    empty) : >"$F.lock" && touch -d '10 seconds ago' "$F.lock" ;;
    esac
    cases=$((cases + 1))
    out=$(timeout 20 "$CVCONF" --file "$F" --app-dir "$APP" set Normal.autoRun "$([ $junk = nul ] && echo false || echo true)" 2>&1)
    status=$?
    [ $status = 0 ] || { echo "FAIL: a junk lock file ($junk) -> $status: $out"; failures=$((failures + 1)); }
done
cp "$F" "$WORK/before.ini"

# Concurrent writers: accounts, and different keys of one section.
pids=()
for i in 1 2 3 4 5 6; do
    (echo "pw$i" | cv account add "user$i@example.invalid" >/dev/null) &
    pids+=($!)
done
for key in capVolume playVolume encoderId capDevIndex; do
    (cv set "Audio.$key" 33 >/dev/null) &
    pids+=($!)
done
for pid in "${pids[@]}"; do wait "$pid" || { echo "FAIL: a concurrent writer failed"; failures=$((failures + 1)); }; done
for i in 1 2 3 4 5 6; do t 0 '' "email +user$i@example.invalid" show Login; done
for key in capVolume playVolume encoderId capDevIndex; do t 0 '' '^33$' get "Audio.$key"; done
foreign_intact "after the concurrent writes"

# monitor: another process's save, as group, property, old and new value.
# Started directly, not through the function: $! is then cvconf itself, and
# killing it leaves nothing running.
"$CVCONF" --file "$F" --app-dir "$APP" monitor >"$WORK/monitor.out" 2>&1 &
monitor=$!
for _ in $(seq 100); do grep -q '^watching' "$WORK/monitor.out" && break; sleep 0.1; done
cv set Meeting.showMessageTips false >/dev/null
for _ in $(seq 100); do grep -q 'showMessageTips' "$WORK/monitor.out" && break; sleep 0.1; done
# The file deleted, then a pipe, then a link to an endless device in its
# place: each is reported as what it is, none is read (a read would block, or
# grow without end), and the file back in place reads again.
wait_for() { for _ in $(seq 100); do grep -q -- "$1" "$WORK/monitor.out" && return 0; sleep 0.1; done; return 1; }
mv "$F" "$F.away"
wait_for 'was deleted' || { echo "FAIL: monitor did not report the file deleted"; failures=$((failures + 1)); }
mkfifo "$F"
wait_for 'is not a regular file' || { echo "FAIL: monitor did not report the pipe"; failures=$((failures + 1)); }
rm "$F" && ln -s /dev/zero "$F"
sleep 1
rm "$F" && mv "$F.away" "$F"
wait_for 'can be read again' || { echo "FAIL: monitor did not read the file again"; failures=$((failures + 1)); }
cases=$((cases + 4))
rss=$(ps -o rss= -p "$monitor" 2>/dev/null)
[ -n "$rss" ] && [ "$rss" -lt 200000 ] || { echo "FAIL: monitor ended or grew to ${rss:-?} KiB"; failures=$((failures + 1)); }
grep -q 'showMessageTips: .* -> (none)\|-> 0.0.0.0' "$WORK/monitor.out" && {
    echo "FAIL: monitor reported an unreadable file as values reset"; failures=$((failures + 1)); }
kill "$monitor"
wait "$monitor" 2>/dev/null
cases=$((cases + 1))
grep -qx 'Meeting.showMessageTips: true -> false' "$WORK/monitor.out" || {
    echo "FAIL: monitor:"; cat "$WORK/monitor.out"; failures=$((failures + 1)); }

# Passwords from stdin: any length the library takes, whole (4,200 bytes of
# two-byte letters cross every 4 KiB boundary), a NUL byte refused, more than a
# line of 1 MiB refused; the refusals leave the file as it was.
P=$WORK/passwords.ini
pw() { "$CVCONF" --file "$P" --app-dir "$APP" "$@"; }
long_pw=$(printf '\xc3\xa9%.0s' $(seq 2100))
out=$(printf '%s\n' "$long_pw" | pw account add long@example.invalid 2>&1)
stored=$(pw dump | grep -A1 '"Users/1/Password"' | grep -o '"bytes": "[^"]*"' | cut -d'"' -f4)
cases=$((cases + 1))
[ "$(printf '%s' "$stored" | base64 -d | wc -c)" = 4200 ] || {
    echo "FAIL: a 4,200-byte password was not stored whole: $out"; failures=$((failures + 1)); }
cp "$P" "$WORK/pw-before.ini"
for input in 'nul:a\0b\n' 'long:'; do
    kind=${input%%:*}
    cases=$((cases + 1))
    if [ "$kind" = nul ]; then
        out=$(printf "${input#*:}" | pw account add nul@example.invalid 2>&1)
        status=$? want='holds a NUL byte'
    else
        out=$(head -c 1100000 /dev/zero | tr '\0' x | pw account add big@example.invalid 2>&1)
        status=$? want='longer than 1 MiB'
    fi
    [ $status = 2 ] && grep -q "$want" <<<"$out" && cmp -s "$P" "$WORK/pw-before.ini" || {
        echo "FAIL: password $kind -> $status: $out"; failures=$((failures + 1)); }
done

# Dumps whose variants Qt would read without bound (a list claiming 2^31
# elements, a list nested 131,072 deep) are refused before anything is
# written; a value of a plain type (a point some program stored) loads and
# dumps back the same.
V=$WORK/variants.ini
printf '[Other]\npt=@Point(1 2)\nsize=@Size(3 4)\n' >"$V"
"$CVCONF" --file "$V" dump >"$WORK/variants.json"
"$CVCONF" --file "$WORK/variants2.ini" load "$WORK/variants.json" >/dev/null
cases=$((cases + 1))
[ "$("$CVCONF" --file "$WORK/variants2.ini" dump)" = "$(cat "$WORK/variants.json")" ] && grep -q '"variant"' "$WORK/variants.json" || {
    echo "FAIL: a plain variant did not load back the same"; failures=$((failures + 1)); }
dump_of() { printf '{"format":"cvconf-dump","version":1,"sections":{"S":{"k":{"variant":"%s"}}}}' "$(base64 -w0 "$1")"; }
printf '\0\0\0\x09\0\x7f\xff\xff\xff' >"$WORK/huge.bin"
printf '\0\0\0\x09\0\0\0\0\x01' >"$WORK/deep.bin"
for _ in $(seq 17); do cat "$WORK/deep.bin" "$WORK/deep.bin" >"$WORK/deep2.bin" && mv "$WORK/deep2.bin" "$WORK/deep.bin"; done
cp "$F" "$WORK/before.ini"
for bin in huge deep; do
    dump_of "$WORK/$bin.bin" >"$WORK/$bin.json"
    t 2 '' 'is not a value a dump holds' load "$WORK/$bin.json"
done
same_file "refused hostile variants" "$WORK/before.ini"

# Each refusal names its cause; exit 2 for input, 1 for the file. A dump
# whose values would not read back as they stand (a section "general" is read
# back as the top level, an empty list as no value, a list of one as its text)
# changes nothing; nor does a --file in a folder that does not exist.
for c in 'general|{"general":{"a":"1"}}|general/a would be read back under another name' \
    'empty|{"S":{"l":{"list":[]}}}|S/l would read back as no value' \
    "one|{\"S\":{\"l\":{\"list\":[\"1\"]}}}|S/l would read back as QString '1'"; do
    IFS='|' read -r name sections message <<<"$c"
    printf '{"format":"cvconf-dump","version":1,"sections":%s}' "$sections" >"$WORK/$name.json"
    t 2 '' "$message; nothing loaded" load "$WORK/$name.json"
done
same_file "dumps that would read back otherwise" "$WORK/before.ini"
# A dump of an empty file loads, and empties the file.
: >"$WORK/nothing.ini"
"$CVCONF" --file "$WORK/nothing.ini" dump >"$WORK/nothing.json"
cp "$F" "$WORK/emptied.ini"
out=$("$CVCONF" --file "$WORK/emptied.ini" load "$WORK/nothing.json" 2>&1)
status=$?
cases=$((cases + 1))
[ $status = 0 ] && grep -q '^0 keys loaded' <<<"$out" && ! grep -q '=' "$WORK/emptied.ini" || {
    echo "FAIL: an empty dump: $status: $out"; failures=$((failures + 1)); }
B=$WORK/broken.ini
printf '[Normal\nAutoRun=true\n' >"$B"
cp "$B" "$WORK/broken-before.ini"
out=$("$CVCONF" --file "$B" --app-dir "$APP" set Normal.autoRun false 2>&1)
status=$?
cases=$((cases + 1))
[ $status = 1 ] && grep -q "$B is not a valid INI file; not changing it" <<<"$out" &&
    cmp -s "$B" "$WORK/broken-before.ini" || {
    echo "FAIL: a set on a file that is not INI: $status: $out"; failures=$((failures + 1)); }
out=$("$CVCONF" --file "$B" dump 2>&1)
status=$?
cases=$((cases + 1))
[ $status = 1 ] && grep -q "cannot read $B as an INI file" <<<"$out" || {
    echo "FAIL: a dump of a file that is not INI: $status: $out"; failures=$((failures + 1)); }
out=$("$CVCONF" --file "$WORK/no/such/folder/s.ini" --app-dir "$APP" set Normal.autoRun true 2>&1)
status=$?
cases=$((cases + 1))
[ $status = 1 ] && grep -q 'folder .*/no/such/folder does not exist' <<<"$out" && [ ! -e "$WORK/no" ] || {
    echo "FAIL: a missing folder: $status: $out"; failures=$((failures + 1)); }

# Another user's file that this user may not write is refused, not replaced
# by one of this user's own (the folder lets anyone replace it).
if [ "$(id -u)" = 0 ] && command -v setpriv >/dev/null; then
    mkdir -p "$WORK/shared" && chmod 777 "$WORK/shared"
    printf '[Normal]\nAutoRun=false\n' >"$WORK/shared/root.ini" && chmod 644 "$WORK/shared/root.ini"
    cp "$WORK/shared/root.ini" "$WORK/root-before.ini"
    out=$(setpriv --reuid=65534 --regid=65534 --clear-groups env HOME="$WORK/shared" \
        "$CVCONF" --file "$WORK/shared/root.ini" --app-dir "$APP" set Normal.autoRun true 2>&1)
    status=$?
    cases=$((cases + 1))
    [ $status = 1 ] && grep -q 'not yours to write' <<<"$out" && [ "$(stat -c %u "$WORK/shared/root.ini")" = 0 ] &&
        cmp -s "$WORK/shared/root.ini" "$WORK/root-before.ini" || {
        echo "FAIL: another user's file: $status: $out"; failures=$((failures + 1)); }
    # A folder the user may not write: named as such, not as a busy lock.
    mkdir -p "$WORK/shut" && cp "$WORK/root-before.ini" "$WORK/shut/s.ini" && chmod 777 "$WORK/shut/s.ini"
    chmod 755 "$WORK/shut"
    out=$(setpriv --reuid=65534 --regid=65534 --clear-groups env HOME="$WORK/shared" \
        "$CVCONF" --file "$WORK/shut/s.ini" --app-dir "$APP" set Normal.autoRun true 2>&1)
    status=$?
    cases=$((cases + 1))
    [ $status = 1 ] && grep -q "folder $WORK/shut is not yours to write" <<<"$out" &&
        cmp -s "$WORK/shut/s.ini" "$WORK/root-before.ini" || {
        echo "FAIL: a folder not the user's: $status: $out"; failures=$((failures + 1)); }
fi

# Nothing this test started may outlive it.
cases=$((cases + 1))
if left=$(pgrep -f -- "--file $F") && [ -n "$left" ]; then
    echo "FAIL: processes left running: $(ps -o pid=,args= -p $left)"
    failures=$((failures + 1))
    kill $left
fi

echo "$((cases - failures)) passed, $failures failed"
[ "$failures" = 0 ]
