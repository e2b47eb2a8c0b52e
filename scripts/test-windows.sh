#!/usr/bin/env bash
# Builds the 32-bit Windows program with MinGW-w64 and tests it under Wine: the unit tests, the
# end-to-end cases (with the Windows-only ones), command lines that only a shell can make, the
# version information, existing outputs kept through failures, and the outputs of the native and
# the Windows program on the same inputs, byte for byte.
# Needs the native program: build/native/wpconv (scripts/test.sh builds it first) or the one
# named by WPCONV_NATIVE.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD
build=$repo/build/windows
native=${WPCONV_NATIVE:-$repo/build/native/wpconv}
jobs=$(nproc)

# Quiet and unattended: no debug output, a prefix of our own, no offer to install Mono or
# Gecko, and no display, so that a message box returns at once instead of waiting for a click.
export WINEDEBUG=-all WINEPREFIX=$build/wineprefix WINEDLLOVERRIDES='mscoree,mshtml='
unset DISPLAY WAYLAND_DISPLAY
# An English locale: Wine's ANSI code page is then 1252, which holds none of the Japanese,
# Korean and other names of the tests, so only the program's Unicode paths reach them.
export LC_ALL=C.UTF-8

step() { printf -- '-- %s (at %d s)\n' "$*" "$SECONDS"; }
fail() {
  printf 'FAIL: %s\n' "$*" >&2
  exit 1
}

[ -x "$native" ] || fail "$native is missing: build the native program first"

step "cross build"
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake \
  -DCMAKE_BUILD_TYPE=Release -DWPCONV_WERROR=ON >/dev/null
cmake --build "$build" -j "$jobs"
exe=$build/wpconv.exe
[ -f "$build/wpconv.FMT" ] || fail "no wpconv.FMT beside wpconv.exe"

step "the program is 32-bit, for the GUI subsystem, and needs only Windows' own DLLs"
headers=$(i686-w64-mingw32-objdump -p "$exe")
grep -q '^Magic.*(PE32)$' <<<"$headers" || fail "wpconv.exe is not a 32-bit PE"
grep -q '^Subsystem.*00000002' <<<"$headers" || fail "wpconv.exe is not for the GUI subsystem"
dlls=$(sed -n 's/^\tDLL Name: //p' <<<"$headers" | tr '[:upper:]' '[:lower:]' | sort -u)
for dll in $dlls; do
  case $dll in
    kernel32.dll | user32.dll | msvcrt.dll) ;;
    *) fail "wpconv.exe needs $dll" ;;
  esac
done

step "version information and manifest of each program"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ -n "$version" ] || fail "no project version in the CMake cache"
for program in "$build"/wpconv*.exe; do
  name=$(basename "$program")
  wrestool -x --raw -t 16 "$program" >"$build/version.bin" || fail "$name: no version resource"
  python3 - "$build/version.bin" "$version" "$name" <<'EOF'
"""Reads the version resource back: its fixed numbers and the strings Explorer shows."""
import re
import struct
import sys

path, version, name = sys.argv[1:]
with open(path, 'rb') as f:
    blob = f.read()
fixed = blob.index(struct.pack('<I', 0xFEEF04BD))
words = struct.unpack_from('<4I', blob, fixed + 8)  # file version, then product version
numbers = [f'{ms >> 16}.{ms & 0xffff}.{ls >> 16}.{ls & 0xffff}'
           for ms, ls in (words[:2], words[2:])]
quad = '.'.join((version.split('.') + ['0'] * 4)[:4])
strings = dict(re.findall(r'(\w+)\x00+([^\x00]+)\x00', blob.decode('utf-16-le', 'replace')))
expected = {'ProductName': 'wpconv', 'FileVersion': version, 'ProductVersion': version,
            'OriginalFilename': name, 'LegalCopyright': 'Copyright (c) 2026 the wpconv authors'}
wrong = [f'{key} is {strings.get(key)!r}, expected {value!r}'
         for key, value in expected.items() if strings.get(key) != value]
wrong += [f'version number {number}, expected {quad}' for number in numbers if number != quad]
if not strings.get('FileDescription'):
    wrong.append('no FileDescription')
if wrong:
    sys.exit(f'FAIL: {name}: ' + '; '.join(wrong))
print(f'{name}: {strings["ProductName"]} {strings["FileVersion"]}, {strings["FileDescription"]!r}')
EOF
  manifest=$(wrestool -x --raw -t 24 "$program")
  for setting in 'level="asInvoker"' '<longPathAware[^>]*>true<' \
    '{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}' '{35138b9a-5d96-4fbd-8e2d-a2440225f93a}'; do
    grep -q "$setting" <<<"$manifest" || fail "$name: the manifest lacks $setting"
  done
done

step "fresh Wine prefix"
# A server left running on the old prefix by an interrupted run would keep it in use.
[ ! -d "$WINEPREFIX" ] || wineserver -k 2>/dev/null || true
rm -rf "$WINEPREFIX"
mkdir -p "$WINEPREFIX"
# One server for the whole run: started anew for each program, Wine takes about a second more.
wineserver -p
trap 'wineserver -k 2>/dev/null || true' EXIT
# First, with its output discarded: the services that Wine starts with the first program keep
# that program's output open, and a test reading it would wait for them to end.
wineboot -i >/dev/null 2>&1

