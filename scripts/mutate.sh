#!/usr/bin/env bash
# Plants each fault listed in tests/mutants/*.txt, one at a time, in a scratch
# copy of the working tree, rebuilds incrementally, runs the Debug suite and
# reports which faults the suite catches. The tests named after the fault's
# folders and file run first, so that a caught fault is known in seconds; the
# rest of the suite runs only when they pass. A block may name its own first
# tests with "tests: regex".
#
#   scripts/mutate.sh                 every list under tests/mutants/
#   scripts/mutate.sh FILE [FILE...]  only these lists
#   MUTATE_IDS='id1 id2' scripts/mutate.sh ...   only these faults
#
# The scratch copy lives in /tmp/cac-mutate-<worktree> (or $MUTATE_SCRATCH),
# so that several worktrees can run it side by side. Run it under nice.
#
# A list holds blocks separated by blank lines:
#   id: engine-250k-timing
#   why: the bit-timing byte of "250 kbit" is one off
#   file: src/image/ConfigImage.cpp
#   find: 0x43
#   replace: 0x44
# "find" must occur in the file exactly once (add context until it does);
# a fault whose text is no longer there is reported as stale, not as caught.
set -euo pipefail
cd "$(dirname "$0")/.."
source_dir=$(pwd)

lists=("$@")
[ ${#lists[@]} -gt 0 ] || lists=(tests/mutants/*.txt)

scratch=${MUTATE_SCRATCH:-/tmp/cac-mutate-$(basename "$source_dir")}
# Only files whose content changed are written again, so the scratch build
# stays incremental.
python3 scripts/sync-tree.py "$source_dir" "$scratch/src"
cd "$scratch/src"
# Shared libraries: a planted fault relinks one library, not every test.
cmake -S . -B "$scratch/build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCAC_WERROR=OFF \
    -DCAC_LIBRARY_KIND=SHARED -DCMAKE_LINK_DEPENDS_NO_SHARED=ON >/dev/null
cmake --build "$scratch/build" >/dev/null

python3 - "$scratch" "${lists[@]/#/$source_dir/}" <<'PY'
import os, re, subprocess, sys, time

scratch, lists = sys.argv[1], sys.argv[2:]
src, build = os.path.join(scratch, "src"), os.path.join(scratch, "build")
env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
only = set(os.environ.get("MUTATE_IDS", "").split())

def faults(path):
    block = {}
    for line in open(path, encoding="utf-8").read().splitlines() + [""]:
        if not line.strip():
            if block:
                yield block
            block = {}
        elif not line.startswith("#"):
            key, _, value = line.partition(": ")
            block[key.strip()] = value
    
listing = subprocess.run(["ctest", "--test-dir", build, "-N"], capture_output=True, text=True).stdout
names = [m.group(1) for m in re.finditer(r"Test +#\d+: (\S+)", listing) if "fuzz" not in m.group(1)]

def first_tests(fault):
    if "tests" in fault:
        return [n for n in names if re.search(fault["tests"], n)]
    parts = fault["file"].lower().split("/")[1:]
    words = {p for p in parts[:-1] if p != "app"} | {os.path.splitext(parts[-1])[0]}
    return [n for n in names if any(w in n.lower() for w in words)]

def suite_fails(selected):
    if not selected:
        return False
    pattern = "^(" + "|".join(map(re.escape, selected)) + ")$"
    run = subprocess.run(["ctest", "--test-dir", build, "--timeout", "300", "-R", pattern,
                          "--stop-on-failure"], capture_output=True, env=env)
    return run.returncode != 0

started = time.time()
results = {"caught": [], "missed": [], "stale": [], "no build": []}
per_list = {}
for path in lists:
    name = os.path.basename(path)
    per_list[name] = [0, 0]
    for fault in faults(path):
        if only and fault["id"] not in only:
            continue
        target = os.path.join(src, fault["file"])
        original = open(target, encoding="utf-8").read()
        if original.count(fault["find"]) != 1:
            results["stale"].append(fault)
            print(f"stale     {fault['id']}", flush=True)
            continue
        open(target, "w", encoding="utf-8").write(original.replace(fault["find"], fault["replace"]))
        try:
            built = subprocess.run(["cmake", "--build", build], capture_output=True).returncode == 0
            if not built:
                outcome = "no build"
            else:
                first = first_tests(fault)
                rest = [n for n in names if n not in first]
                outcome = "caught" if suite_fails(first) or suite_fails(rest) else "missed"
        finally:
            open(target, "w", encoding="utf-8").write(original)
            os.utime(target)
        results[outcome].append(fault)
        if outcome in ("caught", "missed"):
            per_list[name][0] += outcome == "caught"
            per_list[name][1] += 1
        print(f"{outcome:9} {fault['id']}: {fault.get('why', '')}", flush=True)

subprocess.run(["cmake", "--build", build], capture_output=True)
tried = len(results["caught"]) + len(results["missed"])
print()
print(f"run time {round(time.time() - started)} s")
for kind in ("missed", "stale", "no build"):
    for fault in results[kind]:
        print(f"{kind}: {fault['id']} ({fault['file']})")
for name, (caught, listed) in per_list.items():
    if listed:
        print(f"{name}: caught {caught} of {listed}")
if tried:
    print(f"caught {len(results['caught'])} of {tried} faults "
          f"({100 * len(results['caught']) // tried}%)")
sys.exit(0 if not results["missed"] and not results["stale"] else 1)
PY
