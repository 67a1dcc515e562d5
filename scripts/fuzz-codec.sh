#!/usr/bin/env bash
# Builds the codec fuzzer with clang (libFuzzer, AddressSanitizer, UBSan) and
# runs it briefly. clang cannot encode literals as GBK, so the one source file
# holding the codec's Chinese texts is compiled by GCC and linked in.
# FUZZ_SECONDS sets the run time (default 30); FUZZ_DIR the build directory.
set -euo pipefail
cd "$(dirname "$0")/.."

out="${FUZZ_DIR:-build/fuzz-codec}"
seconds="${FUZZ_SECONDS:-30}"
mkdir -p "$out/corpus"

gbk_source=src/codec/radix_texts.cpp
g++ -std=c++20 -O1 -g -finput-charset=UTF-8 -fexec-charset=GB18030 -Isrc \
    -c "$gbk_source" -o "$out/radix_texts.o"

sources=()
for f in src/codec/*.cpp; do
  [ "$f" = "$gbk_source" ] || sources+=("$f")
done
clang++ -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
    -Isrc tests/codec/fuzz_codec.cpp "${sources[@]}" "$out/radix_texts.o" -o "$out/fuzz_codec"

# A few frames to start from; the fuzzer grows the corpus from there.
printf '01 03 10 00 00 25' > "$out/corpus/frame"
printf '\x10\x02ffff' > "$out/corpus/radix"
printf '\xa3\xb0\xa3\xc1\xa1\xa1\xd6\xd0 1' > "$out/corpus/gbk"

"$out/fuzz_codec" -max_total_time="$seconds" -max_len=4096 -print_final_stats=1 "$out/corpus"
