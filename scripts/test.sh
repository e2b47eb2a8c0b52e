#!/usr/bin/env bash
# Installs what the tests need, then builds and runs every test: the native program, with and
# without the vector kernels, under AddressSanitizer and UndefinedBehaviorSanitizer and under
# ThreadSanitizer, the Windows programs under Wine, bounded fuzzing, the HTML in a headless
# browser, the web page, a tiny run of the benchmark, the Debian package and the Windows zips,
# and the formatting. Every step runs even when one before it fails; the failures are listed at
# the end, and the exit status is 1 if there is any.
set -uo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh test || {
  echo "FAIL: could not install what the tests need" >&2
  exit 1
}
jobs=$(nproc)

# Whether this machine runs 32-bit programs under Wine, found once by trying (and said in one
# line): the Windows steps take the answer from the environment.
# shellcheck source=scripts/wine-env.sh
. scripts/wine-env.sh || exit 1
if [ "$WPCONV_WINE32" = no ]; then
  scripts/install-deps.sh win64 || {
    echo "FAIL: could not install 64-bit Wine and MinGW-w64" >&2
    exit 1
  }
fi

results=()
failed=0
# step NAME FUNCTION: runs FUNCTION in a shell of its own that stops at its first failing command.
step() {
  local name=$1 start=$SECONDS status
  printf '\n==== %s\n' "$name"
  (
    set -e
    "$2"
  )
  status=$?
  if [ "$status" -eq 0 ]; then
    results+=("passed  $name ($((SECONDS - start)) s)")
  else
    results+=("FAILED  $name (exit status $status, $((SECONDS - start)) s)")
    failed=$((failed + 1))
  fi
}

# build_and_test DIR CMAKE-OPTIONS...: configures, builds and runs CTest.
build_and_test() {
  local dir=$1
  shift
  cmake -S . -B "$dir" -DWPCONV_WERROR=ON "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
  ctest --test-dir "$dir" --output-on-failure
}

native() { build_and_test build/native -DCMAKE_BUILD_TYPE=RelWithDebInfo; }
plain() { build_and_test build/plain -DCMAKE_BUILD_TYPE=RelWithDebInfo -DWPCONV_SIMD=OFF; }
address() {
  ASAN_OPTIONS=detect_leaks=1 build_and_test build/sanitize -DCMAKE_BUILD_TYPE=Debug \
    -DWPCONV_SANITIZE=ON
}
# The streams' threads: their unit tests and the HTML5 writer's (the reading thread parses its
# blocks), then the programs on large files from disk, where blocks are read ahead and written
# behind, with early ends, full disks and failing devices.
thread() {
  cmake -S . -B build/thread -DCMAKE_BUILD_TYPE=Debug -DWPCONV_SANITIZE=thread \
    -DWPCONV_WERROR=ON >/dev/null
  cmake --build build/thread -j "$jobs"
  export TSAN_OPTIONS=halt_on_error=1
  build/thread/tests/wpconv_tests --gtest_filter='ByteReader.*:ByteWriter.*:DocToHtml5.*'
  python3 tests/e2e/run_cases.py --program build/thread/wpconv --only '*_of_megabytes_*' \
    tests/e2e/cases
  tests/hostile/run.sh build/thread/wpconv build/thread/wpconv-batch
}
packages() {
  scripts/package.sh
  tests/package/run.sh
}
formatting() { git ls-files -- '*.cpp' '*.h' | xargs clang-format --dry-run --Werror; }

step "native build and tests" native
step "native build without the vector kernels, and its tests" plain
step "tests under AddressSanitizer and UndefinedBehaviorSanitizer" address
step "tests under ThreadSanitizer" thread
for extra in scripts/test-windows.sh fuzz/run.sh tests/browser/run.sh tests/web/run.sh \
  bench/smoke.sh; do
  if [ -x "$extra" ]; then
    step "$extra" "$extra"
  fi
done
step "packages: built, then checked as a user would use them" packages
step "formatting" formatting

printf '\n==== summary\n'
printf '%s\n' "${results[@]}"
if [ "$WPCONV_WINE32" = no ]; then
  echo "The 32-bit Windows programs were built and checked but not run: this machine cannot run"
  echo "32-bit programs, so the Windows tests ran on the 64-bit build."
fi
echo "$((${#results[@]} - failed)) passed, $failed failed"
[ "$failed" -eq 0 ]
