#!/usr/bin/env bash
# Builds the codec fuzzer with clang (libFuzzer, AddressSanitizer, UBSan) and
# runs it briefly.
# FUZZ_SECONDS sets the run time (default 30); FUZZ_DIR the build directory.
set -euo pipefail
cd "$(dirname "$0")/.."

out="${FUZZ_DIR:-build/fuzz-codec}"
seconds="${FUZZ_SECONDS:-30}"
mkdir -p "$out/corpus"

# The GBK code table that "…"_gbk literals are converted with (see cmake/Vorta.cmake).
mkdir -p "$out/generated/codec"
clang++ -std=c++20 -O1 -o "$out/gbk_table_gen" tools/gbk_table_gen.cpp
"$out/gbk_table_gen" "$out/generated/codec/gbk_table.h"

clang++ -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
    -Isrc -I"$out/generated" tests/codec/fuzz_codec.cpp src/codec/*.cpp -o "$out/fuzz_codec"

# A few frames to start from; the fuzzer grows the corpus from there.
printf '01 03 10 00 00 25' > "$out/corpus/frame"
printf '\x10\x02ffff' > "$out/corpus/radix"
printf '\xa3\xb0\xa3\xc1\xa1\xa1\xd6\xd0 1' > "$out/corpus/gbk"

"$out/fuzz_codec" -max_total_time="$seconds" -max_len=4096 -print_final_stats=1 "$out/corpus"
