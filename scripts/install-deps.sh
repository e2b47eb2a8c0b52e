#!/usr/bin/env bash
# Installs, through apt-get, the Debian packages that building and testing need and that are
# missing. Run as root or with sudo available. Usage: install-deps.sh [build|package|test|win64]
# win64: what the Windows tests need on a machine that cannot run 32-bit programs (as
# scripts/wine-env.sh finds): 64-bit Wine and the 64-bit MinGW-w64, to build and run the 64-bit
# Windows program instead.
set -euo pipefail

want=(cmake g++ make python3 googletest)
if [ "${1:-test}" = test ]; then
  want+=(g++-mingw-w64-i686 wine wine32:i386 icoutils locales clang libclang-rt-14-dev chromium
         hyperfine nkf time clang-format emscripten nodejs npm)
fi
# Making the packages (scripts/package.sh), and checking them.
case "${1:-test}" in
  package) want+=(g++-mingw-w64-i686 g++-mingw-w64-x86-64-posix wine dpkg-dev file scdoc emscripten
                 nodejs npm) ;;
  win64) want+=(wine64 g++-mingw-w64-x86-64-posix) ;;
  test) want+=(dpkg-dev file scdoc lintian man-db unzip) ;;
esac

missing=()
for package in "${want[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' &&
    continue
  # Node.js from elsewhere (such as NodeSource's, which carries npm) conflicts with Debian's npm:
  # a working command is enough.
  case $package in nodejs | npm) command -v "${package%js}" >/dev/null && continue ;; esac
  missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
printf 'Installing: %s\n' "${missing[*]}"
if printf '%s\n' "${missing[@]}" | grep -q ':i386$'; then
  "${sudo[@]}" dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -q
"${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
