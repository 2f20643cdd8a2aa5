#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: once in the Debug
# build, once more in the clang ASan+UBSan build; then builds and checks the
# Debian package.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

cmake --preset default >/dev/null
cmake --build --preset default
ctest --preset default

cmake --preset asan >/dev/null
cmake --build --preset asan
ctest --preset asan

scripts/check-package.sh
