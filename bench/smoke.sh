#!/usr/bin/env bash
# Runs the benchmark pipeline on tiny inputs, so that it keeps working; its times mean nothing.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
program=${BENCH_PROGRAM:-}
# The test script has just built this program; measuring it saves building another.
if [ -z "$program" ] && [ -x "$root/build/native/wpconv" ]; then
  program=$root/build/native/wpconv
fi
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
if ! BENCH_PROGRAM=$program BENCH_SIZE=64K BENCH_RSS_SIZES="16K 64K" BENCH_RUNS=2 BENCH_WARMUP=0 \
  BENCH_DIR="$dir/bench" "$root/bench/run.sh" >"$dir/tables" 2>"$dir/log"; then
  cat "$dir/log" "$dir/tables" >&2
  exit 1
fi
cat "$dir/tables"
for row in '| document | wpconv document→HTML |' '| HTML | wpconv HTML→document |' \
  '| dense HTML | wpconv HTML→document |' '| HTML | nkf -Sw |' '| 64KB |' '- HTML→document: peak RSS'; do
  grep -qF -- "$row" "$dir/tables" || { echo "bench smoke: no line with: $row" >&2; exit 1; }
done
# The batch benchmark, with the programs the test script has built when it has.
build=
[ -x "$root/build/native/wpconv-batch" ] && build=$root/build/native
if ! BENCH_BUILD=$build BENCH_FILES=200 BENCH_RSS_FILES="100 200" BENCH_RUNS=1 \
  BENCH_DIR="$dir/batch" "$root/bench/batch.sh" >"$dir/batch-tables" 2>"$dir/log"; then
  cat "$dir/log" "$dir/batch-tables" >&2
  exit 1
fi
cat "$dir/batch-tables"
for row in '| wpconv-batch --jobs 1 |' '| find -exec wpconv |' '| 200 |' '- peak RSS at 200'; do
  grep -qF -- "$row" "$dir/batch-tables" || { echo "bench smoke: no line with: $row" >&2; exit 1; }
done
# The HTML5 benchmark, likewise.
if ! BENCH_BUILD=$build BENCH_SIZE=64K BENCH_RSS_SIZES="16K 64K" BENCH_RUNS=2 BENCH_WARMUP=0 \
  BENCH_DIR="$dir/html5" "$root/bench/html5.sh" >"$dir/html5-tables" 2>"$dir/log"; then
  cat "$dir/log" "$dir/html5-tables" >&2
  exit 1
fi
cat "$dir/html5-tables"
for row in '| document | --to html5 |' '| 64KB |' '- --to html5: peak RSS'; do
  grep -qF -- "$row" "$dir/html5-tables" || { echo "bench smoke: no line with: $row" >&2; exit 1; }
done
