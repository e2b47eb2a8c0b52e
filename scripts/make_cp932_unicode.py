#!/usr/bin/env python3
"""Writes the tables between Unicode and Windows code page 932 in src/encoding/, from Python's
codecs:

  cp932_to_unicode.inc   one- and two-byte cp932 codes to Unicode (Python's cp932 decoder,
                         with the NEC and IBM rows)
  unicode_to_cp932.inc   Unicode to cp932 (Python's cp932 encoder, which picks one code where the
                         code page has several), plus the characters that Python's shift_jis codec
                         gives or takes where cp932 has none (wave dash, double vertical line,
                         minus, cent, pound, not sign, yen, overline), plus a few by hand
  jis0212_to_unicode.inc JIS X 0212 (EUC-JP's 0x8F plane) to Unicode (Python's euc_jp codec)

    make_cp932_unicode.py           # rewrites the tables
    make_cp932_unicode.py --check   # exits 1 if a table differs from what the codecs give
"""

import os
import sys

from generated_table import write_or_check

FOLDER = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'src', 'encoding')
PROVENANCE = ('// Made from Python\'s codecs (cp932, shift_jis, euc_jp) by scripts/make_cp932_unicode.py;\n'
              '// rerun it rather than editing this by hand.')

# Lead bytes of two-byte codes, in the order of the table's rows; a row has a slot for each
# trail byte 0x40-0x7E and 0x80-0xFC.
LEADS = list(range(0x81, 0xA0)) + list(range(0xE0, 0xFD))
TRAILS = list(range(0x40, 0x7F)) + list(range(0x80, 0xFD))
PAGE = 256

# Characters no codec gives that pages carry for a cp932 character: the no-break space is a space
# (what a browser shows), and the em dash is the horizontal bar of row 1 as other Japanese
# mappings (JIS X 0213, the Mac) have it.
BY_HAND = {0x00A0: 0x20, 0x2014: 0x815C}


def decode(code_bytes, codec):
    try:
        text = code_bytes.decode(codec)
    except UnicodeDecodeError:
        return None
    return ord(text) if len(text) == 1 else None


def encode(character, codec):
    try:
        code = chr(character).encode(codec)
    except UnicodeEncodeError:
        return None
    return int.from_bytes(code, 'big')


def numbers(values, per_line=16):
    return [' '.join(f'{v},' for v in values[i:i + per_line]) for i in range(0, len(values),
                                                                              per_line)]


def cp932_to_unicode():
    single = [decode(bytes([b]), 'cp932') for b in range(0x100)]
    lines = [
        '// Code page 932 to Unicode. First the one-byte codes (65535: none), then one row of 188 per',
        '// lead byte 0x81-0x9F and 0xE0-0xFC, a slot for each trail byte 0x40-0x7E and 0x80-0xFC',
        '// (0: none).',
        PROVENANCE,
        '#ifdef WPCONV_CP932_SINGLE',
    ]
    lines += numbers([65535 if u is None else u for u in single])
    lines += ['#else']
    for lead in LEADS:
        lines.append(f'// lead byte 0x{lead:02X}')
        lines += numbers([decode(bytes([lead, t]), 'cp932') or 0 for t in TRAILS], 188 // 4)
    lines += ['#endif']
    return '\n'.join(lines) + '\n'


def unicode_to_cp932_map():
    codes = {}
    for c in range(0x10000):
        if 0xD800 <= c < 0xE000:
            continue
        code = encode(c, 'cp932')
        if code is not None:
            codes[c] = code
    # Where Python's shift_jis codec decodes a code to another character than cp932 does, or can
    # encode a character that cp932 cannot, a page in Shift_JIS means the cp932 character.
    for lead in LEADS:
        for trail in TRAILS:
            sjis = decode(bytes([lead, trail]), 'shift_jis')
            if sjis is not None and sjis not in codes and decode(bytes([lead, trail]), 'cp932'):
                codes[sjis] = lead << 8 | trail
    for c in range(0x10000):
        if c not in codes and not 0xD800 <= c < 0xE000:
            code = encode(c, 'shift_jis')
            if code is not None:
                codes[c] = code
    for c, code in BY_HAND.items():
        codes.setdefault(c, code)
    return codes


def unicode_to_cp932():
    codes = unicode_to_cp932_map()
    pages = []  # each a list of PAGE codes, 0 for none (U+0000 is handled before the table)
    index = []
    empty = [0] * PAGE
    pages.append(empty)
    for high in range(0x10000 // PAGE):
        page = [codes.get(high * PAGE + low, 0) for low in range(PAGE)]
        if high == 0:
            page[0] = 0
        if page == empty:
            index.append(0)
        else:
            index.append(len(pages))
            pages.append(page)
    lines = [
        '// Unicode (the basic plane) to code page 932: the page of each high byte, then the pages',
        '// of 256 codes (0: none; page 0 is all none).',
        PROVENANCE,
        '#ifdef WPCONV_CP932_PAGE_INDEX',
    ]
    lines += numbers(index)
    lines += ['#else']
    for number, page in enumerate(pages):
        high = index.index(number) if number else None
        lines.append(f'// page {number}' + ('' if high is None else f': U+{high:02X}00'))
        lines += ['{'] + numbers(page) + ['},']
    lines += ['#endif']
    return '\n'.join(lines) + '\n', len(pages)


def jis0212_to_unicode():
    rows = []
    for row in range(94):
        rows.append([decode(bytes([0x8F, 0xA1 + row, 0xA1 + cell]), 'euc_jp') or 0
                     for cell in range(94)])
    while not any(rows[-1]):
        rows.pop()
    lines = [
        f'// JIS X 0212 to Unicode: rows 1-{len(rows)} of 94 cells (0: none).',
        PROVENANCE,
    ]
    for number, row in enumerate(rows, 1):
        lines.append(f'// row {number}')
        lines += numbers(row, 47)
    return '\n'.join(lines) + '\n'


def tables():
    pages_text, page_count = unicode_to_cp932()
    return {
        'cp932_to_unicode.inc': cp932_to_unicode(),
        'unicode_to_cp932.inc': pages_text,
        'jis0212_to_unicode.inc': jis0212_to_unicode(),
    }, page_count


def main():
    texts, page_count = tables()
    for name, text in texts.items():
        write_or_check(os.path.join(FOLDER, name), text, 'the codecs')
    if sys.argv[1:] != ['--check']:
        print(f'{page_count} pages of Unicode to cp932')


if __name__ == '__main__':
    main()
