#!/usr/bin/env bash
# The page against the native program: conversion time in headless Chromium (the page's worker
# and WebAssembly module, reading the input as a picked file and handing back its outputs) and
# natively (the program, started once per run), on the benchmark inputs; and the page's weight,
# each file compressed with gzip -9 as a static host would send it. Prints Markdown tables.
# Usage: bench/web.sh   Settings: BENCH_SIZE (default 10M), BENCH_RUNS (default 5),
# BENCH_PROGRAM (a native wpconv; default a Release build in build/bench).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
size=${BENCH_SIZE:-10M}
runs=${BENCH_RUNS:-5}
dir=$(mktemp -d "${TMPDIR:-/tmp}/wpconv-web-bench-XXXXXX")
trap 'rm -rf "$dir"' EXIT

# shellcheck source=SCRIPTDIR/common.sh
. "$root/bench/common.sh"
program=${BENCH_PROGRAM:-$(release_build wpconv)/wpconv}
"$root/scripts/web.sh" build >/dev/null 2>&1
(cd "$root/tests/web" && npm ci --no-audit --no-fund --prefer-offline --loglevel=error)

for kind in document html dense-document dense-html; do
  case $kind in *html) name=$kind.htm ;; *) name=$kind.TXT ;; esac
  python3 "$root/bench/generate.py" "$kind" "$size" "$dir/$name"
done

echo "Machine: $(nproc) × $(lscpu | sed -n 's/^Model name: *//p'); $(chromium --version 2>/dev/null)"
echo "Inputs: bench/generate.py, $size each; median of $runs runs after one warmup."
echo
node "$root/bench/web.mjs" "$root/build/web" "$dir" "$program" "$runs"
echo
echo "| page file | bytes | gzip -9 |"
echo "|---|---:|---:|"
total=0
total_gzip=0
for file in "$root"/build/web/*; do
  bytes=$(stat -c %s "$file")
  gzipped=$(gzip -9 -c "$file" | wc -c)
  total=$((total + bytes))
  total_gzip=$((total_gzip + gzipped))
  echo "| $(basename "$file") | $bytes | $gzipped |"
done
echo "| all | $total | $total_gzip |"
