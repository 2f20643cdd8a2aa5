#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: once in the Debug
# build, then builds and checks the Debian package, then builds and tests the
# Windows program under Wine when its cross-built Qt is cached, then runs the
# tests once more in the clang ASan+UBSan build.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

cmake --preset default >/dev/null
cmake --build --preset default
ctest --preset default

scripts/check-package.sh

scripts/test-windows.sh

cmake --preset asan >/dev/null
cmake --build --preset asan
ctest --preset asan
