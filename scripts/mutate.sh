#!/usr/bin/env bash
# Planted faults: applies each mutant of scripts/mutants.txt, one at a time, to
# a copy of the source tree (never to this one), rebuilds the copy and runs the
# native test suite against it. A mutant is killed when the build of the tests
# still succeeds and some test fails or times out; it survives when every test
# passes. Prints one line per mutant and the score, killed / (killed + survived).
#
#   scripts/mutate.sh [--list] [--only N[,N...]] [--exclude REGEX]
#                     [--timeout SECONDS] [--work DIR] [--skip-baseline]
#
#   --list           number, file, fault and state of every mutant; runs nothing
#   --only N,...     only these mutants (numbers as --list shows them)
#   --exclude REGEX  ctest -E for every run, e.g. to leave out the slowest tests
#   --timeout S      wall time of one suite run before the mutant counts as
#                    killed by a hang (default 1800)
#   --work DIR       where the copy and its build live (default build/mutate)
#   --skip-baseline  do not first check that the unmutated copy passes
#
# A mutant whose original text is no longer in its file (the code moved on) is
# reported as stale, and one whose text occurs more than once as ambiguous;
# neither counts. Mutants marked equivalent are listed but not run. A mutant
# that does not compile is reported as such and does not count either.
# CV_JOBS sets the build and test parallelism (default 2).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
exec python3 - "$root" "$@" <<'PY'
import argparse
import os
import shutil
import subprocess
import sys
import time

root = sys.argv[1]
parser = argparse.ArgumentParser(prog="mutate.sh")
parser.add_argument("--list", action="store_true")
parser.add_argument("--only", default="")
parser.add_argument("--exclude", default="")
parser.add_argument("--timeout", type=int, default=1800)
parser.add_argument("--work", default=os.path.join(root, "build", "mutate"))
parser.add_argument("--skip-baseline", action="store_true")
args = parser.parse_args(sys.argv[2:])
jobs = os.environ.get("CV_JOBS", "2")
KEYS = ("file", "why", "from", "to", "tests", "equivalent")


def unescape(text):
    out, i = [], 0
    while i < len(text):
        if text[i] == "\\" and i + 1 < len(text) and text[i + 1] in "n\\":
            out.append("\n" if text[i + 1] == "n" else "\\")
            i += 2
        else:
            out.append(text[i])
            i += 1
    return "".join(out)


def read_mutants(path):
    mutants, current = [], {}
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f.read().split("\n"), 1):
            if line.startswith("#"):
                continue
            if not line.strip():
                if current:
                    mutants.append(current)
                current = {}
                continue
            key, sep, value = line.partition(":")
            if not sep or key not in KEYS or key in current:
                sys.exit(f"{path}:{number}: expected one of {', '.join(KEYS)} once per block")
            current[key] = unescape(value[1:] if value.startswith(" ") else value)
    if current:
        mutants.append(current)
    for n, m in enumerate(mutants, 1):
        missing = [k for k in ("file", "why", "from", "to") if k not in m]
        if missing or not m["from"]:
            sys.exit(f"{path}: mutant {n} lacks {', '.join(missing) or 'a non-empty from'}")
    return mutants


def state(tree, m):
    try:
        with open(os.path.join(tree, m["file"]), encoding="utf-8") as f:
            count = f.read().count(m["from"])
    except FileNotFoundError:
        count = 0
    if count == 0:
        return "stale"
    if count > 1:
        return "ambiguous"
    return "equivalent" if "equivalent" in m else "ready"


SKIP_DIRS = {".git", ".cache"}


def sync(src, dst):
    """Makes dst a copy of src, rewriting only files whose bytes differ, so an
    incremental build of the copy recompiles only what changed."""
    seen = set()
    for dirpath, dirnames, filenames in os.walk(src):
        rel = os.path.relpath(dirpath, src)
        dirnames[:] = [d for d in dirnames
                       if d not in SKIP_DIRS and not (rel == "." and d.startswith("build"))]
        os.makedirs(os.path.join(dst, rel), exist_ok=True)
        seen.add(os.path.normpath(rel))
        for name in filenames:
            s, d = os.path.join(dirpath, name), os.path.join(dst, rel, name)
            seen.add(os.path.normpath(os.path.join(rel, name)))
            with open(s, "rb") as f:
                data = f.read()
            try:
                with open(d, "rb") as f:
                    if f.read() == data:
                        continue
            except FileNotFoundError:
                pass
            with open(d, "wb") as f:
                f.write(data)
            shutil.copymode(s, d)
    for dirpath, dirnames, filenames in os.walk(dst, topdown=False):
        rel = os.path.relpath(dirpath, dst)
        for name in filenames:
            if os.path.normpath(os.path.join(rel, name)) not in seen:
                os.remove(os.path.join(dirpath, name))
        if os.path.normpath(rel) not in seen:
            os.rmdir(dirpath)


