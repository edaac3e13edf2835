#!/usr/bin/env bash
# Configures and builds mtrfee into ./build (program folder: build/program).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build
