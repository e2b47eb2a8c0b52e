#!/usr/bin/env bash
# Installs what the tests need, then builds and runs every test: the native program, with and
# without the vector kernels, the same suite under AddressSanitizer and UndefinedBehaviorSanitizer,
# the Windows program under Wine, bounded fuzzing, the HTML in a headless browser, a tiny run
# of the benchmark, and the Debian package and Windows zip.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh test
jobs=$(nproc)

step() { printf '\n==== %s\n' "$*"; }

step "native build and tests"
cmake -S . -B build/native -DCMAKE_BUILD_TYPE=RelWithDebInfo -DWPCONV_WERROR=ON >/dev/null
cmake --build build/native -j "$jobs"
ctest --test-dir build/native --output-on-failure

step "native build without the vector kernels, and its tests"
cmake -S . -B build/plain -DCMAKE_BUILD_TYPE=RelWithDebInfo -DWPCONV_WERROR=ON -DWPCONV_SIMD=OFF \
  >/dev/null
cmake --build build/plain -j "$jobs"
ctest --test-dir build/plain --output-on-failure

step "tests under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build/sanitize -DCMAKE_BUILD_TYPE=Debug -DWPCONV_SANITIZE=ON -DWPCONV_WERROR=ON \
  >/dev/null
cmake --build build/sanitize -j "$jobs"
ASAN_OPTIONS=detect_leaks=1 ctest --test-dir build/sanitize --output-on-failure

for extra in scripts/test-windows.sh fuzz/run.sh tests/browser/run.sh bench/smoke.sh; do
  if [ -x "$extra" ]; then
    step "$extra"
    "$extra"
  fi
done

step "packages: built, then checked as a user would use them"
scripts/package.sh
tests/package/run.sh

step "formatting"
git ls-files -- '*.cpp' '*.h' | xargs clang-format --dry-run --Werror

step "all tests passed"
