#!/usr/bin/env bash
# Sets up, builds and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
if [ -x scripts/test-services.sh ]; then
  scripts/test-services.sh
fi
cd build
QT_QPA_PLATFORM=offscreen ctest --output-on-failure "$@"
