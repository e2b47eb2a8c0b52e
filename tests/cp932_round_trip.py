#!/usr/bin/env python3
"""HTML holding every two-byte character from lead byte 0xEC up, the word processor's own codes
written as text among them, converted into a document and back with wpconv: each character must
come back as itself, as the same character at another code (code page 932 has some twice), or
as the geta mark, and no text may turn into a code of the document (a paragraph, an attribute,
a code that swallows the bytes after it). Usage: cp932_round_trip.py PROGRAM
"""

import os
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from docformat import HTML_END, HTML_HEAD  # noqa: E402

GETA_MARK = '\u3013'
SEPARATOR = b'|'


def main(program):
    characters = [bytes([lead, trail]) for lead in range(0xEC, 0x100) for trail in range(0x20, 0x100)
                  if trail != SEPARATOR[0]]
    work = tempfile.mkdtemp(prefix='wpconv_cp932_')
    try:
        for name in (os.path.basename(program), os.path.basename(program) + '.FMT'):
            shutil.copy(os.path.join(os.path.dirname(program), name), work)
        with open(os.path.join(work, 'page.htm'), 'wb') as f:
            f.write(b'<P>' + SEPARATOR.join(characters) + b'</BODY>')
        run = [os.path.join(work, os.path.basename(program))]
        subprocess.run(run + ['page.htm'], cwd=work, check=True)
        subprocess.run(run + ['page.DOC'], cwd=work, check=True)
        with open(os.path.join(work, 'page.HTM'), 'rb') as f:
            html = f.read()
    finally:
        shutil.rmtree(work)
    if not html.startswith(HTML_HEAD) or not html.endswith(HTML_END):
        sys.exit('the HTML has no head or closing lines')
    body = html[len(HTML_HEAD):-len(HTML_END)]
    # The layout's pad spaces come back as spaces; nothing else may stand between characters.
    back = [piece.strip(b' ') for piece in body.split(SEPARATOR)]
    if len(back) != len(characters):
        sys.exit(f'{len(characters)} characters went in, {len(back)} came back: {body[:200]!r}')
    wrong = []
    for sent, got in zip(characters, back):
        expected = sent.decode('cp932', errors='replace')
        if got.decode('cp932', errors='replace') not in (expected, GETA_MARK):
            wrong.append(f'{sent.hex(" ")} came back as {got.hex(" ")}')
    if wrong:
        sys.exit(f'{len(wrong)} characters came back wrong, such as:\n' + '\n'.join(wrong[:20]))
    print(f'{len(characters)} characters came back as themselves, a duplicate or the geta mark')


if __name__ == '__main__':
    main(os.path.abspath(sys.argv[1]))
