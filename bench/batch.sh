#!/usr/bin/env bash
# Measures wpconv-batch on an archive of small documents beside cp -r and one wpconv run per file
# (find -exec), in one run, and its peak memory on archives of different sizes. Prints Markdown.
# Usage: bench/batch.sh   (about five minutes with the defaults)
#
# Settings, from the environment:
#   BENCH_FILES       documents in the timed archive (default 10000), 100 to a folder
#   BENCH_FILE_SIZE   size of each (default 8K; K and M are powers of 1000)
#   BENCH_RSS_FILES   archive sizes for the memory table (default "10000 100000")
#   BENCH_RUNS        timed runs per command (default 5; 2 for find -exec, which is slow)
#   BENCH_DIR         scratch folder (default /tmp/wpconv-batch-bench), removed at the end unless
#                     BENCH_KEEP=1
#   BENCH_BUILD       a build folder holding wpconv and wpconv-batch, instead of a Release build
#                     in build/bench
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
files=${BENCH_FILES:-10000}
file_size=${BENCH_FILE_SIZE:-8K}
rss_files=${BENCH_RSS_FILES:-10000 100000}
runs=${BENCH_RUNS:-5}
dir=${BENCH_DIR:-/tmp/wpconv-batch-bench}

# shellcheck source=SCRIPTDIR/common.sh
. "$root/bench/common.sh"
need hyperfine python3 /usr/bin/time
build=${BENCH_BUILD:-$(release_build wpconv wpconv-batch)}
case $dir in *[[:space:]]*) echo "bench: BENCH_DIR must hold no spaces" >&2; exit 1 ;; esac
rm -rf "$dir"
mkdir -p "$dir"
[ "${BENCH_KEEP:-0}" = 1 ] || trap 'rm -rf "$dir"' EXIT

archive() {  # archive COUNT: the folder of an archive of COUNT documents, made once
  [ -d "$dir/archive-$1" ] || python3 "$root/bench/generate.py" tree "$1" "$file_size" "$dir/archive-$1"
  echo "$dir/archive-$1"
}

load_before=$(cut -d' ' -f1-3 /proc/loadavg)
tree=$(archive "$files")
clean="rm -rf $dir/copy; find $tree -name '*.HTM' -delete; sync"
# Each command runs once first, to see that it works and converts every file.
for command in "$build/wpconv-batch --quiet $tree" "find $tree -name '*.DOC' -exec $build/wpconv {} \\;"; do
  eval "$clean"
  bash -c "$command" >/dev/null 2>&1
  [ "$(find "$tree" -name '*.HTM' | wc -l)" = "$files" ] || { echo "bench: $command failed" >&2; exit 1; }
done
hyperfine --style basic --runs "$runs" --prepare "$clean" --export-json "$dir/fast.json" \
  "cp -r $tree $dir/copy" \
  "$build/wpconv-batch --quiet --jobs 1 $tree" \
  "$build/wpconv-batch --quiet $tree" >&2
hyperfine --style basic --runs 2 --prepare "$clean" --export-json "$dir/slow.json" \
  "find $tree -name '*.DOC' -exec $build/wpconv {} \\;" >&2

rss=$dir/rss.txt
: >"$rss"
for count in $rss_files; do
  tree=$(archive "$count")
  find "$tree" -name '*.HTM' -delete
  /usr/bin/time -v -o "$dir/time.txt" "$build/wpconv-batch" --quiet "$tree" 2>/dev/null
  printf '%s\t%s\n' "$count" "$(awk -F': ' '/Maximum resident set size/ { print $2 }' "$dir/time.txt")" >>"$rss"
  [ "$count" = "$files" ] || rm -rf "$tree"
done

echo
echo "Machine: $(nproc) × $(lscpu | sed -n 's/^Model name: *//p'), $(uname -sr)"
echo "Load average before and after: $load_before; $(cut -d' ' -f1-3 /proc/loadavg)"
echo "Archive: bench/generate.py tree, $files documents of $file_size in folders of 100; mean wall time"
echo "of $runs runs (2 for find -exec), outputs removed and the disk synced before each (hyperfine)."
echo
python3 - "$dir" "$rss" <<'PYTHON'
import json, sys
folder, rss = sys.argv[1:]
results = json.load(open(f"{folder}/fast.json"))["results"] + json.load(open(f"{folder}/slow.json"))["results"]
names = ["cp -r", "wpconv-batch --jobs 1", "wpconv-batch (default jobs)", "find -exec wpconv"]
times = [r["mean"] for r in results]
print("| command | wall time | × cp -r |")
print("|---|---:|---:|")
for name, seconds in zip(names, times):
    print(f"| {name} | {seconds:.2f} s | {seconds / times[0]:.2f} |")
print()
print("| documents | wpconv-batch peak RSS |")
print("|---:|---:|")
peaks = [line.split() for line in open(rss)]
for count, peak in peaks:
    print(f"| {int(count):,} | {int(peak) / 1024:.1f} MiB |")
print()
print(f"- wpconv-batch --jobs 1: {times[1] / times[0]:.2f} × cp -r (target ≤ 2), "
      f"{times[3] / times[1]:.1f} × faster than find -exec wpconv (target ≥ 10)")
print(f"- peak RSS at {int(peaks[-1][0]):,} documents: {int(peaks[-1][1]) / 1024:.1f} MiB (target < 32)")
PYTHON
