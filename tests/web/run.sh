#!/usr/bin/env bash
# The converter in WebAssembly: its unit tests under node, then the page that scripts/web.sh
# builds, driven in headless Chromium by playwright-core (tests/web/run.mjs), every download
# compared byte for byte with the native program's output for the same input.
# Usage: tests/web/run.sh   (WPCONV_NATIVE names the native wpconv; default build/native/wpconv,
# with wpconv-batch and wpconv.FMT beside it)
set -uo pipefail
cd "$(dirname "$0")/../.."
native=${WPCONV_NATIVE:-build/native/wpconv}
export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}
passed=0
failed=0
result() {  # status, what
  if [ "$1" = 0 ]; then passed=$((passed + 1)); echo "ok - $2"; else failed=$((failed + 1)); echo "FAIL - $2"; fi
}
finish() {
  echo "$passed passed, $failed failed"
  [ "$failed" = 0 ]
  exit
}

if [ ! -x "$native" ] || [ ! -x "$(dirname "$native")/wpconv-batch" ]; then
  echo "tests/web/run.sh: $native or wpconv-batch beside it is missing; build the native programs first" >&2
  result 1 "the native programs are there"
  finish
fi

emcmake cmake -S . -B build/wasm -DWPCONV_WASM=ON -DWPCONV_WERROR=ON -DCMAKE_BUILD_TYPE=Release \
  >/dev/null &&
  cmake --build build/wasm -j "$(nproc)" --target wpconv_tests >/dev/null &&
  ctest --test-dir build/wasm --output-on-failure
result $? "unit tests in WebAssembly under node"

scripts/web.sh build >/dev/null
result $? "scripts/web.sh build"
(cd tests/web && npm ci --no-audit --no-fund --prefer-offline --loglevel=error)
result $? "npm ci in tests/web"
[ "$failed" = 0 ] || finish

# No dot in the folder's path: an input named without one takes its output's name from the path.
cases=$(mktemp -d "${TMPDIR:-/tmp}/wpconv-web-XXXXXX")
trap 'rm -rf "$cases"' EXIT
if python3 tests/web/inputs.py "$native" "$cases"; then
  node tests/web/run.mjs build/web "$cases" | tee "$cases/log"
  status=${PIPESTATUS[0]}
  # The page's checks count one by one.
  counts=$(tail -n 1 "$cases/log" | sed -n 's/^\([0-9]*\) passed, \([0-9]*\) failed$/\1 \2/p')
  if [ -n "$counts" ]; then
    passed=$((passed + ${counts% *}))
    failed=$((failed + ${counts#* }))
    [ "$status" = 0 ] || [ "${counts#* }" != 0 ] || failed=$((failed + 1))
  else
    result 1 "the page in headless Chromium"
  fi
else
  result 1 "the inputs and the native program's outputs"
fi
finish
