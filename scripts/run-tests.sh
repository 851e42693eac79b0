#!/usr/bin/env bash
# Runs the whole test suite: each stage in scripts/test-stages, in order
# (release build and tests, the same under AddressSanitizer and
# UndefinedBehaviorSanitizer, and the further stages present). Stops at the
# first failing stage. CV_STAGES="10 20" runs only the stages named.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/deps.sh"
cv_install_deps
export CV_ROOT=$root
export CV_JOBS=${CV_JOBS:-$(nproc)}
for stage in "$root"/scripts/test-stages/*.sh; do
  name=$(basename "$stage" .sh)
  if [ -n "${CV_STAGES:-}" ] && ! grep -qw "${name%%-*}" <<<"$CV_STAGES"; then
    continue
  fi
  echo "=== stage $name"
  start=$SECONDS
  # A line at least every 30 s, so that a long quiet step is not taken for a hang.
  (while sleep 30; do echo "=== stage $name still running ($((SECONDS - start)) s)"; done) &
  ticker=$!
  bash "$stage" || { kill "$ticker"; exit 1; }
  kill "$ticker"
  echo "=== stage $name passed in $((SECONDS - start)) s"
done
