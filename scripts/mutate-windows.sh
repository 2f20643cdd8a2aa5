#!/usr/bin/env bash
# Plants each fault listed in tests/mutants/windows/*.txt, one at a time, in a
# scratch copy of the working tree, rebuilds the Windows tests incrementally,
# runs under Wine those that can catch it and reports which faults they catch:
# the Windows-only code's share of scripts/mutate.sh, which cannot run it.
#
#   scripts/mutate-windows.sh                 every list under tests/mutants/windows/
#   scripts/mutate-windows.sh FILE [FILE...]  only these lists
#   MUTATE_IDS='id1 id2' scripts/mutate-windows.sh ...   only these faults
#
# The lists take mutate.sh's blocks; "tests:" names the tests that run
# (everything when a block names nothing): units, tst_windows (ports, data
# folder, flasher), first; then pcan, slcan, discover and exports, the live
# groups of scripts/windows-wine.sh, in that order. The unplanted tree runs
# everything first: a fault can only be caught by tests that pass without it.
#
# The scratch copy and its build live in /tmp/cac-mutate-windows-<worktree>
# (or $MUTATE_SCRATCH) and stay for the next run; work/logs/ there keeps what
# the tests said for each fault. Needs the cross-built Qt
# (scripts/build-windows.sh makes it). Run it under nice.
set -euo pipefail
cd "$(dirname "$0")/.."
source_dir=$(pwd)

# Groups of tests against the scratch build, for the loop below, which runs
# this script so: fails when anything in them fails. The live groups run in
# one program, as the Wine stage runs them.
if [ "${1:-}" = --run ]; then
    shift
    failed=0
    pass() { :; }
    fail() { failed=$((failed + 1)); echo "mutate-windows: FAILED: $*"; }
    source scripts/windows-wine.sh
    wine_run=$MUTATE_BUILD/wine-run.sh
    wine_prefix=$MUTATE_BUILD/wine-prefix
    live=()
    for group in "$@"; do
        if [ "$group" = units ]; then
            WINEPREFIX=$wine_prefix ctest --test-dir "$MUTATE_BUILD" -R '^tst_windows$' \
                --timeout 120 --output-on-failure || fail units
            [ "$failed" -eq 0 ] || exit 1
        else
            live+=("$group")
        fi
    done
    [ ${#live[@]} -eq 0 ] || CAC_LIVE_TIMEOUT=60 live_can_tests "$MUTATE_SRC" "$MUTATE_BUILD" "$MUTATE_WORK/live" "${live[@]}"
    [ "$failed" -eq 0 ]
    exit
fi

lists=("$@")
[ ${#lists[@]} -gt 0 ] || lists=(tests/mutants/windows/*.txt)

qt_prefix=${CAC_QT_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/can-adapter-config}/qt6.4.2-mingw64
if [ ! -f "$qt_prefix/.complete" ]; then
    echo "mutate-windows: no cross-built Qt in $qt_prefix (scripts/build-windows.sh builds it)" >&2
    exit 2
fi
export CAC_WINDOWS_QT=$qt_prefix

scratch=${MUTATE_SCRATCH:-/tmp/cac-mutate-windows-$(basename "$source_dir")}
src=$scratch/src
build=$scratch/build
targets=(tst_windows tst_windows_live tst_windows_pcan_without_read tst_windows_pcan_without_getvalue)
# Only files whose content changed are written again, so the scratch build
# stays incremental.
python3 scripts/sync-tree.py "$source_dir" "$src"
# A planted fault may leave a variable unused: that is no reason not to test it.
(cd "$src" && cmake --preset windows -B "$build" -DCAC_WERROR=OFF >/dev/null)
started=$SECONDS
cmake --build "$build" --target "${targets[@]}" >"$scratch/build.log" 2>&1 ||
    { tail -n 30 "$scratch/build.log"; echo "mutate-windows: the unplanted tree does not build" >&2; exit 2; }
echo "mutate-windows: built in $((SECONDS - started)) s"

work=$scratch/work
rm -rf "$work" && mkdir -p "$work"
source scripts/windows-wine.sh
# Wine's desktop starts on the display, so the display comes first.
display_start "$work"
wine_start "$build/wine-run.sh" "$build/wine-prefix"
trap 'display_stop; wine_stop' EXIT

export MUTATE_SOURCE=$source_dir MUTATE_SRC=$src MUTATE_BUILD=$build MUTATE_WORK=$work

python3 - "$src" "$build" "${lists[@]/#/$source_dir/}" "--" "${targets[@]}" <<'PY'
import os, subprocess, sys, time

sys.dont_write_bytecode = True  # no __pycache__ beside the scripts
sys.path.insert(0, os.path.join(os.environ["MUTATE_SOURCE"], "scripts"))
from faultlist import Tally, faults, planted

args = sys.argv[1:]
split = args.index("--")
src, build, lists, targets = args[0], args[1], args[2:split], args[split + 1:]
runner = os.path.join(os.environ["MUTATE_SOURCE"], "scripts", "mutate-windows.sh")
only = set(os.environ.get("MUTATE_IDS", "").split())
groups = ["units", "pcan", "slcan", "discover", "exports"]
# The programs each group runs, so that a fault rebuilds only what it tests.
programs = {"units": ["tst_windows"], "pcan": ["tst_windows_live"],
            "slcan": ["tst_windows_live"], "discover": ["tst_windows_live"],
            "exports": ["tst_windows_pcan_without_read", "tst_windows_pcan_without_getvalue"]}

tally = Tally() # its run time counts the unplanted run
logs = os.path.join(os.environ["MUTATE_WORK"], "logs")
os.makedirs(logs, exist_ok=True)

def run_tests(chosen, name):
    """Whether the tests pass; what they said goes to logs/NAME.txt."""
    with open(os.path.join(logs, name + ".txt"), "w") as log:
        return subprocess.run([runner, "--run", *chosen], stdout=log,
                              stderr=subprocess.STDOUT).returncode == 0

# Wine now and then crashes a program on its way out after every test has
# passed; the unplanted tree gets a second run before nothing can be judged.
if not run_tests(groups, "unplanted") and not run_tests(groups, "unplanted"):
    print(open(os.path.join(logs, "unplanted.txt")).read()[-4000:])
    print("mutate-windows: the unplanted tree fails its tests: no fault can be judged")
    sys.exit(2)
print(f"unplanted: every test passes ({round(time.time() - tally.started)} s)", flush=True)
for path in lists:
    name = os.path.basename(path)
    for fault in faults(path):
        if only and fault["id"] not in only:
            continue
        named = fault.get("tests", "").split() or groups
        unknown = [g for g in named if g not in groups]
        chosen = [g for g in groups if g in named]
        if unknown:
            tally.record(name, "stale", fault)
            print(f"stale     {fault['id']} (no group {' '.join(unknown)})", flush=True)
            continue
        began = time.time()
        with planted(src, fault) as ok:
            needed = sorted({p for g in chosen for p in programs[g]})
            if not ok:
                outcome = "stale"
            elif subprocess.run(["cmake", "--build", build, "--target", *needed],
                                capture_output=True).returncode != 0:
                outcome = "no build"
            else:
                outcome = "missed" if run_tests(chosen, fault["id"]) else "caught"
        tally.record(name, outcome, fault)
        print(f"{outcome:9} {fault['id']}: {fault.get('why', '')} ({round(time.time() - began)} s)",
              flush=True)

subprocess.run(["cmake", "--build", build, "--target", *targets], capture_output=True)
sys.exit(tally.report())
PY
