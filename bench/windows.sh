#!/usr/bin/env bash
# Measures the Windows wpconv.exe under Wine with its vector kernels (chosen at start-up) and
# built without them, on bench/run.sh's inputs, in one run. Prints a Markdown table. The 32-bit
# program, or the 64-bit one where this machine cannot run 32-bit programs (scripts/wine-env.sh).
# Usage: bench/windows.sh   (about four minutes; needs MinGW-w64, wine and hyperfine)
#
# Settings, from the environment: BENCH_SIZE (default 100M), BENCH_RUNS (default 8), BENCH_DIR
# (default /tmp/wpconv-bench-windows, removed at the end unless BENCH_KEEP=1).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
size=${BENCH_SIZE:-100M}
runs=${BENCH_RUNS:-8}
dir=${BENCH_DIR:-/tmp/wpconv-bench-windows}

# shellcheck source=SCRIPTDIR/../scripts/wine-env.sh
. "$root/scripts/wine-env.sh"
loader=$WPCONV_WINE_LOADER
target=i686
[ "$WPCONV_WINE32" = yes ] || target=x86_64
# shellcheck source=SCRIPTDIR/common.sh
. "$root/bench/common.sh"
need hyperfine "$loader" python3 "$target-w64-mingw32-g++-posix"
case $dir in *[[:space:]]*) echo "bench: BENCH_DIR must hold no spaces" >&2; exit 1 ;; esac
for simd in ON OFF; do
  cmake -S "$root" -B "$root/build/bench-windows-$simd" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-$target.cmake" -DWPCONV_TESTS=OFF \
    -DWPCONV_SIMD=$simd >/dev/null
  cmake --build "$root/build/bench-windows-$simd" -j "$(nproc)" --target wpconv >/dev/null
done
mkdir -p "$dir"
wine_fresh_prefix "$dir/wineprefix"
trap wine_stop EXIT
[ "${BENCH_KEEP:-0}" = 1 ] || trap 'wine_stop; rm -rf "$dir"' EXIT

# Stems differ: under Wine, dense.HTM written from dense.TXT would replace dense.htm.
inputs=(doc.TXT page.htm dense-doc.TXT dense-page.htm)
kinds=(document html dense-document dense-html)
commands=()
for i in 0 1 2 3; do
  [ -f "$dir/${inputs[i]}" ] || python3 "$root/bench/generate.py" "${kinds[i]}" "$size" "$dir/${inputs[i]}"
  for simd in ON OFF; do
    commands+=("$loader $root/build/bench-windows-$simd/wpconv.exe $dir/${inputs[i]}")
  done
done
# Wine's own start, to be read beside the rest.
commands+=("$loader cmd /c exit")
hyperfine --style basic --warmup 1 --runs "$runs" --export-json "$dir/windows.json" \
  --prepare "rm -f $dir/*.HTM $dir/*.DOC $dir/*.FMT; sync" "${commands[@]}" >&2

echo
echo "Machine: $(nproc) × $(lscpu | sed -n 's/^Model name: *//p'), $("$loader" --version), $target"
echo "Inputs: bench/generate.py, $size each; median wall time of $runs runs (hyperfine)."
echo
python3 - "$dir/windows.json" <<'EOF'
import json, sys
times = [r["median"] for r in json.load(open(sys.argv[1]))["results"]]
print("| input | wpconv.exe with its vector kernels | without | ratio |")
print("|---|---:|---:|---:|")
for i, name in enumerate(["document", "HTML", "dense document", "dense HTML"]):
    fast, plain = times[2 * i], times[2 * i + 1]
    print(f"| {name} | {fast * 1000:.0f} ms | {plain * 1000:.0f} ms | {plain / fast:.2f} |")
print(f"\nWine's own start (wine cmd /c exit): {times[-1] * 1000:.0f} ms")
EOF
