#!/usr/bin/env bash
# Installs what is missing, builds, and runs the program.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default

# The main window; without a Vars.cfg of your own it offers the demo catalogue.
exec build/debug/src/app/can-adapter-config
