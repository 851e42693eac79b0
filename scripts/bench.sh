#!/usr/bin/env bash
# Builds the benchmarks in release mode and prints, per workload, this
# library's time beside each anchor's and the ratio of their throughputs
# (anchor time / library time: above 1 means the library is faster).
#
#   scripts/bench.sh [--json] [--repetitions N] [--min-time SECONDS]
#                    [--stat min|median] [--time cpu|real] [--filter REGEX]
#
# Every workload and its anchors run in one process, repetitions shuffled
# among all benchmarks (Google Benchmark's random interleaving), so a burst of
# load on a shared machine hits both sides of a pair alike. Each side's time is
# the minimum (or median) CPU time per operation over its repetitions; with
# --time real, the wall-clock time, which is what a save costs the caller (its
# cost is mostly the disk's: fdatasync, renames, lock files).
# BUILD_DIR overrides the build folder (default build/bench); BENCH_BINARY
# runs an already built binary instead of building.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${BUILD_DIR:-$root/build/bench}
json=0
repetitions=7
min_time=0.2
stat=min
clock=cpu
filter=.

while [ $# -gt 0 ]; do
  case $1 in
    --json) json=1 ;;
    --repetitions) repetitions=$2; shift ;;
    --min-time) min_time=$2; shift ;;
    --stat) stat=$2; shift ;;
    --time) clock=$2; shift ;;
    --filter) filter=$2; shift ;;
    -h|--help) sed -n '2,16p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "bench.sh: unknown option $1" >&2; exit 2 ;;
  esac
  shift
done
case $stat in min|median) ;; *) echo "bench.sh: --stat is min or median" >&2; exit 2 ;; esac

binary=${BENCH_BINARY:-}
if [ -z "$binary" ]; then
  mkdir -p "$build"
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DCVSETTINGS_BUILD_BENCH=ON \
    -DCVSETTINGS_BUILD_TESTS=OFF >"$build/configure.log" 2>&1 \
    || { cat "$build/configure.log" >&2; exit 1; }
  cmake --build "$build" --target cvbench -j2 >"$build/build.log" 2>&1 \
    || { tail -50 "$build/build.log" >&2; exit 1; }
  binary=$build/bench/cvbench
fi

out=$(mktemp)
trap 'rm -f "$out" "$out.log"' EXIT
uptime_before=$(uptime)
"$binary" --benchmark_filter="$filter" --benchmark_repetitions="$repetitions" \
  --benchmark_enable_random_interleaving=true --benchmark_min_time="$min_time" \
  --benchmark_out="$out" --benchmark_out_format=json >/dev/null 2>"$out.log" \
  || { cat "$out.log" >&2; exit 1; }

python3 - "$out" "$json" "$stat" "$uptime_before" "$clock" <<'PY'
import json, statistics, sys

path, as_json, stat, load, clock = sys.argv[1], sys.argv[2] == "1", sys.argv[3], sys.argv[4], sys.argv[5]
data = json.load(open(path))
runs, errors, order = {}, {}, {}
for b in data["benchmarks"]:
    if b.get("run_type") != "iteration":
        continue
    name = b["run_name"]
    # Rows follow the order in which the benchmarks are registered.
    for key in (name, name.rpartition("/")[0]):
        order[key] = min(order.get(key, b.get("family_index", 0)), b.get("family_index", 0))
    if b.get("error_occurred"):
        errors[name] = b.get("error_message", "error")
        continue
    scale = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}[b.get("time_unit", "ns")]
    runs.setdefault(name, []).append(b[clock + "_time"] * scale)

pick = min if stat == "min" else statistics.median
workloads = {}
for name in list(runs) + list(errors):
    workload, _, impl = name.rpartition("/")
    workloads.setdefault(workload, {})[impl] = name

rows = []
for workload, impls in sorted(workloads.items(), key=lambda w: order.get(w[0], 0)):
    ours = impls.get("cvsettings")
    for impl, name in sorted(impls.items(), key=lambda i: order.get(i[1], 0)):
        if impl == "cvsettings":
            continue
        row = {"workload": workload, "anchor": impl}
        if ours in runs and name in runs:
            row["library_ns"] = pick(runs[ours])
            row["anchor_ns"] = pick(runs[name])
            row["ratio"] = row["anchor_ns"] / row["library_ns"]
            row["repetitions"] = min(len(runs[ours]), len(runs[name]))
        else:
            row["error"] = errors.get(ours) or errors.get(name) or "missing"
        rows.append(row)

if as_json:
    json.dump({"statistic": stat, "time": clock + "_time_ns", "load": load.strip(),
               "context": data.get("context", {}), "rows": rows}, sys.stdout, indent=2)
    print()
    sys.exit(0)

def fmt(ns):
    for unit, f in (("s", 1e9), ("ms", 1e6), ("us", 1e3)):
        if ns >= f:
            return "%.3g %s" % (ns / f, unit)
    return "%.3g ns" % ns

print("%-34s %12s  %-10s %12s  %7s" % ("workload", "cvsettings", "anchor", "anchor time", "ratio"))
for r in rows:
    if "error" in r:
        print("%-34s %12s  %-10s %12s  %7s  (%s)" % (r["workload"], "-", r["anchor"], "-", "-", r["error"]))
    else:
        print("%-34s %12s  %-10s %12s  %7.2f" % (r["workload"], fmt(r["library_ns"]), r["anchor"],
                                                fmt(r["anchor_ns"]), r["ratio"]))
print("\n%s %s time per operation over %s repetitions, interleaved; ratio = anchor time / cvsettings time"
      % (stat, "CPU" if clock == "cpu" else "wall-clock", max((r.get("repetitions", 0) for r in rows), default=0)))
print("load:", load.strip())
PY
