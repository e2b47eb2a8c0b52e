#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer) and
# runs each one for a bounded time from the seed corpus. Fails on any crash, sanitizer report,
# broken property, leak, time-out or excess memory, printing the input that caused it.
# Usage: fuzz/run.sh [SECONDS_PER_TARGET] (default 40). Needs clang and libclang-rt-14-dev,
# which scripts/install-deps.sh installs.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-40}
build=build/fuzz
targets=(doc_to_html doc_to_html5 oa2_to_html html_to_doc web_html_to_doc entry)

if ! command -v clang++ >/dev/null; then
  echo "fuzz/run.sh: clang++ not found; run scripts/install-deps.sh first" >&2
  exit 1
fi
cmake -S . -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DWPCONV_FUZZ=ON -DWPCONV_TESTS=OFF -DWPCONV_SANITIZE=ON >/dev/null
cmake --build "$build" -j "$(nproc)" --target "${targets[@]/%/_fuzzer}"

# Every run starts from the seeds alone, so that a run does not depend on the ones before it.
rm -rf "$build/seeds" "$build/corpus" "$build/artifacts"
python3 fuzz/make_seed_corpus.py "$build/seeds"
mkdir -p "$build/artifacts"
export UBSAN_OPTIONS=print_stacktrace=1

failed=()
for target in "${targets[@]}"; do
  mkdir -p "$build/corpus/$target"
  log=$build/artifacts/$target.log
  case $target in
    entry) max_len=10000 ;;      # room for paths beyond the system's limit
    oa2_to_html) max_len=8192 ;; # room for a header of 2000 bytes and then text
    *) max_len=4096 ;;
  esac
  printf '%-12s ' "$target"
  status=0
  # The outer limit only catches a fuzzer that hangs as a whole; -timeout is per input.
  timeout --kill-after=10 $((seconds + 120)) \
    "$build/fuzz/${target}_fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -max_len=$max_len -dict=fuzz/wpconv.dict -print_final_stats=1 \
    -artifact_prefix="$build/artifacts/$target-" \
    "$build/corpus/$target" "$build/seeds/$target" >"$log" 2>&1 || status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  coverage=$(grep -o 'cov: [0-9]* ft: [0-9]*' "$log" | tail -n 1 || true)
  echo "${runs:-?} runs, ${coverage:-no coverage figures}"
  if [ "$status" -ne 0 ] || grep -qE 'ERROR: |runtime error|property broken' "$log"; then
    failed+=("$target")
    echo "---- $target failed (exit status $status); end of its log:"
    grep -v '^#[0-9]' "$log" | tail -n 40
    for artifact in "$build/artifacts/$target-"*; do
      [ -f "$artifact" ] || continue
      case $artifact in *.log) continue ;; esac
      echo "---- input $artifact (rerun: $build/fuzz/${target}_fuzzer $artifact), in hex:"
      if [ -s "$artifact" ]; then od -An -tx1 -v "$artifact" | head -n 64; else echo " (empty)"; fi
    done
  fi
done

if [ ${#failed[@]} -ne 0 ]; then
  echo "fuzz/run.sh: failed: ${failed[*]}" >&2
  exit 1
fi
