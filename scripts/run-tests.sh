#!/usr/bin/env bash
# Runs the whole test suite: each stage in scripts/test-stages, in order
# (release build and tests, the same under AddressSanitizer and
# UndefinedBehaviorSanitizer, and the further stages present). Stops at the
# first failing stage. CV_STAGES="10 20" runs only the stages named.
#
# Ends with a table of how many tests each stage ran, counted from what it
# printed: ctest's "N% tests passed, F tests failed out of M" line (M tests,
# the skipped ones named below it), and one "ok - WHAT" line for each check a
# stage runs in shell. A stage that counts no test fails: a suite that
# silently runs nothing must not pass.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/deps.sh"
cv_install_deps
export CV_ROOT=$root
export CV_JOBS=${CV_JOBS:-$(nproc)}
logs=$(mktemp -d)
ticker=
trap '[ -z "$ticker" ] || kill "$ticker" 2>/dev/null; rm -rf "$logs"' EXIT

# count_tests LOG: "TESTS SKIPPED" for one stage's output.
count_tests() {
  awk '
    /^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+[ \t]*$/ { n += $NF; listing = 0; next }
    /^The following tests did not run:/ { listing = 1; next }
    listing && /\(Skipped\)[ \t]*$/ { skipped++; next }
    { listing = 0 }
    /^ok - / { n++ }
    END { print n + 0, skipped + 0 }' "$1"
}

summary=()
report() {
  echo "=== tests run, by stage"
  printf '%s\n' "${summary[@]}"
}
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
  status=0
  bash "$stage" | tee "$logs/$name" || status=$?
  kill "$ticker"
  ticker=
  read -r tests skipped < <(count_tests "$logs/$name")
  row=$(printf '%-16s %5d test' "$name:" "$tests")
  [ "$tests" = 1 ] || row+=s
  [ "$skipped" = 0 ] || row+=" ($skipped skipped)"
  if [ "$status" -ne 0 ]; then
    summary+=("$row, FAILED")
    report
    echo "=== stage $name failed (exit $status) after $((SECONDS - start)) s" >&2
    exit 1
  fi
  if [ "$tests" -eq 0 ]; then
    summary+=("$row, FAILED: it counted no test")
    report
    echo "=== stage $name reported no test (no ctest summary, no \"ok - \" line)" >&2
    exit 1
  fi
  summary+=("$row")
  echo "=== stage $name passed in $((SECONDS - start)) s"
done
[ ${#summary[@]} -gt 0 ] || { echo "no stage matches CV_STAGES=\"${CV_STAGES:-}\"" >&2; exit 1; }
report
