#!/usr/bin/env python3
"""Makes TARGET a copy of the working tree SOURCE, without build/ and .git/.

usage: sync-tree.py SOURCE TARGET

Only files whose content changed are written again (and so rebuilt): a
scratch build of the copy stays incremental, and an edit older than the
scratch's last build is still seen, which comparing times alone would miss.
What SOURCE no longer has goes from TARGET. scripts/mutate.sh and
scripts/mutate-windows.sh plant their faults in such a copy.
"""
import filecmp
import os
import shutil
import sys

source, target = sys.argv[1], sys.argv[2]
skip = {os.path.join(source, "build"), os.path.join(source, ".git")}
wanted = set()
for folder, dirs, files in os.walk(source):
    dirs[:] = [d for d in dirs if os.path.join(folder, d) not in skip]
    into = os.path.join(target, os.path.relpath(folder, source))
    os.makedirs(into, exist_ok=True)
    wanted.add(os.path.normpath(into))
    for name in files:
        src, dst = os.path.join(folder, name), os.path.join(into, name)
        wanted.add(os.path.normpath(dst))
        if not os.path.isfile(dst) or not filecmp.cmp(src, dst, shallow=False):
            shutil.copyfile(src, dst)
            shutil.copymode(src, dst)
for folder, dirs, files in os.walk(target, topdown=False):
    for name in files + dirs:
        path = os.path.normpath(os.path.join(folder, name))
        if path not in wanted:
            shutil.rmtree(path) if os.path.isdir(path) else os.remove(path)
