#!/usr/bin/env python3
"""Writes the web page test's inputs and what the native programs make of them.

    inputs.py NATIVE_WPCONV OUT

OUT/inputs/NNN/NAME: every file that an end-to-end case converts on its own (tests/e2e/cases),
under its final name, then two inputs of several MB from bench/generate.py and an .OA2 file that
holds no document. OUT/native/NNN/: the same converted by NATIVE_WPCONV. OUT/tree/: a folder to
drop, and OUT/native-tree/tree/: it converted by wpconv-batch beside NATIVE_WPCONV.
OUT/manifest.json lists each input with its outputs and message.
"""

import glob
import json
import os
import shutil
import subprocess
import sys

here = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(here, '..', 'e2e'))
import run_cases  # noqa: E402


def case_inputs():
    """(name, bytes) of each input that a case hands wpconv by itself, once each."""
    seen = set()
    for path in sorted(glob.glob(os.path.join(here, '..', 'e2e', 'cases', '*.cases'))):
        for case in run_cases.load_cases(path):
            if case.cwd or not case.run:
                continue
            names = dict(run_cases.CONSTANTS, ROOT=b'/r', PROGRAM_NAME=b'wpconv', SEP=b'/')
            argument = b' '.join(run_cases.decode(a, names) for a in case.run)
            for file_path, content in case.files:
                if content is None or run_cases.decode(file_path, names) != argument:
                    continue
                name = os.path.basename(argument)
                # A browser names files in Unicode; names from other code pages stay out.
                if not name or not name.isascii() or name.startswith(b'-'):
                    continue
                data = run_cases.data(content, names)
                if (name, data) not in seen:
                    seen.add((name, data))
                    yield name.decode(), data


def main():
    native, out = sys.argv[1], sys.argv[2]
    shutil.rmtree(out, ignore_errors=True)
    inputs = list(case_inputs())
    generate = os.path.join(here, '..', '..', 'bench', 'generate.py')
    scratch = os.path.join(out, 'scratch')
    os.makedirs(scratch)
    for kind, size, name in (('document', '6M', 'LARGE.OA2'), ('html', '3M', 'large.html')):
        subprocess.run([sys.executable, generate, kind, size, os.path.join(scratch, name)],
                       check=True)
        with open(os.path.join(scratch, name), 'rb') as f:
            data = f.read()
        if name.endswith('.OA2'):
            data = bytes(2000) + b'\xf0\x04\x00\x00' + data
        inputs.append((name, data))
    inputs.append(('EMPTY.OA2', bytes(2100)))  # no marker after the header: refused

    manifest = []
    for number, (name, data) in enumerate(inputs):
        folder = f'{number:03d}'
        for side in ('inputs', 'native'):
            os.makedirs(os.path.join(out, side, folder))
            with open(os.path.join(out, side, folder, name), 'wb') as f:
                f.write(data)
        done = subprocess.run([os.path.abspath(native), name], cwd=os.path.join(out, 'native', folder),
                              capture_output=True, timeout=60)
        outputs = sorted(set(os.listdir(os.path.join(out, 'native', folder))) - {name})
        manifest.append({'input': f'inputs/{folder}/{name}', 'outputs':
                         [f'native/{folder}/{o}' for o in outputs],
                         'message': done.stderr.decode('latin-1').strip()})

    # A folder as wpconv-batch finds it: documents in it and below, and files it leaves alone.
    tree = {'tree/A.OA2': bytes(2000) + b'\xf0\x04\x00\x00A\x1a', 'tree/b.doc': b'B\xef\xa0\r\n',
            'tree/notes.txt': b'not picked', 'tree/page.htm': b'<P>not picked',
            'tree/sub/C.DOC': b'C\x1a', 'tree/sub/deeper/d.oa2': bytes(2050)}
    for side in ('', 'native-tree'):
        for path, data in tree.items():
            full = os.path.join(out, side, path)
            os.makedirs(os.path.dirname(full), exist_ok=True)
            with open(full, 'wb') as f:
                f.write(data)
    batch = os.path.join(os.path.dirname(os.path.abspath(native)), 'wpconv-batch')
    subprocess.run([batch, '--quiet', 'tree'], cwd=os.path.join(out, 'native-tree'),
                   capture_output=True, timeout=60)
    tree_outputs = []
    for folder, _, files in os.walk(os.path.join(out, 'native-tree', 'tree')):
        for file in files:
            path = os.path.relpath(os.path.join(folder, file), os.path.join(out, 'native-tree'))
            if path not in tree:
                tree_outputs.append(path)
    shutil.rmtree(scratch)
    with open(os.path.join(out, 'manifest.json'), 'w') as f:
        json.dump({'inputs': manifest, 'tree': sorted(tree_outputs)}, f, indent=1)


if __name__ == '__main__':
    main()
