#!/usr/bin/env python3
"""Writes the seed corpus of the fuzz targets: every input file of the end-to-end cases and the
files those cases expect, each given to the target that reads its kind, plus a few inputs made by
hand. Usage: make_seed_corpus.py OUTPUT_DIR (one subdirectory per target is made in it).
"""

import hashlib
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
CASES = os.path.join(HERE, '..', 'tests', 'e2e', 'cases')

# The doc_to_html and html_to_doc targets take a first byte that says how the input is read:
# 0x00 reads it whole, 0x01 one byte at a time.
READ_WHOLE, READ_BYTEWISE = b'\x00', b'\x01'
# The oa2_to_html target's first byte: 0x00 keeps the file as it is (then a read plan byte).
OA2_AS_IS = b'\x00'

sys.path.insert(0, os.path.join(HERE, '..', 'tests'))
from docformat import FILLER_LINE_END, PARAGRAPH_LINE_END  # noqa: E402

HAND_MADE = {
    'doc_to_html': [
        b'AB\xef\xa0\xef\xc0\x372\xef\xc0\x3b C\x1a',
        b'  A   B\xef\xc0\x22u\xef\xc0\x28\xef\xc0\x38x\xef\xc0\x37y\xef\xc0\x3b',
        b'\x82\xf0\x04\x00\x00\xa0\x82\xf0\x0d\x0a\xf0\x04\x12\x34\xf0\x05AB',
        b'\xec\x5b\xec\xc7\xef\xa1\xed\x9f\xec\x3f\xef\xaf\x01\x02\x03\xef\xa3<&',
        b'\x82\x1aA\x1a',
        b'x' * 72 + FILLER_LINE_END + b'\x82\xa0' * 36 + PARAGRAPH_LINE_END + b'\x1a',
    ],
    'html_to_doc': [
        b'<HTML><BODY>before<P>AB<P><SUP>2</SUP> C</BODY>',
        b'<p>A  \x82\xa0\x87\x40\x81\x9a\x84\xbe\x81\x40<u>u</u><sub>x</sub>&lt;<BR><P ALIGN=X>',
        b'<P>' + b'A' * 71 + b'\x82\xa0' + b'B' * 70 + b'<P>',
        b'<P\r\n>text\x82\r\xa0<SU\rP>\x1aafter',
    ],
    'web_html_to_doc': [
        b'<!DOCTYPE html><meta charset=utf-8><title>t</title><p class="P1">\xe3\x81\x82&amp;'
        b'&notin;&#x41<!-- c --><u>d</u><br><table><tr><td>e<td>f</table><pre>\n a\n</pre>',
        b'\xef\xbb\xbf<ol start=3><li>x<li>y</ol><img alt="A&ampB"><span style="vertical-align:'
        b'super">2</span><svg><![CDATA[x]]></svg><script>"</script>"</script><textarea>&lt;',
        b'<meta http-equiv=Content-Type content="text/html; charset=Shift_JIS"><p>\x82\xa0\x87\x40',
        b'\xff\xfe<\x00p\x00>\x00B\x30',
    ],
    'oa2_to_html': [
        OA2_AS_IS + READ_WHOLE + b'\x00' * 1990 + b'\xf0\x04\x11\x22' + b'\x00' * 506 +
        b'\xf0\x04\x33\x44AB\xef\xa0C\x1a',
        OA2_AS_IS + READ_WHOLE + b'\x00' * 2000 + b'\xf0\xf0\x04\x11\x22\xf0\x04\x33\x44text',
        b'\x01' + READ_WHOLE + b'\xf0\x04\x01\x02\xef\xc0\x37x',
    ],
    'entry': [
        b'"C:\\Program Files\\wpconv.exe" C:\\WORK\\LETTER.OA2\x00.HTM',
        b'wpconv\t  "my file.htm"\x00.DOC',
        b'/v1.0/LETTER\x00*.oa2',
        b'REPORT~1.OA2\x00report may.oa2',
        b'a*b?c*\x00AxxBycDD',
    ],
}


def target_for(path):
    """The target that reads a file of this name, the way the program chooses its direction."""
    dot = path.rfind(b'.')
    extension = path[dot:] if dot >= 0 else b''
    if extension[1:2] in (b'H', b'h'):
        return 'html_to_doc'
    if extension in (b'.OA2', b'.oa2'):
        return 'oa2_to_html'
    return 'doc_to_html'


def with_plan(target, data):
    if target == 'oa2_to_html':
        return [OA2_AS_IS + READ_WHOLE + data]
    if target == 'entry':
        return [data]
    return [READ_WHOLE + data, READ_BYTEWISE + data]


def case_inputs():
    """(target, bytes) for every file and expected file of the end-to-end cases."""
    sys.path.insert(0, os.path.join(HERE, '..', 'tests', 'e2e'))
    try:
        import run_cases
    except ImportError as error:
        print(f'make_seed_corpus: no end-to-end cases ({error}); hand-made seeds only')
        return
    names = dict(run_cases.CONSTANTS, ROOT=b'/tmp/root', PROGRAM_NAME=b'wpconv')
    for case_file in sorted(os.listdir(CASES)) if os.path.isdir(CASES) else []:
        try:
            cases = run_cases.load_cases(os.path.join(CASES, case_file))
        except Exception as error:  # a case file being written may not parse yet
            print(f'make_seed_corpus: skipping {case_file}: {error}')
            continue
        for case in cases:
            for path_text, value in case.files + case.expects:
                if value is None:
                    continue
                try:
                    path = run_cases.decode(path_text, names)
                    data = run_cases.data(value, names)
                except Exception:
                    continue
                target = target_for(path)
                yield target, data
                if target == 'html_to_doc':
                    yield 'web_html_to_doc', data
                yield 'entry', b'wpconv ' + path + b'\x00' + data[:64]
            if case.run:
                yield 'entry', ' '.join(case.run).encode('latin-1', 'replace') + b'\x00.HTM'


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    out = sys.argv[1]
    seeds = {target: set() for target in HAND_MADE}
    for target, inputs in HAND_MADE.items():
        for data in inputs:
            seeds[target].add(data if target in ('entry', 'oa2_to_html') else READ_WHOLE + data)
    for target, data in case_inputs():
        seeds[target].update(with_plan(target, data))
    # The HTML5 page is written from the same documents.
    seeds['doc_to_html5'] = set(seeds['doc_to_html'])
    for target, inputs in seeds.items():
        directory = os.path.join(out, target)
        os.makedirs(directory, exist_ok=True)
        for data in inputs:
            name = hashlib.sha1(data).hexdigest()
            with open(os.path.join(directory, name), 'wb') as f:
                f.write(data)
        print(f'make_seed_corpus: {len(inputs)} seeds for {target}')


if __name__ == '__main__':
    main()
