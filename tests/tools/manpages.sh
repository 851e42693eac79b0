#!/bin/bash
# The man pages made from the tools' help carry every command of it.
# usage: manpages.sh CVCONF_PAGE CVDATA_PAGE
set -u
failures=0
for page in "$1" "$2"; do
    grep -q '^\.SH NAME' "$page" || { echo "FAIL: $page has no NAME section"; failures=$((failures + 1)); }
done
# Without roff's escapes, each command starts a line of its own.
for c in show get set unset reset list-keys range account providers dump load monitor; do
    sed 's/\\//g' "$1" | grep -q "^$c\b" || { echo "FAIL: $1 lacks $c"; failures=$((failures + 1)); }
done
for c in keygen pack unpack verify; do
    sed 's/\\//g' "$2" | grep -q "cvdata $c\b" || { echo "FAIL: $2 lacks $c"; failures=$((failures + 1)); }
done
[ "$failures" = 0 ]
