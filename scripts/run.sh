#!/usr/bin/env bash
# Installs what is missing, builds, and runs the program.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default

build/debug/src/cli/can-adapter-cli hex examples/startup.ccf
