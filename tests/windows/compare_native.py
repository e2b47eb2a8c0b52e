"""Runs both programs on the inputs of every case file, the sample letter and generated
documents and HTML, in both directions and then back again, and compares all they write.
Usage: compare_native.py NATIVE_PROGRAM WINDOWS_PROGRAM WORK_FOLDER WINE_LOADER"""
import concurrent.futures
import os
import random
import shutil
import subprocess
import sys

native, exe, work = (os.path.abspath(path) for path in sys.argv[1:4])
loader = sys.argv[4]
# Paths below are from the repository's top.
os.chdir(os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..'))
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
    windows_statuses = run_all('windows', exe, [loader], batch)
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
