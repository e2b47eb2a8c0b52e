#!/usr/bin/env bash
# Builds the Windows programs with MinGW-w64 and tests them under Wine: the unit tests, the
# end-to-end cases (with the Windows-only ones), command lines that only a shell can make, the
# version information, existing outputs kept through failures, and the outputs of the native and
# the Windows program on the same inputs, byte for byte.
# Where this machine cannot run 32-bit programs (scripts/wine-env.sh finds out by trying, or
# WPCONV_WINE32=no says so), the 32-bit programs are built and checked without being run, and the
# tests run on the 64-bit Windows build under the 64-bit loader instead.
# Needs the native program: build/native/wpconv (scripts/test.sh builds it first) or the one
# named by WPCONV_NATIVE.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD
native=${WPCONV_NATIVE:-$repo/build/native/wpconv}
jobs=$(nproc)
version=$(sed -n 's/^project(wpconv VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
. scripts/wine-env.sh
loader=$WPCONV_WINE_LOADER
# 64-bit Wine and MinGW-w64, where they are needed and missing (quiet otherwise).
[ "$WPCONV_WINE32" = yes ] || scripts/install-deps.sh win64

step() { printf -- '-- %s (at %d s)\n' "$*" "$SECONDS"; }
fail() {
  printf 'FAIL: %s\n' "$*" >&2
  exit 1
}

[ -x "$native" ] || fail "$native is missing: build the native program first"

# cross_build DIR BITS: the build with every warning an error, then its programs checked without
# running them: the kind of program, the subsystem, the DLLs, the version resource and manifest.
cross_build() {
  local toolchain=mingw-w64-i686
  [ "$2" = 32 ] || toolchain=mingw-w64-x86_64
  step "$2-bit cross build"
  cmake -S . -B "$1" -DCMAKE_TOOLCHAIN_FILE="cmake/$toolchain.cmake" -DCMAKE_BUILD_TYPE=Release \
    -DWPCONV_WERROR=ON -DWPCONV_WINE="$loader" >/dev/null
  cmake --build "$1" -j "$jobs"
  [ -f "$1/wpconv.FMT" ] || fail "no wpconv.FMT beside $1/wpconv.exe"
  step "the $2-bit programs, for the right subsystem, with Windows' own DLLs only, version, manifest"
  python3 tests/windows/check_program.py "$version" "$2" "$1/wpconv.exe" "$1/wpconv-batch.exe" ||
    fail "the $2-bit programs"
}

cross_build "$repo/build/windows" 32
build=$repo/build/windows
if [ "$WPCONV_WINE32" = no ]; then
  build=$repo/build/windows64
  cross_build "$build" 64
fi
exe=$build/wpconv.exe

step "fresh Wine prefix"
wine_fresh_prefix "$build/wineprefix"
trap wine_stop EXIT

step "unit and end-to-end tests under Wine, on $(basename "$build")"
ctest --test-dir "$build" --output-on-failure

step "command lines made by a shell"
scratch=$build/shell
rm -rf "$scratch"
mkdir -p "$scratch"
cp "$exe" "$build/wpconv.FMT" "$scratch/"
cd "$scratch"
printf 'Hi' >'My  Letter.TXT'
# Unquoted program name, and runs of blanks that belong to the path.
"$loader" cmd /c 'wpconv.exe   My  Letter.TXT' || fail "unquoted program name: exit status $?"
[ -f 'My  Letter.HTM' ] || fail "unquoted program name: no My  Letter.HTM"
# A missing input: the message box must not wait for anyone, and the status is -1.
start=$SECONDS
status=0
timeout 60 "$loader" wpconv.exe 'Missing.TXT' || status=$?
[ "$status" -eq 255 ] || fail "missing input: exit status $status, expected 255"
[ $((SECONDS - start)) -lt 20 ] || fail "missing input: the message box waited"
[ ! -e Missing.HTM ] || fail "missing input: Missing.HTM was written"

# Shift-JIS names whose second bytes are 5C, the code of '\': in a Japanese locale Wine's ANSI
# code page is 932, and the names on disk are in UTF-8.
if [ -f /usr/share/i18n/locales/ja_JP ]; then
  mkdir -p "$build/locale"
  localedef -i ja_JP -f UTF-8 "$build/locale/ja_JP.UTF-8" 2>/dev/null ||
    [ -d "$build/locale/ja_JP.UTF-8" ] || fail "cannot make a Japanese locale"
  so_hyou=$(printf '\xe3\x82\xbd\xe8\xa1\xa8')  # katakana so and kanji hyou: 83 5C 95 5C
  mkdir "$so_hyou"
  printf 'Hi' >"$so_hyou.TXT"
  printf 'Hi' >"$so_hyou/$so_hyou"
  for input in "$so_hyou.TXT" "$so_hyou\\$so_hyou"; do
    LOCPATH=$build/locale LC_ALL=ja_JP.UTF-8 "$loader" wpconv.exe "$input" ||
      fail "Shift-JIS name $input: exit status $?"
  done
  printf 'Hi' >reference.TXT
  "$native" reference.TXT
  cmp reference.HTM "$so_hyou.HTM" || fail "Shift-JIS name: wrong HTML"
  cmp reference.HTM "$so_hyou/$so_hyou.HTM" || fail "Shift-JIS name in a directory: wrong HTML"
else
  printf 'skipped Shift-JIS names: the locales package is missing\n'
fi
cd "$repo"

step "an existing output survives a failed or a killed conversion"
scratch=$build/replace
rm -rf "$scratch"
mkdir -p "$scratch/disk"
cp "$exe" "$build/wpconv.FMT" "$scratch/"
cd "$scratch"
if mount -t tmpfs -o size=64k tmpfs disk 2>/dev/null; then
  trap 'umount "$scratch/disk" 2>/dev/null || true; wine_stop' EXIT
  # An input that fits on the small disk, an output that does not.
  python3 -c "import sys; sys.stdout.buffer.write(b'ab  \x82\xa0\xef\xa0' * 5000)" >disk/doc.TXT
  printf 'old HTML' >disk/doc.HTM
  status=0
  "$loader" wpconv.exe 'disk\doc.TXT' || status=$?
  [ "$status" -eq 255 ] || fail "full disk: exit status $status, expected 255"
  [ "$(cat disk/doc.HTM)" = 'old HTML' ] || fail "full disk: the old HTML was lost"
  [ "$(cd disk && echo *)" = 'doc.HTM doc.TXT' ] || fail "full disk: left $(cd disk && echo *)"
  umount disk
else
  printf 'skipped the full disk: cannot mount a tmpfs here\n'
fi
# A link to the output stays a link: the file it names gets the new content.
mkdir real
printf 'old' >real/link.HTM
ln -s real/link.HTM link.HTM
printf 'Hi' >link.TXT
"$loader" wpconv.exe link.TXT || fail "link to the output: exit status $?"
[ -L link.HTM ] && grep -q Hi real/link.HTM || fail "link to the output: not kept"
# Killed in the middle of a large conversion: the old output stays, and at most a temporary
# file is left beside it.
python3 -c "import sys; sys.stdout.buffer.write(b'ab  \x82\xa0\xef\xa0' * 25000000)" >large.TXT
printf 'old HTML' >large.HTM
python3 "$repo/tests/windows/kill_midway.py" large.HTM "$loader" wpconv.exe large.TXT ||
  fail "killed conversion"
cd "$repo"
rm -rf "$scratch"

step "native and Windows programs give the same bytes"
python3 tests/windows/compare_native.py "$native" "$exe" "$build/compare" "$loader" ||
  fail "the native and the Windows program differ"

if [ "$WPCONV_WINE32" = yes ]; then
  step "Windows tests passed: 32-bit Windows programs built, checked and run"
else
  step "Windows tests passed on the 64-bit build; 32-bit Windows programs built and checked, not run"
fi
