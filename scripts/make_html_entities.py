#!/usr/bin/env python3
"""Writes src/html2doc/html_entities.inc: every named character reference of HTML, from
Python's html.entities.html5 (the table of the HTML standard, with the legacy names that also
work without their semicolon), sorted by name as C's strcmp orders them.

    make_html_entities.py           # rewrites the table
    make_html_entities.py --check   # exits 1 if the table differs from what Python gives
"""

import html.entities
import os
import sys

from generated_table import write_or_check

TABLE = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'src', 'html2doc',
                     'html_entities.inc')


def table():
    lines = [
        '// Named character references: {name after the "&", first code point, second or 0}.',
        '// Names without ";" are the legacy ones that also stand without it. Made from Python\'s',
        '// html.entities.html5 by scripts/make_html_entities.py; rerun it rather than editing.',
    ]
    for name in sorted(html.entities.html5, key=lambda n: n.encode('ascii')):
        points = [ord(c) for c in html.entities.html5[name]]
        assert 1 <= len(points) <= 2
        second = points[1] if len(points) == 2 else 0
        lines.append(f'{{"{name}", 0x{points[0]:X}, 0x{second:X}}},')
    return '\n'.join(lines) + '\n'


def main():
    write_or_check(TABLE, table(), 'html.entities.html5')


if __name__ == '__main__':
    main()
