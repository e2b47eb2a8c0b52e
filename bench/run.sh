#!/usr/bin/env bash
# Measures both conversions beside cp, iconv and nkf on the same generated inputs, in one run,
# and prints Markdown tables: wall time and throughput from hyperfine, peak memory from
# /usr/bin/time -v. Usage: bench/run.sh   (about four minutes for the full sizes)
#
# Settings, from the environment:
#   BENCH_SIZE        input size for the time table (default 100M; K, M, G are powers of 1000)
#   BENCH_RSS_SIZES   input sizes for the memory table (default "1M 100M 200M")
#   BENCH_RUNS        timed runs per command (default 10), BENCH_WARMUP warmup runs (default 2)
#   BENCH_DIR         scratch folder for inputs and outputs (default /tmp/wpconv-bench), removed
#                     at the end unless BENCH_KEEP=1
#   BENCH_PROGRAM     a wpconv to measure instead of building a Release one in build/bench
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
size=${BENCH_SIZE:-100M}
rss_sizes=${BENCH_RSS_SIZES:-1M 100M 200M}
runs=${BENCH_RUNS:-10}
warmup=${BENCH_WARMUP:-2}
dir=${BENCH_DIR:-/tmp/wpconv-bench}

# shellcheck source=SCRIPTDIR/common.sh
. "$root/bench/common.sh"
need hyperfine nkf iconv python3 /usr/bin/time
program=${BENCH_PROGRAM:-$(release_build wpconv)/wpconv}

case $dir in *[[:space:]]*) echo "bench: BENCH_DIR must hold no spaces" >&2; exit 1 ;; esac
mkdir -p "$dir"
[ "${BENCH_KEEP:-0}" = 1 ] || trap 'rm -rf "$dir"' EXIT

# generate SIZE: writes doc-SIZE.TXT and page-SIZE.htm unless they exist.
generate() {
  [ -f "$dir/doc-$1.TXT" ] || python3 "$root/bench/generate.py" document "$1" "$dir/doc-$1.TXT"
  [ -f "$dir/page-$1.htm" ] || python3 "$root/bench/generate.py" html "$1" "$dir/page-$1.htm"
}

# generate_web SIZE: writes web-SIZE.htm, the text as a UTF-8 page from another program.
generate_web() {
  [ -f "$dir/web-$1.htm" ] || python3 "$root/bench/generate.py" web-html "$1" "$dir/web-$1.htm"
}

# generate_dense SIZE: the same with something to decide every ten bytes or so.
generate_dense() {
  [ -f "$dir/dense-$1.TXT" ] ||
    python3 "$root/bench/generate.py" dense-document "$1" "$dir/dense-$1.TXT"
  [ -f "$dir/dense-$1.htm" ] || python3 "$root/bench/generate.py" dense-html "$1" "$dir/dense-$1.htm"
}

# The rows of one input: label|command|file for its standard output. Each command writes a file,
# as the converter does. iconv -c skips what it cannot convert, such as the word processor's own
# codes, and then exits with 1, which counts as success here.
rows() {  # input, the converter's row label, and for UTF-8 input "utf8"
  echo "wpconv $2|$program $1|"
  echo "cp|cp $1 $dir/copy|"
  if [ "${3:-}" = utf8 ]; then
    echo "iconv -f UTF-8 -t CP932|iconv -c -f UTF-8 -t CP932 $1|$dir/iconv.out"
    echo "nkf -Ws|nkf -Ws $1|$dir/nkf.out"
  else
    echo "iconv -f CP932 -t UTF-8|iconv -c -f CP932 -t UTF-8 $1|$dir/iconv.out"
    echo "nkf -Sw|nkf -Sw $1|$dir/nkf.out"
  fi
}

# run COMMAND OUT: runs a row's command once, failing on any error.
run() {
  local status=0
  # shellcheck disable=SC2086  # a command is split into words on purpose; no path holds a space
  $1 </dev/null >"${2:-/dev/null}" || status=$?
  if [ $status != 0 ] && ! { [ $status = 1 ] && [[ $1 == iconv* ]]; }; then
    echo "bench: failed with $status: $1" >&2
    exit 1
  fi
}

# peak_rss COMMAND OUT: the command's largest resident set in KiB, the median of three runs
# (shared libraries make it vary a little), measured without a shell in between, whose own memory
# would count too.
peak_rss() {
  for _ in 1 2 3; do
    # shellcheck disable=SC2086
    /usr/bin/time -v -o "$dir/time.txt" $1 </dev/null >"${2:-/dev/null}" || true
    awk -F': ' '/Maximum resident set size/ { print $2 }' "$dir/time.txt"
  done | sort -n | sed -n 2p
}

