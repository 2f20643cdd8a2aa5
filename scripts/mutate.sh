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

MUTATE_SOURCE=$source_dir python3 - "$scratch" "${lists[@]/#/$source_dir/}" <<'PY'
import os, re, subprocess, sys

sys.dont_write_bytecode = True  # no __pycache__ beside the scripts
sys.path.insert(0, os.path.join(os.environ["MUTATE_SOURCE"], "scripts"))
from faultlist import Tally, faults, planted

scratch, lists = sys.argv[1], sys.argv[2:]
src, build = os.path.join(scratch, "src"), os.path.join(scratch, "build")
env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
only = set(os.environ.get("MUTATE_IDS", "").split())

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

tally = Tally()
for path in lists:
    name = os.path.basename(path)
    for fault in faults(path):
        if only and fault["id"] not in only:
            continue
        with planted(src, fault) as ok:
            if not ok:
                outcome = "stale"
            elif subprocess.run(["cmake", "--build", build], capture_output=True).returncode != 0:
                outcome = "no build"
            else:
                first = first_tests(fault)
                rest = [n for n in names if n not in first]
                outcome = "caught" if suite_fails(first) or suite_fails(rest) else "missed"
        tally.record(name, outcome, fault)
        print(f"{outcome:9} {fault['id']}: {fault.get('why', '')}", flush=True)

subprocess.run(["cmake", "--build", build], capture_output=True)
sys.exit(tally.report())
PY
