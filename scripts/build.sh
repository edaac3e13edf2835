#!/usr/bin/env bash
# Configures and builds mtrfee into ./build (program folder: build/program).
set -euo pipefail
cd "$(dirname "$0")/.."
# In CI (CI=true) a compiler warning fails the build.
werror=OFF
if [ "${CI:-}" = true ]; then werror=ON; fi
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMTRFEE_WERROR=$werror >/dev/null
cmake --build build
