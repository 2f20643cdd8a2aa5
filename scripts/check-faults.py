#!/usr/bin/env python3
"""Checks that every fault the lists under tests/mutants/ plant still has its
place: its file exists and holds its "find" text exactly once. A refactor that
moves the code leaves a fault that plants nothing; this says so before the
mutation run, which takes an hour, would."""
import glob
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import faultlist  # noqa: E402

os.chdir(os.path.join(os.path.dirname(os.path.abspath(__file__)), '..'))
stale = []
for path in sorted(glob.glob('tests/mutants/**/*.txt', recursive=True)):
    for fault in faultlist.faults(path):
        if 'file' not in fault or 'find' not in fault:
            continue
        try:
            with open(fault['file'], encoding='utf-8') as f:
                count = f.read().count(fault['find'])
        except FileNotFoundError:
            count = -1
        if count != 1:
            where = 'no such file' if count < 0 else f'"find" occurs {count} times'
            stale.append(f"{path}: {fault.get('id', '?')}: {fault['file']}: {where}")
for line in stale:
    print(line, file=sys.stderr)
if stale:
    sys.exit(1)
