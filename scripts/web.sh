#!/usr/bin/env bash
# The converter as a static web page.
#   scripts/web.sh build        builds the WebAssembly module (build/wasm) and writes the finished
#                               page to build/web/
#   scripts/web.sh serve [PORT] builds, then serves build/web/ on 127.0.0.1 (default port 8080)
#   scripts/web.sh zip DIR      builds, then writes DIR/wpconv-VERSION-web.zip: one folder that
#                               any static web host serves as it is
# Needs emscripten, node and npm (scripts/install-deps.sh installs them); the zip writer comes from
# the npm registry at the version web/package-lock.json pins.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
out=$root/build/web
# emscripten 3.1.6's tools find their node modules only through NODE_PATH under Node 20.
export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}

build() {
  emcmake cmake -S . -B build/wasm -DWPCONV_WASM=ON -DWPCONV_WERROR=ON -DCMAKE_BUILD_TYPE=Release \
    >/dev/null
  cmake --build build/wasm -j "$(nproc)" --target wpconv_web
  (cd web && npm ci --no-audit --no-fund --prefer-offline --loglevel=error)
  rm -rf "$out"
  mkdir -p "$out"
  cp web/index.html web/style.css web/app.js web/worker.js build/wasm/wpconv.js \
    build/wasm/wpconv.wasm "$out/"
  cp data/wpconv.FMT "$out/wpconv.FMT"
  cp web/node_modules/fflate/umd/index.js "$out/fflate.js"
  cp web/node_modules/fflate/LICENSE "$out/LICENSE-fflate.txt"
  cp LICENSE "$out/LICENSE.txt"
  # The service worker keeps every file of the page; its cache's name changes with them.
  local files version
  files=$(cd "$out" && ls | sort | sed 's/.*/"&"/' | paste -sd, -)
  version=$(cd "$out" && cat $(ls | sort) | sha256sum | cut -c1-16)
  sed -e "s/@VERSION@/$version/" -e "s/@FILES@/\"\.\/\",$files/" web/sw.js >"$out/sw.js"
  echo "page written to build/web/"
}

case ${1:-} in
  build) build ;;
  serve)
    build
    echo "serving on http://127.0.0.1:${2:-8080}/ (Ctrl-C stops)"
    exec python3 -m http.server --bind 127.0.0.1 --directory "$out" "${2:-8080}"
    ;;
  zip)
    [ -n "${2:-}" ] || { echo "usage: scripts/web.sh zip DIR" >&2; exit 2; }
    build
    version=$(sed -n 's/^project(wpconv VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
    mkdir -p "$2"
    python3 - "$out" "$2/wpconv-$version-web.zip" "wpconv-$version-web" <<'PY'
import os, sys, zipfile
source, target, folder = sys.argv[1:]
with zipfile.ZipFile(target, "w", zipfile.ZIP_DEFLATED) as archive:
    for name in sorted(os.listdir(source)):
        archive.write(os.path.join(source, name), f"{folder}/{name}")
PY
    echo "$2/wpconv-$version-web.zip"
    ;;
  *)
    echo "usage: scripts/web.sh build | serve [PORT] | zip DIR" >&2
    exit 2
    ;;
esac
