#!/usr/bin/env bash
# Measures wpconv-batch --to html5 beside --to html on the same generated documents, in one run,
# and prints Markdown: wall time and throughput from hyperfine, the ratio of the two, and the
# peak memory of --to html5 from /usr/bin/time -v at several input sizes.
# Usage: bench/html5.sh   (about two minutes with the defaults)
#
# Settings, from the environment:
#   BENCH_SIZE        input size for the time table (default 100M; K, M, G are powers of 1000)
#   BENCH_RSS_SIZES   input sizes for the memory table (default "1M 100M")
#   BENCH_RUNS        timed runs per command (default 10), BENCH_WARMUP warmup runs (default 2)
#   BENCH_DIR         scratch folder (default /tmp/wpconv-html5-bench), removed at the end unless
#                     BENCH_KEEP=1
#   BENCH_BUILD       a build folder holding wpconv-batch, instead of a Release build in
#                     build/bench
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
size=${BENCH_SIZE:-100M}
rss_sizes=${BENCH_RSS_SIZES:-1M 100M}
runs=${BENCH_RUNS:-10}
warmup=${BENCH_WARMUP:-2}
dir=${BENCH_DIR:-/tmp/wpconv-html5-bench}

# shellcheck source=SCRIPTDIR/common.sh
. "$root/bench/common.sh"
need hyperfine python3 /usr/bin/time
build=${BENCH_BUILD:-$(release_build wpconv-batch)}
batch=$build/wpconv-batch

case $dir in *[[:space:]]*) echo "bench: BENCH_DIR must hold no spaces" >&2; exit 1 ;; esac
mkdir -p "$dir"
[ "${BENCH_KEEP:-0}" = 1 ] || trap 'rm -rf "$dir"' EXIT

# generate KIND SIZE: writes KIND-SIZE.TXT unless it exists.
generate() {
  [ -f "$dir/$1-$2.TXT" ] || python3 "$root/bench/generate.py" "$1" "$2" "$dir/$1-$2.TXT"
}

# peak_rss COMMAND: the command's largest resident set in KiB, the median of three runs.
peak_rss() {
  for _ in 1 2 3; do
    rm -f "$dir"/*.html
    # shellcheck disable=SC2086  # a command is split into words on purpose
    /usr/bin/time -v -o "$dir/time.txt" $1 </dev/null >/dev/null 2>&1 || true
    awk -F': ' '/Maximum resident set size/ { print $2 }' "$dir/time.txt"
  done | sort -n | sed -n 2p
}

load_before=$(cut -d' ' -f1-3 /proc/loadavg)
for kind in document dense-document; do
  generate "$kind" "$size"
  input=$dir/$kind-$size.TXT
  # Each run writes its output anew: the outputs are removed, and the disk synced, before it.
  hyperfine --style basic --warmup "$warmup" --runs "$runs" \
    --prepare "rm -f ${input%.*}.HTM ${input%.*}.html; sync" --export-json "$dir/$kind.json" \
    "$batch --quiet --to html $input" "$batch --quiet --to html5 $input" >&2
done

rss=$dir/rss.txt
: >"$rss"
for s in $rss_sizes; do
  generate document "$s"
  printf '%s\t%s\n' "$s" "$(peak_rss "$batch --quiet --to html5 $dir/document-$s.TXT")" >>"$rss"
  [ "$s" = "$size" ] || rm -f "$dir/document-$s."*
done

echo
echo "Machine: $(nproc) × $(lscpu | sed -n 's/^Model name: *//p'), $(uname -sr)"
echo "Load average before and after: $load_before; $(cut -d' ' -f1-3 /proc/loadavg)"
echo "Inputs: bench/generate.py (document, dense-document), $size each; $runs runs after $warmup"
echo "warmups (hyperfine), wall time. The ratios are of medians: on a shared machine a run now"
echo "and then takes two or three times as long, which moves a mean far more than the typical run."
echo
python3 - "$dir" "$rss" <<'EOF'
import json, os, sys
folder, rss = sys.argv[1:]
print("| input | command | median | mean | MB/s (median) |")
print("|---|---|---:|---:|---:|")
verdicts = []
for kind, label in (("document", "document"), ("dense-document", "dense document")):
    results = json.load(open(f"{folder}/{kind}.json"))["results"]
    medians, means = {}, {}
    for result in results:
        target = result["command"].split("--to ")[1].split()[0]
        medians[target], means[target] = result["median"], result["mean"]
        size = os.path.getsize(result["command"].split()[-1])
        print(f"| {label} | --to {target} | {result['median'] * 1000:.0f} ms "
              f"| {result['mean'] * 1000:.0f} ms | {size / result['median'] / 1e6:.0f} |")
    verdicts.append(f"--to html5 on {label} input: {medians['html5'] / medians['html']:.2f} × the "
                    f"time of --to html (target ≤ 1.5; of the means "
                    f"{means['html5'] / means['html']:.2f})")
print()
print("| input size | --to html5 peak RSS |")
print("|---|---:|")
sizes = [line.split() for line in open(rss)]
for size, peak in sizes:
    print(f"| {size}B | {int(peak)} KiB |")
if len(sizes) > 1:
    first, last = int(sizes[0][1]), int(sizes[-1][1])
    verdicts.append(f"--to html5: peak RSS {last / 1024:.1f} MiB (target < 8), "
                    f"{(last - first) / first * 100:+.1f} % from {sizes[0][0]}B to {sizes[-1][0]}B "
                    f"(target within 10 %)")
print()
for verdict in verdicts:
    print(f"- {verdict}")
EOF
