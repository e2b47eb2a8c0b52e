#!/usr/bin/env bash
# Builds the packages into build/packages/: the Debian package wpconv_VERSION_amd64.deb from
# a native Release build (with Debian's hardening flags), the Windows zips
# wpconv-VERSION-win32.zip and wpconv-VERSION-win64.zip from the MinGW-w64 cross builds, 32-bit
# and 64-bit, and the web page's wpconv-VERSION-web.zip (scripts/web.sh). tests/package/run.sh
# checks them.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh package
jobs=$(nproc)
out=$PWD/build/packages

step() { printf -- '-- %s\n' "$*"; }

rm -rf "$out"
mkdir -p "$out"

step "native build for the Debian package"
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cmake -S . -B build/package-deb -DCMAKE_BUILD_TYPE=Release -DWPCONV_TESTS=OFF \
  -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >/dev/null
cmake --build build/package-deb -j "$jobs"
(cd build/package-deb && cpack -G DEB -B "$out")

# With every warning an error: on a machine that runs the 32-bit tests, this is where the 64-bit
# build is held to that.
for windows in win32:i686 win64:x86_64; do
  step "Windows cross build for the ${windows%:*} zip"
  build=build/package-${windows%:*}
  cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="cmake/mingw-w64-${windows#*:}.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DWPCONV_TESTS=OFF -DWPCONV_WERROR=ON >/dev/null
  cmake --build "$build" -j "$jobs"
  (cd "$build" && cpack -G ZIP -B "$out")
done

step "the web page"
scripts/web.sh zip "$out" >/dev/null

# CPack's working folders stay out of the way.
rm -rf "$out/_CPack_Packages"
step "packages in build/packages:"
ls -l "$out"
