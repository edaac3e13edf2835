#!/usr/bin/env bash
# Builds the fuzz target of the text routines and the settings parser with clang (AddressSanitizer,
# UndefinedBehaviorSanitizer, libFuzzer) and runs it.
#   fuzz/run.sh [seconds]      (default 60)
# Build folder: build-fuzz beside the sources; findings are written there.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(dirname "$here")"
seconds="${1:-60}"
build="$root/build-fuzz"

CC=clang CXX=clang++ cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
ninja -C "$build" fuzz_text

corpus="$build/corpus"
mkdir -p "$corpus"
i=0
for seed in "0" "0.00" "0.05" ".5" "1234567.89" "100010000" "12.345" "-12.50" \
            "1000000000000" "1.2.3" "abc" "张三" "阳光小区3幢2单元" "ＡＢ１２（1）" "①Ⅻ⒛" "αΑθψ" "堃陳乫"; do
  printf '%s' "$seed" > "$corpus/seed$i"
  i=$((i + 1))
done
# Number and date texts, and settings files.
for seed in "1e308" "-0.005" "2.675" "1E-5" "  12.5 " "2024-03-05" "24-3-5 8:05" "2024-02-30" \
            "2024-1-31T23:59:59" "0001-01-01" "-010000000000.005"; do
  printf '%s' "$seed" > "$corpus/seed$i"
  i=$((i + 1))
done
printf '[Judge]\r\nstr_dj=0.5\r\nstr_skr="\xd5\xc5\xc8\xfd"\r\n\r\n[Other]\r\n;str_dj=1\r\n' > "$corpus/ini0"
printf '[judge]\nSTR_DJ = 2\n[Judge]\nstr_djs=3\nno key line\n=\n[' > "$corpus/ini1"
# Some seeds in GBK bytes as well.
printf '\xd5\xc5\xc8\xfd' > "$corpus/gbk0"        # 张三
printf '\xa2\xd9\xa3\xc1\xa6\xc1\x81\x66' > "$corpus/gbk1"

cd "$build"
# The settings parser is fuzzed through a file: keep it in memory when possible.
if [ -d /dev/shm ] && [ -w /dev/shm ]; then export TMPDIR=/dev/shm; fi
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ./fuzz_text -max_total_time="$seconds" -max_len=256 -print_final_stats=1 "$corpus"