load_before=$(cut -d' ' -f1-3 /proc/loadavg)
generate "$size"
generate_dense "$size"
generate_web "$size"
results=$dir/results.txt
: >"$results"
for kind in document html dense-document dense-html web-html; do
  encoding=
  case $kind in
    document) input=$dir/doc-$size.TXT name="document→HTML" ;;
    html) input=$dir/page-$size.htm name="HTML→document" ;;
    dense-document) input=$dir/dense-$size.TXT name="document→HTML" ;;
    dense-html) input=$dir/dense-$size.htm name="HTML→document" ;;
    web-html) input=$dir/web-$size.htm name="web HTML→document" encoding=utf8 ;;
  esac
  timed=()
  while IFS='|' read -r label command out; do
    run "$command" "$out"
    timed+=("$command > ${out:-/dev/null}")
    printf '%s\t%s\t%s\t%s\n' "$kind" "$label" "$(stat -c %s "$input")" \
      "$(peak_rss "$command" "$out")" >>"$results"
  done < <(rows "$input" "$name" "$encoding")
  # -i: iconv's status 1 is expected, and every command has just been seen to work. Before each
  # run the outputs are removed and the disk is synced, so that no run waits for the writeback of
  # the last one's output.
  hyperfine --style basic -i --warmup "$warmup" --runs "$runs" \
    --prepare "rm -f $dir/copy $dir/iconv.out $dir/nkf.out ${input%.*}.HTM ${input%.*}.DOC; sync" \
    --export-json "$dir/$kind.json" "${timed[@]}" >&2
done

rss=$dir/rss.txt
: >"$rss"
for s in $rss_sizes; do
  generate "$s"
  generate_web "$s"
  printf '%s\t%s\t%s\t%s\n' "$s" "$(peak_rss "$program $dir/doc-$s.TXT" "")" \
    "$(peak_rss "$program $dir/page-$s.htm" "")" "$(peak_rss "$program $dir/web-$s.htm" "")" >>"$rss"
  [ "$s" = "$size" ] || rm -f "$dir/doc-$s."* "$dir/page-$s."* "$dir/web-$s."*
done

echo
echo "Machine: $(nproc) × $(lscpu | sed -n 's/^Model name: *//p'), $(uname -sr)"
echo "Load average before and after: $load_before; $(cut -d' ' -f1-3 /proc/loadavg)"
echo "Inputs: bench/generate.py (document, html, dense-document, dense-html, web-html), $size each;"
echo "$runs runs after"
echo "$warmup warmups (hyperfine), mean wall time."
echo
python3 - "$dir" "$results" "$rss" <<'EOF'
import json, sys
folder, results, rss = sys.argv[1:]
rows = [line.rstrip("\n").split("\t") for line in open(results)]
print("| input | command | wall time | MB/s | × cp | peak RSS |")
print("|---|---|---:|---:|---:|---:|")
verdicts = []
labels = {"document": "document", "html": "HTML", "dense-document": "dense document",
          "dense-html": "dense HTML", "web-html": "UTF-8 HTML5"}
targets = {"document": 3.5, "html": 4.5, "dense-document": 3.5, "dense-html": 4.5}
for kind in labels:
    times = [r["mean"] for r in json.load(open(f"{folder}/{kind}.json"))["results"]]
    mine = [r for r in rows if r[0] == kind]
    by_label = {}
    for (kind_, label, size, peak), seconds in zip(mine, times):
        by_label[label.split()[0]] = seconds
        cp = times[1]
        print(f"| {labels[kind]} | {label} | {seconds * 1000:.0f} ms "
              f"| {int(size) / seconds / 1e6:.0f} | {seconds / cp:.2f} | {int(peak) / 1024:.1f} MiB |")
    ratio = by_label["wpconv"] / by_label["cp"]
    of_iconv = by_label["wpconv"] / by_label["iconv"]
    if kind not in targets:  # the web reader: a speed of its own
        speed = int(mine[0][2]) / by_label["wpconv"] / 1e6
        verdicts.append(f"{mine[0][1]} on {labels[kind]} input: {speed:.0f} MB/s (target ≥ 100)")
        continue
    verdicts.append(f"{mine[0][1]} on {labels[kind]} input: {ratio:.2f} × cp "
                    f"(target ≤ {targets[kind]}), {of_iconv:.2f} × iconv (target ≤ 0.33)")
print()
print("| input size | document→HTML peak RSS | HTML→document peak RSS | web HTML→document peak RSS |")
print("|---|---:|---:|---:|")
sizes = [line.split() for line in open(rss)]
for size, doc, html, web in sizes:
    print(f"| {size}B | {int(doc)} KiB | {int(html)} KiB | {int(web)} KiB |")
if len(sizes) > 1:
    for column, name in ((1, "document→HTML"), (2, "HTML→document"), (3, "web HTML→document")):
        first, last = int(sizes[0][column]), int(sizes[-1][column])
        verdicts.append(f"{name}: peak RSS {last / 1024:.1f} MiB "
                        f"(target < {8 if column == 3 else 4}), "
                        f"{(last - first) / first * 100:+.1f} % from {sizes[0][0]}B to "
                        f"{sizes[-1][0]}B (target within 10 %)")
print()
for verdict in verdicts:
    print(f"- {verdict}")
EOF