step "unit and end-to-end tests under Wine"
ctest --test-dir "$build" --output-on-failure

step "command lines made by a shell"
scratch=$build/shell
rm -rf "$scratch"
mkdir -p "$scratch"
cp "$exe" "$build/wpconv.FMT" "$scratch/"
cd "$scratch"
printf 'Hi' >'My  Letter.TXT'
# Unquoted program name, and runs of blanks that belong to the path.
wine cmd /c 'wpconv.exe   My  Letter.TXT' || fail "unquoted program name: exit status $?"
[ -f 'My  Letter.HTM' ] || fail "unquoted program name: no My  Letter.HTM"
# A missing input: the message box must not wait for anyone, and the status is -1.
start=$SECONDS
status=0
timeout 60 wine wpconv.exe 'Missing.TXT' || status=$?
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
    LOCPATH=$build/locale LC_ALL=ja_JP.UTF-8 wine wpconv.exe "$input" ||
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
  trap 'umount "$scratch/disk" 2>/dev/null || true; wineserver -k 2>/dev/null || true' EXIT
  # An input that fits on the small disk, an output that does not.
  python3 -c "import sys; sys.stdout.buffer.write(b'ab  \x82\xa0\xef\xa0' * 5000)" >disk/doc.TXT
  printf 'old HTML' >disk/doc.HTM
  status=0
  wine wpconv.exe 'disk\doc.TXT' || status=$?
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
wine wpconv.exe link.TXT || fail "link to the output: exit status $?"
[ -L link.HTM ] && grep -q Hi real/link.HTM || fail "link to the output: not kept"
# Killed in the middle of a large conversion: the old output stays, and at most a temporary
# file is left beside it.
python3 -c "import sys; sys.stdout.buffer.write(b'ab  \x82\xa0\xef\xa0' * 25000000)" >large.TXT
printf 'old HTML' >large.HTM
python3 - <<'EOF' || fail "killed conversion"
import os
import signal
import subprocess
import sys
import time

before = set(os.listdir('.'))
process = subprocess.Popen(['wine', 'wpconv.exe', 'large.TXT'], stdin=subprocess.DEVNULL)
deadline = time.monotonic() + 60
while process.poll() is None and time.monotonic() < deadline:
    temporary = [name for name in os.listdir('.') if name.endswith('.wpconv-tmp')]
    if temporary and os.path.getsize(temporary[0]) > 0:
        os.kill(process.pid, signal.SIGKILL)
        break
    time.sleep(0.002)
process.wait()
if process.returncode != -signal.SIGKILL:
    sys.exit(f'FAIL: the conversion ended (status {process.returncode}) before it was killed')
with open('large.HTM', 'rb') as f:
    if f.read() != b'old HTML':
        sys.exit('FAIL: the old output was replaced or damaged')
extra = sorted(set(os.listdir('.')) - before)
if len(extra) != 1 or not extra[0].startswith('large.HTM.'):
    sys.exit(f'FAIL: left beside the output: {extra}')
print(f'killed mid-way: large.HTM kept, {extra[0]} left')
EOF
cd "$repo"
rm -rf "$scratch"

step "native and Windows programs give the same bytes"
python3 - "$native" "$exe" "$build/compare" <<'EOF'
"""Runs both programs on the inputs of every case file, the sample letter and generated
documents and HTML, in both directions and then back again, and compares all they write."""
import concurrent.futures
import os
import random
import shutil
import subprocess
import sys

native, exe, work = sys.argv[1:]
sys.path.insert(0, 'tests/e2e')
sys.dont_write_bytecode = True
import run_cases  # noqa: E402

TEMPLATE = b'template\x00\x1a\r\n\xff\xfe\x80\x0d end'
inputs = []  # (extension, bytes)

names = dict(run_cases.CONSTANTS, ROOT=b'/root', PROGRAM_NAME=b'wpconv')
for directory in ('tests/e2e/cases', 'tests/e2e/cases-windows'):
    for name in sorted(os.listdir(directory)):
        if not name.endswith('.cases'):
            continue
        for case in run_cases.load_cases(os.path.join(directory, name)):
            for path_text, content in case.files:
                if content is None:
                    continue
                base = path_text.rsplit('/', 1)[-1]
                extension = base[base.rfind('.'):] if '.' in base else '.TXT'
                if not extension[1:].replace('~', '').isalnum():
                    extension = '.TXT'
                inputs.append((extension, run_cases.data(content, names)))
with open('examples/LETTER.OA2', 'rb') as f:
    inputs.append(('.OA2', f.read()))

