#!/usr/bin/env bash
# Runs clang-tidy (.clang-tidy) over every source of src/ and device/, two at a
# time, with the compile database of the clang build (build-clang, configured as
# `make clang` does), so clang-tidy reads the literals clang compiles. Fails on
# any finding and lists them. Configuring makes the files the build generates
# (the GBK table); findings in them or in other headers outside src/ and device/
# are not reported.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=build-clang

if [ ! -f "$build/build.ninja" ]; then
  CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
else
  cmake -S . -B "$build" >/dev/null  # brings generated files up to date
fi

log=$(mktemp)
trap 'rm -f "$log"' EXIT
status=0
run-clang-tidy -p "$build" -j 2 -quiet -header-filter="^$root/(src|device)/" "^$root/(src|device)/" \
  >"$log" 2>&1 || status=$?

findings=$(sed 's/\x1b\[[0-9;]*m//g' "$log" | grep -E '^[^ ]+:[0-9]+:[0-9]+: (warning|error): ' | sort -u || true)
if [ -n "$findings" ]; then
  echo "clang-tidy findings (fix them, or a NOLINT(check) with the reason for a false hit):" >&2
  printf '%s\n' "$findings" >&2
  exit 1
fi
if [ "$status" -ne 0 ]; then
  sed 's/\x1b\[[0-9;]*m//g' "$log" | tail -40 >&2
  echo "clang-tidy did not run through (exit $status)" >&2
  exit 1
fi
echo "tidy: no finding in src/ and device/"
