#!/usr/bin/env bash
# Builds mtrfee with AddressSanitizer and UndefinedBehaviorSanitizer into
# ./build-asan and runs the whole test suite under them. Any report fails the
# run: undefined behaviour ends the program (halt_on_error), so do memory
# errors and leaks. Leaks inside the libraries of LibreOffice (UNO),
# fontconfig and the like are theirs and suppressed in
# scripts/sanitize/lsan.supp; the project's own code is never suppressed.
#   scripts/test-sanitized.sh [ctest arguments...]
# Run scripts/setup.sh and scripts/test-services.sh first (scripts/test.sh does).
set -euo pipefail
cd "$(dirname "$0")/.."
root="$(pwd)"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMTRFEE_SANITIZE=address,undefined >/dev/null
cmake --build build-asan

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:halt_on_error=1:detect_stack_use_after_return=0:strict_string_checks=0:detect_odr_violation=0${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
export LSAN_OPTIONS="suppressions=$root/scripts/sanitize/lsan.supp:print_suppressions=0${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:suppressions=$root/scripts/sanitize/ubsan.supp${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}"
cd build-asan
# The package tests build the release package and run the installed program
# as another user with a clean environment, which the options above do not
# reach; they run in the normal suite.
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -E '^package_' "$@"
