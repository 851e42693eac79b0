#!/usr/bin/env bash
# Runs a Qt Test executable under Wine (the command line given) with its log
# in a file, and prints the log: Qt Test's output to a pipe is lost there.
set -uo pipefail
log=$(mktemp --suffix=.txt)
trap 'rm -f "$log"' EXIT
"$@" -o "Z:$log,txt"
rc=$?
cat "$log"
exit $rc
