#!/usr/bin/env bash
# Sets up, builds and starts mtrfee. The database build/program/qmvDemo.db
# is created on the first start.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
exec build/program/mtrfee "$@"