rng = random.Random(4)
DOCUMENT_PIECES = [
    lambda: bytes([rng.randrange(0x20, 0x7f)]), lambda: b' ', lambda: b'\r\n',
    lambda: bytes([rng.choice([0x81, 0x82, 0x88, 0x9f, 0xe0, 0xea]), rng.randrange(0x40, 0xfd)]),
    lambda: b'\xef\xa0', lambda: b'\xef\xa3', lambda: bytes([0xef, 0xc0, rng.randrange(256)]),
    lambda: bytes([0xef, 0xc0, rng.choice([0x30, 0x31, 0x37, 0x38, 0x3b, 0x3c])]),
    lambda: bytes([rng.randrange(0xec, 0xf0), rng.randrange(0x40, 0xfd)]),
    lambda: bytes([rng.randrange(256)]), lambda: b'\x1a', lambda: b'\t', lambda: b'\x00',
    lambda: bytes([rng.randrange(0xa1, 0xe0)]),
]
HTML_PIECES = [
    lambda: bytes([rng.randrange(0x20, 0x7f)]) * rng.randrange(1, 30), lambda: b'\r\n',
    lambda: b'\n', lambda: bytes([0x82, rng.randrange(0x9f, 0xf2)]),
    lambda: rng.choice([b'<P>', b'</P>', b'<BR>', b'<br>', b'<U>', b'</U>', b'<SUP>', b'</SUP>',
                        b'<SUB>', b'</sub>', b'<p align="center">', b'<HTML>', b'<BODY>',
                        b'<!-- <P> -->', b'<', b'>', b'&amp;', b'&lt;', b'&nbsp;', b'&#65;',
                        b'<TABLE>', b'<u >', b'<Sup>', b'<' + b'x' * 300 + b'>']),
    lambda: bytes([rng.randrange(256)]), lambda: b'\x1a', lambda: b'\xef\xa0',
]


def generate(pieces, count):
    return b''.join(rng.choice(pieces)() for _ in range(count))


for size in (0, 1, 5, 40, 200, 1000, 5000):
    for _ in range(6):
        inputs.append(('.TXT', generate(DOCUMENT_PIECES, size)))
        inputs.append(('.htm', generate(HTML_PIECES, size)))
    inputs.append(('.OA2', b'H' * 2000 + b'\xf0\x04\x00\x00' + generate(DOCUMENT_PIECES, size)))
# Larger than the streams' blocks, so that reads and writes are split.
inputs.append(('.DOC', generate(DOCUMENT_PIECES, 400000)))
inputs.append(('.html', generate(HTML_PIECES, 100000)))


def run_all(side, program, launcher, batch):
    """Converts each input of the batch in a directory of its own (Wine looks through the whole
    directory for a name it does not find, so a crowded one is slow); returns exit statuses."""
    side_directory = os.path.join(work, side)

    def convert(item):
        stem, extension, content = item
        directory = os.path.join(side_directory, stem)
        os.mkdir(directory)
        with open(os.path.join(directory, stem + extension), 'wb') as f:
            f.write(content)
        return subprocess.run(
            launcher + [os.path.join(side_directory, os.path.basename(program)), stem + extension],
            cwd=directory, stdin=subprocess.DEVNULL, capture_output=True, timeout=120).returncode

    # Most of a run under Wine is waiting for its server, so a few at once go faster.
    with concurrent.futures.ThreadPoolExecutor(4) as pool:
        return list(pool.map(convert, batch))


def tree(side):
    """Every file the conversions wrote, by path below the side's directory."""
    side_directory = os.path.join(work, side)
    found = {}
    for directory, _, files in os.walk(side_directory):
        for name in files:
            path = os.path.join(directory, name)
            if directory != side_directory:
                with open(path, 'rb') as f:
                    found[os.path.relpath(path, side_directory)] = f.read()
    return found


shutil.rmtree(work, ignore_errors=True)
for side, program in (('native', native), ('windows', exe)):
    os.makedirs(os.path.join(work, side))
    shutil.copy2(program, os.path.join(work, side))
    with open(os.path.join(work, side, 'wpconv.FMT'), 'wb') as f:
        f.write(TEMPLATE)

differences = 0
batch = [(f'in{i:04}', extension, content) for i, (extension, content) in enumerate(inputs)]
for round_number in (1, 2):
    native_statuses = run_all('native', native, [], batch)
    windows_statuses = run_all('windows', exe, ['wine'], batch)
    for (stem, extension, _), a, b in zip(batch, native_statuses, windows_statuses):
        if a != b:
            differences += 1
            print(f'{stem}{extension}: exit status {a} native, {b} Windows')
    native_files, windows_files = tree('native'), tree('windows')
    for name in sorted(set(native_files) | set(windows_files)):
        if native_files.get(name) != windows_files.get(name):
            differences += 1
            print(f'{name}: differs (native {len(native_files.get(name) or b"")} bytes, '
                  f'Windows {len(windows_files.get(name) or b"")} bytes)')
    print(f'round {round_number}: {len(batch)} inputs, {len(native_files)} files compared')
    # Back again: each output of this round, renamed, is an input of the next.
    outputs = [(name, content) for name, content in sorted(native_files.items())
               if name.startswith('in') and name.endswith(('.HTM', '.DOC'))]
    batch = [(f'back{i:04}', name[name.rfind('.'):], content)
             for i, (name, content) in enumerate(outputs)]
sys.exit(1 if differences else 0)
EOF

step "Windows tests passed"
