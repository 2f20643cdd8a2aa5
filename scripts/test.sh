#!/usr/bin/env bash
# Installs what is missing, checks that the sources are formatted and that
# every include points down the layers, builds, and runs every test: once in
# the Debug build, then builds and checks the Debian package, then builds and tests the
# Windows program under Wine when its cross-built Qt is cached, then runs the
# tests once more in the clang ASan+UBSan build.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

# Formatting as .clang-format says (clang-format 14, Debian 12's), the
# layers of docs/architecture.md and the fault lists' places; all before the
# build, as they are quick.
find src tests bench fuzz tools \( -name '*.cpp' -o -name '*.h' \) -print0 |
    xargs -0 clang-format --dry-run --Werror
scripts/check-layers.py
# Every planted fault still finds the code it changes.
scripts/check-faults.py

cmake --preset default >/dev/null
cmake --build --preset default
ctest --preset default

scripts/check-package.sh

scripts/test-windows.sh

cmake --preset asan >/dev/null
cmake --build --preset asan
ctest --preset asan
