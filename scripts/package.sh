#!/usr/bin/env bash
# Builds the packages into build/packages/: the Debian package wpconv_VERSION_amd64.deb from
# a native Release build (with Debian's hardening flags), the Windows zip
# wpconv-VERSION-win32.zip from the MinGW-w64 cross build, and the web page's
# wpconv-VERSION-web.zip (scripts/web.sh). tests/package/run.sh checks them.
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

step "Windows cross build for the zip"
cmake -S . -B build/package-win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake \
  -DCMAKE_BUILD_TYPE=Release -DWPCONV_TESTS=OFF >/dev/null
cmake --build build/package-win32 -j "$jobs"
(cd build/package-win32 && cpack -G ZIP -B "$out")

step "the web page"
scripts/web.sh zip "$out" >/dev/null

# CPack's working folders stay out of the way.
rm -rf "$out/_CPack_Packages"
step "packages in build/packages:"
ls -l "$out"
