#!/usr/bin/env bash
# Checks the packages that scripts/package.sh left in build/packages/, used as a new user would
# use them: lintian on the Debian package; the package unpacked into a scratch root, its programs
# run from there on the sample, both ways, with the template found under share/wpconv/, and its
# man pages rendered with every warning turned on; `cmake --install` of the package's build; the
# Windows zips, 32-bit and 64-bit, unpacked, their programs checked (kind, subsystem, DLLs,
# version, manifest) and run under Wine on the sample, with the same bytes, where this machine
# can run them (scripts/wine-env.sh); the web page's zip unpacked.
set -euo pipefail
cd "$(dirname "$0")/../.."
repo=$PWD
version=$(sed -n 's/^project(wpconv VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
packages=$repo/build/packages
deb=$packages/wpconv_${version}_amd64.deb
work=$repo/build/package-check

step() { printf -- '-- %s (at %d s)\n' "$*" "$SECONDS"; }
fail() {
  printf 'FAIL: %s\n' "$*" >&2
  exit 1
}

for package in "$deb" "$packages/wpconv-$version-win"{32,64}.zip; do
  [ -f "$package" ] || fail "$package is missing: run scripts/package.sh first"
done
rm -rf "$work"
mkdir -p "$work"

step "lintian: no errors"
lintian --fail-on error --display-info "$deb" || fail "lintian found errors in $(basename "$deb")"

step "control fields and contents"
field() { dpkg-deb --field "$deb" "$1"; }
[ "$(field Package)" = wpconv ] || fail "package name $(field Package)"
[ "$(field Version)" = "$version" ] || fail "version $(field Version), expected $version"
[ "$(field Section)" = text ] || fail "section $(field Section)"
for library in libc6 libstdc++6; do
  grep -q "$library" <<<"$(field Depends)" || fail "Depends lacks $library: $(field Depends)"
done
root=$work/root
dpkg-deb -x "$deb" "$root"
for path in bin/wpconv bin/wpconv-batch share/wpconv/wpconv.FMT share/man/man1/wpconv.1.gz \
  share/man/man1/wpconv-batch.1.gz share/doc/wpconv/copyright share/doc/wpconv/changelog.gz \
  share/doc/wpconv/README.md share/doc/wpconv/LICENSE; do
  [ -f "$root/usr/$path" ] || fail "the package lacks /usr/$path"
done
[ ! -e "$root/usr/bin/wpconv.FMT" ] || fail "the template is in /usr/bin"
changelog_version=$(zcat "$root/usr/share/doc/wpconv/changelog.gz" |
  sed -n '1s/^wpconv (\(.*\)).*/\1/p')
[ "$changelog_version" = "$version" ] ||
  fail "the changelog's latest entry is $changelog_version, the package $version"

step "the packaged programs, run from the unpacked root"
bin=$root/usr/bin
[ "$("$bin/wpconv" --version)" = "wpconv $version" ] || fail "wpconv --version"
[ "$("$bin/wpconv-batch" --version)" = "wpconv-batch $version" ] || fail "wpconv-batch --version"
mkdir "$work/native" "$work/batch"
cp examples/LETTER.OA2 "$work/native/"
"$bin/wpconv" "$work/native/LETTER.OA2" || fail "LETTER.OA2: exit status $?"
head -c 6 "$work/native/LETTER.HTM" | grep -q '^<HTML>' || fail "LETTER.HTM is not the HTML"
mv "$work/native/LETTER.HTM" "$work/native/BACK.HTM"
"$bin/wpconv" "$work/native/BACK.HTM" || fail "BACK.HTM: exit status $? (template not found?)"
cmp "$work/native/BACK.FMT" data/wpconv.FMT || fail "BACK.FMT is not the installed template"
[ "$(tail -c 1 "$work/native/BACK.DOC" | od -An -tx1 | tr -d ' ')" = 1a ] ||
  fail "BACK.DOC does not end with the end-of-text byte"
# The companion finds the same template, from its own folder.
cp "$work/native/BACK.HTM" "$work/batch/"
"$bin/wpconv-batch" --quiet --to doc "$work/batch" 2>"$work/batch.err" ||
  fail "wpconv-batch: exit status $?: $(cat "$work/batch.err")"
cmp "$work/batch/BACK.DOC" "$work/native/BACK.DOC" || fail "wpconv-batch wrote another BACK.DOC"
cmp "$work/batch/BACK.FMT" data/wpconv.FMT || fail "wpconv-batch wrote another BACK.FMT"

step "man pages, rendered with every warning turned on"
for page in wpconv wpconv-batch; do
  source=$root/usr/share/man/man1/$page.1.gz
  warnings=$(zcat "$source" | groff -ww -man -Tutf8 -z 2>&1)
  [ -z "$warnings" ] || fail "$page.1: groff warns: $warnings"
  rendered=$(MANWIDTH=80 man --warnings=all --manpath="$root/usr/share/man" "$page" \
    2>"$work/man.err")
  [ ! -s "$work/man.err" ] || fail "$page.1: man warns: $(cat "$work/man.err")"
  for section in NAME SYNOPSIS DESCRIPTION FILES 'EXIT STATUS' DIAGNOSTICS EXAMPLES 'SEE ALSO'; do
    grep -q "^$section\$" <<<"$rendered" || fail "$page.1 has no $section section"
  done
done
# Every message that wpconv can show is in its page.
rendered=$(MANWIDTH=200 man --manpath="$root/usr/share/man" wpconv 2>/dev/null)
sed -n 's/^ *{FileKind::[a-z_]*, Step::[a-z]*, "\(.*\)\\n"},$/\1/p' src/jobs/messages.cpp \
  >"$work/messages"
[ -s "$work/messages" ] || fail "no messages found in src/jobs/messages.cpp"
while read -r message; do
  grep -qx " *$message" <<<"$rendered" || fail "wpconv.1 does not list the message: $message"
done <"$work/messages"

step "cmake --install of the package's build: the same layout, without Debian's own files"
cmake --install build/package-deb --prefix "$work/prefix" >/dev/null
(cd "$work/prefix" && find . -type f | sort) >"$work/installed"
(cd "$root/usr" && find . -type f ! -name copyright ! -name changelog.gz | sort) >"$work/packaged"
diff "$work/packaged" "$work/installed" || fail "cmake --install and the package differ"

step "the Windows zips: contents, the programs checked, and run under Wine where they can be"
# shellcheck source=SCRIPTDIR/../../scripts/wine-env.sh
. scripts/wine-env.sh
[ "$WPCONV_WINE32" = yes ] || scripts/install-deps.sh win64
# Where 32-bit programs cannot run, the 64-bit ones must. Where they can, the 64-bit ones run too
# if 64-bit Wine is installed: Debian's `wine` hands them to it.
runnable=(64)
if [ "$WPCONV_WINE32" = yes ]; then
  runnable=(32)
  [ ! -x "$WPCONV_WINE64_LOADER" ] || runnable+=(64)
fi
wine_fresh_prefix "$work/wineprefix"
trap wine_stop EXIT
for bits in 32 64; do
  folder=$work/zip/wpconv-$version-win$bits
  unzip -q "$packages/wpconv-$version-win$bits.zip" -d "$work/zip"
  (cd "$folder" && ls | sort | tr '\n' ' ') >"$work/zip-list"
  [ "$(cat "$work/zip-list")" = "LICENSE.txt README.txt wpconv-batch.exe wpconv.FMT wpconv.exe " ] ||
    fail "the win$bits zip holds: $(cat "$work/zip-list")"
  for text in README.txt LICENSE.txt; do
    [ "$(grep -c -v $'\r$' "$folder/$text")" = 0 ] || fail "win$bits: $text has lines without CR LF"
  done
  cmp "$folder/wpconv.FMT" data/wpconv.FMT || fail "the win$bits zip's wpconv.FMT is not the template"
  python3 tests/windows/check_program.py "$version" "$bits" "$folder/wpconv.exe" \
    "$folder/wpconv-batch.exe" || fail "the win$bits zip's programs"
  if [[ " ${runnable[*]} " != *" $bits "* ]]; then
    printf 'The %s-bit programs of the zip were checked, not run: they cannot run here.\n' \
      "$bits"
    continue
  fi
  run=$work/windows-$bits
  mkdir "$run"
  cp examples/LETTER.OA2 "$work/native/BACK.HTM" "$run/"
  cd "$run"
  "$WPCONV_WINE_LOADER" "$folder/wpconv.exe" LETTER.OA2 || fail "win$bits LETTER.OA2: exit status $?"
  "$WPCONV_WINE_LOADER" "$folder/wpconv.exe" BACK.HTM || fail "win$bits BACK.HTM: exit status $?"
  cd "$repo"
  for name in BACK.DOC BACK.FMT; do
    cmp "$run/$name" "$work/native/$name" || fail "the win$bits wpconv.exe wrote another $name"
  done
  # The native LETTER.HTM was renamed BACK.HTM and converted back; it is the same HTML.
  cmp "$run/LETTER.HTM" "$work/native/BACK.HTM" ||
    fail "the win$bits wpconv.exe wrote another LETTER.HTM"
  [ "$("$WPCONV_WINE_LOADER" "$folder/wpconv-batch.exe" --version | tr -d '\r')" = \
    "wpconv-batch $version" ] || fail "the win$bits wpconv-batch.exe --version"
  printf 'The %s-bit programs of the zip were checked and run.\n' "$bits"
done

step "the web page's zip: one folder holding the page, its module and the template"
web=$packages/wpconv-$version-web.zip
[ -f "$web" ] || fail "$web is missing: run scripts/package.sh first"
unzip -q "$web" -d "$work/web"
for name in index.html app.js worker.js sw.js wpconv.js wpconv.wasm fflate.js LICENSE-fflate.txt; do
  [ -s "$work/web/wpconv-$version-web/$name" ] || fail "the web zip lacks $name"
done
cmp data/wpconv.FMT "$work/web/wpconv-$version-web/wpconv.FMT" || fail "the web zip's template"

step "packages checked"