def run(cmd, timeout=None, log=None):
    """Runs cmd with its output in `log`; returns the exit code, or None on a timeout."""
    with open(log, "w") as out:
        proc = subprocess.Popen(cmd, stdout=out, stderr=subprocess.STDOUT, start_new_session=True)
        try:
            return proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            os.killpg(proc.pid, 9)
            proc.wait()
            return None


def failed_tests(log):
    names, listing = [], False
    with open(log, errors="replace") as f:
        for line in f:
            if line.startswith("The following tests FAILED"):
                listing = True
            elif listing and " - " in line:
                names.append(line.split(" - ", 1)[1].split(" (")[0].strip())
    return names


def suite(build, tests, log):
    cmd = ["ctest", "--test-dir", build, "-j", jobs, "--output-on-failure", "--stop-on-failure",
           "--no-tests=error"]
    if tests:
        cmd += ["-R", tests]
    if args.exclude:
        cmd += ["-E", args.exclude]
    return run(cmd, timeout=args.timeout, log=log)


mutants = read_mutants(os.path.join(root, "scripts", "mutants.txt"))
if args.list:
    for n, m in enumerate(mutants, 1):
        extra = f"  [{m['equivalent']}]" if "equivalent" in m else ""
        print(f"{n:3} {state(root, m):10} {m['file']}: {m['why']}{extra}")
    sys.exit(0)

chosen = range(1, len(mutants) + 1)
if args.only:
    try:
        chosen = sorted({int(n) for n in args.only.split(",")})
    except ValueError:
        sys.exit("--only takes mutant numbers separated by commas")
    if any(n < 1 or n > len(mutants) for n in chosen):
        sys.exit(f"--only: there are mutants 1 to {len(mutants)}")

work = os.path.abspath(args.work)
if os.path.commonpath([work, root]) == root and not work.startswith(os.path.join(root, "build")):
    sys.exit("--work must lie outside the source tree or under its build folder")
src, build, logs = (os.path.join(work, d) for d in ("src", "build", "logs"))
os.makedirs(logs, exist_ok=True)
print(f"copying the tree to {src}", flush=True)
sync(root, src)
if run(["cmake", "-S", src, "-B", build, "-DCMAKE_BUILD_TYPE=Release", "-DCVSETTINGS_WERROR=OFF"],
       log=os.path.join(logs, "configure.log")) != 0:
    sys.exit(f"configuring the copy failed; see {logs}/configure.log")
build_cmd = ["cmake", "--build", build, "-j", jobs]
print("building the copy", flush=True)
if run(build_cmd, log=os.path.join(logs, "build.log")) != 0:
    sys.exit(f"building the copy failed; see {logs}/build.log")
if not args.skip_baseline:
    start = time.time()
    if suite(build, "", os.path.join(logs, "baseline.log")) != 0:
        sys.exit(f"the unmutated copy fails its tests; see {logs}/baseline.log")
    print(f"baseline passes in {time.time() - start:.0f} s", flush=True)

results = {}
for n in chosen:
    m = mutants[n - 1]
    tag = f"[{n:2}] {m['file']}: {m['why']}"
    st = state(src, m)
    if st != "ready":
        results[n] = st
        print(f"{tag}: {st}" + (f" ({m['equivalent']})" if st == "equivalent" else ""), flush=True)
        continue
    path = os.path.join(src, m["file"])
    with open(path, encoding="utf-8") as f:
        original = f.read()
    log = os.path.join(logs, f"mutant-{n}.log")
    start = time.time()
    try:
        with open(path, "w", encoding="utf-8") as f:
            f.write(original.replace(m["from"], m["to"], 1))
        if run(build_cmd, log=log) != 0:
            outcome = "uncompilable"
        else:
            code = suite(build, m.get("tests", ""), log)
            if code is None:
                outcome = "killed (the suite timed out)"
            elif code != 0:
                outcome = "killed by " + (", ".join(failed_tests(log)) or "the suite")
            else:
                outcome = "SURVIVED"
    finally:
        with open(path, "w", encoding="utf-8") as f:
            f.write(original)
    results[n] = outcome.split(" ")[0]
    print(f"{tag}: {outcome} ({time.time() - start:.0f} s)", flush=True)

# Leave the copy's build matching the unmutated sources for the next run.
run(build_cmd, log=os.path.join(logs, "build.log"))
counts = {k: sum(1 for v in results.values() if v == k)
          for k in ("killed", "SURVIVED", "equivalent", "stale", "ambiguous", "uncompilable")}
scored = counts["killed"] + counts["SURVIVED"]
print("\n" + ", ".join(f"{v} {k.lower()}" for k, v in counts.items() if v))
if scored:
    print(f"score: {counts['killed']}/{scored} = {100.0 * counts['killed'] / scored:.1f} % of the "
          "non-equivalent mutants killed")
for n, v in results.items():
    if v == "SURVIVED":
        print(f"  survivor [{n}] {mutants[n - 1]['file']}: {mutants[n - 1]['why']}")
PY
