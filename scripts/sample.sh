#!/usr/bin/env bash
# Builds wpconv and converts the bundled sample letter into HTML, in build/sample/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh build
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DWPCONV_TESTS=OFF >/dev/null
cmake --build build/release -j "$(nproc)"
mkdir -p build/sample
cp examples/LETTER.OA2 build/sample/
build/release/wpconv build/sample/LETTER.OA2
echo "Wrote build/sample/LETTER.HTM (Shift-JIS). As UTF-8:"
iconv -f CP932 -t UTF-8 build/sample/LETTER.HTM
