#!/usr/bin/env python3
"""Writes src/html2doc/cp932_duplicates.inc: the two-byte characters of Windows code page 932
whose first byte is 0xEC or above (where a document would take them as its own codes) and that
the code page also holds at a code with a lower first byte, from Python's cp932 codec.

    make_cp932_duplicates.py           # rewrites the table
    make_cp932_duplicates.py --check   # exits 1 if the table differs from what the codec gives
"""

import os
import sys
import unicodedata

from generated_table import write_or_check

TABLE = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'src', 'html2doc',
                     'cp932_duplicates.inc')
FIRST_LEAD = 0xEC


def table():
    lines = [
        '// Code page 932 characters whose first byte is 0xEC or above that the code page also has',
        '// at a code below 0xEC: {code, that code}. Made from Python\'s cp932 codec by',
        '// scripts/make_cp932_duplicates.py; rerun it rather than editing this by hand.',
    ]
    for lead in range(FIRST_LEAD, 0x100):
        for trail in range(0x40, 0x100):
            try:
                character = bytes([lead, trail]).decode('cp932')
            except UnicodeDecodeError:
                continue
            code = character.encode('cp932')
            if len(code) == 2 and code[0] < FIRST_LEAD:
                name = unicodedata.name(character, f'U+{ord(character):04X}')
                lines.append(f'{{0x{lead:02X}{trail:02X}, 0x{code.hex().upper()}}},  // {name}')
    return '\n'.join(lines) + '\n'


def main():
    write_or_check(TABLE, table(), 'the cp932 codec')


if __name__ == '__main__':
    main()
